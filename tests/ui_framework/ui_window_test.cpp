// A window built from a skin: controls by name and by point, window
// properties, "windowinit", image strings and the builder's cached markup.
#include "ui_test_support.h"
#include <QImage>
#include <QTemporaryDir>
#include <QWidget>
#include <gtest/gtest.h>

namespace {
struct CWindowFixture : ::testing::Test {
    void SetUp() override
    {
        CPaintManagerUI::SetResourcePath(TestSkinFolder());
        wnd = std::make_unique<CTestWindow>(L"demo.xml");
        ASSERT_NE(wnd->Create(nullptr, L"Demo", UI_WNDSTYLE_FRAME, 0), nullptr);
        ASSERT_TRUE(PumpUntil([&] { return wnd->Count(L"windowinit:root") > 0; }));
    }
    void TearDown() override { wnd.reset(); }
    std::unique_ptr<CTestWindow> wnd;
};
}  // namespace

TEST_F(CWindowFixture, ControlsOfTheSkinAreFoundByNameWithTheirClasses)
{
    CPaintManagerUI& pm = wnd->Manager();
    ASSERT_NE(pm.FindControl(L"ID_BTN_CONVERT"), nullptr);
    EXPECT_EQ(pm.FindControl(L"ID_BTN_CONVERT")->GetClass(), L"ButtonUI");
    EXPECT_EQ(pm.FindControl(L"ID_OPT_BURN")->GetClass(), L"OptionUI");
    EXPECT_NE(pm.FindControl(L"IDC_CHECK_SHUTDOWN")->GetInterface(L"CheckBox"), nullptr);
    EXPECT_NE(pm.FindControl(L"ID_PROGRESS")->GetInterface(L"Progress"), nullptr);
    EXPECT_NE(pm.FindControl(L"ID_SLIDER")->GetInterface(L"Slider"), nullptr);
    EXPECT_EQ(pm.FindControl(L"ID_TEXT_HINT")->GetClass(), L"TextUI");
    EXPECT_EQ(pm.FindControl(L"no such control"), nullptr);
    EXPECT_EQ(pm.FindControl(L"ID_LABEL_STATUS_BOTTOM")->GetText(), L"Ready");
    // Within a subtree only.
    CControlUI* nav = pm.FindControl(L"nav");
    EXPECT_EQ(pm.FindSubControlByName(nav, L"ID_OPT_PLAY"), pm.FindControl(L"ID_OPT_PLAY"));
    EXPECT_EQ(pm.FindSubControlByName(nav, L"ID_BTN_CONVERT"), nullptr);
    EXPECT_EQ(pm.FindSubControlByClass(nav, L"OptionUI", 2), pm.FindControl(L"ID_OPT_PLAY"));
}

TEST_F(CWindowFixture, PointLookupFindsTheTopmostMouseEnabledControl)
{
    CPaintManagerUI& pm = wnd->Manager();
    CControlUI* add = pm.FindControl(L"ID_BTN_ADD");
    POINT pt;
    pt.x = CenterOf(add).x();
    pt.y = CenterOf(add).y();
    EXPECT_EQ(pm.FindControl(pt), add);
    add->SetMouseEnabled(false);
    EXPECT_NE(pm.FindControl(pt), add);
    add->SetVisible(false);
    EXPECT_NE(pm.FindControl(pt), add);
}

TEST_F(CWindowFixture, WindowTakesSizeCaptionAndFramelessFromTheSkinAndInitsOnce)
{
    QWidget* w = wnd->GetWidget();
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->width(), 640);
    EXPECT_EQ(w->height(), 400);
    EXPECT_TRUE(w->windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(wnd->Manager().GetCaptionRect().bottom, 36);
    EXPECT_EQ(wnd->Manager().GetMinInfo().cx, 400);
    EXPECT_EQ(wnd->initCount, 1);
    wnd->ShowWindow(true);
    w->resize(700, 420);
    ASSERT_TRUE(PumpUntil([&] { return wnd->Manager().GetRoot()->GetWidth() == 700; }));
    EXPECT_EQ(wnd->Count(L"windowinit:root"), 1);
    EXPECT_EQ(wnd->Manager().GetRoot()->GetWidth(), 700);
}

TEST_F(CWindowFixture, DefaultAttributesApplyAndOwnAttributesWin)
{
    CPaintManagerUI& pm = wnd->Manager();
    EXPECT_EQ(pm.FindControl(L"ID_BTN_ADD")->GetBkColor(), 0xFF3A7BD5u);
    EXPECT_EQ(pm.FindControl(L"ID_BTN_CONVERT")->GetBkColor(), 0xFF27AE60u);
    EXPECT_EQ(pm.FindControl(L"ID_BTN_ADD")->GetHeight(), 28);
}

TEST_F(CWindowFixture, CaptionAreaMovesTheWindowButButtonsInItStayClickable)
{
    QWidget* w = wnd->GetWidget();
    auto hit = [&](QPoint local) {
        QPoint g = w->mapToGlobal(local);
        return wnd->DeliverMessage(WM_NCHITTEST, 0, MAKELPARAM(g.x(), g.y()));
    };
    EXPECT_EQ(hit(QPoint(100, 18)), HTCAPTION);
    EXPECT_EQ(hit(CenterOf(wnd->Manager().FindControl(L"ID_BTN_CLOSE_WINDOW"))), HTCLIENT);
    EXPECT_EQ(hit(QPoint(300, 200)), HTCLIENT);
    EXPECT_EQ(hit(QPoint(1, 200)), HTLEFT);
    EXPECT_EQ(hit(QPoint(639, 399)), HTBOTTOMRIGHT);
}

