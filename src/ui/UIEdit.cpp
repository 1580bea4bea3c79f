#include "ui/UIEdit.h"
#include "ui/UIManager.h"
#include "ui/UIRender.h"
#include <QLineEdit>
#include <QPainter>
#include <QRegularExpressionValidator>
#include <QScrollBar>
#include <QTextEdit>
#include <QWidget>
#include <cwctype>

namespace {
// Hides, disconnects and frees a Qt editor; it may be inside one of its own
// signals, so the deletion is queued.
void DropEditor(QWidget* editor)
{
    if (!editor) return;
    QObject::disconnect(editor, nullptr, nullptr, nullptr);
    editor->hide();
    editor->deleteLater();
}
}  // namespace

CEditUI::CEditUI()
{
    m_textStyle = DT_VCENTER | DT_SINGLELINE;
    m_rcTextPadding = MakeRect(4, 0, 4, 0);
}

CEditUI::~CEditUI() { DropEditor(m_editor.data()); }

std::wstring CEditUI::GetClass() const { return L"EditUI"; }

void* CEditUI::GetInterface(const std::wstring& name)
{
    return ControlInterface<CLabelUI>(this, name, L"Edit");
}

UINT CEditUI::GetControlFlags() const { return IsEnabled() ? UIFLAG_TABSTOP | UIFLAG_SETCURSOR : 0; }

void CEditUI::SetText(const std::wstring& text)
{
    std::wstring t = text;
    if (m_maxChar > 0 && static_cast<int>(t.size()) > m_maxChar) t.resize(static_cast<size_t>(m_maxChar));
    CLabelUI::SetText(t);
    if (m_editor && m_editor->text().toStdWString() != t) m_editor->setText(QString::fromStdWString(t));
}

void CEditUI::SetReadOnly(bool readOnly)
{
    m_readOnly = readOnly;
    if (m_editor) m_editor->setReadOnly(readOnly);
}

void CEditUI::SetPasswordMode(bool password)
{
    m_password = password;
    if (m_editor) m_editor->setEchoMode(password ? QLineEdit::Password : QLineEdit::Normal);
    Invalidate();
}

void CEditUI::SetNumberOnly(bool numberOnly)
{
    m_numberOnly = numberOnly;
    if (m_editor) OpenEditor();
}

void CEditUI::SetMaxChar(int maxChar)
{
    m_maxChar = maxChar;
    if (m_editor) m_editor->setMaxLength(maxChar > 0 ? maxChar : 32767);
    SetText(m_text);
}

bool CEditUI::Accepts(wchar_t ch) const
{
    if (ch < 0x20 || ch == 0x7F) return false;
    if (m_numberOnly && !std::iswdigit(static_cast<wint_t>(ch))) return false;
    return m_maxChar <= 0 || static_cast<int>(m_text.size()) < m_maxChar;
}

void CEditUI::OpenEditor()
{
    QWidget* host = m_manager ? m_manager->GetHostWidget() : nullptr;
    if (!host) return;
    if (!m_editor) {
        m_editor = new QLineEdit(host);
        m_editor->setFrame(false);
        QObject::connect(m_editor.data(), &QLineEdit::textEdited, [this](const QString& text) { UserEdited(text.toStdWString()); });
        QObject::connect(m_editor.data(), &QLineEdit::returnPressed, [this] { SendReturn(); });
    }
    m_editor->setFont(m_manager->GetFont(m_font));
    m_editor->setReadOnly(m_readOnly);
    m_editor->setEchoMode(m_password ? QLineEdit::Password : QLineEdit::Normal);
    m_editor->setMaxLength(m_maxChar > 0 ? m_maxChar : 32767);
    if (m_numberOnly)
        m_editor->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), m_editor.data()));
    else
        m_editor->setValidator(nullptr);
    m_editor->setText(QString::fromStdWString(m_text));
    m_editor->setGeometry(ToQRect(TextRect()));
    m_editor->show();
    m_editor->setFocus(Qt::OtherFocusReason);
    m_editor->selectAll();
}

