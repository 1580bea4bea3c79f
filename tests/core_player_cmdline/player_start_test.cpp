// The player's start line as the player receives it (one argument per
// option and value), the exact slave-command texts, and the bounded stop.
#include "PlayerCommandLine.h"
#include "PlayerCommands.h"
#include "vxmtranscode/libvxmmedia/media/JobCommand.h"

#include <gtest/gtest.h>

#include <tuple>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <string>
#include <vector>

namespace {

using Args = std::vector<std::wstring>;

// The arguments after the program, with what the build reported.
Args Build(CPlayerStartParams& params, CPlayerStartKind* kind = nullptr)
{
    CMPlayerOpts opts;
    CPlayerStartKind k = BuildPlayerCommandLine(params, opts);
    if (kind) *kind = k;
    Args args = SplitJobCommandLine(opts.BuildCommandLine()).args;
    EXPECT_FALSE(args.empty());
    if (!args.empty()) args.erase(args.begin());
    return args;
}

bool HasArg(const Args& args, const std::wstring& name) { return std::find(args.begin(), args.end(), name) != args.end(); }

// The argument after `name`; "<none>" when the option is missing.
std::wstring ValueOf(const Args& args, const std::wstring& name)
{
    auto it = std::find(args.begin(), args.end(), name);
    if (it == args.end() || it + 1 == args.end()) return L"<none>";
    return *(it + 1);
}

CPlayerStartParams FileParams()
{
    CPlayerStartParams p;
    p.path = L"/media/my clip.mp4";
    p.windowId = 4194307;
    p.videoOutputMode = PLAYER_VO_X11;
    return p;
}

}  // namespace

TEST(PlayerStartLine, AFileGetsEveryOptionInOrder)
{
    CPlayerStartParams p = FileParams();
    p.hasEntry = true;
    p.resumeSeconds = 42;
    const Args expected = {
        L"-wid", L"4194307", L"-slave", L"-identify", L"-quiet", L"-ass", L"-fontconfig", L"-embeddedfonts",
        L"-ass-line-spacing", L"0", L"-ass-font-scale", L"1", L"-nomouseinput", L"-vo", L"x11", L"-zoom", L"-ao",
        L"pulse,alsa", L"-nocache", L"-framedrop", L"-nodr", L"-double", L"-colorkey", L"0x020202",
        L"-monitorpixelaspect", L"1", L"-slices", L"-dvdangle", L"1", L"-softvol", L"-softvol-max", L"110",
        L"-channels", L"2", L"-volume", L"50", L"-ss", L"42", L"-fs", L"-lavdopts", L"threads=1", L"-osdlevel",
        L"0", L"-vf", L"ass,screenshot", L"-sub-fuzziness", L"0", L"/media/my clip.mp4"};
    EXPECT_EQ(Build(p), expected);
}

TEST(PlayerStartLine, DvdNavigationTakesTheDeviceWithoutResumeOrFullScreen)
{
    CPlayerStartParams p = FileParams();
    p.path = L"dvdnav://";
    p.discDevice = L"/media/My \"DVD\"/VIDEO_TS";
    p.hasEntry = true;
    p.resumeSeconds = 300;
    CPlayerStartKind kind;
    Args args = Build(p, &kind);
    EXPECT_TRUE(kind.isDisc);
    EXPECT_FALSE(kind.isBluray);
    EXPECT_EQ(ValueOf(args, L"-dvd-device"), L"/media/My \"DVD\"/VIDEO_TS");
    EXPECT_FALSE(HasArg(args, L"-ss"));
    EXPECT_TRUE(HasArg(args, L"-nofs"));
    EXPECT_FALSE(HasArg(args, L"-fs"));
    EXPECT_FALSE(p.useFullScreenOption);  // cleared for good
    EXPECT_EQ(args.back(), L"dvdnav://");
}

TEST(PlayerStartLine, BlurayFolderSkipsThePrefixItStartsWith)
{
    for (const std::wstring& prefix : {std::wstring(L"bluray:"), std::wstring(L"br://")}) {
        CPlayerStartParams p = FileParams();
        p.path = prefix + L"/media/BD ONE";
        CPlayerStartKind kind;
        Args args = Build(p, &kind);
        EXPECT_TRUE(kind.isBluray);
        EXPECT_FALSE(kind.isDisc);
        EXPECT_EQ(ValueOf(args, L"-bluray-device"), L"/media/BD ONE") << prefix.c_str();
        EXPECT_EQ(args.back(), L"bd://0");
        EXPECT_FALSE(HasArg(args, L"-dvd-device"));
    }
}

