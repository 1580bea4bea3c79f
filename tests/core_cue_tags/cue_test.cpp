// Cue sheets as people have them: line ends, byte-order marks, encodings,
// quoted and bare values, several audio files, pregaps and broken entries.
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "CueObject.h"
#include "platform/text.h"
#include "support/test_media.h"

namespace {

std::wstring W(const std::string& s)
{
    return std::wstring(s.begin(), s.end());
}

std::string Crlf(const std::string& lf)
{
    std::string out;
    for (char c : lf) {
        if (c == '\n')
            out += '\r';
        out += c;
    }
    return out;
}

const char kAlbum[] =
    "PERFORMER \"The Band\"\n"
    "TITLE \"First Album\"\n"
    "FILE \"album.wav\" WAVE\n"
    "  TRACK 01 AUDIO\n"
    "    TITLE \"Opening\"\n"
    "    INDEX 01 00:00:00\n"
    "  TRACK 02 AUDIO\n"
    "    TITLE \"Middle\"\n"
    "    INDEX 01 03:00:00\n"
    "  TRACK 03 AUDIO\n"
    "    TITLE \"Closing\"\n"
    "    INDEX 01 06:40:00\n";

struct Sheet {
    vxmtest::CTempDir dir;
    CueObject cue;
    int result = 0;

    explicit Sheet(const std::string& bytes, const std::string& name = "album.cue")
    {
        std::ofstream(dir.File(name), std::ios::binary) << bytes;
        result = cue.Load(W(dir.File(name)));
    }
    std::wstring Folder() const { return W(dir.Path()) + L"/"; }
};

void ExpectThreeTracks(const Sheet& s)
{
    ASSERT_EQ(s.result, 0);
    EXPECT_EQ(s.cue.GetPerformer(), L"The Band");
    EXPECT_EQ(s.cue.GetTitle(), L"First Album");
    EXPECT_EQ(s.cue.GetAudioFile(), s.Folder() + L"album.wav");
    ASSERT_EQ(s.cue.GetTrackCount(), 3);
    const int starts[] = {0, 180, 400};
    const int lengths[] = {180, 220, 0};
    const wchar_t* titles[] = {L"Opening", L"Middle", L"Closing"};
    for (int i = 0; i < 3; ++i) {
        const CueObject::CueTrack* t = s.cue.GetTrack(i);
        EXPECT_EQ(t->m_nStart, starts[i]);
        EXPECT_EQ(t->m_nStartMs, starts[i] * 1000);
        EXPECT_EQ(t->m_nLength, lengths[i]);
        EXPECT_EQ(t->m_nLengthMs, lengths[i] * 1000);
        EXPECT_EQ(t->m_strTitle, titles[i]);
        EXPECT_EQ(t->m_strPerformer, L"The Band");
        EXPECT_EQ(t->m_strCuePath, s.cue.GetCuePath());
        EXPECT_EQ(t->m_nNumber, i + 1);
    }
    EXPECT_EQ(s.cue.GetTrack(3), nullptr);
    EXPECT_EQ(s.cue.GetTrack(-1), nullptr);
}

}  // namespace

TEST(CueSheet, WindowsLineEndsReadTracksTitlesAndLengths)
{
    ExpectThreeTracks(Sheet(Crlf(kAlbum)));
}

TEST(CueSheet, UnixLineEndsReadTheSame)
{
    ExpectThreeTracks(Sheet(kAlbum));
}

TEST(CueSheet, OldMacLineEndsReadTheSame)
{
    std::string cr = kAlbum;
    for (char& c : cr)
        if (c == '\n')
            c = '\r';
    ExpectThreeTracks(Sheet(cr));
}

TEST(CueSheet, ByteOrderMarkIsSkipped)
{
    Sheet s("\xEF\xBB\xBF" + Crlf(kAlbum));
    ExpectThreeTracks(s);
    EXPECT_EQ(s.cue.GetText().substr(0, 9), L"PERFORMER");
}

TEST(CueSheet, Utf16SheetWithByteOrderMarkIsRead)
{
    std::string bytes = "\xFF\xFE";
    for (char c : Crlf(kAlbum)) {
        bytes += c;
        bytes += '\0';
    }
    ExpectThreeTracks(Sheet(bytes));
}

