#include "ui/UILanguage.h"
#include "ui/UIContainer.h"
#include "ui/UIControl.h"
#include "ui/UIManager.h"
#include "ui/UIMarkup.h"
#include "ui/UIMenu.h"
#include "ui/UIStringFormat.h"
#include "ui/UIStringTable.h"
#include "ui/UIWindow.h"
#include "platform/folders.h"
#include "platform/text.h"
#include "platform/paths.h"
#include <QCoreApplication>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QLocale>
#include <QString>
#include <QTranslator>
#include <QtGlobal>
#include <algorithm>
#include <cwctype>
#include <filesystem>

struct CLanguageManager::TLanguageData {
    std::wstring id;
    std::wstring name;
    std::map<UINT, std::wstring> strings;
    std::map<std::wstring, std::wstring> dictionary;
    std::map<std::wstring, std::wstring> controls;
    std::map<UINT, std::map<UINT, std::wstring>> dialogs;
    std::map<UINT, std::wstring> menuItems;
    std::map<std::wstring, std::wstring> menuPopups;  // English popup text -> text
};

namespace {
std::mutex g_instanceMutex;
CLanguageManager* g_instance = nullptr;

bool ParseId(const std::wstring& text, UINT* id)
{
    if (text.empty() || text.size() > 9) return false;
    for (wchar_t c : text)
        if (c < L'0' || c > L'9') return false;
    *id = static_cast<UINT>(std::wcstoul(text.c_str(), nullptr, 10));
    return true;
}

std::string Narrow(const std::wstring& text) { return WideToUtf8(text); }

// Qt's own texts (file dialogs, standard buttons) in the UI language, from
// the translations of the Qt installation; English is Qt's own.
void UseQtTranslation(const std::wstring& id)
{
    static std::unique_ptr<QTranslator> current;
    if (!QCoreApplication::instance()) return;
    if (current) {
        QCoreApplication::removeTranslator(current.get());
        current.reset();
    }
    if (id == L"en") return;
    auto translator = std::make_unique<QTranslator>();
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    if (!translator->load(QLocale(QString::fromStdWString(id)), QStringLiteral("qtbase"), QStringLiteral("_"), folder)) {
        qWarning("no Qt translation for \"%s\" in %s", Narrow(id).c_str(), qPrintable(folder));
        return;
    }
    if (QCoreApplication::installTranslator(translator.get())) current = std::move(translator);
}
}  // namespace

CLanguageManager* CLanguageManager::GetInstance()
{
    std::lock_guard<std::mutex> lock(g_instanceMutex);
    if (!g_instance) g_instance = new CLanguageManager();
    return g_instance;
}

void CLanguageManager::Release()
{
    std::lock_guard<std::mutex> lock(g_instanceMutex);
    delete g_instance;
    g_instance = nullptr;
}

CLanguageManager::CLanguageManager() : m_folder(GetProgramFolder() + L"/skin/lang") {}

void CLanguageManager::SetLanguageFolder(const std::wstring& folder)
{
    std::wstring f = folder;
    std::replace(f.begin(), f.end(), L'\\', L'/');
    while (f.size() > 1 && f.back() == L'/') f.pop_back();
    std::lock_guard<std::mutex> lock(m_mutex);
    m_folder = f;
}

std::wstring CLanguageManager::GetLanguageFolder() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_folder;
}

void CLanguageManager::SetLocaleFile(const std::wstring& name)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_localeFile = name;
}

std::wstring CLanguageManager::FilePath(const std::wstring& id) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_folder + L"/" + id + L"/" + m_localeFile + L".xml";
}

