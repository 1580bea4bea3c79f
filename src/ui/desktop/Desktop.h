// The desktop services the program uses, reached through one table: the Qt
// implementations unless a test put fakes in place.
#pragma once
#include "ui/desktop/IClipboard.h"
#include "ui/desktop/IColourChooser.h"
#include "ui/desktop/IFileChooser.h"
#include "ui/desktop/IMessageBox.h"
#include "ui/desktop/IOnlineState.h"
#include "ui/desktop/IOpticalDrives.h"
#include "ui/desktop/IScreens.h"
#include "ui/desktop/IShell.h"
#include "ui/desktop/IShutdown.h"

struct CDesktopServices {
    IMessageBox* messageBox = nullptr;
    IFileChooser* files = nullptr;
    IColourChooser* colours = nullptr;
    IShell* shell = nullptr;
    IClipboard* clipboard = nullptr;
    IOpticalDrives* drives = nullptr;
    IOnlineState* online = nullptr;
    IScreens* screens = nullptr;
    IShutdown* shutdown = nullptr;
};

// The services in use (UI thread). Entries left null in a replacement fall
// back to the Qt ones.
const CDesktopServices& Desktop();
// Null: back to the Qt services.
void SetDesktopServices(const CDesktopServices* services);
