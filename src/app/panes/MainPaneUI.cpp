#include "MainPaneUI.h"
#include "RowTags.h"
#include "ProbedTags.h"
#include "PaneSkin.h"

#include "AppStartup.h"
#include "DBHelper.h"
#include "EditMusicDlg.h"
#include "HistoryListUI.h"
#include "Html5Page.h"
#include "IProfile.h"
#include "IVXMDVDFile.h"
#include "IVXMDiscFile.h"
#include "IVXMMedia.h"
#include "Log.h"
#include "MenuCommandIds.h"
#include "MediaHandler.h"
#include "MediaFolders.h"
#include "MediaListUI.h"
#include "MediaManagerListUI.h"
#include "OnlineMediaListItemUI.h"
#include "PreviewPaneUI.h"
#include "VXMGlobal.h"
#include "VXMMediaBase.h"
#include "VXMMediaExports.h"
#include "VXMSettings.h"
#include "platform/codepage.h"
#include "platform/text.h"
#include "platform/paths.h"
#include "ui/UICustomControls.h"
#include "ui/UILanguage.h"
#include "ui/UIMenu.h"
#include "ui/desktop/Desktop.h"
#include "SharedProfile.h"
#include "TagWriter.h"

#if __has_include("ProfileSettingsPaneUI.h")
#include "ProfileSettingsPaneUI.h"
#define VXM_HAVE_PROFILE_SETTINGS 1
#endif
#if __has_include("ProfileWndUI.h")
#include "ProfileWndUI.h"
#define VXM_HAVE_PROFILE_CHOOSER 1
#endif

#include <filesystem>
#include <fstream>
#include <iterator>
#include <list>
#include <system_error>

namespace {

const char* const kCategory = "CMainPaneUI";

// Row template files and the element name each must start with.
struct SRowTemplate {
    EMediaRowKind kind;
    const wchar_t* file;
    const wchar_t* element;
};
const SRowTemplate kRowTemplates[] = {
    {EMediaRowKind::File, L"list_item_media.xml", L"MediaListContainerElement"},
    {EMediaRowKind::DVD, L"list_item_dvd.xml", L"DVDMediaListContainerElement"},
    {EMediaRowKind::Online, L"list_item_online.xml", L"OnlineMediaListContainerElement"},
    {EMediaRowKind::Child, L"list_item_child.xml", L"ChildListContainerElement"},
};
// The conversion list's own row skin, used for a kind without its own file.
const wchar_t* const kFallbackRowFile = L"convertlist_item.xml";

std::wstring ReadSkinFile(const std::wstring& name)
{
    std::ifstream in(PathFromWide(CPaintManagerUI::GetResourcePath() + name), std::ios::binary);
    if (!in) return {};
    return Utf8ToWide(std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>()));
}

// The markup with its root element renamed (opening and closing tag).
std::wstring RenameRoot(std::wstring xml, const std::wstring& from, const std::wstring& to)
{
    const size_t open = xml.find(L"<" + from);
    if (open == std::wstring::npos) return {};
    xml.replace(open + 1, from.size(), to);
    const size_t close = xml.rfind(L"</" + from);
    if (close != std::wstring::npos) xml.replace(close + 2, from.size(), to);
    return xml;
}

std::wstring Translated(const std::wstring& key) { return CLanguageManager::GetInstance()->TranslateDictionary(key); }

}  // namespace

CMainPaneUI::CMainPaneUI(CPaintManagerUI* manager, IPaneHost* frame, bool burnMode)
    : m_paintManager(manager), m_frame(frame), m_burn(burnMode)
{
}

CMainPaneUI::~CMainPaneUI()
{
    if (m_paintManager) m_paintManager->RemoveNotifier(this);
    if (m_historyList) m_historyList->SetReleaseHook(nullptr);  // the preview may go first
    if (m_profileWnd && m_profileWnd->GetHWND()) m_profileWnd->DestroyWindow();
    m_profileWnd.reset();
    RemoveMenuPreview();
}

