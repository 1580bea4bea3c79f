#include "ProfileSettingsPaneUI.h"

#include "AppStartup.h"
#include "CustomOptDlgUI.h"
#include "IProfile.h"
#include "IVXMMedia.h"
#include "IVXMStreams.h"
#include "Log.h"
#include "MediaHandler.h"
#include "PropListItemUI.h"
#include "TypedFolder.h"
#include "VXMGlobal.h"
#include "VXMSettings.h"
#include "platform/text.h"
#include "ui/UIRender.h"
#include "ui/desktop/Desktop.h"

#include <json/value.h>

#include <QPoint>
#include <QWidget>

#include <filesystem>

namespace {

const char* const kCategory = "ProfileSettingsPane";
const wchar_t* const kRebuildNotify = L"prop_rebuild";  // the pane to itself, after the running dispatch

enum ESection { kBasic = 0, kAudio = 1, kVideo = 2 };

// Window styles of the custom-value pop-up.
constexpr DWORD kStyleCaption = 0x00C00000;
constexpr DWORD kStyleSysMenu = 0x00080000;
constexpr DWORD kStyleClipSiblings = 0x04000000;
constexpr DWORD kStyleClipChildren = 0x02000000;

// A rebuild triggered by the defaults a rebuild applies may trigger one more,
// not an endless chain.
constexpr int kMaxFollowUps = 2;

std::wstring Lang(UINT id) { return CLanguageManager::GetInstance()->LoadStringW(id); }
std::wstring Dict(const wchar_t* key) { return CLanguageManager::GetInstance()->TranslateDictionary(key); }

// The member of an object, or null.
const Json::Value* Member(const Json::Value& object, const std::string& key)
{
    if (!object.isObject()) return nullptr;
    return object.find(key.data(), key.data() + key.size());
}

bool StartsWith(const std::wstring& text, const wchar_t* prefix) { return text.rfind(prefix, 0) == 0; }

// Audio codecs that never carry six channels.
bool OffersSurround(const std::wstring& codec)
{
    for (const wchar_t* p : {L"mp2", L"mp3", L"ape", L"Original", L"vorbis"})
        if (StartsWith(codec, p)) return false;
    return codec != L"WMA 9.2" && codec != L"wmav1" && codec != L"wmav2";
}

void MakeFolder(const std::wstring& folder)
{
    if (folder.empty()) return;
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(ToUTF8(folder)), ec);
    if (ec) LogErrorW(kCategory, L"Could not create the folder %s (error %d)", folder.c_str(), ec.value());
}

// Usage-action values of the parameter rows.
int ActionOfRow(int row)
{
    switch (row) {
    case CProfileSettingsPaneUI::kVideoSize: return 1;
    case CProfileSettingsPaneUI::kQuality: return 2;
    case CProfileSettingsPaneUI::kVideoCodec: return 3;
    case CProfileSettingsPaneUI::kVideoBitrate: return 4;
    case CProfileSettingsPaneUI::kFrameRate: return 5;
    case CProfileSettingsPaneUI::kAspect: return 6;
    case CProfileSettingsPaneUI::kEncodePass: return 7;
    case CProfileSettingsPaneUI::kAudioCodec: return 8;
    case CProfileSettingsPaneUI::kAudioBitrate: return 9;
    case CProfileSettingsPaneUI::kSampleRate: return 10;
    case CProfileSettingsPaneUI::kChannels: return 11;
    case CProfileSettingsPaneUI::kGifDuration: return 12;
    case CProfileSettingsPaneUI::kGifInterval: return 13;
    default: return -1;
    }
}

// The rows whose lists take the user's own values, with the profile's calls
// that add and remove such a value.
struct CUserValueRow {
    int row;
    void (IProfile::*add)(const std::wstring&);
    int (IProfile::*remove)(const std::wstring&);
};

const CUserValueRow kUserValueRows[] = {
    {CProfileSettingsPaneUI::kVideoSize, &IProfile::SetVideoSize, &IProfile::RemoveVideoSize},
    {CProfileSettingsPaneUI::kVideoBitrate, &IProfile::SetVideoBitrate, &IProfile::RemoveVideoBitrate},
    {CProfileSettingsPaneUI::kFrameRate, &IProfile::SetFramerate, &IProfile::RemoveFramerate},
    {CProfileSettingsPaneUI::kAudioBitrate, &IProfile::SetAudioBitrate, &IProfile::RemoveAudioBitrate},
};

// Null for a row with fixed values.
const CUserValueRow* UserValueRow(int row)
{
    for (const CUserValueRow& r : kUserValueRows)
        if (r.row == row) return &r;
    return nullptr;
}

}  // namespace

