// Rules of the media data half: clip length, tracks, crop, selection, files.
#include "EngineHooks.h"
#include "VXMMediaImpl.h"
#include "support/test_media.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>

namespace {

namespace fs = std::filesystem;

std::wstring Wide(const std::string& text)
{
    return std::wstring(text.begin(), text.end());
}

void WriteFile(const std::string& path)
{
    std::ofstream(path) << "data";
}

TEST(ClipLength, TrimWindowDoubledPlusJoinedMedia)
{
    CVXMMediaImpl media;
    media.m_nDuration = 60000;
    media.m_nStartTime = 10000;
    media.m_nEndTime = 25000;
    media.m_bDoubleLength = 1;
    EXPECT_EQ(media.GetClipLength(), 30000);

    CVXMMediaImpl joined;
    joined.m_nDuration = 5000;
    media.AddJoinMedia(&joined);
    EXPECT_EQ(media.GetClipLength(), 35000);
    EXPECT_EQ(media.GetDuration(), 35000);
}

TEST(ClipLength, WholeDurationWithoutTrim)
{
    CVXMMediaImpl media;
    media.m_nDuration = 42000;
    EXPECT_EQ(media.GetClipLength(), 42000);
}

TEST(ClipLength, StartWithoutEndRunsToTheEndOfTheSource)
{
    CVXMMediaImpl media;
    media.m_nDuration = 60000;
    media.m_nStartTime = 10000;
    EXPECT_EQ(media.GetClipLength(), 50000);
}

TEST(ClipLength, NeverNegative)
{
    CVXMMediaImpl media;
    media.m_nDuration = 60000;
    media.m_nStartTime = 30000;
    media.m_nEndTime = 20000;
    EXPECT_EQ(media.GetClipLength(), 0);
}

TEST(ClipLength, JoinCycleWrittenIntoTheListsEnds)
{
    CVXMMediaImpl a, b;
    a.m_nDuration = 1000;
    b.m_nDuration = 2000;
    a.m_lstJoin.push_back(&b);
    b.m_lstJoin.push_back(&a);
    EXPECT_EQ(a.GetClipLength(), 3000);
    EXPECT_EQ(b.GetClipLength(), 3000);
}

TEST(JoinList, SameMediaTwiceKeepsOneEntry)
{
    CVXMMediaImpl media, joined;
    media.AddJoinMedia(&joined);
    media.AddJoinMedia(&joined);
    EXPECT_EQ(media.m_lstJoin.size(), 1u);
    EXPECT_EQ(media.m_bHasJoinList, 1);
}

TEST(JoinList, RefusesJoinsThatLoopBack)
{
    CVXMMediaImpl a, b, c;
    a.AddJoinMedia(&a);
    EXPECT_TRUE(a.m_lstJoin.empty());
    EXPECT_EQ(a.m_bHasJoinList, 0);
    a.AddJoinMedia(&b);
    b.AddJoinMedia(&c);
    c.AddJoinMedia(&a);
    EXPECT_TRUE(c.m_lstJoin.empty());
    EXPECT_EQ(c.m_bHasJoinList, 0);
}

TEST(JoinList, ClearEmptiesListAndFlag)
{
    CVXMMediaImpl media, joined;
    media.AddJoinMedia(&joined);
    media.ClearJoinList();
    EXPECT_TRUE(media.m_lstJoin.empty());
    EXPECT_EQ(media.m_bHasJoinList, 0);
    EXPECT_EQ(joined.m_nMediaKind, 0);  // the joined media itself stays
}

TEST(ProbedTracks, AudioDisplayNameFromCodecRatesAndChannels)
{
    CVXMMediaImpl media;
    media.AddAudioTrack("eng", "Main", "aac", nullptr, nullptr, 2, 0, nullptr, 1, -1, 128000, 44100);
    ASSERT_EQ(media.GetAudioTrackCount(), 1);
    IVXMAudio* track = media.GetAudioTrackAt(0);
    EXPECT_EQ(track->GetDisplayName(), L"AAC 44 KHz 128 Kbps 2 CH");
    EXPECT_EQ(track->GetCodecName(), L"AAC");
    EXPECT_EQ(track->GetLanguage(), L"eng");
    EXPECT_EQ(track->GetLanguageText(), L"eng");
    EXPECT_EQ(track->GetId(), 1);
    EXPECT_EQ(track->GetSampleRate(), 44100);
}

TEST(ProbedTracks, TrackWithoutCodecOrLanguageStillGetsAName)
{
    CVXMMediaImpl media;
    media.AddAudioTrack(nullptr, nullptr, nullptr, nullptr, nullptr, 6, 0, nullptr, 3, -1, 0, 48000);
    EXPECT_EQ(media.GetAudioTrackAt(0)->GetDisplayName(), L" 48 KHz 0 Kbps 6 CH");
}

TEST(ProbedTracks, ThirdSubtitleIsNamedSubtitle3)
{
    CVXMMediaImpl media;
    media.AddSubtitle(nullptr, "eng", nullptr, 2, -1);
    media.AddSubtitle(nullptr, "fre", nullptr, 3, -1);
    media.AddSubtitle(nullptr, "ger", nullptr, 4, -1);
    ASSERT_EQ(media.GetSubtitleCount(), 3);
    EXPECT_EQ(media.GetSubtitleAt(2)->GetDisplayName(), L"Subtitle 3");
    EXPECT_EQ(media.GetSubtitleAt(2)->GetLanguageText(), L"ger");
    EXPECT_EQ(media.GetSubtitleAt(3), nullptr);
    EXPECT_EQ(media.GetSubtitleAt(-1), nullptr);
}

TEST(SelectedStreams, SelectedIdElseFirst)
{
    CVXMMediaImpl media;
    EXPECT_EQ(media.GetAudioTrack(), nullptr);
    media.AddAudioTrack(nullptr, nullptr, "mp3", nullptr, nullptr, 2, 0, nullptr, 1, -1, 0, 0);
    media.AddAudioTrack(nullptr, nullptr, "ac3", nullptr, nullptr, 2, 0, nullptr, 2, -1, 0, 0);
    EXPECT_EQ(media.GetAudioTrack()->GetId(), 1);
    media.m_nAudioTrackId = 2;
    EXPECT_EQ(media.GetAudioTrack()->GetId(), 2);
}

TEST(SelectedStreams, VideoByIndexElseFirstWithPicturesElseFirst)
{
    CVXMMediaImpl media;
    EXPECT_EQ(media.FindSelectedVideoStream(), nullptr);
    for (int i = 0; i < 3; ++i) {
        auto stream = std::make_unique<VXM_VIDEO_STREAM>();
        stream->m_nStreamIndex = i;
        stream->m_dFrameRate = i == 2 ? 25.0 : 0.0;
        media.m_lstVideo.push_back(std::move(stream));
    }
    media.m_nVideoStreamIndex = 1;
    EXPECT_EQ(media.FindSelectedVideoStream()->m_nStreamIndex, 1);
    media.m_nVideoStreamIndex = 9;
    EXPECT_EQ(media.FindSelectedVideoStream()->m_nStreamIndex, 2);
    media.m_lstVideo.back()->m_dFrameRate = 0.0;
    EXPECT_EQ(media.FindSelectedVideoStream()->m_nStreamIndex, 0);
}

TEST(SelectedStreams, SelectionBoundsFollowTheTrackCounts)
{
    CVXMMediaImpl media;
    media.AddAudioTrack(nullptr, nullptr, "aac", nullptr, nullptr, 2, 0, nullptr, 1, -1, 0, 0);
    EXPECT_EQ(media.SelectStreams(0, 1, 0), 0);
    EXPECT_EQ(media.GetSelectedAudioStream(), 1);
    EXPECT_EQ(media.SelectStreams(0, 2, 0), -1);
    EXPECT_EQ(media.GetSelectedAudioStream(), 1);
    EXPECT_EQ(media.SelectStreams(0, 0, 1), -1);
}

class Crop : public ::testing::Test {
protected:
    void SetUp() override
    {
        auto stream = std::make_unique<VXM_VIDEO_STREAM>();
        stream->m_nWidth = 640;
        stream->m_nHeight = 360;
        stream->m_dFrameRate = 25.0;
        m_media.m_lstVideo.push_back(std::move(stream));
    }
    CVXMMediaImpl m_media;
};

TEST_F(Crop, FullFrameIsNoCrop)
{
    m_media.m_nCropWidth = 640;
    m_media.m_nCropHeight = 360;
    EXPECT_EQ(m_media.IsCropped(), 0);
}

TEST_F(Crop, AllZeroIsNoCrop)
{
    EXPECT_EQ(m_media.IsCropped(), 0);
}

TEST_F(Crop, AnOffsetOrASmallerSizeIsACrop)
{
    m_media.m_nCropLeft = 8;
    EXPECT_EQ(m_media.IsCropped(), 1);
    m_media.m_nCropLeft = 0;
    m_media.m_nCropTop = 4;
    EXPECT_EQ(m_media.IsCropped(), 1);
    m_media.m_nCropTop = 0;
    m_media.m_nCropWidth = 600;
    m_media.m_nCropHeight = 360;
    EXPECT_EQ(m_media.IsCropped(), 1);
}

TEST(CropWithoutVideo, IsNoCrop)
{
    CVXMMediaImpl media;
    media.m_nCropLeft = 8;
    EXPECT_EQ(media.IsCropped(), 0);
}

TEST(PictureSettings, AdjustmentAnd3DState)
{
    CVXMMediaImpl media;
    EXPECT_EQ(media.HasPictureAdjustment(), 0);
    media.m_nEffectId = 3;
    EXPECT_EQ(media.HasPictureAdjustment(), 1);
    EXPECT_EQ(media.Get3DState(), -1);  // no 3D output by default
    media.m_n3DOutput = 12;
    EXPECT_EQ(media.Get3DState(), 0);
    media.m_n3DMode = 3;
    EXPECT_EQ(media.Get3DState(), 1);
    media.m_n3DDepth = 0;
    EXPECT_EQ(media.Get3DState(), -1);
}

TEST(PassLogFiles, BothFilesAreDeletedAndTheFieldEmptied)
{
    vxmtest::CTempDir dir;
    std::string log = dir.File("pass-0.log");
    WriteFile(log);
    WriteFile(log + ".mbtree");
    WriteFile(dir.File("other.log"));
    CVXMMediaImpl media;
    media.m_strPassLogFile = Wide(log);
    media.DeletePassLogFiles();
    EXPECT_FALSE(fs::exists(log));
    EXPECT_FALSE(fs::exists(log + ".mbtree"));
    EXPECT_TRUE(fs::exists(dir.File("other.log")));
    EXPECT_TRUE(media.m_strPassLogFile.empty());
}

TEST(PassLogFiles, MissingFilesOnlyEmptyTheField)
{
    vxmtest::CTempDir dir;
    CVXMMediaImpl media;
    media.m_strPassLogFile = Wide(dir.File("none.log"));
    media.DeletePassLogFiles();
    EXPECT_TRUE(media.m_strPassLogFile.empty());
}

int g_useSourceTime = 0;
int FakeUseSourceTime() { return g_useSourceTime; }

class SourceFileTimes : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_saved = g_EngineHooks;
        g_EngineHooks.pfnIsUseSrcFileTimeSet = &FakeUseSourceTime;
        WriteFile(m_dir.File("in.mp4"));
        WriteFile(m_dir.File("out.mp4"));
        m_old = fs::file_time_type::clock::now() - std::chrono::hours(24 * 400);
        fs::last_write_time(m_dir.File("in.mp4"), m_old);
        m_media.SetSourcePath(Wide(m_dir.File("in.mp4")));
        m_media.m_strOutputFile = Wide(m_dir.File("out.mp4"));
    }
    void TearDown() override { g_EngineHooks = m_saved; }
    VXM_ENGINE_HOOKS m_saved{};
    vxmtest::CTempDir m_dir;
    CVXMMediaImpl m_media;
    fs::file_time_type m_old;
};

