#include "EngineHooks.h"

// Weak references: null until the part that defines the function is linked.
extern IProfileManager* NewProfileManager() __attribute__((weak));
extern int IsUseSrcFileTimeSet() __attribute__((weak));
extern IVXMMedia* CopyDVDTitleMedia(IVXMMedia& source) __attribute__((weak));
extern IVXMMedia* CopyDiscTrackMedia(IVXMMedia& source) __attribute__((weak));
extern IVXMDVDFile* NewDVDFileObject() __attribute__((weak));
extern IVXMDiscFile* NewDiscFileObject() __attribute__((weak));
extern void StopMediaRunners(CVXMMediaBase& media) __attribute__((weak));
extern void ShutdownToolCode() __attribute__((weak));

VXM_ENGINE_HOOKS g_EngineHooks = {
    &NewProfileManager,
    &IsUseSrcFileTimeSet,
    &CopyDVDTitleMedia,
    &CopyDiscTrackMedia,
    &NewDVDFileObject,
    &NewDiscFileObject,
    &StopMediaRunners,
    &ShutdownToolCode,
};
