// Job records made from options objects, and the runner's queue.
#include <gtest/gtest.h>

#include "CmdOpts.h"
#include "fake_tools.h"

namespace {

class CFFMpegOptsVariant : public CFFMpegOpts {};

template <class T>
int TypeOfRecord()
{
    VXM_JOB_QUEUE queue;
    T opts;
    opts.AddJobCommand(queue, PASS_PLAIN);
    return queue.empty() ? -100 : queue.back()->nType;
}

TEST(JobRecords, JobTypeFollowsTheExactClass)
{
    CFakeToolFolder tools;
    EXPECT_EQ(TypeOfRecord<CCmdOpts>(), JOB_TYPE_PROCESS);
    EXPECT_EQ(TypeOfRecord<CFFMpegOpts>(), JOB_TYPE_FFMPEG);
    EXPECT_EQ(TypeOfRecord<CSysCmdOpts>(), JOB_TYPE_PROCESS);
    EXPECT_EQ(TypeOfRecord<CMP4CreatorOpts>(), JOB_TYPE_MP4CREATOR);
    EXPECT_EQ(TypeOfRecord<CMP4BoxOpts>(), JOB_TYPE_MP4BOX);
    EXPECT_EQ(TypeOfRecord<CWMVOpts>(), JOB_TYPE_WMV);
    EXPECT_EQ(TypeOfRecord<CFLVOpts>(), JOB_TYPE_FLV);
    EXPECT_EQ(TypeOfRecord<CAPEOpts>(), JOB_TYPE_APE);
    EXPECT_EQ(TypeOfRecord<CTsMuxeROpts>(), JOB_TYPE_PROCESS);
    EXPECT_EQ(TypeOfRecord<CQTFastStartOpts>(), JOB_TYPE_PROCESS);
    EXPECT_EQ(TypeOfRecord<CFFMpegOptsVariant>(), JOB_TYPE_PROCESS);
}

TEST(JobRecords, RecordCarriesItsFieldsAndTheFinishedLine)
{
    CFakeToolFolder tools;
    VXM_JOB_QUEUE queue;
    auto* media = reinterpret_cast<CVXMMediaBase*>(0x1000);
    CFFMpegOpts ff;
    ff.SetInput(L"/in.mp4");
    ff.SetOption(L"-ss", L"5");
    ff.AddJobCommand(queue, PASS_ENCODE_2, L"/in.mp4", media, 1, L"/out.mp4", 8);
    ff.AddJobCommand(queue, PASS_MUX);
    ASSERT_EQ(queue.size(), 2u);
    const VXM_JOB_COMMAND& r = *queue[0];
    EXPECT_EQ(r.nType, JOB_TYPE_FFMPEG);
    EXPECT_EQ(r.strCmdLine, L"\"" + tools.Tool(L"ffmpeg") + L"\" -i \"/in.mp4\" -ss 5");
    EXPECT_EQ(r.nPassKind, PASS_ENCODE_2);
    EXPECT_EQ(r.strInput, L"/in.mp4");
    EXPECT_EQ(r.strOutput, L"/out.mp4");
    EXPECT_EQ(r.nFlag, 1);
    EXPECT_EQ(r.nExtra, 8);
    EXPECT_EQ(r.pMedia, media);
    // The object lost its seek option with the first record.
    const VXM_JOB_COMMAND& s = *queue[1];
    EXPECT_EQ(s.strCmdLine, L"\"" + tools.Tool(L"ffmpeg") + L"\" -i \"/in.mp4\"");
    EXPECT_TRUE(s.strInput.empty());
    EXPECT_TRUE(s.strOutput.empty());
    EXPECT_EQ(s.pMedia, nullptr);
    EXPECT_EQ(s.nFlag, 0);
}

VXM_JOB_QUEUE QueueOf(std::initializer_list<std::pair<const wchar_t*, int>> steps)
{
    VXM_JOB_QUEUE queue;
    for (const auto& [line, kind] : steps) {
        auto r = std::make_unique<VXM_JOB_COMMAND>();
        r->strCmdLine = line;
        r->nPassKind = kind;
        queue.push_back(std::move(r));
    }
    return queue;
}

TEST(JobQueue, PopJobTakesStepsInQueueOrder)
{
    VXM_JOB_QUEUE queue = QueueOf({{L"one", PASS_ENCODE_1}, {L"two", PASS_ENCODE_2}, {L"three", PASS_MUX}});
    std::unique_ptr<VXM_JOB_COMMAND> current;
    BOOL track = -1;
    std::vector<std::wstring> seen;
    VXM_JOB_COMMAND out;
    while (!queue.empty()) {
        ASSERT_TRUE(PopJob(queue, current, track, out));
        ASSERT_TRUE(current);
        EXPECT_EQ(current->strCmdLine, out.strCmdLine);
        seen.push_back(out.strCmdLine);
    }
    EXPECT_EQ(seen, (std::vector<std::wstring>{L"one", L"two", L"three"}));
    EXPECT_EQ(out.nPassKind, PASS_MUX);
    EXPECT_FALSE(PopJob(queue, current, track, out));
    EXPECT_EQ(current->strCmdLine, L"three");
}

TEST(JobQueue, SubtitleAndThumbnailStepsAreNotTracked)
{
    VXM_JOB_QUEUE queue =
        QueueOf({{L"a", PASS_SUBTITLE}, {L"b", PASS_PLAIN}, {L"c", PASS_THUMBNAIL}, {L"d", PASS_JOIN}});
    std::unique_ptr<VXM_JOB_COMMAND> current;
    BOOL track = -1;
    VXM_JOB_COMMAND out;
    std::vector<BOOL> tracked;
    while (PopJob(queue, current, track, out))
        tracked.push_back(track);
    EXPECT_EQ(tracked, (std::vector<BOOL>{FALSE, TRUE, FALSE, TRUE}));
}

TEST(JobQueue, FrontRecordWithoutLineChangesNothing)
{
    VXM_JOB_QUEUE queue = QueueOf({{L"", PASS_PLAIN}, {L"next", PASS_PLAIN}});
    auto current = std::make_unique<VXM_JOB_COMMAND>();
    current->strCmdLine = L"running";
    BOOL track = TRUE;
    VXM_JOB_COMMAND out;
    out.strCmdLine = L"kept";
    EXPECT_FALSE(PopJob(queue, current, track, out));
    EXPECT_EQ(queue.size(), 2u);
    EXPECT_EQ(current->strCmdLine, L"running");
    EXPECT_EQ(out.strCmdLine, L"kept");
    EXPECT_EQ(track, TRUE);
}

TEST(JobQueue, ClearJobQueueFreesEverything)
{
    VXM_JOB_QUEUE queue = QueueOf({{L"a", 0}, {L"b", 0}});
    ClearJobQueue(queue);
    EXPECT_TRUE(queue.empty());
    EXPECT_EQ(queue.capacity(), 0u);
}

}  // namespace
