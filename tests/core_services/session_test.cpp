// Session services: the screen-saver guard, the file manager and power-off.
#include "VXMGlobal.h"
#include "core_test_support.h"
#include "platform/desktop.h"
#include "platform/messages.h"
#include "platform/text.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <memory>
#include <thread>

namespace {

class SessionTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        // Harmless stand-ins: the inhibitor runs until its input ends.
        SetDesktopCommandForTesting(EDesktopCommand::IdleInhibit, {L"cat"});
        SetDesktopCommandForTesting(EDesktopCommand::FileManager, {L"true"});
        SetDesktopCommandForTesting(EDesktopCommand::FileSelector, {L"false"});
        SetDesktopCommandForTesting(EDesktopCommand::PowerOff, {L"/bin/sh", L"-c", L"echo not allowed >&2; exit 1"});
    }
    void TearDown() override { SetGlobalUIHooks({}); }
};

}  // namespace

TEST_F(SessionTest, NestedScreenSaverGuardsRestoreWhatTheyFound)
{
    ASSERT_EQ(GetIdleInhibitHolds(), 0);
    auto outer = std::make_unique<CDisableScreenSave>();
    EXPECT_TRUE(IsIdleInhibitorRunning());
    auto inner = std::make_unique<CDisableScreenSave>();
    EXPECT_EQ(GetIdleInhibitHolds(), 2);
    outer.reset();  // out of order: the inner guard still holds
    EXPECT_TRUE(IsIdleInhibitorRunning());
    inner.reset();
    EXPECT_EQ(GetIdleInhibitHolds(), 0);
    EXPECT_FALSE(IsIdleInhibitorRunning());
    CDisableScreenSave again;
    EXPECT_TRUE(IsIdleInhibitorRunning());
}

TEST_F(SessionTest, AGuardWithoutAnInhibitorServiceIsHarmless)
{
    SetDesktopCommandForTesting(EDesktopCommand::IdleInhibit, {L"vxm-no-such-inhibitor"});
    {
        CDisableScreenSave guard;
        EXPECT_EQ(GetIdleInhibitHolds(), 1);
        EXPECT_FALSE(IsIdleInhibitorRunning());
    }
    EXPECT_EQ(GetIdleInhibitHolds(), 0);
}

TEST_F(SessionTest, OpenInExplorerReportsAMissingPathAsTwo)
{
    vxmtest::CTempDir dir;
    EXPECT_EQ(OpenInExplorer(Utf8ToWide(dir.File("missing.mp4"))), VXM_SHELL_FILE_NOT_FOUND);
    EXPECT_GT(OpenInExplorer(Utf8ToWide(dir.Path())), 32);
    std::string file = dir.File("clip.mp4");
    std::ofstream(file) << "x";
    EXPECT_GT(OpenInExplorer(Utf8ToWide(file)), 32);
    SetDesktopCommandForTesting(EDesktopCommand::FileManager, {L"vxm-no-such-file-manager"});
    EXPECT_LE(OpenInExplorer(Utf8ToWide(dir.Path())), 32);
}

TEST_F(SessionTest, AFileIsShownSelectedThroughTheFileManagerServiceAndItsFolderOpensWithoutIt)
{
    vxmtest::CTempDir dir;
    const std::string file = dir.File("a b,c\xC3\xA9.mp4");
    std::ofstream(file) << "x";
    const std::string asked = dir.File("asked.txt");
    const std::wstring record = Utf8ToWide("printf '%s %s' \"$1\" \"$2\" > '" + asked + "'");
    SetDesktopCommandForTesting(EDesktopCommand::FileSelector, {L"/bin/sh", L"-c", record, L"sh"});
    EXPECT_EQ(OpenInExplorer(Utf8ToWide(file)), VXM_SHELL_OK);
    std::string line;
    std::getline(std::ifstream(asked), line);
    EXPECT_EQ(line, "array:string:" + WideToUtf8(FileUriOfPath(Utf8ToWide(dir.Path()))) + "/a%20b%2Cc%C3%A9.mp4 string:");

    // No service: the folder opens in the file manager.
    const std::string opened = dir.File("opened.txt");
    SetDesktopCommandForTesting(EDesktopCommand::FileSelector, {L"false"});
    SetDesktopCommandForTesting(EDesktopCommand::FileManager,
                                {L"/bin/sh", L"-c", Utf8ToWide("printf '%s' \"$1\" > '" + opened + "'"), L"sh"});
    EXPECT_EQ(OpenInExplorer(Utf8ToWide(file)), VXM_SHELL_OK);
    std::string folder;
    while (folder.empty()) {
        std::getline(std::ifstream(opened), folder);
        if (folder.empty()) std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    EXPECT_EQ(folder, dir.Path());
}

TEST_F(SessionTest, ARefusedPowerOffIsLoggedShownAndTheLoopStillEnds)
{
    vxmtest::CTempDir dir;
    std::string log = dir.File("vxm.log");
    InitLogger(log.c_str());
    std::wstring caption, text;
    SetGlobalUIHooks({nullptr, nullptr, [&](const std::wstring& t, const std::wstring& c) {
                          text = t;
                          caption = c;
                      }});
    Shutdown();
    UninitLogger();
    EXPECT_EQ(caption, L"Vexmora Professional");
    EXPECT_EQ(text, L"not allowed");
    bool logged = false;
    for (const auto& line : coretest::ReadLines(log))
        logged = logged || line.find("?Shutdown@@YAXXZ <> - not allowed") != std::string::npos;
    EXPECT_TRUE(logged);
    MSG msg;
    bool quit = false;
    while (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) quit = quit || msg.message == WM_QUIT;
    EXPECT_TRUE(quit);
}

TEST_F(SessionTest, APowerOffRequestThatHangsIsGivenUp)
{
    // The stand-in keeps standard error open and never ends by itself: only
    // giving up ends the request.
    SetDesktopCommandForTesting(EDesktopCommand::PowerOff, {L"sleep", L"infinity"});
    SetPowerOffWaitForTesting(500);
    std::wstring error;
    EXPECT_FALSE(RequestPowerOff(error));
    SetPowerOffWaitForTesting(30000);
    EXPECT_EQ(error, L"the power-off request did not answer");
}
