#include "DownloadTool.h"

#include "VXMGlobal.h"
#include "platform/paths.h"
#include "platform/text.h"

#include <cstdio>
#include <filesystem>

namespace {

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

// Text the tool's output template takes as it stands: its '%' doubled.
std::wstring TemplateLiteral(const std::wstring& text)
{
    std::wstring out;
    out.reserve(text.size());
    for (wchar_t c : text) {
        if (c == L'%') out += L'%';
        out += c;
    }
    return out;
}

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
                             Utf8ToWide(std::string("download:") + kToolProgressTag) +
                                 L"%(progress.downloaded_bytes)s %(progress.total_bytes)s "
                                 L"%(progress.total_bytes_estimate)s %(progress.speed)s",
                             // The path as a JSON string: one line whatever the name holds.
                             L"--print", Utf8ToWide(std::string("after_move:") + kToolFileTag) + L"%(filepath)j",
                             L"--retries", std::to_wstring(task.retries < 0 ? 0 : task.retries), L"-f", task.format,
                             L"-o", TemplateLiteral(task.outputBase) + L".%(ext)s"});
    if (task.mp3) args.insert(args.end(), {L"-x", L"--audio-format", L"mp3"});
    if (!task.thumbnailPath.empty()) {
        std::filesystem::path thumb = PathFromWide(task.thumbnailPath);
        std::wstring ext = WideFromPath(thumb.extension());
        if (!ext.empty()) ext.erase(0, 1);
        thumb.replace_extension();
        args.insert(args.end(), {L"--write-thumbnail", L"--convert-thumbnails", ext.empty() ? L"png" : ext, L"-o",
                                 L"thumbnail:" + TemplateLiteral(WideFromPath(thumb)) + L".%(ext)s"});
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
    fs::path temp = file;
    temp += ".new";
    std::error_code ec;
    fs::remove(temp, ec);
    // Written whole under a new name, closed to the others before anything is
    // in it, then renamed over the old one: a tool run reading the file meanwhile
    // reads the old one or the new one, never a part.
    std::FILE* out = std::fopen(temp.c_str(), "wx");
    if (!out) return false;
    fs::permissions(temp, fs::perms::owner_read | fs::perms::owner_write, fs::perm_options::replace, ec);
    bool ok = !ec && std::fwrite(content.data(), 1, content.size(), out) == content.size();
    ok = std::fclose(out) == 0 && ok;
    if (ok) fs::rename(temp, file, ec);
    if (!ok || ec) {
        fs::remove(temp, ec);
        return false;
    }
    return true;
}

std::wstring DownloadFileName(const std::wstring& title, const std::wstring& id, bool useTitle, int partIndex,
                              int partCount)
{
    std::wstring name = useTitle && !title.empty() ? title : id;
    if (name.empty()) name = title.empty() ? L"download" : title;
    ReplaceInvalidFileNameChars(name);
    // The tool reads "$NAME" in its output template as a variable of the
    // environment: the title's dollar becomes its full-width look-alike.
    for (wchar_t& c : name)
        if (c == L'$') c = L'\uFF04';
    // No hidden file, no name of dots.
    while (!name.empty() && (name.front() == L'.' || name.front() == L' ')) name.erase(0, 1);
    const std::wstring part = partCount > 1 ? L" - part" + std::to_wstring(partIndex + 1) : std::wstring();
    // Cut on a character boundary so that the part, the extension and the
    // tool's own suffixes (".f137.webm.part", ".ytdl") still fit in a name.
    name = CutUtf8Bytes(name, kMaxDownloadNameBytes - WideToUtf8(part).size());
    while (!name.empty() && name.back() == L' ') name.pop_back();
    if (name.empty()) name = L"download";
    return name + part;
}
