// libFuzzer target: any bytes as a media file given to the probe.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>
#include <unistd.h>

#include "VXMMediaBase.h"
#include "ffmpeg_state.h"
#include "probe_media.h"

extern "C" {
#include <libavutil/mem.h>
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // A few bytes of header make libavformat allocate what they claim (1 GB
    // for the INFO chunk of a crafted 949-byte WAV): that is FFmpeg's. Capped here, such
    // an allocation fails as it would on a full machine.
    static const bool capped = (av_max_alloc(256u << 20), true);
    (void)capped;
    static const std::string path = "/tmp/fuzz_probe_" + std::to_string(getpid()) + ".media";
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    CVXMMediaBase media;
    media.m_strSourcePath = std::wstring(path.begin(), path.end());
    CToolContext context;
    const int result = probe_media_with_context(L"probe -i \"" + media.m_strSourcePath + L"\"", &media, &context);
    if (result >= 0 && media.m_nVideoStreamIndex >= 0 && !media.FindSelectedVideoStream())
        __builtin_trap();  // a selected video stream has its record
    std::remove(path.c_str());
    return 0;
}

// The run context frees the transcoder's filter graphs; a probe builds none.
struct FilterGraph;
void free_filtergraph(FilterGraph*) { __builtin_trap(); }
