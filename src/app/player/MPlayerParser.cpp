#include "MPlayerParser.h"

#include "LinearPattern.h"
#include "Log.h"
#include "platform/messages.h"
#include "platform/text.h"

#include <charconv>
#include <cfloat>
#include <cmath>
#include <cstring>
#include <cwchar>
#include <vector>

namespace {

// Fixed texts, tried in this order; the first one found decides.
enum class EFixedAction {
    Post,            // code alone
    PostInt,         // integer in lParam
    PostAspect,      // float record, only when |value| >= 0.001
    PostDouble,      // double record
    PostFloat,       // float record
    PostInt32,       // int32 record
    PostText,        // text record
    DvdTitle,        // title switch: tables emptied, number in lParam
    BlurayChapters,  // chapter count kept, nothing posted
};

struct SFixedRow {
    const wchar_t* text;
    EFixedAction action;
    EMplayerEvent code;
};

constexpr SFixedRow kFixedRows[] = {
    {L"ID_EXIT=", EFixedAction::Post, MPLAYER_EVENT_EXIT},
    {L"Audio only file format detected", EFixedAction::Post, MPLAYER_EVENT_AUDIO_ONLY},
    {L"ID_VIDEO_WIDTH=", EFixedAction::PostInt, MPLAYER_EVENT_VIDEO_WIDTH},
    {L"ID_VIDEO_HEIGHT=", EFixedAction::PostInt, MPLAYER_EVENT_VIDEO_HEIGHT},
    {L"ID_VIDEO_ASPECT=", EFixedAction::PostAspect, MPLAYER_EVENT_VIDEO_ASPECT},
    {L"ANS_LENGTH=", EFixedAction::PostDouble, MPLAYER_EVENT_LENGTH},
    {L"ANS_TIME_POSITION=", EFixedAction::PostDouble, MPLAYER_EVENT_TIME_POSITION},
    {L"DVDNAV_TITLE_IS_MENU", EFixedAction::Post, MPLAYER_EVENT_DVDNAV_MENU},
    {L"DVDNAV_TITLE_IS_MOVIE", EFixedAction::Post, MPLAYER_EVENT_DVDNAV_MOVIE},
    {L"DVDNAV, switched to title:", EFixedAction::DvdTitle, MPLAYER_EVENT_DVDNAV_TITLE},
    {L"ID_DEMUXER=", EFixedAction::PostText, MPLAYER_EVENT_DEMUXER},
    {L"ID_VIDEO_CODEC=", EFixedAction::PostText, MPLAYER_EVENT_VIDEO_CODEC},
    {L"ID_AUDIO_CODEC=", EFixedAction::PostText, MPLAYER_EVENT_AUDIO_CODEC},
    {L"ID_VIDEO_BITRATE=", EFixedAction::PostInt32, MPLAYER_EVENT_VIDEO_BITRATE},
    {L"ID_VIDEO_FPS=", EFixedAction::PostFloat, MPLAYER_EVENT_VIDEO_FPS},
    {L"ID_AUDIO_BITRATE=", EFixedAction::PostInt32, MPLAYER_EVENT_AUDIO_BITRATE},
    {L"ID_AUDIO_RATE=", EFixedAction::PostInt32, MPLAYER_EVENT_AUDIO_RATE},
    {L"ID_AUDIO_NCH=", EFixedAction::PostInt32, MPLAYER_EVENT_AUDIO_NCH},
    {L"NAME OPEN FAILED", EFixedAction::Post, MPLAYER_EVENT_OPEN_FAILED},
    {L"ID_FILE_SUB_ID=", EFixedAction::PostInt32, MPLAYER_EVENT_FILE_SUB_ID},
    {L"ID_BLURAY_TITLE_LENGTH=", EFixedAction::PostFloat, MPLAYER_EVENT_BLURAY_TITLE_LENGTH},
    {L"ID_BLURAY_TITLE_CHAPTERS=", EFixedAction::BlurayChapters, MPLAYER_EVENT_EXIT},
};

// Patterns, tried after the fixed texts. `required` is a text every match
// contains, so lines without it skip the pattern.
enum class EPatternAction {
    DvdTitleLength,  // insert key -> "hh:mm:ss" of the seconds in `value`
    Insert,          // insert key -> group `value`
    InsertUnknown,   // insert key -> "unknown"
    Replace,         // replace an existing key's value with group `value`
    NoEffect,        // status line: ends the search
    Screenshot,      // post the number in group `value` by value
    VoSize,          // post the text of group `value`
    ScanDone,        // post the whole match
};

struct SPatternRow {
    const wchar_t* pattern;
    const wchar_t* required;
    EPatternAction action;
    EMplayerTable table;
    int key;
    int value;
};

constexpr SPatternRow kPatternRows[] = {
    {LR"(\bID_DVD_TITLE_(\d+)_LENGTH\b=(\d+\.\d+)\s*)", L"ID_DVD_TITLE_", EPatternAction::DvdTitleLength,
     EMplayerTable::DvdTitles, 1, 2},
    {LR"(\baudio stream:\s*(\d+)\s*format:\s*(.+)\s*language:\s*(.+)\s*aid:\s*(.+).)", L"audio stream:",
     EPatternAction::Insert, EMplayerTable::AudioTracks, 4, 3},
    {LR"(Track ID\s(\d+):\saudio\s*(.+),\s-aid\s*(\d+),\s-alang\s*(.+))", L"Track ID", EPatternAction::Insert,
     EMplayerTable::AudioTracks, 3, 4},
    {LR"(ID_AUDIO_ID=(\d+)\s*)", L"ID_AUDIO_ID=", EPatternAction::InsertUnknown, EMplayerTable::AudioTracks, 1, 0},
    {LR"(ID_AID_(\d+)_LANG=(\w+))", L"ID_AID_", EPatternAction::Replace, EMplayerTable::AudioTracks, 1, 2},
    {LR"(subtitle .+:\s*(\d+)\s*language:\s*(.+)\s*)", L"subtitle ", EPatternAction::Insert,
     EMplayerTable::SubtitleTracks, 1, 2},
    {LR"(Track ID\s(\d+):\ssubtitles\s*(.+),\s-sid\s*(\d+),\s-slang\s*(.+))", L"Track ID", EPatternAction::Insert,
     EMplayerTable::SubtitleTracks, 3, 4},
    {LR"(ID_SUBTITLE_ID=(\d+)\s*)", L"ID_SUBTITLE_ID=", EPatternAction::InsertUnknown, EMplayerTable::SubtitleTracks,
     1, 0},
    {LR"(ID_SID_(\d+)_LANG=(\w+))", L"ID_SID_", EPatternAction::Replace, EMplayerTable::SubtitleTracks, 1, 2},
    {LR"(A:\s*([\d\.]+)\s*V:\s*([\d\.]+)\s*A-V:\s*[ -]([\d\.]+)\s*ct:\s*[ -]([\d\.]+)\s*)", L"A:",
     EPatternAction::NoEffect, EMplayerTable::AudioTracks, 0, 0},
    {LR"(A:\s*([\d\.]+)\s*.+\s*of\s*([\d\.]+)\s*.+\s*)", L"A:", EPatternAction::NoEffect, EMplayerTable::AudioTracks,
     0, 0},
    {LR"(TITLE (\d+), CHAPTERS:\s*(.+))", L"TITLE ", EPatternAction::Insert, EMplayerTable::Chapters, 1, 2},
    {LR"(\bID_BLURAY_CHAPTER=(\d+),ID_BLURAY_CHAPTER_START=(\d+))", L"ID_BLURAY_CHAPTER=", EPatternAction::Insert,
     EMplayerTable::Chapters, 1, 2},
    {LR"(ID_BLURAY_AUDIO=(\d+),ID_BLURAY_AUDIO_PID=(\d+),ID_BLURAY_AUDIO_LANG=(\w+))", L"ID_BLURAY_AUDIO=",
     EPatternAction::Insert, EMplayerTable::AudioTracks, 2, 3},
    {LR"(\bAdded subtitle file \((.+)\):\s+(.+))", L"Added subtitle file (", EPatternAction::Insert,
     EMplayerTable::SubtitleFiles, 1, 2},
    {LR"(\s*screenshot 'shot(\d+).png'\s*)", L"screenshot 'shot", EPatternAction::Screenshot,
     EMplayerTable::AudioTracks, 0, 1},
    {LR"(\bVO:\s*\[(\w+)\]\s*(\w+)\s*\=\>\s*(\w+)\s*)", L"VO:", EPatternAction::VoSize, EMplayerTable::AudioTracks, 0,
     3},
    {LR"(\bScanning file\s*(.+)\s*...done)", L"Scanning file", EPatternAction::ScanDone, EMplayerTable::AudioTracks, 0,
     0},
};

constexpr size_t kPatternCount = sizeof(kPatternRows) / sizeof(kPatternRows[0]);

struct SCompiledPatterns {
    CLinearPattern pattern[kPatternCount];
};

// Built once, on first use.
const SCompiledPatterns& CompiledPatterns()
{
    static const SCompiledPatterns* patterns = [] {
        auto* built = new SCompiledPatterns;
        for (size_t i = 0; i < kPatternCount; ++i) {
            if (!built->pattern[i].Compile(kPatternRows[i].pattern))
                LogError("mplayer", "Output pattern %zu does not compile.", i + 1);
        }
        return built;
    }();
    return *patterns;
}

bool IsBlank(wchar_t c)
{
    return c == L' ' || c == L'\t' || c == L'\v' || c == L'\f' || c == L'\r' || c == L'\n';
}

bool IsDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

float ToFloat(double value)
{
    if (!std::isfinite(value) || std::fabs(value) > FLT_MAX) return 0.0f;
    return static_cast<float>(value);
}

int32_t ToInt32(double value)
{
    if (!std::isfinite(value)) return 0;
    if (value >= 2147483647.0) return INT32_MAX;
    if (value <= -2147483648.0) return INT32_MIN;
    return static_cast<int32_t>(value);
}

}  // namespace

