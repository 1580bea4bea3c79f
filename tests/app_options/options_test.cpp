// The options dialog: every page shows the stored settings and OK stores the
// controls back (through the settings file and into the engine); Cancel puts
// back only what the dialog wrote itself.
#include "MediaHandler.h"
#include "OptionDlgUI.h"
#include "VXMSettings.h"
#include "platform/fonts.h"
#include "platform/text.h"
#include "support/main_window_environment.h"
#include "support/test_media.h"
#include "ui/UILib.h"
#include "FakeDesktop.h"
#include "ProfileManager.h"
#include "FilterText.h"
#include "platform/folders.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <variant>
#include <vector>

namespace {

using IntField = int CVXMSettings::*;
using TextField = std::wstring CVXMSettings::*;

// One control of a page: the setting it shows, the value stored first and
// how the control shows it, then what the user sets and the value it stores.
struct CPageRow {
    const wchar_t* control;
    std::variant<IntField, TextField> field;
    std::wstring first;
    std::wstring firstShown;
    std::wstring userSets;
    std::wstring stored;
};

std::wstring ValueOf(const CVXMSettings& s, const CPageRow& row)
{
    if (auto* n = std::get_if<IntField>(&row.field)) return FormatW(L"%d", s.**n);
    return s.*std::get<TextField>(row.field);
}

void SetValue(CVXMSettings& s, const CPageRow& row, const std::wstring& value)
{
    if (auto* n = std::get_if<IntField>(&row.field)) s.**n = static_cast<int>(std::wcstol(value.c_str(), nullptr, 10));
    else s.*std::get<TextField>(row.field) = value;
}

// What a control shows: "1"/"0" for boxes and options, the chosen item's
// text for combos, the value of sliders, else the text.
std::wstring Shown(CControlUI* control)
{
    if (auto* option = dynamic_cast<COptionUI*>(control)) return option->IsSelected() ? L"1" : L"0";
    if (auto* combo = dynamic_cast<CComboUI*>(control)) return combo->GetCurSel() < 0 ? L"<none>" : combo->GetText();
    if (auto* slider = dynamic_cast<CSliderUI*>(control)) return FormatW(L"%d", slider->GetValue());
    return control->GetText();
}

// What the user does: a click on a box, a choice in a list, a drag, typing.
void UserSets(CControlUI* control, const std::wstring& value)
{
    CPaintManagerUI* pm = control->GetManager();
    if (auto* option = dynamic_cast<COptionUI*>(control)) {
        option->Selected(value == L"1");
    } else if (auto* combo = dynamic_cast<CComboUI*>(control)) {
        for (int i = 0; i < combo->GetCount(); ++i)
            if (combo->GetItemAt(i)->GetText() == value) combo->SelectItem(i);
    } else if (auto* slider = dynamic_cast<CSliderUI*>(control)) {
        slider->SetValue(static_cast<int>(std::wcstol(value.c_str(), nullptr, 10)));
        pm->SendNotify(slider, DUI_MSGTYPE_VALUECHANGED);
    } else {
        control->SetText(value);
    }
}

class COptionsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        settings = CVXMSettings::GetInstance();
        *settings = CVXMSettings();
        fonts = ListInstalledFonts();
        ASSERT_GE(fonts.size(), 2u) << "fontconfig lists fewer than two fonts";
    }
    void TearDown() override
    {
        if (dialog && dialog->GetHWND()) dialog->DestroyWindow();
        dialog.reset();
        *settings = CVXMSettings();
    }
    void Open()
    {
        dialog = std::make_unique<COptionDlgUI>(settings);
        ASSERT_NE(dialog->Create(nullptr, L"VXMOptionDlg", WS_POPUP, 0), nullptr);
        pm = dialog->GetPaintManager();
    }
    CControlUI* Control(const wchar_t* name) const { return pm->FindControl(name); }
    void Click(const wchar_t* name) { pm->SendNotify(Control(name), DUI_MSGTYPE_CLICK); }

    CFakeDesktop desktop;
    CVXMSettings* settings = nullptr;
    std::vector<CInstalledFont> fonts;
    std::unique_ptr<COptionDlgUI> dialog;
    CPaintManagerUI* pm = nullptr;
};

