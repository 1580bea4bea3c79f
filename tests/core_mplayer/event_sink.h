// Collects the player events posted to a message window of the test thread.
#pragma once
#include "MPlayerEvents.h"
#include "platform/messages.h"

#include <chrono>
#include <cmath>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

namespace mplayertest {

struct SEvent {
    WPARAM code = 0;
    LPARAM value = 0;  // lParam of the codes without a record
    double d = 0.0;
    float f = 0.0f;
    int32_t n = 0;
    std::wstring text;

    bool operator==(const SEvent& o) const
    {
        return code == o.code && value == o.value && d == o.d && n == o.n && text == o.text &&
               std::fabs(f - o.f) <= 1e-6f * std::fmax(1.0f, std::fabs(o.f));
    }
};

inline std::ostream& operator<<(std::ostream& os, const SEvent& e)
{
    os << "{code " << e.code << ", value " << e.value << ", d " << e.d << ", f " << e.f << ", n " << e.n
       << ", text \"";
    for (wchar_t c : e.text) os << (c < 128 ? static_cast<char>(c) : '?');
    return os << "\"}";
}

inline SEvent Ev(WPARAM code, LPARAM value = 0)
{
    SEvent e;
    e.code = code;
    e.value = value;
    return e;
}
inline SEvent EvD(WPARAM code, double d) { SEvent e = Ev(code); e.d = d; return e; }
inline SEvent EvF(WPARAM code, float f) { SEvent e = Ev(code); e.f = f; return e; }
inline SEvent EvN(WPARAM code, int32_t n) { SEvent e = Ev(code); e.n = n; return e; }
inline SEvent EvT(WPARAM code, std::wstring text) { SEvent e = Ev(code); e.text = std::move(text); return e; }

class CEventSink {
public:
    CEventSink()
        : m_window([this](HWND, UINT msg, WPARAM wParam, LPARAM lParam) -> LRESULT {
              if (msg == WM_VXM_MPLAYER_EVENT) Receive(wParam, lParam);
              return 0;
          })
    {
    }

    HWND Hwnd() const { return m_window.Get(); }

    // Everything posted so far, dispatched now.
    std::vector<SEvent> Drain()
    {
        PumpThreadMessages();
        std::vector<SEvent> out;
        out.swap(m_events);
        return out;
    }

    // Dispatches until `done` holds for the events received so far.
    bool WaitUntil(const std::function<bool(const std::vector<SEvent>&)>& done)
    {
        while (!done(m_events)) {
            MSG msg;
            if (GetMessageTimeout(&msg, 50)) DispatchMessage(&msg);
        }
        return true;
    }

    const std::vector<SEvent>& Events() const { return m_events; }

private:
    void Receive(WPARAM code, LPARAM lParam)
    {
        SEvent e = Ev(code);
        if (auto payload = TakeMplayerEventPayload(code, lParam)) {
            e.d = payload->dValue;
            e.f = payload->fValue;
            e.n = payload->nValue;
            e.text = payload->text;
        } else {
            e.value = lParam;
        }
        m_events.push_back(std::move(e));
    }

    std::vector<SEvent> m_events;
    CMessageWindow m_window;
};

inline size_t Count(const std::vector<SEvent>& events, WPARAM code)
{
    size_t n = 0;
    for (const SEvent& e : events) n += e.code == code;
    return n;
}

// The last event of the code; null when none came.
inline const SEvent* Last(const std::vector<SEvent>& events, WPARAM code)
{
    for (auto it = events.rbegin(); it != events.rend(); ++it)
        if (it->code == code) return &*it;
    return nullptr;
}

}  // namespace mplayertest
