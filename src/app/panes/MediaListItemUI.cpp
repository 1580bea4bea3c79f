#include "MediaListItemUI.h"
#include "SharedProfile.h"
#include "WorkPool.h"

#include "AppStartup.h"
#include "FileManager.h"
#include "Log.h"
#include "MediaListUI.h"
#include "MediaStopper.h"
#include "TagWriter.h"
#include "VXMGlobal.h"
#include "VXMSettings.h"
#include "MainFrameMessages.h"
#include "platform/events.h"
#include "platform/messages.h"
#include "platform/paths.h"
#include "platform/text.h"
#include "ui/UICustomControls.h"
#include "ui/UILanguage.h"
#include "ui/desktop/Desktop.h"
#include "ui/UITimeEdit.h"

#include <algorithm>
#include <cwctype>
#include <deque>
#include <filesystem>
#include <unordered_map>

namespace {
constexpr UINT kDragTimer = 121;
constexpr int kUsageGroup = 32;

std::wstring StatusText(int id)
{
    std::wstring text = CLanguageManager::GetInstance()->LoadStringW(static_cast<UINT>(id));
    if (!text.empty()) return text;
    switch (id) {
    case 167: return L"Converting...";
    case 168: return L"Completed";
    case 169: return L"Waiting...";
    case 170: return L"Cancelled";
    default: return {};
    }
}

std::wstring WithoutTrailingSlash(std::wstring path)
{
    while (path.size() > 1 && path.back() == L'/') path.pop_back();
    return path;
}

// A "bluray:" source on an optical drive (its device or mount point) is
// named after the disc: its label, else the drive's name and "_". Empty for
// every other source.
std::wstring DiscOutputName(const std::wstring& source)
{
    static const std::wstring prefix = L"bluray:";
    if (source.rfind(prefix, 0) != 0) return {};
    IOpticalDrives* drives = Desktop().drives;
    if (!drives) return {};
    const std::wstring where = WithoutTrailingSlash(source.substr(prefix.size()));
    if (where.empty()) return {};
    for (const COpticalDrive& drive : drives->List()) {
        if (drive.device != where && (drive.mountPoint.empty() || WithoutTrailingSlash(drive.mountPoint) != where))
            continue;
        std::wstring name;
        if (!drives->GetVolumeLabel(drive.device, name) || name.empty())
            name = drive.device.substr(drive.device.find_last_of(L'/') + 1) + L"_";
        ReplaceInvalidFileNameChars(name);
        return name;
    }
    return {};
}
}  // namespace

CMediaListItemUI::CMediaListItemUI(CPaintManagerUI* manager, CMediaListUI* owner, bool burnList, bool draggable)
    : m_manager(manager), m_owner(owner), m_burnList(burnList), m_draggable(draggable)
{
}

CMediaListItemUI::~CMediaListItemUI()
{
    CancelThumbnail();
    RemoveThumbnailFile();
}

namespace {
// The named controls under `parent`, not those inside combo lists (their
// rows come and go).
void CollectNamed(CContainerUI* parent, std::vector<CControlUI*>& out)
{
    for (int i = 0; i < parent->GetCount(); ++i) {
        CControlUI* c = parent->GetItemAt(i);
        if (!c) continue;
        if (!c->GetName().empty()) out.push_back(c);
        if (c->GetInterface(L"Combo")) continue;
        if (auto* inner = static_cast<CContainerUI*>(c->GetInterface(L"Container"))) CollectNamed(inner, out);
    }
}
}  // namespace

namespace {
// The sorted names of the named controls of a row, one copy for all rows
// with the same names (every row of a template); the UI thread's only.
const std::vector<std::wstring>* SharedNames(const std::vector<CControlUI*>& subs)
{
    static std::deque<std::vector<std::wstring>> known;
    for (const auto& names : known) {
        if (names.size() != subs.size()) continue;
        size_t i = 0;
        while (i < names.size() && names[i] == subs[i]->GetName()) ++i;
        if (i == names.size()) return &names;
    }
    auto& names = known.emplace_back();
    for (CControlUI* c : subs) names.push_back(c->GetName());
    return &names;
}
}  // namespace

CControlUI* CMediaListItemUI::Sub(const wchar_t* name) const
{
    if (!m_manager) return nullptr;
    if (!m_names) {
        CollectNamed(const_cast<CMediaListItemUI*>(this), m_subs);
        std::stable_sort(m_subs.begin(), m_subs.end(),
                         [](CControlUI* a, CControlUI* b) { return a->GetName() < b->GetName(); });
        m_names = SharedNames(m_subs);
    }
    // Where a name stands among the shared names is kept by the name's
    // address: a row asks with the same literals as the rows before it, and
    // finds its control without reading a name of its own.
    struct CPlace {
        const std::vector<std::wstring>* names = nullptr;
        size_t index = 0;
    };
    static std::unordered_map<const wchar_t*, CPlace> places;
    if (places.size() > 1024) places.clear();  // names not from literals
    CPlace& place = places[name];
    if (place.names == m_names) return m_subs[place.index];
    auto it = std::lower_bound(m_names->begin(), m_names->end(), name,
                               [](const std::wstring& n, const wchar_t* wanted) { return n.compare(wanted) < 0; });
    if (it != m_names->end() && *it == name) {
        place = {m_names, static_cast<size_t>(it - m_names->begin())};
        return m_subs[place.index];
    }
    // Named later, or inside a combo.
    return m_manager->FindSubControlByName(const_cast<CMediaListItemUI*>(this), name);
}

