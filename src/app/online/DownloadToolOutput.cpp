#include "DownloadToolOutput.h"

#include "platform/text.h"

#include <json/json.h>

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <limits>
#include <memory>
#include <optional>

const char kToolProgressTag[] = "[vxm-progress] ";
const char kToolFileTag[] = "[vxm-file] ";

namespace {

// Deeper JSON than this is no analysis; the reader stops there.
constexpr int kMaxJsonDepth = 200;
// Sizes and byte counts above 2^62 are no real sizes.
constexpr std::uint64_t kMaxBytes = std::uint64_t(1) << 62;
constexpr std::uint64_t kMaxHeight = 1000000;
// Faster than a terabyte a second is no real speed.
constexpr double kMaxSpeed = 1e12;

// A member of an object; null for anything else.
const Json::Value& Member(const Json::Value& value, const char* key)
{
    static const Json::Value none;
    if (!value.isObject()) return none;
    return value[key];
}

// The JSON reader writes a "\uXXXX" that is half of a pair as its three
// bytes (ED A0..BF xx). A lone U+DC80..U+DCFF is a byte of a name that is not
// UTF-8, as the tool writes it and as our text carries it; other halves
// become U+FFFD, as in ReadJsonString.
std::wstring ReaderText(const std::string& bytes)
{
    std::wstring out;
    size_t from = 0;
    auto at = [&](size_t i) { return static_cast<unsigned char>(bytes[i]); };
    for (size_t i = 0; i + 2 < bytes.size();) {
        if (at(i) != 0xED || at(i + 1) < 0xA0 || at(i + 1) > 0xBF || (at(i + 2) & 0xC0) != 0x80) {
            ++i;
            continue;
        }
        out += Utf8ToWide(bytes.substr(from, i - from));
        const unsigned half = 0xD000u | ((at(i + 1) & 0x3Fu) << 6) | (at(i + 2) & 0x3Fu);
        out += half >= 0xDC80 && half <= 0xDCFF ? static_cast<wchar_t>(half) : L'\uFFFD';
        i += 3;
        from = i;
    }
    return out + Utf8ToWide(bytes.substr(from));
}

std::wstring Text(const Json::Value& value, const char* key)
{
    const Json::Value& v = Member(value, key);
    return v.isString() ? ReaderText(v.asString()) : std::wstring();
}

std::string Narrow(const Json::Value& value, const char* key)
{
    const Json::Value& v = Member(value, key);
    return v.isString() ? v.asString() : std::string();
}

// A whole number from 0 to `max`; none for anything else (absent, text,
// negative, too large), so a field out of range is ignored.
std::optional<std::uint64_t> Count(const Json::Value& value, const char* key, std::uint64_t max)
{
    const Json::Value& v = Member(value, key);
    if (!v.isNumeric()) return std::nullopt;
    if (v.isUInt64()) {
        const std::uint64_t n = v.asUInt64();
        return n <= max ? std::optional<std::uint64_t>(n) : std::nullopt;
    }
    const double d = v.asDouble();
    if (!(d >= 0) || d > static_cast<double>(max)) return std::nullopt;
    return static_cast<std::uint64_t>(d);
}

std::uint64_t Bytes(const Json::Value& value, const char* key) { return Count(value, key, kMaxBytes).value_or(0); }

bool HasTrack(const Json::Value& format, const char* codecKey)
{
    // Absent: the tool does not know; only "none" says there is no such track.
    return Narrow(format, codecKey) != "none";
}

VXM_FORMAT_RECORD MakeFormat(const Json::Value& f, bool withAudio)
{
    VXM_FORMAT_RECORD record;
    const std::string id = Narrow(f, "format_id");
    const bool video = HasTrack(f, "vcodec");
    record.formatId = withAudio || !video ? id : id + "+bestaudio/" + id;
    record.quality = Narrow(f, "format_note");
    if (record.quality.empty())
        if (const auto height = Count(f, "height", kMaxHeight)) record.quality = std::to_string(*height) + "p";
    record.description = Narrow(f, "resolution");
    if (record.description == "audio only") record.description.clear();
    const std::wstring ext = Text(f, "ext");
    record.mediaType = (video ? L"video/" : L"audio/") + (ext.empty() ? std::wstring(L"unknown") : ext);
    record.size = Bytes(f, "filesize");
    if (record.size == 0) record.size = Bytes(f, "filesize_approx");
    return record;
}

// Complete formats (picture and sound) when there are any, else those with a
// picture (their sound is fetched beside them), else whatever there is.
std::vector<VXM_FORMAT_RECORD> OfferedFormats(const Json::Value& info)
{
    std::vector<VXM_FORMAT_RECORD> complete, pictures, any;
    const Json::Value& formats = Member(info, "formats");
    if (formats.isArray()) {
        for (const Json::Value& f : formats) {
            if (!f.isObject() || Narrow(f, "format_id").empty()) continue;
            if (Narrow(f, "ext") == "mhtml") continue;  // storyboards
            const bool video = HasTrack(f, "vcodec"), audio = HasTrack(f, "acodec");
            if (video && audio) complete.push_back(MakeFormat(f, true));
            else if (video) pictures.push_back(MakeFormat(f, false));
            any.push_back(MakeFormat(f, audio));
        }
    } else if (Member(info, "url").isString() && !Narrow(info, "format_id").empty()) {
        any.push_back(MakeFormat(info, true));
    }
    if (!complete.empty()) return complete;
    if (!pictures.empty()) return pictures;
    return any;
}

CAnalysedPart MakePart(const Json::Value& info, const std::wstring& fallbackUrl)
{
    CAnalysedPart part;
    part.title = Text(info, "title");
    part.id = Text(info, "id");
    part.pageUrl = Text(info, "webpage_url");
    if (part.pageUrl.empty()) part.pageUrl = Text(info, "original_url");
    if (part.pageUrl.empty()) part.pageUrl = fallbackUrl;
    return part;
}

// The first line of the JSON reader's complaint, without its bullet.
std::wstring FirstLine(const std::string& text)
{
    std::string line = text.substr(0, text.find('\n'));
    if (line.rfind("* ", 0) == 0) line.erase(0, 2);
    return Utf8ToWide(line);
}

bool ReadAnalysis(const Json::Value& root, const std::wstring& address, CAnalysis& out, std::wstring& error)
{
    out.title = Text(root, "title");
    out.siteName = Text(root, "extractor_key");
    if (out.siteName.empty()) out.siteName = Text(root, "extractor");
    out.thumbnailUrl = Text(root, "thumbnail");

    const Json::Value* first = &root;
    if (Narrow(root, "_type") == "playlist") {
        const Json::Value& entries = Member(root, "entries");
        if (entries.isArray())
            for (const Json::Value& entry : entries)
                if (entry.isObject()) out.parts.push_back(MakePart(entry, std::wstring()));
        // Parts without an address of their own cannot be fetched one by one.
        std::erase_if(out.parts, [](const CAnalysedPart& p) { return p.pageUrl.empty(); });
        if (out.parts.empty()) {
            error = L"The address holds no video.";
            return false;
        }
        for (const Json::Value& entry : entries)
            if (entry.isObject()) {
                first = &entry;
                break;
            }
        if (out.thumbnailUrl.empty()) out.thumbnailUrl = Text(*first, "thumbnail");
    } else {
        CAnalysedPart part = MakePart(root, address);
        part.pageUrl = address;  // the address as the user gave it
        out.parts.push_back(part);
    }
    if (out.title.empty()) out.title = out.parts.front().title;
    out.formats = OfferedFormats(*first);
    if (out.formats.empty()) {
        error = L"No downloadable format was found.";
        return false;
    }
    return true;
}

}  // namespace

