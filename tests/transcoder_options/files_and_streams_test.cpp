// Opening inputs and outputs: maps, automatic stream choice with "ast"/"sst",
// metadata, existing outputs and the per-run state.
#include <gtest/gtest.h>

#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <set>
#include <thread>

#include "ffmpeg_filter.h"
#include "log_capture.h"
#include "support/test_media.h"
#include "tool_run.h"

namespace {

// Clips made once per build folder and shared by the test processes.
struct Clips {
    vxmtest::CTempDir dir;  // scratch outputs of this process
    std::string twoAudio;   // 0 video, 1 mono audio, 2 stereo audio
    std::string vob;        // DVD program stream: audio identifiers 128 and 129
    std::string subs;       // 0 video, 1 audio, 2 and 3 subtitles
    std::string chapters;   // 3 s in three chapters of one second
    std::string tagged;     // title "Source" and an audio language
};

// Makes `name` in the shared folder unless it is there; a private name and a
// rename keep parallel test processes from seeing half-written files.
std::string Shared(const std::string& name, std::vector<std::string> args)
{
    const std::string folder = std::string(VXM_BINARY_DIR) + "/tests/media/transcoder_options";
    std::filesystem::create_directories(folder);
    const std::string path = folder + "/" + name;
    if (std::filesystem::exists(path)) return path;
    const std::string tmp = folder + "/" + std::to_string(getpid()) + "_" + name;
    for (auto& a : args)
        if (a == "@OUT") a = tmp;
    EXPECT_TRUE(vxmtest::RunFfmpeg(args)) << name;
    std::error_code ec;
    std::filesystem::rename(tmp, path, ec);
    return path;
}

const Clips& GetClips()
{
    static Clips* c = [] {
        auto* k = new Clips;
        const auto& m = vxmtest::GetTestMedia();
        k->twoAudio = Shared("two_audio.mkv", {"-f", "lavfi", "-i", "testsrc=s=160x120:r=25:d=1", "-f", "lavfi", "-i",
                                               "sine=d=1", "-f", "lavfi", "-i", "sine=f=880:d=1", "-filter:a:1",
                                               "aformat=channel_layouts=stereo", "-map", "0", "-map", "1", "-map", "2",
                                               "-c:v", "mpeg4", "-c:a", "mp2", "@OUT"});
        k->vob = Shared("title.vob", {"-f", "lavfi", "-i", "testsrc=s=160x120:r=25:d=1", "-f", "lavfi", "-i",
                                      "sine=d=1", "-f", "lavfi", "-i", "sine=f=880:d=1", "-map", "0", "-map", "1",
                                      "-map", "2", "-c:v", "mpeg2video", "-c:a", "ac3", "-f", "dvd", "@OUT"});
        k->subs = Shared("subs.mkv", {"-i", m.mp4, "-i", m.srt, "-i", m.srt, "-map", "0", "-map", "1", "-map", "2",
                                      "-c:v", "copy", "-c:a", "copy", "-c:s", "srt", "@OUT"});
        std::string meta = k->dir.File("chapters.txt");
        FILE* f = fopen(meta.c_str(), "w");
        fputs(";FFMETADATA1\n[CHAPTER]\nTIMEBASE=1/1000\nSTART=0\nEND=1000\n[CHAPTER]\nTIMEBASE=1/1000\n"
              "START=1000\nEND=2000\n[CHAPTER]\nTIMEBASE=1/1000\nSTART=2000\nEND=3000\n",
              f);
        fclose(f);
        k->chapters = Shared("chapters.mkv", {"-f", "lavfi", "-i", "sine=d=3", "-i", meta, "-map", "0",
                                              "-map_metadata", "1", "-c:a", "flac", "@OUT"});
        k->tagged = Shared("tagged.mkv", {"-i", m.mp4, "-c", "copy", "-metadata", "title=Source", "-metadata:s:a:0",
                                          "language=ger", "@OUT"});
        return k;
    }();
    return *c;
}

// A run for a DVD title: "ast"/"sst" compare stream identifiers.
class CDvdRun : public CToolContext {
public:
    bool IsDvdTitleMedia() const override { return true; }
};

class COpenedCounter : public CToolContext {
public:
    void OnOutputOpened(int index) override { opened.push_back(index); }
    std::vector<int> opened;
};

int SourceOf(CToolContext& ctx, int ost)
{
    const auto& os = ctx.output_streams[ost];
    return os->source_index < 0 ? -1 : ctx.input_streams[os->source_index]->st->index;
}

AVMediaType TypeOf(CToolContext& ctx, int ost) { return ctx.output_streams[ost]->st->codecpar->codec_type; }

}  // namespace

