// libFuzzer target: any bytes as the settings file. Every key and value reads
// without a fault, and a value written next survives the next read.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/registry.h"

namespace {

void Walk(HKEY key, int depth)
{
    if (depth > 64) return;
    std::wstring name;
    CRegValue value;
    for (DWORD i = 0; RegEnumValue(key, i, &name, &value) == ERROR_SUCCESS; ++i) value.Size();
    for (DWORD i = 0; RegEnumKey(key, i, &name) == ERROR_SUCCESS; ++i) {
        HKEY child = nullptr;
        if (RegOpenKeyEx(key, name, KEY_READ, &child) != ERROR_SUCCESS) continue;
        Walk(child, depth + 1);
        RegCloseKey(child);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const std::string path = "/tmp/fuzz_settings_" + std::to_string(getpid()) + "/registry.txt";
    static const bool quiet = (SetRegistryReportHook([](const std::wstring&) {}), true);
    (void)quiet;
    static const bool cleanedAtExit = (std::atexit([] {
        std::error_code ec;
        std::filesystem::remove_all(path.substr(0, path.rfind('/')), ec);
    }), true);
    (void)cleanedAtExit;
    ::mkdir(path.substr(0, path.rfind('/')).c_str(), 0700);
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    SetRegistryFile(HKEY_CURRENT_USER, std::wstring(path.begin(), path.end()));
    Walk(HKEY_CURRENT_USER, 0);
    HKEY key = nullptr;
    if (RegCreateKeyEx(HKEY_CURRENT_USER, L"Software\\Fuzz", KEY_ALL_ACCESS, &key, nullptr) != ERROR_SUCCESS)
        return 0;
    if (RegSetValueEx(key, L"Probe", CRegValue::String(L"value \"quoted\"")) != ERROR_SUCCESS) __builtin_trap();
    RegCloseKey(key);
    SetRegistryFile(HKEY_CURRENT_USER, std::wstring(path.begin(), path.end()));  // read again from the file
    CRegValue value;
    if (RegOpenKeyEx(HKEY_CURRENT_USER, L"Software\\Fuzz", KEY_READ, &key) != ERROR_SUCCESS) __builtin_trap();
    if (RegQueryValueEx(key, L"Probe", &value) != ERROR_SUCCESS) __builtin_trap();
    RegCloseKey(key);
    return 0;
}
