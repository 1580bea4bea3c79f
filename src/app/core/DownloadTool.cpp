#include "DownloadTool.h"

#include "VXMGlobal.h"
#include "platform/text.h"
#include "platform/paths.h"

#include <json/json.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>

namespace {

// Our own progress and file lines, so nothing depends on the tool's wording.
const char kProgressTag[] = "[vxm-progress] ";
const char kFileTag[] = "[vxm-file] ";

std::wstring Text(const Json::Value& value, const char* key)
{
    const Json::Value& v = value[key];
    return v.isString() ? Utf8ToWide(v.asString()) : std::wstring();
}

std::string Narrow(const Json::Value& value, const char* key)
{
    const Json::Value& v = value[key];
    return v.isString() ? v.asString() : std::string();
}

std::uint64_t Bytes(const Json::Value& value, const char* key)
{
    const Json::Value& v = value[key];
    if (!v.isNumeric()) return 0;
    const double d = v.asDouble();
    return d > 0 && d < 1.8e19 ? static_cast<std::uint64_t>(d) : 0;
}

bool HasTrack(const Json::Value& format, const char* codecKey)
{
    const Json::Value& codec = format[codecKey];
    // Absent: the tool does not know; only "none" says there is no such track.
    return !(codec.isString() && codec.asString() == "none");
}

VXM_FORMAT_RECORD MakeFormat(const Json::Value& f, bool withAudio)
{
    VXM_FORMAT_RECORD record;
    const std::string id = Narrow(f, "format_id");
    const bool video = HasTrack(f, "vcodec");
    record.formatId = withAudio || !video ? id : id + "+bestaudio/" + id;
    record.quality = Narrow(f, "format_note");
    if (record.quality.empty() && f["height"].isNumeric()) record.quality = std::to_string(f["height"].asInt()) + "p";
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
    const Json::Value& formats = info["formats"];
    if (formats.isArray()) {
        for (const Json::Value& f : formats) {
            if (!f.isObject() || Narrow(f, "format_id").empty()) continue;
            const std::string ext = Narrow(f, "ext");
            if (ext == "mhtml") continue;  // storyboards
            const bool video = HasTrack(f, "vcodec"), audio = HasTrack(f, "acodec");
            if (video && audio) complete.push_back(MakeFormat(f, true));
            else if (video) pictures.push_back(MakeFormat(f, false));
            any.push_back(MakeFormat(f, audio));
        }
    } else if (info["url"].isString() && !Narrow(info, "format_id").empty()) {
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

std::string Quoted(const std::wstring& text)
{
    std::string out = WideToUtf8(text);
    if (out.find_first_of(" \t\r\n\"\\") == std::string::npos && !out.empty()) return out;
    std::string quoted = "\"";
    for (char c : out) {
        if (c == '"' || c == '\\') quoted += '\\';
        if (c == '\n' || c == '\r') continue;
        quoted += c;
    }
    return quoted + "\"";
}

}  // namespace

bool ParseAnalysis(const std::string& json, const std::wstring& address, CAnalysis& out, std::wstring& error)
{
    out = CAnalysis();
    Json::CharReaderBuilder builder;
    std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
    Json::Value root;
    std::string errors;
    if (json.empty() || !reader->parse(json.data(), json.data() + json.size(), &root, &errors) || !root.isObject()) {
        error = L"The download tool gave no analysis of the address.";
        return false;
    }
    out.title = Text(root, "title");
    out.siteName = Text(root, "extractor_key");
    if (out.siteName.empty()) out.siteName = Text(root, "extractor");
    out.thumbnailUrl = Text(root, "thumbnail");

    const Json::Value* first = &root;
    if (root["_type"].isString() && root["_type"].asString() == "playlist") {
        const Json::Value& entries = root["entries"];
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

namespace {

std::vector<std::wstring> CommonArgs(const CDownloadToolOptions& options)
{
    std::vector<std::wstring> args = {options.tool, L"--ignore-config", L"--no-color", L"--no-warnings"};
    if (!options.proxyServer.empty())
        args.insert(args.end(), {L"--proxy", L"http://" + options.proxyServer +
                                                 (options.proxyPort.empty() ? L"" : L":" + options.proxyPort)});
    if (!options.netrcPath.empty()) args.insert(args.end(), {L"--netrc", L"--netrc-location", options.netrcPath});
    return args;
}

}  // namespace

std::vector<std::wstring> BuildAnalysisArgs(const CDownloadToolOptions& options, const std::wstring& address)
{
    std::vector<std::wstring> args = CommonArgs(options);
    // "--" first: an address can never be read as an option.
    args.insert(args.end(), {L"-J", L"--", address});
    return args;
}

std::vector<std::wstring> BuildDownloadArgs(const CDownloadToolOptions& options, const CDownloadTask& task)
{
    std::vector<std::wstring> args = CommonArgs(options);
    args.insert(args.end(), {L"--newline", L"--progress", L"--no-playlist", L"--progress-template",
                             Utf8ToWide(std::string("download:") + kProgressTag) +
                                 L"%(progress.downloaded_bytes)s %(progress.total_bytes)s "
                                 L"%(progress.total_bytes_estimate)s %(progress.speed)s",
                             L"--print", Utf8ToWide(std::string("after_move:") + kFileTag) + L"%(filepath)s",
                             L"--retries", std::to_wstring(task.retries < 0 ? 0 : task.retries), L"-f", task.format,
                             L"-o", task.outputBase + L".%(ext)s"});
    if (task.mp3) args.insert(args.end(), {L"-x", L"--audio-format", L"mp3"});
    if (!task.thumbnailPath.empty()) {
        std::filesystem::path thumb = PathFromWide(task.thumbnailPath);
        std::wstring ext = WideFromPath(thumb.extension());
        if (!ext.empty()) ext.erase(0, 1);
        thumb.replace_extension();
        args.insert(args.end(), {L"--write-thumbnail", L"--convert-thumbnails", ext.empty() ? L"png" : ext, L"-o",
                                 L"thumbnail:" + WideFromPath(thumb) + L".%(ext)s"});
    }
    args.insert(args.end(), {L"--", task.address});
    return args;
}

std::wstring FormatSelector(int choice, bool mp3)
{
    if (mp3) return L"bestaudio/best";
    if (choice == ONLINE_FORMAT_SMALLEST) return L"worst[vcodec!=none][acodec!=none]/worst";
    return L"bestvideo*+bestaudio/best";
}

namespace {

bool ReadNumber(const std::string& word, double& value)
{
    if (word.empty() || word == "NA" || word == "None") return false;
    char* end = nullptr;
    value = std::strtod(word.c_str(), &end);
    return end && *end == '\0' && std::isfinite(value) && value >= 0;
}

std::string Trimmed(std::string line)
{
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) line.pop_back();
    return line;
}

}  // namespace

bool ParseProgressLine(const std::string& raw, CProgressLine& out)
{
    const std::string line = Trimmed(raw);
    if (line.rfind(kProgressTag, 0) != 0) return false;
    std::vector<std::string> words;
    size_t at = sizeof(kProgressTag) - 1;
    while (at < line.size()) {
        size_t space = line.find(' ', at);
        if (space == std::string::npos) space = line.size();
        if (space > at) words.push_back(line.substr(at, space - at));
        at = space + 1;
    }
    if (words.size() < 4) return false;
    double done = 0, total = 0, estimate = 0, speed = 0;
    if (!ReadNumber(words[0], done)) return false;
    out = CProgressLine();
    out.done = static_cast<std::uint64_t>(done);
    if (ReadNumber(words[1], total) && total > 0) out.total = static_cast<std::uint64_t>(total);
    else if (ReadNumber(words[2], estimate) && estimate > 0) out.total = static_cast<std::uint64_t>(estimate);
    if (ReadNumber(words[3], speed)) out.speed = speed;
    return true;
}

bool ParseFileLine(const std::string& raw, std::wstring& path)
{
    const std::string line = Trimmed(raw);
    if (line.rfind(kFileTag, 0) != 0 || line.size() == sizeof(kFileTag) - 1) return false;
    path = Utf8ToWide(line.substr(sizeof(kFileTag) - 1));
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
    std::uint64_t part = 0;
    if (progress.total > 0) part = progress.done >= progress.total ? 1000 : progress.done * 1000 / progress.total;
    const std::uint64_t overall = (static_cast<std::uint64_t>(partIndex) * 1000 + part) / static_cast<unsigned>(partCount);
    return static_cast<int>(overall > 1000 ? 1000 : overall);
}

std::wstring SpeedText(double bytesPerSecond)
{
    if (!(bytesPerSecond > 0)) return std::wstring();
    const wchar_t* units[] = {L"B/s", L"KiB/s", L"MiB/s", L"GiB/s"};
    int unit = 0;
    while (bytesPerSecond >= 1024 && unit < 3) {
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

std::string MakeNetrc(const std::vector<CSiteAccount>& accounts)
{
    std::string text;
    for (const CSiteAccount& account : accounts) {
        if (account.user.empty()) continue;
        text += std::string("machine ") + account.machine + " login " + Quoted(account.user) + " password " +
                Quoted(account.password) + "\n";
    }
    return text;
}

bool WritePrivateFile(const std::wstring& path, const std::string& content)
{
    namespace fs = std::filesystem;
    const fs::path file = PathFromWide(path);
    std::error_code ec;
    {
        // Created empty and closed to the others before anything is written.
        std::ofstream create(file, std::ios::binary | std::ios::trunc);
        if (!create) return false;
    }
    fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write, fs::perm_options::replace, ec);
    if (ec) return false;
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out << content;
    return static_cast<bool>(out.flush());
}

std::wstring DownloadFileName(const std::wstring& title, const std::wstring& id, bool useTitle, int partIndex,
                              int partCount)
{
    std::wstring name = useTitle && !title.empty() ? title : id;
    if (name.empty()) name = title.empty() ? L"download" : title;
    ReplaceInvalidFileNameChars(name);
    // No hidden file, no name of dots; a bounded length.
    while (!name.empty() && (name.front() == L'.' || name.front() == L' ')) name.erase(0, 1);
    if (name.size() > 150) name.resize(150);
    if (name.empty()) name = L"download";
    if (partCount > 1) name += L" - part" + std::to_wstring(partIndex + 1);
    return name;
}
