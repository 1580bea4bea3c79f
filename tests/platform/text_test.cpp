// Text conversion survives any input, and wide formats written for the
// Windows runtime produce the text they meant.
#include "platform/text.h"
#include "platform/types.h"

#include "support/test_media.h"

#include <gtest/gtest.h>
#include "support/test_locale.h"

#include <clocale>
#include <string>

namespace {

TEST(TextConversion, EveryCodePointRoundTrips)
{
    std::wstring all;
    for (char32_t c = 1; c <= 0x10FFFF; ++c) {
        if (c >= 0xD800 && c <= 0xDFFF) continue;
        all += static_cast<wchar_t>(c);
    }
    std::string utf8 = WideToUtf8(all);
    EXPECT_EQ(Utf8ToWide(utf8), all);
    // 0x7F one-byte, 0x780 two-byte, 0xF800 three-byte, rest four-byte code points.
    EXPECT_EQ(utf8.size(), 0x7Fu + 0x780u * 2 + (0xF800u - 0x800u) * 3 + 0x100000u * 4);
}

TEST(TextConversion, CharactersOutsideTheBmpAreOneWideCharacter)
{
    std::string utf8 = "a\xF0\x9F\x8E\xAC" "b";  // U+1F3AC between two letters
    std::wstring wide = Utf8ToWide(utf8);
    ASSERT_EQ(wide.size(), 3u);
    EXPECT_EQ(static_cast<char32_t>(wide[1]), 0x1F3ACu);
    EXPECT_EQ(WideToUtf8(wide), utf8);
}

// A byte that is not UTF-8 is carried as U+DC00 plus the byte.
std::wstring Esc(std::initializer_list<unsigned char> bytes)
{
    std::wstring out;
    for (unsigned char b : bytes) out += static_cast<wchar_t>(0xDC00 + b);
    return out;
}

TEST(TextConversion, BytesThatAreNotUtf8SurviveTheRoundTrip)
{
    struct Case {
        std::string in;
        std::wstring out;
    } cases[] = {
        {"a\xFF" "b", L"a" + Esc({0xFF}) + L"b"},
        {"\x80", Esc({0x80})},                                   // lone continuation byte
        {"\xBF\x80z", Esc({0xBF, 0x80}) + L"z"},                  // two of them
        {"\xC0\xAF", Esc({0xC0, 0xAF})},                          // overlong '/'
        {"\xE0\x80\xAF", Esc({0xE0, 0x80, 0xAF})},                 // overlong, three bytes
        {"\xF0\x82\x82\xAC", Esc({0xF0, 0x82, 0x82, 0xAC})},        // overlong, four bytes
        {"\xED\xA0\x80", Esc({0xED, 0xA0, 0x80})},                 // encoded surrogate
        {"\xF4\x90\x80\x80", Esc({0xF4, 0x90, 0x80, 0x80})},        // beyond U+10FFFF
        {"\xE2\x82", Esc({0xE2, 0x82})},                          // truncated at the end
        {"\xE2\x82x", Esc({0xE2, 0x82}) + L"x"},                  // truncated in the middle
        {"\xF0\x9F\x8E", Esc({0xF0, 0x9F, 0x8E})},                 // truncated four-byte
        {"caf\xE9.mp4", L"caf" + Esc({0xE9}) + L".mp4"},           // a Latin-1 file name
        {std::string("a\0b", 3), std::wstring(L"a\0b", 3)},        // NUL is data
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Utf8ToWide(c.in), c.out) << "input bytes: " << c.in.size();
        EXPECT_EQ(WideToUtf8(Utf8ToWide(c.in)), c.in);
    }
}

TEST(TextConversion, RandomBytesComeBackUnchanged)
{
    unsigned state = 12345;
    for (int round = 0; round < 2000; ++round) {
        std::string bytes;
        for (int i = 0; i < 40; ++i) {
            state = state * 1103515245 + 12345;
            bytes += static_cast<char>(state >> 16);
        }
        std::wstring wide = Utf8ToWide(bytes);
        EXPECT_EQ(WideToUtf8(wide), bytes);
    }
}

TEST(TextConversion, WideValuesThatAreNoCharactersBecomeReplacements)
{
    std::wstring w;
    w += static_cast<wchar_t>(0xDC00);      // lone low surrogate
    w += static_cast<wchar_t>(0x110000);    // out of range
    w += static_cast<wchar_t>(-1);
    EXPECT_EQ(WideToUtf8(w), "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD");
    // A UTF-16 pair carried in a wide string is joined into its character.
    std::wstring pair{static_cast<wchar_t>(0xD83C), static_cast<wchar_t>(0xDFAC)};
    EXPECT_EQ(WideToUtf8(pair), "\xF0\x9F\x8E\xAC");
}

