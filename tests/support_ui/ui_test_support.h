// Helpers of the UI framework tests: a Qt application on a pinned
// 1920x1080 off-screen display, event pumping and synthetic mouse input.
#pragma once
#include "PaintedText.h"
#include "support/pump.h"
#include "ui/UILib.h"
#include <QColor>
#include <QImage>
#include <QPoint>
#include <functional>
#include <string>
#include <vector>

class QWidget;

using vxmtest::PumpPending;
using vxmtest::PumpUntil;
// Press and release of the left button at a point of the widget.
void ClickAt(QWidget* widget, QPoint pt);
void SendMouse(QWidget* widget, int type, QPoint pt, int button);
// Centre of a control in its window.
QPoint CenterOf(CControlUI* control);
// Pixels of `image` inside `rc` whose colour is close to `colour`.
int CountNear(const QImage& image, const RECT& rc, QColor colour, int tolerance = 40);
// A path of the source tree.
std::wstring SourcePath(const std::string& relative);
// Defined by each test program that uses CTestWindow: the folder of its skin files.
std::wstring TestSkinFolder();

// A skinned window that records what reaches it.
class CTestWindow : public WindowImplBase {
public:
    explicit CTestWindow(std::wstring skin) : m_skin(std::move(skin)) {}
    std::wstring GetWindowClassName() const override { return L"VXMTestWindow"; }
    std::wstring GetSkinFile() override { return m_skin; }
    std::wstring GetSkinFolder() override { return TestSkinFolder(); }
    void InitWindow() override { ++initCount; }
    void Notify(TNotifyUI& msg) override
    {
        notifications.push_back(msg.sType + L":" + (msg.pSender ? msg.pSender->GetName() : std::wstring()));
        if (onNotify) onNotify(msg);
        WindowImplBase::Notify(msg);
    }
    void OnClick(TNotifyUI& msg) override
    {
        clicks.push_back(msg.pSender ? msg.pSender->GetName() : std::wstring());
        if (onClick) onClick(msg);
    }
    LRESULT HandleCustomMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) override
    {
        if (onMessage) return onMessage(uMsg, wParam, lParam, bHandled);
        bHandled = FALSE;
        return 0;
    }
    void OnFinalMessage(HWND hwnd) override
    {
        WindowImplBase::OnFinalMessage(hwnd);
        ++finalCount;
    }
    CPaintManagerUI& Manager() { return m_PaintManager; }
    int Count(const std::wstring& entry) const
    {
        int n = 0;
        for (const auto& e : notifications) n += e == entry;
        return n;
    }

    int initCount = 0;
    int finalCount = 0;
    std::vector<std::wstring> notifications;
    std::vector<std::wstring> clicks;
    std::function<void(TNotifyUI&)> onNotify;
    std::function<void(TNotifyUI&)> onClick;
    std::function<LRESULT(UINT, WPARAM, LPARAM, BOOL&)> onMessage;

private:
    std::wstring m_skin;
};

// A skinned window whose skin is the given markup.
class CMarkupWindow : public WindowImplBase {
public:
    explicit CMarkupWindow(std::wstring markup) : m_markup(std::move(markup)) {}
    std::wstring GetWindowClassName() const override { return L"VXMMarkupTestWindow"; }
    std::wstring GetSkinFile() override { return m_markup; }
    void Notify(TNotifyUI& msg) override
    {
        notifications.push_back(msg.sType + L":" + (msg.pSender ? msg.pSender->GetName() : std::wstring()));
        WindowImplBase::Notify(msg);
    }
    CPaintManagerUI& Manager() { return m_PaintManager; }
    template <class T>
    T* Find(const std::wstring& name) { return static_cast<T*>(m_PaintManager.FindControl(name)); }
    int Count(const std::wstring& entry) const
    {
        int n = 0;
        for (const auto& e : notifications) n += e == entry;
        return n;
    }

    std::vector<std::wstring> notifications;

private:
    std::wstring m_markup;
};