TEST_F(COptionsTest, EveryPageLoadsFromTheSettingsFileAndOkStoresItBack)
{
    const std::vector<CPageRow> rows = {
        // general
        {L"IDC_CHECK_OPEN_FOLDER", &CVXMSettings::OpenOutputFolderAfterConvertingFinished, L"1", L"1", L"0", L"0"},
        {L"IDC_EDIT_MAX_CONV_JOBS", &CVXMSettings::SimConversionTasks, L"3", L"3", L"5", L"5"},
        {L"IDC_EDIT_CPU_CORES", &CVXMSettings::CPUCores, L"1", L"1", L"Auto", L"0"},
        {L"IDC_CHECK_SHUTDOWN", &CVXMSettings::ShutdownFlag, L"1", L"1", L"0", L"0"},
        {L"IDC_CHECK_ADD_CODEC_NAME", &CVXMSettings::AddVCodecName, L"0", L"0", L"1", L"1"},
        {L"IDC_CHECK_KEEP_SRCFILE_TIME", &CVXMSettings::IsUseSrcFileTime, L"1", L"1", L"0", L"0"},
        {L"IDC_CHECK_USE_TRANSCODE_LOG", &CVXMSettings::UseTransLog, L"1", L"1", L"0", L"0"},
        {L"IDC_COMBO_LOCALIZATION", &CVXMSettings::LangID, L"de", L"Deutsch", L"Automatic", L"auto"},
        // video
        {L"IDC_CHECK_FIT_HEIGHT", &CVXMSettings::FitToHeight, L"1", L"1", L"0", L"0"},
        {L"IDC_CHECK_FIT_WIDTH", &CVXMSettings::FitToWidth, L"0", L"0", L"1", L"1"},
        {L"IDC_CHECK_EXPAND", &CVXMSettings::Expand2VideoSize, L"0", L"0", L"1", L"1"},
        {L"IDC_CHECK_ROUND_16", &CVXMSettings::RoundTo16Pixels, L"1", L"1", L"0", L"0"},
        {L"IDC_CHECK_DEINTERLACE", &CVXMSettings::Deinterlace, L"1", L"1", L"0", L"0"},
        {L"IDC_CHECK_INVERSE_TELECINE", &CVXMSettings::InverseTelecine, L"1", L"1", L"0", L"0"},
        {L"IDC_CHECK_MP4_FASTSTART", &CVXMSettings::MP4FastStart, L"1", L"1", L"0", L"0"},
        {L"IDC_CHECK_USE_OPENCL", &CVXMSettings::UseOpenCL, L"1", L"1", L"0", L"0"},
        // audio
        {L"IDC_SLIDER_VOLUME", &CVXMSettings::OUT_VOLUME, L"-5", L"-5", L"7", L"7"},
        {L"IDC_CHECK_VOLNORM", &CVXMSettings::VOLUME_NORM, L"1", L"1", L"0", L"0"},
        {L"IDC_OPTION_MPEG_4", &CVXMSettings::MPEGType, L"0", L"0", L"1", L"1"},
        {L"IDC_OPTION_OBJECT_LTP", &CVXMSettings::ObjectType, L"2", L"0", L"1", L"3"},
        {L"IDC_COMBO_AUDIO_QUALITY", &CVXMSettings::AudioQuality, L"3", L"2", L"9 - Worst", L"10"},
        {L"IDC_COMBO_MP3_ENCODE", &CVXMSettings::MP3Encode, L"1", L"VBR", L"CBR", L"0"},
        {L"IDC_COMBO_MP3_VBR_QUALITY", &CVXMSettings::MP3VBRQuality, L"7", L"7", L"0 - Highest", L"0"},
        {L"IDC_COMBO_MP3_VOLUME", &CVXMSettings::MP3Volume, L"11", L"10", L"Default", L"0"},
        // online
        {L"IDC_YOUTUBE_USERNAME", &CVXMSettings::YTUser, L"alice", L"alice", L"bob", L"bob"},
        {L"IDC_YOUTUBE_PASSWD", &CVXMSettings::YTPasswd, L"a1", L"a1", L"b2", L"b2"},
        {L"IDC_NICO_USERNAME", &CVXMSettings::NicoUser, L"carol", L"carol", L"dave", L"dave"},
        {L"IDC_NICO_PASSWD", &CVXMSettings::NicoPasswd, L"c3", L"c3", L"d4", L"d4"},
        {L"IDC_FACEBOOK_USERNAME", &CVXMSettings::FaceBookUser, L"erin", L"erin", L"frank", L"frank"},
        {L"IDC_FACEBOOK_PASSWD", &CVXMSettings::FaceBookPasswd, L"e5", L"e5", L"f6", L"f6"},
        {L"IDC_DOWNLOAD_PROXY_HOST", &CVXMSettings::ProxyServer, L"proxy.lan", L"proxy.lan", L"cache.lan", L"cache.lan"},
        {L"IDC_DOWNLOAD_PROXY_PORT", &CVXMSettings::ProxyPort, L"3128", L"3128", L"8080", L"8080"},
        {L"IDC_DOWNLOAD_RETRY_TIMES", &CVXMSettings::RetryTimes, L"7", L"7", L"12", L"12"},
        {L"IDC_RADIO_ONLINE_FMT1", &CVXMSettings::OnlineFMT, L"2", L"0", L"1", L"0"},
        {L"IDC_CHECK_TITLE_AS_FILENAME", &CVXMSettings::UseTitleAsFileName, L"0", L"0", L"1", L"1"},
        // DVD
        {L"IDC_CHECK_DVD_USE_DRAVEL", &CVXMSettings::DVDUseDravel, L"0", L"0", L"1", L"1"},
        {L"IDC_CHECK_SHOW_FAKE_TITLES", &CVXMSettings::IsShowFakeTitles, L"1", L"1", L"0", L"0"},
        {L"IDC_CHECK_DO_NOT_SEPARATE", &CVXMSettings::IsDoNotSeparate, L"1", L"1", L"0", L"0"},
        // subtitles
        {L"IDC_COMBO_SUB_ENCODING", &CVXMSettings::SubEncoding, L"1251", L"1251 (ANSI - Cyrillic)",
         L"28605 (ISO 8859-15 Latin 9)", L"28605"},
        {L"IDC_EDIT_SUB_FONT", &CVXMSettings::SubFontFile, fonts[0].file, fonts[0].name, fonts[1].name, fonts[1].file},
        {L"IDC_EDIT_DEF_SCALE", &CVXMSettings::SubScale, L"150", L"150", L"80", L"80"},
        {L"IDC_COMBO_SUB_AUTOSCALE", &CVXMSettings::SubAutoScale, L"2", L"Proportional to movie width",
         L"No Autoscale", L"0"},
        {L"IDC_SLIDER_SUB_POSITION", &CVXMSettings::SubPosition, L"30", L"30", L"77", L"77"},
        {L"IDC_EDIT_ASPECT_RATIO", &CVXMSettings::pixel_aspect, L"133", L"1.33", L"1.335", L"133"},
        {L"IDC_EDIT_LINE_SPACING", &CVXMSettings::line_spacing, L"20", L"0.20", L"1.5", L"150"},
        {L"IDC_EDIT_SHADOW", &CVXMSettings::Shadow, L"3", L"3", L"4", L"4"},
        {L"IDC_EDIT_OUTLINE", &CVXMSettings::OutLine, L"2", L"2", L"5", L"5"},
        {L"IDC_CHECK_SUBTITLE_BOLD", &CVXMSettings::bForceBold, L"1", L"1", L"0", L"0"},
        {L"IDC_CHECK_SUBTITLE_ITALIC", &CVXMSettings::bForceItalic, L"1", L"1", L"0", L"0"},
        {L"IDC_CHECK_SUBTITLE_UNDERLINE", &CVXMSettings::bForceUnderline, L"1", L"1", L"0", L"0"},
        {L"IDC_CHECK_SUBTITLE_STRIKEOUT", &CVXMSettings::bForceStrikeOut, L"1", L"1", L"0", L"0"},
        {L"IDC_CHECK_SUBTITLE_SHADOW", &CVXMSettings::bForceShadow, L"0", L"0", L"1", L"1"},
        {L"IDC_CHECK_SUBTITLE_OUTLINE", &CVXMSettings::bForceOutLine, L"0", L"0", L"1", L"1"},
        {L"IDC_CHECK_USE_SUBTITLE_COLOR", &CVXMSettings::bForceColor, L"0", L"0", L"1", L"1"},
        {L"IDC_SLIDER_SUB_TRANSPARENT", &CVXMSettings::PrimaryColour, FormatW(L"%d", 0x80332211), L"128", L"255",
         FormatW(L"%d", static_cast<int>(0xFF332211))},
        // misc
        {L"IDC_RADIO_VO_GL", &CVXMSettings::MPLAYER_VO_N, L"4", L"0", L"1", L"1"},
        {L"IDC_CHECK_AUTO_CHECK_VERSION", &CVXMSettings::CheckNewVersion, L"0", L"0", L"1", L"1"},
        {L"IDC_CHECK_PREVIEW_HTML5", &CVXMSettings::PreviewHTML5, L"0", L"0", L"1", L"1"},
        // No iTunes here: a stored tick shows, and is stored, off.
        {L"IDC_CHECK_EXPORT_ITUNES", &CVXMSettings::IsExportToiTunes, L"1", L"0", L"0", L"0"},
        {L"IDC_CHECK_MONITOR_CLIPBOARD", &CVXMSettings::MonitorClipboard, L"1", L"1", L"0", L"0"},
        {L"IDC_CHECK_SEND_ACTION", &CVXMSettings::UseSendAction, L"0", L"0", L"1", L"1"},
    };

    // The first values go through the settings file.
    CVXMSettings first;
    for (const CPageRow& row : rows) SetValue(first, row, row.first);
    first.OutputFolder = L"/media/out";
    first.SendActionSerVice = L"https://stats.example/v1";
    ASSERT_TRUE(first.Save());
    settings->Load();
    CMediaHandler* handler = CMediaHandler::GetInstance();
    ASSERT_TRUE(handler->Init(nullptr));

    Open();
    for (const CPageRow& row : rows) {
        CControlUI* control = Control(row.control);
        ASSERT_NE(control, nullptr) << row.control;
        EXPECT_EQ(Shown(control), row.firstShown) << row.control;
    }
    EXPECT_EQ(Control(L"IDC_EDIT_OUTPUT_FOLDER")->GetText(), L"/media/out");
    EXPECT_EQ(Control(L"IDC_LABEL_SERVICE_ADDRESS")->GetText(), L"https://stats.example/v1");
    EXPECT_EQ(Control(L"IDC_STATIC_LABEL_SUB_TRANSPARENT")->GetText(), L"50%");
    EXPECT_EQ(Control(L"IDC_STATIC_SLIDER_BUDDY")->GetText(), L"-5 db");

    for (const CPageRow& row : rows) UserSets(Control(row.control), row.userSets);
    EXPECT_EQ(Control(L"IDC_STATIC_LABEL_SUB_TRANSPARENT")->GetText(), L"100%");
    // The outline colour comes from the colour chooser, with its transparency.
    desktop.colours.answer = true;
    desktop.colours.colour = 0x40A0B0C0;
    Click(L"IDC_LABEL_SUBTITLE_OUTLINE_COLOR");
    Click(L"ID_BUTTON_OK");
    EXPECT_EQ(settings->OutLineColor, 0x40A0B0C0);

    // OK stored every control; the file gives the same back.
    ASSERT_TRUE(settings->Save());
    CVXMSettings reread;
    reread.Load();
    for (const CPageRow& row : rows) {
        EXPECT_EQ(ValueOf(*settings, row), row.stored) << row.control;
        EXPECT_EQ(ValueOf(reread, row), row.stored) << row.control;
    }
    EXPECT_EQ(reread.OutLineColor, 0x40A0B0C0);

    // The engine got the new values.
    const VXM_ENGINE_SETTINGS* engine = GetEngineSettings();
    ASSERT_NE(engine, nullptr);
    EXPECT_EQ(engine->OUT_VOLUME, 7);
    EXPECT_EQ(engine->ObjectType, 3);
    EXPECT_EQ(engine->MP3VBRQuality, 0);
    EXPECT_EQ(engine->AudioQuality, 10);
    EXPECT_EQ(engine->FitToWidth, 1);
    EXPECT_EQ(engine->FitToHeight, 0);
    EXPECT_EQ(engine->subtitle.nEncoding, 28605);
    EXPECT_EQ(engine->subtitle.strFontFile, fonts[1].file);
    EXPECT_EQ(engine->subtitle.nPixelAspect, 133);
}

