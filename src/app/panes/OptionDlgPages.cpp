// The options dialog's pages: which control shows which setting, how it is
// loaded at set-up and stored on OK, and the report of what OK changed.
#include "OptionDlgUI.h"

#include "AppStartup.h"
#include "platform/codepage.h"
#include "platform/fonts.h"
#include "platform/text.h"

#include <cstdlib>
#include <variant>

namespace {

constexpr UINT IDS_CUDA_NOT_PRESENT = 185;
constexpr int kChangeAction = 36;

using IntField = int CVXMSettings::*;
using TextField = std::wstring CVXMSettings::*;

// Check boxes stored as 0 or 1, on load and on OK.
struct CCheckBinding {
    const wchar_t* control;
    IntField field;
};

const CCheckBinding kChecks[] = {
    {L"IDC_CHECK_VOLNORM", &CVXMSettings::VOLUME_NORM},
    {L"IDC_CHECK_FIT_WIDTH", &CVXMSettings::FitToWidth},
    {L"IDC_CHECK_FIT_HEIGHT", &CVXMSettings::FitToHeight},
    {L"IDC_CHECK_EXPAND", &CVXMSettings::Expand2VideoSize},
    {L"IDC_CHECK_ROUND_16", &CVXMSettings::RoundTo16Pixels},
    {L"IDC_CHECK_DEINTERLACE", &CVXMSettings::Deinterlace},
    {L"IDC_CHECK_INVERSE_TELECINE", &CVXMSettings::InverseTelecine},
    {L"IDC_CHECK_MP4_FASTSTART", &CVXMSettings::MP4FastStart},
    {L"IDC_CHECK_TITLE_AS_FILENAME", &CVXMSettings::UseTitleAsFileName},
    {L"IDC_CHECK_SHUTDOWN", &CVXMSettings::ShutdownFlag},
    {L"IDC_CHECK_ADD_CODEC_NAME", &CVXMSettings::AddVCodecName},
    {L"IDC_CHECK_AUTO_CHECK_VERSION", &CVXMSettings::CheckNewVersion},
    {L"IDC_CHECK_PREVIEW_HTML5", &CVXMSettings::PreviewHTML5},
    {L"IDC_CHECK_EXPORT_ITUNES", &CVXMSettings::IsExportToiTunes},
    {L"IDC_CHECK_USE_TRANSCODE_LOG", &CVXMSettings::UseTransLog},
    {L"IDC_CHECK_SEND_ACTION", &CVXMSettings::UseSendAction},
    {L"IDC_CHECK_DVD_USE_DRAVEL", &CVXMSettings::DVDUseDravel},
    {L"IDC_CHECK_KEEP_SRCFILE_TIME", &CVXMSettings::IsUseSrcFileTime},
    {L"IDC_CHECK_SUBTITLE_BOLD", &CVXMSettings::bForceBold},
    {L"IDC_CHECK_SUBTITLE_ITALIC", &CVXMSettings::bForceItalic},
    {L"IDC_CHECK_SUBTITLE_UNDERLINE", &CVXMSettings::bForceUnderline},
    {L"IDC_CHECK_SUBTITLE_STRIKEOUT", &CVXMSettings::bForceStrikeOut},
    {L"IDC_CHECK_SUBTITLE_SHADOW", &CVXMSettings::bForceShadow},
    {L"IDC_CHECK_SUBTITLE_OUTLINE", &CVXMSettings::bForceOutLine},
    {L"IDC_CHECK_USE_SUBTITLE_COLOR", &CVXMSettings::bForceColor},
    {L"IDC_CHECK_SHOW_FAKE_TITLES", &CVXMSettings::IsShowFakeTitles},
    {L"IDC_CHECK_DO_NOT_SEPARATE", &CVXMSettings::IsDoNotSeparate},
    {L"IDC_CHECK_MONITOR_CLIPBOARD", &CVXMSettings::MonitorClipboard},
};

// Option groups: the n-th option stands for the value n.
struct CRadioBinding {
    IntField field;
    std::initializer_list<const wchar_t*> options;
    bool storedOnOk;  // false: written at once when chosen
};

const CRadioBinding kRadios[] = {
    {&CVXMSettings::MPEGType, {L"IDC_OPTION_MPEG_2", L"IDC_OPTION_MPEG_4"}, true},
    {&CVXMSettings::ObjectType,
     {L"IDC_OPTION_OBJECT_MAIN", L"IDC_OPTION_OBJECT_LC", L"IDC_OPTION_OBJECT_SSR", L"IDC_OPTION_OBJECT_LTP"},
     true},
    {&CVXMSettings::MPLAYER_VO_N,
     {L"IDC_RADIO_VO_DEFAULT", L"IDC_RADIO_VO_GL", L"IDC_RADIO_VO_GL2", L"IDC_RADIO_VO_DIRECTX",
      L"IDC_RADIO_VO_DIRECTX_NOACCEL", L"IDC_RADIO_VO_DIRECT3D"},
     true},
    {&CVXMSettings::OnlineFMT, {L"IDC_RADIO_ONLINE_FMT1", L"IDC_RADIO_ONLINE_FMT2", L"IDC_RADIO_ONLINE_FMT3"}, false},
};

// Text fields; those not stored on OK change only through their buttons.
struct CTextBinding {
    const wchar_t* control;
    TextField field;
    bool storedOnOk;
};

const CTextBinding kTexts[] = {
    {L"IDC_EDIT_OUTPUT_FOLDER", &CVXMSettings::OutputFolder, false},
    {L"IDC_EDIT_SNAPSHOT_FOLDER", &CVXMSettings::SnapshotFolder, false},
    {L"IDC_YOUTUBE_USERNAME", &CVXMSettings::YTUser, true},
    {L"IDC_YOUTUBE_PASSWD", &CVXMSettings::YTPasswd, true},
    {L"IDC_NICO_USERNAME", &CVXMSettings::NicoUser, true},
    {L"IDC_NICO_PASSWD", &CVXMSettings::NicoPasswd, true},
    {L"IDC_FACEBOOK_USERNAME", &CVXMSettings::FaceBookUser, true},
    {L"IDC_FACEBOOK_PASSWD", &CVXMSettings::FaceBookPasswd, true},
    {L"IDC_DOWNLOAD_PROXY_HOST", &CVXMSettings::ProxyServer, true},
    {L"IDC_DOWNLOAD_PROXY_PORT", &CVXMSettings::ProxyPort, true},
    {L"IDC_EDIT_RECORD_TMP_FOLDER", &CVXMSettings::RecordTempFolder, false},
};

// Whole numbers typed in; a number outside the range leaves the setting
// unchanged. Hundredths are shown as "%.2f".
struct CNumberBinding {
    const wchar_t* control;
    IntField field;
    int minimum;
    int maximum;
    bool hundredths;
};

const CNumberBinding kNumbers[] = {
    {L"IDC_DOWNLOAD_RETRY_TIMES", &CVXMSettings::RetryTimes, 0, 99, false},
    {L"IDC_EDIT_DEF_SCALE", &CVXMSettings::SubScale, 1, 1000, false},
    {L"IDC_EDIT_ASPECT_RATIO", &CVXMSettings::pixel_aspect, 0, 1000, true},
    {L"IDC_EDIT_LINE_SPACING", &CVXMSettings::line_spacing, 0, 1000, true},
    {L"IDC_EDIT_SHADOW", &CVXMSettings::Shadow, 0, 100, false},
    {L"IDC_EDIT_OUTLINE", &CVXMSettings::OutLine, 0, 100, false},
};

// Combos whose item index is the stored value.
struct CListBinding {
    const wchar_t* control;
    IntField field;
    std::initializer_list<const wchar_t*> items;
    bool zeroWhenNone;
};

const CListBinding kLists[] = {
    {L"IDC_COMBO_MP3_ENCODE", &CVXMSettings::MP3Encode, {L"CBR", L"VBR"}, false},
    {L"IDC_COMBO_MP3_VBR_QUALITY",
     &CVXMSettings::MP3VBRQuality,
     {L"0 - Highest", L"1", L"2", L"3", L"4 - Middle", L"5", L"6", L"7", L"8", L"9 - Lowest"},
     false},
    {L"IDC_COMBO_MP3_VOLUME",
     &CVXMSettings::MP3Volume,
     {L"Default", L"0", L"1", L"2", L"3", L"4", L"5", L"6", L"7", L"8", L"9", L"10"},
     true},
    {L"IDC_COMBO_AUDIO_QUALITY",
     &CVXMSettings::AudioQuality,
     {L"Default", L"0 - Best", L"1", L"2", L"3", L"4", L"5", L"6", L"7", L"8", L"9 - Worst"},
     true},
    {L"IDC_COMBO_SUB_AUTOSCALE",
     &CVXMSettings::SubAutoScale,
     {L"No Autoscale", L"Proportional to movie height", L"Proportional to movie width",
      L"Proportional to movie diagonal"},
     false},
};

// The settings record in its order; the index is what the change report
// sends. The two values without a field never change.
using RecordField = std::variant<std::monostate, IntField, TextField>;
const RecordField kRecord[] = {
    &CVXMSettings::OutputFolder, &CVXMSettings::OpenOutputFolderAfterConvertingFinished,
    &CVXMSettings::SnapshotFolder, &CVXMSettings::SimConversionTasks, &CVXMSettings::CPUCores,
    &CVXMSettings::UseTransLog, &CVXMSettings::UseSendAction, &CVXMSettings::UseNVidiaCUDA,
    &CVXMSettings::UseOpenCL, &CVXMSettings::OUT_VOLUME, &CVXMSettings::VOLUME_NORM, &CVXMSettings::MPEGType,
    &CVXMSettings::ObjectType, &CVXMSettings::MP3Encode, &CVXMSettings::MP3VBRQuality, &CVXMSettings::MP3Volume,
    &CVXMSettings::AudioQuality, &CVXMSettings::RecordOutputFolder, &CVXMSettings::RecordTempFolder,
    &CVXMSettings::ShutdownFlag, &CVXMSettings::AddVCodecName, &CVXMSettings::SilentMode,
    &CVXMSettings::CheckNewVersion, &CVXMSettings::PreviewHTML5, &CVXMSettings::YTUser, &CVXMSettings::YTPasswd,
    &CVXMSettings::NicoUser, &CVXMSettings::NicoPasswd, &CVXMSettings::FaceBookUser, &CVXMSettings::FaceBookPasswd,
    &CVXMSettings::UseTitleAsFileName, &CVXMSettings::RetryTimes, &CVXMSettings::OnlineFMT,
    &CVXMSettings::ProxyServer, &CVXMSettings::ProxyPort, &CVXMSettings::FitToWidth, &CVXMSettings::FitToHeight,
    &CVXMSettings::Expand2VideoSize, &CVXMSettings::RoundTo16Pixels, &CVXMSettings::Deinterlace,
    &CVXMSettings::InverseTelecine, &CVXMSettings::MP4FastStart, &CVXMSettings::MPLAYER_VO_N,
    &CVXMSettings::SubAutoScale, &CVXMSettings::SubEncoding, &CVXMSettings::SubPosition, &CVXMSettings::SubScale,
    &CVXMSettings::SubFontFile, &CVXMSettings::bForceColor, &CVXMSettings::bForceBold, &CVXMSettings::bForceItalic,
    &CVXMSettings::bForceUnderline, &CVXMSettings::bForceStrikeOut, &CVXMSettings::bForceShadow,
    &CVXMSettings::bForceOutLine, &CVXMSettings::Shadow, &CVXMSettings::OutLine, &CVXMSettings::OutLineColor,
    &CVXMSettings::PrimaryColour, &CVXMSettings::pixel_aspect, &CVXMSettings::line_spacing, std::monostate{},
    &CVXMSettings::IsShowFakeTitles, &CVXMSettings::IsDoNotSeparate, &CVXMSettings::DVDUseDravel,
    &CVXMSettings::LangID, &CVXMSettings::IsSaveWithGroup, std::monostate{}, &CVXMSettings::IsExportToiTunes,
    &CVXMSettings::IsUseSrcFileTime, &CVXMSettings::nExpandLeft, &CVXMSettings::nExpandRight,
    &CVXMSettings::nProfile, &CVXMSettings::nProfileGroup, &CVXMSettings::nProfileCategory,
    &CVXMSettings::nBurnerProfile, &CVXMSettings::nBurnerProfileGroup, &CVXMSettings::WindowPos,
    &CVXMSettings::ShowMM, &CVXMSettings::ConvertButtonCurSel, &CVXMSettings::IsShowFirstAidAddFiles,
    &CVXMSettings::IsShowFirstAidConvert, &CVXMSettings::IsShowFirstAidUnfoldLeft,
    &CVXMSettings::DefaultMediaFolder, &CVXMSettings::UpdateSkipVersion, &CVXMSettings::SkinDir,
    &CVXMSettings::DoNotShowRecordHint,
};
static_assert(std::size(kRecord) == 87);

// The leading whole number of a text ("12 abc" gives 12); 0 without one.
long long LeadingNumber(const std::wstring& text)
{
    return std::wcstoll(text.c_str(), nullptr, 10);
}

// The family a stored font file stands for: its name without folder and
// extension (a Windows "C:\\Windows\\Fonts\\tahoma.ttf" gives "tahoma"); the burn-in's
// own family when none is stored.
std::wstring FontFamilyOf(const std::wstring& file)
{
    if (file.empty()) return L"Tahoma";
    std::wstring name = file.substr(file.find_last_of(L"/\\") + 1);
    if (const size_t dot = name.rfind(L'.'); dot != std::wstring::npos && dot > 0) name.erase(dot);
    return name;
}

CListLabelElementUI* NewItem(const std::wstring& text)
{
    auto* item = new CListLabelElementUI;
    item->SetText(text);
    item->SetAttribute(L"textcolor", L"#FF111111");
    return item;
}

}  // namespace

