// The player's answers as Debian's mplayer 1.5 prints them in slave mode with
// -identify, fed in every way a pipe may cut them: the same events and tables
// come out whatever the chunks, line ends and locale.
#include <gtest/gtest.h>
#include "support/test_locale.h"

#include <clocale>
#include <filesystem>
#include <cstdlib>
#include <locale>
#include <random>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "MPlayerParser.h"
#include "event_sink.h"
#include "support/test_media.h"

using namespace mplayertest;

namespace {

// -quiet -identify on a 2 s H.264/AAC clip, asked for length and position, then quit.
const char* const kMp4Session =
    "MPlayer UNKNOWN-12 (C) 2000-2023 MPlayer Team\n"
    "\n"
    "Playing clip.mp4.\n"
    "libavformat version 59.27.100 (external)\n"
    "libavformat file format detected.\n"
    "ID_VIDEO_ID=0\n"
    "[lavf] stream 0: video (h264), -vid 0\n"
    "ID_AUDIO_ID=0\n"
    "[lavf] stream 1: audio (aac), -aid 0, -alang und\n"
    "VIDEO:  [H264]  160x120  24bpp  25.000 fps   35.7 kbps ( 4.4 kbyte/s)\n"
    "==========================================================================\n"
    "Opening video decoder: [ffmpeg] FFmpeg's libavcodec codec family\n"
    "libavcodec version 59.37.100 (external)\n"
    "Selected video codec: [ffh264] vfm: ffmpeg (FFmpeg H.264)\n"
    "==========================================================================\n"
    "ID_VIDEO_CODEC=ffh264\n"
    "Clip info:\n"
    " major_brand: isom\n"
    "ID_CLIP_INFO_NAME0=major_brand\n"
    "ID_CLIP_INFO_VALUE0=isom\n"
    "ID_CLIP_INFO_N=1\n"
    "Load subtitles in ./\n"
    "ID_FILENAME=clip.mp4\n"
    "ID_DEMUXER=lavfpref\n"
    "ID_VIDEO_FORMAT=H264\n"
    "ID_VIDEO_BITRATE=35736\n"
    "ID_VIDEO_WIDTH=160\n"
    "ID_VIDEO_HEIGHT=120\n"
    "ID_VIDEO_FPS=25.000\n"
    "ID_VIDEO_ASPECT=0.0000\n"
    "ID_AUDIO_FORMAT=MP4A\n"
    "ID_AUDIO_BITRATE=69664\n"
    "ID_AUDIO_RATE=44100\n"
    "ID_AUDIO_NCH=1\n"
    "ID_START_TIME=-0.02\n"
    "ID_LENGTH=2.00\n"
    "ID_SEEKABLE=1\n"
    "ID_CHAPTERS=0\n"
    "==========================================================================\n"
    "Opening audio decoder: [ffmpeg] FFmpeg/libavcodec audio decoders\n"
    "AUDIO: 44100 Hz, 1 ch, floatle, 69.7 kbit/4.94% (ratio: 8708->176400)\n"
    "ID_AUDIO_BITRATE=69664\n"
    "ID_AUDIO_RATE=44100\n"
    "ID_AUDIO_NCH=1\n"
    "Selected audio codec: [ffaac] afm: ffmpeg (FFmpeg AAC (MPEG-2/MPEG-4 Audio))\n"
    "==========================================================================\n"
    "AO: [null] 44100Hz 1ch floatle (4 bytes per sample)\n"
    "ID_AUDIO_CODEC=ffaac\n"
    "Starting playback...\n"
    "Movie-Aspect is 1.33:1 - prescaling to correct movie aspect.\n"
    "ID_VIDEO_ASPECT=1.3333\n"
    "VO: [null] 160x120 => 160x120 Planar 444P \n"
    "ANS_LENGTH=2.00\n"
    "ANS_TIME_POSITION=0.2\n"
    "\n"
    "Exiting... (Quit)\n"
    "ID_EXIT=QUIT\n";

std::vector<SEvent> Mp4SessionEvents()
{
    return {
        EvT(MPLAYER_EVENT_VIDEO_CODEC, L"ffh264"),
        EvT(MPLAYER_EVENT_DEMUXER, L"lavfpref"),
        EvN(MPLAYER_EVENT_VIDEO_BITRATE, 35736),
        Ev(MPLAYER_EVENT_VIDEO_WIDTH, 160),
        Ev(MPLAYER_EVENT_VIDEO_HEIGHT, 120),
        EvF(MPLAYER_EVENT_VIDEO_FPS, 25.0f),
        EvN(MPLAYER_EVENT_AUDIO_BITRATE, 69664),
        EvN(MPLAYER_EVENT_AUDIO_RATE, 44100),
        EvN(MPLAYER_EVENT_AUDIO_NCH, 1),
        EvN(MPLAYER_EVENT_AUDIO_BITRATE, 69664),
        EvN(MPLAYER_EVENT_AUDIO_RATE, 44100),
        EvN(MPLAYER_EVENT_AUDIO_NCH, 1),
        EvT(MPLAYER_EVENT_AUDIO_CODEC, L"ffaac"),
        EvF(MPLAYER_EVENT_VIDEO_ASPECT, 1.3333f),
        EvT(MPLAYER_EVENT_VO_SIZE, L"160x120"),
        EvD(MPLAYER_EVENT_LENGTH, 2.0),
        EvD(MPLAYER_EVENT_TIME_POSITION, 0.2),
        Ev(MPLAYER_EVENT_EXIT),
    };
}

// An audio-only file without -quiet: the status line is rewritten with CR
// (and a terminal clear) many times before the answers.
const char* const kMp3Session =
    "Playing tone.mp3.\n"
    "Audio only file format detected.\n"
    "ID_AUDIO_ID=0\n"
    "ID_DEMUXER=audio\n"
    "ID_AUDIO_FORMAT=85\n"
    "ID_AUDIO_BITRATE=64712\n"
    "ID_AUDIO_RATE=44100\n"
    "ID_AUDIO_NCH=0\n"
    "ID_LENGTH=2.00\n"
    "AUDIO: 44100 Hz, 2 ch, s16le, 64.0 kbit/4.54% (ratio: 8000->176400)\n"
    "ID_AUDIO_BITRATE=64000\n"
    "ID_AUDIO_RATE=44100\n"
    "ID_AUDIO_NCH=2\n"
    "ID_AUDIO_CODEC=mpg123\n"
    "Video: no video\n"
    "Starting playback...\n"
    "A:   0.1 (00.0) of 2.0 (02.0) ??,?% \x1b[J\r"
    "A:   0.1 (00.1) of 2.0 (02.0) ??,?% \x1b[J\r"
    "A:   0.2 (00.1) of 2.0 (02.0) ??,?% \x1b[J\r"
    "ANS_TIME_POSITION=0.2\n"
    "A:   0.3 (00.2) of 2.0 (02.0) ??,?% \x1b[J\r"
    "ANS_LENGTH=2.00\n"
    "A:   0.3 (00.3) of 2.0 (02.0) ??,?% \x1b[J\r\n"
    "\n"
    "Exiting... (Quit)\n"
    "ID_EXIT=QUIT\n";

std::vector<SEvent> Mp3SessionEvents()
{
    return {
        Ev(MPLAYER_EVENT_AUDIO_ONLY),
        EvT(MPLAYER_EVENT_DEMUXER, L"audio"),
        EvN(MPLAYER_EVENT_AUDIO_BITRATE, 64712),
        EvN(MPLAYER_EVENT_AUDIO_RATE, 44100),
        EvN(MPLAYER_EVENT_AUDIO_NCH, 0),
        EvN(MPLAYER_EVENT_AUDIO_BITRATE, 64000),
        EvN(MPLAYER_EVENT_AUDIO_RATE, 44100),
        EvN(MPLAYER_EVENT_AUDIO_NCH, 2),
        EvT(MPLAYER_EVENT_AUDIO_CODEC, L"mpg123"),
        EvD(MPLAYER_EVENT_TIME_POSITION, 0.2),
        EvD(MPLAYER_EVENT_LENGTH, 2.0),
        Ev(MPLAYER_EVENT_EXIT),
    };
}

// Matroska with an outside subtitle file whose name is not ASCII, through the
// native demuxer (Track ID lines) and through lavf (ID_*_LANG lines), with a
// screenshot, a font scan and a video status line.
const char* const kMkvSession =
    "Playing clip.mkv.\n"
    "[mkv] Track ID 1: video (V_MPEG4/ISO/AVC), -vid 0\n"
    "[mkv] Track ID 2: audio (A_AAC), -aid 0, -alang eng\n"
    "[mkv] Track ID 3: subtitles (S_TEXT/UTF8), -sid 0, -slang ger\n"
    "ID_AUDIO_ID=0\n"
    "ID_AID_0_LANG=fre\n"
    "ID_AUDIO_ID=1\n"
    "ID_AID_1_LANG=jpn\n"
    "ID_SUBTITLE_ID=1\n"
    "ID_SID_1_LANG=spa\n"
    "ID_SID_7_LANG=ita\n"
    "ID_FILE_SUB_ID=2\n"
    "ID_FILE_SUB_FILENAME=/tmp/\xc3\x9c" "berblick \xe5\xad\x97\xe5\xb9\x95.srt\n"
    "SUB: Added subtitle file (2): /tmp/\xc3\x9c" "berblick \xe5\xad\x97\xe5\xb9\x95.srt\n"
    "ID_VIDEO_CODEC=ffodivx\n"
    "Scanning file /usr/share/fonts/truetype/dejavu/DejaVuSans.ttf ...done\n"
    "VO: [xv] 720x576 => 1024x576 Planar YV12 \n"
    "A:   1.2 V:   1.2 A-V: -0.021 ct:  0.000   0/  0 ??% ??% ??,?% 0 0 \x1b[J\r"
    "*** screenshot 'shot0007.png' ***\n"
    "ID_EXIT=EOF\n";

const std::wstring kSubFile = L"/tmp/\u00dc" L"berblick \u5b57\u5e55.srt";

std::vector<SEvent> MkvSessionEvents()
{
    return {
        EvN(MPLAYER_EVENT_FILE_SUB_ID, 2),
        EvT(MPLAYER_EVENT_VIDEO_CODEC, L"ffodivx"),
        EvT(MPLAYER_EVENT_SCAN_DONE, L"Scanning file /usr/share/fonts/truetype/dejavu/DejaVuSans.ttf ...done"),
        EvT(MPLAYER_EVENT_VO_SIZE, L"1024x576"),
        Ev(MPLAYER_EVENT_SCREENSHOT, 7),
        Ev(MPLAYER_EVENT_EXIT),
    };
}

// A DVD through dvdnav, with a title switch, then a Blu-ray title.
const char* const kDiscSession =
    "ID_DVD_TITLES=3\n"
    "ID_DVD_TITLE_1_CHAPTERS=5\n"
    "ID_DVD_TITLE_1_LENGTH=5025.480\n"
    "ID_DVD_TITLE_2_LENGTH=7384.500\n"
    "ID_DVD_TITLE_1_LENGTH=60.000\n"
    "audio stream: 0 format: ac3 (5.1) language: en aid: 128.\n"
    "audio stream: 1 format: ac3 (stereo) language: de aid: 129.\n"
    "subtitle ( sid ): 0 language: en\n"
    "TITLE 1, CHAPTERS: 00:00:00,00:05:12,00:10:40\n"
    "DVDNAV_TITLE_IS_MENU\n"
    "DVDNAV_TITLE_IS_MOVIE\n"
    "DVDNAV, switched to title: 3\n"
    "audio stream: 0 format: dts (5.1) language: fr aid: 137.\n"
    "ID_BLURAY_TITLE_LENGTH=5400.500\n"
    "ID_BLURAY_TITLE_CHAPTERS=12\n"
    "ID_BLURAY_CHAPTER=1,ID_BLURAY_CHAPTER_START=0\n"
    "ID_BLURAY_CHAPTER=2,ID_BLURAY_CHAPTER_START=312\n"
    "ID_BLURAY_AUDIO=0,ID_BLURAY_AUDIO_PID=4352,ID_BLURAY_AUDIO_LANG=eng\n"
    "NAME OPEN FAILED\n";

std::vector<SEvent> DiscSessionEvents()
{
    return {
        Ev(MPLAYER_EVENT_DVDNAV_MENU),
        Ev(MPLAYER_EVENT_DVDNAV_MOVIE),
        Ev(MPLAYER_EVENT_DVDNAV_TITLE, 3),
        EvF(MPLAYER_EVENT_BLURAY_TITLE_LENGTH, 5400.5f),
        Ev(MPLAYER_EVENT_OPEN_FAILED),
    };
}

struct SRecording {
    const char* name;
    const char* text;
    std::vector<SEvent> (*events)();
};

const SRecording kRecordings[] = {
    {"mp4", kMp4Session, Mp4SessionEvents},
    {"mp3", kMp3Session, Mp3SessionEvents},
    {"mkv", kMkvSession, MkvSessionEvents},
    {"disc", kDiscSession, DiscSessionEvents},
};

std::string Replace(std::string text, const std::string& from, const std::string& to)
{
    for (size_t pos = 0; (pos = text.find(from, pos)) != std::string::npos; pos += to.size())
        text.replace(pos, from.size(), to);
    return text;
}

// Everything a run leaves: the events and the tables.
struct SOutcome {
    std::vector<SEvent> events;
    CMplayerTable audio, subtitles, files, titles, chapters;
    int32_t dvdTitle = 0;
    int32_t blurayChapters = 0;
    bool operator==(const SOutcome&) const = default;
};

SOutcome Parse(CEventSink& sink, const std::vector<std::string>& chunks)
{
    CMPlayerParser parser(sink.Hwnd());
    for (const std::string& chunk : chunks) parser.WriteStdOut(chunk);
    return SOutcome{sink.Drain(),
                    parser.GetAudioTracks(),
                    parser.GetSubtitleTracks(),
                    parser.GetSubtitleFiles(),
                    parser.GetDvdTitles(),
                    parser.GetChapters(),
                    parser.GetCurrentDvdTitle(),
                    parser.GetBlurayChapterCount()};
}

std::vector<SEvent> Feed(CEventSink& sink, const std::vector<std::string>& chunks)
{
    return Parse(sink, chunks).events;
}

std::vector<std::string> Chunks(const std::string& text, const std::vector<size_t>& sizes)
{
    std::vector<std::string> out;
    size_t pos = 0;
    for (size_t i = 0; pos < text.size(); ++i) {
        const size_t n = sizes[i % sizes.size()];
        out.push_back(text.substr(pos, n));
        pos += n;
    }
    return out;
}

CMPlayerParser& Parsed(CMPlayerParser& parser, const std::string& text)
{
    parser.WriteStdOut(text);
    return parser;
}

}  // namespace

