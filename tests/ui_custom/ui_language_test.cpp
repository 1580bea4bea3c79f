// The UI texts: every id the program shows has its English text, language
// files override it, and a translation that takes other arguments than the
// English text is never used as a format.
#include "ui_test_support.h"
#include "ui/UICustomControls.h"
#include "ui/UILanguage.h"
#include "ui/UIMarkup.h"
#include "ui/UIStringFormat.h"
#include "ui/UIStringTable.h"
#include "platform/codepage.h"
#include "platform/text.h"
#include "support/test_media.h"
#include <gtest/gtest.h>

using vxmtest::CTempDir;
#include <climits>
#include <filesystem>
#include <fstream>
#include <functional>
#include <set>

namespace {
struct TExpected {
    UINT id;
    const wchar_t* text;  // null: a message whose wording is ours
};
// The English texts the program must show, by id.
const TExpected kExpected[] = {
    {103, L"Vexmora"},
    {104, L"Failed to parse UI XML files!"},
    {105, nullptr},
    {106, L"Low(Smaller File Size)"},
    {107, L"Normal"},
    {108, L"High(Larger File Size)"},
    {109, L"Analyzing video URL..."},
    {110, L"Analyzing successfully, start to download video file, please wait..."},
    {111, L"Analyzing failed, %s"},
    {112, L"Download successfully."},
    {113, L"Download video file failed."},
    {114, L"Download canceled by user."},
    {115, L"Add Video files in Folder Selected ..."},
    {116, L"Load DVD Disc"},
    {117, L"Eject DVD Disc"},
    {118, L"No usable DVD drive found"},
    {120, L"Analyzing DVD..."},
    {121, L"Opening DVD titles, please wait..."},
    {122, L"Can not get DVD title information, please change another DVD disc and try again!"},
    {123, L"Please select the folder to save recorded movies in:"},
    {124, nullptr},
    {125, L"Can not find the intermediate video or audio file, video recording failed!"},
    {126, L"File not found!"},
    {127, L"Export file %s to iTunes, please wait..."},
    {128, L"Adding %s ..."},
    {129, L"Please select the output folder :"},
    {130, L"Please select the snapshot folder :"},
    {131, L"Recycle bin"},
    {132, L"Recorded"},
    {133, L"Converted"},
    {134, L"Downloaded"},
    {135, L"Conversion"},
    {136, L"File Name:"},
    {137, L"All Clip Duration:"},
    {138, L"Start Time:"},
    {139, L"Stop Time:"},
    {140, L"Video Size:"},
    {141, L"Quality:"},
    {142, L"Video Codec:"},
    {143, L"Video Bitrate:"},
    {144, L"Frame Rate:"},
    {145, L"Video Aspect:"},
    {146, L"Encode Pass:"},
    {147, L"Audio Codec:"},
    {148, L"Audio Bitrate:"},
    {149, L"Sample Rate:"},
    {150, L"Audio Channel:"},
    {151, L"Audio Track:"},
    {152, L"Disable Audio:"},
    {153, L"Subtitle:"},
    {154, L"Disable"},
    {155, L"Output to %s"},
    {156, L"Select or add audio track"},
    {157, L"Select or add subtitle"},
    {158, L"Select DVD angle"},
    {159, L"DVD Chapter:"},
    {160, L"Checking new version of %s, please wait..."},
    {161, L"A new version of %s is available!"},
    {162, L"%s %d.%d.%d is now available (you have %d.%d.%d). Would you like to download it now?"},
    {163, L"You are up to date!"},
    {164, L"%s is currently the newest version available."},
    {165, L"Close"},
    {166, L"Cannot get version info of %s!"},
    {167, L"Converting..."},
    {168, L"Completed"},
    {169, L"Waiting..."},
    {170, L"Cancelled"},
    {171, L"Cannot load burning library!"},
    {172, L"Output Folder:"},
    {173, L"Customized %s"},
    {174, L"Please select the temporary folder for video recording:"},
    {175, L"Scanning %s..."},
    {180, L"Version %d.%d.%d"},
    {182, L"Export file to iTunes failed, iTunes not installed."},
    {183, L"Export file to iTunes failed, iTunes can not opened."},
    {184, L"Do you want to stop the running encoding process and exit now?"},
    {185, L"NVidia device not present, CUDA acceleration is disabled."},
    {186, L"The output folder %s cannot be written to. Please choose another output folder and try again."},
    {187, L"%s - Part %s"},
    {188, L"Join source files failed!"},
    {189, L"Duration (sec):"},
    {190, L"Frame Interval (ms):"},
    {191, L"Join source files successfully!"},
    {192, L"Joining source files, please wait..."},
    {194, L"A new version of download engine available, do you want to update it now?"},
    {195, L"Downloading..."},
};

void WriteFile(const std::filesystem::path& path, const std::string& text)
{
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path) << text;
}

