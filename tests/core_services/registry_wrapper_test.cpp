// The registry wrapper: key paths, read-only objects, typed reads.
#include "ARRegistry.h"
#include "core_test_support.h"

#include <gtest/gtest.h>

using coretest::CStoreTest;

TEST(RegistryKeyPath, SubkeyGoesBelowTheProgramsKey)
{
    EXPECT_EQ(CARRegistry::MakeKeyPath(L"Setting", L"Kestrane", L"Vexmora Professional"),
              L"Software\\Kestrane\\Vexmora Professional\\Setting");
    CARRegistry registry;
    EXPECT_EQ(registry.ExpandKey(L"Setting"), L"Software\\Kestrane\\Vexmora Professional\\Setting");
}

TEST(RegistryKeyPath, OneTrailingBackslashIsDropped)
{
    EXPECT_EQ(CARRegistry::MakeKeyPath(L"Setting\\", L"Kestrane", L"Vexmora Professional"),
              L"Software\\Kestrane\\Vexmora Professional\\Setting");
    EXPECT_EQ(CARRegistry::MakeKeyPath(L"Setting\\\\", L"Kestrane", L"Vexmora Professional"),
              L"Software\\Kestrane\\Vexmora Professional\\Setting\\");
}

TEST(RegistryKeyPath, AnEmptyMakerLeavesItsLevelOut)
{
    EXPECT_EQ(CARRegistry::MakeKeyPath(L"Setting", L"", L"Vexmora Professional"),
              L"Software\\Vexmora Professional\\Setting");
}

TEST_F(CStoreTest, ARawPathIsUsedAsGiven)
{
    CARRegistry raw;
    raw.SetRawPath(TRUE);
    EXPECT_EQ(raw.ExpandKey(L"Software\\Other\\Key"), L"Software\\Other\\Key");
    ASSERT_TRUE(raw.CreateKey(L"Software\\Other\\Key"));
    ASSERT_TRUE(raw.WriteDWORD(L"n", 5));
    raw.CloseKey();

    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, L"Software\\Other\\Key", KEY_READ, &key), ERROR_SUCCESS);
    RegCloseKey(key);
    CARRegistry expanded;
    EXPECT_FALSE(expanded.KeyExists(L"Software\\Other\\Key"));
}

TEST_F(CStoreTest, AReadOnlyObjectRefusesEveryWrite)
{
    {
        CARRegistry writer;
        ASSERT_TRUE(writer.CreateKey(L"Setting"));
        ASSERT_TRUE(writer.WriteDWORD(L"Kept", 1));
        writer.CloseKey();
        ASSERT_TRUE(writer.CreateKey(L"Sub"));
    }
    std::string before = coretest::ReadText(m_settings);
    CARRegistry reader(FALSE, TRUE);
    EXPECT_FALSE(reader.CreateKey(L"Other"));
    ASSERT_TRUE(reader.OpenKey(L"Setting"));
    EXPECT_FALSE(reader.WriteDWORD(L"Kept", 2));
    EXPECT_FALSE(reader.WriteInt(L"Kept", 2));
    EXPECT_FALSE(reader.WriteString(L"Text", L"x"));
    const BYTE b[] = {1};
    EXPECT_FALSE(reader.WriteBinary(L"Blob", b, 1));
    EXPECT_FALSE(reader.DeleteValue(L"Kept"));
    reader.CloseKey();
    EXPECT_FALSE(reader.DeleteKey(L"Sub"));
    EXPECT_TRUE(reader.KeyExists(L"Sub"));
    EXPECT_EQ(coretest::ReadText(m_settings), before);
    int kept = 0;
    ASSERT_TRUE(reader.OpenKey(L"Setting"));
    EXPECT_TRUE(reader.QueryInt(L"Kept", kept));
    EXPECT_EQ(kept, 1);
}

TEST_F(CStoreTest, DeleteKeyRemovesEverythingBelow)
{
    CARRegistry registry;
    ASSERT_TRUE(registry.CreateKey(L"Tree\\A\\B"));
    ASSERT_TRUE(registry.WriteString(L"x", L"y"));
    registry.CloseKey();
    ASSERT_TRUE(registry.CreateKey(L"Tree\\C"));
    registry.CloseKey();
    EXPECT_TRUE(registry.DeleteKey(L"Tree"));
    EXPECT_FALSE(registry.KeyExists(L"Tree"));
    EXPECT_FALSE(registry.DeleteKey(L"Tree"));
    EXPECT_EQ(registry.GetLastStatus(), ERROR_FILE_NOT_FOUND);
}

TEST_F(CStoreTest, FailedQueriesTreatTheirOutputAsTheyShould)
{
    CARRegistry registry;
    ASSERT_TRUE(registry.CreateKey(L"Setting"));
    ASSERT_TRUE(registry.WriteString(L"Empty", L""));
    ASSERT_TRUE(registry.WriteString(L"Text", L"abc"));

    std::wstring text = L"old";
    EXPECT_FALSE(registry.QueryString(L"Empty", text));
    EXPECT_EQ(text, L"");
    text = L"old";
    EXPECT_FALSE(registry.QueryString(L"Missing", text));
    EXPECT_EQ(text, L"");
    EXPECT_FALSE(registry.ReadString(L"Missing", text, L"fallback"));
    EXPECT_EQ(text, L"fallback");
    EXPECT_TRUE(registry.QueryString(L"Text", text));
    EXPECT_EQ(registry.GetLastType(), static_cast<LONG>(REG_SZ));
    EXPECT_EQ(registry.GetLastSize(), 8);

    int number = 42;
    EXPECT_FALSE(registry.QueryInt(L"Missing", number));
    EXPECT_EQ(number, 42);
    EXPECT_FALSE(registry.QueryInt(L"Text", number)) << "a string is no number";
    EXPECT_EQ(number, 42);
    EXPECT_FALSE(registry.ReadInt(L"Missing", number, 9));
    EXPECT_EQ(number, 9);
    ASSERT_TRUE(registry.WriteInt(L"Negative", -5));
    EXPECT_TRUE(registry.QueryInt(L"Negative", number));
    EXPECT_EQ(number, -5);

    const BYTE bytes[] = {9, 8, 7};
    ASSERT_TRUE(registry.WriteBinary(L"Blob", bytes, 3));
    std::vector<BYTE> out;
    EXPECT_TRUE(registry.ReadBinary(L"Blob", out));
    EXPECT_EQ(out, std::vector<BYTE>(bytes, bytes + 3));
    EXPECT_FALSE(registry.ReadBinary(L"Missing", out));
    EXPECT_TRUE(out.empty());
}

TEST_F(CStoreTest, TheMachineRootCannotBeOpenedForWriting)
{
    CARRegistry machine(TRUE, FALSE);
    EXPECT_FALSE(machine.CreateKey(L"Setting"));
    CARRegistry reader(TRUE, TRUE);
    EXPECT_FALSE(reader.OpenKey(L"Setting")) << "an absent machine file is empty";
}
