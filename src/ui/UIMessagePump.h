// Joins the platform message core to the Qt event loop of the UI thread:
// a message posted or sent to a window of ours from any thread wakes the Qt
// loop, which then dispatches it on the UI thread.
#pragma once
#include "platform/events.h"
#include "platform/types.h"
#include <functional>

class CMessageThread;

// Creates the Qt application object when there is none yet and hooks the
// calling (UI) thread's message queue into the Qt loop.
void EnsureUIApplication();
// Removes the hook and deletes the Qt application object made by
// EnsureUIApplication (call before leaving main; no window may be left).
void ShutdownUIApplication();
// Hooks the calling thread's queue into the Qt loop (idempotent).
void InstallUIMessageHook();
// Removes the hook (before the Qt application goes away).
void RemoveUIMessageHook();

// Runs the loop until a WM_QUIT is taken from the UI thread's queue; returns
// its exit code when known, else 0. A quit ends every nested loop too.
int RunUIMessageLoop();
// True once a quit message ended the loops.
bool IsUIQuitRequested();
// Clears the quit state (for a new loop in the same process).
void ResetUIQuit();

// A nested loop (modal windows): runs until `done` returns true after a
// dispatch, or until a quit message arrives.
void RunNestedUILoop(const std::function<bool()>& done);
// Wakes nested loops so they re-check their `done` condition.
void WakeNestedUILoops();

// Waits for an event (or a thread) while dispatching the UI thread's
// messages, so that a worker blocked in SendMessage to the UI thread can
// finish. WAIT_OBJECT_0 or WAIT_TIMEOUT.
DWORD WaitWithMessageLoop(CEvent& event, DWORD timeoutMs = INFINITE);
bool JoinWithMessageLoop(CMessageThread& thread, DWORD timeoutMs = INFINITE);
// Runs `work` on a new thread and waits for it while dispatching messages;
// what escapes `work` is thrown again here, on the caller's thread.
void RunWorkerWithMessageLoop(const std::function<void()>& work);
