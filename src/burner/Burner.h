// The disc burner: authors DVD-Video from converted MPEG-2 files (with an
// optional menu), makes an ISO image of it and writes the image to a disc or
// keeps it as a file. The burn pane calls these four entry points on the UI
// thread; the work itself runs on a worker of the burn window.
#pragma once
#include "BurnerRecords.h"
#include "platform/types.h"

#include <string>

// Fills the burner's controls of the pane (recorders, speeds, disc types)
// and tells in the burner record whether a burn can happen and what stands
// in its way. Returns 1, or 0 without records.
int InitDUI(HWND owner, int reserved1, VXM_DVD_MENU_SETTINGS* menu, VXM_BURNER_RECORD* burner, int reserved2,
            int reserved3, const wchar_t* langId, int reserved4, int reserved5, bool ntsc, bool avchd);

// Runs the burn window for the files and returns when it closes: 1 when the
// disc (or image) was made, 0 when the user stopped or closed it first, -1
// when the burn failed or could not start. The intermediate files under
// `tempFolder` are removed before it returns.
int ShowDUI(HWND owner, const VXM_BURN_FILE* files, VXM_DVD_MENU_SETTINGS* menu, const wchar_t* tempFolder,
            int reserved1, const wchar_t* langId, int reserved2, int count, bool ntsc, bool avchd, float frameRate);

// A preview picture of a menu template: the path of a PNG made from it
// (empty when the template cannot be read).
std::wstring GetXMLImg(const wchar_t* templatePath);

// A drive notice (DBT_DEVICEARRIVAL / DBT_DEVICEREMOVECOMPLETE, its
// COpticalDrive* header or -1): the recorder list of the owner's pane follows.
void BurnDeviceChanged(HWND owner, WPARAM event, LPARAM header);
