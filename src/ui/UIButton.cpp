#include "ui/UIButton.h"
#include "ui/UIManager.h"
#include "ui/UIRender.h"
#include <QPainter>
#include <QPen>

CButtonUI::CButtonUI()
{
    m_textStyle = DT_SINGLELINE | DT_VCENTER | DT_CENTER;
}

std::wstring CButtonUI::GetClass() const { return L"ButtonUI"; }

void* CButtonUI::GetInterface(const std::wstring& name)
{
    return ControlInterface<CLabelUI>(this, name, L"Button");
}

UINT CButtonUI::GetControlFlags() const
{
    return (IsKeyboardEnabled() ? UIFLAG_TABSTOP : 0) | (IsEnabled() ? UIFLAG_SETCURSOR : 0);
}

bool CButtonUI::Activate()
{
    if (!CControlUI::Activate()) return false;
    if (m_manager) m_manager->SendNotify(this, DUI_MSGTYPE_CLICK);
    return true;
}

void CButtonUI::SetEnabled(bool enabled)
{
    CControlUI::SetEnabled(enabled);
    if (!enabled) m_buttonState = 0;
}

void CButtonUI::DoEvent(TEventUI& event)
{
    if (ForwardDisabledMouseEvent(event)) return;
    switch (event.Type) {
    case UIEVENT_SETFOCUS:
    case UIEVENT_KILLFOCUS:
        CLabelUI::DoEvent(event);
        Invalidate();
        return;
    case UIEVENT_KEYDOWN:
        if (IsKeyboardEnabled() && (event.chKey == VK_SPACE || event.chKey == VK_RETURN)) {
            Activate();
            return;
        }
        break;
    case UIEVENT_BUTTONDOWN:
    case UIEVENT_DBLCLICK:
        if (PtInRect(m_rcItem, event.ptMouse) && IsEnabled()) {
            m_buttonState |= UISTATE_PUSHED | UISTATE_CAPTURED;
            Invalidate();
        }
        return;
    case UIEVENT_MOUSEMOVE:
        if (m_buttonState & UISTATE_CAPTURED) {
            if (PtInRect(m_rcItem, event.ptMouse)) m_buttonState |= UISTATE_PUSHED;
            else m_buttonState &= ~UISTATE_PUSHED;
            Invalidate();
        }
        return;
    case UIEVENT_BUTTONUP:
        if (m_buttonState & UISTATE_CAPTURED) {
            bool inside = PtInRect(m_rcItem, event.ptMouse);
            m_buttonState &= ~(UISTATE_PUSHED | UISTATE_CAPTURED);
            Invalidate();
            if (inside) Activate();
        }
        return;
    case UIEVENT_MOUSEENTER:
        if (IsEnabled()) {
            m_buttonState |= UISTATE_HOT;
            Invalidate();
        }
        return;
    case UIEVENT_MOUSELEAVE:
        if (IsEnabled()) {
            m_buttonState &= ~UISTATE_HOT;
            Invalidate();
        }
        return;
    case UIEVENT_SETCURSOR:
        if (m_manager) m_manager->SetCursor(IDC_HAND);
        return;
    default:
        break;
    }
    CLabelUI::DoEvent(event);
}

void CButtonUI::SetAttribute(const std::wstring& name, const std::wstring& value)
{
    if (name == L"normalimage") SetNormalImage(value);
    else if (name == L"hotimage") SetHotImage(value);
    else if (name == L"pushedimage") SetPushedImage(value);
    else if (name == L"focusedimage") SetFocusedImage(value);
    else if (name == L"disabledimage") SetDisabledImage(value);
    else if (name == L"hottextcolor") m_hotTextColor = ParseColor(value);
    else if (name == L"pushedtextcolor") m_pushedTextColor = ParseColor(value);
    else if (name == L"focusedtextcolor") m_focusedTextColor = ParseColor(value);
    else if (name == L"hotbkcolor") m_hotBkColor = ParseColor(value);
    else CLabelUI::SetAttribute(name, value);
}

