// libFuzzer target: any bytes given to the cue-sheet reader.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "CueObject.h"

// The reader logs bad lines; the fuzzer needs no log file.
void LogInfo(const char*, const char*, ...) {}
void LogError(const char*, const char*, ...) {}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    CueObject cue;
    cue.Parse(std::string_view(reinterpret_cast<const char*>(data), size), L"/music/album.cue");
    for (int i = 0; i < cue.GetTrackCount(); ++i) {
        const CueObject::CueTrack* track = cue.GetTrack(i);
        if (!track || track->m_nLengthMs < 0 || track->m_nStartMs < 0)
            __builtin_trap();
    }
    return 0;
}
