#include "HttpDownload.h"

#include "Log.h"
#include "platform/messages.h"
#include "platform/text.h"
#include "platform/paths.h"

#include <curl/curl.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <mutex>

namespace {

const char kCategory[] = "CCheckUpdateDlg::GetFile";
constexpr int kAttempts = 5;

std::mutex g_caLock;
std::string g_caFile;

struct CCurlDeleter {
    void operator()(CURL* curl) const { curl_easy_cleanup(curl); }
};
using CCurl = std::unique_ptr<CURL, CCurlDeleter>;

struct CFileCloser {
    void operator()(FILE* f) const { std::fclose(f); }
};

struct CTransfer {
    HWND window = nullptr;
    CEvent* cancel = nullptr;
    FILE* file = nullptr;
    std::uint64_t total = 0;
    bool overCap = false;
};

bool Cancelled(const CTransfer* t) { return t->cancel && t->cancel->Wait(0) == WAIT_OBJECT_0; }

size_t WriteBody(char* data, size_t size, size_t count, void* user)
{
    auto* t = static_cast<CTransfer*>(user);
    const size_t bytes = size * count;
    if (Cancelled(t)) return 0;
    if (t->total + bytes > VXM_DOWNLOAD_SIZE_CAP) {
        t->overCap = true;
        return 0;
    }
    if (!t->file || std::fwrite(data, 1, bytes, t->file) != bytes) return 0;
    t->total += bytes;
    if (t->window) PostMessage(t->window, WM_VXM_UPDATE_DOWNLOAD_PROGRESS, static_cast<WPARAM>(t->total), 0);
    return bytes;
}

// Called about once a second even while nothing arrives: a cancel ends a stalled transfer too.
int OnProgress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t)
{
    return Cancelled(static_cast<CTransfer*>(user)) ? 1 : 0;
}

CCurl MakeHandle(const std::string& url, const CHttpGetOptions& options, CTransfer& transfer)
{
    CCurl curl(curl_easy_init());
    if (!curl) return curl;
    CURL* c = curl.get();
    curl_easy_setopt(c, CURLOPT_URL, url.c_str());
    const char* protocols = options.httpsOnly ? "https" : "http,https";
    curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, protocols);
    curl_easy_setopt(c, CURLOPT_REDIR_PROTOCOLS_STR, protocols);
    curl_easy_setopt(c, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(c, CURLOPT_MAXREDIRS, 5L);
    curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT, options.connectTimeoutS);
    curl_easy_setopt(c, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(c, CURLOPT_LOW_SPEED_TIME, options.stallTimeoutS);
    curl_easy_setopt(c, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(c, CURLOPT_SSL_VERIFYHOST, 2L);
    {
        std::lock_guard<std::mutex> lock(g_caLock);
        if (!g_caFile.empty()) curl_easy_setopt(c, CURLOPT_CAINFO, g_caFile.c_str());
    }
    if (!options.proxy.empty()) curl_easy_setopt(c, CURLOPT_PROXY, WideToUtf8(options.proxy).c_str());
    curl_easy_setopt(c, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(c, CURLOPT_XFERINFOFUNCTION, OnProgress);
    curl_easy_setopt(c, CURLOPT_XFERINFODATA, &transfer);
    curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, WriteBody);
    curl_easy_setopt(c, CURLOPT_WRITEDATA, &transfer);
    return curl;
}

// Up to five tries; true once one answers 200.
bool Request(CURL* curl, const CTransfer& transfer)
{
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        if (Cancelled(&transfer)) return false;
        const CURLcode code = curl_easy_perform(curl);
        long status = 0;
        curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
        if (code == CURLE_OK && status == 200) return true;
        // A transfer that broke off after the headers is not tried again.
        if (code != CURLE_OK && code != CURLE_COULDNT_CONNECT && code != CURLE_OPERATION_TIMEDOUT) return false;
    }
    return false;
}

