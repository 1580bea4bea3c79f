// libFuzzer target: the APE file functions on any bytes. The first byte
// picks the road: the rest as an APE file (checked, decompressed, converted)
// or as a WAV file (compressed, and what was made must check clean). No
// function that fails leaves its output behind.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>
#include <unistd.h>

#include "VXMApeCompress.h"

extern "C" {
#include <libavutil/log.h>
}

// The functions log their failures and the decoder's messages; the fuzzer
// needs no log.
void LogMessageA(const char*, const char*, ...) {}
void install_tool_log_callback() { av_log_set_level(AV_LOG_QUIET); }

namespace {

bool Exists(const std::string& path)
{
    return std::ifstream(path).good();
}

std::wstring Wide(const std::string& path)
{
    return std::wstring(path.begin(), path.end());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0) return 0;
    static const std::string base = "/tmp/fuzz_ape_" + std::to_string(getpid());
    const std::string input = base + ".in", output = base + ".out";
    {
        std::ofstream out(input, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data) + 1, static_cast<std::streamsize>(size - 1));
    }
    std::remove(output.c_str());
    const int level = 1000 * (1 + (data[0] >> 1) % 5);
    if (data[0] & 1) {
        const int result = CompressFileW(Wide(input).c_str(), Wide(output).c_str(), level, nullptr, nullptr, nullptr);
        if ((result != 0) == Exists(output)) __builtin_trap();
        if (result == 0 && VerifyFileW(Wide(output).c_str(), nullptr, nullptr, nullptr, false) != 0)
            __builtin_trap();  // what the compressor wrote reads back
    } else {
        VerifyFileW(Wide(input).c_str(), nullptr, nullptr, nullptr, (data[0] & 2) != 0);
        int result = DecompressFileW(Wide(input).c_str(), Wide(output).c_str(), nullptr, nullptr, nullptr);
        if ((result != 0) == Exists(output)) __builtin_trap();
        std::remove(output.c_str());
        result = ConvertFileW(Wide(input).c_str(), Wide(output).c_str(), level, nullptr, nullptr, nullptr);
        if ((result != 0) == Exists(output)) __builtin_trap();
    }
    std::remove(output.c_str());
    std::remove(input.c_str());
    return 0;
}
