// The HTML-to-RTF converter of the release notes, on the cases that shape
// its output: breaks, white space, escapes, colours, sizes, groups, links.
#include "SimpleHtml.h"

#include <gtest/gtest.h>

namespace {

CHtmlConversionInput Input()
{
    CHtmlConversionInput input;
    input.face = L"DejaVu Sans";
    input.fontHeight = -13;
    input.text = 0x000000;
    input.background = 0xFFFFFF;
    return input;
}

// The body: what follows the header "...\\fs24 " up to the closing brace.
std::wstring Body(const std::wstring& html, CHtmlConversion* out = nullptr)
{
    CHtmlConversion conversion;
    EXPECT_TRUE(ConvertHtmlToRtf(html, Input(), conversion)) << html;
    const std::wstring head = L"\\pard\\plain\\tx0\\fs24 ";
    const size_t at = conversion.rtf.find(head);
    if (out) *out = conversion;
    if (at == std::wstring::npos) return L"<no header>";
    return conversion.rtf.substr(at + head.size(), conversion.rtf.size() - at - head.size() - 1);
}

TEST(SimpleHtml, TheWholeTextHasTheFontAndColourTables)
{
    CHtmlConversion out;
    ASSERT_TRUE(ConvertHtmlToRtf(L"Hi", Input(), out));
    EXPECT_EQ(out.rtf, L"{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fnil\\fcharset0 DejaVu Sans;}}{\\colortbl ;\\red0\\green0\\blue0;"
                       L"\\red255\\green255\\blue255;}\\pard\\plain\\tx0\\fs24 Hi}");
}

TEST(SimpleHtml, BreaksAndParagraphs)
{
    EXPECT_EQ(Body(L"a<br>b"), L"a\\line b");
    EXPECT_EQ(Body(L"a<br/>b"), L"ab");  // a tag named "br/"
    EXPECT_EQ(Body(L"a<br />b"), L"a\\line b");
    EXPECT_EQ(Body(L"<p>a"), L"\\par\\par a");
    EXPECT_EQ(Body(L"a<br><p>b"), L"a\\line \\par b");
}

TEST(SimpleHtml, WhiteSpaceCollapsesAndIsDroppedAfterBreaks)
{
    EXPECT_EQ(Body(L"  a \t  b<br> c"), L"a b\\line c");
    EXPECT_EQ(Body(L"word\r\n  second"), L"word  second");
    EXPECT_EQ(Body(L"<br>&amp; x"), L"\\line &x");
    EXPECT_EQ(Body(L"a&nbsp;b &LT;c&gt; &quot;"), L"a\\~b <c> \"");
    EXPECT_EQ(Body(L"a & b"), L"a & b");
}

TEST(SimpleHtml, BracesAndBackslashesAreEscapedAndCountOnce)
{
    CHtmlConversion out;
    EXPECT_EQ(Body(L"{x}\\<a href=\"h\">y</a>", &out), L"\\{x\\}\\\\{y}\r\n");
    ASSERT_EQ(out.links.size(), 1u);
    EXPECT_EQ(out.links[0].start, 4);
    EXPECT_EQ(out.links[0].end, 5);
}

TEST(SimpleHtml, FontColoursSizesAndFaces)
{
    CHtmlConversion out;
    EXPECT_EQ(Body(L"<font color=\"#ff0000\">r</font><font color='#FF0000' size=7 face=\"Mono\">s</font>", &out),
              L"{\\cf3 r}\r\n{\\cf3\\fs72\\f1 s}\r\n");
    ASSERT_EQ(out.colours.size(), 3u);  // red once
    EXPECT_EQ(out.colours[2], 0x0000FFu);
    EXPECT_EQ(out.fonts.back(), L"mono");
    // A face is a name in the font table, never RTF of its own.
    EXPECT_EQ(Body(L"<font face=\"a;}}inject{\\x\">s</font>", &out), L"{\\f1 s}\r\n");
    EXPECT_EQ(out.fonts.back(), L"ainjectx");
    // Unquoted "#..." reads as empty: black, the text colour, so nothing changes.
    EXPECT_EQ(Body(L"<font color=#ff0000 size=3>x</font>"), L"{x}\r\n");
    EXPECT_EQ(Body(L"<font size=9>x</font>"), L"{x}\r\n");
    EXPECT_EQ(Body(L"<span style=\"color: '#00ff00'\">g</span>"), L"{\\cf3 g}\r\n");
    EXPECT_EQ(Body(L"<span style=\"color: #00ff00\">g</span>"), L"{g}\r\n");
}

TEST(SimpleHtml, TheBaseSizeFollowsTheFontHeight)
{
    EXPECT_EQ(HtmlBaseFontSize(-13), 24);
    EXPECT_EQ(HtmlBaseFontSize(7), 24);
    EXPECT_EQ(HtmlBaseFontSize(8), 18);
    EXPECT_EQ(HtmlBaseFontSize(13), 24);
    EXPECT_EQ(HtmlBaseFontSize(40), 72);
}

TEST(SimpleHtml, BodyDivAndTables)
{
    CHtmlConversion out;
    EXPECT_EQ(Body(L"<body bgcolor=\"#0000ff\" leftmargin=2>x</body>", &out),
              L"{\\margt120\\margb120\\li30\\ri120\\highlight3 x}\r\n");
    // Without a format change the last margin still ends before the text.
    EXPECT_EQ(Body(L"<body>2024 release"), L"{\\margt120\\margb120\\li120\\ri120 2024 release");
    // Margins beyond any screen stay within what an RTF number holds.
    EXPECT_EQ(Body(L"<body leftmargin=999999999>x"), L"{\\margt120\\margb120\\li2147483647\\ri120 x");
    EXPECT_EQ(out.background, 0xFF0000u);
    EXPECT_EQ(Body(L"a<div align=center>b</div>c"), L"a{\\par \\qc b\\par }\r\nc");
    EXPECT_EQ(Body(L"<table border=2><col width=10><tr><td>x</td></tr></table>"),
              L"{\\par\\trowd \\trgaph108\\trleft-108\\trbrdrt\\brdrs\\brdrw2 \\trbrdrl\\brdrs\\brdrw2 "
              L"\\trbrdrb\\brdrs\\brdrw2 \\trbrdrr\\brdrs\\brdrw2 "
              L"\\clbrdrt\\brdrw15\\brdrs\\clbrdrl\\brdrw15\\brdrs\\clbrdrb\\brdrw15\\brdrs\\clbrdrr\\brdrw15\\brdrs\\cellx150 "
              L"\\intbl \\par x\\cell \\row }\r\n");
}

TEST(SimpleHtml, LinksAreLowerCaseWithTheirRange)
{
    CHtmlConversion out;
    EXPECT_EQ(Body(L"See <A HREF=\"HTTPS://Example.COM/Notes\">the notes</a>.", &out), L"See {the notes}\r\n.");
    ASSERT_EQ(out.links.size(), 1u);
    EXPECT_EQ(out.links[0].address, L"https://example.com/notes");
    EXPECT_EQ(out.links[0].start, 4);
    EXPECT_EQ(out.links[0].end, 13);
}

TEST(SimpleHtml, AClosingTagWithoutAnOpenGroupFailsAndCutOffTagsEnd)
{
    CHtmlConversion out;
    EXPECT_FALSE(ConvertHtmlToRtf(L"x</font>", Input(), out));
    EXPECT_TRUE(out.rtf.empty());
    EXPECT_EQ(Body(L"<b>bold</b><i"), L"\\b1 bold\\b0 \\i1 ");
    EXPECT_EQ(Body(L"<font>open"), L"{open");  // groups left open stay open
}

}  // namespace
