// customprops.json on jsoncpp: the reader keeps comments, the styled writer
// indents by three spaces.
#include "CustomProps.h"
#include "Log.h"
#include "VXMGlobal.h"
#include "platform/folders.h"
#include "platform/text.h"
#include "platform/paths.h"

#include <json/reader.h>
#include <json/writer.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>

namespace fs = std::filesystem;

namespace {

std::string Render(const Json::Value& root)
{
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    Json::StyledWriter writer;
    return writer.write(root);
#pragma GCC diagnostic pop
}

std::string RenderWithoutComments(const Json::Value& root)
{
    Json::StreamWriterBuilder builder;
    builder["commentStyle"] = "None";
    builder["indentation"] = "   ";
    return Json::writeString(builder, root) + "\n";
}

bool Parse(const std::string& text, Json::Value& root, std::string& errors)
{
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    Json::Reader reader;
    bool ok = reader.parse(text, root, true);
    if (!ok) errors = reader.getFormattedErrorMessages();
    return ok;
#pragma GCC diagnostic pop
}

// Bytes that are not UTF-8 come out of Utf8ToWide as U+DC80..U+DCFF.
bool IsValidUtf8(std::string_view text)
{
    for (wchar_t c : Utf8ToWide(text))
        if (c >= 0xDC80 && c <= 0xDCFF) return false;
    return true;
}

// Texts the writer gives back as read: UTF-8 throughout, and names without
// NUL (it cuts a name there). `where` names the first one that is not.
bool HoldsPlainText(const Json::Value& value, std::string& where)
{
    if (value.isString()) {
        const char* begin = nullptr;
        const char* end = nullptr;
        value.getString(&begin, &end);
        if (IsValidUtf8(std::string_view(begin, static_cast<size_t>(end - begin)))) return true;
        where = "a value that is not UTF-8";
        return false;
    }
    if (value.isObject()) {
        for (auto it = value.begin(); it != value.end(); ++it) {
            const char* end = nullptr;
            const char* begin = it.memberName(&end);
            const std::string_view name(begin, static_cast<size_t>(end - begin));
            if (!IsValidUtf8(name) || name.find('\0') != std::string_view::npos) {
                where = "a name that is not plain UTF-8 text";
                return false;
            }
            if (!HoldsPlainText(*it, where)) return false;
        }
    } else if (value.isArray()) {
        for (const Json::Value& element : value)
            if (!HoldsPlainText(element, where)) return false;
    }
    return true;
}

// The text loads again as exactly this tree.
bool ReadsBackAs(const std::string& text, const Json::Value& root)
{
    Json::Value again;
    std::string errors;
    try {
        return Parse(text, again, errors) && again == root;
    } catch (const std::exception&) {
        return false;
    }
}

}  // namespace

std::wstring GetCustomPropsPath()
{
    return JoinPath(GetAppDataFolder(), L"customprops.json");
}

CCustomProps::CCustomProps(std::wstring path) : m_path(path.empty() ? GetCustomPropsPath() : std::move(path)) {}

CCustomProps::~CCustomProps() = default;

bool CCustomProps::Load()
{
    m_root = std::make_unique<Json::Value>();
    m_keepAside = false;
    const fs::path path = PathFromWide(m_path);

    std::error_code ec;
    if (!fs::exists(path, ec)) return false;

    std::ifstream in(path, std::ios::binary);
    if (!in.is_open()) {
        LogError("main", "Could not open custom props file (error %d)\n", errno);
        return false;
    }
    std::ostringstream buffer;
    buffer << in.rdbuf();
    if (in.bad()) {
        LogError("main", "Could not read from custom props file (error %d)\n", errno);
        return false;
    }
    const std::string text = buffer.str();
    if (text.empty()) return false;

    Json::Value parsed;
    std::string errors;
    bool ok = false;
    try {
        ok = Parse(text, parsed, errors);
    } catch (const std::exception& e) {
        errors = e.what();
    }
    if (!ok) {
        LogError("main", "Failed to parse configuration: %s", errors.c_str());
        m_keepAside = true;
        return false;
    }
    if (!parsed.isObject()) {
        LogError("main", "Failed to parse configuration: %s", "the file does not hold a JSON object\n");
        m_keepAside = true;
        return false;
    }
    // A value a save could not write back unchanged: the file is not taken.
    std::string where;
    if (!HoldsPlainText(parsed, where)) {
        LogError("main", "Failed to parse configuration: the file holds %s", where.c_str());
        m_keepAside = true;
        return false;
    }
    *m_root = std::move(parsed);
    return true;
}