// A language folder of our own with English copied from the shipped one.
class LanguageFiles : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_folder = std::filesystem::path(m_dir.Path()) / "lang";
        std::filesystem::create_directories(m_folder / "en");
        std::filesystem::copy_file(WideToUtf8(SourcePath("skin/lang/en/pro.xml")), m_folder / "en" / "pro.xml");
        CLanguageManager::Release();
        lang = CLanguageManager::GetInstance();
        lang->SetLanguageFolder(Utf8ToWide(m_folder.string()));
        lang->SetLocaleFile(L"pro");
    }
    void TearDown() override { CLanguageManager::Release(); }
    void AddLanguage(const std::string& id, const std::string& body, const std::string& name = "Test")
    {
        WriteFile(m_folder / id / "pro.xml",
                  "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<Language id=\"" + id + "\" name=\"" + name + "\">\n" + body +
                      "</Language>\n");
    }

    CTempDir m_dir;
    std::filesystem::path m_folder;
    CLanguageManager* lang = nullptr;
};
}  // namespace

TEST_F(LanguageFiles, EveryIdLoadsItsEnglishText)
{
    ASSERT_EQ(lang->SetLang(L"en"), L"en");
    for (const auto& e : kExpected) {
        std::wstring text = lang->LoadStringW(e.id);
        if (e.text) EXPECT_EQ(text, e.text) << "id " << e.id;
        else EXPECT_GT(text.size(), 20u) << "id " << e.id;
    }
    // Texts of the remaining-time display and the disc warning exist as well.
    for (UINT id : {205u, 206u, 207u, 209u, 210u, 212u, 213u, 214u}) EXPECT_FALSE(lang->LoadStringW(id).empty()) << id;
    // Without any language file English still comes from the program itself.
    lang->SetLanguageFolder(Utf8ToWide((m_folder / "none").string()));
    EXPECT_EQ(lang->SetLang(L"de"), L"en");
    EXPECT_EQ(lang->LoadStringW(168), L"Completed");
    EXPECT_EQ(lang->LoadStringW(119), L"");
}

TEST_F(LanguageFiles, ShippedEnglishFileHoldsEveryTextUnchanged)
{
    ASSERT_EQ(lang->SetLang(L"en"), L"en");
    CMarkup xml;
    ASSERT_TRUE(xml.LoadFromFile(SourcePath("skin/lang/en/pro.xml")));
    std::map<UINT, std::wstring> file;
    for (const auto& e : xml.GetRoot()->children)
        if (e->name == L"String") file[static_cast<UINT>(std::stoul(e->GetAttribute(L"id")))] = e->GetAttribute(L"text");
    for (const auto& e : GetEnglishStringTable()) {
        ASSERT_TRUE(file.count(e.id)) << "id " << e.id << " missing in the English file";
        EXPECT_EQ(file[e.id], e.text) << "id " << e.id;
    }
    EXPECT_EQ(file.size(), GetEnglishStringTable().size());
}

