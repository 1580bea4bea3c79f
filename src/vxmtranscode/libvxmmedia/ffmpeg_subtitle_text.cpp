// Reading a burnt subtitle file's text the way the subtitles filter will.
#include "ffmpeg_subtitle_text.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "platform/codepage.h"
#include "platform/text.h"

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/avstring.h>
#include <libavutil/error.h>
#include <libavutil/log.h>
#include <libavutil/mem.h>
}

namespace {

// Subtitle files are small; a larger one is left to the filter unread.
constexpr size_t kMaxSubtitleBytes = 16u << 20;

// The file name the filter opens: the graph parser's quoting, then the option
// parser's, undone.
std::string unescape_filter_value(const std::string& value)
{
    const char* graph = value.c_str();
    char* option_text = av_get_token(&graph, "");
    if (!option_text) return {};
    const char* option = option_text;
    char* name = av_get_token(&option, ":");
    std::string out = name ? name : "";
    av_free(name);
    av_free(option_text);
    return out;
}

bool starts_with(const std::string& data, const char* bytes)
{
    return data.compare(0, strlen(bytes), bytes) == 0;
}

bool read_whole_file(const std::string& name, std::string& data)
{
    AVIOContext* pb = nullptr;
    if (name.empty() || avio_open2(&pb, name.c_str(), AVIO_FLAG_READ, nullptr, nullptr) < 0) return false;
    unsigned char chunk[1 << 16];
    bool whole = true;
    for (;;) {
        const int n = avio_read(pb, chunk, sizeof chunk);
        if (n == AVERROR_EOF || n == 0) break;
        if (n < 0 || data.size() + static_cast<size_t>(n) > kMaxSubtitleBytes) {
            whole = false;
            break;
        }
        data.append(reinterpret_cast<const char*>(chunk), static_cast<size_t>(n));
        // A media file (a source's own track is burnt from it) is no text to judge.
        if (data.size() == static_cast<size_t>(n) && !starts_with(data, "\xFF\xFE") && !starts_with(data, "\xFE\xFF") &&
            data.find('\0') != std::string::npos) {
            whole = false;
            break;
        }
    }
    avio_closep(&pb);
    return whole;
}

// The field at `index` of a comma-separated line's value, trimmed.
std::string_view field_at(std::string_view value, size_t index)
{
    for (; index > 0; index--) {
        const size_t comma = value.find(',');
        if (comma == std::string_view::npos) return {};
        value.remove_prefix(comma + 1);
    }
    value = value.substr(0, value.find(','));
    while (!value.empty() && (value.front() == ' ' || value.front() == '\t')) value.remove_prefix(1);
    while (!value.empty() && (value.back() == ' ' || value.back() == '\r')) value.remove_suffix(1);
    return value;
}

// PlayResY and the largest style font of an ASS script, completed as libass
// completes them; an SRT file becomes the reader's script of height 288
// with its 16-point style.
void read_script_metrics(const std::string& text, SubtitleText& out)
{
    if (text.find("[Script Info]") == std::string::npos) return;
    int width = 0, height = 0, font = 0;
    size_t font_field = std::string::npos;
    for (size_t at = 0; at < text.size();) {
        size_t end = text.find('\n', at);
        if (end == std::string::npos) end = text.size();
        const std::string_view line(text.data() + at, end - at);
        at = end + 1;
        if (line.starts_with("[Events]")) break;
        if (line.starts_with("PlayResX:")) width = atoi(std::string(line.substr(9)).c_str());
        if (line.starts_with("PlayResY:")) height = atoi(std::string(line.substr(9)).c_str());
        if (line.starts_with("Format:")) {
            for (size_t i = 0; !field_at(line.substr(7), i).empty(); i++)
                if (field_at(line.substr(7), i) == "Fontsize") font_field = i;
        }
        if (line.starts_with("Style:") && font_field != std::string::npos)
            font = std::max(font, atoi(std::string(field_at(line.substr(6), font_field)).c_str()));
    }
    out.play_res_y = height > 0 ? height : width > 0 ? (width == 1280 ? 1024 : width * 3 / 4) : 288;
    out.font_size = font > 0 ? font : 18;
}

// Whether the filter's reader opens the file as subtitles: as a script for
// ".ass" and ".ssa", as SubRip for ".srt" (a script without its header is
// taken for lyrics, and nothing of it is drawn).
bool opens_as_subtitles(const std::string& name)
{
    std::string ext = name.substr(name.find_last_of("./") + 1);
    for (char& c : ext) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    const char* expected = ext == "srt" ? "srt" : ext == "ass" || ext == "ssa" ? "ass" : nullptr;
    AVFormatContext* fmt = nullptr;
    if (avformat_open_input(&fmt, name.c_str(), nullptr, nullptr) < 0) return false;
    bool ok = (!expected || strcmp(fmt->iformat->name, expected) == 0) && avformat_find_stream_info(fmt, nullptr) >= 0;
    ok = ok && av_find_best_stream(fmt, AVMEDIA_TYPE_SUBTITLE, -1, -1, nullptr, 0) >= 0;
    avformat_close_input(&fmt);
    return ok;
}

std::string code_page_text(int number)
{
    const VXM_CODE_PAGE* row = FindCodePage(static_cast<unsigned>(number));
    return row ? WideToUtf8(row->name) : std::to_string(number);
}

}  // namespace

SubtitleText read_subtitle_text(const std::string& filename_value, long code_page, SubtitleTextProblem* problem)
{
    SubtitleText out;
    const std::string name = unescape_filter_value(filename_value);
    std::string data;
    if (!read_whole_file(name, data)) return out;  // the filter says what is wrong with it

    // A byte-order mark names the encoding; the reader follows it.
    std::string encoding = "UTF-8";
    int shown = 1;
    size_t skip = 0;
    if (starts_with(data, "\xEF\xBB\xBF")) {
        skip = 3;
    } else if (starts_with(data, "\xFF\xFE") || starts_with(data, "\xFE\xFF")) {
        encoding = data[0] == '\xFF' ? "UTF-16LE" : "UTF-16BE";
        shown = 0;
        skip = 2;
    } else if (code_page > 1) {
        const std::string iconv_name = CodePageIconvName(static_cast<unsigned>(code_page));
        if (iconv_name.empty()) {
            av_log(nullptr, AV_LOG_VERBOSE, "Code page %ld is not known; the subtitle is read as UTF-8.\n", code_page);
        } else {
            shown = static_cast<int>(code_page);
            if (iconv_name != "UTF-8") encoding = out.charenc = iconv_name;
        }
    }

    std::string text;
    if (!CodePageToUtf8Strict(std::string_view(data).substr(skip), encoding.c_str(), text)) {
        if (problem) {
            problem->code_page = shown;
            problem->message = "The text of the subtitle file " + name + " is not in the code page " +
                               code_page_text(shown) +
                               ": choose the file's code page under Options > Subtitles > Code page";
        }
        text = data;
    } else if (problem && !opens_as_subtitles(name)) {
        problem->message = "The subtitle file " + name + " cannot be read.";
    }
    read_script_metrics(text, out);
    return out;
}
