// The batch-add walk, away from the UI: the folders the user ticked (with
// all their sub-folders), then every supported media file directly inside
// each of them. Runs on the dialog's worker; a set stop event ends it before
// the next folder entry.
#pragma once
#include "platform/events.h"

#include <functional>
#include <string>
#include <vector>

// The folder tree as the dialog shows it, taken on the UI thread: only the
// ticked nodes and those with a ticked node below.
struct SFolderPick {
    std::wstring path;  // empty for a node that is no folder (the computer)
    bool ticked = false;
    bool loaded = false;                // its sub-folders were listed in the tree
    std::vector<SFolderPick> children;  // those of them worth a look
};

enum class EScanStep { Collecting, Adding, Failed };
using ScanStatusFn = std::function<void(EScanStep step, const std::wstring& path)>;

// The ticked folders in tree order, each once (by its canonical path). A
// ticked node whose sub-folders were never listed brings every folder below it on disk;
// links to folders are not followed and pseudo file systems are skipped.
// False when the stop event ended it.
bool CollectCheckedFolders(const std::vector<SFolderPick>& roots, CEvent& stop, const ScanStatusFn& status,
                           std::vector<std::wstring>& folders);

// Hands every supported media file directly inside the folders to `add`,
// with a status before each. False when the stop event ended it.
bool AddMediaOfFolders(const std::vector<std::wstring>& folders, CEvent& stop, const ScanStatusFn& status,
                       const std::function<void(const std::wstring&)>& add);
