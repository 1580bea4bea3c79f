// Filter graphs for every "-vf"/"-af"/"-filter_complex" form the job builders
// write, built and configured on the test clip.
#include <gtest/gtest.h>

extern "C" {
#include <libavfilter/buffersink.h>
}

#include "ffmpeg_filter.h"
#include "log_capture.h"
#include "platform/folders.h"
#include "support/test_media.h"
#include "tool_run.h"

namespace {

const std::string& OverlayPng()
{
    static std::string png = [] {
        static vxmtest::CTempDir dir;
        std::string p = dir.File("logo.png");
        EXPECT_TRUE(vxmtest::RunFfmpeg({"-f", "lavfi", "-i", "color=red:s=32x32", "-frames:v", "1", p}));
        return p;
    }();
    return png;
}

// Configures every graph of the run; returns the first error.
int ConfigureAll(CToolContext& ctx)
{
    for (auto& fg : ctx.filtergraphs) {
        int ret = configure_filtergraph(fg.get(), &ctx);
        if (ret < 0) return ret;
    }
    return 0;
}

bool GraphHasFilterNamed(const FilterGraph* fg, const std::string& part)
{
    for (unsigned i = 0; i < fg->graph->nb_filters; i++)
        if (std::string(fg->graph->filters[i]->name).find(part) != std::string::npos) return true;
    return false;
}

struct VideoCase {
    std::string vf;
    int w, h;
};

}  // namespace

TEST(VideoFilterGraphs, EveryBuilderFormConfiguresOnTheTestClip)
{
    const auto& m = vxmtest::GetTestMedia();
    const std::string png = OverlayPng();
    const std::vector<VideoCase> cases = {
        {"crop=100:80:10:10", 100, 80},
        {"transpose=1,vflip,hflip", 120, 160},
        {"vflip,hflip,transpose=1,transpose=1", 160, 120},
        {"eq=brightness=0.10,eq=contrast=1.20,eq=saturation=1.30", 160, 120},
        {"scale=320:240", 320, 240},
        {"scale=160:90,pad=160:120:0:15", 160, 120},
        {"scale=200:150,crop=160:120:20:0", 160, 120},
        {"kerndeint", 160, 120},
        {"pullup", 160, 120},
        {"movie='" + png + "'[img];[in][img]overlay=0:0", 160, 120},
        {"movie='" + png + "'[img];[img]scale=20:20[img];[in][img]overlay=5.5:7.25,crop=100:80:0:0", 100, 80},
        {"subtitles='" + m.srt + "'", 160, 120},
        {"mp=stereo3d=14:12", 80, 120},
        {"mp=eq2=1.5:1.20:0.10:1.30", 160, 120},
        {"ass=f='" + m.srt + "':position=90:scale=1.20:force_style=',OutLine=2,Bold=1':pixel_aspect=1:encoding=3", 160,
         120},
        {"null", 160, 120},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.vf);
        CToolContext ctx;
        ASSERT_EQ(ParseLine(ctx, "-i " + Q(m.mp4) + " -vf " + Q(c.vf) + " -an -f null -"), 0);
        ASSERT_EQ(ctx.filtergraphs.size(), 1u);
        ASSERT_EQ(ConfigureAll(ctx), 0);
        AVFilterContext* sink = ctx.filtergraphs[0]->outputs[0]->filter;
        EXPECT_EQ(av_buffersink_get_w(sink), c.w);
        EXPECT_EQ(av_buffersink_get_h(sink), c.h);
    }
}

TEST(VideoFilterGraphs, OutputSizeAndPixelFormatAreInsertedForTheEncoder)
{
    const auto& m = vxmtest::GetTestMedia();
    CLogCapture log;
    CToolContext ctx;
    ASSERT_EQ(ParseLine(ctx, "-i " + Q(m.mkv) + " -vf crop=100:80:0:0 -s 64x48 -c:v png -pix_fmt yuv420p -an -f null -"),
              0);
    ASSERT_EQ(ConfigureAll(ctx), 0);
    AVFilterContext* sink = ctx.filtergraphs[0]->outputs[0]->filter;
    EXPECT_EQ(av_buffersink_get_w(sink), 64);
    EXPECT_EQ(av_buffersink_get_h(sink), 48);
    EXPECT_NE(av_buffersink_get_format(sink), AV_PIX_FMT_YUV420P);   // png takes RGB formats only
    EXPECT_TRUE(log.Contains("Incompatible pixel format 'yuv420p' for codec 'png', auto-selecting format"));
}