// ---------------------------------------------------------------- option table

TEST(OptionTable, HasItsOptionsInOrderWithUniqueNamesAndEndsWithAnEmptyRow)
{
    CToolContext ctx;
    build_option_table(&ctx);
    ASSERT_EQ(ctx.options.size(), 146u);
    EXPECT_EQ(ctx.options.back().name, nullptr);
    EXPECT_STREQ(ctx.options[0].name, "L");
    EXPECT_STREQ(ctx.options[142].name, "ast");
    EXPECT_STREQ(ctx.options[143].name, "vst");
    EXPECT_STREQ(ctx.options[144].name, "sst");
    std::set<std::string> names;
    for (size_t i = 0; i + 1 < ctx.options.size(); i++) {
        const OptionDef& d = ctx.options[i];
        EXPECT_TRUE(names.insert(d.name).second) << d.name;
        // Variables of the table live in this run's context.
        if (auto p = std::get_if<int*>(&d.u)) {
            auto addr = reinterpret_cast<const char*>(*p);
            EXPECT_TRUE(addr >= reinterpret_cast<const char*>(&ctx) &&
                        addr < reinterpret_cast<const char*>(&ctx) + sizeof(ctx))
                << d.name;
        }
        if (d.flags & (OPT_SPEC | OPT_OFFSET)) {
            EXPECT_TRUE(d.flags & (OPT_INPUT | OPT_OUTPUT)) << d.name;
        }
    }
}

TEST(OptionTable, HelpIsSilentAndParsingGoesOn)
{
    CToolContext ctx;
    const auto& m = vxmtest::GetTestMedia();
    testing::internal::CaptureStdout();
    EXPECT_EQ(ParseLine(ctx, "-h long -i " + Q(m.mp4) + " -f null -"), 0);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(ctx.output_files.size(), 1u);
}

// ---------------------------------------------------------------- maps

TEST(StreamMaps, SelectNegateAndReportMisses)
{
    const auto& m = vxmtest::GetTestMedia();
    CToolContext ctx;
    ASSERT_EQ(ParseLine(ctx, "-i " + Q(m.mp4) + " -map 0 -map -0:v -f null -"), 0);
    ASSERT_EQ(ctx.output_streams.size(), 1u);
    EXPECT_EQ(TypeOf(ctx, 0), AVMEDIA_TYPE_AUDIO);

    ASSERT_EQ(ParseLine(ctx, "-i " + Q(m.mp4) + " -map 0:a -map 0:v -f null -"), 0);
    ASSERT_EQ(ctx.output_streams.size(), 2u);
    EXPECT_EQ(SourceOf(ctx, 0), 1);
    EXPECT_EQ(SourceOf(ctx, 1), 0);

    CLogCapture log;
    EXPECT_EQ(ParseLine(ctx, "-i " + Q(m.mp4) + " -map 0:5 -f null -"), 1);
    EXPECT_TRUE(log.Contains("Stream map '0:5' matches no streams."));
    EXPECT_EQ(ParseLine(ctx, "-i " + Q(m.mp4) + " -map 1:0 -f null -"), 1);
    EXPECT_TRUE(log.Contains("Invalid input file index: 1."));
}

TEST(StreamMaps, ExternalAudioAsSecondInputAsTheBuildersWriteIt)
{
    const auto& m = vxmtest::GetTestMedia();
    CToolContext ctx;
    ASSERT_EQ(ParseLine(ctx, "-i " + Q(m.mp4) + " -i " + Q(m.mp3) + " -map 0:0 -map 1:0 -c:v mpeg4 -c:a mp2 -f null -"),
              0);
    ASSERT_EQ(ctx.output_streams.size(), 2u);
    EXPECT_EQ(ctx.input_streams[ctx.output_streams[1]->source_index]->file_index, 1);
    EXPECT_STREQ(ctx.output_streams[1]->enc->name, "mp2");
    EXPECT_TRUE(ctx.input_streams[0]->decoding_needed);
    EXPECT_FALSE(ctx.input_streams[1]->decoding_needed);   // the clip's own audio is not used
}

