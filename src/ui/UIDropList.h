// The drop-down list of a combo, as the Qt menu runner shows a list menu
// (CMenu::GetVisibleRows above 0): one column, at most that many rows high,
// that scrolls with the wheel, the keys and its scroll bar. It opens on the
// checked entry; a click or Return chooses, Escape or a click outside
// closes it without a choice.
#pragma once
#include "ui/UIMenu.h"

// The chosen id, 0 when none. `below` is the screen point of the list's
// top left corner (the combo's bottom left).
UINT RunDropList(const CMenu& list, POINT below);
