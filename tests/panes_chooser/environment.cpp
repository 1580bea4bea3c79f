// The chooser tests run offscreen with their own home, data and config
// folders and the skin and catalogue of the source tree.
#include "support/test_media.h"
#include "platform/folders.h"
#include "ui/UILib.h"
#include "ui/UIMessagePump.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>

namespace {

std::wstring SourceDir() { return std::wstring(VXM_SOURCE_DIR, VXM_SOURCE_DIR + sizeof(VXM_SOURCE_DIR) - 1); }

class CChooserEnvironment : public ::testing::Environment {
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
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        EnsureUIApplication();
        SetProgramFolderForTesting(SourceDir());
        CPaintManagerUI::SetResourcePath(SourceDir() + L"/skin");
    }
    void TearDown() override
    {
        ShutdownUIApplication();
        m_dir.reset();
    }

private:
    std::unique_ptr<vxmtest::CTempDir> m_dir;
};

[[maybe_unused]] ::testing::Environment* const g_env = ::testing::AddGlobalTestEnvironment(new CChooserEnvironment);

}  // namespace
