// The entry points of the engine library.
#include "VXMMediaExports.h"

#include "CudaProbe.h"
#include "EngineGlobals.h"
#include "EngineHooks.h"
#include "EngineLog.h"
#include "PartialOutput.h"
#include "VXMMediaImpl.h"
#include "display_turn.h"
#include "ape/ApeCompressor.h"
#include "tool_log.h"
#include "platform/module.h"
#include "platform/text.h"

extern "C" {
#include <libavdevice/avdevice.h>
#include <libavutil/log.h>
}

#include <new>

namespace {

constexpr const char* kLogCategory = "VXMMediaExports";
constexpr const char* kPrismelLibrary = "libprismel.so";

CModule g_prismelModule;

// A new file media object, empty or copied from the data half of a source.
IVXMMedia* NewFileMedia(IVXMMedia* source)
{
    if (auto* file = dynamic_cast<CVXMMediaImpl*>(source))
        return new CVXMMediaImpl(*file);
    if (auto* data = dynamic_cast<CVXMMediaBase*>(source)) {
        auto* media = new CVXMMediaImpl(*data, 0);
        media->m_nMediaKind = 0;
        return media;
    }
    return new CVXMMediaImpl();
}

// An object from a factory hook; null when the hook is not built in (logged)
// or memory runs out.
template <class T>
T* MakeFromHook(T* (*hook)(), const char* missing)
{
    if (!hook) {
        LogMessageA(kLogCategory, "%s", missing);
        return nullptr;
    }
    try {
        return hook();
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

}  // namespace

extern "C" {

void RegisterMediaLibrary()
{
    av_log_set_flags(AV_LOG_SKIP_REPEATED);
    avdevice_register_all();
    av_log_set_callback(tool_log_callback);  // FFmpeg's lines go to the engine's log
    av_log_set_level(AV_LOG_ERROR);
    SetApeCompressor(&GetNativeApeCompressor());
    CleanStalePartialOutputs();  // what a killed run left
}

void UnRegisterMediaLibrary()
{
    if (g_EngineHooks.pfnShutdownToolCode)
        g_EngineHooks.pfnShutdownToolCode();
}

IVXMMedia* CreateVXMMediaObject(IVXMMedia* source)
{
    try {
        int kind = source ? source->GetMediaKind() : 0;
        if (kind == 1 || kind == 2) {
            auto copy = kind == 1 ? g_EngineHooks.pfnCopyDVDTitleMedia : g_EngineHooks.pfnCopyDiscTrackMedia;
            if (!copy) {
                LogMessageA(kLogCategory, "CreateVXMMediaObject: media of kind %d cannot be copied here", kind);
                return nullptr;
            }
            return copy(*source);
        }
        return NewFileMedia(kind == 0 ? source : nullptr);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

IVXMDVDFile* CreateVXMDVDFileObject()
{
    return MakeFromHook(g_EngineHooks.pfnNewDVDFileObject, "CreateVXMDVDFileObject: DVD sources are not built in");
}

IVXMDiscFile* CreateVXMDiscFileObject()
{
    return MakeFromHook(g_EngineHooks.pfnNewDiscFileObject, "CreateVXMDiscFileObject: audio CDs are not built in");
}

IProfileManager* CreateProfileManger()
{
    if (g_pProfileManager)
        return g_pProfileManager;
    if (!g_EngineHooks.pfnNewProfileManager) {
        LogMessageA(kLogCategory, "CreateProfileManger: the profile manager is not built in");
        return nullptr;
    }
    try {
        g_pProfileManager = g_EngineHooks.pfnNewProfileManager();
    } catch (const std::bad_alloc&) {
        g_pProfileManager = nullptr;
    }
    return g_pProfileManager;
}

CModule* LoadPrismelDll()
{
    if (!g_hPrismelModule) {
        // From the engine's own folder first: a search by name follows the
        // caller's run path, which the sanitizers' interposed loader lacks.
        const std::wstring folder = GetModuleFolder(&g_prismelModule);
        if (!folder.empty()) g_prismelModule = CModule(WideToUtf8(folder) + "/" + kPrismelLibrary);
        if (!g_prismelModule.IsLoaded()) g_prismelModule = CModule(kPrismelLibrary);
        if (g_prismelModule.IsLoaded())
            g_hPrismelModule = &g_prismelModule;
    }
    return g_hPrismelModule;
}

void SetLogfilePath(const char* path)
{
    g_strReportLogPath = path ? path : "";
}

void SetUseLogfile(int use)
{
    g_bUseReportLog = use;
}

int IsCUDASupported()
{
    return IsHardwareEncoderPresent();
}

int GetVideoDisplayTurn(const wchar_t* path, int* quarterTurns, int* mirrored)
{
    int turns = 0;
    bool mirror = false;
    const bool opened = path && QuarterTurnsOf("file:" + WideToUtf8(path), turns, mirror);
    if (quarterTurns) *quarterTurns = turns;
    if (mirrored) *mirrored = mirror ? 1 : 0;
    return opened ? 0 : -1;
}

void SetDisplayMode(int mode)
{
    g_nDisplayMode = mode;
}

int GetDisplayMode()
{
    return g_nDisplayMode;
}

void VXMMediaSetLogFunc(VXM_LOG_FUNC_A logA, VXM_LOG_FUNC_W logW)
{
    g_pfnLogA = logA;
    g_pfnLogW = logW;
}

}  // extern "C"
