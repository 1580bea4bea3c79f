// One parameter item of an output profile: current value, allowed values,
// presentation hints, and the limits other items of the profile impose on it.
#pragma once
#include <string>
#include <string_view>
#include <vector>

#include "IProfile.h"
#include "ProfileRecords.h"

class COutputProfile;

enum PROFILE_ITEM_FLAG : int {
    PROFILE_ITEM_VISIBLE = 1,
    PROFILE_ITEM_READONLY = 2,
    PROFILE_ITEM_EDITABLE = 4,
};

// The runtime's _wtoi without its overflow: blanks, sign, digits; 0 when none.
int ProfileWToI(std::wstring_view text);

// What a copy of an item takes: values, lists and hints.
struct _OUTPUT_AV_PARAMETER_VALUES {
    int m_nFlags = 0;
    std::wstring m_strName;
    std::wstring m_strDesc;
    std::wstring m_strValue;
    std::wstring m_strEditMask;
    std::wstring m_strEditTemplate;
    std::wstring m_strValidChars;
    std::vector<std::wstring> m_lstValues;
    int m_nMaxChars = 0;
    std::wstring m_strMaxValue;
    std::wstring m_strMinValue;
    int m_nH264Profile = 77;
    std::wstring m_strDefault;
};

struct _OUTPUT_AV_PARAMETER_ITEM : public IProfileItem, public _OUTPUT_AV_PARAMETER_VALUES {
    _OUTPUT_AV_PARAMETER_ITEM() = default;
    // A copy takes values, lists and hints, but no installed limits.
    _OUTPUT_AV_PARAMETER_ITEM(const _OUTPUT_AV_PARAMETER_ITEM& other);
    _OUTPUT_AV_PARAMETER_ITEM& operator=(const _OUTPUT_AV_PARAMETER_ITEM& other);
    ~_OUTPUT_AV_PARAMETER_ITEM() = default;

    int IsVisible() const override;
    int IsReadOnly() const override;
    int IsEditable() override;
    std::wstring GetName() const override { return m_strName; }
    std::wstring GetDesc() const override { return m_strDesc; }
    std::wstring GetValue() const override { return m_strValue; }
    std::wstring GetEditMask() const override { return m_strEditMask; }
    std::wstring GetEditTemplate() const override { return m_strEditTemplate; }
    std::wstring GetValidChars() const override { return m_strValidChars; }
    int GetValueCount() override;
    std::wstring GetValueAt(unsigned index) override;
    int GetMaxChars() const override { return m_nMaxChars; }
    std::wstring GetMaxValue() const override { return m_strMaxValue; }
    std::wstring GetMinValue() const override { return m_strMinValue; }

    // Appends a value (no duplicate test); makeCurrent also makes it the
    // current and the default value.
    void AddValue(const std::wstring& text, bool makeCurrent);
    // The allowed value equal to text, appended first when missing.
    std::wstring FindOrAddValue(const std::wstring& text);
    // Rebuilds the limited list from the installed limits; may change the current value.
    void ApplyLimits();

    std::vector<_PROFILE_LIMIT> m_lstLimits;  // installed on this item, in installation order
    int m_nLimitsActive = 0;                  // 1 while this item's rule is installed on others
    std::wstring m_strActiveValue;
    _PROFILE_LIMIT_RULE m_ActiveRule;
    std::vector<std::wstring> m_lstLimited;
};

// Sets an item's value through the profile: trims and cuts it to the item's
// maximum characters (when set), adds it to the allowed values when missing,
// and brings the limits the item imposes up to date.
void SetItemValue(COutputProfile* profile, _OUTPUT_AV_PARAMETER_ITEM* item, const std::wstring& text);
// Removes the first allowed value equal to text: 1 when one was removed.
int RemoveItemValue(const std::wstring& text, _OUTPUT_AV_PARAMETER_ITEM* item);
