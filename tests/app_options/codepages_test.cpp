#include <gtest/gtest.h>

#include <iconv.h>

#include <set>
#include <string>

#include "platform/codepage.h"

// Every row is a code page glibc converts, shown with its own number first.
TEST(CodePages, EveryRowOpensInIconvAndShowsItsNumber)
{
    std::set<unsigned int> seen;
    for (const VXM_CODE_PAGE& row : CodePageTable()) {
        EXPECT_TRUE(seen.insert(row.number).second) << row.number;
        iconv_t cd = iconv_open("UTF-8", row.iconvName);
        EXPECT_NE(cd, reinterpret_cast<iconv_t>(-1)) << row.iconvName;
        if (cd != reinterpret_cast<iconv_t>(-1))
            iconv_close(cd);
        EXPECT_EQ(CodePageNumberOfText(row.name), row.number) << row.number;
    }
    EXPECT_EQ(seen.count(65001), 0u);
}

TEST(CodePages, FixedRowsComeFirstAndUnknownNumbersHaveNoName)
{
    auto table = CodePageTable();
    ASSERT_GE(table.size(), 2u);
    EXPECT_EQ(std::wstring(table[0].name), L"0 (Unicode)");
    EXPECT_EQ(std::wstring(table[1].name), L"1 (UTF-8)");
    EXPECT_EQ(CodePageIconvName(1252), "CP1252");
    EXPECT_EQ(CodePageIconvName(65001), "UTF-8");
    EXPECT_EQ(CodePageIconvName(12345), "");
    EXPECT_EQ(FindCodePage(12345), nullptr);
    EXPECT_EQ(CodePageNumberOfText(L"x 1252"), 0u);
    EXPECT_EQ(CodePageNumberOfText(L"99999999999 (too long)"), 0u);
}
