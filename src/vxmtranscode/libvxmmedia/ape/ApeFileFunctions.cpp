#include "ApeFileFunctions.h"

#include "ApeCompressor.h"
#include "ApeDecoder.h"
#include "ApeErrors.h"
#include "ApeFileInfo.h"
#include "ApeOutputFile.h"
#include "platform/paths.h"

#include <fstream>
#include <vector>

namespace {

constexpr size_t kBlocksPerRead = 16384;

// An opened APE file: its layout, and its decoder when asked for.
struct SApeInput {
    std::string path;
    std::ifstream file;
    SApeFileInfo info;
    CApeDecoder decoder;

    int Open(const std::wstring& input)
    {
        const std::filesystem::path name = PathFromWide(input);
        path = name.string();
        file.open(name, std::ios::binary);
        if (!file)
            return VXM_APE_ERROR_INVALID_INPUT;
        return ReadApeFileInfo(file, info);
    }

    int OpenDecoded(const std::wstring& input)
    {
        const int error = Open(input);
        return error ? error : OpenDecoder();
    }

    int OpenDecoder()
    {
        if (const int error = decoder.Open(path, info.TotalBlocks()))
            return error;
        // The decoder must see the format the header gives.
        if (decoder.Channels() != info.channels || decoder.BitsPerSample() != info.bitsPerSample)
            return VXM_APE_ERROR_INVALID_INPUT;
        return 0;
    }
};

// Decodes every block, handing each run of PCM to `sink` (may be empty).
template <typename Sink>
int DecodeAll(CApeDecoder& decoder, CApeProgress& progress, Sink&& sink)
{
    std::vector<uint8_t> pcm(kBlocksPerRead * static_cast<size_t>(decoder.BlockAlign()));
    const uint64_t total = decoder.TotalBlocks();
    for (uint64_t done = 0; done < total;) {
        if (progress.StopRequested())
            return VXM_APE_ERROR_USER_STOPPED;
        const size_t count = static_cast<size_t>(std::min<uint64_t>(kBlocksPerRead, total - done));
        if (!decoder.Read(pcm.data(), count))
            return decoder.ReadError();
        if (const int error = sink(pcm.data(), count * static_cast<size_t>(decoder.BlockAlign())))
            return error;
        done += count;
        progress.Report(done);
    }
    // More samples than the header gives is a damaged file too.
    return decoder.AtEnd() ? 0 : VXM_APE_ERROR_DECOMPRESSING_FRAME;
}

int CopyBytes(std::ifstream& from, uint64_t offset, uint64_t bytes, std::ofstream& to)
{
    std::vector<char> buffer(static_cast<size_t>(bytes));
    from.clear();
    from.seekg(static_cast<std::streamoff>(offset));
    if (!from.read(buffer.data(), static_cast<std::streamsize>(buffer.size())))
        return VXM_APE_ERROR_IO_READ;
    return to.write(buffer.data(), static_cast<std::streamsize>(buffer.size())) ? 0 : VXM_APE_ERROR_IO_WRITE;
}

}  // namespace

int ApeDecompressFile(const std::wstring& input, const std::wstring& output, const SApeProgressSink& sink)
{
    if (sink.percent)
        *sink.percent = 0;
    SApeInput source;
    if (const int error = source.OpenDecoded(input))
        return error;
    std::string header;
    if (const int error = ReadApeWavHeader(source.file, source.info, header))
        return error;
    return WriteApeOutput(output, [&](const std::filesystem::path& temporary) {
        std::ofstream wav(temporary, std::ios::binary | std::ios::trunc);
        if (!wav)
            return VXM_APE_ERROR_INVALID_OUTPUT;
        wav.write(header.data(), static_cast<std::streamsize>(header.size()));
        CApeProgress progress(sink, source.decoder.TotalBlocks());
        progress.Report(0);
        int error = DecodeAll(source.decoder, progress, [&](const uint8_t* pcm, size_t bytes) {
            return wav.write(reinterpret_cast<const char*>(pcm), static_cast<std::streamsize>(bytes))
                       ? 0
                       : VXM_APE_ERROR_IO_WRITE;
        });
        if (!error && source.info.terminatingBytes)
            error = CopyBytes(source.file, source.info.TerminatingStart(), source.info.terminatingBytes, wav);
        wav.close();
        return error ? error : wav ? 0 : VXM_APE_ERROR_IO_WRITE;
    });
}

int ApeVerifyFile(const std::wstring& input, const SApeProgressSink& sink, bool quick)
{
    if (sink.percent)
        *sink.percent = 0;
    SApeInput source;
    if (const int error = source.Open(input))
        return error;
    const bool md5 = source.info.HasMd5();
    const bool decode = !quick || !md5;
    if (md5) {
        // Before a decoding run the checksum shows no progress of its own.
        SApeProgressSink stopOnly;
        stopOnly.stopRequested = sink.stopRequested;
        CApeProgress progress(decode ? stopOnly : sink, source.info.ChecksummedBytes());
        if (const int error = CheckApeMd5(source.file, source.info, progress))
            return error;
    }
    if (!decode)
        return 0;
    if (const int error = source.OpenDecoder())
        return error;
    CApeProgress progress(sink, source.decoder.TotalBlocks());
    progress.Report(0);
    return DecodeAll(source.decoder, progress, [](const uint8_t*, size_t) { return 0; });
}

int ApeConvertFile(const std::wstring& input, const std::wstring& output, int level, const SApeProgressSink& sink)
{
    if (sink.percent)
        *sink.percent = 0;
    SApeInput source;
    if (const int error = source.OpenDecoded(input))
        return error;
    SApeKeptBytes kept;
    if (const int error = ReadApeKeptBytes(source.file, source.info, kept))
        return error;
    return GetNativeApeCompressor().CompressSource(source.decoder, output, level, sink, kept);
}
