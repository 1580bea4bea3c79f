// What the main window shows is what the program did, in a real window on
// the X server: each conversion is recorded under its own profile, with its
// group, and every node of the media manager has a name; while rows convert
// the menus offer Stop and not Start, each row tells the time left from its
// measured rate; Stop All and removing a converting row hold the window for
// a moment only, and the rows say "Stopping..." until the engine let go.
#include "../app_e2e/program_window.h"
#include "DBHelper.h"
#include "MediaHandler.h"
#include "VXMGlobal.h"
#include "HistoryListUI.h"
#include "MainFrameCommands.h"
#include "MediaListItemUI.h"
#include "MediaManagerListUI.h"
#include "support/test_media.h"
#include "ui/UIMenu.h"
#include "ui/UITextProgress.h"
#include "FakeDesktop.h"
#include "UIMenuScript.h"

#include <QPixmap>
#include <QWidget>
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>

namespace {

[[maybe_unused]] const bool g_env = vxmtest::RegisterMainWindowEnvironment(true, false);

using vxmtest::PumpUntil;

void Screenshot(CProgramWindow& program, const char* name)
{
    vxmtest::PumpPending();  // painted
    const std::string file = std::string(VXM_SCREENSHOT_DIR) + "/" + name;
    EXPECT_TRUE(program.window->GetWidget()->grab().save(QString::fromStdString(file)));
}

CMediaListItemUI* AddThroughHandler(CProgramWindow& program, const std::string& file)
{
    const int before = program.list->GetCount();
    EXPECT_NE(CMediaHandler::GetInstance()->AddFile(Utf8ToWide(file), -1, 0), nullptr);
    PumpUntil([&] { return program.list->GetCount() == before + 1; });
    return program.list->GetMediaItem(before);
}

// The catalogue's group "mp4" of category "general", and one of its profiles.
struct CChoice {
    int profile;
    int group;
    int category;
};

CChoice Mp4Profile(int profileId)
{
    IProfileManager* catalogue = CMediaHandler::GetInstance()->GetProfileManager();
    IProfileGroup* group = catalogue->FindGroupByName(L"mp4");
    IProfileCategory* general = catalogue->FindCategoryById(catalogue->FindCategoryIndexByName(L"general"));
    EXPECT_TRUE(group && general);
    return {profileId, group ? group->GetId() : -1, general ? general->GetId() : -1};
}

void Choose(CMediaListItemUI* row, const CChoice& c)
{
    row->SetProfile(c.profile, c.group, c.category);
    ASSERT_NE(row->GetOwnProfile(), nullptr);
}

void ClickConvert(CProgramWindow& program)
{
    CControlUI* convert = program.window->GetPaintManager()->FindControl(L"ID_BTN_CONVERT");
    ASSERT_NE(convert, nullptr);
    program.window->GetPaintManager()->SendNotify(convert, L"click");
}

TEST(RecordRoad, EachConversionIsRecordedUnderItsOwnProfileAndGroupAndNoNodeIsNameless)
{
    CFakeDesktop desktop;
    vxmtest::CTempDir dir;
    CDBHelper::DeleteInstance();
    std::error_code ec;
    std::filesystem::remove(WideToUtf8(GetAppDataFolder()) + "/" + kHistoryDbFileName, ec);
    CVXMSettings::GetInstance()->ShowMM = 1;
    const std::string clip = dir.File("\xf0\x9f\x8e\xac clip.mp4");
    ASSERT_TRUE(vxmtest::MakeVideoClip(clip, 1.0, 160, 120, {"-c:v", "libx264", "-preset", "ultrafast", "-c:a", "aac"}));
    CProgramWindow program(dir.File("out"));
    ASSERT_TRUE(program.IsUp());
    program.window->ShowWindow(true);

    // The same clip twice: once to H.264, once to H.265, two profiles of one name.
    CMediaListItemUI* h264 = AddThroughHandler(program, clip);
    CMediaListItemUI* h265 = AddThroughHandler(program, clip);
    ASSERT_TRUE(h264 && h265);
    Choose(h264, Mp4Profile(0));
    Choose(h265, Mp4Profile(1));
    ASSERT_EQ(h264->GetOwnProfile()->GetName(), h265->GetOwnProfile()->GetName());
    ClickConvert(program);
    PumpUntil([&] { return h264->GetStatus() == ITEM_STATUS_DONE && h265->GetStatus() == ITEM_STATUS_DONE; });

    // Two nodes under Converted, each named after what it stands for.
    CMediaManagerListUI* tree = program.pane->GetMediaManagerList();
    ASSERT_NE(tree, nullptr);
    std::map<std::wstring, CMediaManagerElementUI*> profiles;
    for (int i = 0; i < tree->GetCount(); ++i) {
        CMediaManagerElementUI* node = tree->GetNode(i);
        ASSERT_NE(node, nullptr);
        EXPECT_FALSE(node->GetNodeText().empty()) << "node " << i;
        if (node->GetKind() == MEDIAMAN_PROFILE) profiles[node->GetNodeText()] = node;
    }
    ASSERT_EQ(profiles.size(), 2u);
    ASSERT_TRUE(profiles.count(L"MP4 video (H.264)") && profiles.count(L"MP4 video (H.265/HEVC)"));
    EXPECT_EQ(profiles[L"MP4 video (H.264)"]->GetRecordCount(), 1);
    EXPECT_EQ(profiles[L"MP4 video (H.265/HEVC)"]->GetRecordCount(), 1);

    // The H.265 node lists the H.265 output.
    CMediaManagerElementUI* hevc = profiles[L"MP4 video (H.265/HEVC)"];
    tree->SelectItem(tree->GetItemIndex(hevc));
    CHistoryListUI* history = program.pane->GetHistoryList();
    ASSERT_EQ(history->GetCount(), 1);
    EXPECT_EQ(history->GetHistoryItem(0)->GetOutputPath(), h265->GetMedia()->GetOutputPath());

    // The records carry the profile each row had and its group.
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(WideToUtf8(CDBHelper::GetInstance()->GetDatabasePath()).c_str(), &db), SQLITE_OK);
    std::set<std::pair<std::string, std::string>> records;
    sqlite3_stmt* query = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(db, "SELECT profile_name, group_name FROM converted", -1, &query, nullptr), SQLITE_OK);
    while (sqlite3_step(query) == SQLITE_ROW)
        records.insert({reinterpret_cast<const char*>(sqlite3_column_text(query, 0)),
                        reinterpret_cast<const char*>(sqlite3_column_text(query, 1))});
    sqlite3_finalize(query);
    sqlite3_close(db);
    EXPECT_EQ(records, (std::set<std::pair<std::string, std::string>>{{"customized_mp4#0", "mp4"},
                                                                     {"customized_mp4#1", "mp4"}}));

    Screenshot(program, "history_tree_named.png");
}

