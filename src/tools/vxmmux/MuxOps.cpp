#include "MuxOps.h"

#include "AvHandles.h"

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/avutil.h>
#include <libavutil/dict.h>
#include <libavutil/mathematics.h>
}

#include <algorithm>
#include <memory>

namespace {

// False, with "<name>: <reason>" in `error`, when `rc` is an error.
bool Succeeded(int rc, const std::string& name, std::string& error)
{
    if (rc >= 0)
        return true;
    error = name + ": " + AvErrorText(rc);
    return false;
}

bool OpenInput(const MuxInput& in, CAvInputPtr& out, std::string& error)
{
    AVFormatContext* ctx = nullptr;
    AVDictionary* opts = nullptr;
    if (!in.frameRate.empty())
        av_dict_set(&opts, "framerate", in.frameRate.c_str(), 0);
    int rc = avformat_open_input(&ctx, in.path.c_str(), nullptr, &opts);
    av_dict_free(&opts);
    if (rc < 0) {
        error = in.path + ": " + AvErrorText(rc);
        return false;
    }
    out.reset(ctx);
    rc = avformat_find_stream_info(ctx, nullptr);
    if (rc < 0) {
        error = in.path + ": " + AvErrorText(rc);
        return false;
    }
    return true;
}

bool OpenOutput(const std::string& output, const char* formatName, CAvOutputPtr& out, std::string& error)
{
    AVFormatContext* ctx = nullptr;
    int rc = avformat_alloc_output_context2(&ctx, nullptr, formatName, output.c_str());
    if (rc < 0 || !ctx) {
        error = output + ": " + AvErrorText(rc);
        return false;
    }
    out.reset(ctx);
    return true;
}

bool AddStreamCopy(AVFormatContext* oc, const AVStream* in, std::string& error)
{
    AVStream* st = avformat_new_stream(oc, nullptr);
    if (!st || avcodec_parameters_copy(st->codecpar, in->codecpar) < 0) {
        error = "cannot add stream";
        return false;
    }
    st->codecpar->codec_tag = 0;
    st->time_base = in->time_base;
    return true;
}

bool WriteHeader(AVFormatContext* oc, const std::string& output, bool faststart, std::string& error)
{
    if (!(oc->oformat->flags & AVFMT_NOFILE)) {
        int rc = avio_open(&oc->pb, output.c_str(), AVIO_FLAG_WRITE);
        if (rc < 0) {
            error = output + ": " + AvErrorText(rc);
            return false;
        }
    }
    AVDictionary* opts = nullptr;
    if (faststart)
        av_dict_set(&opts, "movflags", "+faststart", 0);
    int rc = avformat_write_header(oc, &opts);
    av_dict_free(&opts);
    return Succeeded(rc, output, error);
}

// Writes one packet, its byte position dropped.
bool WritePacket(AVFormatContext* oc, AVPacket* pkt, const std::string& output, std::string& error)
{
    pkt->pos = -1;
    return Succeeded(av_interleaved_write_frame(oc, pkt), output, error);
}

}  // namespace

bool RemuxInputs(const std::vector<MuxInput>& inputs, const std::string& output, const char* formatName,
                 bool faststart, std::string& error)
{
    std::vector<CAvInputPtr> ins(inputs.size());
    std::vector<std::vector<int>> map(inputs.size());
    CAvOutputPtr oc;
    if (!OpenOutput(output, formatName, oc, error))
        return false;
    for (size_t i = 0; i < inputs.size(); ++i) {
        if (!OpenInput(inputs[i], ins[i], error))
            return false;
        for (unsigned s = 0; s < ins[i]->nb_streams; ++s) {
            const AVStream* st = ins[i]->streams[s];
            AVMediaType type = st->codecpar->codec_type;
            if (type != AVMEDIA_TYPE_VIDEO && type != AVMEDIA_TYPE_AUDIO && type != AVMEDIA_TYPE_SUBTITLE) {
                map[i].push_back(-1);
                continue;
            }
            map[i].push_back(static_cast<int>(oc->nb_streams));
            if (!AddStreamCopy(oc.get(), st, error))
                return false;
        }
    }
    if (oc->nb_streams == 0) {
        error = "no streams to write";
        return false;
    }
    if (!WriteHeader(oc.get(), output, faststart, error))
        return false;

    CAvPacketPtr pkt(av_packet_alloc());
    for (size_t i = 0; i < ins.size(); ++i) {
        std::vector<int64_t> counter(ins[i]->nb_streams, 0);
        std::vector<int64_t> lastDts(ins[i]->nb_streams, AV_NOPTS_VALUE);
        int rc;
        while ((rc = av_read_frame(ins[i].get(), pkt.get())) >= 0) {
            int target = map[i][pkt->stream_index];
            if (target < 0) {
                av_packet_unref(pkt.get());
                continue;
            }
            AVStream* ist = ins[i]->streams[pkt->stream_index];
            AVStream* ost = oc->streams[target];
            int64_t& n = counter[pkt->stream_index];
            if (pkt->dts == AV_NOPTS_VALUE && pkt->pts == AV_NOPTS_VALUE) {
                // Raw streams carry no times: one frame per rate step.
                AVRational rate = ist->r_frame_rate.num ? ist->r_frame_rate : AVRational{25, 1};
                pkt->pts = pkt->dts = av_rescale_q(n, av_inv_q(rate), ist->time_base);
            } else if (pkt->dts == AV_NOPTS_VALUE) {
                pkt->dts = pkt->pts;
            } else if (pkt->pts == AV_NOPTS_VALUE) {
                pkt->pts = pkt->dts;
            }
            int64_t& last = lastDts[pkt->stream_index];
            if (last != AV_NOPTS_VALUE && pkt->dts <= last) {
                pkt->dts = last + 1;
                if (pkt->pts < pkt->dts)
                    pkt->pts = pkt->dts;
            }
            last = pkt->dts;
            ++n;
            av_packet_rescale_ts(pkt.get(), ist->time_base, ost->time_base);
            pkt->stream_index = target;
            if (!WritePacket(oc.get(), pkt.get(), output, error))
                return false;
        }
        if (rc != AVERROR_EOF) {
            error = inputs[i].path + ": " + AvErrorText(rc);
            return false;
        }
    }
    return Succeeded(av_write_trailer(oc.get()), output, error);
}