bool ParseAnalysis(const std::string& json, const std::wstring& address, CAnalysis& out, std::wstring& error)
{
    out = CAnalysis();
    if (json.empty()) {
        error = L"The download tool gave no analysis of the address.";
        return false;
    }
    try {
        Json::CharReaderBuilder builder;
        builder["stackLimit"] = kMaxJsonDepth;
        std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
        Json::Value root;
        std::string errors;
        if (!reader->parse(json.data(), json.data() + json.size(), &root, &errors)) {
            error = L"The download tool's analysis cannot be read: " + FirstLine(errors);
            return false;
        }
        if (!root.isObject()) {
            error = L"The download tool gave no analysis of the address.";
            return false;
        }
        return ReadAnalysis(root, address, out, error);
    } catch (const std::exception& e) {
        // The reader's own limits (nesting) end here, never in the caller.
        out = CAnalysis();
        error = L"The download tool's analysis cannot be read: " + Utf8ToWide(e.what());
        return false;
    }
}

namespace {

bool ReadNumber(const std::string& word, double& value)
{
    if (word.empty() || word == "NA" || word == "None") return false;
    char* end = nullptr;
    value = std::strtod(word.c_str(), &end);
    return end && *end == '\0' && std::isfinite(value) && value >= 0;
}

// A byte count from the tool, clamped to what a count can be.
std::uint64_t ByteCount(double value)
{
    return value >= static_cast<double>(kMaxBytes) ? kMaxBytes : static_cast<std::uint64_t>(value);
}

std::string Trimmed(std::string line)
{
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) line.pop_back();
    return line;
}

bool ReadHex4(std::string_view text, size_t at, unsigned& value)
{
    if (at + 4 > text.size()) return false;
    const char* begin = text.data() + at;
    const auto [end, error] = std::from_chars(begin, begin + 4, value, 16);
    return error == std::errc() && end == begin + 4;
}

