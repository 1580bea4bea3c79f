// Skins: the program's skin folder holds the window layouts, and one folder
// "skin-NAME" per look with that look's images. Windows look images up in
// the chosen skin first, then in the default one.
#pragma once
#include <string>
#include <vector>

class CPaintManagerUI;

constexpr const wchar_t* kDefaultSkin = L"skin-blue";

// <program folder>/skin
std::wstring GetSkinsFolder();
// The image folder of a skin (<program folder>/skin/<name>).
std::wstring GetSkinImageFolder(const std::wstring& skin);
// The "skin-*" folders present, sorted by name.
std::vector<std::wstring> FindSkinNames();
// Points the image lookups of every window of the program at the skin (the
// default skin behind it)...
void ApplySkinImageFolders(const std::wstring& skin);
// ... and those of this window, where they come first.
void ApplySkinImageFolders(CPaintManagerUI& manager, const std::wstring& skin);
