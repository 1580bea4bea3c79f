// The tools' command-line layer: argument vectors, option groups, routing of
// library options, numbers and times, stream specifiers and the exit path.
#include <gtest/gtest.h>

#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <mutex>

#include "cmdutils.h"
#include "ffmpeg_opt.h"
#include "log_capture.h"
#include "support/test_media.h"

namespace {

struct ParsedLine {
    OptionParseContext octx;
    int ret = 0;
};

const OptionGroupDef kGroups[] = {
    {"output file", nullptr, OPT_OUTPUT},
    {"input file", "i", OPT_INPUT},
};

// Splits `line` (a wide command line) with the transcoder's table.
std::unique_ptr<ParsedLine> Split(CToolContext& ctx, const std::wstring& line)
{
    begin_transcoder_run(&ctx);
    ctx.m_strCommandLine = line;
    auto p = std::make_unique<ParsedLine>();
    EXPECT_TRUE(prepare_app_arguments(&ctx));
    p->ret = split_commandline(&p->octx, ctx.argc, ctx.argv_ptrs.data(), ctx.options.data(), kGroups, 2, &ctx);
    return p;
}

const char* DictGet(AVDictionary* d, const char* key)
{
    const AVDictionaryEntry* e = av_dict_get(d, key, nullptr, 0);
    return e ? e->value : nullptr;
}

}  // namespace

// ---------------------------------------------------------------- argument vector

TEST(ArgumentVector, FollowsWindowsQuotingAndSkipsTheProgramName)
{
    CToolContext ctx;
    ctx.m_strCommandLine = LR"("C:\Program Files\app.exe" -i "a b.mp4" -metadata "title=say \"hi\"" x\\y out.mp4)";
    ASSERT_TRUE(prepare_app_arguments(&ctx));
    ASSERT_EQ(ctx.argc, 7);
    EXPECT_EQ(ctx.argv_storage[0], "C:\\Program Files\\app.exe");
    EXPECT_EQ(ctx.argv_storage[2], "a b.mp4");
    EXPECT_EQ(ctx.argv_storage[4], "title=say \"hi\"");
    EXPECT_EQ(ctx.argv_storage[5], "x\\\\y");  // backslashes not before a quote stay as they are
    EXPECT_EQ(ctx.argv_ptrs.back(), nullptr);
}

TEST(ArgumentVector, EvenBackslashesBeforeAQuoteAreHalvedAndTheQuoteOpens)
{
    auto args = split_command_line_utf8(LR"(p a\\"b c"d)");
    ASSERT_EQ(args.size(), 2u);
    EXPECT_EQ(args[1], "a\\b cd");
}

TEST(ArgumentVector, NonAsciiTextBecomesUtf8)
{
    auto args = split_command_line_utf8(L"p -metadata title=\u00e9t\u00e9 \u4e2d.mp4");
    ASSERT_EQ(args.size(), 4u);
    EXPECT_EQ(args[2], "title=\xc3\xa9t\xc3\xa9");
    EXPECT_EQ(args[3], "\xe4\xb8\xad.mp4");
}

TEST(ArgumentVector, AnEmptyCommandLineKeepsTheCallersVector)
{
    CToolContext ctx;
    EXPECT_FALSE(prepare_app_arguments(&ctx));
    EXPECT_EQ(ctx.argc, 0);
}

// ---------------------------------------------------------------- groups

TEST(OptionGroups, InputOptionOpensAGroupAndABareArgumentClosesAnOutput)
{
    CToolContext ctx;
    auto p = Split(ctx, L"ffmpeg -y -ss 1 -i in.mp4 -c:v libx264 -t 2 out1.mp4 -an out2.mkv");
    ASSERT_EQ(p->ret, 0);
    ASSERT_EQ(p->octx.global_opts.opts.size(), 1u);
    EXPECT_STREQ(p->octx.global_opts.opts[0].opt->name, "y");

    auto& inputs = p->octx.groups[1].groups;
    ASSERT_EQ(inputs.size(), 1u);
    EXPECT_EQ(inputs[0].arg, "in.mp4");
    ASSERT_EQ(inputs[0].opts.size(), 1u);
    EXPECT_EQ(inputs[0].opts[0].key, "ss");

    auto& outputs = p->octx.groups[0].groups;
    ASSERT_EQ(outputs.size(), 2u);
    EXPECT_EQ(outputs[0].arg, "out1.mp4");
    ASSERT_EQ(outputs[0].opts.size(), 2u);
    EXPECT_EQ(outputs[0].opts[0].key, "c:v");
    EXPECT_EQ(outputs[0].opts[0].val, "libx264");
    EXPECT_EQ(outputs[1].arg, "out2.mkv");
    ASSERT_EQ(outputs[1].opts.size(), 1u);
    EXPECT_EQ(outputs[1].opts[0].key, "an");
}

