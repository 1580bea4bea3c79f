// Text that many controls hold alike (the names, pictures and tooltips of a
// skin's rows): one counted, unchanging copy per distinct text, shared by all
// holders. Holders on any thread may be copied and destroyed.
#pragma once
#include <string>

class CSharedText {
public:
    CSharedText() = default;
    CSharedText(const std::wstring& text) : m_rep(Intern(text)) {}
    CSharedText(const CSharedText& other);
    CSharedText(CSharedText&& other) noexcept : m_rep(other.m_rep) { other.m_rep = nullptr; }
    CSharedText& operator=(const CSharedText& other);
    CSharedText& operator=(CSharedText&& other) noexcept;
    CSharedText& operator=(const std::wstring& text) { return *this = CSharedText(text); }
    ~CSharedText() { Release(m_rep); }

    const std::wstring& Get() const;
    operator const std::wstring&() const { return Get(); }
    bool empty() const { return m_rep == nullptr; }
    const wchar_t* c_str() const { return Get().c_str(); }
    // Equal texts share one copy.
    bool operator==(const CSharedText& other) const { return m_rep == other.m_rep; }

    // Distinct texts held now (for tests).
    static size_t DistinctCount();

private:
    struct Rep;
    static Rep* Intern(const std::wstring& text);
    static void Release(Rep* rep);

    Rep* m_rep = nullptr;
};