TEST_F(SourceFileTimes, AreCopiedWhenTheSettingIsOn)
{
    g_useSourceTime = 1;
    m_media.CopySourceFileTimes();
    EXPECT_EQ(fs::last_write_time(m_dir.File("out.mp4")), m_old);
}

TEST_F(SourceFileTimes, StayWhenTheSettingIsOff)
{
    g_useSourceTime = 0;
    m_media.CopySourceFileTimes();
    EXPECT_NE(fs::last_write_time(m_dir.File("out.mp4")), m_old);
}

TEST_F(SourceFileTimes, AMissingOutputIsNotCreated)
{
    g_useSourceTime = 1;
    m_media.m_strOutputFile = Wide(m_dir.File("gone.mp4"));
    m_media.CopySourceFileTimes();
    EXPECT_FALSE(fs::exists(m_dir.File("gone.mp4")));
}

TEST(Paths, SourcePathIsSplitAndOutputFolderLosesItsLastSeparator)
{
    CVXMMediaImpl media;
    media.SetSourcePath(L"/home/u/My Videos/clip.final.mkv");
    EXPECT_EQ(media.GetSourceFolder(), L"/home/u/My Videos/");
    EXPECT_EQ(media.GetSourceTitle(), L"clip.final");
    EXPECT_EQ(media.GetSourceExtension(), L".mkv");
    media.SetSourcePath(L"");
    EXPECT_TRUE(media.GetSourceFolder().empty());
    EXPECT_TRUE(media.GetSourceTitle().empty());
    media.SetOutputFolder(L"/out/folder/");
    EXPECT_EQ(media.GetOutputFolder(), L"/out/folder");
    media.SetOutputFolder(L"C:\\out\\");
    EXPECT_EQ(media.GetOutputFolder(), L"C:\\out");
}

