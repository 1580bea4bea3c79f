// Desktop services: the fakes record every request, the Qt services that
// can run off screen (clipboard, screens, drops) behave, and the rules and
// parsers under the services hold.
#include "ui_test_support.h"
#include "platform/online.h"
#include "platform/optical.h"
#include "platform/text.h"
#include "support/test_media.h"
#include "ui/desktop/ChosenNames.h"
#include "ui/desktop/DeviceNotices.h"
#include "ui/desktop/DropTarget.h"
#include "FakeDesktop.h"
#include "ui/desktop/QtDesktop.h"
#include <QApplication>
#include <QClipboard>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QMimeData>
#include <QUrl>
#include <QWidget>
#include <gtest/gtest.h>

#include <fstream>
#include <filesystem>

TEST(CFakeDesktopServices, EveryFakeRecordsWhatTheCodeAskedOfIt)
{
    CFakeDesktop fake;
    const CDesktopServices& d = Desktop();
    ASSERT_EQ(d.shell, &fake.shell);

    fake.messageBox.answers.push_back(IDYES);
    EXPECT_EQ(d.messageBox->Show(nullptr, L"Convert now?", L"Vexmora Professional", MB_YESNO | MB_ICONQUESTION), IDYES);
    EXPECT_EQ(d.messageBox->Show(nullptr, L"Done", L"Vexmora Professional", MB_OK), static_cast<int>(IDOK));

    CFileRequest open;
    open.title = L"Add Video Files";
    open.folder = L"/home/user/Videos";
    open.filters = ParseFileFilters(L"Video Files|*.mp4;*.mkv|All Files|*.*|");
    open.multiSelect = true;
    fake.files.openAnswer = {L"/home/user/Videos/a.mp4", L"/home/user/Videos/b.mkv"};
    EXPECT_EQ(d.files->OpenFiles(open).size(), 2u);
    fake.files.folderAnswer = L"/media/out";
    EXPECT_EQ(d.files->ChooseFolder(nullptr, L"Set Output Folder", L"/home/user"), L"/media/out");

    DWORD colour = 0;
    fake.colours.answer = true;
    fake.colours.colour = 0x0000FF;
    EXPECT_TRUE(d.colours->Choose(nullptr, 0xFFFFFF, colour));
    EXPECT_EQ(colour, 0x0000FFu);

    d.shell->Open(L"https://example.invalid/help");
    d.shell->ShowInFolder(L"/home/user/Videos/a.mp4");

    int changes = 0;
    int token = d.clipboard->Subscribe([&] { ++changes; });
    d.clipboard->SetFiles({L"/tmp/x.avi"});
    fake.clipboard.ExternalChange(L"https://example.invalid/watch");
    EXPECT_EQ(d.clipboard->GetText(), L"https://example.invalid/watch");
    d.clipboard->Unsubscribe(token);
    fake.clipboard.ExternalChange(L"later");
    EXPECT_EQ(changes, 2);

    fake.drives.drives = {COpticalDrive{L"/dev/sr0", L"/media/cdrom"}};
    fake.drives.states[L"/dev/sr0"] = EDiscState::DiscPresent;
    std::vector<std::wstring> notices;
    d.drives->Subscribe([&](EDeviceNotice n, const COpticalDrive& drive) {
        notices.push_back((n == EDeviceNotice::Arrival ? L"arrival " : L"removal ") + drive.device);
    });
    EXPECT_TRUE(d.drives->IsOpticalPath(L"/media/cdrom/VIDEO_TS"));
    EXPECT_TRUE(d.drives->Eject(L"/dev/sr0"));
    EXPECT_EQ(d.drives->GetState(L"/dev/sr0"), EDiscState::TrayOpen);
    EXPECT_FALSE(d.drives->Eject(L"/dev/sr9"));
    fake.drives.Notice(EDeviceNotice::Arrival, L"/dev/sr0");
    fake.drives.Notice(EDeviceNotice::RemoveComplete, L"/dev/sr0");
    EXPECT_EQ(notices, (std::vector<std::wstring>{L"arrival /dev/sr0", L"removal /dev/sr0"}));

    EXPECT_FALSE(d.online->IsOnline());
    EXPECT_TRUE(d.screens->List().empty());
    fake.shutdown.answer = false;
    std::wstring why;
    EXPECT_FALSE(d.shutdown->PowerOff(why));
    EXPECT_EQ(why, L"not allowed");

    EXPECT_EQ(fake.Calls(), (std::vector<std::wstring>{
        L"MessageBox.Show: Vexmora Professional|Convert now?|36",
        L"MessageBox.Show: Vexmora Professional|Done|0",
        L"Files.Open: Add Video Files|/home/user/Videos|Video Files=*.mp4;*.mkv;All Files=*.*|multi",
        L"Files.Folder: Set Output Folder|/home/user",
        L"Colours.Choose: 16777215",
        L"Shell.Open: https://example.invalid/help",
        L"Shell.ShowInFolder: /home/user/Videos/a.mp4",
        L"Clipboard.Subscribe",
        L"Clipboard.SetFiles: /tmp/x.avi",
        L"Clipboard.GetText",
        L"Clipboard.Unsubscribe",
        L"Drives.Subscribe",
        L"Drives.IsOpticalPath: /media/cdrom/VIDEO_TS",
        L"Drives.Eject: /dev/sr0",
        L"Drives.GetState: /dev/sr0",
        L"Drives.Eject: /dev/sr9",
        L"Online.IsOnline",
        L"Screens.List",
        L"Shutdown.PowerOff",
    }));
}

