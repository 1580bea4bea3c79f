#include "ApeWavReader.h"

#include "ApeErrors.h"
#include "ApeFileInfo.h"

#include <cstring>
#include <filesystem>

namespace {

constexpr int kFormatPcm = 1;
constexpr int kFormatExtensible = 0xFFFE;

uint32_t Le32(const uint8_t* p)
{
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

uint16_t Le16(const uint8_t* p)
{
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

}  // namespace

bool CApeWavReader::Open(const std::string& path)
{
    std::error_code error;
    const auto fsPath = std::filesystem::u8path(path);
    const uint64_t fileSize = std::filesystem::file_size(fsPath, error);
    if (error)
        return false;
    m_file.open(fsPath, std::ios::binary);
    if (!m_file)
        return false;

    uint8_t riff[12];
    if (!m_file.read(reinterpret_cast<char*>(riff), sizeof(riff)) || std::memcmp(riff, "RIFF", 4) != 0 ||
        std::memcmp(riff + 8, "WAVE", 4) != 0)
        return false;

    bool haveFormat = false;
    uint64_t position = 12;
    while (position + 8 <= fileSize) {
        uint8_t chunk[8];
        m_file.seekg(static_cast<std::streamoff>(position));
        if (!m_file.read(reinterpret_cast<char*>(chunk), sizeof(chunk)))
            return false;
        const uint32_t size = Le32(chunk + 4);
        const uint64_t body = position + 8;
        if (std::memcmp(chunk, "fmt ", 4) == 0) {
            uint8_t format[40] = {};
            if (size < 16 || !m_file.read(reinterpret_cast<char*>(format), std::min<uint32_t>(size, sizeof(format))))
                return false;
            m_nFormatTag = Le16(format);
            m_nChannels = Le16(format + 2);
            m_nSampleRate = static_cast<int>(Le32(format + 4));
            m_nBitsPerSample = Le16(format + 14);
            // An extensible header names its true format in the sub-format's first two bytes.
            if (m_nFormatTag == kFormatExtensible && size >= 40)
                m_nFormatTag = Le16(format + 24);
            haveFormat = true;
        } else if (std::memcmp(chunk, "data", 4) == 0) {
            if (!haveFormat || BlockAlign() <= 0)
                return false;
            // A size that overruns the file (a streamed header's placeholder)
            // or one left at 0 by a recorder means: up to the end of the file.
            uint64_t dataBytes = size;
            if (size == 0 || body + dataBytes > fileSize)
                dataBytes = fileSize - body;
            m_nTotalBlocks = dataBytes / static_cast<uint64_t>(BlockAlign());
            m_nDataStart = body;
            m_nFileBytes = fileSize;
            m_file.seekg(static_cast<std::streamoff>(body));
            return static_cast<bool>(m_file);
        }
        position = body + size + (size & 1);
    }
    return false;
}

int CApeWavReader::ReadKeptBytes(SApeKeptBytes& kept)
{
    const uint64_t tailStart = m_nDataStart + m_nTotalBlocks * static_cast<uint64_t>(BlockAlign());
    const uint64_t tailBytes = m_nFileBytes - tailStart;
    // The descriptor holds both sizes in 32 bits.
    if (m_nDataStart > UINT32_MAX || tailBytes > UINT32_MAX)
        return VXM_APE_ERROR_INPUT_TOO_LARGE;
    kept = {};
    kept.wavHeader.resize(static_cast<size_t>(m_nDataStart));
    kept.wavTail.resize(static_cast<size_t>(tailBytes));
    m_file.seekg(0);
    m_file.read(kept.wavHeader.data(), static_cast<std::streamsize>(m_nDataStart));
    m_file.seekg(static_cast<std::streamoff>(tailStart));
    m_file.read(kept.wavTail.data(), static_cast<std::streamsize>(tailBytes));
    m_file.seekg(static_cast<std::streamoff>(m_nDataStart));
    return m_file ? 0 : VXM_APE_ERROR_IO_READ;
}

bool CApeWavReader::IsPcm() const
{
    return m_nFormatTag == kFormatPcm;
}

bool CApeWavReader::IsSupported() const
{
    return IsPcm() && (m_nChannels == 1 || m_nChannels == 2) &&
           (m_nBitsPerSample == 8 || m_nBitsPerSample == 16 || m_nBitsPerSample == 24) && m_nSampleRate > 0;
}

bool CApeWavReader::Read(uint8_t* buffer, size_t blocks)
{
    const auto bytes = static_cast<std::streamsize>(blocks * static_cast<size_t>(BlockAlign()));
    return static_cast<bool>(m_file.read(reinterpret_cast<char*>(buffer), bytes));
}

int CApeWavReader::ReadError() const
{
    return VXM_APE_ERROR_IO_READ;
}
