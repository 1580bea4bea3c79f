// Runs the transcoder's option parsing and file opening on a context, as a
// transcoder run does before its set-up.
#pragma once
#include <string>

#include "cmdutils.h"
#include "ffmpeg_opt.h"
#include "platform/text.h"

// Parses `line` (UTF-8; the program name is added) on `ctx`. Returns the exit
// code of an ended run, -1 for a parse error, 0 when files opened.
inline int ParseLine(CToolContext& ctx, const std::string& line)
{
    begin_transcoder_run(&ctx);
    ctx.m_strCommandLine = Utf8ToWide("ffmpeg " + line);
    return run_tool_guarded(&ctx, [](CToolContext* c) {
        int ret = ffmpeg_parse_options(0, c, nullptr);
        return ret < 0 ? -1 : 0;
    });
}

inline std::string Q(const std::string& path) { return "\"" + path + "\""; }

inline const char* MetaGet(AVDictionary* d, const char* key)
{
    const AVDictionaryEntry* e = av_dict_get(d, key, nullptr, 0);
    return e ? e->value : nullptr;
}
