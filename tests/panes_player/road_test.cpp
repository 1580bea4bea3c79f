// The player page as a person uses it, through the program's main window and
// Debian's mplayer (picture and sound to "null"): the preview carried into
// the player, files whose names hold disc words, a big folder opened, the
// volume set before playing, a restart that cannot start, pausing and the
// window closed while playing.
#include "IVXMMedia.h"
#include "MainFrameCommands.h"
#include "MainPaneUI.h"
#include "PlayerPaneUI.h"
#include "PreviewPaneUI.h"
#include "VXMMainFrameWnd.h"
#include "VXMMediaExports.h"
#include "platform/process.h"
#include "platform/text.h"
#include "support/main_window_environment.h"
#include "support/test_media.h"
#include "ui/UIProgress.h"
#include "FakeDesktop.h"

#include <gtest/gtest.h>

#include <QEvent>
#include <QObject>
#include <QWidget>

#include <sys/stat.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>

namespace {

const bool g_drivers = [] {
    setenv("SDL_VIDEODRIVER", "dummy", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    return true;
}();

using vxmtest::PumpUntil;

// Every start of the player, counted: an "mplayer" first in PATH that notes
// the arguments it was given and its process id, then becomes Debian's
// mplayer. Broken, no player is found. The note is written by the started
// process, so a test waits for it before reading it.
class CPlayerStarts {
public:
    CPlayerStarts() : m_path(std::getenv("PATH") ? std::getenv("PATH") : "")
    {
        const std::string real = WideToUtf8(FindProgramInPath(L"mplayer"));
        EXPECT_FALSE(real.empty()) << "Debian's mplayer is not installed";
        // The arguments first, then the id that says they are complete.
        std::ofstream(m_dir.File("mplayer")) << "#!/bin/sh\nprintf '%s\\0' \"$@\" > '" << m_dir.File("args.")
                                             << "'$$\necho $$ >> '" << m_dir.File("starts") << "'\nexec '" << real
                                             << "' \"$@\"\n";
        Mend();
    }
    ~CPlayerStarts() { setenv("PATH", m_path.c_str(), 1); }
    void Mend()
    {
        ::chmod(m_dir.File("mplayer").c_str(), 0755);
        setenv("PATH", (m_dir.Path() + ":" + m_path).c_str(), 1);
    }
    void Break()
    {
        ::chmod(m_dir.File("mplayer").c_str(), 0644);
        setenv("PATH", m_dir.Path().c_str(), 1);
    }
    std::vector<int> Pids() const
    {
        std::vector<int> pids;
        std::ifstream in(m_dir.File("starts"));
        for (int pid; in >> pid;) pids.push_back(pid);
        return pids;
    }
    // The starts noted once at least `count` players have started.
    std::vector<int> WaitForStarts(size_t count) const
    {
        std::vector<int> pids;
        PumpUntil([&] { return (pids = Pids()).size() >= count; });
        return pids;
    }
    // The arguments a noted start was given.
    std::vector<std::string> ArgumentsOf(int pid) const
    {
        std::ifstream in(m_dir.File("args." + std::to_string(pid)), std::ios::binary);
        std::vector<std::string> args;
        for (std::string arg; std::getline(in, arg, '\0');) args.push_back(arg);
        return args;
    }

private:
    vxmtest::CTempDir m_dir;
    std::string m_path;
};

bool Gone(int pid) { return ::kill(pid, 0) == -1 && errno == ESRCH; }

std::string ValueAfter(const std::vector<std::string>& args, const std::string& name)
{
    for (size_t i = 0; i + 1 < args.size(); ++i)
        if (args[i] == name) return args[i + 1];
    return "<none>";
}

// A clip with a key frame every 5 pictures, so that a seek lands where it is sent.
bool MakeSeekableClip(const std::string& path, double seconds)
{
    return vxmtest::MakeVideoClip(path, seconds, 160, 120, {"-c:v", "libx264", "-preset", "ultrafast", "-g", "5"});
}

// Paint events a widget received while a condition held.
class CPaintCounter : public QObject {
public:
    CPaintCounter(QWidget* widget, std::function<bool()> counting) : m_widget(widget), m_counting(std::move(counting))
    {
        widget->installEventFilter(this);
    }
    ~CPaintCounter() override { m_widget->removeEventFilter(this); }
    int count = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && m_counting()) ++count;
        return false;
    }

private:
    QWidget* m_widget;
    std::function<bool()> m_counting;
};

class CPlayerRoadTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        window = vxmtest::OpenMainWindow();
        ASSERT_NE(window, nullptr);
        player = dynamic_cast<CPlayerPaneUI*>(window->GetPlayerPane());
        ASSERT_NE(player, nullptr);
        player->SetOutputDriversForTesting(L"null", L"null");
    }
    void TearDown() override
    {
        if (window && window->GetHWND()) window->DestroyWindow();
        vxmtest::PumpPending();
    }
    // A button's press, as the mouse gives it.
    void Press(const wchar_t* name)
    {
        CControlUI* button = window->GetPaintManager()->FindControl(name);
        ASSERT_NE(button, nullptr) << name;
        ASSERT_TRUE(button->IsEnabled()) << name;
        TEventUI event;
        event.Type = UIEVENT_BUTTONDOWN;
        event.pSender = button;
        button->Event(event);
    }
    // The end of a drag of a slider to a value.
    void Slide(const wchar_t* name, int value)
    {
        auto* slider = dynamic_cast<CSliderUI*>(window->GetPaintManager()->FindControl(name));
        ASSERT_NE(slider, nullptr);
        slider->SetValue(value);
        window->GetPaintManager()->SendNotify(slider, L"valuechanged");
    }
    // Opens a clip on the Play page and waits until it plays.
    void PlayClip(const std::string& clip)
    {
        window->SelectPage(2);
        player->OpenFile(Utf8ToWide(clip));
        ASSERT_EQ(player->PlayState, PLAY_STATE_PLAYING);
        ASSERT_TRUE(PumpUntil([&] { return player->LengthSeconds > 0.0 && player->PositionSeconds > 0.5; }));
    }
    int PlayerPid() const { return player->GetPlayer() ? static_cast<int>(player->GetPlayer()->m_dwProcessId) : 0; }
    std::wstring TimeText() const { return window->GetPaintManager()->FindControl(L"ID_LABEL_PLAYER_TIME")->GetText(); }

    CFakeDesktop desktop;
    CPlayerStarts starts;
    vxmtest::CTempDir dir;
    CVXMMainFrameWnd* window = nullptr;
    CPlayerPaneUI* player = nullptr;
};

}  // namespace

TEST_F(CPlayerRoadTest, APlayingPreviewGoesOnInThePlayerFromWhereItWasWithOnePlayer)
{
    const std::string clip = dir.File("Café déjà vu.mp4");
    ASSERT_TRUE(MakeSeekableClip(clip, 12.0));
    auto* pane = dynamic_cast<CMainPaneUI*>(window->GetMainPane());
    ASSERT_NE(pane, nullptr);
    CPreviewPaneUI* preview = pane->GetPreviewPane();
    IVXMMedia* media = CreateVXMMediaObject(nullptr);
    media->SetSourcePath(Utf8ToWide(clip));
    ASSERT_EQ(media->Probe(), 0);
    pane->AddMedia(media, -1, 0);
    ASSERT_TRUE(PumpUntil([&] { return preview->GetMedia() == media; }));

    // The Play page is chosen while the preview plays.
    Press(L"ID_BUTTON_PREVIEW_PLAY");
    ASSERT_TRUE(PumpUntil([&] { return media->GetPreviewPosition() >= 2.0; }));
    window->SelectPage(2);
    EXPECT_EQ(preview->GetPlayState(), PREVIEW_STOPPED);
    ASSERT_EQ(player->PlayState, PLAY_STATE_PLAYING);
    EXPECT_EQ(player->CurrentPath, Utf8ToWide(clip));
    const std::vector<int> first = starts.WaitForStarts(1);
    ASSERT_EQ(first.size(), 1u);
    EXPECT_EQ(first[0], PlayerPid());
    EXPECT_GE(std::atof(ValueAfter(starts.ArgumentsOf(first[0]), "-ss").c_str()), 2.0);
    ASSERT_TRUE(PumpUntil([&] { return player->PositionSeconds >= 2.0; }));

    // Back on the Convert page the player stops; the preview's own button
    // hands the media over: one more player, from the preview's place.
    window->SelectPage(0);
    EXPECT_EQ(player->GetPlayer(), nullptr);
    Press(L"ID_BUTTON_PREVIEW_PLAY");
    ASSERT_TRUE(PumpUntil([&] { return media->GetPreviewPosition() >= 3.0; }));
    Press(L"ID_BUTTON_MEDIA_TO_PLAYWND");
    EXPECT_EQ(preview->GetPlayState(), PREVIEW_STOPPED);
    ASSERT_EQ(player->PlayState, PLAY_STATE_PLAYING);
    const std::vector<int> second = starts.WaitForStarts(2);
    ASSERT_EQ(second.size(), 2u);
    EXPECT_EQ(second[1], PlayerPid());
    EXPECT_GE(std::atof(ValueAfter(starts.ArgumentsOf(second[1]), "-ss").c_str()), 3.0);
    EXPECT_EQ(player->GetPlaylist().Size(), 1u);
    ASSERT_TRUE(PumpUntil([&] { return player->PositionSeconds >= 3.0; }));
    EXPECT_EQ(starts.Pids().size(), 2u);
    player->Stop();
}

