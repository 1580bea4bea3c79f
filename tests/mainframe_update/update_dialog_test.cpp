// The program update dialog: its check-first form against a server on
// 127.0.0.1, the offer with release notes whose link is found by position,
// skipping a version, and which links may be opened.
#include "DlgSoftwareUpdate.h"
#include "ModuleUpdate.h"
#include "SimpleHtmlCtrl.h"
#include "VXMSettings.h"

#include "support/main_window_environment.h"
#include "support/update_server.h"
#include "ui/UILib.h"
#include "FakeDesktop.h"

#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <gtest/gtest.h>

#include <fstream>

namespace {

[[maybe_unused]] const bool g_env = vxmtest::RegisterMainWindowEnvironment(false);

const wchar_t* const kNotes = L"<b>New:</b> faster downloads.<br>Read <a href=\"https://Example.com/Notes\">the notes</a>.";

struct CUpdateDialogTest : ::testing::Test {
    void Serve(const std::string& ini) { std::ofstream(served.File("version.ini")) << ini; }
    std::wstring Text(CDlgSoftwareUpdate& dialog, const wchar_t* name)
    {
        return dialog.GetPaintManager()->FindControl(name)->GetText();
    }
    bool Shown(CDlgSoftwareUpdate& dialog, const wchar_t* name)
    {
        return dialog.GetPaintManager()->FindControl(name)->IsVisible();
    }
    // The check-first dialog, until its headline leaves the checking text
    // or the detail line appears.
    void Check(CDlgSoftwareUpdate& dialog, const vxmtest::CUpdateServer& server)
    {
        SetUpdateServer(server.Base());
        dialog.SetCheckFirst(true);
        ASSERT_NE(dialog.Create(nullptr, L"VXMSoftwareUpdateDlg", WS_POPUP | WS_VISIBLE, 0), nullptr);
        dialog.ShowWindow(true);
        EXPECT_EQ(Text(dialog, L"IDC_LABEL_HEADLINE"), L"Checking new version of Vexmora Professional, please wait...");
        ASSERT_TRUE(vxmtest::PumpUntil([&] { return Shown(dialog, L"IDC_LABEL_DETAIL"); }));
    }
    CFakeDesktop desktop;
    vxmtest::CTempDir served;
};

TEST_F(CUpdateDialogTest, TheRunningVersionOnTheServerIsUpToDate)
{
    Serve("[General]\nmajor_version=1\nminor_version=0\nbuild=0\n");
    vxmtest::CUpdateServer server(served.Path());
    CDlgSoftwareUpdate dialog(CProgramVersion{1, 0, 0}, CProgramVersion());
    Check(dialog, server);
    EXPECT_EQ(Text(dialog, L"IDC_LABEL_HEADLINE"), L"You are up to date!");
    EXPECT_EQ(Text(dialog, L"IDCANCEL"), L"Close");
    dialog.DestroyWindow();
}

TEST_F(CUpdateDialogTest, AFailedCheckKeepsTheCheckingHeadline)
{
    vxmtest::CUpdateServer server(served.Path());  // no version.ini: 404
    CDlgSoftwareUpdate dialog(CProgramVersion{1, 0, 0}, CProgramVersion());
    Check(dialog, server);
    EXPECT_EQ(Text(dialog, L"IDC_LABEL_DETAIL"), L"Cannot get version info of Vexmora Professional!");
    EXPECT_EQ(Text(dialog, L"IDC_LABEL_HEADLINE"), L"Checking new version of Vexmora Professional, please wait...");
    EXPECT_EQ(Text(dialog, L"IDCANCEL"), L"Close");
    dialog.DestroyWindow();
}

TEST_F(CUpdateDialogTest, ANewerVersionShowsItsNotesWithALinkFoundByPosition)
{
    Serve("[General]\nmajor_version=1\nminor_version=2\nbuild=3\nwhatsnew=" + std::string(kNotes, kNotes + std::wcslen(kNotes)) + "\n");
    vxmtest::CUpdateServer server(served.Path());
    CDlgSoftwareUpdate dialog(CProgramVersion{1, 0, 0}, CProgramVersion());
    Check(dialog, server);
    EXPECT_EQ(Text(dialog, L"IDC_LABEL_HEADLINE"), L"A new version of Vexmora Professional is available!");
    EXPECT_EQ(Text(dialog, L"IDC_LABEL_DETAIL"),
              L"Vexmora Professional 1.2.3 is now available (you have 1.0.0). Would you like to download it now?");
    EXPECT_FALSE(Shown(dialog, L"IDCANCEL"));

    CSimpleHtmlCtrl* notes = dialog.GetNotesControl();
    ASSERT_NE(notes, nullptr);
    EXPECT_EQ(notes->GetText(), L"New: faster downloads.\nRead the notes.");
    std::wstring address;
    EXPECT_TRUE(notes->FindLink(31, 32, address));  // inside "the notes"
    EXPECT_EQ(address, L"https://example.com/notes");
    EXPECT_FALSE(notes->FindLink(20, 21, address));
    EXPECT_TRUE(address.empty());
    // The edit shows the link there, and bold text at the start.
    QTextEdit* editor = notes->GetEditor();
    ASSERT_NE(editor, nullptr);
    QTextCursor cursor(editor->document());
    cursor.setPosition(32);
    EXPECT_TRUE(cursor.charFormat().isAnchor());
    EXPECT_EQ(cursor.charFormat().anchorHref().toStdWString(), L"https://example.com/notes");
    cursor.setPosition(2);
    EXPECT_EQ(cursor.charFormat().fontWeight(), QFont::Bold);

    // A click on the link opens it.
    notes->OnLinkClicked(L"https://example.com/notes");
    notes->OnLinkClicked(L"file:///etc/passwd");  // never opened
    EXPECT_EQ(desktop.Calls(), std::vector<std::wstring>{L"Shell.Open: https://example.com/notes"});
    dialog.DestroyWindow();
}

TEST_F(CUpdateDialogTest, SkipThisVersionStoresTheOffer)
{
    CDlgSoftwareUpdate dialog(CProgramVersion{1, 0, 0}, CProgramVersion{3, 1, 7});
    ASSERT_NE(dialog.Create(nullptr, L"VXMSoftwareUpdateDlg", WS_POPUP | WS_VISIBLE, 0), nullptr);
    TNotifyUI click;
    click.sType = L"click";
    click.pSender = dialog.GetPaintManager()->FindControl(L"IDC_BTN_SKIP_VERSION");
    dialog.OnClick(click);
    EXPECT_EQ(CVXMSettings::GetInstance()->UpdateSkipVersion, L"3.1.7");
    CVXMSettings::GetInstance()->UpdateSkipVersion.clear();
    vxmtest::PumpPending();
}

TEST(UpdateVersions, WordsKeepTheirLowBitsAndOnlyWebLinksOpen)
{
    const CProgramVersion v = VersionOfWord(MakeVersionWord(CProgramVersion{1, 300, 70000}));
    EXPECT_EQ(v.major, 1);
    EXPECT_EQ(v.minor, 300 & 0xFF);
    EXPECT_EQ(v.build, 70000 & 0xFFFF);
    EXPECT_TRUE(IsNewerVersion({1, 0, 1}, {1, 0, 0}));
    EXPECT_TRUE(IsNewerVersion({2, 0, 0}, {1, 9, 9}));
    EXPECT_FALSE(IsNewerVersion({1, 0, 0}, {1, 0, 0}));
    EXPECT_FALSE(IsNewerVersion({0, 9, 9}, {1, 0, 0}));
    EXPECT_TRUE(CDlgSoftwareUpdate::IsOpenableLink(L"https://example.com/"));
    EXPECT_TRUE(CDlgSoftwareUpdate::IsOpenableLink(L"mailto:help@example.com"));
    EXPECT_FALSE(CDlgSoftwareUpdate::IsOpenableLink(L"file:///etc/passwd"));
    EXPECT_FALSE(CDlgSoftwareUpdate::IsOpenableLink(L"/usr/bin/xterm"));
}

}  // namespace