TEST(StreamMaps, CodecCopyNeedsNoEncoderAndNoGraph)
{
    const auto& m = vxmtest::GetTestMedia();
    CToolContext ctx;
    ASSERT_EQ(ParseLine(ctx, "-i " + Q(m.mp4) + " -c copy -f null -"), 0);
    ASSERT_EQ(ctx.output_streams.size(), 2u);
    EXPECT_TRUE(ctx.output_streams[0]->stream_copy);
    EXPECT_TRUE(ctx.filtergraphs.empty());
}

// ---------------------------------------------------------------- automatic choice

TEST(AutomaticStreams, AudioWithMostChannelsOrTheWantedOne)
{
    const auto& c = GetClips();
    CToolContext ctx;
    ASSERT_EQ(ParseLine(ctx, "-i " + Q(c.twoAudio) + " -f null -"), 0);
    ASSERT_EQ(ctx.output_streams.size(), 2u);
    EXPECT_EQ(SourceOf(ctx, 1), 2);   // stereo beats mono

    ASSERT_EQ(ParseLine(ctx, "-ast 1 -i " + Q(c.twoAudio) + " -f null -"), 0);
    ASSERT_EQ(ctx.output_streams.size(), 2u);
    EXPECT_EQ(SourceOf(ctx, 1), 1);

    ASSERT_EQ(ParseLine(ctx, "-ast 2 -i " + Q(c.twoAudio) + " -f null -"), 0);
    EXPECT_EQ(SourceOf(ctx, 1), 2);

    ASSERT_EQ(ParseLine(ctx, "-ast 5 -i " + Q(c.twoAudio) + " -f null -"), 0);
    ASSERT_EQ(ctx.output_streams.size(), 1u);
    EXPECT_EQ(TypeOf(ctx, 0), AVMEDIA_TYPE_VIDEO);
}

TEST(AutomaticStreams, DvdTitlesMatchStreamIdentifiers)
{
    const auto& c = GetClips();
    CDvdRun dvd;
    ASSERT_EQ(ParseLine(dvd, "-ast 129 -i " + Q(c.vob) + " -f null -"), 0);
    ASSERT_EQ(dvd.output_streams.size(), 2u);
    EXPECT_EQ(dvd.input_streams[dvd.output_streams[1]->source_index]->st->id, 129);

    // A file run compares indexes: 129 is no stream.
    CToolContext file;
    ASSERT_EQ(ParseLine(file, "-ast 129 -i " + Q(c.vob) + " -f null -"), 0);
    EXPECT_EQ(file.output_streams.size(), 1u);
}

TEST(AutomaticStreams, WantedSubtitleIsDecodedForBurnInWithoutAnOutputStream)
{
    const auto& c = GetClips();
    CToolContext ctx;
    ASSERT_EQ(ParseLine(ctx, "-sst 3 -i " + Q(c.subs) + " -c:v mpeg4 -c:a mp2 -f avi -y " +
                                 Q(GetClips().dir.File("burn.avi"))),
              0);
    ASSERT_EQ(ctx.output_streams.size(), 2u);
    for (size_t i = 0; i < ctx.output_streams.size(); i++) EXPECT_NE(TypeOf(ctx, static_cast<int>(i)), AVMEDIA_TYPE_SUBTITLE);
    EXPECT_TRUE(ctx.input_streams[3]->wanted_for_burn_in);
    EXPECT_EQ(ctx.input_streams[3]->discard, 0);
    EXPECT_EQ(ctx.input_streams[3]->st->discard, AVDISCARD_NONE);
    EXPECT_FALSE(ctx.input_streams[2]->wanted_for_burn_in);
}

TEST(AutomaticStreams, SubtitlesFollowTheFormat)
{
    const auto& c = GetClips();
    CToolContext ctx;
    ASSERT_EQ(ParseLine(ctx, "-i " + Q(c.subs) + " -c:v copy -c:a copy -y " + Q(c.dir.File("out.mkv"))), 0);
    ASSERT_EQ(ctx.output_streams.size(), 3u);
    EXPECT_EQ(TypeOf(ctx, 2), AVMEDIA_TYPE_SUBTITLE);
    EXPECT_EQ(SourceOf(ctx, 2), 2);
    ASSERT_EQ(ParseLine(ctx, "-i " + Q(c.subs) + " -sn -c copy -y " + Q(c.dir.File("out.mkv"))), 0);
    EXPECT_EQ(ctx.output_streams.size(), 2u);
}

// ---------------------------------------------------------------- metadata and chapters

