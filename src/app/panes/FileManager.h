// A folder, or a file in its folder, shown in the desktop's file manager.
// Where the desktop has none (no program there opens folders), the user is
// told in a message box over `owner`.
#pragma once
#include "platform/types.h"

#include <string>

// `select`: `path` is a file, shown selected in its folder. False when nothing was shown.
bool ShowInFileManager(HWND owner, const std::wstring& path, bool select);