void CEditUI::CloseEditor()
{
    QLineEdit* editor = m_editor.data();
    m_editor.clear();
    DropEditor(editor);
    if (editor && m_manager && m_manager->GetHostWidget()) m_manager->GetHostWidget()->setFocus(Qt::OtherFocusReason);
    Invalidate();
}

void CEditUI::UserEdited(const std::wstring& text)
{
    CDispatchScope scope(m_manager);
    CLabelUI::SetText(text);
    if (m_manager) m_manager->SendNotify(this, DUI_MSGTYPE_TEXTCHANGED);
}

void CEditUI::SendReturn()
{
    CDispatchScope scope(m_manager);
    if (m_editor) CLabelUI::SetText(m_editor->text().toStdWString());
    if (m_manager) m_manager->SendNotify(this, DUI_MSGTYPE_RETURN);
}

void CEditUI::SetPos(RECT rc, bool needInvalidate)
{
    CLabelUI::SetPos(rc, needInvalidate);
    if (m_editor) m_editor->setGeometry(ToQRect(TextRect()));
}

void CEditUI::SetEnabled(bool enabled)
{
    CLabelUI::SetEnabled(enabled);
    if (!enabled && m_manager && m_manager->GetFocus() == this) m_manager->SetFocus(nullptr);
}

void CEditUI::DoEvent(TEventUI& event)
{
    if (ForwardDisabledMouseEvent(event)) return;
    switch (event.Type) {
    case UIEVENT_SETCURSOR:
        if (m_manager) m_manager->SetCursor(IDC_IBEAM);
        return;
    case UIEVENT_SETFOCUS:
        CLabelUI::DoEvent(event);
        if (IsEnabled()) OpenEditor();
        return;
    case UIEVENT_KILLFOCUS: {
        CLabelUI::DoEvent(event);
        CloseEditor();
        if (m_manager) m_manager->SendNotify(this, DUI_MSGTYPE_KILLFOCUS);
        return;
    }
    case UIEVENT_BUTTONDOWN:
    case UIEVENT_DBLCLICK:
        if (IsEnabled() && !m_editor && m_manager && m_manager->GetFocus() == this) OpenEditor();
        return;
    case UIEVENT_BUTTONUP:
    case UIEVENT_MOUSEMOVE:
    case UIEVENT_MOUSEENTER:
    case UIEVENT_MOUSELEAVE:
        return;
    // Keys reach the control itself only when no Qt editor is open (a
    // manager without a window).
    case UIEVENT_CHAR:
        if (m_editor) return;
        if (!m_readOnly && Accepts(event.chKey)) UserEdited(m_text + event.chKey);
        return;
    case UIEVENT_KEYDOWN:
        // Keys the Qt editor let through to the window were handled there.
        if (m_editor) return;
        if (event.chKey == VK_RETURN) {
            SendReturn();
            return;
        }
        if (event.chKey == VK_BACK && !m_readOnly && !m_text.empty()) {
            UserEdited(m_text.substr(0, m_text.size() - 1));
            return;
        }
        break;
    default:
        break;
    }
    CLabelUI::DoEvent(event);
}

void CEditUI::SetAttribute(const std::wstring& name, const std::wstring& value)
{
    if (name == L"readonly") SetReadOnly(ParseBool(value));
    else if (name == L"password") SetPasswordMode(ParseBool(value));
    else if (name == L"numberonly") SetNumberOnly(ParseBool(value));
    else if (name == L"maxchar") SetMaxChar(static_cast<int>(std::wcstol(value.c_str(), nullptr, 10)));
    else CLabelUI::SetAttribute(name, value);
}

void CEditUI::PaintText(QPainter& painter)
{
    if (m_editor || m_text.empty()) return;
    std::wstring shown = m_password ? std::wstring(m_text.size(), L'*') : m_text;
    CRenderEngine::DrawText(painter, m_manager, TextRect(), shown, EffectiveTextColor(m_textColor), m_font, m_textStyle);
}

