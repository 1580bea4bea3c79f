#include "run_support.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <fstream>
#include <sstream>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include "av/AvHandles.h"
#include "JobCommand.h"
#include "cmdutils.h"
#include "ffmpeg_transcode.h"
#include "platform/text.h"
#include "support/test_media.h"

namespace runtest {

namespace {

struct CEncoderFree {
    void operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
};

// Codes one box as a packet of the file's one stream.
bool WriteBox(AVFormatContext* oc, AVCodecContext* enc, const DvdSubtitleBox& box)
{
    std::vector<uint8_t> index(static_cast<size_t>(box.w) * box.h, 1);
    uint32_t palette[4] = {0x00000000, box.argb, 0xFF000000, 0xFF808080};
    AVSubtitleRect rect{};
    rect.x = box.x;
    rect.y = box.y;
    rect.w = box.w;
    rect.h = box.h;
    rect.nb_colors = 4;
    rect.type = SUBTITLE_BITMAP;
    rect.data[0] = index.data();
    rect.linesize[0] = box.w;
    rect.data[1] = reinterpret_cast<uint8_t*>(palette);
    AVSubtitleRect* rects[1] = {&rect};
    AVSubtitle sub{};
    sub.end_display_time = static_cast<uint32_t>(box.duration_ms);
    sub.num_rects = 1;
    sub.rects = rects;
    sub.pts = box.start_ms * 1000LL;
    std::vector<uint8_t> buf(1 << 16);
    const int size = avcodec_encode_subtitle(enc, buf.data(), static_cast<int>(buf.size()), &sub);
    CAvPacketPtr pkt(av_packet_alloc());
    if (size <= 0 || !pkt || av_new_packet(pkt.get(), size) < 0) return false;
    memcpy(pkt->data, buf.data(), size);
    const AVRational ms{1, 1000};
    pkt->pts = pkt->dts = av_rescale_q(box.start_ms, ms, oc->streams[0]->time_base);
    pkt->duration = av_rescale_q(box.duration_ms, ms, oc->streams[0]->time_base);
    return av_interleaved_write_frame(oc, pkt.get()) >= 0;
}

// A Matroska file with one DVD subtitle stream of the boxes.
bool WriteDvdSubtitles(const std::string& path, int width, int height, const std::vector<DvdSubtitleBox>& boxes)
{
    const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_DVD_SUBTITLE);
    AVFormatContext* raw = nullptr;
    if (!codec || avformat_alloc_output_context2(&raw, nullptr, "matroska", path.c_str()) < 0) return false;
    CAvOutputPtr oc(raw);
    std::unique_ptr<AVCodecContext, CEncoderFree> enc(avcodec_alloc_context3(codec));
    enc->width = width;
    enc->height = height;
    enc->time_base = AVRational{1, 1000};
    AVStream* st = avformat_new_stream(oc.get(), nullptr);
    if (avcodec_open2(enc.get(), codec, nullptr) < 0 || !st || avcodec_parameters_from_context(st->codecpar, enc.get()) < 0)
        return false;
    st->time_base = AVRational{1, 1000};
    if (avio_open(&oc->pb, path.c_str(), AVIO_FLAG_WRITE) < 0 || avformat_write_header(oc.get(), nullptr) < 0)
        return false;
    for (const DvdSubtitleBox& box : boxes)
        if (!WriteBox(oc.get(), enc.get(), box)) return false;
    return av_write_trailer(oc.get()) >= 0;
}

}  // namespace

std::string MakeSubtitledVideo(const vxmtest::CTempDir& dir, const std::string& name, int width, int height,
                               const std::vector<DvdSubtitleBox>& boxes)
{
    const std::string video = dir.File(name + " video.mkv");
    const std::string subs = dir.File(name + " subs.mkv");
    const std::string merged = dir.File(name + ".mkv");
    const std::string source =
        "testsrc=size=" + std::to_string(width) + "x" + std::to_string(height) + ":rate=10:duration=3";
    if (!vxmtest::RunFfmpeg({"-f", "lavfi", "-i", source, "-c:v", "ffv1", "-pix_fmt", "yuv420p", video}) ||
        !WriteDvdSubtitles(subs, width, height, boxes) ||
        !vxmtest::RunFfmpeg({"-i", video, "-i", subs, "-map", "0:v", "-map", "1:s", "-c", "copy", merged}))
        return {};
    return merged;
}

int RunTranscode(CCmdFFplay& runner, const std::string& line)
{
    std::wstring wide = Utf8ToWide("ffmpeg -nostdin -loglevel error " + line);
    runner.exit_code = 0;
    int result = run_tool_guarded(&runner, [&wide](CToolContext* c) {
        return ffmpeg_transcode(const_cast<wchar_t*>(wide.c_str()), static_cast<CCmdFFplay*>(c));
    });
    return runner.exit_code != 0 ? runner.exit_code : result;
}

