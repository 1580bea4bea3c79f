// The tools' console texts go through the run context's output, so a host
// that takes it gets the banner and the listings; help prints nothing.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "cmdutils.h"
#include "ffmpeg_opt.h"
#include "ffplay_options.h"

namespace {

class CConsoleCapture : public CToolContext {
public:
    std::string text;
    void WriteOutput(const std::string& t) override { text += t; }
};

bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// Fails the child process with a reason on its error stream.
void Require(bool ok, const char* what)
{
    if (ok) return;
    fprintf(stderr, "%s\n", what);
    exit(1);
}

// The banner depends on "hide_banner", which once asked holds for the
// process: checked in a child.
void BannerChild()
{
    CConsoleCapture ctx;
    begin_transcoder_run(&ctx);
    char* plain[] = {const_cast<char*>("ffmpeg"), const_cast<char*>("-i"), const_cast<char*>("Caf\xC3\xA9.mp4"),
                     const_cast<char*>("out.mkv"), nullptr};
    show_banner(&ctx, 4, plain, ctx.options.data());
    Require(ctx.text.rfind("ffmpeg version 2.7.2 Copyright (c) 2000-2015 the FFmpeg developers\n", 0) == 0,
            ctx.text.c_str());
    Require(Has(ctx.text, "\n  configuration: ") && Has(ctx.text, "\n  libavcodec     ") &&
                Has(ctx.text, "\n  libswresample  "),
            ctx.text.c_str());

    ctx.text.clear();
    char* version[] = {const_cast<char*>("ffmpeg"), const_cast<char*>("-version"), nullptr};
    show_banner(&ctx, 2, version, ctx.options.data());
    Require(ctx.text.empty(), "a banner with -version");

    char* hide[] = {const_cast<char*>("ffmpeg"), const_cast<char*>("-hide_banner"), const_cast<char*>("-i"),
                    const_cast<char*>("in.mp4"), const_cast<char*>("out.mkv"), nullptr};
    parse_loglevel(5, hide, ctx.options.data(), nullptr);
    show_banner(&ctx, 4, plain, ctx.options.data());
    Require(ctx.text.empty(), "a banner after -hide_banner");
    exit(0);
}

}  // namespace

TEST(Console, TheBannerGoesToTheRunContextUnlessHidden)
{
    EXPECT_EXIT(BannerChild(), ::testing::ExitedWithCode(0), "");
}

TEST(Console, HelpPrintsNothingAndListingsGoToTheRunContext)
{
    FFplayOptions player;
    ffplay_reset_options(player);
    const std::vector<OptionDef> table = ffplay_option_table(player);
    CConsoleCapture ctx;
    std::string input;
    for (const wchar_t* help : {L"ffplay -h", L"ffplay -? codec=h264", L"ffplay -help", L"ffplay --help"}) {
        ctx.m_strCommandLine = help;
        parse_options(&ctx, table.data(), &input);
    }
    EXPECT_EQ(ctx.text, "");

    ctx.m_strCommandLine = L"ffplay -formats -pix_fmts -L";
    parse_options(&ctx, table.data(), &input);
    EXPECT_TRUE(Has(ctx.text, "File formats:\n D. = Demuxing supported\n .E = Muxing supported\n --\n"));
    EXPECT_TRUE(Has(ctx.text, "\n DE wav             WAV / WAVE"));
    EXPECT_TRUE(Has(ctx.text, "\nyuv420p          3\n"));
    EXPECT_TRUE(Has(ctx.text, "GPL version"));
}

TEST(Console, DeviceListingsGoToTheRunContext)
{
    CConsoleCapture ctx;
    show_listing(nullptr, "devices", nullptr, &ctx);
    EXPECT_EQ(ctx.text.rfind("Devices:\n D. = Demuxing supported\n .E = Muxing supported\n --\n", 0), 0u);
    EXPECT_TRUE(Has(ctx.text, "\n DE alsa            ALSA audio output\n"));

    // OSS cannot list its devices; a name no device has lists nothing.
    ctx.text.clear();
    EXPECT_EQ(show_sources(nullptr, "sources", "oss", &ctx), 0);
    EXPECT_EQ(show_sinks(nullptr, "sinks", "oss", &ctx), 0);
    EXPECT_EQ(show_sinks(nullptr, "sinks", "no such device", &ctx), 0);
    EXPECT_EQ(ctx.text, "Auto-detected sources for oss:\nCannot list sources. Not implemented.\n"
                        "Auto-detected sinks for oss:\nCannot list sinks. Not implemented.\n");
}