TEST_F(COptionsTest, CancelPutsBackWhatTheDialogWroteAndKeepsWhatChangedElsewhere)
{
    settings->OnlineFMT = 1;
    settings->OutputFolder = L"/media/before";
    settings->LangID = L"auto";
    settings->UseNVidiaCUDA = 1;
    ASSERT_TRUE(settings->Save());
    // Changed elsewhere and not saved yet.
    settings->ShowMM = 1;
    settings->DefaultMediaFolder = L"/media/library";

    Open();
    // Without an NVIDIA encoder or driver the CUDA box is off and explains why.
    ASSERT_FALSE(COptionDlgUI::IsNvEncoderAvailable());
    EXPECT_FALSE(Control(L"IDC_CHECK_USE_CUDA")->IsEnabled());
    EXPECT_EQ(Shown(Control(L"IDC_CHECK_USE_CUDA")), L"0");
    EXPECT_EQ(Control(L"IDC_LABEL_CUDA")->GetText(), L"NVidia device not present, CUDA acceleration is disabled.");
    EXPECT_EQ(settings->UseNVidiaCUDA, 0);
    // Nor is there iTunes: its box and name are greyed, and say why on the mouse.
    for (const wchar_t* name : {L"IDC_CHECK_EXPORT_ITUNES", L"ID_LABEL_OPTIONS_ADD_CONVERTED_FILES_TO"}) {
        EXPECT_FALSE(Control(name)->IsEnabled()) << WideToUtf8(name);
        EXPECT_EQ(Control(name)->GetHoverTip(), L"There is no iTunes on this system.") << WideToUtf8(name);
    }

    // Writes at once: the download format, the browsed folder, the language.
    UserSets(Control(L"IDC_RADIO_ONLINE_FMT3"), L"1");
    EXPECT_EQ(settings->OnlineFMT, 2);
    const vxmtest::CTempDir dir;
    const std::wstring chosen = Utf8ToWide(dir.File("new/output"));
    desktop.files.folderAnswer = chosen;
    Click(L"IDC_BUTTON_OUTPUT_BROWSE");
    EXPECT_EQ(settings->OutputFolder, chosen);
    EXPECT_EQ(Control(L"IDC_EDIT_OUTPUT_FOLDER")->GetText(), chosen);
    EXPECT_TRUE(std::filesystem::is_directory(dir.File("new/output")));
    UserSets(Control(L"IDC_COMBO_LOCALIZATION"), L"Deutsch");
    EXPECT_EQ(settings->LangID, L"de");
    UserSets(Control(L"IDC_CHECK_SHUTDOWN"), L"1");

    Click(L"ID_BUTTON_CANCEL");
    EXPECT_EQ(settings->OnlineFMT, 1);
    EXPECT_EQ(settings->OutputFolder, L"/media/before");
    EXPECT_EQ(settings->LangID, L"auto");
    EXPECT_EQ(settings->UseNVidiaCUDA, 1);
    EXPECT_EQ(settings->ShutdownFlag, 0);
    EXPECT_EQ(settings->ShowMM, 1);
    EXPECT_EQ(settings->DefaultMediaFolder, L"/media/library");
}

