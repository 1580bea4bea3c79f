// Interleaved PCM as a WAV file holds it (8-bit unsigned, else signed
// little-endian), read block by block: what the APE compressor codes.
#pragma once
#include <cstddef>
#include <cstdint>

class IApePcmSource {
public:
    virtual ~IApePcmSource() = default;
    virtual int Channels() const = 0;
    virtual int BitsPerSample() const = 0;
    virtual int SampleRate() const = 0;
    int BlockAlign() const { return Channels() * (BitsPerSample() / 8); }
    virtual uint64_t TotalBlocks() const = 0;
    // Reads the next `blocks` blocks into `buffer`; false when they cannot
    // be had, ReadError() telling why.
    virtual bool Read(uint8_t* buffer, size_t blocks) = 0;
    virtual int ReadError() const = 0;
};
