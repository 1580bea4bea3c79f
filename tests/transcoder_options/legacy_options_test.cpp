// Options of the older tool that the job builders write, translated for the
// current libraries: each translation and the run it makes possible.
#include <gtest/gtest.h>

#include <fstream>

extern "C" {
#include <libavfilter/buffersink.h>
}

#include "ffmpeg_filter.h"
#include "ffmpeg_legacy.h"
#include "ffmpeg_subtitle_text.h"
#include "VXMUtils.h"
#include "platform/text.h"
#include "log_capture.h"
#include "support/test_media.h"
#include "tool_run.h"

namespace {

std::vector<std::string> Translate(std::vector<std::string> args, CToolContext* ctx = nullptr)
{
    CToolContext local;
    if (!ctx) ctx = &local;
    build_option_table(ctx);
    args.insert(args.begin(), "ffmpeg");
    translate_legacy_arguments(args, ctx);
    args.erase(args.begin());
    return args;
}

using Args = std::vector<std::string>;

int ConfigureAll(CToolContext& ctx)
{
    for (auto& fg : ctx.filtergraphs) {
        int ret = configure_filtergraph(fg.get(), &ctx);
        if (ret < 0) return ret;
    }
    return 0;
}

class CCdRun : public CToolContext {
public:
    std::string CdDrivePath() const override { return "/dev/cdrom1"; }
};

// A stand-in DVD input: opens the test clip and remembers the request.
LegacyInputRequest g_lastDvdRequest;
int OpenClipAsDvd(const LegacyInputRequest& req, AVIOInterruptCB cb, AVFormatContext** out)
{
    g_lastDvdRequest = req;
    AVFormatContext* ic = avformat_alloc_context();
    ic->interrupt_callback = cb;
    int ret = avformat_open_input(&ic, vxmtest::GetTestMedia().mp4.c_str(), nullptr, nullptr);
    if (ret < 0) return ret;
    *out = ic;
    return 0;
}

}  // namespace

// ---------------------------------------------------------------- encoder names

TEST(LegacyEncoders, LibfaacBecomesTheNativeAacEncoder)
{
    EXPECT_EQ(Translate({"-i", "a", "-acodec", "libfaac", "-b:a", "128k", "o.m4a"}),
              (Args{"-i", "a", "-acodec", "aac", "-b:a", "128k", "o.m4a"}));
    EXPECT_EQ(Translate({"-i", "a", "-c:a", "libfaac", "o.m4a"})[3], "aac");

    const auto& m = vxmtest::GetTestMedia();
    CToolContext ctx;
    ASSERT_EQ(ParseLine(ctx, "-i " + Q(m.mp4) + " -vn -acodec libfaac -b:a 96k -profile:a 1 -f null -"), 0);
    ASSERT_EQ(ctx.output_streams.size(), 1u);
    EXPECT_STREQ(ctx.output_streams[0]->enc->name, "aac");
}

TEST(LegacyEncoders, NvencNamesBecomeTheCurrentOnes)
{
    EXPECT_EQ(Translate({"-vcodec", "nvenc"})[1], "h264_nvenc");
    EXPECT_EQ(Translate({"-vcodec", "libnvenc"})[1], "h264_nvenc");
    EXPECT_EQ(Translate({"-vcodec", "nvenc_hevc"})[1], "hevc_nvenc");
    EXPECT_EQ(Translate({"-vcodec", "libx264"})[1], "libx264");
    if (!avcodec_find_encoder_by_name("h264_nvenc")) GTEST_SKIP() << "this build has no NVENC encoder";
    const auto& m = vxmtest::GetTestMedia();
    CToolContext ctx;
    ASSERT_EQ(ParseLine(ctx, "-i " + Q(m.mp4) + " -vcodec nvenc -b:v 300k -an -f null -"), 0);
    EXPECT_STREQ(ctx.output_streams[0]->enc->name, "h264_nvenc");
}

TEST(LegacyEncoders, X265OptionsBecomeX265Params)
{
    EXPECT_EQ(Translate({"-vcodec", "libx265", "-x265opts", "keyint=10", "o.mp4"}),
              (Args{"-vcodec", "libx265", "-x265-params", "keyint=10", "o.mp4"}));
    if (!avcodec_find_encoder_by_name("libx265")) GTEST_SKIP() << "this build has no libx265";
    const auto& m = vxmtest::GetTestMedia();
    CToolContext ctx;
    ASSERT_EQ(ParseLine(ctx, "-i " + Q(m.mp4) + " -vcodec libx265 -b:v 300k -x265opts keyint=10 -an -f null -"), 0);
    EXPECT_STREQ(MetaGet(ctx.output_streams[0]->encoder_opts, "x265-params"), "keyint=10");
}

// ---------------------------------------------------------------- mv0

