// Convert all and the queue behind it: how many rows start at once, which
// row starts when a job ends, and when the batch is over.
#include "pane_fakes.h"

#include "MainPaneUI.h"
#include "MediaListUI.h"
#include "VXMMediaBase.h"
#include "VXMSettings.h"
#include "platform/text.h"
#include "FakeDesktop.h"

#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <vector>

namespace {

// A pane without a window: the completion actions are counted.
class CCountingPane : public CMainPaneUI {
public:
    CCountingPane() : CMainPaneUI(nullptr, nullptr, false) {}
    void OnAllJobsFinished(CMediaListItemUI* row, int exitCode) override
    {
        ++completions;
        CMainPaneUI::OnAllJobsFinished(row, exitCode);
    }
    int completions = 0;
};

class CQueueTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        settings = CVXMSettings::GetInstance();
        settings->SimConversionTasks = 1;
        settings->UseNVidiaCUDA = 0;
        settings->ShutdownFlag = 0;
        settings->OpenOutputFolderAfterConvertingFinished = 0;
        pane = std::make_unique<CCountingPane>();
        pane->BuildPane();
        list = pane->GetMediaList();
        ASSERT_NE(list, nullptr);
        list->SetCurrentProfile(&avi);
        list->SetConverter([this](IVXMMedia* media, IProfile*) {
            auto* m = static_cast<CQueueMedia*>(media);
            starts.push_back(m->title);
            if (refused.count(m->title)) return false;
            m->state = 1;
            return true;
        });
    }
    void TearDown() override { pane.reset(); }

    // File rows come checked.
    void AddRows(int count)
    {
        for (int i = 0; i < count; ++i) {
            media.push_back(std::make_unique<CQueueMedia>(L"m" + std::to_wstring(media.size())));
            ASSERT_NE(pane->AddFileRow(-1, media.back().get()), nullptr);
        }
    }
    // The engine reports the end of a row's job.
    void End(int index, int code)
    {
        media[index]->state = 0;
        pane->OnJobFinished(media[index].get(), code);
    }
    VXM_ITEM_STATUS Status(int index) { return list->GetMediaItem(index)->GetStatus(); }

    CVXMSettings* settings = nullptr;
    std::unique_ptr<CCountingPane> pane;
    CMediaListUI* list = nullptr;
    CExtProfile avi{L"avi"};
    std::vector<std::unique_ptr<CQueueMedia>> media;
    std::vector<std::wstring> starts;
    std::set<std::wstring> refused;
};

TEST_F(CQueueTest, TwoTasksWithFiveRowsStartTwoThenOnePerFinishedJobInListOrder)
{
    settings->SimConversionTasks = 2;
    AddRows(5);
    EXPECT_TRUE(pane->ConvertAll());
    EXPECT_EQ(starts, (std::vector<std::wstring>{L"m0", L"m1"}));
    for (int i = 2; i < 5; ++i) EXPECT_EQ(Status(i), ITEM_STATUS_QUEUED) << i;

    End(1, 0);
    EXPECT_EQ(starts, (std::vector<std::wstring>{L"m0", L"m1", L"m2"}));
    End(0, 0);
    EXPECT_EQ(starts.back(), L"m3");
    End(2, 0);
    EXPECT_EQ(starts.back(), L"m4");
    EXPECT_EQ(starts.size(), 5u);
    End(3, 0);
    End(4, 0);
    EXPECT_EQ(starts.size(), 5u);
    EXPECT_EQ(pane->completions, 1);
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(Status(i), ITEM_STATUS_DONE) << i;
        EXPECT_FALSE(list->GetMediaItem(i)->IsChecked()) << i;
    }
}

TEST_F(CQueueTest, UncheckedRowsAreLeftOut)
{
    AddRows(3);
    list->GetMediaItem(1)->SetChecked(false);
    pane->ConvertAll();
    End(0, 0);
    End(2, 0);
    EXPECT_EQ(starts, (std::vector<std::wstring>{L"m0", L"m2"}));
    EXPECT_EQ(Status(1), ITEM_STATUS_NONE);
}

