// The online-video download tool (yt-dlp) as the downloader drives it: the
// argument lists of an analysis and of a download, the names of downloaded
// files and the accounts file (readers of what the tool prints:
// DownloadToolOutput.h). No state, no threads: the downloader (Downloader.cpp) runs the
// tool with these.
#pragma once
#include "DownloadToolOutput.h"
#include "VXMDownloader.h"

#include <cstdint>
#include <string>
#include <vector>

struct CDownloadToolOptions {
    std::wstring tool;          // path of the executable
    std::wstring proxyServer;   // empty: no proxy (the environment's, if any)
    std::wstring proxyPort;
    std::wstring netrcPath;     // empty: no accounts
};

std::vector<std::wstring> BuildAnalysisArgs(const CDownloadToolOptions& options, const std::wstring& address);

struct CDownloadTask {
    std::wstring address;
    std::wstring outputBase;     // folder and name, without the extension
    std::wstring format;         // the tool's format selector
    bool mp3 = false;
    int retries = 0;
    std::wstring thumbnailPath;  // empty: no thumbnail
};
std::vector<std::wstring> BuildDownloadArgs(const CDownloadToolOptions& options, const CDownloadTask& task);

// The format selector for a choice of ONLINE_FORMAT_*; the chosen format's
// id when one was picked.
std::wstring FormatSelector(int choice, bool mp3);

// Site accounts in the tool's netrc form (machine names of the sites).
struct CSiteAccount {
    const char* machine;
    std::wstring user;
    std::wstring password;
};
// Empty when no account has a name. Names or passwords with white space or
// quotes are quoted.
std::string MakeNetrc(const std::vector<CSiteAccount>& accounts);
// Writes the file readable by its owner only (mode 0600, also when it existed).
bool WritePrivateFile(const std::wstring& path, const std::string& content);

// The longest name a download gets, in UTF-8 bytes: a file name holds 255, and
// the extension and the tool's suffixes (".f137.webm.part", ".ytdl") need the rest.
constexpr size_t kMaxDownloadNameBytes = 175;

// The file name of a download without its extension: the title (or the id),
// made safe, cut to kMaxDownloadNameBytes with " - part<N>" for part N of several.
std::wstring DownloadFileName(const std::wstring& title, const std::wstring& id, bool useTitle, int partIndex,
                              int partCount);
