// Elements and attributes of the XML model.
#include "XmlDocument.h"

#include <algorithm>
#include <charconv>

namespace {

// Decoded name, without a copy when there is nothing to decode.
bool NameEquals(const std::string& raw, std::string_view name)
{
    if (raw.find('&') == std::string::npos)
        return raw == name;
    return XmlDecodeEntities(raw) == name;
}

int ClampPosition(int position, std::size_t childCount)
{
    if (position < 0 || static_cast<std::size_t>(position) > childCount)
        return static_cast<int>(childCount);
    return position;
}

template <typename T>
const T* At(const std::vector<T>& v, std::size_t index)
{
    return index < v.size() ? &v[index] : nullptr;
}

template <typename T>
bool EraseAt(std::vector<T>& v, std::size_t index)
{
    if (index >= v.size())
        return false;
    v.erase(v.begin() + static_cast<std::ptrdiff_t>(index));
    return true;
}

void AppendIndent(std::string& out, const CXmlElement& e, int depth)
{
    out.append(static_cast<std::size_t>(e.GetIndentCount()) * static_cast<std::size_t>(depth),
               e.UsesSpaces() ? ' ' : '\t');
}

}  // namespace

// ---- CXmlVariable ----

CXmlVariable::CXmlVariable(std::string rawName, std::string rawValue)
    : m_strName(std::string(XmlTrimRight(rawName))), m_strValue(std::move(rawValue))
{
}

std::string CXmlVariable::GetName() const
{
    return XmlDecodeEntities(m_strName);
}

std::string CXmlVariable::GetValue() const
{
    return XmlDecodeEntities(m_strValue);
}

std::string CXmlVariable::GetValue(std::size_t maxBytes) const
{
    return XmlDecodeEntities(m_strValue, maxBytes);
}

void CXmlVariable::SetName(std::string_view name)
{
    m_strName = std::string(XmlTrimRight(XmlEncodeEntities(name)));
}

void CXmlVariable::SetValue(std::string_view value)
{
    m_strValue = XmlEncodeEntities(value);
}

int CXmlVariable::GetInt() const
{
    return XmlParseInt(GetValue());
}

std::int64_t CXmlVariable::GetInt64() const
{
    return XmlParseInt64(GetValue());
}

double CXmlVariable::GetFloat() const
{
    return XmlParseFloat(GetValue());
}

void CXmlVariable::SetInt(int value)
{
    m_strValue = std::to_string(value);
}

void CXmlVariable::SetInt64(std::int64_t value)
{
    m_strValue = std::to_string(value);
}

void CXmlVariable::SetFloat(double value)
{
    // "%f" without depending on the process locale.
    char buf[400];
    auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, 6);
    m_strValue.assign(buf, res.ec == std::errc() ? res.ptr : buf);
}

// ---- CXmlElement ----

CXmlElement::CXmlElement(std::string_view name) : m_strName(XmlEncodeEntities(name)) {}

CXmlElement::~CXmlElement()
{
    // Free the tree without recursion, however deep it is.
    std::vector<std::unique_ptr<CXmlElement>> pending = std::move(m_vecChildren);
    while (!pending.empty()) {
        std::unique_ptr<CXmlElement> e = std::move(pending.back());
        pending.pop_back();
        for (auto& c : e->m_vecChildren)
            pending.push_back(std::move(c));
        e->m_vecChildren.clear();
    }
}

