// The main window's clicks, menu commands, notifications and popups.
#include "MainFrameCommands.h"
#include "MainFrameDialogs.h"
#include "VXMMainFrameWnd.h"

#include "AppStartup.h"
#include "Log.h"
#include "IVXMMedia.h"
#include "MediaHandler.h"
#include "SkinFolders.h"
#include "VXMGlobal.h"
#include "VXMSettings.h"
#include "VXMUpdater.h"
#include "panes/FileManager.h"
#include "panes/MediaListItemUI.h"
#include "panes/ProfileChooserMessages.h"
#include "platform/folders.h"
#include "platform/text.h"
#include "ui/UICustomControls.h"
#include "ui/UILanguage.h"
#include "ui/UIMenu.h"
#include "ui/desktop/Desktop.h"

#include <QPoint>
#include <QToolTip>
#include <QWidget>

#include <algorithm>
#include <utility>
#include <cstdio>
#include <filesystem>

namespace {

const wchar_t* const kSocialPageA = L"https://social.kestrane.example/vexmora";
const wchar_t* const kSocialPageB = L"https://community.kestrane.example/vexmora";

// The video outputs are not one range: one entry each.
std::vector<CMainFrameCommand> WithVideoOutputs(std::vector<CMainFrameCommand> commands)
{
    for (UINT id : kPlayerVideoOutputIds) commands.push_back({id, 1, "player video output"});
    return commands;
}

// Every command the window takes; a range is one entry.
const std::vector<CMainFrameCommand>& Table()
{
    static const std::vector<CMainFrameCommand> table = WithVideoOutputs({
        {ID_ADD_VIDEO_FILES, 1, "add files"},
        {ID_OPEN_DVD_DRIVE, 2, "open disc drive"},
        {ID_OPEN_DVD_FOLDER, 1, "add folder"},
        {ID_ADD_DVD_ISO, 1, "add disc image"},
        {ID_BATCH_ADD, 1, "batch add"},
        {ID_IMPORT_FROM_WEB, 1, "open addresses"},
        {ID_DOWNLOAD_MP3, 1, "open addresses"},
        {ID_SET_OUTPUT_FOLDER, 1, "choose output folder"},
        {ID_OPEN_OUTPUT_FOLDER, 1, "open output folder"},
        {ID_PASTE_VIDEO_URL, 1, "paste"},
        {32791, 6, "list command"},
        {ID_LIST_UNCHECK_ALL, 1, "list command"},
        {ID_LIST_COPY_URL, 1, "list command"},
        {ID_LIST_OPEN_SOURCE, 2, "list command"},
        {32974, 3, "list command"},
        {ID_JOIN_SELECTED, 1, "join selected"},
        {ID_JOIN_ALL, 1, "join all"},
        {ID_UNJOIN_ALL, 1, "unjoin all"},
        {ID_OPTIONS, 1, "options"},
        {ID_START_CONVERTING, 1, "convert all"},
        {ID_STOP_CONVERTING, 1, "stop all"},
        {ID_LANGUAGE_AUTO, 1 + kLanguageCount, "language"},
        {ID_SKIN_FIRST, kSkinCount, "skin"},
        {ID_EXIT, 1, "exit"},
        {ID_HELP_CONTENTS, 1, "help"},
        {ID_SOFTWARE_WEBSITE, 1, "web site"},
        {ID_CHECK_UPDATES, 1, "check for updates"},
        {ID_ABOUT, 1, "about"},
        {ID_TAKE_SNAPSHOT, 1, "snapshot"},
        {ID_OPEN_SNAPSHOT_FOLDER, 1, "open snapshot folder"},
        {ID_CHANGE_SNAPSHOT_FOLDER, 1, "choose snapshot folder"},
        {ID_PLAYER_OPEN_FILES, 4, "player open"},
        {ID_PLAYER_PLAYLIST, 1, "player play list"},
        {ID_PLAYER_ADD_TO_CONVERTER, 1, "player to converter"},
        {ID_PLAYER_PLAY, 1, "player play"},
        {ID_PLAYER_PAUSE, 1, "player pause"},
        {ID_PLAYER_STOP, 1, "player stop"},
        {ID_PLAYER_FULLSCREEN, 1, "player full screen"},
        {ID_PLAYER_TOPMOST, 1, "player topmost"},
        {ID_PLAYER_SEEK_FIRST, 6, "player seek"},
        {ID_PLAYER_ZOOM_FIT, 1, "player zoom"},
        {ID_PLAYER_ZOOM_FIRST, 6, "player zoom"},
        {ID_PLAYER_RATIO_AUTO, 1, "player ratio"},
        {ID_PLAYER_RATIO_1_1, 1, "player ratio"},
        {ID_PLAYER_RATIO_FIRST, 8, "player ratio"},
        {ID_PLAYER_DEINTERLACE_FIRST, 7, "player deinterlace"},
        {ID_PLAYER_ROTATE_FIRST, 5, "player rotation"},
        {ID_PLAYER_MUTE, 1, "player mute"},
        {ID_PLAYER_CHANNELS_FIRST, 3, "player channels"},
        {ID_AUDIO_TRACK_FIRST, kAudioTrackCount, "player audio track"},
        {ID_PLAYER_SUBTITLE_HIDE, 1, "player subtitle"},
        {ID_SUBTITLE_TRACK_FIRST, kSubtitleTrackCount, "player subtitle"},
        {ID_PLAYER_SUBTITLE_LOAD, 1, "player subtitle file"},
        {ID_DVD_TITLE_FIRST, kDVDTitleCount, "player title"},
        {ID_PLAYER_PREVIOUS, 2, "player previous/next"},
        {ID_PLAYER_AUDIO_DEFAULT, 1, "player audio track"},
        {ID_PLAYER_SUBTITLE_DEFAULT, 1, "player subtitle"},
        {ID_PLAYER_DVD_MENU, 1, "player DVD menu"},
    });
    return table;
}

bool InRange(UINT id, UINT first, UINT count) { return id >= first && id - first < count; }

// Player commands that take no value.
struct CPlainPlayerCommand {
    UINT id;
    void (IPlayerPane::*run)();
};

const CPlainPlayerCommand kPlainPlayerCommands[] = {
    {ID_PLAYER_PLAYLIST, &IPlayerPane::TogglePlaylist},
    {ID_PLAYER_ADD_TO_CONVERTER, &IPlayerPane::AddToConverter},
    {ID_PLAYER_PLAY, &IPlayerPane::Play},
    {ID_PLAYER_PAUSE, &IPlayerPane::Pause},
    {ID_PLAYER_STOP, &IPlayerPane::Stop},
    {ID_PLAYER_FULLSCREEN, &IPlayerPane::ToggleFullScreen},
    {ID_PLAYER_TOPMOST, &IPlayerPane::ToggleAlwaysOnTop},
    {ID_PLAYER_SUBTITLE_LOAD, &IPlayerPane::LoadSubtitleFile},
    {ID_PLAYER_PREVIOUS, &IPlayerPane::PlayPrevious},
    {ID_PLAYER_NEXT, &IPlayerPane::PlayNext},
    {ID_PLAYER_DVD_MENU, &IPlayerPane::ShowDvdMenu},
};

// Keeps a popup's x on the monitor that holds the point, else on the nearest one.
int ClampPopupX(int x, int y)
{
    if (!Desktop().screens) return x;
    std::vector<CScreenInfo> screens = Desktop().screens->List();
    if (screens.empty()) return x;
    for (const CScreenInfo& s : screens)
        if (x >= s.area.left && x < s.area.right && y >= s.area.top && y < s.area.bottom) return x;
    const CScreenInfo* nearest = &screens.front();
    long best = -1;
    for (const CScreenInfo& s : screens) {
        long dx = x < s.area.left ? s.area.left - x : (x >= s.area.right ? x - s.area.right + 1 : 0);
        long dy = y < s.area.top ? s.area.top - y : (y >= s.area.bottom ? y - s.area.bottom + 1 : 0);
        long d = dx * dx + dy * dy;
        if (best < 0 || d < best) {
            best = d;
            nearest = &s;
        }
    }
    return std::clamp<int>(x, nearest->workArea.left, std::max<int>(nearest->workArea.left, nearest->workArea.right - 1));
}

}  // namespace

