#include "SimpleHtmlCtrl.h"

#include "ui/UIManager.h"

#include <QGuiApplication>
#include <QPalette>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>

#include <cwctype>

namespace {

QColor ToQColor(HtmlColour c) { return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF); }

// Reads the converter's RTF into a document, one control word at a time.
class CRtfReader {
public:
    CRtfReader(const std::wstring& rtf, QTextDocument& document) : m_rtf(rtf), m_cursor(&document) {}

    void Read()
    {
        State state;
        std::vector<State> stack;
        while (m_at < m_rtf.size()) {
            const wchar_t c = m_rtf[m_at++];
            if (c == L'{') {
                stack.push_back(state);
            } else if (c == L'}') {
                m_faceText.clear();
                if (stack.empty()) continue;
                state = stack.back();
                stack.pop_back();
            } else if (c == L'\\') {
                ControlWord(state);
            } else if (c == L'\r' || c == L'\n') {
                continue;
            } else {
                Char(state, c);
            }
        }
    }

private:
    enum class EDest { Text, Fonts, Colours };
    struct State {
        EDest destination = EDest::Text;
        QTextCharFormat format;
    };

    void Char(State& state, wchar_t c)
    {
        if (state.destination == EDest::Fonts) {
            if (c == L';') {
                m_fonts.push_back(QString::fromStdWString(m_faceText));
                m_faceText.clear();
            } else if (!(m_faceText.empty() && c == L' ')) {
                m_faceText += c;
            }
            return;
        }
        if (state.destination == EDest::Colours) {
            if (c == L';') {
                m_colours.push_back(m_colourSet ? QColor(m_red, m_green, m_blue) : QColor());
                m_colourSet = false;
                m_red = m_green = m_blue = 0;
            }
            return;
        }
        m_cursor.insertText(QString(QChar(static_cast<char16_t>(c))), state.format);
    }

    void ControlWord(State& state)
    {
        if (m_at >= m_rtf.size()) return;
        const wchar_t first = m_rtf[m_at];
        if (!std::iswalpha(first)) {
            ++m_at;
            if (first == L'~') Char(state, 0xA0);
            else Char(state, first);  // \\ \{ \}
            return;
        }
        std::wstring word;
        while (m_at < m_rtf.size() && std::iswalpha(m_rtf[m_at])) word += m_rtf[m_at++];
        bool hasNumber = false;
        long number = 0;
        bool negative = false;
        if (m_at < m_rtf.size() && m_rtf[m_at] == L'-') {
            negative = true;
            ++m_at;
        }
        while (m_at < m_rtf.size() && std::iswdigit(m_rtf[m_at])) {
            number = number * 10 + (m_rtf[m_at++] - L'0');
            hasNumber = true;
        }
        if (negative) number = -number;
        if (m_at < m_rtf.size() && m_rtf[m_at] == L' ') ++m_at;  // the delimiter
        Apply(state, word, hasNumber, number);
    }

    void Apply(State& state, const std::wstring& word, bool hasNumber, long n)
    {
        QTextCharFormat& f = state.format;
        if (word == L"fonttbl") state.destination = EDest::Fonts;
        else if (word == L"colortbl") state.destination = EDest::Colours;
        else if (state.destination == EDest::Colours) {
            m_colourSet = true;
            if (word == L"red") m_red = static_cast<int>(n);
            else if (word == L"green") m_green = static_cast<int>(n);
            else if (word == L"blue") m_blue = static_cast<int>(n);
        } else if (state.destination == EDest::Fonts) {
            return;  // \fN \fnil \fcharset0 of an entry
        } else if (word == L"plain") f = QTextCharFormat();
        else if (word == L"pard") {
            QTextBlockFormat block;
            m_cursor.setBlockFormat(block);
        } else if (word == L"fs" && n > 0) f.setFontPointSize(n / 2.0);
        else if (word == L"f" && n >= 0 && n < static_cast<long>(m_fonts.size())) f.setFontFamilies({m_fonts[static_cast<size_t>(n)]});
        else if (word == L"b") f.setFontWeight(!hasNumber || n ? QFont::Bold : QFont::Normal);
        else if (word == L"i") f.setFontItalic(!hasNumber || n);
        else if (word == L"ul") f.setFontUnderline(!hasNumber || n);
        else if (word == L"ulnone") f.setFontUnderline(false);
        else if (word == L"cf") {
            if (const QColor* colour = Colour(n)) f.setForeground(*colour);
            else f.clearForeground();
        } else if (word == L"highlight") {
            if (const QColor* colour = Colour(n)) f.setBackground(*colour);
        } else if (word == L"line") m_cursor.insertText(QString(QChar::LineSeparator), f);
        else if (word == L"par" || word == L"row") m_cursor.insertBlock(m_cursor.blockFormat(), f);
        else if (word == L"cell") m_cursor.insertText(QStringLiteral("\t"), f);
        else if (word == L"qc" || word == L"ql" || word == L"qr" || word == L"qj") {
            QTextBlockFormat block = m_cursor.blockFormat();
            block.setAlignment(word == L"qc" ? Qt::AlignHCenter : word == L"qr" ? Qt::AlignRight : word == L"qj" ? Qt::AlignJustify : Qt::AlignLeft);
            m_cursor.setBlockFormat(block);
        }
        // The rest (margins, table rows and borders, tab stops) shape nothing here.
    }

    // Entry n of the colour table; none for the automatic one or past the end.
    const QColor* Colour(long n) const
    {
        if (n <= 0 || n >= static_cast<long>(m_colours.size()) || !m_colours[static_cast<size_t>(n)].isValid()) return nullptr;
        return &m_colours[static_cast<size_t>(n)];
    }

    const std::wstring& m_rtf;
    size_t m_at = 0;
    QTextCursor m_cursor;
    std::vector<QString> m_fonts;
    std::wstring m_faceText;
    std::vector<QColor> m_colours;  // index 0 is the automatic colour
    bool m_colourSet = false;
    int m_red = 0, m_green = 0, m_blue = 0;
};

}  // namespace

void FillDocumentFromRtf(const std::wstring& rtf, QTextDocument& document)
{
    document.clear();
    CRtfReader(rtf, document).Read();
}

void CSimpleHtmlCtrl::SetManager(CPaintManagerUI* manager, CControlUI* parent, bool init)
{
    CRichEditUI::SetManager(manager, parent, init);
    if (QTextEdit* editor = GetEditor()) {
        editor->setLineWrapMode(QTextEdit::WidgetWidth);
        QObject::connect(editor, &QTextEdit::cursorPositionChanged, editor, [this, editor] {
            if (!(QGuiApplication::mouseButtons() & Qt::LeftButton) || !OnLinkClicked) return;
            const int position = editor->textCursor().position();
            std::wstring address;
            if (FindLink(position, position, address)) OnLinkClicked(address);
        });
    }
    if (m_converted) ShowConversion();
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
