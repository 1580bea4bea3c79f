#include "DBHelper.h"

#include <cctype>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <random>
#include <unordered_set>

#include <sqlite3.h>

#include "Log.h"
#include "VXMGlobal.h"
#include "platform/folders.h"
#include "platform/text.h"
#include "platform/paths.h"

namespace fs = std::filesystem;

// When a listing shows a video text at all (a frame rate always shows it).
enum class HistoryVideoShown { WhenAnyText, Always, WhenSize };

// Where a listing's columns stand and how its display texts are made.
struct HistoryRecordLayout {
    int kindColumn;  // -1: every row is of `kind`
    int kind;
    int id, owner, firstPath, secondPath, thumbnail, duration, date;
    int videoCodec, fps, videoSize, audioCodec, audioBitrate, noAudio;
    bool upperSize;
    HistoryVideoShown videoShown;
};

namespace {

const char* const kLogCategory = "CDBHelper";

struct TableDef {
    const char* name;
    const char* create;
};

// Created in this order when missing; the statements are the stored schema.
const TableDef kTables[] = {
    {"converted",
     "CREATE TABLE converted(id INTEGER PRIMARY KEY, profile_name TEXT,group_name TEXT,src_file_name TEXT, "
     "dest_file_name TEXT, thumbnail_path TEXT,duration INTEGER, vcodec TEXT, vbitrate TEXT, fps NUMERIC, "
     "vsize TEXT, acodec TEXT, abitrate TEXT, asamplerate TEXT, achannel TEXT, noaudio BOOLEAN, "
     "convert_date INTEGER, is_file_exist BOOLEAN,is_deleted BOOLEAN);"},
    {"downloaded",
     "CREATE TABLE downloaded(id INTEGER PRIMARY KEY, website_name TEXT,remote_url TEXT, local_file_name TEXT, "
     "thumbnail_path TEXT,duration INTEGER, vcodec TEXT, vbitrate TEXT, fps NUMERIC, vsize TEXT, acodec TEXT, "
     "abitrate TEXT, asamplerate TEXT, achannel TEXT, noaudio BOOLEAN, download_date INTEGER, "
     "is_file_exist BOOLEAN,is_deleted BOOLEAN);"},
    {"recorded",
     "CREATE TABLE recorded(id INTEGER PRIMARY KEY, file_name TEXT,thumbnail_path TEXT,duration INTEGER, "
     "vcodec TEXT, vbitrate TEXT, fps NUMERIC, vsize TEXT, acodec TEXT, abitrate TEXT, asamplerate TEXT, "
     "achannel TEXT, noaudio BOOLEAN, record_date INTEGER, is_file_exist BOOLEAN,is_deleted BOOLEAN);"},
    {"groups", "CREATE TABLE groups(id INTEGER PRIMARY KEY, group_name TEXT, group_desc TEXT);"},
    {"profiles",
     "CREATE TABLE profiles(id INTEGER PRIMARY KEY, profile_name TEXT, profile_desc TEXT, target_device TEXT, "
     "group_id INTEGER);"},
};

// Every value is a bound parameter; no text from a file, a tag or a site enters the SQL.
const char kSqlTableExists[] = "select count(*) from sqlite_master where type='table' and name=?";
const char kSqlFindGroup[] = "SELECT id FROM groups WHERE group_name = ?";
const char kSqlFindProfile[] = "SELECT profiles.id FROM profiles WHERE profiles.profile_name = ?";
const char kSqlAllGroupNames[] = "SELECT group_name FROM groups";
const char kSqlAllProfileNames[] = "SELECT profile_name FROM profiles";
const char kSqlInsertGroup[] = "INSERT INTO groups VALUES (NULL, ?, ?);";
const char kSqlInsertProfile[] = "INSERT INTO profiles VALUES (NULL, ?, ?, ?, ?);";
const char kSqlInsertConverted[] =
    "INSERT INTO converted VALUES (NULL, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, 1, 0);";
const char kSqlInsertDownloaded[] =
    "INSERT INTO downloaded VALUES (NULL, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, 1, 0);";
const char kSqlHistoryProfiles[] =
    "SELECT DISTINCT profiles.target_device, profiles.profile_name, profiles.profile_desc FROM converted, profiles "
    "WHERE converted.profile_name = profiles.profile_name AND converted.is_deleted = 0;";
const char kSqlConvertedCount[] = "SELECT COUNT(*) FROM converted WHERE profile_name = ? AND is_deleted = 0;";
const char kSqlConvertedRecords[] =
    "SELECT * FROM converted WHERE profile_name = ? AND is_deleted = 0 ORDER BY convert_date DESC;";
const char kSqlDownloadedSites[] = "SELECT DISTINCT website_name FROM downloaded WHERE is_deleted = 0;";
const char kSqlDownloadedCount[] = "SELECT COUNT(*) FROM downloaded WHERE website_name = ? AND is_deleted = 0;";
const char kSqlDownloadedRecords[] =
    "SELECT * FROM downloaded WHERE website_name = ? AND is_deleted = 0 ORDER BY download_date DESC;";
// A record's is_deleted moves from the state it is in to the next: listed ->
// recycled -> purged, or back from recycled to listed.
const char kSqlMoveConverted[] = "UPDATE converted SET is_deleted = ? WHERE id = ? AND is_deleted = ?;";
const char kSqlMoveDownloaded[] = "UPDATE downloaded SET is_deleted = ? WHERE id = ? AND is_deleted = ?;";
constexpr int kListed = 0;
constexpr int kRecycled = 1;
constexpr int kPurged = 2;
const char kSqlRecycledCount[] =
    "SELECT COUNT(*) FROM (SELECT id FROM converted WHERE is_deleted = 1 UNION ALL SELECT id FROM downloaded "
    "WHERE is_deleted = 1 UNION ALL SELECT id FROM recorded WHERE is_deleted = 1);";
const char kSqlRecycledRecords[] =
    "SELECT 0, id, profile_name, src_file_name, dest_file_name, thumbnail_path, duration, vcodec, vbitrate, fps, "
    "vsize, acodec, abitrate, asamplerate, noaudio, achannel, convert_date FROM converted WHERE is_deleted = 1 "
    "UNION ALL SELECT 1, id, website_name, remote_url, local_file_name, thumbnail_path, duration, vcodec, vbitrate, "
    "fps, vsize, acodec, abitrate, asamplerate, noaudio, achannel, download_date FROM downloaded WHERE is_deleted = 1 "
    "UNION ALL SELECT 2, id, 'recorded', ' ', file_name, thumbnail_path, duration, vcodec, vbitrate, fps, vsize, "
    "acodec, abitrate, asamplerate, noaudio, achannel, record_date FROM recorded WHERE is_deleted = 1;";

std::int64_t RealNow()
{
    return std::chrono::duration_cast<std::chrono::seconds>(std::chrono::system_clock::now().time_since_epoch())
        .count();
}

std::int64_t (*g_now)() = RealNow;
std::unique_ptr<CDBHelper> g_instance;

std::string U8(const std::wstring& text)
{
    return WideToUtf8(text);
}

// Leading decimal digits as a number ("29.97" -> 29, "abc" -> 0).
std::int64_t LeadingInteger(const std::wstring& text)
{
    std::int64_t value = 0;
    size_t i = 0;
    while (i < text.size() && (text[i] == L' ' || text[i] == L'\t'))
        ++i;
    for (; i < text.size() && text[i] >= L'0' && text[i] <= L'9'; ++i) {
        value = value * 10 + (text[i] - L'0');
        if (value > 0x7fffffff)
            return 0x7fffffff;
    }
    return value;
}

std::wstring Upper(const std::string& utf8)
{
    return ToUpperW(Utf8ToWide(utf8));
}

// Audio text of a download: the bit rate is stored in bit/s and shown in kbit/s.
std::wstring DownloadAudioText(const CppSQLite3Query& q, int codecCol, int bitrateCol)
{
    std::string text = q.getStringField(codecCol);
    std::string bitrate = q.getStringField(bitrateCol);
    if (!bitrate.empty()) {
        int value = q.getIntField(bitrateCol);
        text += " | ";
        text += value >= 1 ? std::to_string(value / 1000) : bitrate;
        text += " kbps";
    }
    return Upper(text);
}

std::wstring StoredAudioText(const CppSQLite3Query& q, int codecCol, int bitrateCol)
{
    std::string text = q.getStringField(codecCol);
    std::string bitrate = q.getStringField(bitrateCol);
    if (!bitrate.empty())
        text += " | " + bitrate + " kbps";
    return Upper(text);
}

using Shown = HistoryVideoShown;
// Columns of `SELECT * FROM converted`, `SELECT * FROM downloaded` and the recycle bin's union.
const HistoryRecordLayout kConvertedLayout{-1, 0, 0, 1, 3, 4, 5, 6, 16, 7, 9, 10, 11, 12, 15, true, Shown::WhenAnyText};
const HistoryRecordLayout kDownloadedLayout{-1, 1, 0, 1, 2, 3, 4, 5, 15, 6, 8, 9, 10, 11, 14, false, Shown::Always};
const HistoryRecordLayout kRecycledLayout{0, 0, 1, 2, 3, 4, 5, 6, 16, 7, 9, 10, 11, 12, 14, false, Shown::WhenSize};

VXM_HISTORY_RECORD ReadRecord(const CppSQLite3Query& q, const HistoryRecordLayout& c)
{
    VXM_HISTORY_RECORD r;
    r.kind = c.kindColumn >= 0 ? q.getIntField(c.kindColumn) : c.kind;
    r.id = q.getInt64Field(c.id);
    r.ownerName = Utf8ToWide(q.getStringField(c.owner));
    r.firstPath = Utf8ToWide(q.getStringField(c.firstPath));
    r.secondPath = Utf8ToWide(q.getStringField(c.secondPath));
    r.durationMs = q.getInt64Field(c.duration);
    r.thumbnailPath = Utf8ToWide(q.getStringField(c.thumbnail));
    r.date = q.getInt64Field(c.date);
    std::wstring codec = Upper(q.getStringField(c.videoCodec));
    std::wstring size = c.upperSize ? Upper(q.getStringField(c.videoSize)) : Utf8ToWide(q.getStringField(c.videoSize));
    int fps = q.getIntField(c.fps);
    bool shown = fps != 0 || c.videoShown == Shown::Always || !size.empty() ||
                 (c.videoShown == Shown::WhenAnyText && !codec.empty());
    if (shown) {
        r.videoText = codec + L" | " + size;
        if (fps != 0)
            r.videoText += L" | " + std::to_wstring(fps) + L" FPS";
    }
    // An output without sound has no audio line (older records kept the profile's).
    if (q.getIntField(c.noAudio) == 0)
        r.audioText = r.kind == 0 ? StoredAudioText(q, c.audioCodec, c.audioBitrate)
                                  : DownloadAudioText(q, c.audioCodec, c.audioBitrate);
    return r;
}

void LogDbError(const char* what, const CppSQLite3Exception& e)
{
    LogError(kLogCategory, "DB error occurred when %s : %d : %s", what, e.errorCode(), e.errorMessage().c_str());
}

}  // namespace

