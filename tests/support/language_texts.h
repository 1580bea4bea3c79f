// Which language a window shows. The program's English texts (skin files,
// text tables, menus, the profile catalogue) are paired with their German
// ones from the German language file; a window in German must show none of
// the English texts that German writes differently or not at all, and a
// window back in English none of the German ones. Header only (it needs the
// UI, which only the program's and the UI's test programs link).
#pragma once
#include "support/skin_check.h"
#include "ui/UIControl.h"
#include "ui/UIManager.h"
#include "ui/UIMarkup.h"
#include "ui/UIStringTable.h"
#include "platform/text.h"

#include <cwctype>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace vxmtest {

struct CTextsOfLanguages {
    std::set<std::wstring> englishOnly;  // English texts German does not show alike
    std::set<std::wstring> germanOnly;   // German texts that differ from their English ones
};

namespace language_texts_detail {

// A text a person reads as a language's: two letters in a row, no
// placeholder, not an abbreviation such as "MP4" or "AUTO".
inline bool IsWording(const std::wstring& text)
{
    if (text.find(L'%') != std::wstring::npos) return false;
    bool word = false, lower = false;
    for (size_t i = 0; i < text.size(); ++i) {
        if (i > 0 && std::iswalpha(text[i - 1]) && std::iswalpha(text[i])) word = true;
        if (std::iswlower(text[i])) lower = true;
    }
    return word && lower;
}

inline std::map<std::wstring, std::wstring> Attributes(const std::wstring& list)
{
    std::map<std::wstring, std::wstring> out;
    CMarkup xml;
    if (xml.Load(L"<C " + list + L"/>"))
        for (const auto& [name, value] : xml.GetRoot()->attributes) out[name] = value;
    return out;
}

inline bool IsTextAttribute(const std::wstring& name)
{
    if (name == L"tooltip" || name == L"text") return true;
    return name.size() == 5 && name.rfind(L"text", 0) == 0 && std::iswdigit(name[4]);
}

struct CLanguageFile {
    std::map<UINT, std::wstring> strings;
    std::map<std::wstring, std::wstring> dictionary;
    std::map<std::wstring, std::map<std::wstring, std::wstring>> controls;
    std::map<UINT, std::wstring> menuItems;
    std::map<std::wstring, std::wstring> menuPopups;
};

inline CLanguageFile ReadLanguageFile(const std::string& lang)
{
    CLanguageFile file;
    CMarkup xml;
    if (!xml.LoadFromFile(Utf8ToWide(std::string(VXM_SOURCE_DIR) + "/skin/lang/" + lang + "/pro.xml"))) return file;
    for (const auto& e : xml.GetRoot()->children) {
        if (e->name == L"String") file.strings[static_cast<UINT>(std::stoul(e->GetAttribute(L"id")))] = e->GetAttribute(L"text");
        else if (e->name == L"Text") file.dictionary[e->GetAttribute(L"key")] = e->GetAttribute(L"text");
        else if (e->name == L"Control") file.controls[e->GetAttribute(L"name")] = Attributes(e->GetAttribute(L"attributes"));
        else if (e->name == L"Menu")
            for (const auto& item : e->children) {
                if (item->name == L"Item")
                    file.menuItems[static_cast<UINT>(std::stoul(item->GetAttribute(L"id")))] = item->GetAttribute(L"text");
                else if (item->name == L"Popup")
                    file.menuPopups[item->GetAttribute(L"english")] = item->GetAttribute(L"text");
            }
    }
    return file;
}

}  // namespace language_texts_detail