void CButtonUI::PaintText(QPainter& painter)
{
    if (m_text.empty()) return;
    DWORD color = m_textColor;
    if ((m_buttonState & UISTATE_PUSHED) && m_pushedTextColor) color = m_pushedTextColor;
    else if ((m_buttonState & UISTATE_HOT) && m_hotTextColor) color = m_hotTextColor;
    else if (m_focused && m_focusedTextColor) color = m_focusedTextColor;
    CRenderEngine::DrawText(painter, m_manager, TextRect(), m_text, EffectiveTextColor(color), m_font, m_textStyle | TextMarks());
}

void CButtonUI::PaintStatusImage(QPainter& painter)
{
    if (!IsEnabled()) {
        if (!m_disabledImage.empty() && DrawImage(painter, m_disabledImage)) return;
        // Without its own picture a disabled button shows the normal one faded.
        if (!m_normalImage.empty()) DrawImage(painter, m_normalImage, L"fade='90'");
        return;
    } else if (m_buttonState & UISTATE_PUSHED) {
        if (!m_pushedImage.empty() && DrawImage(painter, m_pushedImage)) return;
    } else if (m_buttonState & UISTATE_HOT) {
        if (m_hotBkColor) CRenderEngine::DrawColor(painter, m_rcPaint, m_hotBkColor);
        if (!m_hotImage.empty() && DrawImage(painter, m_hotImage)) return;
    } else if (m_focused) {
        if (!m_focusedImage.empty() && DrawImage(painter, m_focusedImage)) return;
    }
    if (!m_normalImage.empty()) DrawImage(painter, m_normalImage);
}

COptionUI::~COptionUI()
{
    if (m_manager && !m_group.empty() && !CDetachedDestroyScope::Active()) m_manager->RemoveOptionGroup(m_group, this);
}

std::wstring COptionUI::GetClass() const { return L"OptionUI"; }

void* COptionUI::GetInterface(const std::wstring& name)
{
    return ControlInterface<CButtonUI>(this, name, L"Option");
}

void COptionUI::SetManager(CPaintManagerUI* manager, CControlUI* parent, bool init)
{
    if (m_manager && m_manager != manager && !m_group.empty()) m_manager->RemoveOptionGroup(m_group, this);
    CButtonUI::SetManager(manager, parent, init);
    if (manager && !m_group.empty()) manager->AddOptionGroup(m_group, this);
}

void COptionUI::SetGroup(const std::wstring& group)
{
    if (group == m_group) return;
    if (m_manager && !m_group.empty()) m_manager->RemoveOptionGroup(m_group, this);
    m_group = group;
    if (m_manager && !m_group.empty()) m_manager->AddOptionGroup(m_group, this);
    Selected(m_selected, false);
}

bool COptionUI::Activate()
{
    if (!CButtonUI::Activate()) return false;
    if (!m_group.empty()) Selected(true);
    else Selected(!m_selected);
    return true;
}

void COptionUI::Selected(bool selected, bool triggerEvent)
{
    if (m_selected == selected) return;
    m_selected = selected;
    if (m_selected) m_buttonState |= UISTATE_SELECTED;
    else m_buttonState &= ~UISTATE_SELECTED;
    if (m_manager) {
        if (!m_group.empty()) {
            if (m_selected) {
                if (const auto* group = m_manager->GetOptionGroup(m_group)) {
                    std::vector<CControlUI*> members = *group;
                    for (CControlUI* c : members)
                        if (c != this) static_cast<COptionUI*>(c)->Selected(false, triggerEvent);
                }
                if (triggerEvent) m_manager->SendNotify(this, DUI_MSGTYPE_SELECTCHANGED);
            }
        } else if (triggerEvent) {
            m_manager->SendNotify(this, DUI_MSGTYPE_SELECTCHANGED);
        }
    }
    Invalidate();
}

