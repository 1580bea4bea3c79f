// A folder the user typed as the place for the outputs: "~" stands for the
// home folder and a last "/" is dropped. It is taken only when files can go
// there (made when missing); otherwise the user is told and it is refused.
#pragma once
#include "platform/types.h"

#include <string>

enum class ETypedFolder { Unchanged, Taken, Refused };

// `typed` against the folder used so far; `folder` is what is taken.
ETypedFolder TakeTypedFolder(const std::wstring& typed, const std::wstring& before, std::wstring& folder);
// The refusal, in a message box over `owner`, and in the log.
void ShowFolderRefused(HWND owner, const std::wstring& folder);
