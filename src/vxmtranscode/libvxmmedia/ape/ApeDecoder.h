// The samples of an APE file through libavcodec's APE decoder, with its
// frame checksums checked, as interleaved PCM.
#pragma once
#include "ApePcmSource.h"
#include "av/AvHandles.h"

#include <memory>
#include <string>
#include <vector>

struct AVCodecContext;
struct AVFrame;

class CApeDecoder : public IApePcmSource {
public:
    CApeDecoder();
    ~CApeDecoder() override;
    // 0, or VXM_APE_ERROR_INVALID_INPUT when it is no APE file FFmpeg reads.
    // `totalBlocks` is the length the file's header gives.
    int Open(const std::string& path, uint64_t totalBlocks);

    int Channels() const override { return m_nChannels; }
    int BitsPerSample() const override { return m_nBits; }
    int SampleRate() const override { return m_nSampleRate; }
    uint64_t TotalBlocks() const override { return m_nTotalBlocks; }
    // Fails on a frame that does not decode or on samples missing from the end.
    bool Read(uint8_t* buffer, size_t blocks) override;
    int ReadError() const override { return m_nError; }
    // True when the decoder gives no sample past the end either.
    bool AtEnd();

private:
    // Decodes until `m_pending` holds at least `bytes` bytes or the file ends.
    bool Fill(size_t bytes);
    void Append(const AVFrame* frame);

    struct SCodecFree {
        void operator()(AVCodecContext* context) const;
    };
    struct SFrameFree {
        void operator()(AVFrame* frame) const;
    };
    CAvInputPtr m_format;
    std::unique_ptr<AVCodecContext, SCodecFree> m_codec;
    std::unique_ptr<AVFrame, SFrameFree> m_frame;
    CAvPacketPtr m_packet;
    std::vector<uint8_t> m_pending;
    size_t m_nPendingStart = 0;
    bool m_bDrained = false;
    int m_nStream = -1;
    int m_nChannels = 0;
    int m_nBits = 0;
    int m_nSampleRate = 0;
    uint64_t m_nTotalBlocks = 0;
    int m_nError = 0;
};
