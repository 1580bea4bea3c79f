// Hostile text, dates past 2038, the listing cursor, SQL failures and a writer
// killed in the middle of its transaction.
#include "db_fixture.h"

#include <chrono>
#include <csignal>
#include <thread>
#include <sys/wait.h>
#include <unistd.h>

TEST_F(HistoryDbTest, QuoteAndSqlInAFileNameAreStoredAsPlainText)
{
    const std::wstring hostile = L"x'); DROP TABLE converted;--.mp4";
    VXM_CONVERTED_INFO info = Converted(hostile, L"/in/" + hostile);
    info.videoSize = L"1'x2";
    ASSERT_TRUE(m_db.AddConvertedRecord(info));
    ASSERT_TRUE(m_db.AddDownloadedRecord(Downloaded(L"it's", L"http://a/'b\"")));
    ASSERT_TRUE(m_db.AddGroups({{hostile, hostile}}));

    EXPECT_EQ(Scalar("SELECT COUNT(*) FROM sqlite_master WHERE name='converted'"), 1);
    EXPECT_EQ(m_db.GetConvertedCount(hostile), 1);
    EXPECT_EQ(m_db.FindGroup(hostile), 1);
    EXPECT_EQ(m_db.GetDownloadedCount(L"it's"), 1);
    ASSERT_TRUE(m_db.GetConvertedRecords(hostile));
    VXM_HISTORY_RECORD r;
    ASSERT_TRUE(m_db.ReadConvertedRecord(r));
    EXPECT_EQ(r.firstPath, L"/in/" + hostile);
    EXPECT_EQ(r.videoText, L"H264 | 1'X2 | 29 FPS");
    ASSERT_TRUE(m_db.GetDownloadedRecords(L"it's"));
    ASSERT_TRUE(m_db.ReadDownloadedRecord(r));
    EXPECT_EQ(r.firstPath, L"http://a/'b\"");
}