TEST(PlayerStartLine, AnAudioCdTrackPlaysFromTheCdDevice)
{
    CPlayerStartParams p = FileParams();
    p.path = L"track 7";
    p.discDevice = L"/dev/sr0";
    CPlayerStartKind kind;
    Args args = Build(p, &kind);
    EXPECT_TRUE(kind.isDisc);
    EXPECT_EQ(ValueOf(args, L"-cdrom-device"), L"/dev/sr0");
    EXPECT_EQ(args.back(), L"cdda://7");
    EXPECT_FALSE(HasArg(args, L"-f"));
}

TEST(PlayerStartLine, AFileIsAFileWhateverWordsItsNameHolds)
{
    for (const wchar_t* path : {L"/music/Bonus track 2.mp3", L"/music/soundtrack 2.mp3", L"track 2.mkv",
                                L"/films/bluray: notes.mkv", L"/films/from br://x.mkv", L"/films/dvdnav rip.mkv",
                                L"/films/dvdnav://.mkv"}) {
        CPlayerStartParams p = FileParams();
        p.path = path;
        p.discDevice = L"/dev/sr0";
        p.hasEntry = true;
        p.resumeSeconds = 12;
        CPlayerStartKind kind;
        const Args args = Build(p, &kind);
        EXPECT_FALSE(kind.isDisc) << path;
        EXPECT_FALSE(kind.isBluray) << path;
        EXPECT_EQ(args.back(), path);
        EXPECT_EQ(ValueOf(args, L"-ss"), L"12") << path;
        for (const wchar_t* disc : {L"-dvd-device", L"-cdrom-device", L"-bluray-device"})
            EXPECT_FALSE(HasArg(args, disc)) << path << " " << disc;
    }
}

TEST(PlayerStartLine, TransportStreamsUseTheLavfDemuxer)
{
    CPlayerStartParams p = FileParams();
    p.path = L"/media/00001.m2ts";
    EXPECT_EQ(ValueOf(Build(p), L"-demuxer"), L"lavf");
    p.path = L"/media/clip.mts";
    EXPECT_EQ(ValueOf(Build(p), L"-demuxer"), L"lavf");
    p.path = L"/media/CLIP.MTS";
    EXPECT_EQ(ValueOf(Build(p), L"-demuxer"), L"lavf");
    p.path = L"/media/clip.ts";
    EXPECT_FALSE(HasArg(Build(p), L"-demuxer"));
    p.path = L"/media/old.mts clips/clip.mp4";
    EXPECT_FALSE(HasArg(Build(p), L"-demuxer"));
}

TEST(PlayerStartLine, FiltersChainRotationDeinterlaceCropThenSubtitles)
{
    CPlayerStartParams p = FileParams();
    p.rotateMode = 3;
    p.deinterlaceMode = 7;
    p.cropFilter = L"720:560:0:8";
    EXPECT_EQ(ValueOf(Build(p), L"-vf"), L"harddup,flip,yadif,crop=720:560:0:8,ass,screenshot");
    p.rotateMode = 1;
    p.deinterlaceMode = 11;
    p.cropFilter.clear();
    EXPECT_EQ(ValueOf(Build(p), L"-vf"), L"rotate=1,kerndeint=5,ass,screenshot");
    p.rotateMode = 4;
    p.deinterlaceMode = 0;
    EXPECT_EQ(ValueOf(Build(p), L"-vf"), L"mirror,ass,screenshot");
    // Without the subtitle filter, the screenshot filter replaces the chain.
    p.useAssFilter = false;
    p.deinterlaceMode = 8;
    Args args = Build(p);
    EXPECT_EQ(ValueOf(args, L"-vf"), L"screenshot");
    EXPECT_EQ(std::count(args.begin(), args.end(), L"-vf"), 1);
    // A clip stored on its side is turned upright first, then as the user asks.
    const std::tuple<int, bool, const wchar_t*> upright[] = {
        {1, false, L"rotate=1,screenshot"}, {2, false, L"flip,mirror,screenshot"}, {3, true, L"rotate=2,mirror,screenshot"}};
    for (const auto& [turns, mirrored, chain] : upright) {
        p.uprightTurns = turns;
        p.uprightMirrored = mirrored;
        EXPECT_EQ(ValueOf(Build(p), L"-vf"), chain) << turns;
    }
    p.useAssFilter = true;
    EXPECT_EQ(ValueOf(Build(p), L"-vf"), L"rotate=2,mirror,mirror,yadif=1,ass,screenshot");
}

TEST(PlayerStartLine, EveryDeinterlaceMenuModeAddsItsFilter)
{
    const std::pair<int, const wchar_t*> modes[] = {{1, L"pp=lb"},  {4, L"pp=li"}, {7, L"yadif"},
                                                    {8, L"yadif=1"}, {9, L"pp=l5"}, {11, L"kerndeint=5"}};
    for (const auto& [mode, filter] : modes) {
        CPlayerStartParams p = FileParams();
        p.deinterlaceMode = mode;
        EXPECT_EQ(ValueOf(Build(p), L"-vf"), std::wstring(filter) + L",ass,screenshot") << mode;
    }
}

