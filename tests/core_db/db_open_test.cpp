// Opening the history database: the stored schema, existing files, failures.
#include "db_fixture.h"

#include "Log.h"

#include <filesystem>
#include <fstream>

namespace {

const char* const kSchema[][2] = {
    {"converted",
     "CREATE TABLE converted(id INTEGER PRIMARY KEY, profile_name TEXT,group_name TEXT,src_file_name TEXT, "
     "dest_file_name TEXT, thumbnail_path TEXT,duration INTEGER, vcodec TEXT, vbitrate TEXT, fps NUMERIC, "
     "vsize TEXT, acodec TEXT, abitrate TEXT, asamplerate TEXT, achannel TEXT, noaudio BOOLEAN, "
     "convert_date INTEGER, is_file_exist BOOLEAN,is_deleted BOOLEAN)"},
    {"downloaded",
     "CREATE TABLE downloaded(id INTEGER PRIMARY KEY, website_name TEXT,remote_url TEXT, local_file_name TEXT, "
     "thumbnail_path TEXT,duration INTEGER, vcodec TEXT, vbitrate TEXT, fps NUMERIC, vsize TEXT, acodec TEXT, "
     "abitrate TEXT, asamplerate TEXT, achannel TEXT, noaudio BOOLEAN, download_date INTEGER, "
     "is_file_exist BOOLEAN,is_deleted BOOLEAN)"},
    {"recorded",
     "CREATE TABLE recorded(id INTEGER PRIMARY KEY, file_name TEXT,thumbnail_path TEXT,duration INTEGER, "
     "vcodec TEXT, vbitrate TEXT, fps NUMERIC, vsize TEXT, acodec TEXT, abitrate TEXT, asamplerate TEXT, "
     "achannel TEXT, noaudio BOOLEAN, record_date INTEGER, is_file_exist BOOLEAN,is_deleted BOOLEAN)"},
    {"groups", "CREATE TABLE groups(id INTEGER PRIMARY KEY, group_name TEXT, group_desc TEXT)"},
    {"profiles",
     "CREATE TABLE profiles(id INTEGER PRIMARY KEY, profile_name TEXT, profile_desc TEXT, target_device TEXT, "
     "group_id INTEGER)"},
};

}  // namespace

TEST_F(HistoryDbTest, NewDatabaseHasTheFiveTablesInOrderWithTheStoredSchema)
{
    ASSERT_TRUE(std::filesystem::exists(DbFile()));
    CppSQLite3DB raw;
    raw.open(DbFile());
    CppSQLite3Query q = raw.execQuery("SELECT name, sql FROM sqlite_master WHERE type='table' ORDER BY rowid");
    for (const auto& table : kSchema) {
        ASSERT_FALSE(q.eof()) << table[0];
        EXPECT_EQ(q.getStringField(0), table[0]);
        EXPECT_EQ(q.getStringField(1), table[1]);
        q.nextRow();
    }
    EXPECT_TRUE(q.eof());
}

TEST_F(HistoryDbTest, ReopeningKeepsRowsAndCreatesOnlyMissingTables)
{
    ASSERT_TRUE(m_db.AddConvertedRecord(Converted(L"MP4", L"/a.avi")));
    {
        CppSQLite3DB raw;
        raw.open(DbFile());
        raw.execDML("DROP TABLE recorded;");
    }
    CDBHelper again;
    ASSERT_TRUE(again.Init(W(m_dir.Path())));
    EXPECT_EQ(again.GetConvertedCount(L"MP4"), 1);
    EXPECT_EQ(Scalar("SELECT COUNT(*) FROM sqlite_master WHERE type='table'"), 5);
    // The recreated table is last now: nothing else was dropped and recreated.
    EXPECT_EQ(Text("SELECT name FROM sqlite_master WHERE type='table' ORDER BY rowid DESC LIMIT 1"), "recorded");
}