TEST(MplayerAnswers, RecordedSessionsGiveTheirEventsInOrder)
{
    CEventSink sink;
    for (const SRecording& r : kRecordings) {
        SCOPED_TRACE(r.name);
        EXPECT_EQ(Feed(sink, {r.text}), r.events());
    }
}

TEST(MplayerAnswers, EverySplitPointGivesTheSameEventsAndTables)
{
    CEventSink sink;
    for (const SRecording& r : kRecordings) {
        const std::string text = r.text;
        const SOutcome whole = Parse(sink, {text});
        ASSERT_EQ(whole.events, r.events()) << r.name;
        for (size_t cut = 1; cut < text.size(); ++cut) {
            SCOPED_TRACE(std::string(r.name) + " cut at " + std::to_string(cut));
            ASSERT_EQ(Parse(sink, {text.substr(0, cut), text.substr(cut)}), whole);
        }
    }
}

TEST(MplayerAnswers, RandomChunkSizesGiveTheSameEventsAndTables)
{
    CEventSink sink;
    std::mt19937 random(20261208);
    std::uniform_int_distribution<size_t> small(1, 16);
    std::uniform_int_distribution<size_t> large(1, 4096);
    for (const SRecording& r : kRecordings) {
        const SOutcome whole = Parse(sink, {r.text});
        ASSERT_EQ(whole.events, r.events()) << r.name;
        for (size_t size = 1; size <= 255; ++size) {
            SCOPED_TRACE(std::string(r.name) + " chunks of " + std::to_string(size));
            ASSERT_EQ(Parse(sink, Chunks(r.text, {size})), whole);
        }
        for (int round = 0; round < 200; ++round) {
            std::vector<size_t> sizes;
            for (int i = 0; i < 64; ++i) sizes.push_back(round % 2 ? small(random) : large(random));
            SCOPED_TRACE(std::string(r.name) + " random round " + std::to_string(round));
            ASSERT_EQ(Parse(sink, Chunks(r.text, sizes)), whole);
        }
    }
}