TEST_F(LanguageFiles, TranslationWinsAndMissingTextsFallBackToEnglish)
{
    AddLanguage("de", "  <String id=\"168\" text=\"Fertig\"/>\n  <String id=\"169\" text=\"\"/>\n"
                      "  <Text key=\"ID_STRING_ORIGINAL_BITRATE\" text=\"Original-Bitrate\"/>\n",
                "Deutsch");
    ASSERT_EQ(lang->SetLang(L"de"), L"de");
    EXPECT_EQ(lang->GetLangID(), L"de");
    EXPECT_EQ(lang->LoadStringW(168), L"Fertig");
    EXPECT_EQ(lang->LoadStringW(169), L"Waiting...");  // an empty translation is no translation
    EXPECT_EQ(lang->LoadStringW(170), L"Cancelled");
    EXPECT_EQ(lang->TranslateDictionary(L"ID_STRING_ORIGINAL_BITRATE"), L"Original-Bitrate");
    EXPECT_EQ(lang->TranslateDictionary(L"ID_STRING_BD_CRYPTED"), FindEnglishDictionaryText(L"ID_STRING_BD_CRYPTED"));
    EXPECT_EQ(lang->TranslateDictionary(L"Apple TV"), L"Apple TV");
    EXPECT_EQ(lang->TranslateDictionary(L"205"), lang->LoadStringW(205));
    EXPECT_EQ(lang->TranslateDictionary(L"168"), L"Fertig");
    // Back to English.
    EXPECT_EQ(lang->SetLang(L"en"), L"en");
    EXPECT_EQ(lang->LoadStringW(168), L"Completed");
}

TEST_F(LanguageFiles, BrokenPlaceholderFallsBackToEnglish)
{
    AddLanguage("fr", "  <String id=\"155\" text=\"Sortie vers %d\"/>\n"          // wrong kind
                      "  <String id=\"162\" text=\"%s %d.%d est disponible\"/>\n"  // too few
                      "  <String id=\"128\" text=\"Ajout de %s %s\"/>\n"           // too many
                      "  <String id=\"175\" text=\"Analyse de %s à 100%\"/>\n"       // lone percent
                      "  <String id=\"111\" text=\"Échec de l'analyse : %s\"/>\n"    // good
                      "  <Text key=\"207\" text=\"%s%n\"/>\n");
    ASSERT_EQ(lang->SetLang(L"fr"), L"fr");
    EXPECT_EQ(lang->FormatString(155, L"/videos"), L"Output to /videos");
    EXPECT_EQ(lang->FormatString(162, L"Vexmora", 2, 1, 0, 1, 9, 9),
              L"Vexmora 2.1.0 is now available (you have 1.9.9). Would you like to download it now?");
    EXPECT_EQ(lang->FormatString(128, L"a.avi"), L"Adding a.avi ...");
    EXPECT_EQ(lang->FormatString(175, L"/m"), L"Scanning /m...");
    EXPECT_EQ(lang->FormatString(111, L"404"), L"Échec de l'analyse : 404");
    EXPECT_EQ(lang->FormatDictionary(L"207", L"No disc!"), L"No disc!, do you want to continue burning?");
}

TEST(UIFormatSignature, ComparesWhatTheArgumentsMustBe)
{
    EXPECT_TRUE(HasSameFormatSignature(L"%d %% (%s)", L"%d%% [%s]"));
    EXPECT_TRUE(HasSameFormatSignature(L"%5.2f", L"%f"));
    EXPECT_TRUE(HasSameFormatSignature(L"%x", L"%u"));
    EXPECT_FALSE(HasSameFormatSignature(L"%s", L"%S"));
    EXPECT_FALSE(HasSameFormatSignature(L"%ld", L"%d"));
    EXPECT_FALSE(HasSameFormatSignature(L"%*d", L"%d"));
    EXPECT_FALSE(HasSameFormatSignature(L"%2$s %1$s", L"%s %s"));
    EXPECT_FALSE(HasSameFormatSignature(L"50%", L"50"));
    EXPECT_FALSE(HasSameFormatSignature(L"%n", L"%n"));
    EXPECT_EQ(FormatChecked(L"%d files", L"%d files", 3), L"3 files");
}

TEST_F(LanguageFiles, UnknownOrUnreadableLanguageGivesEnglish)
{
    AddLanguage("it", "<String id=\"168\" text=\"broken");  // not well formed
    EXPECT_EQ(lang->SetLang(L"it"), L"en");
    EXPECT_EQ(lang->SetLang(L"xx"), L"en");
    EXPECT_EQ(lang->SetLang(L"../en"), L"en");
    EXPECT_EQ(lang->LoadStringW(168), L"Completed");
}

