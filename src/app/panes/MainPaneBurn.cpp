// The burn pane's own side: the disc-size meter and the bit-rate fit, the
// checks before converting, the DVD-menu settings and the hand-over of the
// converted files to the burner.
#include "MainPaneUI.h"

#include "AppStartup.h"
#include "Burner.h"
#include "BurnTvSystem.h"
#include "IProfile.h"
#include "IVXMMedia.h"
#include "Log.h"
#include "MediaListUI.h"
#include "VXMGlobal.h"
#include "VXMSettings.h"
#include "platform/paths.h"
#include "platform/text.h"
#include "platform/paths.h"
#include "ui/UICustomControls.h"
#include "ui/UILanguage.h"
#include "ui/desktop/Desktop.h"

#if __has_include("ProfileSettingsPaneUI.h")
#include "ProfileSettingsPaneUI.h"
#define VXM_BURN_HAVE_PROFILE_SETTINGS 1
#endif

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cwchar>
#include <filesystem>
#include <system_error>

namespace {

const char* const kCategory = "CMainPaneUI";
const char* const kCheckBurnCategory = "?CheckBurn@CMainPaneUI@@IAE_NXZ";
const wchar_t* const kCaption = L"Vexmora Professional";

constexpr int kSingleLayer = 0x480000;  // KiB
constexpr int kDualLayer = 0x880000;
constexpr int kSmallestDisc = 0x240000;
constexpr UINT kBurnTimer = CMainPaneUI::kBurnClockTimer;
constexpr int kMeterSteps = 256;

// The disc-size combo's entry for a capacity.
int SizeIndexOf(int capacity) { return capacity >= 0x680000 ? 1 : 0; }

std::wstring Dictionary(const std::wstring& key) { return CLanguageManager::GetInstance()->TranslateDictionary(key); }

int TextToInt(const std::wstring& text) { return static_cast<int>(std::wcstol(text.c_str(), nullptr, 10)); }

std::wstring BurnTemplateFolder() { return CMainPaneUI::GetModuleDirectory() + L"data/template/"; }

std::vector<std::wstring> BurnTemplates()
{
    std::vector<std::wstring> out;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(WideToUtf8(BurnTemplateFolder()), ec)) {
        if (entry.path().extension() == ".xml" && entry.is_regular_file(ec))
            out.push_back(WideFromPath(entry.path()));
    }
    std::sort(out.begin(), out.end());
    return out;
}

}  // namespace

// ---- settings ---------------------------------------------------------------------------

void CMainPaneUI::LoadBurnSettings()
{
    m_menu = VXM_DVD_MENU_SETTINGS{};
    m_menu.templateFile = BurnTemplateFolder() + L"basic.xml";
    // The sample tune is optional: without it the menu is silent.
    const std::wstring tune = GetModuleDirectory() + L"data/sample/default.mp3";
    if (IsExistingFile(tune)) m_menu.backgroundAudio = tune;
    const std::vector<std::wstring> templates = BurnTemplates();
    const auto at = std::find(templates.begin(), templates.end(), m_menu.templateFile);
    m_templateIndex = at == templates.end() ? 0 : static_cast<int>(at - templates.begin());

    if (CControlUI* audio = Find(L"ID_EDIT_CHANGE_BACK_AUDIO")) audio->SetText(m_menu.backgroundAudio);
    if (CControlUI* duration = Find(L"ID_EDIT_MUSIC_DURATION")) duration->SetText(std::to_wstring(m_menu.musicDuration));
    if (auto* menuBox = dynamic_cast<COptionUI*>(Find(L"ID_CHECK_ENABLE_DVD_MENU"))) menuBox->Selected(m_menu.menuEnabled, false);
    if (auto* fixed = dynamic_cast<COptionUI*>(Find(L"ID_RADIO_MUSIC_DURATION"))) fixed->Selected(!m_menu.durationFromAudio, false);
    if (CControlUI* title = Find(L"ID_EDIT_DVD_MENU_TITLE")) {
        if (title->GetText().empty()) title->SetText(Dictionary(L"ID_STRING_BURN_MENU_TITLE"));
        m_menu.menuTitle = title->GetText();
    }
    m_burner.menuNavigation = Find(L"ID_COMBO_BURN_MENU_NAVI");
    m_burner.recorder = Find(L"ID_COMBO_RECORDER");
    m_burner.writeSpeed = Find(L"ID_COMBO_WRITE_SPEED");
    m_burner.discType = Find(L"ID_COMBO_BURN_DVD_TYPE");
    m_burner.discLabel = Find(L"ID_EDIT_DISC_LABEL");
    m_burner.publisher = Find(L"ID_EDIT_PUBLISHER");
    m_burner.copyright = Find(L"ID_EDIT_COPYRIGHT");
    m_burner.burnSize = Find(L"ID_EDIT_BURNSIZE");
    m_burner.burnTime = Find(L"ID_EDIT_BURNTIME");
    m_burner.burnStatus = Find(L"ID_EDIT_BURNSTATUS");
    m_burner.progress = Find(L"ID_SLIDER_DISC_CAPACITY");
    if (auto* navigation = dynamic_cast<CComboUI*>(m_burner.menuNavigation))
        navigation->SelectItem(m_menu.menuNavigation, false, false);

    if (m_paintManager) m_paintManager->KillTimer(this, kBurnTimer);
    if (auto* progress = dynamic_cast<CProgressUI*>(m_burner.progress)) progress->SetValue(0);
    UpdateSizeMeter();
    m_menu.reserved = 0;
    InitBurner(GetCurrentProfile());
    ShowSettingsPage(-1);
    ChangeTemplate(0, false);
}

