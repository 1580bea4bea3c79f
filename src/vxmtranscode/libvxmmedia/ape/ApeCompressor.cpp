#include "ApeCompressor.h"

#include "ApeFrameEncoder.h"
#include "ApeOutputFile.h"
#include "ApeWavReader.h"
#include "EngineLog.h"
#include "platform/paths.h"

#include "av/AvHandles.h"

#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <fstream>
#include <vector>

namespace {

const char kLogCategory[] = "ApeCompressor";

constexpr uint16_t kFileVersion = 3990;
constexpr uint32_t kBlocksPerFrame = 73728 * 4;
constexpr size_t kBlocksPerRead = 16384;
constexpr uint32_t kDescriptorBytes = 52;
constexpr uint32_t kHeaderBytes = 24;
// Format flags: 8-bit, 24-bit, and "no stored WAV header" (readers make one).
constexpr uint16_t kFlag8Bit = 1;
constexpr uint16_t kFlag24Bit = 8;
constexpr uint16_t kFlagCreateWavHeader = 32;

void PutLe16(std::vector<uint8_t>& out, uint32_t value)
{
    out.push_back(static_cast<uint8_t>(value));
    out.push_back(static_cast<uint8_t>(value >> 8));
}

void PutLe32(std::vector<uint8_t>& out, uint32_t value)
{
    PutLe16(out, value & 0xFFFF);
    PutLe16(out, value >> 16);
}

struct SApeLayout {
    int level;
    int channels;
    int bitsPerSample;
    int sampleRate;
    uint32_t totalFrames;
    uint32_t finalFrameBlocks;
    uint32_t wavHeaderBytes;
    uint32_t wavTailBytes;
};

constexpr size_t kMd5Offset = 36;

// Descriptor, header and seek table (absolute frame offsets). The MD5 is
// left zero here.
std::vector<uint8_t> BuildHead(const SApeLayout& layout, const std::vector<uint32_t>& seekTable, uint64_t frameBytes)
{
    std::vector<uint8_t> head = {'M', 'A', 'C', ' '};
    head.reserve(kDescriptorBytes + kHeaderBytes + seekTable.size() * 4);
    PutLe16(head, kFileVersion);
    PutLe16(head, 0);
    PutLe32(head, kDescriptorBytes);
    PutLe32(head, kHeaderBytes);
    PutLe32(head, layout.totalFrames * 4);
    PutLe32(head, layout.wavHeaderBytes);
    PutLe32(head, static_cast<uint32_t>(frameBytes));
    PutLe32(head, static_cast<uint32_t>(frameBytes >> 32));
    PutLe32(head, layout.wavTailBytes);
    head.insert(head.end(), 16, 0);  // MD5, filled in at the end

    uint16_t flags = layout.wavHeaderBytes ? 0 : kFlagCreateWavHeader;
    if (layout.bitsPerSample == 8)
        flags |= kFlag8Bit;
    else if (layout.bitsPerSample == 24)
        flags |= kFlag24Bit;
    PutLe16(head, static_cast<uint32_t>(layout.level));
    PutLe16(head, flags);
    PutLe32(head, kBlocksPerFrame);
    PutLe32(head, layout.finalFrameBlocks);
    PutLe32(head, layout.totalFrames);
    PutLe16(head, static_cast<uint32_t>(layout.bitsPerSample));
    PutLe16(head, static_cast<uint32_t>(layout.channels));
    PutLe32(head, static_cast<uint32_t>(layout.sampleRate));
    for (uint32_t offset : seekTable)
        PutLe32(head, offset);
    return head;
}

// Frame data goes out in 32-bit little-endian words whose bytes a reader
// takes most significant first; frames start at any byte.
class CFrameDataWriter {
public:
    CFrameDataWriter(std::ofstream& file, AVMD5* md5) : m_file(file), m_pMd5(md5) {}
    uint64_t Position() const { return m_nWritten + m_pending.size(); }
    void Append(const std::vector<uint8_t>& bytes)
    {
        m_pending.insert(m_pending.end(), bytes.begin(), bytes.end());
        Flush(false);
    }
    void Close() { Flush(true); }

private:
    void Flush(bool all)
    {
        if (all)
            m_pending.resize((m_pending.size() + 3) & ~size_t{3}, 0);
        const size_t words = m_pending.size() / 4;
        for (size_t i = 0; i < words; ++i)
            std::swap(m_pending[i * 4], m_pending[i * 4 + 3]), std::swap(m_pending[i * 4 + 1], m_pending[i * 4 + 2]);
        m_file.write(reinterpret_cast<const char*>(m_pending.data()), static_cast<std::streamsize>(words * 4));
        av_md5_update(m_pMd5, m_pending.data(), words * 4);
        m_nWritten += words * 4;
        m_pending.erase(m_pending.begin(), m_pending.begin() + static_cast<std::ptrdiff_t>(words * 4));
    }

