// Process-wide state of the engine. None of it is guarded by a lock: the
// program sets it on its main thread before any run starts.
#pragma once
#include <mutex>
#include <string>

class IProfileManager;
class CModule;

extern std::string g_strReportLogPath;  // report (FFREPORT) folder, narrow
extern int g_bUseReportLog;
extern int g_nDisplayMode;              // 2 until SetDisplayMode
extern CModule* g_hPrismelModule;       // clip-effect library; null until loaded
extern IProfileManager* g_pProfileManager;
// Serialises the transcoder's set-up; one preview player at a time.
extern std::recursive_mutex g_csTranscoder;
extern std::recursive_mutex g_csPlayer;
extern std::string g_szCUDACapability;  // "major:minor" of the last query

// 1 when a CUDA driver is loaded and reports a device (cached), else 0.
int IsCUDADevicePresent();
// Compute capability of device 0 as (major << 4) | minor; 0 without a device.
int GetCUDAComputeCapability();