TEST(PlayerStartLine, LoopMuteTracksAndResumeFollowTheirConditions)
{
    CPlayerStartParams p = FileParams();
    p.playMode = PLAY_MODE_REPEAT_ONE;
    p.muted = true;
    p.volume = 80;
    Args args = Build(p);
    EXPECT_EQ(ValueOf(args, L"-loop"), L"0");
    EXPECT_EQ(ValueOf(args, L"-volume"), L"0");
    EXPECT_FALSE(HasArg(args, L"-aid"));
    EXPECT_FALSE(HasArg(args, L"-sid"));
    EXPECT_FALSE(HasArg(args, L"-ss"));  // no entry
    EXPECT_FALSE(HasArg(args, L"-sub"));

    p.playMode = PLAY_MODE_REPEAT_ALL;
    p.muted = false;
    p.audioId = 2;
    p.subtitleId = 0;
    p.hasEntry = true;
    p.resumeSeconds = (int64_t(1) << 32) + 17;  // the low 32 bits
    p.subtitleFile = L"/subs/it's \"here\".srt";
    args = Build(p);
    EXPECT_FALSE(HasArg(args, L"-loop"));
    EXPECT_EQ(ValueOf(args, L"-volume"), L"80");
    EXPECT_EQ(ValueOf(args, L"-aid"), L"2");
    EXPECT_EQ(ValueOf(args, L"-sid"), L"0");
    EXPECT_EQ(ValueOf(args, L"-ss"), L"17");
    EXPECT_EQ(ValueOf(args, L"-sub"), L"/subs/it's \"here\".srt");
    p.subtitleId = -1;
    EXPECT_FALSE(HasArg(Build(p), L"-sid"));
}

TEST(PlayerStartLine, OutputModesChannelsAndSubtitleSettings)
{
    CPlayerStartParams p = FileParams();
    p.videoOutputMode = PLAYER_VO_GL;
    p.channelMode = 2;
    p.channelRouting = 2;
    p.showOsd = true;
    p.decoderThreads = 3;
    p.subCodePage = L"cp1252";
    p.subFontFile = L"/fonts/My Font.ttf";
    p.subFuzziness = 1;
    Args args = Build(p);
    auto vo = std::find(args.begin(), args.end(), L"-vo");
    ASSERT_NE(vo, args.end());
    EXPECT_EQ(*(vo + 1), L"gl");
    EXPECT_EQ(*(vo + 2), L"-nokeepaspect");
    EXPECT_TRUE(HasArg(args, L"-nofs"));
    EXPECT_FALSE(p.useFullScreenOption);
    EXPECT_EQ(ValueOf(args, L"-channels"), L"6");
    EXPECT_EQ(ValueOf(args, L"-af"), L"channels=2:2:1:0:1:1");
    EXPECT_EQ(ValueOf(args, L"-osdlevel"), L"3");
    EXPECT_EQ(ValueOf(args, L"-lavdopts"), L"threads=4");
    EXPECT_EQ(ValueOf(args, L"-subcp"), L"cp1252");
    EXPECT_EQ(ValueOf(args, L"-font"), L"/fonts/My Font.ttf");
    EXPECT_EQ(ValueOf(args, L"-sub-fuzziness"), L"1");
    EXPECT_FALSE(HasArg(args, L"-priority"));

    const std::pair<int, const wchar_t*> modes[] = {{1, L"x11"}, {2, L"xv"}, {3, L"gl"}, {4, L"sdl"}, {5, L"vdpau"}};
    for (const auto& [mode, driver] : modes) {
        CPlayerStartParams q = FileParams();
        q.videoOutputMode = mode;
        Args a = Build(q);
        EXPECT_EQ(ValueOf(a, L"-vo"), driver);
        EXPECT_EQ(HasArg(a, L"-nokeepaspect"), mode == 3 || mode == 4);
    }
    CPlayerStartParams none = FileParams();
    none.videoOutputMode = PLAYER_VO_DEFAULT;
    none.windowId = 0;
    Args a = Build(none);
    EXPECT_FALSE(HasArg(a, L"-vo"));
    EXPECT_FALSE(HasArg(a, L"-wid"));
    EXPECT_FALSE(HasArg(a, L"-font"));
    EXPECT_FALSE(HasArg(a, L"-subcp"));
    EXPECT_EQ(PlayerNiceness(5), 19);
    EXPECT_EQ(PlayerNiceness(3), 0);
}

