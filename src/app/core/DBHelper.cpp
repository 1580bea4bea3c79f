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
#include "platform/text.h"

namespace fs = std::filesystem;

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
const char kSqlRecycleConverted[] = "UPDATE converted SET is_deleted = 1 WHERE id = ? AND is_deleted = 0;";
const char kSqlPurgeConverted[] = "UPDATE converted SET is_deleted = 2 WHERE id = ? AND is_deleted = 1;";
const char kSqlRecycleDownloaded[] = "UPDATE downloaded SET is_deleted = 1 WHERE id = ? AND is_deleted = 0;";
const char kSqlPurgeDownloaded[] = "UPDATE downloaded SET is_deleted = 2 WHERE id = ? AND is_deleted = 1;";
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

std::string FpsSuffix(int fps)
{
    return " | " + std::to_string(fps) + " FPS";
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
        return true;
    } catch (const CppSQLite3Exception& e) {
        LogError(kLogCategory, "DB error occurred when init tables : %d : %s", e.errorCode(), e.errorMessage().c_str());
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
    if (!m_db)
        return -1;
    try {
        return FindId(kSqlFindGroup, name);
    } catch (const CppSQLite3Exception& e) {
        LogError(kLogCategory, "DB error occurred when searching group : %d : %s", e.errorCode(),
                 e.errorMessage().c_str());
        return -1;
    }
}

int CDBHelper::FindProfile(const std::wstring& name)
{
    if (!m_db)
        return -1;
    try {
        return FindId(kSqlFindProfile, name);
    } catch (const CppSQLite3Exception& e) {
        LogError(kLogCategory, "DB error occurred when searching profile : %d : %s", e.errorCode(),
                 e.errorMessage().c_str());
        return -1;
    }
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
        LogError(kLogCategory, "DB error occurred when inserting : %d : %s", e.errorCode(), e.errorMessage().c_str());
        try {
            m_db->execDML("rollback");
        } catch (const CppSQLite3Exception&) {
        }
        return false;
    }
}

bool CDBHelper::AddGroups(const std::vector<VXM_HISTORY_GROUP>& groups)
{
    std::vector<std::wstring> names;
    for (const VXM_HISTORY_GROUP& group : groups)
        names.push_back(group.name);
    return InsertMissing(kSqlAllGroupNames, kSqlInsertGroup, names, [&](CppSQLite3Statement& insert, size_t i) {
        insert.bind(1, U8(groups[i].name));
        insert.bind(2, U8(groups[i].desc));
    });
}

bool CDBHelper::AddProfiles(const std::vector<VXM_HISTORY_PROFILE>& profiles)
{
    std::vector<std::wstring> names;
    for (const VXM_HISTORY_PROFILE& profile : profiles)
        names.push_back(profile.name);
    return InsertMissing(kSqlAllProfileNames, kSqlInsertProfile, names, [&](CppSQLite3Statement& insert, size_t i) {
        insert.bind(1, U8(profiles[i].name));
        insert.bind(2, U8(profiles[i].desc));
        insert.bind(3, U8(profiles[i].targetDevice));
        insert.bind(4, 0);
    });
}

// ---------------------------------------------------------------- records

// Private copy of a thumbnail under a unique name; empty when there is none
// or the copy fails (the record is still written).
std::wstring CDBHelper::CopyThumbnail(const std::wstring& source)
{
    std::error_code ec;
    fs::path folder(U8(GetThumbnailsFolder()));
    fs::create_directories(folder, ec);
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
        if (fs::copy_file(from, target, fs::copy_options::overwrite_existing, ec))
            return Utf8ToWide(target.string());
        fs::remove(target, ec);
        return {};
    }
    return {};
}

