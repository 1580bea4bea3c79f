// Helpers shared by the whole program.
#include "VXMGlobal.h"
#include "Log.h"
#include "VXMVersion.h"
#include "platform/desktop.h"
#include "platform/messages.h"
#include "platform/module.h"
#include "platform/system.h"
#include "platform/text.h"
#include "platform/volume.h"
#include "platform/paths.h"
#include "ui/desktop/Desktop.h"

#include <cwctype>
#include <algorithm>
#include <atomic>
#include <clocale>
#include <ctime>
#include <filesystem>
#include <functional>
#include <mutex>
#include <random>
#include <regex>
#include <string_view>
#include <system_error>

namespace fs = std::filesystem;

namespace {

std::mutex g_hooksMutex;
CGlobalUIHooks g_hooks;

CGlobalUIHooks Hooks()
{
    std::lock_guard<std::mutex> lock(g_hooksMutex);
    return g_hooks;
}

std::wstring CurrentLanguageId()
{
    CGlobalUIHooks hooks = Hooks();
    return hooks.languageId ? hooks.languageId() : std::wstring(L"en");
}

void ShowError(const std::wstring& text, const std::wstring& caption)
{
    CGlobalUIHooks hooks = Hooks();
    if (hooks.errorBox) hooks.errorBox(text, caption);
}

bool IsBlank(wchar_t c)
{
    return c == L' ' || c == L'\t' || c == L'\n' || c == L'\r' || c == L'\v' || c == L'\f';
}

std::wstring Trim(const std::wstring& text)
{
    size_t begin = 0, end = text.size();
    while (begin < end && IsBlank(text[begin])) ++begin;
    while (end > begin && IsBlank(text[end - 1])) --end;
    return text.substr(begin, end - begin);
}

std::wstring CutTrailingSeparators(std::wstring path)
{
    while (path.size() > 1 && (path.back() == L'/' || path.back() == L'\\')) path.pop_back();
    return path;
}

// The entry of `folder` called `name` in any letter case (an exact match
// first); empty when there is none.
fs::path FindEntryNoCase(const fs::path& folder, const std::wstring& name)
{
    std::error_code ec;
    fs::path exact = folder / WideToUtf8(name);
    if (fs::exists(exact, ec)) return exact;
    fs::directory_iterator it(folder, fs::directory_options::skip_permission_denied, ec);
    if (ec) return {};
    // The disc names are ASCII: an entry of another length in bytes cannot
    // match, and the others compare without a conversion each (a folder of
    // thousands of files is read on the UI thread).
    const bool ascii = std::all_of(name.begin(), name.end(), [](wchar_t c) { return c < 0x80; });
    auto lower = [](unsigned char c) { return c >= 'A' && c <= 'Z' ? static_cast<unsigned char>(c + 32) : c; };
    for (const auto& entry : it) {
        if (ascii) {
            const std::string& native = entry.path().native();
            const size_t slash = native.rfind('/');
            const std::string_view own = std::string_view(native).substr(slash == std::string::npos ? 0 : slash + 1);
            if (own.size() != name.size()) continue;
            bool same = true;
            for (size_t i = 0; same && i < own.size(); ++i)
                same = lower(static_cast<unsigned char>(own[i])) == lower(static_cast<unsigned char>(name[i]));
            if (same) return entry.path();
            continue;
        }
        if (CompareNoCaseW(WideFromPath(entry.path().filename()), name) == 0) return entry.path();
    }
    return {};
}

bool IsFolder(const fs::path& path)
{
    std::error_code ec;
    return !path.empty() && fs::is_directory(path, ec);
}

const wchar_t* kMainSite = L"https://www.kestrane-soft.com";
const wchar_t* kJapaneseSite = L"https://www.kestrane-soft.jp/";

constexpr size_t kMaxURLLength = 2048;

}  // namespace

bool IsExistingFile(const std::wstring& path)
{
    std::error_code ec;
    return !path.empty() && fs::is_regular_file(PathFromWide(path), ec);
}

void SetProgramLocale()
{
    if (!std::setlocale(LC_CTYPE, "C.UTF-8") && !std::setlocale(LC_CTYPE, "C.utf8"))
        std::setlocale(LC_CTYPE, "en_US.UTF-8");
    std::setlocale(LC_NUMERIC, "C");
    std::setlocale(LC_TIME, "C");
}