const std::vector<CMainFrameCommand>& MainFrameCommandTable() { return Table(); }

const CMainFrameCommand* FindMainFrameCommand(UINT id)
{
    for (const CMainFrameCommand& c : Table())
        if (InRange(id, c.first, c.count)) return &c;
    return nullptr;
}

bool ReserveDynamicMenuRanges(CMenuIdSpace& space)
{
    return space.Reserve(L"language", ID_LANGUAGE_AUTO, 1 + kLanguageCount) &&
           space.Reserve(L"skin", ID_SKIN_FIRST, kSkinCount) &&
           space.Reserve(L"audio", ID_AUDIO_TRACK_FIRST, kAudioTrackCount) &&
           space.Reserve(L"subtitle", ID_SUBTITLE_TRACK_FIRST, kSubtitleTrackCount) &&
           space.Reserve(L"dvd", ID_DVD_TITLE_FIRST, kDVDTitleCount);
}

// ---- clicks ---------------------------------------------------------------------------------

void CVXMMainFrameWnd::HideFirstAid(const wchar_t* content)
{
    ShowControl(content, false);
    CVXMSettings& s = *m_settings;
    if (std::wstring(content) == L"ID_CON_FIRSTAID_ADDFILES") s.IsShowFirstAidAddFiles = 0;
    else if (std::wstring(content) == L"ID_CON_FIRSTAID_CONVERT") s.IsShowFirstAidConvert = 0;
    else if (std::wstring(content) == L"ID_CON_FIRSTAID_UNFOLD_LEFT") s.IsShowFirstAidUnfoldLeft = 0;
    ShowDueFirstAid();
}

