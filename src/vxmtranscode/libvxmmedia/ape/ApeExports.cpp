// The exported Monkey's Audio compression functions.
#include "VXMApeCompress.h"

#include "ApeCompressor.h"
#include "platform/text.h"

#include <atomic>

namespace {

constexpr int kErrorBadParameter = 1012;

int CompressWide(const std::wstring& input, const std::wstring& output, int level, int* percentDone,
                 APE_PROGRESS_CALLBACK progress, int* killFlag)
{
    std::function<void(int)> report;
    if (progress)
        report = progress;
    std::function<bool()> stopRequested;
    if (killFlag)
        stopRequested = [killFlag] { return std::atomic_ref<int>(*killFlag).load() != 0; };
    return GetNativeApeCompressor().Compress(input, output, level, percentDone, report, stopRequested);
}

}  // namespace

extern "C" {

int CompressFile(const char* input, const char* output, int level, int* percentDone, APE_PROGRESS_CALLBACK progress,
                 int* killFlag)
{
    if (!input || !output)
        return kErrorBadParameter;
    return CompressWide(Utf8ToWide(input), Utf8ToWide(output), level, percentDone, progress, killFlag);
}

int CompressFileW(const wchar_t* input, const wchar_t* output, int level, int* percentDone,
                  APE_PROGRESS_CALLBACK progress, int* killFlag)
{
    if (!input || !output)
        return kErrorBadParameter;
    return CompressWide(input, output, level, percentDone, progress, killFlag);
}

int CompressFileW2(const wchar_t* input, const wchar_t* output, int level, IAPEProgressCallback* callback)
{
    if (!input || !output)
        return kErrorBadParameter;
    std::function<void(int)> report;
    std::function<bool()> stopRequested;
    if (callback) {
        report = [callback](int value) { callback->Progress(value); };
        stopRequested = [callback] { return callback->GetKillFlag() != 0; };
    }
    return GetNativeApeCompressor().Compress(input, output, level, nullptr, report, stopRequested);
}

}  // extern "C"