// Runs a menu as the user would, noting which of Start and Stop it offered.
class CStateMenuRunner : public IMenuRunner {
public:
    UINT Run(CMenu& menu, POINT, const std::function<void(CMenu&)>& onOpen) override
    {
        if (onOpen) onOpen(menu);
        startEnabled = menu.IsEnabled(ID_START_CONVERTING);
        stopEnabled = menu.IsEnabled(ID_STOP_CONVERTING);
        const UINT id = choice;
        choice = 0;
        return id;
    }
    UINT choice = 0;
    bool startEnabled = false;
    bool stopEnabled = false;
};

// How long `work` held the calling thread: the time it took, less the time
// the thread waited for a processor (a busy machine's doing, not the program's).
double HeldMs(const std::function<void()>& work)
{
    auto waitedNs = [] {
        std::ifstream stat("/proc/thread-self/schedstat");
        unsigned long long running = 0, waiting = 0;
        stat >> running >> waiting;
        return waiting;
    };
    const unsigned long long waited = waitedNs();
    const auto start = std::chrono::steady_clock::now();
    work();
    const auto took = std::chrono::steady_clock::now() - start;
    const double tookMs = std::chrono::duration<double, std::milli>(took).count();
    return tookMs - static_cast<double>(waitedNs() - waited) / 1e6;
}

std::wstring BarText(CProgramWindow& program, CMediaListItemUI* row)
{
    auto* bar = dynamic_cast<CTextProgressUI*>(
        program.window->GetPaintManager()->FindSubControlByName(row, L"ID_PROGRESS_ITEM_CONVERT"));
    return bar ? bar->MakeText(GetTickCount()) : std::wstring();
}