TEST(LegacyFlags, Mv0GoesToTheVideoEncoderOnly)
{
    EXPECT_EQ(Translate({"-mbd", "2", "-flags", "mv0", "-trellis", "1", "o.flv"}),
              (Args{"-mbd", "2", "-mpv_flags:v", "+mv0", "-trellis", "1", "o.flv"}));
    EXPECT_EQ(Translate({"-flags", "+mv0+qpel", "o.flv"}), (Args{"-flags", "+qpel", "-mpv_flags:v", "+mv0", "o.flv"}));

    // The FLV builder's line: both encoders open with the options they get.
    const auto& m = vxmtest::GetTestMedia();
    vxmtest::CTempDir dir;
    CToolContext ctx;
    ASSERT_EQ(ParseLine(ctx, "-i " + Q(m.mp4) + " -r 25 -f flv -ar 22050 -vcodec flv -b:v 300k -mbd 2 -flags mv0 "
                                 "-trellis 1 -acodec libmp3lame -b:a 64k -y " + Q(dir.File("o.flv"))),
              0);
    ASSERT_EQ(ctx.output_streams.size(), 2u);
    OutputStream* v = ctx.output_streams[0].get();
    OutputStream* a = ctx.output_streams[1].get();
    EXPECT_STREQ(MetaGet(v->encoder_opts, "mpv_flags"), "+mv0");
    EXPECT_EQ(MetaGet(a->encoder_opts, "mpv_flags"), nullptr);
    EXPECT_EQ(MetaGet(a->encoder_opts, "flags"), nullptr);

    v->enc_ctx->width = 160;
    v->enc_ctx->height = 120;
    v->enc_ctx->pix_fmt = AV_PIX_FMT_YUV420P;
    v->enc_ctx->time_base = AVRational{1, 25};
    AVDictionary* opts = nullptr;
    av_dict_copy(&opts, v->encoder_opts, 0);
    EXPECT_EQ(avcodec_open2(v->enc_ctx, v->enc, &opts), 0);
    av_dict_free(&opts);

    a->enc_ctx->sample_rate = 22050;
    a->enc_ctx->sample_fmt = a->enc->sample_fmts[0];
    av_channel_layout_default(&a->enc_ctx->ch_layout, 1);
    av_dict_copy(&opts, a->encoder_opts, 0);
    EXPECT_EQ(avcodec_open2(a->enc_ctx, a->enc, &opts), 0);
    av_dict_free(&opts);
}

// ---------------------------------------------------------------- mp3vol

// The setting's step n (stored n + 1) is a gain of n dB, never n times.
TEST(LegacyAudio, Mp3VolumeBecomesADecibelGainOfItsOutput)
{
    EXPECT_EQ(Translate({"-i", "a", "-aq", "2", "-mp3vol", "3", "o.mp3"}),
              (Args{"-i", "a", "-aq", "2", "-af", "volume=2dB", "o.mp3"}));
    EXPECT_EQ(Translate({"-i", "a", "-af", "volume=0.50", "-ar", "44100", "-mp3vol", "3", "o.mp3"}),
              (Args{"-i", "a", "-af", "volume=0.50,volume=2dB", "-ar", "44100", "o.mp3"}));
    EXPECT_EQ(Translate({"-i", "a", "-mp3vol", "3", "-af", "volume=2dB", "o.mp3", "-af", "anull", "o2.wav"}),
              (Args{"-i", "a", "-af", "volume=2dB,volume=2dB", "o.mp3", "-af", "anull", "o2.wav"}));

    const auto& m = vxmtest::GetTestMedia();
    CToolContext ctx;
    ASSERT_EQ(ParseLine(ctx, "-i " + Q(m.wav) + " -acodec libmp3lame -b:a 64k -ar 44100 -aq 2 -mp3vol 3 -f null -"), 0);
    EXPECT_EQ(ctx.output_streams[0]->avfilter, "volume=2dB");
    EXPECT_EQ(ConfigureAll(ctx), 0);
}

// ---------------------------------------------------------------- mp= filters

TEST(LegacyFilters, MplayerStereoAndEqualizerBecomeStockFilters)
{
    EXPECT_EQ(translate_filter_text("mp=stereo3d=14:12"), "stereo3d=in=sbsl:out=ml");
    EXPECT_EQ(translate_filter_text("crop=10:10:0:0,mp=stereo3d=18:0,hflip"), "crop=10:10:0:0,stereo3d=in=abl:out=arcg,hflip");
    EXPECT_EQ(translate_filter_text("mp=eq2=1.5:1.20:0.10:1.30"),
              "eq=gamma=1.5:contrast=1.20:brightness=0.10:saturation=1.30");
    EXPECT_EQ(translate_filter_text("scale=10:10"), "scale=10:10");

    const auto& m = vxmtest::GetTestMedia();
    CToolContext ctx;
    ASSERT_EQ(ParseLine(ctx, "-i " + Q(m.mp4) + " -vf \"mp=eq2=1.5:1.20:0.10:1.30,mp=stereo3d=14:12\" -an -f null -"), 0);
    EXPECT_EQ(ctx.output_streams[0]->avfilter,
              "eq=gamma=1.5:contrast=1.20:brightness=0.10:saturation=1.30,stereo3d=in=sbsl:out=ml");
    ASSERT_EQ(ConfigureAll(ctx), 0);
    EXPECT_EQ(av_buffersink_get_w(ctx.filtergraphs[0]->outputs[0]->filter), 80);
}

