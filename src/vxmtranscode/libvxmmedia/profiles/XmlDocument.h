// The engine's own XML document model for narrow (UTF-8) text.
//
// Texts are kept as they stand in the file, entity references still encoded;
// the name and value accessors decode them and the setters encode them.
// Loading never fails outright: a bad or missing file gives an empty document
// (header plus an empty root named "root") and a parse status that says why.
#pragma once
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

class CXmlElement;

// Where Load takes its input from.
enum XML_SOURCE_KIND {
    XML_SOURCE_PATH = 0,       // narrow (UTF-8) file path
    XML_SOURCE_PATH_WIDE = 1,  // wide file path
    XML_SOURCE_TEXT = 2,       // the text itself
};

// Parse status of a document.
enum XML_PARSE_STATUS {
    XML_PARSE_OK = 0,
    XML_PARSE_NO_ELEMENT = 1,    // no prologue ending in "?>", or no element at all
    XML_PARSE_UNTERMINATED = 2,  // the end of an element was not found
    XML_PARSE_TOO_DEEP = 3,      // elements nested deeper than XML_MAX_DEPTH
    XML_PARSE_NUL_BYTE = 4,      // the text holds a NUL byte
    XML_PARSE_TOO_LARGE = 5,     // larger than XML_MAX_FILE_SIZE, or more elements than allowed
};

// Bounds that keep hostile input from exhausting the stack or the memory.
inline constexpr int XML_MAX_DEPTH = 4096;
inline constexpr std::uintmax_t XML_MAX_FILE_SIZE = 256ull << 20;
inline constexpr std::size_t XML_MAX_ELEMENTS = 5'000'000;
inline constexpr int XML_MAX_INDENT = 50;

inline constexpr const char* XML_DEFAULT_PROLOGUE =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\" ?>";
inline constexpr const char* XML_UTF8_BOM = "\xEF\xBB\xBF";

// Transforms the raw bytes of a file before they are parsed; false drops them.
using XmlByteFilter = std::function<bool(std::string& bytes)>;

struct XML_VERSION {
    int nMajor = 1;
    int nMinor = 80;
    const char* pszDate = "06-01-2009";
};
XML_VERSION XmlGetVersion();

// Entity handling. Decoding replaces &amp; &quot; &apos; &lt; &gt; and numeric
// references (&#65; &#x41;) and copies any other "&" unchanged. maxBytes bounds
// the result without splitting a UTF-8 sequence.
std::string XmlDecodeEntities(std::string_view source, std::size_t maxBytes = std::string::npos);
std::string XmlEncodeEntities(std::string_view source);

// Blank, tab, CR or LF: what separates the parts of a tag (so attributes may
// stand on lines of their own) and what is cut from the ends of text.
bool XmlIsBlank(char c);
std::string_view XmlTrim(std::string_view s);
std::string_view XmlTrimRight(std::string_view s);

// "*" matches any run and "?" any one character; letters compare without case.
bool XmlMatchPattern(std::string_view text, std::string_view pattern);

// The runtime's atoi/_atoi64/atof rules without their undefined overflow:
// leading white space, optional sign, digits up to the first other character.
int XmlParseInt(std::string_view text);
std::int64_t XmlParseInt64(std::string_view text);
double XmlParseFloat(std::string_view text);

// UTF conversions used by the model (wide is UTF-32 here, UTF-16 on files).
std::string XmlWideToUtf8(std::wstring_view text);
std::string XmlUtf16LeToUtf8(std::string_view bytes);
std::string XmlUtf8ToUtf16Le(std::string_view text);

// One attribute: name and value as written.
class CXmlVariable {
public:
    CXmlVariable() = default;
    CXmlVariable(std::string rawName, std::string rawValue);

    std::string GetName() const;   // decoded
    std::string GetValue() const;  // decoded
    // Decoded and cut to at most maxBytes without splitting a character.
    std::string GetValue(std::size_t maxBytes) const;
    const std::string& GetRawName() const { return m_strName; }
    const std::string& GetRawValue() const { return m_strValue; }

    void SetName(std::string_view name);    // encodes; trailing blanks dropped
    void SetValue(std::string_view value);  // encodes

    int GetInt() const;
    std::int64_t GetInt64() const;
    double GetFloat() const;
    void SetInt(int value);
    void SetInt64(std::int64_t value);
    void SetFloat(double value);

private:
    std::string m_strName;
    std::string m_strValue;
};

// A piece of character content, a comment or a CDATA section, with the number
// of child elements that stood before it.
struct XML_TEXT_PIECE {
    std::string strText;
    int nPosition = 0;
};

