// Every profile of the shipped catalogue converts a mono 48 kHz clip and a
// 5.1 44.1 kHz clip: its job queue runs through Debian's ffmpeg, argument by
// argument as the engine's splitter reads the lines, and the output opens with
// the profile's codecs, frame size, sample rate and channels, the clip's
// length, and an H.264 level that fits the frame size and rate.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <filesystem>
#include <map>
#include <mutex>
#include <thread>

#include "../profiles_jobs/job_fixture.h"
#include "CmdFFplay.h"
#include "support/test_media.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

using namespace jobtest;

namespace {

struct Opened {
    bool ok = false;
    std::string video;
    std::string audio;
    int width = 0;
    int height = 0;
    double fps = 0;
    int level = 0;  // H.264 level times ten
    int sampleRate = 0;
    int channels = 0;
    double seconds = 0;
};

// The lowest H.264 level whose frame size and macroblock rate hold the frame.
int NeededH264Level(int width, int height, double fps)
{
    struct Limit { int level; double mbPerSecond; int frameMbs; };
    static const Limit limits[] = {{10, 1485, 99},     {11, 3000, 396},      {12, 6000, 396},
                                   {13, 11880, 396},   {20, 11880, 396},     {21, 19800, 792},
                                   {22, 20250, 1620},  {30, 40500, 1620},    {31, 108000, 3600},
                                   {32, 216000, 5120}, {40, 245760, 8192},   {41, 245760, 8192},
                                   {42, 522240, 8704}, {50, 589824, 22080},  {51, 983040, 36864},
                                   {52, 2073600, 36864}};
    const int mbs = ((width + 15) / 16) * ((height + 15) / 16);
    for (const Limit& l : limits)
        if (mbs <= l.frameMbs && mbs * fps <= l.mbPerSecond)
            return l.level;
    return 99;
}

Opened OpenOutput(const std::string& path)
{
    Opened result;
    AVFormatContext* ctx = nullptr;
    if (avformat_open_input(&ctx, path.c_str(), nullptr, nullptr) < 0)
        return result;
    if (avformat_find_stream_info(ctx, nullptr) >= 0) {
        result.ok = true;
        double longest = ctx->duration > 0 ? ctx->duration / double(AV_TIME_BASE) : 0;
        for (unsigned i = 0; i < ctx->nb_streams; ++i) {
            const AVStream* st = ctx->streams[i];
            const AVCodecParameters* par = st->codecpar;
            if (par->codec_type == AVMEDIA_TYPE_VIDEO && result.video.empty()) {
                result.video = avcodec_get_name(par->codec_id);
                result.width = par->width;
                result.height = par->height;
                result.level = par->level;
                if (st->avg_frame_rate.num > 0 && st->avg_frame_rate.den > 0)
                    result.fps = av_q2d(st->avg_frame_rate);
                else if (st->r_frame_rate.num > 0 && st->r_frame_rate.den > 0)
                    result.fps = av_q2d(st->r_frame_rate);
            } else if (par->codec_type == AVMEDIA_TYPE_AUDIO && result.audio.empty()) {
                result.audio = avcodec_get_name(par->codec_id);
                result.sampleRate = par->sample_rate;
                result.channels = par->ch_layout.nb_channels;
            }
            if (st->duration > 0)
                longest = std::max(longest, st->duration * av_q2d(st->time_base));
        }
        // Containers without a duration (SWF): the end of the last packet.
        if (longest <= 0) {
            AVPacket* pkt = av_packet_alloc();
            while (pkt && av_read_frame(ctx, pkt) >= 0) {
                const AVStream* st = ctx->streams[pkt->stream_index];
                if (pkt->pts != AV_NOPTS_VALUE)
                    longest = std::max(longest, (pkt->pts + pkt->duration) * av_q2d(st->time_base));
                av_packet_unref(pkt);
            }
            av_packet_free(&pkt);
        }
        result.seconds = longest;
    }
    avformat_close_input(&ctx);
    return result;
}

std::string ExpectedVideo(const std::wstring& value, int outputType)
{
    if (outputType == PROFILE_OUTPUT_WEBM)
        return "vp8";
    if (outputType == PROFILE_OUTPUT_DVD)
        return "mpeg2video";
    static const std::map<std::wstring, std::string> names = {
        {L"x264", "h264"},      {L"x265", "hevc"},        {L"vp8", "vp8"},       {L"libvpx-vp9", "vp9"},
        {L"xvid", "mpeg4"},     {L"mpeg4", "mpeg4"},      {L"wmv2", "wmv2"},     {L"mpeg1", "mpeg1video"},
        {L"mpeg2", "mpeg2video"}, {L"flv", "flv1"},       {L"h263", "h263"},     {L"gif", "gif"},
        {L"theora", "theora"},  {L"mjpeg", "mjpeg"}};
    auto it = names.find(value);
    return it == names.end() ? N(value) : it->second;
}

std::string ExpectedAudio(const std::wstring& value, int outputType)
{
    if (outputType == PROFILE_OUTPUT_WMV || outputType == PROFILE_OUTPUT_WMA)
        return "wmav2";
    if (outputType == PROFILE_OUTPUT_WAV)
        return "pcm_s16le";
    static const std::map<std::wstring, std::string> names = {
        {L"aac", "aac"},   {L"faac", "aac"},     {L"mp3", "mp3"},       {L"ac3", "ac3"},
        {L"mp2", "mp2"},   {L"vorbis", "vorbis"}, {L"libopus", "opus"}, {L"wmav2", "wmav2"},
        {L"pcm", "pcm_s16le"}, {L"pcm_s16le", "pcm_s16le"}, {L"flac", "flac"}};
    auto it = names.find(value);
    return it == names.end() ? N(value) : it->second;
}

std::string StandInToolFolder()
{
    std::error_code ec;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    for (std::filesystem::path dir = exe.parent_path(); !dir.empty() && dir != dir.root_path();
         dir = dir.parent_path())
        if (std::filesystem::exists(dir / "bin/gnu/vxmmux"))
            return (dir / "bin/gnu").string();
    return "gnu";
}

struct Outcome {
    std::string profile;
    std::string skipped;   // the outside tool the job needs
    std::string failure;   // empty on success
};

// The two sources: mono at 48 kHz and 5.1 at 44.1 kHz, so that an output
// that keeps the source's audio shape shows it.
struct Sources {
    std::string mono48;
    std::string surround;
};

const Sources& GetSources()
{
    static std::once_flag once;
    static Sources sources;
    static vxmtest::CTempDir dir;
    std::call_once(once, [] {
        const std::vector<std::string> h264 = {"-c:v", "libx264", "-preset", "ultrafast", "-pix_fmt", "yuv420p",
                                               "-c:a", "aac"};
        std::vector<std::string> mono = h264, surround = h264;
        mono.insert(mono.end(), {"-ar", "48000", "-ac", "1"});
        surround.insert(surround.end(), {"-ar", "44100", "-ac", "6"});
        if (vxmtest::MakeVideoClip(dir.File("mono48.mp4"), 2.0, 160, 120, mono))
            sources.mono48 = dir.File("mono48.mp4");
        if (vxmtest::MakeVideoClip(dir.File("surround.mp4"), 2.0, 160, 120, surround))
            sources.surround = dir.File("surround.mp4");
    });
    return sources;
}

Outcome ConvertWithProfile(COutputProfile* profile, int index, const std::string& folder, const std::string& source)
{
    Outcome out;
    out.profile = std::to_string(index) + " " + N(profile->GetName()) + "." + N(profile->GetFileExt()) + " from " +
                  std::filesystem::path(source).filename().string();
    auto media = MakeMedia(source, folder + "/" + std::filesystem::path(source).stem().string() +
                                       std::to_string(index));
    VXM_JOB_QUEUE queue;
    if (BuildMediaCommands(nullptr, profile, queue) != -1) {
        out.failure = "a null media was accepted";
        return out;
    }
    if (BuildMediaCommands(media.get(), profile, queue) != 0 || queue.empty()) {
        // Without the mux and join code such jobs are refused as a whole.
        for (const auto& command : profile->m_lstCommands) {
            if (command->m_nEngine == PROFILE_ENGINE_MAC)
                out.skipped = "the APE encoder";
            else if (command->m_nEngine == PROFILE_ENGINE_TSMUXER)
                out.skipped = "tsMuxeR";
            else if (command->m_nEngine == PROFILE_ENGINE_MP4CREATOR)
                out.skipped = "mp4creator";
        }
        if (!out.skipped.empty())
            return out;
        out.failure = "no job was built";
        return out;
    }
    for (const auto& step : queue) {
        if (step->nType == JOB_TYPE_APE || step->nType == JOB_TYPE_WMV) {
            out.skipped = step->nType == JOB_TYPE_APE ? "the APE encoder" : "the WMV join";
            return out;
        }
    }
    for (const auto& step : queue) {
        std::vector<std::string> argv;
        for (const std::wstring& a : JobProcessArguments(step->strCmdLine))
            argv.push_back(N(a));
        if (argv.empty()) {
            out.failure = "empty step";
            return out;
        }
        if (step->nType != JOB_TYPE_FFMPEG) {
            // Outside muxers are the stand-in tool of the bin folder's "gnu" folder.
            const std::string tool = std::filesystem::path(argv[0]).filename().string();
            if (tool != "rm" && tool != "mv" && tool != "cp")
                argv[0] = StandInToolFolder() + "/" + tool;
        } else if (argv[0].find("ffmpeg") == std::string::npos) {
            out.failure = "not an ffmpeg line: " + N(step->strCmdLine);
            return out;
        } else {
            argv.insert(argv.begin() + 1, {"-nostdin", "-hide_banner", "-loglevel", "error"});
        }
        std::string log;
        if (vxmtest::RunProgram(argv, &log) != 0) {
            out.failure = "step failed: " + N(step->strCmdLine) + "\n" + log;
            return out;
        }
    }
    for (const auto& step : queue) {
        std::error_code ec;
        if (step->nPassKind == PASS_THUMBNAIL && std::filesystem::file_size(N(step->strOutput), ec) == 0) {
            out.failure = "empty thumbnail: " + N(step->strCmdLine);
            return out;
        }
    }
    const Opened opened = OpenOutput(N(media->m_strOutputFile));
    if (!opened.ok) {
        out.failure = "output does not open: " + N(media->m_strOutputFile);
        return out;
    }
    const int outputType = profile->m_lstCommands.front()->m_nOutputType;
    const std::wstring vcodec = profile->GetVideoCodec();
    std::string problems;
    if (!vcodec.empty()) {
        if (opened.video != ExpectedVideo(vcodec, outputType))
            problems += " video " + opened.video;
        int w = 160, h = 120;
        if (outputType == PROFILE_OUTPUT_DVD) {
            w = 720;
            h = profile->m_nProfileCode == 15 ? 480 : 576;
        } else if (const std::wstring size = profile->GetVideoSize(); size.find(L'x') != std::wstring::npos) {
            // The profile's size (even) when it names one; the source's otherwise.
            const int sw = ProfileWToI(size) & ~1, sh = ProfileWToI(size.substr(size.find(L'x') + 1)) & ~1;
            if (sw > 0 && sh > 0) {
                w = sw;
                h = sh;
            }
        }
        if (opened.width != w || opened.height != h)
            problems += " size " + std::to_string(opened.width) + "x" + std::to_string(opened.height) +
                        " (wanted " + std::to_string(w) + "x" + std::to_string(h) + ")";
        const int needed = NeededH264Level(opened.width, opened.height, opened.fps);
        if (opened.video == "h264" && opened.level < needed)
            problems += " H.264 level " + std::to_string(opened.level) + " below " + std::to_string(needed) +
                        " for " + std::to_string(opened.fps) + " fps";
    } else if (!opened.video.empty()) {
        problems += " unexpected video " + opened.video;
    }
    if (outputType == PROFILE_OUTPUT_GIF) {
        if (!opened.audio.empty())
            problems += " unexpected audio";
    } else if (opened.audio != ExpectedAudio(profile->GetAudioCodec(), outputType)) {
        problems += " audio " + opened.audio;
    } else {
        // What the profile shows the user is what the file holds.
        if (std::to_string(opened.sampleRate) != N(profile->GetSampleRate()))
            problems += " sample rate " + std::to_string(opened.sampleRate) + " (shown " +
                        N(profile->GetSampleRate()) + ")";
        if (std::to_string(opened.channels) != N(profile->GetChannel()))
            problems += " channels " + std::to_string(opened.channels) + " (shown " + N(profile->GetChannel()) + ")";
    }
    if (std::fabs(opened.seconds - 2.0) > 0.2)
        problems += " duration " + std::to_string(opened.seconds);
    if (!problems.empty())
        out.failure = N(media->m_strOutputFile) + ":" + problems + "\n" + N(queue.back()->strCmdLine);
    return out;
}

}  // namespace

