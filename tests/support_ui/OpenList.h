// A combo's open list as a person drives it: `drive` runs once the real list
// shows; Escape closes it then unless `drive` chose. False when none dropped.
#pragma once
#include "ui/UICombo.h"

#include <QApplication>
#include <QKeyEvent>
#include <QListWidget>
#include <QScreen>
#include <QTimer>

#include <functional>

namespace vxmtest {

inline void Key(QWidget& widget, int key)
{
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(&widget, &press);
}

inline bool WithOpenList(CComboUI& combo, const std::function<void(QListWidget&)>& drive)
{
    bool shown = false;
    QTimer look;
    look.callOnTimeout([&] {
        auto* list = qobject_cast<QListWidget*>(QApplication::activePopupWidget());
        if (!list || !list->isVisible()) return;
        look.stop();
        shown = true;
        drive(*list);
        if (list->isVisible()) Key(*list, Qt::Key_Escape);
    });
    look.start(20);
    combo.Activate();
    return shown;
}

// The screen's `area` once the list has drawn what it was told.
inline void SaveScreen(QListWidget& list, const QRect& area, const char* name)
{
    list.repaint();
    QCoreApplication::processEvents();
    QGuiApplication::primaryScreen()->grabWindow(0, area.x(), area.y(), area.width(), area.height())
        .save(QStringLiteral(VXM_SCREENSHOT_DIR "/%1.png").arg(QLatin1String(name)));
}

}  // namespace vxmtest
