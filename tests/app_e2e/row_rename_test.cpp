// Renaming a row in place, through the real main window: the name edit takes
// the room the name had, and the row's buttons stay where they were, inside
// the row.
#include "MainPaneUI.h"
#include "MediaListItemUI.h"
#include "MediaListUI.h"
#include "VXMMainFrameWnd.h"
#include "platform/text.h"
#include "support/fake_media.h"
#include "support/main_window_environment.h"
#include "FakeDesktop.h"

#include <gtest/gtest.h>

#include <map>

namespace {

[[maybe_unused]] const bool g_env = vxmtest::RegisterMainWindowEnvironment();

constexpr const wchar_t* kRowButtons[] = {L"ID_BUTTON_ITEM_CHANGE_FILENAME", L"ID_BUTTON_ITEM_OUTPUT_FORMAT",
                                          L"ID_BUTTON_ITEM_CLIP",           L"ID_BUTTON_ITEM_EFFECT",
                                          L"ID_BUTTON_ITEM_CONVER_START"};

bool Inside(const RECT& r, const RECT& outer)
{
    return r.left >= outer.left && r.top >= outer.top && r.right <= outer.right && r.bottom <= outer.bottom;
}

TEST(RowRename, TheNameEditTakesTheNamesRoomAndNoButtonMoves)
{
    CFakeDesktop desktop;
    CSampleMedia cafe{L"Caf\u00e9 \u6771\u4eac\u306e\u591c \U0001F303", true};
    auto* window = new CVXMMainFrameWnd(L"");
    ASSERT_NE(window->Create(nullptr, L"Vexmora Professional", WS_VISIBLE | WS_OVERLAPPEDWINDOW, 0, 0, 0, 1024, 655),
              nullptr);
    window->ResizeClient(1024, 655);
    auto* pane = dynamic_cast<CMainPaneUI*>(window->GetMainPane());
    ASSERT_NE(pane, nullptr);
    pane->AddMedia(&cafe, -1, 0);
    CMediaListItemUI* row = pane->GetMediaList()->GetMediaItem(0);
    ASSERT_NE(row, nullptr);
    CPaintManagerUI* pm = window->GetPaintManager();
    auto sub = [&](const wchar_t* name) { return pm->FindSubControlByName(row, name); };
    pm->UpdateLayout();
    const RECT nameBefore = sub(L"ID_LABEL_ITEM_SHORT_NAME")->GetPos();
    std::map<std::wstring, RECT> before;
    for (const wchar_t* name : kRowButtons) before[name] = sub(name)->GetPos();

    row->ShowNameEdit(true);
    pm->UpdateLayout();
    ASSERT_TRUE(row->IsNameEditShown());
    const RECT rowRect = row->GetPos();
    for (const wchar_t* name : kRowButtons) {
        const RECT now = sub(name)->GetPos();
        EXPECT_TRUE(EqualRect(now, before[name])) << "moved: " << WideToUtf8(name);
        EXPECT_TRUE(Inside(now, rowRect)) << "outside the row: " << WideToUtf8(name);
    }
    // The edit and its OK button fill the name's place.
    const RECT box = sub(L"ID_CONTAINER_ITEM_EDIT_NAME")->GetPos();
    EXPECT_EQ(box.left, nameBefore.left);
    EXPECT_EQ(box.right, nameBefore.right);
    const RECT edit = sub(L"ID_EDIT_ITEM_CHANGE_FILENAME")->GetPos();
    EXPECT_GT(edit.right - edit.left, 100);
    EXPECT_TRUE(Inside(edit, box));
    EXPECT_TRUE(Inside(sub(L"ID_BUTTON_ITEM_EDIT_OK")->GetPos(), box));
    EXPECT_EQ(sub(L"ID_EDIT_ITEM_CHANGE_FILENAME")->GetText(), cafe.title);

    row->ShowNameEdit(false);
    pm->UpdateLayout();
    for (const wchar_t* name : kRowButtons) EXPECT_TRUE(EqualRect(sub(name)->GetPos(), before[name]));
    EXPECT_TRUE(Inside(sub(L"ID_BUTTON_ITEM_REMOVE")->GetPos(), rowRect));
    window->DestroyWindow();
    vxmtest::PumpPending();
}

}  // namespace
