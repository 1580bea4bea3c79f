// The demo skin rendered off screen; the picture is kept in the build folder.
#include "ui_test_support.h"
#include <QColor>
#include <QImage>
#include <gtest/gtest.h>

TEST(UIRender, DemoSkinRendersToAPngWithItsColoursInPlace)
{
    CPaintManagerUI::SetResourcePath(TestSkinFolder());
    CTestWindow wnd(L"demo.xml");
    ASSERT_NE(wnd.Create(nullptr, L"Vexmora Professional", 0, 0), nullptr);
    wnd.ShowWindow(true);
    ASSERT_TRUE(PumpUntil([&] { return wnd.Count(L"windowinit:root") == 1; }));
    QImage image = wnd.Manager().RenderToImage();
    ASSERT_EQ(image.width(), 640);
    ASSERT_EQ(image.height(), 400);
    const QString path = QStringLiteral(VXM_BINARY_DIR) + QStringLiteral("/ui_demo_skin.png");
    ASSERT_TRUE(image.save(path));

    EXPECT_EQ(QColor(image.pixel(5, 5)), QColor(0x1F, 0x2D, 0x3D));  // caption bar
    CControlUI* convert = wnd.Manager().FindControl(L"ID_OPT_CONVERT");
    EXPECT_EQ(QColor(image.pixel(convert->GetX() + 2, convert->GetY() + 2)), QColor(0x3A, 0x7B, 0xD5));  // selected page
    CControlUI* progress = wnd.Manager().FindControl(L"ID_PROGRESS");
    const RECT& rc = progress->GetPos();
    EXPECT_EQ(QColor(image.pixel(rc.left + 2, rc.top + 5)), QColor(0x2E, 0xCC, 0x71));    // filled 62 %
    EXPECT_EQ(QColor(image.pixel(rc.right - 3, rc.top + 5)), QColor(0xD5, 0xDB, 0xE3));   // the rest
    // Some text was drawn in the heading.
    CControlUI* heading = wnd.Manager().FindControl(L"ID_LABEL_HEADING");
    int dark = 0;
    for (int y = heading->GetY(); y < heading->GetPos().bottom; ++y)
        for (int x = heading->GetX(); x < heading->GetX() + 120; ++x)
            dark += qGray(image.pixel(x, y)) < 100;
    EXPECT_GT(dark, 20);

    // A control renders alone at its own size.
    QImage part = wnd.Manager().RenderToImage(progress);
    EXPECT_EQ(part.width(), progress->GetWidth());
    EXPECT_EQ(part.height(), progress->GetHeight());
}