void SetGlobalUIHooks(CGlobalUIHooks hooks)
{
    std::lock_guard<std::mutex> lock(g_hooksMutex);
    g_hooks = std::move(hooks);
}

// ---- folders ------------------------------------------------------------

std::wstring GetAppDataFolder()
{
    std::wstring folder = GetUserDataFolder();
    CreateFolderTree(folder);
    return folder;
}

std::wstring GetCommonAppDataFolder()
{
    std::wstring folder = GetMakerSharedFolder();
    CreateFolderTree(folder);
    return folder;
}

std::wstring GetMyMusicFolder()
{
    return GetUserMusicFolder();
}

std::wstring GetTempThumbnailPath()
{
    fs::path folder = PathFromWide(GetTempFolder());
    std::error_code ec;
    fs::create_directories(folder, ec);
    // Unique by making, not by looking: a lookup in the folder waits while a
    // worker writes a picture there, and rows take their names on the UI
    // thread. A random part drawn once per process keeps apart the names of
    // other runs; a counter those of this one.
    static const std::string run = [] {
        static const char letters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
        std::random_device device;
        std::mt19937_64 random((static_cast<std::uint64_t>(device()) << 32) ^ device() ^
                               static_cast<std::uint64_t>(std::time(nullptr)));
        std::string part;
        for (int i = 0; i < 8; ++i) part += letters[random() % (sizeof(letters) - 1)];
        return part;
    }();
    static std::atomic<std::uint64_t> counter{0};
    const std::string name = "vxmthm" + run + "_" + std::to_string(++counter) + ".png";
    return WideFromPath(folder / name);
}

std::wstring JoinPath(const std::wstring& folder, const std::wstring& name)
{
    std::wstring base = folder;
    while (!base.empty() && (base.back() == L'/' || base.back() == L'\\')) base.pop_back();
    return base + L"/" + name;
}

std::wstring AbsolutePath(const std::wstring& path)
{
    if (path.empty() || path.front() == L'/') return path;
    std::error_code ec;
    std::filesystem::path whole = std::filesystem::absolute(PathFromWide(path), ec);
    if (ec) return JoinPath(L".", path);
    return WideFromPath(whole);
}

bool IsWritableVolume(const std::wstring& path)
{
    return IsVolumeWritable(path);
}

bool CreateFolderTree(const std::wstring& path)
{
    if (path.empty()) return false;
    std::error_code ec;
    fs::create_directories(PathFromWide(path), ec);
    return fs::is_directory(PathFromWide(path), ec);
}

// ---- text ---------------------------------------------------------------

std::string ToUTF8(const std::wstring& text)
{
    return WideToUtf8(text);
}

std::wstring FillIn(std::wstring text, std::initializer_list<std::wstring> values)
{
    size_t from = 0;
    for (const std::wstring& value : values) {
        const size_t at = text.find(L"%s", from);
        if (at == std::wstring::npos) break;
        text.replace(at, 2, value);
        from = at + value.size();
    }
    return text;
}

int SplitString(const std::wstring& text, const std::wstring& separator, std::vector<std::wstring>& pieces)
{
    pieces.clear();
    auto keep = [&](const std::wstring& piece) {
        std::wstring trimmed = Trim(piece);
        if (!trimmed.empty()) pieces.push_back(trimmed);
    };
    if (separator.empty()) {
        keep(text);
        return static_cast<int>(pieces.size());
    }
    size_t start = 0;
    size_t found = text.find(separator);
    while (found != std::wstring::npos) {
        keep(text.substr(start, found - start));
        start = found;
        found = text.find(separator, found + separator.size());
    }
    keep(text.substr(start));
    return static_cast<int>(pieces.size());
}

std::wstring TrimSpace(const std::wstring& text)
{
    size_t first = 0, last = text.size();
    while (first < last && std::iswspace(text[first])) ++first;
    while (last > first && std::iswspace(text[last - 1])) --last;
    return text.substr(first, last - first);
}

std::wstring IntToString(int value)
{
    return std::to_wstring(value);
}