std::unique_ptr<CXmlElement> CXmlElement::FromTag(std::string_view tag)
{
    auto e = std::make_unique<CXmlElement>();
    std::size_t i = 0;
    if (i < tag.size() && tag[i] == '<')
        ++i;
    std::size_t nameStart = i;
    while (i < tag.size() && !XmlIsBlank(tag[i]) && tag[i] != '"' && tag[i] != '/' && tag[i] != '>')
        ++i;
    e->m_strName = XmlEncodeEntities(tag.substr(nameStart, i - nameStart));

    // Attributes: name="value" pairs; anything malformed ends the list. They
    // are gathered first so that the element allocates its list once.
    thread_local std::vector<CXmlVariable> found;
    found.clear();
    while (i < tag.size()) {
        while (i < tag.size() && XmlIsBlank(tag[i]))
            ++i;
        if (i >= tag.size() || tag[i] == '>' || tag[i] == '/')
            break;
        std::size_t eq = tag.find('=', i);
        if (eq == std::string_view::npos)
            break;
        std::size_t q = eq + 1;
        while (q < tag.size() && XmlIsBlank(tag[q]))
            ++q;
        if (q >= tag.size() || tag[q] != '"')
            break;
        std::size_t close = tag.find('"', q + 1);
        if (close == std::string_view::npos)
            break;
        found.emplace_back(std::string(tag.substr(i, eq - i)), std::string(tag.substr(q + 1, close - q - 1)));
        i = close + 1;
    }
    if (!found.empty()) {
        e->m_vecVariables.reserve(found.size());
        for (CXmlVariable& v : found)
            e->m_vecVariables.push_back(std::move(v));
    }
    return e;
}

std::string CXmlElement::GetName() const
{
    return XmlDecodeEntities(m_strName);
}

void CXmlElement::SetName(std::string_view name)
{
    m_strName = XmlEncodeEntities(name);
}

CXmlElement* CXmlElement::GetChild(std::size_t index) const
{
    return index < m_vecChildren.size() ? m_vecChildren[index].get() : nullptr;
}

int CXmlElement::FindChild(std::string_view name) const
{
    for (std::size_t i = 0; i < m_vecChildren.size(); ++i) {
        if (NameEquals(m_vecChildren[i]->m_strName, name))
            return static_cast<int>(i);
    }
    return -1;
}

CXmlElement* CXmlElement::FindChildElement(std::string_view name) const
{
    int i = FindChild(name);
    return i < 0 ? nullptr : m_vecChildren[static_cast<std::size_t>(i)].get();
}

CXmlElement* CXmlElement::AddChild(std::unique_ptr<CXmlElement> child, int position)
{
    if (!child)
        return nullptr;
    child->m_pParent = this;
    CXmlElement* raw = child.get();
    std::size_t at = static_cast<std::size_t>(ClampPosition(position, m_vecChildren.size()));
    m_vecChildren.insert(m_vecChildren.begin() + static_cast<std::ptrdiff_t>(at), std::move(child));
    return raw;
}

CXmlElement* CXmlElement::AddChildFromTag(std::string_view tag, int position)
{
    return AddChild(FromTag(tag), position);
}

std::unique_ptr<CXmlElement> CXmlElement::DetachChild(std::size_t index)
{
    if (index >= m_vecChildren.size())
        return nullptr;
    std::unique_ptr<CXmlElement> child = std::move(m_vecChildren[index]);
    m_vecChildren.erase(m_vecChildren.begin() + static_cast<std::ptrdiff_t>(index));
    CXmlElement* gone = child.get();
    if (m_pExtras)
        std::erase_if(m_pExtras->refs, [gone](const XML_ELEMENT_REF& r) { return r.pElement == gone; });
    child->m_pParent = nullptr;
    return child;
}

bool CXmlElement::RemoveChild(std::size_t index)
{
    if (index >= m_vecChildren.size())
        return false;
    DetachChild(index);
    return true;
}

int CXmlElement::CountElements(int depth) const
{
    // Depth-first walk with an explicit stack: (element, levels still allowed below it).
    int count = 0;
    std::vector<std::pair<const CXmlElement*, int>> work{{this, depth}};
    while (!work.empty()) {
        auto [e, left] = work.back();
        work.pop_back();
        for (const auto& c : e->m_vecChildren) {
            ++count;
            if (left != 0)
                work.emplace_back(c.get(), left < 0 ? -1 : left - 1);
        }
    }
    return count;
}

CXmlVariable* CXmlElement::GetVariable(std::size_t index)
{
    return index < m_vecVariables.size() ? &m_vecVariables[index] : nullptr;
}

const CXmlVariable* CXmlElement::GetVariable(std::size_t index) const
{
    return At(m_vecVariables, index);
}

