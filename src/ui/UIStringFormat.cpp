#include "ui/UIStringFormat.h"
#include "platform/text.h"
#include <QString>
#include <QtGlobal>
#include <cwchar>

namespace {

// A written width or precision the formatter takes as it stands.
bool WithinFormatWidth(const std::wstring& format, size_t from, size_t to)
{
    long long value = 0;
    for (size_t k = from; k < to; ++k)
        if ((value = value * 10 + (format[k] - L'0')) > kMaxFormatWidth) return false;
    return true;
}

}  // namespace

bool GetFormatSignature(const std::wstring& format, std::wstring* signature)
{
    std::wstring sig;
    const size_t n = format.size();
    size_t i = 0;
    while (i < n) {
        if (format[i] != L'%') {
            ++i;
            continue;
        }
        ++i;
        if (i < n && format[i] == L'%') {
            ++i;
            continue;
        }
        while (i < n && std::wcschr(L"-+ #0'", format[i])) ++i;
        if (i < n && format[i] == L'*') {
            sig += L'i';
            ++i;
        } else {
            size_t digits = i;
            while (i < n && format[i] >= L'0' && format[i] <= L'9') ++i;
            if (i < n && format[i] == L'$' && i > digits) return false;  // positional
            if (!WithinFormatWidth(format, digits, i)) return false;
        }
        if (i < n && format[i] == L'.') {
            ++i;
            if (i < n && format[i] == L'*') {
                sig += L'i';
                ++i;
            } else {
                const size_t digits = i;
                while (i < n && format[i] >= L'0' && format[i] <= L'9') ++i;
                if (!WithinFormatWidth(format, digits, i)) return false;
            }
        }
        std::wstring length;
        if (format.compare(i, 3, L"I64") == 0 || format.compare(i, 3, L"I32") == 0) {
            length = format.substr(i, 3);
            i += 3;
        } else {
            while (i < n && std::wcschr(L"hlLqjztI", format[i])) length += format[i++];
        }
        if (i >= n) return false;
        wchar_t conv = format[i++];
        wchar_t kind;
        switch (conv) {
        case L'd': case L'i': kind = L'd'; break;
        case L'o': case L'u': case L'x': case L'X': kind = L'u'; break;
        case L'e': case L'E': case L'f': case L'F': case L'g': case L'G': case L'a': case L'A': kind = L'f'; break;
        case L'c': case L'C': case L's': case L'S': case L'p': kind = conv; break;
        default: return false;
        }
        sig += length;
        sig += kind;
        sig += L';';
    }
    if (signature) *signature = sig;
    return true;
}

bool HasSameFormatSignature(const std::wstring& translated, const std::wstring& english)
{
    std::wstring a, b;
    return GetFormatSignature(translated, &a) && GetFormatSignature(english, &b) && a == b;
}

std::wstring FormatCheckedV(const std::wstring& translated, const std::wstring& english, va_list args)
{
    const std::wstring* format = &translated;
    if (translated != english && !HasSameFormatSignature(translated, english)) {
        qWarning("translation \"%s\" does not take the arguments of \"%s\"; English used",
                 QString::fromStdWString(translated).toUtf8().constData(), QString::fromStdWString(english).toUtf8().constData());
        format = &english;
    }
    std::wstring sig;
    if (!GetFormatSignature(*format, &sig)) return *format;  // never hand a malformed format to the formatter
    return FormatWV(format->c_str(), args);
}

std::wstring FormatChecked(const std::wstring& translated, const std::wstring& english, ...)
{
    va_list args;
    va_start(args, english);
    std::wstring out = FormatCheckedV(translated, english, args);
    va_end(args);
    return out;
}