void CMainPaneUI::InitBurner(IProfile* profile)
{
    if (!m_burn) return;
    const ETvSystem tv = TvSystemOf(profile);
    InitDUI(m_paintManager ? m_paintManager->GetPaintWindow() : nullptr, 0, &m_menu, &m_burner, 0, 0,
            CLanguageManager::GetInstance()->GetLangID().c_str(), 1, 0, tv == ETvSystem::Ntsc, tv == ETvSystem::Avchd);
}

void CMainPaneUI::StoreMenuSettings()
{
    if (auto* navigation = dynamic_cast<CComboUI*>(m_burner.menuNavigation))
        if (navigation->GetCurSel() >= 0) m_menu.menuNavigation = navigation->GetCurSel();
    if (CControlUI* duration = Find(L"ID_EDIT_MUSIC_DURATION")) m_menu.musicDuration = TextToInt(duration->GetText());
    if (m_burner.writeSpeed) m_menu.writeSpeed = TextToInt(m_burner.writeSpeed->GetText());
    if (auto* fromAudio = dynamic_cast<COptionUI*>(Find(L"ID_RADIO_MUSIC_DURATION_ORIGIN")))
        m_menu.durationFromAudio = fromAudio->IsSelected();
    if (CControlUI* title = Find(L"ID_EDIT_DVD_MENU_TITLE")) m_menu.menuTitle = title->GetText();
    if (auto* menuBox = dynamic_cast<COptionUI*>(Find(L"ID_CHECK_ENABLE_DVD_MENU"))) m_menu.menuEnabled = menuBox->IsSelected();
    if (auto* imageBox = dynamic_cast<COptionUI*>(Find(L"ID_CHECK_CHANGE_BACK_IMAGE")))
        m_menu.useBackgroundImage = imageBox->IsSelected();
    if (CControlUI* audio = Find(L"ID_EDIT_CHANGE_BACK_AUDIO")) m_menu.backgroundAudio = audio->GetText();
    if (CControlUI* image = Find(L"ID_EDIT_CHANGE_BACK_IMAGE")) m_menu.backgroundImage = image->GetText();
}

