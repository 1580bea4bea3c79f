// Our Monkey's Audio compressor: WAV (8/16/24-bit, mono or stereo), or
// any PCM source, to an APE file of version 3990 at compression levels 1000
// to 5000.
#pragma once
#include "ApeErrors.h"
#include "ApeFileInfo.h"
#include "ApePcmSource.h"
#include "ApeProgress.h"

class CApeCompressor : public IApeCompressor {
public:
    // Writes to a temporary name beside the output and renames it when done:
    // a failed or stopped compression leaves no output behind.
    int CompressFile(const std::wstring& input, const std::wstring& output, int level, int* percent,
                     VXM_APE_PROGRESS_FUNC progress, const std::atomic<int>* killFlag) override;
    // The same with any progress sink. The WAV's header and trailing bytes
    // are kept in the file, to be given back on decompression.
    int Compress(const std::wstring& input, const std::wstring& output, int level, const SApeProgressSink& sink);
    // Codes the samples of `source` (progress in its blocks) with `kept`.
    int CompressSource(IApePcmSource& source, const std::wstring& output, int level, const SApeProgressSink& sink,
                       const SApeKeptBytes& kept);
};

// The process-wide instance that the engine registers for the APE step.
CApeCompressor& GetNativeApeCompressor();