std::wstring StatusText(CProgramWindow& program, CMediaListItemUI* row)
{
    CControlUI* label = program.window->GetPaintManager()->FindSubControlByName(row, L"ID_LABEL_ITEM_STATUS");
    return label && label->IsVisible() ? label->GetText() : std::wstring();
}

TEST(RecordRoad, WhileRowsConvertTheMenusOfferStopAndStopAllOrRemoveHoldTheWindowOnlyAMoment)
{
    CFakeDesktop desktop;
    vxmtest::CTempDir dir;
    const std::string clip = dir.File("Caf\xc3\xa9 long.mp4");
    ASSERT_TRUE(vxmtest::MakeVideoClip(clip, 300.0, 320, 240, {"-c:v", "mpeg4", "-q:v", "10", "-c:a", "aac"}));
    CProgramWindow program(dir.File("out"));
    ASSERT_TRUE(program.IsUp());
    program.window->ShowWindow(true);
    CVXMSettings::GetInstance()->SimConversionTasks = 4;
    std::vector<CMediaListItemUI*> rows;
    for (int i = 0; i < 5; ++i) {
        rows.push_back(AddThroughHandler(program, clip));
        ASSERT_NE(rows.back(), nullptr);
        Choose(rows.back(), Mp4Profile(1));  // H.265: slow enough to stop half-way
    }
    CStateMenuRunner menus;
    CMenuRunnerScope scope(&menus);
    CPaintManagerUI* manager = program.window->GetPaintManager();
    CControlUI* menuButton = manager->FindControl(L"ID_BTN_MENU_MAIN");
    CControlUI* convert = manager->FindControl(L"ID_BTN_CONVERT");
    ASSERT_TRUE(menuButton && convert);
    auto openMainMenu = [&](UINT choice) {
        menus.choice = choice;
        manager->SendNotify(menuButton, L"click");
    };

    // Nothing converts: Start, not Stop; the convert button too.
    openMainMenu(0);
    EXPECT_TRUE(menus.startEnabled);
    EXPECT_FALSE(menus.stopEnabled);
    EXPECT_TRUE(convert->IsEnabled());

    // Four rows convert (the fifth waits); each tells the time left from its rate.
    ClickConvert(program);
    PumpUntil([&] {
        for (int i = 0; i < 4; ++i)
            if (BarText(program, rows[i]).find(L"Time left") == std::wstring::npos) return false;
        return true;
    });
    Screenshot(program, "row_time_left.png");
    openMainMenu(0);
    EXPECT_FALSE(menus.startEnabled);
    EXPECT_TRUE(menus.stopEnabled);
    EXPECT_FALSE(convert->IsEnabled());

    // Removing a converting row: it goes at once, its conversion stops elsewhere.
    IVXMMedia* removed = rows[0]->GetMedia();
    const double removeHeld = HeldMs([&] { program.list->RemoveItem(rows[0]); });
    EXPECT_LT(removeHeld, 100.0);
    EXPECT_EQ(program.list->FindItem(removed), nullptr);

    // Stop All from the menu: the window is back at once, the rows say they stop.
    const double stopHeld = HeldMs([&] { openMainMenu(ID_STOP_CONVERTING); });
    EXPECT_LT(stopHeld, 100.0);
    for (int i = 1; i < 4; ++i) {
        EXPECT_TRUE(rows[i]->IsStopping()) << i;
        EXPECT_EQ(StatusText(program, rows[i]), L"Stopping...") << i;
    }
    // Until they have stopped, nothing starts.
    openMainMenu(0);
    EXPECT_FALSE(menus.startEnabled);
    EXPECT_TRUE(menus.stopEnabled);

    PumpUntil([&] { return !program.pane->IsConverting(); });
    for (int i = 1; i < 5; ++i) {
        EXPECT_FALSE(rows[i]->IsStopping()) << i;
        EXPECT_EQ(rows[i]->GetStatus(), ITEM_STATUS_FAILED) << i;
        EXPECT_EQ(rows[i]->GetMedia()->GetConvertState(), 0) << i;
    }
    openMainMenu(0);
    EXPECT_TRUE(menus.startEnabled);
    EXPECT_FALSE(menus.stopEnabled);
    EXPECT_TRUE(convert->IsEnabled());
    // No partial output is left behind.
    MediaStopper().Drain();
    for (const auto& entry : std::filesystem::recursive_directory_iterator(dir.File("out")))
        EXPECT_FALSE(entry.is_regular_file()) << entry.path();
}

}  // namespace