// ---------------------------------------------------------------- instance

CDBHelper* CDBHelper::GetInstance()
{
    if (!g_instance)
        g_instance = std::make_unique<CDBHelper>();
    return g_instance.get();
}

void CDBHelper::DeleteInstance()
{
    g_instance.reset();
}

void CDBHelper::SetTimeSourceForTesting(std::int64_t (*now)())
{
    g_now = now ? now : RealNow;
}

CDBHelper::~CDBHelper()
{
    m_cursor.reset();
    DropStatements();
    m_db.reset();  // a failed close is swallowed by the connection
}

void CDBHelper::DropStatements()
{
    m_statements.clear();
}

CppSQLite3Statement& CDBHelper::Statement(const char* sql)
{
    auto it = m_statements.find(sql);
    if (it == m_statements.end())
        it = m_statements.emplace(sql, m_db->compileStatement(sql)).first;
    it->second.reset();  // a statement left mid-way by an earlier failure starts clean
    return it->second;
}

// Runs `body` on an open database; a database error is logged and gives `failed`.
template <class T, class F>
T CDBHelper::Guarded(const char* what, T noDatabase, T failed, F&& body)
{
    if (!m_db)
        return noDatabase;
    try {
        return body();
    } catch (const CppSQLite3Exception& e) {
        LogDbError(what, e);
        return failed;
    }
}

