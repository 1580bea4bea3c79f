// Every dialog the program opens, at its own size, in English and in German
// (the language with the longest texts): laid out, checked (no clipped text
// unless it elides, no overlaps, every picture loads, every button shows a
// picture or a text) and kept as a screenshot in the build folder.
#include "AboutDlgUI.h"
#include "BurnWindow.h"
#include "BurnWorker.h"
#include "DVDOpenDlgUI.h"
#include "DlgBatchAdd.h"
#include "DlgModuleUpdate.h"
#include "DlgSelectDVD.h"
#include "DlgSoftwareUpdate.h"
#include "CheckShellFolderCtrl.h"
#include "SelectFormatDlgUI.h"
#include "SkinFolders.h"
#include "URLDlgUI.h"
#include "VXMDownloader.h"
#include "VXMMediaExports.h"
#include "panes/CustomOptDlgUI.h"
#include "platform/events.h"
#include "platform/folders.h"
#include "platform/text.h"
#include "support/fake_media.h"
#include "support/language_texts.h"
#include "support/main_window_environment.h"
#include "support/private_home.h"
#include "support/skin_check.h"
#include "support/test_media.h"
#include "ui/UILanguage.h"
#include "FakeDesktop.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QString>
#include <QWidget>

#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

namespace {

namespace fs = std::filesystem;

std::string Joined(const std::vector<std::string>& problems)
{
    std::string text;
    for (const std::string& p : problems) text += "\n  " + p;
    return text;
}

class EveryDialog : public ::testing::TestWithParam<const wchar_t*> {
protected:
    void SetUp() override
    {
        // As the main window does at start: every window takes its pictures from the skin.
        ApplySkinImageFolders(kDefaultSkin);
        ASSERT_EQ(CLanguageManager::GetInstance()->SetLang(GetParam()), GetParam());
        lang = WideToUtf8(GetParam());
    }
    void TearDown() override { CLanguageManager::GetInstance()->SetLang(L"en"); }

    // Lays the window out at its size, checks it and keeps its picture.
    void Look(CWindowWnd& window, const std::string& name, bool pump = true)
    {
        if (pump) vxmtest::PumpPending();
        CPaintManagerUI* pm = window.GetPaintManager();
        ASSERT_NE(pm, nullptr) << name;
        const std::vector<std::string> problems = vxmtest::CheckLayout(*pm);
        EXPECT_TRUE(problems.empty()) << name << " (" << lang << "):" << Joined(problems);
        static const vxmtest::CTextsOfLanguages texts = vxmtest::ReadTextsOfLanguages();
        if (lang == "de") {
            const std::vector<std::string> english = vxmtest::ControlsShowing(*pm, texts.englishOnly);
            EXPECT_TRUE(english.empty()) << name << " shows English in German:" << Joined(english);
        }
        const QImage image = window.GetWidget()->grab().toImage();
        EXPECT_FALSE(image.isNull()) << name;
        EXPECT_TRUE(image.save(QString::fromStdString(std::string(VXM_SCREENSHOT_DIR) + "/dialog_" + name + "_" + lang + ".png")))
            << name;
    }
    template <class T>
    void Close(T& dialog)
    {
        dialog.DestroyWindow();
        vxmtest::PumpPending();
    }

