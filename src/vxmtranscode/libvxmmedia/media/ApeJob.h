// The APE step: compresses the WAV file of a job record into a Monkey's
// Audio file through a compressor, logging its progress and errors.
#pragma once
#include <atomic>
#include <string>

class CCmdFFplay;

// Error codes of a compression (0 is success).
constexpr int VXM_APE_ERROR_USER_STOPPED = 4000;
constexpr int VXM_APE_ERROR_NO_ENCODER = 5000;
constexpr int VXM_APE_COMPRESSION_LEVEL = 2000;

// Progress in thousandths of a percent (0 to 100,000).
using VXM_APE_PROGRESS_FUNC = void (*)(int progress);

class IApeCompressor {
public:
    virtual ~IApeCompressor() = default;
    // Compresses input into output; `percent` receives the percentage done.
    // Returns 0 on success, VXM_APE_ERROR_USER_STOPPED when `killFlag` became
    // non-zero, another error code on failure.
    virtual int CompressFile(const std::wstring& input, const std::wstring& output, int level, int* percent,
                             VXM_APE_PROGRESS_FUNC progress, const std::atomic<int>* killFlag) = 0;
};

// The compressor the step uses; replaceable (null restores the built-in one,
// which reports "APE encoder not available").
IApeCompressor& GetApeCompressor();
void SetApeCompressor(IApeCompressor* compressor);

// The step of job type 10: the current job's strInput (WAV) to strOutput.
// 0 on success, -1 when the input is missing, else the compressor's code.
int ApeEncodeThread(CCmdFFplay* runner);

// Logs the progress line (once for each tenth done).
void ApeProgressCallback(int progress);
// The progress line's text for the elapsed seconds ("" for no time).
std::string FormatApeProgress(int progress, double elapsedSeconds);