int CXmlElement::FindVariable(std::string_view name) const
{
    for (std::size_t i = 0; i < m_vecVariables.size(); ++i) {
        if (NameEquals(m_vecVariables[i].GetRawName(), name))
            return static_cast<int>(i);
    }
    return -1;
}

CXmlVariable* CXmlElement::FindVariableElement(std::string_view name)
{
    int i = FindVariable(name);
    return i < 0 ? nullptr : &m_vecVariables[static_cast<std::size_t>(i)];
}

const CXmlVariable* CXmlElement::FindVariableElement(std::string_view name) const
{
    int i = FindVariable(name);
    return i < 0 ? nullptr : &m_vecVariables[static_cast<std::size_t>(i)];
}

CXmlVariable* CXmlElement::AddVariable(std::string_view name, std::string_view value)
{
    return AddRawVariable(XmlEncodeEntities(name), XmlEncodeEntities(value));
}

CXmlVariable* CXmlElement::AddRawVariable(std::string rawName, std::string rawValue)
{
    m_vecVariables.emplace_back(std::move(rawName), std::move(rawValue));
    return &m_vecVariables.back();
}

bool CXmlElement::RemoveVariable(std::size_t index)
{
    return EraseAt(m_vecVariables, index);
}

const std::vector<XML_TEXT_PIECE>& CXmlElement::Comments() const
{
    static const std::vector<XML_TEXT_PIECE> none;
    return m_pExtras ? m_pExtras->comments : none;
}

const std::vector<XML_TEXT_PIECE>& CXmlElement::CData() const
{
    static const std::vector<XML_TEXT_PIECE> none;
    return m_pExtras ? m_pExtras->cdata : none;
}

const std::vector<XML_ELEMENT_REF>& CXmlElement::Refs() const
{
    static const std::vector<XML_ELEMENT_REF> none;
    return m_pExtras ? m_pExtras->refs : none;
}

CXmlElement::Extras& CXmlElement::MakeExtras()
{
    if (!m_pExtras)
        m_pExtras = std::make_unique<Extras>();
    return *m_pExtras;
}

void CXmlElement::AddPiece(std::vector<XML_TEXT_PIECE>& list, std::string text, int position)
{
    list.push_back(XML_TEXT_PIECE{std::move(text), ClampPosition(position, m_vecChildren.size())});
}

std::string CXmlElement::GetContent(std::size_t index, std::size_t maxBytes) const
{
    return index < m_vecContents.size() ? XmlDecodeEntities(m_vecContents[index].strText, maxBytes) : std::string();
}

const XML_TEXT_PIECE* CXmlElement::GetContentPiece(std::size_t index) const
{
    return At(m_vecContents, index);
}

void CXmlElement::AddContent(std::string_view text, int position)
{
    AddPiece(m_vecContents, XmlEncodeEntities(text), position);
}

void CXmlElement::AddRawContent(std::string rawText, int position)
{
    AddPiece(m_vecContents, std::move(rawText), position);
}

const XML_TEXT_PIECE* CXmlElement::GetComment(std::size_t index) const
{
    return At(Comments(), index);
}

void CXmlElement::AddComment(std::string_view text, int position)
{
    AddPiece(MakeExtras().comments, std::string(text), position);
}

const XML_TEXT_PIECE* CXmlElement::GetCData(std::size_t index) const
{
    return At(CData(), index);
}

void CXmlElement::AddCData(std::string_view text, int position)
{
    AddPiece(MakeExtras().cdata, std::string(text), position);
}

const XML_ELEMENT_REF* CXmlElement::GetReference(std::size_t index) const
{
    return At(Refs(), index);
}

void CXmlElement::AddReference(std::uint8_t flag, CXmlElement* element)
{
    MakeExtras().refs.push_back(XML_ELEMENT_REF{flag, element});
}

void CXmlElement::SetFormat(bool useSpaces, int indentCount, bool singleLine)
{
    indentCount = std::clamp(indentCount, 0, XML_MAX_INDENT);
    std::vector<CXmlElement*> work{this};
    while (!work.empty()) {
        CXmlElement* e = work.back();
        work.pop_back();
        e->m_bUseSpaces = useSpaces;
        e->m_nIndent = indentCount;
        e->m_bSingleLine = singleLine;
        for (auto& c : e->m_vecChildren)
            work.push_back(c.get());
    }
}

