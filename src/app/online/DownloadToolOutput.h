// Readers of what the online-video download tool (yt-dlp) prints: the
// analysis JSON, our progress and file lines, its error lines and its
// version. Whatever the tool or the server behind it sends, they never throw
// and never read a number out of its range: what cannot be read is a failure.
#pragma once
#include "VXMDownloader.h"

#include <cstdint>
#include <string>
#include <vector>

// Tags of the lines the tool prints for us (--progress-template, --print).
extern const char kToolProgressTag[];
extern const char kToolFileTag[];

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

// Lines of a download run.
struct CProgressLine {
    std::uint64_t done = 0;
    std::uint64_t total = 0;  // 0 when unknown
    double speed = 0;         // bytes per second, 0 when unknown
};
bool ParseProgressLine(const std::string& line, CProgressLine& out);
// The finished file's path line: the tag, then the path as a JSON string, so
// that no character of a file name can cut or change it.
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
