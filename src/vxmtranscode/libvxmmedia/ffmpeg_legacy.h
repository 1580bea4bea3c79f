// Translation of the older tool's options and filter texts that the job
// builders write into what the current libraries understand.
#pragma once

#include <string>
#include <vector>

#include "ffmpeg_state.h"

struct SubtitleTextProblem;

// Rewrites the argument vector in place (element 0 is the program name).
// DVD and CD inputs are recorded in ctx->legacy_inputs. A subtitle file the
// filters burn whose text is not in its code page fails the run: a negative
// error, the reason logged and kept in ctx.
int translate_legacy_arguments(std::vector<std::string>& args, CToolContext* ctx);

// Rewrites one filter graph text: "mp=stereo3d", "mp=eq2" and the custom
// options of "ass"/"subtitles" become the stock filters' options. A burnt
// subtitle file whose text is not in its code page is named in `problem`.
std::string translate_filter_text(const std::string& graph, SubtitleTextProblem* problem = nullptr);

// The stereo3d filter for the older numeric layouts ("stereo3d=in=..:out=.."),
// empty when the filter cannot read the input layout or either is unknown.
std::string stereo3d_filter_text(long input_layout, long output_layout);

// The stock encoder name for an encoder name of the older tool, or the name.
std::string translate_encoder_name(const std::string& name);
