// The preview started through a file media object: its colour, 3D and
// subtitle settings reach the player as filters it can build, and a player
// that cannot play is reported by the start.
#include <gtest/gtest.h>

#include "EngineGlobals.h"
#include "VXMUtils.h"
#include "player_support.h"
#include "support/test_media.h"

using namespace playertest;
using vxmtest::GetTestMedia;

namespace {

struct CShownPreview {
    int started = -1;
    bool moving = false;
    double centreLevel = 0.0;
    float aspect = 0.0f;
};

// Starts the media's preview into a 320x240 host, lets it play half a second
// and reads the middle of the picture.
CShownPreview ShowPreview(CVXMMediaImpl& media)
{
    CRecorder notify;
    CHostWindow window(320, 240);
    CShownPreview out;
    out.started = media.StartPreview(notify.Get());
    if (out.started != 0) return out;
    out.moving = WaitPosition(0.5) && window.Host().WaitPresents(window.Host().Presents() + 3);
    out.aspect = *ffplay_display_aspect();
    out.centreLevel = window.Host().MeanLevel(120, 40, 80, 160);
    media.StopPreview();
    return out;
}

class MediaPreview : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_nDisplayMode = 2;  // single view, picture settings applied
        m_media.SetSourcePath(AnsiToWide(GetTestMedia().subtitled));
        ASSERT_EQ(m_media.Probe(), 0);
    }
    void TearDown() override { g_nDisplayMode = 2; }
    CVXMMediaImpl m_media;
};

TEST_F(MediaPreview, BrightnessThreeDAndSubtitleShowMovingPictures)
{
    m_media.m_bNoSubtitle = TRUE;
    const CShownPreview plain = ShowPreview(m_media);
    ASSERT_EQ(plain.started, 0);
    ASSERT_TRUE(plain.moving);

    m_media.m_bNoSubtitle = FALSE;  // the clip's own subtitle, styled
    m_media.m_nBrightness = 60;
    m_media.m_n3DMode = 14;  // side by side, left first
    m_media.m_n3DOutput = 12;  // its left view alone
    m_media.m_n3DDepth = 1;
    const CShownPreview adjusted = ShowPreview(m_media);
    ASSERT_EQ(adjusted.started, 0);
    EXPECT_TRUE(adjusted.moving);
    // The left half of the 160x120 clip: 80x120.
    EXPECT_NEAR(adjusted.aspect, 80.0f / 120.0f, 1e-3);
    EXPECT_GT(adjusted.centreLevel, plain.centreLevel + 40.0);
}

TEST_F(MediaPreview, APlayerThatCannotOpenItsInputFailsTheStart)
{
    m_media.SetSourcePath(AnsiToWide(GetTestMedia().folder + "/no-such-clip.mkv"));
    EXPECT_EQ(ShowPreview(m_media).started, -1);
    EXPECT_EQ(m_media.GetPreviewState(), 0);
    EXPECT_EQ(m_media.m_pPreviewRunner, nullptr);
}

}  // namespace
