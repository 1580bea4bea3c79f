// The output patterns are matched in linear time and give what the standard
// library's backtracking matcher gives (leftmost match, greedy groups, the
// groups of the found text matched again as a whole).
#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <locale>
#include <random>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "LinearPattern.h"
#include "MPlayerParser.h"
#include "event_sink.h"

using namespace mplayertest;

namespace {

// The standard library's answer: false when no match, else the groups of
// the found text matched again as a whole (empty when that fails).
bool ReferenceSearch(const std::wregex& regex, const std::wstring& line, std::vector<std::wstring>& groups)
{
    groups.clear();
    std::wsmatch found;
    if (!std::regex_search(line, found, regex)) return false;
    const std::wstring text = found.str(0);
    std::wsmatch whole;
    if (!std::regex_match(text, whole, regex)) return true;
    for (size_t i = 0; i < whole.size(); ++i) groups.push_back(whole.str(i));
    return true;
}

const wchar_t* const kTokens[] = {
    L"audio stream:", L"format:", L"language:", L"aid:", L"Track ID", L"audio", L"subtitles", L"-aid", L"-alang",
    L"-sid", L"-slang", L"subtitle", L"A:", L"V:", L"A-V:", L"ct:", L"of", L"TITLE", L"CHAPTERS:", L"ID_DVD_TITLE_",
    L"_LENGTH", L"ID_AUDIO_ID=", L"ID_AID_", L"_LANG=", L"ID_SUBTITLE_ID=", L"ID_SID_", L"ID_BLURAY_CHAPTER=",
    L",ID_BLURAY_CHAPTER_START=", L"ID_BLURAY_AUDIO=", L",ID_BLURAY_AUDIO_PID=", L",ID_BLURAY_AUDIO_LANG=",
    L"Added subtitle file (", L"):", L"screenshot 'shot", L".png'", L"png'", L"VO:", L"[", L"]", L"=>", L"=",
    L"Scanning file", L"...done", L"done", L" ", L"  ", L"\t", L"1", L"12", L"0.5", L".", L",", L":", L"x", L"eng",
    L"_", L"-", L"(", L")", L"\u00e9", L"\u2028", L"'", L"ID", L"7.25"};

std::wstring RandomLine(std::mt19937& random)
{
    std::uniform_int_distribution<size_t> count(1, 14);
    std::uniform_int_distribution<size_t> token(0, std::size(kTokens) - 1);
    std::wstring line;
    for (size_t n = count(random); n > 0; --n) line += kTokens[token(random)];
    return line;
}

// Lines a backtracking matcher takes a long time over: nested greedy
// repetitions that can split the same blanks in many ways.
std::vector<std::wstring> HostileLines(size_t size)
{
    const std::wstring blanks(size, L' ');
    return {L"Scanning file" + blanks,
            L"A: 1" + blanks,
            L"A: 1 x of 2" + blanks + L"\u2028",
            L"audio stream: 0 format: x language: y" + blanks,
            L"Track ID 1: audio" + blanks + L",",
            L"subtitle " + blanks + L": 1 language:" + blanks,
            L"Added subtitle file (" + blanks + L"):",
            std::wstring(size / 8, L'x') + L"Track ID 1: subtitles" + std::wstring(size / 2, L',') + L" -sid"};
}

// The line with one to three random edits: a token put in, a character
// taken out or replaced by a token.
std::wstring Mutated(std::wstring line, std::mt19937& random)
{
    std::uniform_int_distribution<size_t> edits(1, 3);
    std::uniform_int_distribution<size_t> token(0, std::size(kTokens) - 1);
    for (size_t n = edits(random); n > 0; --n) {
        const size_t at = std::uniform_int_distribution<size_t>(0, line.size())(random);
        switch (random() % 3) {
        case 0: line.insert(at, kTokens[token(random)]); break;
        case 1: if (at < line.size()) line.erase(at, 1); break;
        default: if (at < line.size()) line.replace(at, 1, kTokens[token(random)]); break;
        }
    }
    return line;
}

}  // namespace