TEST_F(COptionsTest, ATypedOutputFolderIsMadeOnOkAndOneThatTakesNoFileKeepsTheDialogOpen)
{
    settings->OutputFolder = L"/media/before";
    Open();
    CControlUI* folder = Control(L"IDC_EDIT_OUTPUT_FOLDER");
    // Nothing can be made under /proc, not even by the superuser.
    folder->SetText(L"/proc/vxm output");
    Click(L"ID_BUTTON_OK");
    EXPECT_EQ(settings->OutputFolder, L"/media/before");
    EXPECT_NE(desktop.Calls().back().find(L"/proc/vxm output cannot be written to"), std::wstring::npos);
    EXPECT_EQ(folder->GetText(), L"/proc/vxm output") << "what was typed stays to be put right";
    const HWND window = dialog->GetHWND();
    vxmtest::PumpPending();
    EXPECT_TRUE(::IsWindow(window));

    folder->SetText(L"~/V\u00eddeos/\u6771\u4eac out/");
    Click(L"ID_BUTTON_OK");
    const std::wstring typed = GetUserHomeFolder() + L"/V\u00eddeos/\u6771\u4eac out";
    EXPECT_EQ(settings->OutputFolder, typed);
    EXPECT_TRUE(std::filesystem::is_directory(WideToUtf8(typed)));
    vxmtest::PumpPending();
    EXPECT_FALSE(::IsWindow(window));
}