void COptionDlgUI::LoadPages()
{
    const CVXMSettings& s = *m_settings;
    for (const CTextBinding& t : kTexts)
        if (CControlUI* edit = Find(t.control)) edit->SetText(s.*t.field);
    // A box the skin greys (the export to iTunes: there is none here) shows off.
    for (const CCheckBinding& c : kChecks)
        if (auto* box = Find<COptionUI>(c.control)) box->Selected(box->IsEnabled() && s.*c.field != 0, false);
    if (auto* open = Find<COptionUI>(L"IDC_CHECK_OPEN_FOLDER"))
        open->Selected(s.OpenOutputFolderAfterConvertingFinished != 0, false);
    for (const CRadioBinding& r : kRadios) {
        int index = 0;
        for (const wchar_t* name : r.options) {
            if (auto* option = Find<COptionUI>(name)) option->Selected(s.*r.field == index, false);
            ++index;
        }
    }
    for (const CNumberBinding& n : kNumbers)
        if (CControlUI* edit = Find(n.control))
            edit->SetText(n.hundredths ? FormatW(L"%.2f", (s.*n.field) * 0.01) : FormatW(L"%d", s.*n.field));

    FillFixedCombos();
    if (auto* jobs = Find<CComboUI>(L"IDC_EDIT_MAX_CONV_JOBS")) jobs->SelectItem(s.SimConversionTasks - 1, false, false);
    FillCPUCores();
    if (auto* volume = Find<CSliderUI>(L"IDC_SLIDER_VOLUME")) {
        volume->SetValue(s.OUT_VOLUME);
        if (CControlUI* buddy = Find(L"IDC_STATIC_SLIDER_BUDDY")) buddy->SetText(FormatW(L"%d db", volume->GetValue()));
    }
    if (auto* position = Find<CSliderUI>(L"IDC_SLIDER_SUB_POSITION")) {
        position->SetValue(s.SubPosition);
        if (CControlUI* label = Find(L"IDC_STATIC_LABEL_SUB_POSITION"))
            label->SetText(FormatW(L"%d", position->GetValue()));
    }
    FillCodePages();
    FillFonts();
}

