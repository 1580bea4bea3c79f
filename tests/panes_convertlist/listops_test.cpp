// The list's own operations: child rows and segments, removal notices,
// selection notices, the context menu's commands, joins and Apple profiles.
#include "list_fixture.h"
#include "IVXMMedia.h"
#include "VXMMediaBase.h"
#include "VXMGlobal.h"
#include "VXMMediaExports.h"
#include "VXMSettings.h"
#include "support/test_media.h"
#include "ui/UIMenu.h"
#include "FakeDesktop.h"

#include <filesystem>

namespace {

// Notifications of one kind seen through the list's paint manager.
class CRecorder : public INotifyUI {
public:
    explicit CRecorder(std::wstring type) : m_type(std::move(type)) {}
    void Notify(TNotifyUI& msg) override
    {
        if (msg.sType == m_type) seen.push_back({msg.wParam, msg.lParam});
    }
    std::vector<std::pair<WPARAM, LPARAM>> seen;

private:
    std::wstring m_type;
};

class ListOps : public ConvertList {
protected:
    // An engine media object with the given segments, owned by the list once added.
    IVXMMedia* Parent(std::initializer_list<std::pair<int, int>> segments)
    {
        RegisterMediaLibrary();
        IVXMMedia* media = CreateVXMMediaObject(nullptr);
        auto* base = dynamic_cast<CVXMMediaBase*>(media);
        for (auto [start, end] : segments) base->m_lstClipSegments.push_back({start, end});
        return media;
    }
    CChildListItemUI* Child(IVXMMedia* parent, int index, int start, int end, const std::wstring& title)
    {
        CFakeMedia* media = NewMedia(title);
        media->audio = {CFakeAudio(L"Stereo", L"")};
        auto* row = static_cast<CChildListItemUI*>(AddRow(media, EMediaRowKind::Child));
        row->SetParentMedia(parent);
        row->SetSegment(index, start, end);
        return row;
    }
    std::vector<std::pair<int, int>> Segments(IVXMMedia* parent)
    {
        std::vector<std::pair<int, int>> out;
        for (const auto& s : dynamic_cast<CVXMMediaBase*>(parent)->m_lstClipSegments) out.push_back({s.m_nStart, s.m_nEnd});
        return out;
    }
};

TEST_F(ListOps, RemovingAChildRowTakesItsSegmentOutOfTheParent)
{
    IVXMMedia* parent = Parent({{0, 1000}, {1000, 2000}, {2000, 3000}});
    list->AddMedia(parent, EMediaRowKind::File, false);
    Child(parent, 0, 0, 1000, L"t1");
    CChildListItemUI* second = Child(parent, 1, 1000, 2000, L"t2");
    Child(parent, 2, 2000, 3000, L"t3");
    list->RemoveItem(second);
    EXPECT_EQ(Segments(parent), (std::vector<std::pair<int, int>>{{0, 1000}, {2000, 3000}}));
    Pump();
    ASSERT_EQ(released.size(), 1u);
    EXPECT_EQ(released[0]->title, L"t2");
    // The third segment now stands at index 1: its row no longer matches.
    list->SyncChildItems(parent);
    EXPECT_EQ(list->GetCount(), 2);
    EXPECT_EQ(list->FindChildItem(2, parent), nullptr);
    EXPECT_NE(list->FindChildItem(0, parent), nullptr);
    // The segment list is not touched by the sync.
    EXPECT_EQ(Segments(parent).size(), 2u);
}

TEST_F(ListOps, RemovingTheParentRemovesEveryChild)
{
    IVXMMedia* parent = Parent({{0, 1000}, {1000, 2000}});
    CMediaListItemUI* parentRow = list->AddMedia(parent, EMediaRowKind::File, false);
    Child(parent, 0, 0, 1000, L"t1");
    Child(parent, 1, 1000, 2000, L"t2");
    AddRow(NewMedia(L"other"));
    CRecorder removed(L"item_removed");
    manager.AddNotifier(&removed);
    list->RemoveItem(parentRow);
    manager.RemoveNotifier(&removed);
    EXPECT_EQ(Order(), (std::vector<std::wstring>{L"other"}));
    Pump();
    EXPECT_EQ(released.size(), 2u);
    ASSERT_EQ(removed.seen.size(), 1u);
    EXPECT_EQ(removed.seen[0].first, reinterpret_cast<WPARAM>(list));
    EXPECT_EQ(removed.seen[0].second, 0);
}

TEST_F(ListOps, SegmentRangeReachesTheChildMediaAndRow)
{
    IVXMMedia* parent = Parent({{0, 1000}});
    list->AddMedia(parent, EMediaRowKind::File, false);
    CChildListItemUI* child = Child(parent, 0, 0, 1000, L"t1");
    auto* media = static_cast<CFakeMedia*>(child->GetMedia());
    list->SetChildItemRange(parent, 0, 61000, 125500);
    EXPECT_EQ(media->start, 61000);
    EXPECT_EQ(media->end, 125500);
    EXPECT_EQ(media->GetClipLength(), 64500);
    EXPECT_EQ(child->GetSegmentStart(), 61000);
    EXPECT_EQ(Text(child, L"ID_LABEL_MEDIA_DURATION"), FormatTime(64500));
    list->SetChildItemRange(parent, 3, 0, 10);  // no such child: nothing
    EXPECT_EQ(media->start, 61000);
}

TEST_F(ListOps, LateEngineMessagesFindNoRowForReleasedMedia)
{
    CFakeMedia* a = NewMedia(L"a");
    CMediaListItemUI* row = AddRow(a);
    EXPECT_EQ(list->FindItemByMedia(a), row);
    list->RemoveItem(nullptr, a);
    EXPECT_EQ(list->FindItemByMedia(a), nullptr);
    // A second removal by the same media finds nothing and releases nothing.
    list->RemoveItem(nullptr, a);
    Pump();
    EXPECT_EQ(released.size(), 1u);
}

TEST_F(ListOps, SelectionIsAnnouncedWithTheListKind)
{
    AddRow(NewMedia(L"a"));
    AddRow(NewMedia(L"b"));
    CRecorder selected(L"item_selected");
    manager.AddNotifier(&selected);
    EXPECT_TRUE(list->SelectItem(1));
    EXPECT_FALSE(list->SelectItem(-1));
    EXPECT_FALSE(list->SelectItem(5));
    manager.RemoveNotifier(&selected);
    ASSERT_EQ(selected.seen.size(), 1u);
    EXPECT_EQ(selected.seen[0].first, 1u);
}

TEST_F(ListOps, CountsCheckedAndConvertingRows)
{
    CFakeMedia* a = NewMedia(L"a");
    AddRow(a)->SetChecked(true);
    AddRow(NewMedia(L"b"));
    EXPECT_EQ(list->CountChecked(), 1);
    EXPECT_FALSE(list->IsConverting());
    a->state = 1;
    EXPECT_TRUE(list->IsConverting());
}

TEST_F(ListOps, ContextMenuIsGreyedByTheListState)
{
    CFakeDesktop desktop;
    CMenu menu;
    for (UINT id : {32791u, 32792u, 32805u, 32806u, 32950u, 32951u})
        menu.AppendCommand(id, L"entry");
    list->UpdateContextMenu(&menu);
    EXPECT_FALSE(menu.IsEnabled(32791));
    EXPECT_FALSE(menu.IsEnabled(32792));
    EXPECT_FALSE(menu.IsEnabled(32805));  // the clipboard is empty
    AddRow(NewMedia(L"a"));
    AddRow(NewMedia(L"b"));
    list->SelectItem(0);
    desktop.clipboard.ExternalChange(L"https://video.example/watch");
    list->UpdateContextMenu(&menu);
    EXPECT_TRUE(menu.IsEnabled(32791));
    EXPECT_TRUE(menu.IsEnabled(32792));
    EXPECT_TRUE(menu.IsEnabled(32805));
    EXPECT_TRUE(menu.IsEnabled(32950));
    EXPECT_FALSE(menu.IsEnabled(32951));
    list->SetJoinMode(true);
    list->UpdateContextMenu(&menu);
    EXPECT_FALSE(menu.IsEnabled(32950));
    EXPECT_TRUE(menu.IsEnabled(32951));
}

TEST_F(ListOps, CopyCommandPutsTheSourcePathOnTheClipboard)
{
    CFakeDesktop desktop;
    AddRow(NewMedia(L"a"));
    EXPECT_TRUE(list->OnMenuCommand(32806));  // nothing selected: nothing copied
    EXPECT_FALSE(desktop.clipboard.HasText());
    list->SelectItem(0);
    list->OnMenuCommand(32806);
    EXPECT_EQ(desktop.clipboard.GetText(), L"/media/a.mp4");
}

TEST_F(ListOps, RenameCommandOpensTheSelectedRowsNameEdit)
{
    CMediaListItemUI* row = AddRow(NewMedia(L"a"));
    Sub(row, L"ID_CONTAINER_ITEM_EDIT_NAME")->SetVisible(false);
    list->OnMenuCommand(32796);
    EXPECT_FALSE(Sub(row, L"ID_CONTAINER_ITEM_EDIT_NAME")->IsVisible());
    list->SelectItem(0);
    list->OnMenuCommand(32796);
    EXPECT_TRUE(Sub(row, L"ID_CONTAINER_ITEM_EDIT_NAME")->IsVisible());
    EXPECT_EQ(Text(row, L"ID_EDIT_ITEM_CHANGE_FILENAME"), L"a");
    EXPECT_FALSE(Sub(row, L"ID_BUTTON_ITEM_REMOVE")->IsVisible());
}

TEST_F(ListOps, JoinSelectedJoinsTheSelectedRowsTopToBottomIntoTheJoinFolder)
{
    vxmtest::CTempDir dir;
    CVXMSettings* settings = CVXMSettings::GetInstance();
    const std::wstring saved = settings->OutputFolder;
    settings->OutputFolder = std::wstring(dir.Path().begin(), dir.Path().end()) + L"/out";
    IVXMMedia* base = nullptr;
    std::vector<IVXMMedia*> others;
    std::wstring folder;
    list->SetJoiner([&](IVXMMedia* b, std::vector<IVXMMedia*> o, const std::wstring& f) {
        base = b;
        others = std::move(o);
        folder = f;
    });
    CFakeMedia* a = NewMedia(L"a");
    CFakeMedia* b = NewMedia(L"b");
    CFakeMedia* c = NewMedia(L"c");
    AddRow(a);
    AddRow(b);
    AddRow(c);
    list->SelectItem(2);
    EXPECT_FALSE(list->JoinSelected());  // one row
    EXPECT_EQ(base, nullptr);
    list->SelectMultiItem(0);
    EXPECT_TRUE(list->JoinSelected());
    EXPECT_EQ(base, a);
    EXPECT_EQ(others, (std::vector<IVXMMedia*>{c}));
    EXPECT_EQ(folder, settings->OutputFolder + L"/Join");
    EXPECT_TRUE(std::filesystem::is_directory(dir.Path() + "/out/Join"));
    settings->OutputFolder = saved;
}

TEST_F(ListOps, AppleProfilesAreNamedInCatalogueOrder)
{
    CFakeProfile iphone{1, L"iPhone"}, ipad{2, L"iPad"}, tv{3, L"TV"}, other{4, L"Other"};
    iphone.name = L"iphone";
    ipad.name = L"ipad";
    tv.name = L"appletv";
    other.name = L"android";
    CFakeGroup phones{10, L"phone.png", 0}, boxes{11, L"tv.png", 0}, android{12, L"a.png", 0};
    phones.profiles = {&iphone, &ipad};
    boxes.profiles = {&tv};
    android.profiles = {&other};
    CFakeCategory devices{5, L"android"}, apple{1, L"apple"};
    devices.groups = {&android};
    apple.groups = {&phones, &boxes};
    CFakeCatalogue catalogue;
    catalogue.categories = {&devices, &apple};
    list->SetProfileManager(&catalogue);
    list->LoadAppleProfiles();
    EXPECT_EQ(list->GetAppleProfileNames(), (std::vector<std::wstring>{L"iphone", L"ipad", L"appletv"}));
    catalogue.categories = {&devices};
    list->LoadAppleProfiles();
    EXPECT_TRUE(list->GetAppleProfileNames().empty());
}

TEST_F(ListOps, RecordedM4vReplacesItsSourceRowAndStarts)
{
    CFakeMedia* old = NewMedia(L"old");
    CFakeMedia* fresh = NewMedia(L"new");
    AddRow(old);
    AddRow(fresh);
    TNotifyUI msg;
    msg.sType = L"item_m4v_recorded";
    msg.pSender = list;
    msg.wParam = reinterpret_cast<WPARAM>(old);
    msg.lParam = reinterpret_cast<LPARAM>(fresh);
    EXPECT_TRUE(list->HandleNotify(msg));
    EXPECT_EQ(Order(), (std::vector<std::wstring>{L"new"}));
    EXPECT_EQ(converted, (std::vector<IVXMMedia*>{fresh}));
    // Another list's media: not this list's business.
    EXPECT_FALSE(list->HandleNotify(msg));
}

TEST_F(ListOps, GlobalProfileChangeWithResetSendsRowsBackToTheDefault)
{
    CFakeProfile mp4{7, L"MP4"};
    CFakeGroup video{3, L"video.png", 0};
    video.profiles = {&mp4};
    CFakeCatalogue catalogue;
    catalogue.groups = {&video};
    list->SetProfileManager(&catalogue);
    CMediaListItemUI* row = AddRow(NewMedia(L"a"));
    row->SetProfile(7, 3, 1);
    TNotifyUI msg;
    msg.sType = L"global_profile_changed";
    msg.pSender = list;
    msg.wParam = 0;
    list->HandleNotify(msg);
    EXPECT_EQ(row->GetProfileId(), 7);
    // Another list's change leaves these rows alone.
    CMediaListUI other(true);
    msg.pSender = &other;
    msg.wParam = 1;
    list->HandleNotify(msg);
    EXPECT_EQ(row->GetProfileId(), 7);
    msg.pSender = list;
    list->HandleNotify(msg);
    EXPECT_EQ(row->GetProfileId(), -1);
}

TEST_F(ListOps, ChooserIsPlacedBelowItsButtonAndKeptOnScreen)
{
    const RECT button{100, 200, 140, 230};
    RECT r = CMediaListUI::PlaceItemProfileWnd(button, 1920, 1080, 1.0);
    EXPECT_EQ(r.left, 100);
    EXPECT_EQ(r.top, 230);
    EXPECT_EQ(r.right - r.left, 300);
    EXPECT_EQ(r.bottom - r.top, 500);
    // Near the right and bottom edges it moves left and above the button.
    r = CMediaListUI::PlaceItemProfileWnd(RECT{1800, 700, 1840, 730}, 1920, 1080, 1.0);
    EXPECT_EQ(r.left, 1500);
    EXPECT_EQ(r.top, 200);
    r = CMediaListUI::PlaceItemProfileWnd(button, 1920, 1080, 1.5);
    EXPECT_EQ(r.right - r.left, 450);
    EXPECT_EQ(r.bottom - r.top, 750);
}

}  // namespace

