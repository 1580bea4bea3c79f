#include "RunnerHooks.h"

// Weak references: null until the part that defines the function is linked.
extern int ffmpeg_transcode(void* commandLine, CCmdFFplay* runner) __attribute__((weak));
extern int ffplay_play(void* commandLine, CCmdFFplay* runner) __attribute__((weak));
extern void ffplay_request_quit(CCmdFFplay* runner) __attribute__((weak));
extern int probe_media(void* commandLine, CVXMMediaBase* media) __attribute__((weak));
extern int WmvJoinThread(CCmdFFplay* runner) __attribute__((weak));
extern int ApeEncodeThread(CCmdFFplay* runner) __attribute__((weak));
extern int BuildMediaCommands(IVXMMedia* media, IProfile* profile, VXM_JOB_QUEUE& queue) __attribute__((weak));
extern int make_thumbnail(const std::wstring& commandLine, const VXM_THUMBNAIL_REQUEST& request) __attribute__((weak));

VXM_RUNNER_HOOKS g_RunnerHooks = {
    &ffmpeg_transcode,
    &ffplay_play,
    &ffplay_request_quit,
    &probe_media,
    &WmvJoinThread,
    &ApeEncodeThread,
    &BuildMediaCommands,
    &make_thumbnail,
};
