#include "ui/UINativeSurface.h"
#include "ui/UIWindow.h"

#include <QEvent>
#include <QGuiApplication>
#include <QPainter>
#include <QStyleHints>
#include <QWidget>

namespace {

// Paints the surface black the first time and after each change of its
// size (rows the other program leaves undrawn show nothing old), and
// nothing else, so Qt never paints over what the other program drew.
class CFirstPaintBlack : public QObject {
public:
    explicit CFirstPaintBlack(QWidget* widget) : QObject(widget) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Resize) {
            m_first = true;
            static_cast<QWidget*>(watched)->update();
            return false;
        }
        if (event->type() != QEvent::Paint) return false;
        if (m_first) {
            m_first = false;
            auto* widget = static_cast<QWidget*>(watched);
            QPainter painter(widget);
            painter.fillRect(widget->rect(), Qt::black);
        }
        return true;
    }

private:
    bool m_first = true;
};

}  // namespace

unsigned long MakeNativeSurface(CWindowWnd& window)
{
    QWidget* widget = window.GetWidget();
    if (!widget) return 0;
    widget->setAttribute(Qt::WA_OpaquePaintEvent);
    widget->setAttribute(Qt::WA_DontCreateNativeAncestors);
    widget->setAttribute(Qt::WA_NativeWindow);
    widget->installEventFilter(new CFirstPaintBlack(widget));
    if (QGuiApplication::platformName() != QLatin1String("xcb")) return 0;
    return static_cast<unsigned long>(widget->winId());
}

unsigned GetDoubleClickTime()
{
    return static_cast<unsigned>(QGuiApplication::styleHints()->mouseDoubleClickInterval());
}

void MoveChildWindow(CWindowWnd& window, int left, int top, int right, int bottom)
{
    if (QWidget* widget = window.GetWidget())
        widget->setGeometry(left, top, right > left ? right - left : 0, bottom > top ? bottom - top : 0);
}
