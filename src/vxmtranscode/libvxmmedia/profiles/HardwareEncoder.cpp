// Whether a profile's video codec may be encoded on the NVIDIA hardware.
#include "OutputProfile.h"

#include "CudaProbe.h"
#include "EngineGlobals.h"

int IsHardwareEncoderUsable(const std::wstring& codec, int useNVidiaCUDA)
{
    if (!useNVidiaCUDA)
        return 0;
    int needed = 0;
    if (codec == L"x264")
        needed = 0x30;
    else if (codec == L"x265")
        needed = 0x52;
    else
        return 0;
    if (IsCUDADevicePresent() != 1 || GetCUDAComputeCapability() < needed)
        return 0;
    // The H.264 encoder is tried once; a device that cannot run it is not used.
    if (needed == 0x30 && IsHardwareEncoderPresent() != 1)
        return 0;
    return 1;
}