void ReplaceInvalidFileNameChars(std::wstring& name)
{
    for (wchar_t& c : name) {
        switch (c) {
        case L':': case L'/': case L'\\': case L'*': case L'?': case L'"': case L'<': case L'>': case L'|':
            c = L'_';
            break;
        default:
            // Control characters (a line feed in a title) are no part of a name.
            if (c < 0x20 || c == 0x7F) c = L'_';
            break;
        }
    }
}

// ---- time and date --------------------------------------------------------

std::wstring FormatDate(long long unixSeconds, const TDateForms& forms)
{
    return FormatDate(unixSeconds, static_cast<long long>(std::time(nullptr)), forms);
}

std::wstring FormatDate(long long unixSeconds, long long nowUnixSeconds, const TDateForms& forms)
{
    std::time_t date = static_cast<std::time_t>(unixSeconds);
    std::time_t now = static_cast<std::time_t>(nowUnixSeconds);
    std::tm local{}, today{};
    if (!localtime_r(&date, &local) || !localtime_r(&now, &today)) return L"Invalid DateTime";

    std::tm midnight = today;
    midnight.tm_hour = midnight.tm_min = midnight.tm_sec = 0;
    midnight.tm_isdst = -1;
    std::tm yearStart = midnight;
    yearStart.tm_mon = 0;
    yearStart.tm_mday = 1;
    yearStart.tm_isdst = -1;
    std::time_t todayStart = std::mktime(&midnight);
    std::time_t firstOfYear = std::mktime(&yearStart);

    const std::string& format = date > todayStart ? forms.today : date > firstOfYear ? forms.thisYear : forms.older;
    char buffer[256];
    if (std::strftime(buffer, sizeof(buffer), format.c_str(), &local) == 0) return L"Invalid DateTime";
    return Utf8ToWide(buffer);
}

wchar_t GetFirstDriveLetter(DWORD mask)
{
    for (int i = 0; i < 26; ++i)
        if (mask & (1u << i)) return static_cast<wchar_t>(L'A' + i);
    return 0;
}

int GetFileVersion(int& major, int& minor, int& build)
{
    major = VXM_VERSION_MAJOR;
    minor = VXM_VERSION_MINOR;
    build = VXM_VERSION_BUILD;
    return 0;
}

const VXM_OS_VERSION& GetOSVersionInfo()
{
    static const VXM_OS_VERSION info = [] {
        CSystemVersion system = GetSystemVersion();
        VXM_OS_VERSION v;
        v.dwMajorVersion = system.major;
        v.dwMinorVersion = system.minor;
        v.dwBuildNumber = system.patch;
        v.dwPlatformId = 0;
        v.szCSDVersion = system.release;
        v.szSystemName = system.name;
        return v;
    }();
    return info;
}

// ---- discs ----------------------------------------------------------------

bool IsBDFolder(const std::wstring& folder)
{
    fs::path base = PathFromWide(CutTrailingSeparators(folder));
    if (folder.empty() || !IsFolder(base)) return false;
    if (IsFolder(FindEntryNoCase(base, L"AACS"))) {
        CGlobalUIHooks hooks = Hooks();
        std::wstring text = hooks.translate ? hooks.translate(L"ID_STRING_BD_CRYPTED") : L"ID_STRING_BD_CRYPTED";
        LogInfoW("?IsBDFolder@@YAHPB_W@Z", L"%s", text.c_str());
        ShowError(text, L"");
        return false;
    }
    return IsFolder(FindEntryNoCase(base, L"BDMV"));
}

bool IsDVDFolder(const std::wstring& folder)
{
    if (folder.empty()) return false;
    fs::path base = PathFromWide(CutTrailingSeparators(folder));
    if (!IsFolder(base)) return false;
    auto holdsIfo = [](const fs::path& videoTs) {
        fs::path ifo = FindEntryNoCase(videoTs, L"VIDEO_TS.IFO");
        std::error_code ec;
        return !ifo.empty() && fs::is_regular_file(ifo, ec);
    };
    fs::path child = FindEntryNoCase(base, L"VIDEO_TS");
    if (IsFolder(child) && holdsIfo(child)) return true;
    // The folder itself may be the VIDEO_TS folder.
    std::wstring own = WideFromPath(base.filename());
    return CompareNoCaseW(own, L"VIDEO_TS") == 0 && holdsIfo(base);
}

// ---- addresses ------------------------------------------------------------

