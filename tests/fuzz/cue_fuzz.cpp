// libFuzzer target: any bytes given to the cue-sheet reader.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "CueObject.h"

// The reader logs bad lines; the fuzzer needs no log file.
void LogInfo(const char*, const char*, ...) {}
void LogError(const char*, const char*, ...) {}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    CueObject cue;
    cue.Parse(std::string_view(reinterpret_cast<const char*>(data), size), L"/music/album.cue");
    // No text that is handed on holds a NUL: a file call would cut it there.
    auto text = [](const std::wstring& s) { return s.find(L'\0') == std::wstring::npos; };
    if (!text(cue.GetAudioFile()) || !text(cue.GetTitle()) || !text(cue.GetPerformer()))
        __builtin_trap();
    for (int i = 0; i < cue.GetTrackCount(); ++i) {
        const CueObject::CueTrack* track = cue.GetTrack(i);
        if (!track || track->m_nLengthMs < 0 || track->m_nStartMs < 0 || !text(track->m_strAudioFile) ||
            !text(track->m_strTitle) || !text(track->m_strPerformer))
            __builtin_trap();
    }
    return 0;
}