TEST(MplayerAnswers, CrLfAndCrLineEndsGiveTheSameEventsAndTables)
{
    CEventSink sink;
    for (const SRecording& r : kRecordings) {
        SCOPED_TRACE(r.name);
        const SOutcome expected = Parse(sink, {r.text});
        const std::string crlf = Replace(r.text, "\n", "\r\n");
        const std::string cr = Replace(r.text, "\n", "\r");
        EXPECT_EQ(Parse(sink, {crlf}), expected);
        EXPECT_EQ(Parse(sink, Chunks(crlf, {1})), expected);
        EXPECT_EQ(Parse(sink, {cr}), expected);
        EXPECT_EQ(Parse(sink, Chunks(cr, {3, 1, 7})), expected);
    }
}

TEST(MplayerAnswers, TablesFollowTheAnnouncedTracksTitlesAndChapters)
{
    CEventSink sink;
    CMPlayerParser mp4(sink.Hwnd());
    Parsed(mp4, kMp4Session);
    EXPECT_EQ(mp4.GetAudioTracks(), (CMplayerTable{{0, L"unknown"}}));
    EXPECT_TRUE(mp4.GetSubtitleTracks().empty());

    CMPlayerParser mkv(sink.Hwnd());
    Parsed(mkv, kMkvSession);
    // An id line never replaces the language a track line gave; a language
    // line does, but only for an id already announced.
    EXPECT_EQ(mkv.GetAudioTracks(), (CMplayerTable{{0, L"fre"}, {1, L"jpn"}}));
    EXPECT_EQ(mkv.GetSubtitleTracks(), (CMplayerTable{{0, L"ger"}, {1, L"spa"}}));
    EXPECT_EQ(mkv.GetSubtitleFiles(), (CMplayerTable{{2, kSubFile}}));

    CMPlayerParser disc(sink.Hwnd());
    Parsed(disc, kDiscSession);
    EXPECT_EQ(disc.GetDvdTitles(), (CMplayerTable{{1, L"01:23:45"}, {2, L"02:03:04"}}));
    // The title switch emptied the tracks of title 1.
    EXPECT_EQ(disc.GetAudioTracks(), (CMplayerTable{{137, L"fr "}, {4352, L"eng"}}));
    EXPECT_TRUE(disc.GetSubtitleTracks().empty());
    EXPECT_EQ(disc.GetCurrentDvdTitle(), 3);
    EXPECT_EQ(disc.GetBlurayChapterCount(), 12);
    EXPECT_EQ(disc.GetChapters(),
              (CMplayerTable{{1, L"00:00:00,00:05:12,00:10:40"}, {2, L"312"}}));
    sink.Drain();
}