void CMediaListItemUI::Show(const wchar_t* name, bool visible) const
{
    if (CControlUI* c = Sub(name)) c->SetVisible(visible);
}

constexpr const wchar_t* kButtons[] = {
    L"ID_BUTTON_ITEM_CHANGE_FILENAME", L"ID_BUTTON_ITEM_EDIT_OK", L"ID_BUTTON_ITEM_CONVER_START",
    L"ID_BUTTON_ITEM_CONVERT_STOP", L"ID_BUTTON_ITEM_CONVERT_PAUSE", L"ID_BUTTON_ITEM_CONVERT_RESUME",
    L"ID_BUTTON_ITEM_CLIP", L"ID_BUTTON_ITEM_EFFECT", L"ID_BUTTON_ITEM_EDIT", L"ID_BUTTON_ITEM_OUTPUT_FORMAT",
    L"ID_BUTTON_ITEM_CLONE", L"ID_BUTTON_ITEM_REMOVE"};

void CMediaListItemUI::DoInit()
{
    for (const wchar_t* name : kButtons)
        if (CControlUI* b = Sub(name)) {
            b->SetTag(reinterpret_cast<UINT_PTR>(this));
            b->OnEvent += MakeDelegate(this, &CMediaListItemUI::OnSubEvent);
        }
    if (CControlUI* edit = Sub(L"ID_EDIT_ITEM_CHANGE_FILENAME")) {
        edit->SetTag(reinterpret_cast<UINT_PTR>(this));
        edit->OnEvent += MakeDelegate(this, &CMediaListItemUI::OnSubEvent);
    }
    if (m_burnList) Show(L"ID_BUTTON_ITEM_OUTPUT_FORMAT", false);
    if (auto* p = dynamic_cast<CProgressUI*>(Sub(L"ID_PROGRESS_ITEM_CONVERT"))) {
        p->SetMinValue(0);
        p->SetMaxValue(1000);
    }
    RefreshProfileIcon(false);
}

void CMediaListItemUI::DoEvent(TEventUI& event)
{
    if (event.Type == UIEVENT_BUTTONDOWN && event.pSender == this && IsEnabled() && m_draggable &&
        !(m_owner && m_owner->IsMultiSelectState())) {
        if (m_manager) m_manager->SetTimer(this, kDragTimer, 100);
    }
    if (event.Type == UIEVENT_TIMER && event.wParam == kDragTimer) {
        if (m_manager) m_manager->KillTimer(this, kDragTimer);
        if (m_draggable) {
            m_dragging = true;
            if (m_manager)
                m_manager->SendNotify(this, L"item_begin_drag",
                                      reinterpret_cast<WPARAM>(static_cast<IListOwnerUI*>(m_owner)));
        }
        return;
    }
    if (event.Type == UIEVENT_MOUSEMOVE && m_dragging && m_draggable) {
        if (m_manager) m_manager->SendNotify(this, L"item_dragging");
    }
    if (event.Type == UIEVENT_BUTTONUP && m_draggable) {
        const bool wasDragging = m_dragging;
        m_dragging = false;
        if (m_manager) m_manager->KillTimer(this, kDragTimer);
        if (wasDragging && m_manager) m_manager->SendNotify(this, L"item_end_drag");
    }
    if (event.Type == UIEVENT_KILLFOCUS) ShowNameEdit(false);
    // A double click on the row or on any part of it that passes the click
    // on (its name, its thumbnail, its layouts) is the row's; buttons keep theirs.
    if (event.Type == UIEVENT_DBLCLICK) OnDoubleClick();
    if (event.Type == UIEVENT_MOUSEHOVER || event.Type == UIEVENT_SETCURSOR) return;
    CListContainerElementUI::DoEvent(event);
}