std::string CXmlElement::GetElementPath() const
{
    std::vector<const CXmlElement*> chain;
    for (const CXmlElement* e = this; e && e->m_pParent; e = e->m_pParent)
        chain.push_back(e);
    std::string path;
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
        if (!path.empty())
            path += '\\';
        path += (*it)->GetName();
    }
    return path;
}

void CXmlElement::SortChildren(const XmlElementCompare& less)
{
    auto byName = [](const CXmlElement& a, const CXmlElement& b) { return a.GetName() < b.GetName(); };
    std::stable_sort(m_vecChildren.begin(), m_vecChildren.end(),
                     [&](const std::unique_ptr<CXmlElement>& a, const std::unique_ptr<CXmlElement>& b) {
                         return less ? less(*a, *b) : byName(*a, *b);
                     });
}

void CXmlElement::SortVariables(const XmlVariableCompare& less)
{
    std::stable_sort(m_vecVariables.begin(), m_vecVariables.end(), [&](const CXmlVariable& a, const CXmlVariable& b) {
        return less ? less(a, b) : a.GetName() < b.GetName();
    });
}

std::unique_ptr<CXmlElement> CXmlElement::Duplicate() const
{
    auto copyOne = [](const CXmlElement& src) {
        auto e = std::make_unique<CXmlElement>();
        e->m_strName = src.m_strName;
        e->m_vecVariables = src.m_vecVariables;
        e->m_vecContents = src.m_vecContents;
        if (src.m_pExtras) {
            e->MakeExtras().comments = src.m_pExtras->comments;
            e->m_pExtras->cdata = src.m_pExtras->cdata;
        }
        e->m_bTemporary = src.m_bTemporary;
        e->m_bUseSpaces = src.m_bUseSpaces;
        e->m_nIndent = src.m_nIndent;
        e->m_bSingleLine = src.m_bSingleLine;
        return e;
    };
    // References point into the source tree and are not carried over.
    std::unique_ptr<CXmlElement> top = copyOne(*this);
    std::vector<std::pair<const CXmlElement*, CXmlElement*>> work{{this, top.get()}};
    while (!work.empty()) {
        auto [src, dst] = work.back();
        work.pop_back();
        for (const auto& c : src->m_vecChildren) {
            CXmlElement* copy = dst->AddChild(copyOne(*c));
            work.emplace_back(c.get(), copy);
        }
    }
    return top;
}

std::size_t CXmlElement::GetMemoryUsage() const
{
    auto pieces = [](const std::vector<XML_TEXT_PIECE>& v) {
        std::size_t n = v.capacity() * sizeof(XML_TEXT_PIECE);
        for (const auto& p : v)
            n += p.strText.capacity();
        return n;
    };
    std::size_t total = 0;
    std::vector<const CXmlElement*> work{this};
    while (!work.empty()) {
        const CXmlElement* e = work.back();
        work.pop_back();
        total += sizeof(CXmlElement) + e->m_strName.capacity();
        total += e->m_vecChildren.capacity() * sizeof(std::unique_ptr<CXmlElement>);
        total += e->m_vecVariables.capacity() * sizeof(CXmlVariable);
        for (const auto& v : e->m_vecVariables)
            total += v.GetRawName().capacity() + v.GetRawValue().capacity();
        total += pieces(e->m_vecContents);
        if (e->m_pExtras) {
            total += sizeof(Extras) + pieces(e->m_pExtras->comments) + pieces(e->m_pExtras->cdata);
            total += e->m_pExtras->refs.capacity() * sizeof(XML_ELEMENT_REF);
        }
        for (const auto& c : e->m_vecChildren)
            work.push_back(c.get());
    }
    return total;
}