std::wstring CDBHelper::GetThumbnailsFolder() const
{
    return m_dataFolder + L"/Thumbnails";
}

// ---------------------------------------------------------------- opening

bool CDBHelper::Init()
{
    return Init(GetAppDataFolder());
}

bool CDBHelper::Init(const std::wstring& dataFolder)
{
    m_cursor.reset();
    DropStatements();
    m_db = std::make_unique<CppSQLite3DB>();
    m_db->setBusyTimeout(60000);
    m_dataFolder = dataFolder;
    m_dbPath = dataFolder + L"/" + Utf8ToWide(kHistoryDbFileName);
    try {
        m_db->open(U8(m_dbPath));
        LogInfo(kLogCategory, "SQLite version: %s", sqlite3_libversion());
        for (const TableDef& table : kTables) {
            CppSQLite3Statement& exists = Statement(kSqlTableExists);
            exists.bind(1, std::string(table.name));
            int count = 0;
            {
                CppSQLite3Query q = exists.execQuery();
                count = q.eof() ? 0 : q.getIntField(0);
            }
            exists.reset();
            if (count < 1) {
                LogInfo(kLogCategory, "Creating %s table", table.name);
                m_db->execDML(table.create);
            }
        }
        // The history holds the user's file paths: the user's alone.
        MakePrivateFile(m_dbPath);
        return true;
    } catch (const CppSQLite3Exception& e) {
        LogDbError("init tables", e);
        return false;
    }
}