void COptionDlgUI::FillFixedCombos()
{
    CLanguageManager* language = CLanguageManager::GetInstance();
    for (const CListBinding& l : kLists) {
        auto* combo = Find<CComboUI>(l.control);
        if (!combo) continue;
        for (const wchar_t* text : l.items) combo->Add(NewItem(language->TranslateDictionary(text)));
        combo->SelectItem(m_settings->*l.field, false, false);
    }
}

void COptionDlgUI::FillCPUCores()
{
    auto* cores = Find<CComboUI>(L"IDC_EDIT_CPU_CORES");
    if (!cores) return;
    for (int n = 1; n <= GetNumberOfProcessors(); ++n) {
        auto* item = new CListLabelElementUI;
        item->SetText(FormatW(L"%d", n));
        item->SetAttribute(L"align", L"left");
        item->SetAttribute(L"width", L"80");
        cores->Add(item);
    }
    cores->SelectItem(m_settings->CPUCores, false, false);
}

std::wstring CodePageText(unsigned number)
{
    const VXM_CODE_PAGE* page = FindCodePage(number);
    if (!page) return std::to_wstring(number);
    // "<number> (<description>)": the description is translated.
    const std::wstring name = page->name;
    const size_t open = name.find(L" (");
    if (open == std::wstring::npos || name.back() != L')') return name;
    const std::wstring description = name.substr(open + 2, name.size() - open - 3);
    return name.substr(0, open + 2) + CLanguageManager::GetInstance()->TranslateDictionary(description) + L")";
}

