// The burn window and its worker.
#include "Burner.h"

#include "ui/UILanguage.h"
#include "ui/desktop/Desktop.h"

int ShowDUI(HWND owner, const VXM_BURN_FILE*, VXM_DVD_MENU_SETTINGS*, const wchar_t*, int, const wchar_t*, int, int,
            bool, bool, float)
{
    if (IMessageBox* box = Desktop().messageBox)
        box->Show(owner, CLanguageManager::GetInstance()->TranslateDictionary(L"ID_STRING_BURN_NOT_YET"),
                  L"Vexmora Professional", MB_ICONERROR);
    return -1;
}

std::wstring GetXMLImg(const wchar_t*) { return {}; }
