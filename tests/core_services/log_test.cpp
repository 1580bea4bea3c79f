// The log: line layout, size rule at start-up, long and odd texts, many threads.
#include "core_test_support.h"
#include "VXMGlobal.h"

#include <gtest/gtest.h>

#include <regex>
#include <thread>

namespace {

class LogTest : public ::testing::Test {
protected:
    void TearDown() override { UninitLogger(); }
    std::vector<std::string> Lines() const { return coretest::ReadLines(m_path); }
    // The message part of a line: the text after "> - ".
    static std::string Message(const std::string& line)
    {
        size_t at = line.find("> - ");
        return at == std::string::npos ? std::string() : line.substr(at + 4);
    }

    vxmtest::CTempDir m_dir;
    std::string m_path = m_dir.File("vxm.log");
};

}  // namespace

TEST_F(LogTest, LinesFollowTheProgramsLayout)
{
    InitLogger(m_path.c_str());
    LogInfo(nullptr, "plain %d", 5);
    LogError("CMediaHandler", "failed");
    auto lines = Lines();
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(Message(lines[0]), std::string(75, '-'));
    EXPECT_EQ(Message(lines[1]), "Logger initialized.");
    std::regex layout(R"(\d\d-\d\d-\d\d \d\d:\d\d:\d\d, (AM|PM) \[[^\]]*\] INFO main <> - plain 5)");
    EXPECT_TRUE(std::regex_match(lines[2], layout)) << lines[2];
    EXPECT_NE(lines[3].find("] ERROR CMediaHandler <> - failed"), std::string::npos) << lines[3];
}

TEST_F(LogTest, AFileOverOneMebibyteIsDeletedAtStart)
{
    {
        std::ofstream out(m_path, std::ios::binary);
        out << std::string(1048577, 'x');
    }
    InitLogger(m_path.c_str());
    auto lines = Lines();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(Message(lines[0]), std::string(75, '-'));
    EXPECT_EQ(Message(lines[1]), "Logger initialized.");
    EXPECT_EQ(Message(lines[2]), "Log file size exceeds 1M limit, truncated.");
}

TEST_F(LogTest, AFileOfExactlyOneMebibyteIsKept)
{
    {
        std::ofstream out(m_path, std::ios::binary);
        out << std::string(1048575, 'x') << '\n';
    }
    InitLogger(m_path.c_str());
    auto lines = Lines();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0].size(), 1048575u);
    EXPECT_EQ(Message(lines[2]), "Logger initialized.");
}

TEST_F(LogTest, ManyThreadsLeaveEveryLineWhole)
{
    InitLogger(m_path.c_str());
    constexpr int kThreads = 8;
    constexpr int kLines = 10000;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t] {
            for (int i = 0; i < kLines; ++i) {
                if (i % 2) LogInfo("worker", "thread %d line %d end", t, i);
                else LogInfoW("worker", L"thread %d line %d end", t, i);
            }
        });
    }
    for (auto& th : threads) th.join();
    UninitLogger();

    auto lines = Lines();
    std::vector<std::vector<bool>> seen(kThreads, std::vector<bool>(kLines, false));
    int worker = 0;
    std::regex layout(R"(.* \[[^\]]*\] INFO worker <> - thread (\d+) line (\d+) end)");
    for (const auto& line : lines) {
        if (line.find(" worker ") == std::string::npos) continue;
        std::smatch m;
        ASSERT_TRUE(std::regex_match(line, m, layout)) << "broken line: " << line;
        int t = std::stoi(m[1]), i = std::stoi(m[2]);
        ASSERT_FALSE(seen[t][i]) << "twice: " << line;
        seen[t][i] = true;
        ++worker;
    }
    EXPECT_EQ(worker, kThreads * kLines);
    EXPECT_EQ(lines.size(), static_cast<size_t>(kThreads * kLines + 3));
}

TEST_F(LogTest, LongTextsAreCutNotOverflowed)
{
    InitLogger(m_path.c_str());
    std::string narrow(5000, 'n');
    std::wstring wide(5000, L'w');
    LogInfo("main", "%s", narrow.c_str());
    LogErrorW("main", L"%s", wide.c_str());
    LogInfo("main", "after");
    auto lines = Lines();
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(Message(lines[2]), std::string(1024, 'n'));
    EXPECT_EQ(Message(lines[3]), std::string(1023, 'w'));
    EXPECT_EQ(Message(lines[4]), "after");
}

TEST_F(LogTest, PercentSignsInTheTextAreWrittenUnchanged)
{
    InitLogger(m_path.c_str());
    LogInfo("main", "%s", "clip %s %d 100%.avi");
    LogError("main", "%s", "clip %n.avi");
    LogInfoW("main", L"%s", L"clip %s %d.avi");
    LogErrorW("main", L"%s", L"clip %n.avi");
    auto lines = Lines();
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_EQ(Message(lines[2]), "clip %s %d 100%.avi");
    EXPECT_EQ(Message(lines[3]), "clip %n.avi");
    EXPECT_EQ(Message(lines[4]), "clip %s %d.avi");
    EXPECT_EQ(Message(lines[5]), "clip %n.avi");
}

TEST_F(LogTest, WideTextIsWrittenAsUtf8)
{
    InitLogger(m_path.c_str());
    LogInfoW("main", L"%s", L"caf\u00e9 \u6f22\u5b57");
    LogErrorW("main", L"%s", L"\u00fcber");
    auto lines = Lines();
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(Message(lines[2]), "caf\xc3\xa9 \xe6\xbc\xa2\xe5\xad\x97");
    EXPECT_EQ(Message(lines[3]), "\xc3\xbc" "ber");
}

TEST_F(LogTest, ALogThatCannotBeOpenedDropsLinesAndTheProgramGoesOn)
{
    std::string blocked = m_dir.File("not-a-folder");
    { std::ofstream(blocked) << "file"; }
    std::string impossible = blocked + "/vxm.log";
    InitLogger(impossible.c_str());
    LogInfo("main", "nowhere");
    LogErrorW(nullptr, L"nowhere %d", 1);
    UninitLogger();
    EXPECT_FALSE(std::filesystem::exists(impossible));

    InitLogger(m_path.c_str());
    LogInfo("main", "somewhere");
    auto lines = Lines();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(Message(lines[2]), "somewhere");
}

TEST_F(LogTest, NoPathMeansTheDefaultLogInTheDataFolder)
{
    std::wstring expected = GetDefaultLogPath();
    EXPECT_NE(expected.find(L"/Kestrane/Vexmora Professional/vxm.log"), std::wstring::npos);
    InitLogger(nullptr);
    LogInfo("main", "default place");
    UninitLogger();
    auto lines = coretest::ReadLines(WideToUtf8(expected));
    ASSERT_GE(lines.size(), 3u);
    bool found = false;
    for (const auto& l : lines) found = found || Message(l) == "default place";
    EXPECT_TRUE(found);
}

TEST_F(LogTest, TheEngineCallbacksHaveTheExpectedShapes)
{
    VXMLogFuncA narrow = &LogInfo;
    VXMLogFuncW wide = &LogInfoW;
    InitLogger(m_path.c_str());
    narrow(nullptr, "%s", "from the engine");
    wide("?ffmpeg_transcode@@YAHPAXPAVCCmdFFplay@@@Z", L"%s", L"wide from the engine");
    auto lines = Lines();
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_NE(lines[2].find("INFO main <> - from the engine"), std::string::npos);
    EXPECT_NE(lines[3].find("INFO ?ffmpeg_transcode@@YAHPAXPAVCCmdFFplay@@@Z <> - wide from the engine"),
              std::string::npos);
}
