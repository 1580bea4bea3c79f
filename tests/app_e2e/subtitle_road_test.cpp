// Subtitles as users have them, burnt through rows of the real main window and
// judged as Debian's ffmpeg decodes the outputs (and burns them itself): code
// pages, byte-order marks, the track chosen on a row, text on a white picture,
// the position slider, a picture track, a script's own margins, and what a row
// says of a subtitle it cannot draw or read. Four frames are kept as screenshots.
#include "MediaHandler.h"
#include "MediaListItemUI.h"
#include "program_window.h"
#include "support/test_media.h"
#include "ui/UILanguage.h"
#include "FakeDesktop.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <map>

namespace {

[[maybe_unused]] const bool g_env = vxmtest::RegisterMainWindowEnvironment();

constexpr int kMp4 = 0, kMkv = 2;  // catalogue profiles: H.264 at the source's size

// One frame at `at` seconds as RGB bytes; with `shot`, also kept as that screenshot.
std::string Frame(const std::string& file, const char* at, const char* shot = nullptr)
{
    if (shot) vxmtest::RunFfmpeg({"-ss", at, "-i", file, "-frames:v", "1", std::string(VXM_SCREENSHOT_DIR "/") + shot});
    std::string rgb;
    vxmtest::RunProgram({"ffmpeg", "-v", "error", "-ss", at, "-i", file, "-frames:v", "1", "-f", "rawvideo", "-pix_fmt",
                         "rgb24", "-"},
                        &rgb);
    return rgb;
}

// Pixels that differ strongly (text, its outline): what compression changes stays below.
int TextPixels(const std::string& a, const std::string& b)
{
    int count = 0;
    for (size_t i = 0; i < a.size() && i < b.size(); i += 3)  // the red of each pixel
        count += std::abs(static_cast<unsigned char>(a[i]) - static_cast<unsigned char>(b[i])) > 96;
    return count;
}

// A second of 320x240 pictures of a test source, with sound.
std::string Clip(const vxmtest::CTempDir& dir, const std::string& picture)
{
    const std::string path = dir.File(picture.substr(0, 5) + ".mp4");
    const char* size = picture.find('=') == std::string::npos ? "=size=320x240:duration=1" : ":size=320x240:duration=1";
    EXPECT_TRUE(vxmtest::RunFfmpeg({"-f", "lavfi", "-i", picture + size, "-f", "lavfi", "-i",
                                    "sine=duration=1", "-pix_fmt", "yuv420p", path}));
    return path;
}

std::string Srt(const std::string& text, const char* from = "00:00:00,000", const char* to = "00:00:05,000")
{
    return std::string("1\r\n") + from + " --> " + to + "\r\n" + text + "\r\n\r\n";
}

class CSubtitleRoad : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_program.IsUp()); }
    void TearDown() override { Options(m_codePage, m_position); }

    // The code page and position chosen in the options, as OK hands them to the engine.
    void Options(int codePage, int position = 5)
    {
        CVXMSettings::GetInstance()->SubEncoding = codePage;
        CVXMSettings::GetInstance()->SubPosition = position;
        CMediaHandler::GetInstance()->ApplySettings(CMediaHandler::GetInstance()->GetProfileManager());
    }
    CMediaListItemUI* Add(const std::string& file, const std::string& subtitle = {})
    {
        const int before = m_program.list->GetCount();
        EXPECT_NE(CMediaHandler::GetInstance()->AddFile(Utf8ToWide(file), -1, 0), nullptr);
        vxmtest::PumpUntil([&] { return m_program.list->GetCount() == before + 1; });
        CMediaListItemUI* row = m_program.list->GetMediaItem(before);
        if (!subtitle.empty()) row->AddSubtitleFile(0, Utf8ToWide(subtitle).c_str());
        return row;
    }
    CComboUI* SubtitleCombo(CMediaListItemUI* row)
    {
        return dynamic_cast<CComboUI*>(m_program.window->GetPaintManager()->FindSubControlByName(row, L"ID_COMBO_SUBTITLE"));
    }
    // Started with the row's own button; the output once the row ended.
    std::string Convert(CMediaListItemUI* row, int profile, int ends = ITEM_STATUS_DONE)
    {
        row->SetProfile(profile, profile == kMkv ? 1 : 0, 0);
        const std::wstring before = row->GetMedia()->GetOutputPath();
        TEventUI e;
        e.Type = UIEVENT_BUTTONUP;
        e.pSender = m_program.window->GetPaintManager()->FindSubControlByName(row, L"ID_BUTTON_ITEM_CONVER_START");
        e.pSender->Event(e);
        vxmtest::PumpUntil([&] {
            return !m_program.pane->IsConverting() && row->GetStatus() >= ITEM_STATUS_FAILED &&
                   (row->GetStatus() == ITEM_STATUS_FAILED || row->GetMedia()->GetOutputPath() != before);
        });
        EXPECT_EQ(row->GetStatus(), ends) << WideToUtf8(row->GetStatusToolTip());
        return WideToUtf8(row->GetMedia()->GetOutputPath());
    }

    const int m_codePage = CVXMSettings::GetInstance()->SubEncoding;
    const int m_position = CVXMSettings::GetInstance()->SubPosition;
    CFakeDesktop m_desktop;
    vxmtest::CTempDir m_dir;
    CProgramWindow m_program{m_dir.File("out")};
};

