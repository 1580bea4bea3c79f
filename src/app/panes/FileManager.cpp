#include "FileManager.h"

#include "Log.h"
#include "VXMGlobal.h"
#include "ui/UILanguage.h"
#include "ui/desktop/Desktop.h"

bool ShowInFileManager(HWND owner, const std::wstring& path, bool select)
{
    IShell* shell = Desktop().shell;
    if (path.empty() || !shell) return false;
    if (select ? shell->ShowInFolder(path) : shell->Open(path)) return true;
    CLanguageManager* lang = CLanguageManager::GetInstance();
    const std::wstring text = FillIn(lang->TranslateDictionary(L"ID_STRING_NO_FILE_MANAGER"), {path});
    LogInfoW("FileManager", L"%ls", text.c_str());
    if (IMessageBox* box = Desktop().messageBox) box->Show(owner, text, lang->LoadStringW(103), MB_OK | MB_ICONERROR);
    return false;
}