TEST(CFakeDesktopServices, TheQtServicesComeBackWhenTheFakesGo)
{
    const IShell* qtShell = Desktop().shell;
    {
        CFakeDesktop fake;
        EXPECT_EQ(Desktop().shell, &fake.shell);
    }
    EXPECT_EQ(Desktop().shell, qtShell);
    // A partial replacement keeps the Qt services for the rest.
    CFakeDesktopLog log;
    CFakeShell shell(log);
    CDesktopServices partial;
    partial.shell = &shell;
    SetDesktopServices(&partial);
    EXPECT_EQ(Desktop().shell, &shell);
    EXPECT_NE(Desktop().clipboard, nullptr);
    SetDesktopServices(nullptr);
}

TEST(CChosenNames, ANameQtDecodesLossilyIsMappedBackToTheFoldersRealEntry)
{
    vxmtest::CTempDir dir;
    const std::string folder = dir.File("d\xffir");
    const std::string file = folder + "/clip\xfe\xfd.mp4";
    std::filesystem::create_directory(folder);
    for (const std::string& name : {file, folder + "/clip\xfex.mp4", folder + "/clip.mp4"}) std::ofstream(name) << "x";
    const QString shown = QFile::decodeName(QByteArray::fromStdString(file));
    ASSERT_TRUE(shown.contains(QChar::ReplacementCharacter));

    const std::wstring chosen = RealChosenPath(shown);
    EXPECT_EQ(WideToUtf8(chosen), file);
    EXPECT_TRUE(std::filesystem::exists(WideToUtf8(chosen)));
    // A name Qt read whole stays as it is.
    const std::string whole = dir.Path() + "/\u00e9t\u00e9.mp4";
    EXPECT_EQ(RealChosenPath(QString::fromStdString(whole)), Utf8ToWide(whole));
}

TEST(CChosenNames, SeveralNamesOfTheNameFieldAreReadBackByWhatTheFolderHolds)
{
    const QStringList held = {QStringLiteral("Caf\u00e9.mp4"), QStringLiteral("-a \"live\" \u6771\u4eac.mp4"),
                              QStringLiteral("x\" \"y.mkv")};
    auto exists = [&](const QString& name) { return held.contains(name); };
    const QString field = QStringLiteral("\"%1\" \"%2\" \"%3\"").arg(held[0], held[1], held[2]);
    EXPECT_EQ(SplitChosenNames(field, exists), held);
    // One name alone, or a list with a name the folder lacks, is not read here.
    EXPECT_TRUE(SplitChosenNames(held[0], exists).isEmpty());
    EXPECT_TRUE(SplitChosenNames(QStringLiteral("\"%1\" \"gone.mp4\"").arg(held[0]), exists).isEmpty());
}

TEST(CFileFilterText, FilterTextsSplitIntoNamesAndPatterns)
{
    auto filters = ParseFileFilters(L"Video Files (*.mp4)|*.mp4; *.mkv ;|Broken||Audio|*.mp3");
    ASSERT_EQ(filters.size(), 2u);
    EXPECT_EQ(filters[0].name, L"Video Files (*.mp4)");
    EXPECT_EQ(filters[0].patterns, (std::vector<std::wstring>{L"*.mp4", L"*.mkv"}));
    EXPECT_EQ(filters[1].name, L"Audio");
    // The name's own brackets must not be read as Qt's pattern list.
    EXPECT_EQ(FormatFilterForQt(filters[0]), L"Video Files [*.mp4] (*.mp4 *.mkv)");
    EXPECT_TRUE(ParseFileFilters(L"").empty());
    EXPECT_TRUE(ParseFileFilters(L"Only a name").empty());
}

