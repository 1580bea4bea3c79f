// An offer of a newer program version reaching the main window: the offered
// version packed in wParam (major bits 0-7, minor 8-15, build 16 and up) and
// a what's-new text made with new[] that the receiver frees.
#pragma once
#include "platform/types.h"
#include <functional>
#include <string>

struct CVersionOffer {
    int major = 0, minor = 0, build = 0;
    std::wstring Text() const;  // "major.minor.build"
};
CVersionOffer UnpackVersionOffer(WPARAM packed);

// Shows the offer; the program update dialog unless a handler is set.
using UpdateOfferHandler = std::function<void(HWND owner, const CVersionOffer& offer, const std::wstring& whatsNew)>;
void SetUpdateOfferHandler(UpdateOfferHandler handler);
// Takes the text back into ownership and frees it on every path; shows the
// offer unless the user skipped exactly that version.
void HandleUpdateOffer(HWND owner, WPARAM packed, LPARAM whatsNew, const std::wstring& skippedVersion);
