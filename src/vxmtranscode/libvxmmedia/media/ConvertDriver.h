// The conversion driver shared by the media objects: starts a conversion's
// first step and its monitor thread, which runs each further step, cleans up
// and reports the end; plus pause, resume, stop, position and progress.
#pragma once
#include "IProfile.h"
#include "IVXMMedia.h"
#include "VXMMediaBase.h"
#include "platform/types.h"

// One media object as the driver sees it: its interface (the lParam of every
// message), its data half and its output-time offset of finished steps.
struct VXM_CONVERT_TARGET {
    IVXMMedia* pMedia = nullptr;
    CVXMMediaBase* pData = nullptr;
    int* pPositionOffset = nullptr;
};

void ConvertStart(const VXM_CONVERT_TARGET& target, IProfile* profile, HWND hNotify, int value);
void ConvertPause(CVXMMediaBase& data);
void ConvertResume(CVXMMediaBase& data);
// Stops the running conversion and waits until its monitor has reported the
// end (WM_VXM_JOB_FINISHED -1) and finished.
void ConvertStop(CVXMMediaBase& data);
float ConvertPosition(CVXMMediaBase& data, int positionOffset);
// 0 no step running, 1 running, -1 running with no position yet.
int ConvertState(CVXMMediaBase& data);
// who: 1 the preview player, anything else the converter.
void ConvertReportProgress(const VXM_CONVERT_TARGET& target, int who);
// Posts every third progress report of the player's (`player`) or the
// converter's runner to its window: percent in tenths, lParam the media.
void PostRunnerProgress(CVXMMediaBase& data, IVXMMedia* media, bool player, float percent);
std::uint64_t ConvertEstimateOutputSize(const VXM_CONVERT_TARGET& target, IProfile* profile);
