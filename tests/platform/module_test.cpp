// Libraries loaded at run time: found by name, none when missing.
#include "platform/module.h"

#include <gtest/gtest.h>

#include <utility>

namespace {

TEST(Modules, LoadsByNameAndFindsSymbols)
{
    CModule libm("libm.so.6");
    ASSERT_TRUE(libm.IsLoaded());
    auto cosine = reinterpret_cast<double (*)(double)>(libm.GetSymbol("cos"));
    ASSERT_NE(cosine, nullptr);
    EXPECT_DOUBLE_EQ(cosine(0.0), 1.0);
    EXPECT_EQ(libm.GetSymbol("no_such_symbol_here"), nullptr);

    CModule moved(std::move(libm));
    EXPECT_FALSE(libm.IsLoaded());
    EXPECT_EQ(libm.GetSymbol("cos"), nullptr);
    EXPECT_NE(moved.GetSymbol("cos"), nullptr);
    moved.Unload();
    EXPECT_FALSE(moved.IsLoaded());
}

TEST(Modules, AMissingLibraryGivesNone)
{
    CModule missing("libvxm-not-installed.so.9");
    EXPECT_FALSE(missing.IsLoaded());
    EXPECT_EQ(missing.GetSymbol("anything"), nullptr);
    CModule empty("");
    EXPECT_FALSE(empty.IsLoaded());
}

}  // namespace
