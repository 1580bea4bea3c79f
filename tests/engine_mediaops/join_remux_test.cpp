// Remux to MP4 and join: messages, output names and real runs on test clips.
#include "CmdOpts.h"
#include "VXMMediaImpl.h"
#include "mediaops_support.h"
#include "support/test_media.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>

using namespace mediaopstest;
namespace fs = std::filesystem;

namespace {

class JoinRemux : public ::testing::Test {
protected:
    vxmtest::CTempDir m_dir;
    CRecordingWindow m_window;
};

TEST_F(JoinRemux, JoinOfNothingPostsNothing)
{
    CVXMMediaImpl media;
    media.SetSourcePath(W(vxmtest::GetTestMedia().mp4));
    media.Join({}, W(m_dir.Path()), m_window.Get());
    m_window.Pump();
    EXPECT_TRUE(m_window.Messages().empty());
}

TEST_F(JoinRemux, JoinOfTwoClipsLastsTheirSum)
{
    const auto& clips = vxmtest::GetTestMedia();
    CVXMMediaImpl first, second;
    first.SetSourcePath(W(clips.mp4));
    second.SetSourcePath(W(clips.mp4));
    first.Join({&second}, W(m_dir.Path()), m_window.Get());
    ASSERT_TRUE(m_window.WaitFor(WM_VXM_JOIN_FINISHED));
    const CPosted& done = m_window.Messages().front();
    ASSERT_EQ(done.wParam, 0);
    const std::string out = N(done.text);
    EXPECT_EQ(fs::path(out).parent_path(), fs::path(m_dir.Path()));
    EXPECT_NE(out.find("_join_"), std::string::npos);
    EXPECT_EQ(fs::path(out).extension(), ".mp4");
    const int one = ProbeDurationMs(clips.mp4);
    const int joined = ProbeDurationMs(out);
    ASSERT_GT(one, 0);
    EXPECT_NEAR(joined, 2 * one, 100);
    EXPECT_EQ(m_window.CountOf(WM_VXM_JOIN_SUCCEEDED), 2);
    // Nothing but the output is left behind (the list is gone).
    int files = 0;
    for (const auto& entry : fs::directory_iterator(m_dir.Path()))
        files += entry.is_regular_file();
    EXPECT_EQ(files, 1);
}

TEST_F(JoinRemux, JoinOfFilesWithQuotesInTheirNames)
{
    const std::string source = m_dir.File("it's \"one\".mp4");
    fs::copy_file(vxmtest::GetTestMedia().mp4, source);
    const std::string out = m_dir.File("out");
    fs::create_directory(out);
    CVXMMediaImpl first, second;
    first.SetSourcePath(W(source));
    second.SetSourcePath(W(source));
    first.Join({&second}, W(out), m_window.Get());
    ASSERT_TRUE(m_window.WaitFor(WM_VXM_JOIN_FINISHED));
    const CPosted& done = m_window.Messages().front();
    ASSERT_EQ(done.wParam, 0);
    EXPECT_EQ(N(done.text).rfind(out + "/it's \"one\"_join_", 0), 0u) << N(done.text);
    EXPECT_NEAR(ProbeDurationMs(N(done.text)), 2 * ProbeDurationMs(source), 100);
}

TEST_F(JoinRemux, FailedJoinLeavesUserFilesAndReportsTheCode)
{
    // A user file where a join output could go stays as it was.
    const std::string keep = m_dir.File("keep.mp4");
    std::ofstream(keep) << "user data";
    CVXMMediaImpl first, second;
    first.SetSourcePath(W(m_dir.File("missing.mp4")));
    second.SetSourcePath(W(m_dir.File("also missing.mp4")));
    first.Join({&second}, W(m_dir.Path()), m_window.Get());
    ASSERT_TRUE(m_window.WaitFor(WM_VXM_JOIN_FINISHED));
    EXPECT_NE(m_window.Messages().front().wParam, 0);
    EXPECT_EQ(m_window.CountOf(WM_VXM_JOIN_SUCCEEDED), 0);
    std::ifstream in(keep);
    std::string text;
    std::getline(in, text);
    EXPECT_EQ(text, "user data");
    int files = 0;
    for (const auto& entry : fs::directory_iterator(m_dir.Path()))
        files += entry.is_regular_file();
    EXPECT_EQ(files, 1);  // the partial output went
}

TEST_F(JoinRemux, JoinsNeverShareAnOutput)
{
    CRecordingSeam seam(0);
    CVXMMediaImpl first, second;
    first.SetSourcePath(L"/media/a.mp4");
    second.SetSourcePath(L"/media/b.mp4");
    first.Join({&second}, W(m_dir.Path()), m_window.Get());
    first.Join({&second}, W(m_dir.Path()), m_window.Get());
    m_window.Pump();
    ASSERT_EQ(m_window.CountOf(WM_VXM_JOIN_FINISHED), 2);
    std::vector<std::wstring> outputs;
    for (const CPosted& posted : m_window.Messages())
        if (posted.message == WM_VXM_JOIN_FINISHED)
            outputs.push_back(posted.text);
    EXPECT_NE(outputs[0], outputs[1]);
    auto lines = seam.Lines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].rfind(ToolPrefix(L"ffmpeg") + L" -f concat -safe 0 -i \"", 0), 0u) << N(lines[0]);
}