CProfileSettingsPaneUI::CProfileSettingsPaneUI(CPaintManagerUI* manager, bool burn) : m_pManager(manager), m_burn(burn)
{
    if (burn) {
        m_sectionNames[kBasic] = L"ID_PROFILE_BURN_BASIC_SETTINGS";
        m_sectionNames[kAudio] = L"ID_PROFILE_BURN_AUDIO_OPTIONS";
        m_sectionNames[kVideo] = L"ID_PROFILE_BURN_VIDEO_OPTIONS";
    } else {
        m_sectionNames[kBasic] = L"ID_PROFILE_BASIC_SETTINGS";
        m_sectionNames[kAudio] = L"ID_PROFILE_AUDIO_OPTIONS";
        m_sectionNames[kVideo] = L"ID_PROFILE_VIDEO_OPTIONS";
    }
}

CProfileSettingsPaneUI::~CProfileSettingsPaneUI()
{
    if (CPaintManagerUI* manager = Manager()) manager->RemoveNotifier(this);
    // The dialog object goes with the pane; its window goes with it.
    if (m_dialog) m_dialog->SetTarget(nullptr);
}

std::wstring CProfileSettingsPaneUI::GetClass() const { return L"ProfileSettingsPaneUI"; }

void* CProfileSettingsPaneUI::GetInterface(const std::wstring& name)
{
    if (name == L"ProfileSettingsPaneUI") return this;
    return CVerticalLayoutUI::GetInterface(name);
}

CPaintManagerUI* CProfileSettingsPaneUI::Manager() const { return m_pManager ? m_pManager : GetManager(); }

CMediaHandler* CProfileSettingsPaneUI::Handler() const { return m_handler ? m_handler : CMediaHandler::GetInstance(); }

CControlUI* CProfileSettingsPaneUI::FindNamed(const std::wstring& name) const
{
    CPaintManagerUI* manager = Manager();
    if (!manager) return nullptr;
    if (CControlUI* inside = manager->FindSubControlByName(const_cast<CProfileSettingsPaneUI*>(this), name)) return inside;
    return manager->FindControl(name);
}

CControlUI* CProfileSettingsPaneUI::CreateControl(const std::wstring& className)
{
    if (className == L"PropListItem") return new CPropListItemUI(Manager());
    if (className == L"TimeEdit") return new CTimeEditUI;
    return nullptr;
}

void CProfileSettingsPaneUI::SetPos(RECT rc, bool needInvalidate)
{
    const int least = CPaintManagerUI::Scale(100);
    int widest = least;
    for (CPropListItemUI* row : m_rows) {
        CLabelUI* name = row ? row->GetNameLabel() : nullptr;
        if (!name) continue;
        const RECT pad = name->GetTextPadding();
        widest = std::max(widest, static_cast<int>(CRenderEngine::MeasureText(Manager(), name->GetText(), name->GetFont(),
                                                                              DT_SINGLELINE, 0).cx + pad.left + pad.right + 2));
    }
    const int width = std::min(widest, std::max(least, static_cast<int>(rc.right - rc.left) / 2));
    for (CPropListItemUI* row : m_rows)
        if (CLabelUI* name = row ? row->GetNameLabel() : nullptr; name && name->GetFixedWidth() != width)
            name->SetFixedWidth(width);
    CVerticalLayoutUI::SetPos(rc, needInvalidate);
}

void CProfileSettingsPaneUI::DoInit()
{
    CPaintManagerUI* manager = Manager();
    // An empty pane element takes its body from its own skin file.
    if (GetCount() == 0 && manager) {
        CDialogBuilder builder;
        CControlUI* body = builder.Create(m_burn ? L"profile_settings_burn.xml" : L"profile_settings.xml", {}, this, manager);
        if (body && !Add(body)) delete body;
        if (!body) LogError(kCategory, "The profile settings skin could not be built");
    }
    m_optionButtons[0] = FindNamed(L"ID_OPTION_BASIC_SETTINGS");
    m_optionButtons[1] = FindNamed(L"ID_OPTION_AUDIO_OPTIONS");
    m_optionButtons[2] = FindNamed(L"ID_OPTION_VIDEO_OPTIONS");
    for (int i = 0; i < 3; ++i) m_sections[i] = FindNamed(m_sectionNames[i]);
    ShowSection(m_shownSection);
    if (manager) manager->AddNotifier(this);
}

void CProfileSettingsPaneUI::ShowSection(int index)
{
    if (index < kBasic || index > kVideo) return;
    m_shownSection = index;
    const int shown = SectionOnScreen();
    for (int i = 0; i < 3; ++i) {
        if (m_sections[i]) m_sections[i]->SetVisible(i == shown);
        if (auto* heading = dynamic_cast<COptionUI*>(m_optionButtons[i])) heading->Selected(i == shown, false);
    }
    FitSections();
}

int CProfileSettingsPaneUI::SectionOnScreen() const
{
    return m_shownSection == kVideo && m_videoHidden ? kBasic : m_shownSection;
}

