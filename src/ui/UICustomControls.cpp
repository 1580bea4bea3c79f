#include "ui/UICustomControls.h"
#include "ui/UIDlgBuilder.h"

void RegisterCustomControls()
{
    CDialogBuilder::RegisterControl(L"TimeEdit", []() -> CControlUI* { return new CTimeEditUI; });
    CDialogBuilder::RegisterControl(L"CircularProgress", []() -> CControlUI* { return new CCircularProgressUI; });
    CDialogBuilder::RegisterControl(L"CCircularProgress", []() -> CControlUI* { return new CCircularProgressUI; });
    CDialogBuilder::RegisterControl(L"TextProgress", []() -> CControlUI* { return new CTextProgressUI; });
    CDialogBuilder::RegisterControl(L"SizeProgress", []() -> CControlUI* { return new CSizeProgressUI; });
    CDialogBuilder::RegisterControl(L"OverlapButton", []() -> CControlUI* { return new COverlapButton; });
}
