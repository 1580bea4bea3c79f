#include "CustomOptDlgUI.h"

#include "PropListItemUI.h"
#include "VXMGlobal.h"
#include "VXMSettings.h"
#include "platform/text.h"

#include <QApplication>
#include <QEvent>
#include <QObject>
#include <QWidget>

#include <cwctype>

namespace {

// A positive whole number written with digits only (blanks around allowed);
// 0 for anything else, or for a number beyond 32 bits.
int PositiveWholeNumber(const std::wstring& text)
{
    size_t begin = 0, end = text.size();
    while (begin < end && std::iswspace(static_cast<wint_t>(text[begin]))) ++begin;
    while (end > begin && std::iswspace(static_cast<wint_t>(text[end - 1]))) --end;
    if (begin == end) return 0;
    long long n = 0;
    for (size_t i = begin; i < end; ++i) {
        if (text[i] < L'0' || text[i] > L'9') return 0;
        n = n * 10 + (text[i] - L'0');
        if (n > 0x7FFFFFFFLL) return 0;
    }
    return static_cast<int>(n);
}

}  // namespace

// Deactivation of the pop-up (a click elsewhere) reaches the window as
// WM_ACTIVATE with WA_INACTIVE.
class CCustomOptDlgUI::CActivationFilter : public QObject {
public:
    explicit CActivationFilter(CCustomOptDlgUI* dialog) : m_dialog(dialog) {}
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::WindowDeactivate && m_dialog && m_dialog->GetHWND())
            m_dialog->DeliverMessage(WM_ACTIVATE, WA_INACTIVE, 0);
        return QObject::eventFilter(watched, event);
    }
    CCustomOptDlgUI* m_dialog;
};

CCustomOptDlgUI::CCustomOptDlgUI() : WindowImplBase(L"VXMCustomOptDlg", L"dlg_custom_opt.xml") {}

CCustomOptDlgUI::~CCustomOptDlgUI()
{
    if (m_filter) {
        m_filter->m_dialog = nullptr;
        m_filter->deleteLater();
    }
}

void CCustomOptDlgUI::InitWindow()
{
    const std::wstring skinDir = CVXMSettings::GetInstance()->SkinDir;
    m_PaintManager.AddDefaultAttributeList(L"ImageFolder", JoinPath(JoinPath(GetProgramFolder(), L"skin"), skinDir));
    m_PaintManager.UpdateUI();
    m_edit = dynamic_cast<CEditUI*>(m_PaintManager.FindControl(L"ID_EDIT_CUSTOM_OPT"));
    m_widthEdit = dynamic_cast<CEditUI*>(m_PaintManager.FindControl(L"ID_EDIT_CUSTOM_OPT_1"));
    m_heightEdit = dynamic_cast<CEditUI*>(m_PaintManager.FindControl(L"ID_EDIT_CUSTOM_OPT_2"));
    if (QWidget* widget = GetWidget()) {
        m_filter = new CActivationFilter(this);
        widget->installEventFilter(m_filter);
    }
}

void CCustomOptDlgUI::Notify(TNotifyUI& msg)
{
    if (msg.sType == DUI_MSGTYPE_WINDOWINIT) return;
    const std::wstring name = msg.pSender ? msg.pSender->GetName() : std::wstring();
    if (msg.sType == DUI_MSGTYPE_CLICK) {
        if (name == L"ID_BUTTON_CUSTOM_OPT_OK") OnOK();
        else if (name == L"ID_BUTTON_CUSTOM_OPT_CANCEL") Hide();
        return;
    }
    if (msg.sType == DUI_MSGTYPE_RETURN && msg.pSender == m_edit) {
        OnOK();
        return;
    }
    WindowImplBase::Notify(msg);
}

LRESULT CCustomOptDlgUI::ResponseDefaultKeyEvent(WPARAM wParam)
{
    if (wParam == VK_RETURN) {
        OnOK();
        return TRUE;
    }
    if (wParam == VK_ESCAPE) {
        Hide();
        return TRUE;
    }
    return FALSE;
}