void* CMainPaneUI::GetInterface(const std::wstring& name)
{
    if (name == L"MainPaneUI") return this;
    return CVerticalLayoutUI::GetInterface(name);
}

void CMainPaneUI::DoInit()
{
    if (m_paintManager) m_paintManager->AddNotifier(this);
}

void CMainPaneUI::SetPos(RECT rc, bool needInvalidate)
{
    // The design's 260 at the design size; a quarter of a wider pane.
    if (m_rightColumn) {
        const int width = std::clamp(static_cast<int>(rc.right - rc.left) / 4, CPaintManagerUI::Scale(260),
                                     CPaintManagerUI::Scale(560));
        if (m_rightColumn->GetFixedWidth() != width) m_rightColumn->SetFixedWidth(width);
    }
    CVerticalLayoutUI::SetPos(rc, needInvalidate);
}

std::wstring CMainPaneUI::GetModuleDirectory()
{
    std::wstring folder = GetProgramFolder();
    if (folder.empty() || folder.back() != L'/') folder += L'/';
    return folder;
}

IProfileManager* CMainPaneUI::GetProfileManager() const
{
    if (m_profileManager) return m_profileManager;
    CMediaHandler* handler = CMediaHandler::GetInstance();
    return handler ? handler->GetProfileManager() : nullptr;
}

namespace {
// The pane's own control of that name; the rows of its list are not searched
// (with thousands of rows a search through them costs more than the change).
CControlUI* FindOutsideList(CControlUI* control, const std::wstring& name, const CControlUI* list)
{
    if (!control || control == list) return nullptr;
    if (control->GetName() == name) return control;
    auto* container = dynamic_cast<CContainerUI*>(control);
    if (!container) return nullptr;
    // The container's own items (a row class may count something else).
    for (int i = 0; i < container->CContainerUI::GetCount(); ++i)
        if (CControlUI* found = FindOutsideList(container->GetItemAt(i), name, list)) return found;
    return nullptr;
}
}  // namespace

CControlUI* CMainPaneUI::Find(const wchar_t* name) const
{
    return FindOutsideList(const_cast<CMainPaneUI*>(this), name, m_mediaList);
}

int CMainPaneUI::SettingsPageOf(CControlUI* control) const
{
    static const wchar_t* const headings[] = {L"ID_OPTION_BASIC_SETTINGS", L"ID_OPTION_AUDIO_OPTIONS",
                                              L"ID_OPTION_VIDEO_OPTIONS"};
    const std::wstring name = control ? control->GetName() : std::wstring();
    for (int page = 0; page < 3; ++page) {
        if (name != headings[page]) continue;
        // Both panes' settings carry these headings: only this pane's count.
        for (CControlUI* c = control; c; c = c->GetParent())
            if (c == m_profileSettings) return page;
        return -1;
    }
    return -1;
}

CControlUI* CMainPaneUI::CreateControl(const std::wstring& name)
{
    if (name == L"MediaList") {
        m_mediaList = new CMediaListUI(m_burn);
        return m_mediaList;
    }
    if (name == L"ProfileSettingsPane") {
#ifdef VXM_HAVE_PROFILE_SETTINGS
        m_profileSettings = new CProfileSettingsPaneUI(m_paintManager, m_burn);
        return m_profileSettings;
#else
        // Provided by another part of the program when the skin's control
        // table registers it; otherwise its place stays empty and hidden.
        if (CControlUI* c = CDialogBuilder::CreateBuiltinControl(name)) return c;
        auto* place = new CVerticalLayoutUI;
        place->SetVisible(false);
        return place;
#endif
    }
    if (name == L"PreviewPane") {
        m_previewPane = new CPreviewPaneUI(m_paintManager);
        return m_previewPane;
    }
    if (name == L"HistoryList") {
        m_historyList = new CHistoryListUI;
        return m_historyList;
    }
    if (name == L"MediaManagerList") {
        m_mediaManagerList = new CMediaManagerListUI;
        return m_mediaManagerList;
    }
    if (name == L"SizeProgress") return new CSizeProgressUI;
    return nullptr;
}

