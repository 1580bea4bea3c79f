// Event sources on a control: a list of delegates called in order with the
// event or notification record. A delegate returning false tells the caller
// to stop (for OnEvent: the control's own DoEvent is skipped).
#pragma once
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class CDelegate {
public:
    using Fn = std::function<bool(void*)>;
    // A function or a lambda, told apart by `object` alone.
    CDelegate(const void* object, Fn fn) : m_object(object), m_fn(std::move(fn)) {}
    // A method of `object`, called through the method pointer's bytes kept
    // here: nothing is allocated for it.
    template <class T>
    CDelegate(T* object, bool (T::*method)(void*)) : m_object(object), m_call(&CallMethod<T>)
    {
        static_assert(sizeof(method) <= sizeof(m_method));
        std::memcpy(m_method, &method, sizeof(method));
    }
    bool operator()(void* param) const { return m_call ? m_call(*this, param) : m_fn(param); }
    // Two delegates are equal when they bind the same object and method.
    bool Equals(const CDelegate& other) const
    {
        return m_object == other.m_object && std::memcmp(m_method, other.m_method, sizeof(m_method)) == 0;
    }

private:
    template <class T>
    static bool CallMethod(const CDelegate& d, void* param)
    {
        bool (T::*method)(void*);
        std::memcpy(&method, d.m_method, sizeof(method));
        return (static_cast<T*>(const_cast<void*>(d.m_object))->*method)(param);
    }

    const void* m_object;
    bool (*m_call)(const CDelegate&, void*) = nullptr;
    unsigned char m_method[16] = {};  // none for a function
    Fn m_fn;
};

template <class O, class T>
CDelegate MakeDelegate(O* object, bool (T::*method)(void*))
{
    return CDelegate(static_cast<T*>(object), method);
}

// A free function or a lambda; removable only with the same id.
inline CDelegate MakeDelegate(std::function<bool(void*)> fn, const void* id = nullptr)
{
    return CDelegate(id, std::move(fn));
}

// Most controls have no listener on most of their sources: an empty source
// is one null pointer.
class CEventSource {
public:
    CEventSource() = default;
    CEventSource(const CEventSource&) = delete;
    CEventSource& operator=(const CEventSource&) = delete;
    CEventSource& operator+=(const CDelegate& d)
    {
        if (!m_delegates) m_delegates = std::make_unique<std::vector<CDelegate>>();
        for (const auto& e : *m_delegates)
            if (e.Equals(d)) return *this;
        m_delegates->push_back(d);
        return *this;
    }
    CEventSource& operator-=(const CDelegate& d)
    {
        if (!m_delegates) return *this;
        for (auto it = m_delegates->begin(); it != m_delegates->end(); ++it)
            if (it->Equals(d)) { m_delegates->erase(it); break; }
        return *this;
    }
    explicit operator bool() const { return m_delegates && !m_delegates->empty(); }
    // Calls every delegate in order (on a copy, so a delegate may unsubscribe);
    // false as soon as one returns false.
    bool operator()(void* param) const
    {
        if (!*this) return true;
        auto copy = *m_delegates;
        for (const auto& d : copy)
            if (!d(param)) return false;
        return true;
    }
    void Clear() { m_delegates.reset(); }

private:
    std::unique_ptr<std::vector<CDelegate>> m_delegates;
};