TEST_F(HistoryDbTest, DatesAfter2038AreKeptWholeAndSortedRight)
{
    s_clock = 2'000'000'000;  // 2033
    ASSERT_TRUE(m_db.AddConvertedRecord(Converted(L"P", L"/old")));
    s_clock = 4'102'444'800;  // 2100-01-01
    ASSERT_TRUE(m_db.AddConvertedRecord(Converted(L"P", L"/new")));
    ASSERT_TRUE(m_db.AddDownloadedRecord(Downloaded(L"S", L"u")));

    ASSERT_TRUE(m_db.GetConvertedRecords(L"P"));
    VXM_HISTORY_RECORD r;
    ASSERT_TRUE(m_db.ReadConvertedRecord(r));
    EXPECT_EQ(r.firstPath, L"/new");
    EXPECT_EQ(r.date, 4'102'444'800);
    ASSERT_TRUE(m_db.ReadConvertedRecord(r));
    EXPECT_EQ(r.date, 2'000'000'000);
    ASSERT_TRUE(m_db.GetDownloadedRecords(L"S"));
    ASSERT_TRUE(m_db.ReadDownloadedRecord(r));
    EXPECT_EQ(r.date, 4'102'444'800);
}

TEST_F(HistoryDbTest, LongDurationsAreNotCut)
{
    VXM_CONVERTED_INFO info = Converted(L"P", L"/long");
    info.durationMs = 3'000'000'000LL;  // 833 hours
    ASSERT_TRUE(m_db.AddConvertedRecord(info));
    ASSERT_TRUE(m_db.GetConvertedRecords(L"P"));
    VXM_HISTORY_RECORD r;
    ASSERT_TRUE(m_db.ReadConvertedRecord(r));
    EXPECT_EQ(r.durationMs, 3'000'000'000LL);
}

TEST_F(HistoryDbTest, ReadingPastTheEndReleasesTheCursor)
{
    ASSERT_TRUE(m_db.AddConvertedRecord(Converted(L"P", L"/a")));
    ASSERT_TRUE(m_db.GetConvertedRecords(L"P"));
    VXM_HISTORY_RECORD r;
    EXPECT_TRUE(m_db.ReadConvertedRecord(r));
    EXPECT_FALSE(m_db.ReadConvertedRecord(r));
    EXPECT_FALSE(m_db.ReadConvertedRecord(r));
    // The released cursor holds no read lock: another connection can write.
    CppSQLite3DB raw;
    raw.open(DbFile());
    raw.setBusyTimeout(0);
    EXPECT_NO_THROW(raw.execDML("BEGIN EXCLUSIVE; COMMIT;"));
}

TEST_F(HistoryDbTest, OpeningASecondListingEndsTheFirst)
{
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(m_db.AddConvertedRecord(Converted(L"P", L"/c" + std::to_wstring(i))));
    ASSERT_TRUE(m_db.AddDownloadedRecord(Downloaded(L"S", L"u")));
    ASSERT_TRUE(m_db.GetConvertedRecords(L"P"));
    VXM_HISTORY_RECORD r;
    ASSERT_TRUE(m_db.ReadConvertedRecord(r));
    ASSERT_TRUE(m_db.GetDownloadedRecords(L"S"));
    ASSERT_TRUE(m_db.ReadDownloadedRecord(r));
    EXPECT_EQ(r.firstPath, L"u");
    EXPECT_FALSE(m_db.ReadDownloadedRecord(r));
    EXPECT_FALSE(m_db.ReadConvertedRecord(r));  // the first listing is gone
}

TEST_F(HistoryDbTest, WritesWhileAListingIsOpenDoNotFail)
{
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(m_db.AddConvertedRecord(Converted(L"P", L"/c" + std::to_wstring(i))));
    ASSERT_TRUE(m_db.GetConvertedRecords(L"P"));
    VXM_HISTORY_RECORD r;
    ASSERT_TRUE(m_db.ReadConvertedRecord(r));
    EXPECT_TRUE(m_db.DeleteConvertedRecord(r.id, false));
    EXPECT_TRUE(m_db.AddConvertedRecord(Converted(L"Q", L"/d")));
    EXPECT_EQ(m_db.GetRecycledCount(), 1);
}

TEST_F(HistoryDbTest, SqlFailureGivesTheFailureValueAndTheStoreStaysOpen)
{
    {
        CppSQLite3DB raw;
        raw.open(DbFile());
        raw.execDML("ALTER TABLE downloaded RENAME TO downloaded_old;");
    }
    EXPECT_EQ(m_db.GetDownloadedCount(L"S"), -1);
    EXPECT_EQ(m_db.GetRecycledCount(), -1);
    EXPECT_FALSE(m_db.GetDownloadedRecords(L"S"));
    std::vector<std::wstring> sites;
    EXPECT_FALSE(m_db.GetDownloadedSites(sites));
    EXPECT_FALSE(m_db.AddDownloadedRecord(Downloaded(L"S", L"u")));
    EXPECT_FALSE(m_db.DeleteDownloadedRecord(1, false));
    // Other tables still work on the same connection.
    EXPECT_TRUE(m_db.AddConvertedRecord(Converted(L"P", L"/a")));
    EXPECT_EQ(m_db.GetConvertedCount(L"P"), 1);
}

TEST_F(HistoryDbTest, DatabaseBusyInAnotherConnectionIsWaitedFor)
{
    CppSQLite3DB other;
    other.open(DbFile());
    other.execDML("BEGIN EXCLUSIVE;");
    std::thread release([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        other.execDML("COMMIT;");
    });
    EXPECT_TRUE(m_db.AddConvertedRecord(Converted(L"P", L"/a")));
    release.join();
    EXPECT_EQ(m_db.GetConvertedCount(L"P"), 1);
}

// A writer killed at any moment leaves a database that opens, passes its
// integrity check and holds only whole transactions.
TEST(HistoryDbCrash, WriterKilledMidTransactionLeavesAValidDatabase)
{
    vxmtest::CTempDir dir;
    {
        CDBHelper db;
        ASSERT_TRUE(db.Init(W(dir.Path())));
    }
    const std::string file = dir.File("histroy_v3.db");
    constexpr int kBatch = 200;
    for (int round = 0; round < 3; ++round) {
        int ready[2];
        ASSERT_EQ(pipe(ready), 0);
        pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            close(ready[0]);
            CppSQLite3DB db;
            db.open(file);
            CppSQLite3Statement insert = db.compileStatement(
                "INSERT INTO converted VALUES (NULL, ?, 'n/a', ?, ?, '', 1, '', '', 0, '', '', '', '', '', 0, 1, 1, 0);");
            for (long n = 0;; ++n) {
                db.execDML("begin");
                for (int i = 0; i < kBatch; ++i) {
                    insert.bind(1, std::string("P"));
                    insert.bind(2, std::string(300, 'a' + i % 26));
                    insert.bind(3, std::to_string(n));
                    insert.execDML();
                    if (n == 1 && i == kBatch / 2) {
                        char c = 1;
                        (void)!write(ready[1], &c, 1);
                    }
                }
                db.execDML("end");
            }
        }
        close(ready[1]);
        char c = 0;
        ASSERT_EQ(read(ready[0], &c, 1), 1);
        close(ready[0]);
        usleep(static_cast<useconds_t>(20'000 * round));
        kill(pid, SIGKILL);
        int status = 0;
        waitpid(pid, &status, 0);
        ASSERT_TRUE(WIFSIGNALED(status));

        CDBHelper db;
        ASSERT_TRUE(db.Init(W(dir.Path())));
        int count = db.GetConvertedCount(L"P");
        EXPECT_GE(count, kBatch);
        EXPECT_EQ(count % kBatch, 0) << "a transaction was kept in part";
        CppSQLite3DB raw;
        raw.open(file);
        CppSQLite3Query q = raw.execQuery("PRAGMA integrity_check;");
        EXPECT_EQ(q.getStringField(0), "ok");
    }
}
