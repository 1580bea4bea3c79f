// Entries of the in-process runs and of the job building that the job runner
// and the conversion driver call. Each is defined by the part that owns it;
// until that part is linked in the entry is null and the caller fails the
// run cleanly (a log line and an exit code, never success). Tests may
// replace an entry.
#pragma once
#include <string>

#include "JobCommand.h"

class CCmdFFplay;
class IProfile;
struct VXM_THUMBNAIL_REQUEST;
class IVXMMedia;

// The transcoder: one conversion step; the exit code is left in the runner.
int ffmpeg_transcode(void* commandLine, CCmdFFplay* runner);
// The preview player; ends when the player quits.
int ffplay_play(void* commandLine, CCmdFFplay* runner);
// Asks a running preview player to quit.
void ffplay_request_quit(CCmdFFplay* runner);
// The media probe: its result is the run's exit code.
int probe_media(void* commandLine, CVXMMediaBase* media);
// The thumbnail of a file, made on the calling thread: 0 when written.
int make_thumbnail(const std::wstring& commandLine, const VXM_THUMBNAIL_REQUEST& request);
// WMV joining and APE encoding: the result is the step's exit code. Both
// watch the runner's kill flag.
int WmvJoinThread(CCmdFFplay* runner);
int ApeEncodeThread(CCmdFFplay* runner);
// Job building: fills an empty queue with the steps of one conversion.
int BuildMediaCommands(IVXMMedia* media, IProfile* profile, VXM_JOB_QUEUE& queue);

struct VXM_RUNNER_HOOKS {
    int (*pfnTranscode)(void* commandLine, CCmdFFplay* runner);
    int (*pfnPlay)(void* commandLine, CCmdFFplay* runner);
    void (*pfnRequestPlayerQuit)(CCmdFFplay* runner);
    int (*pfnProbe)(void* commandLine, CVXMMediaBase* media);
    int (*pfnWmvJoin)(CCmdFFplay* runner);
    int (*pfnApeEncode)(CCmdFFplay* runner);
    int (*pfnBuildMediaCommands)(IVXMMedia* media, IProfile* profile, VXM_JOB_QUEUE& queue);
    int (*pfnThumbnail)(const std::wstring& commandLine, const VXM_THUMBNAIL_REQUEST& request);
};

extern VXM_RUNNER_HOOKS g_RunnerHooks;

// Exit code of an in-process step whose tool is not built in.
constexpr int VXM_EXIT_TOOL_MISSING = 127;
