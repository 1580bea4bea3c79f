// Engine parts that the entry points and the media data reach without
// depending on them at link time, so each part builds and tests on its own.
// Each function below is defined by the part named beside it, in the same
// source file as that part's class (linking the class links the function).
// g_EngineHooks starts with those definitions, or null while a part is not
// linked in; callers then answer failure. Tests may replace a hook.
#pragma once
#include "IVXMDVDFile.h"
#include "IVXMDiscFile.h"
#include "IVXMMedia.h"

class CVXMMediaBase;
class IProfileManager;

// The profile manager: a new CProfileManager.
IProfileManager* NewProfileManager();
// The profile manager: its "use source file time" setting (0 without a manager).
int IsUseSrcFileTimeSet();
// The DVD title: a new CVXMDVDTitleImpl copied from a title (kind 1).
IVXMMedia* CopyDVDTitleMedia(IVXMMedia& source);
// The audio-CD track: a new CVXMDiscAudioTrackImpl copied from a track (kind 2).
IVXMMedia* CopyDiscTrackMedia(IVXMMedia& source);
// The DVD source and the audio-CD drive: new empty objects.
IVXMDVDFile* NewDVDFileObject();
IVXMDiscFile* NewDiscFileObject();
// The job runner: stops and joins the media's runners and monitor thread and
// deletes the runners (the media destructor's first step).
void StopMediaRunners(CVXMMediaBase& media);
// The tool code: frees its process-wide state (engine shut-down).
void ShutdownToolCode();

struct VXM_ENGINE_HOOKS {
    IProfileManager* (*pfnNewProfileManager)();
    int (*pfnIsUseSrcFileTimeSet)();
    IVXMMedia* (*pfnCopyDVDTitleMedia)(IVXMMedia& source);
    IVXMMedia* (*pfnCopyDiscTrackMedia)(IVXMMedia& source);
    IVXMDVDFile* (*pfnNewDVDFileObject)();
    IVXMDiscFile* (*pfnNewDiscFileObject)();
    void (*pfnStopMediaRunners)(CVXMMediaBase& media);
    void (*pfnShutdownToolCode)();
};

extern VXM_ENGINE_HOOKS g_EngineHooks;
