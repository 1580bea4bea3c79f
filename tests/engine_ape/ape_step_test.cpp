// The APE step with the built-in compressor: what the engine registers, how
// the step ends on missing or unusable input, on a stop, and what it prints.
#include "ape_test_util.h"

#include "ApeJob.h"
#include "CmdFFplay.h"
#include "VXMApeCompress.h"
#include "VXMMediaExports.h"
#include "tool_log.h"

#include <atomic>
#include <mutex>

using namespace apetest;

namespace {

void SetJob(CCmdFFplay& runner, const std::string& input, const std::string& output)
{
    runner.m_pCurrentJob = std::make_unique<VXM_JOB_COMMAND>();
    runner.m_pCurrentJob->strInput = W(input);
    runner.m_pCurrentJob->strOutput = W(output);
}

struct CUnregister {
    ~CUnregister() { SetApeCompressor(nullptr); }
};

TEST(ApeStep, TheRegisteredEngineCompressesThroughTheStep)
{
    RegisterMediaLibrary();
    CUnregister restore;
    CTempDir dir;
    const std::string wav = WriteWav(dir, "in.wav", {2, 16, 30000});
    const std::string ape = dir.File("out.ape");
    CCmdFFplay runner;
    SetJob(runner, wav, ape);
    CLogCapture log;
    testing::internal::CaptureStderr();
    const int result = ApeEncodeThread(&runner);
    // The host's standard error is left alone: it all goes to the log.
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    const std::string printed = log.Text();
    EXPECT_EQ(result, 0);
    ExpectDecodesTo(ape, wav, 16);
    // The first progress line (nothing done yet) tells no infinite time.
    EXPECT_NE(printed.find("Progress: 0.0%"), std::string::npos);
    EXPECT_NE(printed.find("Progress: 100.0%"), std::string::npos);
    EXPECT_EQ(printed.find("inf"), std::string::npos);
    EXPECT_EQ(printed.find("nan"), std::string::npos);
    EXPECT_NE(printed.find("Success..."), std::string::npos);
}

TEST(ApeStep, AMissingInputEndsTheStepWithMinusOne)
{
    SetApeCompressor(&GetNativeApeCompressor());
    CUnregister restore;
    CTempDir dir;
    CCmdFFplay runner;
    SetJob(runner, dir.File("absent.wav"), dir.File("out.ape"));
    CLogCapture log;
    CToolLogScope run(&runner);
    testing::internal::CaptureStderr();
    EXPECT_EQ(ApeEncodeThread(&runner), -1);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_NE(log.Text().find("ApeJob: Input File Not Found"), std::string::npos) << log.Text();
    // The reason stays with the run for the conversion's end.
    EXPECT_NE(runner.LastErrorLine().find("Input File Not Found"), std::string::npos);
    EXPECT_TRUE(NoOutputLeft(dir.File("out.ape")));
}

// Sets the kill flag of `g_pStopRunner` at the first progress past zero.
std::atomic<CCmdFFplay*> g_pStopRunner{nullptr};
void StopOnProgress(int progress)
{
    if (progress > 0 && g_pStopRunner.load())
        g_pStopRunner.load()->m_nKillFlag = 1;
}

TEST(ApeStep, AStopEndsARunningCompressionAndLeavesNoFile)
{
    CTempDir dir;
    const std::string wav = WriteWav(dir, "long.wav", {2, 16, 600000, false, 44100});
    const std::string ape = dir.File("out.ape");
    CCmdFFplay runner;
    g_pStopRunner = &runner;
    int percent = 0;
    const int result = GetNativeApeCompressor().CompressFile(W(wav), W(ape), 2000, &percent, &StopOnProgress,
                                                             &runner.m_nKillFlag);
    g_pStopRunner = nullptr;
    EXPECT_EQ(result, VXM_APE_ERROR_USER_STOPPED);
    EXPECT_LT(percent, 100);
    EXPECT_TRUE(NoOutputLeft(ape));
}

TEST(ApeStep, AStopAskedBeforeTheStepEndsIt)
{
    SetApeCompressor(&GetNativeApeCompressor());
    CUnregister restore;
    CTempDir dir;
    const std::string wav = WriteWav(dir, "in.wav", {1, 16, 1000});
    CCmdFFplay runner;
    SetJob(runner, wav, dir.File("out.ape"));
    runner.m_nKillFlag = 1;
    testing::internal::CaptureStderr();
    EXPECT_EQ(ApeEncodeThread(&runner), VXM_APE_ERROR_USER_STOPPED);
    testing::internal::GetCapturedStderr();
    EXPECT_TRUE(NoOutputLeft(dir.File("out.ape")));
}

std::mutex g_progressLock;
std::vector<int> g_progress;
void RecordProgress(int progress)
{
    std::lock_guard<std::mutex> lock(g_progressLock);
    g_progress.push_back(progress);
}

TEST(ApeStep, ProgressRisesFromZeroToTheWhole)
{
    CTempDir dir;
    const std::string wav = WriteWav(dir, "in.wav", {2, 16, 200000});
    g_progress.clear();
    int percent = -1;
    ASSERT_EQ(GetNativeApeCompressor().CompressFile(W(wav), W(dir.File("out.ape")), 2000, &percent, &RecordProgress,
                                                    nullptr),
              0);
    ASSERT_GE(g_progress.size(), 3u);
    EXPECT_EQ(g_progress.front(), 0);
    EXPECT_EQ(g_progress.back(), 100000);
    EXPECT_TRUE(std::is_sorted(g_progress.begin(), g_progress.end()));
    EXPECT_EQ(percent, 100);
}

// A WAV whose format fields are given as they are, with a few data bytes.
std::string WriteRawWav(const CTempDir& dir, const std::string& name, int tag, int channels, int bits, int dataBytes)
{
    std::vector<uint8_t> wav = {'R', 'I', 'F', 'F'};
    PutLe(wav, static_cast<uint32_t>(36 + dataBytes), 4);
    wav.insert(wav.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    PutLe(wav, 16, 4);
    PutLe(wav, tag, 2);
    PutLe(wav, channels, 2);
    PutLe(wav, 44100, 4);
    PutLe(wav, 44100 * channels * bits / 8, 4);
    PutLe(wav, channels * bits / 8, 2);
    PutLe(wav, bits, 2);
    wav.insert(wav.end(), {'d', 'a', 't', 'a'});
    PutLe(wav, static_cast<uint32_t>(dataBytes), 4);
    wav.resize(wav.size() + dataBytes, 0x11);
    const std::string path = dir.File(name);
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(wav.data()), wav.size());
    return path;
}

TEST(ApeStep, InputsTheFormatCannotHoldFailWithTheirCode)
{
    CTempDir dir;
    std::ofstream(dir.File("text.wav")) << "not a wave file";
    const struct {
        std::string input;
        int expected;
    } cases[] = {
        {dir.File("text.wav"), VXM_APE_ERROR_INVALID_INPUT},
        {WriteRawWav(dir, "float.wav", 3, 2, 32, 800), VXM_APE_ERROR_INVALID_INPUT},
        {WriteRawWav(dir, "pcm32.wav", 1, 2, 32, 800), VXM_APE_ERROR_UNSUPPORTED_BIT_DEPTH},
        {WriteRawWav(dir, "six.wav", 1, 6, 16, 1200), VXM_APE_ERROR_UNSUPPORTED_CHANNELS},
        {WriteRawWav(dir, "empty.wav", 1, 2, 16, 0), VXM_APE_ERROR_INPUT_TOO_SMALL},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.input);
        const std::string ape = c.input + ".ape";
        EXPECT_EQ(GetNativeApeCompressor().CompressFile(W(c.input), W(ape), 2000, nullptr, nullptr, nullptr),
                  c.expected);
        EXPECT_TRUE(NoOutputLeft(ape));
    }
    const std::string wav = WriteWav(dir, "good.wav", {1, 16, 100});
    EXPECT_EQ(GetNativeApeCompressor().CompressFile(W(wav), W(wav + ".ape"), 2500, nullptr, nullptr, nullptr),
              VXM_APE_ERROR_BAD_LEVEL);
    EXPECT_EQ(GetNativeApeCompressor().CompressFile(W(wav), W(dir.File("no/such/dir/out.ape")), 2000, nullptr,
                                                    nullptr, nullptr),
              VXM_APE_ERROR_INVALID_OUTPUT);
}