TEST_F(CSubtitleRoad, SubtitlesInTheirCodePagesBurnAsTheirUtf8CopiesAndAnotherCodePageFailsWithWhy)
{
    const std::string clip = Clip(m_dir, "smptebars"), source = Frame(clip, "0.4");
    // iconv's name (UTF-16LE with a mark), the code page chosen, the text, the
    // file's own name. The Chinese and Japanese lines are as long: boxes for
    // missing glyphs would burn alike.
    const std::tuple<const char*, int, const char*, const char*> cases[] = {
        {"CP1251", 1251, "Съешь же ещё этих мягких булок", ".srt"},
        {"CP1252", 1252, "Crème brûlée à la façon de Zoë", ".srt"},
        {"GBK", 936, "東京的夜景很美", ".srt"},
        {"BIG5", 950, "東京的夜景很美", ".srt"},
        {"SHIFT_JIS", 932, "東京の夜景です", ".srt"},
        {"UTF-16LE", 1, "Съешь же ещё этих мягких булок", ".srt"},
        {"UTF-16LE", 1, "Съешь же ещё этих мягких булок", " LF.SRT"}};  // line feeds alone, named in capitals
    std::map<std::string, std::string> utf8Burns;  // text: the frame its UTF-8 copy burns
    for (const auto& [encoding, codePage, text, ending] : cases) {
        SCOPED_TRACE(std::string(encoding) + ending);
        const std::string name = m_dir.File(std::string("Фильм ") + encoding);
        const std::string utf8 = name + " UTF-8.srt", srt = name + ending;
        std::string lines = Srt(text);
        if (std::string(ending).find("LF") != std::string::npos) std::erase(lines, '\r');
        std::ofstream(utf8, std::ios::binary) << lines;
        if (!utf8Burns.count(text)) {
            Options(1);
            utf8Burns[text] = Frame(Convert(Add(clip, utf8), kMp4), "0.4");
            EXPECT_GT(TextPixels(utf8Burns[text], source), 100);
        }
        std::string bytes;
        ASSERT_EQ(vxmtest::RunProgram({"iconv", "-f", "UTF-8", "-t", encoding, utf8}, &bytes), 0) << bytes;
        std::ofstream(srt, std::ios::binary) << (codePage == 1 ? "\xFF\xFE" : "") << bytes;
        Options(codePage);
        const std::string output = Convert(Add(clip, srt), kMp4);
        EXPECT_EQ(Frame(output, "0.4", codePage == 1251 ? "subtitle_cp1251_burn.png" : nullptr), utf8Burns[text]);
    }
    EXPECT_NE(utf8Burns["東京的夜景很美"], utf8Burns["東京の夜景です"]);

    // The Windows-1251 file with the default code page: the row says why.
    Options(1);
    CMediaListItemUI* row = Add(clip, m_dir.File("Фильм CP1251.srt"));
    Convert(row, kMp4, ITEM_STATUS_FAILED);
    EXPECT_EQ(row->GetStatusToolTip(), L"The text of the subtitle is not in the code page 1 (UTF-8). Choose the "
                                       L"subtitle file's code page under Options > Subtitles > Code page.");
}

