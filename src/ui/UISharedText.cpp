#include "ui/UISharedText.h"

#include <atomic>
#include <mutex>
#include <string_view>
#include <unordered_map>

struct CSharedText::Rep {
    explicit Rep(const std::wstring& t) : text(t) {}
    std::atomic<long> refs{1};
    const std::wstring text;
};

namespace {

struct Table {
    std::mutex mutex;
    std::unordered_map<std::wstring_view, void*> reps;
};

// Never destroyed: holders may outlive static destruction order.
Table& TheTable()
{
    static Table* table = new Table;
    return *table;
}

const std::wstring& EmptyText()
{
    static const std::wstring* empty = new std::wstring;
    return *empty;
}

}  // namespace

CSharedText::Rep* CSharedText::Intern(const std::wstring& text)
{
    if (text.empty()) return nullptr;
    Table& table = TheTable();
    std::lock_guard<std::mutex> lock(table.mutex);
    auto it = table.reps.find(std::wstring_view(text));
    if (it != table.reps.end()) {
        Rep* rep = static_cast<Rep*>(it->second);
        rep->refs.fetch_add(1, std::memory_order_relaxed);
        return rep;
    }
    Rep* rep = new Rep(text);
    table.reps.emplace(std::wstring_view(rep->text), rep);
    return rep;
}

void CSharedText::Release(Rep* rep)
{
    if (!rep) return;
    // Not the last holder: no lock. The last one leaves under the table's lock,
    // where a lookup cannot find the text meanwhile.
    long refs = rep->refs.load(std::memory_order_relaxed);
    while (refs > 1) {
        if (rep->refs.compare_exchange_weak(refs, refs - 1, std::memory_order_acq_rel)) return;
    }
    Table& table = TheTable();
    std::lock_guard<std::mutex> lock(table.mutex);
    if (rep->refs.fetch_sub(1, std::memory_order_acq_rel) != 1) return;
    table.reps.erase(std::wstring_view(rep->text));
    delete rep;
}

CSharedText::CSharedText(const CSharedText& other) : m_rep(other.m_rep)
{
    if (m_rep) m_rep->refs.fetch_add(1, std::memory_order_relaxed);
}

CSharedText& CSharedText::operator=(const CSharedText& other)
{
    if (m_rep == other.m_rep) return *this;
    CSharedText copy(other);
    return *this = std::move(copy);
}

CSharedText& CSharedText::operator=(CSharedText&& other) noexcept
{
    if (this != &other) {
        Release(m_rep);
        m_rep = other.m_rep;
        other.m_rep = nullptr;
    }
    return *this;
}

const std::wstring& CSharedText::Get() const { return m_rep ? m_rep->text : EmptyText(); }

size_t CSharedText::DistinctCount()
{
    Table& table = TheTable();
    std::lock_guard<std::mutex> lock(table.mutex);
    return table.reps.size();
}