bool CDBHelper::AddConvertedRecord(const VXM_CONVERTED_INFO& info)
{
    if (!m_db)
        return false;
    std::wstring thumbnail = CopyThumbnail(info.thumbnailSource);
    std::int64_t date = g_now();
    try {
        CppSQLite3Statement& insert = Statement(kSqlInsertConverted);
        int i = 1;
        insert.bind(i++, U8(info.profileName));
        insert.bind(i++, std::string("n/a"));
        insert.bind(i++, U8(info.sourcePath));
        insert.bind(i++, U8(info.outputPath));
        insert.bind(i++, U8(thumbnail));
        insert.bind(i++, info.durationMs);
        insert.bind(i++, U8(info.videoCodec));
        insert.bind(i++, U8(info.videoBitrate));
        insert.bind(i++, LeadingInteger(info.frameRate));
        insert.bind(i++, U8(info.videoSize));
        insert.bind(i++, U8(info.audioCodec));
        insert.bind(i++, U8(info.audioBitrate));
        insert.bind(i++, U8(info.sampleRate));
        insert.bind(i++, U8(info.channels));
        insert.bind(i++, info.audioDisabled ? 1 : 0);
        insert.bind(i++, date);
        insert.execDML();
        return true;
    } catch (const CppSQLite3Exception& e) {
        LogError(kLogCategory, "DB error occurred when inserting : %d : %s", e.errorCode(), e.errorMessage().c_str());
        return false;
    }
}

bool CDBHelper::AddDownloadedRecord(const VXM_DOWNLOADED_INFO& info)
{
    if (!m_db)
        return false;
    std::wstring thumbnail = CopyThumbnail(info.thumbnailSource);
    std::int64_t date = g_now();
    try {
        CppSQLite3Statement& insert = Statement(kSqlInsertDownloaded);
        int i = 1;
        insert.bind(i++, U8(info.siteName));
        insert.bind(i++, U8(info.pageUrl));
        insert.bind(i++, U8(info.localFile));
        insert.bind(i++, U8(thumbnail));
        insert.bind(i++, info.durationMs);
        if (info.hasVideo) {
            insert.bind(i++, U8(info.videoCodec));
            insert.bind(i++, FormatA("%.0lf", info.videoBitrateKbps));
            // As text, so the column's numeric affinity stores it as before ("29.97").
            insert.bind(i++, FormatA("%.2lf", info.frameRate));
            insert.bind(i++, FormatA("%dx%d", info.width, info.height));
        } else {
            insert.bind(i++, std::string("-"));
            insert.bind(i++, std::string("-"));
            insert.bind(i++, std::string("0.00"));
            insert.bind(i++, std::string("-"));
        }
        if (info.hasAudio) {
            insert.bind(i++, U8(info.audioCodec));
            insert.bind(i++, std::to_string(info.audioBitrate));
            insert.bind(i++, std::to_string(info.sampleRate));
            insert.bind(i++, std::to_string(info.channels));
        } else {
            for (int k = 0; k < 4; ++k)
                insert.bind(i++, std::string());
        }
        insert.bind(i++, info.audioTrackCount <= 0 ? 1 : 0);
        insert.bind(i++, date);
        insert.execDML();
        return true;
    } catch (const CppSQLite3Exception& e) {
        LogError(kLogCategory, "DB error occurred when inserting : %d : %s", e.errorCode(), e.errorMessage().c_str());
        return false;
    }
}

// ---------------------------------------------------------------- lists and counts

bool CDBHelper::GetHistoryProfiles(std::vector<std::wstring>& targetDevices, std::vector<std::wstring>& names,
                                   std::vector<std::wstring>& descs)
{
    if (!m_db)
        return false;
    try {
        CppSQLite3Query q = m_db->execQuery(kSqlHistoryProfiles);
        while (!q.eof()) {
            targetDevices.push_back(Utf8ToWide(q.getStringField(0)));
            names.push_back(Utf8ToWide(q.getStringField(1)));
            descs.push_back(Utf8ToWide(q.getStringField(2)));
            q.nextRow();
        }
        return true;
    } catch (const CppSQLite3Exception& e) {
        LogError(kLogCategory, "DB error occurred when get profiles : %d : %s", e.errorCode(), e.errorMessage().c_str());
        return false;
    }
}

