// Every test of this program runs with its own home, data and config folders,
// so nothing reads or writes the user's real settings or log.
#include "support/test_media.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>

namespace {

class CPrivateHome : public ::testing::Environment {
public:
    void SetUp() override
    {
        m_dir = std::make_unique<vxmtest::CTempDir>();
        const std::string home = m_dir->Path();
        std::filesystem::create_directories(home + "/data");
        std::filesystem::create_directories(home + "/config");
        setenv("HOME", home.c_str(), 1);
        setenv("XDG_DATA_HOME", (home + "/data").c_str(), 1);
        setenv("XDG_CONFIG_HOME", (home + "/config").c_str(), 1);
    }
    void TearDown() override { m_dir.reset(); }

private:
    std::unique_ptr<vxmtest::CTempDir> m_dir;
};

[[maybe_unused]] ::testing::Environment* const g_home = ::testing::AddGlobalTestEnvironment(new CPrivateHome);

}  // namespace
