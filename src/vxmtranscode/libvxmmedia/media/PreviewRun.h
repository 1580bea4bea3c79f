// The runs every media object starts the same way: a tool line waited on
// (probe, thumbnail) and the preview player with its control events. The
// objects pass what differs: their runner slot, line and log category.
#pragma once
#include <functional>
#include <string>

#include "platform/types.h"

class CCmdFFplay;
class CCmdOpts;
class CVXMMediaBase;
class IVXMMedia;

// True while the runner's worker runs.
bool PreviewRunning(CCmdFFplay* runner);

// Runs a tool line on the slot's runner in `mode` and waits (a probe, mode
// 0, runs on the calling thread). A fresh run deletes the slot's runner
// first (else one already there is reused); the slot is emptied after. The exit code, or -1 when the run could not start
// (`cannotStart` is called when the runner was there but did not start).
int RunToolAndWait(CCmdFFplay*& slot, CVXMMediaBase& media, int mode, const std::wstring& line, bool fresh,
                   const std::function<void()>& cannotStart = {});

// Starts the preview player on a new runner in the slot (stopping one that
// runs: one player at a time). `buildLine` is asked once the runner is set
// up; the line is logged under `logCategory`. 0, or -1 when it fails.
int StartPreviewRun(CCmdFFplay*& slot, IVXMMedia& media, CVXMMediaBase& data, HWND hNotify,
                    const std::function<std::wstring()>& buildLine, const char* logCategory);
// Stops the slot's player, waits for it and deletes it.
void StopPreviewRun(CCmdFFplay*& slot);
// 0 not running, -1 not yet playing, 1 playing.
int PreviewRunState(CCmdFFplay* runner);
// The player's clock in seconds (0 when not running).
float PreviewRunPosition(CCmdFFplay* runner);
// The media's snapshot request to its running player.
void RequestPreviewSnapshot(CCmdFFplay* runner, CVXMMediaBase& data, const std::wstring& folder, int value);
// Stores the host window; -1 for none.
int SetPreviewHost(CVXMMediaBase& data, HWND hwnd);

// Control events to a running player (nothing when none runs). The values
// pushed live in one set: one player runs at a time.
void PushPreviewSeek(CCmdFFplay* runner, float seconds);
void PushPreviewPause(CCmdFFplay* runner);
void PushPreviewVolume(CCmdFFplay* runner, int percent);
// Contrast, saturation, brightness (any other code) carry `value`; the
// effect event carries `effectId`. With `bareReserved1` the first reserved
// event goes without a value; else it is taken as brightness.
void PushPreviewAdjust(CCmdFFplay* runner, int code, int value, int* effectId, bool bareReserved1);

// Appends the clip effect's filter to "-vf"; without the effect library the
// effect is left out (logged under `logCategory`), not the preview.
void AppendEffectFilter(CCmdOpts& opts, int effectId, const char* logCategory);
