// The UI language: texts by numeric id, a dictionary of texts by key,
// control attributes by control name, dialog and menu texts by id, read
// from one language file per language (<folder>/<id>/<locale file>.xml).
// English is built in and is the fallback of every lookup.
#pragma once
#include "platform/types.h"
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

class CControlUI;
class CMenu;
class CPaintManagerUI;
class CWindowWnd;

struct TLanguageInfo {
    std::wstring id;    // "en", "de", "zh_tw", ...
    std::wstring name;  // display name in its own language
};

class CLanguageManager {
public:
    static CLanguageManager* GetInstance();
    // Destroys the instance; the next GetInstance makes a new one.
    static void Release();

    // Folder that holds one subfolder per language (default: the program's
    // folder + "/skin/lang").
    void SetLanguageFolder(const std::wstring& folder);
    std::wstring GetLanguageFolder() const;
    // Base name of the language files ("pro" reads "<id>/pro.xml").
    void SetLocaleFile(const std::wstring& name);
    // Makes `lang` current: "auto" (or empty) takes the desktop's locale.
    // A language without a readable file falls back to English. Returns the
    // id now current.
    std::wstring SetLang(const std::wstring& lang);
    std::wstring GetLangID() const;
    // Languages with a readable file, English first, the others by id.
    std::vector<TLanguageInfo> FindLanaguagesSupported() const;

    // Text of an id in the current language, else English, else empty.
    std::wstring LoadStringW(UINT id) const;
    // Text of a key in the current language, else English, else the key
    // itself. A numeric key also finds the text of that id.
    std::wstring TranslateDictionary(const std::wstring& key) const;
    // Attribute list ("text=\"...\" tooltip=\"...\"") the language gives a
    // control of that name; empty when none.
    std::wstring FindLocaleAttributes(const std::wstring& controlName) const;

    // printf-style texts: the translation is used only when it takes the
    // same arguments as the English text (else the English text is used).
    std::wstring FormatString(UINT id, ...) const;
    std::wstring FormatDictionary(const std::wstring& key, ...) const;

    // The current language's attributes of a named control; text attributes
    // it leaves alone go back to the skin's values (a switch back to English).
    void ApplyLocaleTexts(CControlUI* control) const;
    // Applies the locale attributes to every named control of a window.
    void Translate(CPaintManagerUI* manager) const;
    void Translate(CWindowWnd* window) const;
    // Texts of a dialog template: item 0 is the caption.
    void Translate(UINT dialogId, const std::function<void(UINT itemId, const std::wstring& text)>& apply) const;
    // Texts of the menu items (by command id) and popups (by their English
    // text): into a menu loaded from the menu file, or handed out one by one.
    void Translate(CMenu* menu) const;
    void TranslateMenu(const std::function<void(UINT commandId, const std::wstring& text)>& applyItem,
                       const std::function<void(const std::wstring& english, const std::wstring& text)>& applyPopup) const;

    // Skin file of a window: the current language's own copy when it has
    // one, else the name unchanged (found under the resource path).
    std::wstring GetXMLFilePath(const std::wstring& name) const;

    // The language id that the desktop's locale stands for ("de_DE.UTF-8"
    // -> "de", "pt_BR" -> "br", "zh_TW" -> "zh_tw", "C" -> "en").
    static std::wstring LangIdFromLocale(const std::wstring& locale);

    struct TLanguageData;

private:
    CLanguageManager();
    std::shared_ptr<const TLanguageData> Current() const;
    // The current language and English, taken together under the lock.
    std::pair<std::shared_ptr<const TLanguageData>, std::shared_ptr<const TLanguageData>> Languages() const;
    std::shared_ptr<TLanguageData> Load(const std::wstring& id) const;
    std::wstring FilePath(const std::wstring& id) const;

    mutable std::mutex m_mutex;
    std::wstring m_folder;
    std::wstring m_localeFile = L"pro";
    std::wstring m_langId = L"en";
    std::shared_ptr<const TLanguageData> m_current;  // null for English
    std::shared_ptr<const TLanguageData> m_english;  // the English file, when there is one
};
