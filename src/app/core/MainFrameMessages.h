// Messages the main window takes besides the engine's (VXMMessages.h) and
// the engine bridge's (MediaHandler.h).
#pragma once
#include "platform/types.h"

#include <cstdint>
#include <string>
#include <vector>

// The UI-by-message service: workers change controls through these.
constexpr UINT WM_VXM_UI_FREE_SLOTS = 1281;
constexpr UINT WM_VXM_UI_GET_SLOT = 1282;
constexpr UINT WM_VXM_UI_REMOVE_ALL = 1283;
constexpr UINT WM_VXM_UI_ADD_TEXT_ITEM = 1284;
constexpr UINT WM_VXM_UI_SET_SLOT_INDEX = 1285;
constexpr UINT WM_VXM_UI_SET_SLOT = 1286;
constexpr UINT WM_VXM_UI_SELECT_ITEM = 1287;
constexpr UINT WM_VXM_UI_GET_CUR_SEL = 1288;
constexpr UINT WM_VXM_UI_INVALIDATE = 1289;
constexpr UINT WM_VXM_UI_ENABLE = 1290;
constexpr UINT WM_VXM_UI_SET_TEXT = 1291;
constexpr UINT WM_VXM_UI_SET_PROGRESS_MIN = 1292;
constexpr UINT WM_VXM_UI_SET_PROGRESS_MAX = 1293;
constexpr UINT WM_VXM_UI_SET_PROGRESS = 1294;
constexpr UINT WM_VXM_UI_PROGRESS_COMPLETE = 1295;
constexpr UINT WM_VXM_UI_SET_DISC_SIZE = 1296;

// The version check: an offer (same number as the preview's progress, which
// goes to other windows) or a failure.
constexpr UINT WM_VXM_UPDATE_AVAILABLE = 2038;
constexpr UINT WM_VXM_UPDATE_FAILED = 2040;

// Posted by a list row whose "add a file" choice was taken: wParam the row
// (CMediaListItemUI*), lParam the combo's choice before it was opened.
constexpr UINT WM_VXM_ADD_AUDIO_TRACK = 5124;
constexpr UINT WM_VXM_ADD_SUBTITLE = 5125;

// Posted by the window's drop target: lParam a wchar_t[] copy of the dropped
// text made with new[]; the receiver frees it with delete[].
constexpr UINT WM_VXM_TEXT_DROPPED = 5122;

// Posted at its place among the files queued by the listing of an added
// folder that may be a DVD or Blu-ray folder: wParam a CListedFolder*; the
// receiver deletes it. The files queued after it wait until the receiver
// fills its place (CMediaHandler::FillPlace).
constexpr UINT WM_VXM_DISC_FOLDER_LISTED = 5138;
struct CListedFolder {
    std::wstring folder;
    std::vector<std::wstring> files;  // its files, in listing order
    uint64_t place = 0;
};

// Sent by a burn row before it starts: 1 when the burn may start.
constexpr UINT WM_VXM_CHECK_BURN = 5126;

constexpr UINT WM_VXM_CLIP_CHANGED = 10924;
constexpr UINT WM_VXM_EFFECT_CHANGED = 10925;

// The main pane's own timer.
constexpr WPARAM MAIN_PANE_TIMER_ID = 100;