bool CMediaListItemUI::OnSubEvent(void* param)
{
    auto* event = static_cast<TEventUI*>(param);
    if (!event || !event->pSender) return true;
    const std::wstring name = event->pSender->GetName();
    if (event->Type == UIEVENT_SETFOCUS && name == L"ID_EDIT_ITEM_CHANGE_FILENAME") {
        // Focus reaching the name edit opens it.
        CControlUI* box = Sub(L"ID_CONTAINER_ITEM_EDIT_NAME");
        if (box && !box->IsVisible()) ShowNameEdit(true);
        return true;
    }
    if (event->Type == UIEVENT_KEYDOWN && event->chKey == VK_ESCAPE && name == L"ID_EDIT_ITEM_CHANGE_FILENAME") {
        // Escape leaves the name as it was.
        ShowNameEdit(false);
        return false;
    }
    if (event->Type == UIEVENT_DBLCLICK) {
        if (name != L"ID_BUTTON_ITEM_CLONE" && name != L"ID_BUTTON_ITEM_REMOVE" && name != L"ID_BUTTON_ITEM_CONVER_START")
            OnDoubleClick();
        return true;
    }
    if (event->Type != UIEVENT_BUTTONUP || !event->pSender->IsEnabled()) return true;
    if (name == L"ID_BUTTON_ITEM_CHANGE_FILENAME") ShowNameEdit(!Sub(L"ID_CONTAINER_ITEM_EDIT_NAME") ||
                                                                !Sub(L"ID_CONTAINER_ITEM_EDIT_NAME")->IsVisible());
    else if (name == L"ID_BUTTON_ITEM_EDIT_OK") {
        ShowNameEdit(false);
        ApplyNameEdit();
    }
    else if (name == L"ID_BUTTON_ITEM_CONVER_START") {
        SendUsageAction(kUsageGroup, 110);
        StartConvert();
    } else if (name == L"ID_BUTTON_ITEM_CONVERT_STOP") StopConvert();
    else if (name == L"ID_BUTTON_ITEM_CONVERT_PAUSE") PauseConvert();
    else if (name == L"ID_BUTTON_ITEM_CONVERT_RESUME") ResumeConvert();
    else if (name == L"ID_BUTTON_ITEM_CLIP") {
        SendUsageAction(kUsageGroup, 111);
        ShowClipDialog();
    } else if (name == L"ID_BUTTON_ITEM_EFFECT") {
        SendUsageAction(kUsageGroup, 112);
        ShowEffectDialog();
    } else if (name == L"ID_BUTTON_ITEM_EDIT") {
        SendUsageAction(kUsageGroup, 118);
        ShowTagEditor();
    } else if (name == L"ID_BUTTON_ITEM_OUTPUT_FORMAT") {
        if (m_manager) m_manager->SendNotify(this, L"show_item_profilewnd", reinterpret_cast<WPARAM>(event->pSender));
    } else if (name == L"ID_BUTTON_ITEM_CLONE" || name == L"ID_BUTTON_ITEM_REMOVE") {
        const bool clone = name == L"ID_BUTTON_ITEM_CLONE";
        SendUsageAction(kUsageGroup, clone ? 114 : 115);
        // The row may be gone once the notification returns.
        if (m_manager) m_manager->SendNotify(this, clone ? L"item_clone" : L"item_remove");
        return false;
    }
    return true;
}

bool CMediaListItemUI::HasPlayableVideo() const
{
    if (!m_media) return false;
    for (int i = 0; i < m_media->GetVideoStreamCount(); ++i)
        if (IVXMVideo* v = m_media->GetVideoStreamAt(i); v && v->GetFrameRate() > 0) return true;
    // Media that answer only with their selected stream.
    IVXMVideo* v = m_media->GetVideoStreamCount() == 0 ? m_media->GetVideoStream() : nullptr;
    return v && v->GetFrameRate() > 0;
}

void CMediaListItemUI::FillInfoLine(IVXMVideo* video)
{
    CControlUI* info = Sub(L"ID_LABEL_MEDIA_INFO");
    if (!info || !video) return;
    std::wstring codec = video->GetCodecName();
    std::transform(codec.begin(), codec.end(), codec.begin(), [](wchar_t c) { return std::towupper(c); });
    codec = codec.substr(0, 5);
    info->SetText(codec + L" | " + std::to_wstring(video->GetWidth()) + L"x" + std::to_wstring(video->GetHeight()) +
                  L" | " + std::to_wstring(static_cast<int>(video->GetFrameRate())) + L" FPS");
}

void CMediaListItemUI::PostToMainWindow(UINT message, WPARAM wParam, LPARAM lParam) const
{
    HWND window = m_manager ? m_manager->GetPaintWindow() : nullptr;
    if (!window || !PostMessage(window, message, wParam, lParam))
        LogError("CMediaListItemUI", "message %u could not reach the main window", message);
}

