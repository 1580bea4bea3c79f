// The main window's command table and the menus it fills at run time.
#pragma once
#include "MenuCommandIds.h"

#include <string>
#include <vector>

class CMenu;
class CMenuIdSpace;

// The run-time ranges by name ("language", "skin", "audio", "subtitle",
// "dvd"); false when two of them meet (they never do).
bool ReserveDynamicMenuRanges(CMenuIdSpace& space);

// The command table: every id the main window acts on, once.
struct CMainFrameCommand {
    UINT first = 0;
    UINT count = 1;
    const char* action = "";  // what it does, for the log and the tests
};
const std::vector<CMainFrameCommand>& MainFrameCommandTable();
// The entry holding an id; null when none does.
const CMainFrameCommand* FindMainFrameCommand(UINT id);

// The language menu's list: "auto", then every language with a file.
std::vector<std::wstring> MainFrameLanguageIds();
// The "&Language" popup: "&Auto", a separator, one entry per language
// (ID_LANGUAGE_FIRST + position); the current one is checked.
void FillLanguageMenu(CMenu& menus, const std::wstring& current);
// The "&Skins" popup: one entry per skin folder (ID_SKIN_FIRST + position).
void FillSkinMenu(CMenu& menus, const std::wstring& current);
// Icons of the commands that carry one, wherever they stand.
void SetMenuIcons(CMenu& menus);
