// The command lines the file media object gives its runners, recorded at the
// runner's entry instead of running a tool.
#include "CmdOpts.h"
#include "MediaRunners.h"
#include "SplitCommandLine.h"
#include "VXMMediaImpl.h"
#include "mediaops_support.h"
#include "support/test_media.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

using namespace mediaopstest;

namespace {

std::wstring Prefix()
{
    return ToolPrefix(L"ffmpeg");
}

class CommandLines : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_media.SetSourcePath(L"/media/clips/holiday.mp4");
        m_media.m_nDuration = 60000;
        m_media.m_bHasVideo = 1;
    }
    std::wstring OnlyLine(const CRecordingSeam& seam)
    {
        auto lines = seam.Lines();
        EXPECT_EQ(lines.size(), 1u);
        return lines.empty() ? std::wstring() : lines.front();
    }
    std::wstring PreviewLine()
    {
        CRecordingSeam seam;
        EXPECT_EQ(m_media.StartPreview(nullptr), 0);
        m_media.StopPreview();
        return OnlyLine(seam);
    }

    CVXMMediaImpl m_media;
    vxmtest::CTempDir m_dir;
};

TEST_F(CommandLines, ProbeRunsTheSourceAndReturnsTheToolsCode)
{
    CRecordingSeam seam(3);
    EXPECT_EQ(m_media.Probe(), 3);
    EXPECT_EQ(OnlyLine(seam), Prefix() + L" -i \"file:/media/clips/holiday.mp4\"");
    EXPECT_EQ(m_media.m_pProbeRunner, nullptr);
}

TEST_F(CommandLines, ProbeAppendsTheInputOptions)
{
    CRecordingSeam seam;
    m_media.m_strInputOptions = L"-f libcdio";
    EXPECT_EQ(m_media.Probe(), 0);
    EXPECT_EQ(OnlyLine(seam), Prefix() + L" -i \"/media/clips/holiday.mp4\" -f libcdio");
}

TEST_F(CommandLines, QuotesInPathsStayOneArgument)
{
    const std::wstring path = L"/media/a \"quoted\" name.mp4";
    m_media.SetSourcePath(path);
    m_media.m_strThumbnailPath = L"/tmp/it's \"thumb\".jpg";
    CRecordingSeam seam;
    m_media.Probe();
    m_media.MakeThumbnail(1, 80, 60);
    auto lines = seam.Lines();
    ASSERT_EQ(lines.size(), 2u);
    auto probeArgs = SplitCommandLine(lines[0]);
    ASSERT_GE(probeArgs.size(), 3u);
    EXPECT_EQ(probeArgs[2], L"file:" + path);
    auto thumbArgs = SplitCommandLine(lines[1]);
    EXPECT_EQ(thumbArgs.back(), m_media.m_strThumbnailPath);
}

TEST_F(CommandLines, ThumbnailLine)
{
    m_media.m_strThumbnailPath = L"/tmp/t.jpg";
    CRecordingSeam seam;
    EXPECT_EQ(m_media.MakeThumbnail(3, 120, 90), 0);
    EXPECT_EQ(OnlyLine(seam),
              Prefix() + L" -threads 1 -ss 3 -i \"file:/media/clips/holiday.mp4\" -threads 1 -vframes 1 -s 120x90 -y \"/tmp/t.jpg\"");
    EXPECT_EQ(m_media.m_pThumbnailRunner, nullptr);
}

TEST_F(CommandLines, ThumbnailWithoutSizeTakesTheSmallSize)
{
    m_media.m_strThumbnailPath = L"/tmp/t.jpg";
    CRecordingSeam seam;
    m_media.MakeThumbnail(3, 0, 90);
    EXPECT_NE(OnlyLine(seam).find(L" -s 60x40 "), std::wstring::npos);
}

TEST(ThumbnailSeek, SecondsAndTheClipLengthCompareInLikeUnits)
{
    EXPECT_EQ(ThumbnailSeekSeconds(3, 60000), 3);
    EXPECT_EQ(ThumbnailSeekSeconds(59, 60000), 59);
    EXPECT_EQ(ThumbnailSeekSeconds(60, 60000), 5);     // at the end: outside
    EXPECT_EQ(ThumbnailSeekSeconds(500, 60000), 5);    // in ms it would have looked inside
    EXPECT_EQ(ThumbnailSeekSeconds(1, 1000), 0);       // a 1-second clip: its start
    EXPECT_EQ(ThumbnailSeekSeconds(-4, 60000), 5);
    EXPECT_EQ(ThumbnailSeekSeconds(5, 5000), 0);
}

