// History database: converted, downloaded and recorded files, their recycle
// bin, and a mirror of the profile catalogue's group and profile names.
#pragma once
#include <cstdint>
#include <map>
#include <functional>
#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

#include "CppSQLite3.h"

class IProfile;
class IProfileGroup;
class IProfileManager;
struct HistoryRecordLayout;
class IVXMMedia;

// File name of the history database in the per-user data folder (spelled so:
// existing users' files carry this name).
inline constexpr const char* kHistoryDbFileName = "histroy_v3.db";

// One catalogue group or profile to mirror.
struct VXM_HISTORY_GROUP {
    std::wstring name;
    std::wstring desc;
};
struct VXM_HISTORY_PROFILE {
    std::wstring name;
    std::wstring desc;
    std::wstring targetDevice;
};

// What a finished conversion records: the profile's values as text.
struct VXM_CONVERTED_INFO {
    std::wstring profileName;      // the profile's history name (HistoryProfileName)
    std::wstring groupName = L"n/a";
    std::wstring sourcePath;
    std::wstring outputPath;
    std::wstring thumbnailSource;  // image to copy into the thumbnails folder
    std::int64_t durationMs = 0;
    std::wstring videoCodec;       // the video fields stay empty for an output without video
    std::wstring videoBitrate;
    std::wstring frameRate;        // stored as its leading integer
    std::wstring videoSize;
    std::wstring audioCodec;       // the audio fields stay empty for an output without sound
    std::wstring audioBitrate;
    std::wstring sampleRate;
    std::wstring channels;
    bool audioDisabled = false;    // the output has no sound
};

// What a finished download records: the download's texts and the saved file's streams.
struct VXM_DOWNLOADED_INFO {
    std::wstring siteName;
    std::wstring pageUrl;
    std::wstring thumbnailSource;  // may be empty
    std::wstring localFile;
    std::int64_t durationMs = 0;
    bool hasVideo = false;
    std::wstring videoCodec;
    double videoBitrateKbps = 0;
    double frameRate = 0;
    int width = 0;
    int height = 0;
    bool hasAudio = false;  // the selected (or first) audio track exists
    std::wstring audioCodec;
    std::int64_t audioBitrate = 0;  // bit/s
    std::int64_t sampleRate = 0;
    std::int64_t channels = 0;
    int audioTrackCount = 0;
};

// One row read from a listing, with its display texts.
struct VXM_HISTORY_RECORD {
    std::int64_t id = 0;
    int kind = 0;               // recycle bin: 0 converted, 1 downloaded, 2 recorded
    std::wstring ownerName;     // the record's profile or site
    std::wstring firstPath;     // source path / page address
    std::wstring secondPath;    // output path / saved file
    std::wstring videoText;
    std::wstring audioText;
    std::int64_t durationMs = 0;
    std::wstring thumbnailPath;
    std::int64_t date = 0;      // seconds since 1970-01-01 UTC
};

class CDBHelper {
public:
    // The process-wide instance, made on first use.
    static CDBHelper* GetInstance();
    static void DeleteInstance();
    // Clock used for record dates (tests pin it); null restores the real one.
    static void SetTimeSourceForTesting(std::int64_t (*now)());

    CDBHelper() = default;
    ~CDBHelper();
    CDBHelper(const CDBHelper&) = delete;
    CDBHelper& operator=(const CDBHelper&) = delete;

    // Opens (or creates) the database in the per-user data folder.
    bool Init();
    // Same in a given folder; the thumbnails folder lives beside it.
    bool Init(const std::wstring& dataFolder);

    int FindGroup(const std::wstring& name);
    int FindProfile(const std::wstring& name);
    bool AddGroups(const std::vector<VXM_HISTORY_GROUP>& groups);
    bool AddProfiles(const std::vector<VXM_HISTORY_PROFILE>& profiles);

    bool AddConvertedRecord(const VXM_CONVERTED_INFO& info);
    bool AddDownloadedRecord(const VXM_DOWNLOADED_INFO& info);

