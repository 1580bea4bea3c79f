#include "EngineGlobals.h"

std::string g_strReportLogPath;
int g_bUseReportLog = 0;
int g_nDisplayMode = 2;
CModule* g_hPrismelModule = nullptr;
IProfileManager* g_pProfileManager = nullptr;
std::recursive_mutex g_csTranscoder;
std::recursive_mutex g_csPlayer;
std::string g_szCUDACapability;
