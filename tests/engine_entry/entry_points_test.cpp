// Process-wide entry points: factories, settings, log callbacks, capability probes.
#include "EngineGlobals.h"
#include "EngineHooks.h"
#include "EngineLog.h"
#include "VXMMediaExports.h"
#include "VXMMediaImpl.h"

#include <gtest/gtest.h>

#include <cstdarg>
#include <string>
#include <vector>

namespace {

// Read during static initialisation, before any test can set a mode.
const int s_displayModeAtLoad = GetDisplayMode();

TEST(DisplayMode, IsTwoBeforeAnySet)
{
    EXPECT_EQ(s_displayModeAtLoad, 2);
}

TEST(DisplayMode, ReadsBackWhatWasSet)
{
    SetDisplayMode(5);
    EXPECT_EQ(GetDisplayMode(), 5);
    SetDisplayMode(2);
}

// Host callbacks that keep what they receive.
struct LoggedLine {
    std::string category;
    std::string format;
    std::string textA;
    std::wstring formatW;
    std::wstring textW;
};
std::vector<LoggedLine> g_logged;

void HostLogA(const char* category, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    LoggedLine line;
    line.category = category ? category : "main";
    line.format = format;
    line.textA = va_arg(args, const char*);
    va_end(args);
    g_logged.push_back(line);
}

void HostLogW(const char* category, const wchar_t* format, ...)
{
    va_list args;
    va_start(args, format);
    LoggedLine line;
    line.category = category ? category : "main";
    line.formatW = format;
    line.textW = va_arg(args, const wchar_t*);
    va_end(args);
    g_logged.push_back(line);
}

class EngineLog : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_logged.clear();
        VXMMediaSetLogFunc(&HostLogA, &HostLogW);
    }
    void TearDown() override { VXMMediaSetLogFunc(nullptr, nullptr); }
};

TEST_F(EngineLog, LongNarrowTextReachesHostCutTo1024)
{
    std::string longText(5000, 'x');
    LogMessageA("?ffmpeg_transcode", "%s", longText.c_str());
    ASSERT_EQ(g_logged.size(), 1u);
    EXPECT_EQ(g_logged[0].category, "?ffmpeg_transcode");
    EXPECT_EQ(g_logged[0].format, "%s");
    EXPECT_EQ(g_logged[0].textA, std::string(1024, 'x'));
}

TEST_F(EngineLog, LongWideTextReachesHostCutTo1024)
{
    std::wstring longText(5000, L'y');
    LogMessageW("player", L"%s", longText.c_str());
    ASSERT_EQ(g_logged.size(), 1u);
    EXPECT_EQ(g_logged[0].formatW, L"%s");
    EXPECT_EQ(g_logged[0].textW, std::wstring(1024, L'y'));
}

TEST_F(EngineLog, PercentSignsInTheTextArriveUnchanged)
{
    LogMessageA("c", "file %s at %d%%", "100%s%n.mp4", 50);
    ASSERT_EQ(g_logged.size(), 1u);
    EXPECT_EQ(g_logged[0].format, "%s");
    EXPECT_EQ(g_logged[0].textA, "file 100%s%n.mp4 at 50%");
}

TEST_F(EngineLog, CutNeverSplitsAUtf8Character)
{
    std::string text(1023, 'a');
    text += "\xC3\xA9";  // a two-byte character across the limit
    text += "tail";
    LogMessageA("c", "%s", text.c_str());
    ASSERT_EQ(g_logged.size(), 1u);
    EXPECT_EQ(g_logged[0].textA, std::string(1023, 'a'));
}

TEST_F(EngineLog, NothingIsLoggedWithoutCallbacks)
{
    VXMMediaSetLogFunc(nullptr, nullptr);
    LogMessageA("c", "%s", "dropped");
    LogMessageW("c", L"%s", L"dropped");
    EXPECT_TRUE(g_logged.empty());
}

TEST(CudaProbes, AnswerZeroOnEveryCallWithoutTheDriver)
{
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(IsCUDASupported(), 0);
        EXPECT_EQ(IsCUDADevicePresent(), 0);
        EXPECT_EQ(GetCUDAComputeCapability(), 0);
    }
}

TEST(ReportLogSettings, AreStoredAsGiven)
{
    SetLogfilePath("/tmp/report folder");
    SetUseLogfile(1);
    EXPECT_EQ(g_strReportLogPath, "/tmp/report folder");
    EXPECT_EQ(g_bUseReportLog, 1);
    SetLogfilePath(nullptr);
    SetUseLogfile(0);
    EXPECT_EQ(g_strReportLogPath, "");
}

TEST(ClipEffectLibrary, AnswersNoneWhileItIsMissing)
{
    EXPECT_EQ(LoadPrismelDll(), nullptr);
    EXPECT_EQ(LoadPrismelDll(), nullptr);
}

// The profile manager factory: the one object, made once.
int g_managersMade = 0;
bool g_failNextManager = false;
char g_managerStorage[1];

IProfileManager* FakeNewProfileManager()
{
    if (g_failNextManager) {
        g_failNextManager = false;
        return nullptr;
    }
    ++g_managersMade;
    return reinterpret_cast<IProfileManager*>(&g_managerStorage);
}

class ProfileManagerFactory : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_saved = g_EngineHooks;
        g_EngineHooks.pfnNewProfileManager = &FakeNewProfileManager;
        g_pProfileManager = nullptr;
        g_managersMade = 0;
    }
    void TearDown() override
    {
        g_EngineHooks = m_saved;
        g_pProfileManager = nullptr;
    }
    VXM_ENGINE_HOOKS m_saved{};
};

TEST_F(ProfileManagerFactory, TwoCallsReturnOneObject)
{
    IProfileManager* first = CreateProfileManger();
    IProfileManager* second = CreateProfileManger();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first, second);
    EXPECT_EQ(g_managersMade, 1);
}

TEST_F(ProfileManagerFactory, AFailedCreationIsTriedAgain)
{
    g_failNextManager = true;
    EXPECT_EQ(CreateProfileManger(), nullptr);
    EXPECT_NE(CreateProfileManger(), nullptr);
    EXPECT_EQ(g_managersMade, 1);
}

TEST_F(ProfileManagerFactory, WithoutTheManagerBuiltInTheAnswerIsNull)
{
    g_EngineHooks.pfnNewProfileManager = nullptr;
    EXPECT_EQ(CreateProfileManger(), nullptr);
}

int g_toolShutdowns = 0;
void FakeShutdownToolCode() { ++g_toolShutdowns; }

TEST(EngineShutDown, RunsTheToolCodeShutDown)
{
    VXM_ENGINE_HOOKS saved = g_EngineHooks;
    g_EngineHooks.pfnShutdownToolCode = &FakeShutdownToolCode;
    RegisterMediaLibrary();
    UnRegisterMediaLibrary();
    g_EngineHooks = saved;
    EXPECT_EQ(g_toolShutdowns, 1);
}

}  // namespace
