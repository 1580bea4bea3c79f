// Notify maps, custom controls made by the window for skin elements, and
// window timers of the message core reaching HandleMessage.
#include "ui_test_support.h"
#include <gtest/gtest.h>

namespace {
// A custom control the skin names by its own element.
class CBadgeUI : public CLabelUI {
public:
    std::wstring GetClass() const override { return L"BadgeUI"; }
    void* GetInterface(const std::wstring& name) override
    {
        if (name == L"Badge") return this;
        return CLabelUI::GetInterface(name);
    }
    void DoInit() override { ++inits; }
    void SetAttribute(const std::wstring& name, const std::wstring& value) override
    {
        if (name == L"level") level = std::stoi(value);
        else CLabelUI::SetAttribute(name, value);
    }
    int inits = 0;
    int level = 0;
};

const wchar_t* const kSkin = LR"(<Window size="300,200">
  <VerticalLayout name="root">
    <Badge name="badge" level="3" text="new" height="20" />
    <Button name="ok" height="30" />
    <Button name="cancel" height="30" />
    <Option name="opt" height="30" />
  </VerticalLayout>
</Window>)";

class CMappedWindow : public WindowImplBase {
public:
    std::wstring GetWindowClassName() const override { return L"VXMMappedWindow"; }
    std::wstring GetSkinFile() override { return kSkin; }
    CControlUI* CreateControl(const std::wstring& cls) override
    {
        asked.push_back(cls);
        return cls == L"Badge" ? new CBadgeUI : nullptr;
    }
    void OnClick(TNotifyUI& msg) override { log.push_back(L"OnClick:" + msg.pSender->GetName()); }
    void OnOk(TNotifyUI&) { log.push_back(L"OnOk"); }
    void OnAnySelect(TNotifyUI& msg) { log.push_back(L"OnAnySelect:" + msg.pSender->GetName()); }
    LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override
    {
        if (msg == WM_TIMER) timers.push_back(static_cast<int>(wParam));
        return WindowImplBase::HandleMessage(msg, wParam, lParam);
    }
    CPaintManagerUI& Manager() { return m_PaintManager; }
    std::vector<std::wstring> asked;
    std::vector<std::wstring> log;
    std::vector<int> timers;

    DUI_DECLARE_MESSAGE_MAP()
};

DUI_BEGIN_MESSAGE_MAP(CMappedWindow, WindowImplBase)
DUI_ON_CLICK_CTRNAME(L"ok", CMappedWindow::OnOk)
DUI_ON_MSGTYPE(DUI_MSGTYPE_SELECTCHANGED, CMappedWindow::OnAnySelect)
DUI_END_MESSAGE_MAP()
}  // namespace

TEST(UINotifyMap, NamedEntryWinsAndOtherClicksFallBackToTheBaseMapsOnClick)
{
    CMappedWindow wnd;
    ASSERT_NE(wnd.Create(nullptr, L"x", 0, 0), nullptr);
    ASSERT_TRUE(PumpUntil([&] { return wnd.Manager().GetRoot()->GetHeight() > 0; }));
    ClickAt(wnd.GetWidget(), CenterOf(wnd.Manager().FindControl(L"ok")));
    ClickAt(wnd.GetWidget(), CenterOf(wnd.Manager().FindControl(L"cancel")));
    ClickAt(wnd.GetWidget(), CenterOf(wnd.Manager().FindControl(L"opt")));
    EXPECT_EQ(wnd.log, (std::vector<std::wstring>{L"OnOk", L"OnClick:cancel", L"OnClick:opt", L"OnAnySelect:opt"}));
}

TEST(UINotifyMap, WindowMakesTheCustomControlsOfItsSkin)
{
    CMappedWindow wnd;
    ASSERT_NE(wnd.Create(nullptr, L"x", 0, 0), nullptr);
    auto* badge = static_cast<CBadgeUI*>(wnd.Manager().FindControl(L"badge")->GetInterface(L"Badge"));
    ASSERT_NE(badge, nullptr);
    EXPECT_EQ(badge->level, 3);
    EXPECT_EQ(badge->GetText(), L"new");
    EXPECT_EQ(badge->inits, 1);
    EXPECT_EQ(wnd.asked, (std::vector<std::wstring>{L"Badge"}));
}

TEST(UINotifyMap, WindowTimerOfTheMessageCoreReachesHandleMessage)
{
    CMappedWindow wnd;
    ASSERT_NE(wnd.Create(nullptr, L"x", 0, 0), nullptr);
    ASSERT_NE(SetTimer(wnd.GetHWND(), 100, 10), 0u);
    EXPECT_TRUE(PumpUntil([&] { return wnd.timers.size() >= 2; }));
    KillTimer(wnd.GetHWND(), 100);
    EXPECT_EQ(wnd.timers.front(), 100);
}
