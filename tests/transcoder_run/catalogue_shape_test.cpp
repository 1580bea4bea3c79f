// Video profiles of the shipped catalogue, at their own sizes, convert clips
// of the common picture shapes in process, from the probe on: where the frame
// takes the source's size the output is shown (width x SAR / height, read by
// ffprobe) in the picture's shape within 1 %; in every output the first
// picture is the source as Debian's ffmpeg turns it upright and fits it into
// the frame as shown (bars, or a centred cut of a fixed frame filled across).
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <mutex>
#include <set>
#include <thread>

#include "../profiles_jobs/job_fixture.h"
#include "run_support.h"

using namespace jobtest;

namespace {

// Stored sizes a fraction of the named ones where that keeps the shape.
struct Shape {
    const char* name;
    int width, height;
    bool turned;  // stored on its side with a -90 display matrix
};
const Shape kShapes[] = {{"1920x1080", 384, 216, false}, {"854x480", 854, 480, false}, {"1920x800", 384, 160, false},
                         {"1280x800", 320, 200, false},  {"640x480", 320, 240, false}, {"1080x720", 360, 240, false},
                         {"720x1080", 240, 360, false},  {"640x360 -90", 320, 180, true}};
constexpr int kShapeCount = static_cast<int>(std::size(kShapes));
#ifndef VXM_EVERY_SHAPE_ROW
constexpr bool kEveryRow = false;  // the first profile of each builder, codec and kind of frame
#else
constexpr bool kEveryRow = true;   // with the slow tests
#endif
constexpr int kShards = kEveryRow ? 16 : 4;

const std::string& Source(int shape)
{
    static std::once_flag once;
    static std::vector<std::string> paths;
    static vxmtest::CTempDir dir;
    std::call_once(once, [] {
        for (const Shape& s : kShapes) {
            const std::string path = dir.File(std::string("Café ") + s.name + ".mp4"), stored = path + ".mp4";
            bool made = vxmtest::RunFfmpeg(
                {"-f", "lavfi", "-i", "testsrc2=size=" + std::to_string(s.width) + "x" + std::to_string(s.height) +
                 ":rate=10:duration=0.3", "-f", "lavfi", "-i", "sine=d=0.3", "-c:v", "libx264", "-preset", "ultrafast",
                 "-pix_fmt", "yuv420p", "-c:a", "aac", s.turned ? stored : path});
            if (made && s.turned)
                made = vxmtest::RunFfmpeg({"-i", stored, "-c", "copy", "-metadata:s:v:0", "rotate=270", path});
            paths.push_back(made ? path : std::string());
        }
    });
    return paths[static_cast<size_t>(shape)];
}

std::string Read(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// The table's row: "" when an outside muxer is needed, else "| ... |", and
// the failure when there is one.
std::string Convert(COutputProfile* profile, int index, int shape, const std::string& folder, std::string& failure)
{
    const std::string source = Source(shape), out = folder + "/" + std::to_string(index * kShapeCount + shape);
    CVXMMediaImpl media;
    media.SetSourcePath(W(source));
    media.SetOutputFolder(W(out));
    VXM_JOB_QUEUE queue;
    if (media.Probe() != 0 || BuildMediaCommands(&media, profile, queue) != 0 || queue.empty())
        return failure = "no job was built", "";
    for (const auto& step : queue)
        if (step->nType != JOB_TYPE_FFMPEG) return "";
    for (const auto& step : queue)
        if (runtest::RunJobLine(step->strCmdLine) != 0) return failure = "step failed: " + N(step->strCmdLine), "";
    const std::string output = N(media.m_strOutputFile);
    std::string probed;
    vxmtest::RunProgram({"ffprobe", "-v", "error", "-select_streams", "v:0", "-show_entries",
                         "stream=width,height,sample_aspect_ratio", "-of", "csv=p=0", output}, &probed);
    int w = 0, h = 0, sarNum = 0, sarDen = 0;
    if (std::sscanf(probed.c_str(), "%d,%d,%d:%d", &w, &h, &sarNum, &sarDen) < 2 || h <= 0)
        return failure = "ffprobe reads no picture in " + output, "";
    const double shown = w * (sarNum > 0 && sarDen > 0 ? static_cast<double>(sarNum) / sarDen : 1.0) / h;
    const Shape& s = kShapes[shape];
    const double picture = s.turned ? static_cast<double>(s.height) / s.width : static_cast<double>(s.width) / s.height;
    int fw = 0, fh = 0;
    SplitVideoSize(profile->GetVideoSize(), fw, fh);
    const int type = profile->m_lstCommands.front()->m_nOutputType;
    const bool automatic = (fw <= 0 || fh <= 0) && type != PROFILE_OUTPUT_DVD;
    if (automatic && std::fabs(shown / picture - 1) > 0.01)
        failure = "shown " + std::to_string(shown) + " for a picture of " + std::to_string(picture);
    // Both first pictures as shown, 128 pixels wide.
    const std::string size = "128:" + std::to_string(std::max(2L, std::lround(64 / shown)) * 2);
    const std::string fit = !automatic && picture < shown ? "increase,crop=" + size : "decrease,pad=" + size + ":-1:-1";
    double difference = 255;
    if (vxmtest::RunFfmpeg({"-i", output, "-i", source, "-filter_complex",
                            "[0:v]scale=" + size + "[a];[1:v]scale=" + size + ":force_original_aspect_ratio=" + fit +
                                "[b]", "-map", "[a]", "-frames:v", "1", "-f", "rawvideo", "-pix_fmt", "rgb24",
                            out + "/a.rgb", "-map", "[b]", "-frames:v", "1", "-f", "rawvideo", "-pix_fmt", "rgb24",
                            out + "/b.rgb"})) {
        const std::string a = Read(out + "/a.rgb"), b = Read(out + "/b.rgb");
        double sum = 0;
        for (size_t i = 0; i < a.size() && a.size() == b.size(); ++i)
            sum += std::abs(static_cast<unsigned char>(a[i]) - static_cast<unsigned char>(b[i]));
        if (!a.empty() && a.size() == b.size()) difference = sum / static_cast<double>(a.size());
    }
    // GIF's palette moves every colour a little; a stretched picture differs by far more.
    if (failure.empty() && difference > (type == PROFILE_OUTPUT_GIF ? 24 : 14))
        failure = "the picture differs by " + std::to_string(difference) + " from the source fitted as shown";
    char row[200];
    std::snprintf(row, sizeof row, "| %-26s | %-11s | %4dx%-4d SAR %d:%d | %6.3f | %6.3f | %-5s | %5.1f |",
                  (std::to_string(index) + " " + N(profile->GetName()) + "." + N(profile->GetFileExt())).c_str(),
                  s.name, w, h, sarNum, sarDen, shown, picture, automatic ? "auto" : "fixed", difference);
    return row;
}

}  // namespace

class CatalogueShape : public ::testing::TestWithParam<int> {};

TEST_P(CatalogueShape, EveryVideoProfileShowsThePictureInItsShape)
{
    vxmtest::CTempDir dir;
    CManagerScope scope(dir.Path());
    ASSERT_TRUE(scope.Loaded());
    std::vector<std::pair<int, int>> rows;  // profile index and shape
    std::set<std::wstring> families;
    for (int i = 0; i < scope.Manager().GetProfileCount(); ++i) {
        COutputProfile* p = scope.Profile(i);
        int w = 0, h = 0;
        SplitVideoSize(p->GetVideoSize(), w, h);
        const std::wstring family = std::to_wstring(p->m_lstCommands.front()->m_nOutputType) + p->GetVideoCodec() +
                                    (w > 0 && h > 0 ? L"fixed" : L"auto");
        if (p->GetVideoCodec().empty() || (!kEveryRow && !families.insert(family).second)) continue;
        for (int s = 0; s < kShapeCount; ++s)
            if (kEveryRow || s == static_cast<int>(families.size() - 1) % kShapeCount) rows.emplace_back(i, s);
    }
    std::vector<std::string> shown(rows.size()), failures(rows.size());
    std::atomic<size_t> next{static_cast<size_t>(GetParam())};
    auto worker = [&] {
        for (size_t k = next.fetch_add(kShards); k < rows.size(); k = next.fetch_add(kShards))
            shown[k] = Convert(scope.Profile(rows[k].first), rows[k].first, rows[k].second, dir.Path(), failures[k]);
    };
    std::vector<std::thread> pool;
    for (unsigned t = 0; t < std::max(2u, std::min(6u, std::thread::hardware_concurrency())); ++t)
        pool.emplace_back(worker);
    for (auto& t : pool) t.join();
    int converted = 0, count = 0;
    for (size_t k = static_cast<size_t>(GetParam()); k < rows.size(); k += kShards, ++count) {
        EXPECT_TRUE(failures[k].empty()) << rows[k].first << " from " << kShapes[rows[k].second].name << ": "
                                         << failures[k];
        if (!shown[k].empty()) std::printf("%s\n", shown[k].c_str());
        converted += !shown[k].empty();
    }
    EXPECT_GE(converted, count - 1);  // only the tsMuxeR profile is left out
}

INSTANTIATE_TEST_SUITE_P(Shards, CatalogueShape, ::testing::Range(0, kShards));