void CMainPaneUI::BuildPane()
{
    if (m_built) return;
    m_built = true;
    if (!LoadPaneSkin(*this, m_burn ? L"pane_burn.xml" : L"pane_main.xml", this, m_paintManager)) {
        LogInfo(kCategory, "The pane's skin could not be built");
        return;
    }
    m_listTab = dynamic_cast<CTabLayoutUI*>(Find(m_burn ? L"ID_TAB_BURN_LISTS" : L"ID_TAB_LISTS"));
    m_convertButton = Find(m_burn ? L"ID_BTN_DVD_CONVERT" : L"ID_BTN_CONVERT");
    m_categoryButton = Find(L"ID_BTN_PROFILE_CATEGORY");
    m_rightColumn = Find(L"ID_LAYOUT_RIGHT");
    m_profileButton = Find(m_burn ? L"ID_BTN_DVD_PROFILE" : L"ID_BTN_PROFILE");
    m_queue.SetList(m_mediaList);
    if (m_mediaList)
        m_mediaList->SetTagsSavedHandler([this](IVXMMedia* media, const CTagWriteResult& result) { OnTagsSaved(media, result); });
    if (m_previewPane && !m_burn) {
        IPaneHost* frame = m_frame;
        m_previewPane->SetSnapshotMenu([frame]() -> CMenu* {
            return frame && frame->GetMenus() ? frame->GetMenus()->GetSubMenu(MENU_SNAPSHOT) : nullptr;
        });
        m_previewPane->LoadLayout();
    }
    LoadRowTemplates();
    LinkHistory();
    if (m_mediaList) m_mediaList->LoadAppleProfiles();
    LoadCurrentProfile();
    if (m_burn) LoadBurnSettings();
    RefreshProfileButtons();
    ShowCurrentProfileSettings(nullptr);
    OnListChanged();
}

void CMainPaneUI::LoadRowTemplates()
{
    if (!m_mediaList) return;
    const std::wstring fallback = ReadSkinFile(kFallbackRowFile);
    for (const SRowTemplate& t : kRowTemplates) {
        if (IsExistingFile(CPaintManagerUI::GetResourcePath() + t.file)) {
            m_mediaList->SetRowTemplate(t.kind, t.file);
            continue;
        }
        std::wstring xml = RenameRoot(fallback, L"MediaListContainerElement", t.element);
        if (!xml.empty()) m_mediaList->SetRowTemplate(t.kind, std::move(xml));
    }
}

void CMainPaneUI::LoadCurrentProfile()
{
    IProfileManager* manager = GetProfileManager();
    if (!manager || !m_mediaList) return;
    CVXMSettings* s = CVXMSettings::GetInstance();
    const int profileId = static_cast<int>(m_burn ? s->nBurnerProfile : s->nProfile);
    const int groupId = static_cast<int>(m_burn ? s->nBurnerProfileGroup : s->nProfileGroup);
    m_currentCategory = m_burn ? 13 : static_cast<int>(s->nProfileCategory);
    // The burner converts to disc groups only, the converter never does.
    auto fits = [this](IProfileGroup* g) { return g && (g->GetBurn() != 0) == m_burn; };
    IProfileGroup* group = manager->FindGroupById(groupId);
    IProfile* profile = fits(group) ? group->FindProfileById(profileId) : nullptr;
    if (!profile) {
        // The stored choice is gone or of the other pane: the first profile
        // of the category.
        IProfileCategory* category = manager->FindCategoryById(m_currentCategory);
        if (!category || !fits(category->GetGroup(0))) category = manager->FindCategoryById(m_burn ? 13 : 0);
        group = category ? category->GetGroup(0) : nullptr;
        profile = fits(group) ? group->GetProfile(0) : nullptr;
        if (!profile) group = nullptr;
    }
    m_currentGroup = group;
    m_mediaList->SetCurrentProfile(profile);
}