TEST(CDropEffectRule, KeysAndAllowedEffectsGiveTheEffect)
{
    const DWORD both = DROPEFFECT_COPY | DROPEFFECT_MOVE;
    EXPECT_EQ(ChooseDropEffect(false, MK_CONTROL, both), DROPEFFECT_NONE);
    EXPECT_EQ(ChooseDropEffect(true, 0, both), DROPEFFECT_MOVE);
    EXPECT_EQ(ChooseDropEffect(true, MK_CONTROL, both), DROPEFFECT_COPY);
    EXPECT_EQ(ChooseDropEffect(true, MK_SHIFT, both), DROPEFFECT_MOVE);
    EXPECT_EQ(ChooseDropEffect(true, MK_CONTROL, DROPEFFECT_MOVE), DROPEFFECT_MOVE);
    EXPECT_EQ(ChooseDropEffect(true, MK_SHIFT, DROPEFFECT_COPY), DROPEFFECT_COPY);
    EXPECT_EQ(ChooseDropEffect(true, 0, DROPEFFECT_COPY), DROPEFFECT_COPY);
    EXPECT_EQ(ChooseDropEffect(true, 0, DROPEFFECT_LINK), DROPEFFECT_NONE);
}

namespace {
struct CRecordingSink : IDropSink {
    void OnFilesDropped(const std::vector<std::wstring>& f, POINT pt) override
    {
        files = f;
        at = pt;
    }
    void OnTextDropped(const std::wstring& t, POINT pt) override
    {
        text = t;
        at = pt;
    }
    bool AcceptsText() const override { return acceptText; }
    std::vector<std::wstring> files;
    std::wstring text;
    POINT at;
    bool acceptText = true;
};

bool Drop(QWidget& w, QMimeData& data, Qt::DropActions allowed, Qt::KeyboardModifiers mods, Qt::DropAction* action = nullptr)
{
    QDragEnterEvent enter(QPoint(30, 40), allowed, &data, Qt::LeftButton, mods);
    QApplication::sendEvent(&w, &enter);
    if (!enter.isAccepted()) return false;
    QDropEvent drop(QPointF(30, 40), allowed, &data, Qt::LeftButton, mods);
    QApplication::sendEvent(&w, &drop);
    if (action) *action = drop.dropAction();
    return drop.isAccepted();
}
}  // namespace

TEST(CDropTargetOnAWidget, FileListsAndTextReachTheSinkWithTheEffectRule)
{
    QWidget w;
    w.resize(200, 200);
    CRecordingSink sink;
    CDropTarget target(&w, &sink);

    QMimeData files;
    files.setUrls({QUrl::fromLocalFile(QStringLiteral("/tmp/a b.mp4")), QUrl::fromLocalFile(QStringLiteral("/tmp/c.mkv")),
                   QUrl(QStringLiteral("https://example.invalid/x"))});
    Qt::DropAction action = Qt::IgnoreAction;
    ASSERT_TRUE(Drop(w, files, Qt::CopyAction | Qt::MoveAction, Qt::ControlModifier, &action));
    EXPECT_EQ(sink.files, (std::vector<std::wstring>{L"/tmp/a b.mp4", L"/tmp/c.mkv"}));
    EXPECT_EQ(sink.at.x, 30);
    EXPECT_EQ(sink.at.y, 40);
    EXPECT_EQ(action, Qt::CopyAction);
    EXPECT_EQ(target.GetLastEffect(), DROPEFFECT_COPY);

    QMimeData text;
    text.setText(QStringLiteral("https://example.invalid/watch?v=1"));
    ASSERT_TRUE(Drop(w, text, Qt::CopyAction | Qt::MoveAction, Qt::NoModifier, &action));
    EXPECT_EQ(sink.text, L"https://example.invalid/watch?v=1");
    EXPECT_EQ(action, Qt::MoveAction);

    // Nothing usable, or a sink that takes no text: refused.
    QMimeData empty;
    EXPECT_FALSE(Drop(w, empty, Qt::CopyAction, Qt::NoModifier));
    sink.acceptText = false;
    sink.text.clear();
    EXPECT_FALSE(Drop(w, text, Qt::CopyAction, Qt::NoModifier));
    EXPECT_TRUE(sink.text.empty());
    EXPECT_EQ(target.GetLastEffect(), DROPEFFECT_NONE);
}

