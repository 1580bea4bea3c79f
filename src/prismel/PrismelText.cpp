#include "PrismelText.h"

#include "Prismel.h"

#include <mutex>

namespace {

std::mutex g_lock;
std::wstring g_language = L"en";

struct SText {
    const wchar_t* en;
    const wchar_t* de;
};

constexpr SText kTexts[] = {
    {L"Trim", L"Zuschneiden"},
    {L"Start", L"Anfang"},
    {L"End", L"Ende"},
    {L"Crop and effect", L"Bildausschnitt und Effekt"},
    {L"Left", L"Links"},
    {L"Top", L"Oben"},
    {L"Width", L"Breite"},
    {L"Height", L"H\u00f6he"},
    {L"Effect", L"Effekt"},
    {L"None", L"Keiner"},
    {L"OK", L"OK"},
    {L"Cancel", L"Abbrechen"},
};

}  // namespace

std::wstring PrismelText(ETextId id)
{
    const SText& text = kTexts[static_cast<int>(id)];
    return PrismelPick(text.en, text.de);
}

std::wstring PrismelPick(const wchar_t* en, const wchar_t* de)
{
    std::lock_guard<std::mutex> guard(g_lock);
    return g_language == L"de" ? de : en;
}

extern "C" void SetLanguage(const wchar_t* langId)
{
    std::lock_guard<std::mutex> guard(g_lock);
    g_language = langId && *langId ? langId : L"en";
}