// A JSON string literal and nothing after it. "\uXXXX" pairs join; a lone
// U+DC80..U+DCFF stays as it is (the tool writes a byte of a name that is not
// UTF-8 so, which is how our text carries such bytes too); other halves of
// pairs become U+FFFD.
bool ReadJsonString(std::string_view text, std::wstring& out)
{
    out.clear();
    if (text.size() < 2 || text.front() != '"') return false;
    std::string plain;  // raw UTF-8 waiting to be converted
    auto flush = [&] {
        out += Utf8ToWide(plain);
        plain.clear();
    };
    size_t at = 1;
    while (at < text.size()) {
        const char c = text[at++];
        if (c == '"') {
            flush();
            return at == text.size();
        }
        if (static_cast<unsigned char>(c) < 0x20) return false;
        if (c != '\\') {
            plain += c;
            continue;
        }
        if (at >= text.size()) return false;
        const char e = text[at++];
        unsigned unit = 0;
        switch (e) {
        case '"': plain += '"'; break;
        case '\\': plain += '\\'; break;
        case '/': plain += '/'; break;
        case 'b': plain += '\b'; break;
        case 'f': plain += '\f'; break;
        case 'n': plain += '\n'; break;
        case 'r': plain += '\r'; break;
        case 't': plain += '\t'; break;
        case 'u': {
            if (!ReadHex4(text, at, unit) || unit == 0) return false;
            at += 4;
            unsigned low = 0;
            if (unit >= 0xD800 && unit <= 0xDBFF && at + 6 <= text.size() && text[at] == '\\' && text[at + 1] == 'u' &&
                ReadHex4(text, at + 2, low) && low >= 0xDC00 && low <= 0xDFFF) {
                unit = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
                at += 6;
            } else if (unit >= 0xD800 && unit <= 0xDFFF && !(unit >= 0xDC80 && unit <= 0xDCFF)) {
                unit = 0xFFFD;  // half a pair, and no byte of a name either
            }
            flush();
            out += static_cast<wchar_t>(unit);
            break;
        }
        default:
            return false;
        }
    }
    return false;  // no closing quote
}

}  // namespace

bool ParseProgressLine(const std::string& raw, CProgressLine& out)
{
    const std::string line = Trimmed(raw);
    if (line.rfind(kToolProgressTag, 0) != 0) return false;
    std::vector<std::string> words;
    size_t at = sizeof(kToolProgressTag) - 1;
    while (at < line.size() && words.size() < 5) {
        size_t space = line.find(' ', at);
        if (space == std::string::npos) space = line.size();
        if (space > at) words.push_back(line.substr(at, space - at));
        at = space + 1;
    }
    if (words.size() < 4) return false;
    double done = 0, total = 0, estimate = 0, speed = 0;
    if (!ReadNumber(words[0], done)) return false;
    out = CProgressLine();
    out.done = ByteCount(done);
    if (ReadNumber(words[1], total) && total > 0) out.total = ByteCount(total);
    else if (ReadNumber(words[2], estimate) && estimate > 0) out.total = ByteCount(estimate);
    if (ReadNumber(words[3], speed) && speed <= kMaxSpeed) out.speed = speed;
    return true;
}

bool ParseFileLine(const std::string& raw, std::wstring& path)
{
    const std::string line = Trimmed(raw);
    if (line.rfind(kToolFileTag, 0) != 0) return false;
    std::wstring text;
    if (!ReadJsonString(std::string_view(line).substr(sizeof(kToolFileTag) - 1), text) || text.empty()) return false;
    path = text;
    return true;
}

bool ParseErrorLine(const std::string& raw, std::wstring& text)
{
    const std::string line = Trimmed(raw);
    if (line.rfind("ERROR: ", 0) != 0) return false;
    text = Utf8ToWide(line.substr(7));
    return true;
}

int OverallPermille(const CProgressLine& progress, int partIndex, int partCount)
{
    if (partCount < 1) partCount = 1;
    if (partIndex < 0) partIndex = 0;
    if (partIndex >= partCount) partIndex = partCount - 1;
    double part = 0;
    if (progress.total > 0)
        part = progress.done >= progress.total
                   ? 1000
                   : static_cast<double>(progress.done) * 1000.0 / static_cast<double>(progress.total);
    const double overall = (static_cast<double>(partIndex) * 1000.0 + part) / partCount;
    return overall >= 1000 ? 1000 : static_cast<int>(overall);
}

std::wstring SpeedText(double bytesPerSecond)
{
    if (!(bytesPerSecond > 0) || bytesPerSecond > kMaxSpeed) return std::wstring();
    const wchar_t* units[] = {L"B/s", L"KiB/s", L"MiB/s", L"GiB/s", L"TiB/s"};
    int unit = 0;
    while (bytesPerSecond >= 1024 && unit < 4) {
        bytesPerSecond /= 1024;
        ++unit;
    }
    return FormatW(L"%.1f %s", bytesPerSecond, units[unit]);
}

int ParseToolVersion(const std::string& text)
{
    int year = 0, month = 0, day = 0;
    if (std::sscanf(text.c_str(), "%4d.%2d.%2d", &year, &month, &day) != 3) return 0;
    if (year < 2000 || year > 2999 || month < 1 || month > 12 || day < 1 || day > 31) return 0;
    return year * 10000 + month * 100 + day;
}
