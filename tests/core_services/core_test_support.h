// Shared fixtures of the core services tests.
#pragma once
#include "Log.h"
#include "platform/registry.h"
#include "platform/text.h"
#include "support/test_media.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace coretest {

inline std::string ReadText(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

inline std::vector<std::string> ReadLines(const std::string& path)
{
    std::vector<std::string> lines;
    std::ifstream in(path, std::ios::binary);
    std::string line;
    while (std::getline(in, line)) lines.push_back(line);
    return lines;
}

// A test with its own settings file and log file.
class CStoreTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_settings = m_dir.File("config/registry.txt");
        m_log = m_dir.File("vxm.log");
        SetRegistryFile(HKEY_CURRENT_USER, Utf8ToWide(m_settings));
        InitLogger(m_log.c_str());
    }
    void TearDown() override
    {
        UninitLogger();
        SetRegistryFile(HKEY_CURRENT_USER, L"");
    }
    // Drops what the registry holds in memory, as a new start of the program would.
    void Restart() { SetRegistryFile(HKEY_CURRENT_USER, Utf8ToWide(m_settings)); }

    vxmtest::CTempDir m_dir;
    std::string m_settings;
    std::string m_log;
};

}  // namespace coretest