inline CTextsOfLanguages ReadTextsOfLanguages()
{
    using namespace language_texts_detail;
    const CLanguageFile english = ReadLanguageFile("en");
    const CLanguageFile german = ReadLanguageFile("de");
    std::vector<std::pair<std::wstring, std::wstring>> pairs;  // English, German ("" when German has none)
    auto pair = [&pairs](const std::wstring& en, const std::wstring* de) { pairs.emplace_back(en, de ? *de : L""); };
    auto find = [](const auto& map, const auto& key) -> const std::wstring* {
        auto it = map.find(key);
        return it == map.end() || it->second.empty() ? nullptr : &it->second;
    };

    for (const TUIStringEntry& e : GetEnglishStringTable()) pair(e.text, find(german.strings, e.id));
    for (const auto& [id, text] : english.strings) pair(text, find(german.strings, id));
    for (const TUIDictionaryEntry& e : GetEnglishDictionary()) pair(e.text, find(german.dictionary, std::wstring(e.key)));
    for (const auto& [key, text] : english.dictionary) pair(text, find(german.dictionary, key));
    std::vector<std::string> problems;
    ForEachSkinFile(std::string(VXM_SOURCE_DIR) + "/skin", problems, [&](const std::string& file, const CMarkupElement& root) {
        std::function<void(const CMarkupElement&)> walk = [&](const CMarkupElement& e) {
            if (file == "menus.xml") {
                const std::wstring text = e.GetAttribute(L"text");
                if (e.name == L"Item") pair(text, find(german.menuItems, static_cast<UINT>(std::stoul(e.GetAttribute(L"id")))));
                if (e.name == L"Popup") pair(text, find(german.menuPopups, text));
            } else {
                const std::wstring name = e.GetAttribute(L"name");
                const auto control = german.controls.find(name);
                for (const auto& [attribute, value] : e.attributes) {
                    if (!IsTextAttribute(attribute)) continue;
                    const std::wstring* de = nullptr;
                    if (control != german.controls.end()) de = find(control->second, attribute);
                    pair(value, de);
                }
            }
            for (const auto& child : e.children) walk(*child);
        };
        walk(root);
    });
    // The catalogue's names and descriptions are keys of the dictionary.
    CMarkup catalogue;
    if (catalogue.LoadFromFile(Utf8ToWide(std::string(VXM_SOURCE_DIR) + "/data/profiles.xml"))) {
        std::function<void(const CMarkupElement&)> walk = [&](const CMarkupElement& e) {
            if (e.name == L"category" || e.name == L"group" || e.name == L"profile") {
                const std::wstring desc = e.GetAttribute(L"desc");
                pair(desc, find(german.dictionary, desc));
                // A category's name shows on its button, as English gives it.
                if (e.name == L"category") {
                    const std::wstring name = e.GetAttribute(L"name");
                    const wchar_t* shown = FindEnglishDictionaryText(name);
                    pair(shown ? shown : name, find(german.dictionary, name));
                }
            }
            for (const auto& child : e.children) walk(*child);
        };
        walk(*catalogue.GetRoot());
    }

    std::set<std::wstring> allEnglish, allGerman;
    for (const auto& [en, de] : pairs) {
        allEnglish.insert(en);
        if (!de.empty()) allGerman.insert(de);
    }
    CTextsOfLanguages texts;
    for (const auto& [en, de] : pairs) {
        if (en != de && IsWording(en) && !allGerman.count(en)) texts.englishOnly.insert(en);
        if (!de.empty() && en != de && IsWording(de) && !allEnglish.count(de)) texts.germanOnly.insert(de);
    }
    return texts;
}

// "control: text" for each control of the window (shown or not) whose text,
// tooltip or tab text is one of `texts`.
inline std::vector<std::string> ControlsShowing(CPaintManagerUI& pm, const std::set<std::wstring>& texts)
{
    std::vector<std::string> found;
    if (!pm.GetRoot()) return found;
    std::vector<CControlUI*> all;
    pm.GetRoot()->FindControl(
        [](CControlUI* c, void* data) -> CControlUI* {
            static_cast<std::vector<CControlUI*>*>(data)->push_back(c);
            return nullptr;
        },
        &all, UIFIND_ALL);
    for (CControlUI* c : all) {
        // An edit box holds a value the user changes, a tree node the name
        // of a folder: not texts of the program.
        if (c->GetInterface(L"Edit") || c->GetInterface(L"TreeNode")) continue;
        for (const wchar_t* attribute : {L"text", L"tooltip", L"text0", L"text1", L"text2", L"text3"}) {
            std::wstring value;
            if (c->GetTextAttribute(attribute, value) && texts.count(value))
                found.push_back(ControlId(c) + " " + WideToUtf8(attribute) + ": " + WideToUtf8(value));
        }
    }
    return found;
}

}  // namespace vxmtest