TEST_F(CommandLines, PreviewOfAudioOnlySourceHasNoPicture)
{
    m_media.m_bHasVideo = 0;
    const std::wstring line = PreviewLine();
    EXPECT_NE(line.find(L" -vn"), std::wstring::npos);
    EXPECT_NE(line.find(L" -nodisp"), std::wstring::npos);
}

TEST_F(CommandLines, PreviewTrimInSeconds)
{
    m_media.m_nSourceLength = 60000;
    m_media.m_nStartTime = 10000;
    m_media.m_nEndTime = 25000;
    for (const int length : {60000, 15000}) {  // a trim, and a row of its own (a cue track)
        m_media.m_nDuration = length;
        const std::wstring line = PreviewLine();
        EXPECT_NE(line.find(L"-ss 10.000"), std::wstring::npos) << N(line);
        EXPECT_NE(line.find(L"-t 15.000"), std::wstring::npos) << N(line);
        EXPECT_EQ(line.find(L"-vn"), std::wstring::npos);
    }
}

TEST_F(CommandLines, PreviewWithoutTrimPlaysTheWholeSource)
{
    const std::wstring line = PreviewLine();
    EXPECT_EQ(line, Prefix() + L" -i \"file:/media/clips/holiday.mp4\"") << N(line);
}

TEST_F(CommandLines, StreamChoiceChangesThePreviewJob)
{
    for (int id : {1, 2}) {
        auto track = std::make_unique<VXM_AUDIO_TRACK>();
        track->m_nId = id;
        m_media.m_lstAudio.push_back(std::move(track));
    }
    ASSERT_EQ(m_media.SelectStreams(-1, 0, -1), 0);
    EXPECT_NE(PreviewLine().find(L"-ast 1"), std::wstring::npos);
    ASSERT_EQ(m_media.SelectStreams(-1, 1, -1), 0);
    const std::wstring line = PreviewLine();
    EXPECT_NE(line.find(L"-ast 2"), std::wstring::npos) << N(line);
    EXPECT_EQ(line.find(L"-ast 1"), std::wstring::npos);
}

TEST_F(CommandLines, ExternalAudioFileIsPlayedBesideTheSource)
{
    auto track = std::make_unique<VXM_AUDIO_TRACK>();
    track->m_nId = 1;
    m_media.m_lstAudio.push_back(std::move(track));
    ASSERT_EQ(m_media.AddAudioFile(L"/music/it's \"dub\".mp3"), 0);
    ASSERT_EQ(m_media.GetAudioTrackCount(), 2);
    ASSERT_EQ(m_media.SelectStreams(-1, 1, -1), 0);
    const std::wstring line = PreviewLine();
    auto args = SplitCommandLine(line);
    auto at = std::find(args.begin(), args.end(), L"-extaudio");
    ASSERT_NE(at, args.end()) << N(line);
    ASSERT_NE(at + 1, args.end());
    EXPECT_EQ(*(at + 1), L"file:/music/it's \"dub\".mp3");
    EXPECT_NE(std::find(args.begin(), args.end(), L"-an"), args.end());
}

TEST_F(CommandLines, ExternalSubtitleFileIsBurnedIntoThePreview)
{
    ASSERT_EQ(m_media.AddSubtitleFile(L"/subs/holiday.srt"), 0);
    ASSERT_EQ(m_media.SelectStreams(-1, -1, 0), 0);
    const std::wstring line = PreviewLine();
    EXPECT_NE(line.find(L"-vf"), std::wstring::npos) << N(line);
    EXPECT_NE(line.find(L"subtitles='"), std::wstring::npos) << N(line);
    EXPECT_NE(line.find(L"holiday.srt"), std::wstring::npos) << N(line);
    m_media.m_bNoSubtitle = 1;
    EXPECT_EQ(PreviewLine().find(L"subtitles="), std::wstring::npos);
}

TEST_F(CommandLines, NoAudioSilencesThePreview)
{
    m_media.m_bNoAudio = 1;
    auto args = SplitCommandLine(PreviewLine());
    EXPECT_NE(std::find(args.begin(), args.end(), L"-an"), args.end());
}

TEST_F(CommandLines, MissingEffectLibraryDropsOnlyTheEffect)
{
    m_media.m_nEffectId = 4;
    CRecordingSeam seam;
    EXPECT_EQ(m_media.StartPreview(nullptr), 0);
    m_media.StopPreview();
    EXPECT_EQ(seam.Lines().size(), 1u);
}

TEST_F(CommandLines, JoinLine)
{
    const std::wstring line = BuildJoinCommandLine(L"/tmp/merge-1.txt", L"/out/a_join_7.mp4");
    EXPECT_EQ(line, Prefix() + L" -f concat -safe 0 -i \"/tmp/merge-1.txt\" -c copy -y \"/out/a_join_7.mp4\"");
}

}  // namespace