void CVXMMainFrameWnd::ShowDueFirstAid()
{
    CControlUI* band = Find(L"ID_LAYOUT_FIRSTAID");
    if (!band || !m_settings) return;
    const CVXMSettings& s = *m_settings;
    const std::pair<const wchar_t*, bool> hints[] = {
        {L"ID_CON_FIRSTAID_ADDFILES", s.IsShowFirstAidAddFiles != 0},
        {L"ID_CON_FIRSTAID_CONVERT", s.IsShowFirstAidConvert != 0},
        {L"ID_CON_FIRSTAID_UNFOLD_LEFT", s.IsShowFirstAidUnfoldLeft != 0},
    };
    if (m_firstAidHeight < 0) m_firstAidHeight = band->GetFixedHeight();
    int height = m_firstAidHeight;
    bool any = false;
    for (const auto& [name, due] : hints) {
        CControlUI* hint = Find(name);
        if (!hint) continue;
        hint->SetVisible(due && m_page == 0);
        any |= due;
        if (!due) height -= hint->GetFixedHeight();
    }
    m_firstAidVisible = any;
    // A band of fixed height shrinks by the hints gone.
    if (m_firstAidHeight > 0) band->SetFixedHeight(std::max(0, height));
    band->SetVisible(any && m_page == 0);
    // What lies below moves up at once: no empty block is left painted.
    if (CControlUI* parent = band->GetParent()) parent->NeedUpdate();
    m_PaintManager.Invalidate();
}

void CVXMMainFrameWnd::HideAllFirstAid()
{
    HideFirstAid(L"ID_CON_FIRSTAID_ADDFILES");
    HideFirstAid(L"ID_CON_FIRSTAID_CONVERT");
    HideFirstAid(L"ID_CON_FIRSTAID_UNFOLD_LEFT");
}

void CVXMMainFrameWnd::ToggleMediaManager()
{
    bool show = !IsShown(L"ID_LAYOUT_MEDIA_MAN");
    ShowControl(L"ID_LAYOUT_MEDIA_MAN", show);
    ShowControl(L"ID_BTN_SHOW_LEFT", !show);
    ShowControl(L"ID_BTN_HIDE_LEFT", show);
    if (CControlUI* client = Find(L"ID_LAYOUT_CLIENT_AREA")) client->SetAttribute(L"inset", show ? L"4,1,0,4" : L"0,1,0,4");
    m_settings->ShowMM = show ? 1 : 0;
    FitMinimumWidth();
}

void CVXMMainFrameWnd::FitMinimumWidth()
{
    // The media manager takes its width from the lists: the window keeps the
    // room the lists need at the smallest size (their Convert button too).
    CControlUI* column = Find(L"ID_LAYOUT_MEDIA_MAN");
    SetMinimumWidthExtra(column && IsShown(L"ID_LAYOUT_MEDIA_MAN") ? column->GetFixedWidth() + 4 : 0);
}

void CVXMMainFrameWnd::ToggleRightColumn()
{
    SendUsageAction(32, 0);
    CControlUI* column = RightColumn();
    bool show = !(column && column->IsVisible());
    if (column) column->SetVisible(show);
    ShowControl(L"ID_BTN_SHOW_RIGHT", !show);
    ShowControl(L"ID_BTN_HIDE_RIGHT", show);
    if (IMainPane* pane = GetActivePane()) pane->SetRightColumnShown(show);
}