TEST(Metadata, CopiedFromTheInputAndSetPerTarget)
{
    const auto& c = GetClips();
    CToolContext ctx;
    ASSERT_EQ(ParseLine(ctx, "-i " + Q(c.tagged) + " -metadata artist=Me -metadata:s:v:0 handler_name=Pic -f null -"),
              0);
    AVFormatContext* oc = ctx.output_files[0]->ctx;
    EXPECT_STREQ(MetaGet(oc->metadata, "title"), "Source");
    EXPECT_STREQ(MetaGet(oc->metadata, "artist"), "Me");
    EXPECT_STREQ(MetaGet(oc->streams[0]->metadata, "handler_name"), "Pic");
    EXPECT_STREQ(MetaGet(oc->streams[1]->metadata, "language"), "ger");

    ASSERT_EQ(ParseLine(ctx, "-i " + Q(c.tagged) + " -map_metadata -1 -metadata title= -f null -"), 0);
    oc = ctx.output_files[0]->ctx;
    EXPECT_EQ(MetaGet(oc->metadata, "title"), nullptr);

    CLogCapture log;
    EXPECT_EQ(ParseLine(ctx, "-i " + Q(c.tagged) + " -metadata novalue -f null -"), 1);
    EXPECT_TRUE(log.Contains("No '=' character in metadata string novalue."));
}

TEST(Metadata, ChaptersAreCopiedWithinTheRecordingWindow)
{
    const auto& c = GetClips();
    CToolContext ctx;
    ASSERT_EQ(ParseLine(ctx, "-i " + Q(c.chapters) + " -t 1.5 -f null -"), 0);
    EXPECT_EQ(ctx.output_files[0]->ctx->nb_chapters, 2u);
    ASSERT_EQ(ParseLine(ctx, "-i " + Q(c.chapters) + " -map_chapters -1 -f null -"), 0);
    EXPECT_EQ(ctx.output_files[0]->ctx->nb_chapters, 0u);
}

// ---------------------------------------------------------------- output files

TEST(OutputFiles, AnExistingFileWithoutYesEndsTheRun)
{
    const auto& m = vxmtest::GetTestMedia();
    vxmtest::CTempDir dir;
    std::string out = dir.File("exists.mkv");
    FILE* f = fopen(out.c_str(), "w");
    fputs("x", f);
    fclose(f);
    CLogCapture log;
    CToolContext ctx;
    EXPECT_EQ(ParseLine(ctx, "-i " + Q(m.mp4) + " -c copy " + Q(out)), 1);
    EXPECT_TRUE(log.Contains("Not overwriting - exiting"));
    EXPECT_EQ(ParseLine(ctx, "-n -i " + Q(m.mp4) + " -c copy " + Q(out)), 1);
    EXPECT_TRUE(log.Contains("already exists. Exiting."));
    EXPECT_EQ(ParseLine(ctx, "-y -n -i " + Q(m.mp4) + " -c copy " + Q(out)), 1);
    EXPECT_TRUE(log.Contains("Error, both -y and -n supplied. Exiting."));
    EXPECT_EQ(ParseLine(ctx, "-y -i " + Q(m.mp4) + " -c copy " + Q(out)), 0);
}

TEST(OutputFiles, EveryOpenedOutputIsReported)
{
    const auto& m = vxmtest::GetTestMedia();
    vxmtest::CTempDir dir;
    COpenedCounter ctx;
    ASSERT_EQ(ParseLine(ctx, "-y -i " + Q(m.mp4) + " -c copy " + Q(dir.File("a.mkv")) + " -c copy -f null -"), 0);
    EXPECT_EQ(ctx.opened, (std::vector<int>{0, 1}));
    EXPECT_TRUE(std::filesystem::exists(dir.File("a.mkv")));
}

TEST(OutputFiles, UnknownFormatsAndEncodersEndTheRunWithAClearMessage)
{
    const auto& m = vxmtest::GetTestMedia();
    CLogCapture log;
    CToolContext ctx;
    EXPECT_EQ(ParseLine(ctx, "-f nosuchformat -i " + Q(m.mp4) + " -f null -"), 1);
    EXPECT_TRUE(log.Contains("Unknown input format: 'nosuchformat'"));
    EXPECT_EQ(ParseLine(ctx, "-i " + Q(m.mp4) + " -c:v nosuchcodec -f null -"), 1);
    EXPECT_TRUE(log.Contains("Unknown encoder 'nosuchcodec'"));
    EXPECT_EQ(ParseLine(ctx, "-i " + Q(m.mp4) + " -c:v mp2 -f null -"), 1);
    EXPECT_TRUE(log.Contains("Invalid encoder type 'mp2'"));
    EXPECT_EQ(ParseLine(ctx, "-i " + Q(std::string("/nonexistent/clip.mp4")) + " -f null -"), 1);
}

