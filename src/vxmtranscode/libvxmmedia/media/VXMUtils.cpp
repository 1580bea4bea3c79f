#include "VXMUtils.h"
#include "platform/environment.h"
#include "platform/paths.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <random>

namespace {

namespace fs = std::filesystem;

bool IsTrimBlank(wchar_t c)
{
    return c == L' ' || c == L'\t' || c == L'\n' || c == L'\v' || c == L'\f' || c == L'\r';
}

std::wstring Trimmed(std::wstring_view text)
{
    std::wstring s(text);
    return TrimLeft(TrimRight(s));
}

std::mutex g_toolSearchLock;
std::vector<std::wstring> g_toolSearchOverride;

bool IsExecutableFile(const fs::path& path)
{
    std::error_code ec;
    const fs::file_status st = fs::status(path, ec);
    if (ec || !fs::is_regular_file(st))
        return false;
    const fs::perms exec = fs::perms::owner_exec | fs::perms::group_exec | fs::perms::others_exec;
    return (st.permissions() & exec) != fs::perms::none;
}

std::vector<std::wstring> ToolSearchFolders()
{
    {
        std::lock_guard<std::mutex> lock(g_toolSearchLock);
        if (!g_toolSearchOverride.empty())
            return g_toolSearchOverride;
    }
    std::vector<std::wstring> folders{GetToolsFolder()};
    if (const std::optional<std::string> path = GetEnvironmentValue("PATH")) {
        std::string_view rest(*path);
        while (!rest.empty()) {
            const size_t colon = rest.find(':');
            const std::string_view dir = rest.substr(0, colon);
            if (!dir.empty())
                folders.push_back(Utf8ToWide(dir));
            if (colon == std::string_view::npos)
                break;
            rest.remove_prefix(colon + 1);
        }
    }
    return folders;
}

}  // namespace

std::string WideToAnsi(std::wstring_view text)
{
    return WideToUtf8(text);
}

std::wstring AnsiToWide(std::string_view text)
{
    return Utf8ToWide(text);
}

std::wstring& TrimLeft(std::wstring& text)
{
    size_t i = 0;
    while (i < text.size() && IsTrimBlank(text[i]))
        ++i;
    text.erase(0, i);
    return text;
}

std::wstring& TrimRight(std::wstring& text)
{
    size_t n = text.size();
    while (n > 0 && IsTrimBlank(text[n - 1]))
        --n;
    text.resize(n);
    return text;
}

int SplitString(std::vector<std::wstring>& out, std::wstring_view separator, std::wstring_view text)
{
    out.clear();
    size_t start = 0;
    if (!separator.empty()) {
        size_t pos;
        while ((pos = text.find(separator, start)) != std::wstring_view::npos) {
            std::wstring piece = Trimmed(text.substr(start, pos - start));
            if (!piece.empty())
                out.push_back(std::move(piece));
            start = pos + 1;
        }
    }
    if (start < text.size())
        out.push_back(Trimmed(text.substr(start)));
    return static_cast<int>(out.size());
}

BOOL CreateFolderTree(const std::wstring& path)
{
    if (path.empty())
        return FALSE;
    std::error_code ec;
    const fs::path folder = PathFromWide(path);
    fs::create_directories(folder, ec);
    return fs::is_directory(folder, ec) ? TRUE : FALSE;
}

BOOL FileExists(const std::wstring& path)
{
    std::FILE* f = std::fopen(WideToUtf8(path).c_str(), "rb");
    if (!f)
        return FALSE;
    std::fclose(f);
    return TRUE;
}

BOOL MakeUniqueFilePath(const std::wstring& folder, const std::wstring& extension, std::wstring& out,
                        const std::wstring& baseName)
{
    CreateFolderTree(folder);
    std::wstring dir = folder;
    while (dir.size() > 1 && dir.back() == L'/')
        dir.pop_back();
    // A file name holds at most 255 bytes: the base is cut on a character
    // boundary to leave room for "_999" and the extension.
    constexpr std::size_t kNameMaxBytes = 255;
    const std::size_t tail = 4 + 1 + WideToUtf8(extension).size();
    const std::wstring base = CutUtf8Bytes(baseName, kNameMaxBytes > tail ? kNameMaxBytes - tail : 1);
    for (int i = 0; i < 1000; ++i) {
        const std::wstring name = i == 0 ? base : FormatW(L"%s_%03d", base.c_str(), i);
        const std::wstring candidate = dir + L"/" + name + L"." + extension;
        std::error_code ec;
        // A dangling link counts as taken: writing through it would land elsewhere.
        if (fs::symlink_status(PathFromWide(candidate), ec).type() == fs::file_type::not_found) {
            out = candidate;
            return TRUE;
        }
    }
    out.clear();
    return FALSE;
}