TEST_F(LanguageFiles, SupportedLanguagesAreThoseWithAReadableFile)
{
    AddLanguage("de", "", "Deutsch");
    AddLanguage("ja", "", "Japanese");
    AddLanguage("it", "<String");
    std::filesystem::create_directories(m_folder / "ru");  // no file
    std::vector<TLanguageInfo> list = lang->FindLanaguagesSupported();
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list[0].id, L"en");
    EXPECT_EQ(list[0].name, L"English");
    EXPECT_EQ(list[1].id, L"de");
    EXPECT_EQ(list[1].name, L"Deutsch");
    EXPECT_EQ(list[2].id, L"ja");
}

TEST(UILanguageAuto, DesktopLocaleNamesMapToLanguageIds)
{
    EXPECT_EQ(CLanguageManager::LangIdFromLocale(L"de_DE.UTF-8"), L"de");
    EXPECT_EQ(CLanguageManager::LangIdFromLocale(L"fr_CA"), L"fr");
    EXPECT_EQ(CLanguageManager::LangIdFromLocale(L"pt_BR"), L"br");
    EXPECT_EQ(CLanguageManager::LangIdFromLocale(L"pt_PT"), L"pt");
    EXPECT_EQ(CLanguageManager::LangIdFromLocale(L"zh_TW"), L"zh_tw");
    EXPECT_EQ(CLanguageManager::LangIdFromLocale(L"zh_CN"), L"zh_cn");
    EXPECT_EQ(CLanguageManager::LangIdFromLocale(L"tr_TR"), L"tu");
    EXPECT_EQ(CLanguageManager::LangIdFromLocale(L"C"), L"en");
    EXPECT_EQ(CLanguageManager::LangIdFromLocale(L""), L"en");
}

TEST_F(LanguageFiles, AutoTakesASupportedLanguageOrEnglish)
{
    std::wstring id = lang->SetLang(L"auto");
    // The test machine's locale has no file here unless it is English.
    EXPECT_EQ(id, L"en");
    EXPECT_EQ(lang->GetLangID(), L"en");
}

TEST_F(LanguageFiles, WindowsAndDialogsTakeTheLanguagesTexts)
{
    AddLanguage("de", "  <Control name=\"ID_NO_AUDIO\" attributes='text=\"Kein Ton\" tooltip=\"Ohne Ton\"'/>\n"
                      "  <Dialog id=\"137\"><Item id=\"0\" text=\"Aktualisierung\"/><Item id=\"1003\" text=\"Neu\"/></Dialog>\n"
                      "  <Menu><Item id=\"32958\" text=\"Hilfe...\"/><Popup english=\"&amp;File\" text=\"&amp;Datei\"/></Menu>\n");
    ASSERT_EQ(lang->SetLang(L"de"), L"de");
    EXPECT_EQ(lang->FindLocaleAttributes(L"ID_NO_AUDIO"), L"text=\"Kein Ton\" tooltip=\"Ohne Ton\"");
    EXPECT_EQ(lang->FindLocaleAttributes(L"ID_OTHER"), L"");

    CPaintManagerUI pm;
    CDialogBuilder builder;
    CControlUI* root = builder.Create(L"<Window><VerticalLayout><Label name=\"ID_NO_AUDIO\" text=\"No audio\"/>"
                                      L"<Label name=\"ID_OTHER\" text=\"Other\"/></VerticalLayout></Window>",
                                      std::wstring(), nullptr, &pm);
    ASSERT_NE(root, nullptr);
    pm.AttachDialog(root);
    lang->Translate(&pm);
    EXPECT_EQ(pm.FindControl(L"ID_NO_AUDIO")->GetText(), L"Kein Ton");
    EXPECT_EQ(pm.FindControl(L"ID_NO_AUDIO")->GetToolTip(), L"Ohne Ton");
    EXPECT_EQ(pm.FindControl(L"ID_OTHER")->GetText(), L"Other");

    std::map<UINT, std::wstring> dialog;
    lang->Translate(137, [&](UINT id, const std::wstring& text) { dialog[id] = text; });
    EXPECT_EQ(dialog.size(), 2u);
    EXPECT_EQ(dialog[0], L"Aktualisierung");
    std::map<UINT, std::wstring> items;
    std::map<std::wstring, std::wstring> popups;
    lang->TranslateMenu([&](UINT id, const std::wstring& t) { items[id] = t; },
                        [&](const std::wstring& e, const std::wstring& t) { popups[e] = t; });
    EXPECT_EQ(items[32958], L"Hilfe...");
    EXPECT_EQ(popups[L"&File"], L"&Datei");

    std::unique_ptr<CMenu> menu = CMenu::LoadText(
        L"<Menus><Popup text=\"_MAIN_\"><Popup text=\"&amp;File\"><Item id=\"32958\" text=\"Help Contents...\"/>"
        L"<Separator/><Item id=\"32771\" text=\"&amp;Open\"/></Popup></Popup></Menus>");
    ASSERT_NE(menu, nullptr);
    lang->Translate(menu.get());
    EXPECT_EQ(menu->GetItemText(32958, EMenuBy::Command), L"Hilfe...");
    EXPECT_EQ(menu->GetItemText(32771, EMenuBy::Command), L"&Open");
    CMenu* main = menu->GetSubMenu(0);
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(main->GetItemText(0, EMenuBy::Position), L"&Datei");
}

