// The AVCHD (M2TS) conversion end to end through the conversion driver: the
// encode, the raw stream copies and the tsMuxeR stand-in. The output keeps
// the source's length and streams, and no working file outlives the job,
// whether it succeeds, fails or is stopped.
#include "../profiles_jobs/job_fixture.h"
#include "VXMUtils.h"
#include "mediaops_support.h"
#include "support/test_media.h"

#include <gtest/gtest.h>
#include <chrono>
#include <thread>

#include <filesystem>

namespace fs = std::filesystem;
using mediaopstest::CountStreams;
using mediaopstest::CRecordingWindow;
using mediaopstest::ProbeDurationMs;

namespace {

struct Source {
    const char* name;
    std::vector<std::string> ffmpegArgs;  // makes it
    int seconds;
    int videoStreams;
};

// 4 s whose middle two seconds keep one frame in five: a variable frame rate.
const Source kVariableRate{"vfr.mkv",
                           {"-f", "lavfi", "-i", "testsrc=d=4:r=25:s=160x120", "-f", "lavfi", "-i", "sine=d=4", "-vf",
                            "select='lt(t,1)+gte(t,3)+not(mod(n,5))'", "-vsync", "vfr", "-c:v", "libx264", "-c:a",
                            "aac"},
                           4,
                           1};
const Source kVideoOnly{"silent.mp4", {"-f", "lavfi", "-i", "testsrc=d=2:r=25:s=160x120", "-c:v", "libx264"}, 2, 1};
const Source kAudioOnly{"sound.m4a", {"-f", "lavfi", "-i", "sine=d=2", "-c:a", "aac"}, 2, 0};
const Source kLong{"long.mp4",
                   {"-f", "lavfi", "-i", "testsrc=d=60:r=25:s=320x240", "-f", "lavfi", "-i", "sine=d=60", "-c:v",
                    "libx264", "-preset", "ultrafast", "-c:a", "aac"},
                   60,
                   1};

// The length of the first video stream, by ffprobe.
double VideoSeconds(const std::string& path)
{
    std::string out;
    vxmtest::RunProgram({"ffprobe", "-v", "error", "-select_streams", "v:0", "-show_entries", "stream=duration", "-of",
                         "default=nw=1:nk=1", path},
                        &out);
    return std::atof(out.c_str());
}

class AvchdConvert : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_tools = std::string(VXM_BIN_DIR) + "/gnu";
        ASSERT_TRUE(fs::exists(m_tools + "/tsmuxer")) << "build the stand-in muxing tool first";
        SetToolSearchPathForTesting({jobtest::W(m_tools)});
        fs::create_directory(m_out);
        for (int i = 0; i < m_scope.Manager().GetProfileCount() && !m_profile; ++i)
            if (m_scope.Profile(i)->GetFileExt() == L"m2ts")
                m_profile = m_scope.Profile(i);
        ASSERT_NE(m_profile, nullptr);
        // Small and quick: the route, not the picture, is under test.
        m_profile->SetVideoSize(L"320x240");
        m_profile->SetVideoBitrate(L"600");
    }
    void TearDown() override { SetToolSearchPathForTesting({}); }

    std::unique_ptr<CVXMMediaImpl> Probed(const Source& source)
    {
        const std::string path = m_dir.File(source.name);
        std::vector<std::string> args = source.ffmpegArgs;
        args.push_back(path);
        EXPECT_TRUE(vxmtest::RunFfmpeg(args));
        auto media = std::make_unique<CVXMMediaImpl>();
        media->SetSourcePath(jobtest::W(path));
        EXPECT_EQ(media->Probe(), 0);
        media->SetOutputFolder(jobtest::W(m_out));
        return media;
    }
    // The code the conversion of media ended with.
    long long Finish(CVXMMediaImpl& media)
    {
        for (;; std::this_thread::sleep_for(std::chrono::milliseconds(5))) {
            m_window.Pump();
            for (const auto& posted : m_window.Messages())
                if (posted.message == WM_VXM_JOB_FINISHED && posted.lParam == reinterpret_cast<LPARAM>(&media))
                    return posted.wParam;
        }
    }
    std::vector<std::string> Files() const
    {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(m_out))
            names.push_back(entry.path().filename().string());
        return names;
    }

    vxmtest::CTempDir m_dir;
    std::string m_out = m_dir.File("out");
    std::string m_tools;
    jobtest::CManagerScope m_scope{m_dir.Path()};
    COutputProfile* m_profile = nullptr;
    CRecordingWindow m_window;
};

}  // namespace

TEST_F(AvchdConvert, EachSourceKeepsItsLengthAndStreamsAndLeavesOnlyTheOutput)
{
    std::vector<std::unique_ptr<CVXMMediaImpl>> converted;  // each its own address in the messages
    for (const Source* source : {&kVariableRate, &kVideoOnly, &kAudioOnly}) {
        SCOPED_TRACE(source->name);
        converted.push_back(Probed(*source));
        CVXMMediaImpl* media = converted.back().get();
        media->StartConvert(m_profile, m_window.Get(), 0);
        ASSERT_EQ(Finish(*media), 0);
        const std::string output = jobtest::N(media->GetOutputPath());
        EXPECT_EQ(Files(), std::vector<std::string>{fs::path(output).filename().string()});
        EXPECT_NEAR(ProbeDurationMs(output), source->seconds * 1000, 100);
        EXPECT_EQ(CountStreams(output, "v"), source->videoStreams);
        if (source->videoStreams) {
            EXPECT_NEAR(VideoSeconds(output), source->seconds, 0.1);
        }
        fs::remove(output);
    }
}

TEST_F(AvchdConvert, AFailedMuxLeavesNothing)
{
    auto media = Probed(kVariableRate);
    SetToolSearchPathForTesting({jobtest::W(m_dir.File("no-tools"))});
    media->StartConvert(m_profile, m_window.Get(), 0);
    EXPECT_NE(Finish(*media), 0);
    EXPECT_EQ(Files(), std::vector<std::string>{});
}

TEST_F(AvchdConvert, AStopLeavesNothing)
{
    auto media = Probed(kLong);
    media->StartConvert(m_profile, m_window.Get(), 0);
    ASSERT_TRUE(m_window.WaitFor(WM_VXM_JOB_STEP_STARTED));
    media->StopConvert();
    EXPECT_EQ(Finish(*media), -1);
    EXPECT_EQ(Files(), std::vector<std::string>{});
}