void CMediaListItemUI::SetMedia(IVXMMedia* media, bool makeThumbnail)
{
    m_media = media;
    SetTag(reinterpret_cast<UINT_PTR>(media));
    if (!media) return;
    const bool prot = media->IsProtected() == 1;
    if (prot)
        for (const wchar_t* n : {L"ID_BUTTON_ITEM_CLIP", L"ID_BUTTON_ITEM_EFFECT", L"ID_BUTTON_ITEM_EDIT"})
            if (CControlUI* c = Sub(n)) c->SetEnabled(false);
    if (const std::wstring disc = DiscOutputName(media->GetSourcePath()); !disc.empty()) media->SetOutputName(disc);
    if (CControlUI* label = Sub(L"ID_LABEL_ITEM_SHORT_NAME")) {
        const std::wstring out = media->GetOutputName();
        label->SetText(out.empty() ? media->GetSourceTitle() : out);
        label->SetToolTip(out.empty() ? media->GetSourcePath() : out);
    }
    IVXMVideo* video = media->GetVideoStream();
    if (video) {
        FillInfoLine(video);
    } else {
        m_shownImage = L"media_list/audio.png";
        if (CControlUI* t = Sub(L"ID_LAYOUT_THUMBNAIL_V")) t->SetBkImage(m_shownImage);
        Show(L"ID_LAYOUT_MEDIA_INFO", false);
    }
    UpdateDuration();
    FillTrackCombos();
    if (CControlUI* icon = Sub(L"ID_LAYOUT_EFFECT_ICONR")) {
        std::wstring ext = media->GetSourceExtension();
        if (!ext.empty() && ext[0] == L'.') ext.erase(0, 1);
        icon->SetBkImage(L"music_thumb/" + ext + L".png");
    }
    if (prot) {
        for (const wchar_t* n : {L"ID_COMBO_AUDIO_TRACK", L"ID_COMBO_SUBTITLE", L"ID_BUTTON_ITEM_CLONE"})
            if (CControlUI* c = Sub(n)) c->SetEnabled(false);
        return;
    }
    if (makeThumbnail) StartThumbnail();
}

void CMediaListItemUI::SetChecked(bool checked)
{
    m_checked = checked;
    if (auto* box = dynamic_cast<COptionUI*>(Sub(L"ID_ITEM_CHECKED"))) box->Selected(checked, false);
}

void CMediaListItemUI::SetDuration(int ms)
{
    if (CControlUI* c = Sub(L"ID_LABEL_MEDIA_DURATION")) c->SetText(FormatTime(ms));
}

void CMediaListItemUI::UpdateDuration()
{
    if (m_media) SetDuration(m_media->GetClipLength());
}

void CMediaListItemUI::SetProfile(int profileId, int groupId, int categoryId)
{
    if (profileId == m_profileId) return;
    if (!SelectProfileById(profileId)) return;
    m_groupId = groupId;
    m_categoryId = categoryId;
    RefreshProfileIcon(false);
}

bool CMediaListItemUI::SelectProfileById(int id)
{
    IProfileManager* catalogue = m_owner ? m_owner->GetProfileManager() : nullptr;
    IProfile* found = catalogue ? catalogue->FindProfileById(id) : nullptr;
    std::unique_ptr<IProfile> copy = found ? found->Clone() : nullptr;
    if (!copy) {
        // The row keeps its profile rather than losing it to an unknown id.
        LogError("CMediaListItemUI", "profile %d is not in the catalogue; the row keeps its profile", id);
        return false;
    }
    const bool audioWasDisabled = m_ownProfile && m_ownProfile->IsAudioDisabled();
    if (IProfile* listProfile = m_owner ? m_owner->GetCurrentProfile() : nullptr) {
        copy->SetSizeMode(listProfile->IsSizeMode());
        copy->SetSourceBitrate(listProfile->IsSourceBitrate());
    }
    if (audioWasDisabled) copy->SetAudioDisabled(1);
    m_ownProfile = std::move(copy);
    m_profileId = id;
    return true;
}

void CMediaListItemUI::RefreshProfileIcon(bool reset)
{
    if (reset) m_profileId = m_groupId = m_categoryId = -1;
    IProfileManager* catalogue = m_owner ? m_owner->GetProfileManager() : nullptr;
    int groupId = m_groupId;
    if (groupId == -1) {
        const CVXMSettings* settings = CVXMSettings::GetInstance();
        groupId = m_burnList ? settings->nBurnerProfileGroup : settings->nProfileGroup;
    }
    IProfileGroup* group = catalogue ? catalogue->FindGroupById(groupId) : nullptr;
    if (CControlUI* button = Sub(L"ID_BUTTON_ITEM_OUTPUT_FORMAT")) {
        if (group) button->SetBkImage(L"file='profile_wnd/icons/small/" + group->GetIcon() + L"'");
        IProfile* profile = GetProfile();
        CLanguageManager* language = CLanguageManager::GetInstance();
        // The profile is named as the chooser names it, in the user's language.
        const std::wstring desc = profile ? language->TranslateDictionary(profile->GetDesc()) : std::wstring();
        button->SetToolTip(language->FormatString(155, desc.c_str()));
    }
    m_audioOnlyGroup = group && group->GetAudio();
    EnableNoAudioChoice();
}

