// Ten thousand conversions recorded one by one, then listed: the history must
// stay quick for a user who converts a lot.
#include "core_db/db_fixture.h"

#include <chrono>

TEST_F(HistoryDbTest, TenThousandRecordsAreAddedAndListedQuickly)
{
    using Clock = std::chrono::steady_clock;
    constexpr int kRecords = 10'000;
    auto start = Clock::now();
    for (int i = 0; i < kRecords; ++i) {
        ++s_clock;
        ASSERT_TRUE(m_db.AddConvertedRecord(Converted(L"Bulk", L"/media/clip" + std::to_wstring(i) + L".avi")));
    }
    auto added = Clock::now();
    EXPECT_EQ(m_db.GetConvertedCount(L"Bulk"), kRecords);
    ASSERT_TRUE(m_db.GetConvertedRecords(L"Bulk"));
    VXM_HISTORY_RECORD r;
    int listed = 0;
    std::int64_t previous = INT64_MAX;
    while (m_db.ReadConvertedRecord(r)) {
        EXPECT_LT(r.date, previous);
        previous = r.date;
        ++listed;
    }
    auto done = Clock::now();
    EXPECT_EQ(listed, kRecords);
    auto ms = [](auto d) { return std::chrono::duration_cast<std::chrono::milliseconds>(d).count(); };
    std::printf("[ bench    ] %d records added in %lld ms, counted and listed in %lld ms\n", kRecords,
                static_cast<long long>(ms(added - start)), static_cast<long long>(ms(done - added)));
    EXPECT_LT(ms(done - added), 5'000);
}

TEST_F(HistoryDbTest, TenThousandCatalogueProfilesAreMirroredInOneTransaction)
{
    using Clock = std::chrono::steady_clock;
    std::vector<VXM_HISTORY_PROFILE> profiles;
    for (int i = 0; i < 10'000; ++i)
        profiles.push_back({L"Profile " + std::to_wstring(i), L"desc", L"device"});
    auto start = Clock::now();
    ASSERT_TRUE(m_db.AddProfiles(profiles));
    auto first = Clock::now();
    ASSERT_TRUE(m_db.AddProfiles(profiles));  // the next start: all known
    auto second = Clock::now();
    EXPECT_EQ(Scalar("SELECT COUNT(*) FROM profiles"), 10'000);
    auto ms = [](auto d) { return static_cast<long long>(std::chrono::duration_cast<std::chrono::milliseconds>(d).count()); };
    std::printf("[ bench    ] 10000 profiles mirrored in %lld ms, checked again in %lld ms\n", ms(first - start),
                ms(second - first));
}