TEST_F(CSubtitleRoad, TheChosenTrackIsTheOneCopiedAndBurntAndWhiteTextShowsByItsOutlineWhereThePositionSays)
{
    // Track 1 speaks in the first half second, track 2 in the second.
    const std::string clip = Clip(m_dir, "smptebars"), film = m_dir.File("Zwei Spuren.mkv");
    std::ofstream(m_dir.File("1.srt")) << Srt("First track", "00:00:00,000", "00:00:00,500");
    std::ofstream(m_dir.File("2.srt")) << Srt("Second track", "00:00:00,500", "00:00:01,000");
    ASSERT_TRUE(vxmtest::RunFfmpeg({"-i", clip, "-i", m_dir.File("1.srt"), "-i", m_dir.File("2.srt"), "-map", "0",
                                    "-map", "1", "-map", "2", "-c:v", "copy", "-c:a", "copy", "-c:s", "srt", film}));
    CMediaListItemUI* row = Add(film);
    SubtitleCombo(row)->SelectItem(1);
    const std::string mkv = Convert(row, kMkv);
    std::string streams, text;
    vxmtest::RunProgram({"ffprobe", "-v", "error", "-show_entries", "stream=codec_type", "-of", "csv=p=0", mkv}, &streams);
    EXPECT_EQ(streams, "video\naudio\nsubtitle\n");
    vxmtest::RunProgram({"ffmpeg", "-v", "error", "-i", mkv, "-map", "0:s", "-f", "srt", "-"}, &text);
    EXPECT_NE(text.find("Second track"), std::string::npos) << text;
    EXPECT_EQ(text.find("First track"), std::string::npos) << text;
    const std::string mp4 = Convert(row, kMp4);
    EXPECT_LT(TextPixels(Frame(mp4, "0.2"), Frame(clip, "0.2")), 20);
    EXPECT_GT(TextPixels(Frame(mp4, "0.8"), Frame(clip, "0.8")), 100);

    // White text on a white picture shows by its outline: the SRT reader's, the ASS file's own.
    const std::string white = Clip(m_dir, "color=white");
    std::ofstream(m_dir.File("white.srt")) << Srt("White on white");
    std::ofstream(m_dir.File("white.ass"))
        << "[Script Info]\nScriptType: v4.00+\n\n[V4+ Styles]\nFormat: Name, Fontsize, PrimaryColour, OutlineColour, "
           "BorderStyle, Outline, Shadow, Alignment\nStyle: Default,24,&H00FFFFFF,&H00000000,1,3,0,2\n\n[Events]\n"
           "Format: Layer, Start, End, Style, Text\nDialogue: 0,0:00:00.00,0:00:05.00,Default,White on white\n";
    const std::string plain = Frame(white, "0.5");
    const std::string srtBurn = Convert(Add(white, m_dir.File("white.srt")), kMp4);
    EXPECT_GT(TextPixels(Frame(srtBurn, "0.5", "subtitle_white_clip_burn.png"), plain), 100);
    // The position slider at its top lifts the line to the top of the picture, whole.
    Options(m_codePage, 100);
    const std::string top = Frame(Convert(Add(white, m_dir.File("white.srt")), kMp4), "0.5");
    const size_t half = plain.size() / 2;
    EXPECT_GT(TextPixels(top.substr(0, half), plain.substr(0, half)), 100);
    EXPECT_EQ(TextPixels(top.substr(half), plain.substr(half)), 0);
    // The script's lines move with the slider once it left its default.
    const std::string topAss = Frame(Convert(Add(white, m_dir.File("white.ass")), kMp4), "0.5");
    EXPECT_GT(TextPixels(topAss.substr(0, half), plain.substr(0, half)), 100);
    EXPECT_EQ(TextPixels(topAss.substr(half), plain.substr(half)), 0);
}