CPropListItemUI* CProfileSettingsPaneUI::BuildRow(const std::wstring& templ, int section, UINT label, int at)
{
    auto* container = m_sections[section] ? static_cast<IContainerUI*>(m_sections[section]->GetInterface(L"IContainer")) : nullptr;
    if (!container) return nullptr;
    std::unique_ptr<CDialogBuilder>& builder = m_builders[templ];
    CControlUI* built = nullptr;
    if (!builder) {
        builder = std::make_unique<CDialogBuilder>();
        built = builder->Create(templ, {}, this, Manager());
    } else {
        built = builder->Create(this, Manager());
    }
    auto* row = dynamic_cast<CPropListItemUI*>(built);
    if (!row) {
        delete built;
        LogErrorW(kCategory, L"The row template %s gave no row", templ.c_str());
        return nullptr;
    }
    const bool added = at >= 0 && at < container->GetCount() ? container->AddAt(row, at) : container->Add(row);
    if (!added) {
        delete row;
        return nullptr;
    }
    row->SetNameText(Lang(label));
    return row;
}

CPropListItemUI* CProfileSettingsPaneUI::BuildComboRow(IProfileItem* item, int section, UINT label, const char* key,
                                                       const std::wstring& current)
{
    if (!item) return nullptr;
    CPropListItemUI* row = BuildRow(item->IsEditable() ? L"prop_combobtn.xml" : L"prop_combo.xml", section, label);
    if (!row) return nullptr;
    row->SetKey(key);
    row->ClearValues();
    const int count = item->GetValueCount();
    for (int i = 0; i < count; ++i) row->AddValue(item->GetValueAt(static_cast<unsigned>(i)), false);
    const std::string k = key;
    if (k == "ch" && OffersSurround(m_profile->GetAudioCodec()) && row->FindValue(L"5.1") < 0) row->AddValue(L"5.1", false);
    if (k == "vb") row->AddValue(Dict(L"ID_STRING_ORIGINAL_BITRATE"), false);
    row->SelectValue(current);
    row->SetVisible(item->IsVisible() == 1);
    row->SetLimits(item->GetMinValue(), item->GetMaxValue());
    row->SetValueEnabled(row->GetValueCount() > 1 && !m_readOnly);
    return row;
}

void CProfileSettingsPaneUI::ForgetRows()
{
    // The pop-up must never hand a value to a row that is going away.
    if (m_dialog) {
        m_dialog->SetTarget(nullptr);
        if (m_dialog->GetHWND()) m_dialog->Hide();
    }
    for (auto& row : m_rows) row = nullptr;
}

