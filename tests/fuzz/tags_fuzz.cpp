// libFuzzer target: any bytes as an audio file whose tags are read, then
// written (the file is the fuzzer's own copy). The first byte picks the file
// name's extension, by which TagLib picks the format. A write that is refused
// leaves the file as it was.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>

#include "MediaTags.h"

// The reader and writer log; the fuzzer needs no log file.
void LogInfo(const char*, const char*, ...) {}
void LogError(const char*, const char*, ...) {}

namespace {

const char* const kExtensions[] = {".mp3", ".ogg", ".spx", ".tta", ".wav", ".wv",  ".m4a", ".mpc",
                                   ".oga", ".aif", ".ape", ".flac", ".wma", ".opus", ".mp4", ".dsf"};

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0) return 0;
    static const std::string folder = "/tmp/fuzz_tags_" + std::to_string(getpid());
    static const std::string cover = folder + ".png";
    static bool coverMade = [] {
        std::ofstream(cover, std::ios::binary) << std::string("\x89PNG\r\n\x1a\n\0\0\0\0IEND", 16);
        std::atexit([] { std::remove(cover.c_str()); });
        return true;
    }();
    (void)coverMade;
    const std::string path = folder + kExtensions[data[0] % std::size(kExtensions)];
    const std::string bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out << bytes;
    }
    const std::wstring wpath(path.begin(), path.end());
    VXM_MEDIA_TAGS tags;
    ReadMediaTagsFromFile(wpath, tags, std::wstring(cover.begin(), cover.end()) + L".read");
    tags.title += L"Caf\u00e9 \u6771\u4eac";
    tags.year = L"1999";
    tags.track = L"7";
    tags.lyrics = L"la la";
    tags.cover = std::wstring(cover.begin(), cover.end());
    if (WriteMediaTagsToFile(wpath, tags, true) != kTagsWritten && ReadFile(path) != bytes)
        __builtin_trap();  // a write that was not done changed the file
    std::remove(path.c_str());
    std::remove((cover + ".read").c_str());
    return 0;
}