// A PGS file of a white 120x30 box at 100,180, shown from 0 s and cleared by
// a display set without objects at 1.24 s.
void WritePgs(const std::string& path)
{
    using namespace std::string_literals;
    auto segment = [](unsigned pts, char type, const std::string& data) {
        return std::string{'P', 'G', char(pts >> 24), char(pts >> 16), char(pts >> 8), char(pts), 0, 0, 0, 0, type,
                           char(data.size() >> 8), char(data.size())} + data;
    };
    const std::string window = "\x01\x00\x00\x64\x00\xB4\x00\x78\x00\x1E"s;
    std::string lines;  // each: a run of 120 pixels of colour 1, the line's end
    for (int y = 0; y < 30; ++y) lines += "\x00\xC0\x78\x01\x00\x00"s;
    const unsigned clear = 111600;  // 1.24 s at 90 kHz
    std::ofstream(path, std::ios::binary)
        << segment(0, 0x16, "\x01\x40\x00\xF0\x10\x00\x00\x80\x00\x00\x01\x00\x00\x00\x00\x00\x64\x00\xB4"s)
        << segment(0, 0x17, window) << segment(0, 0x14, "\x00\x00\x01\xEB\x80\x80\xFF"s)
        << segment(0, 0x15, "\x00\x00\x00\xC0\x00\x00\xB8\x00\x78\x00\x1E"s + lines) << segment(0, char(0x80), "")
        << segment(clear, 0x16, "\x01\x40\x00\xF0\x10\x00\x01\x00\x00\x00\x00"s) << segment(clear, 0x17, window)
        << segment(clear, char(0x80), "");
}

TEST_F(CSubtitleRoad, PictureSubtitlesLastTheirDisplayTimeAndScriptsKeepTheirOwnMarginsAsFfmpegBurnsThem)
{
    // At the slider's default an ASS script keeps its own margin, as the stock filter draws it.
    const std::string white = Clip(m_dir, "color=white"), ass = m_dir.File("Rand 28.ass"), stock = m_dir.File("s.mp4");
    std::ofstream(ass) << "[Script Info]\nScriptType: v4.00+\nPlayResY: 288\n\n[V4+ Styles]\nFormat: Name, Fontsize, "
                          "PrimaryColour, OutlineColour, BorderStyle, Outline, Alignment, MarginV\nStyle: Default,24,"
                          "&H00FFFFFF,&H00000000,1,3,2,28\n\n[Events]\nFormat: Layer, Start, End, Style, Text\n"
                          "Dialogue: 0,0:00:00.00,0:00:05.00,Default,Margin 28\n";
    ASSERT_TRUE(vxmtest::RunFfmpeg({"-i", white, "-vf", "subtitles=filename='" + ass + "'", "-pix_fmt", "yuv420p", stock}));
    const std::string ours = Frame(Convert(Add(white, ass), kMp4), "0.5", "subtitle_ass_margin_burn.png");
    EXPECT_GT(TextPixels(ours, Frame(white, "0.5")), 100);
    EXPECT_LT(TextPixels(ours, Frame(stock, "0.5")), 20);

    // SRT, ASS and PGS tracks copied into one MKV; the PGS box is cleared after the picture's end.
    const std::string clip = m_dir.File("clip.mkv"), pgs = m_dir.File("box.sup"), film = m_dir.File("Drei Spuren.mkv");
    ASSERT_TRUE(vxmtest::RunFfmpeg({"-f", "lavfi", "-i", "smptebars=size=320x240:duration=0.96", "-f", "lavfi", "-i",
                                    "sine=duration=0.96", "-pix_fmt", "yuv420p", clip}));
    std::ofstream(m_dir.File("1.srt")) << Srt("Text track");
    WritePgs(pgs);
    ASSERT_TRUE(vxmtest::RunFfmpeg({"-i", clip, "-i", m_dir.File("1.srt"), "-i", ass, "-i", pgs, "-map", "0", "-map",
                                    "1", "-map", "2", "-map", "3", "-c", "copy", film}));
    const std::string overlaid = m_dir.File("overlaid.mp4");
    ASSERT_TRUE(vxmtest::RunFfmpeg({"-i", film, "-filter_complex", "[0:v][0:s:2]overlay", "-pix_fmt", "yuv420p", overlaid}));
    CMediaListItemUI* row = Add(film);
    SubtitleCombo(row)->SelectItem(2);
    const std::string last = Frame(Convert(row, kMp4), "0.92", "subtitle_pgs_last_frame.png");
    EXPECT_GT(TextPixels(last, Frame(clip, "0.92")), 1000);
    EXPECT_LT(TextPixels(last, Frame(overlaid, "0.92")), 20);
}

