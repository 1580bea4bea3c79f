// Decompressing, verifying and converting APE files (versions 3980 and
// later) over libavcodec's APE decoder. Results are the SDK's codes
// (ApeErrors.h); no function leaves a partial output file.
#pragma once
#include "ApeProgress.h"

#include <string>

// APE to WAV: the file's WAV header (stored, or made for its format), its
// samples, and its terminating data.
int ApeDecompressFile(const std::wstring& input, const std::wstring& output, const SApeProgressSink& sink);

// Checks a file: the stored MD5 when there is one, and unless `quick` (or
// without an MD5) the decoding of every frame with its checksum.
// VXM_APE_ERROR_INVALID_CHECKSUM for a wrong MD5, VXM_APE_ERROR_DECOMPRESSING_FRAME
// for a frame that does not decode.
int ApeVerifyFile(const std::wstring& input, const SApeProgressSink& sink, bool quick);

// APE to APE at another compression level: decoded, then coded again with
// the source's WAV header, WAV tail and tags.
int ApeConvertFile(const std::wstring& input, const std::wstring& output, int level, const SApeProgressSink& sink);
