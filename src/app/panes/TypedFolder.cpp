#include "TypedFolder.h"

#include "Log.h"
#include "MediaHandler.h"
#include "VXMGlobal.h"
#include "platform/folders.h"
#include "platform/volume.h"
#include "ui/UILanguage.h"
#include "ui/desktop/Desktop.h"

ETypedFolder TakeTypedFolder(const std::wstring& typed, const std::wstring& before, std::wstring& folder)
{
    folder = TrimSpace(typed);
    // "~" is the user's home, as in a shell.
    if (folder == L"~" || folder.rfind(L"~/", 0) == 0) folder = GetUserHomeFolder() + folder.substr(1);
    while (folder.size() > 1 && folder.back() == L'/') folder.pop_back();
    if (folder.empty() || folder == before) return ETypedFolder::Unchanged;
    if (folder.front() != L'/' || !CreateFolderTree(folder) || !IsFolderWritable(folder)) return ETypedFolder::Refused;
    return ETypedFolder::Taken;
}

void ShowFolderRefused(HWND owner, const std::wstring& folder)
{
    CLanguageManager* lang = CLanguageManager::GetInstance();
    const std::wstring text = FillIn(lang->LoadStringW(IDS_OUTPUT_VOLUME_NOT_WRITABLE), {folder});
    LogInfoW("TypedFolder", L"%ls", text.c_str());
    if (IMessageBox* box = Desktop().messageBox) box->Show(owner, text, lang->LoadStringW(103), MB_OK | MB_ICONERROR);
}
