// libFuzzer target: any bytes as what the download tool prints. Read whole as
// its analysis JSON and line by line as progress, file, error and version
// lines, nothing throws or reads a number out of its range; an analysis that
// reads offers something to fetch, progress stays within 0..1000, and a file
// line's path written back as the tool writes it reads back the same.
#include <cstddef>
#include <cstdint>
#include <string>

#include "DownloadToolOutput.h"
#include "platform/text.h"

namespace {

// A path as the tool's "%(filepath)j" writes it: JSON with ASCII only.
std::string ToolJson(const std::wstring& path)
{
    std::string out = "\"";
    auto unit = [&](unsigned u) { out += FormatA("\\u%04x", u); };
    for (wchar_t c : path) {
        if (c == L'"' || c == L'\\') out += '\\', out += static_cast<char>(c);
        else if (c >= 0x20 && c < 0x7F) out += static_cast<char>(c);
        else if (c > 0xFFFF) {
            const unsigned v = static_cast<unsigned>(c) - 0x10000;
            unit(0xD800 + (v >> 10));
            unit(0xDC00 + (v & 0x3FF));
        } else unit(static_cast<unsigned>(c));
    }
    return out + "\"";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    CAnalysis analysis;
    std::wstring error;
    if (ParseAnalysis(text, L"https://example.com/v", analysis, error)) {
        if (analysis.parts.empty() || analysis.formats.empty()) __builtin_trap();
    } else if (error.empty()) {
        __builtin_trap();  // a failure always says why
    }
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        const std::string line = text.substr(start, end - start);
        start = end + 1;

        CProgressLine progress;
        if (ParseProgressLine(line, progress)) {
            for (int parts : {0, 1, 3, 1000000})
                for (int index : {-1, 0, 2, parts})
                    if (const int permille = OverallPermille(progress, index, parts); permille < 0 || permille > 1000)
                        __builtin_trap();
            SpeedText(progress.speed);
        }
        std::wstring path;
        if (ParseFileLine(line, path)) {
            std::wstring again;
            if (path.empty() || !ParseFileLine(std::string(kToolFileTag) + ToolJson(path), again) || again != path)
                __builtin_trap();
        }
        std::wstring message;
        ParseErrorLine(line, message);
        const int version = ParseToolVersion(line);
        if (version != 0 && (version < 20000101 || version > 29991231)) __builtin_trap();
        if (end == text.size()) break;
    }
    return 0;
}