std::shared_ptr<IProfile> CMediaListItemUI::ShareProfile() const
{
    if (m_ownProfile) return m_ownProfile;
    return BorrowProfile(m_owner ? m_owner->GetCurrentProfile() : nullptr);
}

IProfile* CMediaListItemUI::GetProfile() const
{
    if (m_ownProfile) return m_ownProfile.get();
    return m_owner ? m_owner->GetCurrentProfile() : nullptr;
}

void CMediaListItemUI::StartConvert()
{
    // A row whose stop has not ended yet cannot start again.
    if (!m_media || m_stopping) return;
    if (m_burnList) {
        // The burn pane says whether a burn may start now.
        HWND window = m_manager ? m_manager->GetPaintWindow() : nullptr;
        if (!window || SendMessage(window, WM_VXM_CHECK_BURN, 0, 0) == 0) return;
    }
    if (m_media->GetConvertState() == 1) return;
    if (m_media->IsProtected() == 1) return;
    if (m_owner) m_owner->BuildJoinList(m_media);
    if (!m_owner || !m_owner->Convert(m_media, GetProfile())) return;
    m_paused = false;
    m_stopAsked = false;
    Show(L"ID_BUTTON_ITEM_CONVERT_RESUME", false);
    Show(L"ID_BUTTON_ITEM_CONVERT_PAUSE", true);
    Show(L"ID_CONTAINER_ITEM_CONVERT", true);
    Show(L"ID_CONTAINER_ITEM_INFORMATION", false);
    if (auto* p = dynamic_cast<CProgressUI*>(Sub(L"ID_PROGRESS_ITEM_CONVERT"))) p->SetValue(0);
    if (auto* t = dynamic_cast<CTextProgressUI*>(Sub(L"ID_PROGRESS_ITEM_CONVERT"))) t->SetStartTick(GetTickCount());
}

void CMediaListItemUI::PauseConvert()
{
    if (!m_media) return;
    Show(L"ID_BUTTON_ITEM_CONVERT_RESUME", true);
    Show(L"ID_BUTTON_ITEM_CONVERT_PAUSE", false);
    m_media->PauseConvert();
    m_paused = true;
    if (m_status == ITEM_STATUS_CONVERTING) SetStatusKey(L"ID_STRING_PAUSED");
    // A paused job has no time left to tell.
    if (auto* t = dynamic_cast<CTextProgressUI*>(Sub(L"ID_PROGRESS_ITEM_CONVERT"))) t->SetStartTick(0);
}

void CMediaListItemUI::ResumeConvert()
{
    if (!m_media) return;
    Show(L"ID_BUTTON_ITEM_CONVERT_RESUME", false);
    Show(L"ID_BUTTON_ITEM_CONVERT_PAUSE", true);
    m_media->ResumeConvert();
    m_paused = false;
    if (m_status == ITEM_STATUS_CONVERTING) SetStatusText(167);
    // The time paused is no part of the rate: it is measured again from here.
    if (auto* t = dynamic_cast<CTextProgressUI*>(Sub(L"ID_PROGRESS_ITEM_CONVERT"))) t->SetStartTick(GetTickCount());
}

void CMediaListItemUI::StopConvert()
{
    // A tag save is not cut short: it ends in seconds with the file whole.
    if (!m_media || m_media->IsProtected() == 1 || m_stopping || m_tagTicket) return;
    // Running, or between two steps of its job.
    if (m_status == ITEM_STATUS_CONVERTING || m_media->GetConvertState() != 0) {
        // The engine waits for the conversion to end: the media stopper does
        // that waiting, and the row says so until it is over.
        m_stopping = true;
        m_stopAsked = true;
        m_paused = false;
        if (CControlUI* label = Sub(L"ID_LABEL_ITEM_STATUS")) {
            label->SetVisible(true);
            label->SetText(CLanguageManager::GetInstance()->TranslateDictionary(L"ID_STRING_STOPPING"));
        }
        MediaStopper().Stop(m_media, m_owner ? m_owner->GetQueueTarget() : nullptr, CMediaListUI::kStopDone);
        return;
    }
    ShowStopped();
}

bool CMediaListItemUI::SaveTagsToOutput()
{
    if (!m_media || !m_owner || m_tagTicket) return false;
    static unsigned tickets = 0;
    unsigned ticket = ++tickets;
    if (ticket == 0) ticket = ++tickets;
    if (!WriteMediaTagsLater(m_media->GetOutputPath(), m_tags, false, m_owner->GetQueueTarget(),
                             CMediaListUI::kTagsSaved, ticket))
        return false;
    m_tagTicket = ticket;
    if (CControlUI* label = Sub(L"ID_LABEL_ITEM_STATUS")) {
        label->SetVisible(true);
        label->SetText(CLanguageManager::GetInstance()->TranslateDictionary(L"ID_STRING_SAVING"));
    }
    return true;
}

void CMediaListItemUI::OnStopDone()
{
    m_stopping = false;
    ShowStopped();
}