std::wstring CreateUniqueTempFile(const std::wstring& folder, const std::wstring& stem, const std::wstring& suffix)
{
    thread_local std::mt19937 rng{std::random_device{}()};
    std::uniform_int_distribution<int> number(0, 32767);
    for (int attempt = 0; attempt < 1000; ++attempt) {
        const int a = number(rng);
        const int b = number(rng);
        const std::wstring path = folder + L"/" + stem + FormatW(L"%d%d", a, b) + suffix;
        std::FILE* f = std::fopen(WideToUtf8(path).c_str(), "wx");
        if (f) {
            std::fclose(f);
            return path;
        }
        if (errno != EEXIST)
            break;
    }
    return {};
}

int Mp3VolumeGainDb(int setting)
{
    return setting >= 1 && setting <= 11 ? setting - 1 : 0;
}

double GetDiskOrFileSizeGB(const std::wstring& path)
{
    const fs::path p = PathFromWide(path);
    std::error_code ec;
    const fs::file_status st = fs::status(p, ec);
    std::uintmax_t bytes = 0;
    if (ec || fs::is_directory(st)) {
        const fs::space_info space = fs::space(p, ec);
        if (!ec)
            bytes = space.capacity;
    } else {
        const std::uintmax_t size = fs::file_size(p, ec);
        if (!ec)
            bytes = size;
    }
    const std::uintmax_t kib = bytes / 1024;
    return static_cast<double>(kib) / (1024.0 * 1024.0);
}

BOOL GetShortPath(const std::wstring& longPath, std::wstring& out)
{
    return FALSE;
}

std::wstring GetFileNamePart(const std::wstring& path, BOOL keepName)
{
    const size_t slash = path.rfind(L'/');
    std::wstring name = slash == std::wstring::npos ? path : path.substr(slash + 1);
    if (keepName)
        return name;
    const size_t dot = name.rfind(L'.');
    return dot == std::wstring::npos ? name : name.substr(dot + 1);
}

bool IsInvalidNameChar(wchar_t c)
{
    switch (c) {
    case L'\\': case L'/': case L':': case L'*': case L'?': case L'"': case L'<': case L'>': case L'|':
        return true;
    default:
        return false;
    }
}

bool IsControlChar(wchar_t c)
{
    return (c >= 0 && c < 0x20) || c == 0x7F;
}

void RemoveInvalidNameChars(std::wstring& text)
{
    std::erase_if(text, IsInvalidNameChar);
}

void ToForwardSlashes(std::wstring& text)
{
    for (wchar_t& c : text) {
        if (c == L'\\')
            c = L'/';
    }
}

void ReplaceAll(const std::wstring& replacement, std::wstring& out, const std::wstring& source,
                const std::wstring& pattern)
{
    if (pattern.empty()) {
        out = source;
        return;
    }
    std::wstring result;
    size_t start = 0;
    size_t pos;
    while ((pos = source.find(pattern, start)) != std::wstring::npos) {
        result.append(source, start, pos - start);
        result += replacement;
        start = pos + pattern.size();
    }
    result.append(source, start, std::wstring::npos);
    out = std::move(result);
}

std::wstring FindToolPath(const std::wstring& name)
{
    const std::vector<std::wstring> folders = ToolSearchFolders();
    for (const std::wstring& folder : folders) {
        const std::wstring candidate = folder + L"/" + name;
        if (IsExecutableFile(PathFromWide(candidate)))
            return candidate;
    }
    return folders.front() + L"/" + name;
}

void SetToolSearchPathForTesting(const std::vector<std::wstring>& folders)
{
    std::lock_guard<std::mutex> lock(g_toolSearchLock);
    g_toolSearchOverride = folders;
}
