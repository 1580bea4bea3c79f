// Batch add: the walk over a tree made here (a link loop, an unreadable
// folder, 200 files) adds every media file once and stops at once when
// asked; the dialog's folder tree and its worker.
#include "BatchAddScan.h"
#include "DlgBatchAdd.h"
#include "CheckShellFolderCtrl.h"
#include "platform/folders.h"
#include "platform/text.h"
#include "support/main_window_environment.h"
#include "support/test_media.h"
#include "ui/UILib.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>

#include <chrono>

#include <thread>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <set>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

void Touch(const fs::path& file) { std::ofstream(file) << "x"; }

// 201 files: root/a: 60 media + 20 other, root/a/deep: 40 media, root/b: 50
// media + 30 other, root/locked (unreadable): one media file; root/loop -> root and
// root/b/up -> .. make loops.
class CWalkTree {
public:
    CWalkTree()
    {
        root = fs::path(dir.Path()) / "root";
        fs::create_directories(root / "a" / "deep");
        fs::create_directories(root / "b");
        fs::create_directories(root / "locked");
        int made = 0;
        auto media = [&](const fs::path& folder, int count, const char* ext) {
            for (int i = 0; i < count; ++i, ++made) {
                const fs::path file = folder / ("clip " + std::to_string(made) + ext);
                Touch(file);
                expected.insert(file.string());
            }
        };
        auto other = [&](const fs::path& folder, int count) {
            for (int i = 0; i < count; ++i, ++made) Touch(folder / ("note" + std::to_string(made) + ".txt"));
        };
        media(root / "a", 30, ".mp4");
        media(root / "a", 30, ".MKV");
        other(root / "a", 20);
        media(root / "a" / "deep", 40, ".mp3");
        media(root / "b", 50, ".avi");
        other(root / "b", 30);
        Touch(root / "locked" / "hidden.mp4");
        fs::create_directory_symlink(root, root / "loop");
        fs::create_directory_symlink("..", root / "b" / "up");
        fs::permissions(root / "locked", fs::perms::none);
        // Whoever may still read it (the superuser) finds its file too.
        if (::access((root / "locked").c_str(), R_OK | X_OK) == 0) expected.insert((root / "locked" / "hidden.mp4").string());
    }
    ~CWalkTree() { fs::permissions(root / "locked", fs::perms::owner_all); }

    vxmtest::CTempDir dir;
    fs::path root;
    std::set<std::string> expected;
};

std::wstring W(const fs::path& p) { return Utf8ToWide(p.string()); }

TEST(BatchAddWalk, EveryMediaFileOfTheTickedFoldersIsAddedOnceDespiteLoopsAndOverlaps)
{
    CWalkTree tree;
    ASSERT_GE(tree.expected.size(), 150u);
    // The whole root, never opened in the tree, and one of its folders again as its own root.
    std::vector<SFolderPick> picks = {{W(tree.root), true, false, {}}, {W(tree.root / "a"), true, false, {}}};
    CEvent stop(true, false);
    std::vector<std::wstring> folders;
    std::vector<std::wstring> collecting;
    ASSERT_TRUE(CollectCheckedFolders(picks, stop, [&](EScanStep, const std::wstring& p) { collecting.push_back(p); }, folders));
    EXPECT_EQ(collecting, folders);
    EXPECT_EQ(std::set<std::wstring>(folders.begin(), folders.end()).size(), folders.size());
    for (const std::wstring& f : folders) EXPECT_EQ(f.find(L"loop"), std::wstring::npos) << WideToUtf8(f);

    std::multiset<std::string> added;
    int statuses = 0;
    ASSERT_TRUE(AddMediaOfFolders(folders, stop, [&](EScanStep step, const std::wstring&) { statuses += step == EScanStep::Adding; },
                                  [&](const std::wstring& path) { added.insert(WideToUtf8(path)); }));
    EXPECT_EQ(std::set<std::string>(added.begin(), added.end()), tree.expected);
    EXPECT_EQ(added.size(), tree.expected.size()) << "a file was added twice";
    EXPECT_EQ(statuses, static_cast<int>(added.size()));
}

