// Mirroring the profile catalogue's group and profile names.
#include "db_fixture.h"

TEST_F(HistoryDbTest, GroupsAndProfilesAreInsertedOnceAndFound)
{
    ASSERT_TRUE(m_db.AddGroups({{L"Apple", L"Apple devices"}, {L"Android", L"Phones"}}));
    ASSERT_TRUE(m_db.AddProfiles({{L"iPhone 15", L"H.264 720p", L"iPhone"}, {L"Pixel", L"d", L"Google"}}));
    EXPECT_EQ(m_db.FindGroup(L"Apple"), 1);
    EXPECT_EQ(m_db.FindGroup(L"Android"), 2);
    EXPECT_EQ(m_db.FindGroup(L"Nokia"), -1);
    EXPECT_EQ(m_db.FindProfile(L"Pixel"), 2);
    EXPECT_EQ(m_db.FindProfile(L"pixel"), -1);
    EXPECT_EQ(Text("SELECT target_device FROM profiles WHERE id = 1"), "iPhone");
    EXPECT_EQ(Scalar("SELECT group_id FROM profiles WHERE id = 2"), 0);

    // A second start with the same catalogue adds nothing and changes nothing.
    ASSERT_TRUE(m_db.AddGroups({{L"Apple", L"new text"}, {L"Android", L"Phones"}}));
    ASSERT_TRUE(m_db.AddProfiles({{L"iPhone 15", L"other", L"other"}}));
    EXPECT_EQ(Scalar("SELECT COUNT(*) FROM groups"), 2);
    EXPECT_EQ(Scalar("SELECT COUNT(*) FROM profiles"), 2);
    EXPECT_EQ(Text("SELECT group_desc FROM groups WHERE id = 1"), "Apple devices");
}

TEST_F(HistoryDbTest, NameRepeatedInOneCatalogueIsStoredOnce)
{
    ASSERT_TRUE(m_db.AddGroups({{L"Audio", L"a"}, {L"Audio", L"b"}, {L"", L""}, {L"", L""}}));
    EXPECT_EQ(Scalar("SELECT COUNT(*) FROM groups"), 2);
    ASSERT_TRUE(m_db.AddGroups({{L"", L""}}));
    EXPECT_EQ(Scalar("SELECT COUNT(*) FROM groups"), 2);
}

TEST_F(HistoryDbTest, FailedCatalogueBatchIsRolledBackWhole)
{
    {
        CppSQLite3DB raw;
        raw.open(DbFile());
        // A trigger makes the third insert fail.
        raw.execDML("CREATE TRIGGER no_bad BEFORE INSERT ON profiles WHEN NEW.profile_name = 'bad' "
                    "BEGIN SELECT RAISE(ABORT, 'refused'); END;");
    }
    EXPECT_FALSE(m_db.AddProfiles({{L"one", L"", L""}, {L"two", L"", L""}, {L"bad", L"", L""}}));
    EXPECT_EQ(Scalar("SELECT COUNT(*) FROM profiles"), 0);
    // The store is still usable afterwards, with no transaction left open.
    EXPECT_TRUE(m_db.AddProfiles({{L"one", L"", L""}}));
    EXPECT_EQ(Scalar("SELECT COUNT(*) FROM profiles"), 1);
}

TEST_F(HistoryDbTest, EmptyCatalogueStillSucceeds)
{
    EXPECT_TRUE(m_db.AddGroups(std::vector<VXM_HISTORY_GROUP>{}));
    EXPECT_TRUE(m_db.AddProfiles(std::vector<VXM_HISTORY_PROFILE>{}));
}
