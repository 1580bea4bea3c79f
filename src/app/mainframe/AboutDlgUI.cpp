#include "AboutDlgUI.h"

#include "SkinFolders.h"
#include "VXMSettings.h"
#include "VXMVersion.h"
#include "ui/UILanguage.h"
#include "ui/desktop/Desktop.h"

namespace {
const wchar_t* const kLegalNoticePage = L"https://www.kestrane-soft.com/legal.html";
const wchar_t* const kCreditsPage = L"https://www.kestrane-soft.com/credits.html";
}  // namespace

std::wstring AboutVersionText()
{
    return CLanguageManager::GetInstance()->FormatString(180, VXM_VERSION_MAJOR, VXM_VERSION_MINOR, VXM_VERSION_BUILD);
}

void CAboutDlgUI::InitWindow()
{
    ApplySkinImageFolders(m_PaintManager, CVXMSettings::GetInstance()->SkinDir);
    CLanguageManager::GetInstance()->Translate(this);
    if (CControlUI* version = m_PaintManager.FindControl(L"ID_LABEL_ABOUT_VERSION")) version->SetText(AboutVersionText());
}

void CAboutDlgUI::OnClick(TNotifyUI& msg)
{
    if (!msg.pSender) return;
    const std::wstring& name = msg.pSender->GetName();
    if (name == L"ID_BUTTON_OK" || name == L"ID_BTN_CLOSE" || name == L"IDC_BTN_CLOSE_WINDOW") {
        Close(IDOK);
    } else if (name == L"ID_BTN_LEGAL_NOTICE" || name == L"ID_BTN_CREDITS") {
        if (auto* shell = Desktop().shell) shell->Open(name == L"ID_BTN_CREDITS" ? kCreditsPage : kLegalNoticePage);
    }
}

void RunAboutDialog(HWND owner)
{
    CAboutDlgUI dialog;
    if (!dialog.Create(owner, L"VXMAboutDlg", WS_POPUP | WS_VISIBLE, 0)) return;
    dialog.CenterWindow();
    dialog.ShowModal();
}