IProfile* CMainPaneUI::GetCurrentProfile() const
{
    return m_mediaList ? m_mediaList->GetCurrentProfile() : nullptr;
}

IProfileGroup* CMainPaneUI::GroupOfRow(CMediaListItemUI* row) const
{
    IProfile* profile = row ? row->GetProfile() : GetCurrentProfile();
    if (!profile) return nullptr;
    const int id = profile->GetId();
    if (m_currentGroup && m_currentGroup->FindProfileById(id)) return m_currentGroup;
    IProfileManager* manager = GetProfileManager();
    for (int g = 0; manager && g < manager->GetGroupCount(); ++g) {
        IProfileGroup* group = manager->GetGroup(g);
        if (group && group->FindProfileById(id)) return group;
    }
    return nullptr;
}

void CMainPaneUI::RefreshProfileButtons()
{
    IProfile* profile = GetCurrentProfile();
    IProfileManager* manager = GetProfileManager();
    IProfileCategory* category = manager ? manager->FindCategoryById(m_burn ? 13 : m_currentCategory) : nullptr;
    if (m_categoryButton && category) {
        m_categoryButton->SetText(Translated(category->GetName()));
        m_categoryButton->SetToolTip(Translated(category->GetDesc()));
    }
    if (m_profileButton && profile) {
        m_profileButton->SetText(Translated(profile->GetDesc()));
        m_profileButton->SetToolTip(Translated(profile->GetDesc()));
    }
}

void CMainPaneUI::ShowCurrentProfileSettings(CMediaListItemUI* row)
{
#ifdef VXM_HAVE_PROFILE_SETTINGS
    auto* settings = dynamic_cast<CProfileSettingsPaneUI*>(m_profileSettings);
    if (!settings) return;
    if (!row) {
        settings->SetMedia(nullptr);
        settings->LoadProfile(m_currentGroup, nullptr, BorrowProfile(GetCurrentProfile()), false);
        return;
    }
    IVXMMedia* media = row->GetMedia();
    settings->SetMedia(media);
    std::wstring name = media ? media->GetOutputName() : std::wstring();
    if (media && name.empty()) name = media->GetSourceTitle();
    settings->LoadProfile(GroupOfRow(row), &name, row->ShareProfile(),
                          m_mediaList && m_mediaList->IsJoinMode() && m_mediaList->GetItemIndex(row) > 0);
#else
    (void)row;
#endif
}

void CMainPaneUI::OnOutputFolderChanged()
{
    if (auto* settings = dynamic_cast<CProfileSettingsPaneUI*>(m_profileSettings)) settings->RefreshOutputFolder();
}

void CMainPaneUI::SetStatusText(const std::wstring& text)
{
    if (m_frame) m_frame->ShowStatusMessage(text);
}

void CMainPaneUI::SelectListPage(int page)
{
    if (m_listTab && m_listTab->GetCurSel() != page) m_listTab->SelectItem(page);
}

CMediaListItemUI* CMainPaneUI::SelectedRow() const
{
    if (!m_mediaList || m_mediaList->GetCurSel() < 0) return nullptr;
    return m_mediaList->GetMediaItem(m_mediaList->GetCurSel());
}

// ---- profile chooser and selection ------------------------------------------------------

void CMainPaneUI::Retranslate()
{
    // The button texts come from the catalogue through the dictionary.
    RefreshProfileButtons();
#ifdef VXM_HAVE_PROFILE_CHOOSER
    // A chooser already made is filled again in the new language.
    if (auto* chooser = static_cast<CProfileWndUI*>(m_profileWnd.get()); chooser && chooser->GetHWND()) {
        CLanguageManager::GetInstance()->Translate(chooser);
        chooser->Reload();
    }
#endif
    // The burner takes the language when it is set up.
    if (m_burn) InitBurner(GetCurrentProfile());
}

