// Records read from the engine's own media objects.
#include "db_fixture.h"

#include "IVXMMedia.h"
#include "VXMMediaBase.h"
#include "VXMMediaExports.h"

namespace {

struct MediaDeleter {
    void operator()(IVXMMedia* m) const { m->Release(); }
};
using MediaPtr = std::unique_ptr<IVXMMedia, MediaDeleter>;

// A media object of the engine holding the stream records a probe leaves.
MediaPtr Media(const std::wstring& path, int durationMs, bool video, int audioTracks)
{
    RegisterMediaLibrary();
    MediaPtr media(CreateVXMMediaObject(nullptr));
    auto* base = dynamic_cast<CVXMMediaBase*>(media.get());
    if (!base)
        return nullptr;
    media->SetSourcePath(path);
    media->SetDuration(durationMs);
    if (video) {
        auto v = std::make_unique<VXM_VIDEO_STREAM>();
        v->m_strCodecName = L"h264";
        v->m_dBitrate = 1234.4;
        v->m_dFrameRate = 23.976;
        v->m_nWidth = 1920;
        v->m_nHeight = 1080;
        base->m_lstVideo.push_back(std::move(v));
        base->m_bHasVideo = 1;
    }
    for (int i = 0; i < audioTracks; ++i) {
        auto a = std::make_unique<VXM_AUDIO_TRACK>();
        a->m_strCodecName = i == 0 ? L"AAC" : L"AC3";
        a->m_nBitrate = 192000;
        a->m_nSampleRate = 48000;
        a->m_nChannels = 6;
        a->m_nId = i + 1;
        base->m_lstAudio.push_back(std::move(a));
        base->m_bHasAudio = 1;
    }
    return media;
}

}  // namespace

TEST_F(HistoryDbTest, DownloadRecordsTheStreamsOfTheSavedFilesMedia)
{
    MediaPtr media = Media(L"/downloads/film.mp4", 5'400'000, true, 2);
    ASSERT_TRUE(media);
    ASSERT_TRUE(m_db.AddDownloadedRecord(L"VidSite", L"https://vid.example/w?v=9", L"", media.get()));
    EXPECT_EQ(Text("SELECT vcodec || '|' || vbitrate || '|' || fps || '|' || vsize FROM downloaded"),
              "h264|1234|23.98|1920x1080");
    EXPECT_EQ(Text("SELECT acodec || '|' || abitrate || '|' || asamplerate || '|' || achannel FROM downloaded"),
              "AAC|192000|48000|6");
    EXPECT_EQ(Scalar("SELECT noaudio FROM downloaded"), 0);
    ASSERT_TRUE(m_db.GetDownloadedRecords(L"VidSite"));
    VXM_HISTORY_RECORD r;
    ASSERT_TRUE(m_db.ReadDownloadedRecord(r));
    EXPECT_EQ(r.firstPath, L"https://vid.example/w?v=9");
    EXPECT_EQ(r.secondPath, L"/downloads/film.mp4");
    EXPECT_EQ(r.durationMs, 5'400'000);
    EXPECT_EQ(r.videoText, L"H264 | 1920x1080 | 23 FPS");
    EXPECT_EQ(r.audioText, L"AAC | 192 KBPS");
}

TEST_F(HistoryDbTest, DownloadWithoutStreamsStoresPlaceholdersAndNoAudio)
{
    MediaPtr media = Media(L"/downloads/empty.bin", 0, false, 0);
    ASSERT_TRUE(media);
    ASSERT_TRUE(m_db.AddDownloadedRecord(L"S", L"u", L"", media.get()));
    EXPECT_EQ(Text("SELECT vcodec || vbitrate || vsize || acodec FROM downloaded"), "---");
    EXPECT_EQ(Scalar("SELECT noaudio FROM downloaded"), 1);
}

TEST_F(HistoryDbTest, MissingEngineObjectsAreRefused)
{
    EXPECT_FALSE(m_db.AddDownloadedRecord(L"S", L"u", L"", nullptr));
    EXPECT_FALSE(m_db.AddConvertedRecord(nullptr, nullptr, nullptr, nullptr));
    EXPECT_FALSE(m_db.AddGroups(static_cast<IProfileManager*>(nullptr)));
    EXPECT_FALSE(m_db.AddProfiles(static_cast<IProfileManager*>(nullptr)));
    EXPECT_EQ(Scalar("SELECT COUNT(*) FROM downloaded"), 0);
}
