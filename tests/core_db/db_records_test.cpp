// Recording conversions and downloads, and listing them with their display texts.
#include "db_fixture.h"

#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

TEST_F(HistoryDbTest, ConvertedRecordsListNewestFirstWithTheirTexts)
{
    VXM_CONVERTED_INFO a = Converted(L"iPhone", L"/music/a.avi");
    VXM_CONVERTED_INFO b = Converted(L"iPhone", L"/music/b.avi");
    b.frameRate = L"";
    b.audioBitrate = L"";
    ASSERT_TRUE(m_db.AddConvertedRecord(a));
    s_clock += 60;
    ASSERT_TRUE(m_db.AddConvertedRecord(b));
    ASSERT_TRUE(m_db.AddConvertedRecord(Converted(L"Other", L"/x.avi")));

    ASSERT_TRUE(m_db.GetConvertedRecords(L"iPhone"));
    VXM_HISTORY_RECORD r;
    ASSERT_TRUE(m_db.ReadConvertedRecord(r));
    EXPECT_EQ(r.firstPath, L"/music/b.avi");
    EXPECT_EQ(r.secondPath, L"/music/b.avi.out.mp4");
    EXPECT_EQ(r.date, s_clock);
    EXPECT_EQ(r.videoText, L"H264 | 1280X720");
    EXPECT_EQ(r.audioText, L"AAC");
    ASSERT_TRUE(m_db.ReadConvertedRecord(r));
    EXPECT_EQ(r.firstPath, L"/music/a.avi");
    EXPECT_EQ(r.durationMs, 125000);
    EXPECT_EQ(r.date, s_clock - 60);
    EXPECT_EQ(r.videoText, L"H264 | 1280X720 | 29 FPS");  // stored as the integer 29
    EXPECT_EQ(r.audioText, L"AAC | 128 KBPS");
    EXPECT_FALSE(m_db.ReadConvertedRecord(r));
    EXPECT_EQ(Scalar("SELECT fps FROM converted WHERE src_file_name = '/music/a.avi'"), 29);
    EXPECT_EQ(Text("SELECT typeof(fps) FROM converted LIMIT 1"), "integer");
    EXPECT_EQ(Text("SELECT group_name FROM converted LIMIT 1"), "n/a");
    EXPECT_EQ(Scalar("SELECT COUNT(*) FROM converted WHERE is_file_exist = 1 AND is_deleted = 0"), 3);
}

TEST_F(HistoryDbTest, ConvertedRowWithoutVideoHasEmptyVideoText)
{
    VXM_CONVERTED_INFO a = Converted(L"MP3", L"/a.wav");
    a.videoCodec.clear();
    a.videoSize.clear();
    a.frameRate.clear();
    a.audioDisabled = false;
    ASSERT_TRUE(m_db.AddConvertedRecord(a));
    ASSERT_TRUE(m_db.GetConvertedRecords(L"MP3"));
    VXM_HISTORY_RECORD r;
    ASSERT_TRUE(m_db.ReadConvertedRecord(r));
    EXPECT_EQ(r.videoText, L"");
}

TEST_F(HistoryDbTest, DownloadsStoreBitRateInBitsAndListItInKilobits)
{
    ASSERT_TRUE(m_db.AddDownloadedRecord(Downloaded(L"VidSite", L"https://vid.example/watch?v=1")));
    EXPECT_EQ(Text("SELECT abitrate FROM downloaded"), "128000");
    EXPECT_EQ(Text("SELECT vbitrate FROM downloaded"), "813");
    EXPECT_EQ(Text("SELECT vsize FROM downloaded"), "640x360");
    ASSERT_TRUE(m_db.GetDownloadedRecords(L"VidSite"));
    VXM_HISTORY_RECORD r;
    ASSERT_TRUE(m_db.ReadDownloadedRecord(r));
    EXPECT_EQ(r.firstPath, L"https://vid.example/watch?v=1");
    EXPECT_EQ(r.secondPath, L"/videos/VidSite.mp4");
    EXPECT_EQ(r.durationMs, 61000);
    EXPECT_EQ(r.videoText, L"H264 | 640x360 | 29 FPS");  // size keeps its case here
    EXPECT_EQ(r.audioText, L"AAC | 128 KBPS");
    EXPECT_FALSE(m_db.ReadDownloadedRecord(r));
}

TEST_F(HistoryDbTest, DownloadWithoutVideoOrAudioStoresPlaceholders)
{
    VXM_DOWNLOADED_INFO d = Downloaded(L"Site", L"u");
    d.hasVideo = false;
    d.hasAudio = false;
    d.audioTrackCount = 0;
    ASSERT_TRUE(m_db.AddDownloadedRecord(d));
    EXPECT_EQ(Text("SELECT vcodec || vbitrate || vsize FROM downloaded"), "---");
    EXPECT_EQ(Text("SELECT printf('%.2f', fps) FROM downloaded"), "0.00");
    EXPECT_EQ(Text("SELECT acodec || abitrate || asamplerate || achannel FROM downloaded"), "");
    EXPECT_EQ(Scalar("SELECT noaudio FROM downloaded"), 1);
    ASSERT_TRUE(m_db.GetDownloadedRecords(L"Site"));
    VXM_HISTORY_RECORD r;
    ASSERT_TRUE(m_db.ReadDownloadedRecord(r));
    EXPECT_EQ(r.videoText, L"- | -");
    EXPECT_EQ(r.audioText, L"");
}