TEST_F(CPlayerRoadTest, FilesNamedLikeDiscsPlayAsTheFilesTheyAre)
{
    window->SelectPage(2);
    std::vector<std::wstring> files;
    for (const char* name : {"Bonus track 2.mp4", "bluray: notes.mkv", "dvdnav – Café.mp4"}) {
        ASSERT_TRUE(vxmtest::MakeVideoClip(dir.File(name), 2.0));
        files.push_back(Utf8ToWide(dir.File(name)));
    }
    desktop.files.openAnswer = files;
    std::map<std::wstring, double> reached;
    Press(L"ID_BTN_PLAYER_OPEN");
    ASSERT_EQ(player->PlayState, PLAY_STATE_PLAYING);
    // In order, one after the other, each to its end.
    ASSERT_TRUE(PumpUntil([&] {
        if (player->GetPlayer()) {
            reached[player->CurrentPath] = std::max(reached[player->CurrentPath], player->PositionSeconds);
            EXPECT_FALSE(player->IsDisc);
        }
        return player->PlayState == PLAY_STATE_STOPPED;
    }));
    for (const std::wstring& file : files) EXPECT_GT(reached[file], 0.5) << WideToUtf8(file);
    // One player per file, each given its file as the file it is.
    const std::vector<int> pids = starts.Pids();
    ASSERT_EQ(pids.size(), 3u);
    for (size_t i = 0; i < files.size(); ++i) {
        const std::vector<std::string> args = starts.ArgumentsOf(pids[i]);
        EXPECT_EQ(args.empty() ? "" : args.back(), WideToUtf8(files[i]));
    }
}

TEST_F(CPlayerRoadTest, ABigFolderIsWalkedWhileTheWindowKeepsPainting)
{
    window->SelectPage(2);
    // 10,000 files in 100 folders; one of them is a clip.
    const std::string root = dir.File("Vidéos à trier");
    for (int f = 0; f < 100; ++f) {
        const std::string folder = root + "/Dossier " + std::to_string(f);
        std::filesystem::create_directories(folder);
        for (int n = 0; n < 100; ++n) std::ofstream(folder + "/note " + std::to_string(n) + ".txt") << n;
    }
    const std::string clip = root + "/Dossier 57/été – 東京.mp4";
    ASSERT_TRUE(vxmtest::MakeVideoClip(clip, 4.0));
    std::filesystem::remove(root + "/Dossier 57/note 0.txt");

    // The walk is held in its 50th folder until the test lets it go (at the
    // latest when the test ends, so that closing the window never waits on it).
    struct CHold {
        std::atomic<int> entered{0};
        CEvent reached{true, false}, go{true, false};
    };
    const auto hold = std::make_shared<CHold>();
    player->SetFolderWalkHookForTesting([hold](const std::wstring&) {
        if (++hold->entered == 50) {
            hold->reached.Set();
            hold->go.Wait();
        }
    });
    struct CLetGo {
        CEvent& go;
        ~CLetGo() { go.Set(); }
    } letGo{hold->go};

    desktop.files.folderAnswer = Utf8ToWide(root);
    CPaintCounter paints(window->GetWidget(), [&] { return hold->reached.IsSet() && !hold->go.IsSet(); });
    SendMessageW(window->GetHWND(), WM_COMMAND, ID_PLAYER_OPEN_FILES + 1, 0);  // "Open Folder ..."
    // The walk runs on: the window is the person's meanwhile, and paints
    // while the walk is halfway.
    EXPECT_TRUE(player->IsScanning());
    ASSERT_TRUE(PumpUntil([&] {
        window->GetWidget()->update();
        return paints.count >= 1;
    }));
    EXPECT_TRUE(player->IsScanning());
    hold->go.Set();
    ASSERT_TRUE(PumpUntil([&] { return !player->IsScanning(); }));
    ASSERT_EQ(player->GetPlaylist().Size(), 1u);
    EXPECT_EQ(player->CurrentPath, Utf8ToWide(clip));
    EXPECT_EQ(player->PlayState, PLAY_STATE_PLAYING);
    player->Stop();
}

