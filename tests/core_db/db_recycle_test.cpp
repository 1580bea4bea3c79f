// The recycle bin: live -> recycled -> purged, never back, never physically removed.
#include "db_fixture.h"

TEST_F(HistoryDbTest, RecordMovesLiveToRecycledToPurged)
{
    ASSERT_TRUE(m_db.AddConvertedRecord(Converted(L"P", L"/a")));
    ASSERT_TRUE(m_db.AddConvertedRecord(Converted(L"P", L"/b")));
    EXPECT_EQ(m_db.GetConvertedCount(L"P"), 2);
    EXPECT_EQ(m_db.GetRecycledCount(), 0);

    ASSERT_TRUE(m_db.DeleteConvertedRecord(1, false));
    EXPECT_EQ(Scalar("SELECT is_deleted FROM converted WHERE id = 1"), 1);
    EXPECT_EQ(m_db.GetConvertedCount(L"P"), 1);
    EXPECT_EQ(m_db.GetRecycledCount(), 1);

    ASSERT_TRUE(m_db.DeleteConvertedRecord(1, true));
    EXPECT_EQ(Scalar("SELECT is_deleted FROM converted WHERE id = 1"), 2);
    EXPECT_EQ(m_db.GetConvertedCount(L"P"), 1);
    EXPECT_EQ(m_db.GetRecycledCount(), 0);
    EXPECT_EQ(Scalar("SELECT COUNT(*) FROM converted"), 2);  // rows stay in the file

    ASSERT_TRUE(m_db.GetRecycledRecords());
    VXM_HISTORY_RECORD r;
    EXPECT_FALSE(m_db.ReadRecycledRecord(r));
}

TEST_F(HistoryDbTest, DeleteInTheWrongStateChangesNothingAndSucceeds)
{
    ASSERT_TRUE(m_db.AddDownloadedRecord(Downloaded(L"S", L"u")));
    EXPECT_TRUE(m_db.DeleteDownloadedRecord(1, true));  // purge of a live row
    EXPECT_EQ(Scalar("SELECT is_deleted FROM downloaded WHERE id = 1"), 0);
    ASSERT_TRUE(m_db.DeleteDownloadedRecord(1, false));
    EXPECT_TRUE(m_db.DeleteDownloadedRecord(1, false));  // already recycled
    EXPECT_EQ(Scalar("SELECT is_deleted FROM downloaded WHERE id = 1"), 1);
    ASSERT_TRUE(m_db.DeleteDownloadedRecord(1, true));
    EXPECT_TRUE(m_db.DeleteDownloadedRecord(1, false));  // purged stays purged
    EXPECT_EQ(Scalar("SELECT is_deleted FROM downloaded WHERE id = 1"), 2);
    EXPECT_TRUE(m_db.DeleteDownloadedRecord(999, false));
}

TEST_F(HistoryDbTest, DeletesOnlyTouchTheirOwnTable)
{
    ASSERT_TRUE(m_db.AddConvertedRecord(Converted(L"P", L"/a")));
    ASSERT_TRUE(m_db.AddDownloadedRecord(Downloaded(L"S", L"u")));
    ASSERT_TRUE(m_db.DeleteConvertedRecord(1, false));
    EXPECT_EQ(Scalar("SELECT is_deleted FROM downloaded WHERE id = 1"), 0);
}

TEST_F(HistoryDbTest, RecycleBinListsConvertedThenDownloadedThenRecorded)
{
    {
        CppSQLite3DB raw;
        raw.open(DbFile());
        raw.execDML("INSERT INTO recorded VALUES (NULL, '/rec/cam.mkv', '', 9000, 'mjpeg', '', 0, '', 'pcm', "
                    "'1411000', '44100', '2', 0, 1700000000, 1, 1);");
    }
    ASSERT_TRUE(m_db.AddDownloadedRecord(Downloaded(L"Site", L"http://page")));
    ASSERT_TRUE(m_db.AddConvertedRecord(Converted(L"P", L"/src.avi")));
    ASSERT_TRUE(m_db.AddConvertedRecord(Converted(L"P", L"/src2.avi")));
    ASSERT_TRUE(m_db.DeleteDownloadedRecord(1, false));
    ASSERT_TRUE(m_db.DeleteConvertedRecord(2, false));
    ASSERT_TRUE(m_db.DeleteConvertedRecord(1, false));
    EXPECT_EQ(m_db.GetRecycledCount(), 4);

    ASSERT_TRUE(m_db.GetRecycledRecords());
    VXM_HISTORY_RECORD r;
    ASSERT_TRUE(m_db.ReadRecycledRecord(r));
    EXPECT_EQ(r.kind, 0);
    EXPECT_EQ(r.id, 1);
    EXPECT_EQ(r.firstPath, L"/src.avi");
    EXPECT_EQ(r.secondPath, L"/src.avi.out.mp4");
    EXPECT_EQ(r.videoText, L"H264 | 1280x720 | 29 FPS");
    EXPECT_EQ(r.audioText, L"AAC | 128 KBPS");  // stored text as it is
    ASSERT_TRUE(m_db.ReadRecycledRecord(r));
    EXPECT_EQ(r.kind, 0);
    EXPECT_EQ(r.id, 2);
    ASSERT_TRUE(m_db.ReadRecycledRecord(r));
    EXPECT_EQ(r.kind, 1);
    EXPECT_EQ(r.firstPath, L"http://page");
    EXPECT_EQ(r.audioText, L"AAC | 128 KBPS");  // bit/s shown in kbit/s
    ASSERT_TRUE(m_db.ReadRecycledRecord(r));
    EXPECT_EQ(r.kind, 2);
    EXPECT_EQ(r.firstPath, L" ");
    EXPECT_EQ(r.secondPath, L"/rec/cam.mkv");
    EXPECT_EQ(r.videoText, L"");  // no size, no fps
    EXPECT_EQ(r.audioText, L"PCM | 1411 KBPS");
    EXPECT_FALSE(m_db.ReadRecycledRecord(r));
}
