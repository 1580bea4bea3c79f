// What InitDUI was given for each pane window, for the later calls.
#pragma once
#include "BurnerRecords.h"
#include "platform/types.h"

struct SBurnerSetup {
    VXM_DVD_MENU_SETTINGS* menu = nullptr;
    VXM_BURNER_RECORD* burner = nullptr;
    bool ntsc = false;
    bool avchd = false;
};

// Null when InitDUI never saw the window.
SBurnerSetup* FindBurnerSetup(HWND owner);
// The recorder chosen on the pane: a device, or empty for an image file.
std::wstring ChosenRecorder(const SBurnerSetup& setup);
