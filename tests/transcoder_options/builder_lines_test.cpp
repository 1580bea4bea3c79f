// Command lines as the job builders write them: they parse, open their files,
// configure their graphs, and every encoder opens with the options it got.
#include <gtest/gtest.h>

extern "C" {
#include <libavfilter/buffersink.h>
}

#include "ffmpeg_filter.h"
#include "log_capture.h"
#include "support/test_media.h"
#include "tool_run.h"

namespace {

// Gives each encoder its sink's formats and opens it as the set-up will.
// Returns a description of the first failure, empty when all opened.
std::string ConfigureAndOpenEncoders(CToolContext& ctx)
{
    for (auto& fg : ctx.filtergraphs) {
        int ret = configure_filtergraph(fg.get(), &ctx);
        if (ret < 0) return "graph " + std::to_string(fg->index) + ": " + err2str(ret);
    }
    for (auto& ost : ctx.output_streams) {
        if (!ost->encoding_needed || !ost->filter) continue;
        AVCodecContext* enc = ost->enc_ctx;
        AVFilterContext* sink = ost->filter->filter;
        if (ost->enc->type == AVMEDIA_TYPE_VIDEO) {
            enc->width = av_buffersink_get_w(sink);
            enc->height = av_buffersink_get_h(sink);
            enc->pix_fmt = static_cast<AVPixelFormat>(av_buffersink_get_format(sink));
            AVRational fr = ost->frame_rate.num ? ost->frame_rate : av_buffersink_get_frame_rate(sink);
            if (!fr.num) fr = AVRational{25, 1};
            enc->time_base = av_inv_q(fr);
            enc->framerate = fr;
            enc->sample_aspect_ratio = av_buffersink_get_sample_aspect_ratio(sink);
        } else {
            enc->sample_rate = av_buffersink_get_sample_rate(sink);
            enc->sample_fmt = static_cast<AVSampleFormat>(av_buffersink_get_format(sink));
            av_channel_layout_uninit(&enc->ch_layout);
            av_buffersink_get_ch_layout(sink, &enc->ch_layout);
            enc->time_base = AVRational{1, enc->sample_rate};
        }
        AVDictionary* opts = nullptr;
        av_dict_copy(&opts, ost->encoder_opts, 0);
        int ret = avcodec_open2(enc, ost->enc, &opts);
        std::string unused;
        const AVDictionaryEntry* e = nullptr;
        while ((e = av_dict_get(opts, "", e, AV_DICT_IGNORE_SUFFIX))) unused += std::string(" ") + e->key;
        av_dict_free(&opts);
        if (ret < 0) return std::string("encoder ") + ost->enc->name + ": " + err2str(ret);
        if (!unused.empty()) return std::string("encoder ") + ost->enc->name + " left options:" + unused;
    }
    return {};
}

struct BuilderLine {
    const char* what;
    std::string line;
    size_t streams;
};

}  // namespace

TEST(BuilderLines, OpenConfigureAndStartTheirEncoders)
{
    const auto& m = vxmtest::GetTestMedia();
    vxmtest::CTempDir dir;
    const std::string src = Q(m.mp4);
    const std::vector<BuilderLine> lines = {
        {"mp4 x264", "-y -i " + src + " -threads 2 -vf \"crop=150:110:5:5,scale=320:240\" -pix_fmt yuv420p -vcodec "
                     "libx264 -b:v 500k -x264opts level=13:cabac=no:8x8dct=no:ref=2:me=umh:bframes=0:subq=6:"
                     "trellis=0:weightp=0 -threads 2 -r 25 -aspect 4:3 -acodec libfaac -b:a 128k -profile:a 1 "
                     "-ar 44100 -ac 2 " + Q(dir.File("a.mp4")),
         2},
        {"mp3", "-y -i " + src + " -vn -acodec libmp3lame -b:a 128k -ar 44100 -aq 2 -mp3vol 3 "
                "-compression_level 2 -ac 2 -af volume=0.50 " + Q(dir.File("b.mp3")),
         1},
        {"aac", "-y -i " + src + " -vn -acodec libfaac -profile:a 1 -ab 96k -ar 44100 -ac 2 " + Q(dir.File("c.aac")),
         1},
        {"avi mpeg4", "-y -i " + src + " -r 30000/1001 -g 18 -aspect 4:3 -vcodec mpeg4 -b:v 800k -mbd 1 -vtag dx50 "
                      "-acodec libmp3lame -b:a 128k -ar 44100 -ac 2 " + Q(dir.File("d.avi")),
         2},
        {"mpeg1", "-y -i " + src + " -vcodec mpeg1video -b:v 1150k -trellis 1 -mbd 2 -g 15 -aspect 4:3 -maxrate "
                  "1152k -bufsize 327k -b 1152k -acodec mp2 -b:a 224k -ar 44100 -f mpeg " + Q(dir.File("e.mpg")),
         2},
        {"thumbnail", "-y -i " + src + " -f image2 -ss 1 -vframes 1 -s 160x120 -an " + Q(dir.File("t.jpg")), 1},
        {"psp", "-y -i " + src + " -f psp -vcodec mpeg4 -b:v 300k -acodec libfaac -b:a 64k -profile:a 1 -metadata "
                "title=\"Clip One\" -s 320x240 -ar 24000 " + Q(dir.File("f.mp4")),
         2},
        {"dvd", "-y -i " + src + " -target ntsc-dvd -aspect 16:9 -b:v 5000k " + Q(dir.File("g.vob")), 2},
        {"avc psp", "-y -i " + src + " -sws_flags 512 -vcodec libx264 -x264opts level=21:8x8dct=no:bframes=0:"
                    "cabac=no:cqm=flat:weightp=0:bitrate=300:threads=2 -s 480x272 -acodec libfaac -b:a 64k "
                    "-profile:a 1 -ar 48000 -ac 2 -f mp4 " + Q(dir.File("h.mp4")),
         2},
        {"wav", "-y -i " + src + " -vn -acodec pcm_s16le -ar 44100 -ac 2 -f wav " + Q(dir.File("i.wav")), 1},
        {"flac with volume", "-y -i " + src + " -vn -af volume=3dB -acodec flac -compression_level 5 " +
                                 Q(dir.File("j.flac")),
         1},
        {"mkv subtitles copy", "-y -i " + Q(m.subtitled) + " -scodec copy -vcodec libx264 -b:v 300k -acodec aac "
                               "-b:a 96k " + Q(dir.File("k.mkv")),
         3},
        {"deinterlace and pullup", "-y -i " + src + " -vf \"kerndeint,pullup\" -vcodec mpeg4 -b:v 400k -an " +
                                       Q(dir.File("l.mp4")),
         1},
    };
    for (const auto& l : lines) {
        SCOPED_TRACE(l.what);
        CToolContext ctx;
        ASSERT_EQ(ParseLine(ctx, l.line), 0);
        EXPECT_EQ(ctx.output_streams.size(), l.streams);
        EXPECT_EQ(ConfigureAndOpenEncoders(ctx), "");
    }
}

