#include "CueObject.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "Log.h"
#include "platform/text.h"
#include "platform/paths.h"
#include "platform/codepage.h"

namespace {

const char* const kLogCategory = "CueObject";

// Windows-1252 for bytes 0x80..0x9F; the rest of the range is Latin-1.
const wchar_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

std::wstring DecodeUtf16(std::string_view bytes, bool bigEndian)
{
    std::wstring out;
    out.reserve(bytes.size() / 2);
    for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
        unsigned a = static_cast<unsigned char>(bytes[i]);
        unsigned b = static_cast<unsigned char>(bytes[i + 1]);
        unsigned unit = bigEndian ? (a << 8 | b) : (b << 8 | a);
        if (unit >= 0xD800 && unit <= 0xDBFF && i + 3 < bytes.size()) {
            unsigned c = static_cast<unsigned char>(bytes[i + 2]);
            unsigned d = static_cast<unsigned char>(bytes[i + 3]);
            unsigned low = bigEndian ? (c << 8 | d) : (d << 8 | c);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                out.push_back(static_cast<wchar_t>(0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00)));
                i += 2;
                continue;
            }
        }
        out.push_back((unit >= 0xD800 && unit <= 0xDFFF) ? L'\xFFFD' : static_cast<wchar_t>(unit));
    }
    return out;
}