// ---------------------------------------------------------------- catalogue mirror

int CDBHelper::FindId(const char* sql, const std::wstring& name)
{
    CppSQLite3Statement& stmt = Statement(sql);
    stmt.bind(1, U8(name));
    int id = -1;
    {
        CppSQLite3Query q = stmt.execQuery();
        if (!q.eof())
            id = q.getIntField(0);
    }
    stmt.reset();
    return id;
}

int CDBHelper::FindGroup(const std::wstring& name)
{
    return Guarded("searching group", -1, -1, [&] { return FindId(kSqlFindGroup, name); });
}

int CDBHelper::FindProfile(const std::wstring& name)
{
    return Guarded("searching profile", -1, -1, [&] { return FindId(kSqlFindProfile, name); });
}

// Every name a mirror table holds, read once so a large catalogue is checked
// in one pass instead of one search per entry.
std::unordered_set<std::string> CDBHelper::Names(const char* sql)
{
    std::unordered_set<std::string> names;
    CppSQLite3Query q = m_db->execQuery(sql);
    while (!q.eof()) {
        if (!q.fieldIsNull(0))
            names.insert(q.getStringField(0));
        q.nextRow();
    }
    return names;
}

// Inserts, in one transaction, the entries whose names the mirror table
// does not hold yet; `bind` fills the insert statement for entry i.
bool CDBHelper::InsertMissing(const char* namesSql, const char* insertSql, const std::vector<std::wstring>& names,
                              const std::function<void(CppSQLite3Statement&, size_t)>& bind)
{
    if (!m_db)
        return false;
    try {
        m_db->execDML("begin");
        std::unordered_set<std::string> known = Names(namesSql);
        for (size_t i = 0; i < names.size(); ++i) {
            if (!known.insert(U8(names[i])).second)
                continue;
            CppSQLite3Statement& insert = Statement(insertSql);
            bind(insert, i);
            insert.execDML();
        }
        m_db->execDML("end");
        return true;
    } catch (const CppSQLite3Exception& e) {
        LogDbError("inserting", e);
        try {
            m_db->execDML("rollback");
        } catch (const CppSQLite3Exception&) {
        }
        return false;
    }
}

template <class Entry>
static std::vector<std::wstring> NamesOf(const std::vector<Entry>& entries)
{
    std::vector<std::wstring> names;
    for (const Entry& entry : entries)
        names.push_back(entry.name);
    return names;
}

bool CDBHelper::AddGroups(const std::vector<VXM_HISTORY_GROUP>& groups)
{
    return InsertMissing(kSqlAllGroupNames, kSqlInsertGroup, NamesOf(groups), [&](CppSQLite3Statement& insert, size_t i) {
        insert.bindFrom(1, U8(groups[i].name), U8(groups[i].desc));
    });
}

bool CDBHelper::AddProfiles(const std::vector<VXM_HISTORY_PROFILE>& profiles)
{
    return InsertMissing(kSqlAllProfileNames, kSqlInsertProfile, NamesOf(profiles),
                         [&](CppSQLite3Statement& insert, size_t i) {
                             const VXM_HISTORY_PROFILE& p = profiles[i];
                             insert.bindFrom(1, U8(p.name), U8(p.desc), U8(p.targetDevice), 0);
                         });
}

// ---------------------------------------------------------------- records