void CMainPaneUI::ShowSettingsPage(int page)
{
    if (page >= 0 && page != m_settingsPage) {
        m_settingsPage = page;
        SendUsageAction(32, (m_burn ? 140 : 120) + page);
    }
    // Pages 0-2: the profile settings' basic, audio and video sections.
    if (page >= 0 && page <= 2)
        if (auto* settings = dynamic_cast<CProfileSettingsPaneUI*>(m_profileSettings)) settings->ShowSection(page);
    if (page == 3 || page == 4) m_burnerPage = page;
    if (!m_burn) return;
    // Page 3: the burner's options, 4 the disc's menu.
    const bool options = m_burnerPage == 3;
    if (CControlUI* c = Find(L"ID_CON_BURNER_OPTIONS")) c->SetVisible(options);
    if (CControlUI* c = Find(L"ID_CON_BURNER_DVD_MENU")) c->SetVisible(!options);
    if (auto* o = dynamic_cast<COptionUI*>(Find(L"ID_OPTION_CONFIG_BURNER_OPTIONS"))) o->Selected(options, false);
    if (auto* o = dynamic_cast<COptionUI*>(Find(L"ID_OPTION_BASIC_BURNER_SETTINGS"))) o->Selected(!options, false);

    auto* menuBox = dynamic_cast<COptionUI*>(Find(L"ID_CHECK_ENABLE_DVD_MENU"));
    auto* imageBox = dynamic_cast<COptionUI*>(Find(L"ID_CHECK_CHANGE_BACK_IMAGE"));
    const bool menu = !menuBox || menuBox->IsSelected();
    const bool image = menu && imageBox && imageBox->IsSelected();
    const bool templates = menu && TvSystemOf(GetCurrentProfile()) != ETvSystem::Avchd;
    for (const wchar_t* name : {L"ID_BTN_CHANGE_TEMPLATE", L"ID_BTN_LEFT_TEMPLATE", L"ID_BTN_RIGHT_TEMPLATE",
                                L"ID_BTN_CHANGE_TEMPLATE_IMG"})
        if (CControlUI* c = Find(name)) c->SetEnabled(templates);
    for (const wchar_t* name : {L"ID_EDIT_CHANGE_BACK_AUDIO", L"ID_BTN_MUSIC_BROWSE", L"ID_EDIT_MUSIC_DURATION",
                                L"ID_RADIO_MUSIC_DURATION", L"ID_RADIO_MUSIC_DURATION_ORIGIN", L"ID_CHECK_CHANGE_BACK_IMAGE",
                                L"ID_EDIT_DVD_MENU_TITLE", L"ID_COMBO_BURN_MENU_NAVI"})
        if (CControlUI* c = Find(name)) c->SetEnabled(menu);
    if (CControlUI* c = Find(L"ID_BTN_IMAGE_BROWSE")) c->SetEnabled(image);
    if (CControlUI* c = Find(L"ID_EDIT_CHANGE_BACK_IMAGE")) c->SetEnabled(image);
}

void CMainPaneUI::ChangeTemplate(int step, bool wrap)
{
    const std::vector<std::wstring> templates = BurnTemplates();
    if (templates.empty()) return;
    const int count = static_cast<int>(templates.size());
    int index = m_templateIndex + step;
    if (wrap) index = ((index % count) + count) % count;
    index = std::clamp(index, 0, count - 1);
    if (step != 0 && index == m_templateIndex) return;
    m_templateIndex = index;
    m_menu.templateFile = templates[static_cast<size_t>(index)];
    if (step != 0) SendUsageAction(35, index);
    const std::wstring preview = GetXMLImg(m_menu.templateFile.c_str());
    if (preview != m_menuPreview) RemoveMenuPreview();
    m_menuPreview = preview;
    if (CControlUI* c = Find(L"ID_BTN_CHANGE_TEMPLATE_IMG")) c->SetBkImage(preview);
}

// The preview picture is the pane's own: it goes with the pane.
void CMainPaneUI::RemoveMenuPreview()
{
    if (m_menuPreview.empty()) return;
    std::error_code ec;
    std::filesystem::remove(PathFromWide(m_menuPreview), ec);
    m_menuPreview.clear();
}

void CMainPaneUI::BrowseMenuFile(bool audio)
{
    IFileChooser* chooser = Desktop().files;
    if (!chooser) return;
    CFileRequest request;
    request.owner = m_paintManager ? m_paintManager->GetPaintWindow() : nullptr;
    if (audio)
        request.filters = {{L"Audio Files (all types)", {L"*.mp3", L"*.wav", L"*.wma", L"*.m4a", L"*.ogg", L"*.aac", L"*.ac3", L"*.flac"}}};
    else
        request.filters = {{L"Image Files (all types)", {L"*.png", L"*.jpg", L"*.jpeg", L"*.bmp", L"*.gif"}}};
    const std::vector<std::wstring> chosen = chooser->OpenFiles(request);
    if (chosen.empty() || chosen.front().empty()) return;
    if (CControlUI* edit = Find(audio ? L"ID_EDIT_CHANGE_BACK_AUDIO" : L"ID_EDIT_CHANGE_BACK_IMAGE"))
        edit->SetText(chosen.front());
    (audio ? m_menu.backgroundAudio : m_menu.backgroundImage) = chosen.front();
}

// ---- disc size --------------------------------------------------------------------------

void CMainPaneUI::SetDiscSize(int size)
{
    m_discCapacity = std::max(size, 0);
    m_detectedCapacity = m_discCapacity;
    UpdateSizeMeter();
}