CRichEditUI::CRichEditUI() = default;

CRichEditUI::~CRichEditUI() { DropEditor(m_editor.data()); }

std::wstring CRichEditUI::GetClass() const { return L"RichEditUI"; }

void* CRichEditUI::GetInterface(const std::wstring& name)
{
    return ControlInterface<CControlUI>(this, name, L"RichEdit");
}

void CRichEditUI::SetManager(CPaintManagerUI* manager, CControlUI* parent, bool init)
{
    CControlUI::SetManager(manager, parent, init);
    QWidget* host = manager ? manager->GetHostWidget() : nullptr;
    if (m_editor && m_editor->parentWidget() != host) {
        DropEditor(m_editor.data());
        m_editor.clear();
    }
    if (!m_editor && host) {
        m_editor = new QTextEdit(host);
        m_editor->setFrameStyle(0);
        m_editor->setAcceptRichText(false);
        QObject::connect(m_editor.data(), &QTextEdit::textChanged, [this] {
            if (m_editor && !m_editor->isReadOnly()) m_text = m_editor->toPlainText().toStdWString();
        });
        SyncEditor();
    }
}

void CRichEditUI::SyncEditor()
{
    if (!m_editor) return;
    m_editor->setReadOnly(m_readOnly);
    if (m_manager) m_editor->setFont(m_manager->GetFont(m_font));
    if (m_editor->toPlainText().toStdWString() != m_text) m_editor->setPlainText(QString::fromStdWString(m_text));
    m_editor->setGeometry(ToQRect(m_rcItem));
    m_editor->setVisible(IsVisible() && !IsRectEmpty(m_rcItem));
}

void CRichEditUI::SetText(const std::wstring& text)
{
    m_text = text;
    if (m_editor) m_editor->setPlainText(QString::fromStdWString(text));
    Invalidate();
}

void CRichEditUI::AppendText(const std::wstring& text)
{
    m_text += text;
    if (m_editor) {
        QTextCursor cursor = m_editor->textCursor();
        cursor.movePosition(QTextCursor::End);
        cursor.insertText(QString::fromStdWString(text));
        m_editor->verticalScrollBar()->setValue(m_editor->verticalScrollBar()->maximum());
    }
    Invalidate();
}

void CRichEditUI::SetReadOnly(bool readOnly)
{
    m_readOnly = readOnly;
    if (m_editor) m_editor->setReadOnly(readOnly);
}

void CRichEditUI::SetPos(RECT rc, bool needInvalidate)
{
    CControlUI::SetPos(rc, needInvalidate);
    SyncEditor();
}

void CRichEditUI::SetVisible(bool visible)
{
    CControlUI::SetVisible(visible);
    SyncEditor();
}

void CRichEditUI::SetInternVisible(bool visible)
{
    CControlUI::SetInternVisible(visible);
    SyncEditor();
}

void CRichEditUI::SetAttribute(const std::wstring& name, const std::wstring& value)
{
    if (name == L"readonly") SetReadOnly(ParseBool(value));
    else if (name == L"font") m_font = static_cast<int>(std::wcstol(value.c_str(), nullptr, 10));
    else if (name == L"textcolor") m_textColor = ParseColor(value);
    else CControlUI::SetAttribute(name, value);
}

void CRichEditUI::DoPaint(QPainter& painter, const RECT& rcPaint)
{
    CControlUI::DoPaint(painter, rcPaint);
    if (m_editor || m_text.empty()) return;
    DWORD color = m_textColor ? m_textColor : (m_manager ? m_manager->GetDefaultFontColor() : 0xFF000000);
    CRenderEngine::DrawText(painter, m_manager, m_rcItem, m_text, color, m_font, DT_WORDBREAK);
}

QLineEdit* CEditUI::GetEditor() const { return m_editor.data(); }
QTextEdit* CRichEditUI::GetEditor() const { return m_editor.data(); }
