// The transcoder's filter graphs: a simple graph per encoded output stream,
// complex graphs from "filter_complex", their buffer sources and sinks.
#pragma once

#include <string>

#include "ffmpeg_state.h"

// Creates the simple graph that feeds `ost` from `ist` (its text is ost->avfilter).
FilterGraph* init_simple_filtergraph(InputStream* ist, OutputStream* ost, CToolContext* ctx);
// Records a complex graph given on the command line.
FilterGraph* add_complex_filtergraph(const std::string& desc, CToolContext* ctx);
// First set-up of every complex graph: parses it, binds its inputs to input
// streams and records its open outputs for the output files to claim.
// An unusable graph ends the run.
void init_complex_filters(CToolContext* ctx);

// (Re)builds and configures a graph: 0 or a negative error (logged).
int configure_filtergraph(FilterGraph* fg, CToolContext* ctx);
int filtergraph_is_simple(const FilterGraph* fg);
int ist_in_filtergraph(const FilterGraph* fg, const InputStream* ist);
// Frees one graph with its filters; its inputs and outputs are detached from their streams.
void free_filtergraph(FilterGraph* fg);

// True when a decoded frame is not of the format its graph input was built for.
inline bool ifilter_frame_differs(const InputFilter* f, const AVFrame* frame)
{
    if (frame->format != f->format) return true;
    if (frame->width || frame->height) return frame->width != f->width || frame->height != f->height;
    return frame->sample_rate != f->sample_rate || av_channel_layout_compare(&frame->ch_layout, &f->ch_layout) != 0;
}
// The graph input takes the frame's format at the next configuration. 0 or a negative error.
int ifilter_take_frame_format(InputFilter* f, const AVFrame* frame);

// The font-configuration text handed with every graph parse:
// "FONTCONFIG_PATH=<program folder>/gnu/vxm/fonts" (at most 288 characters).
std::string fontconfig_text();