bool IsURL(const std::wstring& text)
{
    // Long input would overflow the matcher's recursion: such a text is no address.
    if (text.empty() || text.size() > kMaxURLLength) return false;
    static const std::wregex pattern(
        L"(https?:\\/\\/)?(www\\.)?[-a-zA-Z0-9@:%._\\+~#=]{2,256}\\.[a-z]{2,6}\\b([-a-zA-Z0-9@:%!_\\+.~#?&\\/\\/=\\(\\)]*)",
        std::regex_constants::ECMAScript);
    try {
        return std::regex_match(text, pattern);
    } catch (const std::regex_error&) {
        return false;
    }
}

int OpenInExplorer(const std::wstring& path, HWND /*owner*/)
{
    if (path.empty()) return VXM_SHELL_FILE_NOT_FOUND;
    fs::path target = PathFromWide(path);
    std::error_code ec;
    if (!fs::exists(target, ec)) return VXM_SHELL_FILE_NOT_FOUND;
    // A file is shown selected in its folder.
    if (!fs::is_directory(target, ec))
        return ShowFileInFileManager(WideFromPath(fs::absolute(target, ec))) ? VXM_SHELL_OK : VXM_SHELL_NO_ASSOCIATION;
    return OpenFolderInFileManager(WideFromPath(target)) ? VXM_SHELL_OK : VXM_SHELL_NO_ASSOCIATION;
}

std::wstring GetOnlineHelpURL()
{
    return GetOnlineHelpURL(CurrentLanguageId());
}

std::wstring GetOnlineHelpURL(const std::wstring& languageId)
{
    std::wstring base = std::wstring(kMainSite) + L"/online_help_pro/";
    bool listed = languageId == L"en" || languageId == L"ja" || languageId == L"de" || languageId == L"fr";
    return base + (listed ? languageId : std::wstring(L"en")) + L"/";
}

std::wstring GetProductPageURL()
{
    return GetProductPageURL(CurrentLanguageId());
}

std::wstring GetProductPageURL(const std::wstring& languageId)
{
    if (languageId == L"ja") return kJapaneseSite;
    if (languageId == L"zh_tw") return std::wstring(kMainSite) + L"/tw";
    for (const wchar_t* id : {L"fr", L"de", L"es", L"it", L"ru", L"tu", L"pt", L"br", L"pl"}) {
        if (languageId == id) return std::wstring(kMainSite) + L"/" + languageId;
    }
    return std::wstring(kMainSite) + L"/products/for_video/";
}

std::wstring GetInstallerDownloadURL()
{
    return std::wstring(kMainSite) + L"/download/vexmora-professional-linux-x86_64.tar.xz";
}

// ---- GPU ------------------------------------------------------------------

int ProbeCUDALibrary(const std::string& libraryName)
{
    CModule cuda(libraryName);  // closed again when the probe ends
    if (!cuda.IsLoaded()) return 0;
    using InitFn = int (*)(unsigned int);
    using CountFn = int (*)(int*);
    auto init = reinterpret_cast<InitFn>(cuda.GetSymbol("cuInit"));
    if (init && init(0) != 0) return 0;
    auto count = reinterpret_cast<CountFn>(cuda.GetSymbol("cuDeviceGetCount"));
    if (!count) return 0;
    int devices = 0;
    if (count(&devices) != 0) return 0;
    return devices > 0 ? 1 : 0;
}

int IsCUDAAvailable()
{
    static std::atomic<int> cache{-1};
    int known = cache.load();
    if (known != -1) return known;
    int answer = ProbeCUDALibrary("libcuda.so.1");
    cache.store(answer);
    return answer;
}

// ---- session ----------------------------------------------------------------

CDisableScreenSave::CDisableScreenSave()
{
    AcquireIdleInhibit();
}

CDisableScreenSave::~CDisableScreenSave()
{
    ReleaseIdleInhibit();
}

void Shutdown()
{
    std::wstring error;
    IShutdown* shutdown = Desktop().shutdown;
    if (!shutdown || !shutdown->PowerOff(error)) {
        LogInfoW("?Shutdown@@YAXXZ", L"%s", error.c_str());
        ShowError(error, VXM_PRODUCT_NAME);
    }
    PostQuitMessage(0);
}