TEST(VideoFilterGraphs, InputOptionsInsertTrimDeinterlaceAndForcedRate)
{
    const auto& m = vxmtest::GetTestMedia();
    CToolContext ctx;
    ASSERT_EQ(ParseLine(ctx, "-deinterlace -ss 0.5 -t 0.5 -r 10 -i " + Q(m.mp4) + " -an -f null -"), 0);
    ASSERT_EQ(ConfigureAll(ctx), 0);
    const FilterGraph* fg = ctx.filtergraphs[0].get();
    EXPECT_TRUE(GraphHasFilterNamed(fg, "trim for input stream 0:0"));
    EXPECT_TRUE(GraphHasFilterNamed(fg, "deinterlace input from stream 0:0"));
    EXPECT_TRUE(GraphHasFilterNamed(fg, "force CFR for input from stream 0:0"));
}

// A clip stored on its side goes through turned as it is shown.
TEST(VideoFilterGraphs, RotationMetadataTurnsThePictureUpright)
{
    const auto& m = vxmtest::GetTestMedia();
    vxmtest::CTempDir dir;
    std::string rotated = dir.File("rotated.mp4");
    ASSERT_TRUE(vxmtest::RunFfmpeg({"-i", m.mp4, "-c", "copy", "-metadata:s:v:0", "rotate=90", rotated}));
    CToolContext ctx;
    ASSERT_EQ(ParseLine(ctx, "-i " + Q(rotated) + " -an -f null -"), 0);
    ASSERT_NE(get_rotation(ctx.input_streams[0]->st), 0.0);
    ASSERT_EQ(ConfigureAll(ctx), 0);
    AVFilterContext* sink = ctx.filtergraphs[0]->outputs[0]->filter;
    EXPECT_EQ(av_buffersink_get_w(sink), 120);
    EXPECT_EQ(av_buffersink_get_h(sink), 160);
    EXPECT_TRUE(GraphHasFilterNamed(ctx.filtergraphs[0].get(), "transpose for input from stream 0:0"));
}

TEST(VideoFilterGraphs, ASimpleGraphWithTwoOutputsIsRejected)
{
    const auto& m = vxmtest::GetTestMedia();
    CLogCapture log;
    CToolContext ctx;
    ASSERT_EQ(ParseLine(ctx, "-i " + Q(m.mp4) + " -vf split -an -f null -"), 0);
    EXPECT_EQ(ConfigureAll(ctx), AVERROR(EINVAL));
    EXPECT_TRUE(log.Contains("Simple filtergraph 'split' does not have exactly one input and output."));
}

TEST(VideoFilterGraphs, FiltersOnACopiedStreamAreReported)
{
    const auto& m = vxmtest::GetTestMedia();
    CLogCapture log;
    CToolContext ctx;
    ASSERT_EQ(ParseLine(ctx, "-i " + Q(m.mp4) + " -vf hflip -c:v copy -an -f null -"), 0);
    EXPECT_TRUE(log.Contains("Filtering and streamcopy cannot be used together."));
    EXPECT_TRUE(ctx.filtergraphs.empty());
}

TEST(AudioFilterGraphs, VolumeFormsAndEncoderFormat)
{
    const auto& m = vxmtest::GetTestMedia();
    for (std::string af : {"volume=0.50", "volume=3dB", "anull"}) {
        SCOPED_TRACE(af);
        CToolContext ctx;
        ASSERT_EQ(ParseLine(ctx, "-i " + Q(m.mp4) + " -vn -af " + af + " -c:a mp2 -ar 22050 -ac 1 -f null -"), 0);
        ASSERT_EQ(ConfigureAll(ctx), 0);
        AVFilterContext* sink = ctx.filtergraphs[0]->outputs[0]->filter;
        EXPECT_EQ(av_buffersink_get_sample_rate(sink), 22050);
        EXPECT_EQ(av_buffersink_get_channels(sink), 1);
        EXPECT_EQ(av_buffersink_get_format(sink), AV_SAMPLE_FMT_S16);   // mp2's only format
    }
}

TEST(AudioFilterGraphs, OldVolumeOptionInsertsAVolumeFilter)
{
    const auto& m = vxmtest::GetTestMedia();
    CToolContext ctx;
    ASSERT_EQ(ParseLine(ctx, "-vol 512 -i " + Q(m.wav) + " -f null -"), 0);
    ASSERT_EQ(ConfigureAll(ctx), 0);
    EXPECT_TRUE(GraphHasFilterNamed(ctx.filtergraphs[0].get(), "-vol for input from stream 0:0"));
}