std::shared_ptr<CLanguageManager::TLanguageData> CLanguageManager::Load(const std::wstring& id) const
{
    // An id names a folder: nothing that could leave the language folder.
    if (id.empty() || id.find_first_of(L"/\\.") != std::wstring::npos) return nullptr;
    const std::wstring path = FilePath(id);
    if (!QFileInfo::exists(QString::fromStdWString(path))) return nullptr;
    CMarkup xml;
    if (!xml.LoadFromFile(path)) {
        qWarning("language file %s not read: %s", Narrow(path).c_str(), Narrow(xml.GetLastErrorMessage()).c_str());
        return nullptr;
    }
    const CMarkupElement* root = xml.GetRoot();
    if (!root || root->name != L"Language") {
        qWarning("language file %s: no Language element", Narrow(path).c_str());
        return nullptr;
    }
    auto data = std::make_shared<TLanguageData>();
    data->id = id;
    data->name = root->GetAttribute(L"name", id);
    for (const auto& child : root->children) {
        const CMarkupElement& e = *child;
        UINT num = 0;
        if (e.name == L"String") {
            if (ParseId(e.GetAttribute(L"id"), &num)) data->strings[num] = e.GetAttribute(L"text");
        } else if (e.name == L"Text") {
            std::wstring key = e.GetAttribute(L"key");
            if (!key.empty()) data->dictionary[key] = e.GetAttribute(L"text");
        } else if (e.name == L"Control") {
            std::wstring name = e.GetAttribute(L"name");
            if (!name.empty()) data->controls[name] = e.GetAttribute(L"attributes");
        } else if (e.name == L"Dialog") {
            if (!ParseId(e.GetAttribute(L"id"), &num)) continue;
            auto& items = data->dialogs[num];
            for (const auto& item : e.children) {
                UINT itemId = 0;
                if (item->name == L"Item" && ParseId(item->GetAttribute(L"id"), &itemId)) items[itemId] = item->GetAttribute(L"text");
            }
        } else if (e.name == L"Menu") {
            for (const auto& item : e.children) {
                UINT itemId = 0;
                if (item->name == L"Item" && ParseId(item->GetAttribute(L"id"), &itemId))
                    data->menuItems[itemId] = item->GetAttribute(L"text");
                else if (item->name == L"Popup" && item->HasAttribute(L"english"))
                    data->menuPopups[item->GetAttribute(L"english")] = item->GetAttribute(L"text");
            }
        }
    }
    return data;
}

std::wstring CLanguageManager::LangIdFromLocale(const std::wstring& locale)
{
    std::wstring l = ToLowerW(locale);
    size_t cut = l.find_first_of(L".@");
    if (cut != std::wstring::npos) l.erase(cut);
    std::replace(l.begin(), l.end(), L'-', L'_');
    if (l.empty() || l == L"c" || l == L"posix") return L"en";
    size_t us = l.find(L'_');
    std::wstring lang = l.substr(0, us);
    std::wstring rest = us == std::wstring::npos ? std::wstring() : l.substr(us + 1);
    if (lang == L"pt" && rest == L"br") return L"br";
    if (lang == L"zh") {
        if (rest == L"tw" || rest == L"hk" || rest == L"mo" || rest.rfind(L"hant", 0) == 0) return L"zh_tw";
        return L"zh_cn";
    }
    if (lang == L"tr") return L"tu";
    return lang;
}

std::wstring CLanguageManager::SetLang(const std::wstring& lang)
{
    std::wstring id = lang;
    if (id.empty() || CompareNoCaseW(id, L"auto") == 0) id = LangIdFromLocale(QLocale::system().name().toStdWString());
    std::shared_ptr<const TLanguageData> english = Load(L"en");
    std::shared_ptr<const TLanguageData> data = id == L"en" ? english : Load(id);
    if (!data && id != L"en") {
        qWarning("no language file for \"%s\"; English used", Narrow(id).c_str());
        id = L"en";
        data = english;
    }
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_langId = id;
        m_current = data;
        m_english = english;
    }
    UseQtTranslation(id);
    return id;
}

std::wstring CLanguageManager::GetLangID() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_langId;
}

std::shared_ptr<const CLanguageManager::TLanguageData> CLanguageManager::Current() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_current;
}

