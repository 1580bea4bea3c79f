// UI language stand-in: the id only.
#include "AppLanguage.h"

#include <cctype>
#include <cstdlib>
#include <mutex>

namespace {

std::mutex g_mutex;
std::wstring g_localeFile;
std::wstring g_languageId = L"en";

std::string EnvironmentLocale()
{
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(name);
        if (value && *value) return value;
    }
    return std::string();
}

}  // namespace

std::wstring LanguageIdFromLocale(const std::string& locale)
{
    std::string base = locale.substr(0, locale.find_first_of(".@"));
    if (base.empty() || base == "C" || base == "POSIX") return L"en";
    std::wstring id;
    for (char c : base) id += static_cast<wchar_t>(std::tolower(static_cast<unsigned char>(c)));
    if (id.rfind(L"zh_", 0) == 0) return id.substr(0, 5);
    return id.substr(0, id.find(L'_'));
}

void SetUILocaleFile(const std::wstring& name)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    g_localeFile = name;
}

std::wstring SetUILanguage(const std::wstring& languageId)
{
    std::wstring id = (languageId.empty() || languageId == L"auto") ? LanguageIdFromLocale(EnvironmentLocale()) : languageId;
    std::lock_guard<std::mutex> lock(g_mutex);
    g_languageId = id;
    return id;
}

std::wstring GetUILanguageId()
{
    std::lock_guard<std::mutex> lock(g_mutex);
    return g_languageId;
}
