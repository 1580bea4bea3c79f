// Engine utilities: text helpers, file names, folders and tool lookup.
// Filter-argument escaping, the command-line splitter and the files written
// for tools have headers of their own, included at the end.
#pragma once
#include <string>
#include <string_view>
#include <vector>

#include "platform/folders.h"
#include "platform/text.h"
#include "platform/types.h"

// The narrow code page of this system is UTF-8: the "ANSI" forms are the
// UTF-8 ones. An empty input gives an empty result.
std::string WideToAnsi(std::wstring_view text);
std::wstring AnsiToWide(std::string_view text);

// Remove leading / trailing white space (space, \t, \n, \v, \f, \r) in place.
std::wstring& TrimLeft(std::wstring& text);
std::wstring& TrimRight(std::wstring& text);

// Splits text at every occurrence of separator. Pieces before the last
// separator are trimmed and kept only when not empty; the rest after the last
// separator is trimmed and kept even when empty. The next piece starts one
// character after the start of a separator. Returns the number kept.
int SplitString(std::vector<std::wstring>& out, std::wstring_view separator, std::wstring_view text);

// Creates the folder and every missing parent. True when it exists afterwards.
BOOL CreateFolderTree(const std::wstring& path);

// True when the path names something that can be opened for reading.
BOOL FileExists(const std::wstring& path);

// First free name of base.ext, base_001.ext ... base_999.ext in folder (created
// when missing). A name is free when nothing of that name exists. When all
// 1,000 names are taken, out is emptied and FALSE returned. A long base is
// cut on a character boundary so that every name fits the file system.
BOOL MakeUniqueFilePath(const std::wstring& folder, const std::wstring& extension, std::wstring& out,
                        const std::wstring& baseName);

// Creates a new, empty file "<folder>/<stem><random digits><suffix>" exclusively
// (never opens a file that exists), so parallel callers never share a name.
// Returns the path, or an empty text when no file could be created.
std::wstring CreateUniqueTempFile(const std::wstring& folder, const std::wstring& stem, const std::wstring& suffix);

// Size in GiB of a file, or of the volume holding a folder (whole KiB first).
double GetDiskOrFileSizeGB(const std::wstring& path);

// Short (8.3) names do not exist here: always FALSE, out untouched.
BOOL GetShortPath(const std::wstring& longPath, std::wstring& out);

// The name after the last "\" (else the last "/"); with keepName FALSE only the
// part after its last "." (the whole name when it has none).
std::wstring GetFileNamePart(const std::wstring& path, BOOL keepName);

// The MP3 volume setting is a gain step: its list shows "Default" (0), then
// the steps 0 to 10 (stored 1 to 11). Step n raises the level by n dB; 0 for
// "Default" and for values out of the list.
int Mp3VolumeGainDb(int setting);

// Characters a file name may not hold: \ / : * ? " < > |
bool IsInvalidNameChar(wchar_t c);
// C0 controls and DEL.
bool IsControlChar(wchar_t c);
void RemoveInvalidNameChars(std::wstring& text);
void ToForwardSlashes(std::wstring& text);

// out = source with every non-overlapping pattern (left to right) replaced.
void ReplaceAll(const std::wstring& replacement, std::wstring& out, const std::wstring& source,
                const std::wstring& pattern);

// External tools: "<program>/gnu/<name>" when it exists, else the first
// "<dir>/<name>" of PATH, else the "gnu" path (so a run reports it missing).
std::wstring FindToolPath(const std::wstring& name);
// Tests: search only these folders (an empty list restores the default).
void SetToolSearchPathForTesting(const std::vector<std::wstring>& folders);

#include "FilterText.h"
#include "SplitCommandLine.h"
#include "ToolFiles.h"
