// A parsed skin XML document: elements with their attributes in order and
// their child elements. Built once and reused for every control tree made
// from it.
#pragma once
#include <memory>
#include <string>
#include <utility>
#include <vector>

struct CMarkupElement {
    std::wstring name;
    std::vector<std::pair<std::wstring, std::wstring>> attributes;
    std::vector<std::unique_ptr<CMarkupElement>> children;
    int line = 0;

    bool HasAttribute(const std::wstring& attr) const;
    std::wstring GetAttribute(const std::wstring& attr, const std::wstring& fallback = std::wstring()) const;
};

class CMarkup {
public:
    // Parses XML text; false (and an error text) when it is not well formed
    // or nests elements deeper than 256 levels (building and freeing such a
    // tree would exhaust the stack).
    bool Load(const std::wstring& xml);
    bool LoadFromFile(const std::wstring& path);
    void Release() { m_root.reset(); m_error.clear(); }
    bool IsValid() const { return m_root != nullptr; }
    const CMarkupElement* GetRoot() const { return m_root.get(); }
    const std::wstring& GetLastErrorMessage() const { return m_error; }

private:
    std::unique_ptr<CMarkupElement> m_root;
    std::wstring m_error;
};
