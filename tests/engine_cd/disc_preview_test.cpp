// Previewing audio-CD tracks of a BIN/CUE image made here with the player
// on SDL's dummy drivers: a track plays from its place on the disc to its
// own end (not into the next track), and the last one to the disc's end.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <thread>

#include "CmdFFplay.h"
#include "VXMDiscAudioTrack.h"
#include "VXMDiscFile.h"
#include "VXMMediaExports.h"
#include "VXMMessages.h"
#include "disc_image.h"
#include "platform/events.h"
#include "platform/messages.h"
#include "platform/text.h"

namespace {

using namespace cdtest;

const bool g_dummyDrivers = [] {
    setenv("SDL_VIDEODRIVER", "dummy", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    return true;
}();

struct PlayOutcome {
    bool finished = false;
    float firstPosition = -1;  // the first and the highest position seen while playing
    float lastPosition = -1;
    double endPosition = -1;   // where the player's clock stood when it ended
};

// The player's last position, counted from the track's start, once it ended
// (the track then reports no position; its finished run still holds it).
double EndPosition(IVXMDiscAudiotrack* track)
{
    auto* data = dynamic_cast<CVXMDiscAudioTrackImpl*>(track);
    return data->m_pPreviewRunner ? data->m_pPreviewRunner->m_dCurrentTime.load() - data->m_llChapterStartMs / 1000.0
                                  : -1.0;
}

// Plays the track from `intoTrackMs` after its start to its end.
PlayOutcome PlayTail(IVXMDiscAudiotrack* track, int intoTrackMs)
{
    PlayOutcome out;
    auto* data = dynamic_cast<CVXMDiscAudioTrackImpl*>(track);
    track->SetStartTime(static_cast<int>(data->m_llChapterStartMs) + intoTrackMs);
    bool ended = false;
    CMessageWindow notify([&](HWND, UINT msg, WPARAM, LPARAM lParam) -> LRESULT {
        if (msg == WM_VXM_PLAY_FINISHED && lParam == reinterpret_cast<LPARAM>(static_cast<IVXMMedia*>(track)))
            ended = true;
        return 0;
    });
    if (track->StartPreview(notify.Get()) != 0)
        return out;
    while (!ended) {
        if (track->GetPreviewState() == 1) {
            const float position = track->GetPreviewPosition();
            if (out.firstPosition < 0 && position > 0)
                out.firstPosition = position;
            out.lastPosition = std::max(out.lastPosition, position);
        }
        MSG msg;
        if (GetMessageTimeout(&msg, 10))
            DispatchMessage(&msg);
    }
    out.finished = ended;
    out.endPosition = EndPosition(track);
    track->StopPreview();
    return out;
}

class DiscPreview : public testing::Test {
protected:
    static void SetUpTestSuite() { RegisterMediaLibrary(); }
    void SetUp() override
    {
        m_drive.SetDrive(Utf8ToWide(MakeDiscImage(m_dir)));
        ASSERT_EQ(m_drive.Open(), 0);
        ASSERT_EQ(m_drive.GetTrackCount(), kTrackCount);
    }
    vxmtest::CTempDir m_dir;
    CVXMDiscFileImpl m_drive;
};

TEST_F(DiscPreview, TrackPlaysToItsOwnEndNotIntoTheNext)
{
    IVXMDiscAudiotrack* track = m_drive.GetTrackAt(1);
    const PlayOutcome played = PlayTail(track, 2800);
    EXPECT_TRUE(played.finished);
    // Positions count from the track's start, and end with it: the next
    // track would add 4.5 s.
    EXPECT_GE(played.firstPosition, 2.5);
    EXPECT_NEAR(played.endPosition, TrackSeconds(1), 0.3);
    EXPECT_LE(played.lastPosition, TrackSeconds(1) + 0.3);
    EXPECT_EQ(track->GetPreviewState(), 0);
    track->Release();
}

TEST_F(DiscPreview, LastTrackEndsAtTheEndOfTheDisc)
{
    IVXMDiscAudiotrack* track = m_drive.GetTrackAt(2);
    const PlayOutcome played = PlayTail(track, 3800);
    EXPECT_TRUE(played.finished);
    EXPECT_GE(played.firstPosition, 3.5);
    EXPECT_NEAR(played.endPosition, TrackSeconds(2), 0.3);
    EXPECT_LE(played.lastPosition, TrackSeconds(2) + 0.3);
    track->Release();
}

TEST_F(DiscPreview, ASeekCountsFromTheTracksStart)
{
    IVXMDiscAudiotrack* track = m_drive.GetTrackAt(1);
    bool ended = false;
    CMessageWindow notify([&](HWND, UINT msg, WPARAM, LPARAM) -> LRESULT {
        ended = ended || msg == WM_VXM_PLAY_FINISHED;
        return 0;
    });
    ASSERT_EQ(track->StartPreview(notify.Get()), 0);
    // Once it plays (the player takes events from then on).
    while (track->GetPreviewPosition() < 0.1f)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    track->SeekPreview(3.0f);
    float position = 0;
    bool playedThrough = false;  // a position the seek jumped over
    while (!ended) {
        if (track->GetPreviewState() == 1) {
            const float now = track->GetPreviewPosition();
            playedThrough = playedThrough || (now > 1.0f && now < 2.5f);
            position = std::max(position, now);
        }
        MSG msg;
        if (GetMessageTimeout(&msg, 10))
            DispatchMessage(&msg);
    }
    // From 3.0 s into the track to its end at 3.5 s, not into track 1 or 3.
    EXPECT_FALSE(playedThrough);
    EXPECT_LE(position, TrackSeconds(1) + 0.3);
    EXPECT_NEAR(EndPosition(track), TrackSeconds(1), 0.3);
    track->StopPreview();
    track->Release();
}

}  // namespace
