// Window handles with posted and sent numbered messages, and per-thread
// message queues. A message posted from any thread reaches the thread that
// owns the target handle; that thread reads its queue with GetMessage or
// PeekMessage (or a hosted event loop, see SetThreadWakeHook) and dispatches.
#pragma once
#include "VXMTypes.h"
#include <functional>
#include <memory>
#include <string>

constexpr UINT WM_NULL = 0x0000;
constexpr UINT WM_CREATE = 0x0001;
constexpr UINT WM_DESTROY = 0x0002;
constexpr UINT WM_SIZE = 0x0005;
constexpr UINT WM_CLOSE = 0x0010;
constexpr UINT WM_QUIT = 0x0012;
constexpr UINT WM_TIMER = 0x0113;
constexpr UINT WM_USER = 0x0400;

struct MSG {
    HWND hwnd = nullptr;
    UINT message = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
    DWORD time = 0;
};

// Handler of a message target; runs on the owner's thread.
using MessageHandler = std::function<LRESULT(HWND, UINT, WPARAM, LPARAM)>;

// Frees a payload carried in lParam when its message can no longer be delivered
// (the target was destroyed while the message was queued).
using PayloadDeleter = void (*)(void*);

// Creates a target owned by the calling thread. Never returns null.
HWND CreateMessageWindow(MessageHandler handler);
// Destroys a target: later posts fail, queued messages for it are dropped
// (their payloads freed by their deleters). Only the owner thread may call it.
BOOL DestroyMessageWindow(HWND hwnd);
BOOL IsWindow(HWND hwnd);
// Thread that owns the target, 0 for a dead handle.
DWORD GetWindowThreadId(HWND hwnd);

// Never blocks. FALSE for a null or destroyed target: the caller keeps its payload.
BOOL PostMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
// As PostMessage, but the payload in lParam is freed with `deleter` if it is
// never delivered. After a successful post the receiver owns it.
BOOL PostMessageOwned(HWND hwnd, UINT msg, WPARAM wParam, void* payload, PayloadDeleter deleter);

// As PostMessageOwned, with the payload in wParam and a plain lParam.
BOOL PostMessageOwnedW(HWND hwnd, UINT msg, void* payload, LPARAM lParam, PayloadDeleter deleter);
// Posts a copy of `text` (a wchar_t[] the receiver frees with delete[]) in lParam.
BOOL PostMessageText(HWND hwnd, UINT msg, WPARAM wParam, const std::wstring& text);

// Posts a typed heap payload; the pointer is released only when the post succeeds.
template <class T>
BOOL PostMessagePayload(HWND hwnd, UINT msg, WPARAM wParam, std::unique_ptr<T>& payload)
{
    if (!payload) return PostMessage(hwnd, msg, wParam, 0);
    BOOL ok = PostMessageOwned(hwnd, msg, wParam, payload.get(), [](void* p) { delete static_cast<T*>(p); });
    if (ok) payload.release();
    return ok;
}

// Runs the handler on the owner's thread and returns its result. From the
// owner thread it calls directly; from another thread it waits, and the owner
// serves it from GetMessage/PeekMessage or its hosted loop. 0 for a dead handle.
LRESULT SendMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

// Thread queues. Every thread has one from its first use of this API; threads
// created with CMessageThread (thread.h) have it before their body runs.
DWORD GetCurrentThreadId();
BOOL PostThreadMessage(DWORD threadId, UINT msg, WPARAM wParam, LPARAM lParam);
// Waits for the next message of the calling thread. Returns 0 on WM_QUIT, 1 otherwise.
// Filters: hwnd null = any; min == max == 0 = any number.
int GetMessage(MSG* msg, HWND hwnd, UINT msgMin, UINT msgMax);
// Waits at most `timeoutMs`; FALSE when nothing came.
BOOL GetMessageTimeout(MSG* msg, DWORD timeoutMs);
constexpr UINT PM_NOREMOVE = 0;
constexpr UINT PM_REMOVE = 1;
BOOL PeekMessage(MSG* msg, HWND hwnd, UINT msgMin, UINT msgMax, UINT removeFlag);
// Calls the target's handler (nothing for thread messages or dead targets).
LRESULT DispatchMessage(const MSG* msg);
void PostQuitMessage(int exitCode);

// A hosted event loop (the UI's) registers a hook that is called, on any
// thread, whenever a message or a send request is queued for `threadId`; the
// loop then calls PumpWokenThreadMessages on its own thread. The hook runs with
// no lock of ours held and is called once until that pump; it must only
// schedule the pump (it may run on another thread). A null hook removes it.
using ThreadWakeHook = std::function<void()>;
void SetThreadWakeHook(DWORD threadId, ThreadWakeHook hook);
// Dispatches everything queued for the calling thread (and serves waiting
// sends) without blocking. Returns FALSE if a WM_QUIT was met (it is consumed).
// With a budget it stops once that many milliseconds were spent and calls
// the wake hook again for the rest, so a hosted loop gets its turn between
// batches of a flood of messages.
BOOL PumpThreadMessages(DWORD budgetMs = 0xFFFFFFFF);  // INFINITE: no budget
// The pump the wake hook scheduled: as PumpThreadMessages, and the hook may be
// called again from then on. Any other pump leaves an outstanding wake-up be.
BOOL PumpWokenThreadMessages(DWORD budgetMs = 0xFFFFFFFF);

// Timers: WM_TIMER with wParam = id on the owner's thread, every `periodMs`.
// Setting an existing id restarts it. A killed timer never fires again (a tick
// already queued is dropped). Periods below 10 ms are raised to 10 ms; a busy
// owner finds at most one tick of a timer queued. Returns 0 for a dead target.
UINT_PTR SetTimer(HWND hwnd, UINT_PTR id, UINT periodMs);
BOOL KillTimer(HWND hwnd, UINT_PTR id);

// RAII owner of a message target.
class CMessageWindow {
public:
    explicit CMessageWindow(MessageHandler handler) : m_hwnd(CreateMessageWindow(std::move(handler))) {}
    ~CMessageWindow() { DestroyMessageWindow(m_hwnd); }
    CMessageWindow(const CMessageWindow&) = delete;
    CMessageWindow& operator=(const CMessageWindow&) = delete;
    HWND Get() const { return m_hwnd; }
private:
    HWND m_hwnd;
};
