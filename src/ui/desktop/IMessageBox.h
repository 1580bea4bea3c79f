// Message boxes: text, caption, buttons and icon; the answer is the button.
#pragma once
#include "ui/UIDefine.h"
#include <string>

constexpr UINT MB_OK = 0x0;
constexpr UINT MB_OKCANCEL = 0x1;
constexpr UINT MB_YESNOCANCEL = 0x3;
constexpr UINT MB_YESNO = 0x4;
constexpr UINT MB_RETRYCANCEL = 0x5;
constexpr UINT MB_ICONERROR = 0x10;
constexpr UINT MB_ICONQUESTION = 0x20;
constexpr UINT MB_ICONWARNING = 0x30;
constexpr UINT MB_ICONINFORMATION = 0x40;
constexpr int IDYES = 6;
constexpr int IDNO = 7;
constexpr int IDRETRY = 4;

class IMessageBox {
public:
    virtual ~IMessageBox() = default;
    // Modal over `owner` (may be null); IDOK, IDCANCEL, IDYES, IDNO or IDRETRY.
    virtual int Show(HWND owner, const std::wstring& text, const std::wstring& caption, UINT type) = 0;
};