bool CXmlElement::IsEqual(const CXmlElement& other) const
{
    auto samePieces = [](const std::vector<XML_TEXT_PIECE>& a, const std::vector<XML_TEXT_PIECE>& b) {
        return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](const XML_TEXT_PIECE& x, const XML_TEXT_PIECE& y) {
            return x.strText == y.strText && x.nPosition == y.nPosition;
        });
    };
    std::vector<std::pair<const CXmlElement*, const CXmlElement*>> work{{this, &other}};
    while (!work.empty()) {
        auto [a, b] = work.back();
        work.pop_back();
        if (a->m_strName != b->m_strName || a->m_vecChildren.size() != b->m_vecChildren.size() ||
            a->m_vecVariables.size() != b->m_vecVariables.size())
            return false;
        for (std::size_t i = 0; i < a->m_vecVariables.size(); ++i) {
            if (a->m_vecVariables[i].GetRawName() != b->m_vecVariables[i].GetRawName() ||
                a->m_vecVariables[i].GetRawValue() != b->m_vecVariables[i].GetRawValue())
                return false;
        }
        if (!samePieces(a->m_vecContents, b->m_vecContents) || !samePieces(a->Comments(), b->Comments()) ||
            !samePieces(a->CData(), b->CData()))
            return false;
        for (std::size_t i = 0; i < a->m_vecChildren.size(); ++i)
            work.emplace_back(a->m_vecChildren[i].get(), b->m_vecChildren[i].get());
    }
    return true;
}

void CXmlElement::Write(std::string& out, int depth) const
{
    // Explicit stack: a frame is an element and the next child position to write.
    struct Frame {
        const CXmlElement* e;
        int depth;
        std::size_t next;  // next child position; SIZE_MAX before the start tag is written
        bool singleLine;
    };
    auto writePiecesAt = [&](const CXmlElement& e, int d, std::size_t pos, bool last, bool singleLine) {
        auto at = [&](const XML_TEXT_PIECE& p) {
            std::size_t ppos = static_cast<std::size_t>(p.nPosition < 0 ? 0 : p.nPosition);
            return last ? ppos >= pos : ppos == pos;
        };
        // Each piece due here on its own indented line, between open and close.
        auto writeLines = [&](const std::vector<XML_TEXT_PIECE>& pieces, const char* open, const char* close) {
            for (const auto& p : pieces) {
                if (!at(p))
                    continue;
                AppendIndent(out, e, d + 1);
                out += open;
                out += p.strText;
                out += close;
            }
        };
        writeLines(e.Comments(), "<!--", "-->\r\n");
        if (singleLine) {
            for (const auto& p : e.m_vecContents)
                if (at(p))
                    out += p.strText;
        } else {
            writeLines(e.m_vecContents, "", "\r\n");
        }
        writeLines(e.CData(), "<![CDATA[", "]]>\r\n");
    };

    std::vector<Frame> stack{{this, depth, SIZE_MAX, false}};
    while (!stack.empty()) {
        Frame& f = stack.back();
        const CXmlElement& e = *f.e;
        if (f.next == SIZE_MAX) {
            AppendIndent(out, e, f.depth);
            out += '<';
            out += e.GetName();
            for (const auto& v : e.m_vecVariables) {
                out += ' ';
                out += v.GetRawName();
                out += "=\"";
                out += v.GetRawValue();
                out += '"';
            }
            if (e.m_vecChildren.empty() && e.m_vecContents.empty() && e.Comments().empty() &&
                e.CData().empty()) {
                out += "/>\r\n";
                stack.pop_back();
                continue;
            }
            f.singleLine = e.m_bSingleLine && e.m_vecContents.size() == 1 && e.m_vecChildren.empty() &&
                           e.Comments().empty() && e.CData().empty();
            out += '>';
            if (!f.singleLine)
                out += "\r\n";
            f.next = 0;
        }
        if (f.next < e.m_vecChildren.size()) {
            std::size_t pos = f.next++;
            writePiecesAt(e, f.depth, pos, false, f.singleLine);
            // f is not used after this: the push may move the frames.
            stack.push_back(Frame{e.m_vecChildren[pos].get(), f.depth + 1, SIZE_MAX, false});
            continue;
        }
        writePiecesAt(e, f.depth, e.m_vecChildren.size(), true, f.singleLine);
        if (!f.singleLine)
            AppendIndent(out, e, f.depth);
        out += "</";
        out += e.GetName();
        out += ">\r\n";
        stack.pop_back();
    }
}