void CVXMMainFrameWnd::OnClickCommand(const std::wstring& name, CControlUI* sender, bool& taken)
{
    taken = true;
    if (name == L"ID_BTN_OPTIONS") {
        ShowOptions();
    } else if (name == L"ID_BTN_MENU_MAIN") {
        OnCommand(ShowPopup(MENU_MAIN, sender));
    } else if (name == L"ID_BTN_MENU_HELP") {
        OnCommand(ShowPopup(MENU_HELP, sender));
    } else if (name == L"ID_BTN_ADD_DVD" || name == L"ID_BTN_ADD_BURNER_DVD") {
        OpenDiscDrive();
    } else if (name == L"ID_BTN_DROP_ADD_DVD" || name == L"ID_BTN_DROP_ADD_BURNER_DVD") {
        HideFirstAid(L"ID_CON_FIRSTAID_ADDFILES");
        OnCommand(ShowPopup(name == L"ID_BTN_DROP_ADD_DVD" ? MENU_OPENDVD : MENU_OPENBURNDVD, sender));
    } else if (name == L"ID_BTN_DROP_ADD_URL" || name == L"ID_BTN_DROP_ADD_BURNER_URL") {
        HideFirstAid(L"ID_CON_FIRSTAID_ADDFILES");
        OnCommand(ShowPopup(MENU_OPENURL, sender));
    } else if (name == L"ID_BTN_ADD_VIDEO" || name == L"ID_BTN_GETTING_STARTED" || name == L"ID_BTN_ADD_BURNER_VIDEO" ||
               name == L"ID_BTN_BURNER_STARTED") {
        HideAllFirstAid();
        AddFiles();
    } else if (name == L"ID_BTN_ADD_URL" || name == L"ID_BTN_ADD_BURNER_URL") {
        OpenURLs();
    } else if (name == L"ID_BTN_MERGE_ON" || name == L"ID_BTN_MERGE_OFF") {
        if (IMainPane* pane = GetActivePane()) pane->ShowMergeButtons(name == L"ID_BTN_MERGE_ON");
    } else if (name == L"IDC_PANE_CHECK_SHUTDOWN") {
        // The click arrives before the box flips: the new state is the inverse.
        IMainPane* pane = GetActivePane();
        m_settings->ShutdownFlag = (pane && pane->IsShutdownChecked()) ? 0 : 1;
    } else if (name == L"ID_BTN_SHOW_LEFT" || name == L"ID_BTN_HIDE_LEFT") {
        HideFirstAid(L"ID_CON_FIRSTAID_UNFOLD_LEFT");
        SendUsageAction(32, 0);
        ToggleMediaManager();
    } else if (name == L"ID_BTN_SHOW_RIGHT" || name == L"ID_BTN_HIDE_RIGHT") {
        ToggleRightColumn();
    } else if (name == L"ID_BTN_TWITTER" || name == L"ID_BTN_FACEBOOK") {
        SendUsageAction(32, name == L"ID_BTN_TWITTER" ? 190 : 191);
        if (auto* shell = Desktop().shell) shell->Open(name == L"ID_BTN_TWITTER" ? kSocialPageA : kSocialPageB);
    } else if (name == L"ID_BTN_FIRSTAID_ADDFILES") {
        HideFirstAid(L"ID_CON_FIRSTAID_ADDFILES");
    } else if (name == L"ID_BTN_FIRSTAID_CONVERT") {
        HideFirstAid(L"ID_CON_FIRSTAID_CONVERT");
    } else if (name == L"ID_BTN_FIRSTAID_UNFOLD_LEFT") {
        HideFirstAid(L"ID_CON_FIRSTAID_UNFOLD_LEFT");
    } else {
        taken = false;
    }
}

void CVXMMainFrameWnd::CloseMainWindow()
{
    if (!CanClose()) return;
    SendUsageAction(31, 0);
    Close(1);
}

void CVXMMainFrameWnd::ShowOptions()
{
    // One options window at a time.
    if (m_optionsShown) return;
    const auto& dialogs = MainFrameDialogs();
    if (!dialogs.options) {
        LogInfo("CVideoConverterDlg", "The options window is not available");
        return;
    }
    m_optionsShown = true;
    int result = dialogs.options(GetHWND());
    m_optionsShown = false;
    if (result == 0) {
        m_settings->Save();
        ApplyLanguageCommand(0);
        OutputFolderChanged();
    }
}

void CVXMMainFrameWnd::OutputFolderChanged()
{
    for (IMainPane* pane : {m_mainPane, m_burnPane})
        if (pane) pane->OnOutputFolderChanged();
}

void CVXMMainFrameWnd::OpenOutputFolder()
{
    const std::wstring folder = m_settings->OutputFolder;
    if (folder.empty()) return;
    CreateFolderTree(folder);
    ShowInFileManager(GetHWND(), folder, false);
}

void CVXMMainFrameWnd::OpenSnapshotFolder()
{
    const std::wstring folder = m_settings->SnapshotFolder;
    if (folder.empty()) return;
    CreateFolderTree(folder);
    ShowInFileManager(GetHWND(), folder, false);
}

void CVXMMainFrameWnd::ApplyLanguageCommand(UINT id)
{
    if (id >= ID_LANGUAGE_AUTO) {
        std::vector<std::wstring> ids = MainFrameLanguageIds();
        UINT index = id - ID_LANGUAGE_AUTO;
        if (index >= ids.size()) return;
        m_settings->LangID = ids[index];
        m_settings->Save();
    }
    CLanguageManager::GetInstance()->SetLang(m_settings->LangID);
    CLanguageManager::GetInstance()->Translate(this);
    ShowStatusMessage(std::wstring());
    if (CControlUI* root = m_PaintManager.GetRoot()) m_PaintManager.SendNotify(root, L"language_changed", 0, 0, false);
    BuildMenus();
    m_PaintManager.UpdateUI();
}