TEST(MplayerAnswers, TitleSwitchEmptiesTheTrackTables)
{
    CEventSink sink;
    CMPlayerParser parser(sink.Hwnd());
    parser.WriteStdOut("audio stream: 0 format: ac3 (5.1) language: en aid: 128.\n"
                       "subtitle ( sid ): 0 language: en\n");
    ASSERT_EQ(parser.GetAudioTracks().size(), 1u);
    ASSERT_EQ(parser.GetSubtitleTracks().size(), 1u);
    parser.WriteStdOut("DVDNAV, switched to title: 3\n");
    EXPECT_TRUE(parser.GetAudioTracks().empty());
    EXPECT_TRUE(parser.GetSubtitleTracks().empty());
    EXPECT_EQ(parser.GetCurrentDvdTitle(), 3);
    EXPECT_EQ(sink.Drain(), std::vector<SEvent>{Ev(MPLAYER_EVENT_DVDNAV_TITLE, 3)});
}

TEST(MplayerAnswers, LanguageLineNamesOnlyAnAnnouncedAudioId)
{
    CEventSink sink;
    CMPlayerParser parser(sink.Hwnd());
    parser.WriteStdOut("ID_AUDIO_ID=128\nID_AID_128_LANG=eng\nID_AID_129_LANG=ger\n");
    EXPECT_EQ(parser.GetAudioTracks(), (CMplayerTable{{128, L"eng"}}));
    EXPECT_TRUE(sink.Drain().empty());
}