void CMediaListItemUI::ShowStopped()
{
    if (auto* p = dynamic_cast<CProgressUI*>(Sub(L"ID_PROGRESS_ITEM_CONVERT"))) p->SetValue(0);
    std::error_code ec;
    const std::wstring out = m_media ? m_media->GetOutputPath() : std::wstring();
    if (out.empty() || !std::filesystem::is_regular_file(PathFromWide(out), ec)) ShowCancelled();
}

void CMediaListItemUI::ShowCancelled()
{
    m_status = ITEM_STATUS_FAILED;
    SetStatusText(170);
}

void CMediaListItemUI::ShowFailed(const std::wstring& why)
{
    m_status = ITEM_STATUS_FAILED;
    SetStatusKey(L"ID_STRING_FAILED");
    SetStatusToolTip(why);
}

void CMediaListItemUI::SetProgress(int value)
{
    auto* p = dynamic_cast<CProgressUI*>(Sub(L"ID_PROGRESS_ITEM_CONVERT"));
    if (!p) return;
    const bool first = p->GetValue() == 0;
    p->SetValue(std::clamp(value, 0, 1000));
    if (first) {
        // The rate is measured from the first report on: the time left shows
        // from the next one.
        if (auto* t = dynamic_cast<CTextProgressUI*>(p)) t->SetStartTick(GetTickCount());
        Show(L"ID_CONTAINER_ITEM_CONVERT", true);
        Show(L"ID_CONTAINER_ITEM_INFORMATION", false);
    }
}

void CMediaListItemUI::SetStatusText(int textId)
{
    CControlUI* label = Sub(L"ID_LABEL_ITEM_STATUS");
    m_statusToolTip.clear();
    m_statusTextId = textId;
    m_statusKey.clear();
    if (!label) return;
    label->SetToolTip(std::wstring());
    if (textId < 1) {
        label->SetVisible(false);
        return;
    }
    label->SetVisible(true);
    label->SetText(StatusText(textId));
}

void CMediaListItemUI::SetStatusKey(const std::wstring& key)
{
    SetStatusText(0);
    m_statusKey = key;
    if (CControlUI* label = Sub(L"ID_LABEL_ITEM_STATUS")) {
        label->SetVisible(true);
        label->SetText(CLanguageManager::GetInstance()->TranslateDictionary(key));
    }
}

std::wstring CMediaListItemUI::GetStatusText() const
{
    if (m_statusTextId > 0) return StatusText(m_statusTextId);
    return m_statusKey.empty() ? std::wstring() : CLanguageManager::GetInstance()->TranslateDictionary(m_statusKey);
}

void CMediaListItemUI::ApplyLanguage()
{
    CLanguageManager* lang = CLanguageManager::GetInstance();
    if (CControlUI* label = Sub(L"ID_LABEL_ITEM_STATUS")) {
        if (m_statusTextId > 0) label->SetText(StatusText(m_statusTextId));
        else if (!m_statusKey.empty()) label->SetText(lang->TranslateDictionary(m_statusKey));
    }
    for (const auto& [name, id] : {std::pair{L"ID_COMBO_AUDIO_TRACK", 156u}, std::pair{L"ID_COMBO_SUBTITLE", 157u}})
        if (CControlUI* combo = Sub(name); combo && !combo->GetToolTip().empty()) combo->SetToolTip(lang->LoadStringW(id));
    if (CControlUI* combo = Sub(L"ID_COMBO_AUDIO_TRACK"); combo && m_joinedAudio)
        combo->SetToolTip(lang->TranslateDictionary(L"ID_STRING_JOINED_AUDIO"));
    RefreshProfileIcon(false);
}

void CMediaListItemUI::SetStatusToolTip(const std::wstring& text)
{
    m_statusToolTip = text;
    if (CControlUI* label = Sub(L"ID_LABEL_ITEM_STATUS")) label->SetToolTip(text);
}

void CMediaListItemUI::UpdateStatus()
{
    if (!m_media) return;
    const int state = m_media->GetConvertState();
    if (state == 1) {
        SetEnabled(false);
        m_status = ITEM_STATUS_CONVERTING;
        if (m_paused) SetStatusKey(L"ID_STRING_PAUSED");
        else SetStatusText(167);
    } else if (state == 0 || state == -1) {
        m_paused = false;
        SetEnabled(true);
        if (CControlUI* c = Sub(L"ID_BUTTON_ITEM_CLONE")) c->SetEnabled(true);
        m_status = state == -1 ? ITEM_STATUS_DONE : ITEM_STATUS_NONE;
        SetStatusText(state == -1 ? 168 : 0);
    }
}

