// A reader of exactly the RTF control words the HTML converter writes
// (SimpleHtml.h) into a text document: fonts, colours, bold, italic,
// underline, sizes, breaks and alignment; table cells become tabs. Document
// positions are those the converter counts (UTF-16 units).
#pragma once
#include <string>

class QTextDocument;

void FillDocumentFromRtf(const std::wstring& rtf, QTextDocument& document);