TEST_F(COptionsTest, OnAFreshStartTheFontBoxShowsTheFontTheBurnInTakesAndOkKeepsNoneStored)
{
    Open();
    auto* fonts = dynamic_cast<CComboUI*>(Control(L"IDC_EDIT_SUB_FONT"));
    ASSERT_GE(fonts->GetCurSel(), 0);
    EXPECT_EQ(fonts->GetItemAt(fonts->GetCurSel())->GetToolTip(), GetDefaultSubtitleFontFile());
    Click(L"ID_BUTTON_OK");
    EXPECT_EQ(settings->SubFontFile, L"");
}

TEST_F(COptionsTest, ChoicesEnableTheControlsThatDependOnThem)
{
    settings->FitToWidth = 1;
    settings->FitToHeight = 0;
    settings->MP3Encode = 0;
    settings->bForceShadow = 0;
    settings->bForceOutLine = 1;
    Open();
    EXPECT_FALSE(Control(L"IDC_CHECK_FIT_HEIGHT")->IsEnabled());
    EXPECT_FALSE(Control(L"IDC_COMBO_MP3_VBR_QUALITY")->IsEnabled());
    EXPECT_FALSE(Control(L"IDC_EDIT_SHADOW")->IsEnabled());
    EXPECT_TRUE(Control(L"IDC_EDIT_OUTLINE")->IsEnabled());
    EXPECT_TRUE(Control(L"IDC_LABEL_SUBTITLE_OUTLINE_COLOR")->IsEnabled());

    UserSets(Control(L"IDC_CHECK_FIT_WIDTH"), L"0");
    EXPECT_TRUE(Control(L"IDC_CHECK_FIT_HEIGHT")->IsEnabled());
    UserSets(Control(L"IDC_CHECK_FIT_HEIGHT"), L"1");
    EXPECT_FALSE(Control(L"IDC_CHECK_FIT_WIDTH")->IsEnabled());
    UserSets(Control(L"IDC_COMBO_MP3_ENCODE"), L"VBR");
    EXPECT_TRUE(Control(L"IDC_COMBO_MP3_VBR_QUALITY")->IsEnabled());
    UserSets(Control(L"IDC_COMBO_MP3_ENCODE"), L"CBR");
    EXPECT_FALSE(Control(L"IDC_COMBO_MP3_VBR_QUALITY")->IsEnabled());
    UserSets(Control(L"IDC_CHECK_SUBTITLE_SHADOW"), L"1");
    EXPECT_TRUE(Control(L"IDC_EDIT_SHADOW")->IsEnabled());
    UserSets(Control(L"IDC_CHECK_SUBTITLE_OUTLINE"), L"0");
    EXPECT_FALSE(Control(L"IDC_EDIT_OUTLINE")->IsEnabled());
    EXPECT_FALSE(Control(L"IDC_LABEL_SUBTITLE_OUTLINE_COLOR")->IsEnabled());

    // The tabs switch the pages.
    auto* pages = dynamic_cast<CTabLayoutUI*>(Control(L"switch"));
    ASSERT_NE(pages, nullptr);
    EXPECT_EQ(pages->GetCount(), 8);
    UserSets(Control(L"ID_OPTIONS_TAB_SUBTITLES"), L"1");
    EXPECT_EQ(pages->GetCurSel(), 5);
}

