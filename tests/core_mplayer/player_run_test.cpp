// Debian's mplayer started with the player's own start line and driven by
// its own slave commands: play, pause, seek, position and length answers,
// quit; nothing of it is left afterwards.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <string>

#include "PlayerCommandLine.h"
#include "PlayerCommands.h"
#include "event_sink.h"
#include "platform/process.h"
#include "support/test_media.h"

using namespace mplayertest;

namespace {

// Asks for the position and waits for the answer.
double Position(CEventSink& sink, CCmdMplayer* player)
{
    const size_t before = Count(sink.Events(), MPLAYER_EVENT_TIME_POSITION);
    if (!SendPlayerCommand(player, L"pausing_keep get_time_pos\n")) return -1.0;
    if (!sink.WaitUntil([before](const auto& e) { return Count(e, MPLAYER_EVENT_TIME_POSITION) > before; }))
        return -1.0;
    return Last(sink.Events(), MPLAYER_EVENT_TIME_POSITION)->d;
}

}  // namespace

TEST(PlayerRun, TheStartLineAndSlaveCommandsDriveTheRealPlayer)
{
    ASSERT_FALSE(FindProgramInPath(L"mplayer").empty()) << "Debian's mplayer is not installed";
    vxmtest::CTempDir dir;
    const std::string clip = dir.File("clip one.mp4");
    ASSERT_TRUE(vxmtest::MakeVideoClip(clip, 8.0, 160, 120,
                                       {"-c:v", "libx264", "-preset", "ultrafast", "-g", "5", "-pix_fmt", "yuv420p",
                                        "-c:a", "aac"}));
    CEventSink sink;
    CPlayerStartParams params;
    params.path = std::wstring(clip.begin(), clip.end());
    params.videoDriver = L"null";
    params.audioDriver = L"null";
    params.hasEntry = true;
    CMPlayerOpts opts;
    BuildPlayerCommandLine(params, opts);
    std::unique_ptr<CCmdMplayer> player = StartPlayer(opts.BuildCommandLine(), sink.Hwnd(), PlayerNiceness(4));
    ASSERT_TRUE(player);
    const int pid = static_cast<int>(player->m_dwProcessId);

    ASSERT_TRUE(sink.WaitUntil([](const auto& e) { return Count(e, MPLAYER_EVENT_VO_SIZE) > 0; }));
    EXPECT_EQ(Last(sink.Events(), MPLAYER_EVENT_VO_SIZE)->text, L"160x120");

    // Paused, the position stays where it is.
    ASSERT_TRUE(SendPlayerCommand(player.get(), PlayerCommand::kPause));
    ASSERT_TRUE(SendPlayerCommand(player.get(), L"pausing_keep get_time_length\n"));
    ASSERT_TRUE(sink.WaitUntil([](const auto& e) { return Count(e, MPLAYER_EVENT_LENGTH) > 0; }));
    EXPECT_NEAR(Last(sink.Events(), MPLAYER_EVENT_LENGTH)->d, 8.0, 0.2);
    const double paused = Position(sink, player.get());
    EXPECT_GE(paused, 0.0);
    EXPECT_LT(paused, 4.0);

    // A seek to 50 percent, kept paused.
    ASSERT_TRUE(SendPlayerCommand(player.get(), PlayerCommand::Seek(50, 1)));
    double position = -1.0;
    do position = Position(sink, player.get());  // until the seek shows (or the player is gone)
    while (position >= 0.0 && position <= 3.5);
    EXPECT_NEAR(position, 4.0, 0.5);

    // Playing again, the position moves on; the plain queries of the
    // position timer are answered while playing.
    ASSERT_TRUE(SendPlayerCommand(player.get(), PlayerCommand::kPause));
    ASSERT_TRUE(SendPlayerCommand(player.get(), PlayerCommand::kTimePosition));
    ASSERT_TRUE(SendPlayerCommand(player.get(), PlayerCommand::kTimeLength));
    const size_t lengths = Count(sink.Events(), MPLAYER_EVENT_LENGTH);
    ASSERT_TRUE(sink.WaitUntil([lengths](const auto& e) { return Count(e, MPLAYER_EVENT_LENGTH) > lengths; }));
    EXPECT_GE(Last(sink.Events(), MPLAYER_EVENT_TIME_POSITION)->d, position);

    StopPlayer(player);
    EXPECT_FALSE(player);
    EXPECT_EQ(::kill(pid, 0), -1);
    EXPECT_EQ(errno, ESRCH);
    sink.Drain();
}