TEST_F(CQueueTest, AFailedRowStaysCheckedAndIsNeverStartedAgain)
{
    AddRows(3);
    pane->ConvertAll();
    End(0, -1);
    EXPECT_EQ(Status(0), ITEM_STATUS_FAILED);
    EXPECT_TRUE(list->GetMediaItem(0)->IsChecked());
    End(1, 0);
    End(2, 0);
    EXPECT_EQ(starts, (std::vector<std::wstring>{L"m0", L"m1", L"m2"}));
    EXPECT_EQ(pane->completions, 1);
}

// A media whose engine half holds why its conversion failed.
class CFailingMedia : public CQueueMedia, public CVXMMediaBase {
public:
    using CQueueMedia::CQueueMedia;
};

TEST_F(CQueueTest, AFailedRowShowsTheToolsReasonOnItsStatusUntilItRunsAgain)
{
    auto owned = std::make_unique<CFailingMedia>(L"f");
    CFailingMedia& failing = *owned;
    media.push_back(std::move(owned));
    failing.m_strLastError = L"clip.mp4: Invalid data found when processing input";
    CMediaListItemUI* row = pane->AddFileRow(-1, &failing);
    ASSERT_NE(row, nullptr);
    pane->ConvertAll();
    failing.state = 0;
    pane->OnJobFinished(&failing, 1);
    EXPECT_EQ(row->GetStatus(), ITEM_STATUS_FAILED);
    EXPECT_EQ(row->GetStatusToolTip(), failing.m_strLastError);
    row->SetStatusText(167);  // converting again
    EXPECT_EQ(row->GetStatusToolTip(), L"");
}

TEST_F(CQueueTest, AJobWhoseInputIsMissingMarksItsRowFailedSoTheQueueDoesNotLoop)
{
    AddRows(2);
    pane->ConvertAll();
    End(0, -2);
    EXPECT_EQ(Status(0), ITEM_STATUS_FAILED);
    ASSERT_EQ(starts.size(), 2u);
    End(1, -2);
    // Neither row comes back: the batch is over.
    EXPECT_EQ(starts.size(), 2u);
    EXPECT_EQ(pane->completions, 1);
}

TEST_F(CQueueTest, DoneRowsCheckedAgainAreNotTakenByTheRunningQueue)
{
    AddRows(3);
    pane->ConvertAll();
    End(0, 0);  // m1 starts
    list->GetMediaItem(0)->SetChecked(true);
    End(1, 0);  // m2 starts, not the done m0
    EXPECT_EQ(starts, (std::vector<std::wstring>{L"m0", L"m1", L"m2"}));
}

TEST_F(CQueueTest, ARefusedStartMarksTheRowFailedAndTheNextRowStarts)
{
    AddRows(3);
    refused = {L"m0"};
    EXPECT_TRUE(pane->ConvertAll());
    EXPECT_EQ(starts, (std::vector<std::wstring>{L"m0", L"m1"}));
    EXPECT_EQ(Status(0), ITEM_STATUS_FAILED);
    refused = {L"m2"};
    End(1, 0);
    EXPECT_EQ(Status(2), ITEM_STATUS_FAILED);
    EXPECT_EQ(pane->completions, 1);
}

TEST_F(CQueueTest, ABatchWhoseEveryStartIsRefusedNeverShutsTheMachineDown)
{
    CFakeDesktop desktop;
    settings->ShutdownFlag = 1;
    AddRows(2);
    refused = {L"m0", L"m1"};
    EXPECT_FALSE(pane->ConvertAll());
    EXPECT_EQ(pane->completions, 0);
    EXPECT_FALSE(pane->Queue().IsRunning());
    for (const std::wstring& call : desktop.Calls()) EXPECT_EQ(call.find(L"PowerOff"), std::wstring::npos) << WideToUtf8(call);
    EXPECT_EQ(settings->ShutdownFlag, 1) << "the user's choice stays for a batch that runs";
    settings->ShutdownFlag = 0;
}

