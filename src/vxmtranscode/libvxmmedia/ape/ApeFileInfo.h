// The layout of an APE file (versions 3980 and later): where its parts lie,
// the audio format, and the MD5 its encoder stored.
#pragma once
#include "ApeProgress.h"

#include <cstdint>
#include <fstream>
#include <string>

struct SApeFileInfo {
    uint16_t version = 0;
    uint16_t formatFlags = 0;
    int channels = 0;
    int bitsPerSample = 0;
    int sampleRate = 0;
    uint32_t blocksPerFrame = 0;
    uint32_t finalFrameBlocks = 0;
    uint32_t totalFrames = 0;
    // Byte offsets and sizes of the parts, in file order.
    uint64_t descriptorStart = 0;  // after a leading ID3v2 tag
    uint32_t descriptorBytes = 0;
    uint32_t headerBytes = 0;
    uint32_t seekTableBytes = 0;
    uint32_t wavHeaderBytes = 0;
    uint64_t frameDataBytes = 0;
    uint32_t terminatingBytes = 0;
    uint64_t fileBytes = 0;
    uint8_t md5[16] = {};

    uint64_t TotalBlocks() const;
    // True when the encoder stored an MD5 of the file.
    bool HasMd5() const;
    // True when the file holds no WAV header of its own: readers make one.
    bool CreatesWavHeader() const;
    uint64_t HeaderStart() const { return descriptorStart + descriptorBytes; }
    uint64_t WavHeaderStart() const { return HeaderStart() + headerBytes + seekTableBytes; }
    uint64_t FrameDataStart() const { return WavHeaderStart() + wavHeaderBytes; }
    uint64_t TerminatingStart() const { return FrameDataStart() + frameDataBytes; }
    // Tags (APE, ID3v1) follow the WAV's terminating data.
    uint64_t TagsStart() const { return TerminatingStart() + terminatingBytes; }
    // Bytes the MD5 covers.
    uint64_t ChecksummedBytes() const
    {
        return uint64_t{wavHeaderBytes} + frameDataBytes + terminatingBytes + headerBytes + seekTableBytes;
    }
};

// What an APE file keeps beside its samples, so that decompressing or
// converting it gives back what went in.
struct SApeKeptBytes {
    std::string wavHeader;     // the source WAV up to its samples; empty: readers make one
    std::string wavTail;       // the source WAV after its samples
    std::string leadingTag;    // before the descriptor (an ID3v2 tag)
    std::string trailingTags;  // after the WAV tail (APE tag, ID3v1)
};

// Reads the descriptor and header: 0, or an APE error code (an older
// version than 3980, a file shorter than its header says).
int ReadApeFileInfo(std::ifstream& file, SApeFileInfo& info);

// Checks the stored MD5 over the WAV header, frame and terminating data,
// the header and the seek table: 0, VXM_APE_ERROR_INVALID_CHECKSUM, a read
// error or VXM_APE_ERROR_USER_STOPPED. Progress is reported in bytes.
int CheckApeMd5(std::ifstream& file, const SApeFileInfo& info, CApeProgress& progress);

// The WAV header a reader writes before the samples: the stored one, or a
// canonical 44-byte one made for the format.
int ReadApeWavHeader(std::ifstream& file, const SApeFileInfo& info, std::string& header);

// The file's kept bytes as they are (no WAV header made up).
int ReadApeKeptBytes(std::ifstream& file, const SApeFileInfo& info, SApeKeptBytes& kept);