TEST(WideFormat, PercentSTakesAWideStringAndCapitalSANarrowOne)
{
    EXPECT_EQ(FormatW(L"[%s]", L"wide \u00E9\u4E2D"), L"[wide \u00E9\u4E2D]");
    EXPECT_EQ(FormatW(L"[%S]", "narrow \xC3\xA9"), L"[narrow \u00E9]");
    EXPECT_EQ(FormatW(L"%ls+%hs", L"a", "b"), L"a+b");
    EXPECT_EQ(FormatW(L"%ws", L"w"), L"w");
    EXPECT_EQ(FormatW(L"[%-6s|%6s|%.2s]", L"ab", L"cd", L"efgh"), L"[ab    |    cd|ef]");
    EXPECT_EQ(FormatW(L"%s", static_cast<const wchar_t*>(nullptr)), L"(null)");
}

TEST(WideFormat, CharactersAndNumbers)
{
    EXPECT_EQ(FormatW(L"%c%c", L'\u00E9', static_cast<wchar_t>(0x1F3AC)), std::wstring(L"\u00E9") + static_cast<wchar_t>(0x1F3AC));
    EXPECT_EQ(FormatW(L"%d|%5d|%-5d|%05d", -42, 7, 7, 7), L"-42|    7|7    |00007");
    EXPECT_EQ(FormatW(L"%u %x %X %o", 4000000000u, 255u, 255u, 8u), L"4000000000 ff FF 10");
    EXPECT_EQ(FormatW(L"%I64d", static_cast<INT64>(-9000000000000LL)), L"-9000000000000");
    EXPECT_EQ(FormatW(L"%I64u", static_cast<unsigned long long>(18000000000000000000ULL)), L"18000000000000000000");
    EXPECT_EQ(FormatW(L"%I64x", static_cast<unsigned long long>(0x123456789ULL)), L"123456789");
    EXPECT_EQ(FormatW(L"%lld %zu", 1LL << 40, static_cast<size_t>(5)), L"1099511627776 5");
    EXPECT_EQ(FormatW(L"%5.1f|%.3f|%g", 3.14159, 2.0, 0.5), L"  3.1|2.000|0.5");
    EXPECT_EQ(FormatW(L"%*d|%-*.*f", 4, 1, 6, 2, 1.5), L"   1|1.50  ");
    EXPECT_EQ(FormatW(L"100%% done"), L"100% done");
    EXPECT_EQ(FormatW(L"%lf %I32d %Lf %hs", 1.5, 7, static_cast<long double>(2.5), "n"), L"1.500000 7 2.500000 n");
    EXPECT_EQ(FormatW(L"%02d:%02d:%02d.%03d", 1, 2, 3, 4), L"01:02:03.004");
}

TEST(WideFormat, MixedArgumentsStayInStep)
{
    EXPECT_EQ(FormatW(L"%s has %d streams, %I64d bytes, %S, %.1f s", L"clip.mp4", 2, static_cast<INT64>(1) << 33,
                      "h264", 2.25),
              L"clip.mp4 has 2 streams, 8589934592 bytes, h264, 2.2 s");
}

TEST(WideFormat, LongResultsAreNotCut)
{
    std::wstring longText(12000, L'x');
    std::wstring out = FormatW(L"<%s>%d", longText.c_str(), 9);
    EXPECT_EQ(out, L"<" + longText + L">9");
    EXPECT_EQ(FormatW(L"%20000d", 1).size(), 20000u);
    EXPECT_EQ(FormatW(L"%.0f", 1e300).size(), 301u);
}

TEST(WideFormat, NumbersUseAPointWhateverTheLocale)
{
    // A UI toolkit switches LC_NUMERIC to the user's; a German one writes "1,50".
    const char* old = setlocale(LC_NUMERIC, nullptr);
    std::string saved = old ? old : "C";
    const std::string comma = vxmtest::DecimalCommaLocale();
    if (comma.empty() || !setlocale(LC_NUMERIC, comma.c_str()))
        GTEST_SKIP() << "no locale with a decimal comma can be made here";
    char probe[16];
    snprintf(probe, sizeof probe, "%.2f", 1.5);
    std::wstring w = FormatW(L"%.2f|%S", 1.5, "x");
    std::string a = FormatA("%.2f", 1.5);
    setlocale(LC_NUMERIC, saved.c_str());
    EXPECT_STREQ(probe, "1,50");  // the locale is really in force
    EXPECT_EQ(w, L"1.50|x");
    EXPECT_EQ(a, "1.50");
}

TEST(NarrowFormat, PlainCConventions)
{
    EXPECT_EQ(FormatA("%s=%d %.1f", "a", 3, 0.25), "a=3 0.2");
    std::string big(5000, 'y');
    EXPECT_EQ(FormatA("%s!", big.c_str()), big + "!");
}

TEST(CaseFolding, ComparesBeyondAscii)
{
    EXPECT_EQ(CompareNoCaseW(L"Clip.MP4", L"clip.mp4"), 0);
    EXPECT_EQ(CompareNoCaseW(L"\u00C9T\u00C9", L"\u00E9t\u00E9"), 0);
    EXPECT_LT(CompareNoCaseW(L"abc", L"ABD"), 0);
    EXPECT_GT(CompareNoCaseW(L"abcd", L"ABC"), 0);
    EXPECT_EQ(ToLowerW(L"\u0416A"), L"\u0436a");
    EXPECT_EQ(ToUpperW(L"\u00E9a"), L"\u00C9A");
}

}  // namespace