void CMainPaneUI::ComputeProjectedSize()
{
    long long total = 0;
    for (int i = 0; m_mediaList && i < m_mediaList->GetCount(); ++i) {
        CMediaListItemUI* row = m_mediaList->GetMediaItem(i);
        IVXMMedia* media = row ? row->GetMedia() : nullptr;
        if (!media || !row->IsChecked()) continue;
        IProfile* profile = row->GetProfile();
        if (!profile) profile = GetCurrentProfile();
        total += static_cast<long long>(media->EstimateOutputSize(profile) & 0xFFFFFFFFull);
    }
    m_projectedSize = static_cast<int>(std::min<long long>(total, INT_MAX));
}

int CMainPaneUI::SetRowsVideoBitrate(int kbps)
{
    int count = 0;
    const std::wstring rate = std::to_wstring(kbps);
    for (int i = 0; m_mediaList && i < m_mediaList->GetCount(); ++i) {
        CMediaListItemUI* row = m_mediaList->GetMediaItem(i);
        IProfile* profile = row ? row->GetProfile() : nullptr;
        if (!profile || profile->GetProfileFlag() == 0) continue;
        profile->SetVideoBitrate(rate);
        ++count;
    }
    ComputeProjectedSize();
    return count;
}

void CMainPaneUI::FitVideoBitrate()
{
    if (!m_burn || m_discCapacity < kSmallestDisc) {
        ComputeProjectedSize();
        return;
    }
    const int limit = static_cast<int>(static_cast<long long>(m_discCapacity) * 9 / 10);
    if (SetRowsVideoBitrate(8000) == 0) return;
    const int total8000 = m_projectedSize;
    if (total8000 > limit) {
        SetRowsVideoBitrate(2000);
        const int total2000 = m_projectedSize;
        if (total2000 < limit) {
            const long long rate = static_cast<long long>((limit - total2000) >> 10) * 6000 /
                                       (((total8000 - total2000) >> 10) + 1) +
                                   2000;
            SetRowsVideoBitrate(static_cast<int>(rate));
        }
    }
#ifdef VXM_BURN_HAVE_PROFILE_SETTINGS
    if (auto* settings = dynamic_cast<CProfileSettingsPaneUI*>(m_profileSettings)) settings->RefreshVideoBitrate();
#endif
}

void CMainPaneUI::UpdateSizeMeter()
{
    if (!m_burn) return;
    if (auto* combo = dynamic_cast<CComboUI*>(Find(L"ID_COMBO_BURN_DVD_SIZE"))) {
        combo->SelectItem(m_discCapacity < kSmallestDisc ? 0 : SizeIndexOf(m_discCapacity), false, false);
        combo->SetEnabled(m_detectedCapacity < kSmallestDisc);
    }
    if (m_discCapacity < kSmallestDisc) m_discCapacity = kSingleLayer;
    FitVideoBitrate();

    wchar_t text[64];
    if (m_discCapacity != 0)
        std::swprintf(text, 64, L"%2.3fGb/%2.3fGb", m_projectedSize / 1048576.0, m_discCapacity / 1048576.0);
    else
        std::swprintf(text, 64, L"%2.3fGb/--", m_projectedSize / 1048576.0);
    if (CControlUI* label = Find(L"ID_LABEL_DISC_SIZE")) label->SetText(text);
    if (auto* bar = dynamic_cast<CProgressUI*>(Find(L"ID_SLIDER_DISC_SIZE"))) {
        bar->SetMinValue(0);
        bar->SetMaxValue(kMeterSteps);
        const int step = m_discCapacity >> 8;
        bar->SetValue(step != 0 ? std::min(m_projectedSize / step, kMeterSteps) : 0);
    }
}

void CMainPaneUI::OnDiscSizeChosen()
{
    auto* combo = dynamic_cast<CComboUI*>(Find(L"ID_COMBO_BURN_DVD_SIZE"));
    if (!combo || combo->GetCurSel() < 0 || combo->GetCurSel() == SizeIndexOf(m_discCapacity)) return;
    m_discCapacity = combo->GetCurSel() == 0 ? kSingleLayer : kDualLayer;
    UpdateSizeMeter();
}

// ---- checks and burning -----------------------------------------------------------------