TEST(MplayerAnswers, FirstFixedTextOfALineDecides)
{
    CEventSink sink;
    CMPlayerParser parser(sink.Hwnd());
    parser.WriteStdOut("Audio only file format detected. ID_EXIT=EOF\n");
    // A fixed text ends the search before the patterns.
    parser.WriteStdOut("ID_AUDIO_ID=5 ID_VIDEO_WIDTH=320\n");
    EXPECT_EQ(sink.Drain(), (std::vector<SEvent>{Ev(MPLAYER_EVENT_EXIT), Ev(MPLAYER_EVENT_VIDEO_WIDTH, 320)}));
    EXPECT_TRUE(parser.GetAudioTracks().empty());
}

TEST(MplayerAnswers, AspectNearZeroPostsNothing)
{
    CEventSink sink;
    CMPlayerParser parser(sink.Hwnd());
    parser.WriteStdOut("ID_VIDEO_ASPECT=0.0000\nID_VIDEO_ASPECT=0.0009\nID_VIDEO_ASPECT=-0.0009\n"
                       "ID_VIDEO_ASPECT=1.7778\n");
    EXPECT_EQ(sink.Drain(), std::vector<SEvent>{EvF(MPLAYER_EVENT_VIDEO_ASPECT, 1.7778f)});
}