TEST(OptionGroups, DoubleDashMakesTheNextArgumentAFileName)
{
    CToolContext ctx;
    auto p = Split(ctx, L"ffmpeg -i in.mp4 -c copy -- -strange.mkv");
    ASSERT_EQ(p->ret, 0);
    ASSERT_EQ(p->octx.groups[0].groups.size(), 1u);
    EXPECT_EQ(p->octx.groups[0].groups[0].arg, "-strange.mkv");
}

TEST(OptionGroups, AnInputOptionOnAnOutputIsRejected)
{
    CLogCapture log;
    CToolContext ctx;
    auto p = Split(ctx, L"ffmpeg -i in.mp4 -itsoffset 1 out.mp4");
    ASSERT_EQ(p->ret, 0);
    OptionsContext o;
    o.g = &p->octx.groups[0].groups[0];
    EXPECT_EQ(parse_optgroup(&o, o.g, &ctx), AVERROR(EINVAL));
    EXPECT_TRUE(log.Contains("cannot be applied to output file out.mp4"));
}

TEST(OptionGroups, TrailingOptionsAreOnlyAWarning)
{
    CLogCapture log;
    CToolContext ctx;
    auto p = Split(ctx, L"ffmpeg -i in.mp4 out.mp4 -c:v libx264");
    EXPECT_EQ(p->ret, 0);
    EXPECT_TRUE(log.Contains("Trailing options were found on the commandline."));
}

TEST(OptionGroups, NoPrefixTurnsABooleanOff)
{
    CToolContext ctx;
    auto p = Split(ctx, L"ffmpeg -nostdin -i in.mp4 out.mp4");
    ASSERT_EQ(p->ret, 0);
    ASSERT_EQ(p->octx.global_opts.opts.size(), 1u);
    EXPECT_EQ(p->octx.global_opts.opts[0].val, "0");
    ASSERT_EQ(parse_optgroup(nullptr, &p->octx.global_opts, &ctx), 0);
    EXPECT_EQ(ctx.stdin_interaction, 0);
}

TEST(OptionGroups, HideBannerIsAccepted)
{
    CToolContext ctx;
    auto p = Split(ctx, L"ffmpeg -hide_banner -i in.mp4 out.mp4");
    ASSERT_EQ(p->ret, 0);
    EXPECT_TRUE(p->octx.global_opts.opts.empty());
    EXPECT_EQ(p->octx.groups[1].groups[0].arg, "in.mp4");
}

TEST(OptionGroups, AMissingArgumentIsAnError)
{
    CLogCapture log;
    CToolContext ctx;
    auto p = Split(ctx, L"ffmpeg -i in.mp4 -c:v");
    EXPECT_EQ(p->ret, AVERROR(EINVAL));
    EXPECT_TRUE(log.Contains("Missing argument for option 'c:v'."));
}

// ---------------------------------------------------------------- routing

TEST(OptionRouting, LibraryOptionsReachTheSetOfTheirLayerInTheirFilesGroup)
{
    CToolContext ctx;
    auto p = Split(ctx, L"ffmpeg -threads 2 -i in.mp4 -g 50 -ab 96k -movflags +faststart -sws_flags lanczos "
                        L"-dither_method triangular out.mp4");
    ASSERT_EQ(p->ret, 0);
    auto& in = p->octx.groups[1].groups[0];
    EXPECT_STREQ(DictGet(in.codec_opts, "threads"), "2");
    auto& out = p->octx.groups[0].groups[0];
    EXPECT_STREQ(DictGet(out.codec_opts, "g"), "50");
    EXPECT_STREQ(DictGet(out.codec_opts, "ab"), "96k");
    EXPECT_EQ(DictGet(out.codec_opts, "threads"), nullptr);
    EXPECT_STREQ(DictGet(out.format_opts, "movflags"), "+faststart");
    EXPECT_STREQ(DictGet(out.sws_dict, "sws_flags"), "lanczos");
    EXPECT_STREQ(DictGet(out.swr_opts, "dither_method"), "triangular");
    // Nothing stays behind in the run's working sets.
    EXPECT_EQ(ctx.codec_opts, nullptr);
    EXPECT_EQ(ctx.format_opts, nullptr);
}

