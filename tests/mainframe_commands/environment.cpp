// The commands' tests run offscreen in their own home, with the engine
// registered and the catalogue, skin and menus of the source tree.
#include "support/private_home.h"
#include "VXMMediaExports.h"
#include "platform/folders.h"
#include "ui/UILib.h"
#include "ui/UIMessagePump.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

std::wstring SourceDir() { return std::wstring(VXM_SOURCE_DIR, VXM_SOURCE_DIR + sizeof(VXM_SOURCE_DIR) - 1); }

[[maybe_unused]] const bool g_home = vxmtest::RegisterPrivateHome();

class CCommandsEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        EnsureUIApplication();
        RegisterMediaLibrary();
        SetProgramFolderForTesting(SourceDir());
        CPaintManagerUI::SetResourcePath(SourceDir() + L"/skin");
    }
    void TearDown() override
    {
        UnRegisterMediaLibrary();
        ShutdownUIApplication();
    }
};

[[maybe_unused]] ::testing::Environment* const g_env = ::testing::AddGlobalTestEnvironment(new CCommandsEnvironment);

}  // namespace