bool HasScheme(const std::string& url, const char* scheme)
{
    const std::string prefix = std::string(scheme) + "://";
    if (url.size() <= prefix.size()) return false;
    for (size_t i = 0; i < prefix.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(url[i])) != prefix[i]) return false;
    return true;
}

}  // namespace

void CCheckUpdateDlg::SetCAFile(const std::wstring& path)
{
    std::lock_guard<std::mutex> lock(g_caLock);
    g_caFile = WideToUtf8(path);
}

std::wstring MakeProxyText(const std::wstring& server, const std::wstring& port)
{
    if (server.empty()) return std::wstring();
    return port.empty() ? server : server + L":" + port;
}

bool CCheckUpdateDlg::GetFile(HWND notifyWindow, CEvent* cancelEvent, const std::wstring& url, const std::wstring& filePath,
                              const CHttpGetOptions& options)
{
    LogInfoW(kCategory, L"Downloading file from url: %s", url.c_str());
    const std::string address = WideToUtf8(url);
    if (!(HasScheme(address, "https") || (!options.httpsOnly && HasScheme(address, "http")))) {
        LogInfo(kCategory, "Refused the address: %s", options.httpsOnly ? "only https is allowed" : "not http or https");
        return false;
    }
    CTransfer transfer;
    transfer.window = notifyWindow;
    transfer.cancel = cancelEvent;
    CCurl curl = MakeHandle(address, options, transfer);
    if (!curl) return false;

    curl_easy_setopt(curl.get(), CURLOPT_NOBODY, 1L);
    if (!Request(curl.get(), transfer)) {
        LogInfo(kCategory, "The server did not answer 200 to HEAD.");
        return false;
    }
    curl_off_t length = -1;
    curl_easy_getinfo(curl.get(), CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
    if (length > static_cast<curl_off_t>(VXM_DOWNLOAD_SIZE_CAP)) {
        LogInfo(kCategory, "The file is too large: %lld bytes.", static_cast<long long>(length));
        return false;
    }
    if (length >= 0 && notifyWindow) PostMessage(notifyWindow, WM_VXM_UPDATE_DOWNLOAD_SIZE, static_cast<WPARAM>(length), 0);

    const std::filesystem::path target = PathFromWide(filePath);
    std::unique_ptr<FILE, CFileCloser> file(std::fopen(target.c_str(), "wb"));
    if (!file) {
        LogInfoW(kCategory, L"Cannot create %s", filePath.c_str());
        return false;
    }
    transfer.file = file.get();
    curl_easy_setopt(curl.get(), CURLOPT_NOBODY, 0L);
    curl_easy_setopt(curl.get(), CURLOPT_HTTPGET, 1L);
    bool ok = false;
    for (int attempt = 0; attempt < kAttempts && !ok; ++attempt) {
        if (Cancelled(&transfer)) break;
        // Each try starts the file again.
        std::rewind(file.get());
        transfer.total = 0;
        const CURLcode code = curl_easy_perform(curl.get());
        long status = 0;
        curl_easy_getinfo(curl.get(), CURLINFO_RESPONSE_CODE, &status);
        if (code == CURLE_OK && status == 200) {
            ok = true;
            break;
        }
        if (code != CURLE_OK) break;  // cancelled, cut off, over the cap, stalled
    }
    curl_off_t got = -1;
    curl_easy_getinfo(curl.get(), CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &got);
    if (ok && got >= 0 && transfer.total != static_cast<std::uint64_t>(got)) ok = false;  // shorter than announced
    const bool flushed = std::fflush(file.get()) == 0;
    if (ok && flushed) {
        // A retried body may have been longer before.
        std::error_code ec;
        file.reset();
        std::filesystem::resize_file(target, transfer.total, ec);
        if (!ec) return true;
    }
    file.reset();
    std::error_code ec;
    std::filesystem::remove(target, ec);
    LogInfo(kCategory, "The download failed after %llu bytes%s.", static_cast<unsigned long long>(transfer.total),
            transfer.overCap ? " (over the size cap)" : "");
    return false;
}
