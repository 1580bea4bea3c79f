// External files and the stream choice as the conversion job takes them.
#include "EngineGlobals.h"
#include "ProfileJobBuild.h"
#include "ProfileManager.h"
#include "VXMMediaImpl.h"
#include "mediaops_support.h"
#include "support/test_media.h"
#include "platform/paths.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace mediaopstest;

int BuildMediaCommands(IVXMMedia* media, IProfile* profile, VXM_JOB_QUEUE& queue);

namespace {

class ConversionJob : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_manager = new CProfileManager(W(m_dir.Path()));
        g_pProfileManager = m_manager;
        ASSERT_TRUE(m_manager->LoadProfiles(W(std::string(VXM_SOURCE_DIR) + "/data/profiles.xml")));
        m_media.SetSourcePath(W(vxmtest::GetTestMedia().mp4));
        ASSERT_EQ(m_media.Probe(), 0);
        m_media.SetOutputFolder(W(m_dir.File("out")));
        std::filesystem::create_directory(m_dir.File("out"));
    }
    void TearDown() override
    {
        ClearReservedOutputNames();
        g_pProfileManager = nullptr;
        m_manager->Release();
    }
    std::wstring Job()
    {
        IProfile* profile = m_manager->FindProfileById(0);
        EXPECT_NE(profile, nullptr);
        VXM_JOB_QUEUE queue;
        BuildMediaCommands(&m_media, profile, queue);
        std::wstring all;
        for (const auto& step : queue)
            all += step->strCmdLine + L"\n";
        ClearReservedOutputNames();
        return all;
    }

    vxmtest::CTempDir m_dir;
    CProfileManager* m_manager = nullptr;
    CVXMMediaImpl m_media;
};

TEST_F(ConversionJob, ExternalAudioFileIsAnInputOfTheJob)
{
    const std::wstring mp3 = W(vxmtest::GetTestMedia().mp3);
    EXPECT_EQ(Job().find(mp3), std::wstring::npos);
    ASSERT_EQ(m_media.AddAudioFile(mp3), 0);
    ASSERT_EQ(m_media.SelectStreams(-1, m_media.GetAudioTrackCount() - 1, -1), 0);
    const std::wstring job = Job();
    EXPECT_NE(job.find(mp3), std::wstring::npos) << N(job);
}

TEST_F(ConversionJob, ExternalSubtitleFileIsInTheJob)
{
    const std::wstring srt = W(vxmtest::GetTestMedia().srt);
    const std::wstring name = WideFromPath(PathFromWide(srt).stem());
    EXPECT_EQ(Job().find(name), std::wstring::npos);
    ASSERT_EQ(m_media.AddSubtitleFile(srt), 0);
    ASSERT_EQ(m_media.SelectStreams(-1, -1, 0), 0);
    const std::wstring job = Job();
    EXPECT_NE(job.find(name), std::wstring::npos) << N(job);
}

}  // namespace
