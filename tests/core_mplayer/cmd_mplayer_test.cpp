// The player's runner: Debian's mplayer started from a command line, its
// output read on the runner's thread, answers posted to a window.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "CmdMplayer.h"
#include "event_sink.h"
#include "support/test_media.h"

using namespace mplayertest;

namespace {

std::wstring W(const std::string& s) { return std::wstring(s.begin(), s.end()); }

bool Has(const std::vector<SEvent>& events, WPARAM code)
{
    return std::any_of(events.begin(), events.end(), [code](const SEvent& e) { return e.code == code; });
}

}  // namespace

TEST(MplayerRunner, PlaysAnswersAndQuitsThroughTheRunner)
{
    const vxmtest::TestMedia& media = vxmtest::GetTestMedia();
    CEventSink sink;
    auto player = std::make_unique<CCmdMplayer>();
    player->SetNotifyWindow(sink.Hwnd());
    ASSERT_TRUE(player->Open(L"mplayer -slave -idle -quiet -identify -nolirc -vo null -ao null \"" + W(media.mkv) +
                             L"\""));
    ASSERT_TRUE(sink.WaitUntil([](const std::vector<SEvent>& e) { return Has(e, MPLAYER_EVENT_VO_SIZE); }));
    ASSERT_TRUE(player->Printf(L"pausing_keep get_time_length\n"));
    ASSERT_TRUE(sink.WaitUntil([](const std::vector<SEvent>& e) { return Has(e, MPLAYER_EVENT_LENGTH); }));
    ASSERT_TRUE(player->Printf(L"quit\n"));
    ASSERT_TRUE(sink.WaitUntil([](const std::vector<SEvent>& e) { return Has(e, MPLAYER_EVENT_EXIT); }));
    EXPECT_EQ(player->Output().GetAudioTracks().size(), 1u);
    player.reset();

    const std::vector<SEvent> events = sink.Drain();
    auto length = std::find_if(events.begin(), events.end(),
                               [](const SEvent& e) { return e.code == MPLAYER_EVENT_LENGTH; });
    ASSERT_NE(length, events.end());
    EXPECT_NEAR(length->d, 2.0, 0.1);
    EXPECT_EQ(events.back().code, MPLAYER_EVENT_EXIT);
}

TEST(MplayerRunner, DeletingARunningPlayerStopsItAndFreesItsEvents)
{
    const vxmtest::TestMedia& media = vxmtest::GetTestMedia();
    const long before = CMplayerEventPayload::LiveCount();
    {
        CEventSink sink;
        auto player = std::make_unique<CCmdMplayer>();
        player->SetNotifyWindow(sink.Hwnd());
        ASSERT_TRUE(player->Open(L"mplayer -slave -idle -quiet -identify -nolirc -vo null -ao null \"" +
                                 W(media.mp4) + L"\""));
        ASSERT_TRUE(
            sink.WaitUntil([](const std::vector<SEvent>& e) { return Has(e, MPLAYER_EVENT_VO_SIZE); }));
        ASSERT_TRUE(player->Printf(L"get_time_pos\n"));
        player.reset();  // still playing
    }
    // The sink went with events still queued: their records went with it.
    EXPECT_EQ(CMplayerEventPayload::LiveCount(), before);
}