void CMainPaneUI::ShowProfileWnd()
{
#ifdef VXM_HAVE_PROFILE_CHOOSER
    HWND owner = m_paintManager ? m_paintManager->GetPaintWindow() : nullptr;
    if (!m_profileWnd) {
        CVXMSettings* s = CVXMSettings::GetInstance();
        if (m_burn)
            m_profileWnd = std::make_unique<CProfileWndUI>(13, static_cast<int>(s->nBurnerProfileGroup),
                                                           static_cast<int>(s->nBurnerProfile), true);
        else
            m_profileWnd = std::make_unique<CProfileWndUI>(static_cast<int>(s->nProfileCategory),
                                                           static_cast<int>(s->nProfileGroup),
                                                           static_cast<int>(s->nProfile), false);
    }
    CControlUI* anchor = m_burn ? m_profileButton : m_categoryButton;
    const double zoom = CPaintManagerUI::GetZoom() > 0 ? CPaintManagerUI::GetZoom() : 1.0;
    RECT rc{0, 0, static_cast<LONG>(300 * zoom), static_cast<LONG>(500 * zoom)};
    if (anchor) {
        const RECT pos = anchor->GetPos();
        POINT pt{pos.left, pos.bottom};
        RECT win{};
        if (m_frame && m_frame->GetScreenRect(win)) {
            pt.x += win.left;
            pt.y += win.top;
        }
        rc = RECT{pt.x, pt.y, pt.x + rc.right, pt.y + rc.bottom};
    }
    // The chooser's own Create: it remembers the window its result goes to.
    auto* chooser = static_cast<CProfileWndUI*>(m_profileWnd.get());
    if (!chooser->GetHWND()) {
        chooser->Create(owner, L"VXMProfileWnd", WS_POPUP | WS_VISIBLE | WS_OVERLAPPEDWINDOW, 0, rc);
    } else {
        WINDOWPLACEMENT placement{};
        if (chooser->GetPlacement(&placement)) {
            placement.rcNormalPosition = rc;
            placement.showCmd = SW_SHOWNORMAL;
            chooser->SetPlacement(placement);
        }
    }
    chooser->ShowWindow(true);
#endif
}

void CMainPaneUI::OnProfileSelected(WPARAM wParam, LPARAM lParam)
{
    OnProfileSelected(DecodeProfileSelection(wParam, lParam));
}

void CMainPaneUI::OnProfileSelected(const SProfileSelection& selection)
{
    IProfileManager* manager = GetProfileManager();
    if (!manager || !m_mediaList) return;
    IProfileGroup* group = manager->FindGroupById(selection.groupId);
    IProfile* profile = group ? group->FindProfileById(selection.profileId) : nullptr;
    if (!profile) profile = manager->FindProfileById(selection.profileId);
    if (!profile) {
        LogInfo(kCategory, "The chosen profile %d is not in the catalogue", selection.profileId);
        return;
    }
    m_currentGroup = group;
    m_currentCategory = selection.categoryId;
    m_mediaList->SetCurrentProfile(profile);
    if (!m_currentGroup) m_currentGroup = GroupOfRow(nullptr);
    // Remembered for the next start.
    CVXMSettings* s = CVXMSettings::GetInstance();
    if (m_burn) {
        s->nBurnerProfile = static_cast<decltype(s->nBurnerProfile)>(selection.profileId);
        s->nBurnerProfileGroup = static_cast<decltype(s->nBurnerProfileGroup)>(selection.groupId);
    } else {
        s->nProfile = static_cast<decltype(s->nProfile)>(selection.profileId);
        s->nProfileGroup = static_cast<decltype(s->nProfileGroup)>(selection.groupId);
        s->nProfileCategory = static_cast<decltype(s->nProfileCategory)>(selection.categoryId);
    }
    RefreshProfileButtons();
    ShowCurrentProfileSettings(SelectedRow());
    if (m_burn) {
        InitBurner(profile);
        ShowSettingsPage(-1);
        UpdateSizeMeter();
    }

    bool applyToAll = false;
    if (m_profileWnd && m_profileWnd->GetPaintManager())
        if (auto* option = dynamic_cast<COptionUI*>(m_profileWnd->GetPaintManager()->FindControl(L"ID_BTN_PROFILE_APPLY_TO_ALL")))
            applyToAll = option->IsSelected();
    if (m_paintManager) m_paintManager->SendNotify(m_mediaList, L"global_profile_changed", applyToAll ? 1 : 0, m_burn ? 1 : 0);
    SendUsageAction(m_burn ? 34 : 33, selection.profileId);
}