TEST(OutputFiles, EncoderSettingsFromTheOptions)
{
    const auto& m = vxmtest::GetTestMedia();
    CToolContext ctx;
    ASSERT_EQ(ParseLine(ctx, "-i " + Q(m.mp4) +
                                 " -c:v mpeg4 -s 320x240 -pix_fmt yuv420p -r 30000/1001 -aspect 16:9 -b:v 500k "
                                 "-c:a mp2 -ar 22050 -ac 1 -b:a 64k -f null -"),
              0);
    ASSERT_EQ(ctx.output_streams.size(), 2u);
    auto* v = ctx.output_streams[0].get();
    EXPECT_EQ(v->enc_ctx->width, 320);
    EXPECT_EQ(v->enc_ctx->height, 240);
    EXPECT_EQ(v->enc_ctx->pix_fmt, AV_PIX_FMT_YUV420P);
    EXPECT_EQ(av_cmp_q(v->frame_rate, AVRational{30000, 1001}), 0);
    EXPECT_EQ(av_cmp_q(v->frame_aspect_ratio, AVRational{16, 9}), 0);
    EXPECT_STREQ(MetaGet(v->encoder_opts, "b"), "500k");
    auto* a = ctx.output_streams[1].get();
    EXPECT_EQ(a->enc_ctx->sample_rate, 22050);
    EXPECT_EQ(a->enc_ctx->ch_layout.nb_channels, 1);
    EXPECT_STREQ(MetaGet(a->encoder_opts, "b"), "64k");
    EXPECT_EQ(MetaGet(a->encoder_opts, "pix_fmt"), nullptr);
}

TEST(OutputFiles, TargetPresetSetsFormatCodecsAndSize)
{
    const auto& m = vxmtest::GetTestMedia();
    CToolContext ctx;
    ASSERT_EQ(ParseLine(ctx, "-i " + Q(m.mp4) + " -target pal-dvd -f null -"), 0);
    ASSERT_EQ(ctx.output_streams.size(), 2u);
    EXPECT_STREQ(ctx.output_streams[0]->enc->name, "mpeg2video");
    EXPECT_EQ(ctx.output_streams[0]->enc_ctx->width, 720);
    EXPECT_EQ(ctx.output_streams[0]->enc_ctx->height, 576);
    EXPECT_STREQ(ctx.output_streams[1]->enc->name, "ac3");
    EXPECT_EQ(ctx.output_streams[1]->enc_ctx->sample_rate, 48000);
    EXPECT_STREQ(MetaGet(ctx.output_streams[0]->encoder_opts, "maxrate"), "9000000");

    // The clip runs at 25 fps: the norm is guessed as PAL.
    CLogCapture log;
    ASSERT_EQ(ParseLine(ctx, "-i " + Q(m.mp4) + " -target vcd -f null -"), 0);
    EXPECT_TRUE(log.Contains("Assuming PAL for target."));
    EXPECT_EQ(ctx.output_streams[0]->enc_ctx->height, 288);
}

// ---------------------------------------------------------------- per-run state

TEST(PerRunState, ASecondRunStartsFromTheDefaults)
{
    const auto& m = vxmtest::GetTestMedia();
    CToolContext ctx;
    ASSERT_EQ(ParseLine(ctx, "-y -ast 1 -sst 0 -vol 512 -copyts -deinterlace -threads 3 -i " + Q(m.mp4) +
                                 " -f null -"),
              0);
    EXPECT_EQ(ctx.audio_volume, 512);
    EXPECT_EQ(ctx.wanted_stream[AVMEDIA_TYPE_AUDIO], 1);
    ctx.received_sigterm = -1;
    ctx.main_return_code = 1;

    ASSERT_EQ(ParseLine(ctx, "-i " + Q(m.mkv) + " -f null -"), 0);
    EXPECT_EQ(ctx.audio_volume, 256);
    EXPECT_EQ(ctx.file_overwrite, 0);
    EXPECT_EQ(ctx.copy_ts, 0);
    EXPECT_EQ(ctx.do_deinterlace, 0);
    EXPECT_EQ(ctx.wanted_stream[AVMEDIA_TYPE_AUDIO], -1);
    EXPECT_EQ(ctx.wanted_stream[AVMEDIA_TYPE_SUBTITLE], -1);
    EXPECT_EQ(ctx.received_sigterm.load(), 0);
    EXPECT_EQ(ctx.main_return_code, 0);
    EXPECT_DOUBLE_EQ(ctx.m_dCurrentTime.load(), 0.2);
    ASSERT_EQ(ctx.input_files.size(), 1u);
    EXPECT_EQ(ctx.input_streams.size(), 2u);
    EXPECT_EQ(MetaGet(ctx.input_streams[0]->decoder_opts, "threads"), nullptr);
}

