// The floating picture of a dragged row.
#include "list_fixture.h"
#include "panes/MediaListDragWnd.h"
#include "platform/paths.h"

#include <QCoreApplication>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

namespace {

TEST_F(ConvertList, DragWindowShowsThePictureOfTheRow)
{
    CMediaListItemUI* row = AddRow(NewMedia(L"a"));
    row->SetPos(RECT{0, 0, 200, 60});
    CMediaItemDragWnd drag(&manager, row);
    ASSERT_NE(drag.Create(nullptr, L"MediaDragWnd", WS_POPUP, 0, RECT{10, 10, 210, 70}), nullptr);
    drag.ShowWindow(true, false);
    while (drag.GetImageFile().empty()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    ASSERT_FALSE(drag.GetImageFile().empty());
    const std::filesystem::path file = PathFromWide(drag.GetImageFile());
    EXPECT_EQ(file.filename(), "dragitem.bmp");
    // 200 x 60 pixels of 24 bits.
    EXPECT_EQ(std::filesystem::file_size(file), 54u + 600u * 60u);
    CControlUI* picture = drag.GetPaintManager()->FindControl(L"dragwnd");
    ASSERT_NE(picture, nullptr);
    EXPECT_EQ(picture->GetBkImage(), drag.GetImageFile());
    drag.DestroyWindow();
}

}  // namespace
