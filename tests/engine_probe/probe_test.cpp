// The probe fills a media object with what libavformat reports for the
// source: duration, stream records, selected streams and chapters.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <unistd.h>
#include <thread>

#include "CmdFFplay.h"
#include "VXMMediaImpl.h"
#include "VXMUtils.h"
#include "probe_media.h"
#include "support/test_media.h"

extern "C" {
#include <libavformat/avformat.h>
}

namespace {

using vxmtest::GetTestMedia;

std::wstring W(const std::string& s) { return AnsiToWide(s); }

std::wstring ProbeLine(const std::string& path, const std::string& extra = {})
{
    std::wstring line = L"\"/usr/bin/ffmpeg\" -i \"" + W(path) + L"\"";
    if (!extra.empty()) line += L" " + W(extra);
    return line;
}

// Runs the probe the way the runner's worker does: on its own thread, with
// the media's probe runner as run context.
int ProbeOnWorker(CVXMMediaImpl& media, const std::string& path, const std::string& extra = {})
{
    media.SetSourcePath(W(path));
    media.m_pProbeRunner = new CCmdFFplay();
    media.m_pProbeRunner->m_nMode = 0;
    media.m_pProbeRunner->m_pMedia = &media;
    std::wstring line = ProbeLine(path, extra);
    int result = 0;
    std::thread worker([&] { result = probe_media(const_cast<wchar_t*>(line.c_str()), &media); });
    worker.join();
    delete media.m_pProbeRunner;
    media.m_pProbeRunner = nullptr;
    return result;
}

// What the libraries say about a file, read directly.
struct CReference {
    AVFormatContext* ic = nullptr;
    explicit CReference(const std::string& path)
    {
        if (avformat_open_input(&ic, path.c_str(), nullptr, nullptr) == 0) avformat_find_stream_info(ic, nullptr);
    }
    ~CReference() { avformat_close_input(&ic); }
    int Count(AVMediaType type) const
    {
        int n = 0;
        for (unsigned i = 0; i < ic->nb_streams; i++) n += ic->streams[i]->codecpar->codec_type == type;
        return n;
    }
};

void ExpectMatchesLibraries(const std::string& path)
{
    SCOPED_TRACE(path);
    CVXMMediaImpl media;
    ASSERT_GE(ProbeOnWorker(media, path), 0);
    CReference ref(path);
    ASSERT_NE(ref.ic, nullptr);

    const int64_t duration = ref.ic->duration == AV_NOPTS_VALUE ? 0 : ref.ic->duration / 1000;
    EXPECT_EQ(media.m_nDuration, static_cast<int>(duration));
    EXPECT_EQ(media.m_nEndTime, media.m_nDuration);
    EXPECT_EQ(media.m_nStartTime, 0);

    const int bestVideo = av_find_best_stream(ref.ic, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    const int bestAudio = av_find_best_stream(ref.ic, AVMEDIA_TYPE_AUDIO, -1, bestVideo, nullptr, 0);
    EXPECT_EQ(media.m_nVideoStreamIndex, bestVideo < 0 ? -1 : bestVideo);
    EXPECT_EQ(media.m_nAudioTrackId, bestAudio < 0 ? -1 : bestAudio);

    ASSERT_EQ(static_cast<int>(media.m_lstVideo.size()), ref.Count(AVMEDIA_TYPE_VIDEO));
    ASSERT_EQ(static_cast<int>(media.m_lstAudio.size()), ref.Count(AVMEDIA_TYPE_AUDIO));
    ASSERT_EQ(static_cast<int>(media.m_lstSubtitle.size()), ref.Count(AVMEDIA_TYPE_SUBTITLE));
    EXPECT_EQ(media.m_bHasVideo, ref.Count(AVMEDIA_TYPE_VIDEO) > 0 ? 1 : 0);
    EXPECT_EQ(media.m_bHasAudio, ref.Count(AVMEDIA_TYPE_AUDIO) > 0 ? 1 : 0);

    auto video = media.m_lstVideo.begin();
    auto audio = media.m_lstAudio.begin();
    auto subtitle = media.m_lstSubtitle.begin();
    for (unsigned i = 0; i < ref.ic->nb_streams; i++) {
        const AVStream* st = ref.ic->streams[i];
        const AVCodecParameters* par = st->codecpar;
        if (par->codec_type == AVMEDIA_TYPE_VIDEO) {
            const VXM_VIDEO_STREAM& v = **video++;
            EXPECT_EQ(v.m_nWidth, par->width);
            EXPECT_EQ(v.m_nHeight, par->height);
            EXPECT_EQ(v.m_nStreamIndex, static_cast<int>(i));
            EXPECT_EQ(v.m_strCodecName, W(avcodec_get_name(par->codec_id)));
            EXPECT_DOUBLE_EQ(v.m_dFrameRate, av_q2d(st->avg_frame_rate));
            const int64_t rate = par->bit_rate ? par->bit_rate : ref.ic->bit_rate;
            EXPECT_DOUBLE_EQ(v.m_dBitrate, static_cast<double>(rate / 1000));
            if (static_cast<int>(i) == bestVideo) {
                EXPECT_EQ(media.m_nCropWidth, par->width);
                EXPECT_EQ(media.m_nCropHeight, par->height);
            }
        } else if (par->codec_type == AVMEDIA_TYPE_AUDIO) {
            const VXM_AUDIO_TRACK& a = **audio++;
            EXPECT_EQ(a.m_nId, static_cast<int>(i));
            EXPECT_EQ(a.m_nSampleRate, par->sample_rate);
            EXPECT_EQ(a.m_nChannels, par->ch_layout.nb_channels);
            EXPECT_EQ(a.m_nBitrate, static_cast<int>(par->bit_rate));
            std::wstring codec = W(avcodec_get_name(par->codec_id));
            for (wchar_t& c : codec) c = static_cast<wchar_t>(towupper(c));
            EXPECT_EQ(a.m_strCodecName, codec);
        } else if (par->codec_type == AVMEDIA_TYPE_SUBTITLE) {
            const VXM_SUBTITLE& s = **subtitle++;
            EXPECT_EQ(s.m_nId, static_cast<int>(i));
            EXPECT_EQ(s.m_nId2, static_cast<int>(par->codec_id));
        }
    }
}

TEST(ProbeMatchesLibraries, EveryTestClip)
{
    const auto& m = GetTestMedia();
    for (const std::string& path : {m.mp4, m.mkv, m.mp3, m.wav, m.subtitled}) ExpectMatchesLibraries(path);
}

TEST(ProbeMatchesLibraries, SubtitledClipSelectsItsSubtitleAndNamesIt)
{
    CVXMMediaImpl media;
    ASSERT_GE(ProbeOnWorker(media, GetTestMedia().subtitled), 0);
    ASSERT_EQ(media.m_lstSubtitle.size(), 1u);
    EXPECT_EQ(media.m_nSubtitleId, media.m_lstSubtitle.front()->m_nId);
    EXPECT_EQ(media.m_lstSubtitle.front()->m_strDisplayName, L"Subtitle 1");
}

TEST(ProbeMatchesLibraries, LanguageTagReachesTheAudioTrack)
{
    vxmtest::CTempDir dir;
    const std::string path = dir.File("lang.mka");
    ASSERT_TRUE(vxmtest::RunFfmpeg({"-i", GetTestMedia().mp3, "-c", "copy", "-metadata:s:a:0", "language=fre", path}));
    CVXMMediaImpl media;
    ASSERT_GE(ProbeOnWorker(media, path), 0);
    ASSERT_EQ(media.m_lstAudio.size(), 1u);
    EXPECT_EQ(media.m_lstAudio.front()->m_strLanguage, L"fre");
}

TEST(ProbeFailures, CorruptFileFailsWithoutStreams)
{
    CVXMMediaImpl media;
    const int result = ProbeOnWorker(media, GetTestMedia().corrupt);
    EXPECT_LT(result, 0);
    EXPECT_EQ(media.m_nDuration, 0);
    EXPECT_TRUE(media.m_lstVideo.empty());
}

// A copy of `path` whose first `marker` (and what follows it) is overwritten
// from `at` bytes into it.
std::string Damaged(const std::string& path, const std::string& copy, const std::string& marker, size_t at,
                    const std::string& bytes)
{
    std::ifstream in(path, std::ios::binary);
    std::string data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const size_t found = data.find(marker);
    if (found == std::string::npos) return {};
    data.replace(found + at, bytes.size(), bytes);
    std::ofstream(copy, std::ios::binary) << data;
    return copy;
}

TEST(ProbeFailures, FailuresGiveTheDocumentedCodes)
{
    vxmtest::CTempDir dir;
    CVXMMediaImpl media;
    EXPECT_EQ(ProbeOnWorker(media, dir.File("absent.mp4")), VXM_PROBE_NOT_FOUND);
    const std::string locked = dir.File("locked.mp4");
    std::filesystem::copy_file(GetTestMedia().mp4, locked);
    std::filesystem::permissions(locked, std::filesystem::perms::none);
    if (geteuid() != 0) {  // root reads it all the same
        CVXMMediaImpl lockedMedia;
        EXPECT_EQ(ProbeOnWorker(lockedMedia, locked), VXM_PROBE_NO_ACCESS);
    }
    const std::string text = dir.File("notes.mp4");
    std::ofstream(text) << "these are not the frames you are looking for\n";
    // Sources without a stream a conversion can take: subtitles alone, an
    // MP4 whose one track has no sample (a recording stopped at once), a
    // Musepack header whose sample rate is out of its table (-1 Hz).
    const std::string noTrack = dir.File("Café stopped.m4a");
    ASSERT_TRUE(vxmtest::RunFfmpeg({"-f", "lavfi", "-i", "sine", "-t", "0", noTrack}));
    const std::string musepack = dir.File("damaged.mpc");
    std::ofstream(musepack, std::ios::binary) << std::string("MPCKSH\x0e\x30\xf6\x67\xf1\x08\x8a\xe2\x10\x00\x9b\x1bSE\x03", 21);
    for (const std::string& path : {text, GetTestMedia().srt, noTrack, musepack}) {
        CVXMMediaImpl notMedia;
        EXPECT_EQ(ProbeOnWorker(notMedia, path), VXM_PROBE_NOT_MEDIA) << path;
    }
    // Files ffprobe refuses, their sound's or picture's decoder not opening
    // on the codec header: a WebM whose Vorbis header is damaged, an M4B
    // whose AAC configuration names no object type, a FLAC whose STREAMINFO
    // gives no block size (its parser still gives the channel layout), a
    // Theora clip whose picture size is damaged (a pixel format is set).
    const std::string webm = dir.File("Café.webm"), book = dir.File("東京.m4b"), flac = dir.File("Ünïcode.flac"),
                      theora = dir.File("Café.mkv");
    ASSERT_TRUE(vxmtest::RunFfmpeg({"-f", "lavfi", "-i", "sine=d=2", "-c:a", "libvorbis", webm}));
    ASSERT_TRUE(vxmtest::RunFfmpeg({"-f", "lavfi", "-i", "sine=d=2", "-c:a", "aac", book}));
    ASSERT_TRUE(vxmtest::RunFfmpeg({"-f", "lavfi", "-i", "sine=d=2", "-c:a", "flac", flac}));
    ASSERT_TRUE(vxmtest::RunFfmpeg({"-f", "lavfi", "-i", "testsrc=s=160x120:d=1", "-c:v", "libtheora", theora}));
    for (const std::string& path : {webm, book, flac, theora}) {
        CVXMMediaImpl whole;
        EXPECT_GE(ProbeOnWorker(whole, path), 0) << path;
    }
    const std::string damaged[] = {Damaged(webm, dir.File("Café damaged.webm"), "\x01vorbis", 0, "\x05"),
                                   Damaged(book, dir.File("東京 damaged.m4b"), "esds", 39, std::string(1, '\0')),
                                   Damaged(flac, dir.File("Ünïcode damaged.flac"), "fLaC", 8, std::string(4, '\0')),
                                   Damaged(theora, dir.File("Café damaged.mkv"), "\x80theora", 10, "\xff\xff\xff")};
    for (const std::string& path : damaged) {
        ASSERT_FALSE(path.empty());
        EXPECT_NE(vxmtest::RunProgram({"ffprobe", "-v", "quiet", path}), 0) << path;
        CVXMMediaImpl refused;
        EXPECT_EQ(ProbeOnWorker(refused, path), VXM_PROBE_FAILED) << path;
    }
}

TEST(ProbeMatchesLibraries, MpegAudioIsNamedByItsCodec)
{
    CVXMMediaImpl media;
    ASSERT_GE(ProbeOnWorker(media, GetTestMedia().mp3), 0);
    ASSERT_EQ(media.m_lstAudio.size(), 1u);
    EXPECT_EQ(media.m_lstAudio.front()->m_strCodecName, L"MP3");
}

TEST(ProbeFailures, TextThatIsNoMediaFails)
{
    vxmtest::CTempDir dir;
    const std::string path = dir.File("notes.mp4");
    std::ofstream(path) << "these are not the frames you are looking for\n";
    CVXMMediaImpl media;
    EXPECT_LT(ProbeOnWorker(media, path), 0);
    EXPECT_TRUE(media.m_lstAudio.empty());
}

TEST(ProbeFailures, MediaWithoutProbeRunnerIsRefused)
{
    CVXMMediaImpl media;
    std::wstring line = ProbeLine(GetTestMedia().mp4);
    EXPECT_EQ(probe_media(const_cast<wchar_t*>(line.c_str()), &media), -1);
    EXPECT_TRUE(media.m_lstVideo.empty());
}

TEST(ProbeFailures, BadOptionValueFailsTheProbe)
{
    CVXMMediaImpl media;
    EXPECT_LT(ProbeOnWorker(media, GetTestMedia().mp4, "-ast notanumber"), 0);
}

TEST(ProbeEdges, InputWithoutDurationGivesZero)
{
    vxmtest::CTempDir dir;
    const std::string path = dir.File("raw.h264");
    ASSERT_TRUE(vxmtest::RunFfmpeg({"-i", GetTestMedia().mp4, "-an", "-c:v", "copy", "-f", "h264", path}));
    CReference ref(path);
    ASSERT_EQ(ref.ic->duration, AV_NOPTS_VALUE);
    CVXMMediaImpl media;
    ASSERT_GE(ProbeOnWorker(media, path), 0);
    EXPECT_EQ(media.m_nDuration, 0);
    EXPECT_EQ(media.m_lstVideo.size(), 1u);
}

TEST(ProbeEdges, AudioStreamNumberThatNamesNoStreamKeepsTheSelection)
{
    CVXMMediaImpl media;
    ASSERT_GE(ProbeOnWorker(media, GetTestMedia().mp4, "-ast 7"), 0);
    EXPECT_EQ(media.m_nAudioTrackId, -1);
    EXPECT_EQ(media.m_lstAudio.size(), 1u);
    EXPECT_EQ(media.m_bHasAudio, 1);
}

TEST(ProbeEdges, ThousandFramesPerSecondIsSkipped)
{
    vxmtest::CTempDir dir;
    const std::string path = dir.File("fast.mkv");
    ASSERT_TRUE(vxmtest::MakeVideoClip(path, 0.2, 64, 48, {"-r", "1000"}));
    CVXMMediaImpl media;
    ASSERT_GE(ProbeOnWorker(media, path), 0);
    ASSERT_EQ(media.m_lstVideo.size(), 1u);
    EXPECT_LT(media.m_lstVideo.front()->m_dFrameRate, 1000.0);
}

TEST(ProbeChapters, ChaptersAndTheFileKeepTheirTagsAndChaptersTheirMilliseconds)
{
    vxmtest::CTempDir dir;
    const std::string meta = dir.File("chapters.txt");
    std::ofstream(meta) << ";FFMETADATA1\nARTIST=Caf\xc3\xa9 \xe6\x9d\xb1\xe4\xba\xac\n"
                           "[CHAPTER]\nTIMEBASE=1/1000\nSTART=0\nEND=4400\ntitle=Track 1\n"
                           "[CHAPTER]\nTIMEBASE=1/75\nSTART=330\nEND=900\ntitle=Track 2\n";
    const std::string path = dir.File("chapters.mka");
    ASSERT_TRUE(vxmtest::RunFfmpeg({"-i", GetTestMedia().wav, "-i", meta, "-map", "0:a", "-map_chapters", "1",
                                    "-map_metadata", "1", "-c:a", "flac", path}));
    CReference ref(path);
    ASSERT_EQ(ref.ic->nb_chapters, 2u);

    CVXMMediaImpl media;
    ASSERT_GE(ProbeOnWorker(media, path), 0);
    ASSERT_EQ(media.m_lstChapters.size(), 2u);
    const VXM_MEDIA_CHAPTER& first = *media.m_lstChapters.front();
    const VXM_MEDIA_CHAPTER& second = *media.m_lstChapters.back();
    EXPECT_EQ(first.m_llStartMs, 0);
    EXPECT_EQ(first.m_llEndMs, 4400);
    EXPECT_EQ(first.m_llEnd, 4);
    EXPECT_EQ(second.m_llStartMs, 4400);
    EXPECT_EQ(second.m_llStart, 4);
    EXPECT_EQ(second.m_llEndMs, 12000);
    EXPECT_EQ(first.m_nId, static_cast<int>(ref.ic->chapters[0]->id));
    EXPECT_EQ(first.m_mapMetadata.at(L"title"), L"Track 1");
    EXPECT_EQ(second.m_mapMetadata.at(L"title"), L"Track 2");
    // Keys in lower case, whatever case the container keeps them in.
    EXPECT_EQ(media.m_mapMetadata[L"artist"], L"Caf\u00e9 \u6771\u4eac");
}

TEST(ProbeRunner, ModeZeroRunnerReportsTheProbeResult)
{
    CVXMMediaImpl media;
    media.SetSourcePath(W(GetTestMedia().mp4));
    auto* runner = new CCmdFFplay();
    runner->m_nMode = 0;
    runner->m_pMedia = &media;
    media.m_pProbeRunner = runner;
    ASSERT_EQ(runner->Open(ProbeLine(GetTestMedia().mp4), JOB_TYPE_FFMPEG), 1);
    ASSERT_TRUE(runner->WaitWorker(INFINITE));
    EXPECT_GE(runner->GetExitCode(), 0);
    EXPECT_EQ(media.m_lstVideo.size(), 1u);
    EXPECT_EQ(media.m_lstAudio.size(), 1u);
    media.m_pProbeRunner = nullptr;
    delete runner;

    CVXMMediaImpl broken;
    broken.SetSourcePath(W(GetTestMedia().corrupt));
    runner = new CCmdFFplay();
    runner->m_pMedia = &broken;
    broken.m_pProbeRunner = runner;
    ASSERT_EQ(runner->Open(ProbeLine(GetTestMedia().corrupt), JOB_TYPE_FFMPEG), 1);
    ASSERT_TRUE(runner->WaitWorker(INFINITE));
    EXPECT_LT(runner->GetExitCode(), 0);
    broken.m_pProbeRunner = nullptr;
    delete runner;
}

}  // namespace
