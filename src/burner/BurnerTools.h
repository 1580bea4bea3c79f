// The programs the burner runs, found in PATH (or first in a folder a test
// names), and the reason a burn cannot happen here.
#pragma once
#include <string>

enum class EBurnTool {
    Author,      // dvdauthor: DVD-Video file system
    Subpicture,  // spumux: the menu's buttons
    Encoder,     // ffmpeg: the menu's moving background
    ImageMaker,  // genisoimage (else xorriso): ISO image
    DiscWriter,  // growisofs (else xorriso): disc
};

// Full path of the tool, empty when it is missing. `usesXorriso` tells that
// xorriso stands in (its arguments differ).
std::wstring FindBurnTool(EBurnTool tool, bool* usesXorriso = nullptr);
// Tools are looked up in this folder before PATH; empty: PATH only.
void SetBurnToolFolder(const std::wstring& folder);

// What stands in the way of authoring a disc of this kind; empty when
// nothing does.
std::wstring BurnBlocker(bool avchd);
