// Converting audio-CD tracks of a BIN/CUE image made here, through the
// conversion driver and the in-process transcoder: each output is exactly
// its track (length and pitch), and a disc conversion ends soon.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <filesystem>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswresample/swresample.h>
}

#include "../profiles_jobs/job_fixture.h"
#include "CmdFFplay.h"
#include "VXMDiscAudioTrack.h"
#include "VXMDiscFile.h"
#include "VXMMediaExports.h"
#include "VXMMessages.h"
#include "disc_image.h"
#include "platform/events.h"
#include "platform/messages.h"
#include "support/test_media.h"

namespace {

using namespace cdtest;

// A window that keeps what the engine posts to it.
class CFinishWindow {
public:
    CFinishWindow()
        : m_window([this](HWND, UINT msg, WPARAM wParam, LPARAM lParam) -> LRESULT {
              if (msg == WM_VXM_JOB_FINISHED)
                  m_finished.push_back({static_cast<int>(static_cast<intptr_t>(wParam)), lParam});
              return 0;
          })
    {
    }
    HWND Get() const { return m_window.Get(); }
    // The exit code of the media's conversion, once it came.
    int WaitFinished(IVXMMedia* media)
    {
        for (;;) {
            for (const auto& f : m_finished)
                if (f.second == reinterpret_cast<LPARAM>(media))
                    return f.first;
            MSG msg;
            if (GetMessageTimeout(&msg, 50))
                DispatchMessage(&msg);
        }
    }

private:
    std::vector<std::pair<int, LPARAM>> m_finished;
    CMessageWindow m_window;
};

// The decoded audio of a file as 44.1 kHz interleaved stereo samples.
std::vector<short> DecodeAudio(const std::string& path, double& seconds)
{
    std::vector<short> out;
    seconds = 0;
    AVFormatContext* ic = nullptr;
    if (avformat_open_input(&ic, path.c_str(), nullptr, nullptr) < 0)
        return out;
    avformat_find_stream_info(ic, nullptr);
    const int index = av_find_best_stream(ic, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
    const AVCodec* codec = index >= 0 ? avcodec_find_decoder(ic->streams[index]->codecpar->codec_id) : nullptr;
    AVCodecContext* dec = codec ? avcodec_alloc_context3(codec) : nullptr;
    SwrContext* swr = nullptr;
    if (dec && avcodec_parameters_to_context(dec, ic->streams[index]->codecpar) >= 0 &&
        avcodec_open2(dec, codec, nullptr) >= 0) {
        AVChannelLayout stereo = AV_CHANNEL_LAYOUT_STEREO;
        swr_alloc_set_opts2(&swr, &stereo, AV_SAMPLE_FMT_S16, 44100, &dec->ch_layout, dec->sample_fmt,
                            dec->sample_rate, 0, nullptr);
        swr_init(swr);
        AVPacket* pkt = av_packet_alloc();
        AVFrame* frame = av_frame_alloc();
        long decoded = 0;
        auto drain = [&] {
            while (avcodec_receive_frame(dec, frame) >= 0) {
                decoded += frame->nb_samples;
                const int room = swr_get_out_samples(swr, frame->nb_samples);
                std::vector<short> buf(static_cast<size_t>(room) * 2);
                uint8_t* dst = reinterpret_cast<uint8_t*>(buf.data());
                const int got = swr_convert(swr, &dst, room, const_cast<const uint8_t**>(frame->extended_data),
                                            frame->nb_samples);
                if (got > 0)
                    out.insert(out.end(), buf.begin(), buf.begin() + 2 * got);
            }
        };
        while (av_read_frame(ic, pkt) >= 0) {
            if (pkt->stream_index == index && avcodec_send_packet(dec, pkt) >= 0)
                drain();
            av_packet_unref(pkt);
        }
        avcodec_send_packet(dec, nullptr);
        drain();
        seconds = static_cast<double>(decoded) / dec->sample_rate;
        av_frame_free(&frame);
        av_packet_free(&pkt);
    }
    swr_free(&swr);
    avcodec_free_context(&dec);
    avformat_close_input(&ic);
    return out;
}

class DiscConvert : public testing::Test {
protected:
    static void SetUpTestSuite() { RegisterMediaLibrary(); }
    void SetUp() override
    {
        m_cue = MakeDiscImage(m_dir);
        m_drive.SetDrive(Utf8ToWide(m_cue));
        ASSERT_EQ(m_drive.Open(), 0);
        ASSERT_EQ(m_drive.GetTrackCount(), kTrackCount);
        for (int i = 0; i < kTrackCount; ++i)
            m_tracks.push_back(m_drive.GetTrackAt(i));
    }
    void TearDown() override
    {
        for (IVXMDiscAudiotrack* track : m_tracks)
            track->Release();
    }

    // Converts every track with the profile; checks each output's length
    // (the track's, to a sector) and its pitch at both ends (its own track's).
    void ConvertAll(int profileId, const std::string& ext)
    {
        jobtest::CManagerScope scope(m_dir.File("settings"));
        ASSERT_TRUE(scope.Loaded());
        COutputProfile* profile = scope.ById(profileId);
        ASSERT_NE(profile, nullptr);
        CFinishWindow window;
        for (int i = 0; i < kTrackCount; ++i) {
            IVXMDiscAudiotrack* track = m_tracks[static_cast<size_t>(i)];
            const std::string folder = m_dir.File(ext + std::to_string(i));
            std::filesystem::create_directories(folder);
            track->SetOutputFolder(Utf8ToWide(folder));
            track->StartConvert(profile, window.Get(), 0);
            ASSERT_EQ(window.WaitFinished(track), 0) << "track " << i + 1;

            const std::string output = WideToUtf8(track->GetOutputPath());
            EXPECT_EQ(std::filesystem::path(output).extension(), "." + ext);
            double seconds = 0;
            const std::vector<short> samples = DecodeAudio(output, seconds);
            ASSERT_FALSE(samples.empty()) << output;
            // MP3 adds its encoder delay and padding frames at most.
            const double slack = ext == "mp3" ? 0.06 : 1.0 / 75;
            EXPECT_NEAR(seconds, TrackSeconds(i), slack) << output;
            const int frames = static_cast<int>(samples.size() / 2);
            const int window20ms = 882;
            const int skip = ext == "mp3" ? 2000 : 0;  // the encoder's start-up silence
            ASSERT_GT(frames, 2 * window20ms + 2 * skip);
            EXPECT_NEAR(PitchOf(samples.data() + 2 * skip, window20ms), kFrequency[i], kFrequency[i] * 0.1)
                << output << ": the start is another track's";
            EXPECT_NEAR(PitchOf(samples.data() + 2 * (frames - window20ms - skip), window20ms), kFrequency[i],
                        kFrequency[i] * 0.1)
                << output << ": the end is another track's";
        }
    }

    vxmtest::CTempDir m_dir;
    std::string m_cue;
    CVXMDiscFileImpl m_drive;
    std::vector<IVXMDiscAudiotrack*> m_tracks;
};

TEST_F(DiscConvert, EachTrackBecomesAWaveFileOfExactlyThatTrack)
{
    ConvertAll(29, "wav");
}

TEST_F(DiscConvert, EachTrackBecomesAnMp3FileOfThatTrack)
{
    ConvertAll(22, "mp3");
}

// A conversion of the track that runs exactly these child steps.
int RunSteps(IVXMDiscAudiotrack* track, CFinishWindow& window,
             std::vector<std::unique_ptr<VXM_JOB_COMMAND>> steps)
{
    auto* data = dynamic_cast<CVXMDiscAudioTrackImpl*>(track);
    data->m_pConvertRunner = new CCmdFFplay();
    for (auto& step : steps)
        data->m_pConvertRunner->m_vecJobQueue.push_back(std::move(step));
    track->StartConvert(nullptr, window.Get(), 0);
    return window.WaitFinished(track);
}

std::unique_ptr<VXM_JOB_COMMAND> ChildStep(const std::wstring& line, int passKind, const std::wstring& input = L"")
{
    auto step = std::make_unique<VXM_JOB_COMMAND>();
    step->nType = JOB_TYPE_PROCESS;
    step->nPassKind = passKind;
    step->strCmdLine = line;
    step->strInput = input;
    return step;
}

TEST_F(DiscConvert, AStepEndingWithOneFailsWhateverItsPass)
{
    // A file's second pass may end with 1; a disc's may not.
    CFinishWindow window;
    std::vector<std::unique_ptr<VXM_JOB_COMMAND>> steps;
    steps.push_back(ChildStep(L"false", PASS_ENCODE_2));
    EXPECT_EQ(RunSteps(m_tracks[0], window, std::move(steps)), 1);
}

TEST_F(DiscConvert, TheFirstStepsInputIsTheDriveAndIsNotTestedAsAFile)
{
    CFinishWindow window;
    std::vector<std::unique_ptr<VXM_JOB_COMMAND>> steps;
    steps.push_back(ChildStep(L"true", PASS_PLAIN, Utf8ToWide(m_dir.File("no such drive"))));
    EXPECT_EQ(RunSteps(m_tracks[1], window, std::move(steps)), 0);
}

}  // namespace