TEST(OptionRouting, AnOptionOfBothLayersGoesToBoth)
{
    CLogCapture log;
    CToolContext ctx;
    auto p = Split(ctx, L"ffmpeg -i in.mp4 -strict experimental out.mp4");
    ASSERT_EQ(p->ret, 0);
    auto& out = p->octx.groups[0].groups[0];
    EXPECT_STREQ(DictGet(out.codec_opts, "strict"), "experimental");
    EXPECT_STREQ(DictGet(out.format_opts, "strict"), "experimental");
    EXPECT_TRUE(log.Contains("Routing option strict to both codec and muxer layer"));
}

TEST(OptionRouting, AnOptionNobodyKnowsIsAClearError)
{
    CLogCapture log;
    CToolContext ctx;
    auto p = Split(ctx, L"ffmpeg -i in.mp4 -frobnicate 3 out.mp4");
    EXPECT_EQ(p->ret, AVERROR_OPTION_NOT_FOUND);
    EXPECT_TRUE(log.Contains("Unrecognized option 'frobnicate'."));
}

TEST(OptionRouting, AnInvalidScalerValueIsRejected)
{
    CLogCapture log;
    CToolContext ctx;
    auto p = Split(ctx, L"ffmpeg -i in.mp4 -sws_flags nonsense out.mp4");
    EXPECT_LT(p->ret, 0);
    EXPECT_TRUE(log.Contains("Error setting option sws_flags."));
}

// ---------------------------------------------------------------- numbers and times

TEST(TimeSyntax, AcceptsTheDocumentedDurationForms)
{
    struct {
        const char* text;
        int64_t us;
    } cases[] = {
        {"90", 90000000},        {"1.5", 1500000},        {"01:02:03.5", 3723500000},
        {"02:03", 123000000},    {"500ms", 500000},       {"250000us", 250000},
        {"-1.25", -1250000},     {"3s", 3000000},
    };
    CToolContext ctx;
    for (const auto& c : cases) EXPECT_EQ(parse_time_or_die(&ctx, "t", c.text, 1), c.us) << c.text;
}

TEST(TimeSyntax, AnInvalidTimeEndsTheRunWithCode1)
{
    CLogCapture log;
    CToolContext ctx;
    bool after = false;
    int code = run_tool_guarded(&ctx, [&](CToolContext* c) {
        parse_time_or_die(c, "ss", "abc", 1);
        after = true;
        return 0;
    });
    EXPECT_EQ(code, 1);
    EXPECT_EQ(ctx.exit_code, 1);
    EXPECT_FALSE(after);
    EXPECT_TRUE(log.Contains("Invalid duration value for ss: abc"));
}

TEST(TimeSyntax, WithoutAContextAFailureOnlyLogs)
{
    CLogCapture log;
    EXPECT_EQ(parse_time_or_die(nullptr, "ss", "abc", 1), INT64_MIN);
    EXPECT_EQ(parse_number_or_die(nullptr, "ar", "x1", OPT_INT, 0, 10), 0);
    EXPECT_TRUE(log.Contains("Expected number for ar but found: x1"));
}