// Private copy of a thumbnail under a unique name; empty when there is none
// or the copy fails (the record is still written).
std::wstring CDBHelper::CopyThumbnail(const std::wstring& source)
{
    std::error_code ec;
    fs::path folder(U8(GetThumbnailsFolder()));
    MakePrivateFolder(GetThumbnailsFolder());
    if (source.empty())
        return {};
    fs::path from(U8(source));
    if (!fs::is_regular_file(from, ec))
        return {};
    static std::mt19937_64 random{std::random_device{}()};
    for (int attempt = 0; attempt < 16; ++attempt) {
        char name[32];
        std::snprintf(name, sizeof(name), "%016llx.jpg", static_cast<unsigned long long>(random()));
        fs::path target = folder / name;
        // Claim the name exclusively so two records never share a file.
        FILE* claim = std::fopen(target.c_str(), "wbx");
        if (!claim)
            continue;
        std::fclose(claim);
        MakePrivateFile(WideFromPath(target));
        if (fs::copy_file(from, target, fs::copy_options::overwrite_existing, ec) &&
            MakePrivateFile(WideFromPath(target)))
            return WideFromPath(target);
        fs::remove(target, ec);
        return {};
    }
    return {};
}

// One history record: `bind` fills the values before the date (the thumbnail
// copy's path given) and answers the date's place.
template <class F>
bool CDBHelper::InsertRecord(const char* sql, const std::wstring& thumbnailSource, F&& bind)
{
    if (!m_db)
        return false;
    std::wstring thumbnail = CopyThumbnail(thumbnailSource);
    std::int64_t date = g_now();
    return Guarded("inserting", false, false, [&] {
        CppSQLite3Statement& insert = Statement(sql);
        insert.bind(bind(insert, U8(thumbnail)), date);
        insert.execDML();
        return true;
    });
}

bool CDBHelper::AddConvertedRecord(const VXM_CONVERTED_INFO& info)
{
    return InsertRecord(kSqlInsertConverted, info.thumbnailSource, [&](CppSQLite3Statement& insert,
                                                                       const std::string& thumbnail) {
        return insert.bindFrom(1, U8(info.profileName), U8(info.groupName), U8(info.sourcePath), U8(info.outputPath),
                               thumbnail, info.durationMs, U8(info.videoCodec), U8(info.videoBitrate),
                               LeadingInteger(info.frameRate), U8(info.videoSize), U8(info.audioCodec),
                               U8(info.audioBitrate), U8(info.sampleRate), U8(info.channels),
                               info.audioDisabled ? 1 : 0);
    });
}

bool CDBHelper::AddDownloadedRecord(const VXM_DOWNLOADED_INFO& info)
{
    return InsertRecord(kSqlInsertDownloaded, info.thumbnailSource, [&](CppSQLite3Statement& insert,
                                                                        const std::string& thumbnail) {
        int i = insert.bindFrom(1, U8(info.siteName), U8(info.pageUrl), U8(info.localFile), thumbnail,
                                info.durationMs);
        // The frame rate as text, so the column's numeric affinity stores it as before ("29.97").
        if (info.hasVideo)
            i = insert.bindFrom(i, U8(info.videoCodec), FormatA("%.0lf", info.videoBitrateKbps),
                                FormatA("%.2lf", info.frameRate), FormatA("%dx%d", info.width, info.height));
        else
            i = insert.bindFrom(i, std::string("-"), std::string("-"), std::string("0.00"), std::string("-"));
        if (info.hasAudio)
            i = insert.bindFrom(i, U8(info.audioCodec), std::to_string(info.audioBitrate),
                                std::to_string(info.sampleRate), std::to_string(info.channels));
        else
            i = insert.bindFrom(i, std::string(), std::string(), std::string(), std::string());
        return insert.bindFrom(i, info.audioTrackCount <= 0 ? 1 : 0);
    });
}

// ---------------------------------------------------------------- lists and counts

bool CDBHelper::GetHistoryProfiles(std::vector<std::wstring>& targetDevices, std::vector<std::wstring>& names,
                                   std::vector<std::wstring>& descs)
{
    return Guarded("get profiles", false, false, [&] {
        CppSQLite3Query q = m_db->execQuery(kSqlHistoryProfiles);
        for (; !q.eof(); q.nextRow()) {
            targetDevices.push_back(Utf8ToWide(q.getStringField(0)));
            names.push_back(Utf8ToWide(q.getStringField(1)));
            descs.push_back(Utf8ToWide(q.getStringField(2)));
        }
        return true;
    });
}