int RunTranscode(const std::string& line)
{
    CCmdFFplay runner;
    return RunTranscode(runner, line);
}

int RunJobLine(std::wstring line)
{
    // Quiet: the log level goes after the program name.
    const VXM_COMMAND_ARGS args = SplitJobCommandLine(line);
    size_t at = args.args.empty() ? 0 : line.find(args.args[0]) + args.args[0].size();
    if (at < line.size() && line[at] == L'"') at++;
    line.insert(at, L" -nostdin -loglevel error");
    CCmdFFplay runner;
    runner.exit_code = 0;
    int result = run_tool_guarded(&runner, [&line](CToolContext* c) {
        return ffmpeg_transcode(const_cast<wchar_t*>(line.c_str()), static_cast<CCmdFFplay*>(c));
    });
    return runner.exit_code ? runner.exit_code : result;
}

std::vector<StreamInfo> Probe(const std::string& path)
{
    std::string out;
    int rc = vxmtest::RunProgram({"ffprobe", "-v", "error", "-count_frames", "-show_entries",
                                  "stream=codec_type,codec_name,width,height,sample_rate,channels,nb_read_frames,"
                                  "duration,color_range,color_space,color_transfer,color_primaries:"
                                  "stream_side_data=rotation:stream_tags=encoder:format=duration",
                                  "-of", "compact=p=1:nk=0", path},
                                 &out);
    std::vector<StreamInfo> streams;
    if (rc != 0) return streams;
    std::istringstream in(out);
    std::string row;
    double format_duration = 0;
    while (std::getline(in, row)) {
        std::istringstream fields(row);
        std::string kv;
        std::getline(fields, kv, '|');
        if (kv == "format") {
            while (std::getline(fields, kv, '|'))
                if (kv.rfind("duration=", 0) == 0) format_duration = atof(kv.c_str() + 9);
            continue;
        }
        if (kv != "stream") continue;
        StreamInfo s;
        while (std::getline(fields, kv, '|')) {
            auto eq = kv.find('=');
            if (eq == std::string::npos) continue;
            std::string k = kv.substr(0, eq), v = kv.substr(eq + 1);
            if (k == "codec_type") s.type = v;
            else if (k == "codec_name") s.codec = v;
            else if (k == "width") s.width = atoi(v.c_str());
            else if (k == "height") s.height = atoi(v.c_str());
            else if (k == "sample_rate") s.sample_rate = atoi(v.c_str());
            else if (k == "channels") s.channels = atoi(v.c_str());
            else if (k == "nb_read_frames") s.frames = atol(v.c_str());
            else if (k == "duration") s.duration = atof(v.c_str());
            else if (k == "rotation") s.rotation = atoi(v.c_str());
            else if (k == "tag:encoder" || k == "tag:ENCODER") s.encoder = v;
            else if (k.rfind("color_", 0) == 0) s.colour += (s.colour.empty() ? "" : ",") + v;
        }
        streams.push_back(s);
    }
    for (auto& s : streams)
        if (s.duration <= 0) s.duration = format_duration;
    return streams;
}

std::vector<std::string> DecodeFrames(const std::string& path, int width, int height)
{
    vxmtest::CTempDir dir;
    std::string raw = dir.File("frames.yuv");
    std::vector<std::string> frames;
    if (!vxmtest::RunFfmpeg({"-i", path, "-f", "rawvideo", "-pix_fmt", "yuv420p", raw})) return frames;
    std::ifstream in(raw, std::ios::binary);
    const size_t size = static_cast<size_t>(width) * height * 3 / 2;
    std::string buf(size, '\0');
    while (in.read(buf.data(), static_cast<std::streamsize>(size))) frames.push_back(buf);
    return frames;
}

void ExpectSameOutput(const std::string& ours, const std::string& theirs)
{
    auto a = Probe(ours);
    auto b = Probe(theirs);
    ASSERT_FALSE(b.empty()) << theirs;
    ASSERT_EQ(a.size(), b.size()) << ours;
    for (size_t i = 0; i < a.size(); i++) {
        SCOPED_TRACE("stream " + std::to_string(i));
        EXPECT_EQ(a[i].type, b[i].type);
        EXPECT_EQ(a[i].codec, b[i].codec);
        EXPECT_EQ(a[i].width, b[i].width);
        EXPECT_EQ(a[i].height, b[i].height);
        EXPECT_EQ(a[i].rotation, b[i].rotation);
        EXPECT_EQ(a[i].sample_rate, b[i].sample_rate);
        EXPECT_EQ(a[i].channels, b[i].channels);
        EXPECT_EQ(a[i].encoder, b[i].encoder);
        EXPECT_EQ(a[i].colour, b[i].colour);
        if (a[i].type == "video") {
            EXPECT_NEAR(a[i].frames, b[i].frames, 1);
        }
        EXPECT_NEAR(a[i].duration, b[i].duration, 0.05);
    }
}

}  // namespace runtest