TEST(NumberSyntax, RangeAndIntegerChecks)
{
    CToolContext ctx;
    EXPECT_EQ(parse_number_or_die(&ctx, "ac", "2", OPT_INT, 0, 8), 2);
    EXPECT_DOUBLE_EQ(parse_number_or_die(&ctx, "q", "2.5", OPT_DOUBLE, 0, 10), 2.5);
    EXPECT_EQ(parse_number_or_die(&ctx, "b", "1k", OPT_INT64, 0, 1e9), 1000);
    CLogCapture log;
    EXPECT_EQ(run_tool_guarded(&ctx, [](CToolContext* c) {
                  parse_number_or_die(c, "ac", "9", OPT_INT, 0, 8);
                  return 0;
              }),
              1);
    EXPECT_TRUE(log.Contains("The value for ac was 9 which is not within"));
    EXPECT_EQ(run_tool_guarded(&ctx, [](CToolContext* c) {
                  parse_number_or_die(c, "ac", "1.5", OPT_INT, 0, 8);
                  return 0;
              }),
              1);
    EXPECT_TRUE(log.Contains("Expected int for ac but found 1.5"));
}

// ---------------------------------------------------------------- stream specifiers

TEST(StreamSpecifiers, MatchTheStreamsOfTheTestClip)
{
    const auto& media = vxmtest::GetTestMedia();
    AVFormatContext* ic = nullptr;
    ASSERT_EQ(avformat_open_input(&ic, media.mp4.c_str(), nullptr, nullptr), 0);
    ASSERT_GE(avformat_find_stream_info(ic, nullptr), 0);
    ASSERT_EQ(ic->nb_streams, 2u);
    AVStream* v = ic->streams[0];
    AVStream* a = ic->streams[1];
    EXPECT_EQ(check_stream_specifier(ic, v, "v"), 1);
    EXPECT_EQ(check_stream_specifier(ic, a, "v"), 0);
    EXPECT_EQ(check_stream_specifier(ic, a, "a:0"), 1);
    EXPECT_EQ(check_stream_specifier(ic, a, "1"), 1);
    EXPECT_EQ(check_stream_specifier(ic, v, ""), 1);
    CLogCapture log;
    EXPECT_LT(check_stream_specifier(ic, v, "q:"), 0);
    EXPECT_TRUE(log.Contains("Invalid stream specifier: q:."));

    AVDictionary* opts = nullptr;
    av_dict_set(&opts, "threads:v", "4", 0);
    av_dict_set(&opts, "threads:a", "2", 0);
    av_dict_set(&opts, "b", "1M", 0);   // an encoder option: not for a decoder
    av_dict_set(&opts, "ar", "22050", 0);
    av_dict_set(&opts, "flags:q:", "+bitexact", 0);
    AVDictionary* forAudio = filter_codec_opts(opts, a->codecpar->codec_id, ic, a, nullptr);
    EXPECT_STREQ(DictGet(forAudio, "threads"), "2");
    EXPECT_EQ(DictGet(forAudio, "b"), nullptr);
    EXPECT_STREQ(DictGet(forAudio, "ar"), "22050");
    EXPECT_EQ(DictGet(forAudio, "flags"), nullptr);
    AVDictionary* forVideo = filter_codec_opts(opts, v->codecpar->codec_id, ic, v, nullptr);
    EXPECT_STREQ(DictGet(forVideo, "threads"), "4");
    av_dict_free(&forAudio);
    av_dict_free(&forVideo);
    av_dict_free(&opts);
    avformat_close_input(&ic);
}

// ---------------------------------------------------------------- exit path

namespace {
std::atomic<int> g_cleanupCalls{0};
std::atomic<int> g_cleanupCode{-100};
void CountingCleanup(int code, CToolContext* ctx)
{
    if (!ctx) return;
    g_cleanupCalls++;
    g_cleanupCode = code;
}
}  // namespace

TEST(ExitPath, AFailureUnwindsToTheEntryReleasesLocksAndRunsTheCleanupOnce)
{
    register_exit(CountingCleanup);
    g_cleanupCalls = 0;
    CToolContext ctx;
    std::mutex setupLock;
    bool after = false;
    int code = run_tool_guarded(&ctx, [&](CToolContext* c) {
        std::lock_guard<std::mutex> guard(setupLock);
        exit_program(c, 3);
        after = true;
        return 0;
    });
    register_exit(nullptr);
    EXPECT_EQ(code, 3);
    EXPECT_EQ(ctx.exit_code, 3);
    EXPECT_FALSE(after);
    EXPECT_EQ(g_cleanupCalls.load(), 1);
    EXPECT_EQ(g_cleanupCode.load(), 3);
    EXPECT_TRUE(setupLock.try_lock());
    setupLock.unlock();
}

