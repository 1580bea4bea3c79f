#include "SimpleHtmlCtrl.h"

#include "ui/UIManager.h"

#include <QMouseEvent>
#include <QPalette>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>

#include <algorithm>

namespace {

QColor ToQColor(HtmlColour c) { return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF); }

// Watches the mouse on the edit's view: a link opens when the left button
// goes up over the same link it went down on.
class CLinkClickWatcher : public QObject {
public:
    CLinkClickWatcher(CSimpleHtmlCtrl& control, QObject* parent) : QObject(parent), m_control(control) {}

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() != QEvent::MouseButtonPress && event->type() != QEvent::MouseButtonRelease) return false;
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() != Qt::LeftButton) return false;
        const QPoint at = mouse->position().toPoint();
        const int character = m_control.CharacterAt(at.x(), at.y());
        std::wstring address;
        const bool onLink = character >= 0 && m_control.FindLink(character, character + 1, address);
        if (event->type() == QEvent::MouseButtonPress) {
            m_pressedOn = onLink ? address : std::wstring();
            return false;
        }
        const std::wstring pressedOn = std::move(m_pressedOn);
        m_pressedOn.clear();
        if (onLink && address == pressedOn && m_control.OnLinkClicked) m_control.OnLinkClicked(address);
        return false;
    }

private:
    CSimpleHtmlCtrl& m_control;
    std::wstring m_pressedOn;  // the link the button went down on
};

}  // namespace

void CSimpleHtmlCtrl::SetManager(CPaintManagerUI* manager, CControlUI* parent, bool init)
{
    CRichEditUI::SetManager(manager, parent, init);
    if (QTextEdit* editor = GetEditor()) editor->setLineWrapMode(QTextEdit::WidgetWidth);
    WatchLinkClicks();
    if (m_converted) ShowConversion();
}

void CSimpleHtmlCtrl::WatchLinkClicks()
{
    QTextEdit* editor = GetEditor();
    if (!editor || (m_clickWatcher && m_clickWatcher->parent() == editor)) return;
    m_clickWatcher = new CLinkClickWatcher(*this, editor);
    editor->viewport()->installEventFilter(m_clickWatcher);
}

int CSimpleHtmlCtrl::CharacterAt(int x, int y) const
{
    QTextEdit* editor = GetEditor();
    if (!editor) return -1;
    QTextDocument* document = editor->document();
    const QPoint point(x, y);
    const int nearest = editor->cursorForPosition(point).position();
    // The character before or after the nearest position, when the point
    // lies inside its box on its line.
    for (int character : {nearest - 1, nearest}) {
        if (character < 0 || character + 1 >= document->characterCount()) continue;
        QTextCursor before(document), after(document);
        before.setPosition(character);
        after.setPosition(character + 1);
        const QRect left = editor->cursorRect(before), right = editor->cursorRect(after);
        if (left.top() != right.top() || right.left() <= left.left()) continue;  // a line's end
        if (x >= left.left() && x < right.left() && y >= left.top() && y <= left.bottom()) return character;
    }
    return -1;
}

void CSimpleHtmlCtrl::InitControl()
{
    SetReadOnly(true);
    if (QTextEdit* editor = GetEditor()) {
        editor->setLineWrapMode(QTextEdit::WidgetWidth);
        QPalette palette = editor->palette();
        palette.setColor(QPalette::Base, ToQColor(kHtmlWindowColour));
        editor->setPalette(palette);
    }
}

bool CSimpleHtmlCtrl::SetHtml(const std::wstring& html)
{
    CHtmlConversionInput input;
    if (CPaintManagerUI* manager = GetManager()) {
        const QFont font = manager->GetFont(-1);
        input.face = font.family().toStdWString();
        input.fontHeight = -(font.pixelSize() > 0 ? font.pixelSize() : 13);
    }
    CHtmlConversion conversion;
    if (!ConvertHtmlToRtf(html, input, conversion)) return false;
    m_conversion = std::move(conversion);
    m_converted = true;
    ShowConversion();
    return true;
}

void CSimpleHtmlCtrl::ShowConversion()
{
    QTextDocument document;
    FillDocumentFromRtf(m_conversion.rtf, document);
    for (const CHtmlLink& link : m_conversion.links) {
        QTextCursor cursor(&document);
        cursor.setPosition(std::min(link.start, document.characterCount() - 1));
        cursor.setPosition(std::min(link.end, document.characterCount() - 1), QTextCursor::KeepAnchor);
        QTextCharFormat format;
        format.setAnchor(true);
        format.setAnchorHref(QString::fromStdWString(link.address));
        format.setFontUnderline(true);
        format.setForeground(QColor(0, 0, 238));
        cursor.mergeCharFormat(format);
    }
    // The plain text first, so the edit keeps the formatted document.
    SetText(document.toPlainText().toStdWString());
    if (QTextEdit* editor = GetEditor()) {
        editor->setDocument(document.clone(editor));
        QPalette palette = editor->palette();
        palette.setColor(QPalette::Base, ToQColor(m_conversion.background));
        editor->setPalette(palette);
        editor->moveCursor(QTextCursor::Start);
    }
}

bool CSimpleHtmlCtrl::FindLink(int start, int end, std::wstring& address) const
{
    for (const CHtmlLink& link : m_conversion.links)
        if (link.start <= start && end <= link.end) {
            address = link.address.substr(0, 260);
            return true;
        }
    address.clear();
    return false;
}