bool CDBHelper::GetDownloadedSites(std::vector<std::wstring>& sites)
{
    return Guarded("get downloaded sites", false, false, [&] {
        CppSQLite3Query q = m_db->execQuery(kSqlDownloadedSites);
        for (; !q.eof(); q.nextRow())
            sites.push_back(Utf8ToWide(q.getStringField(0)));
        return true;
    });
}

int CDBHelper::GetConvertedCount(const std::wstring& profileName)
{
    return Guarded("get converted count", 0, -1, [&] { return FindId(kSqlConvertedCount, profileName); });
}

int CDBHelper::GetDownloadedCount(const std::wstring& siteName)
{
    return Guarded("get downloaded count", 0, -1, [&] { return FindId(kSqlDownloadedCount, siteName); });
}

int CDBHelper::GetRecycledCount()
{
    return Guarded("get recorded count", 0, -1, [&] { return m_db->execScalar(kSqlRecycledCount); });
}

// ---------------------------------------------------------------- cursor

bool CDBHelper::OpenCursor(const char* sql, const std::wstring* param, const char* what)
{
    m_cursor.reset();
    return Guarded(what, false, false, [&] {
        CppSQLite3Statement stmt = m_db->compileStatement(sql);
        if (param)
            stmt.bind(1, U8(*param));
        m_cursor = std::make_unique<CppSQLite3Query>(stmt.detachQuery());
        return true;
    });
}

bool CDBHelper::GetConvertedRecords(const std::wstring& profileName)
{
    return OpenCursor(kSqlConvertedRecords, &profileName, "get converted records");
}

bool CDBHelper::GetDownloadedRecords(const std::wstring& siteName)
{
    return OpenCursor(kSqlDownloadedRecords, &siteName, "get downloaded records");
}

bool CDBHelper::GetRecycledRecords()
{
    return OpenCursor(kSqlRecycledRecords, nullptr, "get recycled records");
}

// The cursor's next row in `layout`; false (and the cursor closed) at its end or on an error.
bool CDBHelper::ReadCursor(VXM_HISTORY_RECORD& record, const HistoryRecordLayout& layout, const char* what)
{
    if (!m_cursor)
        return false;
    try {
        CppSQLite3Query& q = *m_cursor;
        if (q.eof()) {
            m_cursor.reset();
            return false;
        }
        VXM_HISTORY_RECORD r = ReadRecord(q, layout);
        q.nextRow();
        record = std::move(r);
        return true;
    } catch (const CppSQLite3Exception& e) {
        LogDbError(what, e);
        m_cursor.reset();
        return false;
    }
}

bool CDBHelper::ReadConvertedRecord(VXM_HISTORY_RECORD& record)
{
    return ReadCursor(record, kConvertedLayout, "get converted records");
}

bool CDBHelper::ReadDownloadedRecord(VXM_HISTORY_RECORD& record)
{
    return ReadCursor(record, kDownloadedLayout, "get downloaded records");
}

bool CDBHelper::ReadRecycledRecord(VXM_HISTORY_RECORD& record)
{
    return ReadCursor(record, kRecycledLayout, "get recycled records");
}

// ---------------------------------------------------------------- recycle bin

bool CDBHelper::MoveRecord(const char* sql, std::int64_t id, int from, int to)
{
    return Guarded("update records", false, false, [&] {
        CppSQLite3Statement& update = Statement(sql);
        update.bind(1, to);
        update.bind(2, id);
        update.bind(3, from);
        update.execDML();
        return true;
    });
}

bool CDBHelper::DeleteConvertedRecord(std::int64_t id, bool purge)
{
    return purge ? MoveRecord(kSqlMoveConverted, id, kRecycled, kPurged)
                 : MoveRecord(kSqlMoveConverted, id, kListed, kRecycled);
}

bool CDBHelper::DeleteDownloadedRecord(std::int64_t id, bool purge)
{
    return purge ? MoveRecord(kSqlMoveDownloaded, id, kRecycled, kPurged)
                 : MoveRecord(kSqlMoveDownloaded, id, kListed, kRecycled);
}

bool CDBHelper::RestoreConvertedRecord(std::int64_t id)
{
    return MoveRecord(kSqlMoveConverted, id, kRecycled, kListed);
}

bool CDBHelper::RestoreDownloadedRecord(std::int64_t id)
{
    return MoveRecord(kSqlMoveDownloaded, id, kRecycled, kListed);
}
