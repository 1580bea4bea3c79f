// One row of the profile parameter editor, built from a row template
// ("prop_edit.xml", "prop_textbtn.xml", "prop_timeedit.xml", "prop_range.xml",
// "prop_combo.xml", "prop_combobtn.xml", "prop_checkbox.xml"). The row finds
// the sub-controls its template holds (any subset), turns their events into
// the editor's notifications and offers the value operations the editor uses.
//
// Notifications (sender = the row, synchronous):
//   "prop_combo_changed" wParam new index: the combo changed from a selection
//   "prop_checked"       the check box changed
//   "prop_killfocus"     a value field was left with acceptable content
//   "prop_custom_show"   the combo button was pressed
//   "prop_textbtn"       the text button was pressed
//   "prop_custom_add"    wParam the new entry's index: a user value was added
#pragma once
#include "ui/UILib.h"

#include <string>

class CTimeEditUI;

class CPropListItemUI : public CListContainerElementUI {
public:
    explicit CPropListItemUI(CPaintManagerUI* manager);

    std::wstring GetClass() const override;
    void* GetInterface(const std::wstring& name) override;
    void DoInit() override;
    void DoEvent(TEventUI& event) override;

    // The row's own visibility (IsVisible also counts hidden ancestors).
    void SetVisible(bool visible = true) override;
    bool IsShown() const { return m_shown; }

    const std::string& GetKey() const { return m_key; }
    void SetKey(std::string key) { m_key = std::move(key); }

    // The text value (edit): setting it also keeps it as the saved text.
    void SetValueText(const std::wstring& text);
    std::wstring GetValueText() const;
    void SetValueToolTip(const std::wstring& text);
    std::wstring GetNameText() const;
    void SetNameText(const std::wstring& text);
    void SetCheckBoxText(const std::wstring& text);
    std::wstring GetComboText() const;

    // Enables or disables the value controls (the row itself stays as it is).
    void SetValueEnabled(bool enabled);
    // The text button alone (the output folder's browse button).
    void SetTextButtonEnabled(bool enabled);

    // Combo: -1 without a combo.
    int GetCurSel() const;
    // Entries of the combo (the row's own GetCount counts its controls).
    int GetValueCount() const;
    std::wstring GetEntryText(int index) const;
    // Selects that entry; the combo reports the change.
    bool SelectIndex(int index);
    // Selects the first entry with that text; false when there is none.
    bool SelectValue(const std::wstring& text);
    int FindValue(const std::wstring& text) const;
    void ClearValues();
    // Appends an entry; a removable one carries a "Remove" button. The new
    // entry's index, -1 without a combo.
    int AddValue(const std::wstring& text, bool removable);
    // An equal entry is only selected (its index returned); otherwise a
    // removable entry is appended and "prop_custom_add" sent with its index.
    int AddUserValue(const std::wstring& text);
    // Drops the first entry with that text, then appends it as removable.
    int ReplaceWithUserValue(const std::wstring& text);
    bool RemoveValueAt(int index);

    void SetTicked(bool ticked);
    bool IsTicked() const;

    // Time row: the time shown and its upper limit (0 leaves the limit).
    void SetTime(int ms);
    int GetTime() const;
    void SetTimeLimit(int ms);

    // Range row: allowed chapters and the two fields ("%02d").
    void SetRangeLimits(int minimum, int maximum);
    void SetRangeFrom(int n);
    void SetRangeTo(int n);
    int GetRangeFrom() const;
    int GetRangeTo() const;

    // Limits handed to the custom-value dialog (empty: none).
    void SetLimits(const std::wstring& minimum, const std::wstring& maximum);
    const std::wstring& GetMinimum() const { return m_minimum; }
    const std::wstring& GetMaximum() const { return m_maximum; }

    CLabelUI* GetNameLabel() const { return m_nameLabel; }
    CEditUI* GetTextControl() const { return m_textValue; }
    CTimeEditUI* GetTimeControl() const { return m_timeValue; }
    CComboUI* GetCombo() const { return m_combo; }
    CControlUI* GetComboButton() const { return m_comboButton; }
    CControlUI* GetTextButton() const { return m_textButton; }
    COptionUI* GetCheckBox() const { return m_checkBox; }
    CEditUI* GetRangeFromControl() const { return m_rangeFrom; }
    CEditUI* GetRangeToControl() const { return m_rangeTo; }

    // The content check run when a value field loses the focus: true when
    // it passes (a failing field is put back).
    bool CheckRange();
    bool CheckText();

private:
    bool OnSubEvent(void* param);
    bool OnSubNotify(void* param);
    void Send(const wchar_t* type, WPARAM wParam = 0, LPARAM lParam = 0);

    CPaintManagerUI* m_pManager;
    std::string m_key;
    CLabelUI* m_nameLabel = nullptr;
    CLabelUI* m_checkBoxLabel = nullptr;
    CEditUI* m_textValue = nullptr;
    CEditUI* m_rangeFrom = nullptr;
    CEditUI* m_rangeTo = nullptr;
    CTimeEditUI* m_timeValue = nullptr;
    CComboUI* m_combo = nullptr;
    CControlUI* m_comboButton = nullptr;
    CControlUI* m_textButton = nullptr;
    COptionUI* m_checkBox = nullptr;
    std::wstring m_minimum;
    std::wstring m_maximum;
    std::wstring m_savedText;
    bool m_shown = true;
    int m_rangeMin = 1;
    int m_rangeMax = 1;
};
