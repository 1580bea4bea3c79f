// Destroying a media object stops and joins what still runs for it.
#include "EngineHooks.h"
#include "VXMMediaImpl.h"
#include "platform/messages.h"
#include "platform/thread.h"

#include <gtest/gtest.h>

#include <atomic>

namespace {

int g_stopCalls = 0;
bool g_runnerSeen = false;

void FakeStopRunners(CVXMMediaBase& media)
{
    ++g_stopCalls;
    g_runnerSeen = media.m_pConvertRunner != nullptr;
    media.m_pConvertRunner = nullptr;  // the runner code deletes it
}

class MediaTeardown : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_saved = g_EngineHooks;
        g_EngineHooks.pfnStopMediaRunners = &FakeStopRunners;
        g_stopCalls = 0;
        g_runnerSeen = false;
    }
    void TearDown() override { g_EngineHooks = m_saved; }
    VXM_ENGINE_HOOKS m_saved{};
};

TEST_F(MediaTeardown, RunnersAreStoppedBeforeTheMediaGoes)
{
    IVXMMedia* media = new CVXMMediaImpl();
    auto* data = dynamic_cast<CVXMMediaBase*>(media);
    static char runner;
    data->m_pConvertRunner = reinterpret_cast<CCmdFFplay*>(&runner);
    media->Release();
    EXPECT_EQ(g_stopCalls, 1);
    EXPECT_TRUE(g_runnerSeen);
}

TEST_F(MediaTeardown, AMediaWithNothingRunningNeedsNoStop)
{
    IVXMMedia* media = new CVXMMediaImpl();
    media->Release();
    EXPECT_EQ(g_stopCalls, 0);
}

TEST_F(MediaTeardown, TheMonitorThreadIsStoppedAndJoined)
{
    std::atomic<bool> ended{false};
    IVXMMedia* media = new CVXMMediaImpl();
    auto* data = dynamic_cast<CVXMMediaBase*>(media);
    data->m_hMonitorThread = std::make_unique<CMessageThread>();
    ASSERT_TRUE(data->m_hMonitorThread->Start([&ended](CMessageThread&) {
        MSG msg;
        while (GetMessage(&msg, nullptr, 0, 0) > 0) {
        }
        ended = true;
    }, nullptr));
    data->m_nMonitorThreadId = data->m_hMonitorThread->GetThreadId();
    media->Release();
    EXPECT_TRUE(ended);
    EXPECT_EQ(g_stopCalls, 1);
}

}  // namespace
