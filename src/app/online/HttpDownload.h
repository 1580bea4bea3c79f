// Plain file downloads over HTTP(S) with libcurl, for the version files and
// the download tool's update: a HEAD that must answer 200, a size cap, a GET
// written to the file, progress posted to a window and a cancel event.
#pragma once
#include "platform/events.h"
#include "platform/types.h"

#include <cstdint>
#include <string>

// Posted to the notify window: wParam the Content-Length / the bytes so far.
constexpr UINT WM_VXM_UPDATE_DOWNLOAD_SIZE = 9217;
constexpr UINT WM_VXM_UPDATE_DOWNLOAD_PROGRESS = 9218;

// The largest file fetched (exactly this size is allowed).
constexpr std::uint64_t VXM_DOWNLOAD_SIZE_CAP = 0xA00000;

struct CHttpGetOptions {
    bool httpsOnly = false;    // an executable never comes over plain http
    std::wstring proxy;        // "server:port"; empty: the environment's proxy, if any
    long connectTimeoutS = 15;
    long stallTimeoutS = 30;   // a transfer without a byte for this long fails
};

class CCheckUpdateDlg {
public:
    // Fetches `url` into `filePath`. False on any failure (a status other
    // than 200 after five tries, a size over the cap, a body shorter than
    // its Content-Length, a write error, the cancel event); no partial file
    // is left then. The window and the event may be null.
    static bool GetFile(HWND notifyWindow, CEvent* cancelEvent, const std::wstring& url, const std::wstring& filePath,
                        const CHttpGetOptions& options = {});
    // Certificate authorities to trust in place of the system's (tests);
    // empty: the system's.
    static void SetCAFile(const std::wstring& path);
};

// "server:port" from the settings' proxy fields; empty without a server.
std::wstring MakeProxyText(const std::wstring& server, const std::wstring& port);
