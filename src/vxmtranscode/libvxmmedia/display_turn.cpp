#include "display_turn.h"

#include "av/AvHandles.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <utility>

extern "C" {
#include <libavfilter/avfilter.h>
#include <libavfilter/buffersink.h>
#include <libavfilter/buffersrc.h>
#include <libavformat/avformat.h>
#include <libavutil/display.h>
#include <libavutil/frame.h>
#include <libavutil/opt.h>
}

namespace {

// Entries of the matrix within this share of the others count as zero
// (about two degrees): a turn by a whole quarter.
constexpr double kSlack = 0.035;

struct CGraphFree {
    void operator()(AVFilterGraph* g) const { avfilter_graph_free(&g); }
};

}  // namespace

std::string CDisplayTurn::Chain() const
{
    std::string chain;
    for (const Step& s : steps) {
        if (!chain.empty()) chain += ',';
        chain += s.filter;
        if (!s.args.empty()) chain += "=" + s.args;
    }
    return chain;
}

CDisplayTurn DisplayTurnOf(const AVStream* st)
{
    CDisplayTurn turn;
    size_t size = 0;
    const uint8_t* data = st ? av_stream_get_side_data(st, AV_PKT_DATA_DISPLAYMATRIX, &size) : nullptr;
    if (!data || size < 9 * sizeof(int32_t)) return turn;
    int32_t m[9];
    std::memcpy(m, data, sizeof m);
    // A stored point (x, y) is shown at (a*x + c*y, b*x + d*y); y grows downwards.
    const double a = m[0], b = m[1], c = m[3], d = m[4];
    const double straight = std::fabs(a) + std::fabs(d), across = std::fabs(b) + std::fabs(c);
    if (straight + across == 0) return turn;
    if (across <= kSlack * straight) {
        if (a < 0) turn.steps.push_back({"hflip", ""});
        if (d < 0) turn.steps.push_back({"vflip", ""});
    } else if (straight <= kSlack * across) {
        // The stored rows become columns; where the x axis goes names the turn.
        const char* dir = b > 0 ? (c < 0 ? "clock" : "cclock_flip") : (c > 0 ? "cclock" : "clock_flip");
        turn.steps.push_back({"transpose", dir});
        turn.swapsSides = true;
    } else {
        // Any other angle: turned about the centre inside the stored frame
        // (radians clockwise, written with a point whatever the locale).
        char radians[32];
        const double angle = -av_display_rotation_get(m) * M_PI / 180;
        const auto end = std::to_chars(radians, radians + sizeof radians, angle).ptr;
        turn.steps.push_back({"rotate", std::string(radians, end)});
    }
    return turn;
}

bool QuarterTurnsOf(const std::string& input, int& turns, bool& mirrored)
{
    turns = 0;
    mirrored = false;
    AVFormatContext* opened = nullptr;
    if (avformat_open_input(&opened, input.c_str(), nullptr, nullptr) < 0) return false;
    CAvInputPtr ic(opened);
    // The matrix is in the header; formats without one carry none.
    const int video = av_find_best_stream(ic.get(), AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    if (video < 0) return false;
    // Each step as quarter turns clockwise and a mirror after them.
    const std::string chain = DisplayTurnOf(ic->streams[video]).Chain();
    static const struct {
        const char* chain;
        int turns;
        bool mirrored;
    } kTurns[] = {{"hflip", 0, true},           {"vflip", 2, true},          {"hflip,vflip", 2, false},
                  {"transpose=clock", 1, false}, {"transpose=cclock", 3, false}, {"transpose=clock_flip", 3, true},
                  {"transpose=cclock_flip", 1, true}};
    for (const auto& t : kTurns) {
        if (chain == t.chain) {
            turns = t.turns;
            mirrored = t.mirrored;
        }
    }
    return true;
}

void ShownSize(const AVStream* st, int& width, int& height)
{
    width = st->codecpar->width;
    height = st->codecpar->height;
    if (DisplayTurnOf(st).swapsSides) std::swap(width, height);
}

AVFrame* TurnedPicture(const AVFrame* picture, const CDisplayTurn& turn)
{
    std::unique_ptr<AVFilterGraph, CGraphFree> graph(avfilter_graph_alloc());
    if (!graph) return nullptr;
    graph->nb_threads = 1;
    const AVRational sar = picture->sample_aspect_ratio.num ? picture->sample_aspect_ratio : AVRational{1, 1};
    char args[160];
    std::snprintf(args, sizeof args, "video_size=%dx%d:pix_fmt=%d:time_base=1/25:pixel_aspect=%d/%d", picture->width,
                  picture->height, picture->format, sar.num, sar.den);
    AVFilterContext* source = nullptr;
    AVFilterContext* sink = nullptr;
    if (avfilter_graph_create_filter(&source, avfilter_get_by_name("buffer"), "in", args, nullptr, graph.get()) < 0 ||
        avfilter_graph_create_filter(&sink, avfilter_get_by_name("buffersink"), "out", nullptr, nullptr,
                                     graph.get()) < 0)
        return nullptr;
    // Out in the picture's own format, whatever the turn's filters take.
    const int formats[] = {picture->format, AV_PIX_FMT_NONE};
    if (av_opt_set_int_list(sink, "pix_fmts", formats, AV_PIX_FMT_NONE, AV_OPT_SEARCH_CHILDREN) < 0) return nullptr;
    AVFilterContext* last = source;
    for (const CDisplayTurn::Step& s : turn.steps) {
        AVFilterContext* f = nullptr;
        if (avfilter_graph_create_filter(&f, avfilter_get_by_name(s.filter), s.filter, s.args.c_str(), nullptr,
                                         graph.get()) < 0 ||
            avfilter_link(last, 0, f, 0) < 0)
            return nullptr;
        last = f;
    }
    if (avfilter_link(last, 0, sink, 0) < 0 || avfilter_graph_config(graph.get(), nullptr) < 0) return nullptr;
    AVFrame* in = av_frame_clone(picture);
    if (!in) return nullptr;
    in->pts = 0;
    int ret = av_buffersrc_add_frame(source, in);
    av_frame_free(&in);
    if (ret >= 0) ret = av_buffersrc_add_frame(source, nullptr);
    AVFrame* out = ret >= 0 ? av_frame_alloc() : nullptr;
    if (out && av_buffersink_get_frame(sink, out) < 0) av_frame_free(&out);
    return out;
}
