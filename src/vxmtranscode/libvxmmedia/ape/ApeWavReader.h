// Reads the PCM of a RIFF/WAVE file for the APE compressor.
#pragma once
#include "ApePcmSource.h"

#include <cstdint>
#include <fstream>
#include <string>

struct SApeKeptBytes;

class CApeWavReader : public IApePcmSource {
public:
    // False when the file cannot be opened or is no PCM WAV file.
    bool Open(const std::string& path);
    // False when the format is one the compressor cannot code.
    bool IsSupported() const;
    bool IsPcm() const;
    // The file's bytes before and after the whole blocks of its samples
    // (header and trailing chunks): 0 or an APE error code.
    int ReadKeptBytes(SApeKeptBytes& kept);

    int Channels() const override { return m_nChannels; }
    int BitsPerSample() const override { return m_nBitsPerSample; }
    int SampleRate() const override { return m_nSampleRate; }
    // Whole blocks of PCM in the data chunk (as far as the file holds them).
    uint64_t TotalBlocks() const override { return m_nTotalBlocks; }
    // Reads `blocks` blocks into `buffer`; false on a read error.
    bool Read(uint8_t* buffer, size_t blocks) override;
    int ReadError() const override;

private:
    std::ifstream m_file;
    int m_nChannels = 0;
    int m_nBitsPerSample = 0;
    int m_nSampleRate = 0;
    int m_nFormatTag = 0;
    uint64_t m_nTotalBlocks = 0;
    uint64_t m_nDataStart = 0;
    uint64_t m_nFileBytes = 0;
};
