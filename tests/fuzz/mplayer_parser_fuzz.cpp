// libFuzzer target: any bytes as the player's output, cut into chunks as a
// pipe may cut them. Short lines are also matched by the standard library's
// backtracking matcher, whose answer each output pattern must give.
#include <cstddef>
#include <cstdint>
#include <locale>
#include <regex>
#include <string>
#include <string_view>
#include <vector>

#include "LinearPattern.h"
#include "MPlayerParser.h"
#include "platform/messages.h"
#include "platform/text.h"

// No window takes the events: every post fails and frees its record.
void LogInfo(const char*, const char*, ...) {}
void LogError(const char*, const char*, ...) {}
BOOL PostMessage(HWND, UINT, WPARAM, LPARAM) { return FALSE; }
BOOL PostMessageOwned(HWND, UINT, WPARAM, void*, PayloadDeleter) { return FALSE; }

namespace {

struct SPattern {
    CLinearPattern linear;
    std::wregex regex;
};

std::vector<SPattern>& Patterns()
{
    static std::vector<SPattern> patterns = [] {
        std::vector<SPattern> built;
        for (std::wstring_view text : MplayerOutputPatterns()) {
            SPattern p;
            if (!p.linear.Compile(text)) __builtin_trap();
            p.regex.imbue(std::locale::classic());
            p.regex.assign(text.begin(), text.end(), std::regex::ECMAScript);
            built.push_back(std::move(p));
        }
        return built;
    }();
    return patterns;
}

void Compare(const std::wstring& line)
{
    for (SPattern& p : Patterns()) {
        std::vector<std::wstring_view> groups;
        const bool match = p.linear.Search(line, groups);
        std::wsmatch found;
        const bool expected = std::regex_search(line, found, p.regex);
        if (match != expected) __builtin_trap();
        if (!match) continue;
        const std::wstring text = found.str(0);
        std::wsmatch whole;
        if (!std::regex_match(text, whole, p.regex) || whole.size() != groups.size()) __builtin_trap();
        for (size_t i = 0; i < groups.size(); ++i)
            if (whole.str(i) != groups[i]) __builtin_trap();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    // The first byte sets the chunk size, as the reader's 255-byte reads vary.
    const size_t chunk = size ? 1 + static_cast<unsigned char>(bytes[0]) : 1;
    CMPlayerParser parser;
    for (size_t at = 0; at < bytes.size(); at += chunk) parser.WriteStdOut(bytes.substr(at, chunk));
    size_t start = 0;
    for (size_t i = 0; i <= bytes.size(); ++i) {
        if (i < bytes.size() && bytes[i] != '\r' && bytes[i] != '\n') continue;
        const std::wstring line = Utf8ToWide(bytes.substr(start, i - start));
        if (!line.empty() && line.size() <= 48) Compare(line);
        start = i + 1;
    }
    return 0;
}