TEST(LegacyFilters, CustomSubtitleOptionsBecomeStockSubtitleOptions)
{
    EXPECT_EQ(translate_filter_text("ass=f='/s/a.srt':force_style=',OutLine=0':font='/f/tahoma.ttf'"),
              "subtitles=filename='/s/a.srt':fontsdir='/f':force_style='OutLine=0'");
    EXPECT_EQ(translate_filter_text("subtitles='/s/a.mkv':scale=1.50:force_style=',Bold=1':encoding=3"),
              "subtitles=filename='/s/a.mkv':force_style='ScaleX=150,ScaleY=150,Bold=1'");
    // The position lifts the lines by a share of the height above one line (288 and 16 for a file not read).
    EXPECT_EQ(translate_filter_text("[in]ass=f='/s/a\\:b.ass':position=90[out]"),
              "[in]subtitles=filename='/s/a\\:b.ass':force_style='MarginV=245'[out]");
    EXPECT_EQ(translate_filter_text("ass=f='/s/a.srt':position=-5:scale=1.20:pixel_aspect=150:line_spacing=-250"),
              "subtitles=filename='/s/a.srt':force_style='MarginV=0,ScaleX=180,ScaleY=120'");
    // Stock options stay as they are.
    EXPECT_EQ(translate_filter_text("ass=/s/a.ass"), "ass=/s/a.ass");
    EXPECT_EQ(translate_filter_text("subtitles=/s/a.srt:si=1"), "subtitles=/s/a.srt:si=1");
}

// Read as the filter reads it: by its byte-order mark whatever the code page,
// with positions in the script's own height above its largest font.
TEST(LegacyFilters, ASubtitleFileIsReadByItsMarkAndPlacedInItsOwnHeight)
{
    vxmtest::CTempDir dir;
    const std::string ass = dir.File("Zoë's: film.ass");
    std::ofstream(ass) << "\xEF\xBB\xBF[Script Info]\nPlayResY: 720\n[V4+ Styles]\nFormat: Name, Fontsize\n"
                          "Style: Default,48\nStyle: Sign,72\n";
    const std::string quoted = "'" + WideToUtf8(EscapeFilterText(Utf8ToWide(ass))) + "'";
    SubtitleTextProblem problem;
    EXPECT_EQ(translate_filter_text("ass=f=" + quoted + ":position=10:encoding=1251", &problem),
              "subtitles=filename=" + quoted + ":force_style='MarginV=65'");
    EXPECT_EQ(problem.code_page, -1);
    // Windows-1251 text read as UTF-8 is named; a media file's own track is left to the filter.
    std::ofstream(dir.File("a.srt")) << "1\n00:00:00,000 --> 00:00:01,000\n\xCF\xF0\xE8\xE2\xE5\xF2\n";
    std::ofstream(dir.File("a.mkv")) << std::string("\x1A\x45\xDF\xA3\x00\x00\xCF\xF0", 8);
    translate_filter_text("ass=f='" + dir.File("a.mkv") + "':position=10", &problem);
    EXPECT_EQ(problem.code_page, -1);
    translate_filter_text("ass=f='" + dir.File("a.srt") + "':position=10", &problem);
    EXPECT_EQ(problem.code_page, 1);
    problem = {};
    translate_filter_text("ass=f='" + dir.File("a.srt") + "':position=10:encoding=1251", &problem);
    EXPECT_EQ(problem.code_page, -1);
}

// ---------------------------------------------------------------- DVD and CD inputs

