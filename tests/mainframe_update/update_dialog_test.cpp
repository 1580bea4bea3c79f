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

#include <QApplication>
#include <QMouseEvent>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <gtest/gtest.h>

#include <fstream>

namespace {

[[maybe_unused]] const bool g_env = vxmtest::RegisterMainWindowEnvironment(false);

const wchar_t* const kNotes = L"<b>New:</b> faster downloads.<br>Read <a href=\"https://Example.com/Notes\">the notes</a>.";

// The middle of a shown character, in the edit's view.
QPoint PointOn(QTextEdit& editor, int character)
{
    QTextCursor before(editor.document()), after(editor.document());
    before.setPosition(character);
    after.setPosition(character + 1);
    const QRect a = editor.cursorRect(before), b = editor.cursorRect(after);
    return QPoint((a.left() + b.left()) / 2, a.center().y());
}

void Mouse(QTextEdit& editor, QEvent::Type type, QPoint at)
{
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, QPointF(at), editor.viewport()->mapToGlobal(QPointF(at)), button,
                      type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(editor.viewport(), &event);
}

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
    // The check-first dialog, until its headline leaves the checking text.
    void Check(CDlgSoftwareUpdate& dialog, const vxmtest::CUpdateServer& server)
    {
        SetUpdateServer(server.Base());
        dialog.SetCheckFirst(true);
        ASSERT_NE(dialog.Create(nullptr, L"VXMSoftwareUpdateDlg", WS_POPUP | WS_VISIBLE, 0), nullptr);
        dialog.ShowWindow(true);
        const std::wstring checking = L"Checking new version of Vexmora Professional, please wait...";
        EXPECT_EQ(Text(dialog, L"IDC_LABEL_HEADLINE"), checking);
        ASSERT_TRUE(vxmtest::PumpUntil([&] { return Text(dialog, L"IDC_LABEL_HEADLINE") != checking; }));
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

TEST_F(CUpdateDialogTest, AFailedCheckSaysSoInItsHeadlineWithNothingLeftWaiting)
{
    vxmtest::CUpdateServer server(served.Path());  // no version.ini: 404
    CDlgSoftwareUpdate dialog(CProgramVersion{1, 0, 0}, CProgramVersion());
    Check(dialog, server);
    EXPECT_EQ(Text(dialog, L"IDC_LABEL_HEADLINE"), L"Cannot get version info of Vexmora Professional!");
    EXPECT_FALSE(Shown(dialog, L"IDC_LABEL_DETAIL"));
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

    // The mouse on the link: moving with the button down opens nothing, a
    // click opens it once, on the release; a click just past its end (on
    // the full stop) opens nothing.
    ASSERT_TRUE(vxmtest::PumpUntil([&] { return editor->isVisible() && editor->viewport()->width() > 100; }));
    QTextCursor stop(editor->document());
    stop.setPosition(37);
    const QPoint onLink = PointOn(*editor, 33), justPast(editor->cursorRect(stop).left() + 1, onLink.y());
    ASSERT_EQ(notes->CharacterAt(onLink.x(), onLink.y()), 33);
    ASSERT_EQ(notes->CharacterAt(justPast.x(), justPast.y()), 37);
    Mouse(*editor, QEvent::MouseButtonPress, onLink);
    Mouse(*editor, QEvent::MouseMove, PointOn(*editor, 32));
    Mouse(*editor, QEvent::MouseMove, onLink);
    EXPECT_TRUE(desktop.Calls().empty());
    Mouse(*editor, QEvent::MouseButtonRelease, onLink);
    EXPECT_EQ(desktop.Calls(), std::vector<std::wstring>{L"Shell.Open: https://example.com/notes"});
    Mouse(*editor, QEvent::MouseButtonPress, justPast);
    Mouse(*editor, QEvent::MouseButtonRelease, justPast);
    EXPECT_EQ(desktop.Calls().size(), 1u);
    // Only web and mail addresses are opened.
    notes->OnLinkClicked(L"file:///etc/passwd");
    EXPECT_EQ(desktop.Calls().size(), 1u);
    dialog.DestroyWindow();
}

TEST_F(CUpdateDialogTest, ReleaseNotesAreShownExactlyAsWritten)
{
    CDlgSoftwareUpdate dialog(CProgramVersion{1, 0, 0}, CProgramVersion{6, 8, 0});
    ASSERT_NE(dialog.Create(nullptr, L"VXMSoftwareUpdateDlg", WS_POPUP | WS_VISIBLE, 0), nullptr);
    CSimpleHtmlCtrl* notes = dialog.GetNotesControl();
    ASSERT_NE(notes, nullptr);
    QTextEdit* editor = notes->GetEditor();
    ASSERT_NE(editor, nullptr);
    auto shown = [&](const std::wstring& html) {
        EXPECT_TRUE(notes->SetHtml(html)) << html.size();
        return editor->document()->toPlainText().toStdWString();
    };
    auto pointSize = [&](int at) {
        QTextCursor cursor(editor->document());
        cursor.setPosition(at);
        return cursor.charFormat().fontPointSize();
    };
    EXPECT_EQ(shown(L"6.8 is out"), L"6.8 is out");
    EXPECT_EQ(pointSize(1), 12.0);  // the base size, not 123 pt
    EXPECT_EQ(shown(L"<body>2024 release"), L"2024 release");
    EXPECT_EQ(shown(L"<body leftmargin=999999999 topmargin=-999999999>edge"), L"edge");
    EXPECT_EQ(shown(L"Party \U0001F389 time \U0001F600!"), L"Party \U0001F389 time \U0001F600!");
    EXPECT_EQ(shown(L"<font face=\"a;}}inject{\">safe</font> text"), L"safe text");
    EXPECT_EQ(shown(L"<table><col width=10><tr><td>99999999999999999999 cells"), L"\n\n99999999999999999999 cells");
    // A link after characters beyond U+FFFF still covers its own text.
    EXPECT_EQ(shown(L"\U0001F3AC <a href=\"https://example.com/\">clip</a>"), L"\U0001F3AC clip");
    std::wstring address;
    EXPECT_TRUE(notes->FindLink(3, 4, address));  // "c": the film frame takes two positions
    EXPECT_TRUE(editor->document()->toPlainText().mid(3, 4) == QStringLiteral("clip"));
    dialog.DestroyWindow();
    vxmtest::PumpPending();
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
    // Newer only as far as the word carries it: build 65,541 is shown as 5,
    // which is not newer than 1.0.5; minor 257 is shown as 1.
    EXPECT_FALSE(IsNewerVersion({1, 0, 65541}, {1, 0, 5}));
    EXPECT_TRUE(IsNewerVersion({1, 0, 65542}, {1, 0, 5}));
    EXPECT_FALSE(IsNewerVersion({1, 257, 0}, {1, 1, 0}));
    EXPECT_TRUE(CDlgSoftwareUpdate::IsOpenableLink(L"https://example.com/"));
    EXPECT_TRUE(CDlgSoftwareUpdate::IsOpenableLink(L"mailto:help@example.com"));
    EXPECT_FALSE(CDlgSoftwareUpdate::IsOpenableLink(L"file:///etc/passwd"));
    EXPECT_FALSE(CDlgSoftwareUpdate::IsOpenableLink(L"/usr/bin/xterm"));
}

}  // namespace
