// The host window the preview player draws into. The program registers one
// under the window handle it gives the media object (SetPreviewWindow); the
// player takes the host's size as its screen and hands it the changed pixels
// of its 32-bit screen after every picture and fill.
#pragma once

#include <memory>

#include "VXMTypes.h"

class IPlayerHost {
public:
    virtual ~IPlayerHost() = default;
    // Size of the host's client area in pixels.
    virtual SIZE GetClientSize() = 0;
    // The screen after a change: `pixels` holds `height` rows of `pitch`
    // bytes, 32-bit XRGB; `changed` is the part that changed. Called on the
    // player's thread; the host copies what it needs and repaints later.
    virtual void Present(const void* pixels, int pitch, int width, int height, const RECT& changed) = 0;
};

void RegisterPlayerHost(HWND hwnd, std::shared_ptr<IPlayerHost> host);
void UnregisterPlayerHost(HWND hwnd);
std::shared_ptr<IPlayerHost> FindPlayerHost(HWND hwnd);
// Tells the running player that its host changed size: it takes the new size
// from the host and draws the picture again. False when no player runs.
bool NotifyPlayerHostResized();
