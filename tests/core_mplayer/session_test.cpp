// Debian's mplayer in slave mode, read through a child process in chunks of
// at most 255 bytes as the runner delivers them: the answers to the player
// pane's commands arrive as events, in order.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "MPlayerParser.h"
#include "event_sink.h"
#include "platform/events.h"
#include "platform/process.h"
#include "support/test_media.h"

using namespace mplayertest;

namespace {

std::wstring W(const std::string& s) { return std::wstring(s.begin(), s.end()); }

auto Has(WPARAM code)
{
    return [code](const std::vector<SEvent>& events) {
        return std::any_of(events.begin(), events.end(), [code](const SEvent& e) { return e.code == code; });
    };
}

// Feeds the child's standard output to the parser on a reader thread, as the
// runner does; stops and joins before the child goes away.
class COutputReader {
public:
    COutputReader(CChildProcess& child, CMPlayerParser& parser)
        : m_thread([this, &child, &parser] {
              char buffer[256];
              while (!m_stop.load()) {
                  const long n = child.ReadStdout(buffer, 255, 100);
                  if (n == CHILD_READ_TIMEOUT) continue;
                  if (n <= 0) break;
                  buffer[n] = '\0';
                  parser.WriteStdOut(buffer);
              }
          })
    {
    }
    ~COutputReader()
    {
        m_stop.store(true);
        m_thread.join();
    }

private:
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

}  // namespace

TEST(MplayerSession, RealPlayerAnswersLengthPositionPauseSeekAndQuit)
{
    ASSERT_FALSE(FindProgramInPath(L"mplayer").empty()) << "Debian's mplayer is not installed";
    vxmtest::CTempDir dir;
    // A key frame every 5 frames, so a seek lands where it was asked to.
    const std::string clip = dir.File("clip.mp4");
    ASSERT_TRUE(vxmtest::MakeVideoClip(clip, 2.0, 160, 120,
                                       {"-c:v", "libx264", "-preset", "ultrafast", "-g", "5", "-pix_fmt", "yuv420p",
                                        "-c:a", "aac"}));

    CEventSink sink;
    CMPlayerParser parser(sink.Hwnd());
    CChildProcess player;
    CChildOptions options;
    options.stdinMode = EChildStream::Pipe;
    options.stdoutMode = EChildStream::Pipe;
    options.stderrMode = EChildStream::Null;
    options.extraEnvironment = {L"HOME=" + W(dir.Path())};
    ASSERT_TRUE(player.Start({L"mplayer", L"-slave", L"-idle", L"-quiet", L"-identify", L"-nolirc", L"-vo", L"null",
                              L"-ao", L"null", W(clip)},
                             options))
        << player.LastError();
    COutputReader reader(player, parser);

    // The video output is set up once playback runs.
    ASSERT_TRUE(sink.WaitUntil(Has(MPLAYER_EVENT_VO_SIZE)));
    ASSERT_TRUE(player.WriteStdin("pause\n"));
    ASSERT_TRUE(player.WriteStdin("pausing_keep get_time_length\n"));
    ASSERT_TRUE(player.WriteStdin("pausing_keep get_time_pos\n"));
    ASSERT_TRUE(sink.WaitUntil([](const std::vector<SEvent>& e) { return Count(e, MPLAYER_EVENT_TIME_POSITION) >= 1; }));

    // Seek to 1 s and ask for the position until the seek shows.
    ASSERT_TRUE(player.WriteStdin("pausing_keep seek 1 2\n"));
    bool seeked = false;
    while (!seeked) {
        ASSERT_TRUE(player.WriteStdin("pausing_keep get_time_pos\n"));
        const size_t answered = Count(sink.Events(), MPLAYER_EVENT_TIME_POSITION);
        ASSERT_TRUE(sink.WaitUntil(
            [answered](const std::vector<SEvent>& e) { return Count(e, MPLAYER_EVENT_TIME_POSITION) > answered; }));
        seeked = Last(sink.Events(), MPLAYER_EVENT_TIME_POSITION)->d >= 0.9;
        if (!seeked) std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    EXPECT_TRUE(seeked);

    ASSERT_TRUE(player.WriteStdin("quit\n"));
    ASSERT_TRUE(sink.WaitUntil(Has(MPLAYER_EVENT_EXIT)));
    int exitCode = -1;
    EXPECT_TRUE(player.Wait(INFINITE, &exitCode));
    EXPECT_EQ(exitCode, 0);

    const std::vector<SEvent> events = sink.Drain();
    // What -identify announced, before the video output came up.
    auto at = [&](WPARAM code) {
        return std::find_if(events.begin(), events.end(), [code](const SEvent& e) { return e.code == code; });
    };
    ASSERT_NE(at(MPLAYER_EVENT_VIDEO_WIDTH), events.end());
    EXPECT_EQ(at(MPLAYER_EVENT_VIDEO_WIDTH)->value, 160);
    ASSERT_NE(at(MPLAYER_EVENT_VIDEO_HEIGHT), events.end());
    EXPECT_EQ(at(MPLAYER_EVENT_VIDEO_HEIGHT)->value, 120);
    EXPECT_LT(at(MPLAYER_EVENT_VIDEO_HEIGHT), at(MPLAYER_EVENT_VO_SIZE));
    EXPECT_EQ(at(MPLAYER_EVENT_VO_SIZE)->text, L"160x120");
    ASSERT_NE(at(MPLAYER_EVENT_VIDEO_FPS), events.end());
    EXPECT_FLOAT_EQ(at(MPLAYER_EVENT_VIDEO_FPS)->f, 25.0f);
    ASSERT_NE(at(MPLAYER_EVENT_AUDIO_RATE), events.end());
    EXPECT_EQ(at(MPLAYER_EVENT_AUDIO_RATE)->n, 44100);
    EXPECT_EQ(parser.GetAudioTracks().size(), 1u);

    // Then the answers, in the order they were asked for, and the exit last.
    std::vector<SEvent> answers;
    for (auto it = at(MPLAYER_EVENT_VO_SIZE); it != events.end(); ++it)
        if (it->code == MPLAYER_EVENT_LENGTH || it->code == MPLAYER_EVENT_TIME_POSITION ||
            it->code == MPLAYER_EVENT_EXIT)
            answers.push_back(*it);
    ASSERT_GE(answers.size(), 4u);
    EXPECT_EQ(answers.front().code, MPLAYER_EVENT_LENGTH);
    EXPECT_NEAR(answers.front().d, 2.0, 0.1);
    EXPECT_EQ(answers[1].code, MPLAYER_EVENT_TIME_POSITION);
    EXPECT_LT(answers[1].d, 0.9);  // paused near the start
    EXPECT_EQ(answers[answers.size() - 2].code, MPLAYER_EVENT_TIME_POSITION);
    EXPECT_NEAR(answers[answers.size() - 2].d, 1.0, 0.15);
    EXPECT_EQ(answers.back().code, MPLAYER_EVENT_EXIT);
    EXPECT_EQ(events.back().code, MPLAYER_EVENT_EXIT);
}