TEST(PerRunState, TwoContextsInParallelDoNotInterfere)
{
    const auto& c = GetClips();
    const auto& m = vxmtest::GetTestMedia();
    std::atomic<int> failures{0};
    auto worker = [&](int which) {
        for (int i = 0; i < 8; i++) {
            CToolContext ctx;
            int code = which == 0 ? ParseLine(ctx, "-ast 1 -threads 2 -i " + Q(c.twoAudio) + " -b:a 64k -f null -")
                                  : ParseLine(ctx, "-vol 300 -i " + Q(m.mp4) + " -an -s 80x60 -f null -");
            if (code != 0) failures++;
            if (which == 0) {
                if (ctx.output_streams.size() != 2 || SourceOf(ctx, 1) != 1 || ctx.audio_volume != 256 ||
                    !MetaGet(ctx.output_streams[1]->encoder_opts, "b") ||
                    ctx.output_streams[0]->enc_ctx->width != 0)
                    failures++;
            } else {
                if (ctx.output_streams.size() != 1 || ctx.audio_volume != 300 ||
                    ctx.wanted_stream[AVMEDIA_TYPE_AUDIO] != -1 || ctx.output_streams[0]->enc_ctx->width != 80 ||
                    MetaGet(ctx.input_streams[0]->decoder_opts, "threads"))
                    failures++;
            }
        }
    };
    std::thread a(worker, 0), b(worker, 1);
    a.join();
    b.join();
    EXPECT_EQ(failures.load(), 0);
}

// ---------------------------------------------------------------- presets

TEST(Presets, PresetFileOptionsReachTheEncoder)
{
    const auto& m = vxmtest::GetTestMedia();
    vxmtest::CTempDir dir;
    std::string preset = dir.File("fast.ffpreset");
    FILE* f = fopen(preset.c_str(), "w");
    fputs("# a comment\nvcodec=mpeg4\nb=300k\n\ng=12\n", f);
    fclose(f);
    CToolContext ctx;
    ASSERT_EQ(ParseLine(ctx, "-i " + Q(m.mp4) + " -fpre " + Q(preset) + " -an -f null -"), 0);
    ASSERT_EQ(ctx.output_streams.size(), 1u);
    EXPECT_STREQ(ctx.output_streams[0]->enc->name, "mpeg4");
    EXPECT_STREQ(MetaGet(ctx.output_streams[0]->encoder_opts, "b"), "300k");
    EXPECT_STREQ(MetaGet(ctx.output_streams[0]->encoder_opts, "g"), "12");

    f = fopen(preset.c_str(), "w");
    fputs("no equals sign\n", f);
    fclose(f);
    CLogCapture log;
    EXPECT_EQ(ParseLine(ctx, "-i " + Q(m.mp4) + " -fpre " + Q(preset) + " -an -f null -"), 1);
    EXPECT_TRUE(log.Contains("Invalid syntax: 'no equals sign'"));
    EXPECT_EQ(ParseLine(ctx, "-i " + Q(m.mp4) + " -vpre nosuchpreset -an -f null -"), 1);
    EXPECT_TRUE(log.Contains("File for preset 'nosuchpreset' not found"));
    EXPECT_EQ(ParseLine(ctx, "-i " + Q(m.mp4) + " -pre nosuchpreset -an -f null -"), 1);
    EXPECT_TRUE(log.Contains("Preset nosuchpreset specified for stream 0:0, but could not be opened."));
}

TEST(PerRunState, AnOutputWithoutAnyInputFailsEvenAfterARunWithInputs)
{
    const auto& m = vxmtest::GetTestMedia();
    CToolContext ctx;
    ASSERT_EQ(ParseLine(ctx, "-i " + Q(m.mp4) + " -f null -"), 0);
    CLogCapture log;
    EXPECT_EQ(ParseLine(ctx, "-f null -"), 1);
    EXPECT_TRUE(log.Contains("No input streams but output needs an input stream"));
}
