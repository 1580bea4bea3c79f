#include "cd_input.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "ffmpeg_state.h"

namespace {

constexpr int64_t kSnap = AV_TIME_BASE / 1000;  // one millisecond

int64_t Us(int64_t value, AVRational tb)
{
    return av_rescale_q(value, tb, AV_TIME_BASE_Q);
}

// The end of the disc: the last chapter's end, else the stream's length.
int64_t DiscEnd(const AVFormatContext* ic)
{
    if (ic->nb_chapters > 0) {
        const AVChapter* last = ic->chapters[ic->nb_chapters - 1];
        return Us(last->end, last->time_base);
    }
    if (ic->nb_streams > 0 && ic->streams[0]->duration > 0)
        return Us(ic->streams[0]->duration, ic->streams[0]->time_base);
    if (ic->duration > 0)
        return ic->duration;
    return INT64_MAX;
}

int64_t Snap(int64_t value, int64_t bound)
{
    return value != bound && std::llabs(value - bound) < kSnap ? bound : value;
}

}  // namespace

bool is_cd_input(const AVFormatContext* ic)
{
    return ic && ic->iformat && ic->iformat->name && !strcmp(ic->iformat->name, "libcdio");
}

int cd_input_range(const AVFormatContext* ic, int track, int64_t& start_time, int64_t& recording_time,
                   int64_t& read_end)
{
    int64_t first = 0, last = DiscEnd(ic);
    if (track > 0) {
        if (track > static_cast<int>(ic->nb_chapters))
            return AVERROR(EINVAL);
        const AVChapter* ch = ic->chapters[track - 1];
        first = Us(ch->start, ch->time_base);
        last = Us(ch->end, ch->time_base);
    }
    int64_t start = start_time == AV_NOPTS_VALUE ? first : Snap(start_time, first);
    if (track > 0)
        start = std::clamp(start, first, last);
    int64_t end = last;
    if (recording_time != INT64_MAX && recording_time < last - start)
        end = Snap(start + recording_time, last);
    if (start != 0 || start_time != AV_NOPTS_VALUE)
        start_time = start;
    if (end != INT64_MAX && (recording_time != INT64_MAX || track > 0))
        recording_time = std::max<int64_t>(0, end - start);
    read_end = end;
    return 0;
}

int cd_player_range(const CToolContext* ctx, const AVFormatContext* ic, int64_t& start_time, int64_t& duration,
                    int64_t& read_end)
{
    int track = -1;
    for (const LegacyInputRequest& r : ctx->legacy_inputs)
        if (r.input_index == 0 && r.cd_track > 0)
            track = r.cd_track;
    int64_t length = duration == AV_NOPTS_VALUE ? INT64_MAX : duration;
    const int err = cd_input_range(ic, track, start_time, length, read_end);
    if (err < 0)
        return err;
    duration = length == INT64_MAX ? AV_NOPTS_VALUE : length;
    return 0;
}

bool cd_packet_reaches(const AVFormatContext* ic, const AVPacket* pkt, int64_t read_end)
{
    if (read_end == INT64_MAX || pkt->stream_index < 0 || pkt->stream_index >= static_cast<int>(ic->nb_streams))
        return false;
    const int64_t ts = pkt->pts != AV_NOPTS_VALUE ? pkt->pts : pkt->dts;
    if (ts == AV_NOPTS_VALUE)
        return false;
    const AVRational tb = ic->streams[pkt->stream_index]->time_base;
    // Both ends are rounded from the same sector counts: allow for one unit.
    return Us(ts + std::max<int64_t>(pkt->duration, 0), tb) >= read_end - 1;
}

void take_cd_input_arguments(CToolContext* ctx)
{
    if (!ctx)
        return;
    std::vector<std::string>& args = ctx->argv_storage;
    bool cd = false;
    for (size_t i = 1; i + 1 < args.size(); ++i)
        if (args[i] == "-f" && args[i + 1] == "libcdio")
            cd = true;
    if (!cd)
        return;

    LegacyInputRequest req;
    std::vector<std::string> out;
    out.push_back(args[0]);
    bool afterInputOption = false;
    for (size_t i = 1; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "-track" && i + 1 < args.size()) {
            req.cd_track = std::atoi(args[++i].c_str());
            continue;
        }
        if (a.empty() && afterInputOption)
            out.push_back(ctx->CdDrivePath());
        else
            out.push_back(a);
        afterInputOption = a == "-i";
    }
    args = std::move(out);
    ctx->argv_ptrs.clear();
    for (auto& a : args)
        ctx->argv_ptrs.push_back(a.data());
    ctx->argv_ptrs.push_back(nullptr);
    ctx->argc = static_cast<int>(args.size());
    if (req.cd_track > 0) {
        req.input_index = 0;
        ctx->legacy_inputs.push_back(req);
    }
}
