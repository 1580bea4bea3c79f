// The preview pane's controls with a stand-in media that records what the
// pane asks of the engine: mute and volume, seeking within a trim, the
// snapshot count, the hand-over to the player and the end of a run.
#include "MainPaneUI.h"
#include "MediaPreviewUI.h"
#include "PreviewPaneUI.h"
#include "VXMMainFrameWnd.h"
#include "VXMMessages.h"
#include "support/fake_media.h"
#include "support/main_window_environment.h"
#include "ui/UIProgress.h"
#include "FakeDesktop.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

class CPreviewMedia : public CStubMedia {
public:
    std::wstring GetSourcePath() const override { return source; }
    int GetStartTime() const override { return startMs; }
    int GetEndTime() const override { return endMs; }
    int GetDuration() const override { return durationMs; }
    int GetClipLength() const override { return durationMs; }
    int GetVideoStreamCount() const override { return 1; }
    IVXMVideo* GetVideoStreamAt(int) override { return &video; }
    int StartPreview(HWND) override
    {
        calls.push_back("start");
        running = 1;
        return 0;
    }
    void StopPreview() override
    {
        calls.push_back("stop");
        running = 0;
    }
    void TogglePreviewPause() override { calls.push_back("pause"); }
    void SeekPreview(float seconds) override { seeks.push_back(seconds); }
    void SetPreviewVolume(int percent) override { volumes.push_back(percent); }
    int GetPreviewState() override { return running; }
    float GetPreviewPosition() override { return position; }
    void TakeSnapshot(const std::wstring&, int) override { calls.push_back("snapshot"); }

    std::wstring source = L"/videos/clip.mkv";
    int startMs = 0, endMs = 0, durationMs = 60000;
    int running = 0;
    float position = 0.0f;
    CStubVideo video;
    std::vector<std::string> calls;
    std::vector<float> seeks;
    std::vector<int> volumes;
};

// Notifications the pane sends to the window.
class CSentNotes : public INotifyUI {
public:
    void Notify(TNotifyUI& msg) override
    {
        if (msg.sType == L"add_to_player" || msg.sType == L"item_clip") notes.push_back(msg);
    }
    std::vector<TNotifyUI> notes;
};

class CPreviewPaneTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        window = new CVXMMainFrameWnd(L"");
        ASSERT_NE(window->Create(nullptr, L"Vexmora Professional", WS_VISIBLE | WS_OVERLAPPEDWINDOW, 0, 0, 0, 1024, 655),
                  nullptr);
        auto* pane = dynamic_cast<CMainPaneUI*>(window->GetMainPane());
        ASSERT_NE(pane, nullptr);
        preview = pane->GetPreviewPane();
        ASSERT_NE(preview, nullptr);
        window->GetPaintManager()->AddNotifier(&sent);
        preview->SetMedia(&media);
    }
    void TearDown() override
    {
        if (window) {
            window->GetPaintManager()->RemoveNotifier(&sent);
            window->DestroyWindow();
        }
        vxmtest::PumpPending();
    }
    CControlUI* Find(const wchar_t* name) { return window->GetPaintManager()->FindControl(name); }
    CSliderUI* Volume() { return dynamic_cast<CSliderUI*>(Find(L"ID_SLIDER_PREVIEW_VOLUME")); }
    void Press(const wchar_t* name)
    {
        TEventUI event;
        event.Type = UIEVENT_BUTTONDOWN;
        event.pSender = Find(name);
        ASSERT_NE(event.pSender, nullptr);
        event.ptMouse = POINT{event.pSender->GetPos().left + 2, event.pSender->GetPos().top + 2};
        event.pSender->Event(event);
    }
    void MoveVolume(int value)
    {
        Volume()->SetValue(value);
        window->GetPaintManager()->SendNotify(Volume(), L"valuechanged");
    }

    CFakeDesktop desktop;
    CVXMMainFrameWnd* window = nullptr;
    CPreviewPaneUI* preview = nullptr;
    CPreviewMedia media;
    CSentNotes sent;
};

TEST(PreviewSeek, PositionsWithinATrimKeepTheirMillisecondsAndLongClipsDoNotOverflow)
{
    // Trim from 1.5 s to 80 minutes: the middle of the span.
    EXPECT_FLOAT_EQ(PreviewSeekSeconds(500, 1500, 4800000, 4800000), 2400.75f);
    EXPECT_FLOAT_EQ(PreviewSeekSeconds(0, 1500, 4800000, 4800000), 1.5f);
    // No trim end: a share of the whole clip (83 minutes).
    EXPECT_FLOAT_EQ(PreviewSeekSeconds(1000, 0, 0, 5000000), 5000.0f);
    EXPECT_FLOAT_EQ(PreviewSeekSeconds(250, 0, 0, 5000000), 1250.0f);
}

TEST(PreviewSnapshotText, CountsUpToNineThenNinePlus)
{
    EXPECT_EQ(SnapshotCountText(0), L"");
    EXPECT_EQ(SnapshotCountText(9), L"9");
    EXPECT_EQ(SnapshotCountText(10), L"9+");
    EXPECT_EQ(SnapshotCountText(250), L"9+");
}

