// The program update dialog on a real X display: the check against a server
// on 127.0.0.1 finds a newer version, and the offer with its release notes is
// saved as a screenshot for a look.
#include "DlgSoftwareUpdate.h"
#include "ModuleUpdate.h"
#include "SimpleHtmlCtrl.h"

#include "platform/folders.h"
#include "support/private_home.h"
#include "support/pump.h"
#include "support/update_server.h"
#include "ui/UILib.h"
#include "ui/UIMessagePump.h"
#include "FakeDesktop.h"

#include <QPixmap>
#include <QWidget>
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>

namespace {

[[maybe_unused]] const bool g_home = vxmtest::RegisterPrivateHome();

class CX11Environment : public ::testing::Environment {
public:
    void SetUp() override
    {
        EnsureUIApplication();
        const std::string source = VXM_SOURCE_DIR;
        SetProgramFolderForTesting(std::wstring(source.begin(), source.end()));
        CPaintManagerUI::SetResourcePath(std::wstring(source.begin(), source.end()) + L"/skin");
    }
    void TearDown() override { ShutdownUIApplication(); }
};
[[maybe_unused]] const auto* g_env = ::testing::AddGlobalTestEnvironment(new CX11Environment);

using vxmtest::PumpPending;
using vxmtest::PumpUntil;

TEST(UpdateDialogScreenshot, TheOfferWithReleaseNotes)
{
    CFakeDesktop desktop;
    vxmtest::CTempDir served;
    std::ofstream(served.File("version.ini"))
        << "[General]\nmajor_version=1\nminor_version=2\nbuild=0\n"
           "whatsnew=<b>What's new in 1.2</b><br>- Online videos download with progress, parts and MP3.<br>"
           "- <font color=\"#c00000\">Faster</font> conversions of <i>long</i> files.<br>"
           "See the <a href=\"https://example.com/release-notes\">full release notes</a> for more.\n";
    vxmtest::CUpdateServer server(served.Path());
    SetUpdateServer(server.Base());

    CDlgSoftwareUpdate dialog(CProgramVersion{1, 0, 0}, CProgramVersion());
    dialog.SetCheckFirst(true);
    ASSERT_NE(dialog.Create(nullptr, L"VXMSoftwareUpdateDlg", WS_POPUP | WS_VISIBLE, 0), nullptr);
    dialog.CenterWindow();
    dialog.ShowWindow(true);
    ASSERT_TRUE(PumpUntil([&] { return dialog.GetPaintManager()->FindControl(L"IDC_BTN_INSTALL_UPDATE")->IsVisible(); }));
    PumpPending();  // painted
    std::wstring address;
    ASSERT_NE(dialog.GetNotesControl(), nullptr);
    EXPECT_EQ(dialog.GetNotesControl()->GetLinks().size(), 1u);
    const QPixmap shot = dialog.GetWidget()->grab();
    EXPECT_FALSE(shot.isNull());
    EXPECT_TRUE(shot.save(QStringLiteral(VXM_SCREENSHOT_DIR "/update_dialog.png")));
    dialog.DestroyWindow();
    PumpPending();
}

// Notes as a hostile or careless server may write them: digits first, an
// emoji, a font face that tries to be RTF; and a check that failed. Both
// saved for a look.
TEST(UpdateDialogScreenshot, NotesAsWrittenAndAFailedCheck)
{
    CFakeDesktop desktop;
    CDlgSoftwareUpdate offer(CProgramVersion{1, 0, 0}, CProgramVersion{6, 8, 0});
    offer.SetNotes(L"6.8 is out \U0001F600<br><body>2024 release notes<br>"
                   L"<font face=\"a;}}inject{\">This line is safe</font> and so is <b>this</b>.");
    ASSERT_NE(offer.Create(nullptr, L"VXMSoftwareUpdateDlg", WS_POPUP | WS_VISIBLE, 0), nullptr);
    offer.CenterWindow();
    offer.ShowWindow(true);
    PumpPending();  // painted
    ASSERT_NE(offer.GetNotesControl(), nullptr);
    EXPECT_EQ(offer.GetNotesControl()->GetText(),
              L"6.8 is out \U0001F600\n2024 release notes\nThis line is safe and so is this.");
    EXPECT_TRUE(offer.GetWidget()->grab().save(QStringLiteral(VXM_SCREENSHOT_DIR "/update_dialog_notes.png")));
    offer.DestroyWindow();

    vxmtest::CTempDir served;  // no version.ini: the check fails
    vxmtest::CUpdateServer server(served.Path());
    SetUpdateServer(server.Base());
    CDlgSoftwareUpdate check(CProgramVersion{1, 0, 0}, CProgramVersion());
    check.SetCheckFirst(true);
    ASSERT_NE(check.Create(nullptr, L"VXMSoftwareUpdateDlg", WS_POPUP | WS_VISIBLE, 0), nullptr);
    check.CenterWindow();
    check.ShowWindow(true);
    CControlUI* headline = check.GetPaintManager()->FindControl(L"IDC_LABEL_HEADLINE");
    ASSERT_TRUE(PumpUntil([&] { return headline->GetText().rfind(L"Cannot", 0) == 0; }));
    PumpPending();  // painted
    EXPECT_TRUE(check.GetWidget()->grab().save(QStringLiteral(VXM_SCREENSHOT_DIR "/update_dialog_failed.png")));
    check.DestroyWindow();
    PumpPending();
}

}  // namespace
