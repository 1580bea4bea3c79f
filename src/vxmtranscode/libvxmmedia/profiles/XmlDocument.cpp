// Loading and saving XML documents.
#include "XmlDocument.h"

#include "XmlParser.h"

#include <cstdio>
#include <fstream>
#include <system_error>

namespace {

std::filesystem::path PathFromUtf8(std::string_view utf8)
{
    return std::filesystem::path(std::u8string(reinterpret_cast<const char8_t*>(utf8.data()), utf8.size()));
}

enum class ReadResult { Ok, Missing, TooLarge };

ReadResult ReadWholeFile(const std::filesystem::path& path, std::string& bytes)
{
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec))
        return ReadResult::Missing;
    std::uintmax_t size = std::filesystem::file_size(path, ec);
    if (ec)
        return ReadResult::Missing;
    if (size > XML_MAX_FILE_SIZE)
        return ReadResult::TooLarge;
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return ReadResult::Missing;
    bytes.resize(static_cast<std::size_t>(size));
    in.read(bytes.data(), static_cast<std::streamsize>(size));
    bytes.resize(static_cast<std::size_t>(in.gcount()));
    return ReadResult::Ok;
}

bool WriteWholeFile(const std::filesystem::path& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out)
        return false;
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    return !out.fail();
}

void WriteHeaderComments(std::string& out, const CXmlHeader& header, int position)
{
    for (std::size_t i = 0; i < header.GetCommentCount(); ++i) {
        const XML_TEXT_PIECE* c = header.GetComment(i);
        if (c->nPosition != position)
            continue;
        out += "<!--";
        out += c->strText;
        out += "-->\r\n";
    }
}

}  // namespace

// ---- CXmlHeader ----

void CXmlHeader::SetEncoding(std::string_view encoding)
{
    m_strPrologue = "<?xml version=\"1.0\" encoding=\"";
    m_strPrologue += encoding;
    m_strPrologue += "\" standalone=\"yes\" ?>";
}

const XML_TEXT_PIECE* CXmlHeader::GetComment(std::size_t index) const
{
    return index < m_vecComments.size() ? &m_vecComments[index] : nullptr;
}

void CXmlHeader::AddComment(std::string text, int position)
{
    m_vecComments.push_back(XML_TEXT_PIECE{std::move(text), position});
}

// ---- CXmlDocument ----

CXmlDocument::CXmlDocument(std::string_view pathOrText, XML_SOURCE_KIND kind)
{
    Load(pathOrText, kind);
}

CXmlDocument::CXmlDocument(std::wstring_view widePath)
{
    Load(widePath);
}

CXmlDocument::~CXmlDocument()
{
    Close();
}

void CXmlDocument::Close()
{
    if (m_bSaveOnClose)
        Save();
    m_pRoot.reset();
    m_pHeader.reset();
    m_path.clear();
}

void CXmlDocument::Reset()
{
    Close();
    m_nStatus = XML_PARSE_OK;
    m_bPathWide = false;
}

void CXmlDocument::MakeEmpty()
{
    m_pHeader = std::make_unique<CXmlHeader>();
    m_pRoot = std::make_unique<CXmlElement>("root");
}

void CXmlDocument::Load(std::wstring_view widePath, const XmlByteFilter* filter)
{
    Load(XmlWideToUtf8(widePath), XML_SOURCE_PATH_WIDE, filter);
}

void CXmlDocument::LoadWideText(std::wstring_view text)
{
    Load(XmlWideToUtf8(text), XML_SOURCE_TEXT);
}

void CXmlDocument::Load(std::string_view pathOrText, XML_SOURCE_KIND kind, const XmlByteFilter* filter)
{
    Reset();
    std::string bytes;
    if (kind == XML_SOURCE_TEXT) {
        if (pathOrText.empty()) {
            MakeEmpty();
            return;
        }
        bytes.assign(pathOrText);
    } else {
        m_path = PathFromUtf8(pathOrText);
        m_bPathWide = kind == XML_SOURCE_PATH_WIDE;
        switch (ReadWholeFile(m_path, bytes)) {
        case ReadResult::Ok:
            break;
        case ReadResult::Missing:
            MakeEmpty();
            return;
        case ReadResult::TooLarge:
            m_nStatus = XML_PARSE_TOO_LARGE;
            m_path.clear();
            MakeEmpty();
            return;
        }
    }
    if (filter && *filter) {
        m_path.clear();
        if (!(*filter)(bytes))
            bytes.clear();
    }
    ParseText(std::move(bytes));
}