bool CDBHelper::GetDownloadedSites(std::vector<std::wstring>& sites)
{
    if (!m_db)
        return false;
    try {
        CppSQLite3Query q = m_db->execQuery(kSqlDownloadedSites);
        while (!q.eof()) {
            sites.push_back(Utf8ToWide(q.getStringField(0)));
            q.nextRow();
        }
        return true;
    } catch (const CppSQLite3Exception& e) {
        LogError(kLogCategory, "DB error occurred when get downloaded sites : %d : %s", e.errorCode(),
                 e.errorMessage().c_str());
        return false;
    }
}

int CDBHelper::GetConvertedCount(const std::wstring& profileName)
{
    if (!m_db)
        return 0;
    try {
        return FindId(kSqlConvertedCount, profileName);
    } catch (const CppSQLite3Exception& e) {
        LogError(kLogCategory, "DB error occurred when get converted count : %d : %s", e.errorCode(),
                 e.errorMessage().c_str());
        return -1;
    }
}

int CDBHelper::GetDownloadedCount(const std::wstring& siteName)
{
    if (!m_db)
        return 0;
    try {
        return FindId(kSqlDownloadedCount, siteName);
    } catch (const CppSQLite3Exception& e) {
        LogError(kLogCategory, "DB error occurred when get downloaded count : %d : %s", e.errorCode(),
                 e.errorMessage().c_str());
        return -1;
    }
}

int CDBHelper::GetRecycledCount()
{
    if (!m_db)
        return 0;
    try {
        return m_db->execScalar(kSqlRecycledCount);
    } catch (const CppSQLite3Exception& e) {
        LogError(kLogCategory, "DB error occurred when get recorded count : %d : %s", e.errorCode(),
                 e.errorMessage().c_str());
        return -1;
    }
}

// ---------------------------------------------------------------- cursor

bool CDBHelper::OpenCursor(const char* sql, const std::wstring* param, const char* errorText)
{
    if (!m_db)
        return false;
    m_cursor.reset();
    try {
        CppSQLite3Statement stmt = m_db->compileStatement(sql);
        if (param)
            stmt.bind(1, U8(*param));
        m_cursor = std::make_unique<CppSQLite3Query>(stmt.detachQuery());
        return true;
    } catch (const CppSQLite3Exception& e) {
        LogError(kLogCategory, errorText, e.errorCode(), e.errorMessage().c_str());
        return false;
    }
}

bool CDBHelper::GetConvertedRecords(const std::wstring& profileName)
{
    return OpenCursor(kSqlConvertedRecords, &profileName, "DB error occurred when get converted records : %d : %s");
}

bool CDBHelper::GetDownloadedRecords(const std::wstring& siteName)
{
    return OpenCursor(kSqlDownloadedRecords, &siteName, "DB error occurred when get downloaded records : %d : %s");
}

bool CDBHelper::GetRecycledRecords()
{
    return OpenCursor(kSqlRecycledRecords, nullptr, "DB error occurred when get recycled records : %d : %s");
}