    bool GetHistoryProfiles(std::vector<std::wstring>& targetDevices, std::vector<std::wstring>& names,
                            std::vector<std::wstring>& descs);
    int GetConvertedCount(const std::wstring& profileName);
    bool GetConvertedRecords(const std::wstring& profileName);
    bool ReadConvertedRecord(VXM_HISTORY_RECORD& record);

    bool GetDownloadedSites(std::vector<std::wstring>& sites);
    int GetDownloadedCount(const std::wstring& siteName);
    bool GetDownloadedRecords(const std::wstring& siteName);
    bool ReadDownloadedRecord(VXM_HISTORY_RECORD& record);

    bool DeleteConvertedRecord(std::int64_t id, bool purge);
    bool DeleteDownloadedRecord(std::int64_t id, bool purge);
    // A record in the recycle bin is live again.
    bool RestoreConvertedRecord(std::int64_t id);
    bool RestoreDownloadedRecord(std::int64_t id);

    int GetRecycledCount();
    bool GetRecycledRecords();
    bool ReadRecycledRecord(VXM_HISTORY_RECORD& record);

    // The program's forms: the catalogue and media objects read into the records above.
    bool AddGroups(IProfileManager* manager);
    bool AddProfiles(IProfileManager* manager);
    // The row's profile (a copy of a catalogue profile), its group (may be null) and media.
    bool AddConvertedRecord(IProfileManager* catalogue, IProfile* profile, IProfileGroup* group, IVXMMedia* media);
    bool AddDownloadedRecord(const std::wstring& siteName, const std::wstring& pageUrl,
                             const std::wstring& thumbnailImage, IVXMMedia* media);
    static VXM_CONVERTED_INFO MakeConvertedInfo(IProfile* profile, IProfileGroup* group, IVXMMedia* media);
    // The name a profile's conversions are recorded and listed under: its
    // own name, with "#" and its id where the catalogue has several profiles
    // of that name (the name is the builders' code, shared by kindred profiles).
    static std::wstring HistoryProfileName(IProfileManager* catalogue, IProfile* profile);
    // The catalogue profile of a history name; null for none.
    static IProfile* FindHistoryProfile(IProfileManager* catalogue, const std::wstring& historyName);
    static VXM_DOWNLOADED_INFO MakeDownloadedInfo(const std::wstring& siteName, const std::wstring& pageUrl,
                                                  const std::wstring& thumbnailImage, IVXMMedia* media);

    const std::wstring& GetDatabasePath() const { return m_dbPath; }
    std::wstring GetThumbnailsFolder() const;

private:
    CppSQLite3Statement& Statement(const char* sql);
    int FindId(const char* sql, const std::wstring& name);
    std::unordered_set<std::string> Names(const char* sql);
    bool InsertMissing(const char* namesSql, const char* insertSql, const std::vector<std::wstring>& names,
                       const std::function<void(CppSQLite3Statement&, size_t)>& bind);
    std::wstring CopyThumbnail(const std::wstring& source);
    template <class F>
    bool InsertRecord(const char* sql, const std::wstring& thumbnailSource, F&& bind);
    template <class T, class F>
    T Guarded(const char* what, T noDatabase, T failed, F&& body);
    bool OpenCursor(const char* sql, const std::wstring* param, const char* what);
    bool ReadCursor(VXM_HISTORY_RECORD& record, const HistoryRecordLayout& layout, const char* what);
    // Runs a kSqlMove statement: record `id` goes from state `from` to `to`.
    bool MoveRecord(const char* sql, std::int64_t id, int from, int to);
    void DropStatements();

    // Order matters: statements and cursor go before the connection.
    std::unique_ptr<CppSQLite3DB> m_db;
    std::map<const char*, CppSQLite3Statement> m_statements;  // keyed by the SQL text's address
    std::unique_ptr<CppSQLite3Query> m_cursor;
    std::wstring m_dataFolder;
    std::wstring m_dbPath;
};
