// Waits of the UI tests: they run the UI thread's work until what the test
// checks has happened, with the test's own time-out as the only limit.
#pragma once
#include "platform/events.h"
#include "platform/messages.h"
#include "ui/UIMessagePump.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QEvent>

#include <functional>

namespace vxmtest {

// Runs Qt events and the UI thread's posted messages until `done` holds.
inline bool PumpUntil(const std::function<bool()>& done)
{
    while (!done()) {
        CEvent tick(true, false);
        WaitWithMessageLoop(tick, 10);
    }
    return true;
}

// Serves what is queued for the UI thread now (Qt events, deferred deletes,
// posted messages, due timers) until nothing is left; it does not wait.
inline void PumpPending()
{
    for (;;) {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance();
        const bool served = dispatcher && dispatcher->processEvents(QEventLoop::AllEvents);
        PumpThreadMessages();
        MSG queued;
        if (!served && !PeekMessage(&queued, nullptr, 0, 0, PM_NOREMOVE)) return;
    }
}

}  // namespace vxmtest
