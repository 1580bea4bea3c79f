// Stream choice and external files: what is accepted and what is refused.
#include "VXMMediaImpl.h"

#include <gtest/gtest.h>

namespace {

class StreamChoice : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (int id : {1, 2}) {
            auto track = std::make_unique<VXM_AUDIO_TRACK>();
            track->m_nId = id;
            m_media.m_lstAudio.push_back(std::move(track));
        }
    }
    CVXMMediaImpl m_media;
};

TEST_F(StreamChoice, AudioIndexUpToTheCountIsAccepted)
{
    EXPECT_EQ(m_media.SelectStreams(0, 2, 0), 0);
    EXPECT_EQ(m_media.GetSelectedAudioStream(), 2);
    EXPECT_EQ(m_media.SelectStreams(0, 3, 0), -1);
    EXPECT_EQ(m_media.GetSelectedAudioStream(), 2);  // unchanged
    EXPECT_EQ(m_media.SelectStreams(0, 0, 1), -1);   // no subtitle at all
}

TEST_F(StreamChoice, IndexesBelowNoneAreRefused)
{
    EXPECT_EQ(m_media.SelectStreams(0, 1, -1), 0);
    EXPECT_EQ(m_media.SelectStreams(0, -5, -1), -1);
    EXPECT_EQ(m_media.SelectStreams(-2, 1, -1), -1);
    EXPECT_EQ(m_media.SelectStreams(0, 1, -7), -1);
    EXPECT_EQ(m_media.GetSelectedAudioStream(), 1);  // unchanged
}

TEST_F(StreamChoice, NoSelectionReadsMinusOne)
{
    CVXMMediaImpl fresh;
    EXPECT_EQ(fresh.GetSelectedVideoStream(), -1);
    EXPECT_EQ(fresh.GetSelectedAudioStream(), -1);
    EXPECT_EQ(fresh.GetSelectedSubtitleStream(), -1);
}

TEST_F(StreamChoice, OutOfRangeIndexesGiveNothing)
{
    EXPECT_EQ(m_media.GetAudioTrackAt(-1), nullptr);
    EXPECT_EQ(m_media.GetAudioTrackAt(2), nullptr);
    EXPECT_NE(m_media.GetAudioTrackAt(1), nullptr);
    EXPECT_EQ(m_media.GetSubtitleAt(0), nullptr);
    EXPECT_EQ(m_media.GetVideoStreamAt(-3), nullptr);
}

TEST_F(StreamChoice, SubtitleFilesOnlyOfTextFormats)
{
    EXPECT_EQ(m_media.AddSubtitleFile(L"/subs/a.txt"), -1);
    EXPECT_EQ(m_media.AddSubtitleFile(L""), -1);
    EXPECT_EQ(m_media.GetSubtitleCount(), 0);
    EXPECT_EQ(m_media.AddSubtitleFile(L"/subs/a.srt"), 0);
    EXPECT_EQ(m_media.AddSubtitleFile(L"/subs/b.ass"), 0);
    EXPECT_EQ(m_media.GetSubtitleCount(), 2);
    EXPECT_EQ(m_media.GetSubtitleAt(1)->GetDisplayName(), L"b.ass");
}

TEST_F(StreamChoice, OnlyExternalFilesAreRemoved)
{
    ASSERT_EQ(m_media.AddAudioFile(L"/music/dub.mp3"), 0);
    EXPECT_EQ(m_media.RemoveAudioFile(0), -1);   // the source's own track
    EXPECT_EQ(m_media.RemoveAudioFile(-1), -1);
    EXPECT_EQ(m_media.RemoveAudioFile(3), -1);
    EXPECT_EQ(m_media.GetAudioTrackCount(), 3);
    EXPECT_EQ(m_media.RemoveAudioFile(2), 0);
    EXPECT_EQ(m_media.GetAudioTrackCount(), 2);
    EXPECT_EQ(m_media.RemoveSubtitleFile(0), -1);
}

TEST_F(StreamChoice, PlayerControlsWithoutAPlayerDoNothing)
{
    m_media.SeekPreview(3.0f);
    m_media.TogglePreviewPause();
    m_media.SetPreviewVolume(50);
    m_media.AdjustPreview(32, 10);
    m_media.TakeSnapshot(L"/tmp", 1);
    m_media.StopPreview();
    EXPECT_EQ(m_media.GetPreviewState(), 0);
    EXPECT_EQ(m_media.GetPreviewPosition(), 0.0f);
    EXPECT_TRUE(m_media.m_strSnapshotFolder.empty());
}

}  // namespace
