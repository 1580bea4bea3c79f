// A window manager on the test's X display (Debian's openbox), for tests where
// full screen, maximising or stacking matter. Header only: include it from
// one file of an x11 test program and call RegisterWindowManager() at load.
#pragma once
#include "platform/process.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace vxmtest {

class CWindowManagerEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        // openbox runs its start-up command once it manages the screen; the
        // command's word comes through openbox's own output.
        m_wm = std::make_unique<CChildProcess>();
        CChildOptions options;
        options.stdoutMode = EChildStream::Pipe;
        options.stderrMode = EChildStream::Null;
        ASSERT_TRUE(m_wm->Start({L"openbox", L"--sm-disable", L"--startup", L"echo openbox-ready"}, options))
            << "Debian's openbox is not installed";
        std::string said;
        char buffer[256];
        while (said.find("openbox-ready") == std::string::npos) {
            const long got = m_wm->ReadStdout(buffer, sizeof buffer);
            ASSERT_GT(got, 0) << "openbox ended at its start";
            said.append(buffer, static_cast<size_t>(got));
        }
    }
    void TearDown() override { m_wm.reset(); }

private:
    std::unique_ptr<CChildProcess> m_wm;
};

inline bool RegisterWindowManager()
{
    ::testing::AddGlobalTestEnvironment(new CWindowManagerEnvironment);
    return true;
}

}  // namespace vxmtest