    std::ofstream& m_file;
    AVMD5* m_pMd5;
    std::vector<uint8_t> m_pending;
    uint64_t m_nWritten = 0;
};

int CheckInput(const CApeWavReader& reader)
{
    if (reader.IsSupported())
        return 0;
    if (!reader.IsPcm())
        return VXM_APE_ERROR_INVALID_INPUT;
    if (reader.Channels() != 1 && reader.Channels() != 2)
        return VXM_APE_ERROR_UNSUPPORTED_CHANNELS;
    if (reader.BitsPerSample() != 8 && reader.BitsPerSample() != 16 && reader.BitsPerSample() != 24)
        return VXM_APE_ERROR_UNSUPPORTED_BIT_DEPTH;
    return VXM_APE_ERROR_INVALID_INPUT;
}

// Codes every frame into `file` (positioned after the head).
int WriteFrames(IApePcmSource& reader, const SApeLayout& layout, std::ofstream& file, AVMD5* md5, uint64_t firstFrame,
                std::vector<uint32_t>& seekTable, uint64_t& frameBytes, CApeProgress& progress)
{
    CApeFrameEncoder encoder(layout.channels, layout.bitsPerSample, layout.level);
    CFrameDataWriter writer(file, md5);
    std::vector<uint8_t> pcm(kBlocksPerRead * static_cast<size_t>(reader.BlockAlign()));
    std::vector<uint8_t> frame;
    uint64_t done = 0;
    for (uint32_t index = 0; index < layout.totalFrames; ++index) {
        const uint64_t offset = firstFrame + writer.Position();
        if (offset > UINT32_MAX)
            return VXM_APE_ERROR_INPUT_TOO_LARGE;
        seekTable[index] = static_cast<uint32_t>(offset);
        const uint32_t blocks = index + 1 == layout.totalFrames ? layout.finalFrameBlocks : kBlocksPerFrame;
        encoder.Begin();
        for (uint32_t coded = 0; coded < blocks;) {
            if (progress.StopRequested())
                return VXM_APE_ERROR_USER_STOPPED;
            const size_t count = std::min<size_t>(kBlocksPerRead, blocks - coded);
            if (!reader.Read(pcm.data(), count))
                return reader.ReadError();
            encoder.Add(pcm.data(), count);
            coded += static_cast<uint32_t>(count);
            done += count;
            progress.Report(done);
        }
        frame.clear();
        encoder.Finish(frame);
        writer.Append(frame);
        if (!file)
            return VXM_APE_ERROR_IO_WRITE;
    }
    writer.Close();
    frameBytes = writer.Position();
    return file ? 0 : VXM_APE_ERROR_IO_WRITE;
}

bool Write(std::ofstream& file, const std::string& bytes)
{
    return static_cast<bool>(file.write(bytes.data(), static_cast<std::streamsize>(bytes.size())));
}

// The file: leading tag, head, WAV header, frames, WAV tail, trailing tags.
int CompressTo(IApePcmSource& reader, const std::filesystem::path& temporary, int level, const SApeProgressSink& sink,
               const SApeKeptBytes& kept)
{
    const uint64_t totalBlocks = reader.TotalBlocks();
    if (totalBlocks == 0)
        return VXM_APE_ERROR_INPUT_TOO_SMALL;
    if (kept.wavHeader.size() > UINT32_MAX || kept.wavTail.size() > UINT32_MAX)
        return VXM_APE_ERROR_INPUT_TOO_LARGE;

    SApeLayout layout{level, reader.Channels(), reader.BitsPerSample(), reader.SampleRate(), 0, 0,
                      static_cast<uint32_t>(kept.wavHeader.size()), static_cast<uint32_t>(kept.wavTail.size())};
    const uint64_t frames = (totalBlocks + kBlocksPerFrame - 1) / kBlocksPerFrame;
    if (frames > UINT32_MAX / 4)
        return VXM_APE_ERROR_INPUT_TOO_LARGE;
    layout.totalFrames = static_cast<uint32_t>(frames);
    layout.finalFrameBlocks = static_cast<uint32_t>(totalBlocks - (frames - 1) * kBlocksPerFrame);

    std::ofstream file(temporary, std::ios::binary | std::ios::trunc);
    if (!file)
        return VXM_APE_ERROR_INVALID_OUTPUT;
    std::vector<uint32_t> seekTable(layout.totalFrames, 0);
    const std::vector<uint8_t> placeholder = BuildHead(layout, seekTable, 0);
    Write(file, kept.leadingTag);
    file.write(reinterpret_cast<const char*>(placeholder.data()), static_cast<std::streamsize>(placeholder.size()));
    Write(file, kept.wavHeader);

    CApeProgress progress(sink, totalBlocks);
    progress.Report(0);
    CAvMd5Ptr md5(av_md5_alloc());
    if (!md5)
        return VXM_APE_ERROR_IO_WRITE;
    av_md5_init(md5.get());
    auto sum = [&](const std::string& bytes) {
        av_md5_update(md5.get(), reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    };
    sum(kept.wavHeader);
    uint64_t frameBytes = 0;
    // Seek offsets count from the descriptor.
    if (const int error = WriteFrames(reader, layout, file, md5.get(), placeholder.size() + kept.wavHeader.size(),
                                      seekTable, frameBytes, progress))
        return error;
    sum(kept.wavTail);
    if (!Write(file, kept.wavTail) || !Write(file, kept.trailingTags))
        return VXM_APE_ERROR_IO_WRITE;

    // The file's MD5 covers the WAV header, frame data and WAV tail, then
    // the header and seek table; not the tags.
    std::vector<uint8_t> head = BuildHead(layout, seekTable, frameBytes);
    av_md5_update(md5.get(), head.data() + kDescriptorBytes, head.size() - kDescriptorBytes);
    av_md5_final(md5.get(), head.data() + kMd5Offset);
    file.seekp(static_cast<std::streamoff>(kept.leadingTag.size()));
    file.write(reinterpret_cast<const char*>(head.data()), static_cast<std::streamsize>(head.size()));
    file.close();
    return file ? 0 : VXM_APE_ERROR_IO_WRITE;
}

bool CheckLevel(int level)
{
    if (level >= 1000 && level <= 5000 && level % 1000 == 0)
        return true;
    LogMessageA(kLogCategory, "APE compression level %d is not supported", level);
    return false;
}

}  // namespace

int CApeCompressor::CompressFile(const std::wstring& input, const std::wstring& output, int level, int* percent,
                                 VXM_APE_PROGRESS_FUNC progress, const std::atomic<int>* killFlag)
{
    SApeProgressSink sink;
    sink.percent = percent;
    if (progress)
        sink.progress = progress;
    if (killFlag)
        sink.stopRequested = [killFlag] { return killFlag->load() != 0; };
    return Compress(input, output, level, sink);
}

int CApeCompressor::Compress(const std::wstring& input, const std::wstring& output, int level,
                             const SApeProgressSink& sink)
{
    if (sink.percent)
        *sink.percent = 0;
    if (!CheckLevel(level))
        return VXM_APE_ERROR_BAD_LEVEL;
    CApeWavReader reader;
    if (!reader.Open(PathFromWide(input).string()))
        return VXM_APE_ERROR_INVALID_INPUT;
    if (const int error = CheckInput(reader))
        return error;
    SApeKeptBytes kept;
    if (const int error = reader.ReadKeptBytes(kept))
        return error;
    return CompressSource(reader, output, level, sink, kept);
}

int CApeCompressor::CompressSource(IApePcmSource& source, const std::wstring& output, int level,
                                   const SApeProgressSink& sink, const SApeKeptBytes& kept)
{
    if (sink.percent)
        *sink.percent = 0;
    if (!CheckLevel(level))
        return VXM_APE_ERROR_BAD_LEVEL;
    return WriteApeOutput(output, [&](const std::filesystem::path& temporary) {
        return CompressTo(source, temporary, level, sink, kept);
    });
}

CApeCompressor& GetNativeApeCompressor()
{
    static CApeCompressor compressor;
    return compressor;
}