TEST_F(CSubtitleRoad, ASubtitleThatCannotBeDrawnOrReadFailsItsRowWithWhyAndAFileOfAnotherKindIsRefusedInAMessage)
{
    // A WebVTT track as other muxers name it, which FFmpeg 5.1 does not read.
    const std::string clip = Clip(m_dir, "smptebars"), vtt = m_dir.File("web.vtt"), made = m_dir.File("made.mkv");
    std::ofstream(vtt) << "WEBVTT\n\n00:00:00.000 --> 00:00:00.900\nWeb text\n\n";
    ASSERT_TRUE(vxmtest::RunFfmpeg({"-i", clip, "-i", vtt, "-map", "0", "-map", "1", "-c", "copy", made}));
    std::ifstream in(made, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_NE(bytes.find("D_WEBVTT/SUBTITLES"), std::string::npos);
    bytes.replace(bytes.find("D_WEBVTT/SUBTITLES"), 18, std::string("S_TEXT/WEBVTT\0\0\0\0\0", 18));
    std::ofstream(m_dir.File("Web Spur.mkv"), std::ios::binary) << bytes;
    CMediaListItemUI* row = Add(m_dir.File("Web Spur.mkv"));
    Convert(row, kMp4, ITEM_STATUS_FAILED);
    EXPECT_EQ(row->GetStatusToolTip(), L"Subtitle 1 cannot be drawn on the picture: its format is not one this "
                                       L"program reads. Choose another subtitle, or none.");

    // A script whose header is missing: the reader finds no script in it.
    const std::string ssa = m_dir.File("Nur Ereignisse.ssa");
    std::ofstream(ssa) << "[Events]\nFormat: Marked, Start, End, Style, Text\n"
                          "Dialogue: Marked=0,0:00:00.00,0:00:00.90,Default,Only events\n";
    row = Add(clip, ssa);
    Convert(row, kMp4, ITEM_STATUS_FAILED);
    EXPECT_EQ(row->GetStatusToolTip(), Utf8ToWide("The subtitle file " + ssa + " cannot be read."));

    // The WebVTT file picked through "All files" on the row's combo.
    m_desktop.files.openAnswer = {Utf8ToWide(vtt)};
    SubtitleCombo(row)->SelectItem(SubtitleCombo(row)->GetCount() - 1);
    const std::wstring refusal = L"MessageBox.Show: " + CLanguageManager::GetInstance()->LoadStringW(103) +
                                 L"|web.vtt was not added: only subtitle files of the kinds SRT, SSA and ASS can be "
                                 L"added to a row.|48";
    vxmtest::PumpUntil([&] { return std::ranges::count(m_desktop.Calls(), refusal) > 0; });
    EXPECT_EQ(std::ranges::count(m_desktop.Calls(), refusal), 1);
    EXPECT_EQ(SubtitleCombo(row)->GetCurSel(), 0);
}

}  // namespace