TEST(MplayerAnswers, TextAfterTheLastLineBreakWaitsForItsEnd)
{
    CEventSink sink;
    CMPlayerParser parser(sink.Hwnd());
    parser.WriteStdOut("ANS_TIME_PO");
    parser.WriteStdOut("SITION=12.3");
    EXPECT_TRUE(sink.Drain().empty());
    EXPECT_EQ(parser.GetPendingSize(), 22u);
    parser.WriteStdOut("\r");
    EXPECT_EQ(sink.Drain(), std::vector<SEvent>{EvD(MPLAYER_EVENT_TIME_POSITION, 12.3)});
    EXPECT_EQ(parser.GetPendingSize(), 0u);
    parser.WriteStdOut("ANS_LENGTH=2.00\r\nID_EXIT=QUIT\r\nID_VIDEO_WIDTH=640");
    EXPECT_EQ(sink.Drain(), (std::vector<SEvent>{EvD(MPLAYER_EVENT_LENGTH, 2.0), Ev(MPLAYER_EVENT_EXIT)}));
}

TEST(MplayerAnswers, NumbersReadAsTheAnswersWriteThem)
{
    EXPECT_EQ(MplayerReadInt(L"160"), 160);
    EXPECT_EQ(MplayerReadInt(L" 3"), 3);
    EXPECT_EQ(MplayerReadInt(L"-7x"), -7);
    EXPECT_EQ(MplayerReadInt(L"QUIT"), 0);
    EXPECT_EQ(MplayerReadInt(L""), 0);
    EXPECT_EQ(MplayerReadInt(L"99999999999"), INT32_MAX);
    EXPECT_EQ(MplayerReadInt(L"-99999999999"), INT32_MIN);
    EXPECT_DOUBLE_EQ(MplayerReadReal(L"12.3"), 12.3);
    EXPECT_DOUBLE_EQ(MplayerReadReal(L"-0.02"), -0.02);
    EXPECT_DOUBLE_EQ(MplayerReadReal(L"2.00 s"), 2.0);
    EXPECT_DOUBLE_EQ(MplayerReadReal(L".5"), 0.5);
    EXPECT_DOUBLE_EQ(MplayerReadReal(L"1e3"), 1000.0);
    EXPECT_DOUBLE_EQ(MplayerReadReal(L"1,5"), 1.0);
    EXPECT_EQ(MplayerReadReal(L"nan"), 0.0);
    EXPECT_EQ(MplayerReadReal(L"inf"), 0.0);
    EXPECT_EQ(MplayerReadReal(L"1e999"), 0.0);
    EXPECT_EQ(MplayerReadReal(L"abc"), 0.0);
    EXPECT_EQ(MplayerFormatSeconds(7384.5), L"02:03:04");
    EXPECT_EQ(MplayerFormatSeconds(5025.48), L"01:23:45");
    EXPECT_EQ(MplayerFormatSeconds(0.0), L"00:00:00");
    EXPECT_EQ(MplayerFormatSeconds(360000.0), L"100:00:00");
}