TEST_F(LanguageFiles, ALanguageMayCarryItsOwnSkinFile)
{
    AddLanguage("de", "");
    WriteFile(m_folder / "de" / "main.xml", "<Window/>");
    ASSERT_EQ(lang->SetLang(L"de"), L"de");
    EXPECT_EQ(lang->GetXMLFilePath(L"main.xml"), Utf8ToWide((m_folder / "de" / "main.xml").string()));
    EXPECT_EQ(lang->GetXMLFilePath(L"options.xml"), L"options.xml");
    lang->SetLang(L"en");
    EXPECT_EQ(lang->GetXMLFilePath(L"main.xml"), L"main.xml");
}

TEST_F(LanguageFiles, WindowsAreBuiltFromTheLanguagesOwnSkinFile)
{
    const std::filesystem::path skins = std::filesystem::path(m_dir.Path()) / "skins";
    const std::string layout = "<Window size=\"200,100\"><VerticalLayout name=\"root\"><Label name=\"title\" text=\"%s\"/></VerticalLayout></Window>";
    auto make = [&](const char* text) {
        std::string s = layout;
        return s.replace(s.find("%s"), 2, text);
    };
    WriteFile(skins / "win.xml", make("English"));
    AddLanguage("de", "");
    WriteFile(m_folder / "de" / "win.xml", make("Deutsch"));
    const std::wstring oldPath = CPaintManagerUI::GetResourcePath();
    CPaintManagerUI::SetResourcePath(Utf8ToWide(skins.string()));
    for (const char* id : {"de", "en"}) {
        lang->SetLang(Utf8ToWide(id));
        CMarkupWindow wnd(L"win.xml");
        ASSERT_NE(wnd.Create(nullptr, L"lang", 0, 0), nullptr);
        CControlUI* title = wnd.Manager().FindControl(L"title");
        ASSERT_NE(title, nullptr);
        EXPECT_EQ(title->GetText(), std::string(id) == "de" ? L"Deutsch" : L"English");
        wnd.DestroyWindow();
    }
    CPaintManagerUI::SetResourcePath(oldPath);
    PumpPending();
}