void COptionDlgUI::FillCodePages()
{
    auto* combo = Find<CComboUI>(L"IDC_COMBO_SUB_ENCODING");
    if (!combo) return;
    for (const VXM_CODE_PAGE& page : CodePageTable()) combo->Add(NewItem(CodePageText(page.number)));
    for (int i = 0; i < combo->GetCount(); ++i) {
        CControlUI* item = combo->GetItemAt(i);
        if (item && CodePageNumberOfText(item->GetText()) == static_cast<unsigned>(m_settings->SubEncoding)) {
            combo->SelectItem(i, false, false);
            break;
        }
    }
}

void COptionDlgUI::FillFonts()
{
    auto* combo = Find<CComboUI>(L"IDC_EDIT_SUB_FONT");
    if (!combo) return;
    // Plain names: the combo shows its items' text as it stands.
    int chosen = -1;
    for (const CInstalledFont& font : ListInstalledFonts()) {
        CListLabelElementUI* item = NewItem(font.name);
        item->SetToolTip(font.file);
        combo->Add(item);
        if (chosen < 0 && CompareNoCaseW(font.file, m_settings->SubFontFile) == 0) chosen = combo->GetCount() - 1;
    }
    m_fontStandIn = -1;
    if (chosen < 0) {
        // A font not on this machine (none is stored on a fresh start): the
        // one fontconfig gives for its name, as the burn-in takes it. It is
        // shown only; OK keeps the stored font unless the user chooses one.
        const std::wstring file = MatchFontFile(FontFamilyOf(m_settings->SubFontFile));
        for (int i = 0; i < combo->GetCount() && !file.empty() && chosen < 0; ++i)
            if (combo->GetItemAt(i)->GetToolTip() == file) chosen = m_fontStandIn = i;
    }
    if (chosen >= 0) combo->SelectItem(chosen, false, false);
}

