// Single-pass parser of the XML model. An explicit stack of open elements
// replaces recursion, so deep nesting costs heap, not stack; closing tags
// close the innermost open element whatever name they carry.
#include "XmlParser.h"

#include <cstring>

namespace {

bool At(std::string_view text, std::size_t pos, std::string_view what)
{
    return text.size() - pos >= what.size() && text.compare(pos, what.size(), what) == 0;
}

// The "/" before ">" makes an empty-element tag unless it stands inside quotes.
bool IsEmptyElementTag(std::string_view tag)
{
    if (tag.size() < 2 || tag[tag.size() - 2] != '/')
        return false;
    std::size_t quotes = 0;
    for (std::size_t i = 0; i + 2 < tag.size(); ++i)
        quotes += tag[i] == '"';
    return quotes % 2 == 0;
}

}  // namespace

CXmlParser::Result CXmlParser::Parse(std::string_view text, std::size_t start, CXmlHeader& header,
                                     std::size_t maxElements)
{
    Result r;
    std::unique_ptr<CXmlElement> extra;   // a further top-level element, parsed and dropped
    std::vector<CXmlElement*> open;       // open elements, innermost last
    bool metElement = false;
    std::size_t elements = 0;

    auto addTopLevel = [&](std::unique_ptr<CXmlElement> e) -> CXmlElement* {
        metElement = true;
        if (!r.root) {
            r.root = std::move(e);
            return r.root.get();
        }
        extra = std::move(e);
        return extra.get();
    };

    std::size_t pos = start;
    for (;;) {
        std::size_t lt = text.find('<', pos);
        if (!open.empty()) {
            std::string_view piece = XmlTrim(text.substr(pos, (lt == std::string_view::npos ? text.size() : lt) - pos));
            if (!piece.empty()) {
                CXmlElement* cur = open.back();
                cur->AddRawContent(std::string(piece), static_cast<int>(cur->GetChildCount()));
            }
        }
        if (lt == std::string_view::npos)
            break;

        CXmlElement* cur = open.empty() ? nullptr : open.back();
        int position = cur ? static_cast<int>(cur->GetChildCount()) : 0;

        if (At(text, lt, "<![CDATA[")) {
            std::size_t end = text.find("]]>", lt + 9);
            if (end == std::string_view::npos)
                break;
            if (cur)
                cur->AddCData(text.substr(lt + 9, end - lt - 9), position);
            pos = end + 3;
            continue;
        }
        if (At(text, lt, "<!--")) {
            std::size_t end = text.find("-->", lt + 4);
            if (end == std::string_view::npos)
                break;
            std::string body(text.substr(lt + 4, end - lt - 4));
            if (cur)
                cur->AddComment(body, position);
            else
                header.AddComment(std::move(body), metElement ? 1 : 0);
            pos = end + 3;
            continue;
        }

        std::size_t gt = text.find('>', lt + 1);
        if (gt == std::string_view::npos)
            break;
        std::string_view tag = text.substr(lt, gt - lt + 1);
        pos = gt + 1;

        if (tag.size() > 1 && (tag[1] == '?' || tag[1] == '!')) {
            // A declaration or processing instruction is kept as a comment:
            // the markup less its first four and its last two characters.
            std::string_view markup = tag.substr(0, tag.size() - 1);
            std::string body = markup.size() > 6 ? std::string(markup.substr(4, markup.size() - 6)) : std::string();
            if (cur)
                cur->AddComment(body, position);
            else
                header.AddComment(std::move(body), metElement ? 1 : 0);
            continue;
        }
        if (tag.size() > 1 && tag[1] == '/') {
            if (!open.empty())
                open.pop_back();
            if (open.empty())
                extra.reset();
            continue;
        }

        if (++elements > maxElements) {
            r.status = XML_PARSE_TOO_LARGE;
            r.root.reset();
            return r;
        }
        std::unique_ptr<CXmlElement> e = CXmlElement::FromTag(tag);
        bool empty = IsEmptyElementTag(tag);
        if (!empty && open.size() >= static_cast<std::size_t>(XML_MAX_DEPTH)) {
            r.status = XML_PARSE_TOO_DEEP;
            r.root.reset();
            return r;
        }
        CXmlElement* added = cur ? cur->AddChild(std::move(e)) : addTopLevel(std::move(e));
        if (!empty)
            open.push_back(added);
        else if (!cur)
            extra.reset();
    }

    if (!open.empty()) {
        // The outermost open element never found its end: it goes, with all inside it.
        r.status = XML_PARSE_UNTERMINATED;
        if (open.front() == r.root.get())
            r.root.reset();
    }
    return r;
}