void CProfileSettingsPaneUI::LoadProfile(IProfileGroup* group, const std::wstring* text, std::shared_ptr<IProfile> profile,
                                         bool readOnly)
{
    CPaintManagerUI* manager = Manager();
    // Rows taken out while one of them is still reporting are destroyed
    // once that report is over.
    CDispatchScope scope(manager);
    m_quiet = true;
    if (profile) m_profile = std::move(profile);
    m_group = group;
    m_readOnly = readOnly;
    if (!m_profile) {
        m_quiet = false;
        return;
    }
    ForgetRows();
    for (CControlUI* section : m_sections)
        if (auto* container = section ? static_cast<IContainerUI*>(section->GetInterface(L"IContainer")) : nullptr)
            container->RemoveAll();

    IProfile* p = m_profile.get();
    m_rows[kName] = BuildRow(L"prop_edit.xml", kBasic, 136);
    m_rows[kFolder] = BuildRow(L"prop_textbtn.xml", kBasic, 172);
    m_rows[kDuration] = BuildRow(L"prop_timeedit.xml", kBasic, 137);
    m_rows[kStart] = BuildRow(L"prop_timeedit.xml", kBasic, 138);
    m_rows[kEnd] = BuildRow(L"prop_timeedit.xml", kBasic, 139);
    m_rows[kVideoSize] = BuildComboRow(p->GetVideoSizeItem(), kBasic, 140, "vsize", p->GetVideoSize());
    if (CPropListItemUI* quality = BuildRow(L"prop_combo.xml", kBasic, 141)) {
        m_rows[kQuality] = quality;
        quality->SetKey("vq");
        quality->ClearValues();
        for (UINT id : {106u, 107u, 108u}) quality->AddValue(Lang(id), false);
        if (m_burn) quality->AddValue(Dict(L"206"), false);
        quality->SelectIndex(p->GetVideoQualityMode());
        quality->SetValueEnabled(!m_readOnly);
    }
    m_rows[kVideoCodec] = BuildComboRow(p->GetVideoCodecItem(), kVideo, 142, "vc", p->GetVideoCodec());
    m_rows[kVideoBitrate] = BuildComboRow(p->GetVideoBitrateItem(), kVideo, 143, "vb",
                                          p->IsSourceBitrate() ? Dict(L"ID_STRING_ORIGINAL_BITRATE") : p->GetVideoBitrate());
    m_rows[kFrameRate] = BuildComboRow(p->GetFramerateItem(), kVideo, 144, "vfr", p->GetFramerate());
    m_rows[kAspect] = BuildComboRow(p->GetAspectItem(), kVideo, 145, "va", p->GetAspect());
    m_rows[kEncodePass] = BuildComboRow(p->GetEncodePassItem(), kVideo, 146, "ep", p->GetEncodePass());
    m_rows[kAudioCodec] = BuildComboRow(p->GetAudioCodecItem(), kAudio, 147, "ac", p->GetAudioCodec());
    m_rows[kAudioBitrate] = BuildComboRow(p->GetAudioBitrateItem(), kAudio, 148, "ab", p->GetAudioBitrate());
    m_rows[kSampleRate] = BuildComboRow(p->GetSampleRateItem(), kAudio, 149, "ar", p->GetSampleRate());
    m_rows[kChannels] = BuildComboRow(p->GetChannelItem(), kAudio, 150, "ch", p->GetChannel());
    if (CPropListItemUI* audioOff = BuildRow(L"prop_checkbox.xml", kAudio, 152)) {
        m_rows[kAudioOff] = audioOff;
        audioOff->SetCheckBoxText(Lang(154));
        audioOff->SetTicked(p->IsAudioDisabled() == 1);
        audioOff->SetValueEnabled(!m_readOnly);
    }
    m_rows[kGifDuration] = BuildComboRow(p->GetPicDurationItem(), kVideo, 189, "gif_d", p->GetPicDuration());
    m_rows[kGifInterval] = BuildComboRow(p->GetPicIntervalItem(), kVideo, 190, "gif_i", p->GetPicInterval());
    for (int r : {kName, kFolder, kDuration, kStart, kEnd})
        if (m_rows[r]) {
            m_rows[r]->SetValueEnabled(false);
            m_rows[r]->SetTextButtonEnabled(false);
        }

    const std::wstring profileFolder = ProfileOutputFolder();
    if (CPropListItemUI* folder = m_rows[kFolder]) {
        folder->SetValueText(profileFolder);
        folder->SetValueToolTip(profileFolder);
    }

    ApplyStoredValues();
    if (m_media) ApplyMedia(text, m_rows[kFolder] ? m_rows[kFolder]->GetValueText() : profileFolder);

    if (group) {
        const bool audioGroup = group->GetAudio() != 0;
        if (m_rows[kAudioOff]) m_rows[kAudioOff]->SetValueEnabled(!audioGroup && !m_readOnly);
        if (!m_burn)
            if (CControlUI* video = FindNamed(L"ID_MAIN_VIDEO_OPTIONS")) video->SetVisible(!audioGroup);
        m_videoHidden = !m_burn && audioGroup;
        ShowSection(m_shownSection);
    }
    FitSections();
    m_quiet = false;
}

std::wstring CProfileSettingsPaneUI::ProfileOutputFolder() const
{
    const std::wstring& output = CVXMSettings::GetInstance()->OutputFolder;
    const IProfile* p = m_profile.get();
    return !p || p->GetFolder().empty() ? output : JoinPath(output, p->GetFolder());
}

void CProfileSettingsPaneUI::RefreshOutputFolder()
{
    CPropListItemUI* folder = m_rows[kFolder];
    if (!folder || !m_profile) return;
    const std::wstring shown = ShownOutputFolder();
    folder->SetValueText(shown);
    folder->SetValueToolTip(shown);
}

void CProfileSettingsPaneUI::FitSections()
{
    // A section is as tall as its shown rows.
    for (CControlUI* section : m_sections) {
        auto* container = section ? static_cast<IContainerUI*>(section->GetInterface(L"IContainer")) : nullptr;
        if (!container) continue;
        int height = 0;
        for (int i = 0; i < container->GetCount(); ++i)
            if (auto* row = dynamic_cast<CPropListItemUI*>(container->GetItemAt(i)); row && row->IsShown())
                height += row->GetFixedHeight();
        section->SetFixedHeight(height);
    }
    // The video heading and its section share a box (which an audio group
    // hides): as tall as what it shows.
    if (CControlUI* box = FindNamed(m_burn ? L"ID_MAIN_VIDEO_OPTIONS_BURN" : L"ID_MAIN_VIDEO_OPTIONS")) {
        int height = m_optionButtons[kVideo] ? m_optionButtons[kVideo]->GetFixedHeight() : 0;
        if (SectionOnScreen() == kVideo && m_sections[kVideo]) height += m_sections[kVideo]->GetFixedHeight();
        box->SetFixedHeight(height);
    }
}

