// What a real conversion leaves behind: the watermarks drawn into its
// picture, no watermark file, and for a failed one the tool's own reason and
// no output; a tagged file converts in full, its cover the one picture of a video.
#include "ApeJob.h"
#include "EngineGlobals.h"
#include "ProfileJobBuild.h"
#include "ProfileManager.h"
#include "VXMMediaExports.h"
#include "VXMMediaImpl.h"
#include "ape/ApeCompressor.h"
#include "mediaops_support.h"
#include "platform/text.h"
#include "support/test_media.h"

#include <gtest/gtest.h>

#include <SDL/SDL.h>

#include <cstdarg>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>

using namespace mediaopstest;

namespace {

std::mutex g_logLock;
std::vector<std::string> g_logLines;

void KeepLog(const char* category, const char* format, ...)
{
    char text[2048];
    va_list args;
    va_start(args, format);
    vsnprintf(text, sizeof(text), format, args);
    va_end(args);
    std::lock_guard<std::mutex> lock(g_logLock);
    g_logLines.push_back(std::string(category) + ": " + text);
}
void DropLogW(const char*, const wchar_t*, ...) {}

// A 32-bit ARGB surface of one opaque colour.
SDL_Surface* SolidSurface(int w, int h, uint32_t argb)
{
    SDL_Surface* s = SDL_CreateRGBSurface(SDL_SWSURFACE, w, h, 32, 0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000);
    SDL_FillRect(s, nullptr, argb);
    return s;
}

void Place(VXM_WATERMARK& mark, int x, int y, int w, int h)
{
    mark.m_bEnabled = 1;
    mark.m_nX = x;
    mark.m_nY = y;
    mark.m_nWidth = w;
    mark.m_nHeight = h;
    mark.m_nRefWidth = 160;
    mark.m_nRefHeight = 120;
}

class ConversionOutcome : public ::testing::Test {
protected:
    void SetUp() override
    {
        VXMMediaSetLogFunc(&KeepLog, &DropLogW);
        m_manager = new CProfileManager(W(m_dir.Path()));
        g_pProfileManager = m_manager;
        ASSERT_TRUE(m_manager->LoadProfiles(W(std::string(VXM_SOURCE_DIR) + "/data/profiles.xml")));
        std::filesystem::copy_file(vxmtest::GetTestMedia().mp4, m_dir.File("clip.mp4"));
        m_media.SetSourcePath(W(m_dir.File("clip.mp4")));
        ASSERT_EQ(m_media.Probe(), 0);
        m_media.SetOutputFolder(W(m_dir.File("out")));
        std::filesystem::create_directory(m_dir.File("out"));
    }
    void TearDown() override
    {
        VXMMediaSetLogFunc(nullptr, nullptr);
        ClearReservedOutputNames();
        g_pProfileManager = nullptr;
        m_manager->Release();
    }
    // Converts with the AVI (MPEG-4 part 2) profile; the end message's code
    // and, when asked, the last progress posted before it.
    long long Convert(CVXMMediaImpl& media, int profileId = 5, long long* lastProgress = nullptr)
    {
        CRecordingWindow window;
        media.StartConvert(m_manager->FindProfileById(profileId), window.Get(), 0);
        EXPECT_TRUE(window.WaitFor(WM_VXM_JOB_FINISHED));
        for (const CPosted& p : window.Messages()) {
            if (p.message == WM_VXM_CONVERT_PROGRESS && lastProgress) *lastProgress = p.wParam;
            if (p.message == WM_VXM_JOB_FINISHED) return p.wParam;
        }
        return -100;
    }
    // The first frame of a file (the output by default) through the filters
    // given, as RGB bytes: as Debian's ffmpeg shows it, turned by its display matrix.
    std::string FirstFrame(std::string path = {}, const std::string& filters = "scale=160:120")
    {
        const std::string raw = m_dir.File("frame.rgb");
        if (path.empty()) path = N(m_media.GetOutputPath());
        EXPECT_TRUE(vxmtest::RunFfmpeg(
            {"-i", path, "-frames:v", "1", "-vf", filters, "-f", "rawvideo", "-pix_fmt", "rgb24", raw}));
        std::ifstream in(raw, std::ios::binary);
        return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    }

