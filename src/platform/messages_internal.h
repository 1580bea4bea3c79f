// Shared between the message queues and the timers; not for other layers.
#pragma once
#include "platform/messages.h"

#include <atomic>
#include <memory>

namespace vxmplatform_detail {

// One running timer. `pending` keeps at most one WM_TIMER of it queued;
// `killed` makes a queued or just-fetched WM_TIMER of it vanish.
struct TimerState {
    std::atomic<bool> pending{false};
    std::atomic<bool> killed{false};
};

// messages.cpp
bool PostTimerMessage(HWND hwnd, UINT_PTR id, const std::shared_ptr<TimerState>& state);
void DropTimerMessages(HWND hwnd, UINT_PTR id);

// timers.cpp
void KillWindowTimers(HWND hwnd);

}  // namespace vxmplatform_detail
