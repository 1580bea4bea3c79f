// The pane's tests run offscreen, in their own home folders, with the skin of
// the source tree.
#include "VXMMediaExports.h"
#include "platform/folders.h"
#include "support/private_home.h"
#include "ui/UILib.h"
#include "ui/UIMessagePump.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

std::wstring SourceDir() { return std::wstring(VXM_SOURCE_DIR, VXM_SOURCE_DIR + sizeof(VXM_SOURCE_DIR) - 1); }

class CPaneEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        EnsureUIApplication();
        RegisterMediaLibrary();
        SetProgramFolderForTesting(SourceDir());
        CPaintManagerUI::SetResourcePath(SourceDir() + L"/skin/");
    }
    void TearDown() override
    {
        UnRegisterMediaLibrary();
        ShutdownUIApplication();
    }
};

[[maybe_unused]] const bool g_home = vxmtest::RegisterPrivateHome();
[[maybe_unused]] ::testing::Environment* const g_env = ::testing::AddGlobalTestEnvironment(new CPaneEnvironment);

}  // namespace
