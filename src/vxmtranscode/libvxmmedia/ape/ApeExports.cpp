// The exported Monkey's Audio file functions.
#include "VXMApeCompress.h"

#include "ApeCompressor.h"
#include "ApeFileFunctions.h"
#include "platform/text.h"

#include <atomic>
#include <cstring>

namespace {

constexpr int kErrorBadParameter = VXM_APE_ERROR_BAD_LEVEL;

// The layouts a WAV file holds.
static_assert(sizeof(WAVEFORMATEX) == 18 && sizeof(WAVE_HEADER) == 44);

SApeProgressSink SinkOf(int* percentDone, APE_PROGRESS_CALLBACK progress, int* killFlag)
{
    SApeProgressSink sink;
    sink.percent = percentDone;
    if (progress)
        sink.progress = progress;
    if (killFlag)
        sink.stopRequested = [killFlag] { return std::atomic_ref<int>(*killFlag).load() != 0; };
    return sink;
}

SApeProgressSink SinkOf(IAPEProgressCallback* callback)
{
    SApeProgressSink sink;
    if (callback) {
        sink.progress = [callback](int value) { callback->Progress(value); };
        sink.stopRequested = [callback] { return callback->GetKillFlag() != 0; };
    }
    return sink;
}

std::wstring WideOf(const char* text) { return Utf8ToWide(text); }
std::wstring WideOf(const wchar_t* text) { return text; }

// Runs `work` on the two names when both are given.
template <typename Char, typename Work>
int WithNames(const Char* input, const Char* output, Work&& work)
{
    if (!input || !output)
        return kErrorBadParameter;
    return work(WideOf(input), WideOf(output));
}

}  // namespace

extern "C" {

int CompressFile(const char* input, const char* output, int level, int* percentDone, APE_PROGRESS_CALLBACK progress,
                 int* killFlag)
{
    return WithNames(input, output, [&](const std::wstring& in, const std::wstring& out) {
        return GetNativeApeCompressor().Compress(in, out, level, SinkOf(percentDone, progress, killFlag));
    });
}

int CompressFileW(const wchar_t* input, const wchar_t* output, int level, int* percentDone,
                  APE_PROGRESS_CALLBACK progress, int* killFlag)
{
    return WithNames(input, output, [&](const std::wstring& in, const std::wstring& out) {
        return GetNativeApeCompressor().Compress(in, out, level, SinkOf(percentDone, progress, killFlag));
    });
}

int CompressFileW2(const wchar_t* input, const wchar_t* output, int level, IAPEProgressCallback* callback)
{
    return WithNames(input, output, [&](const std::wstring& in, const std::wstring& out) {
        return GetNativeApeCompressor().Compress(in, out, level, SinkOf(callback));
    });
}

int DecompressFile(const char* input, const char* output, int* percentDone, APE_PROGRESS_CALLBACK progress,
                   int* killFlag)
{
    return WithNames(input, output, [&](const std::wstring& in, const std::wstring& out) {
        return ApeDecompressFile(in, out, SinkOf(percentDone, progress, killFlag));
    });
}

int DecompressFileW(const wchar_t* input, const wchar_t* output, int* percentDone, APE_PROGRESS_CALLBACK progress,
                    int* killFlag)
{
    return WithNames(input, output, [&](const std::wstring& in, const std::wstring& out) {
        return ApeDecompressFile(in, out, SinkOf(percentDone, progress, killFlag));
    });
}

int DecompressFileW2(const wchar_t* input, const wchar_t* output, IAPEProgressCallback* callback)
{
    return WithNames(input, output, [&](const std::wstring& in, const std::wstring& out) {
        return ApeDecompressFile(in, out, SinkOf(callback));
    });
}

int ConvertFile(const char* input, const char* output, int level, int* percentDone, APE_PROGRESS_CALLBACK progress,
                int* killFlag)
{
    return WithNames(input, output, [&](const std::wstring& in, const std::wstring& out) {
        return ApeConvertFile(in, out, level, SinkOf(percentDone, progress, killFlag));
    });
}

int ConvertFileW(const wchar_t* input, const wchar_t* output, int level, int* percentDone,
                 APE_PROGRESS_CALLBACK progress, int* killFlag)
{
    return WithNames(input, output, [&](const std::wstring& in, const std::wstring& out) {
        return ApeConvertFile(in, out, level, SinkOf(percentDone, progress, killFlag));
    });
}

int ConvertFileW2(const wchar_t* input, const wchar_t* output, int level, IAPEProgressCallback* callback)
{
    return WithNames(input, output, [&](const std::wstring& in, const std::wstring& out) {
        return ApeConvertFile(in, out, level, SinkOf(callback));
    });
}

int VerifyFileW(const wchar_t* input, int* percentDone, APE_PROGRESS_CALLBACK progress, int* killFlag,
                bool quickVerify)
{
    if (!input)
        return kErrorBadParameter;
    return ApeVerifyFile(input, SinkOf(percentDone, progress, killFlag), quickVerify);
}

int VerifyFileW2(const wchar_t* input, IAPEProgressCallback* callback, bool quickVerify)
{
    if (!input)
        return kErrorBadParameter;
    return ApeVerifyFile(input, SinkOf(callback), quickVerify);
}

int FillWaveFormatEx(WAVEFORMATEX* format, int sampleRate, int bitsPerSample, int channels)
{
    if (!format)
        return kErrorBadParameter;
    format->wFormatTag = 1;  // PCM
    format->nChannels = static_cast<uint16_t>(channels);
    format->nSamplesPerSec = static_cast<uint32_t>(sampleRate);
    format->wBitsPerSample = static_cast<uint16_t>(bitsPerSample);
    format->nBlockAlign = static_cast<uint16_t>(bitsPerSample / 8 * channels);
    format->nAvgBytesPerSec = format->nBlockAlign * format->nSamplesPerSec;
    format->cbSize = 0;
    return 0;
}

int FillWaveHeader(WAVE_HEADER* header, int audioBytes, WAVEFORMATEX* format, int terminatingBytes)
{
    if (!header || !format)
        return kErrorBadParameter;
    std::memcpy(header->cRIFFHeader, "RIFF", 4);
    header->nRIFFBytes = static_cast<uint32_t>(audioBytes) + sizeof(WAVE_HEADER) - 8 +
                         static_cast<uint32_t>(terminatingBytes);
    std::memcpy(header->cDataTypeID, "WAVE", 4);
    std::memcpy(header->cFormatHeader, "fmt ", 4);
    // The chunk holds the format block without its size field.
    header->nFormatBytes = 16;
    std::memcpy(&header->nFormatTag, format, 16);
    std::memcpy(header->cDataHeader, "data", 4);
    header->nDataBytes = static_cast<uint32_t>(audioBytes);
    return 0;
}

}  // extern "C"