std::vector<std::wstring_view> MplayerOutputPatterns()
{
    std::vector<std::wstring_view> texts;
    for (const SPatternRow& row : kPatternRows) texts.emplace_back(row.pattern);
    return texts;
}

int32_t MplayerReadInt(std::wstring_view text)
{
    size_t i = 0;
    while (i < text.size() && IsBlank(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == L'+' || text[i] == L'-')) {
        negative = text[i] == L'-';
        ++i;
    }
    int64_t value = 0;
    for (; i < text.size() && IsDigit(text[i]); ++i) {
        value = value * 10 + (text[i] - L'0');
        if (value > int64_t(INT32_MAX) + 1) value = int64_t(INT32_MAX) + 1;
    }
    if (negative) value = -value;
    if (value > INT32_MAX) value = INT32_MAX;
    return static_cast<int32_t>(value);
}

double MplayerReadReal(std::wstring_view text)
{
    size_t i = 0;
    while (i < text.size() && IsBlank(text[i])) ++i;
    std::string number;
    if (i < text.size() && (text[i] == L'+' || text[i] == L'-')) {
        if (text[i] == L'-') number += '-';
        ++i;
    }
    size_t digits = 0;
    for (; i < text.size() && IsDigit(text[i]); ++i, ++digits) number += static_cast<char>(text[i]);
    if (i < text.size() && text[i] == L'.') {
        number += '.';
        for (++i; i < text.size() && IsDigit(text[i]); ++i, ++digits) number += static_cast<char>(text[i]);
    }
    if (digits == 0) return 0.0;
    if (i < text.size() && (text[i] == L'e' || text[i] == L'E')) {
        size_t j = i + 1;
        std::string exponent = "e";
        if (j < text.size() && (text[j] == L'+' || text[j] == L'-')) exponent += static_cast<char>(text[j++]);
        if (j < text.size() && IsDigit(text[j])) {
            for (; j < text.size() && IsDigit(text[j]); ++j) exponent += static_cast<char>(text[j]);
            number += exponent;
        }
    }
    double value = 0.0;
    auto result = std::from_chars(number.data(), number.data() + number.size(), value);
    if (result.ec != std::errc() || !std::isfinite(value)) return 0.0;
    return value;
}

