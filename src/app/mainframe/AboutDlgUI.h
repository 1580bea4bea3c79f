// The About box: the program's name, version and pages of its legal notice
// and credits.
#pragma once
#include "ui/UILib.h"

class CAboutDlgUI : public WindowImplBase {
public:
    CAboutDlgUI() : WindowImplBase(L"VXMAboutDlg", L"dlg_about.xml") {}
    void InitWindow() override;
    void OnClick(TNotifyUI& msg) override;
};

// "Version 1.0.0" of this build in the current language.
std::wstring AboutVersionText();
// Shows the About box modally over the owner.
void RunAboutDialog(HWND owner);
