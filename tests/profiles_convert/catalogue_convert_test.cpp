// Every profile of the shipped catalogue converts the standard clip: its job
// queue runs through Debian's ffmpeg, argument by argument as the engine's
// splitter reads the lines, and the output opens with the profile's codecs,
// frame size and the clip's length.
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
    double seconds = 0;
};

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
            } else if (par->codec_type == AVMEDIA_TYPE_AUDIO && result.audio.empty()) {
                result.audio = avcodec_get_name(par->codec_id);
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

Outcome ConvertWithProfile(COutputProfile* profile, int index, const std::string& folder)
{
    Outcome out;
    out.profile = std::to_string(index) + " " + N(profile->GetName()) + "." + N(profile->GetFileExt());
    const vxmtest::TestMedia& clip = vxmtest::GetTestMedia();
    auto media = MakeMedia(clip.mp4, folder + "/" + std::to_string(index));
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
        } else if (profile->m_nScaledWidth > 0 && profile->m_nScaledHeight > 0) {
            w = profile->m_nScaledWidth;
            h = profile->m_nScaledHeight;
        }
        if (opened.width != w || opened.height != h)
            problems += " size " + std::to_string(opened.width) + "x" + std::to_string(opened.height) +
                        " (wanted " + std::to_string(w) + "x" + std::to_string(h) + ")";
    } else if (!opened.video.empty()) {
        problems += " unexpected video " + opened.video;
    }
    if (outputType == PROFILE_OUTPUT_GIF) {
        if (!opened.audio.empty())
            problems += " unexpected audio";
    } else if (opened.audio != ExpectedAudio(profile->GetAudioCodec(), outputType)) {
        problems += " audio " + opened.audio;
    }
    if (std::fabs(opened.seconds - 2.0) > 0.2)
        problems += " duration " + std::to_string(opened.seconds);
    if (!problems.empty())
        out.failure = N(media->m_strOutputFile) + ":" + problems + "\n" + N(queue.back()->strCmdLine);
    return out;
}

}  // namespace

// The catalogue in four shards, so a test runner may run them side by side.
class CatalogueConversion : public ::testing::TestWithParam<int> {};

TEST_P(CatalogueConversion, EveryProfileOfTheShardConvertsTheClipThroughFfmpeg)
{
    constexpr int kShards = 4;
    vxmtest::CTempDir dir;
    CManagerScope scope(dir.Path());
    ASSERT_TRUE(scope.Loaded());
    ASSERT_FALSE(vxmtest::GetTestMedia().mp4.empty());
    const int count = scope.Manager().GetProfileCount();
    ASSERT_EQ(count, 91);

    // Largest frames first, so the threads finish together.
    std::vector<int> order;
    for (int i = GetParam(); i < count; i += kShards)
        order.push_back(i);
    auto area = [&](int i) { return scope.Profile(i)->GetVideoWidth() * scope.Profile(i)->GetVideoHeight(); };
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return area(a) > area(b); });
    std::vector<Outcome> outcomes(order.size());
    std::atomic<int> next{0};
    const int jobs = static_cast<int>(order.size());
    auto worker = [&] {
        for (int k = next++; k < jobs; k = next++) {
            const int i = order[static_cast<std::size_t>(k)];
            outcomes[static_cast<std::size_t>(k)] = ConvertWithProfile(scope.Profile(i), i, dir.Path());
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
    EXPECT_GE(converted, jobs - 3);
}

INSTANTIATE_TEST_SUITE_P(Shards, CatalogueConversion, ::testing::Range(0, 4));
