#include "ui/UIOverlapButton.h"
#include "ui/UIManager.h"
#include "ui/UIRender.h"
#include "platform/text.h"
#include <QImage>
#include <QPainter>
#include <cwchar>

namespace {
// "bkimage3" with prefix "bkimage" gives 3; -1 when the rest is no number.
int IndexAfter(const std::wstring& name, const wchar_t* prefix)
{
    const size_t n = std::wcslen(prefix);
    if (name.size() <= n || name.compare(0, n, prefix) != 0 || name.size() - n > 4) return -1;
    int v = 0;
    for (size_t i = n; i < name.size(); ++i) {
        if (name[i] < L'0' || name[i] > L'9') return -1;
        v = v * 10 + (name[i] - L'0');
    }
    return v;
}
}  // namespace

std::wstring COverlapButton::GetClass() const { return L"OverlapButtonUI"; }

void* COverlapButton::GetInterface(const std::wstring& name)
{
    return ControlInterface<CControlUI>(this, name, L"OverlapButton");
}

bool COverlapButton::GetTextAttribute(const std::wstring& name, std::wstring& value) const
{
    const int i = IndexAfter(name, L"text");
    if (i < 0) return CControlUI::GetTextAttribute(name, value);
    auto it = m_buttons.find(i);
    value = it == m_buttons.end() ? std::wstring() : it->second.text;
    return true;
}

void COverlapButton::SetAttribute(const std::wstring& name, const std::wstring& value)
{
    int i;
    if ((i = IndexAfter(name, L"bkimage")) >= 0) m_buttons[i].image = value;
    else if ((i = IndexAfter(name, L"mouseonbkimage")) >= 0) m_buttons[i].hotImage = value;
    else if ((i = IndexAfter(name, L"textpadding")) >= 0) m_buttons[i].textPadding = CPaintManagerUI::Scale(ParseRect(value));
    else if ((i = IndexAfter(name, L"text")) >= 0) m_buttons[i].text = value;
    else if (name == L"font") m_font = static_cast<int>(std::wcstol(value.c_str(), nullptr, 10));
    else if (name == L"checkedfont") m_checkedFont = static_cast<int>(std::wcstol(value.c_str(), nullptr, 10));
    else if (name == L"textcolor") m_textColor = ParseColor(value);
    else if (name == L"checkedtextcolor") m_checkedTextColor = ParseColor(value);
    else if (name == L"tags") SetButtonCount(static_cast<int>(std::wcstol(value.c_str(), nullptr, 10)));
    else if (name == L"bannerheight") m_bannerHeight = static_cast<int>(std::wcstol(value.c_str(), nullptr, 10));
    else {
        CControlUI::SetAttribute(name, value);
        return;
    }
    Invalidate();
}

RECT COverlapButton::ButtonRect(int index) const
{
    if (m_count <= 0 || index < 0 || index >= m_count) return RECT();
    const long width = GetWidth();
    return MakeRect(m_rcItem.left + static_cast<LONG>(index * width / m_count), m_rcItem.top,
                    m_rcItem.left + static_cast<LONG>((index + 1) * width / m_count), m_rcItem.bottom);
}

int COverlapButton::ButtonAt(POINT pt) const
{
    if (m_count <= 0 || !PtInRect(m_rcItem, pt)) return -1;
    for (int i = 0; i < m_count; ++i)
        if (PtInRect(ButtonRect(i), pt)) return i;
    return -1;
}

void COverlapButton::Event(TEventUI& event)
{
    switch (event.Type) {
    case UIEVENT_MOUSEMOVE:
        if (IsEnabled()) {
            int hot = ButtonAt(event.ptMouse);
            if (hot != m_hotIndex) {
                m_hotIndex = hot;
                Invalidate();
            }
        }
        break;
    case UIEVENT_MOUSEENTER:
        m_buttonState |= UISTATE_HOT;
        m_hotIndex = ButtonAt(event.ptMouse);
        Invalidate();
        break;
    case UIEVENT_MOUSELEAVE:
        m_buttonState &= ~UISTATE_HOT;
        m_hotIndex = -1;
        Invalidate();
        break;
    case UIEVENT_BUTTONDOWN:
    case UIEVENT_DBLCLICK:
        if (IsEnabled() && PtInRect(m_rcItem, event.ptMouse)) {
            // Without a button under the mouse (none at all) nothing is pressed.
            int pressed = ButtonAt(event.ptMouse);
            if (pressed >= 0) {
                m_buttonState |= UISTATE_PUSHED | UISTATE_CAPTURED;
                m_selectedIndex = pressed;
                Invalidate();
                if (m_manager) m_manager->SendNotify(this, L"overlap_buttondown", 0, 0);
            }
        }
        break;
    case UIEVENT_BUTTONUP:
        m_buttonState &= ~(UISTATE_PUSHED | UISTATE_CAPTURED);
        Invalidate();
        break;
    case UIEVENT_SETFOCUS:
        m_buttonState |= UISTATE_FOCUSED;
        break;
    case UIEVENT_KILLFOCUS:
        m_buttonState &= ~UISTATE_FOCUSED;
        break;
    default:
        break;
    }
    CControlUI::Event(event);
}

void COverlapButton::PaintStatusImage(QPainter& painter)
{
    const int banner = CPaintManagerUI::Scale(m_bannerHeight);
    for (int i = 0; i < m_count; ++i) {
        auto it = m_buttons.find(i);
        if (it == m_buttons.end()) continue;
        const TButton& b = it->second;
        const bool hot = i == m_hotIndex && (m_buttonState & UISTATE_HOT);
        const std::wstring& image = hot && !b.hotImage.empty() ? b.hotImage : b.image;
        if (image.empty()) continue;
        std::wstring modify;
        if (banner > 0 && m_manager) {
            if (const QImage* img = m_manager->GetImage(ParseImageString(image).file))
                modify = FormatW(L"source='0,%d,%d,%d'", 0, img->width(), banner);
        }
        CRenderEngine::DrawImageString(painter, m_manager, ButtonRect(i), m_rcPaint, image, modify);
    }
}

void COverlapButton::PaintText(QPainter& painter)
{
    for (int i = 0; i < m_count; ++i) {
        auto it = m_buttons.find(i);
        if (it == m_buttons.end() || it->second.text.empty()) continue;
        const TButton& b = it->second;
        RECT cell = ButtonRect(i);
        RECT rc = MakeRect(cell.left + b.textPadding.left, cell.top + b.textPadding.top, cell.right - b.textPadding.right,
                           cell.bottom - b.textPadding.bottom);
        const bool checked = i == m_selectedIndex;
        DWORD colour = checked && m_checkedTextColor ? m_checkedTextColor : m_textColor;
        if (!colour) colour = m_manager ? m_manager->GetDefaultFontColor() : 0xFF000000;
        CRenderEngine::DrawText(painter, m_manager, rc, b.text, colour, checked ? m_checkedFont : m_font,
                                DT_SINGLELINE | DT_CENTER | DT_VCENTER | DT_HIDEPREFIX);
    }
}