TEST(CueSheet, FramesBecomeMillisecondsAndAreDroppedFromSeconds)
{
    Sheet s("PERFORMER \"P\"\nTITLE \"T\"\nFILE \"a.flac\" WAVE\nTRACK 01 AUDIO\nINDEX 01 03:25:40\n");
    ASSERT_EQ(s.cue.GetTrackCount(), 1);
    EXPECT_EQ(s.cue.GetTrack(0)->m_nStart, 205);
    EXPECT_EQ(s.cue.GetTrack(0)->m_nStartMs, 205533);
}

TEST(CueSheet, MinutesBeyondNinetyNineAreRead)
{
    Sheet s("FILE \"mix.wav\" WAVE\nTRACK 01 AUDIO\nINDEX 01 99:59:74\nTRACK 02 AUDIO\nINDEX 01 100:05:00\n");
    ASSERT_EQ(s.cue.GetTrackCount(), 2);
    EXPECT_EQ(s.cue.GetTrack(1)->m_nStart, 6005);
    EXPECT_EQ(s.cue.GetTrack(1)->m_nStartMs, 6'005'000);
    EXPECT_EQ(s.cue.GetTrack(0)->m_nLengthMs, 6'005'000 - 5'999'986);
}

TEST(CueSheet, KeywordsInsideTitlesMakeNoPhantomTracks)
{
    Sheet s("PERFORMER \"TRACK Stars\"\n"
            "TITLE \"Back on TRACK\"\n"
            "FILE \"x.wav\" WAVE\n"
            "TRACK 01 AUDIO\n"
            "  TITLE \"INDEX 01 05:00:00 TRACK 09\"\n"
            "  INDEX 01 00:00:00\n"
            "TRACK 02 AUDIO\n"
            "  TITLE \"Racetrack PERFORMER\"\n"
            "  INDEX 01 01:00:00\n");
    EXPECT_EQ(s.result, 0);
    EXPECT_EQ(s.cue.GetPerformer(), L"TRACK Stars");
    EXPECT_EQ(s.cue.GetTitle(), L"Back on TRACK");
    ASSERT_EQ(s.cue.GetTrackCount(), 2);
    EXPECT_EQ(s.cue.GetTrack(0)->m_strTitle, L"INDEX 01 05:00:00 TRACK 09");
    EXPECT_EQ(s.cue.GetTrack(0)->m_nStart, 0);
    EXPECT_EQ(s.cue.GetTrack(1)->m_strTitle, L"Racetrack PERFORMER");
    EXPECT_EQ(s.cue.GetTrack(1)->m_nStart, 60);
}

TEST(CueSheet, BareValuesAndLowerCaseKeywordsAreRead)
{
    Sheet s("performer Bare Name\ntitle Bare Album  \nfile My Song.wav WAVE\ntrack 1 audio\n title Bare Track\n"
            " index 1 00:10:00\n");
    EXPECT_EQ(s.result, 0);
    EXPECT_EQ(s.cue.GetPerformer(), L"Bare Name");
    EXPECT_EQ(s.cue.GetTitle(), L"Bare Album");
    EXPECT_EQ(s.cue.GetAudioFile(), s.Folder() + L"My Song.wav");
    ASSERT_EQ(s.cue.GetTrackCount(), 1);
    EXPECT_EQ(s.cue.GetTrack(0)->m_strTitle, L"Bare Track");
    EXPECT_EQ(s.cue.GetTrack(0)->m_nStart, 10);
}

TEST(CueSheet, LongValuesAreKeptWhole)
{
    std::string performer(300, 'p');
    std::string album(200, 'a');
    std::string file(150, 'f');
    std::string title(500, 't');
    Sheet s("PERFORMER \"" + performer + "\"\nTITLE \"" + album + "\"\nFILE \"" + file + ".wav\" WAVE\n" +
            "TRACK 01 AUDIO\nTITLE \"" + title + "\"\nINDEX 01 00:00:00\n");
    EXPECT_EQ(s.result, 0);
    EXPECT_EQ(s.cue.GetPerformer(), W(performer));
    EXPECT_EQ(s.cue.GetTitle(), W(album));
    EXPECT_EQ(s.cue.GetAudioFile(), s.Folder() + W(file) + L".wav");
    ASSERT_EQ(s.cue.GetTrackCount(), 1);
    EXPECT_EQ(s.cue.GetTrack(0)->m_strTitle, W(title));
}