LRESULT CCustomOptDlgUI::HandleCustomMessage(UINT uMsg, WPARAM wParam, LPARAM, BOOL& bHandled)
{
    if (uMsg == WM_ACTIVATE && LOWORD(wParam) == WA_INACTIVE) {
        Hide();
        bHandled = TRUE;
        return 0;
    }
    bHandled = FALSE;
    return 0;
}

void CCustomOptDlgUI::SetForm(int form, bool even)
{
    m_form = form;
    m_even = even;
    if (CControlUI* two = m_PaintManager.FindControl(L"ID_LAYOUT_OPT_NUMxNUM")) two->SetVisible(form == kTwoFields);
    if (CControlUI* one = m_PaintManager.FindControl(L"ID_LAYOUT_OPT_NUM")) one->SetVisible(form == kOneField);
}

void CCustomOptDlgUI::SetOptionName(const std::wstring& name)
{
    if (CControlUI* label = m_PaintManager.FindControl(L"ID_LABEL_CUSTOM_OPT"))
        label->SetText(CLanguageManager::GetInstance()->FormatString(173, name.c_str()));
}

void CCustomOptDlgUI::SetOptionLimit(const std::wstring* minimum, const std::wstring* maximum)
{
    const bool hasMin = minimum && !minimum->empty();
    const bool hasMax = maximum && !maximum->empty();
    // A side the row does not bound is unbounded here too, whatever the
    // previous row set.
    m_minimum = hasMin ? PositiveWholeNumber(*minimum) : -1;
    m_maximum = hasMax ? PositiveWholeNumber(*maximum) : -1;
    if (hasMin && m_minimum == 0) m_minimum = -1;
    if (hasMax && m_maximum == 0) m_maximum = -1;
    CControlUI* label = m_PaintManager.FindControl(L"ID_LABEL_CUSTOM_OPT_LIMIT");
    if (!label) return;
    if (!hasMin && !hasMax) {
        label->SetText(std::wstring());
        return;
    }
    label->SetText(FormatW(L"[%ls - %ls]", hasMin ? minimum->c_str() : L" ", hasMax ? maximum->c_str() : L" "));
}

bool CCustomOptDlgUI::CheckInput(std::wstring& value) const
{
    if (m_form == kOneField && m_edit) {
        int n = PositiveWholeNumber(m_edit->GetText());
        if (n <= 0) return false;
        if (m_minimum != -1 && n < m_minimum) return false;
        if (m_maximum != -1 && n > m_maximum) return false;
        if (m_even && n % 2 != 0) {
            if (m_maximum != -1 && n + 1 > m_maximum) {
                if (n - 1 <= 0 || (m_minimum != -1 && n - 1 < m_minimum)) return false;
                n -= 1;
            } else {
                n += 1;
            }
        }
        value = FormatW(L"%d", n);
        return true;
    }
    if (m_form == kTwoFields && m_widthEdit && m_heightEdit) {
        int width = PositiveWholeNumber(m_widthEdit->GetText());
        int height = PositiveWholeNumber(m_heightEdit->GetText());
        if (width <= 0 || height <= 0) return false;
        if (m_even) {
            if (width % 2 != 0 && width < 0x7FFFFFFF) ++width;
            if (height % 2 != 0 && height < 0x7FFFFFFF) ++height;
        }
        value = FormatW(L"%dx%d", width, height);
        return true;
    }
    return false;
}

bool CCustomOptDlgUI::OnOK()
{
    auto* row = m_target ? dynamic_cast<CPropListItemUI*>(m_target) : nullptr;
    if (!row) return false;
    std::wstring value;
    if (!CheckInput(value)) {
        QApplication::beep();
        return false;
    }
    const int index = row->AddUserValue(value);
    if (index >= 0) row->SelectIndex(index);
    Hide();
    return true;
}

void CCustomOptDlgUI::Hide() { ShowWindow(false, false); }

void CCustomOptDlgUI::FocusFirstField()
{
    CEditUI* first = m_form == kTwoFields ? m_widthEdit : m_edit;
    if (first) first->SetFocus();
}