std::vector<TLanguageInfo> CLanguageManager::FindLanaguagesSupported() const
{
    std::vector<TLanguageInfo> out;
    std::error_code ec;
    std::filesystem::path folder(Narrow(GetLanguageFolder()));
    std::vector<std::wstring> ids;
    for (const auto& entry : std::filesystem::directory_iterator(folder, ec))
        if (entry.is_directory(ec)) ids.push_back(WideFromPath(entry.path().filename()));
    std::sort(ids.begin(), ids.end(), [](const std::wstring& a, const std::wstring& b) {
        if ((a == L"en") != (b == L"en")) return a == L"en";
        return a < b;
    });
    for (const auto& id : ids)
        if (auto data = Load(id)) out.push_back({data->id, data->name});
    return out;
}

std::pair<std::shared_ptr<const CLanguageManager::TLanguageData>, std::shared_ptr<const CLanguageManager::TLanguageData>>
CLanguageManager::Languages() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return {m_current, m_english};
}

std::wstring CLanguageManager::LoadStringW(UINT id) const
{
    const auto [cur, english] = Languages();
    if (cur) {
        auto it = cur->strings.find(id);
        if (it != cur->strings.end() && !it->second.empty()) return it->second;
    }
    if (const wchar_t* text = FindEnglishString(id)) return text;
    if (english) {
        auto it = english->strings.find(id);
        if (it != english->strings.end()) return it->second;
    }
    return std::wstring();
}

std::wstring CLanguageManager::TranslateDictionary(const std::wstring& key) const
{
    const auto [cur, english] = Languages();
    UINT id = 0;
    const bool numeric = ParseId(key, &id);
    if (cur) {
        auto it = cur->dictionary.find(key);
        if (it != cur->dictionary.end() && !it->second.empty()) return it->second;
        if (numeric) {
            auto s = cur->strings.find(id);
            if (s != cur->strings.end() && !s->second.empty()) return s->second;
        }
    }
    if (const wchar_t* text = FindEnglishDictionaryText(key)) return text;
    if (numeric)
        if (const wchar_t* text = FindEnglishString(id)) return text;
    if (english) {
        auto it = english->dictionary.find(key);
        if (it != english->dictionary.end()) return it->second;
    }
    return key;
}

std::wstring CLanguageManager::FindLocaleAttributes(const std::wstring& controlName) const
{
    const auto [cur, english] = Languages();
    for (const auto& data : {cur, english}) {
        if (!data) continue;
        auto it = data->controls.find(controlName);
        if (it != data->controls.end()) return it->second;
    }
    return std::wstring();
}

// The English text of an id or key, used to check a translation's placeholders.
static std::wstring EnglishOf(UINT id)
{
    const wchar_t* text = FindEnglishString(id);
    return text ? text : std::wstring();
}

// Formats `translated` once its arguments match `english`'s; a text without
// an English original is taken as it is.
static std::wstring FormatAgainstEnglish(const std::wstring& translated, const std::wstring& english, va_list args)
{
    return FormatCheckedV(translated, english.empty() ? translated : english, args);
}

std::wstring CLanguageManager::FormatString(UINT id, ...) const
{
    va_list args;
    va_start(args, id);
    std::wstring out = FormatAgainstEnglish(LoadStringW(id), EnglishOf(id), args);
    va_end(args);
    return out;
}

std::wstring CLanguageManager::FormatDictionary(const std::wstring& key, ...) const
{
    std::wstring english;
    UINT id = 0;
    if (const wchar_t* text = FindEnglishDictionaryText(key)) english = text;
    else if (ParseId(key, &id)) english = EnglishOf(id);
    va_list args;
    va_start(args, key);
    std::wstring out = FormatAgainstEnglish(TranslateDictionary(key), english, args);
    va_end(args);
    return out;
}

void CLanguageManager::Translate(CPaintManagerUI* manager) const
{
    if (!manager || !manager->GetRoot()) return;
    std::vector<CControlUI*> named;
    manager->GetRoot()->FindControl(
        [](CControlUI* c, void* data) -> CControlUI* {
            if (!c->GetName().empty()) static_cast<std::vector<CControlUI*>*>(data)->push_back(c);
            return nullptr;
        },
        &named, UIFIND_ALL);
    CDispatchScope scope(manager);
    for (CControlUI* c : named) ApplyLocaleTexts(c);
}