void CMainPaneUI::OnSelectionChanged(int index, bool withPreview)
{
    if (index < 0) {
        if (withPreview && m_previewPane) m_previewPane->SetMedia(nullptr);
        ShowCurrentProfileSettings(nullptr);
        SetStatusText({});
        return;
    }
    if (!m_mediaList || !m_mediaList->IsVisible()) return;
    CMediaListItemUI* row = m_mediaList->GetMediaItem(index);
    if (!row) return;
    ShowCurrentProfileSettings(row);
    IVXMMedia* media = row->GetMedia();
    if (withPreview && m_previewPane && media != m_previewPane->GetMedia()) m_previewPane->SetMedia(media);
    SetStatusText(media ? media->GetSourcePath() : std::wstring());
}

void CMainPaneUI::PlayInPreview(IVXMMedia* media)
{
    if (m_previewPane && media && media->GetConvertState() != 1) m_previewPane->Play(media);
}

void CMainPaneUI::TakeSnapshot()
{
    if (m_previewPane) m_previewPane->TakeSnapshot();
}

void CMainPaneUI::SetRightColumnShown(bool shown)
{
    if (m_previewPane && !shown) m_previewPane->PauseIfPlaying();
}

bool CMainPaneUI::HandPreviewToPlayer(IVXMMedia*& media, float& seconds)
{
    return m_previewPane && m_previewPane->HandOver(media, seconds);
}

void CMainPaneUI::ShowRowProfile(CControlUI* control)
{
    auto* row = dynamic_cast<CMediaListItemUI*>(control);
    if (!row || !m_mediaList || row->GetOwner() != static_cast<IListOwnerUI*>(m_mediaList)) return;
    if (m_previewPane) m_previewPane->SetMedia(row->GetMedia());
    ShowCurrentProfileSettings(row);
}

void CMainPaneUI::RefreshSelection(bool withPreview)
{
    OnSelectionChanged(m_mediaList ? m_mediaList->GetCurSel() : -1, withPreview);
    UpdateSizeMeter();  // a row's check moves the disc total
}

bool CMainPaneUI::IsShutdownChecked() const
{
    auto* box = dynamic_cast<COptionUI*>(Find(L"IDC_PANE_CHECK_SHUTDOWN"));
    return box && box->IsSelected();
}

void CMainPaneUI::OnListCommand(UINT id)
{
    if (id >= 32974 && id <= 32976) {
        if (m_mediaManagerList) m_mediaManagerList->OnMenuCommand(id);
        return;
    }
    if (IsHistoryShown()) {
        m_historyList->OnMenuCommand(id);
        return;
    }
    if (!m_mediaList) return;
    m_mediaList->OnMenuCommand(id);
    OnListChanged();
}

void CMainPaneUI::PrepareListMenu(CMenu& menu, bool mediaManager)
{
    if (mediaManager) {
        if (m_mediaManagerList) m_mediaManagerList->UpdateContextMenu(&menu);
    } else if (IsHistoryShown()) {
        m_historyList->UpdateContextMenu(&menu);
    } else if (m_mediaList) {
        m_mediaList->UpdateContextMenu(&menu);
        const bool converting = IsConverting();
        menu.Enable(32801, !converting);
        menu.Enable(32802, converting);
    }
}

// ---- history ------------------------------------------------------------------------------