void CProfileSettingsPaneUI::ApplyStoredValues()
{
    // A missing custom-values file is an empty tree: nothing to apply.
    CMediaHandler* handler = Handler();
    const Json::Value* root = handler ? handler->GetCustomProps() : nullptr;
    if (!root || !root->isObject()) return;
    const Json::Value* stored = Member(*root, std::to_string(m_profile->GetId()));
    if (!stored || !stored->isObject()) return;
    auto parameter = [stored](const char* key) -> const Json::Value* {
        const Json::Value* p = Member(*stored, key);
        return p && p->isObject() ? p : nullptr;
    };

    const bool sizeMode = m_profile->IsSizeMode();
    for (const char* key : {"vsize", "vb", "vfr", "ab"}) {
        if (sizeMode && std::string(key) == "vb") continue;
        CPropListItemUI* row = RowOfKey(key);
        const Json::Value* p = parameter(key);
        if (!row || !p) continue;
        const Json::Value* values = Member(*p, "values");
        if (!values || !values->isArray()) continue;
        for (const Json::Value& v : *values)
            if (v.isString() && !v.asString().empty()) row->ReplaceWithUserValue(Utf8ToWide(v.asString()));
    }

    for (const char* key : {"vq", "vsize", "vc", "vfr", "va", "ep", "vb", "ac", "ab", "ar", "ch"}) {
        const std::string k = key;
        if (k == "vb" && m_profile->IsSourceBitrate()) continue;
        if (k == "vq" && m_profile->IsSizeMode()) continue;  // the quality row keeps its size-mode entry
        CPropListItemUI* row = RowOfKey(key);
        const Json::Value* p = parameter(key);
        if (!row || !p) continue;
        const Json::Value* def = Member(*p, "default");
        if (!def) continue;
        if (def->isIntegral()) {
            const Json::LargestInt index = def->asLargestInt();
            if (index >= 0 && index < row->GetValueCount()) row->SelectIndex(static_cast<int>(index));
        } else if (def->isString()) {
            row->SelectValue(Utf8ToWide(def->asString()));
        }
    }
    if (m_burn && sizeMode && m_rows[kQuality]) m_rows[kQuality]->SelectIndex(3);
}

void CProfileSettingsPaneUI::ApplyMedia(const std::wstring* text, const std::wstring& profileFolder)
{
    IVXMMedia* media = m_media;
    if (CPropListItemUI* name = m_rows[kName]) {
        name->SetValueEnabled(true);
        std::wstring shown;
        if (text) shown = *text;
        else if (!media->GetOutputName().empty()) shown = media->GetOutputName();
        else shown = media->GetSourceTitle();
        name->SetValueText(shown);
    }
    if (CPropListItemUI* folder = m_rows[kFolder]) {
        folder->SetValueEnabled(true);
        folder->SetTextButtonEnabled(true);
        const std::wstring own = media->GetOutputFolder();
        const std::wstring shown = own.empty() ? profileFolder : own;
        folder->SetValueText(shown);
        folder->SetValueToolTip(shown);
    }
    if (CPropListItemUI* duration = m_rows[kDuration]) duration->SetTime(media->GetDuration());
    for (int r : {kStart, kEnd}) {
        CPropListItemUI* row = m_rows[r];
        if (!row) continue;
        row->SetValueEnabled(true);
        row->SetTime(r == kStart ? media->GetStartTime() : media->GetEndTime());
        row->SetTimeLimit(media->GetEndTime());
    }
    if (media->GetMediaKind() != 1) return;
    auto* title = dynamic_cast<IVXMDVDTitle*>(media);
    if (!title) return;
    CPropListItemUI* chapters = BuildRow(L"prop_range.xml", kBasic, 159, 1);
    m_rows[kChapters] = chapters;
    if (!chapters) return;
    const int count = title->GetChapterCount();
    const int first = title->GetFirstChapter();
    const int last = title->GetLastChapter();
    chapters->SetRangeLimits(1, count);
    chapters->SetRangeFrom(first == -1 ? 1 : first);
    chapters->SetRangeTo(last == -1 ? count : last);
    const bool part = (first != -1 && first != 1) || (last != -1 && last != count);
    if (part)
        for (int r : {kStart, kEnd})
            if (m_rows[r]) m_rows[r]->SetValueEnabled(false);
}

int CProfileSettingsPaneUI::RowIndexOf(CControlUI* sender) const
{
    if (!sender) return -1;
    for (int i = 0; i < kRowCount; ++i)
        if (m_rows[i] == sender) return i;
    return -1;
}

CPropListItemUI* CProfileSettingsPaneUI::RowOfKey(const std::string& key) const
{
    for (CPropListItemUI* row : m_rows)
        if (row && row->GetKey() == key) return row;
    return nullptr;
}