// A name that is not UTF-8, as a file manager offers it: percent-escaped in
// the URI list, or raw bytes in plain text.
TEST(CDropTargetOnAWidget, DroppedAndPastedNamesThatAreNotUtf8OpenTheirFile)
{
    vxmtest::CTempDir dir;
    const std::string folder = dir.File("d\xffir");
    const std::string file = folder + "/clip \xff\xfe.mp4";
    std::filesystem::create_directory(folder);
    std::ofstream(file) << "x";
    const QByteArray escaped = "file://" + QByteArray::fromStdString(file).toPercentEncoding("/");
    auto opens = [](const std::wstring& path) { return std::ifstream(WideToUtf8(path)).good(); };

    QWidget w;
    w.resize(200, 200);
    CRecordingSink sink;
    CDropTarget target(&w, &sink);
    QMimeData dropped;
    dropped.setData(QStringLiteral("text/uri-list"), "# a comment\r\n" + escaped + "\r\nfile://elsewhere/x.mp4\r\n");
    ASSERT_TRUE(Drop(w, dropped, Qt::CopyAction, Qt::NoModifier));
    ASSERT_EQ(sink.files.size(), 1u);
    EXPECT_EQ(WideToUtf8(sink.files[0]), file);
    EXPECT_TRUE(opens(sink.files[0]));

    QMimeData text;
    text.setData(QStringLiteral("text/plain"), QByteArray::fromStdString(file));
    ASSERT_TRUE(Drop(w, text, Qt::CopyAction, Qt::NoModifier));
    EXPECT_TRUE(opens(sink.text));

    // Pasted, and put back on the clipboard by the program.
    CQtClipboard clipboard;
    auto* copied = new QMimeData;
    copied->setData(QStringLiteral("text/uri-list"), escaped + "\r\n");
    QGuiApplication::clipboard()->setMimeData(copied);
    ASSERT_EQ(clipboard.GetFiles().size(), 1u);
    EXPECT_TRUE(opens(clipboard.GetFiles()[0]));
    clipboard.SetFiles(clipboard.GetFiles());
    EXPECT_EQ(clipboard.GetFiles(), std::vector<std::wstring>{Utf8ToWide(file)});
    auto* plain = new QMimeData;
    plain->setData(QStringLiteral("text/plain"), QByteArray::fromStdString(file));
    QGuiApplication::clipboard()->setMimeData(plain);
    EXPECT_TRUE(opens(clipboard.GetText()));
}

TEST(CQtDesktopServices, ClipboardCarriesTextAndFilesAndSignalsChanges)
{
    CQtClipboard clipboard;
    int changes = 0;
    int token = clipboard.Subscribe([&] { ++changes; });
    clipboard.SetText(L"https://example.invalid/a");
    ASSERT_TRUE(PumpUntil([&] { return changes >= 1; }));
    EXPECT_TRUE(clipboard.HasText());
    EXPECT_FALSE(clipboard.HasFiles());
    EXPECT_EQ(clipboard.GetText(), L"https://example.invalid/a");

    clipboard.SetFiles({L"/tmp/one.mp4", L"/tmp/two.mp4"});
    ASSERT_TRUE(PumpUntil([&] { return changes >= 2; }));
    EXPECT_TRUE(clipboard.HasFiles());
    EXPECT_FALSE(clipboard.HasText());
    EXPECT_EQ(clipboard.GetFiles(), (std::vector<std::wstring>{L"/tmp/one.mp4", L"/tmp/two.mp4"}));

    clipboard.Unsubscribe(token);
    clipboard.SetText(L"quiet");
    PumpPending();
    EXPECT_EQ(changes, 2);
}

TEST(CQtDesktopServices, ScreensGiveAreaAndWorkArea)
{
    CQtScreens screens;
    auto list = screens.List();
    ASSERT_EQ(list.size(), 1u);
    EXPECT_TRUE(list[0].primary);
    EXPECT_EQ(list[0].area.right - list[0].area.left, 1920);
    EXPECT_EQ(list[0].area.bottom - list[0].area.top, 1080);
}

