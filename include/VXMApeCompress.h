// The simple file-level Monkey's Audio functions of the engine library:
// WAV (8/16/24-bit PCM, mono or stereo) to an APE file.
// Results: 0 on success, 4000 when stopped, else an error code
// (1000 read, 1001 write, 1002 invalid input, 1003 invalid output,
// 1004 input too large, 1005 bit depth, 1007 channel count,
// 1008 no samples, 1012 compression level).
#pragma once

// Progress in thousandths of a percent (0 to 100,000).
typedef void (*APE_PROGRESS_CALLBACK)(int progress);

class IAPEProgressCallback {
public:
    virtual ~IAPEProgressCallback() = default;
    // Progress in thousandths of a percent.
    virtual void Progress(int progress) = 0;
    // Non-zero asks the compression to stop.
    virtual int GetKillFlag() = 0;
};

extern "C" {

// `level` is 1000 (fast) to 5000 (insane) in steps of 1000. `percentDone`,
// `progress` and `killFlag` may be null; `killFlag` may be set from another
// thread while the compression runs.
int CompressFile(const char* input, const char* output, int level, int* percentDone, APE_PROGRESS_CALLBACK progress,
                 int* killFlag);
int CompressFileW(const wchar_t* input, const wchar_t* output, int level, int* percentDone,
                  APE_PROGRESS_CALLBACK progress, int* killFlag);
int CompressFileW2(const wchar_t* input, const wchar_t* output, int level, IAPEProgressCallback* callback);

}  // extern "C"
