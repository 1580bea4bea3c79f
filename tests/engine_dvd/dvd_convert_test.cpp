// DVD titles read through the DVD input by the engine's own runs: probe,
// thumbnail, conversion to MP4 and preview.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "../profiles_jobs/job_fixture.h"
#include "VXMDVDTitle.h"
#include "VXMMediaExports.h"
#include "VXMMessages.h"
#include "dvd_fixture.h"
#include "ffplay.h"
#include "support/test_media.h"

using dvdtest::CNotifyWindow;
using dvdtest::TestDvd;

namespace {

class DvdTitleRuns : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(TestDvd().empty());
        CNotifyWindow window;
        IVXMDVDFile* source = CreateVXMDVDFileObject();
        source->SetPath(Utf8ToWide(TestDvd()));
        source->Open(window.Get());
        ASSERT_TRUE(window.WaitFor(WM_VXM_DVD_PARSED));
        ASSERT_EQ(source->GetTitleCount(), 2);
        for (unsigned i = 0; i < 2; ++i)
            m_titles[i].reset(dynamic_cast<CVXMDVDTitleImpl*>(source->GetTitleAt(i)));
        source->Release();
    }

    CVXMDVDTitleImpl& Title(int index) { return *m_titles[index]; }

    std::unique_ptr<CVXMDVDTitleImpl> m_titles[2];
    vxmtest::CTempDir m_dir;
};

TEST_F(DvdTitleRuns, EachTitleConvertsToMp4WithItsLength)
{
    jobtest::CManagerScope scope(m_dir.Path());
    ASSERT_TRUE(scope.Loaded());
    const double seconds[] = {dvdtest::kTitle1Seconds, dvdtest::kTitle2Seconds};
    for (int i = 0; i < 2; ++i) {
        CNotifyWindow window;
        Title(i).SetOutputFolder(Utf8ToWide(m_dir.Path()));
        Title(i).StartConvert(scope.ById(0), window.Get(), 0);
        ASSERT_TRUE(window.WaitFor(WM_VXM_JOB_FINISHED)) << "title " << i + 1;
        EXPECT_EQ(window.Last(WM_VXM_JOB_FINISHED), 0) << "title " << i + 1;
        const std::string output = WideToUtf8(Title(i).GetOutputPath());
        EXPECT_EQ(std::filesystem::path(output).extension(), ".mp4");
        EXPECT_NEAR(dvdtest::FileSeconds(output), seconds[i], 0.5) << output;
    }
}

TEST_F(DvdTitleRuns, AChapterOfATitleConvertsAlone)
{
    jobtest::CManagerScope scope(m_dir.Path());
    ASSERT_TRUE(scope.Loaded());
    ASSERT_EQ(Title(1).SetChapterRange(3, 0), 0);
    CNotifyWindow window;
    Title(1).SetOutputFolder(Utf8ToWide(m_dir.Path()));
    Title(1).StartConvert(scope.ById(0), window.Get(), 0);
    ASSERT_TRUE(window.WaitFor(WM_VXM_JOB_FINISHED));
    EXPECT_EQ(window.Last(WM_VXM_JOB_FINISHED), 0);
    const double expected = Title(1).GetDuration() / 1000.0 - Title(1).GetChapterAt(2)->GetStartTime();
    EXPECT_NEAR(dvdtest::FileSeconds(WideToUtf8(Title(1).GetOutputPath())), expected, 0.2);
}

TEST_F(DvdTitleRuns, ProbeReportsItsRealResultAndKeepsTheTitlesChoice)
{
    EXPECT_EQ(Title(1).Probe(), 0);
    EXPECT_NEAR(Title(1).m_nDuration / 1000.0, dvdtest::kTitle2Seconds, 0.5);
    EXPECT_EQ(Title(1).GetAudioTrackId(), 0x80);
    ASSERT_NE(Title(1).GetAudioTrack(), nullptr);

    // The disc gone: the probe fails and says so.
    Title(0).m_strDiscPath = Utf8ToWide(m_dir.File("gone"));
    EXPECT_NE(Title(0).Probe(), 0);
    EXPECT_NEAR(Title(0).GetDuration() / 1000.0, dvdtest::kTitle1Seconds, 0.5);
}

TEST_F(DvdTitleRuns, ThumbnailIsWrittenOrItsFailureReported)
{
    const std::string thumb = m_dir.File("thumb.jpg");
    Title(1).SetThumbnailPath(Utf8ToWide(thumb));
    EXPECT_EQ(Title(1).MakeThumbnail(1, 80, 60), 0);
    EXPECT_TRUE(std::filesystem::exists(thumb));

    const std::string missing = m_dir.File("none.jpg");
    Title(0).SetThumbnailPath(Utf8ToWide(missing));
    Title(0).m_strDiscPath = Utf8ToWide(m_dir.File("gone"));
    EXPECT_NE(Title(0).MakeThumbnail(1, 80, 60), 0);
    EXPECT_FALSE(std::filesystem::exists(missing));
}

TEST_F(DvdTitleRuns, PreviewPlaysTheTitleAndStops)
{
    CNotifyWindow window;
    ASSERT_EQ(Title(1).SelectStreams(-1, 1, -1), 0);  // the second ("de") track
    ASSERT_EQ(Title(1).StartPreview(window.Get()), 0);
    bool moving = false;
    while (!moving) {
        moving = ffplay_status().running && Title(1).GetPreviewPosition() > 0.3f;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_TRUE(moving);
    EXPECT_NE(Title(1).GetPreviewState(), 0);
    Title(1).AdjustPreview(FFPLAY_EVENT_BRIGHTNESS, 10);
    Title(1).StopPreview();
    EXPECT_EQ(Title(1).GetPreviewState(), 0);
    EXPECT_EQ(Title(1).m_pPreviewRunner, nullptr);
    EXPECT_TRUE(window.WaitFor(WM_VXM_PLAY_FINISHED));
}

TEST_F(DvdTitleRuns, ADiscPathWithQuotesStaysOnePathInEveryLine)
{
    // The same disc under a name that would end a quoted argument.
    const std::string disc = m_dir.File("my \"disc\" -y -i x");
    std::filesystem::copy(TestDvd(), disc, std::filesystem::copy_options::recursive);
    jobtest::CManagerScope scope(m_dir.Path());
    ASSERT_TRUE(scope.Loaded());
    Title(0).m_strDiscPath = Utf8ToWide(disc);

    const std::string thumb = m_dir.File("thumb.jpg");
    Title(0).SetThumbnailPath(Utf8ToWide(thumb));
    EXPECT_EQ(Title(0).MakeThumbnail(1, 80, 60), 0);
    EXPECT_TRUE(std::filesystem::exists(thumb));

    CNotifyWindow window;
    Title(0).SetOutputFolder(Utf8ToWide(m_dir.Path()));
    Title(0).StartConvert(scope.ById(0), window.Get(), 0);
    ASSERT_TRUE(window.WaitFor(WM_VXM_JOB_FINISHED));
    EXPECT_EQ(window.Last(WM_VXM_JOB_FINISHED), 0);
    EXPECT_NEAR(dvdtest::FileSeconds(WideToUtf8(Title(0).GetOutputPath())), dvdtest::kTitle1Seconds, 0.5);
}

}  // namespace
