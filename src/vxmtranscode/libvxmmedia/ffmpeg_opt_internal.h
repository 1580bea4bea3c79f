// Helpers shared by the option handlers and the file openers.
#pragma once

#include <string>

#include "ffmpeg_opt.h"

// The last value of a per-type option ("c:v") whose specifier is exactly `mediatype`.
const SpecifierOpt* match_type_opt(const SpecifierList& list, const char* mediatype);
// The encoder or decoder of that name; an unknown name or a wrong type ends the run.
const AVCodec* find_codec_or_die(const char* name, AVMediaType type, int encoder, CToolContext* ctx);
// Turns "-to" into a duration from the start ("-t" wins when both are given);
// a stop before the start ends the run.
void resolve_stop_time(OptionsContext* o, CToolContext* ctx);
// Ends the run with `what` when `p` is null.
void exit_if_no_memory(void* p, const char* what, CToolContext* ctx);
// The whole text of a file read through the run's I/O; empty on failure (logged).
std::string read_file_text(const char* filename, CToolContext* ctx);
