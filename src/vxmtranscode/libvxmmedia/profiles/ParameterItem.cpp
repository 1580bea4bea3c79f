// Parameter items: values, value lists and the limits that narrow them.
#include "ParameterItem.h"

#include <algorithm>
#include <limits>

#include "OutputProfile.h"
#include "VXMUtils.h"

namespace {

const wchar_t kVideoSizeName[] = L"Video Size";

bool Contains(const std::vector<std::wstring>& list, const std::wstring& value)
{
    return std::find(list.begin(), list.end(), value) != list.end();
}

// Width and height of a WxH text; a missing number reads as 0.
void ReadSize(const std::wstring& text, int& width, int& height)
{
    std::vector<std::wstring> parts;
    SplitString(parts, L"x", text);
    width = parts.size() > 0 ? ProfileWToI(parts[0]) : 0;
    height = parts.size() > 1 ? ProfileWToI(parts[1]) : 0;
}

}  // namespace

int ProfileWToI(std::wstring_view text)
{
    std::size_t i = 0;
    while (i < text.size() && (text[i] == L' ' || (text[i] >= L'\t' && text[i] <= L'\r')))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == L'+' || text[i] == L'-'))
        negative = text[i++] == L'-';
    long long value = 0;
    for (; i < text.size() && text[i] >= L'0' && text[i] <= L'9'; ++i) {
        value = value * 10 + (text[i] - L'0');
        if (value > std::numeric_limits<int>::max())
            return negative ? std::numeric_limits<int>::min() : std::numeric_limits<int>::max();
    }
    return static_cast<int>(negative ? -value : value);
}

_OUTPUT_AV_PARAMETER_ITEM::_OUTPUT_AV_PARAMETER_ITEM(const _OUTPUT_AV_PARAMETER_ITEM& other)
    : IProfileItem(), _OUTPUT_AV_PARAMETER_VALUES(other)
{
}

_OUTPUT_AV_PARAMETER_ITEM& _OUTPUT_AV_PARAMETER_ITEM::operator=(const _OUTPUT_AV_PARAMETER_ITEM& other)
{
    if (this == &other)
        return *this;
    static_cast<_OUTPUT_AV_PARAMETER_VALUES&>(*this) = other;
    // Limits point at items of the source profile: the copy starts without any.
    m_lstLimits.clear();
    m_nLimitsActive = 0;
    m_strActiveValue.clear();
    m_ActiveRule = _PROFILE_LIMIT_RULE{};
    m_lstLimited.clear();
    return *this;
}

int _OUTPUT_AV_PARAMETER_ITEM::IsVisible() const
{
    return m_nFlags & PROFILE_ITEM_VISIBLE;
}

int _OUTPUT_AV_PARAMETER_ITEM::IsReadOnly() const
{
    return m_nFlags & PROFILE_ITEM_READONLY;
}

int _OUTPUT_AV_PARAMETER_ITEM::IsEditable()
{
    if (!m_lstLimits.empty())
        return 0;
    m_lstLimited.clear();
    return m_nFlags & PROFILE_ITEM_EDITABLE;
}

int _OUTPUT_AV_PARAMETER_ITEM::GetValueCount()
{
    if (!m_lstLimits.empty())
        return static_cast<int>(m_lstLimited.size());
    m_lstLimited.clear();
    return static_cast<int>(m_lstValues.size());
}

std::wstring _OUTPUT_AV_PARAMETER_ITEM::GetValueAt(unsigned index)
{
    const std::vector<std::wstring>* list = &m_lstValues;
    if (!m_lstLimits.empty())
        list = &m_lstLimited;
    else
        m_lstLimited.clear();
    return index < list->size() ? (*list)[index] : std::wstring();
}

void _OUTPUT_AV_PARAMETER_ITEM::AddValue(const std::wstring& text, bool makeCurrent)
{
    m_lstValues.push_back(text);
    if (makeCurrent) {
        m_strValue = text;
        m_strDefault = text;
    }
}

std::wstring _OUTPUT_AV_PARAMETER_ITEM::FindOrAddValue(const std::wstring& text)
{
    if (!Contains(m_lstValues, text))
        m_lstValues.push_back(text);
    return text;
}

void _OUTPUT_AV_PARAMETER_ITEM::ApplyLimits()
{
    m_lstLimited = m_lstValues;
    for (const _PROFILE_LIMIT& limit : m_lstLimits) {
        if (limit.m_nKind == PROFILE_LIMIT_EQUAL) {
            std::vector<std::wstring> pieces;
            SplitString(pieces, L",", limit.m_strValue);
            std::erase_if(pieces, [](const std::wstring& p) { return p.empty(); });
            if (pieces.empty())
                continue;  // nothing allowed is named: the limit filters nothing
            std::erase_if(m_lstLimited, [&](const std::wstring& v) { return !Contains(pieces, v); });
            if (!Contains(pieces, m_strValue))
                m_strValue = pieces.front();
        } else if (limit.m_nKind == PROFILE_LIMIT_MAX) {
            if (m_strName == kVideoSizeName) {
                int maxWidth = 0, maxHeight = 0;
                ReadSize(limit.m_strValue, maxWidth, maxHeight);
                if (maxWidth <= 0 || maxHeight <= 0)
                    continue;  // not a WxH bound: it filters nothing
                std::erase_if(m_lstLimited, [&](const std::wstring& v) {
                    int w = 0, h = 0;
                    ReadSize(v, w, h);
                    return w > maxWidth || h > maxHeight;
                });
            } else {
                const int maximum = ProfileWToI(limit.m_strValue);
                std::erase_if(m_lstLimited, [&](const std::wstring& v) { return ProfileWToI(v) > maximum; });
            }
            if (!Contains(m_lstLimited, m_strValue))
                m_strValue = limit.m_strValue;
        }
        // A minimum stays installed (the item is limited) but filters nothing.
    }
}

void SetItemValue(COutputProfile* profile, _OUTPUT_AV_PARAMETER_ITEM* item, const std::wstring& text)
{
    if (!item)
        return;
    std::wstring value = text;
    if (item->m_nMaxChars > 0) {
        TrimLeft(TrimRight(value));
        if (value.size() > static_cast<std::size_t>(item->m_nMaxChars))
            value.resize(static_cast<std::size_t>(item->m_nMaxChars));
    }
    item->m_strValue = item->FindOrAddValue(value);
    if (profile)
        profile->EvaluateLimits(item);
}

int RemoveItemValue(const std::wstring& text, _OUTPUT_AV_PARAMETER_ITEM* item)
{
    if (!item)
        return 0;
    auto it = std::find(item->m_lstValues.begin(), item->m_lstValues.end(), text);
    if (it == item->m_lstValues.end())
        return 0;
    item->m_lstValues.erase(it);
    return 1;
}
