// The UI language as start-up sets it. Until the framework's language manager
// is in the build, these keep the chosen id only ("auto" follows the
// environment's locale); they are the one place to switch over.
#pragma once
#include <string>

void SetUILocaleFile(const std::wstring& name);
// Sets the language ("auto" or an id such as "en", "de", "zh_tw"); returns the id in use.
std::wstring SetUILanguage(const std::wstring& languageId);
std::wstring GetUILanguageId();
// "de_DE.UTF-8" -> "de", "zh_TW.UTF-8" -> "zh_tw", "C" or "" -> "en".
std::wstring LanguageIdFromLocale(const std::string& locale);
