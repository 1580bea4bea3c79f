// The preview player plays a media object into a host window, obeys the
// control events, reports to the notify window and cleans up after itself.
#include <gtest/gtest.h>

#include "EngineGlobals.h"
#include "VXMUtils.h"
#include "player_support.h"
#include "support/test_media.h"

extern "C" {
#include <libavformat/avformat.h>
}

using namespace playertest;
using vxmtest::GetTestMedia;

namespace {

void Push(int code, void* data = nullptr)
{
    ASSERT_TRUE(ffplay_push_event(code, data)) << "event " << code;
}

class PlayerTest : public ::testing::Test {
protected:
    void TearDown() override { g_nDisplayMode = 2; }
};

TEST_F(PlayerTest, PlaysTheClipToItsEndAndPostsTheEndMessage)
{
    CRecorder notify;
    CHostWindow window(320, 240);
    CPlayerRun run(GetTestMedia().mp4, notify.Get());
    const auto start = std::chrono::steady_clock::now();
    run.Start();
    ASSERT_TRUE(notify.PumpUntil([&] { return notify.CountOf(WM_VXM_PLAY_FINISHED) == 1; }));
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    run.Join();
    EXPECT_EQ(run.Result(), 0);
    EXPECT_GE(seconds, 1.6);   // played in real time, not raced through
    EXPECT_GT(notify.CountOf(WM_VXM_PREVIEW_PROGRESS), 0);
    for (const CPosted& p : notify.Messages())
        if (p.message == WM_VXM_PLAY_FINISHED) {
            EXPECT_EQ(p.wParam, 0u);
            EXPECT_EQ(p.lParam, reinterpret_cast<LPARAM>(static_cast<IVXMMedia*>(&run.Media())));
        }
    // The picture reached the host: the test pattern is not all black.
    EXPECT_GT(window.Host().Presents(), 10);
    EXPECT_GT(window.Host().MeanLevel(0, 0, 320, 240), 20.0);
    EXPECT_FALSE(ffplay_status().running);
}

TEST_F(PlayerTest, AudioOnlySourcePlaysWithoutDisplay)
{
    CRecorder notify;
    CPlayerRun run(GetTestMedia().mp3, notify.Get());
    run.Start();
    ASSERT_TRUE(notify.PumpUntil([&] { return notify.CountOf(WM_VXM_PLAY_FINISHED) == 1; }));
    run.Join();
    EXPECT_EQ(run.Result(), 0);
}

TEST_F(PlayerTest, PauseHoldsThePositionAndASeekWhilePausedShowsTheNewPlaceAndStaysPaused)
{
    CRecorder notify;
    CHostWindow window(320, 240);
    CPlayerRun run(GetTestMedia().mp4, notify.Get());
    run.Start();
    ASSERT_TRUE(WaitPosition(0.3));
    Push(FFPLAY_EVENT_PAUSE);
    ASSERT_TRUE(WaitStatus([](const FFplayStatus& s) { return s.paused != 0; }));
    const FFplayStatus paused = ffplay_status();
    const int presents = window.Host().Presents();
    // Half a second of the clip would move it on: it holds.
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    EXPECT_NEAR(ffplay_status().position, paused.position, 0.05);
    EXPECT_EQ(window.Host().Presents(), presents);

    // The picture of the new place is shown, the clock stands at it, and
    // the player stays paused.
    float target = 1.0f;
    Push(FFPLAY_EVENT_SEEK, &target);
    ASSERT_TRUE(WaitUntil([&] { return window.Host().Presents() > presents; }));
    ASSERT_TRUE(WaitStatus([](const FFplayStatus& s) { return s.position > 0.9; }));
    const FFplayStatus seeked = ffplay_status();
    EXPECT_NE(seeked.paused, 0);
    EXPECT_NEAR(seeked.position, 1.0, 0.05);
    const int shown = window.Host().Presents();
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    EXPECT_EQ(ffplay_status().position, seeked.position);
    EXPECT_EQ(window.Host().Presents(), shown);

    // Resumed, it plays on from there (a paused player never ends: having
    // ended, it played on too).
    Push(FFPLAY_EVENT_PAUSE);
    ASSERT_TRUE(WaitStatus([&](const FFplayStatus& s) { return !s.running || s.position >= seeked.position + 0.2; }));
    ffplay_push_event(FFPLAY_EVENT_STOP, nullptr);
    ASSERT_TRUE(notify.PumpUntil([&] { return notify.CountOf(WM_VXM_PLAY_FINISHED) == 1; }));
}

TEST_F(PlayerTest, PauseEventTogglesBack)
{
    CRecorder notify;
    CHostWindow window(320, 240);
    CPlayerRun run(GetTestMedia().mp4, notify.Get());
    run.Start();
    ASSERT_TRUE(WaitPosition(0.2));
    Push(FFPLAY_EVENT_PAUSE);
    Push(FFPLAY_EVENT_PAUSE);
    // Events are handled in order: once the volume has changed, both pauses were.
    int volume = 30;
    Push(FFPLAY_EVENT_VOLUME, &volume);
    ASSERT_TRUE(WaitStatus([](const FFplayStatus& s) { return s.volume != 64; }));
    const double before = ffplay_status().position;
    EXPECT_FALSE(ffplay_status().paused);
    EXPECT_TRUE(WaitPosition(before + 0.3));
}

TEST_F(PlayerTest, VolumeEventsScalePercentToMixingVolume)
{
    CRecorder notify;
    CHostWindow window(320, 240);
    CPlayerRun run(GetTestMedia().mp4, notify.Get());
    run.Start();
    ASSERT_TRUE(WaitRunning());
    EXPECT_EQ(ffplay_status().volume, 64);
    struct {
        int percent, volume;
    } cases[] = {{50, 64}, {100, 128}, {1, 1}, {0, 0}, {250, 128}, {-20, 0}};
    for (auto& c : cases) {
        Push(FFPLAY_EVENT_VOLUME, &c.percent);
        WaitStatus([&](const FFplayStatus& s) { return s.volume == c.volume; });
        EXPECT_EQ(ffplay_status().volume, c.volume) << c.percent << "%";
    }
    int half = 50;
    Push(FFPLAY_EVENT_VOLUME, &half);
    WaitStatus([](const FFplayStatus& s) { return s.volume == 64; });
    Push(FFPLAY_EVENT_MUTE);
    WaitStatus([](const FFplayStatus& s) { return s.volume == 0; });
    EXPECT_EQ(ffplay_status().volume, 0);
    EXPECT_TRUE(ffplay_status().running);   // silence, not a stop
    EXPECT_FALSE(run.Finished());
}

TEST_F(PlayerTest, PictureEventsSetTheTablesAndReservedEventsChangeNothing)
{
    CRecorder notify;
    CHostWindow window(320, 240);
    CPlayerRun run(GetTestMedia().mp4, notify.Get());
    run.Start();
    ASSERT_TRUE(WaitRunning());
    int brightness = 40, contrast = -50, saturation = 20;
    Push(FFPLAY_EVENT_BRIGHTNESS, &brightness);
    Push(FFPLAY_EVENT_CONTRAST, &contrast);
    Push(FFPLAY_EVENT_SATURATION, &saturation);
    WaitStatus([](const FFplayStatus& st) { return st.chroma_contrast == 1.2; });
    FFplayStatus s = ffplay_status();
    EXPECT_DOUBLE_EQ(s.luma_brightness, 0.4);
    EXPECT_DOUBLE_EQ(s.luma_contrast, 0.5);
    EXPECT_DOUBLE_EQ(s.chroma_contrast, 1.2);
    int any = 7;
    Push(FFPLAY_EVENT_RESERVED1, &any);
    Push(FFPLAY_EVENT_RESERVED2, &any);
    // Events are handled in order: once the contrast is back, the reserved ones were.
    int plain = 0;
    Push(FFPLAY_EVENT_SATURATION, &plain);
    ASSERT_TRUE(WaitStatus([](const FFplayStatus& st) { return st.chroma_contrast == 1.0; }));
    FFplayStatus after = ffplay_status();
    EXPECT_EQ(after.volume, s.volume);
    EXPECT_EQ(after.paused, s.paused);
    EXPECT_DOUBLE_EQ(after.luma_brightness, s.luma_brightness);
    EXPECT_TRUE(after.running);
}

TEST_F(PlayerTest, CompareViewShowsBothPicturesBetweenGreyBands)
{
    g_nDisplayMode = 1;
    CRecorder notify;
    CHostWindow window(400, 200);
    CPlayerRun run(GetTestMedia().mp4, notify.Get());
    run.Start();
    ASSERT_TRUE(notify.PumpUntil([&] { return notify.CountOf(WM_VXM_PREVIEW_RECT) > 3; }));
    // 160x120 in a 400x200 window: each half is 200 wide, so 200 x 150.
    // Other notices may come after it: take the last rectangle notice.
    const CPosted last = notify.LastOf(WM_VXM_PREVIEW_RECT);
    const auto* rect = reinterpret_cast<const FFplayRect*>(last.wParam);
    ASSERT_NE(rect, nullptr);
    EXPECT_EQ(rect, ffplay_compare_rects());
    EXPECT_EQ(rect[0].x, 0);
    EXPECT_EQ(rect[0].y, 25);
    EXPECT_EQ(rect[0].w, 195);
    EXPECT_EQ(rect[0].h, 150);
    EXPECT_EQ(rect[1].x, 205);
    EXPECT_EQ(rect[1].y, 25);
    const float* aspect = reinterpret_cast<const float*>(last.lParam);
    EXPECT_NEAR(*aspect, 160.0f / 120.0f, 1e-4);

    CTestHost& host = window.Host();
    for (auto [x, y] : {std::pair{10, 5}, std::pair{390, 195}, std::pair{200, 100}}) {
        CPixel p = host.At(x, y);
        EXPECT_EQ(p.r, 240) << x << "," << y;
        EXPECT_EQ(p.g, 240);
        EXPECT_EQ(p.b, 240);
    }
    // Brightness acts on the right-hand picture only.
    const double leftBefore = host.MeanLevel(20, 40, 150, 120);
    const double rightBefore = host.MeanLevel(225, 40, 150, 120);
    EXPECT_NEAR(leftBefore, rightBefore, 12.0);
    int brightness = 60;
    Push(FFPLAY_EVENT_BRIGHTNESS, &brightness);
    // The next pictures drawn show it.
    EXPECT_TRUE(WaitUntil([&] { return host.MeanLevel(225, 40, 150, 120) > host.MeanLevel(20, 40, 150, 120) + 40.0; }));

    // A stop clears both pictures to black; the bands stay.
    Push(FFPLAY_EVENT_STOP);
    ASSERT_TRUE(notify.PumpUntil([&] { return notify.CountOf(WM_VXM_PLAY_FINISHED) == 1; }));
    run.Join();
    EXPECT_LT(host.MeanLevel(rect[0].x, rect[0].y, rect[0].w, rect[0].h), 1.0);
    EXPECT_LT(host.MeanLevel(rect[1].x, rect[1].y, rect[1].w, rect[1].h), 1.0);
    EXPECT_EQ(host.At(10, 5).r, 240);
}

TEST_F(PlayerTest, StopInSingleViewClearsTheWholeArea)
{
    CRecorder notify;
    CHostWindow window(320, 240);
    CPlayerRun run(GetTestMedia().mp4, notify.Get());
    run.Start();
    ASSERT_TRUE(WaitPosition(0.3));
    ASSERT_TRUE(window.Host().WaitPresents(4));
    EXPECT_GT(window.Host().MeanLevel(0, 0, 320, 240), 20.0);
    Push(FFPLAY_EVENT_STOP);
    ASSERT_TRUE(notify.PumpUntil([&] { return notify.CountOf(WM_VXM_PLAY_FINISHED) == 1; }));
    run.Join();
    EXPECT_LT(window.Host().MeanLevel(0, 0, 320, 240), 1.0);
}

TEST_F(PlayerTest, RunnerStopEndsThePlayer)
{
    CRecorder notify;
    CHostWindow window(320, 240);
    CPlayerRun run(GetTestMedia().mp4, notify.Get());
    run.Start();
    ASSERT_TRUE(WaitRunning());
    run.Runner().RequestStop();
    ASSERT_TRUE(notify.PumpUntil([&] { return notify.CountOf(WM_VXM_PLAY_FINISHED) == 1; }));
    run.Join();
    EXPECT_FALSE(ffplay_status().running);
}

TEST_F(PlayerTest, SecondPlayerWaitsForTheFirst)
{
    CRecorder notifyA, notifyB;
    CHostWindow window(320, 240);
    CPlayerRun first(GetTestMedia().mp4, notifyA.Get());
    first.Start();
    ASSERT_TRUE(WaitRunning());
    CPlayerRun second(GetTestMedia().mkv, notifyB.Get());
    second.Start();
    notifyB.Pump();
    EXPECT_FALSE(second.Finished());
    EXPECT_EQ(notifyB.CountOf(WM_VXM_PREVIEW_PROGRESS), 0);   // it has not started playing
    // The first one ends; the second one then plays.
    first.Stop();
    ASSERT_TRUE(notifyA.PumpUntil([&] { return notifyA.CountOf(WM_VXM_PLAY_FINISHED) == 1; }));
    ASSERT_TRUE(notifyB.PumpUntil([&] { return notifyB.CountOf(WM_VXM_PREVIEW_PROGRESS) > 0; }));
    second.Stop();
    ASSERT_TRUE(notifyB.PumpUntil([&] { return notifyB.CountOf(WM_VXM_PLAY_FINISHED) == 1; }));
}

TEST_F(PlayerTest, StopWhileWaitingForTheLockGivesUpAndPostsTheEnd)
{
    CRecorder notifyA, notifyB;
    CHostWindow window(320, 240);
    CPlayerRun first(GetTestMedia().mp4, notifyA.Get());
    first.Start();
    ASSERT_TRUE(WaitRunning());
    CPlayerRun second(GetTestMedia().mkv, notifyB.Get());
    second.Start();
    notifyB.Pump();
    second.Stop();
    ASSERT_TRUE(notifyB.PumpUntil([&] { return notifyB.CountOf(WM_VXM_PLAY_FINISHED) == 1; }));
    second.Join();
    EXPECT_TRUE(ffplay_status().running);   // the first plays on
    EXPECT_FALSE(first.Finished());
}

TEST_F(PlayerTest, FailedVideoModePostsTheEndAndLeavesTheLock)
{
    CRecorder notify;
    CHostWindow window(0, 0);
    CPlayerRun run(GetTestMedia().mp4, notify.Get());
    run.Start();
    ASSERT_TRUE(notify.PumpUntil([&] { return notify.CountOf(WM_VXM_PLAY_FINISHED) == 1; }));
    run.Join();
    EXPECT_EQ(run.Result(), -1);
    ASSERT_TRUE(g_csPlayer.try_lock());
    g_csPlayer.unlock();
}

TEST_F(PlayerTest, MissingInputAndUnreadableInputEndCleanly)
{
    CRecorder notify;
    CHostWindow window(320, 240);
    {
        CPlayerRun run(GetTestMedia().corrupt, notify.Get());
        run.Start();
        ASSERT_TRUE(notify.PumpUntil([&] { return notify.CountOf(WM_VXM_PLAY_FINISHED) == 1; }));
    }
    {
        CPlayerRun run(GetTestMedia().mp4, notify.Get(), L"-ast");   // option without its value
        run.Start();
        ASSERT_TRUE(notify.PumpUntil([&] { return notify.CountOf(WM_VXM_PLAY_FINISHED) == 2; }));
    }
    ASSERT_TRUE(g_csPlayer.try_lock());
    g_csPlayer.unlock();
}

TEST_F(PlayerTest, FiftyStartsAndStopsLeakNoThreadNoDescriptorAndFreeTheLock)
{
    CRecorder notify;
    CHostWindow window(320, 240);
    {   // warm-up: one-time library state
        CPlayerRun run(GetTestMedia().mp4, notify.Get());
        run.Start();
        WaitRunning();
    }
    const int threads = CountThreads();
    const int descriptors = CountDescriptors();
    for (int i = 0; i < 50; i++) {
        CPlayerRun run(GetTestMedia().mp4, notify.Get());
        run.Start();
        ASSERT_TRUE(WaitRunning()) << "run " << i;
        if (i % 2) std::this_thread::sleep_for(std::chrono::milliseconds(30));
        run.Stop();
        run.Join();
    }
    notify.Pump();
    EXPECT_EQ(notify.CountOf(WM_VXM_PLAY_FINISHED), 51);
    EXPECT_EQ(CountThreads(), threads);
    EXPECT_EQ(CountDescriptors(), descriptors);
    ASSERT_TRUE(g_csPlayer.try_lock());
    g_csPlayer.unlock();
}

}  // namespace