// The media manager lives in the pane's skin or beside the pane in the window's.
void CMainPaneUI::LinkHistory()
{
    if (m_burn) return;
    if (!m_mediaManagerList && m_paintManager)
        m_mediaManagerList = dynamic_cast<CMediaManagerListUI*>(m_paintManager->FindControl(L"ID_LIST_HISTORY_CATEGORY"));
    if (m_historyList) {
        m_historyList->LoadAppleProfiles();
        m_historyList->SetReleaseHook([this](IVXMMedia* media) {
            if (m_previewPane && m_previewPane->GetMedia() == media) m_previewPane->SetMedia(nullptr);
        });
    }
    if (!m_mediaManagerList) return;
    m_mediaManagerList->SetHistoryList(m_historyList);
    m_mediaManagerList->BuildTree();
}

bool CMainPaneUI::IsHistoryShown() const
{
    return m_historyList && m_listTab && m_listTab->GetCurSel() == 2;
}

void CMainPaneUI::OnHistoryCategory(int index)
{
    if (!m_mediaManagerList) return;
    CMediaManagerElementUI* node = m_mediaManagerList->GetNode(index);
    if (!node) return;
    if (m_mediaManagerList->LoadHistory(index)) {
        SelectListPage(2);
        SetStatusText({});
    } else if (node->GetKind() == MEDIAMAN_CONVERSION) {
        OnListChanged();
    }
}

void CMainPaneUI::AddConvertedEntry(const std::wstring& profileName)
{
    if (!m_mediaManagerList) return;
    if (IProfile* profile = CDBHelper::FindHistoryProfile(GetProfileManager(), profileName))
        m_mediaManagerList->AddConvertedEntry(profileName, profile->GetTargetDevice(), profile->GetDesc());
    else
        m_mediaManagerList->AddConvertedEntry(profileName, {}, {});
}

void CMainPaneUI::AddDownloadedEntry(const std::wstring& siteName)
{
    if (m_mediaManagerList) m_mediaManagerList->AddDownloadedEntry(siteName);
}

void CMainPaneUI::SelectFirstManagerEntry()
{
    if (m_mediaManagerList) m_mediaManagerList->SelectItem(0);
}

int CMainPaneUI::ContextArea(POINT client) const
{
    auto inside = [&client](CControlUI* c) {
        if (!c || !c->IsVisible()) return false;
        const RECT& r = c->GetPos();
        return client.x >= r.left && client.x < r.right && client.y >= r.top && client.y < r.bottom;
    };
    if (inside(m_listTab)) return 1;
    if (inside(m_mediaManagerList)) return 2;
    return 0;
}

void CMainPaneUI::JoinSelected()
{
    if (m_mediaList) m_mediaList->JoinSelected();
}

// ---- notifications ----------------------------------------------------------------------

void CMainPaneUI::OnItemClone(CControlUI* sender)
{
    auto* row = dynamic_cast<CMediaListItemUI*>(sender);
    if (!row || !row->GetMedia()) return;
    if (IVXMMedia* copy = CreateVXMMediaObject(row->GetMedia())) {
        CMediaListItemUI* clone = AddFileRow(-1, copy);
        if (!clone) {
            copy->Release();
            return;
        }
        // A cue track's copy keeps the sheet's tags, not the whole file's.
        if (row->IsFromCueSheet()) {
            clone->SetTags(row->GetTags());
            clone->SetFromCueSheet(true);
        }
        OnListChanged();
    }
}

void CMainPaneUI::OnPropTime(TNotifyUI& msg, bool start)
{
    CMediaListItemUI* row = SelectedRow();
    auto* edit = reinterpret_cast<CControlUI*>(msg.wParam);
    auto* time = dynamic_cast<CTimeEditUI*>(edit);
    if (!row || !row->GetMedia() || !time) return;
    const int ms = time->GetValue();
    if (start) row->GetMedia()->SetStartTime(ms);
    else row->GetMedia()->SetEndTime(ms);
    row->UpdateDuration();
    UpdateSizeMeter();
}

