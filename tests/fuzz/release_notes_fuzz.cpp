// libFuzzer target: any bytes (UTF-8) as release notes, through the road of
// the update dialog: HTML to RTF to the shown document. Nothing overflows or
// faults; the document holds exactly as many positions as the converter
// counted, so every link covers its own text; and notes without tags or
// entities show exactly as written, white space collapsed.
#include <cstddef>
#include <cstdint>
#include <string>

#include <QGuiApplication>
#include <QTextDocument>

#include "RtfDocument.h"
#include "SimpleHtml.h"
#include "platform/text.h"

namespace {

// What plain text shows: leading white space dropped, runs of spaces and
// tabs as one space, a line feed a space unless white space came before.
std::wstring Collapsed(const std::wstring& text)
{
    std::wstring out;
    bool white = true;
    for (wchar_t c : text) {
        if (c == L' ' || c == L'\t') {
            if (!white) out += L' ';
            white = true;
        } else if (c == L'\n') {
            if (!white) out += L' ';
        } else if (c != L'\r') {
            out += c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF) ? L'\uFFFD' : c;
            white = false;
        }
    }
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static QGuiApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::wstring html = Utf8ToWide(std::string_view(reinterpret_cast<const char*>(data), size));
    CHtmlConversionInput input;
    input.face = L"DejaVu Sans";
    CHtmlConversion out;
    if (!ConvertHtmlToRtf(html, input, out)) return 0;
    QTextDocument document;
    FillDocumentFromRtf(out.rtf, document);
    if (document.characterCount() - 1 != out.length) __builtin_trap();
    for (const CHtmlLink& link : out.links)
        if (link.start < 0 || link.start > link.end || link.end > out.length) __builtin_trap();
    if (html.find_first_of(L"<&") == std::wstring::npos) {
        const std::wstring shown = document.toRawText().toStdWString();
        if (shown != Collapsed(html)) __builtin_trap();
    }
    return 0;
}