TEST(ExitPath, CodeZeroRunsTheCleanupAndGoesOn)
{
    register_exit(CountingCleanup);
    g_cleanupCalls = 0;
    CToolContext ctx;
    bool after = false;
    int code = run_tool_guarded(&ctx, [&](CToolContext* c) {
        exit_program(c, 0);
        after = true;
        return 0;
    });
    register_exit(nullptr);
    EXPECT_EQ(code, 0);
    EXPECT_TRUE(after);
    EXPECT_EQ(g_cleanupCalls.load(), 1);
}

TEST(ExitPath, WithoutAContextTheCallerGoesOn)
{
    bool after = false;
    exit_program(nullptr, 1);
    after = true;
    EXPECT_TRUE(after);
}

// ---------------------------------------------------------------- log level, report, version

TEST(LogLevel, NamesNumbersAndTheRepeatPrefix)
{
    CLogCapture log;
    opt_loglevel(nullptr, "loglevel", "error", nullptr);
    EXPECT_EQ(av_log_get_level(), AV_LOG_ERROR);
    opt_loglevel(nullptr, "loglevel", "repeat+warning", nullptr);
    EXPECT_EQ(av_log_get_level(), AV_LOG_WARNING);
    EXPECT_FALSE(av_log_get_flags() & AV_LOG_SKIP_REPEATED);
    opt_loglevel(nullptr, "loglevel", "12x", nullptr);
    EXPECT_EQ(av_log_get_level(), 12);
    av_log_set_level(AV_LOG_VERBOSE);
    EXPECT_TRUE(log.Contains("Invalid loglevel \"12x\". Possible levels are numbers or:"));
}

TEST(Report, FileNameAndArgumentQuoting)
{
    struct tm tm{};
    tm.tm_year = 2026 - 1900;
    tm.tm_mon = 0;
    tm.tm_mday = 5;
    tm.tm_hour = 7;
    tm.tm_min = 8;
    tm.tm_sec = 9;
    EXPECT_EQ(expand_report_name("/var/log/vxm", tm), "/var/log/vxm/ffmpeg-20260105-070809.log");
    EXPECT_EQ(dump_argument("-c:v"), "-c:v");
    EXPECT_EQ(dump_argument("a b"), "\"a b\"");
    EXPECT_EQ(dump_argument("$x\"`\\"), "\"\\$x\\\"\\`\\\\\"");
    EXPECT_EQ(dump_argument("\t"), "\"\\x09\"");
}

namespace {
void ReportChild(const std::string& folder)
{
    CToolContext ctx;
    build_option_table(&ctx);
    char a0[] = "ffmpeg", a1[] = "-i", a2[] = "in.mp4", a3[] = "out file.mp4";
    char* argv[] = {a0, a1, a2, a3, nullptr};
    std::string ffreport = "file=" + folder;
    parse_loglevel_with_report(4, argv, ctx.options.data(), folder.c_str(), ffreport.c_str());
    parse_loglevel_with_report(4, argv, ctx.options.data(), folder.c_str(), ffreport.c_str());
    std::string content, name;
    int files = 0;
    for (const auto& e : std::filesystem::directory_iterator(folder)) {
        name = e.path().string();
        files++;
    }
    FILE* f = fopen(name.c_str(), "r");
    char buf[4096];
    size_t n = f ? fread(buf, 1, sizeof buf, f) : 0;
    content.assign(buf, n);
    auto count = [&](const std::string& s) {
        int c = 0;
        for (size_t p = content.find(s); p != std::string::npos; p = content.find(s, p + 1)) c++;
        return c;
    };
    bool ok = files == 1 && name.find("/ffmpeg-") != std::string::npos && count("started on") == 1 &&
              count("Command line:\nffmpeg -i in.mp4 \"out file.mp4\"\n") == 2;
    exit(ok ? 0 : 1);
}

void VersionChild()
{
    FILE* sink = tmpfile();
    dup2(fileno(sink), 2);
    show_version(nullptr, "version", nullptr, nullptr);
    av_log(nullptr, AV_LOG_ERROR, "should not appear\n");
    fflush(stderr);
    exit(ftell(sink) == 0 && lseek(2, 0, SEEK_END) == 0 ? 0 : 1);
}
}  // namespace

