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
#include "MainFrameCommands.h"
#include "MediaHandler.h"
#include "MediaFolders.h"
#include "MediaListUI.h"
#include "MediaManagerListUI.h"
#include "OnlineMediaListItemUI.h"
#include "PreviewPaneUI.h"
#include "VXMGlobal.h"
#include "VXMMediaBase.h"
#include "VXMMediaExports.h"
#include "VXMMainFrameWnd.h"
#include "VXMSettings.h"
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
const wchar_t* const kCaption = L"Vexmora Professional";

// Row kinds in the order of the list's row kinds.
constexpr int kRowFile = 0;
constexpr int kRowDVD = 1;
constexpr int kRowOnline = 2;
constexpr int kRowChild = 3;

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

bool FileExists(const std::wstring& path)
{
    std::error_code ec;
    return !path.empty() && std::filesystem::is_regular_file(PathFromWide(path), ec);
}

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

CMainPaneUI::CMainPaneUI(CPaintManagerUI* manager, CVXMMainFrameWnd* frame, bool burnMode)
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
    // Panes another part of the program provides come from the skin's
    // control table when they are registered there; otherwise their place
    // stays an empty container.
    auto registered = [&name]() -> CControlUI* {
        if (CControlUI* c = CDialogBuilder::CreateBuiltinControl(name)) return c;
        auto* place = new CVerticalLayoutUI;  // kept empty and out of sight
        place->SetVisible(false);
        return place;
    };
    if (name == L"MediaList") {
        m_mediaList = new CMediaListUI(m_burn);
        return m_mediaList;
    }
    if (name == L"ProfileSettingsPane") {
#ifdef VXM_HAVE_PROFILE_SETTINGS
        m_profileSettings = new CProfileSettingsPaneUI(m_paintManager, m_burn);
        return m_profileSettings;
#else
        return registered();
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
        CVXMMainFrameWnd* frame = m_frame;
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
        if (FileExists(CPaintManagerUI::GetResourcePath() + t.file)) {
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

// ---- rows -------------------------------------------------------------------------------

CMediaListItemUI* CMainPaneUI::AddRow(int position, IVXMMedia* media, int kind, int downloadFlag)
{
    if (!m_mediaList || !media) return nullptr;
    static const EMediaRowKind kinds[] = {EMediaRowKind::File, EMediaRowKind::DVD, EMediaRowKind::Online,
                                          EMediaRowKind::Child};
    CMediaListItemUI* row = m_mediaList->AddMedia(media, kinds[kind], true, position, downloadFlag);
    if (!row) return nullptr;
    const bool join = m_mediaList->IsJoinMode();
    row->SetJoinLayout(join && !(m_mediaList->GetCount() == 1));
    return row;
}

CMediaListItemUI* CMainPaneUI::AddFileRow(int position, IVXMMedia* media)
{
    CMediaListItemUI* row = AddRow(position, media, kRowFile);
    if (!row) return nullptr;
    row->SetChecked(true);
    VXM_MEDIA_TAGS tags;
    const std::wstring thumbnail = media->GetThumbnailPath();
    // Files added through the loader had their tags read beside the probe;
    // whether a cover became the row's picture is known without a lookup in
    // the temporary folder, which waits while workers write pictures there.
    bool cover = false;
    int handled = TakeTagsForRow(media, tags, thumbnail, &cover);
    if (handled < 0) {
        handled = AddProbedTags(media, tags, ReadMediaTags(media, tags));
        cover = FileExists(thumbnail);
    }
    const bool tagged = handled == 1;
    if (cover) {
        // A cover read from the tags is the row's picture, and the one written again.
        if (tagged && !media->GetVideoStream()) tags.cover = thumbnail;
        row->SetShownImage(thumbnail);
        if (CControlUI* c = m_paintManager ? m_paintManager->FindSubControlByName(row, L"ID_LAYOUT_THUMBNAIL_V") : nullptr)
            c->SetBkImage(thumbnail);
    }
    if (tagged) row->SetTags(tags);
    if (m_paintManager) m_paintManager->SendNotify(this, L"item_created", 0, m_burn ? 1 : 0);
    return row;
}

CMediaListItemUI* CMainPaneUI::AddDVDRow(int position, IVXMMedia* title)
{
    CMediaListItemUI* row = AddRow(position, title, kRowDVD);
    if (!row) return nullptr;
    if (m_paintManager) m_paintManager->SendNotify(this, L"item_created", 0, m_burn ? 1 : 0);
    auto* dvd = dynamic_cast<IVXMDVDTitle*>(title);
    if (dvd && title->GetClipLength() >= 180001 && dvd->IsMainTitle()) {
        row->SetChecked(true);
        if (auto* dvdRow = dynamic_cast<CDVDMediaListItemUI*>(row)) dvdRow->MarkMainTitle();
    }
    return row;
}

CMediaListItemUI* CMainPaneUI::AddOnlineRow(int position, IVXMMedia* media, int downloadFlag)
{
    CMediaListItemUI* row = AddRow(position, media, kRowOnline, downloadFlag);
    if (row) row->SetChecked(true);
    return row;
}

CMediaListItemUI* CMainPaneUI::AddChildRow(IVXMMedia* child, int parentIndex, IVXMMedia* parent, int startMs,
                                           int endMs, int segmentIndex)
{
    if (!m_mediaList || !child || !parent) return nullptr;
    if (CMediaListItemUI* parentRow = m_mediaList->GetMediaItem(parentIndex)) parentRow->SetChecked(false);
    CMediaListItemUI* row = AddRow(parentIndex + segmentIndex + 1, child, kRowChild);
    if (!row) return nullptr;
    if (auto* childRow = dynamic_cast<CChildListItemUI*>(row)) {
        childRow->SetParentMedia(parent);
        childRow->SetSegment(segmentIndex, startMs, endMs);
        childRow->UpdateDuration();
    }
    row->SetOutputName(parent->GetSourceTitle() + L"_Segment_" + std::to_wstring(segmentIndex));
    row->SetChecked(true);
    return row;
}

void CMainPaneUI::AddMedia(IVXMMedia* media, short position, unsigned short flags)
{
    if (!media) return;
    // The engine names the outputs of burn rows its own way.
    if (auto* base = dynamic_cast<CVXMMediaBase*>(media)) base->m_bBurnNaming = m_burn ? 1 : 0;
    if (!m_mediaList) {
        media->Release();
        return;
    }
    CMediaListItemUI* row = nullptr;
    if (flags & 1) row = AddOnlineRow(-1, media, (flags & 4) ? 1 : 0);
    else if (media->GetMediaKind() == 1) row = AddDVDRow(position, media);
    else row = AddFileRow(position, media);
    if (!row) {
        // No row took it: nobody else will release it.
        m_convertWhenAdded.erase(media);
        media->Release();
        return;
    }
    if ((flags & 8) && m_convertWhenAdded.erase(media)) {
        // A downloaded file whose online row was asked to convert.
        m_queue.NoteStarted();
        row->StartConvert();
    }
    SelectListPage(1);
    OnListChanged();
}

bool CMainPaneUI::ReportNoTitles(const char* logCategory)
{
    const std::wstring text = CLanguageManager::GetInstance()->LoadStringW(122);
    LogInfoW(logCategory, L"%ls", text.c_str());
    if (auto* box = Desktop().messageBox) box->Show(m_paintManager ? m_paintManager->GetPaintWindow() : nullptr, text, kCaption, MB_OK | MB_ICONERROR);
    return false;
}

bool CMainPaneUI::AddDVDTitles(IVXMDVDFile* dvd)
{
    const int count = dvd ? dvd->GetTitleCount() : 0;
    if (count <= 0) return ReportNoTitles("?AddDVDTitles@CMainPaneUI@@QAE_NPAVIVXMDVDFile@@@Z");
    for (int i = 0; i < count; ++i) {
        // A title handed out is ours: a row takes it, or it is released here.
        IVXMDVDTitle* title = dvd->GetTitleAt(static_cast<unsigned>(i));
        if (!title) continue;
        if (title->GetClipLength() < 10000) {
            title->Release();
            continue;
        }
        title->SetEndTime(title->GetClipLength());
        AddMedia(title, -1, 0);
    }
    return true;
}

bool CMainPaneUI::AddCDTitles(IVXMDiscFile* disc)
{
    const int count = disc ? disc->GetTrackCount() : 0;
    if (count <= 0) return ReportNoTitles("?AddCDTitles@CMainPaneUI@@QAE_NPAVIVXMDiscFile@@@Z");
    for (int i = 0; i < count; ++i) {
        // A track handed out is ours: a row takes it, or it is released here.
        IVXMMedia* track = disc->GetTrackAt(i);
        if (!track) continue;
        if (m_burn)
            if (auto* base = dynamic_cast<CVXMMediaBase*>(track)) base->m_bBurnNaming = 1;
        CMediaListItemUI* row = nullptr;
        const int kind = track->GetMediaKind();
        if (kind == 1) row = AddDVDRow(-1, track);
        else if (kind == 0 || kind == 2) row = AddFileRow(-1, track);
        if (row) SelectListPage(1);
        else track->Release();
    }
    OnListChanged();
    return true;
}

bool CMainPaneUI::HoldsMedia(IVXMMedia* media) const
{
    return m_mediaList && media && m_mediaList->FindItem(media);
}

void CMainPaneUI::RemoveMedia(IVXMMedia* media)
{
    if (!m_mediaList) return;
    if (CMediaListItemUI* row = m_mediaList->FindItem(media)) {
        m_mediaList->RemoveItem(row);
        OnListChanged();
    }
}

void CMainPaneUI::RemoveDriveRows(const std::wstring& drive)
{
    if (!m_mediaList || drive.empty()) return;
    for (int i = m_mediaList->GetCount() - 1; i >= 0; --i) {
        CMediaListItemUI* row = m_mediaList->GetMediaItem(i);
        IVXMMedia* media = row ? row->GetMedia() : nullptr;
        if (!media) continue;
        std::wstring from;
        if (auto* title = dynamic_cast<IVXMDVDTitle*>(media)) from = title->GetDiscPath();
        else if (auto* track = dynamic_cast<IVXMDiscAudiotrack*>(media)) from = track->GetDrivePath();
        if (from == drive) m_mediaList->RemoveItem(row);
    }
    OnListChanged();
}

void CMainPaneUI::ImportCue(const std::wstring& path)
{
    // The main window reads the sheet and hands its tracks to the active pane.
    HWND window = m_paintManager ? m_paintManager->GetPaintWindow() : nullptr;
    if (!window) {
        LogInfoW(kCategory, L"Cue sheet %ls: no window imports it", path.c_str());
        return;
    }
    SendMessage(window, WM_VXM_IMPORT_CUE, reinterpret_cast<WPARAM>(path.c_str()), 0);
}

bool CMainPaneUI::AddCueTrackRow(IVXMMedia* track, const CCueRowInfo& info)
{
    // Added as any loaded media (a media no row takes is released there).
    AddMedia(track, -1, 0);
    CMediaListItemUI* row = m_mediaList ? m_mediaList->FindItem(track) : nullptr;
    if (!row) return false;
    // The track's tags are the sheet's, not the whole file's.
    VXM_MEDIA_TAGS tags = row->HasTags() ? row->GetTags() : VXM_MEDIA_TAGS();
    tags.artist = info.performer;
    tags.album = info.album;
    tags.title = info.title;
    tags.track = info.trackNumber;
    row->SetTags(tags);
    row->SetFromCueSheet(true);
    return true;
}

void CMainPaneUI::RebuildSegments(IVXMMedia* media)
{
    auto* data = dynamic_cast<CVXMMediaBase*>(media);
    if (!data || !m_mediaList || !m_mediaList->FindItem(media)) return;
    int k = 0;
    // A copy of the list: adding a child row does not change it, but keep
    // the walk independent of the rows anyway.
    const std::list<VXM_CLIP_SEGMENT> segments = data->m_lstClipSegments;
    for (const VXM_CLIP_SEGMENT& segment : segments) {
        if (m_mediaList->FindChildItem(k, media)) {
            m_mediaList->SetChildItemRange(media, k, segment.m_nStart, segment.m_nEnd);
        } else if (IVXMMedia* copy = CreateVXMMediaObject(media)) {
            copy->SetStartTime(segment.m_nStart);
            copy->SetEndTime(segment.m_nEnd);
            copy->SetDuration(segment.m_nEnd - segment.m_nStart);
            const int parentIndex = m_mediaList->GetItemIndex(m_mediaList->FindItem(media));
            if (!AddChildRow(copy, parentIndex, media, segment.m_nStart, segment.m_nEnd, k)) copy->Release();
        }
        ++k;
    }
    m_mediaList->SyncChildItems(media);
    // A trim changes the row's length and the times its settings show.
    if (CMediaListItemUI* row = m_mediaList->FindItem(media)) {
        row->UpdateDuration();
        if (row == SelectedRow()) ShowCurrentProfileSettings(row);
    }
    OnListChanged();
}

void CMainPaneUI::RefreshEffectMark(IVXMMedia* media)
{
    CMediaListItemUI* row = m_mediaList ? m_mediaList->FindItem(media) : nullptr;
    if (!row || !m_paintManager) return;
    CControlUI* icon = m_paintManager->FindSubControlByName(row, L"ID_LAYOUT_EFFECT_ICON");
    if (!icon) return;
    bool changed = false;
    if (auto* base = dynamic_cast<CVXMMediaBase*>(media)) {
        IVXMVideo* video = media->GetVideoStream();
        const bool cropSet = base->m_nCropWidth > 0 && base->m_nCropHeight > 0;
        const bool cropped =
            cropSet && video && (base->m_nCropWidth != video->GetWidth() || base->m_nCropHeight != video->GetHeight());
        // Any effect away from its neutral value.
        const bool effects = base->m_nBrightness != 0 || base->m_nContrast != 0 || base->m_nSaturation != 0 ||
                             base->m_nEffectId > 0 || base->m_nRotate != 0 || base->m_bFlipVertical != 0 ||
                             base->m_bFlipHorizontal != 0 || base->m_n3DOutput != -1;
        changed = cropped || effects;
    }
    icon->SetVisible(changed);
}

// ---- converting -------------------------------------------------------------------------

void CMainPaneUI::HideConvertHint()
{
    if (m_frame) m_frame->HideFirstAid(L"ID_CON_FIRSTAID_CONVERT");
    else if (CControlUI* hint = m_paintManager ? m_paintManager->FindControl(L"ID_CON_FIRSTAID_CONVERT") : nullptr)
        hint->SetVisible(false);
}

bool CMainPaneUI::IsConverting() const
{
    return m_queue.AnyConverting() || m_queue.AnyStopping() || m_queue.AnySavingTags();
}

void CMainPaneUI::OnConvertClick()
{
    SendUsageAction(32, m_burn ? 101 : 100);
    HideConvertHint();
    if (CheckBurn() && m_mediaList) ConvertAll();
}

bool CMainPaneUI::ConvertAll()
{
    if (!m_mediaList) return false;
    CVXMSettings* s = CVXMSettings::GetInstance();
    const SConvertAllResult result = m_queue.ConvertAll(static_cast<int>(s->SimConversionTasks), s->UseNVidiaCUDA != 0);
    if (result.started == 0 && result.refused > 0 && !m_queue.AnyConverting()) {
        // Every start was refused: nothing ran, so no end-of-batch action
        // (shutting the machine down, opening the output folder) runs either.
        LogInfo(kCategory, "No checked row could start: the batch ends before it ran");
    } else if (result.started == 0 && result.refused == 0 && m_mediaList->GetCount() > 0) {
        // Rows that come unchecked (DVD titles but the main one) wait for
        // the user's tick: say so rather than doing nothing.
        LogInfo(kCategory, "Convert all: no row is checked");
        SetStatusText(Translated(L"ID_STRING_NOTHING_CHECKED"));
    }
    return result.started > 0;
}

void CMainPaneUI::StopAll()
{
    m_queue.StopAll();
}

void CMainPaneUI::OnConversionStarted(IVXMMedia* media)
{
    CMediaListItemUI* row = m_mediaList ? m_mediaList->FindItem(media) : nullptr;
    if (!row) return;
    m_queue.NoteStarted();
    if (row->GetStatus() != ITEM_STATUS_CONVERTING) {
        row->TakeStopAsked();  // a stop of an earlier run is no part of this one
        row->SetProgress(0);
        if (m_paintManager) {
            if (CControlUI* c = m_paintManager->FindSubControlByName(row, L"ID_CONTAINER_ITEM_CONVERT")) c->SetVisible(true);
            if (CControlUI* c = m_paintManager->FindSubControlByName(row, L"ID_CONTAINER_ITEM_INFORMATION")) c->SetVisible(false);
        }
        row->UpdateStatus();
        if (m_paintManager) m_paintManager->SendNotify(row, L"transstarted", reinterpret_cast<WPARAM>(media), m_burn ? 1 : 0);
    }
    // The rows joined to the first are its parts while it runs.
    if (m_mediaList->IsJoinMode() && m_mediaList->GetItemIndex(row) == 0) m_mediaList->SetJoinedRunning(media);
    SetMergeButtonsEnabled(false);
    RefreshConvertButton();
}

void CMainPaneUI::RefreshConvertButton()
{
    // Convert is offered exactly while the pane converts nothing (and burns nothing).
    if (m_convertButton) m_convertButton->SetEnabled(!m_burning && !IsConverting());
}

void CMainPaneUI::SetProgress(IVXMMedia* media, int permille)
{
    if (CMediaListItemUI* row = m_mediaList ? m_mediaList->FindItem(media) : nullptr) row->SetProgress(permille);
}

bool CMainPaneUI::OnJobFinished(int result, IVXMMedia* media, std::wstring& profileName)
{
    if (!HoldsMedia(media)) return false;
    OnJobFinished(media, result);
    // A row whose output is getting its tags ends later and is counted then.
    if (CMediaListItemUI* row = m_mediaList->FindItem(media); row && row->IsSavingTags()) return false;
    profileName = m_finishedProfileName;
    return true;
}

IProfile* CMainPaneUI::OnJobFinished(IVXMMedia* media, int exitCode)
{
    if (m_mediaList && media && m_mediaList->GetJoinedRunning() == media) m_mediaList->SetJoinedRunning(nullptr);
    CMediaListItemUI* row = m_mediaList ? m_mediaList->FindItem(media) : nullptr;
    if (!row) return nullptr;
    // Only 0 is success: a positive code is a failed step, -1 a failure,
    // below that the job never ran. The output gets the row's tags before
    // the row ends, off the UI thread (a long file takes seconds to copy).
    if (exitCode == 0 && row->HasTags() && !row->IsSavingTags()) {
        if (row->SaveTagsToOutput()) return row->GetProfile();
        LogErrorW(kCategory, L"The tags of %ls were not written: the program is closing", media->GetOutputPath().c_str());
    }
    return FinishJob(row, media, exitCode, std::wstring());
}

std::wstring CMainPaneUI::FailureReason(IVXMMedia* media, int exitCode)
{
    if (auto* data = dynamic_cast<CVXMMediaBase*>(media); data && !data->m_strLastError.empty()) return data->m_strLastError;
    CLanguageManager* lang = CLanguageManager::GetInstance();
    // A job that found its input gone says nothing itself.
    const std::wstring source = media->GetSourcePath();
    std::error_code ec;
    if (source.rfind(L'/', 0) == 0 && !std::filesystem::exists(PathFromWide(source), ec))
        return FillIn(lang->TranslateDictionary(L"ID_STRING_SOURCE_GONE"), {source});
    return FillIn(lang->TranslateDictionary(L"ID_STRING_FAILED_NO_REASON"), {std::to_wstring(exitCode)});
}

void CMainPaneUI::OnTagsSaved(IVXMMedia* media, const CTagWriteResult& result)
{
    CMediaListItemUI* row = m_mediaList && media ? m_mediaList->FindItem(media) : nullptr;
    if (!row) {
        // Removed while its output got its tags: the next row starts and the batch may end.
        m_queue.StartNext(nullptr, CVXMSettings::GetInstance()->UseNVidiaCUDA != 0);
        if (m_queue.TakeCompletion()) OnAllJobsFinished(nullptr, 0);
        RefreshConvertButton();
        return;
    }
    std::wstring notWritten;
    if (result.result == kTagsNotWritten) {
        // The conversion itself succeeded: the row says so, and why its tags are missing.
        notWritten = TagsNotWrittenText(media->GetOutputPath(), result.why, result.whyText);
        LogErrorW(kCategory, L"%ls", notWritten.c_str());
    }
    FinishJob(row, media, 0, notWritten);
    // Counted as the main window counts a job that ends at once.
    IMainPane* converter = m_frame ? m_frame->GetMainPane() : (m_burn ? nullptr : this);
    if (converter) converter->AddConvertedEntry(m_finishedProfileName);
}

IProfile* CMainPaneUI::FinishJob(CMediaListItemUI* row, IVXMMedia* media, int exitCode, const std::wstring& tagsNotWritten)
{
    IProfile* profile = row->GetProfile();
    IProfileGroup* group = GroupOfRow(row);
    // Kept now: a row removed by a handler below takes its own profile along.
    m_finishedProfileName = CDBHelper::HistoryProfileName(GetProfileManager(), profile);

    const bool succeeded = exitCode == 0;
    const bool stopped = row->TakeStopAsked() && !succeeded;
    if (m_paintManager) {
        CControlUI* convert = m_paintManager->FindSubControlByName(row, L"ID_CONTAINER_ITEM_CONVERT");
        CControlUI* info = m_paintManager->FindSubControlByName(row, L"ID_CONTAINER_ITEM_INFORMATION");
        if (convert && info) {
            convert->SetVisible(false);
            info->SetVisible(true);
        }
    }
    row->UpdateStatus();
    if (succeeded) {
        row->SetStatus(ITEM_STATUS_DONE);
        row->SetStatusText(kStatusTextCompleted);
        if (!tagsNotWritten.empty()) row->SetStatusToolTip(tagsNotWritten);
        row->SetChecked(false);
    } else if (stopped) {
        // The queue must not start the row again either way.
        row->ShowCancelled();
    } else {
        // Why, on the row and in the status bar.
        const std::wstring why = FailureReason(media, exitCode);
        row->ShowFailed(why);
        LogInfoW(kCategory, L"The conversion of %ls failed (%d): %ls", media->GetSourcePath().c_str(), exitCode,
                 why.c_str());
        const std::wstring title = media->GetSourceTitle();
        SetStatusText(FillIn(CLanguageManager::GetInstance()->TranslateDictionary(L"ID_STRING_CONVERSION_FAILED"),
                             {title.empty() ? media->GetSourcePath() : title, why}));
    }
    if (m_paintManager) m_paintManager->SendNotify(row, L"transfinished", reinterpret_cast<WPARAM>(media), m_burn ? 1 : 0);
    // A handler of the notification may have removed the row.
    const bool rowAlive = m_mediaList->FindItem(media) == row;

    m_queue.StartNext(rowAlive ? row : nullptr, CVXMSettings::GetInstance()->UseNVidiaCUDA != 0);

    if (succeeded && rowAlive) {
        CDBHelper* db = CDBHelper::GetInstance();
        if (db && !db->AddConvertedRecord(GetProfileManager(), profile, group, media))
            LogInfoW(kCategory, L"The history record of %ls was not written", media->GetOutputPath().c_str());
        CVXMSettings* s = CVXMSettings::GetInstance();
        if (s->IsExportToiTunes && profile) {
            const std::wstring name = profile->GetName();
            for (const std::wstring& apple : m_mediaList->GetAppleProfileNames())
                if (apple == name) {
                    if (CMediaHandler* handler = CMediaHandler::GetInstance()) handler->AddToiTunes(media->GetOutputPath());
                    break;
                }
        }
        if (group && group->GetHtml5() && !media->GetOutputPath().empty())
            WriteHTML5Page(media->GetOutputPath(), s->PreviewHTML5 != 0);
    }
    if (m_queue.TakeCompletion()) OnAllJobsFinished(rowAlive ? row : nullptr, exitCode);
    RefreshConvertButton();
    return profile;
}

void CMainPaneUI::OnAllJobsFinished(CMediaListItemUI* row, int exitCode)
{
    if (m_mediaList && m_mediaList->IsJoinMode())
        for (int i = 1; i < m_mediaList->GetCount(); ++i)
            if (CMediaListItemUI* r = m_mediaList->GetMediaItem(i)) r->UpdateStatus();
    CVXMSettings* s = CVXMSettings::GetInstance();
    if (s->ShutdownFlag) {
        // Once: the next batch does not power off again unless asked.
        s->ShutdownFlag = 0;
        s->Save();
        if (CControlUI* box = Find(L"IDC_PANE_CHECK_SHUTDOWN"))
            if (auto* option = dynamic_cast<COptionUI*>(box)) option->Selected(false, false);
        Shutdown();
    }
    if (!m_burn && row && s->OpenOutputFolderAfterConvertingFinished && row->GetMedia()) {
        const std::wstring output = row->GetMedia()->GetOutputPath();
        if (FileExists(output))
            if (IShell* shell = Desktop().shell) shell->ShowInFolder(output);
    }
    RefreshConvertButton();
    SetMergeButtonsEnabled(true);
    if (m_burn) {
        StoreMenuSettings();
        if (exitCode == 0) ShowBurner();
    }
}

void CMainPaneUI::SetMergeButtonsEnabled(bool enabled)
{
    if (CControlUI* on = Find(L"ID_BTN_MERGE_ON")) on->SetEnabled(enabled);
    if (CControlUI* off = Find(L"ID_BTN_MERGE_OFF")) off->SetEnabled(enabled);
}

void CMainPaneUI::ShowMergeButtons(bool join)
{
    CControlUI* on = Find(L"ID_BTN_MERGE_ON");
    CControlUI* off = Find(L"ID_BTN_MERGE_OFF");
    if (on && off) {
        on->SetVisible(!join);
        off->SetVisible(join);
    }
    if (m_mediaList) m_mediaList->SetJoinMode(join);
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
        if (m_frame && m_frame->GetHWND()) {
            const RECT win = m_frame->GetWindowRect();
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

bool CMainPaneUI::RemoveRowsOfPath(const std::wstring& path)
{
    if (!m_mediaList) return false;
    bool removed = false;
    for (int i = m_mediaList->GetCount() - 1; i >= 0; --i) {
        if (i >= m_mediaList->GetCount()) continue;
        CMediaListItemUI* row = m_mediaList->GetMediaItem(i);
        IVXMMedia* media = row ? row->GetMedia() : nullptr;
        std::wstring from;
        if (auto* title = dynamic_cast<IVXMDVDTitle*>(media)) from = title->GetDiscPath();
        else if (auto* track = dynamic_cast<IVXMDiscAudiotrack*>(media)) from = track->GetDrivePath();
        if (!IsPathOfRow(from, path)) continue;
        m_mediaList->RemoveItem(row);
        removed = true;
    }
    if (removed) OnListChanged();
    return removed;
}

void CMainPaneUI::OnListChanged()
{
    if (!m_mediaList) return;
    // The previewed row went: the preview lets go of its media before it is released.
    if (m_previewPane && m_previewPane->GetMedia() && !HoldsMedia(m_previewPane->GetMedia()))
        m_previewPane->SetMedia(nullptr);
    const int count = m_mediaList->GetCount();
    if (CControlUI* toolbar = Find(L"ID_LAYOUT_MERGE_TOOLBAR")) {
        toolbar->SetVisible(count >= 2);
        if (count >= 2)
            if (auto* box = dynamic_cast<COptionUI*>(Find(L"IDC_PANE_CHECK_SHUTDOWN")))
                box->Selected(CVXMSettings::GetInstance()->ShutdownFlag != 0, false);
    }
    if (m_burn && !m_burning) SetBurning(false);
    if (count > 0) {
        SelectListPage(1);
        if (m_mediaList->GetCurSel() < 0) m_mediaList->SelectItem(0);
        return;
    }
    SelectListPage(0);
    ShowCurrentProfileSettings(nullptr);
    SetStatusText({});
    if (m_burn) RefreshConvertButton();
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
