// The program as the session ends it: SIGTERM with the options window open
// cancels the options and ends the program as closing its main window does,
// with exit code 0.
#include "platform/process.h"
#include "platform/text.h"
#include "support/test_media.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <map>
#include <sstream>
#include <string>

namespace {

std::string Xdotool(const std::vector<std::string>& args)
{
    std::vector<std::string> argv{"xdotool"};
    argv.insert(argv.end(), args.begin(), args.end());
    std::string out;
    EXPECT_EQ(vxmtest::RunProgram(argv, &out), 0) << out;
    return out;
}

// "X=..", "Y=.." lines of `xdotool getwindowgeometry --shell`.
std::map<std::string, int> Geometry(const std::string& window)
{
    std::map<std::string, int> values;
    std::istringstream lines(Xdotool({"getwindowgeometry", "--shell", window}));
    for (std::string line; std::getline(lines, line);)
        if (const size_t eq = line.find('='); eq != std::string::npos && line.substr(0, eq) != "WINDOW")
            values[line.substr(0, eq)] = std::stoi(line.substr(eq + 1));
    return values;
}

TEST(EndOnSignal, WithTheOptionsOpenTheProgramEndsAsItsWindowClosesWithCodeZero)
{
    CChildProcess program;
    CChildOptions options;
    options.stdoutMode = EChildStream::Null;
    options.stderrMode = EChildStream::Null;
    ASSERT_TRUE(program.Start({Utf8ToWide(std::string(VXM_BIN_DIR) + "/VXMPro")}, options)) << program.LastError();

    // The main window shows (xdotool waits for it); its options button, the
    // first of the six at the right end of the caption, opens the options.
    std::string main = Xdotool({"search", "--sync", "--onlyvisible", "--name", "^Vexmora Professional$"});
    main = main.substr(0, main.find('\n'));
    const auto box = Geometry(main);
    ASSERT_TRUE(box.count("X") && box.count("WIDTH"));
    Xdotool({"mousemove", std::to_string(box.at("X") + box.at("WIDTH") - 224), std::to_string(box.at("Y") + 24), "click",
             "1"});
    Xdotool({"search", "--sync", "--onlyvisible", "--name", "^VXMOptionDlg$"});

    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(program.Terminate());
    int code = -1;
    ASSERT_TRUE(program.Wait(CChildProcess::INFINITE_WAIT, &code));
    const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
    std::fprintf(stderr, "the program ended %lld ms after the signal\n", static_cast<long long>(took.count()));
    EXPECT_EQ(code, 0);
}

}  // namespace