TEST(PlayerSlaveCommands, TextsAreExact)
{
    using namespace PlayerCommand;
    EXPECT_EQ(Volume(35), L"pausing_keep volume 35 1\n");
    EXPECT_EQ(Seek(-60, 0), L"pausing_keep seek -60 0\n");
    EXPECT_EQ(Seek(50, 1), L"pausing_keep seek 50 1\n");
    EXPECT_EQ(Mute(true), L"pausing_keep mute 1\n");
    EXPECT_EQ(Mute(false), L"pausing_keep mute 0\n");
    EXPECT_EQ(std::wstring(kPause), L"pause\n");
    EXPECT_EQ(std::wstring(kRemoveSubtitles), L"pausing_keep sub_remove\n");
    EXPECT_EQ(SelectSubtitleFile(3), L"sub_file 3\n");
    EXPECT_EQ(SwitchAudio(128), L"pausing_keep switch_audio 128\n");
    EXPECT_EQ(SelectSubtitle(-1), L"pausing_keep sub_select -1\n");
    EXPECT_EQ(SwitchTitle(4), L"switch_title 4\n");
    EXPECT_EQ(std::wstring(kDvdMenu), L"dvdnav menu\n");
    EXPECT_EQ(std::wstring(kFrameStep), L"frame_step\n");
    EXPECT_EQ(SwitchRatio(PlayerAspectRatio(7, 0, 0)), L"pausing_keep switch_ratio 1.777778\n");
    EXPECT_EQ(SwitchRatio(PlayerAspectRatio(3, 0, 0)), L"pausing_keep switch_ratio 1.333333\n");
    EXPECT_EQ(MousePosition(-3, 40), L"set_mouse_pos -3 40\n");
    EXPECT_EQ(std::wstring(kDvdMenuClick), L"pausing_keep_force dvdnav mouse\n");
    EXPECT_EQ(std::wstring(kTimePosition), L"get_time_pos\n");
    EXPECT_EQ(std::wstring(kTimeLength), L"get_time_length\n");
    std::wstring text;
    ASSERT_TRUE(LoadSubtitle(L"/subs/a\\b.srt", text));
    EXPECT_EQ(text, L"pausing_keep sub_load \"/subs/a\\\\b.srt\"\n");
}

TEST(PlayerSlaveCommands, ASubtitlePathCannotEndTheCommand)
{
    std::wstring text = L"unchanged";
    EXPECT_FALSE(PlayerCommand::LoadSubtitle(L"/subs/x\" \nrun \"touch /tmp/owned", text));
    EXPECT_TRUE(text.empty());
    EXPECT_FALSE(PlayerCommand::LoadSubtitle(L"/subs/x.srt\nrun touch /tmp/owned", text));
    EXPECT_FALSE(PlayerCommand::LoadSubtitle(L"/subs/x.srt\rquit", text));
    EXPECT_FALSE(PlayerCommand::LoadSubtitle(L"/subs/x\".srt", text));
    EXPECT_FALSE(PlayerCommand::LoadSubtitle(L"", text));
}

TEST(PlayerSlaveCommands, TheVideosOwnRatioNeverDividesByZero)
{
    EXPECT_FLOAT_EQ(PlayerAspectRatio(0, 720, 576), 720.0f / 576.0f);
    EXPECT_EQ(PlayerAspectRatio(0, 720, 0), 0.0f);
    EXPECT_EQ(PlayerAspectRatio(10, 0, 0), 0.0f);
    EXPECT_FLOAT_EQ(PlayerAspectRatio(9, 0, 0), 2.35f);
}

TEST(PlayerStop, APlayerThatIgnoresQuitAndTerminateIsKilled)
{
    std::unique_ptr<CCmdMplayer> player =
        StartPlayer(L"/bin/sh -c \"trap '' TERM INT; exec sleep infinity\"", nullptr, 0);
    ASSERT_TRUE(player);
    const int pid = static_cast<int>(player->m_dwProcessId);
    ASSERT_GT(pid, 0);
    StopPlayer(player, 200);
    EXPECT_FALSE(player);
    EXPECT_EQ(::kill(pid, 0), -1);
    EXPECT_EQ(errno, ESRCH);
}

TEST(PlayerStop, CommandsToAnEndedPlayerAreDropped)
{
    std::signal(SIGPIPE, SIG_DFL);  // a write to the ended player must not raise it
    std::unique_ptr<CCmdMplayer> player = StartPlayer(L"/bin/true", nullptr, 0);
    ASSERT_TRUE(player);
    ASSERT_TRUE(player->m_hChildProcess->Wait(INFINITE));
    EXPECT_FALSE(SendPlayerCommand(player.get(), PlayerCommand::kPause));
    EXPECT_FALSE(player->Printf(L"%ls", PlayerCommand::kPause));
    EXPECT_FALSE(SendPlayerCommand(nullptr, PlayerCommand::kPause));
    StopPlayer(player);
    EXPECT_FALSE(player);
}