TEST_F(CPreviewPaneTest, MutedStaysMutedWhileTheVolumeMovesAndPlayStartsSilent)
{
    // Muting while stopped asks nothing of the engine.
    Press(L"ID_BUTTON_PREVIEW_MUTE_ON");
    EXPECT_TRUE(preview->IsMuted());
    EXPECT_TRUE(media.volumes.empty());
    EXPECT_TRUE(Find(L"ID_BUTTON_PREVIEW_MUTE_OFF")->IsVisible());
    EXPECT_FALSE(Find(L"ID_BUTTON_PREVIEW_MUTE_ON")->IsVisible());

    Press(L"ID_BUTTON_PREVIEW_PLAY");
    ASSERT_EQ(preview->GetPlayState(), PREVIEW_PLAYING);
    ASSERT_FALSE(media.volumes.empty());
    EXPECT_EQ(media.volumes.back(), 0);
    // The player's first progress gives it the volume again, still silent.
    window->GetPaintManager()->SendNotify(preview->GetPreviewControl(), L"poschanged", 100, 0);
    EXPECT_EQ(media.volumes.back(), 0);
    EXPECT_EQ(dynamic_cast<CSliderUI*>(Find(L"ID_SLIDER_PREVIEW"))->GetValue(), 100);

    // The slider moves while muted: only the stored volume changes.
    MoveVolume(80);
    for (int v : media.volumes) EXPECT_EQ(v, 0);
    EXPECT_TRUE(preview->IsMuted());
    EXPECT_EQ(preview->GetVolume(), 80);

    Press(L"ID_BUTTON_PREVIEW_MUTE_OFF");
    EXPECT_FALSE(preview->IsMuted());
    EXPECT_EQ(media.volumes.back(), 80);
    EXPECT_EQ(Volume()->GetValue(), 80);
    MoveVolume(30);
    EXPECT_EQ(media.volumes.back(), 30);
}

TEST_F(CPreviewPaneTest, TheSliderSeeksWithinTheTrim)
{
    media.startMs = 10500;
    media.endMs = 20500;
    Press(L"ID_BUTTON_PREVIEW_PLAY");
    auto* position = dynamic_cast<CSliderUI*>(Find(L"ID_SLIDER_PREVIEW"));
    position->SetValue(250);
    window->GetPaintManager()->SendNotify(position, L"valuechanged");
    ASSERT_EQ(media.seeks.size(), 1u);
    EXPECT_FLOAT_EQ(media.seeks[0], 13.0f);
}

TEST_F(CPreviewPaneTest, TheTenthSnapshotShowsNinePlus)
{
    Press(L"ID_BUTTON_PREVIEW_PLAY");
    EXPECT_EQ(Find(L"ID_BUTTON_PREVIEW_SNAPSHOT")->GetText(), L"");
    for (int i = 0; i < 10; ++i) Press(L"ID_BUTTON_PREVIEW_SNAPSHOT");
    EXPECT_EQ(preview->GetSnapshotCount(), 10);
    EXPECT_EQ(Find(L"ID_BUTTON_PREVIEW_SNAPSHOT")->GetText(), L"9+");
    EXPECT_EQ(std::count(media.calls.begin(), media.calls.end(), "snapshot"), 10);
}

TEST_F(CPreviewPaneTest, ThePlayerGetsThePositionOfTheClickByValue)
{
    Press(L"ID_BUTTON_PREVIEW_PLAY");
    media.position = 12.34f;
    Press(L"ID_BUTTON_MEDIA_TO_PLAYWND");
    EXPECT_EQ(preview->GetPlayState(), PREVIEW_STOPPED);
    ASSERT_EQ(sent.notes.size(), 1u);
    EXPECT_EQ(sent.notes[0].sType, L"add_to_player");
    EXPECT_EQ(sent.notes[0].wParam, reinterpret_cast<WPARAM>(static_cast<IVXMMedia*>(&media)));
    EXPECT_EQ(sent.notes[0].lParam, 12340);
    EXPECT_EQ(window->GetPage(), 2);
}

TEST_F(CPreviewPaneTest, TheEndOfAnEarlierRunLeavesTheNewOnePlaying)
{
    Press(L"ID_BUTTON_PREVIEW_PLAY");
    Press(L"ID_BUTTON_PREVIEW_STOP");
    Press(L"ID_BUTTON_PREVIEW_PLAY");
    CMediaPreviewUI* picture = preview->GetPreviewControl();
    HWND surface = picture->GetPreviewWindow();
    ASSERT_NE(surface, nullptr);
    // The first run's end arrives while the second plays.
    PostMessage(surface, WM_VXM_PLAY_FINISHED, 0, reinterpret_cast<LPARAM>(static_cast<IVXMMedia*>(&media)));
    vxmtest::PumpPending();
    EXPECT_EQ(picture->GetPreviewWindow(), surface);
    EXPECT_EQ(preview->GetPlayState(), PREVIEW_PLAYING);
    // The second run ends: the window goes, the pane is stopped.
    media.running = 0;
    PostMessage(surface, WM_VXM_PLAY_FINISHED, 0, reinterpret_cast<LPARAM>(static_cast<IVXMMedia*>(&media)));
    ASSERT_TRUE(vxmtest::PumpUntil([&] { return picture->GetPreviewWindow() == nullptr; }));
    EXPECT_EQ(preview->GetPlayState(), PREVIEW_STOPPED);
}

TEST_F(CPreviewPaneTest, AWebSourceEnablesNothing)
{
    CPreviewMedia web;
    web.source = L"https://example.org/watch?v=1";
    preview->SetMedia(nullptr);
    EXPECT_FALSE(Find(L"ID_BUTTON_PREVIEW_PLAY")->IsEnabled());
    preview->SetMedia(&web);
    EXPECT_FALSE(Find(L"ID_BUTTON_PREVIEW_PLAY")->IsEnabled());
    EXPECT_FALSE(Find(L"ID_BUTTON_PREVIEW_CLIP")->IsEnabled());
    preview->SetMedia(&media);
    EXPECT_TRUE(Find(L"ID_BUTTON_PREVIEW_PLAY")->IsEnabled());
    EXPECT_TRUE(Find(L"ID_BUTTON_PREVIEW_CLIP")->IsEnabled());
    preview->SetMedia(nullptr);
}

}  // namespace