TEST(OutputPatterns, GiveTheBacktrackingMatchersAnswer)
{
    std::mt19937 random(20261209);
    std::vector<std::wstring> lines;
    for (int i = 0; i < 1500; ++i) lines.push_back(RandomLine(random));
    for (const std::wstring& line : HostileLines(12)) lines.push_back(line);
    // Real answers of the player.
    lines.push_back(L"ID_DVD_TITLE_1_LENGTH=5025.480");
    lines.push_back(L"audio stream: 0 format: ac3 (5.1) language: en aid: 128.");
    lines.push_back(L"[lavf] Track ID 1: audio (aac), -aid 0, -alang und");
    lines.push_back(L"subtitle ( sid ): 0 language: en");
    lines.push_back(L"A:   1.2 V:   1.2 A-V: -0.000 ct:  0.033   0/  0  0%  0%  0.4% 0 0");
    lines.push_back(L"A:   3.4 (03.3) of 8.0 (08.0)  0.3%");
    lines.push_back(L"VO: [x11] 720x576 => 1024x576 Planar YV12");
    lines.push_back(L"screenshot 'shot0012.png'");
    lines.push_back(L"Scanning file /media/clip.mkv ...done");
    lines.push_back(L"SUB: Added subtitle file (1): /tmp/a b.srt");
    lines.push_back(L"ID_AID_128_LANG=eng");
    lines.push_back(L"ID_BLURAY_AUDIO=1,ID_BLURAY_AUDIO_PID=4352,ID_BLURAY_AUDIO_LANG=fra");
    lines.push_back(L"ID_BLURAY_CHAPTER=2,ID_BLURAY_CHAPTER_START=300");
    lines.push_back(L"TITLE 2, CHAPTERS: 00:00:00,00:05:00");
    const size_t samples = lines.size() - 1500;
    for (size_t i = 0; i < samples; ++i)
        for (int n = 0; n < 200; ++n) lines.push_back(Mutated(lines[1500 + i], random));

    size_t matched = 0;
    for (std::wstring_view text : MplayerOutputPatterns()) {
        CLinearPattern linear;
        ASSERT_TRUE(linear.Compile(text));
        std::wregex regex;
        regex.imbue(std::locale::classic());
        regex.assign(text.begin(), text.end(), std::regex::ECMAScript);
        for (const std::wstring& line : lines) {
            std::vector<std::wstring> expected;
            const bool expectedMatch = ReferenceSearch(regex, line, expected);
            std::vector<std::wstring_view> groups;
            const bool match = linear.Search(line, groups);
            ASSERT_EQ(match, expectedMatch) << "pattern " << std::string(text.begin(), text.end()) << " line "
                                            << std::string(line.begin(), line.end());
            if (!match) continue;
            ++matched;
            std::vector<std::wstring> got(groups.begin(), groups.end());
            ASSERT_EQ(got, expected) << "pattern " << std::string(text.begin(), text.end()) << " line "
                                     << std::string(line.begin(), line.end());
        }
    }
    EXPECT_GT(matched, 600u);  // the lines exercise matches, not only misses
}

TEST(OutputPatterns, SyntaxOutsideTheSupportedPartIsRefused)
{
    CLinearPattern pattern;
    for (const wchar_t* text : {L"(a)+", L"a|b", L"^a", L"a{2}", L"(?:a)", L"\\1", L"[^a]", L"a+?", L"(a", L"a)"})
        EXPECT_FALSE(pattern.Compile(text)) << std::wstring(text).size();
    EXPECT_TRUE(pattern.Compile(L"[a-c_\\d]+x?"));
    std::vector<std::wstring_view> groups;
    ASSERT_TRUE(pattern.Search(L"--ab_9", groups));
    EXPECT_EQ(groups[0], L"ab_9");
}

// A line on which a backtracking matcher spends seconds is parsed at once.
// The parse runs beside a watchdog, so a slow matcher fails the test
// instead of holding it.
TEST(OutputPatterns, HostileLongLinesAreParsedInLinearTime)
{
    auto* sink = new CEventSink;
    auto* parser = new CMPlayerParser(sink->Hwnd());
    std::vector<std::wstring> lines = HostileLines(1200);
    for (std::wstring& line : HostileLines(4096)) lines.push_back(std::move(line));
    std::packaged_task<void()> task([parser, lines] {
        for (const std::wstring& line : lines) parser->ParseLine(line);
    });
    std::thread worker(std::move(task));
    worker.join();  // a parse that never ends fails by the test's time-out
    EXPECT_EQ(parser->GetSubtitleTracks().count(1), 1u);  // "subtitle ...: 1 language: ..."
    delete parser;
    sink->Drain();
    delete sink;
}