    vxmtest::CTempDir m_dir;
    CProfileManager* m_manager = nullptr;
    CVXMMediaImpl m_media;
};

struct CRgb {
    int r, g, b;
};
CRgb PixelAt(const std::string& frame, int x, int y)
{
    const size_t i = (static_cast<size_t>(y) * 160 + x) * 3;
    if (frame.size() < i + 3) return {-1, -1, -1};
    return {static_cast<unsigned char>(frame[i]), static_cast<unsigned char>(frame[i + 1]),
            static_cast<unsigned char>(frame[i + 2])};
}

TEST_F(ConversionOutcome, TextAndPreparedImageWatermarksAreDrawnIntoThePicture)
{
    Place(m_media.m_wmText, 8, 8, 40, 30);
    m_media.m_pTextWatermark = SolidSurface(40, 30, 0xFFFF0000);  // red
    Place(m_media.m_wmImage, 100, 70, 40, 30);
    m_media.m_pImageWatermark = SolidSurface(40, 30, 0xFF0000FF);  // blue
    m_media.m_pImageWatermarkScaled = SolidSurface(40, 30, 0xFF0000FF);
    ASSERT_EQ(Convert(m_media), 0);

    const std::string frame = FirstFrame();
    const CRgb text = PixelAt(frame, 28, 23);
    EXPECT_GT(text.r, 180);
    EXPECT_LT(text.g, 80);
    EXPECT_LT(text.b, 80);
    const CRgb image = PixelAt(frame, 120, 85);
    EXPECT_LT(image.r, 80);
    EXPECT_LT(image.g, 80);
    EXPECT_GT(image.b, 180);
    // Outside both the clip's own picture shows: not one of the two colours.
    const CRgb between = PixelAt(frame, 80, 60);
    EXPECT_FALSE(between.r > 180 && between.g < 80 && between.b < 80);
    // The watermark pictures went with the conversion.
    EXPECT_TRUE(m_media.m_vecOverlayFiles.empty());
    for (const auto& entry : std::filesystem::directory_iterator(N(BuildSettings().strTempFolder)))
        EXPECT_NE(entry.path().extension(), ".png") << entry.path();
}

// The mean difference of two pictures' bytes; 255 when their sizes differ.
double MeanDifference(const std::string& a, const std::string& b)
{
    if (a.size() != b.size() || a.empty()) return 255;
    double sum = 0;
    for (size_t i = 0; i < a.size(); ++i)
        sum += std::abs(static_cast<unsigned char>(a[i]) - static_cast<unsigned char>(b[i]));
    return sum / static_cast<double>(a.size());
}

std::string Scale(int width, int height)
{
    return "scale=" + std::to_string(width) + ":" + std::to_string(height);
}

// A phone's clip stored on its side, with a display matrix that turns it by
// 90, -90 or 180 degrees: listed at the size it shows, converted with the MP4
// profile upright with no matrix left to turn it again, its thumbnail upright
// in its shape with bars (also from past its video's end), each picture as
// Debian's ffmpeg shows the source; the user's own quarter turn and a fixed
// frame fitted by its height turn and fit the picture as shown.
TEST_F(ConversionOutcome, AClipStoredOnItsSideConvertsAndShowsUpright)
{
    const std::string stored = m_dir.File("stored.mp4");
    ASSERT_TRUE(vxmtest::RunFfmpeg({"-f", "lavfi", "-i", "testsrc=size=160x120:rate=10:duration=1", "-c:v", "libx264",
                                    "-pix_fmt", "yuv420p", stored}));
    for (const int rotate : {90, 270, 180}) {
        SCOPED_TRACE(rotate);
        const std::string clip = m_dir.File("Café portrait " + std::to_string(rotate) + ".mp4");
        ASSERT_TRUE(vxmtest::RunFfmpeg(
            {"-i", stored, "-c", "copy", "-metadata:s:v:0", "rotate=" + std::to_string(rotate), clip}));
        const int w = rotate == 180 ? 160 : 120, h = rotate == 180 ? 120 : 160;
        CVXMMediaImpl media;
        media.SetSourcePath(Utf8ToWide(clip));
        ASSERT_EQ(media.Probe(), 0);
        ASSERT_NE(media.GetVideoStream(), nullptr);
        EXPECT_EQ(media.GetVideoStream()->GetWidth(), w);
        EXPECT_EQ(media.GetVideoStream()->GetHeight(), h);
        media.SetOutputFolder(Utf8ToWide(m_dir.File("out")));
        ASSERT_EQ(Convert(media, 0), 0) << WideToUtf8(media.m_strLastError);
        const std::string out = WideToUtf8(media.GetOutputPath());
        std::string shown;
        vxmtest::RunProgram({"ffprobe", "-v", "error", "-select_streams", "v:0", "-show_entries",
                             "stream=width,height:stream_side_data=rotation", "-of", "default=nw=1", out},
                            &shown);
        EXPECT_EQ(shown, "width=" + std::to_string(w) + "\nheight=" + std::to_string(h) + "\n");
        EXPECT_LT(MeanDifference(FirstFrame(out, Scale(w, h)), FirstFrame(clip, Scale(w, h))), 2);
        std::filesystem::remove(out);

        const std::string thumb = m_dir.File("東京 thumb.png");
        media.SetThumbnailPath(Utf8ToWide(thumb));
        // In its shape with bars; a second in (where this clip's video ends), its first frame.
        const std::string tile = "scale=58:38:force_original_aspect_ratio=decrease,pad=58:38:-1:-1";
        for (const int seconds : {0, 1}) {
            ASSERT_EQ(media.MakeThumbnail(seconds, 58, 38), 0) << seconds;
            EXPECT_LT(MeanDifference(FirstFrame(thumb, Scale(58, 38)), FirstFrame(clip, tile)), 2) << seconds;
        }

        // Turned clockwise by the user into a 320x240 frame fitted by its height.
        media.m_nRotate = 1;
        m_manager->FindProfileById(0)->SetVideoSize(L"320x240");
        m_manager->SetFitToHeight(1);
        m_manager->SetExpand2VideoSize(1);
        ASSERT_EQ(Convert(media, 0), 0) << WideToUtf8(media.m_strLastError);
        const int fitted = h * 240 / w;
        const std::string letterbox = "transpose=clock,scale=" + std::to_string(fitted) + ":240,pad=320:240:" +
                                      std::to_string((320 - fitted) / 2) + ":0";
        EXPECT_LT(MeanDifference(FirstFrame(WideToUtf8(media.GetOutputPath()), "null"), FirstFrame(clip, letterbox)),
                  2);
        std::filesystem::remove(WideToUtf8(media.GetOutputPath()));
        m_manager->FindProfileById(0)->SetVideoSize(L"AUTO");
    }
}

TEST_F(ConversionOutcome, AFailedConversionKeepsTheToolsErrorLine)
{
    // The source turns out not to be media once the conversion reads it.
    std::ofstream(m_dir.File("clip.mp4"), std::ios::trunc) << "these are not the frames you are looking for\n";
    const long long code = Convert(m_media);
    EXPECT_NE(code, 0);
    EXPECT_NE(code, -1);
    EXPECT_NE(m_media.m_strLastError.find(L"Invalid data found"), std::wstring::npos) << N(m_media.m_strLastError);
    std::lock_guard<std::mutex> lock(g_logLock);
    bool logged = false;
    for (const std::string& line : g_logLines)
        logged = logged || (line.rfind("ffmpeg: ", 0) == 0 && line.find("Invalid data found") != std::string::npos);
    EXPECT_TRUE(logged);
}

// A 5 s WavPack with an ID3v1 block appended, as taggers do; `blocks` > 0
// keeps only that many of its blocks ("wvpk", 24-bit size): a file cut short.
std::string TaggedWavPack(const vxmtest::CTempDir& dir, const std::string& name, int blocks = 0)
{
    const std::string path = dir.File(name);
    EXPECT_TRUE(vxmtest::RunFfmpeg({"-f", "lavfi", "-i", "sine=d=5", "-ac", "2", path}));
    std::ifstream in(path, std::ios::binary);
    std::string data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    size_t end = 0;
    for (int i = 0; i < blocks && data.compare(end, 4, "wvpk") == 0; ++i)
        end += 8 + (static_cast<uint8_t>(data[end + 4]) | static_cast<uint8_t>(data[end + 5]) << 8 |
                    static_cast<uint8_t>(data[end + 6]) << 16);
    std::string tag = "TAGCaf\xe9 du matin";
    tag.resize(128, '\0');
    std::ofstream(path, std::ios::binary) << (blocks > 0 ? data.substr(0, end) : data) << tag;
    return path;
}

// The rows are run in shards, side by side.
constexpr size_t kOutcomeShards = 3;
class ConversionOutcomeRows : public ConversionOutcome, public ::testing::WithParamInterface<size_t> {};

TEST_P(ConversionOutcomeRows, ATaggedFileConvertsInFullAndOneThatYieldsNothingFailsWithItsReasonLeavingNoFile)
{
    struct CNativeApe {  // as the engine's start-up installs it
        CNativeApe() { SetApeCompressor(&GetNativeApeCompressor()); }
        ~CNativeApe() { SetApeCompressor(nullptr); }
    } ape;
    std::vector<int> audioProfiles;  // every one, for the file that converts
    for (int g = 0; g < m_manager->GetGroupCount(); ++g)
        for (int i = 0; m_manager->GetGroup(g)->GetAudio() && i < m_manager->GetGroup(g)->GetProfileCount(); ++i)
            audioProfiles.push_back(m_manager->GetGroup(g)->GetProfile(static_cast<unsigned>(i))->GetId());
    ASSERT_GE(audioProfiles.size(), 10u);
    for (const char* empty : {"東京の夜 header only.wav", "Café no frames.flac", "Café no packets.wma"})
        ASSERT_TRUE(vxmtest::RunFfmpeg({"-f", "lavfi", "-i", "sine", "-t", "0", "-ac", "2", m_dir.File(empty)}));
    // Musepack SV8, whose packets hold 1.67 s each: all of it, not whole
    // packets. It and a FLAC are tagged as taggers do, with a cover picture
    // (the Musepack file with an ID3v2 tag in front as well).
    const std::string tone = m_dir.File("tone.wav"), musepack = m_dir.File("Café.mpc"),
                      flac = m_dir.File("東京の夜.flac"), cover = m_dir.File("cover.jpg");
    ASSERT_TRUE(vxmtest::RunFfmpeg({"-f", "lavfi", "-i", "sine=d=5", "-ac", "2", tone}));
    ASSERT_EQ(vxmtest::RunProgram({"mpcenc", "--silent", tone, musepack}), 0);
    ASSERT_TRUE(vxmtest::RunFfmpeg({"-i", tone, flac}));
    ASSERT_TRUE(MakeCover(cover));
    ASSERT_TRUE(TagLikeTaggers(musepack, cover) && TagLikeTaggers(flac, cover));
    // A cover and no sound: the video profiles that would take the cover.
    const std::string coverOnly = m_dir.File("東京の夜 cover only.flac"), noSound = "holds only the cover picture";
    ASSERT_TRUE(vxmtest::RunFfmpeg({"-f", "lavfi", "-i", "sine", "-t", "0", "-ac", "2", coverOnly}));
    ASSERT_TRUE(TagLikeTaggers(coverOnly, cover));
    ASSERT_EQ(vxmtest::RunProgram({"mid3v2", "-a", "Les Artistes", musepack}), 0);
    // A recording across a programme change: mono frames, then stereo ones.
    const std::string mono = m_dir.File("mono.mp3"), stereo = m_dir.File("stereo.mp3"),
                      mixed = m_dir.File("Café mono then stereo.mp3");
    ASSERT_TRUE(vxmtest::RunFfmpeg({"-f", "lavfi", "-i", "sine=d=3", "-ac", "1", "-write_xing", "0", mono}));
    ASSERT_TRUE(vxmtest::RunFfmpeg({"-f", "lavfi", "-i", "sine=f=660:d=4", "-ac", "2", "-write_xing", "0", stereo}));
    std::ofstream(mixed, std::ios::binary) << std::ifstream(mono, std::ios::binary).rdbuf()
                                           << std::ifstream(stereo, std::ios::binary).rdbuf();
    // A broadcast capture whose MPEG-2 video stream holds no picture beside 64 ms of AC-3.
    const std::string noPictures = m_dir.File("Café capture sans image.ts");
    ASSERT_TRUE(vxmtest::RunFfmpeg({"-f", "lavfi", "-i", "testsrc=s=320x240:r=25", "-f", "lavfi", "-i",
                                    "sine=d=0.064:r=48000", "-map", "0:v", "-map", "1:a", "-c:v", "mpeg2video", "-c:a",
                                    "ac3", "-t", "0.064", "-bsf:v", "noise=dropamount=1", noPictures}));
    const std::pair<std::string, std::string> rows[] = {
        {TaggedWavPack(m_dir, "Café tagged.wv"), ""},
        {musepack, ""},
        {flac, ""},
        {mixed, ""},
        {noPictures, ""},
        {TaggedWavPack(m_dir, "Café cut.wv", 4), "Invalid data found"},
        {m_dir.File("東京の夜 header only.wav"), "is empty, nothing was encoded"},
        {m_dir.File("Café no frames.flac"), "is empty, nothing was encoded"},
        {m_dir.File("Café no packets.wma"), "is empty, nothing was encoded"},
        {coverOnly, noSound}};
    for (size_t row = GetParam(); row < std::size(rows); row += kOutcomeShards) {
        const auto& [file, reason] = rows[row];
        const std::string out = m_dir.File("out " + std::filesystem::path(file).filename().string());
        std::filesystem::create_directory(out);
        // The length of the source as Debian's ffmpeg decodes it.
        ASSERT_TRUE(!reason.empty() || vxmtest::RunFfmpeg({"-i", file, m_dir.File("decoded.wav")}));
        const int decodedMs = ProbeDurationMs(m_dir.File("decoded.wav"));
        // A file that converts: every sound profile, and MKV and AVI, whose
        // one picture is the cover, as Debian's ffmpeg makes it. One that
        // does not: MP3 and MKV, or MP4 and MKV for its cover.
        const bool withCover = StreamShape(file).find('p') != std::string::npos;
        std::vector<int> profiles = reason.empty() ? audioProfiles : std::vector<int>{reason == noSound ? 0 : 22, 2};
        if (reason.empty()) profiles.insert(profiles.end(), {2, 5});
        if (file == mixed) profiles = {22, 29, 2};  // MP3, WAV and MKV: each rebuilds its own graph
        if (file == noPictures) profiles = {22, 2};  // MP3, and MKV whose video goes
        for (int profileId : profiles) {
            SCOPED_TRACE(file + " with profile " + std::to_string(profileId));
            CVXMMediaImpl media;
            media.SetSourcePath(Utf8ToWide(file));
            ASSERT_EQ(media.Probe(), 0);
            media.SetOutputFolder(Utf8ToWide(out));
            const long long code = Convert(media, profileId);
            if (reason.empty()) {
                EXPECT_EQ(code, 0) << WideToUtf8(media.m_strLastError);
                // Within an encoder's padding; the WAV profile's within a frame (1152 samples).
                EXPECT_NEAR(ProbeDurationMs(WideToUtf8(media.GetOutputPath())), decodedMs, profileId == 29 ? 26 : 150);
                const bool video = profileId == 2 || profileId == 5;
                EXPECT_EQ(StreamShape(WideToUtf8(media.GetOutputPath())), video && withCover ? "ia" : "a");
                continue;
            }
            EXPECT_TRUE(code != 0 && code != -1) << code;
            EXPECT_NE(media.m_strLastError.find(Utf8ToWide(reason)), std::wstring::npos) << WideToUtf8(media.m_strLastError);
            EXPECT_TRUE(std::filesystem::is_empty(out));
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Shards, ConversionOutcomeRows, ::testing::Range<size_t>(0, kOutcomeShards));

// Files whose container gives only an estimate of their length, or a wrong
// one, as users have them: each converts whole, as long as Debian's ffmpeg
// decodes it; a trim of it still cuts exactly; the progress ends at 100%.
TEST_F(ConversionOutcome, AFileWhoseLengthIsAnEstimateConvertsWholeAndATrimOfItCutsExactly)
{
    // Loud, then quiet (or the other way round): the first frames' rate makes the estimate.
    const auto loudThenQuiet = [](double loud, double quiet, bool quietFirst) {
        const std::string a = "anoisesrc=a=0.5:r=44100:d=" + std::to_string(loud) + ",aformat=channel_layouts=stereo";
        const std::string b = "anullsrc=r=44100:cl=stereo:d=" + std::to_string(quiet);
        return quietFirst ? b + "[a];" + a + "[b];[a][b]concat=v=0:a=1" : a + "[a];" + b + "[b];[a][b]concat=v=0:a=1";
    };
    const std::string noXing = m_dir.File("Café old rip.mp3"), adts = m_dir.File("Café radio.aac"),
                      quietAdts = m_dir.File("東京 podcast.aac"), alac = m_dir.File("Café ALAC.mkv"),
                      blip = m_dir.File("Café recording.aiff");
    ASSERT_TRUE(vxmtest::RunFfmpeg({"-filter_complex", loudThenQuiet(3, 12, false), "-c:a", "libmp3lame", "-q:a", "2",
                                    "-write_xing", "0", noXing}));
    ASSERT_TRUE(vxmtest::RunFfmpeg({"-filter_complex", loudThenQuiet(2, 6, false), "-c:a", "aac", adts}));
    ASSERT_TRUE(vxmtest::RunFfmpeg({"-filter_complex", loudThenQuiet(1, 5, true), "-c:a", "aac", quietAdts}));
    ASSERT_TRUE(vxmtest::RunFfmpeg({"-f", "lavfi", "-i", "sine=d=5.6", "-ac", "2", "-c:a", "alac", alac}));
    ASSERT_TRUE(vxmtest::RunFfmpeg({"-f", "lavfi", "-i", "sine=d=1:sample_rate=48000", blip}));
    // Headers that a recorder stopped before it rewrote them: a Matroska
    // Duration (a float of 8 bytes, ms) of 4.8 s of the 5.6, an AIFF COMM
    // frame count of 48 (1 ms) of the 48000.
    const auto patch = [](const std::string& path, const std::string& after, const std::string& value) {
        std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(file)), {});
        const size_t at = bytes.find(after);
        file.clear();
        file.seekp(static_cast<std::streamoff>(at + after.size()));
        return at != std::string::npos && file.write(value.data(), static_cast<std::streamsize>(value.size()));
    };
    ASSERT_TRUE(patch(alac, "\x44\x89\x88", std::string("\x40\xb2\xc0\0\0\0\0\0", 8)));
    ASSERT_TRUE(patch(blip, std::string("COMM\0\0\0\x12\0\x01", 10), std::string("\0\0\0\x30", 4)));
    for (const std::string& file : {noXing, adts, quietAdts, alac, blip}) {
        ASSERT_TRUE(vxmtest::RunFfmpeg({"-i", file, m_dir.File("decoded.wav")}));
        const int decodedMs = ProbeDurationMs(m_dir.File("decoded.wav"));
        // MP3, and WAV, whose length is exact to a frame (1152 samples).
        for (const int profileId : {22, 29}) {
            for (const bool trimmed : {false, true}) {
                if (trimmed && file == blip) continue;  // nothing to cut of the 1 ms shown
                SCOPED_TRACE(file + " with profile " + std::to_string(profileId) + (trimmed ? ", trimmed" : ""));
                CVXMMediaImpl media;
                media.SetSourcePath(Utf8ToWide(file));
                ASSERT_EQ(media.Probe(), 0);
                media.SetEndTime(media.GetClipLength());  // as the program adds a file
                if (trimmed) {  // within the length shown
                    media.SetStartTime(500);
                    media.SetEndTime(1500);
                }
                media.SetOutputFolder(W(m_dir.File("out")));
                long long progress = -1;
                ASSERT_EQ(Convert(media, profileId, &progress), 0) << WideToUtf8(media.m_strLastError);
                EXPECT_NEAR(ProbeDurationMs(WideToUtf8(media.GetOutputPath())), trimmed ? 1000 : decodedMs,
                            profileId == 29 ? 26 : 150);
                EXPECT_EQ(progress, 1000);
            }
        }
    }
}

}  // namespace