void CXmlDocument::ParseText(std::string text)
{
    if (text.size() >= 2 && static_cast<unsigned char>(text[0]) == 0xFF && static_cast<unsigned char>(text[1]) == 0xFE)
        text = XmlUtf16LeToUtf8(text);  // the byte-order mark becomes the UTF-8 one

    if (text.find('\0') != std::string::npos) {
        m_nStatus = XML_PARSE_NUL_BYTE;
        m_path.clear();
        MakeEmpty();
        return;
    }

    std::size_t start = 0;
    std::size_t prologueEnd = text.find("?>");
    if (prologueEnd != std::string::npos) {
        start = prologueEnd + 2;
        m_pHeader = std::make_unique<CXmlHeader>(text.substr(0, start));
    } else {
        m_nStatus = XML_PARSE_NO_ELEMENT;
        m_path.clear();
        m_pHeader = std::make_unique<CXmlHeader>(std::string(XML_UTF8_BOM) + XML_DEFAULT_PROLOGUE);
    }

    if (text.find('<', start) == std::string::npos) {
        m_nStatus = XML_PARSE_NO_ELEMENT;
        m_path.clear();
        m_pRoot = std::make_unique<CXmlElement>("root");
        return;
    }

    CXmlParser::Result r = CXmlParser::Parse(text, start, *m_pHeader, m_nMaxElements);
    m_pRoot = std::move(r.root);
    if (r.status != XML_PARSE_OK)
        m_nStatus = r.status;
    else if (!m_pRoot)
        m_nStatus = XML_PARSE_NO_ELEMENT;
    // A document that did not parse whole is never written back over its file.
    if (m_nStatus != XML_PARSE_OK)
        m_path.clear();
    if (!m_pRoot)
        m_pRoot = std::make_unique<CXmlElement>("root");
}

std::string CXmlDocument::SaveToString() const
{
    std::string out;
    if (m_pHeader) {
        out += m_pHeader->GetPrologue();
        out += "\r\n";
        WriteHeaderComments(out, *m_pHeader, 0);
    }
    if (m_pRoot)
        m_pRoot->Write(out, 0);
    if (m_pHeader)
        WriteHeaderComments(out, *m_pHeader, 1);
    return out;
}

bool CXmlDocument::Save()
{
    if (m_path.empty())
        return false;
    return SaveToFile(m_path, false);
}

bool CXmlDocument::SaveToFile(const std::filesystem::path& path, bool asUtf16)
{
    if (path.empty())
        return false;
    if (!m_pHeader)
        m_pHeader = std::make_unique<CXmlHeader>();
    m_pHeader->SetPrologue(XML_DEFAULT_PROLOGUE);
    std::string text = SaveToString();
    if (asUtf16)
        text = std::string("\xFF\xFE", 2) + XmlUtf8ToUtf16Le(text);
    return WriteWholeFile(path, text);
}

void CXmlDocument::SetRoot(std::unique_ptr<CXmlElement> root)
{
    m_pRoot = std::move(root);
}

std::unique_ptr<CXmlElement> CXmlDocument::DetachRoot()
{
    std::unique_ptr<CXmlElement> old = std::move(m_pRoot);
    m_pRoot = std::make_unique<CXmlElement>("root");
    return old;
}

void CXmlDocument::SetHeader(std::unique_ptr<CXmlHeader> header)
{
    m_pHeader = std::move(header);
}

std::unique_ptr<CXmlHeader> CXmlDocument::DetachHeader()
{
    return std::move(m_pHeader);
}

namespace {

std::vector<std::string_view> SplitPath(std::string_view path)
{
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t sep = path.find('\\', start);
        if (sep == std::string_view::npos)
            sep = path.size();
        if (sep > start)
            parts.push_back(path.substr(start, sep - start));
        start = sep + 1;
    }
    return parts;
}

}  // namespace

bool CXmlDocument::GetPathValue(std::string_view path, std::string_view attribute, std::string& value) const
{
    const CXmlElement* e = m_pRoot.get();
    for (std::string_view name : SplitPath(path)) {
        if (!e)
            return false;
        e = e->FindChildElement(name);
    }
    if (!e)
        return false;
    const CXmlVariable* v = e->FindVariableElement(attribute);
    if (!v)
        return false;
    value = v->GetValue();
    return true;
}

bool CXmlDocument::SetPathValue(std::string_view path, std::string_view attribute, const std::string* value)
{
    if (!m_pRoot)
        m_pRoot = std::make_unique<CXmlElement>("root");
    const bool removing = value == nullptr;
    CXmlElement* e = m_pRoot.get();
    for (std::string_view name : SplitPath(path)) {
        CXmlElement* next = e->FindChildElement(name);
        if (!next) {
            if (removing)
                return false;
            next = e->AddChild(std::make_unique<CXmlElement>(name));
        }
        e = next;
    }
    if (attribute.empty()) {
        if (!removing)
            return true;
        CXmlElement* parent = e->GetParent();
        if (!parent)
            return false;  // the root stays
        for (std::size_t i = 0; i < parent->GetChildCount(); ++i) {
            if (parent->GetChild(i) == e)
                return parent->RemoveChild(i);
        }
        return false;
    }
    int index = e->FindVariable(attribute);
    if (removing)
        return index >= 0 && e->RemoveVariable(static_cast<std::size_t>(index));
    if (index >= 0)
        e->GetVariable(static_cast<std::size_t>(index))->SetValue(*value);
    else
        e->AddVariable(attribute, *value);
    return true;
}