TEST(BuilderLines, MetadataAndBitstreamFiltersReachTheirOutput)
{
    const auto& m = vxmtest::GetTestMedia();
    vxmtest::CTempDir dir;
    CToolContext ctx;
    ASSERT_EQ(ParseLine(ctx, "-y -i " + Q(m.mp4) + " -f psp -vcodec mpeg4 -acodec libfaac -metadata title=\"Clip One\" " +
                                 Q(dir.File("a.mp4"))),
              0);
    EXPECT_STREQ(MetaGet(ctx.output_files[0]->ctx->metadata, "title"), "Clip One");

    ASSERT_EQ(ParseLine(ctx, "-y -i " + Q(m.mp4) + " -vcodec copy -acodec copy -absf aac_adtstoasc -f avi " +
                                 Q(dir.File("b.avi"))),
              0);
    ASSERT_EQ(ctx.output_streams.size(), 2u);
    EXPECT_TRUE(ctx.output_streams[0]->bitstream_filters.empty());
    EXPECT_EQ(ctx.output_streams[1]->bitstream_filters, (std::vector<std::string>{"aac_adtstoasc"}));
}

TEST(RunCleanup, FreesTheRunAndLogsHowItEnded)
{
    const auto& m = vxmtest::GetTestMedia();
    CLogCapture log;
    CToolContext ctx;
    ASSERT_EQ(ParseLine(ctx, "-i " + Q(m.mp4) + " -f null -"), 0);
    ctx.received_sigterm = -1;
    ffmpeg_cleanup(0, &ctx);
    EXPECT_TRUE(log.Contains("Received signal -1: terminating."));
    EXPECT_TRUE(ctx.input_files.empty());
    EXPECT_TRUE(ctx.output_files.empty());
    EXPECT_TRUE(ctx.filtergraphs.empty());
    EXPECT_EQ(ctx.argc, 0);

    log.Clear();
    ASSERT_EQ(ParseLine(ctx, "-i " + Q(m.mp4) + " -f null -"), 0);
    ffmpeg_cleanup(1, &ctx);
    EXPECT_FALSE(log.Contains("Conversion failed!"));   // set-up never completed
    EXPECT_EQ(ctx.exit_code, 1);
    ctx.transcode_init_done = 1;
    ffmpeg_cleanup(1, &ctx);
    EXPECT_TRUE(log.Contains("Conversion failed!"));
}

TEST(RunCleanup, AnExitDuringParsingCleansUpThroughTheRegisteredCallback)
{
    const auto& m = vxmtest::GetTestMedia();
    register_exit(ffmpeg_cleanup);
    CToolContext ctx;
    EXPECT_EQ(ParseLine(ctx, "-i " + Q(m.mp4) + " -map 0:9 -f null -"), 1);
    register_exit(nullptr);
    EXPECT_EQ(ctx.exit_code, 1);
    EXPECT_TRUE(ctx.input_files.empty());
    EXPECT_TRUE(ctx.output_files.empty());
}
