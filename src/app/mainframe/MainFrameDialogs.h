// Modal dialogs the main window runs. Those built elsewhere in the program
// register here; an empty entry is not available in this build. Tests put
// their own answers in place.
#pragma once
#include "platform/types.h"

#include <functional>
#include <string>
#include <vector>

class IVXMDiscFile;
class IVXMDVDFile;
struct VXM_FORMAT_REQUEST;

// What opening a disc gave: a DVD with titles, an audio CD with tracks, or nothing.
struct COpenDiscResult {
    IVXMDVDFile* dvd = nullptr;    // the media handler's (it releases it with the next disc)
    IVXMDiscFile* disc = nullptr;  // the caller's: released after its tracks were taken
    bool audioCD = false;
    bool opened = false;     // the dialog ended with a usable disc
    bool cancelled = false;  // the user skipped the analysis
};

struct CMainFrameDialogs {
    // Closes with 0 when the settings were changed.
    std::function<int(HWND owner)> options;
    std::function<void(HWND owner)> about;
    std::function<void(HWND owner)> batchAdd;
    std::function<void(HWND owner)> checkForUpdates;
    // The addresses the user entered, in order; empty when cancelled. The
    // MP3 form's addresses are downloaded as sound only.
    std::function<std::vector<std::wstring>(HWND owner)> urls;
    std::function<std::vector<std::wstring>(HWND owner)> mp3Urls;
    // The downloader asks which format to fetch: 0 when one was chosen (its
    // index is in the request), else cancelled.
    std::function<int(HWND owner, VXM_FORMAT_REQUEST& request)> chooseFormat;
    // The chosen drive's device ("/dev/sr0"); empty when cancelled.
    std::function<std::wstring(HWND owner)> chooseDrive;
    // Opens a disc, a DVD folder or a disc image with the progress dialog.
    std::function<COpenDiscResult(HWND owner, const std::wstring& root)> openDisc;
};

// The dialogs in use. Entries left empty in a replacement fall back to the program's own.
const CMainFrameDialogs& MainFrameDialogs();
// Null: back to the program's own.
void SetMainFrameDialogs(const CMainFrameDialogs* dialogs);
// Registers one of the program's dialogs (its maker calls this once at start-up).
CMainFrameDialogs& ProgramDialogs();