// A sheet with a byte-order mark, or in UTF-8; false for any other.
bool DecodeUnicodeSheet(std::string_view bytes, std::wstring& text)
{
    if (bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF")
        text = Utf8ToWide(bytes.substr(3));
    else if (bytes.size() >= 2 && bytes.substr(0, 2) == "\xFF\xFE")
        text = DecodeUtf16(bytes.substr(2), false);
    else if (bytes.size() >= 2 && bytes.substr(0, 2) == "\xFE\xFF")
        text = DecodeUtf16(bytes.substr(2), true);
    else
        return Utf8ToWideStrict(bytes, text);
    return true;
}

// Windows-1252 for any bytes: what a sheet is read as when nothing else fits.
std::wstring DecodeCp1252(std::string_view bytes)
{
    std::wstring text;
    text.reserve(bytes.size());
    for (char ch : bytes) {
        unsigned char c = static_cast<unsigned char>(ch);
        text.push_back(c >= 0x80 && c < 0xA0 ? kCp1252High[c - 0x80] : static_cast<wchar_t>(c));
    }
    return text;
}

bool IsBlank(wchar_t c)
{
    return c == L' ' || c == L'\t' || c == L'\f' || c == L'\v';
}

std::wstring_view Trim(std::wstring_view s)
{
    while (!s.empty() && IsBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

// Splits off the first word of a line.
std::wstring_view TakeWord(std::wstring_view& s)
{
    s = Trim(s);
    size_t end = 0;
    while (end < s.size() && !IsBlank(s[end]))
        ++end;
    std::wstring_view word = s.substr(0, end);
    s = Trim(s.substr(end));
    return word;
}

bool KeywordIs(std::wstring_view word, const wchar_t* keyword)
{
    size_t n = std::wcslen(keyword);
    if (word.size() != n)
        return false;
    for (size_t i = 0; i < n; ++i) {
        wchar_t c = word[i];
        if (c >= L'a' && c <= L'z')
            c = static_cast<wchar_t>(c - L'a' + L'A');
        if (c != keyword[i])
            return false;
    }
    return true;
}

// A value quoted ("a b") or bare (the rest of the line).
std::wstring Value(std::wstring_view rest, std::wstring_view* after = nullptr)
{
    rest = Trim(rest);
    if (!rest.empty() && rest.front() == L'"') {
        size_t close = rest.find(L'"', 1);
        if (close == std::wstring_view::npos) {
            if (after)
                *after = {};
            return std::wstring(rest.substr(1));
        }
        if (after)
            *after = Trim(rest.substr(close + 1));
        return std::wstring(rest.substr(1, close - 1));
    }
    if (after)
        *after = {};
    return std::wstring(rest);
}

// FILE "name" TYPE, or FILE name with blanks TYPE.
std::wstring FileValue(std::wstring_view rest)
{
    rest = Trim(rest);
    if (!rest.empty() && rest.front() == L'"')
        return Value(rest);
    size_t lastBlank = rest.size();
    while (lastBlank > 0 && !IsBlank(rest[lastBlank - 1]))
        --lastBlank;
    if (lastBlank == 0)
        return std::wstring(rest);  // a single word: the name without a type
    std::wstring_view type = rest.substr(lastBlank);
    static const wchar_t* const kTypes[] = {L"WAVE", L"MP3", L"AIFF", L"BINARY", L"MOTOROLA", L"FLAC", L"WAV"};
    for (const wchar_t* known : kTypes) {
        if (KeywordIs(type, known))
            return std::wstring(Trim(rest.substr(0, lastBlank)));
    }
    return std::wstring(rest);
}

// The audio file named first in a sheet; empty without a FILE line.
std::wstring FirstFileName(std::wstring_view text)
{
    while (!text.empty()) {
        size_t end = text.find_first_of(L"\r\n");
        std::wstring_view rest = text.substr(0, end);
        text = end == std::wstring_view::npos ? std::wstring_view() : text.substr(end + 1);
        if (KeywordIs(TakeWord(rest), L"FILE")) return FileValue(rest);
    }
    return {};
}

// Code pages of sheets written by Windows ripping tools, the most common first.
const char* const kLegacyCodePages[] = {"CP1252", "CP932", "CP936", "CP949", "CP950", "CP1251", "CP1250",
                                        "CP1253", "CP1254", "CP1255", "CP1256", "CP1257", "CP874", "CP1258"};

bool ParseNumber(std::wstring_view s, std::int64_t maxValue, std::int64_t& value)
{
    if (s.empty() || s.size() > 9)
        return false;
    value = 0;
    for (wchar_t c : s) {
        if (c < L'0' || c > L'9')
            return false;
        value = value * 10 + (c - L'0');
    }
    return value <= maxValue;
}

// mm:ss:ff with 75 frames a second; minutes may have any number of digits.
// Frames past 74 are no frame: the start is then the whole second.
bool ParseIndexTime(std::wstring_view s, std::int64_t& ms, bool& framesIgnored)
{
    size_t a = s.find(L':');
    if (a == std::wstring_view::npos)
        return false;
    size_t b = s.find(L':', a + 1);
    if (b == std::wstring_view::npos)
        return false;
    std::int64_t minutes = 0, seconds = 0, frames = 0;
    if (!ParseNumber(s.substr(0, a), 99999, minutes) || !ParseNumber(s.substr(a + 1, b - a - 1), 59, seconds) ||
        !ParseNumber(s.substr(b + 1), 99, frames))
        return false;
    if (b - a - 1 > 2 || s.size() - b - 1 > 2)
        return false;
    framesIgnored = frames >= 75;
    if (framesIgnored)
        frames = 0;
    ms = (minutes * 60 + seconds) * 1000 + frames * 1000 / 75;
    return true;
}

// Drops the NULs some tools pad a file with; false when a NUL stands before
// them: that is no text (a name would end there for every file call).
template <typename Text>
bool StripNulPadding(Text& text)
{
    size_t end = text.find_last_not_of(typename Text::value_type{});
    text = text.substr(0, end == Text::npos ? 0 : end + 1);
    return text.find(typename Text::value_type{}) == Text::npos;
}

}  // namespace

void CueObject::Clear()
{
    m_tracks.clear();
    m_strPerformer.clear();
    m_strTitle.clear();
    m_strCuePath.clear();
    m_strAudioFile.clear();
    m_strText.clear();
    m_strDate.clear();
    m_strGenre.clear();
}

const CueObject::CueTrack* CueObject::GetTrack(int index) const
{
    if (index < 0 || index >= GetTrackCount())
        return nullptr;
    return &m_tracks[static_cast<size_t>(index)];
}

int CueObject::Load(const std::wstring& cuePath)
{
    Clear();
    namespace fs = std::filesystem;
    const fs::path path = PathFromWide(cuePath);
    std::error_code ec;
    std::uintmax_t size = fs::file_size(path, ec);
    if (ec) {
        LogError(kLogCategory, "Cannot open cue file %s : %d", path.c_str(), ec.value());
        return -1;
    }
    if (size > kMaxFileSize) {
        LogError(kLogCategory, "Cue file %s is too large (%ju bytes)", path.c_str(), size);
        return -1;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        LogError(kLogCategory, "Cannot open cue file %s : %d", path.c_str(), errno);
        return -1;
    }
    std::string bytes(static_cast<size_t>(size), '\0');
    in.read(bytes.data(), static_cast<std::streamsize>(size));
    if (static_cast<std::uintmax_t>(in.gcount()) != size) {
        LogError(kLogCategory, "Cannot read cue file %s completely", path.c_str());
        return -1;
    }
    return Parse(bytes, cuePath);
}

std::wstring CueObject::ResolveAudioFile(const std::wstring& name) const
{
    std::wstring file = name;
    for (wchar_t& c : file) {
        if (c == L'\\')
            c = L'/';
    }
    // A name written with a Windows drive: only its file name can be found here.
    if (file.size() >= 2 && file[1] == L':') {
        size_t slash = file.find_last_of(L'/');
        file = slash == std::wstring::npos ? file.substr(2) : file.substr(slash + 1);
    }
    if (!file.empty() && file.front() == L'/')
        return file;
    size_t slash = m_strCuePath.find_last_of(L"/\\");
    std::wstring folder = slash == std::wstring::npos ? std::wstring() : m_strCuePath.substr(0, slash + 1);
    return folder + file;
}

int CueObject::Parse(std::string_view bytes, const std::wstring& cuePath)
{
    Clear();
    auto refuseNul = [&] {
        LogError(kLogCategory, "Cue sheet %s holds a NUL character: not read", WideToUtf8(cuePath).c_str());
        Clear();
        return -1;
    };
    m_strCuePath = cuePath;
    if (DecodeUnicodeSheet(bytes, m_strText)) {
        if (!StripNulPadding(m_strText))
            return refuseNul();
    } else {
        if (!StripNulPadding(bytes))
            return refuseNul();
        // Not Unicode: the code page is the one in which the sheet names an
        // audio file that is there.
        m_strText.clear();
        for (const char* codePage : kLegacyCodePages) {
            std::wstring text;
            std::error_code ec;
            if (CodePageToWideStrict(bytes, codePage, text) &&
                std::filesystem::is_regular_file(PathFromWide(ResolveAudioFile(FirstFileName(text))), ec)) {
                m_strText = std::move(text);
                break;
            }
        }
        if (m_strText.empty()) m_strText = DecodeCp1252(bytes);
    }

    bool havePerformer = false, haveTitle = false, haveFile = false;
    bool inTrack = false;     // past the first TRACK line
    bool skipping = false;    // past the track limit: the rest is ignored
    std::wstring currentFile;
    // Per track: where it starts. INDEX 01 does; a track with only its pregap
    // (INDEX 00) starts there.
    enum class EStart { None, Pregap, Index };
    std::vector<EStart> started;

    std::wstring_view text(m_strText);
    size_t pos = 0;
    while (pos <= text.size() && !skipping) {
        size_t end = text.find_first_of(L"\r\n", pos);
        if (end == std::wstring_view::npos)
            end = text.size();
        std::wstring_view rest = text.substr(pos, end - pos);
        pos = end + 1;
        if (end < text.size() && text[end] == L'\r' && pos < text.size() && text[pos] == L'\n')
            ++pos;

        std::wstring_view word = TakeWord(rest);
        if (word.empty())
            continue;
        CueTrack* track = inTrack && !m_tracks.empty() ? &m_tracks.back() : nullptr;
        // A text of the track inside a track, of the sheet before the first one.
        auto setText = [&](std::wstring CueTrack::*trackText, std::wstring& sheetText, bool& haveSheetText) {
            if (track) {
                track->*trackText = Value(rest);
            } else if (!inTrack) {
                sheetText = Value(rest);
                haveSheetText = true;
            }
        };

        if (KeywordIs(word, L"FILE")) {
            std::wstring name = FileValue(rest);
            currentFile = ResolveAudioFile(name);
            if (!haveFile) {
                haveFile = true;
                m_strAudioFile = currentFile;
            }
        } else if (KeywordIs(word, L"TRACK")) {
            if (GetTrackCount() >= kMaxTracks) {
                skipping = true;
                continue;
            }
            inTrack = true;
            CueTrack next;
            std::int64_t number = 0;
            if (ParseNumber(TakeWord(rest), 99999, number))
                next.m_nNumber = static_cast<int>(number);
            next.m_strCuePath = cuePath;
            next.m_strAudioFile = currentFile;
            m_tracks.push_back(std::move(next));
            started.push_back(EStart::None);
        } else if (KeywordIs(word, L"TITLE")) {
            setText(&CueTrack::m_strTitle, m_strTitle, haveTitle);
        } else if (KeywordIs(word, L"PERFORMER")) {
            setText(&CueTrack::m_strPerformer, m_strPerformer, havePerformer);
        } else if (KeywordIs(word, L"INDEX")) {
            if (!track || started.back() == EStart::Index)
                continue;
            std::int64_t number = -1, ms = 0;
            if (!ParseNumber(TakeWord(rest), 99, number) || number > 1 ||
                (number == 0 && started.back() == EStart::Pregap))
                continue;
            bool framesIgnored = false;
            if (!ParseIndexTime(TakeWord(rest), ms, framesIgnored)) {
                LogError(kLogCategory, "Bad INDEX %02d time in track %d", static_cast<int>(number), track->m_nNumber);
                continue;
            }
            if (framesIgnored)
                LogInfo(kLogCategory, "INDEX %02d of track %d has more than 74 frames: they are ignored",
                        static_cast<int>(number), track->m_nNumber);
            track->m_nStartMs = ms;
            track->m_nStart = static_cast<int>(ms / 1000);
            track->m_strAudioFile = currentFile;
            started.back() = number == 1 ? EStart::Index : EStart::Pregap;
        } else if (KeywordIs(word, L"REM") && !inTrack) {
            // The album's year and genre as rippers note them: REM DATE 1997, REM GENRE "Hard Rock".
            std::wstring_view name = TakeWord(rest);
            if (KeywordIs(name, L"DATE"))
                m_strDate = Value(rest);
            else if (KeywordIs(name, L"GENRE"))
                m_strGenre = Value(rest);
        }
        // Other REM lines, CATALOG, FLAGS, ISRC, PREGAP, POSTGAP, SONGWRITER, CDTEXTFILE: not needed.
    }

    // A track without a usable start cannot be cut out of its file.
    std::vector<CueTrack> kept;
    for (size_t i = 0; i < m_tracks.size(); ++i) {
        if (started[i] != EStart::None)
            kept.push_back(std::move(m_tracks[i]));
    }
    m_tracks = std::move(kept);
    for (CueTrack& t : m_tracks) {
        if (t.m_strPerformer.empty())
            t.m_strPerformer = m_strPerformer;
    }
    ComputeLengths();
    return (havePerformer ? 0 : -1) + (haveTitle ? 0 : -1) + (haveFile ? 0 : -1);
}

void CueObject::ComputeLengths()
{
    for (size_t i = 0; i < m_tracks.size(); ++i) {
        CueTrack& t = m_tracks[i];
        t.m_nLength = 0;
        t.m_nLengthMs = 0;
        if (i + 1 == m_tracks.size())
            continue;
        const CueTrack& next = m_tracks[i + 1];
        if (next.m_strAudioFile != t.m_strAudioFile || next.m_nStartMs < t.m_nStartMs)
            continue;  // runs to the end of its own file
        t.m_nLengthMs = next.m_nStartMs - t.m_nStartMs;
        t.m_nLength = next.m_nStart - t.m_nStart;
    }
}
