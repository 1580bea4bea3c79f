// The stand-in tool's joins: three clips give one file as long as all three.
#include <gtest/gtest.h>

#include <filesystem>

#include "support/test_media.h"

extern "C" {
#include <libavformat/avformat.h>
}

namespace fs = std::filesystem;

namespace {

std::string Tools()
{
    std::error_code ec;
    fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    for (fs::path dir = exe.parent_path(); !dir.empty() && dir != dir.root_path(); dir = dir.parent_path())
        if (fs::exists(dir / "bin/gnu/vxmmux"))
            return (dir / "bin/gnu").string();
    return {};
}

double Seconds(const std::string& path)
{
    AVFormatContext* ctx = nullptr;
    if (avformat_open_input(&ctx, path.c_str(), nullptr, nullptr) < 0)
        return -1;
    double s = -1;
    if (avformat_find_stream_info(ctx, nullptr) >= 0)
        s = ctx->duration / double(AV_TIME_BASE);
    avformat_close_input(&ctx);
    return s;
}

std::string Clip(const vxmtest::CTempDir& dir, const std::string& name, int seconds)
{
    const std::string path = dir.Path() + "/" + name;
    const std::string d = std::to_string(seconds);
    EXPECT_EQ(vxmtest::RunProgram({"ffmpeg", "-nostdin", "-loglevel", "error", "-f", "lavfi", "-i",
                                   "testsrc=d=" + d + ":r=25:s=160x120", "-f", "lavfi", "-i", "sine=d=" + d,
                                   "-shortest", path}),
              0);
    return path;
}

class StandInJoin : public ::testing::TestWithParam<const char*> {};

TEST_P(StandInJoin, ThreeClipsGiveTheSummedDuration)
{
    const std::string tools = Tools();
    ASSERT_FALSE(tools.empty());
    vxmtest::CTempDir dir;
    const std::string ext = GetParam();
    std::vector<std::string> clips = {Clip(dir, "a" + ext, 1), Clip(dir, "b" + ext, 2), Clip(dir, "c" + ext, 3)};
    double sum = 0;
    for (const std::string& c : clips)
        sum += Seconds(c);
    const std::string out = dir.Path() + "/joined" + ext;
    std::vector<std::string> argv;
    if (ext == ".flv") {
        argv = {tools + "/flvbind", out};
        argv.insert(argv.end(), clips.begin(), clips.end());
    } else {
        argv = {tools + "/mp4box", "-force-cat"};
        for (const std::string& c : clips)
            argv.insert(argv.end(), {"-cat", c});
        argv.insert(argv.end(), {"-new", out});
    }
    std::string log;
    ASSERT_EQ(vxmtest::RunProgram(argv, &log), 0) << log;
    EXPECT_NEAR(Seconds(out), sum, 0.2);
}

INSTANTIATE_TEST_SUITE_P(Formats, StandInJoin, ::testing::Values(".flv", ".mp4"));

TEST(StandInFastStart, MovesTheIndexToTheFront)
{
    const std::string tools = Tools();
    ASSERT_FALSE(tools.empty());
    vxmtest::CTempDir dir;
    const std::string in = Clip(dir, "in.mp4", 1);
    const std::string out = dir.Path() + "/out.mp4";
    ASSERT_EQ(vxmtest::RunProgram({tools + "/qt-faststart", in, out}), 0);
    std::FILE* f = std::fopen(out.c_str(), "rb");
    ASSERT_NE(f, nullptr);
    // The boxes before the media data: moov must come before mdat.
    bool moovFirst = false;
    unsigned char head[8];
    while (std::fread(head, 1, 8, f) == 8) {
        const unsigned long size = (unsigned long)head[0] << 24 | head[1] << 16 | head[2] << 8 | head[3];
        const std::string type(reinterpret_cast<char*>(head + 4), 4);
        if (type == "moov") {
            moovFirst = true;
            break;
        }
        if (type == "mdat" || size < 8)
            break;
        std::fseek(f, static_cast<long>(size) - 8, SEEK_CUR);
    }
    std::fclose(f);
    EXPECT_TRUE(moovFirst);
    EXPECT_GT(Seconds(out), 0.8);
}

}  // namespace