// The catalogue in eight shards, so a test runner may run them side by side
// and none comes near the test time-out on a busy machine.
class CatalogueConversion : public ::testing::TestWithParam<int> {};

TEST_P(CatalogueConversion, EveryProfileOfTheShardConvertsTheClipThroughFfmpeg)
{
    constexpr int kShards = 8;
    vxmtest::CTempDir dir;
    CManagerScope scope(dir.Path());
    ASSERT_TRUE(scope.Loaded());
    const Sources& sources = GetSources();
    ASSERT_FALSE(sources.mono48.empty());
    ASSERT_FALSE(sources.surround.empty());
    const int count = scope.Manager().GetProfileCount();
    ASSERT_EQ(count, 91);

    // Largest frames first, so the threads finish together.
    std::vector<int> order;
    for (int i = GetParam(); i < count; i += kShards)
        order.push_back(i);
    auto area = [&](int i) { return scope.Profile(i)->GetVideoWidth() * scope.Profile(i)->GetVideoHeight(); };
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return area(a) > area(b); });
    const std::string source[2] = {sources.mono48, sources.surround};
    std::vector<Outcome> outcomes(order.size() * 2);
    std::atomic<int> next{0};
    const int jobs = static_cast<int>(outcomes.size());
    auto worker = [&] {
        for (int k = next++; k < jobs; k = next++) {
            const int i = order[static_cast<std::size_t>(k / 2)];
            outcomes[static_cast<std::size_t>(k)] = ConvertWithProfile(scope.Profile(i), i, dir.Path(), source[k % 2]);
        }
    };
    const unsigned threads = std::max(2u, std::min(8u, std::thread::hardware_concurrency()));
    std::vector<std::thread> pool;
    for (unsigned t = 0; t < threads; ++t)
        pool.emplace_back(worker);
    for (std::thread& t : pool)
        t.join();

    int converted = 0;
    std::string skipped;
    for (const Outcome& o : outcomes) {
        EXPECT_TRUE(o.failure.empty()) << o.profile << ": " << o.failure;
        if (!o.skipped.empty())
            skipped += "  " + o.profile + " needs " + o.skipped + "\n";
        else if (o.failure.empty())
            ++converted;
    }
    std::printf("converted %d profiles; skipped (outside tools):\n%s", converted, skipped.c_str());
    // Only jobs that need an outside muxer or the APE encoder may be skipped.
    EXPECT_GE(converted, jobs - 6);
}

INSTANTIATE_TEST_SUITE_P(Shards, CatalogueConversion, ::testing::Range(0, 8));