bool CMainPaneUI::CheckBurn()
{
    if (!m_burn) return true;
    IMessageBox* box = Desktop().messageBox;
    HWND owner = m_paintManager ? m_paintManager->GetPaintWindow() : nullptr;
    auto show = [&](const std::wstring& text, UINT type) { return box ? box->Show(owner, text, kCaption, type) : 0; };
    if (!m_burner.devicePresent) {
        LogInfoW(kCheckBurnCategory, L"CheckBurn() device not exist, %ls", m_burner.message.c_str());
        show(m_burner.message, MB_OK);
        return false;
    }
    if (!m_burner.message.empty()) {
        std::wstring text = CLanguageManager::GetInstance()->FormatDictionary(L"207", m_burner.message.c_str());
        for (size_t at = text.find(L"!,"); at != std::wstring::npos; at = text.find(L"!,", at)) text.erase(at, 1);
        if (show(text, MB_YESNO | MB_ICONERROR) != IDYES) return false;
    }
    if (m_projectedSize > m_discCapacity) {
        const std::wstring text = Dictionary(L"205");
        LogInfoW(kCheckBurnCategory, L"CheckBurn() size not match, %ls, (%ld, %ld)", text.c_str(),
                 static_cast<long>(m_projectedSize), static_cast<long>(m_discCapacity));
        show(text, MB_ICONERROR);
        return false;
    }
    // One disc holds one TV system.
    std::vector<IProfile*> profiles;
    for (int i = 0; m_mediaList && i < m_mediaList->GetCount(); ++i) {
        CMediaListItemUI* row = m_mediaList->GetMediaItem(i);
        if (row && row->IsChecked()) profiles.push_back(row->GetProfile() ? row->GetProfile() : GetCurrentProfile());
    }
    if (!SameTvSystem(profiles)) {
        const std::wstring text = Dictionary(L"ID_STRING_BURN_MIXED_TV");
        LogInfoW(kCheckBurnCategory, L"%ls", text.c_str());
        show(text, MB_ICONERROR);
        return false;
    }
    return true;
}

void CMainPaneUI::ShowBurner()
{
    if (!m_burn || !m_mediaList) return;
    IMessageBox* box = Desktop().messageBox;
    HWND owner = m_paintManager ? m_paintManager->GetPaintWindow() : nullptr;
    CVXMSettings* s = CVXMSettings::GetInstance();
    auto openOutputFolder = [&] {
        IProfile* profile = GetCurrentProfile();
        if (!s->OpenOutputFolderAfterConvertingFinished || !profile) return;
        if (IShell* shell = Desktop().shell) shell->Open(JoinPath(s->OutputFolder, profile->GetFolder()));
    };
    while (!m_burner.message.empty()) {
        if (!box || box->Show(owner, m_burner.message, kCaption, MB_RETRYCANCEL | MB_ICONERROR) != IDRETRY) {
            openOutputFolder();
            return;
        }
    }

    // The converted rows that go on the disc, with their profiles.
    std::vector<VXM_BURN_FILE> files;
    std::vector<IProfile*> profiles;
    const int rows = m_mediaList->IsJoinMode() ? std::min(1, m_mediaList->GetCount()) : m_mediaList->GetCount();
    for (int i = 0; i < rows; ++i) {
        CMediaListItemUI* row = m_mediaList->GetMediaItem(i);
        IVXMMedia* media = row ? row->GetMedia() : nullptr;
        IProfileGroup* group = row ? GroupOfRow(row) : nullptr;
        if (!media || !group || group->GetBurn() == 0 || !IsExistingFile(media->GetOutputPath())) continue;
        VXM_BURN_FILE file;
        file.path = media->GetOutputPath();
        file.seconds = media->GetClipLength() / 1000.0;
        file.title = media->GetOutputName();
        if (file.title.empty()) file.title = media->GetSourceTitle();
        files.push_back(std::move(file));
        profiles.push_back(row->GetProfile() ? row->GetProfile() : GetCurrentProfile());
    }
    if (files.empty()) return;
    if (!SameTvSystem(profiles)) {
        const std::wstring text = Dictionary(L"ID_STRING_BURN_MIXED_TV");
        LogInfoW(kCategory, L"%ls", text.c_str());
        if (box) box->Show(owner, text, kCaption, MB_ICONERROR);
        return;
    }
    const ETvSystem tv = TvSystemOf(profiles.back());
    float frameRate = 0;
    if (tv == ETvSystem::Avchd && profiles.back()) frameRate = static_cast<float>(std::wcstod(profiles.back()->GetFramerate().c_str(), nullptr));

    const std::wstring temp = JoinPath(GetAppDataFolder(), L"dvd_temp");
    std::error_code ec;
    std::filesystem::create_directories(WideToUtf8(temp), ec);
    // The burner's intermediate files go however it returns (no tools, the
    // image dialog cancelled, a failed burn).
    struct CTempFolder {
        std::filesystem::path path;
        ~CTempFolder()
        {
            std::error_code removeError;
            std::filesystem::remove_all(path, removeError);
        }
    } tempFolder{PathFromWide(temp)};
    StoreMenuSettings();
    m_burner.imageFolder = CVXMSettings::GetInstance()->OutputFolder;
    SetBurning(true);
    const int result = ShowDUI(owner, files.data(), &m_menu, temp.c_str(), 0,
                               CLanguageManager::GetInstance()->GetLangID().c_str(), 1, static_cast<int>(files.size()),
                               tv == ETvSystem::Ntsc, tv == ETvSystem::Avchd, frameRate);
    SetBurning(false);
    LogInfo(kCategory, "The burner ended with %d", result);
    if (result == 1) openOutputFolder();
}