struct XML_ELEMENT_REF {
    std::uint8_t nFlag = 0;
    CXmlElement* pElement = nullptr;
};

// Orderings for sorting; the default orders by decoded name.
using XmlElementCompare = std::function<bool(const CXmlElement&, const CXmlElement&)>;
using XmlVariableCompare = std::function<bool(const CXmlVariable&, const CXmlVariable&)>;

class CXmlElement {
public:
    explicit CXmlElement(std::string_view name = {});
    ~CXmlElement();
    CXmlElement(const CXmlElement&) = delete;
    CXmlElement& operator=(const CXmlElement&) = delete;

    // Makes an element from tag text: '<name a="1" b="2">' or '<name/>'.
    static std::unique_ptr<CXmlElement> FromTag(std::string_view tag);

    std::string GetName() const;
    const std::string& GetRawName() const { return m_strName; }
    void SetName(std::string_view name);
    CXmlElement* GetParent() const { return m_pParent; }

    // Children. A slot is never empty here: sub-trees are not swapped out.
    std::size_t GetChildCount() const { return m_vecChildren.size(); }
    CXmlElement* GetChild(std::size_t index) const;
    int FindChild(std::string_view name) const;
    CXmlElement* FindChildElement(std::string_view name) const;
    CXmlElement* AddChild(std::unique_ptr<CXmlElement> child, int position = -1);
    CXmlElement* AddChildFromTag(std::string_view tag, int position = -1);
    bool RemoveChild(std::size_t index);
    std::unique_ptr<CXmlElement> DetachChild(std::size_t index);
    int CountElements(int depth) const;

    // Attributes.
    std::size_t GetVariableCount() const { return m_vecVariables.size(); }
    CXmlVariable* GetVariable(std::size_t index);
    const CXmlVariable* GetVariable(std::size_t index) const;
    int FindVariable(std::string_view name) const;
    CXmlVariable* FindVariableElement(std::string_view name);
    const CXmlVariable* FindVariableElement(std::string_view name) const;
    CXmlVariable* AddVariable(std::string_view name, std::string_view value);
    CXmlVariable* AddRawVariable(std::string rawName, std::string rawValue);
    bool RemoveVariable(std::size_t index);

    // Content pieces (decoded on read, encoded on write), comments and CDATA
    // sections (kept verbatim). position -1 means after the last child.
    std::size_t GetContentCount() const { return m_vecContents.size(); }
    std::string GetContent(std::size_t index, std::size_t maxBytes = std::string::npos) const;
    const XML_TEXT_PIECE* GetContentPiece(std::size_t index) const;
    void AddContent(std::string_view text, int position = -1);
    void AddRawContent(std::string rawText, int position);

    std::size_t GetCommentCount() const { return Comments().size(); }
    const XML_TEXT_PIECE* GetComment(std::size_t index) const;
    void AddComment(std::string_view text, int position = -1);

    std::size_t GetCDataCount() const { return CData().size(); }
    const XML_TEXT_PIECE* GetCData(std::size_t index) const;
    void AddCData(std::string_view text, int position = -1);

    // References to other elements; entries naming a removed child go with it.
    std::size_t GetReferenceCount() const { return Refs().size(); }
    const XML_ELEMENT_REF* GetReference(std::size_t index) const;
    void AddReference(std::uint8_t flag, CXmlElement* element);

    bool IsTemporary() const { return m_bTemporary; }
    void SetTemporary(bool temporary) { m_bTemporary = temporary; }

    // Output format, applied to this element and every element below it.
    void SetFormat(bool useSpaces, int indentCount, bool singleLine);
    bool UsesSpaces() const { return m_bUseSpaces; }
    int GetIndentCount() const { return m_nIndent; }
    bool IsSingleLine() const { return m_bSingleLine; }

    // Names of the ancestors below the root and of this element, joined by "\".
    std::string GetElementPath() const;

    // Elements below this one (to depth; -1 all) meeting every condition of
    // the query; see XmlQuery.cpp for the syntax.
    int Query(std::string_view query, int depth, std::vector<CXmlElement*>* found = nullptr);

    void SortChildren(const XmlElementCompare& less = {});
    void SortVariables(const XmlVariableCompare& less = {});

    std::unique_ptr<CXmlElement> Duplicate() const;
    std::size_t GetMemoryUsage() const;
    bool IsEqual(const CXmlElement& other) const;

    // Writes the element and everything below it; depth sets the indent.
    void Write(std::string& out, int depth = 0) const;

private:
    void AddPiece(std::vector<XML_TEXT_PIECE>& list, std::string text, int position);

