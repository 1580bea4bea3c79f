// libFuzzer target: any bytes as customprops.json. A file that loads saves
// and loads again to the same values; one that does not is kept aside.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <unistd.h>

#include "CustomProps.h"

// The file's code logs and names the data folder; the fuzzer needs neither.
void LogError(const char*, const char*, ...) {}
void LogErrorW(const char*, const wchar_t*, ...) {}
void LogInfoW(const char*, const wchar_t*, ...) {}
std::wstring GetAppDataFolder() { return L"/tmp"; }
std::wstring JoinPath(const std::wstring& folder, const std::wstring& name) { return folder + L"/" + name; }

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const std::string path = "/tmp/fuzz_custom_props_" + std::to_string(getpid()) + ".json";
    static const std::wstring wpath(path.begin(), path.end());
    static const bool cleanedAtExit = (std::atexit([] {
        std::remove(path.c_str());
        std::remove((path + ".bad").c_str());
    }), true);
    (void)cleanedAtExit;
    std::remove((path + ".bad").c_str());
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    CCustomProps props(wpath);
    const bool loaded = props.Load();
    props.SetCustomProp(7, "a", "b", "vsize");  // a save writes even a file that did not load
    if (!props.Save()) return 0;
    CCustomProps again(wpath);
    if (!again.Load()) __builtin_trap();  // what a save wrote always loads
    if (loaded && !(*again.GetRoot() == *props.GetRoot())) __builtin_trap();  // and unchanged
    return 0;
}