void CProfileSettingsPaneUI::Notify(TNotifyUI& msg)
{
    const std::wstring& type = msg.sType;
    if (type == kRebuildNotify) {
        if (msg.pSender == this) Rebuild();
        return;
    }
    // The pane of the page not shown takes the new language too.
    if (type == L"language_changed") {
        Rebuild();
        return;
    }
    if (!IsVisible()) return;
    const int row = RowIndexOf(msg.pSender);
    if (type == L"prop_checked") {
        if (row != kAudioOff || !m_profile) return;
        Usage(0);
        const bool off = m_rows[kAudioOff]->IsTicked();
        m_profile->SetAudioDisabled(off ? 1 : 0);
        SendToMainPane(L"prop_audiodisabled", off ? 1 : 0, reinterpret_cast<LPARAM>(m_media));
    } else if (type == L"prop_combo_changed") {
        if (row >= 0 && ActionOfRow(row) >= 0) OnComboChanged(row, static_cast<int>(msg.wParam));
    } else if (type == L"mediaitem_name_changed") {
        auto* source = reinterpret_cast<CControlUI*>(msg.wParam);
        if (source && m_rows[kName]) m_rows[kName]->SetValueText(source->GetText());
    } else if (type == L"mediaitem_audiodisabled") {
        if (m_media && reinterpret_cast<IVXMMedia*>(msg.lParam) == m_media && m_rows[kAudioOff])
            m_rows[kAudioOff]->SetTicked(msg.wParam != 0);
    } else if (type == DUI_MSGTYPE_RETURN) {
        if (m_rows[kName] && msg.pSender && msg.pSender == m_rows[kName]->GetTextControl())
            SendToMainPane(L"prop_name_changed", reinterpret_cast<WPARAM>(msg.pSender), m_burn ? 1 : 0);
        else if (m_rows[kFolder] && msg.pSender && msg.pSender == m_rows[kFolder]->GetTextControl())
            CommitOutputFolder();
    } else if (type == L"prop_killfocus") {
        if (row == kFolder)
            CommitOutputFolder();
        else if (row == kName)
            SendToMainPane(L"prop_name_changed", reinterpret_cast<WPARAM>(m_rows[kName]->GetTextControl()), m_burn ? 1 : 0);
        else if (row == kStart)
            SendToMainPane(L"prop_start_changed", reinterpret_cast<WPARAM>(m_rows[kStart]->GetTimeControl()), m_burn ? 1 : 0);
        else if (row == kEnd)
            SendToMainPane(L"prop_end_changed", reinterpret_cast<WPARAM>(m_rows[kEnd]->GetTimeControl()), m_burn ? 1 : 0);
        else if (row == kChapters)
            SendToMainPane(L"dvd_chapter_changing",
                           static_cast<WPARAM>(MAKELPARAM(m_rows[kChapters]->GetRangeFrom(), m_rows[kChapters]->GetRangeTo())),
                           m_burn ? 1 : 0);
    } else if (type == L"dvd_chapter_changed") {
        const bool wholeTitle = LOWORD(msg.wParam) == 1 && static_cast<LPARAM>(HIWORD(msg.wParam)) == msg.lParam;
        for (int r : {kStart, kEnd})
            if (m_rows[r]) m_rows[r]->SetValueEnabled(wholeTitle && m_media);
    } else if (type == L"prop_custom_show") {
        if (row >= 0 && m_rows[row]->GetComboButton()) ShowCustomDialog(row);
    } else if (type == L"prop_custom_add") {
        if (row >= 0) OnCustomAdd(row, static_cast<int>(msg.wParam));
    } else if (type == L"prop_custom_del") {
        if (row >= 0) OnCustomDel(row, static_cast<int>(msg.wParam));
    } else if (type == L"prop_textbtn") {
        if (row == kFolder) BrowseFolder();
    }
}

