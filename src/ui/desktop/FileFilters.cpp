#include "ui/desktop/IFileChooser.h"

namespace {
std::wstring Trim(const std::wstring& s)
{
    size_t b = s.find_first_not_of(L" \t");
    if (b == std::wstring::npos) return std::wstring();
    size_t e = s.find_last_not_of(L" \t");
    return s.substr(b, e - b + 1);
}

std::vector<std::wstring> Split(const std::wstring& s, wchar_t sep)
{
    std::vector<std::wstring> parts;
    size_t start = 0;
    while (true) {
        size_t end = s.find(sep, start);
        parts.push_back(s.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start));
        if (end == std::wstring::npos) break;
        start = end + 1;
    }
    return parts;
}
}  // namespace

std::vector<CFileFilter> ParseFileFilters(const std::wstring& spec)
{
    std::vector<CFileFilter> filters;
    std::vector<std::wstring> parts = Split(spec, L'|');
    for (size_t i = 0; i + 1 < parts.size(); i += 2) {
        CFileFilter f;
        f.name = Trim(parts[i]);
        for (const std::wstring& p : Split(parts[i + 1], L';')) {
            std::wstring pattern = Trim(p);
            if (!pattern.empty()) f.patterns.push_back(pattern);
        }
        if (!f.patterns.empty()) filters.push_back(std::move(f));
    }
    return filters;
}

std::wstring FormatFilterForQt(const CFileFilter& filter)
{
    std::wstring patterns;
    for (const std::wstring& p : filter.patterns) {
        if (!patterns.empty()) patterns += L' ';
        patterns += p;
    }
    // Qt reads the last parenthesised part as the patterns: keep brackets
    // of the name out of the way.
    std::wstring name = filter.name;
    for (wchar_t& c : name)
        if (c == L'(') c = L'[';
        else if (c == L')') c = L']';
    return name + L" (" + patterns + L")";
}
