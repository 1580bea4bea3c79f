// Element queries: space-separated conditions "operand operator value".
// Operand: an attribute name (missing reads as empty), "?" the element's name,
// "!" its element path, "~N" its content piece N. Operators: == != >= <= < >.
// A value in double quotes is a pattern (== and != only); any other value is
// compared as an integer, and the condition is false unless both sides are numbers.
#include "XmlDocument.h"

#include <cctype>

namespace {

struct Condition {
    std::string operand;
    std::string op;
    std::string value;
    bool quoted = false;
};

bool NextToken(std::string_view q, std::size_t& i, std::string& token, bool& quoted)
{
    while (i < q.size() && (q[i] == ' ' || q[i] == '\t'))
        ++i;
    if (i >= q.size())
        return false;
    quoted = q[i] == '"';
    if (quoted) {
        std::size_t close = q.find('"', i + 1);
        if (close == std::string_view::npos)
            close = q.size();
        token.assign(q.substr(i + 1, close - i - 1));
        i = close < q.size() ? close + 1 : close;
        return true;
    }
    std::size_t start = i;
    while (i < q.size() && q[i] != ' ' && q[i] != '\t')
        ++i;
    token.assign(q.substr(start, i - start));
    return true;
}

// False when the query is incomplete: a condition without all three parts.
bool ParseQuery(std::string_view q, std::vector<Condition>& out)
{
    std::size_t i = 0;
    for (;;) {
        Condition c;
        bool quoted = false;
        if (!NextToken(q, i, c.operand, quoted))
            return true;
        if (!NextToken(q, i, c.op, quoted) || !NextToken(q, i, c.value, c.quoted))
            return false;
        out.push_back(std::move(c));
    }
}

bool IsNumber(std::string_view s)
{
    std::size_t i = 0;
    while (i < s.size() && std::isspace(static_cast<unsigned char>(s[i])))
        ++i;
    if (i < s.size() && (s[i] == '+' || s[i] == '-'))
        ++i;
    return i < s.size() && std::isdigit(static_cast<unsigned char>(s[i]));
}

std::string OperandText(const CXmlElement& e, const std::string& operand)
{
    if (operand == "?")
        return e.GetName();
    if (operand == "!")
        return e.GetElementPath();
    if (operand.size() > 1 && operand[0] == '~') {
        int index = XmlParseInt(std::string_view(operand).substr(1));
        return index < 0 ? std::string() : e.GetContent(static_cast<std::size_t>(index));
    }
    const CXmlVariable* v = e.FindVariableElement(operand);
    return v ? v->GetValue() : std::string();
}

bool Meets(const CXmlElement& e, const Condition& c)
{
    std::string left = OperandText(e, c.operand);
    if (c.quoted) {
        if (c.op == "==")
            return XmlMatchPattern(left, c.value);
        if (c.op == "!=")
            return !XmlMatchPattern(left, c.value);
        return false;
    }
    if (!IsNumber(left) || !IsNumber(c.value))
        return false;
    int a = XmlParseInt(left), b = XmlParseInt(c.value);
    if (c.op == "==") return a == b;
    if (c.op == "!=") return a != b;
    if (c.op == ">=") return a >= b;
    if (c.op == "<=") return a <= b;
    if (c.op == "<") return a < b;
    if (c.op == ">") return a > b;
    return false;
}

}  // namespace

int CXmlElement::Query(std::string_view query, int depth, std::vector<CXmlElement*>* found)
{
    std::vector<Condition> conditions;
    if (!ParseQuery(query, conditions))
        return 0;
    int count = 0;
    // Document order: children before later siblings.
    std::vector<std::pair<CXmlElement*, int>> work;
    for (auto it = m_vecChildren.rbegin(); it != m_vecChildren.rend(); ++it)
        work.emplace_back(it->get(), depth);
    while (!work.empty()) {
        auto [e, left] = work.back();
        work.pop_back();
        bool ok = true;
        for (const auto& c : conditions) {
            if (!Meets(*e, c)) {
                ok = false;
                break;
            }
        }
        if (ok) {
            ++count;
            if (found)
                found->push_back(e);
        }
        if (left != 0) {
            for (std::size_t k = e->GetChildCount(); k-- > 0;)
                if (CXmlElement* c = e->GetChild(k))
                    work.emplace_back(c, left < 0 ? -1 : left - 1);
        }
    }
    return count;
}