void CProfileSettingsPaneUI::OnComboChanged(int row, int index)
{
    if (!m_profile) return;
    CPropListItemUI* sender = m_rows[row];
    // Everything the change needs is read from the row before anything
    // else runs: a rebuild replaces every row.
    const std::wstring value = sender->GetEntryText(index);
    if (index < 0 || index >= sender->GetValueCount()) return;
    IProfile* p = m_profile.get();
    bool rebuild = false;
    bool sourceEntry = false;

    switch (row) {
    case kVideoSize: p->SetVideoSize(value); break;
    case kQuality:
        if (index == 3) {
            p->SetSizeMode(true);
            Usage(ActionOfRow(row));
            SendToMainPane(L"cal_size", 0, m_burn ? 1 : 0);
            return;
        }
        p->SetSizeMode(false);
        p->SetVideoQualityMode(index);
        break;
    case kVideoCodec:
        p->SetVideoCodec(value);
        rebuild = true;
        break;
    case kVideoBitrate: {
        if (p->IsSizeMode()) return;
        sourceEntry = value == Dict(L"ID_STRING_ORIGINAL_BITRATE");
        p->SetSourceBitrate(sourceEntry);
        if (sourceEntry) {
            // The source's own bit rate: only a media with a video stream has one.
            IVXMVideo* video = m_media && m_media->GetVideoStreamCount() > 0 ? m_media->GetVideoStreamAt(0) : nullptr;
            if (video) p->SetVideoBitrate(FormatW(L"%f", video->GetBitrate()));
        } else {
            p->SetVideoBitrate(value);
        }
        break;
    }
    case kFrameRate: p->SetFramerate(value); break;
    case kAspect: p->SetAspect(value); break;
    case kEncodePass: p->SetEncodePass(value); break;
    case kAudioCodec:
        p->SetAudioCodec(value);
        rebuild = true;
        break;
    case kAudioBitrate: p->SetAudioBitrate(value); break;
    case kSampleRate: p->SetSampleRate(value); break;
    case kChannels: p->SetChannel(value); break;
    case kGifDuration: p->SetPicDuration(value); break;
    case kGifInterval: p->SetPicInterval(value); break;
    default: return;
    }
    Usage(ActionOfRow(row));
    if (sender->IsShown()) StoreDefault(row, value, index, sourceEntry);
    if (rebuild) RequestRebuild();
}

void CProfileSettingsPaneUI::StoreDefault(int row, const std::wstring& value, int index, bool sourceEntry)
{
    const std::string key = m_rows[row]->GetKey();
    if (key.empty()) return;
    const int id = m_profile->GetId();
    if (key == "vq") {
        ChangeCustomProps([&](CMediaHandler& h) { h.SetCustomPropDefault(id, index, "vq"); });
    } else if (key != "ch" && !(key == "vb" && sourceEntry)) {
        const std::string text = ToUTF8(value);
        ChangeCustomProps([&](CMediaHandler& h) { h.SetCustomProp(id, text.c_str(), nullptr, key.c_str()); });
    }
    if (m_burn) SendToMainPane(L"cal_size", 0, 1);
}

void CProfileSettingsPaneUI::ChangeCustomProps(const std::function<void(CMediaHandler&)>& change)
{
    CMediaHandler* handler = Handler();
    if (!handler) return;
    const Json::Value* root = handler->GetCustomProps();
    if (!root) return;  // not loaded: nothing is kept
    const Json::Value before = *root;
    change(*handler);
    const Json::Value* after = handler->GetCustomProps();
    if (after && *after != before && !handler->SaveCustomProps())
        LogError(kCategory, "The custom parameter values could not be saved");
}

void CProfileSettingsPaneUI::OnCustomAdd(int row, int index)
{
    const CUserValueRow* userValues = UserValueRow(row);
    if (!m_profile || !userValues) return;
    CPropListItemUI* sender = m_rows[row];
    if (index < 0 || index >= sender->GetValueCount()) return;
    const std::wstring value = sender->GetEntryText(index);
    ((*m_profile).*userValues->add)(value);
    StoreCustomValue(sender, value, true);
}

void CProfileSettingsPaneUI::OnCustomDel(int row, int index)
{
    CPropListItemUI* sender = m_rows[row];
    if (!m_profile || index < 0 || index >= sender->GetValueCount()) return;
    const std::wstring value = sender->GetEntryText(index);
    if (const CUserValueRow* userValues = UserValueRow(row)) {
        ((*m_profile).*userValues->remove)(value);
        StoreCustomValue(sender, value, false);
    }
    // The entry is still reporting its own press: it is destroyed after that.
    CDispatchScope scope(Manager());
    sender->RemoveValueAt(index);
}

void CProfileSettingsPaneUI::StoreCustomValue(CPropListItemUI* row, const std::wstring& value, bool add)
{
    const int id = m_profile->GetId();
    const std::string key = row->GetKey();
    const std::string text = ToUTF8(value);
    ChangeCustomProps([&](CMediaHandler& h) {
        if (add) h.SetCustomProp(id, text.c_str(), text.c_str(), key.c_str());
        else h.RemoveCustomPropValue(id, text.c_str(), key.c_str());
    });
}