TEST(BatchAddWalk, AClearedChildOfAnOpenedFolderIsLeftOutAndItsTickedSiblingWalked)
{
    CWalkTree tree;
    // root opened in the tree: a ticked, b cleared.
    SFolderPick root{W(tree.root), true, true, {{W(tree.root / "a"), true, false, {}}}};
    CEvent stop(true, false);
    std::vector<std::wstring> folders;
    ASSERT_TRUE(CollectCheckedFolders({root}, stop, nullptr, folders));
    const std::vector<std::wstring> wanted = {W(tree.root), W(tree.root / "a"), W(tree.root / "a" / "deep")};
    EXPECT_EQ(folders, wanted);
}

TEST(BatchAddWalk, AStopEndsTheWalkBeforeTheNextEntry)
{
    CWalkTree tree;
    CEvent stop(true, false);
    std::vector<std::wstring> folders;
    int seen = 0;
    EXPECT_FALSE(CollectCheckedFolders({{W(tree.root), true, false, {}}}, stop,
                                       [&](EScanStep, const std::wstring&) {
                                           ++seen;
                                           stop.Set();
                                       },
                                       folders));
    EXPECT_EQ(seen, 1);

    stop.Reset();
    ASSERT_TRUE(CollectCheckedFolders({{W(tree.root), true, false, {}}}, stop, nullptr, folders));
    int added = 0;
    EXPECT_FALSE(AddMediaOfFolders(folders, stop, nullptr, [&](const std::wstring&) {
        ++added;
        stop.Set();
    }));
    EXPECT_EQ(added, 1);
}

class CBatchAddDialogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        home = fs::path(WideToUtf8(GetUserHomeFolder()));
        videos = home / "Videos Zed";
        fs::create_directories(videos / "trip");
        fs::create_directories(home / "alpha");
        fs::create_directories(home / "Beta");
        for (int i = 0; i < 20; ++i) Touch(videos / ("v" + std::to_string(i) + ".mp4"));
        Touch(videos / "trip" / "t.mov");
    }
    void TearDown() override
    {
        fs::remove_all(videos);
        fs::remove_all(home / "alpha");
        fs::remove_all(home / "Beta");
    }
    fs::path home;
    fs::path videos;
    std::mutex mutex;
    std::vector<std::wstring> added;
};

TEST_F(CBatchAddDialogTest, TheTreeOpensOnHomeAndTheTickedFolderIsAddedByTheWorker)
{
    CDlgBatchAdd dialog([this](const std::wstring& path) {
        std::lock_guard<std::mutex> lock(mutex);
        added.push_back(path);
    });
    ASSERT_NE(dialog.Create(nullptr, L"VXMBatchAddDlg", WS_POPUP | WS_VISIBLE, 0), nullptr);
    CCheckShellFolderCtrl* tree = dialog.GetTree();
    ASSERT_NE(tree, nullptr);
    CTreeNodeUI* homeNode = tree->FindNodeByPath(W(home));
    ASSERT_NE(homeNode, nullptr);
    EXPECT_TRUE(homeNode->IsExpanded());
    EXPECT_EQ(tree->GetItemPath(), W(home));
    // Sub-folders sorted without regard to case.
    std::vector<std::wstring> names;
    for (CTreeNodeUI* child : homeNode->GetChildNodes()) names.push_back(child->GetText());
    const auto alpha = std::find(names.begin(), names.end(), L"alpha");
    const auto beta = std::find(names.begin(), names.end(), L"Beta");
    const auto zed = std::find(names.begin(), names.end(), L"Videos Zed");
    ASSERT_TRUE(alpha != names.end() && beta != names.end() && zed != names.end());
    EXPECT_TRUE(alpha < beta && beta < zed);
    // The computer holds "/".
    ASSERT_NE(tree->FindNodeByPath(L"/"), nullptr);

    // The tree has the keys from the start: a typed letter finds the folder,
    // Space ticks it.
    CTreeNodeUI* videosNode = tree->FindNodeByPath(W(videos));
    for (const auto& [key, text] : {std::pair{Qt::Key_V, QStringLiteral("v")}, std::pair{Qt::Key_Space, QStringLiteral(" ")}}) {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
        QApplication::sendEvent(dialog.GetWidget(), &press);
    }
    vxmtest::PumpPending();
    EXPECT_EQ(tree->GetItemPath(), W(videos));
    EXPECT_TRUE(videosNode->IsChecked());
    EXPECT_TRUE(homeNode->IsBold());
    // A ticked folder's children come ticked.
    tree->FillChildren(videosNode);
    ASSERT_EQ(videosNode->GetChildNodes().size(), 1u);
    EXPECT_TRUE(videosNode->GetChildNodes()[0]->IsChecked());

    ASSERT_TRUE(dialog.StartScan());
    EXPECT_FALSE(tree->IsVisible());
    ASSERT_TRUE(vxmtest::PumpUntil([&] { return dialog.GetHWND() == nullptr || !::IsWindow(dialog.GetHWND()); }));
    std::lock_guard<std::mutex> lock(mutex);
    EXPECT_EQ(added.size(), 21u);
}

