// Where the program keeps its files: XDG folders of the user, the folder of
// the executable, and a private temporary folder.
#include "platform/folders.h"
#include "platform/environment.h"

#include "platform/text.h"

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

constexpr const char* kMaker = "Kestrane";
constexpr const char* kProduct = "Vexmora Professional";

std::mutex g_programMutex;
std::string g_programOverride;

std::string TrimSlash(std::string path)
{
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    return path;
}

std::string Ensure(const std::string& path)
{
    std::error_code ec;
    fs::create_directories(path, ec);  // a read-only place still gives its path
    return TrimSlash(path);
}

std::wstring Wide(const std::string& path) { return Utf8ToWide(path); }

// Makes `path` and its missing parents, each new one mode 0700.
bool MakeMissingFolders(const std::string& path)
{
    struct stat st;
    if (stat(path.c_str(), &st) == 0) return S_ISDIR(st.st_mode);
    const size_t slash = path.find_last_of('/');
    if (slash != std::string::npos && slash > 0 && !MakeMissingFolders(path.substr(0, slash))) return false;
    return mkdir(path.c_str(), 0700) == 0 || errno == EEXIST;
}

// The folder exists and is the user's alone.
bool EnsurePrivate(const std::string& path)
{
    struct stat st;
    if (path.empty() || !MakeMissingFolders(path) || stat(path.c_str(), &st) != 0) return false;
    if (!S_ISDIR(st.st_mode) || st.st_uid != getuid()) return false;
    return (st.st_mode & 077) == 0 || chmod(path.c_str(), st.st_mode & 0700) == 0;
}

// An absolute path from the environment, or empty (XDG ignores relative ones).
std::string EnvPath(const char* name)
{
    std::optional<std::string> v = GetEnvironmentValue(name);
    if (!v || v->empty() || (*v)[0] != '/') return {};
    return TrimSlash(*v);
}

std::string Home()
{
    std::string home = EnvPath("HOME");
    if (!home.empty()) return home;
    if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_dir && pw->pw_dir[0] == '/') return TrimSlash(pw->pw_dir);
    return "/tmp";
}

std::string DataHome()
{
    std::string d = EnvPath("XDG_DATA_HOME");
    return d.empty() ? Home() + "/.local/share" : d;
}

std::string ConfigHome()
{
    std::string d = EnvPath("XDG_CONFIG_HOME");
    return d.empty() ? Home() + "/.config" : d;
}

// Reads one entry of user-dirs.dirs: XDG_VIDEOS_DIR="$HOME/Videos".
std::string UserDir(const char* key)
{
    std::ifstream in(ConfigHome() + "/user-dirs.dirs");
    std::string line, prefix = std::string(key) + "=";
    while (std::getline(in, line)) {
        if (line.compare(0, prefix.size(), prefix) != 0) continue;
        std::string value = line.substr(prefix.size());
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"') value = value.substr(1, value.size() - 2);
        if (value.compare(0, 5, "$HOME") == 0)
            value = Home() + value.substr(5);
        else if (value.empty() || value[0] != '/')
            return {};
        value = TrimSlash(value);
        if (value == Home()) return {};  // "disabled" in xdg-user-dirs terms
        return value;
    }
    return {};
}

std::string ProgramFolder()
{
    {
        std::lock_guard<std::mutex> lock(g_programMutex);
        if (!g_programOverride.empty()) return g_programOverride;
    }
    static const std::string folder = [] {
        std::error_code ec;
        fs::path exe = fs::read_symlink("/proc/self/exe", ec);
        if (ec || exe.empty()) return fs::current_path(ec).string();
        return TrimSlash(exe.parent_path().string());
    }();
    return folder;
}

// The private temporary folder must be ours and closed to others; a foreign
// one in a shared /tmp is not used.
bool UsableTempFolder(const std::string& path)
{
    struct stat st;
    if (lstat(path.c_str(), &st) != 0) return false;
    if (!S_ISDIR(st.st_mode) || st.st_uid != getuid()) return false;
    if ((st.st_mode & 0777) != 0700 && chmod(path.c_str(), 0700) != 0) return false;
    return true;
}

}  // namespace

std::wstring GetUserDataFolder()
{
    const std::string path = DataHome() + "/" + kMaker + "/" + kProduct;
    EnsurePrivate(path);
    return Wide(TrimSlash(path));
}

bool MakePrivateFolder(const std::wstring& path) { return EnsurePrivate(TrimSlash(WideToUtf8(path))); }

bool MakePrivateFile(const std::wstring& path) { return chmod(WideToUtf8(path).c_str(), 0600) == 0; }

std::wstring GetMakerSharedFolder() { return Wide(Ensure(DataHome() + "/" + kMaker + "/Common")); }

std::wstring GetUserConfigFolder() { return Wide(Ensure(ConfigHome())); }

std::wstring GetUserVideosFolder()
{
    std::string dir = UserDir("XDG_VIDEOS_DIR");
    return Wide(dir.empty() ? Home() : Ensure(dir));
}

std::wstring GetUserMusicFolder()
{
    std::string dir = UserDir("XDG_MUSIC_DIR");
    return Wide(dir.empty() ? Home() : Ensure(dir));
}

std::wstring GetUserHomeFolder() { return Wide(Home()); }

std::wstring GetUserDesktopFolder()
{
    std::string dir = UserDir("XDG_DESKTOP_DIR");
    if (dir.empty()) dir = Home() + "/Desktop";
    std::error_code ec;
    return fs::is_directory(dir, ec) && TrimSlash(dir) != TrimSlash(Home()) ? Wide(TrimSlash(dir)) : std::wstring();
}

std::wstring GetProgramFolder() { return Wide(ProgramFolder()); }

std::wstring GetProgramDataFolder() { return Wide(Ensure(ProgramFolder() + "/data")); }

std::wstring GetToolsFolder() { return Wide(Ensure(ProgramFolder() + "/gnu")); }

std::wstring GetSkinFolder() { return Wide(Ensure(ProgramFolder() + "/skin")); }

std::wstring GetTempFolder()
{
    std::string base = EnvPath("TMPDIR");
    struct stat st;
    if (base.empty() || stat(base.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) base = "/tmp";
    std::string path = base + "/" + kMaker + "-" + std::to_string(getuid());
    if (mkdir(path.c_str(), 0700) == 0 || errno == EEXIST) {
        if (UsableTempFolder(path)) return Wide(path);
    }
    // Taken by someone else: a fresh private folder, made once per process.
    static std::mutex fallbackMutex;
    static std::string fallback;
    std::lock_guard<std::mutex> lock(fallbackMutex);
    if (fallback.empty() || !UsableTempFolder(fallback)) {
        std::string pattern = path + "-XXXXXX";
        if (mkdtemp(pattern.data())) fallback = pattern;
    }
    return Wide(fallback.empty() ? base : fallback);
}

void SetProgramFolderForTesting(const std::wstring& folder)
{
    std::lock_guard<std::mutex> lock(g_programMutex);
    g_programOverride = TrimSlash(WideToUtf8(folder));
}