void CVXMMainFrameWnd::ApplySkinCommand(UINT id)
{
    std::vector<std::wstring> skins = FindSkinNames();
    UINT index = id - ID_SKIN_FIRST;
    if (index >= skins.size()) return;
    ApplySkin(skins[index]);
    BuildMenus();
    m_PaintManager.UpdateUI();
}

void CVXMMainFrameWnd::ApplySkin(const std::wstring& skin)
{
    m_settings->SkinDir = skin.empty() ? kDefaultSkin : skin;
    m_settings->Save();
    ApplySkinImageFolders(m_PaintManager, m_settings->SkinDir);
    m_PaintManager.RemoveAllImages();
    m_PaintManager.Invalidate();
}

// ---- menu commands ----------------------------------------------------------------------------

bool CVXMMainFrameWnd::OnCommand(UINT id)
{
    const CMainFrameCommand* command = FindMainFrameCommand(id);
    if (!command) return false;
    IMainPane* pane = GetActivePane();
    CLanguageManager* lang = CLanguageManager::GetInstance();
    const auto& dialogs = MainFrameDialogs();
    switch (command->first) {
    case ID_ADD_VIDEO_FILES: AddFiles(); break;
    case ID_OPEN_DVD_DRIVE:
        SendUsageAction(32, 0);
        OpenDiscDrive();
        break;
    case ID_OPEN_DVD_FOLDER: AddFolder(); break;
    case ID_ADD_DVD_ISO: AddDVDImage(); break;
    case ID_BATCH_ADD:
        BeginAdding();
        if (dialogs.batchAdd) dialogs.batchAdd(GetHWND());
        break;
    case ID_IMPORT_FROM_WEB: OpenURLs(false); break;
    case ID_DOWNLOAD_MP3: OpenURLs(true); break;
    case ID_SET_OUTPUT_FOLDER:
    case ID_CHANGE_SNAPSHOT_FOLDER: {
        bool output = command->first == ID_SET_OUTPUT_FOLDER;
        std::wstring& setting = output ? m_settings->OutputFolder : m_settings->SnapshotFolder;
        if (!Desktop().files) break;
        std::wstring chosen = Desktop().files->ChooseFolder(GetHWND(), lang->LoadStringW(output ? 129 : 130), setting);
        if (!chosen.empty()) {
            setting = chosen;
            m_settings->Save();
            if (output) OutputFolderChanged();
        }
        break;
    }
    case ID_OPEN_OUTPUT_FOLDER: OpenOutputFolder(); break;
    case ID_PASTE_VIDEO_URL:
        if (pane) Paste(pane);
        break;
    case 32791:
    case ID_LIST_UNCHECK_ALL:
    case ID_LIST_COPY_URL:
    case ID_LIST_OPEN_SOURCE:
    case 32974:
        if (pane) pane->OnListCommand(id);
        break;
    case ID_JOIN_SELECTED:
        ShowStatusMessage(lang->LoadStringW(192));
        if (pane) pane->JoinSelected();
        break;
    case ID_JOIN_ALL:
    case ID_UNJOIN_ALL:
        if (pane) pane->ShowMergeButtons(id == ID_JOIN_ALL);
        break;
    case ID_OPTIONS: ShowOptions(); break;
    case ID_START_CONVERTING:
        if (pane) pane->ConvertAll();
        break;
    case ID_STOP_CONVERTING:
        if (pane) pane->StopAll();
        break;
    case ID_LANGUAGE_AUTO: ApplyLanguageCommand(id); break;
    case ID_SKIN_FIRST: ApplySkinCommand(id); break;
    case ID_EXIT: CloseMainWindow(); break;
    case ID_HELP_CONTENTS:
        if (auto* shell = Desktop().shell) shell->Open(GetOnlineHelpURL());
        break;
    case ID_SOFTWARE_WEBSITE:
        if (auto* shell = Desktop().shell) shell->Open(GetProductPageURL());
        break;
    case ID_CHECK_UPDATES:
        win_sparkle_set_locale(WideToUtf8(lang->GetLangID()).c_str());
        if (dialogs.checkForUpdates) dialogs.checkForUpdates(GetHWND());
        else win_sparkle_check_update_with_ui();
        break;
    case ID_ABOUT:
        if (dialogs.about) dialogs.about(GetHWND());
        break;
    case ID_TAKE_SNAPSHOT:
        if (pane) pane->TakeSnapshot();
        break;
    case ID_OPEN_SNAPSHOT_FOLDER: OpenSnapshotFolder(); break;
    default: RunPlayerCommand(id); break;
    }
    return true;
}

