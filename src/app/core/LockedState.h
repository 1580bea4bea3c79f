// A process-wide record behind its own mutex: With(fn) runs fn on the record
// under the lock and answers what fn answers.
#pragma once
#include <mutex>

template <class T>
class CLockedState {
public:
    template <class Fn>
    auto With(Fn&& fn)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return fn(m_value);
    }

private:
    std::mutex m_mutex;
    T m_value;
};
