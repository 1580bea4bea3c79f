// The disc menu's pictures, drawn from a menu template: the background
// with the disc title and one label per title, and the two button marks
// (highlighted, selected) for the subpicture. Templates are small XML files:
//   <MenuTemplate name="Basic" top="#1F3A5F" bottom="#0B1626" title="#FFFFFF"
//                 text="#DDE6F0" highlight="#FFC107" select="#66BB6A"/>
#pragma once
#include "BurnCommands.h"

#include <string>
#include <vector>

struct SMenuTemplate {
    std::wstring name;
    unsigned top = 0xFF1F3A5F;  // background gradient, ARGB
    unsigned bottom = 0xFF0B1626;
    unsigned title = 0xFFFFFFFF;
    unsigned text = 0xFFDDE6F0;
    unsigned highlight = 0xFFFFC107;
    unsigned select = 0xFF66BB6A;
};

// False when the file is missing or not a template (the defaults stay).
bool LoadMenuTemplate(const std::wstring& path, SMenuTemplate& out);

// At most this many titles get a button; the others play on from the one before.
constexpr int kMaxMenuButtons = 24;

// Draws the three pictures of the job's menu (sizes of its TV system) and
// gives the buttons' places. False when a picture could not be written.
bool DrawMenuPictures(const SBurnJob& job, const SMenuTemplate& look, std::vector<SMenuButton>& buttons);