void CVXMMainFrameWnd::RunPlayerCommand(UINT id)
{
    IPlayerPane* player = m_playerPane;
    if (!player) return;
    for (const CPlainPlayerCommand& command : kPlainPlayerCommands) {
        if (command.id != id) continue;
        (player->*command.run)();
        return;
    }
    if (InRange(id, ID_PLAYER_OPEN_FILES, 4)) {
        SendUsageAction(32, 91 + static_cast<int>(id - ID_PLAYER_OPEN_FILES));
        switch (id - ID_PLAYER_OPEN_FILES) {
        case 0: player->OpenFiles(); break;
        case 1: player->OpenDVDFolder(); break;
        case 2: player->OpenDVDDrive(); break;
        default: player->OpenDVDImage(); break;
        }
    } else if (InRange(id, ID_PLAYER_SEEK_FIRST, 6)) {
        static const int kSeconds[] = {10, 60, 600, -10, -60, -600};
        player->Seek(kSeconds[id - ID_PLAYER_SEEK_FIRST]);
    } else if (id == ID_PLAYER_ZOOM_FIT) {
        player->SetZoom(0.0);
    } else if (InRange(id, ID_PLAYER_ZOOM_FIRST, 6)) {
        static const double kZoom[] = {0.5, 1.0, 1.5, 2.0, 3.0, 4.0};
        player->SetZoom(kZoom[id - ID_PLAYER_ZOOM_FIRST]);
    } else if (id == ID_PLAYER_RATIO_AUTO || id == ID_PLAYER_RATIO_1_1 || InRange(id, ID_PLAYER_RATIO_FIRST, 8)) {
        ApplyAspectRatio(id);
    } else if (InRange(id, ID_PLAYER_DEINTERLACE_FIRST, 7)) {
        player->SetDeinterlace(static_cast<int>(id - ID_PLAYER_DEINTERLACE_FIRST));
    } else if (std::find(std::begin(kPlayerVideoOutputIds), std::end(kPlayerVideoOutputIds), id) != std::end(kPlayerVideoOutputIds)) {
        player->SetVideoOutput(static_cast<int>(std::find(std::begin(kPlayerVideoOutputIds), std::end(kPlayerVideoOutputIds), id) -
                                                std::begin(kPlayerVideoOutputIds)));
    } else if (InRange(id, ID_PLAYER_ROTATE_FIRST, 5)) {
        player->SetRotation(static_cast<int>(id - ID_PLAYER_ROTATE_FIRST));
    } else if (id == ID_PLAYER_MUTE) {
        player->SetMute(!player->IsMuted());
    } else if (InRange(id, ID_PLAYER_CHANNELS_FIRST, 3)) {
        player->SetAudioChannels(static_cast<int>(id - ID_PLAYER_CHANNELS_FIRST));
    } else if (InRange(id, ID_AUDIO_TRACK_FIRST, kAudioTrackCount)) {
        player->SelectAudioByIndex(static_cast<int>(id - ID_AUDIO_TRACK_FIRST));
    } else if (id == ID_PLAYER_SUBTITLE_HIDE) {
        player->SelectSubtitleByIndex(-1);
    } else if (InRange(id, ID_SUBTITLE_TRACK_FIRST, kSubtitleTrackCount)) {
        player->SelectSubtitleByIndex(static_cast<int>(id - ID_SUBTITLE_TRACK_FIRST));
    } else if (InRange(id, ID_DVD_TITLE_FIRST, kDVDTitleCount)) {
        player->SelectTitleByIndex(static_cast<int>(id - ID_DVD_TITLE_FIRST));
    } else if (id == ID_PLAYER_AUDIO_DEFAULT) {
        player->SelectAudioByIndex(-1);
    } else if (id == ID_PLAYER_SUBTITLE_DEFAULT) {
        player->SelectSubtitleByIndex(-2);
    }
}

void CVXMMainFrameWnd::ApplyAspectRatio(UINT id)
{
    IPlayerPane* player = m_playerPane;
    if (id == ID_PLAYER_RATIO_1_1) {
        player->SetAspectRatio(1.0);
        return;
    }
    double ratio = 0.0;
    if (id == ID_PLAYER_RATIO_AUTO) {
        player->SetFixedRatio(false);
        int width = 0, height = 0;
        // The video's own shape; without a size (nothing plays, or a zero
        // height) there is no ratio to send.
        if (!player->GetVideoSize(width, height) || width <= 0 || height <= 0) return;
        ratio = static_cast<double>(width) / height;
    } else {
        static const double kRatios[] = {1.5, 4.0 / 3.0, 1.25, 14.0 / 9.0, 1.4, 16.0 / 9.0, 1.6, 2.35};
        player->SetFixedRatio(true);
        ratio = kRatios[id - ID_PLAYER_RATIO_FIRST];
    }
    char command[64];
    std::snprintf(command, sizeof command, "pausing_keep switch_ratio %.6f\n", ratio);
    player->SendPlayerCommand(command);
}