void COptionDlgUI::FillLanguageList()
{
    auto* combo = Find<CComboUI>(L"IDC_COMBO_LOCALIZATION");
    const std::vector<TLanguageInfo> languages = CLanguageManager::GetInstance()->FindLanaguagesSupported();
    if (!combo || languages.empty()) return;
    const int first = combo->GetCount();
    int chosen = CompareNoCaseW(m_settings->LangID, L"auto") == 0 ? 0 : -1;
    for (size_t i = 0; i < languages.size(); ++i) {
        combo->Add(NewItem(languages[i].name));
        if (CompareNoCaseW(languages[i].id, m_settings->LangID) == 0) chosen = first + static_cast<int>(i);
    }
    if (chosen >= 0) combo->SelectItem(chosen, false, false);
}

void COptionDlgUI::StoreSelectedLanguage()
{
    auto* combo = Find<CComboUI>(L"IDC_COMBO_LOCALIZATION");
    if (!combo) return;
    const int selected = combo->GetCurSel();
    const std::vector<TLanguageInfo> languages = CLanguageManager::GetInstance()->FindLanaguagesSupported();
    std::wstring id;
    if (selected == 0) id = L"auto";
    else if (selected >= 1 && selected <= static_cast<int>(languages.size())) id = languages[selected - 1].id;
    if (!id.empty()) m_settings->LangID = id;
}

void COptionDlgUI::LoadAcceleration()
{
    auto* openCL = Find<COptionUI>(L"IDC_CHECK_USE_OPENCL");
    auto* cuda = Find<COptionUI>(L"IDC_CHECK_USE_CUDA");
    if (!openCL || !cuda) return;
    openCL->Selected(m_settings->UseOpenCL != 0, false);
    if (!IsNvEncoderAvailable() && !IsCUDAAvailable()) {
        cuda->SetEnabled(false);
        if (CControlUI* label = Find(L"IDC_LABEL_CUDA")) {
            label->SetEnabled(false);
            label->SetText(CLanguageManager::GetInstance()->LoadStringW(IDS_CUDA_NOT_PRESENT));
        }
        m_settings->UseNVidiaCUDA = 0;
    }
    cuda->Selected(m_settings->UseNVidiaCUDA != 0, false);
}