void COptionUI::SetAttribute(const std::wstring& name, const std::wstring& value)
{
    if (name == L"group") SetGroup(value);
    else if (name == L"selected") Selected(ParseBool(value), false);
    else if (name == L"selectedimage") { m_selectedImage = value; Invalidate(); }
    else if (name == L"selectedhotimage") { m_selectedHotImage = value; Invalidate(); }
    else if (name == L"selectedtextcolor") m_selectedTextColor = ParseColor(value);
    else if (name == L"selectedbkcolor") m_selectedBkColor = ParseColor(value);
    else CButtonUI::SetAttribute(name, value);
}

bool COptionUI::DrawsOwnMark() const
{
    return !m_group.empty() && m_normalImage.empty() && m_selectedImage.empty() && !m_selectedBkColor;
}

QRectF COptionUI::MarkRect() const
{
    const int size = CPaintManagerUI::Scale(kBoxSize);
    const int left = m_rcItem.left + m_rcTextPadding.left + 1;
    const int top = (m_rcItem.top + m_rcItem.bottom - size) / 2;
    return QRectF(left + 0.5, top + 0.5, size - 1, size - 1);
}

void COptionUI::PaintStatusImage(QPainter& painter)
{
    if (DrawsOwnMark()) {
        CRenderEngine::DrawRadioMark(painter, MarkRect(), m_selected, (m_buttonState & UISTATE_HOT) != 0, IsEnabled());
        return;
    }
    if (m_selected) {
        if (m_selectedBkColor) CRenderEngine::DrawColor(painter, m_rcPaint, m_selectedBkColor);
        if ((m_buttonState & UISTATE_HOT) && !m_selectedHotImage.empty() && DrawImage(painter, m_selectedHotImage)) return;
        if (!m_selectedImage.empty() && DrawImage(painter, m_selectedImage)) return;
    }
    CButtonUI::PaintStatusImage(painter);
}

void COptionUI::PaintTextBesideMark(QPainter& painter)
{
    if (m_text.empty()) return;
    RECT rc = TextRect();
    rc.left += CPaintManagerUI::Scale(kBoxSize + kBoxGap);
    DWORD color = m_selected && m_selectedTextColor ? m_selectedTextColor : m_textColor;
    // The text stands right beside its mark, whatever the alignment.
    const UINT style = (m_textStyle & ~static_cast<UINT>(DT_CENTER | DT_RIGHT)) | DT_LEFT | TextMarks();
    CRenderEngine::DrawText(painter, m_manager, rc, m_text, EffectiveTextColor(color), m_font, style);
}

void COptionUI::PaintText(QPainter& painter)
{
    if (DrawsOwnMark()) {
        PaintTextBesideMark(painter);
        return;
    }
    if (m_selected && m_selectedTextColor && !m_text.empty()) {
        CRenderEngine::DrawText(painter, m_manager, TextRect(), m_text, EffectiveTextColor(m_selectedTextColor), m_font,
                                m_textStyle | TextMarks());
        return;
    }
    CButtonUI::PaintText(painter);
}

SIZE COptionUI::EstimateSize(SIZE available)
{
    SIZE size = CButtonUI::EstimateSize(available);
    if (DrawsOwnMark() && m_autoCalcWidth) size.cx += CPaintManagerUI::Scale(kBoxSize + kBoxGap);
    return size;
}

std::wstring CCheckBoxUI::GetClass() const { return L"CheckBoxUI"; }

void* CCheckBoxUI::GetInterface(const std::wstring& name)
{
    return ControlInterface<COptionUI>(this, name, L"CheckBox");
}

void CCheckBoxUI::PaintStatusImage(QPainter& painter)
{
    if (!DrawsOwnBox()) {
        COptionUI::PaintStatusImage(painter);
        return;
    }
    if (m_selected && m_selectedBkColor) CRenderEngine::DrawColor(painter, m_rcPaint, m_selectedBkColor);
    CRenderEngine::DrawCheckMark(painter, MarkRect(), m_selected, (m_buttonState & UISTATE_HOT) != 0, IsEnabled());
}