// ---- popups ----------------------------------------------------------------------------------

UINT CVXMMainFrameWnd::ShowPopup(int position, CControlUI* under)
{
    POINT pt{};
    if (under) {
        const RECT& rc = under->GetPos();
        QPoint global(rc.left, rc.bottom);
        if (GetWidget()) global = GetWidget()->mapToGlobal(global);
        pt.x = global.x();
        pt.y = global.y();
    }
    return ShowPopupAt(position, pt);
}

UINT CVXMMainFrameWnd::ShowPopupAt(int position, POINT screenPt)
{
    if (!m_menus) return 0;
    CMenu* popup = m_menus->GetSubMenu(position);
    if (!popup) return 0;
    return TrackPopupMenu(popup, TPM_LEFTALIGN | TPM_RIGHTBUTTON | TPM_RETURNCMD, ClampPopupX(screenPt.x, screenPt.y),
                          screenPt.y, GetHWND());
}

bool CVXMMainFrameWnd::OnContextMenu(POINT screen)
{
    QPoint local(screen.x, screen.y);
    if (GetWidget()) local = GetWidget()->mapFromGlobal(local);
    POINT clientPt{local.x(), local.y()};
    if (IsShown(L"ID_LAYOUT_MAIN") || IsShown(L"ID_LAYOUT_BURNER")) {
        IMainPane* pane = GetActivePane();
        int area = pane ? pane->ContextArea(clientPt) : 0;
        if (area == 1) OnCommand(ShowPopupAt(MENU_MEDIA_LIST, screen));
        else if (area == 2 && m_page == 0) OnCommand(ShowPopupAt(MENU_MEDIAMAN, screen));
        return true;
    }
    if (IsShown(L"ID_LAYOUT_PLAYER")) {
        OnCommand(ShowPopupAt(MENU_PLAYER, screen));
        return true;
    }
    return false;
}

// A popup is about to open: its texts in the current language, its entries enabled.
LRESULT CVXMMainFrameWnd::OnInitMenuPopup(CMenu* menu)
{
    if (!menu) return 0;
    CLanguageManager::GetInstance()->Translate(menu);
    if (!m_menus) return 0;
    IMainPane* pane = GetActivePane();
    // Start exactly while the active pane does not convert, Stop exactly while it does.
    auto enableConverting = [pane, menu] {
        const bool converting = pane && pane->IsConverting();
        menu->Enable(ID_START_CONVERTING, !converting);
        menu->Enable(ID_STOP_CONVERTING, converting);
    };
    if (menu == m_menus->GetSubMenu(MENU_MAIN)) {
        enableConverting();
    } else if (menu == m_menus->GetSubMenu(MENU_MEDIA_LIST) || menu == m_menus->GetSubMenu(MENU_MEDIAMAN)) {
        bool manager = menu == m_menus->GetSubMenu(MENU_MEDIAMAN);
        if (!manager) {
            menu->Enable(ID_PASTE_VIDEO_URL, Desktop().clipboard && Desktop().clipboard->HasText());
            enableConverting();
        }
        // The list shown has the last word (the history list never converts).
        if (pane) pane->PrepareListMenu(*menu, manager);
    } else if (menu == m_menus->GetSubMenu(MENU_PLAYER)) {
        if (m_playerPane) m_playerPane->PreparePlayerMenu(*menu);
    }
    return 0;
}

// ---- notifications ----------------------------------------------------------------------------