TEST_F(CQueueTest, NothingCheckedStartsNothingAndCompletesNothing)
{
    AddRows(2);
    list->CheckAll(false);
    EXPECT_FALSE(pane->ConvertAll());
    EXPECT_TRUE(starts.empty());
    EXPECT_EQ(pane->completions, 0);
}

TEST_F(CQueueTest, TheBatchEndsWithTheLastRunningJob)
{
    settings->SimConversionTasks = 2;
    AddRows(2);
    pane->ConvertAll();
    End(0, 0);
    EXPECT_EQ(pane->completions, 0);
    End(1, 0);
    EXPECT_EQ(pane->completions, 1);
}

TEST_F(CQueueTest, StoppedJobsEndTheBatchOnceThoughEachReportsItsEnd)
{
    settings->SimConversionTasks = 2;
    AddRows(3);
    pane->ConvertAll();
    pane->StopAll();
    EXPECT_FALSE(pane->Queue().IsRunning());
    End(0, -1);
    End(1, -1);
    EXPECT_EQ(starts.size(), 2u);
    EXPECT_EQ(pane->completions, 1);
}

TEST_F(CQueueTest, ARowStartedByItsOwnButtonEndsItsOwnBatch)
{
    AddRows(2);
    // No convert all: the row's own start, then the engine's started message.
    ASSERT_TRUE(list->Convert(media[1].get(), &avi));
    pane->OnConversionStarted(media[1].get());
    End(1, 0);
    EXPECT_EQ(starts, (std::vector<std::wstring>{L"m1"}));
    EXPECT_EQ(pane->completions, 1);
}

TEST_F(CQueueTest, WithHardwareEncodingAThirdMp4RowWaits)
{
    settings->SimConversionTasks = 4;
    settings->UseNVidiaCUDA = 1;
    CExtProfile mp4(L"mp4");
    list->SetCurrentProfile(&mp4);
    AddRows(3);
    pane->ConvertAll();
    EXPECT_EQ(starts, (std::vector<std::wstring>{L"m0", L"m1"}));
    EXPECT_EQ(Status(2), ITEM_STATUS_QUEUED);
    End(0, 0);
    EXPECT_EQ(starts.back(), L"m2");
}

TEST_F(CQueueTest, WithoutHardwareEncodingThreeMp4RowsRunTogether)
{
    settings->SimConversionTasks = 4;
    CExtProfile mp4(L"mp4");
    list->SetCurrentProfile(&mp4);
    AddRows(3);
    pane->ConvertAll();
    EXPECT_EQ(starts.size(), 3u);
}

TEST_F(CQueueTest, JoinModeConvertsOnlyTheFirstRowAndNeedsItChecked)
{
    AddRows(3);
    list->SetJoinMode(true);
    list->GetMediaItem(0)->SetChecked(false);
    EXPECT_FALSE(pane->ConvertAll());
    EXPECT_TRUE(starts.empty());
    list->GetMediaItem(0)->SetChecked(true);
    EXPECT_TRUE(pane->ConvertAll());
    EXPECT_EQ(starts, (std::vector<std::wstring>{L"m0"}));
    // The rows joined to it keep their buttons off while it runs, and get them back after it.
    pane->OnConversionStarted(media[0].get());
    EXPECT_EQ(list->GetJoinedRunning(), media[0].get());
    End(0, 0);
    EXPECT_EQ(list->GetJoinedRunning(), nullptr);
}

TEST_F(CQueueTest, AJobEndForAMediaWithoutARowChangesNothing)
{
    AddRows(1);
    CQueueMedia stranger(L"x");
    EXPECT_EQ(pane->OnJobFinished(&stranger, 0), nullptr);
    EXPECT_EQ(pane->completions, 0);
}

}  // namespace
