#include "ApeFileInfo.h"

#include "ApeErrors.h"
#include "VXMApeCompress.h"

#include "av/AvHandles.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

namespace {

constexpr uint16_t kFirstDescriptorVersion = 3980;
constexpr uint32_t kDescriptorMinBytes = 52;
constexpr uint32_t kHeaderMinBytes = 24;
constexpr uint16_t kFlagCreateWavHeader = 32;
constexpr size_t kChunkBytes = 1 << 16;

uint32_t Le32(const uint8_t* p)
{
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

uint16_t Le16(const uint8_t* p)
{
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

bool ReadAt(std::ifstream& file, uint64_t offset, void* buffer, size_t bytes)
{
    file.clear();
    file.seekg(static_cast<std::streamoff>(offset));
    return static_cast<bool>(file.read(static_cast<char*>(buffer), static_cast<std::streamsize>(bytes)));
}

bool ReadRange(std::ifstream& file, uint64_t offset, uint64_t bytes, std::string& out)
{
    out.resize(static_cast<size_t>(bytes));
    return bytes == 0 || ReadAt(file, offset, out.data(), out.size());
}

// Size of a leading ID3v2 tag (0 without one).
uint64_t Id3v2Bytes(std::ifstream& file)
{
    uint8_t tag[10];
    if (!ReadAt(file, 0, tag, sizeof tag) || std::memcmp(tag, "ID3", 3) != 0)
        return 0;
    const uint64_t size = (tag[6] & 0x7F) << 21 | (tag[7] & 0x7F) << 14 | (tag[8] & 0x7F) << 7 | (tag[9] & 0x7F);
    return 10 + size + ((tag[5] & 0x10) ? 10 : 0);
}

}  // namespace

uint64_t SApeFileInfo::TotalBlocks() const
{
    if (totalFrames == 0)
        return 0;
    return static_cast<uint64_t>(totalFrames - 1) * blocksPerFrame + finalFrameBlocks;
}

bool SApeFileInfo::HasMd5() const
{
    return std::any_of(std::begin(md5), std::end(md5), [](uint8_t b) { return b != 0; });
}

bool SApeFileInfo::CreatesWavHeader() const
{
    return (formatFlags & kFlagCreateWavHeader) != 0;
}

int ReadApeFileInfo(std::ifstream& file, SApeFileInfo& info)
{
    info = {};
    file.clear();
    file.seekg(0, std::ios::end);
    const auto fileSize = static_cast<uint64_t>(file.tellg());
    info.fileBytes = fileSize;
    info.descriptorStart = Id3v2Bytes(file);

    uint8_t descriptor[kDescriptorMinBytes];
    if (!ReadAt(file, info.descriptorStart, descriptor, sizeof descriptor) || std::memcmp(descriptor, "MAC ", 4) != 0)
        return VXM_APE_ERROR_INVALID_INPUT;
    info.version = Le16(descriptor + 4);
    if (info.version < kFirstDescriptorVersion)
        return VXM_APE_ERROR_UNSUPPORTED_VERSION;
    info.descriptorBytes = Le32(descriptor + 8);
    info.headerBytes = Le32(descriptor + 12);
    info.seekTableBytes = Le32(descriptor + 16);
    info.wavHeaderBytes = Le32(descriptor + 20);
    info.frameDataBytes = Le32(descriptor + 24) | static_cast<uint64_t>(Le32(descriptor + 28)) << 32;
    info.terminatingBytes = Le32(descriptor + 32);
    std::memcpy(info.md5, descriptor + 36, sizeof info.md5);
    if (info.descriptorBytes < kDescriptorMinBytes || info.headerBytes < kHeaderMinBytes)
        return VXM_APE_ERROR_INVALID_INPUT;

    uint8_t header[kHeaderMinBytes];
    if (!ReadAt(file, info.HeaderStart(), header, sizeof header))
        return VXM_APE_ERROR_INVALID_INPUT;
    info.formatFlags = Le16(header + 2);
    info.blocksPerFrame = Le32(header + 4);
    info.finalFrameBlocks = Le32(header + 8);
    info.totalFrames = Le32(header + 12);
    info.bitsPerSample = Le16(header + 16);
    info.channels = Le16(header + 18);
    info.sampleRate = static_cast<int>(Le32(header + 20));
    if (info.totalFrames == 0 || info.blocksPerFrame == 0 || info.finalFrameBlocks == 0 ||
        info.finalFrameBlocks > info.blocksPerFrame || info.channels < 1 || info.channels > 2 ||
        (info.bitsPerSample != 8 && info.bitsPerSample != 16 && info.bitsPerSample != 24) || info.sampleRate <= 0)
        return VXM_APE_ERROR_INVALID_INPUT;
    // A cut file lacks the end of its frames.
    if (info.TagsStart() > fileSize)
        return VXM_APE_ERROR_INVALID_INPUT;
    return 0;
}

int CheckApeMd5(std::ifstream& file, const SApeFileInfo& info, CApeProgress& progress)
{
    CAvMd5Ptr md5(av_md5_alloc());
    if (!md5)
        return VXM_APE_ERROR_IO_READ;
    av_md5_init(md5.get());
    std::vector<uint8_t> buffer(kChunkBytes);
    uint64_t done = 0;
    // Same order as the encoder summed them.
    auto add = [&](uint64_t offset, uint64_t bytes) {
        while (bytes > 0) {
            if (progress.StopRequested())
                return VXM_APE_ERROR_USER_STOPPED;
            const size_t count = static_cast<size_t>(std::min<uint64_t>(bytes, buffer.size()));
            if (!ReadAt(file, offset, buffer.data(), count))
                return VXM_APE_ERROR_IO_READ;
            av_md5_update(md5.get(), buffer.data(), count);
            offset += count;
            bytes -= count;
            done += count;
            progress.Report(done);
        }
        return 0;
    };
    int error = add(info.WavHeaderStart(), info.wavHeaderBytes + info.frameDataBytes + info.terminatingBytes);
    if (!error)
        error = add(info.HeaderStart(), info.headerBytes + uint64_t{info.seekTableBytes});
    if (error)
        return error;
    uint8_t digest[16];
    av_md5_final(md5.get(), digest);
    return std::memcmp(digest, info.md5, sizeof digest) == 0 ? 0 : VXM_APE_ERROR_INVALID_CHECKSUM;
}

int ReadApeWavHeader(std::ifstream& file, const SApeFileInfo& info, std::string& header)
{
    if (info.CreatesWavHeader() || info.wavHeaderBytes == 0) {
        WAVEFORMATEX format{};
        FillWaveFormatEx(&format, info.sampleRate, info.bitsPerSample, info.channels);
        WAVE_HEADER wave{};
        const uint64_t audioBytes = info.TotalBlocks() * format.nBlockAlign;
        FillWaveHeader(&wave, static_cast<int>(std::min<uint64_t>(audioBytes, UINT32_MAX - 64)), &format,
                       static_cast<int>(info.terminatingBytes));
        header.assign(reinterpret_cast<const char*>(&wave), sizeof wave);
        return 0;
    }
    return ReadRange(file, info.WavHeaderStart(), info.wavHeaderBytes, header) ? 0 : VXM_APE_ERROR_IO_READ;
}

int ReadApeKeptBytes(std::ifstream& file, const SApeFileInfo& info, SApeKeptBytes& kept)
{
    kept = {};
    const bool stored = !info.CreatesWavHeader() && info.wavHeaderBytes > 0;
    const bool read = (!stored || ReadRange(file, info.WavHeaderStart(), info.wavHeaderBytes, kept.wavHeader)) &&
                      ReadRange(file, info.TerminatingStart(), info.terminatingBytes, kept.wavTail) &&
                      ReadRange(file, 0, info.descriptorStart, kept.leadingTag) &&
                      ReadRange(file, info.TagsStart(), info.fileBytes - info.TagsStart(), kept.trailingTags);
    return read ? 0 : VXM_APE_ERROR_IO_READ;
}