bool CDBHelper::ReadCursor(VXM_HISTORY_RECORD& record, int kind, const char* errorText)
{
    if (!m_cursor)
        return false;
    try {
        CppSQLite3Query& q = *m_cursor;
        if (q.eof()) {
            m_cursor.reset();
            return false;
        }
        VXM_HISTORY_RECORD r;
        if (kind == 0) {  // converted
            r.id = q.getInt64Field(0);
            r.firstPath = Utf8ToWide(q.getStringField(3));
            r.secondPath = Utf8ToWide(q.getStringField(4));
            r.durationMs = q.getInt64Field(6);
            r.thumbnailPath = Utf8ToWide(q.getStringField(5));
            r.date = q.getInt64Field(16);
            std::string codec = q.getStringField(7);
            std::string size = q.getStringField(10);
            int fps = q.getIntField(9);
            if (fps != 0)
                r.videoText = Upper(codec + " | " + size + FpsSuffix(fps));
            else if (!codec.empty() || !size.empty())
                r.videoText = Upper(codec + " | " + size);
            r.audioText = StoredAudioText(q, 11, 12);
        } else if (kind == 1) {  // downloaded
            r.kind = 1;
            r.id = q.getInt64Field(0);
            r.firstPath = Utf8ToWide(q.getStringField(2));
            r.secondPath = Utf8ToWide(q.getStringField(3));
            r.durationMs = q.getInt64Field(5);
            r.thumbnailPath = Utf8ToWide(q.getStringField(4));
            r.date = q.getInt64Field(15);
            std::wstring codec = Upper(q.getStringField(6));
            std::wstring size = Utf8ToWide(q.getStringField(9));
            int fps = q.getIntField(8);
            r.videoText = codec + L" | " + size;
            if (fps != 0)
                r.videoText += Utf8ToWide(FpsSuffix(fps));
            r.audioText = DownloadAudioText(q, 10, 11);
        } else {  // recycle bin union
            r.kind = q.getIntField(0);
            r.id = q.getInt64Field(1);
            r.firstPath = Utf8ToWide(q.getStringField(3));
            r.secondPath = Utf8ToWide(q.getStringField(4));
            r.durationMs = q.getInt64Field(6);
            r.thumbnailPath = Utf8ToWide(q.getStringField(5));
            r.date = q.getInt64Field(16);
            std::wstring codec = Upper(q.getStringField(7));
            std::wstring size = Utf8ToWide(q.getStringField(10));
            int fps = q.getIntField(9);
            if (fps != 0)
                r.videoText = codec + L" | " + size + Utf8ToWide(FpsSuffix(fps));
            else if (!size.empty())
                r.videoText = codec + L" | " + size;
            r.audioText = r.kind == 0 ? StoredAudioText(q, 11, 12) : DownloadAudioText(q, 11, 12);
        }
        q.nextRow();
        record = std::move(r);
        return true;
    } catch (const CppSQLite3Exception& e) {
        LogError(kLogCategory, errorText, e.errorCode(), e.errorMessage().c_str());
        m_cursor.reset();
        return false;
    }
}

bool CDBHelper::ReadConvertedRecord(VXM_HISTORY_RECORD& record)
{
    return ReadCursor(record, 0, "DB error occurred when get converted records : %d : %s");
}

bool CDBHelper::ReadDownloadedRecord(VXM_HISTORY_RECORD& record)
{
    return ReadCursor(record, 1, "DB error occurred when get downloaded records : %d : %s");
}

bool CDBHelper::ReadRecycledRecord(VXM_HISTORY_RECORD& record)
{
    return ReadCursor(record, 2, "DB error occurred when get recycled records : %d : %s");
}

// ---------------------------------------------------------------- recycle bin

bool CDBHelper::DeleteRecord(const char* softSql, const char* purgeSql, std::int64_t id, bool purge)
{
    if (!m_db)
        return false;
    try {
        CppSQLite3Statement& update = Statement(purge ? purgeSql : softSql);
        update.bind(1, id);
        update.execDML();
        return true;
    } catch (const CppSQLite3Exception& e) {
        LogError(kLogCategory, "DB error occurred when update records : %d : %s", e.errorCode(),
                 e.errorMessage().c_str());
        return false;
    }
}

bool CDBHelper::DeleteConvertedRecord(std::int64_t id, bool purge)
{
    return DeleteRecord(kSqlRecycleConverted, kSqlPurgeConverted, id, purge);
}

bool CDBHelper::DeleteDownloadedRecord(std::int64_t id, bool purge)
{
    return DeleteRecord(kSqlRecycleDownloaded, kSqlPurgeDownloaded, id, purge);
}