TEST_F(CPlayerRoadTest, TheVolumeSetBeforePlayingIsTheOneItPlaysWith)
{
    window->SelectPage(2);
    const std::string clip = dir.File("Ça commence doucement.mp4");
    ASSERT_TRUE(vxmtest::MakeVideoClip(clip, 4.0));
    Slide(L"ID_SLIDER_PLAYER_VOLUME", 20);
    EXPECT_EQ(player->Volume, 20);
    player->OpenFile(Utf8ToWide(clip));
    ASSERT_EQ(player->PlayState, PLAY_STATE_PLAYING);
    const std::vector<int> pids = starts.WaitForStarts(1);
    EXPECT_EQ(pids.front(), PlayerPid());
    EXPECT_EQ(ValueAfter(starts.ArgumentsOf(pids.front()), "-volume"), "20");
    player->Stop();
}

TEST_F(CPlayerRoadTest, ARestartThatCannotStartEndsStoppedAndPlayWorksAgain)
{
    const std::string clip = dir.File("Nuit blanche.mp4");
    ASSERT_TRUE(vxmtest::MakeVideoClip(clip, 10.0));
    PlayClip(clip);
    const int first = PlayerPid();

    // The same file opened again restarts it; no player can be found now.
    starts.Break();
    player->OpenFile(Utf8ToWide(clip));
    EXPECT_EQ(player->PlayState, PLAY_STATE_STOPPED);
    EXPECT_EQ(player->GetPlayer(), nullptr);
    EXPECT_EQ(player->GetPlayerControl()->GetVideoWindow(), nullptr);
    EXPECT_EQ(TimeText(), L"00:00:00.0");
    EXPECT_TRUE(Gone(first));
    EXPECT_TRUE(window->GetPaintManager()->FindControl(L"ID_BTN_PLAYER_PLAY")->IsEnabled());

    starts.Mend();
    Press(L"ID_BTN_PLAYER_PLAY");
    EXPECT_EQ(player->PlayState, PLAY_STATE_PLAYING);
    ASSERT_TRUE(PumpUntil([&] { return player->PositionSeconds > 0.5; }));
    player->Stop();
}

TEST_F(CPlayerRoadTest, PauseTogglesAndAPausedSeekShowsTheNewTime)
{
    const std::string clip = dir.File("Pause café.mp4");
    ASSERT_TRUE(MakeSeekableClip(clip, 10.0));
    PlayClip(clip);

    Press(L"ID_BTN_PLAYER_PAUSE");
    EXPECT_EQ(player->PlayState, PLAY_STATE_PAUSED);
    // Paused, the position moves by the slider and the time follows at once.
    Slide(L"ID_SLIDER_PLAYER", 600);
    ASSERT_TRUE(PumpUntil([&] { return TimeText().rfind(L"00:00:06", 0) == 0; })) << WideToUtf8(TimeText());
    EXPECT_EQ(player->PlayState, PLAY_STATE_PAUSED);
    EXPECT_NEAR(player->PositionSeconds, 6.0, 0.3);

    // The same button resumes.
    Press(L"ID_BTN_PLAYER_PAUSE");
    EXPECT_EQ(player->PlayState, PLAY_STATE_PLAYING);
    ASSERT_TRUE(PumpUntil([&] { return player->PositionSeconds > 6.5; }));
    player->Stop();
}

TEST_F(CPlayerRoadTest, ClosingTheWindowWhilePlayingEndsThePlayer)
{
    const std::string clip = dir.File("Fin – 終わり.mp4");
    ASSERT_TRUE(vxmtest::MakeVideoClip(clip, 10.0));
    PlayClip(clip);
    const int pid = PlayerPid();
    window->DestroyWindow();
    window = nullptr;
    EXPECT_TRUE(PumpUntil([&] { return Gone(pid); }));
}