void CLanguageManager::ApplyLocaleTexts(CControlUI* control) const
{
    if (!control || control->GetName().empty()) return;
    const auto pairs = CControlUI::ParseAttributeList(FindLocaleAttributes(control->GetName()));
    if (pairs.empty() && !control->HasSkinTexts()) return;
    auto& skin = control->SkinTexts();
    auto has = [](const auto& list, const std::wstring& name) {
        return std::any_of(list.begin(), list.end(), [&name](const auto& p) { return p.first == name; });
    };
    // What an earlier language changed and this one leaves goes back to the skin's text.
    for (const auto& [name, value] : skin)
        if (!has(pairs, name)) control->SetAttribute(name, value);
    for (const auto& [name, value] : pairs) {
        std::wstring now;
        if (!has(skin, name) && control->GetTextAttribute(name, now)) skin.emplace_back(name, now);
        control->SetAttribute(name, value);
    }
}

void CLanguageManager::Translate(CWindowWnd* window) const
{
    if (window) Translate(window->GetPaintManager());
}

void CLanguageManager::Translate(UINT dialogId, const std::function<void(UINT, const std::wstring&)>& apply) const
{
    if (!apply) return;
    const auto [cur, english] = Languages();
    std::map<UINT, std::wstring> texts;
    for (const auto& data : {english, cur}) {  // the current language wins
        if (!data) continue;
        auto it = data->dialogs.find(dialogId);
        if (it == data->dialogs.end()) continue;
        for (const auto& item : it->second)
            if (!item.second.empty()) texts[item.first] = item.second;
    }
    for (const auto& t : texts) apply(t.first, t.second);
}

void CLanguageManager::TranslateMenu(const std::function<void(UINT, const std::wstring&)>& applyItem,
                                     const std::function<void(const std::wstring&, const std::wstring&)>& applyPopup) const
{
    const auto [cur, english] = Languages();
    std::map<UINT, std::wstring> items;
    std::map<std::wstring, std::wstring> popups;
    for (const auto& data : {english, cur}) {
        if (!data) continue;
        for (const auto& i : data->menuItems)
            if (!i.second.empty()) items[i.first] = i.second;
        for (const auto& p : data->menuPopups)
            if (!p.second.empty()) popups[p.first] = p.second;
    }
    if (applyItem)
        for (const auto& i : items) applyItem(i.first, i.second);
    if (applyPopup)
        for (const auto& p : popups) applyPopup(p.first, p.second);
}

void CLanguageManager::Translate(CMenu* menu) const
{
    if (!menu) return;
    std::map<UINT, std::wstring> items;
    std::map<std::wstring, std::wstring> popups;
    TranslateMenu([&](UINT id, const std::wstring& t) { items[id] = t; },
                  [&](const std::wstring& e, const std::wstring& t) { popups[e] = t; });
    std::function<void(CMenu*)> walk = [&](CMenu* m) {
        for (int pos = 0; pos < m->GetItemCount(); ++pos) {
            CMenuItem* item = m->GetItem(static_cast<UINT>(pos), EMenuBy::Position);
            if (!item || item->separator) continue;
            if (item->popup) {
                auto it = popups.find(item->text);
                if (it != popups.end()) m->SetText(static_cast<UINT>(pos), it->second, EMenuBy::Position);
                walk(item->popup.get());
            } else {
                auto it = items.find(item->id);
                if (it != items.end()) m->SetText(static_cast<UINT>(pos), it->second, EMenuBy::Position);
            }
        }
    };
    walk(menu);
}

std::wstring CLanguageManager::GetXMLFilePath(const std::wstring& name) const
{
    std::wstring file = name;
    std::replace(file.begin(), file.end(), L'\\', L'/');
    if (file.empty() || file[0] == L'/' || file.find(L"..") != std::wstring::npos) return file;
    const std::wstring id = GetLangID();
    const std::wstring own = GetLanguageFolder() + L"/" + id + L"/" + file;
    if (QFileInfo::exists(QString::fromStdWString(own))) return own;
    return file;
}
