// What a person sees on the X display and does there: waits that serve the
// UI thread, the screen's pixels, and xdotool for the mouse and the keys.
#pragma once
#include "support/pump.h"
#include "support/test_media.h"
#include "ui/UIMessagePump.h"

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QImage>
#include <QObject>
#include <QEvent>
#include <QPixmap>
#include <QScreen>
#include <QWidget>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace vxmtest {

// Serves the UI thread until `done` holds; ctest's time-out is the only limit.
inline void WaitFor(const std::string& what, const std::function<bool()>& done)
{
    std::fprintf(stderr, "  waiting: %s\n", what.c_str());
    PumpUntil(done);
}

// What the screen shows where the widget is, compared with the widget's own picture.
inline bool ShownOnScreen(QWidget* widget)
{
    const QImage own = widget->grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QPoint at = widget->mapToGlobal(QPoint(0, 0));
    const QImage screen = QGuiApplication::primaryScreen()
                              ->grabWindow(0, at.x(), at.y(), widget->width(), widget->height())
                              .toImage()
                              .convertToFormat(QImage::Format_RGB32);
    if (screen.size() != own.size()) return false;
    int same = 0, all = 0;
    for (int y = 2; y < own.height(); y += 6)
        for (int x = 2; x < own.width(); x += 6, ++all) same += own.pixel(x, y) == screen.pixel(x, y);
    return all > 0 && same * 100 >= all * 98;
}

inline QRgb ScreenPixel(const QPoint& at)
{
    return QGuiApplication::primaryScreen()->grabWindow(0, at.x(), at.y(), 1, 1).toImage().pixel(0, 0);
}

// Counts the presses that reach a window, wherever they go on from there.
class CPressCounter : public QObject {
public:
    bool eventFilter(QObject*, QEvent* e) override
    {
        if (e->type() == QEvent::MouseButtonPress) ++presses;
        return false;
    }
    int presses = 0;
};

inline void Xdotool(const std::vector<std::string>& args)
{
    std::vector<std::string> argv{"xdotool"};
    argv.insert(argv.end(), args.begin(), args.end());
    ASSERT_EQ(vxmtest::RunProgram(argv), 0) << "Debian's xdotool is not installed";
}

}  // namespace vxmtest