void CMainPaneUI::OnDVDChapterChanging(WPARAM chapters)
{
    CMediaListItemUI* row = SelectedRow();
    auto* title = row ? dynamic_cast<IVXMDVDTitle*>(row->GetMedia()) : nullptr;
    if (!title) return;
    const int first = static_cast<int>(chapters & 0xFFFF);
    const int last = static_cast<int>((chapters >> 16) & 0xFFFF);
    title->SetChapterRange(first, last);
    if (m_paintManager)
        m_paintManager->SendNotify(this, L"dvd_chapter_changed", static_cast<WPARAM>((last << 16) | first),
                                   title->GetChapterCount());
}

void CMainPaneUI::OnPropAudioDisabled(WPARAM disabled, LPARAM mediaParam)
{
    if (!m_mediaList) return;
    CMediaListItemUI* row = m_mediaList->FindItem(reinterpret_cast<IVXMMedia*>(mediaParam));
    if (!row) return;
    // A row's own profile concerns that row; the list's profile every row.
    if (row->GetOwnProfile()) {
        row->ShowAudioOff(disabled != 0);
    } else {
        for (int i = 0; i < m_mediaList->GetCount(); ++i)
            if (CMediaListItemUI* r = m_mediaList->GetMediaItem(i)) r->ShowAudioOff(disabled != 0);
    }
    // Joined rows show the first row's sound.
    if (m_mediaList->IsJoinMode()) m_mediaList->SetJoinMode(true);
    UpdateSizeMeter();
}

void CMainPaneUI::Notify(TNotifyUI& msg)
{
    const std::wstring& type = msg.sType;
    CControlUI* sender = msg.pSender;
    const std::wstring name = sender ? sender->GetName() : std::wstring();
    const bool lParamIsMode = msg.lParam != 0 ? m_burn : !m_burn;

    if (type == L"item_stopped" && sender && sender == m_mediaList) {
        RefreshConvertButton();  // a row's stop ended: it may start again
        return;
    }
    // The list's rows report through the same paint manager.
    if (m_mediaList && sender && m_mediaList->HandleNotify(msg)) {
        if (type == L"item_remove") OnListChanged();
        return;
    }
    if (IsVisible() && OnBurnNotify(msg)) return;
    if (type == L"click" && sender && IsVisible()) {
        if (name == (m_burn ? L"ID_BTN_DVD_CONVERT" : L"ID_BTN_CONVERT")) {
            OnConvertClick();
        } else if (int page = SettingsPageOf(sender); page >= 0) {
            ShowSettingsPage(page);
        } else if (name == (m_burn ? L"ID_BTN_DVD_PROFILE_CATEGORY" : L"ID_BTN_PROFILE_CATEGORY") ||
                   name == (m_burn ? L"ID_BTN_DVD_PROFILE" : L"ID_BTN_PROFILE")) {
            HideConvertHint();
            ShowProfileWnd();
        }
        return;
    }
    if (type == L"language_changed") {
        Retranslate();
        return;
    }
    // The main window takes the list's selection and check notifications,
    // the join buttons and the shut-down box.
    if (type == L"selectchanged" || type == L"valuechanging" || type == L"itemselect") return;
    if (type == L"prop_start_changed" && lParamIsMode) {
        OnPropTime(msg, true);
    } else if (type == L"prop_end_changed" && lParamIsMode) {
        OnPropTime(msg, false);
    } else if (type == L"prop_name_changed" && lParamIsMode) {
        if (CMediaListItemUI* row = SelectedRow())
            if (auto* edit = reinterpret_cast<CControlUI*>(msg.wParam)) row->SetOutputName(edit->GetText());
    } else if (type == L"prop_audiodisabled") {
        OnPropAudioDisabled(msg.wParam, msg.lParam);
    } else if (type == L"dvd_chapter_changing" && lParamIsMode) {
        OnDVDChapterChanging(msg.wParam);
    } else if (type == L"item_clone") {
        auto* row = dynamic_cast<CMediaListItemUI*>(sender);
        if (row && m_mediaList && row->GetOwner() == static_cast<IListOwnerUI*>(m_mediaList)) OnItemClone(sender);
    }
}
