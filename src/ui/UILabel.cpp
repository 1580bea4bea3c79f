#include "ui/UILabel.h"
#include "ui/UIManager.h"
#include "ui/UIRender.h"

CLabelUI::CLabelUI() : m_textStyle(DT_VCENTER | DT_SINGLELINE) {}

std::wstring CLabelUI::GetClass() const { return L"LabelUI"; }

void* CLabelUI::GetInterface(const std::wstring& name)
{
    return ControlInterface<CControlUI>(this, name, L"Label");
}

void CLabelUI::SetTextStyle(UINT style) { m_textStyle = style; Invalidate(); }

void CLabelUI::SetText(const std::wstring& text)
{
    const bool resized = m_autoCalcWidth && text != m_text;
    CControlUI::SetText(text);
    if (resized) NeedParentUpdate();
}
void CLabelUI::SetTextColor(DWORD argb) { m_textColor = argb; Invalidate(); }
void CLabelUI::SetDisabledTextColor(DWORD argb) { m_disabledTextColor = argb; Invalidate(); }
void CLabelUI::SetFont(int index)
{
    m_font = index;
    Invalidate();
    if (m_autoCalcWidth) NeedParentUpdate();
}
void CLabelUI::SetTextPadding(const RECT& rc) { m_rcTextPadding = rc; Invalidate(); }

SIZE CLabelUI::EstimateSize(SIZE available)
{
    SIZE s = m_fixed;
    if (m_autoCalcWidth && m_fixed.cx == 0) {
        SIZE t = CRenderEngine::MeasureText(m_manager, m_text, m_font, m_textStyle | DT_SINGLELINE | TextMarks(), 0);
        s.cx = t.cx + m_rcTextPadding.left + m_rcTextPadding.right;
    }
    return s;
}

bool CLabelUI::IsTextCut() const
{
    if (m_text.empty() || !(m_textStyle & DT_SINGLELINE)) return false;
    const RECT rc = TextRect();
    return CRenderEngine::MeasureText(m_manager, m_text, m_font, m_textStyle | TextMarks(), 0).cx > rc.right - rc.left;
}

std::wstring CLabelUI::GetHoverTip() const
{
    if (!m_toolTip.empty()) return m_toolTip;
    if (!IsTextCut()) return std::wstring();
    return m_skinText ? WithoutMnemonicMarks(m_text) : m_text;
}

void CLabelUI::DoEvent(TEventUI& event)
{
    if (ForwardDisabledMouseEvent(event)) return;
    CControlUI::DoEvent(event);
}

void CLabelUI::SetAttribute(const std::wstring& name, const std::wstring& value)
{
    if (name == L"align") {
        m_textStyle &= ~(DT_LEFT | DT_CENTER | DT_RIGHT);
        if (value.find(L"center") != std::wstring::npos) m_textStyle |= DT_CENTER;
        else if (value.find(L"right") != std::wstring::npos) m_textStyle |= DT_RIGHT;
        else m_textStyle |= DT_LEFT;
        if (value.find(L"top") != std::wstring::npos) m_textStyle &= ~(DT_VCENTER | DT_BOTTOM);
        if (value.find(L"bottom") != std::wstring::npos) { m_textStyle &= ~DT_VCENTER; m_textStyle |= DT_BOTTOM; }
        if (value.find(L"vcenter") != std::wstring::npos) { m_textStyle &= ~DT_BOTTOM; m_textStyle |= DT_VCENTER; }
    } else if (name == L"valign") {
        m_textStyle &= ~(DT_VCENTER | DT_BOTTOM);
        if (value == L"vcenter" || value == L"center") m_textStyle |= DT_VCENTER;
        else if (value == L"bottom") m_textStyle |= DT_BOTTOM;
    } else if (name == L"endellipsis") {
        if (ParseBool(value)) m_textStyle |= DT_END_ELLIPSIS; else m_textStyle &= ~DT_END_ELLIPSIS;
    } else if (name == L"wordbreak" || name == L"multiline") {
        if (ParseBool(value)) { m_textStyle &= ~DT_SINGLELINE; m_textStyle |= DT_WORDBREAK; }
        else { m_textStyle |= DT_SINGLELINE; m_textStyle &= ~DT_WORDBREAK; }
    } else if (name == L"font") SetFont(static_cast<int>(std::wcstol(value.c_str(), nullptr, 10)));
    else if (name == L"textcolor") SetTextColor(ParseColor(value));
    else if (name == L"disabledtextcolor") SetDisabledTextColor(ParseColor(value));
    else if (name == L"textpadding") SetTextPadding(CPaintManagerUI::Scale(ParseRect(value)));
    else if (name == L"autocalcwidth") m_autoCalcWidth = ParseBool(value);
    else CControlUI::SetAttribute(name, value);
}

RECT CLabelUI::TextRect() const
{
    return MakeRect(m_rcItem.left + m_rcTextPadding.left, m_rcItem.top + m_rcTextPadding.top,
                    m_rcItem.right - m_rcTextPadding.right, m_rcItem.bottom - m_rcTextPadding.bottom);
}

DWORD CLabelUI::EffectiveTextColor(DWORD own) const
{
    if (!IsEnabled()) {
        if (m_disabledTextColor) return m_disabledTextColor;
        return m_manager ? m_manager->GetDefaultDisabledColor() : 0xFFA7A6AA;
    }
    if (own) return own;
    return m_manager ? m_manager->GetDefaultFontColor() : 0xFF000000;
}

void CLabelUI::PaintText(QPainter& painter)
{
    if (m_text.empty()) return;
    CRenderEngine::DrawText(painter, m_manager, TextRect(), m_text, EffectiveTextColor(m_textColor), m_font,
                            m_textStyle | TextMarks());
}

CTextUI::CTextUI()
{
    m_textStyle = DT_WORDBREAK;
}

std::wstring CTextUI::GetClass() const { return L"TextUI"; }

void* CTextUI::GetInterface(const std::wstring& name)
{
    return ControlInterface<CLabelUI>(this, name, L"Text");
}
