// The in-process media probe: opens a source with libavformat, reads its
// stream information (no full decode) and fills a media object's duration,
// stream records, selected streams, chapters and the container's tags.
#pragma once

#include <string>

class CVXMMediaBase;
class CToolContext;
struct AVFormatContext;

// The runner's entry for a probe run: the command line is a wide string
// (program path, "-i", the source, input options). Uses the media's probe
// runner as run context; -1 without one. Returns one of the VXM_PROBE_
// failure codes of IVXMMedia.h, else the non-negative result of reading the
// stream information.
int probe_media(void* commandLine, CVXMMediaBase* media);

// The best video stream that moves: FFmpeg's choice (`wanted` as its
// wanted stream) unless that is a cover picture, then the first other video
// stream; -1 for none.
int BestMovingVideo(AVFormatContext* ic, int wanted);

// The same with an explicit run context (tests, other callers).
int probe_media_with_context(const std::wstring& commandLine, CVXMMediaBase* media, CToolContext* ctx);
