// The online-video download tool (yt-dlp) as the downloader drives it: the
// argument lists of an analysis and of a download, and readers of what the
// tool prints. No state, no threads: the downloader (Downloader.cpp) runs the
// tool with these.
#pragma once
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

struct CAnalysedPart {
    std::wstring title;
    std::wstring id;
    std::wstring pageUrl;
};

// What an analysis (the tool's JSON) says about an address.
struct CAnalysis {
    std::wstring title;
    std::wstring siteName;
    std::wstring thumbnailUrl;
    std::vector<CAnalysedPart> parts;         // one for a single video
    std::vector<VXM_FORMAT_RECORD> formats;   // of the first part; complete (picture and sound) first
};

// False, with the reason in `error`, for text that is not an analysis or that
// offers nothing to download.
bool ParseAnalysis(const std::string& json, const std::wstring& address, CAnalysis& out, std::wstring& error);

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

// Lines of a download run.
struct CProgressLine {
    std::uint64_t done = 0;
    std::uint64_t total = 0;  // 0 when unknown
    double speed = 0;         // bytes per second, 0 when unknown
};
bool ParseProgressLine(const std::string& line, CProgressLine& out);
// The finished file's path line.
bool ParseFileLine(const std::string& line, std::wstring& path);
// "ERROR: <text>" lines: the text.
bool ParseErrorLine(const std::string& line, std::wstring& text);

// Tenths of a percent of a part's progress, spread over the parts; never
// above 1000, never a division by zero.
int OverallPermille(const CProgressLine& progress, int partIndex, int partCount);
// "1.5 MiB/s"; empty when unknown.
std::wstring SpeedText(double bytesPerSecond);

// "2023.03.04" -> 20230304; 0 when the text is no version.
int ParseToolVersion(const std::string& text);

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

// The file name of a download: the title (or the id), made safe, with
// " - part<N>" for part N of several.
std::wstring DownloadFileName(const std::wstring& title, const std::wstring& id, bool useTitle, int partIndex,
                              int partCount);