namespace {

TEST_F(ListOps, RightClickAsksForTheListMenuAtThePoint)
{
    CMediaListItemUI* row = AddRow(NewMedia(L"a"));
    CRecorder menu(L"media_contextmenu");
    manager.AddNotifier(&menu);
    TEventUI e;
    e.Type = UIEVENT_CONTEXTMENU;
    e.pSender = row;
    e.ptMouse = POINT{40, 12};
    row->Event(e);  // a row's right click reaches its list
    manager.RemoveNotifier(&menu);
    ASSERT_EQ(menu.seen.size(), 1u);
    EXPECT_EQ(menu.seen[0].first, 40u);
    EXPECT_EQ(menu.seen[0].second, 12);
}

}  // namespace

namespace {

TEST_F(ListOps, RemovedMediaOutlivesTheEngineMessagesQueuedForIt)
{
    // Engine messages come through the list's window.
    HWND window = CreateMessageWindow([](HWND, UINT, WPARAM, LPARAM) -> LRESULT { return 0; });
    manager.Init(window, nullptr);
    CFakeMedia* a = NewMedia(L"a");
    AddRow(a);
    // An engine message about the media, queued before the removal.
    bool seenWhileAlive = false;
    CMediaListUI* theList = list;
    std::vector<CFakeMedia*>* gone = &released;
    HWND engineTarget = CreateMessageWindow([&](HWND, UINT, WPARAM wParam, LPARAM) -> LRESULT {
        auto* media = reinterpret_cast<CFakeMedia*>(wParam);
        // The row is gone, but the address still names the old media.
        seenWhileAlive = theList->FindItem(media) == nullptr && gone->empty();
        return 0;
    });
    PostMessage(engineTarget, WM_USER + 7, reinterpret_cast<WPARAM>(a), 0);
    list->RemoveItem(nullptr, a);
    EXPECT_TRUE(released.empty());
    Pump();
    EXPECT_TRUE(seenWhileAlive);
    EXPECT_EQ(released, (std::vector<CFakeMedia*>{a}));
    DestroyMessageWindow(engineTarget);
    DestroyMessageWindow(window);
}

}  // namespace