TEST(MplayerAnswers, OutOfRangeValuesAreHeldNotWrapped)
{
    CEventSink sink;
    CMPlayerParser parser(sink.Hwnd());
    parser.WriteStdOut("ID_VIDEO_BITRATE=99999999999\nID_VIDEO_FPS=1e300\nID_BLURAY_TITLE_CHAPTERS=1e30\n"
                       "ID_DVD_TITLE_4_LENGTH=99999999999999999999.5\n");
    EXPECT_EQ(sink.Drain(), (std::vector<SEvent>{EvN(MPLAYER_EVENT_VIDEO_BITRATE, INT32_MAX),
                                                 EvF(MPLAYER_EVENT_VIDEO_FPS, 0.0f)}));
    EXPECT_EQ(parser.GetBlurayChapterCount(), INT32_MAX);
    EXPECT_EQ(parser.GetDvdTitles(), (CMplayerTable{{4, L"277777777:46:40"}}));
}

TEST(MplayerAnswers, NumbersIgnoreACommaDecimalLocale)
{
    if (vxmtest::DecimalCommaLocale().empty()) GTEST_SKIP() << "no locale with a decimal comma can be made here";
    if (!std::setlocale(LC_ALL, "de_DE.UTF-8")) GTEST_SKIP() << "de_DE.UTF-8 not loadable";
    std::locale german;
    try {
        german = std::locale("de_DE.UTF-8");
    } catch (const std::runtime_error&) {
        std::setlocale(LC_ALL, "C");
        GTEST_SKIP() << "de_DE.UTF-8 not loadable as a C++ locale";
    }
    const std::locale previous = std::locale::global(german);

    // The C library itself now stops reading "1.5" at the dot.
    const double probe = std::strtod("1.5", nullptr);
    CEventSink sink;
    std::vector<SEvent> events;
    CMplayerTable titles;
    {
        CMPlayerParser parser(sink.Hwnd());
        parser.WriteStdOut("ANS_TIME_POSITION=12.5\nID_VIDEO_FPS=29.970\nID_DVD_TITLE_1_LENGTH=5025.480\n");
        events = sink.Drain();
        titles = parser.GetDvdTitles();
    }
    std::locale::global(previous);
    std::setlocale(LC_ALL, "C");
    ASSERT_EQ(probe, 1.0);

    EXPECT_EQ(events, (std::vector<SEvent>{EvD(MPLAYER_EVENT_TIME_POSITION, 12.5),
                                           EvF(MPLAYER_EVENT_VIDEO_FPS, 29.97f)}));
    EXPECT_EQ(titles, (CMplayerTable{{1, L"01:23:45"}}));
}

TEST(MplayerAnswers, UnendedLineOverTheLimitIsDroppedWhole)
{
    CEventSink sink;
    CMPlayerParser parser(sink.Hwnd());
    const std::string block(64 * 1024, 'x');
    parser.WriteStdOut("ID_EXIT=");
    for (size_t sent = 0; sent <= CMPlayerParser::kMaxLineBytes; sent += block.size()) {
        parser.WriteStdOut(block);
        ASSERT_LE(parser.GetPendingSize(), CMPlayerParser::kMaxLineBytes);
    }
    parser.WriteStdOut("ID_VIDEO_WIDTH=1\nANS_LENGTH=3.5\n");
    // The overlong line, end included, posts nothing; the next line is read as usual.
    EXPECT_EQ(sink.Drain(), std::vector<SEvent>{EvD(MPLAYER_EVENT_LENGTH, 3.5)});
    EXPECT_EQ(parser.GetPendingSize(), 0u);
}

