// Error codes of the APE file functions (the Monkey's Audio SDK's values);
// 0 is success.
#pragma once
#include "ApeJob.h"

constexpr int VXM_APE_ERROR_IO_READ = 1000;
constexpr int VXM_APE_ERROR_IO_WRITE = 1001;
constexpr int VXM_APE_ERROR_INVALID_INPUT = 1002;
constexpr int VXM_APE_ERROR_INVALID_OUTPUT = 1003;
constexpr int VXM_APE_ERROR_INPUT_TOO_LARGE = 1004;
constexpr int VXM_APE_ERROR_UNSUPPORTED_BIT_DEPTH = 1005;
constexpr int VXM_APE_ERROR_UNSUPPORTED_CHANNELS = 1007;
constexpr int VXM_APE_ERROR_INPUT_TOO_SMALL = 1008;
constexpr int VXM_APE_ERROR_INVALID_CHECKSUM = 1009;
constexpr int VXM_APE_ERROR_DECOMPRESSING_FRAME = 1010;
constexpr int VXM_APE_ERROR_BAD_LEVEL = 1012;
constexpr int VXM_APE_ERROR_UNSUPPORTED_VERSION = 1014;