    CFakeDesktop desktop;
    std::string lang;
};

TEST_P(EveryDialog, About)
{
    CAboutDlgUI dialog;
    ASSERT_NE(dialog.Create(nullptr, L"VXMAboutDlg", WS_POPUP | WS_VISIBLE, 0), nullptr);
    Look(dialog, "about");
    Close(dialog);
}

TEST_P(EveryDialog, BatchAddWithItsFolderTree)
{
    const fs::path home(WideToUtf8(GetUserHomeFolder()));
    for (const char* name : {"Music", "Pictures", "Videos/Holidays in the mountains with the whole family 2024", "Videos/Family"})
        fs::create_directories(home / name);
    CDlgBatchAdd dialog([](const std::wstring&) {});
    ASSERT_NE(dialog.Create(nullptr, L"VXMBatchAddDlg", WS_POPUP | WS_VISIBLE, 0), nullptr);
    CCheckShellFolderCtrl* tree = dialog.GetTree();
    ASSERT_NE(tree, nullptr);
    CTreeNodeUI* videos = tree->FindNodeByPath(Utf8ToWide((home / "Videos").string()));
    ASSERT_NE(videos, nullptr);
    tree->FillChildren(videos);
    tree->Expand(videos, true);
    tree->SetCheck(videos, true);
    Look(dialog, "batch_add");
    dialog.Close(IDCANCEL);
    vxmtest::PumpPending();
}

TEST_P(EveryDialog, BurnProgress)
{
    vxmtest::CTempDir temp;
    SBurnJob job;
    job.tempFolder = Utf8ToWide(temp.File("work"));
    job.imagePath = Utf8ToWide(temp.File("disc.iso"));
    CBurnWindowUI window(job, {}, nullptr);
    ASSERT_NE(window.Create(nullptr, L"VXMBurnWnd", WS_POPUP | WS_VISIBLE, 0), nullptr);
    // A report as the worker sends them, looked at before the worker's own end arrives.
    auto report = std::make_unique<SBurnReport>(SBurnReport{
        EBurnStage::Image, 63, L"Writing the disc image: 2867 of 4472 megabytes done, about 1 minute and 20 seconds left"});
    ::SendMessage(window.GetHWND(), CBurnWindowUI::WM_BURN_REPORT, 0, reinterpret_cast<LPARAM>(report.release()));
    Look(window, "burn", false);
    window.DestroyWindow();
    vxmtest::PumpPending();
}

TEST_P(EveryDialog, CustomValueInBothForms)
{
    CCustomOptDlgUI dialog;
    ASSERT_NE(dialog.Create(nullptr, L"VXMCustomOptDlg", WS_POPUP | WS_VISIBLE, 0), nullptr);
    const std::wstring minimum = L"16", maximum = L"100000";
    dialog.SetForm(CCustomOptDlgUI::kOneField, false);
    dialog.SetOptionName(CLanguageManager::GetInstance()->LoadStringW(143));
    dialog.SetOptionLimit(&minimum, &maximum);
    Look(dialog, "custom_value");
    dialog.SetForm(CCustomOptDlgUI::kTwoFields, true);
    dialog.SetOptionName(CLanguageManager::GetInstance()->LoadStringW(140));
    dialog.SetOptionLimit(&minimum, &maximum);
    Look(dialog, "custom_size");
    Close(dialog);
}

TEST_P(EveryDialog, DiscAnalysis)
{
    CSlowDVDFile dvd;
    CDVDOpenDlgUI dialog(L"/dev/sr0", &dvd, nullptr);
    ASSERT_NE(dialog.Create(nullptr, L"VXMDVDOpenDlg", WS_POPUP | WS_VISIBLE, 0), nullptr);
    Look(dialog, "dvd_open");
    dvd.CancelOpen();
    dialog.JoinWorker();
    Close(dialog);
}

TEST_P(EveryDialog, WebAddressesAndMp3Addresses)
{
    for (bool mp3 : {false, true}) {
        CURLDlgUI dialog(mp3);
        ASSERT_NE(dialog.Create(nullptr, L"VXMURLDlg", WS_POPUP | WS_VISIBLE, 0), nullptr);
        dialog.OnAddURL(L"https://www.example.com/watch?v=a-very-long-address-of-a-concert-recording-in-full-length-2024");
        dialog.OnAddURL(L"https://video.example.org/clip/12345");
        Look(dialog, mp3 ? "import_mp3" : "import_urls");
        Close(dialog);
    }
}

TEST_P(EveryDialog, ModuleUpdate)
{
    CDlgModuleUpdate dialog;
    ASSERT_NE(dialog.Create(nullptr, L"VXMModuleUpdateDlg", WS_POPUP | WS_VISIBLE, 0), nullptr);
    Look(dialog, "module_update");
    Close(dialog);
}

TEST_P(EveryDialog, DriveChoice)
{
    desktop.drives.drives = {COpticalDrive{L"/dev/sr0", L"/media/user/HOLIDAY_2024"}};
    CDlgSelectDVD dialog(desktop.drives);
    ASSERT_NE(dialog.Create(nullptr, L"VXMSelectDVDDlg", WS_POPUP | WS_VISIBLE, 0), nullptr);
    Look(dialog, "select_dvd");
    Close(dialog);
}

TEST_P(EveryDialog, FormatChoice)
{
    VXM_FORMAT_REQUEST request;
    request.title = L"A very long title of an online concert recording of the whole evening in full length";
    for (const auto& [quality, description, type, size] :
         std::vector<std::tuple<const char*, const char*, const wchar_t*, std::uint64_t>>{
             {"1080p", "1920x1080", L"video/mp4", 5000000000ull},
             {"720p", "1280x720", L"video/webm", 734003200ull},
             {"", "", L"audio/mp4", 4194304ull}}) {
        VXM_FORMAT_RECORD format;
        format.quality = quality;
        format.description = description;
        format.mediaType = type;
        format.size = size;
        request.formats.push_back(format);
    }
    CSelectFormatDlgUI dialog(request);
    ASSERT_NE(dialog.Create(nullptr, L"VXMSelectFormatDlg", WS_POPUP | WS_VISIBLE, 0), nullptr);
    Look(dialog, "select_format");
    Close(dialog);
}

TEST_P(EveryDialog, ProgramUpdateOffer)
{
    CDlgSoftwareUpdate dialog(CProgramVersion{1, 0, 0}, CProgramVersion{1, 2, 0});
    dialog.SetNotes(L"<b>What's new in 1.2</b><br>- Online videos download with progress, parts and MP3.<br>"
                    L"- Faster conversions of <i>long</i> files.<br>"
                    L"See the <a href=\"https://example.com/release-notes\">full release notes</a> for more.");
    ASSERT_NE(dialog.Create(nullptr, L"VXMSoftwareUpdateDlg", WS_POPUP | WS_VISIBLE, 0), nullptr);
    Look(dialog, "software_update");
    Close(dialog);
}

INSTANTIATE_TEST_SUITE_P(Languages, EveryDialog, ::testing::Values(L"en", L"de"),
                         [](const ::testing::TestParamInfo<const wchar_t*>& info) { return WideToUtf8(info.param); });

}  // namespace
