// Helpers of the custom-control and language tests: a Qt application on a
// pinned off-screen display, event pumping, a window built from inline
// markup, and small pixel checks.
#pragma once
#include "ui/UILib.h"
#include "ui/UICustomControls.h"
#include "ui/UILanguage.h"
#include <QColor>
#include <QImage>
#include <functional>
#include <string>
#include <vector>

bool PumpUntil(const std::function<bool()>& done, int timeoutMs = 3000);
void PumpFor(int ms);
// Pixels of `image` inside `rc` whose colour is close to `colour`.
int CountNear(const QImage& image, const RECT& rc, QColor colour, int tolerance = 40);
// A folder of the source tree.
std::wstring SourcePath(const std::string& relative);

// A skinned window whose skin is the given markup.
class CMarkupWindow : public WindowImplBase {
public:
    explicit CMarkupWindow(std::wstring markup) : m_markup(std::move(markup)) {}
    std::wstring GetWindowClassName() const override { return L"VXMCustomTestWindow"; }
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