TEST(Report, TwoRunsShareOneFileWithOneHeaderAndTwoCommandLines)
{
    // The report is process-wide and stays open: check it in a child process.
    vxmtest::CTempDir dir;
    EXPECT_EXIT(ReportChild(dir.Path()), ::testing::ExitedWithCode(0), "");
}

TEST(Version, PrintsNothingAndSilencesTheLog)
{
    EXPECT_EXIT(VersionChild(), ::testing::ExitedWithCode(0), "");
}

// ---------------------------------------------------------------- player and probe parser

namespace {
struct PlayerOptions {
    int noaudio = 0;
    int64_t start = 0;
    std::vector<OptionDef> table;
    PlayerOptions(bool withDefault)
    {
        OptionDef an;
        an.name = "an";
        an.flags = OPT_BOOL;
        an.u = &noaudio;
        OptionDef ss;
        ss.name = "ss";
        ss.flags = HAS_ARG | OPT_TIME;
        ss.u = &start;
        table = {an, ss};
        if (withDefault) {
            OptionDef d;
            d.name = "default";
            d.flags = HAS_ARG;
            d.u = OptionHandler(opt_default);
            table.push_back(d);
        }
        table.push_back(OptionDef{});
    }
};
}  // namespace

TEST(PlayerParser, OptionsLibraryOptionsAndTheInputName)
{
    PlayerOptions p(true);
    CToolContext ctx;
    ctx.m_strCommandLine = L"ffplay -an -ss 1.5 -threads 2 \"in put.mp4\"";
    std::string name;
    EXPECT_EQ(parse_options(&ctx, p.table.data(), &name), 0);
    EXPECT_EQ(p.noaudio, 1);
    EXPECT_EQ(p.start, 1500000);
    EXPECT_STREQ(DictGet(ctx.codec_opts, "threads"), "2");
    EXPECT_EQ(name, "in put.mp4");
}

TEST(PlayerParser, DashIsThePipeAndASecondNameReplacesTheFirst)
{
    PlayerOptions p(true);
    CLogCapture log;
    CToolContext ctx;
    ctx.m_strCommandLine = L"ffplay - second.mp4";
    std::string name;
    EXPECT_EQ(parse_options(&ctx, p.table.data(), &name), 0);
    EXPECT_EQ(name, "second.mp4");
    EXPECT_TRUE(log.Contains("Argument 'second.mp4' provided as input filename, but 'pipe:' was already specified."));
}

TEST(PlayerParser, AnUnknownOptionEndsTheRun)
{
    PlayerOptions p(false);
    CLogCapture log;
    CToolContext ctx;
    ctx.m_strCommandLine = L"ffplay -nosuch 1 in.mp4";
    std::string name;
    EXPECT_EQ(run_tool_guarded(&ctx, [&](CToolContext* c) { return parse_options(c, p.table.data(), &name); }), 1);
    EXPECT_TRUE(log.Contains("Unrecognized option 'nosuch'"));
    EXPECT_TRUE(name.empty());
}

// ---------------------------------------------------------------- interrupt

TEST(Interrupt, BlockingIoIsInterruptedOnceAStopCameAfterTheSetUp)
{
    CToolContext ctx;
    EXPECT_EQ(ctx.int_cb.opaque, &ctx);
    EXPECT_EQ(ctx.int_cb.callback(ctx.int_cb.opaque), 0);
    ctx.received_nb_signals = 1;
    EXPECT_EQ(ctx.int_cb.callback(ctx.int_cb.opaque), 1);
    ctx.transcode_init_done = 1;
    EXPECT_EQ(ctx.int_cb.callback(ctx.int_cb.opaque), 0);
    ctx.received_nb_signals = 2;
    EXPECT_EQ(ctx.int_cb.callback(ctx.int_cb.opaque), 1);

    // An input opened while the run is being stopped gives up at once.
    ctx.transcode_init_done = 0;
    AVFormatContext* ic = avformat_alloc_context();
    ic->interrupt_callback = ctx.int_cb;
    EXPECT_EQ(avformat_open_input(&ic, vxmtest::GetTestMedia().mp4.c_str(), nullptr, nullptr), AVERROR_EXIT);
}
