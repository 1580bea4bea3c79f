// The main window's menus: loaded from the menu file in English, the
// language and skin popups filled from what the program has, and the icons
// of the commands that carry one. Rebuilt when the language or skin changes;
// texts are translated when a popup opens.
#include "MainFrameCommands.h"
#include "VXMMainFrameWnd.h"

#include "Log.h"
#include "SkinFolders.h"
#include "VXMSettings.h"
#include "ui/UILanguage.h"
#include "ui/UIMenu.h"

#include <functional>

namespace {

// Commands that show an icon, by freedesktop icon name.
struct SMenuIcon {
    UINT id;
    const wchar_t* icon;
};
const SMenuIcon kMenuIcons[] = {
    {ID_OPEN_DVD_DRIVE, L"icon:media-optical"},  {ID_IMPORT_FROM_WEB, L"icon:web-browser"},
    {ID_JOIN_ALL, L"icon:insert-link"},          {ID_OPTIONS, L"icon:preferences-system"},
    {ID_PASTE_VIDEO_URL, L"icon:edit-paste"},    {ID_HELP_CONTENTS, L"icon:help-browser"},
    {ID_ABOUT, L"icon:help-about"},
};

void ForEachItem(CMenu& menu, const std::function<void(CMenu&, int)>& visit)
{
    for (int pos = 0; pos < menu.GetItemCount(); ++pos) {
        CMenuItem* item = menu.GetItem(static_cast<UINT>(pos), EMenuBy::Position);
        if (!item) continue;
        visit(menu, pos);
        if (item->popup) ForEachItem(*item->popup, visit);
    }
}

// The popup item whose (English) text is `text`.
CMenu* FindPopup(CMenu& menu, const std::wstring& text)
{
    CMenu* found = nullptr;
    ForEachItem(menu, [&](CMenu& owner, int pos) {
        CMenuItem* item = owner.GetItem(static_cast<UINT>(pos), EMenuBy::Position);
        if (!found && item->popup && item->text == text) found = item->popup.get();
    });
    return found;
}

}  // namespace

std::vector<std::wstring> MainFrameLanguageIds()
{
    std::vector<std::wstring> ids = {L"auto"};
    for (const TLanguageInfo& info : CLanguageManager::GetInstance()->FindLanaguagesSupported()) ids.push_back(info.id);
    return ids;
}

void FillLanguageMenu(CMenu& menus, const std::wstring& current)
{
    CMenu* popup = menus.FindOwner(ID_LANGUAGE_AUTO);
    if (!popup) return;
    // "&Auto" and its separator stay; the languages follow them.
    while (popup->GetItemCount() > 2) popup->Remove(2, EMenuBy::Position);
    const std::vector<TLanguageInfo> languages = CLanguageManager::GetInstance()->FindLanaguagesSupported();
    for (size_t i = 0; i < languages.size() && i < kLanguageCount; ++i) {
        const UINT id = ID_LANGUAGE_FIRST + static_cast<UINT>(i);
        popup->AppendCommand(id, languages[i].name.empty() ? languages[i].id : languages[i].name);
        popup->Check(id, languages[i].id == current);
    }
    popup->Check(ID_LANGUAGE_AUTO, current == L"auto" || current.empty());
}

void FillSkinMenu(CMenu& menus, const std::wstring& current)
{
    CMenu* popup = FindPopup(menus, L"&Skins");
    if (!popup) return;
    popup->RemoveAll();
    const std::vector<std::wstring> skins = FindSkinNames();
    for (size_t i = 0; i < skins.size() && i < kSkinCount; ++i) {
        const UINT id = ID_SKIN_FIRST + static_cast<UINT>(i);
        popup->AppendCommand(id, CLanguageManager::GetInstance()->TranslateDictionary(skins[i]));
        popup->Check(id, skins[i] == current);
    }
}

void SetMenuIcons(CMenu& menus)
{
    ForEachItem(menus, [](CMenu& owner, int pos) {
        CMenuItem* item = owner.GetItem(static_cast<UINT>(pos), EMenuBy::Position);
        for (const SMenuIcon& m : kMenuIcons)
            if (!item->popup && !item->separator && item->id == m.id) item->icon = m.icon;
    });
}

void CVXMMainFrameWnd::BuildMenus()
{
    std::wstring error;
    std::unique_ptr<CMenu> menus = CMenu::LoadFile(CPaintManagerUI::GetResourcePath() + L"/" + kMenuFile, &error);
    if (!menus) {
        LogInfoW("CVideoConverterDlg", L"Menus not loaded: %ls", error.c_str());
        return;
    }
    FillLanguageMenu(*menus, m_settings ? m_settings->LangID : std::wstring(L"auto"));
    FillSkinMenu(*menus, m_settings ? m_settings->SkinDir : std::wstring(kDefaultSkin));
    SetMenuIcons(*menus);
    m_menus = std::move(menus);
    if (m_playerPane) m_playerPane->SetPlayerMenu(m_menus->GetSubMenu(MENU_PLAYER));
}
