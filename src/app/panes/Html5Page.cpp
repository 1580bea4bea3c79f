#include "Html5Page.h"

#include "Log.h"
#include "VXMGlobal.h"
#include "platform/text.h"
#include "platform/paths.h"
#include "ui/desktop/Desktop.h"

#include <cctype>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

namespace {

const char* const kCategory = "CMediaListUI";
const std::string kFilePlaceholder = "$VIDEO_FILE";
const std::string kMimePlaceholder = "$VIDEO_MIME";

std::wstring Lower(std::wstring text)
{
    for (wchar_t& c : text)
        if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
    return text;
}

// File name part and extension (with its dot) of a path.
void SplitName(const std::wstring& path, std::wstring& name, std::wstring& extension)
{
    const size_t slash = path.find_last_of(L"/\\");
    name = slash == std::wstring::npos ? path : path.substr(slash + 1);
    const size_t dot = name.rfind(L'.');
    extension = dot == std::wstring::npos ? std::wstring() : name.substr(dot);
}

std::string HtmlEscape(const std::string& text)
{
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '\'': out += "&#39;"; break;
        default: out += c;
        }
    }
    return out;
}

std::string UrlEncode(const std::string& text)
{
    static const char* const kHex = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : text) {
        if (std::isalnum(c) || c == '-' || c == '.' || c == '_' || c == '~') {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 15];
        }
    }
    return out;
}

// True when the text before `at` opens an address attribute: src=" or href='.
bool InAddress(const std::string& text, size_t at)
{
    if (at == 0) return false;
    const char quote = text[at - 1];
    if (quote != '"' && quote != '\'') return false;
    size_t end = at - 1;
    if (end == 0 || text[end - 1] != '=') return false;
    end -= 1;
    size_t begin = end;
    while (begin > 0 && std::isalpha(static_cast<unsigned char>(text[begin - 1]))) --begin;
    std::string attr = text.substr(begin, end - begin);
    for (char& c : attr) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return attr == "src" || attr == "href";
}

}  // namespace

std::wstring Html5MimeType(const std::wstring& extension)
{
    const std::wstring ext = Lower(extension);
    if (ext == L".mp4") return L"video/mp4";
    if (ext == L".ogv") return L"video/ogg";
    if (ext == L".webm") return L"video/webm";
    return {};
}

std::wstring Html5PagePath(const std::wstring& outputPath)
{
    std::wstring name, extension;
    SplitName(outputPath, name, extension);
    return outputPath.substr(0, outputPath.size() - extension.size()) + L".html";
}

std::wstring Html5TemplatePath() { return JoinPath(JoinPath(GetProgramFolder(), L"data"), L"html5_embed_video.htpl"); }

std::string FillHtml5Template(const std::string& templateText, const std::wstring& outputPath)
{
    std::wstring name, extension;
    SplitName(outputPath, name, extension);
    const std::string fileName = WideToUtf8(name);
    const std::string escaped = HtmlEscape(fileName);
    const std::string encoded = UrlEncode(fileName);
    const std::string mime = WideToUtf8(Html5MimeType(extension));

    std::string out;
    out.reserve(templateText.size() + 64);
    size_t pos = 0;
    while (pos < templateText.size()) {
        if (templateText.compare(pos, kFilePlaceholder.size(), kFilePlaceholder) == 0) {
            out += InAddress(templateText, pos) ? encoded : escaped;
            pos += kFilePlaceholder.size();
        } else if (!mime.empty() && templateText.compare(pos, kMimePlaceholder.size(), kMimePlaceholder) == 0) {
            out += mime;
            pos += kMimePlaceholder.size();
        } else {
            out += templateText[pos++];
        }
    }
    return out;
}

bool WriteHTML5Page(const std::wstring& outputPath, bool open, const std::wstring& templatePath)
{
    if (outputPath.empty()) return false;
    std::ifstream in(PathFromWide(templatePath), std::ios::binary);
    if (!in) {
        LogError(kCategory, "Generating HTML5 page, could not open template file (error %d)\n", errno);
        return false;
    }
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) {
        LogError(kCategory, "Generating HTML5 page, could not read from template file (error %d)\n", errno);
        return false;
    }
    // The template ends at its first NUL.
    if (const size_t nul = text.find('\0'); nul != std::string::npos) text.resize(nul);
    if (text.empty()) return false;

    const std::string page = FillHtml5Template(text, outputPath);
    const std::wstring pagePath = Html5PagePath(outputPath);
    // Written under a temporary name, so a failed write leaves no half page.
    const std::filesystem::path target = PathFromWide(pagePath);
    std::filesystem::path temp = target;
    temp += ".part";
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        if (!out) {
            LogError(kCategory, "Generating HTML5 page, could not open html5 file (error %d)\n", errno);
            return false;
        }
        out.write(page.data(), static_cast<std::streamsize>(page.size()));
        out.flush();
        if (!out) {
            const int error = errno;
            out.close();
            std::error_code ec;
            std::filesystem::remove(temp, ec);
            LogError(kCategory, "Generating HTML5 page, could not write html5 file (error %d)\n", error);
            return false;
        }
    }
    std::error_code ec;
    std::filesystem::rename(temp, target, ec);
    if (ec) {
        std::filesystem::remove(temp, ec);
        LogError(kCategory, "Generating HTML5 page, could not write html5 file (error %d)\n", ec.value());
        return false;
    }
    if (open) {
        if (IShell* shell = Desktop().shell) shell->Open(pagePath);
    }
    return true;
}