namespace {

double SecondsUntilFinished(CRecorder& notify, int expected = 1)
{
    const auto start = std::chrono::steady_clock::now();
    if (!notify.PumpUntil([&] { return notify.CountOf(WM_VXM_PLAY_FINISHED) == expected; })) return -1.0;
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

TEST_F(PlayerTest, StartAndDurationOptionsPlayOnlyTheTrimmedPart)
{
    CRecorder notify;
    CHostWindow window(320, 240);
    {
        CPlayerRun run(GetTestMedia().mp4, notify.Get(), L"-ss 1.300");
        run.Start();
        ASSERT_TRUE(WaitStatus([](const FFplayStatus& s) { return s.running && s.position > 0.0; }));
        EXPECT_GE(ffplay_status().position, 1.2);
        EXPECT_GT(SecondsUntilFinished(notify), 0.0);
        // Where the player's clock stood when it ended: the clip's end.
        EXPECT_NEAR(run.Runner().m_dCurrentTime.load(), 2.0, 0.2);
    }
    {
        CPlayerRun run(GetTestMedia().mp4, notify.Get(), L"-t 0.600");
        run.Start();
        EXPECT_GT(SecondsUntilFinished(notify, 2), 0.4);
        // Ended at 0.6 s, not at the clip's end at 2 s.
        EXPECT_NEAR(run.Runner().m_dCurrentTime.load(), 0.6, 0.2);
    }
}

TEST_F(PlayerTest, VideoFiltersOfTheCommandLineShapeThePicture)
{
    CRecorder notify;
    CHostWindow window(320, 240);
    CPlayerRun plain(GetTestMedia().mp4, notify.Get(), L"-vf \"crop=80:120:0:0\"");
    plain.Start();
    ASSERT_TRUE(WaitPosition(0.3));
    ASSERT_TRUE(window.Host().WaitPresents(4));
    // 80x120 fills the height: a 160-wide picture in the middle, black beside it.
    EXPECT_NEAR(*ffplay_display_aspect(), 80.0f / 120.0f, 1e-4);
    EXPECT_LT(window.Host().MeanLevel(0, 0, 70, 240), 1.0);
    EXPECT_GT(window.Host().MeanLevel(90, 0, 140, 240), 20.0);
}

TEST_F(PlayerTest, UnknownFilterEndsThePlayCleanly)
{
    CRecorder notify;
    CHostWindow window(320, 240);
    CPlayerRun run(GetTestMedia().mp4, notify.Get(), L"-vf nosuchfilter");
    run.Start();
    EXPECT_GT(SecondsUntilFinished(notify), 0.0);
    run.Join();
    ASSERT_TRUE(g_csPlayer.try_lock());
    g_csPlayer.unlock();
}

TEST_F(PlayerTest, SecondAudioInputPlaysBesideASilentMainInput)
{
    CRecorder notify;
    CHostWindow window(320, 240);
    const std::wstring extra = L"-an -extaudio \"" + AnsiToWide(GetTestMedia().mp3) + L"\"";
    CPlayerRun run(GetTestMedia().mp4, notify.Get(), extra);
    const int threads = CountThreads();
    run.Start();
    ASSERT_TRUE(WaitPosition(0.3));
    EXPECT_GT(SecondsUntilFinished(notify), 0.5);
    run.Join();
    EXPECT_EQ(CountThreads(), threads);
}

}  // namespace

namespace {

// Stream id of the first stream of a type, read with the libraries.
int StreamIdOf(const std::string& path, AVMediaType type, int* index)
{
    AVFormatContext* ic = nullptr;
    if (avformat_open_input(&ic, path.c_str(), nullptr, nullptr) < 0) return -1;
    avformat_find_stream_info(ic, nullptr);
    int id = -1;
    for (unsigned i = 0; i < ic->nb_streams && id < 0; i++)
        if (ic->streams[i]->codecpar->codec_type == type) {
            id = ic->streams[i]->id;
            *index = static_cast<int>(i);
        }
    avformat_close_input(&ic);
    return id;
}

TEST_F(PlayerTest, SubtitledSourceOpensItsSubtitleStreamAndPlaysToTheEnd)
{
    CRecorder notify;
    CHostWindow window(320, 240);
    int index = -1;
    StreamIdOf(GetTestMedia().subtitled, AVMEDIA_TYPE_SUBTITLE, &index);
    ASSERT_GE(index, 0);
    CPlayerRun run(GetTestMedia().subtitled, notify.Get());
    run.Start();
    ASSERT_TRUE(WaitRunning());
    EXPECT_EQ(ffplay_status().subtitle_stream, index);
    EXPECT_GT(SecondsUntilFinished(notify), 1.0);
    run.Join();

    CPlayerRun none(GetTestMedia().subtitled, notify.Get(), L"-sn");
    none.Start();
    ASSERT_TRUE(WaitRunning());
    EXPECT_EQ(ffplay_status().subtitle_stream, -1);
}

TEST_F(PlayerTest, DvdTitleChoosesAudioByStreamId)
{
    vxmtest::CTempDir dir;
    const std::string path = dir.File("two_audio.ts");
    ASSERT_TRUE(vxmtest::RunFfmpeg({"-i", GetTestMedia().mp4, "-map", "0:v", "-map", "0:a", "-map", "0:a", "-c", "copy",
                                    path}));
    AVFormatContext* ic = nullptr;
    ASSERT_EQ(avformat_open_input(&ic, path.c_str(), nullptr, nullptr), 0);
    avformat_find_stream_info(ic, nullptr);
    int lastAudio = -1;
    for (unsigned i = 0; i < ic->nb_streams; i++)
        if (ic->streams[i]->codecpar->codec_type == AVMEDIA_TYPE_AUDIO) lastAudio = static_cast<int>(i);
    ASSERT_GE(lastAudio, 1);
    const int id = ic->streams[lastAudio]->id;   // a transport stream id, not a stream number
    avformat_close_input(&ic);
    ASSERT_GT(id, 100);

    CRecorder notify;
    CHostWindow window(320, 240);
    CPlayerRun run(path, notify.Get(), L"-ast " + std::to_wstring(id));
    run.Media().m_nMediaKind = 1;
    run.Start();
    ASSERT_TRUE(WaitRunning());
    EXPECT_EQ(ffplay_status().audio_stream, lastAudio);
}

}  // namespace

namespace {

TEST_F(PlayerTest, HostResizeRedrawsThePictureAtTheNewSize)
{
    CRecorder notify;
    CHostWindow window(320, 240);
    CPlayerRun run(GetTestMedia().mp4, notify.Get());
    run.Start();
    ASSERT_TRUE(WaitRunning());
    ASSERT_TRUE(window.Host().WaitPresents(4));
    Push(FFPLAY_EVENT_PAUSE);   // the picture stays; only the resize draws
    ASSERT_TRUE(WaitStatus([](const FFplayStatus& s) { return s.paused != 0; }));
    window.Host().Resize(200, 300);
    const int before = window.Host().Presents();
    ASSERT_TRUE(ffplay_push_resize());
    ASSERT_TRUE(window.Host().WaitPresents(before + 2));
    // 4:3 in 200x300: 200x150 in the middle, black above and below.
    EXPECT_TRUE(WaitUntil([&] { return window.Host().MeanLevel(0, 80, 200, 140) > 20.0; }));
    EXPECT_LT(window.Host().MeanLevel(0, 0, 200, 70), 1.0);
    EXPECT_LT(window.Host().MeanLevel(0, 230, 200, 70), 1.0);
}

}  // namespace