std::wstring MplayerFormatSeconds(double seconds)
{
    if (!(seconds >= 0.0)) seconds = 0.0;
    if (seconds > 1e12) seconds = 1e12;
    const long long total = static_cast<long long>(seconds);
    const long long hours = total / 3600;
    const long long minutes = (total - hours * 3600) / 60;
    const long long secs = total - hours * 3600 - minutes * 60;
    wchar_t text[64];
    std::swprintf(text, 64, L"%02lld:%02lld:%02lld", hours, minutes, secs);
    return text;
}

CMPlayerParser::CMPlayerParser(HWND notifyWindow) : m_notifyWindow(notifyWindow) {}

void CMPlayerParser::WriteStdOut(const char* chunk)
{
    if (chunk) WriteStdOut(std::string_view(chunk, std::strlen(chunk)));
}

void CMPlayerParser::WriteStdOut(std::string_view chunk)
{
    size_t start = 0;
    for (size_t i = 0; i < chunk.size(); ++i) {
        const char c = chunk[i];
        if (c != '\r' && c != '\n') continue;
        const std::string_view piece = chunk.substr(start, i - start);
        start = i + 1;
        if (m_discardingLine) {
            // The end of an overlong line: it was dropped whole.
            m_discardingLine = false;
            continue;
        }
        if (m_pendingLine.empty()) {
            if (!piece.empty()) ParseLine(Utf8ToWide(piece));
            continue;
        }
        AppendPending(piece);
        if (m_discardingLine) {
            m_discardingLine = false;
            continue;
        }
        std::string line;
        line.swap(m_pendingLine);
        ParseLine(Utf8ToWide(line));
    }
    AppendPending(chunk.substr(start));
}

