// The simple file-level Monkey's Audio functions of the engine library:
// WAV (8/16/24-bit PCM, mono or stereo) to an APE file and back, APE files
// checked and converted to another compression level. APE files are read
// from version 3980 on.
// Results: 0 on success, 4000 when stopped, else an error code
// (1000 read, 1001 write, 1002 invalid input, 1003 invalid output,
// 1004 input too large, 1005 bit depth, 1007 channel count,
// 1008 no samples, 1009 wrong checksum, 1010 a frame that does not decode,
// 1012 compression level, 1014 file version). No function leaves a partial
// output file behind.
#pragma once
#include <cstdint>

// Progress in thousandths of a percent (0 to 100,000).
typedef void (*APE_PROGRESS_CALLBACK)(int progress);

class IAPEProgressCallback {
public:
    virtual ~IAPEProgressCallback() = default;
    // Progress in thousandths of a percent.
    virtual void Progress(int progress) = 0;
    // Non-zero asks the work to stop.
    virtual int GetKillFlag() = 0;
};

#pragma pack(push, 1)
// The format block of a WAV file's "fmt " chunk and its size field.
struct WAVEFORMATEX {
    uint16_t wFormatTag;
    uint16_t nChannels;
    uint32_t nSamplesPerSec;
    uint32_t nAvgBytesPerSec;
    uint16_t nBlockAlign;
    uint16_t wBitsPerSample;
    uint16_t cbSize;
};

// A canonical 44-byte WAV header.
struct WAVE_HEADER {
    char cRIFFHeader[4];
    uint32_t nRIFFBytes;
    char cDataTypeID[4];
    char cFormatHeader[4];
    uint32_t nFormatBytes;
    uint16_t nFormatTag;
    uint16_t nChannels;
    uint32_t nSamplesPerSec;
    uint32_t nAvgBytesPerSec;
    uint16_t nBlockAlign;
    uint16_t nBitsPerSample;
    char cDataHeader[4];
    uint32_t nDataBytes;
};
#pragma pack(pop)

extern "C" {

// WAV to APE, keeping the WAV's header and the bytes after its samples.
// `level` is 1000 (fast) to 5000 (insane) in steps of 1000. `percentDone`,
// `progress` and `killFlag` may be null; `killFlag` may be set from another
// thread while the work runs.
int CompressFile(const char* input, const char* output, int level, int* percentDone, APE_PROGRESS_CALLBACK progress,
                 int* killFlag);
int CompressFileW(const wchar_t* input, const wchar_t* output, int level, int* percentDone,
                  APE_PROGRESS_CALLBACK progress, int* killFlag);
int CompressFileW2(const wchar_t* input, const wchar_t* output, int level, IAPEProgressCallback* callback);

// APE to WAV: the file's stored WAV header, samples and trailing bytes, so
// that a WAV compressed here comes back byte for byte (a file without a stored
// header gets a canonical 44-byte one).
int DecompressFile(const char* input, const char* output, int* percentDone, APE_PROGRESS_CALLBACK progress,
                   int* killFlag);
int DecompressFileW(const wchar_t* input, const wchar_t* output, int* percentDone, APE_PROGRESS_CALLBACK progress,
                    int* killFlag);
int DecompressFileW2(const wchar_t* input, const wchar_t* output, IAPEProgressCallback* callback);

// APE to APE at compression `level`, with the source's WAV header, trailing
// bytes and tags (ID3v2 before, APE and ID3v1 after).
int ConvertFile(const char* input, const char* output, int level, int* percentDone, APE_PROGRESS_CALLBACK progress,
                int* killFlag);
int ConvertFileW(const wchar_t* input, const wchar_t* output, int level, int* percentDone,
                 APE_PROGRESS_CALLBACK progress, int* killFlag);
int ConvertFileW2(const wchar_t* input, const wchar_t* output, int level, IAPEProgressCallback* callback);

// Checks an APE file: its stored MD5 and the checksum of every frame it
// decodes. `quickVerify` checks only the MD5 when the file has one.
int VerifyFileW(const wchar_t* input, int* percentDone, APE_PROGRESS_CALLBACK progress, int* killFlag,
                bool quickVerify);
int VerifyFileW2(const wchar_t* input, IAPEProgressCallback* callback, bool quickVerify);

// A PCM format block; 0.
int FillWaveFormatEx(WAVEFORMATEX* format, int sampleRate, int bitsPerSample, int channels);
// A WAV header for `audioBytes` of samples in `format`, followed by
// `terminatingBytes` after the data chunk; 0, or 1012 for a null argument.
int FillWaveHeader(WAVE_HEADER* header, int audioBytes, WAVEFORMATEX* format, int terminatingBytes);

}  // extern "C"
