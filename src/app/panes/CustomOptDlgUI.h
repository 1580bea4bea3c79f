// The small pop-up in which the user types a value of his own for one
// parameter row: a video size as width x height (two fields) or a single
// number (one field). On OK the value is checked and handed to the row,
// which adds it as a removable user value. The editor owns one dialog and
// reuses it for every row; hiding never destroys the window.
#pragma once
#include "ui/UILib.h"

#include <string>

class CPropListItemUI;

constexpr WPARAM WA_INACTIVE = 0;

class CCustomOptDlgUI : public WindowImplBase {
public:
    enum EForm { kOneField = 0, kTwoFields = 1 };

    CCustomOptDlgUI();
    ~CCustomOptDlgUI() override;

    std::wstring GetSkinFolder() override { return L"skin"; }
    void InitWindow() override;
    void Notify(TNotifyUI& msg) override;
    LRESULT ResponseDefaultKeyEvent(WPARAM wParam) override;
    LRESULT HandleCustomMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) override;

    // Form and even flag; the layouts of the two forms are shown to match.
    void SetForm(int form, bool even);
    int GetForm() const { return m_form; }
    void SetTarget(CControlUI* row) { m_target = row; }
    CControlUI* GetTarget() const { return m_target; }
    // The caption line: language text 173 with the name.
    void SetOptionName(const std::wstring& name);
    // Either limit may be absent (null or empty): that side is unbounded.
    void SetOptionLimit(const std::wstring* minimum, const std::wstring* maximum);
    int GetMinimum() const { return m_minimum; }
    int GetMaximum() const { return m_maximum; }

    // The value the fields give, or false: a positive whole number within
    // the limits (one field), or two positive whole numbers "WxH".
    bool CheckInput(std::wstring& value) const;
    // Hands a good value to the target row and hides; a bad one beeps and
    // the dialog stays. True when the row got a value.
    bool OnOK();
    void Hide();
    void FocusFirstField();

    CEditUI* GetEdit() const { return m_edit; }
    CEditUI* GetWidthEdit() const { return m_widthEdit; }
    CEditUI* GetHeightEdit() const { return m_heightEdit; }

private:
    class CActivationFilter;

    CControlUI* m_target = nullptr;
    CEditUI* m_edit = nullptr;
    CEditUI* m_widthEdit = nullptr;
    CEditUI* m_heightEdit = nullptr;
    int m_minimum = -1;
    int m_maximum = -1;
    int m_form = kOneField;
    bool m_even = false;
    CActivationFilter* m_filter = nullptr;
};