bool JoinInputs(const std::vector<std::string>& inputs, const std::string& output, std::string& error)
{
    if (inputs.empty()) {
        error = "nothing to join";
        return false;
    }
    std::vector<CAvInputPtr> ins(inputs.size());
    for (size_t i = 0; i < inputs.size(); ++i)
        if (!OpenInput(MuxInput{inputs[i], {}}, ins[i], error))
            return false;
    CAvOutputPtr oc;
    if (!OpenOutput(output, nullptr, oc, error))
        return false;
    for (unsigned s = 0; s < ins[0]->nb_streams; ++s)
        if (!AddStreamCopy(oc.get(), ins[0]->streams[s], error))
            return false;
    if (!WriteHeader(oc.get(), output, false, error))
        return false;

    const unsigned streams = oc->nb_streams;
    std::vector<int64_t> offset(streams, 0);  // in the output time base
    std::vector<int64_t> endTs(streams, 0);
    int64_t baseUs = 0;
    std::vector<int64_t> lastDts(streams, AV_NOPTS_VALUE);
    CAvPacketPtr pkt(av_packet_alloc());
    for (size_t i = 0; i < ins.size(); ++i) {
        AVFormatContext* ic = ins[i].get();
        std::vector<int64_t> firstTs(ic->nb_streams, AV_NOPTS_VALUE);
        int rc;
        while ((rc = av_read_frame(ic, pkt.get())) >= 0) {
            unsigned s = static_cast<unsigned>(pkt->stream_index);
            if (s >= streams || ic->streams[s]->codecpar->codec_type != oc->streams[s]->codecpar->codec_type) {
                av_packet_unref(pkt.get());
                continue;
            }
            AVStream* ost = oc->streams[s];
            if (pkt->dts == AV_NOPTS_VALUE)
                pkt->dts = pkt->pts;
            if (pkt->pts == AV_NOPTS_VALUE)
                pkt->pts = pkt->dts;
            av_packet_rescale_ts(pkt.get(), ic->streams[s]->time_base, ost->time_base);
            if (firstTs[s] == AV_NOPTS_VALUE)
                firstTs[s] = pkt->dts == AV_NOPTS_VALUE ? 0 : pkt->dts;
            if (pkt->dts != AV_NOPTS_VALUE) {
                pkt->dts += offset[s] - firstTs[s];
                pkt->pts += offset[s] - firstTs[s];
                if (lastDts[s] != AV_NOPTS_VALUE && pkt->dts <= lastDts[s]) {
                    int64_t shift = lastDts[s] + 1 - pkt->dts;
                    pkt->dts += shift;
                    pkt->pts += shift;
                }
                lastDts[s] = pkt->dts;
                int64_t end = pkt->pts + (pkt->duration > 0 ? pkt->duration : 0);
                if (end > endTs[s])
                    endTs[s] = end;
            }
            if (!WritePacket(oc.get(), pkt.get(), output, error))
                return false;
        }
        if (rc != AVERROR_EOF) {
            error = inputs[i] + ": " + AvErrorText(rc);
            return false;
        }
        // The next file starts where this one ended.
        int64_t endUs = baseUs;
        if (ic->duration > 0)
            endUs = baseUs + ic->duration;
        else
            for (unsigned s = 0; s < streams; ++s)
                endUs = std::max(endUs, av_rescale_q(endTs[s], oc->streams[s]->time_base, AV_TIME_BASE_Q));
        baseUs = endUs;
        for (unsigned s = 0; s < streams; ++s)
            offset[s] = av_rescale_q(baseUs, AV_TIME_BASE_Q, oc->streams[s]->time_base);
    }
    return Succeeded(av_write_trailer(oc.get()), output, error);
}