TEST(LegacyInputs, DvdnavOptionsBecomeARequestForTheDvdInput)
{
    CToolContext ctx;
    Args out = Translate({"-ss", "5", "-f", "dvdnav", "-dvd-device", "/media/disc", "-chapter", "2-3", "-angle", "1",
                          "-i", "dvdnav://4", "-y", "o.mp4"},
                         &ctx);
    EXPECT_EQ(out, (Args{"-ss", "5", "-i", "dvdnav://4", "-y", "o.mp4"}));
    ASSERT_EQ(ctx.legacy_inputs.size(), 1u);
    const LegacyInputRequest& r = ctx.legacy_inputs[0];
    EXPECT_TRUE(r.dvd);
    EXPECT_EQ(r.input_index, 0);
    EXPECT_EQ(r.dvd_device, "/media/disc");
    EXPECT_EQ(r.title, 4);
    EXPECT_EQ(r.first_chapter, 2);
    EXPECT_EQ(r.last_chapter, 3);
    EXPECT_EQ(r.angle, 1);

    CToolContext single;
    Translate({"-f", "dvdnav", "-dvd-device", "/media/disc", "-chapter", "5", "-i", "dvdnav://1", "o.mp4"}, &single);
    ASSERT_EQ(single.legacy_inputs.size(), 1u);
    EXPECT_EQ(single.legacy_inputs[0].first_chapter, 5);
    EXPECT_EQ(single.legacy_inputs[0].last_chapter, -1);
    EXPECT_EQ(single.legacy_inputs[0].angle, -1);
}

TEST(LegacyInputs, ADvdTitleOpensThroughTheRegisteredInput)
{
    CLogCapture log;
    CToolContext ctx;
    set_dvd_input_opener(nullptr);
    EXPECT_EQ(ParseLine(ctx, "-f dvdnav -dvd-device \"/media/disc\" -i dvdnav://2 -f null -"), 1);
    EXPECT_TRUE(log.Contains("No DVD input is available for dvdnav://2."));

    set_dvd_input_opener(OpenClipAsDvd);
    ASSERT_EQ(ParseLine(ctx, "-f dvdnav -dvd-device \"/media/disc\" -chapter 1-2 -angle 1 -i dvdnav://2 -f null -"), 0);
    set_dvd_input_opener(nullptr);
    EXPECT_EQ(g_lastDvdRequest.title, 2);
    EXPECT_EQ(g_lastDvdRequest.dvd_device, "/media/disc");
    ASSERT_EQ(ctx.input_files.size(), 1u);
    EXPECT_EQ(ctx.input_streams.size(), 2u);
    EXPECT_EQ(ctx.output_streams.size(), 2u);
}

TEST(LegacyInputs, CdTrackOptionBecomesATrackRangeOnTheDrive)
{
    CCdRun ctx;
    Args out = Translate({"-f", "libcdio", "-track", "2", "-ss", "1.000", "-i", "", "-vn", "-t", "3.000", "o.mp3"}, &ctx);
    EXPECT_EQ(out, (Args{"-f", "libcdio", "-ss", "1.000", "-i", "/dev/cdrom1", "-vn", "-t", "3.000", "o.mp3"}));
    ASSERT_EQ(ctx.legacy_inputs.size(), 1u);
    EXPECT_FALSE(ctx.legacy_inputs[0].dvd);
    EXPECT_EQ(ctx.legacy_inputs[0].cd_track, 2);
}

TEST(LegacyInputs, ATrackIsItsChapterTimeRange)
{
    // The disc's tracks are chapters of the input: a file with chapters stands in.
    vxmtest::CTempDir dir;
    std::string meta = dir.File("ch.txt");
    FILE* f = fopen(meta.c_str(), "w");
    fputs(";FFMETADATA1\n[CHAPTER]\nTIMEBASE=1/1000\nSTART=0\nEND=1000\n[CHAPTER]\nTIMEBASE=1/1000\nSTART=1000\n"
          "END=2000\n",
          f);
    fclose(f);
    std::string disc = dir.File("disc.mkv");
    ASSERT_TRUE(vxmtest::RunFfmpeg({"-f", "lavfi", "-i", "sine=d=2", "-i", meta, "-map", "0", "-map_metadata", "1",
                                    "-c:a", "flac", disc}));

    CToolContext ctx;
    begin_transcoder_run(&ctx);
    LegacyInputRequest req;
    req.input_index = 0;
    req.cd_track = 2;
    ctx.legacy_inputs.push_back(req);
    OptionGroup g;
    OptionsContext o;
    o.g = &g;
    o.start_time = 1250000;  // a position on the disc, inside the track
    int code = run_tool_guarded(&ctx, [&](CToolContext* c) { return open_input_file(&o, disc.c_str(), c); });
    ASSERT_EQ(code, 0);
    EXPECT_EQ(ctx.input_files[0]->start_time, 1250000);
    EXPECT_EQ(ctx.input_files[0]->recording_time, 750000);

    CLogCapture log;
    CToolContext other;
    begin_transcoder_run(&other);
    req.cd_track = 7;
    other.legacy_inputs.push_back(req);
    OptionGroup g2;
    OptionsContext o2;
    o2.g = &g2;
    EXPECT_EQ(run_tool_guarded(&other, [&](CToolContext* c) { return open_input_file(&o2, disc.c_str(), c); }), 1);
    EXPECT_TRUE(log.Contains("Track 7 does not exist"));
}