    std::string m_strName;
    CXmlElement* m_pParent = nullptr;
    std::vector<std::unique_ptr<CXmlElement>> m_vecChildren;
    std::vector<CXmlVariable> m_vecVariables;
    std::vector<XML_TEXT_PIECE> m_vecContents;
    // Comments, CDATA sections and references, which most elements lack,
    // live apart so that an element stays small.
    struct Extras {
        std::vector<XML_TEXT_PIECE> comments;
        std::vector<XML_TEXT_PIECE> cdata;
        std::vector<XML_ELEMENT_REF> refs;
    };
    const std::vector<XML_TEXT_PIECE>& Comments() const;
    const std::vector<XML_TEXT_PIECE>& CData() const;
    const std::vector<XML_ELEMENT_REF>& Refs() const;
    Extras& MakeExtras();
    std::unique_ptr<Extras> m_pExtras;
    int m_nIndent = 1;
    bool m_bTemporary = false;
    bool m_bUseSpaces = false;
    bool m_bSingleLine = false;
};

// Text before the root element: the prologue and comments outside the root
// (position 0 before it, 1 after it).
class CXmlHeader {
public:
    explicit CXmlHeader(std::string prologue = XML_DEFAULT_PROLOGUE) : m_strPrologue(std::move(prologue)) {}
    const std::string& GetPrologue() const { return m_strPrologue; }
    void SetPrologue(std::string prologue) { m_strPrologue = std::move(prologue); }
    void SetEncoding(std::string_view encoding);

    std::size_t GetCommentCount() const { return m_vecComments.size(); }
    const XML_TEXT_PIECE* GetComment(std::size_t index) const;
    void AddComment(std::string text, int position);

private:
    std::string m_strPrologue;
    std::vector<XML_TEXT_PIECE> m_vecComments;
};

class CXmlDocument {
public:
    CXmlDocument() = default;
    CXmlDocument(std::string_view pathOrText, XML_SOURCE_KIND kind);
    explicit CXmlDocument(std::wstring_view widePath);
    ~CXmlDocument();
    CXmlDocument(const CXmlDocument&) = delete;
    CXmlDocument& operator=(const CXmlDocument&) = delete;

    // Loads, replacing any earlier content. Never fails: see GetStatus().
    void Load(std::string_view pathOrText, XML_SOURCE_KIND kind, const XmlByteFilter* filter = nullptr);
    void Load(std::wstring_view widePath, const XmlByteFilter* filter = nullptr);
    void LoadWideText(std::wstring_view text);

    // Saves when the save-on-close flag is set, then frees everything.
    void Close();

    bool Save();
    bool SaveToFile(const std::filesystem::path& path, bool asUtf16 = false);
    std::string SaveToString() const;

    int GetStatus() const { return m_nStatus; }
    bool HasPath() const { return !m_path.empty(); }
    const std::filesystem::path& GetPath() const { return m_path; }
    bool IsPathWide() const { return m_bPathWide; }
    bool GetSaveOnClose() const { return m_bSaveOnClose; }
    // Documents with more elements fail to load with XML_PARSE_TOO_LARGE.
    void SetMaxElements(std::size_t count) { m_nMaxElements = count; }
    void SetSaveOnClose(bool save) { m_bSaveOnClose = save; }

    CXmlElement* GetRoot() const { return m_pRoot.get(); }
    void SetRoot(std::unique_ptr<CXmlElement> root);
    std::unique_ptr<CXmlElement> DetachRoot();

    CXmlHeader* GetHeader() const { return m_pHeader.get(); }
    void SetHeader(std::unique_ptr<CXmlHeader> header);
    std::unique_ptr<CXmlHeader> DetachHeader();

    // Attribute access through a path of child names below the root joined by
    // "\". Writing creates what is missing; no value removes the attribute and
    // no attribute name removes the element.
    bool GetPathValue(std::string_view path, std::string_view attribute, std::string& value) const;
    bool SetPathValue(std::string_view path, std::string_view attribute, const std::string* value);

private:
    void Reset();
    void MakeEmpty();
    void ParseText(std::string text);

    std::unique_ptr<CXmlHeader> m_pHeader;
    std::unique_ptr<CXmlElement> m_pRoot;
    std::filesystem::path m_path;
    bool m_bPathWide = false;
    bool m_bSaveOnClose = false;
    int m_nStatus = XML_PARSE_OK;
    std::size_t m_nMaxElements = XML_MAX_ELEMENTS;
};
