// Reading the catalogue file in the tests.
#pragma once
#include <fstream>
#include <string>
#include <vector>

#include "XmlDocument.h"

namespace cataloguetest {

inline std::string ShippedCataloguePath()
{
    return std::string(VXM_SOURCE_DIR) + "/data/profiles.xml";
}

inline bool HasAttr(const CXmlElement* e, const char* name)
{
    return e->FindVariableElement(name) != nullptr;
}

inline std::string Attr(const CXmlElement* e, const char* name)
{
    const CXmlVariable* v = e->FindVariableElement(name);
    return v ? v->GetValue() : std::string();
}

inline std::string Trim(std::string s)
{
    const char* blanks = " \t\r\n";
    s.erase(0, s.find_first_not_of(blanks));
    s.erase(s.find_last_not_of(blanks) + 1);
    return s;
}

// The element's text: its first piece of character content, trimmed.
inline std::string Text(const CXmlElement* e)
{
    return e && e->GetContentCount() ? Trim(e->GetContent(0)) : std::string();
}

// Comma-separated names, trimmed, empty ones dropped.
inline std::vector<std::string> Split(const std::string& text)
{
    std::vector<std::string> out;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t comma = text.find(',', start);
        if (comma == std::string::npos)
            comma = text.size();
        std::string piece = Trim(text.substr(start, comma - start));
        if (!piece.empty())
            out.push_back(piece);
        start = comma + 1;
    }
    return out;
}

inline bool WriteFile(const std::string& path, const std::string& text)
{
    std::ofstream out(path, std::ios::binary);
    out << text;
    return static_cast<bool>(out);
}

}  // namespace cataloguetest
