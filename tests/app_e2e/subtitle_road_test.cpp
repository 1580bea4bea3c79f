// Subtitles as users have them, burnt through rows of the real main window and
// judged as Debian's ffmpeg decodes the outputs: code pages, byte-order marks,
// the track chosen on a row, text on a white picture and the position slider.
// Two frames are kept as screenshots.
#include "MediaHandler.h"
#include "MediaListItemUI.h"
#include "program_window.h"
#include "support/test_media.h"
#include "FakeDesktop.h"

#include <gtest/gtest.h>

#include <fstream>
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
    // iconv's name (UTF-16LE with a mark), the code page chosen, the text. The
    // Chinese and Japanese lines are as long: boxes for missing glyphs would burn alike.
    const std::tuple<const char*, int, const char*> cases[] = {
        {"CP1251", 1251, "Съешь же ещё этих мягких булок"},
        {"CP1252", 1252, "Crème brûlée à la façon de Zoë"},
        {"GBK", 936, "東京的夜景很美"},
        {"BIG5", 950, "東京的夜景很美"},
        {"SHIFT_JIS", 932, "東京の夜景です"},
        {"UTF-16LE", 1, "Съешь же ещё этих мягких булок"}};
    std::map<std::string, std::string> utf8Burns;  // text: the frame its UTF-8 copy burns
    for (const auto& [encoding, codePage, text] : cases) {
        SCOPED_TRACE(encoding);
        const std::string name = m_dir.File(std::string("Фильм ") + encoding);
        const std::string utf8 = name + " UTF-8.srt", srt = name + ".srt";
        std::ofstream(utf8, std::ios::binary) << Srt(text);
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
    auto* combo = dynamic_cast<CComboUI*>(m_program.window->GetPaintManager()->FindSubControlByName(row, L"ID_COMBO_SUBTITLE"));
    ASSERT_NE(combo, nullptr);
    combo->SelectItem(1);
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
    EXPECT_GT(TextPixels(Frame(Convert(Add(white, m_dir.File("white.ass")), kMp4), "0.5"), plain), 100);
}

}  // namespace