void COptionDlgUI::StorePages()
{
    CVXMSettings& s = *m_settings;
    for (const CTextBinding& t : kTexts)
        if (CControlUI* edit = Find(t.control); edit && t.storedOnOk) s.*t.field = edit->GetText();
    for (const CCheckBinding& c : kChecks)
        if (auto* box = Find<COptionUI>(c.control)) s.*c.field = box->IsSelected() ? 1 : 0;
    // A skin without the Dravel box turns it off.
    if (!Find(L"IDC_CHECK_DVD_USE_DRAVEL")) s.DVDUseDravel = 0;
    for (const CRadioBinding& r : kRadios) {
        if (!r.storedOnOk) continue;
        int index = 0;
        for (const wchar_t* name : r.options) {
            if (auto* option = Find<COptionUI>(name); option && option->IsSelected()) {
                s.*r.field = index;
                break;
            }
            ++index;
        }
    }
    for (const CNumberBinding& n : kNumbers) {
        CControlUI* edit = Find(n.control);
        if (!edit) continue;
        const std::wstring text = edit->GetText();
        long long value = 0;
        if (n.hundredths) {
            // "nan", "inf" or "1e300" is out of range like any other too large value.
            const double hundredths = std::wcstod(text.c_str(), nullptr) * 100.0;
            if (!(hundredths >= n.minimum && hundredths <= n.maximum)) continue;
            value = static_cast<long long>(hundredths);
        } else {
            value = LeadingNumber(text);
        }
        if (value >= n.minimum && value <= n.maximum) s.*n.field = static_cast<int>(value);
    }
    for (const CListBinding& l : kLists) {
        auto* combo = Find<CComboUI>(l.control);
        if (!combo) continue;
        if (combo->GetCurSel() >= 0) s.*l.field = combo->GetCurSel();
        else if (l.zeroWhenNone) s.*l.field = 0;
    }
    if (auto* jobs = Find<CComboUI>(L"IDC_EDIT_MAX_CONV_JOBS"); jobs && jobs->GetCurSel() >= 0) {
        const long long n = LeadingNumber(jobs->GetText());
        if (n >= 1 && n <= 5) s.SimConversionTasks = static_cast<int>(n);
    }
    if (auto* cores = Find<CComboUI>(L"IDC_EDIT_CPU_CORES"); cores && cores->GetCurSel() >= 0) {
        const long long n = LeadingNumber(cores->GetText());
        if (n >= 0 && n <= GetNumberOfProcessors()) s.CPUCores = static_cast<int>(n);
    }
    if (auto* volume = Find<CSliderUI>(L"IDC_SLIDER_VOLUME")) s.OUT_VOLUME = volume->GetValue();
    if (auto* position = Find<CSliderUI>(L"IDC_SLIDER_SUB_POSITION")) s.SubPosition = position->GetValue();
    if (auto* pages = Find<CComboUI>(L"IDC_COMBO_SUB_ENCODING"); pages && pages->GetCurSel() >= 0)
        s.SubEncoding = static_cast<int>(CodePageNumberOfText(pages->GetText()));
    if (auto* fonts = Find<CComboUI>(L"IDC_EDIT_SUB_FONT"); fonts && fonts->GetCurSel() >= 0 && fonts->GetCurSel() != m_fontStandIn)
        if (CControlUI* item = fonts->GetItemAt(fonts->GetCurSel())) s.SubFontFile = item->GetToolTip();
    if (auto* openCL = Find<COptionUI>(L"IDC_CHECK_USE_OPENCL")) s.UseOpenCL = openCL->IsSelected() ? 1 : 0;
    if (auto* cuda = Find<COptionUI>(L"IDC_CHECK_USE_CUDA")) s.UseNVidiaCUDA = cuda->IsSelected() ? 1 : 0;
}

void COptionDlgUI::ReportChanges() const
{
    int ordinal = 0;
    for (const RecordField& field : kRecord) {
        bool changed = false;
        if (auto* number = std::get_if<IntField>(&field)) changed = m_settings->**number != m_snapshot.**number;
        else if (auto* text = std::get_if<TextField>(&field)) changed = m_settings->**text != m_snapshot.**text;
        if (changed) SendUsageAction(kChangeAction, ordinal);
        ++ordinal;
    }
}