TEST_F(COptionsTest, NumbersOutOfRangeLeaveTheSettingAsItWas)
{
    settings->RetryTimes = 3;
    settings->SubScale = 100;
    settings->Shadow = 2;
    settings->OutLine = 1;
    settings->pixel_aspect = 100;
    settings->line_spacing = 10;
    Open();
    UserSets(Control(L"IDC_DOWNLOAD_RETRY_TIMES"), L"100");
    UserSets(Control(L"IDC_EDIT_DEF_SCALE"), L"-50");
    UserSets(Control(L"IDC_EDIT_SHADOW"), L"-1");
    UserSets(Control(L"IDC_EDIT_OUTLINE"), L"many");
    UserSets(Control(L"IDC_EDIT_ASPECT_RATIO"), L"-1.5");
    UserSets(Control(L"IDC_EDIT_LINE_SPACING"), L"-0.5");
    Click(L"ID_BUTTON_OK");
    EXPECT_EQ(settings->RetryTimes, 3);
    EXPECT_EQ(settings->SubScale, 100);
    EXPECT_EQ(settings->Shadow, 2);
    EXPECT_EQ(settings->OutLine, 0);  // no number reads as 0, which is allowed
    EXPECT_EQ(settings->pixel_aspect, 100);
    EXPECT_EQ(settings->line_spacing, 10);

    // Numbers a double holds but an int does not are refused the same way.
    for (const wchar_t* huge : {L"nan", L"inf", L"-inf", L"1e300"}) {
        dialog->DestroyWindow();
        Open();
        UserSets(Control(L"IDC_EDIT_ASPECT_RATIO"), huge);
        UserSets(Control(L"IDC_EDIT_LINE_SPACING"), huge);
        Click(L"ID_BUTTON_OK");
        EXPECT_EQ(settings->pixel_aspect, 100) << WideToUtf8(huge);
        EXPECT_EQ(settings->line_spacing, 10) << WideToUtf8(huge);
    }

    dialog->DestroyWindow();
    Open();
    UserSets(Control(L"IDC_DOWNLOAD_RETRY_TIMES"), L"0");
    Click(L"ID_BUTTON_OK");
    EXPECT_EQ(settings->RetryTimes, 0);
}

