// Jobs of one shared profile built on many threads at once: each build gets
// the frame size and encoder options of its own media, the same as when the
// builds run one at a time, and the profile's getters keep answering.
#include <gtest/gtest.h>

#include <atomic>
#include <latch>
#include <thread>

#include "job_fixture.h"
#include "support/test_media.h"

using namespace jobtest;

namespace {

struct Shape {
    ClipShape clip;
    int threads;  // the conversion's encoder share
};

// Sizes, rates and thread shares that differ from one media to the next.
const Shape kShapes[] = {
    {{160, 120, 25.0}, 4},  {{1280, 720, 50.0}, 8}, {{640, 352, 23.976}, 12},
    {{352, 288, 30.0}, 16}, {{1920, 1080, 60.0}, 2}, {{96, 64, 15.0}, 6},
};
constexpr int kShapeCount = static_cast<int>(std::size(kShapes));

class ParallelBuild : public ::testing::Test {
protected:
    ParallelBuild() : m_scope(m_dir.Path()) { m_scope.Manager().SetThreadLimit(8, 0); }

    std::string Source(int shape) const
    {
        return m_dir.File("in/clip_été_映像_🎬_" + std::to_string(shape) + ".mp4");
    }
    // The queue of one media built into folder, with the folder shown as <out>.
    std::vector<std::string> Build(COutputProfile* profile, int shape, const std::string& folder)
    {
        auto media = MakeMedia(Source(shape), folder, kShapes[shape].clip);
        media->m_nConvertThreads = kShapes[shape].threads;
        VXM_JOB_QUEUE queue;
        std::vector<std::string> lines;
        if (BuildMediaCommands(media.get(), profile, queue) != 0)
            lines.push_back("build failed");
        for (const auto& step : queue) {
            std::string line = N(step->strCmdLine);
            for (std::size_t at = line.find(folder); at != std::string::npos; at = line.find(folder, at))
                line.replace(at, folder.size(), "<out>");
            lines.push_back(line);
        }
        ReleaseOutputName(media->m_strOutputFile);  // the next round takes the same name
        return lines;
    }

    vxmtest::CTempDir m_dir;
    CManagerScope m_scope;
};

}  // namespace

TEST_F(ParallelBuild, EachBuildKeepsItsOwnSizeAndOptionsWhileGettersRead)
{
    ASSERT_TRUE(m_scope.Loaded());
    // MP4 with the source's size; AVI whose xvid aspect is the fitted frame's.
    m_scope.Settings().Expand2VideoSize = 0;
    std::vector<COutputProfile*> profiles = {m_scope.ById(0), m_scope.ById(5)};
    profiles[1]->SetAspect(L"Auto");

    std::vector<std::vector<std::string>> expected;
    for (COutputProfile* profile : profiles)
        for (int shape = 0; shape < kShapeCount; ++shape)
            expected.push_back(Build(profile, shape, m_dir.File("out_ref")));
    ASSERT_NE(expected[0], expected[1]);  // the media's own values make the difference
    ASSERT_NE(expected[kShapeCount], expected[kShapeCount + 1]);

    const std::wstring size = profiles[1]->GetVideoSize(), codec = profiles[1]->GetVideoCodec(),
                       bitrate = profiles[1]->GetVideoBitrate(), aspect = profiles[1]->GetAspect();

    constexpr int kThreads = 8;
    constexpr int kRounds = 20;
    std::latch start(kThreads + 1);
    std::atomic<int> running{kThreads};
    std::atomic<int> wrong{0};
    std::vector<std::string> firstWrong(kThreads);
    std::vector<std::thread> builders;
    for (int t = 0; t < kThreads; ++t) {
        builders.emplace_back([&, t] {
            const std::string folder = m_dir.File("out_ß_" + std::to_string(t));
            start.arrive_and_wait();
            for (int round = 0; round < kRounds; ++round) {
                for (int i = 0; i < kShapeCount * 2; ++i) {
                    const int job = (i + t + round) % (kShapeCount * 2);  // threads differ in order
                    const auto lines = Build(profiles[job / kShapeCount], job % kShapeCount, folder);
                    if (lines != expected[job] && wrong.fetch_add(1) == 0)
                        firstWrong[t] = lines.empty() ? "no steps" : lines.front();
                }
            }
            running.fetch_sub(1);
        });
    }
    int reads = 0, changed = 0;
    start.arrive_and_wait();
    while (running.load() > 0 || reads == 0) {
        ++reads;
        changed += profiles[1]->GetVideoSize() != size || profiles[1]->GetVideoCodec() != codec ||
                   profiles[1]->GetVideoBitrate() != bitrate || profiles[1]->GetAspect() != aspect;
    }
    for (std::thread& builder : builders)
        builder.join();

    std::string firstSeen;
    for (const std::string& line : firstWrong)
        firstSeen += line;
    EXPECT_EQ(wrong.load(), 0) << firstSeen;
    EXPECT_EQ(changed, 0) << "of " << reads << " reads";
    // Building one at a time afterwards still gives the same queues.
    for (std::size_t job = 0; job < expected.size(); ++job)
        EXPECT_EQ(Build(profiles[job / kShapeCount], static_cast<int>(job % kShapeCount), m_dir.File("out_ref")),
                  expected[job]);
}

// The raw-stream route encodes in one pass: that is the build's choice, the
// user's two passes stay for the next job.
TEST_F(ParallelBuild, ABuildsOnePassChoiceStaysWithTheBuild)
{
    m_scope.Settings().UseNVidiaCUDA = 1;  // no device here: the route is chosen, the hardware is not
    COutputProfile* profile = m_scope.ById(0);
    profile->SetEncodePass(L"2");
    const auto lines = Build(profile, 1, m_dir.File("out_ref"));
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].find("-pass "), std::string::npos) << lines[0];
    EXPECT_EQ(profile->GetEncodePass(), L"2");
}