TEST(CScreenGeometry, PopupsOffEveryScreenAreKeptInTheNearestWorkArea)
{
    CScreenInfo left, right;
    left.area = MakeRect(0, 0, 1920, 1080);
    left.workArea = MakeRect(0, 0, 1920, 1040);
    right.area = MakeRect(1920, 0, 3200, 1024);
    right.workArea = MakeRect(1980, 0, 3200, 1024);
    std::vector<CScreenInfo> screens{left, right};
    EXPECT_EQ(ClampPopupX(screens, 2500, 500), 2500);   // on a screen: unchanged
    EXPECT_EQ(ClampPopupX(screens, 3400, 500), 3199);   // right of everything
    EXPECT_EQ(ClampPopupX(screens, -50, 500), 0);
    EXPECT_EQ(ClampPopupX(screens, 1950, 1050), 1980);  // below the right screen, nearest is it
    EXPECT_EQ(ClampPopupX({}, 77, 5), 77);
}

TEST(CPlatformTexts, CdromInfoMountsAndRoutesAreRead)
{
    const char* info =
        "CD-ROM information, Id: cdrom.c 3.20 2003/12/17\n\n"
        "drive name:\t\tsr1\tsr0\n"
        "drive speed:\t\t24\t48\n";
    EXPECT_EQ(ParseCdromInfoDrives(info), (std::vector<std::string>{"sr1", "sr0"}));
    EXPECT_TRUE(ParseCdromInfoDrives("").empty());

    const char* mounts =
        "/dev/sda1 / ext4 rw 0 0\n"
        "/dev/sr0 /media/my\\040disc iso9660 ro 0 0\n"
        "/dev/sda2 /media/my ext4 rw 0 0\n";
    EXPECT_EQ(MountDeviceOf(mounts, "/media/my disc/VIDEO_TS"), "/dev/sr0");
    EXPECT_EQ(MountDeviceOf(mounts, "/media/my/file"), "/dev/sda2");
    EXPECT_EQ(MountDeviceOf(mounts, "/media/mydisc"), "/dev/sda1");

    const char* routes =
        "Iface\tDestination\tGateway \tFlags\tRefCnt\tUse\tMetric\tMask\n"
        "eth0\t00000000\t0102A8C0\t0003\t0\t0\t100\t00000000\n"
        "eth0\t0002A8C0\t00000000\t0001\t0\t0\t100\t00FFFFFF\n"
        "wlan0\t00000000\t0102A8C0\t0002\t0\t0\t600\t00000000\n";
    EXPECT_EQ(ParseDefaultRouteInterfaces(routes), (std::vector<std::string>{"eth0"}));
    EXPECT_TRUE(ParseDefaultRouteInterfaces("Iface\tDestination\n").empty());
}

TEST(CDeviceNoticeMessages, DiscNoticesReachTheWindowAsDeviceChangeWithTheDrive)
{
    CPaintManagerUI::SetResourcePath(TestSkinFolder());
    CTestWindow wnd(L"controls.xml");
    ASSERT_NE(wnd.Create(nullptr, L"Notices", UI_WNDSTYLE_FRAME, 0), nullptr);
    std::vector<std::wstring> seen;
    wnd.onMessage = [&](UINT msg, WPARAM wParam, LPARAM lParam, BOOL& handled) -> LRESULT {
        handled = msg == WM_DEVICECHANGE;
        if (handled)
            seen.push_back(std::to_wstring(wParam) + L" " + reinterpret_cast<const COpticalDrive*>(lParam)->device + L" " +
                           reinterpret_cast<const COpticalDrive*>(lParam)->mountPoint);
        return 0;
    };
    CFakeDesktop fake;
    fake.drives.drives = {COpticalDrive{L"/dev/sr0", L"/media/cdrom"}};
    {
        CDeviceNoticeForwarder forwarder(wnd.GetHWND(), *Desktop().drives);
        fake.drives.Notice(EDeviceNotice::Arrival, L"/dev/sr0");
        fake.drives.Notice(EDeviceNotice::RemoveComplete, L"/dev/sr0");
    }
    // Gone with the forwarder.
    fake.drives.Notice(EDeviceNotice::Arrival, L"/dev/sr0");
    EXPECT_EQ(seen, (std::vector<std::wstring>{L"32768 /dev/sr0 /media/cdrom", L"32772 /dev/sr0 /media/cdrom"}));
    EXPECT_EQ(fake.Calls().back(), L"Drives.Unsubscribe");
}