void CMediaListItemUI::SetButtonsEnabled(bool enabled)
{
    const bool prot = enabled && m_media && m_media->IsProtected() == 1;
    const bool cdTrack = m_media && m_media->GetMediaKind() == 2;
    for (const wchar_t* n : {L"ID_BUTTON_ITEM_CONVER_START", L"ID_BUTTON_ITEM_REMOVE"})
        if (CControlUI* c = Sub(n)) c->SetEnabled(enabled);
    for (const wchar_t* n : {L"ID_BUTTON_ITEM_CLIP", L"ID_BUTTON_ITEM_EFFECT", L"ID_BUTTON_ITEM_CLONE"})
        if (CControlUI* c = Sub(n)) c->SetEnabled(enabled && !prot);
    if (CControlUI* c = Sub(L"ID_BUTTON_ITEM_EDIT")) c->SetEnabled(enabled && !prot && !cdTrack);
}

void CMediaListItemUI::SetJoinLayout(bool joined)
{
    const double zoom = CPaintManagerUI::GetZoom() > 0 ? CPaintManagerUI::GetZoom() : 1.0;
    // A joined row is an indented part of the first row's output; both hold
    // the name, the information or progress line and the track choices.
    SetFixedHeight(static_cast<int>((joined ? kJoinedRowHeight : kRowHeight) * zoom));
    // It is lower by the room above and below its content, which stays whole.
    if (!m_rowInset) m_rowInset = GetInset();
    RECT inset = *m_rowInset;
    if (joined) {
        const int less = static_cast<int>((kRowHeight - kJoinedRowHeight) * zoom / 2);
        inset.top = std::max(0, static_cast<int>(inset.top) - less);
        inset.bottom = std::max(0, static_cast<int>(inset.bottom) - less);
    }
    SetInset(inset);
    SetPadding(RECT{joined ? 20 : 0, 0, 0, 0});
    SetBorderSize(joined ? 1 : 0);
    if (CControlUI* column = Sub(L"ID_LAYOUT_THUMBNAIL_H")) column->SetFixedWidth(static_cast<int>((joined ? 55 : 60) * zoom));
    Show(L"ID_PADDING_GENTER", !joined);
    Show(L"ID_PROFILE_SEP", !joined);
    Show(L"ID_BUTTON_ITEM_OUTPUT_FORMAT", !joined && !m_burnList);
}

namespace {
// Rows with a thumbnail task by ticket (UI thread only); a row leaves it when
// its task is cancelled or applied, and at the latest in its destructor.
std::unordered_map<unsigned, CMediaListItemUI*>& ThumbnailRows()
{
    static std::unordered_map<unsigned, CMediaListItemUI*> rows;
    return rows;
}
}  // namespace

bool CMediaListItemUI::ThumbnailDone(unsigned ticket)
{
    auto it = ThumbnailRows().find(ticket);
    return it != ThumbnailRows().end() && it->second->OnThumbnailDone(ticket);
}

void CMediaListItemUI::StartThumbnail()
{
    if (IsThumbnailRunning() || !m_media) return;  // never two at once
    const std::wstring file = GetTempThumbnailPath();
    if (file.empty()) return;
    RemoveThumbnailFile();
    m_thumbFile = file;
    const bool video = HasPlayableVideo();
    const bool cdTrack = m_media->GetMediaKind() == 2;
    Show(L"TRACKANDSUBTITLE", video);
    Show(L"ID_BUTTON_ITEM_EFFECT", video);
    if (CControlUI* edit = Sub(L"ID_BUTTON_ITEM_EDIT")) {
        edit->SetVisible(!video && !m_tagEditOff);
        edit->SetEnabled(!cdTrack);
    }
    m_media->SetThumbnailPath(file);
    if (!video) return;
    static std::atomic<unsigned> tickets{0};
    unsigned ticket = ++tickets;
    if (ticket == 0) ticket = ++tickets;
    m_thumbTicket = ticket;
    ThumbnailRows()[ticket] = this;
    auto result = std::make_shared<std::atomic<int>>(0);
    m_thumbResult = result;
    IVXMMedia* media = m_media;
    const HWND done = m_owner ? m_owner->GetQueueTarget() : nullptr;
    const int seconds = media->GetStartTime() / 1000 + (media->GetClipLength() < 5001 ? 1 : 5);
    // The task only calls the engine, stores the result and posts its ticket;
    // the UI thread applies the result to the controls. Removing the row
    // cancels it (or waits for it) before the media goes.
    // After the result is stored the task touches nothing of the row's.
    auto post = [result, done, ticket](int outcome) {
        result->store(outcome);
        if (done) PostMessage(done, CMediaListUI::kThumbnailDone, ticket, 0);
    };
    // The picture is looked for here: a lookup in the temporary folder waits
    // while other workers create files there, which the UI thread must not.
    m_thumbTask = MediaWorkPool().Submit([media, seconds, post, file] {
                                             const bool made = media->MakeThumbnail(seconds, 58, 38) == 0;
                                             std::error_code ec;
                                             post(made && std::filesystem::exists(PathFromWide(file), ec) ? 1 : -1);
                                         },
                                         [post](const std::string& what) {
                                             LogError("CMediaListItemUI", "Making a thumbnail failed: %s", what.c_str());
                                             post(-1);
                                         });
    if (m_thumbTask == 0) ForgetThumbnailTask();
}

