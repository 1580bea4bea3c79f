// Window messages the engine posts (or sends) to the windows the program
// hands it. The numbers start at WM_USER + 1000; several of them mean
// something else when another window receives them.
#pragma once
#include "VXMTypes.h"

// Sent by the DVD analysis thread: wParam points at the int open result, lParam 0.
constexpr UINT WM_VXM_DVD_PARSED = 2024;
// Preview ended: wParam 0, lParam the IVXMMedia.
constexpr UINT WM_VXM_PLAY_FINISHED = 2025;
// Conversion ended: wParam 0 done, a step's exit code, -1 stopped or not
// started, -2 first input unreadable; lParam the IVXMMedia. Inside the engine
// also a thread message to the monitor: wParam exit code, lParam the runner.
constexpr UINT WM_VXM_JOB_FINISHED = 2026;
// A step was launched: wParam its pass kind, lParam the IVXMMedia.
constexpr UINT WM_VXM_JOB_STEP_STARTED = 2027;
// StartConvert was called: wParam 0, lParam the IVXMMedia.
constexpr UINT WM_VXM_JOB_STARTED = 2028;
// The transcoder opened its output: wParam 0, lParam the IVXMMedia.
constexpr UINT WM_VXM_OUTPUT_OPENED = 2037;
// wParam 10 x percent played (0..1000), lParam the IVXMMedia.
constexpr UINT WM_VXM_PREVIEW_PROGRESS = 2038;
// wParam 10 x percent converted (0..1000), lParam the IVXMMedia.
constexpr UINT WM_VXM_CONVERT_PROGRESS = 2039;
// Join ended: wParam its exit code, lParam a wchar_t[] copy of the output
// path made with new[]; the receiver frees it with delete[].
constexpr UINT WM_VXM_JOIN_FINISHED = 2044;
// A joined media (wParam 0, lParam the IVXMMedia), once per media of the join.
constexpr UINT WM_VXM_JOIN_SUCCEEDED = 2045;
// Compare view of the preview: wParam points at four 16-bit values
// (x, y, width, height), lParam at the display aspect ratio (float).
constexpr UINT WM_VXM_PREVIEW_RECT = 2125;
