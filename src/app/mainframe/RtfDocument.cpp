#include "RtfDocument.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>
#include <cwctype>
#include <string>
#include <vector>

namespace {

constexpr long kMaxParameter = 2147483647;
constexpr long kMaxFontHalfPoints = 2000;

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
        // Wide characters are whole code points: beyond U+FFFF a surrogate pair.
        const char32_t code = static_cast<char32_t>(c);
        m_cursor.insertText(QString::fromUcs4(&code, 1), state.format);
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
        // A parameter beyond what RTF numbers hold stays at the bound.
        while (m_at < m_rtf.size() && std::iswdigit(m_rtf[m_at])) {
            if (number < kMaxParameter) number = std::min(kMaxParameter, number * 10 + (m_rtf[m_at] - L'0'));
            ++m_at;
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
        } else if (word == L"fs" && n > 0) f.setFontPointSize(std::min(n, kMaxFontHalfPoints) / 2.0);
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