TEST(CueSheet, SheetLongerThanTenThousandBytesIsReadToTheEnd)
{
    std::string sheet = "PERFORMER \"P\"\nTITLE \"T\"\nFILE \"a.wav\" WAVE\n";
    for (int i = 1; i <= 99; ++i) {
        char line[256];
        std::snprintf(line, sizeof line, "  TRACK %02d AUDIO\n    TITLE \"%s %d\"\n    INDEX 01 %02d:00:00\n", i,
                      std::string(120, 'x').c_str(), i, i);
        sheet += line;
    }
    ASSERT_GT(sheet.size(), 10000u);
    Sheet s(sheet);
    ASSERT_EQ(s.cue.GetTrackCount(), 99);
    EXPECT_EQ(s.cue.GetTrack(98)->m_nStart, 99 * 60);
    EXPECT_EQ(s.cue.GetTrack(98)->m_strTitle, W(std::string(120, 'x')) + L" 99");
}

TEST(CueSheet, OnlyTheFirst128TracksAreKept)
{
    std::string sheet = "FILE \"a.wav\" WAVE\n";
    for (int i = 1; i <= 129; ++i)
        sheet += "TRACK " + std::to_string(i) + " AUDIO\nINDEX 01 " + std::to_string(i) + ":00:00\n";
    Sheet s(sheet);
    ASSERT_EQ(s.cue.GetTrackCount(), 128);
    EXPECT_EQ(s.cue.GetTrack(127)->m_nNumber, 128);
    EXPECT_EQ(s.cue.GetTrack(127)->m_nLength, 0);
}

