// Our Monkey's Audio compressor: WAV (8/16/24-bit, mono or stereo) to an
// APE file of version 3990 at compression levels 1000 to 5000.
#pragma once
#include "ApeJob.h"

#include <functional>

// Error codes besides those of ApeJob.h.
constexpr int VXM_APE_ERROR_IO_READ = 1000;
constexpr int VXM_APE_ERROR_IO_WRITE = 1001;
constexpr int VXM_APE_ERROR_INVALID_INPUT = 1002;
constexpr int VXM_APE_ERROR_INVALID_OUTPUT = 1003;
constexpr int VXM_APE_ERROR_INPUT_TOO_LARGE = 1004;
constexpr int VXM_APE_ERROR_UNSUPPORTED_BIT_DEPTH = 1005;
constexpr int VXM_APE_ERROR_UNSUPPORTED_CHANNELS = 1007;
constexpr int VXM_APE_ERROR_INPUT_TOO_SMALL = 1008;
constexpr int VXM_APE_ERROR_BAD_LEVEL = 1012;

class CApeCompressor : public IApeCompressor {
public:
    // Writes to a temporary name beside the output and renames it when done:
    // a failed or stopped compression leaves no output behind.
    int CompressFile(const std::wstring& input, const std::wstring& output, int level, int* percent,
                     VXM_APE_PROGRESS_FUNC progress, const std::atomic<int>* killFlag) override;
    // The same with any progress sink (thousandths of a percent) and stop test.
    int Compress(const std::wstring& input, const std::wstring& output, int level, int* percent,
                 const std::function<void(int)>& progress, const std::function<bool()>& stopRequested);
};

// The process-wide instance that the engine registers for the APE step.
CApeCompressor& GetNativeApeCompressor();
