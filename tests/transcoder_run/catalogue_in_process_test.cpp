// Every profile of the shipped catalogue converts the standard clip in
// process, the way the job runner runs its steps, and the output holds what
// Debian's ffmpeg makes of the same job queue: same streams, codecs, encoder
// and colour tags, sizes, frame counts and durations.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <thread>

#include "../profiles_jobs/job_fixture.h"
#include "run_support.h"
#include "support/test_media.h"

using namespace jobtest;

namespace {

struct Outcome {
    std::string profile;
    bool skipped = false;
    std::string failure;
};

// Builds the profile's queue for a clip whose outputs go to `folder`.
bool BuildQueue(COutputProfile* profile, const std::string& folder, VXM_JOB_QUEUE& queue, std::string& output)
{
    auto media = MakeMedia(vxmtest::GetTestMedia().mp4, folder);
    if (BuildMediaCommands(media.get(), profile, queue) != 0 || queue.empty()) return false;
    output = N(media->m_strOutputFile);
    return true;
}

std::string CompareOutputs(const std::string& ours, const std::string& theirs)
{
    auto a = runtest::Probe(ours);
    auto b = runtest::Probe(theirs);
    if (b.empty()) return "ffmpeg's output does not open";
    if (a.size() != b.size()) return "stream count " + std::to_string(a.size()) + " vs " + std::to_string(b.size());
    std::string problems;
    for (size_t i = 0; i < a.size(); i++) {
        const std::string s = " stream " + std::to_string(i) + ":";
        if (a[i].type != b[i].type) problems += s + " type " + a[i].type + " vs " + b[i].type;
        if (a[i].codec != b[i].codec) problems += s + " codec " + a[i].codec + " vs " + b[i].codec;
        if (a[i].encoder != b[i].encoder) problems += s + " encoder " + a[i].encoder + " vs " + b[i].encoder;
        if (a[i].colour != b[i].colour) problems += s + " colour " + a[i].colour + " vs " + b[i].colour;
        if (a[i].width != b[i].width || a[i].height != b[i].height)
            problems += s + " size " + std::to_string(a[i].width) + "x" + std::to_string(a[i].height);
        if (a[i].type == "video" && std::labs(a[i].frames - b[i].frames) > 1)
            problems += s + " frames " + std::to_string(a[i].frames) + " vs " + std::to_string(b[i].frames);
        if (std::fabs(a[i].duration - b[i].duration) > 0.05)
            problems += s + " duration " + std::to_string(a[i].duration) + " vs " + std::to_string(b[i].duration);
    }
    return problems;
}

Outcome Convert(COutputProfile* profile, int index, const std::string& folder)
{
    Outcome out;
    out.profile = std::to_string(index) + " " + N(profile->GetName());
    VXM_JOB_QUEUE ours, theirs;
    std::string ourFile, theirFile;
    if (!BuildQueue(profile, folder + "/ours" + std::to_string(index), ours, ourFile) ||
        !BuildQueue(profile, folder + "/theirs" + std::to_string(index), theirs, theirFile)) {
        out.skipped = true;  // the APE encoder
        return out;
    }
    for (const auto& step : ours)
        if (step->nType != JOB_TYPE_FFMPEG) {
            out.skipped = true;  // an outside muxer
            return out;
        }
    for (const auto& step : ours) {
        if (const int code = runtest::RunJobLine(step->strCmdLine); code != 0) {
            out.failure = "step ended with " + std::to_string(code) + ": " + N(step->strCmdLine);
            return out;
        }
    }
    for (const auto& step : theirs) {
        VXM_COMMAND_ARGS args = SplitJobCommandLine(step->strCmdLine);
        std::vector<std::string> argv;
        for (const std::wstring& a : args.args) argv.push_back(N(a));
        argv.insert(argv.begin() + 1, {"-nostdin", "-hide_banner", "-loglevel", "error"});
        std::string log;
        if (vxmtest::RunProgram(argv, &log) != 0) {
            out.failure = "ffmpeg failed: " + log;
            return out;
        }
    }
    std::string problems = CompareOutputs(ourFile, theirFile);
    if (!problems.empty()) out.failure = ourFile + ":" + problems + "\n" + N(ours.back()->strCmdLine);
    return out;
}

}  // namespace

class CatalogueInProcess : public ::testing::TestWithParam<int> {};

// Eight shards: none comes near the test time-out on a busy machine.
TEST_P(CatalogueInProcess, EveryProfileOfTheShardMatchesDebiansFfmpeg)
{
    constexpr int kShards = 8;
    vxmtest::CTempDir dir;
    CManagerScope scope(dir.Path());
    ASSERT_TRUE(scope.Loaded());
    const int count = scope.Manager().GetProfileCount();
    std::vector<int> order;
    for (int i = GetParam(); i < count; i += kShards) order.push_back(i);
    std::vector<Outcome> outcomes(order.size());
    std::atomic<int> next{0};
    const int jobs = static_cast<int>(order.size());
    auto worker = [&] {
        for (int k = next++; k < jobs; k = next++)
            outcomes[k] = Convert(scope.Profile(order[k]), order[k], dir.Path());
    };
    std::vector<std::thread> pool;
    for (unsigned t = 0; t < std::max(2u, std::min(6u, std::thread::hardware_concurrency())); ++t)
        pool.emplace_back(worker);
    for (auto& t : pool) t.join();
    int converted = 0;
    for (const Outcome& o : outcomes) {
        EXPECT_TRUE(o.failure.empty()) << o.profile << ": " << o.failure;
        if (!o.skipped && o.failure.empty()) ++converted;
    }
    EXPECT_GE(converted, jobs - 3);
}

INSTANTIATE_TEST_SUITE_P(Shards, CatalogueInProcess, ::testing::Range(0, 8));
