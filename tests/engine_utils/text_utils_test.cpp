// Text helpers: splitting, trimming, names, replacing, filter texts.
#include <gtest/gtest.h>

#include "VXMUtils.h"

namespace {

using WList = std::vector<std::wstring>;

TEST(SplitString, DropsEmptyPiecesButKeepsTheTrimmedRest)
{
    WList out{L"stale"};
    EXPECT_EQ(SplitString(out, L",", L"a,,b, "), 3);
    EXPECT_EQ(out, (WList{L"a", L"b", L""}));
    EXPECT_EQ(SplitString(out, L",", L"a"), 1);
    EXPECT_EQ(out, (WList{L"a"}));
    EXPECT_EQ(SplitString(out, L",", L""), 0);
    EXPECT_TRUE(out.empty());
    EXPECT_EQ(SplitString(out, L",", L" x , y "), 2);
    EXPECT_EQ(out, (WList{L"x", L"y"}));
}

TEST(SplitString, NextPieceStartsOneCharacterAfterTheSeparator)
{
    WList out;
    EXPECT_EQ(SplitString(out, L" -", L"-vcodec x -b 2 -y"), 3);
    EXPECT_EQ(out, (WList{L"-vcodec x", L"-b 2", L"-y"}));
}

TEST(Trim, RemovesAllSixBlanks)
{
    std::wstring s = L" \t\n\v\f\rtext \t\n\v\f\r";
    EXPECT_EQ(TrimLeft(s), L"text \t\n\v\f\r");
    EXPECT_EQ(TrimRight(s), L"text");
    std::wstring blank = L"  ";
    EXPECT_EQ(TrimRight(blank), L"");
}

TEST(Names, RemoveInvalidNameCharsKeepsTheRest)
{
    std::wstring s = L"a:b/c?";
    RemoveInvalidNameChars(s);
    EXPECT_EQ(s, L"abc");
    std::wstring all = L"1\\2/3:4*5?6\"7<8>9|0 é";
    RemoveInvalidNameChars(all);
    EXPECT_EQ(all, L"1234567890 é");
}

TEST(Names, FileNamePartAndExtension)
{
    EXPECT_EQ(GetFileNamePart(L"/a/b.c/name.tar.gz", TRUE), L"name.tar.gz");
    EXPECT_EQ(GetFileNamePart(L"/a/b.c/name.tar.gz", FALSE), L"gz");
    EXPECT_EQ(GetFileNamePart(L"/a/b.c/noext", FALSE), L"noext");
    EXPECT_EQ(GetFileNamePart(L"bare.mp4", TRUE), L"bare.mp4");
    // A backslash is an ordinary character of a name here.
    EXPECT_EQ(GetFileNamePart(L"/a/x\\y.mp4", TRUE), L"x\\y.mp4");
}

TEST(Names, ForwardSlashes)
{
    std::wstring s = L"a\\b\\\\c";
    ToForwardSlashes(s);
    EXPECT_EQ(s, L"a/b//c");
}

TEST(ReplaceAll, NonOverlappingLeftToRight)
{
    std::wstring out = L"stale";
    ReplaceAll(L"x", out, L"aaaa", L"aa");
    EXPECT_EQ(out, L"xx");
    ReplaceAll(L"b", out, L"aaa", L"aa");
    EXPECT_EQ(out, L"ba");
    ReplaceAll(L"zz", out, L"abc", L"q");
    EXPECT_EQ(out, L"abc");
    ReplaceAll(L"zz", out, L"abc", L"");
    EXPECT_EQ(out, L"abc");
    ReplaceAll(L"", out, L"a.b.c", L".");
    EXPECT_EQ(out, L"abc");
}

TEST(AnsiText, IsUtf8)
{
    EXPECT_EQ(WideToAnsi(L"é"), "\xC3\xA9");
    EXPECT_EQ(AnsiToWide("\xC3\xA9"), L"é");
    EXPECT_TRUE(WideToAnsi(L"").empty());
}

TEST(FilterText, EscapesForTheOptionParserInsideGraphQuotes)
{
    EXPECT_EQ(EscapeFilterText(L"/dir/a.srt"), L"/dir/a.srt");
    EXPECT_EQ(EscapeFilterText(L"/d:x/a=b"), L"/d\\:x/a\\=b");
    EXPECT_EQ(EscapeFilterText(L"/a\\b"), L"/a\\\\b");
    // A quote leaves the graph parser's quotes, is written escaped, and reopens them.
    EXPECT_EQ(EscapeFilterText(L"it's"), L"it'\\\\\\''s");
    // Brackets, commas and semicolons are safe inside the graph parser's quotes.
    EXPECT_EQ(EscapeFilterText(L"a[b],c;d"), L"a[b],c;d");
    // Blanks at the ends would be trimmed by the option parser.
    EXPECT_EQ(EscapeFilterText(L" a b "), L"\\ a b\\ ");
    // A double quote must not end the command-line argument.
    EXPECT_EQ(EscapeFilterText(L"a\"b"), L"a\\\"b");
    EXPECT_EQ(EscapeFilterText(L"a\\\"b"), L"a\\\\\\\\\\\"b");
    std::wstring path = L"/x:y";
    EscapeFilterPath(path);
    EXPECT_EQ(path, L"/x\\:y");
}

TEST(SubtitleStyle, DefaultsGivePositionAndFontAndNoOutline)
{
    VXM_SUBTITLE_STYLE style;
    style.nEncoding = 0;
    style.strFontFile = L"/fonts/my:font.ttf";
    EXPECT_EQ(BuildSubtitleStyle(TRUE, style),
              L":position=10:font='/fonts/my\\:font.ttf'");
    EXPECT_EQ(BuildSubtitleStyle(FALSE, style),
              L":position=10:encoding=2:font='/fonts/my\\:font.ttf'");
}

TEST(SubtitleStyle, EveryForcedEntryInOrder)
{
    VXM_SUBTITLE_STYLE style;
    style.nPosition = -21;
    style.nScale = 150;
    style.nEncoding = 3;
    style.strFontFile = L"/f.ttf";
    style.bForceColor = TRUE;
    style.nPrimaryColour = 0xff00;
    style.bForceShadow = TRUE;
    style.nShadow = 2;
    style.bForceOutLine = TRUE;
    style.nOutLine = 3;
    style.nOutLineColor = 0xabc;
    style.bForceBold = style.bForceItalic = style.bForceUnderline = style.bForceStrikeOut = TRUE;
    style.nPixelAspect = 4;
    style.nLineSpacing = 5;
    EXPECT_EQ(BuildSubtitleStyle(TRUE, style),
              L":scale=1.50:force_style=',PrimaryColour=&Hff00,Shadow=2,OutLine=3,OutLineColour=&Habc,"
              L"Bold=1,Italic=1,Underline=1,StrikeOut=1':pixel_aspect=4:line_spacing=5:encoding=3:font='/f.ttf'");
    style.nScale = 501;
    style.nPosition = 100;
    style.nEncoding = 1;
    EXPECT_EQ(BuildSubtitleStyle(TRUE, style).substr(0, 25), L":position=100:force_style");
    EXPECT_EQ(BuildSubtitleStyle(TRUE, style).find(L"encoding"), std::wstring::npos);
}

TEST(SubtitleStyle, FilterArgIsEscapedPathQuoteAndStyle)
{
    VXM_SUBTITLE_STYLE style;
    style.strFontFile = L"/f.ttf";
    EXPECT_EQ(BuildSubtitleFilterArg(L"/s/a:b.srt", style),
              L"/s/a\\:b.srt':position=10:font='/f.ttf'");
}

TEST(SubtitleStyle, DefaultFontIsAnExistingFile)
{
    VXM_SUBTITLE_STYLE style;
    const std::wstring font = GetDefaultSubtitleFontFile();
    EXPECT_FALSE(font.empty());
    EXPECT_TRUE(FileExists(font)) << WideToUtf8(font);
    EXPECT_NE(BuildSubtitleStyle(TRUE, style).find(L":font='" + EscapeFilterText(font) + L"'"), std::wstring::npos);
}

}  // namespace