void CProfileSettingsPaneUI::ShowCustomDialog(int row)
{
    CPropListItemUI* sender = m_rows[row];
    CPaintManagerUI* manager = Manager();
    bool created = false;
    if (!m_dialog || !m_dialog->GetHWND()) {
        m_dialog = std::make_unique<CCustomOptDlgUI>();
        const DWORD style = WS_POPUP | WS_VISIBLE | kStyleClipSiblings | kStyleClipChildren | kStyleCaption | kStyleSysMenu;
        if (!m_dialog->Create(manager ? manager->GetPaintWindow() : nullptr, L"VXMCustomOptDlg", style, 0)) {
            LogError(kCategory, "The custom value dialog could not be created");
            m_dialog.reset();
            return;
        }
        created = true;
    }
    const bool sizeRow = row == kVideoSize;
    m_dialog->SetForm(sizeRow ? CCustomOptDlgUI::kTwoFields : CCustomOptDlgUI::kOneField, sizeRow);
    if (!created) m_dialog->FocusFirstField();
    m_dialog->SetTarget(sender);
    m_dialog->SetOptionName(sender->GetNameText());
    const std::wstring minimum = sender->GetMinimum();
    const std::wstring maximum = sender->GetMaximum();
    m_dialog->SetOptionLimit(&minimum, &maximum);

    // Right edge on the row's right edge, top on its bottom edge.
    if (QWidget* widget = m_dialog->GetWidget()) {
        SIZE init = m_dialog->GetPaintManager()->GetInitSize();
        if (init.cx > 0 && init.cy > 0) widget->resize(init.cx, init.cy);
        const RECT& rc = sender->GetPos();
        QPoint corner(rc.right, rc.bottom);
        if (QWidget* host = manager ? manager->GetHostWidget() : nullptr) corner = host->mapToGlobal(corner);
        widget->move(corner.x() - widget->width(), corner.y());
    }
    m_dialog->ShowWindow(true);
}

void CProfileSettingsPaneUI::BrowseFolder()
{
    CPropListItemUI* row = m_rows[kFolder];
    if (!row) return;
    const std::wstring start = row->GetValueText();
    MakeFolder(start);
    CPaintManagerUI* manager = Manager();
    const std::wstring chosen =
        Desktop().files->ChooseFolder(manager ? manager->GetPaintWindow() : nullptr, Lang(129), start);
    if (chosen.empty()) return;
    MakeFolder(chosen);
    // The chooser may have let the pane go on: the row is looked up again.
    if (!(row = m_rows[kFolder])) return;
    row->SetValueText(chosen);
    row->SetValueToolTip(chosen);
    if (m_media) m_media->SetOutputFolder(chosen);
}

std::wstring CProfileSettingsPaneUI::ShownOutputFolder() const
{
    const std::wstring own = m_media ? m_media->GetOutputFolder() : std::wstring();
    return own.empty() ? ProfileOutputFolder() : own;
}

void CProfileSettingsPaneUI::CommitOutputFolder()
{
    CPropListItemUI* row = m_rows[kFolder];
    if (!row || !m_media) return;
    const std::wstring before = ShownOutputFolder();
    std::wstring typed;
    const ETypedFolder taken = TakeTypedFolder(row->GetValueText(), before, typed);
    if (taken != ETypedFolder::Taken) {
        // The folder shown before stays.
        row->SetValueText(before);
        CPaintManagerUI* manager = Manager();
        if (taken == ETypedFolder::Refused) ShowFolderRefused(manager ? manager->GetPaintWindow() : nullptr, typed);
        return;
    }
    row->SetValueText(typed);
    row->SetValueToolTip(typed);
    m_media->SetOutputFolder(typed);
}

void CProfileSettingsPaneUI::RefreshVideoBitrate()
{
    CPropListItemUI* row = m_rows[kVideoBitrate];
    if (!m_profile || !row) return;
    if (!m_profile->IsSizeMode() || m_profile->IsSourceBitrate()) return;
    const std::wstring value = m_profile->GetVideoBitrate();
    int index = row->FindValue(value);
    if (index < 0) index = row->AddValue(value, false);
    row->SelectIndex(index);
    row->SetValueEnabled(false);
}

void CProfileSettingsPaneUI::RequestRebuild()
{
    if (m_rebuildPending) return;
    // A rebuild asked for by the defaults another rebuild applied.
    if (m_quiet && m_followUpDepth > kMaxFollowUps) return;
    CPaintManagerUI* manager = Manager();
    if (!manager) return;
    m_rebuildPending = true;
    // After the running dispatch: the row that reported the change is
    // still in the middle of its own notification.
    manager->SendNotify(this, kRebuildNotify, 0, 0, true);
}

void CProfileSettingsPaneUI::Rebuild()
{
    m_rebuildPending = false;
    ++m_followUpDepth;
    LoadProfile(m_group, nullptr, nullptr, m_readOnly);
    if (!m_rebuildPending) m_followUpDepth = 0;  // the chain came to rest
}

void CProfileSettingsPaneUI::Usage(int value)
{
    if (m_quiet) return;
    const int action = m_burn ? 38 : 37;
    if (m_usage) m_usage(action, value);
    else SendUsageAction(action, value);
}

void CProfileSettingsPaneUI::SendToMainPane(const wchar_t* type, WPARAM wParam, LPARAM lParam)
{
    if (CPaintManagerUI* manager = Manager()) manager->SendNotify(this, type, wParam, lParam);
}
