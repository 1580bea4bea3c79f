#include "BurnerTools.h"

#include "platform/process.h"
#include "ui/UILanguage.h"
#include "platform/paths.h"

#include <filesystem>
#include <system_error>

namespace {

std::wstring g_toolFolder;

struct SToolNames {
    EBurnTool tool;
    const wchar_t* name;
    const wchar_t* standIn;  // used when the first is missing
};
const SToolNames kTools[] = {
    {EBurnTool::Author, L"dvdauthor", nullptr},
    {EBurnTool::Subpicture, L"spumux", nullptr},
    {EBurnTool::Encoder, L"ffmpeg", nullptr},
    {EBurnTool::ImageMaker, L"genisoimage", L"xorriso"},
    {EBurnTool::DiscWriter, L"growisofs", L"xorriso"},
};

std::wstring FindNamed(const std::wstring& name)
{
    if (!g_toolFolder.empty()) {
        const std::wstring path = g_toolFolder + L"/" + name;
        std::error_code ec;
        if (std::filesystem::exists(PathFromWide(path), ec)) return FindProgramInPath(path);
    }
    return FindProgramInPath(name);
}

}  // namespace

std::wstring FindBurnTool(EBurnTool tool, bool* usesXorriso)
{
    if (usesXorriso) *usesXorriso = false;
    for (const SToolNames& t : kTools) {
        if (t.tool != tool) continue;
        std::wstring path = FindNamed(t.name);
        if (path.empty() && t.standIn) {
            path = FindNamed(t.standIn);
            if (usesXorriso) *usesXorriso = !path.empty();
        }
        return path;
    }
    return {};
}

void SetBurnToolFolder(const std::wstring& folder) { g_toolFolder = folder; }

std::wstring BurnBlocker(bool avchd)
{
    CLanguageManager* lang = CLanguageManager::GetInstance();
    if (avchd) return lang->TranslateDictionary(L"ID_STRING_BURN_NO_AVCHD");
    std::wstring missing;
    if (FindBurnTool(EBurnTool::Author).empty()) missing += L" dvdauthor";
    if (FindBurnTool(EBurnTool::ImageMaker).empty()) missing += L" genisoimage";
    if (missing.empty()) return {};
    return lang->FormatDictionary(L"ID_STRING_BURN_NO_TOOLS", missing.c_str() + 1);
}
