// The engine's log: lines go to the host's callbacks (VXMMediaSetLogFunc)
// with the calling code's name as category. A text is cut to 1024
// characters and handed over with the format "%s"; without a callback the
// line is dropped.
#pragma once
#include "VXMMediaExports.h"

extern VXM_LOG_FUNC_A g_pfnLogA;
extern VXM_LOG_FUNC_W g_pfnLogW;

constexpr int VXM_LOG_MAX_CHARS = 1024;

void LogMessageA(const char* category, const char* format, ...) __attribute__((format(printf, 2, 3)));
// Wide format with the Windows conventions of FormatW ("%s" a wide string).
void LogMessageW(const char* category, const wchar_t* format, ...);
