#include "SplitCommandLine.h"

namespace {

template <class C>
bool IsBlank(C c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

template <class C>
std::vector<std::basic_string<C>> SplitLine(std::basic_string_view<C> text)
{
    std::vector<std::basic_string<C>> args;
    const size_t n = text.size();
    size_t i = 0;
    for (;;) {
        while (i < n && IsBlank(text[i]))
            ++i;
        if (i >= n)
            break;
        if (text[i] == '"' && i + 1 == n)
            break;  // a lone opening quote at the end makes no argument

        std::basic_string<C> arg;
        bool inQuotes = false;
        while (i < n) {
            const C c = text[i];
            if (!inQuotes && IsBlank(c))
                break;
            if (c == '\\') {
                size_t j = i;
                while (j < n && text[j] == '\\')
                    ++j;
                const size_t count = j - i;
                if (j < n && text[j] == '"') {
                    arg.append(count / 2, C('\\'));
                    if (count % 2) {
                        arg += C('"');
                        i = j + 1;
                    } else {
                        i = j;  // the quote is handled as a quote below
                    }
                } else {
                    arg.append(count, C('\\'));
                    i = j;
                }
                continue;
            }
            if (c == '"') {
                if (inQuotes && i + 1 < n && text[i + 1] == '"') {
                    arg += C('"');
                    i += 2;
                } else {
                    inQuotes = !inQuotes;
                    ++i;
                }
                continue;
            }
            arg += c;
            ++i;
        }
        args.push_back(std::move(arg));
    }
    return args;
}

}  // namespace

std::vector<std::string> SplitCommandLine(std::string_view text)
{
    return SplitLine(text);
}

std::vector<std::wstring> SplitCommandLine(std::wstring_view text)
{
    return SplitLine(text);
}

std::wstring EscapeQuotedArgument(std::wstring_view text)
{
    std::wstring out;
    out.reserve(text.size() + 8);
    size_t i = 0;
    while (i < text.size()) {
        size_t j = i;
        while (j < text.size() && text[j] == L'\\')
            ++j;
        const size_t count = j - i;
        if (j == text.size()) {
            out.append(count * 2, L'\\');  // before the closing quote
            break;
        }
        if (text[j] == L'"') {
            out.append(count * 2 + 1, L'\\');
            out += L'"';
        } else {
            out.append(count, L'\\');
            out += text[j];
        }
        i = j + 1;
    }
    return out;
}

std::wstring QuoteArgument(std::wstring_view text)
{
    return L"\"" + EscapeQuotedArgument(text) + L"\"";
}

bool IsQuotedArgument(std::wstring_view text)
{
    if (text.size() < 2 || text.front() != L'"' || text.back() != L'"')
        return false;
    size_t backslashes = 0;
    for (size_t i = 1; i + 1 < text.size(); ++i) {
        if (text[i] == L'\\') {
            ++backslashes;
            continue;
        }
        if (text[i] == L'"' && backslashes % 2 == 0)
            return false;
        backslashes = 0;
    }
    return backslashes % 2 == 0;
}