void CMPlayerParser::AppendPending(std::string_view piece)
{
    if (m_discardingLine || piece.empty()) return;
    if (m_pendingLine.size() + piece.size() > kMaxLineBytes) {
        LogError("mplayer", "Dropped a player output line of more than %zu bytes without a line break.",
                 kMaxLineBytes);
        std::string().swap(m_pendingLine);
        m_discardingLine = true;
        return;
    }
    m_pendingLine.append(piece);
}

void CMPlayerParser::ParseLine(const std::wstring& line)
{
    if (line.empty()) return;
    if (ParseFixedText(line)) return;
    if (line.size() > kMaxPatternLine) return;
    ParsePatterns(line);
}

bool CMPlayerParser::ParseFixedText(const std::wstring& line)
{
    for (const SFixedRow& row : kFixedRows) {
        const size_t pos = line.find(row.text);
        if (pos == std::wstring::npos) continue;
        const std::wstring_view value = std::wstring_view(line).substr(pos + std::wcslen(row.text));
        // Posts a record that `fill` completes.
        auto post = [&](auto fill) {
            auto payload = std::make_unique<CMplayerEventPayload>();
            fill(*payload);
            PostRecord(row.code, std::move(payload));
        };
        using Payload = CMplayerEventPayload;
        switch (row.action) {
        case EFixedAction::Post:
            PostValue(row.code, 0);
            break;
        case EFixedAction::PostInt:
            PostValue(row.code, MplayerReadInt(value));
            break;
        case EFixedAction::PostAspect: {
            const float aspect = ToFloat(MplayerReadReal(value));
            if (std::fabs(aspect) >= 0.001f)
                post([&](Payload& p) { p.fValue = aspect; });
            break;
        }
        case EFixedAction::PostDouble:
            post([&](Payload& p) { p.dValue = MplayerReadReal(value); });
            break;
        case EFixedAction::PostFloat:
            post([&](Payload& p) { p.fValue = ToFloat(MplayerReadReal(value)); });
            break;
        case EFixedAction::PostInt32:
            post([&](Payload& p) { p.nValue = MplayerReadInt(value); });
            break;
        case EFixedAction::PostText:
            post([&](Payload& p) { p.text.assign(value); });
            break;
        case EFixedAction::DvdTitle: {
            const int32_t title = MplayerReadInt(value);
            m_currentDvdTitle.store(title);
            {
                std::lock_guard<std::mutex> lock(m_tablesLock);
                m_audioTracks.clear();
                m_subtitleTracks.clear();
            }
            PostValue(row.code, title);
            break;
        }
        case EFixedAction::BlurayChapters:
            m_blurayChapterCount.store(ToInt32(MplayerReadReal(value)));
            break;
        }
        return true;
    }
    return false;
}