// A skin that lacks most controls: set-up and OK skip what is missing.
class CBareOptionDlg : public COptionDlgUI {
public:
    using COptionDlgUI::COptionDlgUI;
    std::wstring GetSkinFile() override
    {
        return L"<Window size=\"200,100\"><VerticalLayout><CheckBox name=\"IDC_CHECK_SHUTDOWN\" />"
               L"<Button name=\"ID_BUTTON_OK\" /></VerticalLayout></Window>";
    }
};

TEST_F(COptionsTest, ASkinWithoutMostControlsStillLoadsAndStores)
{
    settings->SubFontFile = L"/fonts/kept.ttf";
    settings->SubEncoding = 932;
    CBareOptionDlg bare(settings);
    ASSERT_NE(bare.Create(nullptr, L"VXMOptionDlg", WS_POPUP, 0), nullptr);
    CPaintManagerUI* bpm = bare.GetPaintManager();
    UserSets(bpm->FindControl(L"IDC_CHECK_SHUTDOWN"), L"1");
    bpm->SendNotify(bpm->FindControl(L"ID_BUTTON_OK"), DUI_MSGTYPE_CLICK);
    EXPECT_EQ(settings->ShutdownFlag, 1);
    EXPECT_EQ(settings->SubFontFile, L"/fonts/kept.ttf");
    EXPECT_EQ(settings->SubEncoding, 932);
    EXPECT_EQ(settings->DVDUseDravel, 0);  // a skin without the box turns it off
    if (bare.GetHWND()) bare.DestroyWindow();
}

}  // namespace