void CVXMMainFrameWnd::OnFullScreen(bool on)
{
    QWidget* widget = GetWidget();
    if (!widget || on == m_fullScreen) return;
    // A tip left from the window as it was would float over the picture.
    QToolTip::hideText();
    CControlUI* player = Find(L"ID_LAYOUT_PLAYER");
    if (on) {
        m_wasMaximized = widget->isMaximized();
        const QRect normal = widget->isMaximized() ? widget->normalGeometry() : widget->geometry();
        m_normalGeometry = RECT{normal.left(), normal.top(), normal.right() + 1, normal.bottom() + 1};
        // Everything beside the player page's way up to the root goes: the
        // title bar, the side columns, their buttons, the footer.
        m_hiddenForFullScreen.clear();
        for (CControlUI* c = player; c && c->GetParent(); c = c->GetParent()) {
            auto* parent = dynamic_cast<CContainerUI*>(c->GetParent());
            for (int i = 0; parent && i < parent->GetCount(); ++i) {
                CControlUI* sibling = parent->GetItemAt(i);
                if (sibling == c || !sibling->IsVisible()) continue;
                sibling->SetVisible(false);
                m_hiddenForFullScreen.push_back(sibling);
            }
        }
        m_fullScreen = true;
        widget->showFullScreen();
    } else {
        for (CControlUI* c : m_hiddenForFullScreen) c->SetVisible(true);
        m_hiddenForFullScreen.clear();
        m_fullScreen = false;
        if (m_wasMaximized) {
            widget->showMaximized();
        } else {
            widget->showNormal();
            widget->setGeometry(m_normalGeometry.left, m_normalGeometry.top, m_normalGeometry.right - m_normalGeometry.left,
                                m_normalGeometry.bottom - m_normalGeometry.top);
        }
    }
}

bool CVXMMainFrameWnd::NotifyMap(TNotifyUI& msg)
{
    const std::wstring& type = msg.sType;
    // The lists and rows name their pane by its burn flag in lParam.
    auto paneOf = [this](LPARAM burn) { return burn ? m_burnPane : m_mainPane; };
    if (type == L"media_contextmenu") {
        // The row's point, on the screen.
        OnContextMenu(POINT{static_cast<LONG>(msg.wParam), static_cast<LONG>(msg.lParam)});
    } else if (type == L"windowinit") {
    } else if (type == L"itemselect") {
        // Only the main pane's history-category list counts.
        if (!msg.pSender || msg.pSender->GetName() != L"ID_LIST_HISTORY_CATEGORY") return false;
        if (m_mainPane) m_mainPane->OnHistoryCategory(static_cast<int>(msg.wParam));
    } else if (type == L"fullscreen") {
        OnFullScreen(msg.wParam == 1);
    } else if (type == L"cal_size") {
        if (m_burnPane) m_burnPane->UpdateDiscSizeMeter();
    } else if (type == L"item_created" || type == L"item_removed") {
        if (IMainPane* pane = paneOf(msg.lParam)) pane->RefreshListState();
    } else if (type == L"item_dbclick") {
        // Rows name their list in wParam. With the export to iTunes on, the
        // row's file is looked up there; else the row plays in the preview.
        auto* row = dynamic_cast<CMediaListItemUI*>(msg.pSender);
        IVXMMedia* media = row ? row->GetMedia() : nullptr;
        if (!media) return false;
        if (msg.wParam != 0 && m_settings && m_settings->IsExportToiTunes) {
            if (m_mediaHandler) m_mediaHandler->QueryiTunesTrackInfo(media->GetSourcePath());
        } else if (IMainPane* pane = GetActivePane(); pane && media->GetConvertState() != 1) {
            pane->PlayInPreview(media);
        }
    } else if (type == L"item_profile_changed") {
        auto* row = dynamic_cast<CMediaListItemUI*>(msg.pSender);
        if (!row) return false;
        const SProfileSelection choice = DecodeProfileSelection(msg.wParam, msg.lParam);
        row->SetProfile(choice.profileId, choice.groupId, choice.categoryId);
        if (IMainPane* pane = GetActivePane()) pane->ShowRowProfile(row);
    } else if (type == L"item_checked") {
        if (IMainPane* pane = paneOf(msg.lParam)) pane->RefreshSelection(false);
        return false;
    } else if (type == L"item_selected") {
        if (IMainPane* pane = paneOf(msg.lParam)) pane->RefreshSelection(true);
        return false;
    } else if (type == L"overlap_buttondown") {
        if (auto* overlap = dynamic_cast<COverlapButton*>(msg.pSender)) SelectPage(overlap->GetSelectedIndex());
    } else if (type == L"add_to_converter") {
        SelectPage(0);
        const wchar_t* file = reinterpret_cast<const wchar_t*>(msg.wParam);
        BeginAdding();
        if (file && *file && m_mediaHandler) m_mediaHandler->AddFile(file, -1, 0);
    } else if (type == L"add_to_player") {
        // The player page plays the media itself (it hears the same notice).
        SelectPage(2);
    } else if (type == L"update_status") {
        std::wstring text = CLanguageManager::GetInstance()->LoadStringW(static_cast<UINT>(msg.wParam));
        if (msg.lParam) text = FillIn(text, {reinterpret_cast<const wchar_t*>(msg.lParam)});
        ShowStatusMessage(msg.wParam == 0 ? std::wstring() : text);
    } else if (type == L"transstarted") {
        if (IMainPane* pane = paneOf(msg.lParam)) pane->OnTransStarted();
    } else {
        return false;
    }
    return true;
}
