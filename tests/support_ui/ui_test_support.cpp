#include "ui_test_support.h"
#include "ui/UILanguage.h"
#include "platform/text.h"
#include "support/test_media.h"
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QMouseEvent>
#include <QWidget>
#include <gtest/gtest.h>
#include <algorithm>
#include <cstdlib>
#include <unistd.h>
#include <string>
#include <thread>

namespace {
// Pins the off-screen display to one 1920x1080 screen before Qt starts.
class CUITestEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        const char* platform = std::getenv("QT_QPA_PLATFORM");
        if (!platform || std::string(platform) == "offscreen") {
            // One file per process: test programs run in parallel.
            std::string path = std::string(VXM_BINARY_DIR) + "/tests/ui_screen_" + std::to_string(getpid()) + ".json";
            m_config = path;
            QFile f(QString::fromStdString(path));
            if (f.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
                f.write(R"({"synchronousWindowSystemEvents": false, "windowFrameMargins": false,
 "screens": [{"name": "pinned", "x": 0, "y": 0, "width": 1920, "height": 1080,
 "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}]})");
                f.close();
                setenv("QT_QPA_PLATFORM", ("offscreen:configfile=" + path).c_str(), 1);
            }
        }
        EnsureUIApplication();
        if (!m_config.empty()) QFile::remove(QString::fromStdString(m_config));
    }
    void TearDown() override
    {
        CLanguageManager::Release();
        ShutdownUIApplication();
    }

private:
    std::string m_config;
};
::testing::Environment* const g_env = ::testing::AddGlobalTestEnvironment(new CUITestEnvironment);
}  // namespace

void SendMouse(QWidget* widget, int type, QPoint pt, int button)
{
    auto b = static_cast<Qt::MouseButton>(button);
    Qt::MouseButtons buttons = type == QEvent::MouseButtonRelease || type == QEvent::MouseMove ? Qt::NoButton : Qt::MouseButtons(b);
    QMouseEvent e(static_cast<QEvent::Type>(type), QPointF(pt), QPointF(widget->mapToGlobal(pt)),
                  type == QEvent::MouseMove ? Qt::NoButton : b, buttons, Qt::NoModifier);
    QApplication::sendEvent(widget, &e);
}

void ClickAt(QWidget* widget, QPoint pt)
{
    SendMouse(widget, QEvent::MouseMove, pt, Qt::NoButton);
    SendMouse(widget, QEvent::MouseButtonPress, pt, Qt::LeftButton);
    SendMouse(widget, QEvent::MouseButtonRelease, pt, Qt::LeftButton);
}

QPoint CenterOf(CControlUI* control)
{
    const RECT& rc = control->GetPos();
    return QPoint((rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2);
}

int CountNear(const QImage& image, const RECT& rc, QColor colour, int tolerance)
{
    int n = 0;
    for (int y = std::max(0, static_cast<int>(rc.top)); y < std::min(image.height(), static_cast<int>(rc.bottom)); ++y)
        for (int x = std::max(0, static_cast<int>(rc.left)); x < std::min(image.width(), static_cast<int>(rc.right)); ++x) {
            QColor c = QColor::fromRgba(image.pixel(x, y));
            if (c.alpha() < 128) continue;
            if (std::abs(c.red() - colour.red()) <= tolerance && std::abs(c.green() - colour.green()) <= tolerance &&
                std::abs(c.blue() - colour.blue()) <= tolerance)
                ++n;
        }
    return n;
}

std::wstring SourcePath(const std::string& relative)
{
    return Utf8ToWide(std::string(VXM_SOURCE_DIR) + "/" + relative);
}
