// Still pictures of the player: BMP and PNG files with unique names and the
// picture's own size and colours, and snapshots asked of a running player.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

#include "ffplay_snapshot.h"
#include "image_reader.h"
#include "platform/text.h"
#include "player/player_support.h"
#include "support/test_media.h"

extern "C" {
#include <libavutil/frame.h>
#include <libswscale/swscale.h>
}

using namespace ffplay_detail;
namespace fs = std::filesystem;

namespace {

// A YUV 4:2:0 picture of one colour (limited range).
AVFrame* SolidPicture(int w, int h, uint8_t Y, uint8_t U, uint8_t V)
{
    AVFrame* f = av_frame_alloc();
    f->format = AV_PIX_FMT_YUV420P;
    f->width = w;
    f->height = h;
    av_frame_get_buffer(f, 0);
    for (int y = 0; y < h; ++y) memset(f->data[0] + y * f->linesize[0], Y, w);
    for (int y = 0; y < (h + 1) / 2; ++y) {
        memset(f->data[1] + y * f->linesize[1], U, (w + 1) / 2);
        memset(f->data[2] + y * f->linesize[2], V, (w + 1) / 2);
    }
    return f;
}

std::vector<uint8_t> ReadAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

uint32_t Le32(const std::vector<uint8_t>& b, size_t at)
{
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<uint32_t>(b[at + 3]) << 24);
}

std::wstring W(const std::string& s) { return std::wstring(s.begin(), s.end()); }
std::string N(const std::wstring& s) { return std::string(s.begin(), s.end()); }

TEST(Snapshot, BmpRowsArePaddedAndTheHeightIsNegative)
{
    vxmtest::CTempDir dir;
    AVFrame* pic = SolidPicture(638, 10, 81, 90, 240);   // red
    std::wstring written;
    ASSERT_TRUE(WriteSnapshotBmp(pic, W(dir.Path()), &written));
    av_frame_free(&pic);
    EXPECT_EQ(N(written), dir.File("snapshot.bmp"));
    const std::vector<uint8_t> b = ReadAll(N(written));
    ASSERT_EQ(b.size(), 54u + 1916u * 10u);
    EXPECT_EQ(b[0], 'B');
    EXPECT_EQ(b[1], 'M');
    EXPECT_EQ(Le32(b, 2), 54u + 1916u * 10u);
    EXPECT_EQ(Le32(b, 10), 54u);
    EXPECT_EQ(Le32(b, 14), 40u);
    EXPECT_EQ(Le32(b, 18), 638u);
    EXPECT_EQ(static_cast<int32_t>(Le32(b, 22)), -10);
    EXPECT_EQ(b[28], 24);
    EXPECT_EQ(Le32(b, 38), 100u);
    // First pixel blue-green-red: red dominates; padding bytes are zero.
    EXPECT_LT(b[54], 40);
    EXPECT_GT(b[56], 200);
    EXPECT_EQ(b[54 + 1914], 0);
    EXPECT_EQ(b[54 + 1915], 0);
    CDecodedImage img;
    ASSERT_TRUE(DecodeImage(N(written), img));
    EXPECT_EQ(img.width, 638);
    EXPECT_EQ(img.height, 10);
}

TEST(Snapshot, PngHasThePictureSizeAndColour)
{
    vxmtest::CTempDir dir;
    AVFrame* pic = SolidPicture(160, 120, 145, 54, 34);   // green
    std::wstring written;
    ASSERT_TRUE(WriteSnapshotPng(pic, W(dir.Path()), SWS_BICUBIC, &written));
    av_frame_free(&pic);
    CDecodedImage img;
    ASSERT_TRUE(DecodeImage(N(written), img));
    EXPECT_EQ(img.width, 160);
    EXPECT_EQ(img.height, 120);
    EXPECT_LT(img.At(80, 60)[0], 40);
    EXPECT_GT(img.At(80, 60)[1], 200);
    EXPECT_LT(img.At(80, 60)[2], 40);
}

