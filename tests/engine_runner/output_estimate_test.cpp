// The output size estimate from the clip length and the profile's bit rates.
#include "OutputProfile.h"
#include "VXMMediaImpl.h"

#include <gtest/gtest.h>

namespace {

class OutputEstimate : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_media.SetDuration(60000);
        m_media.m_bHasAudio = 1;
        m_media.m_bHasVideo = 1;
        m_profile.SetAudioBitrate(L"128");
        m_profile.SetVideoBitrate(L"1000");
    }
    CVXMMediaImpl m_media;
    COutputProfile m_profile;
};

TEST_F(OutputEstimate, AudioAndVideoRatesOverTheClipLength)
{
    EXPECT_EQ(m_media.EstimateOutputSize(&m_profile), 60u * 1128u / 8u);
}

TEST_F(OutputEstimate, DisabledAudioAndMissingStreamsCountNothing)
{
    m_profile.SetAudioDisabled(1);
    EXPECT_EQ(m_media.EstimateOutputSize(&m_profile), 60u * 1000u / 8u);
    m_media.m_bHasVideo = 0;
    EXPECT_EQ(m_media.EstimateOutputSize(&m_profile), 0u);
}

TEST_F(OutputEstimate, OnlyADisableValueOfExactlyYesLeavesTheAudioOut)
{
    m_profile.m_items[ITEM_DISABLE_AUDIO].m_strValue = L"yes";
    EXPECT_EQ(m_media.EstimateOutputSize(&m_profile), 60u * 1128u / 8u);
}

TEST_F(OutputEstimate, ATrimWindowSetsTheLength)
{
    m_media.SetStartTime(10000);
    m_media.SetEndTime(40000);
    EXPECT_EQ(m_media.EstimateOutputSize(&m_profile), 30u * 1128u / 8u);
}

TEST_F(OutputEstimate, NoLengthOrNoProfileGivesZero)
{
    EXPECT_EQ(m_media.EstimateOutputSize(nullptr), 0u);
    CVXMMediaImpl empty;
    EXPECT_EQ(empty.EstimateOutputSize(&m_profile), 0u);
}

}  // namespace