TEST(ExternalFiles, SubtitleExtensionsAreChecked)
{
    CVXMMediaImpl media;
    EXPECT_EQ(media.AddSubtitleFile(L"/s/movie.txt"), -1);
    EXPECT_EQ(media.AddSubtitleFile(L""), -1);
    EXPECT_EQ(media.GetSubtitleCount(), 0);
    EXPECT_EQ(media.AddSubtitleFile(L"/s/movie.srt"), 0);
    ASSERT_EQ(media.GetSubtitleCount(), 1);
    EXPECT_EQ(media.GetSubtitleAt(0)->GetDisplayName(), L"movie.srt");
}

TEST(ExternalFiles, OnlyAddedFilesCanBeRemoved)
{
    CVXMMediaImpl media;
    media.AddAudioTrack(nullptr, nullptr, "aac", nullptr, nullptr, 2, 0, nullptr, 1, -1, 0, 0);
    EXPECT_EQ(media.AddAudioFile(L"/a/dub.mp3"), 0);
    EXPECT_EQ(media.GetAudioTrackAt(1)->GetDisplayName(), L"dub.mp3");
    EXPECT_EQ(media.GetAudioTrackAt(1)->GetId(), -1);
    EXPECT_EQ(media.RemoveAudioFile(0), -1);
    EXPECT_EQ(media.RemoveAudioFile(2), -1);
    EXPECT_EQ(media.RemoveAudioFile(1), 0);
    EXPECT_EQ(media.GetAudioTrackCount(), 1);
}

}  // namespace
