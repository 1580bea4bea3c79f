// libFuzzer target: any bytes as the DVD reader tool's answer. The reader
// accepts or refuses without a fault, and what it accepts is within its
// bounds and reads back the same once written again.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "DvdAnswer.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    dvd_info info;
    if (!ReadDvdAnswer(std::string_view(reinterpret_cast<const char*>(data), size), info))
        return 0;
    if (info.titles.size() > kDvdAnswerMaxTitles || info.main_title > static_cast<int>(info.titles.size()))
        std::abort();
    for (const dvd_title_record& r : info.titles)
        if (r.audio.size() > kDvdAnswerMaxAudio || r.cells.size() > kDvdAnswerMaxCells || r.LengthMs() < 0)
            std::abort();
    const std::string text = WriteDvdAnswer(info);
    dvd_info back;
    if (!ReadDvdAnswer(text, back) || WriteDvdAnswer(back) != text)
        std::abort();
    return 0;
}
