#include "support/private_home.h"
#include "support/test_media.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>

namespace vxmtest {
namespace {

class CPrivateHome : public ::testing::Environment {
public:
    void SetUp() override
    {
        m_dir = std::make_unique<CTempDir>();
        const std::string home = m_dir->Path();
        std::filesystem::create_directories(home + "/data");
        std::filesystem::create_directories(home + "/config");
        setenv("HOME", home.c_str(), 1);
        setenv("XDG_DATA_HOME", (home + "/data").c_str(), 1);
        setenv("XDG_CONFIG_HOME", (home + "/config").c_str(), 1);
    }
    void TearDown() override { m_dir.reset(); }

private:
    std::unique_ptr<CTempDir> m_dir;
};

}  // namespace

bool RegisterPrivateHome()
{
    ::testing::AddGlobalTestEnvironment(new CPrivateHome);
    return true;
}

}  // namespace vxmtest