TEST(Snapshot, NamesAreUniqueAndAMissingFolderIsCreated)
{
    vxmtest::CTempDir dir;
    const std::string folder = dir.File("shots/deeper");
    fs::create_directories(folder);
    std::ofstream(folder + "/snapshot.png") << "x";
    std::ofstream(folder + "/snapshot_001.png") << "x";
    AVFrame* pic = SolidPicture(32, 16, 128, 128, 128);
    std::wstring written;
    ASSERT_TRUE(WriteSnapshotPng(pic, W(folder), SWS_BICUBIC, &written));
    EXPECT_EQ(N(written), folder + "/snapshot_002.png");
    const std::string fresh = dir.File("new/one");
    ASSERT_TRUE(WriteSnapshotBmp(pic, W(fresh), &written));
    EXPECT_EQ(N(written), fresh + "/snapshot.bmp");
    av_frame_free(&pic);
}

TEST(Snapshot, UnconvertiblePictureLeavesNoFile)
{
    vxmtest::CTempDir dir;
    AVFrame* pic = av_frame_alloc();   // no size, no format
    EXPECT_FALSE(WriteSnapshotBmp(pic, W(dir.Path())));
    EXPECT_FALSE(WriteSnapshotPng(pic, W(dir.Path()), SWS_BICUBIC));
    av_frame_free(&pic);
    EXPECT_TRUE(fs::is_empty(dir.Path()));
}

bool WaitFile(const std::string& path)
{
    while (!fs::exists(path) || fs::file_size(path) <= 54) std::this_thread::sleep_for(std::chrono::milliseconds(20));
    return true;
}

TEST(Snapshot, RunningPlayerWritesBmpAndPngOfTheVideoSize)
{
    vxmtest::CTempDir dir;
    playertest::CRecorder notify;
    playertest::CHostWindow window(320, 240);
    playertest::CPlayerRun run(vxmtest::GetTestMedia().mp4, notify.Get());
    run.Start();
    ASSERT_TRUE(playertest::WaitRunning());
    // The player runs on the test's own thread, so the request goes to the
    // runner the way the media object hands it over.
    run.Media().m_strSnapshotFolder = W(dir.Path());
    run.Runner().RequestSnapshot(0);
    ASSERT_TRUE(WaitFile(dir.File("snapshot.bmp")));
    run.Runner().RequestSnapshot(1);
    ASSERT_TRUE(WaitFile(dir.File("snapshot.png")));
    run.Runner().RequestStop();
    notify.PumpUntil([&] { return notify.CountOf(WM_VXM_PLAY_FINISHED) == 1; });
    run.Join();
    EXPECT_EQ(run.Runner().m_bSnapshotRequest.load(), 0);
    for (const char* name : {"snapshot.bmp", "snapshot.png"}) {
        CDecodedImage img;
        ASSERT_TRUE(DecodeImage(dir.File(name), img)) << name;
        EXPECT_EQ(img.width, 160) << name;
        EXPECT_EQ(img.height, 120) << name;
    }
}

// A clip stored on its side (a display matrix turning it a quarter) plays
// upright and its snapshot is taken upright; "-noautorotate" plays it as stored.
TEST(Snapshot, AClipStoredOnItsSidePlaysAndIsTakenUpright)
{
    vxmtest::CTempDir dir;
    const std::string clip = dir.File("Café portrait.mp4");
    ASSERT_TRUE(vxmtest::RunFfmpeg({"-i", vxmtest::GetTestMedia().mp4, "-c", "copy", "-metadata:s:v:0", "rotate=90", clip}));
    for (const bool upright : {true, false}) {
        const std::string folder = dir.File(upright ? "東京 upright" : "stored");
        {
            playertest::CRecorder notify;
            playertest::CHostWindow window(320, 240);
            playertest::CPlayerRun run(clip, notify.Get(), upright ? L"" : L"-noautorotate");
            run.Start();
            ASSERT_TRUE(playertest::WaitPosition(0.3));
            EXPECT_NEAR(*ffplay_display_aspect(), upright ? 120.0f / 160 : 160.0f / 120, 1e-4);
            run.Media().m_strSnapshotFolder = Utf8ToWide(folder);
            run.Runner().RequestSnapshot(1);
            ASSERT_TRUE(WaitFile(folder + "/snapshot.png"));
        }
        CDecodedImage img;
        ASSERT_TRUE(DecodeImage(folder + "/snapshot.png", img));
        EXPECT_EQ(img.width, upright ? 120 : 160);
        EXPECT_EQ(img.height, upright ? 160 : 120);
    }
}

}  // namespace
