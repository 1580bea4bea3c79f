// Bitmap subtitles as a video input of a filter graph: each subtitle is
// painted on a transparent canvas (RGB32) that the graph receives as a
// frame, and the canvas is sent again as the file's other streams advance,
// so that a filter waiting on it (overlay) never holds back the video.
#pragma once
#include "ffmpeg_state.h"

struct AVSubtitle;
struct AVSubtitleRect;

// Clears the stream's canvas to transparent black. 0 or a negative error.
int sub2video_get_blank_frame(InputStream* ist);
// Paints one palettised rectangle into an RGB32 picture of w x h.
void sub2video_copy_rect(uint8_t* dst, int dst_linesize, int w, int h, const AVSubtitleRect* r);
// Sends the canvas with time `pts` (stream time base) to the stream's graphs.
void sub2video_push_ref(InputStream* ist, int64_t pts);
// Paints `sub` (null: nothing, ending the shown subtitle) and sends it.
// Without a subtitle the canvas starts at the end of the last one, or at
// `heartbeat_pts` when nothing was sent yet.
void sub2video_update(InputStream* ist, int64_t heartbeat_pts, const AVSubtitle* sub);
// A packet of `ist` with time `pts` was read: every canvas of the same file
// that its graph waits for is sent again (or cleared once its subtitle ended).
void sub2video_heartbeat(CToolContext* ctx, InputStream* ist, int64_t pts);
// At the end of the stream: the last subtitle ends, then the graphs' inputs.
void sub2video_flush(InputStream* ist);