void CMPlayerParser::ParsePatterns(const std::wstring& line)
{
    const SCompiledPatterns& patterns = CompiledPatterns();
    for (size_t i = 0; i < kPatternCount; ++i) {
        const SPatternRow& row = kPatternRows[i];
        if (!patterns.pattern[i].IsValid() || line.find(row.required) == std::wstring::npos) continue;
        // The search gives the leftmost match with the greedy choice at every
        // branch; matching that text again as a whole gives the same groups.
        std::vector<std::wstring_view> groups;
        if (!patterns.pattern[i].Search(line, groups)) continue;
        auto group = [&](int n) { return std::wstring(groups[static_cast<size_t>(n)]); };
        switch (row.action) {
        case EPatternAction::DvdTitleLength:
            Insert(row.table, MplayerReadInt(group(row.key)), MplayerFormatSeconds(MplayerReadReal(group(row.value))));
            break;
        case EPatternAction::Insert:
            Insert(row.table, MplayerReadInt(group(row.key)), group(row.value));
            break;
        case EPatternAction::InsertUnknown:
            Insert(row.table, MplayerReadInt(group(row.key)), L"unknown");
            break;
        case EPatternAction::Replace:
            Replace(row.table, MplayerReadInt(group(row.key)), group(row.value));
            break;
        case EPatternAction::NoEffect:
            break;
        case EPatternAction::Screenshot:
            PostValue(MPLAYER_EVENT_SCREENSHOT, MplayerReadInt(group(row.value)));
            break;
        case EPatternAction::VoSize: {
            auto payload = std::make_unique<CMplayerEventPayload>();
            payload->text = group(row.value);
            PostRecord(MPLAYER_EVENT_VO_SIZE, std::move(payload));
            break;
        }
        case EPatternAction::ScanDone: {
            auto payload = std::make_unique<CMplayerEventPayload>();
            payload->text = group(0);
            PostRecord(MPLAYER_EVENT_SCAN_DONE, std::move(payload));
            break;
        }
        }
        return;
    }
}

void CMPlayerParser::PostValue(EMplayerEvent code, LPARAM value)
{
    PostMessage(GetNotifyWindow(), WM_VXM_MPLAYER_EVENT, code, value);
}

void CMPlayerParser::PostRecord(EMplayerEvent code, std::unique_ptr<CMplayerEventPayload> payload)
{
    // A failed post leaves the record here, and it is freed on return.
    PostMessagePayload(GetNotifyWindow(), WM_VXM_MPLAYER_EVENT, code, payload);
}

CMplayerTable& CMPlayerParser::Table(EMplayerTable table)
{
    switch (table) {
    case EMplayerTable::SubtitleTracks: return m_subtitleTracks;
    case EMplayerTable::SubtitleFiles: return m_subtitleFiles;
    case EMplayerTable::DvdTitles: return m_dvdTitles;
    case EMplayerTable::AudioTracks: return m_audioTracks;
    case EMplayerTable::Chapters: break;
    }
    return m_chapters;
}

const CMplayerTable& CMPlayerParser::Table(EMplayerTable table) const
{
    return const_cast<CMPlayerParser*>(this)->Table(table);
}

void CMPlayerParser::Insert(EMplayerTable table, int32_t key, const std::wstring& value)
{
    std::lock_guard<std::mutex> lock(m_tablesLock);
    Table(table).emplace(key, value);
}

void CMPlayerParser::Replace(EMplayerTable table, int32_t key, const std::wstring& value)
{
    std::lock_guard<std::mutex> lock(m_tablesLock);
    CMplayerTable& map = Table(table);
    auto it = map.find(key);
    if (it != map.end()) it->second = value;
}

CMplayerTable CMPlayerParser::Copy(EMplayerTable table) const
{
    std::lock_guard<std::mutex> lock(m_tablesLock);
    return Table(table);
}

CMplayerTable CMPlayerParser::GetSubtitleTracks() const { return Copy(EMplayerTable::SubtitleTracks); }
CMplayerTable CMPlayerParser::GetSubtitleFiles() const { return Copy(EMplayerTable::SubtitleFiles); }
CMplayerTable CMPlayerParser::GetDvdTitles() const { return Copy(EMplayerTable::DvdTitles); }
CMplayerTable CMPlayerParser::GetAudioTracks() const { return Copy(EMplayerTable::AudioTracks); }
CMplayerTable CMPlayerParser::GetChapters() const { return Copy(EMplayerTable::Chapters); }