void CMainPaneUI::SetBurning(bool busy)
{
    if (!m_burn) return;
    m_burning = busy;
    if (CControlUI* footer = Find(L"ID_LAYOUT_BURNER_FOOTER")) footer->SetVisible(busy);
    if (CControlUI* size = Find(L"ID_LAYOUT_BURNER_SIZE_FOOTER"))
        size->SetVisible(!busy && m_mediaList && m_mediaList->GetCount() > 0);
    if (busy) {
        m_burnStartTick = GetTickCount();
        if (m_paintManager) m_paintManager->SetTimer(this, kBurnTimer, 100);
        OnBurnTimer();
    } else {
        if (m_paintManager) m_paintManager->KillTimer(this, kBurnTimer);
        if (auto* progress = dynamic_cast<CProgressUI*>(m_burner.progress)) progress->SetValue(0);
    }
    UpdateSizeMeter();
    RefreshConvertButton();
}

void CMainPaneUI::OnBurnTimer()
{
    const DWORD elapsed = (GetTickCount() - m_burnStartTick) / 1000;
    wchar_t text[32];
    std::swprintf(text, 32, L"%02d:%02d:%02d", static_cast<int>(elapsed / 3600), static_cast<int>(elapsed / 60 % 60),
                  static_cast<int>(elapsed % 60));
    if (m_burner.burnTime) m_burner.burnTime->SetText(text);
}

void CMainPaneUI::DoEvent(TEventUI& event)
{
    if (event.Type == UIEVENT_TIMER && event.wParam == kBurnTimer && m_burn) {
        OnBurnTimer();
        return;
    }
    CVerticalLayoutUI::DoEvent(event);
}

bool CMainPaneUI::OnBurnNotify(TNotifyUI& msg)
{
    if (!m_burn || !msg.pSender) return false;
    if (msg.sType == L"burn_finished" && msg.pSender == m_burner.burnTime) {
        // The work ended (the burn window stays until it is closed): the clock stops at its time.
        if (m_paintManager) m_paintManager->KillTimer(this, kBurnTimer);
        OnBurnTimer();
        return true;
    }
    const std::wstring name = msg.pSender->GetName();
    if (msg.sType == L"itemselect") {
        if (name == L"ID_COMBO_BURN_DVD_SIZE") {
            OnDiscSizeChosen();
            return true;
        }
        if (name == L"ID_COMBO_BURN_MENU_NAVI") {
            StoreMenuSettings();
            return true;
        }
        return false;
    }
    if (msg.sType == L"selectchanged" && (name == L"ID_CHECK_ENABLE_DVD_MENU" || name == L"ID_CHECK_CHANGE_BACK_IMAGE")) {
        ShowSettingsPage(-1);
        StoreMenuSettings();
        return true;
    }
    if (msg.sType != L"click") return false;
    if (name == L"ID_BTN_LEFT_TEMPLATE") ChangeTemplate(-1, false);
    else if (name == L"ID_BTN_RIGHT_TEMPLATE") ChangeTemplate(1, false);
    else if (name == L"ID_BTN_CHANGE_TEMPLATE" || name == L"ID_BTN_CHANGE_TEMPLATE_IMG") ChangeTemplate(1, true);
    else if (name == L"ID_OPTION_CONFIG_BURNER_OPTIONS") ShowSettingsPage(3);
    else if (name == L"ID_OPTION_BASIC_BURNER_SETTINGS") ShowSettingsPage(4);
    else if (name == L"ID_BTN_MUSIC_BROWSE") BrowseMenuFile(true);
    else if (name == L"ID_BTN_IMAGE_BROWSE") BrowseMenuFile(false);
    else return false;
    return true;
}
