#include "SkinFolders.h"

#include "VXMGlobal.h"
#include "platform/folders.h"
#include "platform/text.h"
#include "platform/paths.h"
#include "ui/UIManager.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

std::wstring GetSkinsFolder() { return JoinPath(GetProgramFolder(), L"skin"); }

std::wstring GetSkinImageFolder(const std::wstring& skin) { return JoinPath(GetSkinsFolder(), skin); }

std::vector<std::wstring> FindSkinNames()
{
    std::vector<std::wstring> names;
    std::error_code ec;
    const std::filesystem::path folder = PathFromWide(GetSkinsFolder());
    for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        std::wstring name = WideFromPath(it->path().filename());
        if (name.rfind(L"skin-", 0) == 0 && it->is_directory(ec)) names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    return names;
}

void ApplySkinImageFolders(const std::wstring& skin)
{
    CPaintManagerUI::SetSharedImageFolders(
        {GetSkinImageFolder(skin.empty() ? kDefaultSkin : skin), GetSkinImageFolder(kDefaultSkin)});
}

void ApplySkinImageFolders(CPaintManagerUI& manager, const std::wstring& skin)
{
    ApplySkinImageFolders(skin);
    manager.AddDefaultAttributeList(L"DefaultImageFolder", GetSkinImageFolder(kDefaultSkin));
    manager.AddDefaultAttributeList(L"ImageFolder", GetSkinImageFolder(skin.empty() ? kDefaultSkin : skin));
}
