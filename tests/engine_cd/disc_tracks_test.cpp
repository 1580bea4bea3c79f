// The audio-CD drive over a BIN/CUE image made here: its track list, the
// track bounds and a track's preview.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <thread>

#include "CmdFFplay.h"
#include "CmdOpts.h"
#include "EngineHooks.h"
#include "RunnerHooks.h"
#include "SplitCommandLine.h"
#include "VXMJobType.h"
#include "VXMDiscAudioTrack.h"
#include "VXMDiscFile.h"
#include "VXMMediaExports.h"
#include "disc_image.h"
#include "platform/text.h"
#include "support/test_media.h"

namespace {

using cdtest::kSectors;
using cdtest::MakeDiscImage;

class DiscTracks : public testing::Test {
protected:
    static void SetUpTestSuite() { RegisterMediaLibrary(); }
    void SetUp() override { m_cue = MakeDiscImage(m_dir); }
    vxmtest::CTempDir m_dir;
    std::string m_cue;
};

TEST_F(DiscTracks, ListsEachTrackWithItsBoundsToTheSector)
{
    CVXMDiscFileImpl drive;
    drive.SetDrive(Utf8ToWide(m_cue));
    ASSERT_EQ(drive.Open(), 0);
    ASSERT_EQ(drive.GetTrackCount(), 3);
    int start = 0;
    for (int i = 0; i < 3; ++i) {
        IVXMDiscAudiotrack* track = drive.GetTrackAt(i);
        ASSERT_NE(track, nullptr);
        const double wantStart = start * 1000.0 / 75, wantLength = kSectors[i] * 1000.0 / 75;
        EXPECT_NEAR(track->GetDuration(), wantLength, 1000.0 / 75) << i;
        EXPECT_NEAR(track->GetStartTime(), wantStart, 1000.0 / 75) << i;
        EXPECT_NEAR(track->GetEndTime(), wantStart + wantLength, 1000.0 / 75) << i;
        EXPECT_EQ(track->GetSourcePath(), L"track " + std::to_wstring(i + 1));
        EXPECT_EQ(track->GetSourceTitle(), L"track " + std::to_wstring(i + 1));
        EXPECT_EQ(track->GetDrivePath(), Utf8ToWide(m_cue));
        EXPECT_EQ(track->GetMediaKind(), 2);
        ASSERT_NE(track->GetAudioTrack(), nullptr);
        EXPECT_EQ(track->GetAudioTrack()->GetSampleRate(), 44100);
        EXPECT_EQ(track->GetAudioTrackCount(), 1);
        EXPECT_EQ(track->GetVideoStreamCount(), 0);
        track->Release();
        start += kSectors[i];
    }
    EXPECT_EQ(drive.GetTrackAt(3), nullptr);
}

TEST_F(DiscTracks, SecondOpenKeepsOneSetOfTracks)
{
    IVXMDiscAudiotrack* kept = nullptr;
    {
        CVXMDiscFileImpl drive;
        drive.SetDrive(Utf8ToWide(m_cue));
        ASSERT_EQ(drive.Open(), 0);
        kept = drive.GetTrackAt(0);
        ASSERT_EQ(drive.Open(), 0);
        EXPECT_EQ(drive.GetTrackCount(), 3);
        EXPECT_EQ(drive.GetTrackAt(3), nullptr);
        IVXMDiscAudiotrack* fresh = drive.GetTrackAt(0);
        EXPECT_NE(fresh, kept);  // the disc was read afresh
        fresh->Release();
    }
    // A track handed out before stays usable after the drive is gone.
    EXPECT_EQ(kept->GetSourcePath(), L"track 1");
    EXPECT_EQ(kept->GetAudioTrack()->GetSampleRate(), 44100);
    kept->Release();
}

TEST_F(DiscTracks, OpenReadsTheDiscNowInTheDrive)
{
    CVXMDiscFileImpl drive;
    drive.SetDrive(Utf8ToWide(m_cue));
    ASSERT_EQ(drive.Open(), 0);
    // Another disc: the first two tracks only.
    std::string sheet;
    {
        std::ifstream in(m_cue);
        sheet.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    std::ofstream(m_cue, std::ios::trunc) << sheet.substr(0, sheet.find("  TRACK 03"));
    ASSERT_EQ(drive.Open(), 0);
    EXPECT_EQ(drive.GetTrackCount(), 2);
    EXPECT_EQ(drive.GetTrackAt(2), nullptr);
    // No disc at all: no tracks of the one before are left.
    std::remove(m_cue.c_str());
    EXPECT_EQ(drive.Open(), -1);
    EXPECT_EQ(drive.GetTrackCount(), -1);
    EXPECT_EQ(drive.GetTrackAt(0), nullptr);
}

TEST_F(DiscTracks, CopiedTrackKeepsItsRangeAndSharedAudio)
{
    CVXMDiscFileImpl drive;
    drive.SetDrive(Utf8ToWide(m_cue));
    ASSERT_EQ(drive.Open(), 0);
    IVXMDiscAudiotrack* track = drive.GetTrackAt(2);
    IVXMMedia* copy = CopyDiscTrackMedia(*track);
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->GetStartTime(), track->GetStartTime());
    EXPECT_EQ(copy->GetEndTime(), track->GetEndTime());
    EXPECT_EQ(copy->GetAudioTrack(), track->GetAudioTrack());
    track->Release();
    EXPECT_EQ(copy->GetAudioTrack()->GetSampleRate(), 44100);  // outlives the first track
    copy->Release();
}

TEST(DiscDrive, MissingDiscFailsAndMakesNoTracks)
{
    RegisterMediaLibrary();
    CVXMDiscFileImpl drive;
    drive.SetDrive(L"/nonexistent/drive/");
    EXPECT_EQ(drive.GetDrive(), L"/nonexistent/drive");
    EXPECT_EQ(drive.Open(), -1);
    EXPECT_EQ(drive.GetTrackCount(), -1);
    EXPECT_EQ(drive.GetTrackAt(0), nullptr);
}

std::wstring g_playLine;
int RecordPlay(void* line, CCmdFFplay*)
{
    g_playLine = static_cast<const wchar_t*>(line);
    return 0;
}

TEST_F(DiscTracks, PreviewLineSeeksToTheTrackOnTheDisc)
{
    VXM_RUNNER_HOOKS saved = g_RunnerHooks;
    g_RunnerHooks.pfnPlay = &RecordPlay;
    CVXMDiscFileImpl drive;
    drive.SetDrive(Utf8ToWide(m_cue));
    ASSERT_EQ(drive.Open(), 0);
    IVXMDiscAudiotrack* track = drive.GetTrackAt(1);
    ASSERT_EQ(track->StartPreview(nullptr), 0);
    track->StopPreview();
    g_RunnerHooks = saved;
    // 188 sectors: 2.5067 s, kept to the millisecond, not 2 or 3 whole seconds.
    EXPECT_NE(g_playLine.find(L" -f libcdio -track 2 -ss 2.506 -i \"\" -vn"), std::wstring::npos)
        << WideToUtf8(g_playLine);
    EXPECT_NE(g_playLine.find(L"-nodisp"), std::wstring::npos);
    EXPECT_EQ(g_playLine.find(L" -t "), std::wstring::npos);
    track->Release();
}

}  // namespace