// The layout of a common Windows ripping tool: REM lines, a catalogue number,
// one file per track, and each pregap (INDEX 00) kept at the end of the
// previous track's file.
TEST(CueSheet, RippingToolLayoutWithSeveralFilesAndPregaps)
{
    const char kRip[] =
        "REM GENRE Rock\n"
        "REM DATE 1994\n"
        "REM DISCID 8A0B3C0D\n"
        "REM COMMENT \"ExactAudioCopy v1.6\"\n"
        "CATALOG 0724383963024\n"
        "PERFORMER \"Various Artists\"\n"
        "TITLE \"Compilation\"\n"
        "FILE \"01 - One.wav\" WAVE\n"
        "  TRACK 01 AUDIO\n"
        "    TITLE \"One\"\n"
        "    PERFORMER \"Singer A\"\n"
        "    ISRC GBAYE9400001\n"
        "    INDEX 01 00:00:00\n"
        "  TRACK 02 AUDIO\n"
        "    TITLE \"Two\"\n"
        "    PERFORMER \"Singer B\"\n"
        "    FLAGS DCP\n"
        "    INDEX 00 04:10:50\n"
        "FILE \"02 - Two.wav\" WAVE\n"
        "    INDEX 01 00:00:00\n"
        "  TRACK 03 AUDIO\n"
        "    TITLE \"Three\"\n"
        "    PREGAP 00:02:00\n"
        "    INDEX 01 03:30:15\n"
        "FILE \"03 - Four.wav\" WAVE\n"
        "  TRACK 04 AUDIO\n"
        "    TITLE \"Four\"\n"
        "    INDEX 00 00:00:00\n"
        "    INDEX 01 00:01:37\n";
    Sheet s(Crlf(kRip));
    EXPECT_EQ(s.result, 0);
    EXPECT_EQ(s.cue.GetPerformer(), L"Various Artists");
    EXPECT_EQ(s.cue.GetTitle(), L"Compilation");
    EXPECT_EQ(s.cue.GetAudioFile(), s.Folder() + L"01 - One.wav");
    ASSERT_EQ(s.cue.GetTrackCount(), 4);

    const CueObject::CueTrack* t = s.cue.GetTrack(0);
    EXPECT_EQ(t->m_strTitle, L"One");
    EXPECT_EQ(t->m_strPerformer, L"Singer A");
    EXPECT_EQ(t->m_strAudioFile, s.Folder() + L"01 - One.wav");
    EXPECT_EQ(t->m_nStartMs, 0);
    EXPECT_EQ(t->m_nLengthMs, 0);  // the next track is in another file: this one runs to its end

    t = s.cue.GetTrack(1);
    EXPECT_EQ(t->m_strTitle, L"Two");
    EXPECT_EQ(t->m_strPerformer, L"Singer B");
    EXPECT_EQ(t->m_strAudioFile, s.Folder() + L"02 - Two.wav");  // where its INDEX 01 is
    EXPECT_EQ(t->m_nStartMs, 0);
    EXPECT_EQ(t->m_nLengthMs, 210'200);

    t = s.cue.GetTrack(2);
    EXPECT_EQ(t->m_strPerformer, L"Various Artists");
    EXPECT_EQ(t->m_nStartMs, 210'200);
    EXPECT_EQ(t->m_nStart, 210);

    t = s.cue.GetTrack(3);
    EXPECT_EQ(t->m_strTitle, L"Four");
    EXPECT_EQ(t->m_strAudioFile, s.Folder() + L"03 - Four.wav");
    EXPECT_EQ(t->m_nStartMs, 1'493);  // 1 s + 37 frames
    EXPECT_EQ(t->m_nLengthMs, 0);
}

TEST(CueSheet, MissingFieldsLowerTheResultButTracksAreRead)
{
    Sheet noPerformer("TITLE \"T\"\nFILE \"a.wav\" WAVE\nTRACK 01 AUDIO\nINDEX 01 00:00:00\n");
    EXPECT_EQ(noPerformer.result, -1);
    EXPECT_EQ(noPerformer.cue.GetTrackCount(), 1);
    EXPECT_EQ(noPerformer.cue.GetPerformer(), L"");

    // A track's own performer and title are not the album's.
    Sheet onlyTracks("FILE \"a.wav\" WAVE\nTRACK 01 AUDIO\nTITLE \"Song\"\nPERFORMER \"Artist\"\nINDEX 01 00:00:00\n");
    EXPECT_EQ(onlyTracks.result, -2);
    EXPECT_EQ(onlyTracks.cue.GetTitle(), L"");
    EXPECT_EQ(onlyTracks.cue.GetPerformer(), L"");
    ASSERT_EQ(onlyTracks.cue.GetTrackCount(), 1);
    EXPECT_EQ(onlyTracks.cue.GetTrack(0)->m_strTitle, L"Song");

    Sheet nothing("just some text\n");
    EXPECT_EQ(nothing.result, -3);
    EXPECT_EQ(nothing.cue.GetTrackCount(), 0);

    Sheet empty("");
    EXPECT_EQ(empty.result, -3);
}

TEST(CueSheet, TrackWithoutItsOwnTitleDoesNotBorrowTheNext)
{
    Sheet s("FILE \"a.wav\" WAVE\nTRACK 01 AUDIO\nINDEX 01 00:00:00\nTRACK 02 AUDIO\nTITLE \"Second\"\n"
            "INDEX 01 01:00:00\n");
    ASSERT_EQ(s.cue.GetTrackCount(), 2);
    EXPECT_EQ(s.cue.GetTrack(0)->m_strTitle, L"");
    EXPECT_EQ(s.cue.GetTrack(0)->m_nLength, 60);
}

// A track starts at its INDEX 01, or at its pregap (INDEX 00) when it has no
// INDEX 01, as in sheets with one file per track; frames past 74 are ignored.
// One without a usable start is left out.
TEST(CueSheet, TracksStartAtTheirIndexAndThoseWithoutAStartAreLeftOut)
{
    Sheet s("FILE \"a.wav\" WAVE\n"
            "TRACK 01 AUDIO\nTITLE \"good\"\nINDEX 01 00:00:00\n"
            "TRACK 02 AUDIO\nTITLE \"letters\"\nINDEX 01 0a:00:00\n"
            "TRACK 03 AUDIO\nTITLE \"seconds\"\nINDEX 01 01:75:00\n"
            "TRACK 04 AUDIO\nTITLE \"frames\"\nINDEX 01 01:00:75\n"
            "TRACK 05 AUDIO\nTITLE \"negative\"\nINDEX 01 -1:00:00\n"
            "TRACK 06 AUDIO\nTITLE \"short\"\nINDEX 01 01:00\n"
            "TRACK 07 AUDIO\nTITLE \"none\"\n"
            "TRACK 08 AUDIO\nTITLE \"no time\"\nINDEX 01\n"
            "TRACK 09 AUDIO\nTITLE \"huge\"\nINDEX 01 99999999999:00:00\n"
            "FILE \"b.wav\" WAVE\nTRACK 10 AUDIO\nTITLE \"pregap\"\nINDEX 00 00:00:99\n"
            "FILE \"c.wav\" WAVE\nTRACK 11 AUDIO\nTITLE \"last\"\nINDEX 00 00:01:00\nINDEX 01 00:02:00\nINDEX 00 00:01:50\n");
    const struct {
        const wchar_t *title, *file;
        int startMs, lengthMs;
    } kept[] = {{L"good", L"a.wav", 0, 60'000}, {L"frames", L"a.wav", 60'000, 0}, {L"pregap", L"b.wav", 0, 0},
                {L"last", L"c.wav", 2'000, 0}};
    ASSERT_EQ(s.cue.GetTrackCount(), 4);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(s.cue.GetTrack(i)->m_strTitle, kept[i].title);
        EXPECT_EQ(s.cue.GetTrack(i)->m_strAudioFile, s.Folder() + kept[i].file);
        EXPECT_EQ(s.cue.GetTrack(i)->m_nStartMs, kept[i].startMs) << i;
        EXPECT_EQ(s.cue.GetTrack(i)->m_nLengthMs, kept[i].lengthMs) << i;
    }
}

TEST(CueSheet, TracksOutOfOrderGetNoNegativeLength)
{
    Sheet s("FILE \"a.wav\" WAVE\nTRACK 01 AUDIO\nINDEX 01 05:00:00\nTRACK 02 AUDIO\nINDEX 01 01:00:00\n");
    ASSERT_EQ(s.cue.GetTrackCount(), 2);
    EXPECT_EQ(s.cue.GetTrack(0)->m_nLength, 0);
}

TEST(CueSheet, SheetInTheWindowsCodePageIsDecoded)
{
    Sheet s("PERFORMER \"Beyonc\xE9\"\nTITLE \"Caf\xE9 \x93Live\x94\"\nFILE \"a.wav\" WAVE\n");
    EXPECT_EQ(s.cue.GetPerformer(), L"Beyonc\u00e9");
    EXPECT_EQ(s.cue.GetTitle(), L"Caf\u00e9 \u201cLive\u201d");
}

TEST(CueSheet, Utf8SheetWithoutMarkKeepsItsLetters)
{
    Sheet s("PERFORMER \"\xE6\x9D\xB1\xE4\xBA\xAC\"\nTITLE \"\xC3\xA9t\xC3\xA9\"\nFILE \"\xC3\xA9.flac\" WAVE\n");
    EXPECT_EQ(s.cue.GetPerformer(), L"\u6771\u4eac");
    EXPECT_EQ(s.cue.GetTitle(), L"\u00e9t\u00e9");
    EXPECT_EQ(s.cue.GetAudioFile(), s.Folder() + L"\u00e9.flac");
}

// A sheet in a legacy code page, beside its audio file (named in UTF-8 here).
CueObject LegacySheet(vxmtest::CTempDir& dir, const std::string& audioName, const std::string& bytes)
{
    std::ofstream(dir.File(audioName), std::ios::binary) << "audio";
    std::ofstream(dir.File("sheet.cue"), std::ios::binary) << bytes;
    CueObject cue;
    cue.Load(Utf8ToWide(dir.File("sheet.cue")));
    return cue;
}

TEST(CueSheet, SheetsInEastAsianCodePagesFindTheirAudioFileAndKeepTheirTitles)
{
    vxmtest::CTempDir japanese;
    CueObject shiftJis = LegacySheet(japanese, "\xE5\xA4\x8F\xE3\x81\xAE\xE6\xAD\x8C.flac",
                                     "PERFORMER \"\x97\xE9\x96\xD8\"\nFILE \"\x89\xC4\x82\xCC\x89\xCC.flac\" WAVE\n"
                                     "  TRACK 01 AUDIO\n    TITLE \"\x92\xA9\x82\xCC\x8C\xF5\"\n    INDEX 01 00:00:00\n");
    EXPECT_EQ(shiftJis.GetAudioFile(), Utf8ToWide(japanese.File("\xE5\xA4\x8F\xE3\x81\xAE\xE6\xAD\x8C.flac")));
    EXPECT_EQ(shiftJis.GetPerformer(), L"\u9234\u6728");
    ASSERT_EQ(shiftJis.GetTrackCount(), 1);
    EXPECT_EQ(shiftJis.GetTrack(0)->m_strTitle, L"\u671d\u306e\u5149");

    vxmtest::CTempDir chinese;
    CueObject gbk = LegacySheet(chinese, "\xE4\xB8\x9C\xE4\xBA\xAC.wav",
                                "TITLE \"\xB6\xAB\xBE\xA9\xD6\xAE\xD2\xB9\"\nFILE \"\xB6\xAB\xBE\xA9.wav\" WAVE\n");
    EXPECT_EQ(gbk.GetAudioFile(), Utf8ToWide(chinese.File("\xE4\xB8\x9C\xE4\xBA\xAC.wav")));
    EXPECT_EQ(gbk.GetTitle(), L"\u4e1c\u4eac\u4e4b\u591c");
}

TEST(CueSheet, AudioFileNamesFromWindowsAreFoundBesideTheSheet)
{
    Sheet drive("FILE \"C:\\Music\\Rips\\album.wav\" WAVE\n");
    EXPECT_EQ(drive.cue.GetAudioFile(), drive.Folder() + L"album.wav");
    Sheet relative("FILE \"disc1\\album.wav\" WAVE\n");
    EXPECT_EQ(relative.cue.GetAudioFile(), relative.Folder() + L"disc1/album.wav");
    Sheet absolute("FILE \"/srv/music/album.wav\" WAVE\n");
    EXPECT_EQ(absolute.cue.GetAudioFile(), L"/srv/music/album.wav");
}

TEST(CueSheet, UnreadableFileLeavesTheObjectEmpty)
{
    CueObject cue;
    ASSERT_EQ(cue.Parse(kAlbum, L"/x/a.cue"), 0);
    ASSERT_EQ(cue.GetTrackCount(), 3);
    EXPECT_EQ(cue.Load(L"/nonexistent/folder/none.cue"), -1);
    EXPECT_EQ(cue.GetTrackCount(), 0);
    EXPECT_EQ(cue.GetPerformer(), L"");
    EXPECT_EQ(cue.GetAudioFile(), L"");

    vxmtest::CTempDir dir;
    EXPECT_EQ(cue.Load(W(dir.Path())), -1);  // a folder
}

TEST(CueSheet, LoadingAgainForgetsThePreviousSheet)
{
    Sheet s(kAlbum);
    std::ofstream(s.dir.File("b.cue"), std::ios::binary) << "FILE \"b.wav\" WAVE\nTRACK 01 AUDIO\nINDEX 01 00:00:00\n";
    EXPECT_EQ(s.cue.Load(W(s.dir.File("b.cue"))), -2);
    EXPECT_EQ(s.cue.GetTrackCount(), 1);
    EXPECT_EQ(s.cue.GetTitle(), L"");
}

TEST(CueSheet, ControlBytesAndTruncatedLinesDoNotBreakParsing)
{
    std::string junk = "PERFORMER \"unterminated\nTITLE\nFILE\nTRACK\nINDEX 01 00:00:00\nTRACK 02\nINDEX\x01\xff\"\"";
    Sheet s(junk + std::string(3, '\0'));  // NUL padding at the end is no text
    EXPECT_EQ(s.cue.GetPerformer(), L"unterminated");
    EXPECT_EQ(s.cue.GetTrackCount(), 1);
}

// A name would end at a NUL for every file call: such a sheet is not read.
TEST(CueSheet, SheetWithANulInsideIsRefused)
{
    const std::string kNul("\0", 1);
    const std::string sheets[] = {
        "FILE \"/music/a" + kNul + "b.wav\" WAVE\nTRACK 01 AUDIO\nINDEX 01 00:00:00\n",
        "FILE \"a.wav\" WAVE\nTRACK 01 AUDIO\nTITLE \"Cut" + kNul + "off\"\nINDEX 01 00:00:00\n",
        "\xFF\xFEP" + kNul + "\xE9" + kNul + kNul + kNul + "x" + kNul,  // UTF-16: "Pé", NUL, "x"
    };
    for (const std::string& bytes : sheets) {
        Sheet s(bytes);
        EXPECT_EQ(s.result, -1);
        EXPECT_EQ(s.cue.GetTrackCount(), 0);
        EXPECT_EQ(s.cue.GetAudioFile(), L"");
        EXPECT_EQ(s.cue.GetText(), L"");
    }
}