TEST_F(HistoryDbTest, DatabaseFromAnEarlierVersionWith32BitDatesStillLists)
{
    {
        CppSQLite3DB raw;
        raw.open(DbFile());
        raw.execDML("INSERT INTO converted VALUES (NULL, 'MP4', 'n/a', 'C:\\in.avi', 'C:\\out.mp4', '', '5000', "
                    "'h264', '800', '25', '320x240', 'aac', '96', '44100', '2', '0', '1262304000', 1, 0);");
    }
    ASSERT_TRUE(m_db.GetConvertedRecords(L"MP4"));
    VXM_HISTORY_RECORD r;
    ASSERT_TRUE(m_db.ReadConvertedRecord(r));
    EXPECT_EQ(r.date, 1262304000);
    EXPECT_EQ(r.durationMs, 5000);
    EXPECT_EQ(r.firstPath, L"C:\\in.avi");
    EXPECT_EQ(r.videoText, L"H264 | 320X240 | 25 FPS");
}

TEST(HistoryDbOpen, StoreWithoutInitFailsEveryOperationQuietly)
{
    CDBHelper db;
    EXPECT_EQ(db.FindGroup(L"x"), -1);
    EXPECT_EQ(db.FindProfile(L"x"), -1);
    EXPECT_FALSE(db.AddGroups({{L"g", L"d"}}));
    EXPECT_FALSE(db.AddConvertedRecord(VXM_CONVERTED_INFO{}));
    EXPECT_EQ(db.GetConvertedCount(L"x"), 0);
    EXPECT_EQ(db.GetRecycledCount(), 0);
    EXPECT_FALSE(db.GetRecycledRecords());
    VXM_HISTORY_RECORD r;
    EXPECT_FALSE(db.ReadRecycledRecord(r));
}

TEST(HistoryDbOpen, FileThatIsNoDatabaseFailsInitAndLaterCallsReportFailure)
{
    vxmtest::CTempDir dir;
    {
        std::ofstream junk(dir.File("histroy_v3.db"), std::ios::binary);
        junk << std::string(4096, 'x');
    }
    CDBHelper db;
    EXPECT_FALSE(db.Init(W(dir.Path())));
    EXPECT_EQ(db.GetConvertedCount(L"MP4"), -1);
    EXPECT_EQ(db.GetRecycledCount(), -1);
    EXPECT_FALSE(db.AddConvertedRecord(VXM_CONVERTED_INFO{}));
    EXPECT_FALSE(db.GetConvertedRecords(L"MP4"));
    // The user's file is not replaced or truncated.
    EXPECT_EQ(std::filesystem::file_size(dir.File("histroy_v3.db")), 4096u);
}

TEST(HistoryDbOpen, FolderThatCannotHoldTheFileFailsInit)
{
    vxmtest::CTempDir dir;
    std::ofstream(dir.File("plainfile")) << "x";
    CDBHelper db;
    EXPECT_FALSE(db.Init(W(dir.File("plainfile"))));
    EXPECT_EQ(db.FindGroup(L"g"), -1);
}

TEST(HistoryDbOpen, InstanceIsMadeOnceAndDeletedOnRequest)
{
    CDBHelper* first = CDBHelper::GetInstance();
    EXPECT_EQ(first, CDBHelper::GetInstance());
    CDBHelper::DeleteInstance();
    CDBHelper* second = CDBHelper::GetInstance();
    ASSERT_NE(second, nullptr);
    CDBHelper::DeleteInstance();
}

TEST(HistoryDbLog, NewTablesAreAnnouncedInOrderAndErrorsCarryCodeAndMessage)
{
    vxmtest::CTempDir dir;
    const std::string log = dir.File("vxm.log");
    InitLogger(log.c_str());
    {
        CDBHelper db;
        ASSERT_TRUE(db.Init(W(dir.Path())));
        CppSQLite3DB raw;
        raw.open(dir.File("histroy_v3.db"));
        raw.execDML("DROP TABLE converted;");
        EXPECT_EQ(db.GetConvertedCount(L"x'y"), -1);
    }
    UninitLogger();
    std::ifstream in(log);
    std::string text((std::istreambuf_iterator<char>(in)), {});
    size_t at = 0;
    for (const char* table : {"converted", "downloaded", "recorded", "groups", "profiles"}) {
        size_t found = text.find(std::string("Creating ") + table + " table", at);
        ASSERT_NE(found, std::string::npos) << table;
        at = found;
    }
    EXPECT_NE(text.find("ERROR CDBHelper <> - DB error occurred when get converted count : 1 : "
                        "SQLITE_ERROR[1]: no such table: converted"),
              std::string::npos)
        << text;
}
