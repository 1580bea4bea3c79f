// German is complete: every text and tooltip a skin file shows, every menu
// entry and every text the code takes from an id or a key has a German
// translation, and a German text with placeholders takes the arguments of the
// English one. The German window is built with those texts.
#include "MainPaneUI.h"
#include "VXMMainFrameWnd.h"
#include "VXMSettings.h"
#include "platform/text.h"
#include "support/language_texts.h"
#include "support/main_window_environment.h"
#include "support/skin_check.h"
#include "ui/UILanguage.h"
#include "ui/UIMarkup.h"
#include "ui/UIStringTable.h"
#include "FakeDesktop.h"

#include <gtest/gtest.h>

#include <cwctype>
#include <filesystem>
#include <map>
#include <regex>
#include <set>

namespace {

// A text to translate holds a word: two letters in a row.
bool HasWord(const std::wstring& text)
{
    for (size_t i = 1; i < text.size(); ++i)
        if (std::iswalpha(text[i - 1]) && std::iswalpha(text[i])) return true;
    return false;
}

using vxmtest::language_texts_detail::IsTextAttribute;

// The printf conversions of a text, in order ("%s", "%d", ...).
std::vector<std::wstring> Placeholders(const std::wstring& text)
{
    static const std::wregex conversion(L"%[-+ #0]*[0-9]*(\\.[0-9]+)?(hh|h|ll|l|z)?[sdiuxXfgcp%]");
    std::vector<std::wstring> out;
    for (auto it = std::wsregex_iterator(text.begin(), text.end(), conversion); it != std::wsregex_iterator(); ++it)
        if (it->str() != L"%%") out.push_back(it->str());
    return out;
}

using CGerman = vxmtest::language_texts_detail::CLanguageFile;

CGerman ReadGerman() { return vxmtest::language_texts_detail::ReadLanguageFile("de"); }

// Every text-bearing element of a skin file: named, and German gives each of its texts.
void CheckSkinElement(const CMarkupElement& e, const CGerman& german, const std::string& file,
                      std::set<std::wstring>& named, std::vector<std::string>& problems)
{
    const std::wstring name = e.GetAttribute(L"name");
    if (!name.empty()) named.insert(name);
    // An edit box holds a value the user changes, not a text of the program.
    for (const auto& [attribute, value] : e.attributes) {
        if (e.name == L"Edit" || !IsTextAttribute(attribute) || !HasWord(value)) continue;
        const std::string what = file + ": <" + WideToUtf8(e.name) + "> " + WideToUtf8(attribute) + "=\"" +
                                 WideToUtf8(value) + "\"";
        if (name.empty()) {
            problems.push_back(what + " has no name to translate it by");
            continue;
        }
        const auto control = german.controls.find(name);
        if (control == german.controls.end() || !control->second.count(attribute) ||
            control->second.at(attribute).empty())
            problems.push_back(what + " of " + WideToUtf8(name) + " has no German text");
    }
    for (const auto& child : e.children) CheckSkinElement(*child, german, file, named, problems);
}

void CheckMenu(const CMarkupElement& e, const CGerman& german, std::vector<std::string>& problems)
{
    for (const auto& child : e.children) {
        const std::wstring text = child->GetAttribute(L"text");
        if (child->name == L"Item" && HasWord(text) &&
            !german.menuItems.count(static_cast<UINT>(std::stoul(child->GetAttribute(L"id")))))
            problems.push_back("menu item " + WideToUtf8(child->GetAttribute(L"id")) + " \"" + WideToUtf8(text) +
                               "\" has no German text");
        if (child->name == L"Popup") {
            if (text.rfind(L"_", 0) != 0 && !german.menuPopups.count(text))
                problems.push_back("menu \"" + WideToUtf8(text) + "\" has no German text");
            CheckMenu(*child, german, problems);
        }
    }
}

std::string Joined(const std::vector<std::string>& problems)
{
    std::string text;
    for (const std::string& p : problems) text += "\n  " + p;
    return text;
}

TEST(GermanLanguage, EveryTextOfEverySkinFileAndMenuHasAGermanTranslation)
{
    const CGerman german = ReadGerman();
    std::vector<std::string> problems;
    std::set<std::wstring> named;
    const int files = vxmtest::ForEachSkinFile(std::string(VXM_SOURCE_DIR) + "/skin", problems,
                                               [&](const std::string& file, const CMarkupElement& root) {
                                                   if (file == "menus.xml") CheckMenu(root, german, problems);
                                                   else CheckSkinElement(root, german, file, named, problems);
                                               });
    EXPECT_GT(files, 30);
    // A German entry for a control no skin file has is a misspelt name.
    for (const auto& [name, attributes] : german.controls)
        if (!named.count(name)) problems.push_back("German text for " + WideToUtf8(name) + ", which no skin file has");
    EXPECT_TRUE(problems.empty()) << problems.size() << " problems:" << Joined(problems);
}

TEST(GermanLanguage, EveryTextTheCodeTakesByIdOrKeyHasAGermanTranslationWithTheSameArguments)
{
    const CGerman german = ReadGerman();
    std::vector<std::string> problems;
    for (const TUIStringEntry& english : GetEnglishStringTable()) {
        const auto it = german.strings.find(english.id);
        if (it == german.strings.end() || it->second.empty()) {
            if (HasWord(english.text)) problems.push_back("text " + std::to_string(english.id) + " has no German text");
        } else if (Placeholders(it->second) != Placeholders(english.text)) {
            problems.push_back("text " + std::to_string(english.id) + " \"" + WideToUtf8(it->second) +
                               "\" takes other arguments than \"" + WideToUtf8(english.text) + "\"");
        }
    }
    for (const TUIDictionaryEntry& english : GetEnglishDictionary()) {
        const auto it = german.dictionary.find(english.key);
        // The date forms are strftime's, each language's own.
        const bool dateForm = std::wstring(english.key).rfind(L"ID_STRING_DATE_", 0) == 0;
        if (it == german.dictionary.end() || it->second.empty()) {
            if (HasWord(english.text) || dateForm) problems.push_back(WideToUtf8(english.key) + " has no German text");
        } else if (!dateForm && Placeholders(it->second) != Placeholders(english.text)) {
            problems.push_back(WideToUtf8(english.key) + " \"" + WideToUtf8(it->second) +
                               "\" takes other arguments than \"" + WideToUtf8(english.text) + "\"");
        }
    }
    // German texts for ids and keys the program does not know: no text of the program.
    for (const auto& [id, text] : german.strings)
        if (!FindEnglishString(id)) problems.push_back("German text " + std::to_string(id) + " for an unknown id");
    EXPECT_GT(GetEnglishStringTable().size(), 80u);
    EXPECT_TRUE(problems.empty()) << problems.size() << " problems:" << Joined(problems);
}

TEST(GermanLanguage, ThePlaceholderCheckSeesADifferentArgument)
{
    EXPECT_EQ(Placeholders(L"%s %d.%d.%d is now available (100%%)"),
              (std::vector<std::wstring>{L"%s", L"%d", L"%d", L"%d"}));
    EXPECT_NE(Placeholders(L"Teil %d von %s"), Placeholders(L"%s - Part %s"));
}

// Windows and list rows take the German texts when they are built, without
// their code asking for them.
class CGermanWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        CVXMSettings::GetInstance()->LangID = L"de";
        window = new CVXMMainFrameWnd(L"");
        ASSERT_NE(window->Create(nullptr, L"Vexmora Professional", WS_VISIBLE | WS_OVERLAPPEDWINDOW, 0, 0, 0, 1024, 655),
                  nullptr);
    }
    void TearDown() override
    {
        if (window) window->DestroyWindow();
        vxmtest::PumpPending();
        CVXMSettings::GetInstance()->LangID = L"auto";
        CLanguageManager::GetInstance()->SetLang(L"en");
    }
    CFakeDesktop desktop;
    CVXMMainFrameWnd* window = nullptr;
};

TEST_F(CGermanWindow, ShowsTheGermanTextsOfItsControls)
{
    ASSERT_EQ(CLanguageManager::GetInstance()->GetLangID(), L"de");
    CPaintManagerUI& pm = *window->GetPaintManager();
    ASSERT_NE(pm.FindControl(L"ID_LABEL_MAIN_MEDIA_MANAGER"), nullptr);
    EXPECT_EQ(pm.FindControl(L"ID_LABEL_MAIN_MEDIA_MANAGER")->GetText(), L"Medienverwaltung");
    ASSERT_NE(pm.FindControl(L"ID_BTN_PLAYER_OPEN"), nullptr);
    EXPECT_EQ(pm.FindControl(L"ID_BTN_PLAYER_OPEN")->GetText(), L"Medien öffnen");
    EXPECT_EQ(pm.FindControl(L"ID_BTN_PLAYER_FULLSCREEN")->GetToolTip(), L"Vollbild");
}

}  // namespace