TEST(ApeStep, ADataSizeBeyondTheFileReadsToItsEnd)
{
    CTempDir dir;
    const std::string wav = WriteWav(dir, "in.wav", {2, 16, 5000});
    {
        // A streamed header's placeholder size.
        std::fstream file(wav, std::ios::in | std::ios::out | std::ios::binary);
        file.seekp(40);
        const char unknown[4] = {'\xff', '\xff', '\xff', '\xff'};
        file.write(unknown, 4);
    }
    ExpectRoundTrip(wav, 16);
}

TEST(ApeExports, TheFileFunctionsCompressAndStop)
{
    CTempDir dir;
    const std::string wav = WriteWav(dir, "in.wav", {2, 24, 40000});
    int percent = 0;
    int kill = 0;
    ASSERT_EQ(CompressFile(wav.c_str(), dir.File("narrow.ape").c_str(), 2000, &percent, nullptr, &kill), 0);
    EXPECT_EQ(percent, 100);
    ASSERT_EQ(CompressFileW(W(wav).c_str(), W(dir.File("wide.ape")).c_str(), 2000, nullptr, nullptr, nullptr), 0);
    EXPECT_EQ(ReadAll(dir.File("narrow.ape")), ReadAll(dir.File("wide.ape")));
    ExpectDecodesTo(dir.File("wide.ape"), wav, 24);

    kill = 1;
    EXPECT_EQ(CompressFile(wav.c_str(), dir.File("stopped.ape").c_str(), 2000, nullptr, nullptr, &kill),
              VXM_APE_ERROR_USER_STOPPED);
    EXPECT_TRUE(NoOutputLeft(dir.File("stopped.ape")));

    const std::string longWav = WriteWav(dir, "long.wav", {2, 16, 300000});
    CKillAfterProgress callback;
    EXPECT_EQ(CompressFileW2(W(longWav).c_str(), W(dir.File("w2.ape")).c_str(), 2000, &callback),
              VXM_APE_ERROR_USER_STOPPED);
    EXPECT_TRUE(NoOutputLeft(dir.File("w2.ape")));
    EXPECT_EQ(CompressFileW2(W(wav).c_str(), W(dir.File("w2.ape")).c_str(), 2000, nullptr), 0);
    EXPECT_EQ(CompressFileW(nullptr, W(dir.File("x.ape")).c_str(), 2000, nullptr, nullptr, nullptr),
              VXM_APE_ERROR_BAD_LEVEL);
}

}  // namespace