TEST_F(HistoryDbTest, DownloadedFrameRateKeepsItsDecimalsInTheFile)
{
    ASSERT_TRUE(m_db.AddDownloadedRecord(Downloaded(L"S", L"u")));
    EXPECT_EQ(Text("SELECT fps FROM downloaded"), "29.97");
}

TEST_F(HistoryDbTest, SitesCountsAndProfilesCoverOnlyLiveRows)
{
    ASSERT_TRUE(m_db.AddDownloadedRecord(Downloaded(L"A", L"1")));
    ASSERT_TRUE(m_db.AddDownloadedRecord(Downloaded(L"A", L"2")));
    ASSERT_TRUE(m_db.AddDownloadedRecord(Downloaded(L"B", L"3")));
    ASSERT_TRUE(m_db.DeleteDownloadedRecord(3, false));
    std::vector<std::wstring> sites;
    ASSERT_TRUE(m_db.GetDownloadedSites(sites));
    EXPECT_EQ(sites, std::vector<std::wstring>{L"A"});
    EXPECT_EQ(m_db.GetDownloadedCount(L"A"), 2);
    EXPECT_EQ(m_db.GetDownloadedCount(L"B"), 0);
    EXPECT_EQ(m_db.GetDownloadedCount(L"nobody"), 0);

    ASSERT_TRUE(m_db.AddProfiles({{L"iPhone", L"Apple phone", L"Apple"}, {L"Unused", L"d", L"t"}}));
    ASSERT_TRUE(m_db.AddConvertedRecord(Converted(L"iPhone", L"/a")));
    ASSERT_TRUE(m_db.AddConvertedRecord(Converted(L"iPhone", L"/b")));
    std::vector<std::wstring> devices, names, descs;
    ASSERT_TRUE(m_db.GetHistoryProfiles(devices, names, descs));
    EXPECT_EQ(devices, std::vector<std::wstring>{L"Apple"});
    EXPECT_EQ(names, std::vector<std::wstring>{L"iPhone"});
    EXPECT_EQ(descs, std::vector<std::wstring>{L"Apple phone"});
}

TEST_F(HistoryDbTest, ThumbnailIsCopiedPrivatelyAndAMissingOneLeavesThePathEmpty)
{
    std::string thumb = m_dir.File("thumb.jpg");
    std::ofstream(thumb, std::ios::binary) << "JPEGDATA";
    VXM_CONVERTED_INFO a = Converted(L"P", L"/a");
    a.thumbnailSource = W(thumb);
    VXM_CONVERTED_INFO b = Converted(L"P", L"/b");
    b.thumbnailSource = W(m_dir.File("missing.jpg"));
    ASSERT_TRUE(m_db.AddConvertedRecord(a));
    ASSERT_TRUE(m_db.AddConvertedRecord(a));
    ASSERT_TRUE(m_db.AddConvertedRecord(b));

    EXPECT_TRUE(fs::is_directory(m_dir.File("Thumbnails")));
    std::string first = Text("SELECT thumbnail_path FROM converted WHERE id = 1");
    std::string second = Text("SELECT thumbnail_path FROM converted WHERE id = 2");
    EXPECT_NE(first, second);
    for (const std::string& copy : {first, second}) {
        EXPECT_EQ(fs::path(copy).parent_path(), fs::path(m_dir.File("Thumbnails")));
        EXPECT_EQ(fs::path(copy).extension(), ".jpg");
        std::ifstream in(copy, std::ios::binary);
        std::string content((std::istreambuf_iterator<char>(in)), {});
        EXPECT_EQ(content, "JPEGDATA");
    }
    EXPECT_EQ(Text("SELECT thumbnail_path FROM converted WHERE id = 3"), "");
    // Removing the original does not touch the history's copy.
    fs::remove(thumb);
    EXPECT_TRUE(fs::exists(first));
}

TEST_F(HistoryDbTest, NonAsciiNamesComeBackUnchanged)
{
    std::wstring name = L"/música/日本語 – ĳ.flac";
    ASSERT_TRUE(m_db.AddConvertedRecord(Converted(L"Профиль", name)));
    EXPECT_EQ(m_db.GetConvertedCount(L"Профиль"), 1);
    ASSERT_TRUE(m_db.GetConvertedRecords(L"Профиль"));
    VXM_HISTORY_RECORD r;
    ASSERT_TRUE(m_db.ReadConvertedRecord(r));
    EXPECT_EQ(r.firstPath, name);
    EXPECT_EQ(Text("SELECT hex(src_file_name) FROM converted").substr(0, 8), "2F6DC3BA");  // UTF-8 in the file
}
