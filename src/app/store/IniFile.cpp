#include "IniFile.h"

#include "VXMGlobal.h"
#include "platform/text.h"

#include <fstream>
#include <sstream>

std::optional<std::wstring> ReadIniValue(const std::wstring& path, const std::wstring& section, const std::wstring& key)
{
    std::ifstream in(WideToUtf8(path), std::ios::binary);
    if (!in) return std::nullopt;
    std::stringstream buffer;
    buffer << in.rdbuf();
    std::string bytes = buffer.str();
    if (bytes.rfind("\xEF\xBB\xBF", 0) == 0) bytes.erase(0, 3);
    std::wistringstream lines(Utf8ToWide(bytes));
    bool inSection = false;
    for (std::wstring line; std::getline(lines, line);) {
        line = TrimSpace(line);
        if (line.empty() || line[0] == L';' || line[0] == L'#') continue;
        if (line.front() == L'[') {
            const size_t close = line.find(L']');
            inSection = close != std::wstring::npos && CompareNoCaseW(TrimSpace(line.substr(1, close - 1)), section) == 0;
            continue;
        }
        const size_t equals = line.find(L'=');
        if (!inSection || equals == std::wstring::npos) continue;
        if (CompareNoCaseW(TrimSpace(line.substr(0, equals)), key) == 0) return TrimSpace(line.substr(equals + 1));
    }
    return std::nullopt;
}

int ReadIniInt(const std::wstring& path, const std::wstring& section, const std::wstring& key, int fallback)
{
    const std::optional<std::wstring> value = ReadIniValue(path, section, key);
    if (!value || value->empty()) return fallback;
    wchar_t* end = nullptr;
    const long long number = std::wcstoll(value->c_str(), &end, 10);
    if (!end || *end != L'\0' || number < INT32_MIN || number > INT32_MAX) return fallback;
    return static_cast<int>(number);
}