bool CCustomProps::Save()
{
    if (!m_root || m_root->empty()) return false;
    std::string text = Render(*m_root);
    // The styled writer can close a bracket inside a comment it keeps: a text
    // that would not load as this tree is written again without comments.
    if (!ReadsBackAs(text, *m_root)) text = RenderWithoutComments(*m_root);
    if (text.empty() || !ReadsBackAs(text, *m_root)) {
        LogErrorW("main", L"Could not write file %s: the values do not read back as written\n", m_path.c_str());
        return false;
    }

    const fs::path path = PathFromWide(m_path);
    std::error_code ec;
    if (m_keepAside && fs::exists(path, ec)) {
        fs::path aside = path;
        aside += ".bad";
        fs::rename(path, aside, ec);
        if (ec) {
            LogErrorW("main", L"Could not keep the unreadable file %s aside (error %d)\n", m_path.c_str(), ec.value());
            return false;
        }
        LogInfoW("main", L"The unreadable file %s was kept as %s", m_path.c_str(), WideFromPath(aside).c_str());
    }
    m_keepAside = false;

    fs::path temp = path;
    temp += ".tmp";
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        if (!out.is_open()) {
            LogErrorW("main", L"could not open file %s (error %d)\n", m_path.c_str(), errno);
            return false;
        }
        out.write(text.data(), static_cast<std::streamsize>(text.size()));
        out.flush();
        if (!out.good()) {
            int error = errno;
            out.close();
            fs::remove(temp, ec);
            LogErrorW("main", L"Could not write file %s (error %d)\n", m_path.c_str(), error);
            return false;
        }
    }
    if (!MakePrivateFile(WideFromPath(temp))) {
        fs::remove(temp, ec);
        LogErrorW("main", L"Could not write file %s (error %d)\n", m_path.c_str(), errno);
        return false;
    }
    fs::rename(temp, path, ec);
    if (ec) {
        fs::remove(temp, ec);
        LogErrorW("main", L"Could not write file %s (error %d)\n", m_path.c_str(), ec.value());
        return false;
    }
    return true;
}

Json::Value& CCustomProps::Parameter(int profileId, const char* key)
{
    Json::Value& profile = (*m_root)[std::to_string(profileId)];
    if (!profile.isObject()) profile = Json::Value(Json::objectValue);
    Json::Value& parameter = profile[key];
    if (!parameter.isObject()) parameter = Json::Value(Json::objectValue);
    return parameter;
}

void CCustomProps::SetCustomProp(int profileId, const char* defaultText, const char* addedText, const char* key)
{
    if (!m_root || !key) return;
    Json::Value& parameter = Parameter(profileId, key);
    parameter["default"] = defaultText ? defaultText : "";
    if (addedText) {
        Json::Value& values = parameter["values"];
        if (!values.isArray()) values = Json::Value(Json::arrayValue);
        values.append(addedText);
    }
}

void CCustomProps::SetCustomPropDefault(int profileId, int value, const char* key)
{
    if (!m_root || !key) return;
    Parameter(profileId, key)["default"] = value;
}

void CCustomProps::RemoveCustomPropValue(int profileId, const char* text, const char* key)
{
    if (!m_root || !key || !text) return;
    Json::Value& parameter = Parameter(profileId, key);
    const Json::Value& values = parameter["values"];
    Json::Value kept;  // null until the first element is kept
    if (values.isArray()) {
        for (const Json::Value& element : values) {
            if (element.isString() && element.asString() == text) continue;
            kept.append(element);
        }
    }
    parameter["values"] = kept;
}