TEST(UIBuilder, CachedMarkupBuildsIndependentTreesAndUnknownElementsGoToTheCallback)
{
    struct CCallback : IDialogBuilderCallback {
        std::vector<std::wstring> asked;
        CControlUI* CreateControl(const std::wstring& cls) override
        {
            asked.push_back(cls);
            if (cls == L"Special") return new CLabelUI;
            return nullptr;
        }
    } callback;
    CPaintManagerUI pm;
    CDialogBuilder builder;
    CControlUI* first = builder.Create(LR"(<HorizontalLayout name="row"><Special name="s" text="x" /><Unknown /><Label name="l" /></HorizontalLayout>)",
                                       {}, &callback, &pm);
    ASSERT_NE(first, nullptr);
    ASSERT_TRUE(builder.GetMarkup()->IsValid());
    CControlUI* second = builder.Create(&callback, &pm);
    ASSERT_NE(second, nullptr);
    EXPECT_NE(first, second);
    auto* c1 = static_cast<CContainerUI*>(first->GetInterface(L"Container"));
    auto* c2 = static_cast<CContainerUI*>(second->GetInterface(L"Container"));
    ASSERT_TRUE(c1 && c2);
    EXPECT_EQ(c1->GetCount(), 2);  // the unknown element is skipped
    EXPECT_EQ(c2->GetCount(), 2);
    EXPECT_NE(c1->GetItemAt(0), c2->GetItemAt(0));
    EXPECT_EQ(c2->GetItemAt(0)->GetText(), L"x");
    EXPECT_EQ(callback.asked, (std::vector<std::wstring>{L"Special", L"Unknown", L"Special", L"Unknown"}));
    delete first;
    delete second;
}

TEST(UIBuilder, BrokenMarkupAndMissingFilesBuildNothing)
{
    CDialogBuilder builder;
    EXPECT_EQ(builder.Create(L"<VerticalLayout><Label></VerticalLayout>"), nullptr);
    EXPECT_FALSE(builder.GetMarkup()->IsValid());
    EXPECT_FALSE(builder.GetLastErrorMessage().empty());
    EXPECT_EQ(builder.Create(L"/nonexistent/folder/skin.xml"), nullptr);
    EXPECT_FALSE(builder.GetMarkup()->IsValid());
}

TEST(UIBuilder, WindowWhoseSkinIsMissingIsNotCreated)
{
    CPaintManagerUI::SetResourcePath(TestSkinFolder());
    CTestWindow wnd(L"missing_skin.xml");
    EXPECT_EQ(wnd.Create(nullptr, L"x", 0, 0), nullptr);
    EXPECT_EQ(wnd.GetHWND(), nullptr);
}

TEST(UIImages, ImageStringsTakeFileSourceAndCornerWithBackslashPaths)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("sub")));
    // Left half red, right half blue, 8x4.
    QImage img(8, 4, QImage::Format_ARGB32);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 8; ++x) img.setPixel(x, y, x < 4 ? qRgb(255, 0, 0) : qRgb(0, 0, 255));
    ASSERT_TRUE(img.save(dir.path() + QStringLiteral("/sub/strip.png")));

    CPaintManagerUI pm;
    pm.AddDefaultAttributeList(L"ImageFolder", dir.path().toStdWString());
    CDialogBuilder builder;
    CControlUI* root = builder.Create(LR"(<HorizontalLayout>
        <Control name="whole" bkimage="sub\strip.png" />
        <Control name="right" bkimage="file='sub\strip.png' source='4,0,8,4'" />
        <Control name="missing" bkimage="file='sub\none.png'" bkcolor="#FF00FF00" />
      </HorizontalLayout>)", {}, nullptr, &pm);
    ASSERT_NE(root, nullptr);
    pm.SetInitSize(60, 20);
    pm.AttachDialog(root);
    QImage out = pm.RenderToImage();
    ASSERT_EQ(out.width(), 60);
    EXPECT_EQ(QColor(out.pixel(2, 10)), QColor(255, 0, 0));
    EXPECT_EQ(QColor(out.pixel(18, 10)), QColor(0, 0, 255));
    EXPECT_EQ(QColor(out.pixel(22, 10)), QColor(0, 0, 255));  // only the blue half, stretched
    EXPECT_EQ(QColor(out.pixel(38, 10)), QColor(0, 0, 255));
    EXPECT_EQ(QColor(out.pixel(50, 10)), QColor(0, 255, 0));  // no image: background only
}

TEST(UIImages, NinePartImageKeepsItsCorners)
{
    QTemporaryDir dir;
    QImage img(6, 6, QImage::Format_ARGB32);
    img.fill(qRgb(0, 0, 255));
    for (int i = 0; i < 6; ++i) {
        img.setPixel(i, 0, qRgb(255, 0, 0));
        img.setPixel(0, i, qRgb(255, 0, 0));
    }
    ASSERT_TRUE(img.save(dir.path() + QStringLiteral("/frame.png")));
    CPaintManagerUI pm;
    pm.AddDefaultAttributeList(L"ImageFolder", dir.path().toStdWString());
    CDialogBuilder builder;
    CControlUI* root = builder.Create(LR"(<Control bkimage="file='frame.png' corner='1,1,1,1'" />)", {}, nullptr, &pm);
    ASSERT_NE(root, nullptr);
    pm.SetInitSize(40, 30);
    pm.AttachDialog(root);
    QImage out = pm.RenderToImage();
    EXPECT_EQ(QColor(out.pixel(20, 0)), QColor(255, 0, 0));
    EXPECT_EQ(QColor(out.pixel(0, 15)), QColor(255, 0, 0));
    EXPECT_EQ(QColor(out.pixel(20, 1)), QColor(0, 0, 255));  // the 1-pixel border stays 1 pixel
    EXPECT_EQ(QColor(out.pixel(1, 15)), QColor(0, 0, 255));
}
