// Paths and wide text through UTF-8 bytes, never through the C++ locale.
#include "platform/paths.h"

#include "platform/text.h"

std::filesystem::path PathFromWide(std::wstring_view text) { return std::filesystem::path(WideToUtf8(text)); }

std::wstring WideFromPath(const std::filesystem::path& path) { return Utf8ToWide(path.native()); }