TEST(MplayerAnswers, LongLineNearTheLimitIsStillRead)
{
    CEventSink sink;
    CMPlayerParser parser(sink.Hwnd());
    const std::string codec(CMPlayerParser::kMaxLineBytes - 32, 'c');
    for (const std::string& chunk : Chunks("ID_VIDEO_CODEC=" + codec + "\n", {255})) parser.WriteStdOut(chunk);
    std::vector<SEvent> events = sink.Drain();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].text.size(), codec.size());
}

TEST(MplayerAnswers, LongPatternLinesOnTheReaderThreadDoNotOverflowItsStack)
{
    CEventSink sink;
    CMPlayerParser parser(sink.Hwnd());
    const std::string name(CMPlayerParser::kMaxPatternLine - 40, 'n');
    const std::string status = "A: 1.0 " + std::string(CMPlayerParser::kMaxPatternLine - 20, ' ') + " of 2.0 x";
    std::thread reader([&] {
        parser.WriteStdOut("SUB: Added subtitle file (3): " + name + "\n");
        parser.WriteStdOut(status + "\n");
        parser.WriteStdOut("SUB: Added subtitle file (4): " + std::string(100000, 'm') + "\n");
    });
    reader.join();
    const CMplayerTable files = parser.GetSubtitleFiles();
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(files.begin()->first, 3);
    EXPECT_EQ(files.begin()->second.size(), name.size());
    EXPECT_TRUE(sink.Drain().empty());
}

TEST(MplayerPayloads, EveryRecordIsFreedWhateverBecomesOfItsMessage)
{
    const long before = CMplayerEventPayload::LiveCount();
    const std::string answers = "ANS_LENGTH=2.00\nID_DEMUXER=lavf\nVO: [null] 1x1 => 2x2 x\nID_AUDIO_NCH=2\n";
    {
        // No window set: every post fails and the parser frees the record.
        CMPlayerParser parser;
        parser.WriteStdOut(answers);
        EXPECT_EQ(CMplayerEventPayload::LiveCount(), before);
    }
    {
        // The window is destroyed with the events still queued.
        auto sink = std::make_unique<CEventSink>();
        CMPlayerParser parser(sink->Hwnd());
        parser.WriteStdOut(answers);
        EXPECT_EQ(CMplayerEventPayload::LiveCount(), before + 4);
        sink.reset();
        EXPECT_EQ(CMplayerEventPayload::LiveCount(), before);
        // Posts to the dead window fail too.
        parser.WriteStdOut(answers);
        EXPECT_EQ(CMplayerEventPayload::LiveCount(), before);
        PumpThreadMessages();
    }
    {
        // Delivered: the receiver takes each record back and frees it.
        CEventSink sink;
        CMPlayerParser parser(sink.Hwnd());
        parser.WriteStdOut(answers);
        EXPECT_EQ(sink.Drain().size(), 4u);
        EXPECT_EQ(CMplayerEventPayload::LiveCount(), before);
    }
}

TEST(MplayerPayloads, QueuedValuesAreNotChangedByLaterAnswers)
{
    CEventSink sink;
    CMPlayerParser parser(sink.Hwnd());
    parser.WriteStdOut("ANS_TIME_POSITION=1.0\nANS_TIME_POSITION=1.4\nANS_TIME_POSITION=1.8\n");
    EXPECT_EQ(sink.Drain(), (std::vector<SEvent>{EvD(MPLAYER_EVENT_TIME_POSITION, 1.0),
                                                 EvD(MPLAYER_EVENT_TIME_POSITION, 1.4),
                                                 EvD(MPLAYER_EVENT_TIME_POSITION, 1.8)}));
}