TEST_F(CBatchAddDialogTest, AFolderThatCannotBeListedKeepsItsButtonAndARefreshListsItAgain)
{
    CDlgBatchAdd dialog([](const std::wstring&) {});
    ASSERT_NE(dialog.Create(nullptr, L"VXMBatchAddDlg", WS_POPUP | WS_VISIBLE, 0), nullptr);
    CCheckShellFolderCtrl* tree = dialog.GetTree();
    CTreeNodeUI* node = tree->FindNodeByPath(W(videos));
    ASSERT_NE(node, nullptr);
    // Gone after its node was made (as a network folder may be for a while).
    fs::rename(videos, home / "away");
    tree->Expand(node, true);
    EXPECT_TRUE(node->GetChildNodes().empty());
    EXPECT_TRUE(node->HasExpandButton());
    fs::rename(home / "away", videos);
    tree->Expand(node, true);
    ASSERT_EQ(node->GetChildNodes().size(), 1u);
    // A folder made since shows once the tree is told to look again.
    fs::create_directory(videos / "later");
    PostMessage(dialog.GetHWND(), WM_VXM_TREE_REFRESH, 0, reinterpret_cast<LPARAM>(node));
    vxmtest::PumpPending();
    EXPECT_EQ(node->GetChildNodes().size(), 2u);
}

TEST_F(CBatchAddDialogTest, CancelStopsAndJoinsTheWorkerAndKeepsWhatWasAdded)
{
    std::atomic<int> count{0};
    CEvent release(true, false);
    CDlgBatchAdd dialog([&](const std::wstring&) {
        ++count;
        release.Wait();  // held until the test cancels
    });
    ASSERT_NE(dialog.Create(nullptr, L"VXMBatchAddDlg", WS_POPUP | WS_VISIBLE, 0), nullptr);
    dialog.GetTree()->SetCheck(dialog.GetTree()->FindNodeByPath(W(videos)), true);
    ASSERT_TRUE(dialog.StartScan());
    ASSERT_TRUE(vxmtest::PumpUntil([&] { return count.load() == 1; }));
    // The worker's status reaches the dialog's line through the UI thread.
    CControlUI* status = dialog.GetPaintManager()->FindControl(L"ID_LABEL_BATCH_STATUS");
    ASSERT_NE(status, nullptr);
    EXPECT_TRUE(vxmtest::PumpUntil([&] { return status->GetText().rfind(L"Adding " + W(videos), 0) == 0; }))
        << WideToUtf8(status->GetText());
    // The held file is let go only after the cancel has asked the worker to
    // stop (released at once, the worker could finish the folder first).
    std::thread later([&] {
        while (!dialog.IsStopAsked()) std::this_thread::sleep_for(std::chrono::milliseconds(5));
        release.Set();
    });
    dialog.Cancel();
    later.join();
    EXPECT_FALSE(dialog.IsScanning());
    EXPECT_LT(count.load(), 21);
}

}  // namespace