TEST(ShippedLanguages, EveryTranslationTakesTheArgumentsOfTheEnglishText)
{
    CLanguageManager::Release();
    CLanguageManager* lang = CLanguageManager::GetInstance();
    lang->SetLanguageFolder(SourcePath("skin/lang"));
    std::vector<TLanguageInfo> list = lang->FindLanaguagesSupported();
    ASSERT_GE(list.size(), 2u);
    EXPECT_EQ(list[0].id, L"en");
    std::set<std::wstring> catalogue;
    CMarkup profiles;
    ASSERT_TRUE(profiles.LoadFromFile(SourcePath("data/profiles.xml")));
    std::function<void(const CMarkupElement&)> descriptions = [&](const CMarkupElement& e) {
        if (e.HasAttribute(L"desc")) catalogue.insert(e.GetAttribute(L"desc"));
        for (const auto& child : e.children) descriptions(*child);
    };
    descriptions(*profiles.GetRoot());
    // The code pages' descriptions, shown after their numbers.
    for (const VXM_CODE_PAGE& page : CodePageTable()) {
        const std::wstring name = page.name;
        if (const size_t open = name.find(L" ("); open != std::wstring::npos)
            catalogue.insert(name.substr(open + 2, name.size() - open - 3));
    }
    for (const auto& info : list) {
        CMarkup xml;
        ASSERT_TRUE(xml.LoadFromFile(SourcePath("skin/lang/" + WideToUtf8(info.id) + "/pro.xml"))) << WideToUtf8(info.id);
        int strings = 0;
        for (const auto& e : xml.GetRoot()->children) {
            if (e->name == L"String") {
                ++strings;
                const UINT id = static_cast<UINT>(std::stoul(e->GetAttribute(L"id")));
                const wchar_t* english = FindEnglishString(id);
                ASSERT_NE(english, nullptr) << WideToUtf8(info.id) << " has an unknown id " << id;
                EXPECT_TRUE(HasSameFormatSignature(e->GetAttribute(L"text"), english))
                    << WideToUtf8(info.id) << " id " << id << ": " << WideToUtf8(e->GetAttribute(L"text"));
            } else if (e->name == L"Text") {
                // A key is a text of the program or a description of the profile catalogue or of a code page.
                const std::wstring key = e->GetAttribute(L"key");
                EXPECT_TRUE(FindEnglishDictionaryText(key) || catalogue.count(key)) << WideToUtf8(key);
            }
        }
        EXPECT_GT(strings, 0) << WideToUtf8(info.id);
        // The language can be chosen, and its texts are shown.
        EXPECT_EQ(lang->SetLang(info.id), info.id);
        EXPECT_FALSE(lang->LoadStringW(168).empty());
    }
    CLanguageManager::Release();
}

namespace {

TEST(UIFormatWidth, WidthsAndPrecisionsStopAtTheCapAndTranslationsAboveItAreRefused)
{
    EXPECT_EQ(FormatW(L"%4294967297d", 7), std::wstring(kMaxFormatWidth - 1, L' ') + L"7");
    const std::wstring left = FormatW(L"%*d|", INT_MIN, 7);
    EXPECT_EQ(left, L"7" + std::wstring(kMaxFormatWidth - 1, L' ') + L"|");
    EXPECT_EQ(FormatW(L"%.99999999999s", L"abc"), L"abc");
    EXPECT_EQ(FormatW(L"%9999999999.2f", 1.5).size(), static_cast<size_t>(kMaxFormatWidth));
    EXPECT_TRUE(GetFormatSignature(L"%65536d", nullptr));
    EXPECT_FALSE(GetFormatSignature(L"%65537d", nullptr));
    EXPECT_FALSE(GetFormatSignature(L"%.99999999999s", nullptr));
    EXPECT_EQ(FormatChecked(L"%99999999999d Dateien", L"%d files", 3), L"3 files");
}

TEST(UIMarkupDepth, NestingBeyondTheLimitIsRefusedWithoutAFault)
{
    auto nested = [](int depth) {
        std::wstring xml;
        xml.reserve(static_cast<size_t>(depth) * 7);
        for (int i = 0; i < depth; ++i) xml += L"<a>";
        for (int i = 0; i < depth; ++i) xml += L"</a>";
        return xml;
    };
    CMarkup markup;
    EXPECT_FALSE(markup.Load(nested(1'000'000)));
    EXPECT_NE(markup.GetLastErrorMessage().find(L"deeper"), std::wstring::npos);
    EXPECT_FALSE(markup.IsValid());
    EXPECT_TRUE(markup.Load(nested(256)));  // the deepest nesting taken
    EXPECT_FALSE(markup.Load(nested(257)));
}

}  // namespace