TEST_F(JoinRemux, RemuxLineAndItsEnd)
{
    CRecordingSeam seam(0);
    CVXMMediaImpl media;
    const std::string source = m_dir.File("clip \"one\".avi");
    std::ofstream(source) << "stand-in";
    media.SetSourcePath(W(source));
    media.RemuxToMP4(L"/media/dub.m4a", W(m_dir.Path()), m_window.Get());
    ASSERT_TRUE(m_window.WaitFor(WM_VXM_JOB_FINISHED));
    auto lines = seam.Lines();
    ASSERT_EQ(lines.size(), 2u);  // the probe, then the remux
    const std::wstring out = W(m_dir.File("clip \"one\".mp4"));
    const std::wstring quotedDir = L"\"file:" + W(m_dir.Path());
    EXPECT_EQ(lines[1], ToolPrefix(L"ffmpeg") + L" -i " + quotedDir + L"/clip \\\"one\\\".avi\" -i \"file:/media/dub.m4a\"" +
                            L" -vcodec copy -acodec aac \"" + W(m_dir.Path()) + L"/clip \\\"one\\\".mp4\"")
        << N(lines[1]);
    EXPECT_EQ(media.GetOutputPath(), out);
    EXPECT_EQ(m_window.CountOf(WM_VXM_JOB_STEP_STARTED), 1);
    for (const CPosted& posted : m_window.Messages())
        if (posted.message == WM_VXM_JOB_FINISHED) {
            EXPECT_EQ(posted.wParam, 0);
        }
}

TEST_F(JoinRemux, FailedRemuxPostsItsEndWithTheCode)
{
    CRecordingSeam seam(1);
    CVXMMediaImpl media;
    std::ofstream(m_dir.File("clip.avi")) << "stand-in";
    media.SetSourcePath(W(m_dir.File("clip.avi")));
    media.RemuxToMP4(L"", W(m_dir.Path()), m_window.Get());
    ASSERT_TRUE(m_window.WaitFor(WM_VXM_JOB_FINISHED));
    for (const CPosted& posted : m_window.Messages())
        if (posted.message == WM_VXM_JOB_FINISHED) {
            EXPECT_NE(posted.wParam, 0);
        }
    EXPECT_EQ(media.m_pConvertRunner, nullptr);
}

TEST_F(JoinRemux, RemuxToMp4KeepsTheStreams)
{
    const auto& clips = vxmtest::GetTestMedia();
    CVXMMediaImpl media;
    media.SetSourcePath(W(clips.mkv));
    media.SetOutputName(L"remuxed");
    media.RemuxToMP4(L"", W(m_dir.Path()), m_window.Get());
    ASSERT_TRUE(m_window.WaitFor(WM_VXM_JOB_FINISHED));
    for (const CPosted& posted : m_window.Messages())
        if (posted.message == WM_VXM_JOB_FINISHED) {
            ASSERT_EQ(posted.wParam, 0);
        }
    const std::string out = m_dir.File("remuxed.mp4");
    ASSERT_EQ(N(media.GetOutputPath()), out);
    EXPECT_EQ(CountStreams(out, "v"), CountStreams(clips.mkv, "v"));
    EXPECT_EQ(CountStreams(out, "a"), CountStreams(clips.mkv, "a"));
    EXPECT_NEAR(ProbeDurationMs(out), ProbeDurationMs(clips.mkv), 100);
}

TEST_F(JoinRemux, RemuxNeverWritesOverAnExistingFile)
{
    const std::string taken = m_dir.File("clip.mp4");
    std::ofstream(taken) << "user data";
    CRecordingSeam seam(0);
    CVXMMediaImpl media;
    std::ofstream(m_dir.File("clip.avi")) << "stand-in";
    media.SetSourcePath(W(m_dir.File("clip.avi")));
    media.RemuxToMP4(L"", W(m_dir.Path()), m_window.Get());
    ASSERT_TRUE(m_window.WaitFor(WM_VXM_JOB_FINISHED));
    EXPECT_NE(N(media.GetOutputPath()), taken);
}

}  // namespace
