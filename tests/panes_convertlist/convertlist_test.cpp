#include "list_fixture.h"
#include "WorkPool.h"
#include "VXMGlobal.h"
#include "platform/paths.h"
#include "panes/OnlineMediaListItemUI.h"

#include <QCoreApplication>

#include <cstdio>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <future>
#include <memory>

namespace {

TEST_F(ConvertList, RowShowsSourceTitleWhenNoOutputName)
{
    CMediaListItemUI* row = AddRow(NewMedia(L"holiday"));
    EXPECT_EQ(Text(row, L"ID_LABEL_ITEM_SHORT_NAME"), L"holiday");
    EXPECT_EQ(Sub(row, L"ID_LABEL_ITEM_SHORT_NAME")->GetToolTip(), L"/media/holiday.mp4");
}

TEST_F(ConvertList, AudioOnlySourceShowsAudioImageAndNoInfoLine)
{
    CMediaListItemUI* row = AddRow(NewMedia(L"song"));
    EXPECT_EQ(row->GetShownImage(), L"media_list/audio.png");
    EXPECT_FALSE(Sub(row, L"ID_LAYOUT_MEDIA_INFO")->IsVisible());
}

TEST_F(ConvertList, EngineStatesMapToRowStatuses)
{
    CFakeMedia* m = NewMedia(L"a");
    CMediaListItemUI* row = AddRow(m);
    m->state = 1;
    row->UpdateStatus();
    EXPECT_EQ(row->GetStatus(), ITEM_STATUS_CONVERTING);
    EXPECT_FALSE(row->IsEnabled());
    EXPECT_EQ(Text(row, L"ID_LABEL_ITEM_STATUS"), L"Converting...");
    m->state = -1;
    row->UpdateStatus();
    EXPECT_EQ(row->GetStatus(), ITEM_STATUS_DONE);
    EXPECT_TRUE(row->IsEnabled());
    EXPECT_EQ(Text(row, L"ID_LABEL_ITEM_STATUS"), L"Completed");
    m->state = 0;
    row->UpdateStatus();
    EXPECT_EQ(row->GetStatus(), ITEM_STATUS_NONE);
    EXPECT_FALSE(Sub(row, L"ID_LABEL_ITEM_STATUS")->IsVisible());
    m->state = 7;
    row->UpdateStatus();
    EXPECT_EQ(row->GetStatus(), ITEM_STATUS_NONE);
    // A failure's reason is the status's tooltip until the status changes.
    row->SetStatusText(170);
    row->SetStatusToolTip(L"Unknown encoder 'x'");
    EXPECT_EQ(Sub(row, L"ID_LABEL_ITEM_STATUS")->GetToolTip(), L"Unknown encoder 'x'");
    m->state = 1;  // converting again
    row->UpdateStatus();
    EXPECT_EQ(Sub(row, L"ID_LABEL_ITEM_STATUS")->GetToolTip(), L"");
}

TEST_F(ConvertList, JobControlReachesTheMediaObject)
{
    CFakeMedia* m = NewMedia(L"a");
    CMediaListItemUI* row = AddRow(m);
    row->StartConvert();
    ASSERT_EQ(converted.size(), 1u);
    EXPECT_EQ(converted[0], m);
    EXPECT_TRUE(Sub(row, L"ID_CONTAINER_ITEM_CONVERT")->IsVisible());
    EXPECT_FALSE(Sub(row, L"ID_CONTAINER_ITEM_INFORMATION")->IsVisible());
    row->PauseConvert();
    EXPECT_TRUE(Sub(row, L"ID_BUTTON_ITEM_CONVERT_RESUME")->IsVisible());
    EXPECT_FALSE(Sub(row, L"ID_BUTTON_ITEM_CONVERT_PAUSE")->IsVisible());
    row->ResumeConvert();
    // The engine waits for the conversion to end: the row says it stops meanwhile.
    m->state = 1;
    row->StopConvert();
    EXPECT_TRUE(row->IsStopping());
    EXPECT_EQ(Text(row, L"ID_LABEL_ITEM_STATUS"), L"Stopping...");
    row->StartConvert();
    EXPECT_EQ(converted.size(), 1u);  // not again before the stop ended
    m->state = 0;
    Pump();
    EXPECT_FALSE(row->IsStopping());
    EXPECT_EQ(m->calls, (std::vector<std::wstring>{L"pause", L"resume", L"stop"}));
    // No output file after the stop: the job counts as cancelled.
    EXPECT_EQ(row->GetStatus(), ITEM_STATUS_FAILED);
    EXPECT_EQ(Text(row, L"ID_LABEL_ITEM_STATUS"), L"Cancelled");
}

TEST_F(ConvertList, RunningOrProtectedMediaIsNotStartedAgain)
{
    CFakeMedia* running = NewMedia(L"a");
    running->state = 1;
    AddRow(running)->StartConvert();
    CFakeMedia* locked = NewMedia(L"b");
    locked->protectedMedia = 1;
    AddRow(locked)->StartConvert();
    EXPECT_TRUE(converted.empty());
}

TEST_F(ConvertList, FailedStartLeavesRowInInformationView)
{
    convertOk = false;
    CMediaListItemUI* row = AddRow(NewMedia(L"a"));
    row->StartConvert();
    EXPECT_TRUE(Sub(row, L"ID_CONTAINER_ITEM_INFORMATION")->IsVisible());
}

TEST_F(ConvertList, MoveItemChecksItsBounds)
{
    AddRow(NewMedia(L"a"));
    AddRow(NewMedia(L"b"));
    AddRow(NewMedia(L"c"));
    EXPECT_FALSE(list->MoveItem(-1, 0));
    EXPECT_FALSE(list->MoveItem(0, 3));
    EXPECT_FALSE(list->MoveItem(5, 1));
    EXPECT_EQ(Order(), (std::vector<std::wstring>{L"a", L"b", L"c"}));
    EXPECT_TRUE(list->MoveItem(0, 2));
    EXPECT_EQ(Order(), (std::vector<std::wstring>{L"b", L"c", L"a"}));
    EXPECT_TRUE(list->MoveItem(2, 0));
    EXPECT_EQ(Order(), (std::vector<std::wstring>{L"a", L"b", L"c"}));
}

TEST_F(ConvertList, DropOnItselfNothingOrChildChangesNothing)
{
    CFakeMedia* parent = NewMedia(L"p");
    CMediaListItemUI* a = AddRow(NewMedia(L"a"));
    CMediaListItemUI* p = AddRow(parent);
    auto* child = static_cast<CChildListItemUI*>(AddRow(NewMedia(L"c1"), EMediaRowKind::Child));
    child->SetParentMedia(parent);
    list->DropItem(a, a);
    list->DropItem(a, nullptr);
    list->DropItem(a, child);
    EXPECT_EQ(Order(), (std::vector<std::wstring>{L"a", L"p", L"c1"}));
    (void)p;
}

TEST_F(ConvertList, MovedParentKeepsItsChildrenDirectlyBelow)
{
    CFakeMedia* parent = NewMedia(L"p");
    CMediaListItemUI* a = AddRow(NewMedia(L"a"));
    CMediaListItemUI* b = AddRow(NewMedia(L"b"));
    CMediaListItemUI* p = AddRow(parent);
    for (const wchar_t* t : {L"c1", L"c2"}) {
        auto* c = static_cast<CChildListItemUI*>(AddRow(NewMedia(t), EMediaRowKind::Child));
        c->SetParentMedia(parent);
    }
    list->DropItem(p, a);
    EXPECT_EQ(Order(), (std::vector<std::wstring>{L"p", L"c1", L"c2", L"a", L"b"}));
    list->DropItem(p, b);
    EXPECT_EQ(Order(), (std::vector<std::wstring>{L"a", L"b", L"p", L"c1", L"c2"}));
}

TEST_F(ConvertList, RemovingParentRemovesChildrenAndReleasesMedia)
{
    CFakeMedia* parent = NewMedia(L"p");
    AddRow(NewMedia(L"a"));
    CMediaListItemUI* p = AddRow(parent);
    CFakeMedia* c1 = NewMedia(L"c1");
    static_cast<CChildListItemUI*>(AddRow(c1, EMediaRowKind::Child))->SetParentMedia(parent);
    list->RemoveItem(p);
    EXPECT_EQ(Order(), (std::vector<std::wstring>{L"a"}));
    Pump();
    EXPECT_EQ(released, (std::vector<CFakeMedia*>{c1, parent}));
    // Late engine messages for the released media find no row.
    EXPECT_EQ(list->FindItem(parent), nullptr);
    // Its preview stops at once, its conversion with its release.
    EXPECT_EQ(parent->calls, (std::vector<std::wstring>{L"stoppreview", L"stop"}));
}

// Notes its release among its calls.
class CWatchedMedia : public CFakeMedia {
public:
    using CFakeMedia::CFakeMedia;
    void Release() override
    {
        calls.push_back(L"release");
        CFakeMedia::Release();
    }
};

TEST_F(ConvertList, AListDestroyedWithRowsStopsThenReleasesEachRowsMediaOnce)
{
    auto make = [this](const wchar_t* title) {
        media.push_back(std::make_unique<CWatchedMedia>(title, 1000, &released));
        return media.back().get();
    };
    CFakeMedia* parent = make(L"p");
    CFakeMedia* child = make(L"c");
    CFakeMedia* other = make(L"o");
    CMediaListUI* kept = list;
    {
        CPaintManagerUI owner;
        list = new CMediaListUI(false);
        owner.AttachDialog(list);
        AddRow(parent);
        static_cast<CChildListItemUI*>(AddRow(child, EMediaRowKind::Child))->SetParentMedia(parent);
        AddRow(other);
        for (CFakeMedia* m : {parent, child, other}) m->calls.clear();
    }
    list = kept;
    // A child's media goes before its parent's; nothing waits for a pump.
    EXPECT_EQ(released, (std::vector<CFakeMedia*>{other, child, parent}));
    for (CFakeMedia* m : {parent, child, other})
        EXPECT_EQ(m->calls, (std::vector<std::wstring>{L"stoppreview", L"stop", L"release"})) << m->title;
    Pump();
    EXPECT_EQ(released.size(), 3u);
}

TEST_F(ConvertList, JoinModeSumsDurationsAndSkipsProtectedMedia)
{
    CFakeMedia* first = NewMedia(L"a", 1000);
    CMediaListItemUI* row = AddRow(first);
    CFakeMedia* second = NewMedia(L"b", 2000);
    AddRow(second);
    CFakeMedia* locked = NewMedia(L"c", 3000);
    locked->protectedMedia = 1;
    AddRow(locked);
    list->SetJoinMode(true);
    EXPECT_EQ(Text(row, L"ID_LABEL_MEDIA_DURATION"), FormatTime(6000));
    list->BuildJoinList(first);
    EXPECT_EQ(first->joined, (std::vector<IVXMMedia*>{second}));
    list->SetJoinMode(false);
    EXPECT_TRUE(first->joined.empty());
    EXPECT_EQ(Text(row, L"ID_LABEL_MEDIA_DURATION"), FormatTime(1000));
}

TEST_F(ConvertList, ThumbnailWorkerIsJoinedWhenRowIsRemoved)
{
    CFakeMedia* m = NewMedia(L"v", 10000);
    m->hasVideo = true;
    m->thumbDelayMs = 100;
    CMediaListItemUI* row = list->AddMedia(m, EMediaRowKind::File, true);
    ASSERT_NE(row, nullptr);
    EXPECT_TRUE(row->IsThumbnailRunning());
    list->RemoveItem(row);
    // Removal waited for the worker: nothing runs on a released media.
    EXPECT_EQ(m->running.load(), 0);
    Pump();
    EXPECT_EQ(released, (std::vector<CFakeMedia*>{m}));
}

TEST_F(ConvertList, ThumbnailIsShownByTheUiThreadWhenReady)
{
    CFakeMedia* m = NewMedia(L"v", 10000);
    m->hasVideo = true;
    m->writeThumbnail = true;
    CMediaListItemUI* row = list->AddMedia(m, EMediaRowKind::File, true);
    // The row named a fresh temporary file for the engine's picture.
    ASSERT_NE(m->thumbPath.find(L"vxmthm"), std::wstring::npos);
    const std::string file(m->thumbPath.begin(), m->thumbPath.end());
    while (row->GetShownImage().empty()) {
        Pump();  // the worker's result comes through the UI thread's queue
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    EXPECT_EQ(row->GetShownImage(), m->thumbPath);
    EXPECT_FALSE(row->IsThumbnailRunning());
    // Clip longer than 5 s: the frame 5 s after the start.
    EXPECT_EQ(m->thumbSeconds.load(), 5);
    std::remove(file.c_str());
}

TEST_F(ConvertList, ThumbnailsRunSideBySideOnlyAsWideAsThePool)
{
    const int pool = static_cast<int>(MediaWorkPool().ThreadCount());
    CFakeMedia::ListWideMax() = 0;
    std::vector<CFakeMedia*> ms;
    for (int i = 0; i < pool * 3; ++i) {
        CFakeMedia* m = NewMedia(L"v" + std::to_wstring(i), 3000);
        m->hasVideo = true;
        m->thumbDelayMs = 30;
        ms.push_back(m);
        list->AddMedia(m, EMediaRowKind::File, true);
    }
    // One thread per file would run them all at once.
    auto allMade = [&] {
        for (CFakeMedia* m : ms)
            if (m->thumbCalls.load() == 0) return false;
        return true;
    };
    while (!allMade()) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_TRUE(allMade());
    EXPECT_LE(CFakeMedia::ListWideMax().load(), pool);
    if (pool > 1) {
        EXPECT_GT(CFakeMedia::ListWideMax().load(), 1);
    }
    list->RemoveAllItems();
    Pump();
    EXPECT_EQ(released.size(), ms.size());
}

TEST_F(ConvertList, RemovedRowsNeverMakeTheirWaitingThumbnails)
{
    // Every pool thread busy with a thumbnail held until the test lets it end;
    // the rows behind them wait.
    const int pool = static_cast<int>(MediaWorkPool().ThreadCount());
    std::promise<void> letEnd;
    const std::shared_future<void> gate = letEnd.get_future().share();
    std::vector<CFakeMedia*> busy, waiting;
    for (int i = 0; i < pool; ++i) {
        CFakeMedia* m = NewMedia(L"busy" + std::to_wstring(i), 3000);
        m->hasVideo = true;
        m->thumbGate = gate;
        busy.push_back(m);
        list->AddMedia(m, EMediaRowKind::File, true);
    }
    std::vector<CMediaListItemUI*> rows;
    for (int i = 0; i < 5; ++i) {
        CFakeMedia* m = NewMedia(L"wait" + std::to_wstring(i), 3000);
        m->hasVideo = true;
        waiting.push_back(m);
        rows.push_back(list->AddMedia(m, EMediaRowKind::File, true));
    }
    for (CMediaListItemUI* row : rows) list->RemoveItem(row);
    // The removal did not wait for the busy ones: none has ended yet.
    int ended = 0;
    for (CFakeMedia* m : busy) ended += m->thumbCalls.load();
    EXPECT_EQ(ended, 0);
    letEnd.set_value();
    // Once the pool has nothing left, a waiting row's thumbnail would have run.
    while (MediaWorkPool().Pending() > 0) Pump();
    Pump();
    for (CFakeMedia* m : waiting) EXPECT_EQ(m->thumbCalls.load(), 0);
    EXPECT_EQ(released.size(), waiting.size());
    list->RemoveAllItems();
    Pump();
}

// Remove All empties the list at once; the rows' controls are freed and
// their pictures removed on another thread, except the row with the focus
// (its edit holds a Qt editor), and the manager keeps nothing of them.
TEST_F(ConvertList, RemoveAllEmptiesTheListAtOnceAndEveryRowGoesWithItsPicture)
{
    std::vector<CMediaListItemUI*> rows;
    std::vector<std::wstring> pictures;
    for (const wchar_t* title : {L"Café déjà vu", L"東京の夜 2", L"🎬 clip"}) {
        CFakeMedia* m = NewMedia(title, 3000);
        m->hasVideo = true;
        m->writeThumbnail = true;
        rows.push_back(list->AddMedia(m, EMediaRowKind::File, true));
        AddRowControls(rows.back());
        rows.back()->DoInit();
    }
    for (CMediaListItemUI* row : rows) {
        while (row->GetShownImage().empty()) {
            Pump();
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        pictures.push_back(row->GetShownImage());
        ASSERT_TRUE(std::filesystem::exists(PathFromWide(pictures.back())));
    }
    // What the manager holds of the rows: a timer, a waiting notification,
    // an option group, a listener of the row, the focus in the middle row.
    CControlUI* stopButton = Sub(rows[0], L"ID_BUTTON_ITEM_CONVERT_STOP");
    ASSERT_TRUE(manager.SetTimer(stopButton, 7, 60000));
    manager.SendNotify(stopButton, L"never_delivered", 0, 0, true);
    auto* box = new COptionUI;
    rows[2]->Add(box);
    box->SetGroup(L"rows");
    ASSERT_EQ(manager.GetOptionGroup(L"rows")->size(), 1u);
    std::thread::id heardOn;
    auto heard = [&](void*) {
        heardOn = std::this_thread::get_id();
        return true;
    };
    rows[2]->OnDestroy += MakeDelegate(heard);
    CControlUI* edit = Sub(rows[1], L"ID_EDIT_ITEM_CHANGE_FILENAME");
    edit->SetFocus();
    ASSERT_EQ(manager.GetFocus(), edit);

    list->RemoveAllItems();
    EXPECT_EQ(list->GetCount(), 0);
    EXPECT_EQ(manager.GetFocus(), nullptr);
    EXPECT_FALSE(manager.HasTimer(stopButton, 7));
    EXPECT_TRUE(manager.GetOptionGroup(L"rows") == nullptr || manager.GetOptionGroup(L"rows")->empty());
    EXPECT_EQ(heardOn, std::this_thread::get_id());
    // The notification for a control already gone is never delivered.
    struct CHeard : INotifyUI {
        bool delivered = false;
        void Notify(TNotifyUI& msg) override { delivered |= msg.sType == L"never_delivered"; }
    } notifier;
    manager.AddNotifier(&notifier);
    auto anyLeft = [&] {
        for (const std::wstring& file : pictures)
            if (std::filesystem::exists(PathFromWide(file))) return true;
        return false;
    };
    while (anyLeft()) {
        Pump();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    EXPECT_FALSE(notifier.delivered);
    manager.RemoveNotifier(&notifier);
    EXPECT_EQ(released.size(), rows.size());
}

TEST_F(ConvertList, MenuEntriesFollowTheListState)
{
    EXPECT_FALSE(list->IsMenuEntryEnabled(32791, false));
    EXPECT_FALSE(list->IsMenuEntryEnabled(32792, false));
    EXPECT_FALSE(list->IsMenuEntryEnabled(32950, false));
    CFakeMedia* a = NewMedia(L"a");
    AddRow(a);
    EXPECT_TRUE(list->IsMenuEntryEnabled(32792, false));
    EXPECT_FALSE(list->IsMenuEntryEnabled(32950, false));  // join all needs two rows
    AddRow(NewMedia(L"b"));
    EXPECT_TRUE(list->IsMenuEntryEnabled(32950, false));
    EXPECT_FALSE(list->IsMenuEntryEnabled(32951, false));
    list->SetJoinMode(true);
    EXPECT_FALSE(list->IsMenuEntryEnabled(32950, false));
    EXPECT_TRUE(list->IsMenuEntryEnabled(32951, false));
    list->SetJoinMode(false);

    EXPECT_FALSE(list->IsMenuEntryEnabled(32801, false));  // nothing checked
    EXPECT_FALSE(list->IsMenuEntryEnabled(32972, false));
    list->SelectItem(0);
    EXPECT_TRUE(list->IsMenuEntryEnabled(32794, false));
    EXPECT_FALSE(list->IsMenuEntryEnabled(32795, false));
    EXPECT_TRUE(list->OnMenuCommand(32794));
    EXPECT_FALSE(list->IsMenuEntryEnabled(32794, false));
    EXPECT_TRUE(list->IsMenuEntryEnabled(32795, false));
    EXPECT_TRUE(list->IsMenuEntryEnabled(32801, false));
    EXPECT_TRUE(list->IsMenuEntryEnabled(32972, false));
    a->state = 1;
    EXPECT_FALSE(list->IsMenuEntryEnabled(32801, false));
    EXPECT_TRUE(list->IsMenuEntryEnabled(32802, false));
    EXPECT_FALSE(list->IsMenuEntryEnabled(32799, false));  // no output file
    EXPECT_TRUE(list->IsMenuEntryEnabled(32806, false));
    EXPECT_FALSE(list->IsMenuEntryEnabled(32805, false));
    EXPECT_TRUE(list->IsMenuEntryEnabled(32805, true));
    EXPECT_FALSE(list->OnMenuCommand(32801));  // the main window's
}

TEST_F(ConvertList, JoinSelectedIsRefusedWithAChildRowAhead)
{
    CFakeMedia* parent = NewMedia(L"p");
    AddRow(parent);
    static_cast<CChildListItemUI*>(AddRow(NewMedia(L"c"), EMediaRowKind::Child))->SetParentMedia(parent);
    AddRow(NewMedia(L"b"));
    list->SelectItem(0);
    EXPECT_FALSE(list->IsMenuEntryEnabled(32973, false));  // one row
    list->SelectMultiItem(2);
    EXPECT_TRUE(list->IsMenuEntryEnabled(32973, false));
    list->SelectMultiItem(1);
    EXPECT_FALSE(list->IsMenuEntryEnabled(32973, false));
}

TEST_F(ConvertList, RemoveMenuCommandReleasesTheSelectedRow)
{
    CFakeMedia* a = NewMedia(L"a");
    AddRow(a);
    AddRow(NewMedia(L"b"));
    EXPECT_TRUE(list->OnMenuCommand(32791));  // nothing selected: nothing removed
    EXPECT_EQ(list->GetCount(), 2);
    list->SelectItem(0);
    list->OnMenuCommand(32791);
    EXPECT_EQ(Order(), (std::vector<std::wstring>{L"b"}));
    Pump();
    EXPECT_EQ(released, (std::vector<CFakeMedia*>{a}));
}

TEST_F(ConvertList, OnlineRowDownloadsAndRemovalCancelsIt)
{
    std::vector<IVXMMedia*> started, cancelled;
    list->SetDownloader([&](IVXMMedia* m, int) { started.push_back(m); return true; },
                        [&](IVXMMedia* m) { cancelled.push_back(m); });
    CFakeMedia* m = NewMedia(L"clip");
    CMediaListItemUI* row = AddRow(m, EMediaRowKind::Online);
    EXPECT_TRUE(row->IsOnlineItem());
    EXPECT_EQ(Text(row, L"ID_LABEL_ITEM_SHORT_NAME"), m->GetSourcePath());
    EXPECT_FALSE(started.empty());
    const size_t before = started.size();
    row->StartConvert();
    EXPECT_EQ(started.size(), before + 1);
    EXPECT_TRUE(converted.empty());  // online rows download first
    list->RemoveItem(row);
    EXPECT_EQ(cancelled, (std::vector<IVXMMedia*>{m}));
    Pump();
    EXPECT_EQ(released, (std::vector<CFakeMedia*>{m}));
}

TEST_F(ConvertList, TemplateElementNamesGiveTheFourRowKinds)
{
    EMediaRowKind kind = EMediaRowKind::File;
    ASSERT_TRUE(CMediaListUI::KindOfElement(L"DVDMediaListContainerElement", kind));
    EXPECT_EQ(kind, EMediaRowKind::DVD);
    ASSERT_TRUE(CMediaListUI::KindOfElement(L"OnlineMediaListContainerElement", kind));
    EXPECT_EQ(kind, EMediaRowKind::Online);
    ASSERT_TRUE(CMediaListUI::KindOfElement(L"ChildListContainerElement", kind));
    EXPECT_EQ(kind, EMediaRowKind::Child);
    ASSERT_TRUE(CMediaListUI::KindOfElement(L"MediaListContainerElement", kind));
    EXPECT_EQ(kind, EMediaRowKind::File);
    EXPECT_FALSE(CMediaListUI::KindOfElement(L"ListContainerElement", kind));
}

TEST_F(ConvertList, DvdMainTitleIsMarked)
{
    CMediaListItemUI* row = AddRow(NewMedia(L"Title 1"), EMediaRowKind::DVD);
    auto* dvd = dynamic_cast<CDVDMediaListItemUI*>(row);
    ASSERT_NE(dvd, nullptr);
    dvd->MarkMainTitle();
    EXPECT_EQ(Text(row, L"ID_LABEL_ITEM_SHORT_NAME"), L"Title 1 (Main Title)");
}

TEST_F(ConvertList, RemoveNotificationFromARowRemovesIt)
{
    CFakeMedia* a = NewMedia(L"a");
    CMediaListItemUI* row = AddRow(a);
    TNotifyUI msg;
    msg.sType = L"item_remove";
    msg.pSender = row;
    EXPECT_TRUE(list->HandleNotify(msg));
    EXPECT_EQ(list->GetCount(), 0);
    Pump();
    EXPECT_EQ(released, (std::vector<CFakeMedia*>{a}));
}

TEST_F(ConvertList, AudioTracksFillTheComboAheadOfItsTemplateRows)
{
    CFakeMedia* m = NewMedia(L"a");
    m->audio = {CFakeAudio(L"Stereo", L"English"), CFakeAudio(L"Commentary", L"")};
    CMediaListItemUI* row = AddRow(m);
    auto* combo = dynamic_cast<CComboUI*>(Sub(row, L"ID_COMBO_AUDIO_TRACK"));
    ASSERT_EQ(combo->GetCount(), 4);
    EXPECT_EQ(combo->GetItemAt(0)->GetText(), L"Stereo (English)");
    EXPECT_EQ(combo->GetItemAt(1)->GetText(), L"Commentary");
    EXPECT_EQ(combo->GetItemAt(2)->GetName(), L"ID_NO_AUDIO");
    EXPECT_EQ(combo->GetCurSel(), 0);
}

TEST_F(ConvertList, RenameKeepsOnlyChangedValidNames)
{
    CFakeMedia* m = NewMedia(L"holiday");
    CMediaListItemUI* row = AddRow(m);
    EXPECT_FALSE(row->SetOutputName(L""));
    EXPECT_FALSE(row->SetOutputName(L"holiday"));  // the source title, no name set yet
    EXPECT_TRUE(m->outputName.empty());
    EXPECT_TRUE(row->SetOutputName(L"a:b/c*?"));
    EXPECT_EQ(m->outputName, L"a_b_c__");
    EXPECT_EQ(Text(row, L"ID_LABEL_ITEM_SHORT_NAME"), L"a_b_c__");
    EXPECT_FALSE(row->SetOutputName(L"a_b_c__"));
}

TEST_F(ConvertList, NameEditHidesAndRestoresRemoveAndClone)
{
    CFakeMedia* m = NewMedia(L"holiday");
    CMediaListItemUI* row = AddRow(m);
    row->ShowNameEdit(true);
    EXPECT_TRUE(Sub(row, L"ID_CONTAINER_ITEM_EDIT_NAME")->IsVisible());
    EXPECT_FALSE(Sub(row, L"ID_BUTTON_ITEM_REMOVE")->IsVisible());
    EXPECT_EQ(Text(row, L"ID_EDIT_ITEM_CHANGE_FILENAME"), L"holiday");
    Sub(row, L"ID_EDIT_ITEM_CHANGE_FILENAME")->SetText(L"trip");
    row->ApplyNameEdit();
    EXPECT_EQ(m->outputName, L"trip");
    row->ShowNameEdit(false);
    EXPECT_TRUE(Sub(row, L"ID_BUTTON_ITEM_REMOVE")->IsVisible());
    EXPECT_TRUE(Sub(row, L"ID_BUTTON_ITEM_CLONE")->IsVisible());
}

void Release(CControlUI* button)
{
    TEventUI e;
    e.Type = UIEVENT_BUTTONUP;
    e.pSender = button;
    button->Event(e);
}

TEST_F(ConvertList, RowButtonsReachTheMediaObject)
{
    CFakeMedia* m = NewMedia(L"a");
    CMediaListItemUI* row = AddRow(m);
    Release(Sub(row, L"ID_BUTTON_ITEM_CONVER_START"));
    ASSERT_EQ(converted.size(), 1u);
    Release(Sub(row, L"ID_BUTTON_ITEM_CONVERT_PAUSE"));
    Release(Sub(row, L"ID_BUTTON_ITEM_CONVERT_RESUME"));
    m->state = 1;
    Release(Sub(row, L"ID_BUTTON_ITEM_CONVERT_STOP"));
    m->state = 0;
    Pump();
    EXPECT_EQ(m->calls, (std::vector<std::wstring>{L"pause", L"resume", L"stop"}));
    // A disabled button does nothing.
    Sub(row, L"ID_BUTTON_ITEM_CONVERT_STOP")->SetEnabled(false);
    Release(Sub(row, L"ID_BUTTON_ITEM_CONVERT_STOP"));
    EXPECT_EQ(m->calls.size(), 3u);
}

TEST_F(ConvertList, RowsAreBuiltFromTheSkinTemplate)
{
    list->SetRowTemplate(EMediaRowKind::File, L"" VXM_SOURCE_DIR "/skin/convertlist_item.xml");
    CFakeMedia* m = NewMedia(L"holiday");
    CMediaListItemUI* row = list->AddMedia(m, EMediaRowKind::File, false);
    ASSERT_NE(row, nullptr);
    EXPECT_EQ(Text(row, L"ID_LABEL_ITEM_SHORT_NAME"), L"holiday");
    Release(Sub(row, L"ID_BUTTON_ITEM_CONVER_START"));
    EXPECT_EQ(converted.size(), 1u);
    EXPECT_TRUE(Sub(row, L"ID_CONTAINER_ITEM_CONVERT")->IsVisible());
    auto* combo = dynamic_cast<CComboUI*>(Sub(row, L"ID_COMBO_AUDIO_TRACK"));
    ASSERT_NE(combo, nullptr);
    EXPECT_EQ(combo->GetCount(), 2);
}

TEST_F(ConvertList, NoAudioChoiceGivesTheRowItsOwnProfile)
{
    CFakeMedia* m = NewMedia(L"a");
    m->audio = {CFakeAudio(L"Stereo", L""), CFakeAudio(L"Surround", L"")};
    CMediaListItemUI* row = AddRow(m);
    row->SelectAudio(0);  // already selected: nothing happens
    EXPECT_TRUE(m->selected.empty());
    EXPECT_EQ(row->GetProfile(), &profile);
    row->SelectAudio(1);
    EXPECT_EQ(m->selected, (std::vector<int>{100}));
    row->SelectAudio(2);  // ID_NO_AUDIO
    auto* own = dynamic_cast<CFakeProfile*>(row->GetProfile());
    ASSERT_NE(own, nullptr);
    EXPECT_NE(own, &profile);
    EXPECT_EQ(own->clonedFrom, &profile);
    EXPECT_EQ(own->audioDisabled, 1);
    EXPECT_EQ(profile.audioDisabled, 0);  // the list's profile is untouched
    row->SelectAudio(0);
    EXPECT_EQ(own->audioDisabled, 0);
    EXPECT_EQ(m->selected.back(), 0);

    // The list's profile without audio: a row's choice changes that row only.
    profile.audioDisabled = 1;
    CFakeMedia* b = NewMedia(L"b");
    b->audio = m->audio;
    CMediaListItemUI* other = AddRow(b);
    other->SelectAudio(1);
    ASSERT_NE(other->GetProfile(), &profile);
    EXPECT_EQ(dynamic_cast<CFakeProfile*>(other->GetProfile())->audioDisabled, 0);
    other->SelectAudio(2);  // ID_NO_AUDIO
    EXPECT_EQ(dynamic_cast<CFakeProfile*>(other->GetProfile())->audioDisabled, 1);
    EXPECT_EQ(profile.audioDisabled, 1);
}

class CListForwarder : public INotifyUI {
public:
    explicit CListForwarder(CMediaListUI* list) : m_list(list) {}
    void Notify(TNotifyUI& msg) override
    {
        if (msg.sType.rfind(L"item_", 0) == 0 && msg.sType != L"item_selected") seen.push_back(msg.sType);
        m_list->HandleNotify(msg);
    }
    std::vector<std::wstring> seen;

private:
    CMediaListUI* m_list;
};

void Send(CControlUI* c, EVENTTYPE_UI type, WPARAM wParam = 0)
{
    TEventUI e;
    e.Type = type;
    e.pSender = c;
    e.wParam = wParam;
    c->Event(e);
}

TEST_F(ConvertList, DraggingARowOntoAnotherMovesIt)
{
    CListForwarder forward(list);
    manager.AddNotifier(&forward);
    CMediaListItemUI* a = AddRow(NewMedia(L"a"));
    AddRow(NewMedia(L"b"));
    CMediaListItemUI* c = AddRow(NewMedia(L"c"));
    Send(a, UIEVENT_BUTTONDOWN);
    Send(a, UIEVENT_TIMER, 121);
    EXPECT_TRUE(a->IsDragging());
    Send(a, UIEVENT_MOUSEMOVE);
    Send(c, UIEVENT_MOUSEENTER);
    ASSERT_TRUE(c->IsHot());
    Send(a, UIEVENT_BUTTONUP);
    EXPECT_FALSE(a->IsDragging());
    EXPECT_EQ(Order(), (std::vector<std::wstring>{L"b", L"c", L"a"}));
    EXPECT_EQ(forward.seen, (std::vector<std::wstring>{L"item_begin_drag", L"item_dragging", L"item_end_drag"}));
    manager.RemoveNotifier(&forward);
}

TEST_F(ConvertList, FirstProgressTickSwapsToTheProgressView)
{
    CMediaListItemUI* row = AddRow(NewMedia(L"a"));
    Sub(row, L"ID_CONTAINER_ITEM_CONVERT")->SetVisible(false);
    row->SetProgress(250);
    EXPECT_TRUE(Sub(row, L"ID_CONTAINER_ITEM_CONVERT")->IsVisible());
    EXPECT_FALSE(Sub(row, L"ID_CONTAINER_ITEM_INFORMATION")->IsVisible());
    row->SetProgress(5000);  // kept in range
    EXPECT_EQ(dynamic_cast<CProgressUI*>(Sub(row, L"ID_PROGRESS_ITEM_CONVERT"))->GetValue(), 1000);
}

TEST_F(ConvertList, BurnListRowsHideTheOutputFormatButton)
{
    CMediaListUI* burn = new CMediaListUI(true);
    CPaintManagerUI burnManager;
    burnManager.AttachDialog(burn);
    CFakeMedia* m = NewMedia(L"a");
    CMediaListItemUI* row = burn->AddMedia(m, EMediaRowKind::File, false);
    AddRowControls(row);
    row->DoInit();
    EXPECT_FALSE(burnManager.FindSubControlByName(row, L"ID_BUTTON_ITEM_OUTPUT_FORMAT")->IsVisible());
    row->SetJoinLayout(false);
    EXPECT_FALSE(burnManager.FindSubControlByName(row, L"ID_BUTTON_ITEM_OUTPUT_FORMAT")->IsVisible());
}

}  // namespace