TEST(ComplexFilterGraphs, LabeledOutputsAreMappedAndUnlabeledOnesClaimed)
{
    const auto& m = vxmtest::GetTestMedia();
    {
        CToolContext ctx;
        ASSERT_EQ(ParseLine(ctx, "-i " + Q(m.mp4) + " -filter_complex \"[0:v]scale=80:60[v]\" -map [v] -map 0:a -f null -"),
                  0);
        ASSERT_EQ(ctx.output_streams.size(), 2u);
        EXPECT_EQ(ctx.output_streams[0]->source_index, -1);
        ASSERT_NE(ctx.output_streams[0]->filter, nullptr);
        ASSERT_EQ(ConfigureAll(ctx), 0);
        EXPECT_EQ(av_buffersink_get_w(ctx.output_streams[0]->filter->filter), 80);
    }
    {
        CToolContext ctx;
        ASSERT_EQ(ParseLine(ctx, "-i " + Q(m.mp4) + " -lavfi \"[0:v]split[a][b];[a][b]hstack\" -f null -"), 0);
        // The unlabeled output took the video; audio is still chosen automatically.
        ASSERT_EQ(ctx.output_streams.size(), 2u);
        ASSERT_EQ(ConfigureAll(ctx), 0);
        EXPECT_EQ(av_buffersink_get_w(ctx.output_streams[0]->filter->filter), 320);
        EXPECT_EQ(ctx.input_streams[0]->decoding_needed & DECODING_FOR_FILTER, DECODING_FOR_FILTER);
    }
    {
        CToolContext ctx;
        ASSERT_EQ(ParseLine(ctx, "-i " + Q(m.mp4) + " -filter_complex hflip -an -f null -"), 0);
        ASSERT_EQ(ConfigureAll(ctx), 0);
        EXPECT_EQ(ctx.filtergraphs[0]->inputs[0]->ist, ctx.input_streams[0].get());
    }
}

TEST(ComplexFilterGraphs, MissingLabelsAndUnusedOutputsAreErrors)
{
    const auto& m = vxmtest::GetTestMedia();
    CLogCapture log;
    CToolContext ctx;
    EXPECT_EQ(ParseLine(ctx, "-i " + Q(m.mp4) + " -filter_complex \"[0:v]null[v]\" -map [w] -f null -"), 1);
    EXPECT_TRUE(log.Contains("Output with label 'w' does not exist in any defined filter graph"));

    ASSERT_EQ(ParseLine(ctx, "-i " + Q(m.mp4) + " -filter_complex \"[0:v]split[a][b]\" -map [a] -f null -"), 0);
    EXPECT_LT(ConfigureAll(ctx), 0);
    EXPECT_TRUE(log.Contains("has an unconnected output"));

    EXPECT_EQ(ParseLine(ctx, "-i " + Q(m.mp4) + " -filter_complex \"[3:v]null\" -f null -"), 1);
    EXPECT_TRUE(log.Contains("Invalid file index 3 in filtergraph description"));
}

TEST(ComplexFilterGraphs, AGraphCanBeConfiguredAgain)
{
    const auto& m = vxmtest::GetTestMedia();
    CToolContext ctx;
    ASSERT_EQ(ParseLine(ctx, "-i " + Q(m.mp4) + " -filter_complex \"[0:v]scale=80:60[v]\" -map [v] -f null -"), 0);
    ASSERT_EQ(ConfigureAll(ctx), 0);
    ASSERT_EQ(ConfigureAll(ctx), 0);
    EXPECT_EQ(av_buffersink_get_h(ctx.output_streams[0]->filter->filter), 60);
}

TEST(FontConfiguration, TextNamesTheProgramsFontFolder)
{
    SetProgramFolderForTesting(L"/opt/Conv");
    EXPECT_EQ(fontconfig_text(), "FONTCONFIG_PATH=/opt/Conv/gnu/vxm/fonts");
    SetProgramFolderForTesting(std::wstring(300, L'x'));
    EXPECT_EQ(fontconfig_text().size(), 288u);
    SetProgramFolderForTesting(L"");
}

TEST(ComplexFilterGraphs, ASubtitleStreamFeedsAVideoPadOnACanvas)
{
    const auto& m = vxmtest::GetTestMedia();
    CLogCapture log;
    CToolContext ctx;
    ASSERT_EQ(ParseLine(ctx, "-i " + Q(m.subtitled) + " -filter_complex \"[0:v][0:s]overlay[v]\" -map [v] -f null -"),
              0);
    ASSERT_EQ(ConfigureAll(ctx), 0);
    EXPECT_TRUE(log.Contains("sub2video: using 160x120 canvas"));
    InputStream* sub = ctx.filtergraphs[0]->inputs[1]->ist;
    EXPECT_EQ(sub->st->codecpar->codec_type, AVMEDIA_TYPE_SUBTITLE);
    EXPECT_EQ(sub->sub2video.w, 160);
    EXPECT_EQ(av_buffersink_get_w(ctx.output_streams[0]->filter->filter), 160);
}
