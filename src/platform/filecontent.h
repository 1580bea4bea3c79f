// A file's content as a whole: read at once, and replaced at once. The new
// content is written to a copy beside the file, which takes the file's place
// (with its mode, owner and times) only when it is complete: a failure
// (no right to write, a full disk) leaves the file as it was.
#pragma once
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

// Reads the whole file into the buffer `place` gives for its size (so the
// caller's own container holds it, with no copy). False when the file cannot
// be read or is larger than `maxBytes`; `why` then says so in a few words.
bool ReadFileContent(const std::wstring& path, std::size_t maxBytes, const std::function<char*(std::size_t)>& place,
                     std::string* why = nullptr);

// False when the file was not replaced (it is then unchanged); `why` says why.
// A file without any write permission bit counts as read-only, also for root.
bool ReplaceFileContent(const std::wstring& path, std::string_view content, std::string* why = nullptr);
