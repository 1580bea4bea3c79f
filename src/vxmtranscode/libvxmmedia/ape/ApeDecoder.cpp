#include "ApeDecoder.h"

#include "ApeErrors.h"
#include "cmdutils.h"

#include <algorithm>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

void CApeDecoder::SCodecFree::operator()(AVCodecContext* context) const { avcodec_free_context(&context); }

void CApeDecoder::SFrameFree::operator()(AVFrame* frame) const { av_frame_free(&frame); }

CApeDecoder::CApeDecoder() = default;
CApeDecoder::~CApeDecoder() = default;

int CApeDecoder::Open(const std::string& path, uint64_t totalBlocks)
{
    // The decoder's messages go to the engine's log, also when the host
    // calls the file functions before (or without) registering the engine.
    install_tool_log_callback();
    AVFormatContext* format = nullptr;
    const AVInputFormat* ape = av_find_input_format("ape");
    if (!ape || avformat_open_input(&format, path.c_str(), ape, nullptr) < 0)
        return VXM_APE_ERROR_INVALID_INPUT;
    m_format.reset(format);
    // The audio; a cover in the APE tag is a picture stream beside it.
    m_nStream = av_find_best_stream(m_format.get(), AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
    if (m_nStream < 0 || m_format->streams[m_nStream]->codecpar->codec_id != AV_CODEC_ID_APE)
        return VXM_APE_ERROR_INVALID_INPUT;
    const AVCodecParameters* parameters = m_format->streams[m_nStream]->codecpar;
    const AVCodec* codec = avcodec_find_decoder(AV_CODEC_ID_APE);
    m_codec.reset(codec ? avcodec_alloc_context3(codec) : nullptr);
    m_frame.reset(av_frame_alloc());
    m_packet.reset(av_packet_alloc());
    if (!m_codec || !m_frame || !m_packet || avcodec_parameters_to_context(m_codec.get(), parameters) < 0)
        return VXM_APE_ERROR_INVALID_INPUT;
    // A frame whose checksum does not match is an error, not a warning.
    m_codec->err_recognition = AV_EF_CRCCHECK | AV_EF_EXPLODE;
    if (avcodec_open2(m_codec.get(), codec, nullptr) < 0)
        return VXM_APE_ERROR_INVALID_INPUT;
    m_nChannels = m_codec->ch_layout.nb_channels;
    m_nBits = parameters->bits_per_coded_sample;
    m_nSampleRate = m_codec->sample_rate;
    m_nTotalBlocks = totalBlocks;
    if (m_nChannels < 1 || (m_nBits != 8 && m_nBits != 16 && m_nBits != 24))
        return VXM_APE_ERROR_INVALID_INPUT;
    return 0;
}

void CApeDecoder::Append(const AVFrame* frame)
{
    // Planar samples: unsigned 8-bit, 16-bit, or 24-bit in the top of 32.
    const int sampleBytes = m_nBits / 8;
    const int skip = m_nBits == 24 ? 1 : 0;
    const int stride = m_nBits == 24 ? 4 : sampleBytes;
    if (m_nPendingStart > 0) {
        m_pending.erase(m_pending.begin(), m_pending.begin() + static_cast<std::ptrdiff_t>(m_nPendingStart));
        m_nPendingStart = 0;
    }
    const size_t at = m_pending.size();
    m_pending.resize(at + static_cast<size_t>(frame->nb_samples) * BlockAlign());
    uint8_t* out = m_pending.data() + at;
    for (int i = 0; i < frame->nb_samples; ++i)
        for (int ch = 0; ch < m_nChannels; ++ch) {
            const uint8_t* sample = frame->extended_data[ch] + static_cast<size_t>(i) * stride + skip;
            for (int b = 0; b < sampleBytes; ++b)
                *out++ = sample[b];
        }
}

bool CApeDecoder::Fill(size_t bytes)
{
    while (m_pending.size() - m_nPendingStart < bytes && !m_bDrained) {
        int result = avcodec_receive_frame(m_codec.get(), m_frame.get());
        if (result >= 0) {
            Append(m_frame.get());
            av_frame_unref(m_frame.get());
            continue;
        }
        if (result == AVERROR_EOF) {
            m_bDrained = true;
            break;
        }
        if (result != AVERROR(EAGAIN))
            return false;
        result = av_read_frame(m_format.get(), m_packet.get());
        if (result == AVERROR_EOF) {
            result = avcodec_send_packet(m_codec.get(), nullptr);
        } else if (result >= 0 && m_packet->stream_index != m_nStream) {
            av_packet_unref(m_packet.get());
        } else if (result >= 0) {
            result = avcodec_send_packet(m_codec.get(), m_packet.get());
            av_packet_unref(m_packet.get());
        }
        if (result < 0)
            return false;
    }
    return true;
}

bool CApeDecoder::Read(uint8_t* buffer, size_t blocks)
{
    const size_t bytes = blocks * static_cast<size_t>(BlockAlign());
    if (!Fill(bytes) || m_pending.size() - m_nPendingStart < bytes) {
        m_nError = VXM_APE_ERROR_DECOMPRESSING_FRAME;
        return false;
    }
    std::copy_n(m_pending.begin() + static_cast<std::ptrdiff_t>(m_nPendingStart), bytes, buffer);
    m_nPendingStart += bytes;
    return true;
}

bool CApeDecoder::AtEnd()
{
    return Fill(1) && m_pending.size() == m_nPendingStart;
}
