// A history database in a fresh temporary folder, plus a second raw
// connection to look at what was really stored.
#pragma once
#include <gtest/gtest.h>

#include <string>

#include "CppSQLite3.h"
#include "DBHelper.h"
#include "support/test_media.h"

inline std::wstring W(const std::string& s)
{
    return std::wstring(s.begin(), s.end());
}

class HistoryDbTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        s_clock = 1'700'000'000;
        CDBHelper::SetTimeSourceForTesting([] { return s_clock; });
        ASSERT_TRUE(m_db.Init(W(m_dir.Path())));
    }
    void TearDown() override { CDBHelper::SetTimeSourceForTesting(nullptr); }

    std::string DbFile() const { return m_dir.File("histroy_v3.db"); }

    // Raw look at the stored rows.
    int Scalar(const std::string& sql)
    {
        CppSQLite3DB raw;
        raw.open(DbFile());
        return raw.execScalar(sql.c_str());
    }
    std::string Text(const std::string& sql)
    {
        CppSQLite3DB raw;
        raw.open(DbFile());
        CppSQLite3Query q = raw.execQuery(sql.c_str());
        return q.eof() ? std::string("<none>") : q.getStringField(0);
    }

    static VXM_CONVERTED_INFO Converted(const std::wstring& profile, const std::wstring& src)
    {
        VXM_CONVERTED_INFO info;
        info.profileName = profile;
        info.sourcePath = src;
        info.outputPath = src + L".out.mp4";
        info.durationMs = 125000;
        info.videoCodec = L"h264";
        info.videoBitrate = L"1500";
        info.frameRate = L"29.97";
        info.videoSize = L"1280x720";
        info.audioCodec = L"aac";
        info.audioBitrate = L"128";
        info.sampleRate = L"44100";
        info.channels = L"2";
        return info;
    }

    static VXM_DOWNLOADED_INFO Downloaded(const std::wstring& site, const std::wstring& url)
    {
        VXM_DOWNLOADED_INFO info;
        info.siteName = site;
        info.pageUrl = url;
        info.localFile = L"/videos/" + site + L".mp4";
        info.durationMs = 61000;
        info.hasVideo = true;
        info.videoCodec = L"h264";
        info.videoBitrateKbps = 812.6;
        info.frameRate = 29.97;
        info.width = 640;
        info.height = 360;
        info.hasAudio = true;
        info.audioCodec = L"aac";
        info.audioBitrate = 128000;
        info.sampleRate = 44100;
        info.channels = 2;
        info.audioTrackCount = 1;
        return info;
    }

    static inline std::int64_t s_clock = 0;
    vxmtest::CTempDir m_dir;
    CDBHelper m_db;
};