void CMediaListItemUI::ForgetThumbnailTask()
{
    if (m_thumbTicket) ThumbnailRows().erase(m_thumbTicket);
    m_thumbTask = 0;
    m_thumbResult.reset();
    m_thumbTicket = 0;
}

bool CMediaListItemUI::OnThumbnailDone(unsigned ticket)
{
    if (ticket == 0 || ticket != m_thumbTicket) return false;
    ApplyThumbnailResult();
    return true;
}

void CMediaListItemUI::ApplyThumbnailResult()
{
    const int result = m_thumbResult ? m_thumbResult->load() : 0;
    if (result == 0) return;
    // Done with the media: no need to wait for the worker to leave the task.
    ForgetThumbnailTask();
    if (!m_media) return;
    if (result != 1) {
        LogErrorW("CMediaListItemUI", L"Getting thumbnail %ls of file %ls failed!", m_thumbFile.c_str(),
                  m_media->GetSourcePath().c_str());
        return;
    }
    const std::wstring file = m_thumbFile.empty() ? m_media->GetThumbnailPath() : m_thumbFile;
    if (!file.empty()) {
        m_shownImage = file;
        if (CControlUI* t = Sub(L"ID_LAYOUT_THUMBNAIL_V")) t->SetBkImage(file);
    }
}

void CMediaListItemUI::CancelThumbnail()
{
    if (m_thumbTask) MediaWorkPool().Cancel(m_thumbTask);
    ForgetThumbnailTask();
}

// The row's temporary picture goes with the row (the history keeps copies).
void CMediaListItemUI::RemoveThumbnailFile()
{
    if (m_thumbFile.empty()) return;
    std::error_code ec;
    std::filesystem::remove(PathFromWide(m_thumbFile), ec);
    m_thumbFile.clear();
}

IVXMMedia* CMediaListItemUI::TakeMedia()
{
    CancelThumbnail();
    IVXMMedia* media = m_media;
    m_media = nullptr;
    SetTag(0);
    return media;
}

void CMediaListItemUI::ShowNameEdit(bool show)
{
    CControlUI* box = Sub(L"ID_CONTAINER_ITEM_EDIT_NAME");
    if (!box) return;
    box->SetVisible(show);
    // The edit takes the name's place: nothing else in the row moves.
    Show(L"ID_LABEL_ITEM_SHORT_NAME", !show);
    if (show) {
        if (CControlUI* edit = Sub(L"ID_EDIT_ITEM_CHANGE_FILENAME")) {
            edit->SetVisible(true);
            if (m_media) {
                const std::wstring out = m_media->GetOutputName();
                edit->SetText(out.empty() ? m_media->GetSourceTitle() : out);
            }
            edit->SetFocus();
        }
    }
    Show(L"ID_BUTTON_ITEM_REMOVE", !show);
    Show(L"ID_BUTTON_ITEM_CLONE", !show);
}

bool CMediaListItemUI::IsNameEditShown() const
{
    CControlUI* box = Sub(L"ID_CONTAINER_ITEM_EDIT_NAME");
    return box && box->IsVisible();
}

void CMediaListItemUI::ApplyNameEdit()
{
    CControlUI* edit = Sub(L"ID_EDIT_ITEM_CHANGE_FILENAME");
    if (edit && SetOutputName(edit->GetText()) && m_manager)
        m_manager->SendNotify(this, L"mediaitem_name_changed", reinterpret_cast<WPARAM>(edit));
}

bool CMediaListItemUI::SetOutputName(std::wstring text)
{
    if (!m_media || text.empty()) return false;
    const std::wstring out = m_media->GetOutputName();
    if (!out.empty() && out == text) return false;
    if (out.empty() && text == m_media->GetSourceTitle()) return false;
    ReplaceInvalidFileNameChars(text);
    m_media->SetOutputName(text);
    if (CControlUI* label = Sub(L"ID_LABEL_ITEM_SHORT_NAME")) {
        label->SetText(text);
        label->SetToolTip(text);
    }
    return true;
}

void CMediaListItemUI::ShowOutputInFolder()
{
    if (!m_media) return;
    const std::wstring out = m_media->GetOutputPath();
    std::error_code ec;
    if (out.empty() || !std::filesystem::is_regular_file(PathFromWide(out), ec)) return;
    ShowInFileManager(m_manager ? m_manager->GetPaintWindow() : nullptr, out, true);
}

bool CMediaListItemUI::IsJoinedItem() const
{
    return m_owner && m_owner->IsJoinMode() && m_owner->GetItemIndex(const_cast<CMediaListItemUI*>(this)) > 0;
}
