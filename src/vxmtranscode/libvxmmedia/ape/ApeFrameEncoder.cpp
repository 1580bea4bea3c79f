#include "ApeFrameEncoder.h"

extern "C" {
#include <libavutil/crc.h>
}

CApeFrameEncoder::CApeFrameEncoder(int channels, int bitsPerSample, int level)
    : m_nChannels(channels), m_nBitsPerSample(bitsPerSample)
{
    m_predictor.SetWide(CApePredictor::UsesWidePrediction(channels, bitsPerSample, level));
    for (int ch = 0; ch < m_nChannels; ++ch) {
        // A reader runs the stages first to last, so the coder runs them
        // last to first.
        const std::vector<SApeFilterStage> stages = ApeFilterStages(level);
        for (auto it = stages.rbegin(); it != stages.rend(); ++it)
            m_filters[ch].push_back(std::make_unique<CApeNNFilter>(it->order, it->fractionBits));
    }
    Begin();
}

void CApeFrameEncoder::Begin()
{
    for (int ch = 0; ch < m_nChannels; ++ch) {
        for (auto& filter : m_filters[ch])
            filter->Reset();
        m_models[ch] = SApeRiceState{};
    }
    m_predictor.Reset();
    m_coder.Start();
    m_nCrc = 0xFFFFFFFFu;
    m_bSilent = true;
    m_nLastMid = 0;
}

int32_t CApeFrameEncoder::ReadSample(const uint8_t*& pcm) const
{
    int32_t value;
    switch (m_nBitsPerSample) {
    case 8:
        value = static_cast<int32_t>(pcm[0]) - 128;
        pcm += 1;
        break;
    case 16:
        value = static_cast<int16_t>(pcm[0] | (pcm[1] << 8));
        pcm += 2;
        break;
    default:
        value = static_cast<int32_t>(static_cast<uint32_t>(pcm[0] | (pcm[1] << 8) | (pcm[2] << 16)) << 8) >> 8;
        pcm += 3;
        break;
    }
    return value;
}

int32_t CApeFrameEncoder::Filter(int channel, int32_t residual)
{
    for (auto& filter : m_filters[channel])
        residual = filter->Compress(residual);
    return residual;
}

void CApeFrameEncoder::Add(const uint8_t* pcm, size_t blocks)
{
    const size_t bytes = blocks * m_nChannels * (m_nBitsPerSample / 8);
    m_nCrc = av_crc(av_crc_get_table(AV_CRC_32_IEEE_LE), m_nCrc, pcm, bytes);

    if (m_nChannels == 1) {
        for (size_t i = 0; i < blocks; ++i) {
            const int32_t value = ReadSample(pcm);
            m_bSilent = m_bSilent && value == 0;
            m_coder.EncodeValue(Filter(0, m_predictor.Compress(0, value, 0)), m_models[0]);
        }
        return;
    }
    for (size_t i = 0; i < blocks; ++i) {
        const int32_t left = ReadSample(pcm);
        const int32_t right = ReadSample(pcm);
        m_bSilent = m_bSilent && left == 0 && right == 0;
        // Side first, then the mid that a reader rebuilds from it.
        const int32_t side = right - left;
        const int32_t mid = left + side / 2;
        const int32_t sideResidual = Filter(0, m_predictor.Compress(0, side, m_nLastMid));
        const int32_t midResidual = Filter(1, m_predictor.Compress(1, mid, side));
        m_nLastMid = mid;
        m_coder.EncodeValue(sideResidual, m_models[0]);
        m_coder.EncodeValue(midResidual, m_models[1]);
    }
}

namespace {

constexpr uint32_t kFrameHasFlags = 0x80000000u;
constexpr uint32_t kFrameMonoSilence = 1;
constexpr uint32_t kFrameStereoSilence = 3;

void PutBe32(std::vector<uint8_t>& out, uint32_t value)
{
    out.push_back(static_cast<uint8_t>(value >> 24));
    out.push_back(static_cast<uint8_t>(value >> 16));
    out.push_back(static_cast<uint8_t>(value >> 8));
    out.push_back(static_cast<uint8_t>(value));
}

}  // namespace

void CApeFrameEncoder::Finish(std::vector<uint8_t>& out)
{
    // The frame's CRC: CRC-32 of its PCM bytes, shifted right once; the top
    // bit announces frame flags.
    const uint32_t crc = ~m_nCrc >> 1;
    if (m_bSilent) {
        // A silent frame is told by its flags alone, with an empty range coder stream.
        PutBe32(out, crc | kFrameHasFlags);
        PutBe32(out, m_nChannels == 2 ? kFrameStereoSilence : kFrameMonoSilence);
        m_coder.Start();
    } else {
        PutBe32(out, crc);
    }
    m_coder.Finish();
    const std::vector<uint8_t>& bytes = m_coder.Bytes();
    out.insert(out.end(), bytes.begin(), bytes.end());
}
