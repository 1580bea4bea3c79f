// Entry points of the engine library. The program calls RegisterMediaLibrary
// once at start-up before anything else and UnRegisterMediaLibrary once at
// shut-down after every run has ended; the setters run on its main thread
// before any conversion starts.
#pragma once
#include "IVXMDVDFile.h"
#include "IVXMDiscFile.h"
#include "IVXMMedia.h"

class IProfileManager;
class CModule;

// Host log callbacks: category (null = the host's default), printf format and
// arguments. The wide format follows the Windows conventions of FormatW
// ("%s" is a wide string). Both may be called from any engine thread.
typedef void (*VXM_LOG_FUNC_A)(const char* category, const char* format, ...);
typedef void (*VXM_LOG_FUNC_W)(const char* category, const wchar_t* format, ...);

extern "C" {

void RegisterMediaLibrary();
void UnRegisterMediaLibrary();

// A new media object: empty (a file) without a source, else a copy of the
// source of the same kind. Null when memory runs out. Owned by the caller.
IVXMMedia* CreateVXMMediaObject(IVXMMedia* source);
IVXMDVDFile* CreateVXMDVDFileObject();
IVXMDiscFile* CreateVXMDiscFileObject();
// The one process-wide profile manager; the engine keeps it.
IProfileManager* CreateProfileManger();

// The clip-effect library, loaded on the first call that finds none; null
// when it cannot be loaded. Kept for the life of the process.
CModule* LoadPrismelDll();

void SetLogfilePath(const char* path);
void SetUseLogfile(int use);
// 1 when a hardware H.264 encoder is usable, else 0.
int IsCUDASupported();
// How the video of a file turns to be shown upright, as its display matrix
// says: quarter turns clockwise, then mirrored left to right (*mirrored 1).
// 0 when the file opens with a video stream (a matrix of another angle turns
// none), else -1; both outputs are 0 then.
int GetVideoDisplayTurn(const wchar_t* path, int* quarterTurns, int* mirrored);
void SetDisplayMode(int mode);
int GetDisplayMode();
void VXMMediaSetLogFunc(VXM_LOG_FUNC_A logA, VXM_LOG_FUNC_W logW);

}  // extern "C"
