#include "EngineLog.h"

#include "platform/text.h"

#include <cstdarg>
#include <cstdio>
#include <string>

VXM_LOG_FUNC_A g_pfnLogA = nullptr;
VXM_LOG_FUNC_W g_pfnLogW = nullptr;

namespace {

// Length of the longest prefix of text[0..len) that ends on a whole UTF-8
// character, so a cut never leaves half a character behind.
size_t WholeUtf8Prefix(const char* text, size_t len)
{
    size_t start = len;
    while (start > 0 && (static_cast<unsigned char>(text[start - 1]) & 0xC0) == 0x80)
        --start;
    if (start == 0)
        return len;  // no lead byte found: not UTF-8, keep the bytes
    unsigned char lead = static_cast<unsigned char>(text[start - 1]);
    size_t need = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
    return (len - (start - 1) >= need) ? len : start - 1;
}

}  // namespace

void LogMessageA(const char* category, const char* format, ...)
{
    VXM_LOG_FUNC_A log = g_pfnLogA;
    if (!log || !format)
        return;
    char text[VXM_LOG_MAX_CHARS + 1];
    va_list args;
    va_start(args, format);
    int written = std::vsnprintf(text, sizeof(text), format, args);
    va_end(args);
    if (written < 0)
        return;
    size_t len = static_cast<size_t>(written) < sizeof(text) ? static_cast<size_t>(written) : VXM_LOG_MAX_CHARS;
    if (static_cast<size_t>(written) > len)
        len = WholeUtf8Prefix(text, len);
    text[len] = '\0';
    log(category, "%s", text);
}

void LogMessageW(const char* category, const wchar_t* format, ...)
{
    VXM_LOG_FUNC_W log = g_pfnLogW;
    if (!log || !format)
        return;
    va_list args;
    va_start(args, format);
    std::wstring text = FormatWV(format, args);
    va_end(args);
    if (text.size() > static_cast<size_t>(VXM_LOG_MAX_CHARS))
        text.resize(VXM_LOG_MAX_CHARS);
    log(category, L"%s", text.c_str());
}
