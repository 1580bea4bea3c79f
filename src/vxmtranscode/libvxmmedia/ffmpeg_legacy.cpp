// Older option and filter syntax, rewritten before parsing.
#include "ffmpeg_legacy.h"

#include "VXMUtils.h"
#include "cmdutils.h"
#include "ffmpeg_subtitle_text.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

extern "C" {
#include <libavutil/error.h>
#include <libavutil/log.h>
}

namespace {

bool is_codec_option(const std::string& a)
{
    if (a == "-vcodec" || a == "-acodec" || a == "-scodec" || a == "-dcodec") return true;
    std::string base = a.substr(0, a.find(':'));
    return base == "-c" || base == "-codec";
}

bool is_filter_option(const std::string& a)
{
    std::string base = a.substr(0, a.find(':'));
    return base == "-vf" || base == "-af" || base == "-filter" || base == "-filter_complex" || base == "-lavfi";
}

bool is_audio_filter_option(const std::string& a) { return a == "-af" || a == "-filter:a"; }

// Splits at `seps` outside quotes and after-backslash escapes; keeps the separators.
std::vector<std::string> split_top(const std::string& s, const char* seps, std::vector<char>* found = nullptr)
{
    std::vector<std::string> out;
    std::string cur;
    bool quoted = false;
    int bracket = 0;
    for (size_t i = 0; i < s.size(); i++) {
        char c = s[i];
        if (c == '\\' && i + 1 < s.size()) {
            cur += c;
            cur += s[++i];
            continue;
        }
        if (c == '\'') quoted = !quoted;
        if (!quoted && c == '[') bracket++;
        if (!quoted && c == ']' && bracket) bracket--;
        if (!quoted && !bracket && strchr(seps, c)) {
            out.push_back(cur);
            if (found) found->push_back(c);
            cur.clear();
            continue;
        }
        cur += c;
    }
    out.push_back(cur);
    return out;
}

std::string unquote(const std::string& v)
{
    if (v.size() >= 2 && v.front() == '\'' && v.back() == '\'') return v.substr(1, v.size() - 2);
    return v;
}

std::string translate_mp(const std::string& args)
{
    std::vector<std::string> parts = split_top(args, ":");
    std::string first = parts[0];
    size_t eq = first.find('=');
    std::string name = first.substr(0, eq);
    std::vector<std::string> vals;
    if (eq != std::string::npos) vals.push_back(first.substr(eq + 1));
    for (size_t i = 1; i < parts.size(); i++) vals.push_back(parts[i]);
    if (name == "stereo3d") {
        char* end1 = nullptr;
        char* end2 = nullptr;
        const long in = vals.size() > 0 ? strtol(vals[0].c_str(), &end1, 10) : -1;
        const long out = vals.size() > 1 ? strtol(vals[1].c_str(), &end2, 10) : -1;
        const bool numeric = vals.size() == 2 && !vals[0].empty() && !*end1 && !vals[1].empty() && !*end2;
        if (!numeric) return "stereo3d" + (vals.empty() ? std::string() : "=" + args.substr(eq + 1));
        std::string r = stereo3d_filter_text(in, out);
        if (!r.empty()) return r;
        // A layout the filter cannot read: the picture passes unchanged.
        av_log(nullptr, AV_LOG_WARNING, "3D layouts %ld to %ld cannot be converted; the picture is left as it is.\n",
               in, out);
        return "null";
    }
    if (name == "eq2") {
        static const char* const keys[] = {"gamma", "contrast", "brightness", "saturation",
                                           "gamma_r", "gamma_g", "gamma_b", "gamma_weight"};
        std::string r = "eq";
        for (size_t i = 0; i < vals.size() && i < std::size(keys); i++)
            r += std::string(i ? ":" : "=") + keys[i] + "=" + vals[i];
        return r;
    }
    av_log(nullptr, AV_LOG_WARNING, "Filter mp=%s has no stock equivalent; passed on unchanged.\n", name.c_str());
    return "mp=" + args;
}

// "ass=f='file':force_style='...':font='...'" and the "subtitles" form with
// the same extra keys become the stock subtitles filter. The file is read in
// the code page "encoding" names (or its byte-order mark's); "position" lifts
// the lines by a percentage of the height left above one line and "pixel_aspect" (in
// hundredths) widens the letters, as style fields the renderer takes. The
// renderer's line spacing is no option of the stock filter: "line_spacing"
// is logged and left out.
std::string translate_subtitle_filter(const std::string& name, const std::string& args, SubtitleTextProblem* problem)
{
    std::vector<std::string> parts = split_top(args, ":");
    std::string filename, fontsdir, original_size, charenc;
    std::vector<std::string> style;
    bool custom = false;
    double scale = 0;
    long position = 0, pixel_aspect = 0, code_page = 0;
    bool has_position = false;
    for (size_t i = 0; i < parts.size(); i++) {
        const std::string& p = parts[i];
        size_t eq = p.find('=');
        // A positional first value is the file name.
        if (i == 0 && (eq == std::string::npos || p[0] == '\'')) {
            filename = p;
            continue;
        }
        std::string key = p.substr(0, eq), val = eq == std::string::npos ? std::string() : p.substr(eq + 1);
        const long number = strtol(val.c_str(), nullptr, 10);
        if (key == "f" || key == "filename") filename = val;
        else if (key == "force_style") {
            std::string fs = unquote(val);
            while (!fs.empty() && fs[0] == ',') fs.erase(0, 1);
            if (!fs.empty()) style.push_back(fs);
        } else if (key == "fontsdir") fontsdir = val;
        else if (key == "original_size") original_size = val;
        else if (key == "charenc") charenc = val;
        else if (key == "scale") {
            custom = true;
            scale = atof(val.c_str());
        } else if (key == "font") {
            custom = true;
            std::string path = unquote(val);
            size_t slash = path.find_last_of('/');
            if (slash != std::string::npos) fontsdir = "'" + path.substr(0, slash) + "'";
        } else if (key == "position") {
            custom = has_position = true;
            position = number;
        } else if (key == "pixel_aspect") {
            custom = true;
            pixel_aspect = number;
        } else if (key == "line_spacing") {
            custom = true;
            av_log(nullptr, AV_LOG_VERBOSE, "Subtitle line spacing has no stock equivalent; ignored.\n");
        } else if (key == "encoding") {
            custom = true;
            code_page = number;
        } else {
            return name + "=" + args;
        }
    }
    if (name == "ass" && style.empty() && !custom) return name + "=" + args;

    // The settings go first: what the user forces in the style block wins.
    std::vector<std::string> settings;
    const int percent = scale > 0 ? static_cast<int>(scale * 100 + 0.5) : 0;
    if (custom) {
        const SubtitleText text = read_subtitle_text(filename, code_page, problem);
        if (charenc.empty()) charenc = text.charenc;
        // 0 at the bottom, 100 with a line of the largest font at the top.
        const long room = std::max(0L, text.play_res_y - text.font_size * (percent ? percent : 100L) / 100);
        if (has_position)
            settings.push_back("MarginV=" + std::to_string((std::clamp(position, 0L, 100L) * room + 50) / 100));
    }
    if (pixel_aspect > 0)
        settings.push_back("ScaleX=" + std::to_string(((percent ? percent : 100) * pixel_aspect + 50) / 100));
    else if (percent)
        settings.push_back("ScaleX=" + std::to_string(percent));
    if (percent) settings.push_back("ScaleY=" + std::to_string(percent));
    style.insert(style.begin(), settings.begin(), settings.end());

    std::string r = "subtitles=filename=" + filename;
    if (!original_size.empty()) r += ":original_size=" + original_size;
    if (!fontsdir.empty()) r += ":fontsdir=" + fontsdir;
    if (!charenc.empty()) r += ":charenc=" + charenc;
    if (!style.empty()) {
        std::string all;
        for (auto& s : style) all += (all.empty() ? "" : ",") + s;
        r += ":force_style='" + all + "'";
    }
    return r;
}

std::string translate_filter_item(const std::string& item, SubtitleTextProblem* problem)
{
    // Leading and trailing pad labels stay as they are.
    size_t b = 0;
    while (b < item.size() && (item[b] == ' ' || item[b] == '"')) b++;
    while (b < item.size() && item[b] == '[') {
        size_t e = item.find(']', b);
        if (e == std::string::npos) return item;
        b = e + 1;
    }
    size_t end = item.size();
    while (end > b && item[end - 1] == ']') {
        size_t s = item.rfind('[', end - 1);
        if (s == std::string::npos || s < b) break;
        end = s;
    }
    std::string head = item.substr(0, b), body = item.substr(b, end - b), tail = item.substr(end);
    size_t eq = body.find('=');
    std::string name = body.substr(0, eq);
    std::string args = eq == std::string::npos ? std::string() : body.substr(eq + 1);
    if (name == "mp" && !args.empty()) body = translate_mp(args);
    else if ((name == "ass" || name == "subtitles") && !args.empty()) body = translate_subtitle_filter(name, args, problem);
    return head + body + tail;
}

}  // namespace

std::string stereo3d_filter_text(long input_layout, long output_layout)
{
    // mplayer's stereo3d codes, in their order.
    static const char* const layouts[] = {"arcg", "arch", "arcc", "arcd", "agmg", "agmh", "agmc", "agmd",
                                          "aybg", "aybh", "aybc", "aybd", "ml",   "mr",   "sbsl", "sbsr",
                                          "sbs2l", "sbs2r", "abl", "abr", "ab2l", "ab2r", "irl", "irr"};
    constexpr long count = static_cast<long>(std::size(layouts));
    // The filter reads only the side-by-side, above-below and interleaved layouts.
    if (input_layout < 14 || input_layout >= count || output_layout < 0 || output_layout >= count) return {};
    return std::string("stereo3d=in=") + layouts[input_layout] + ":out=" + layouts[output_layout];
}

std::string translate_filter_text(const std::string& graph, SubtitleTextProblem* problem)
{
    std::vector<char> seps;
    std::vector<std::string> items = split_top(graph, ",;", &seps);
    std::string out;
    for (size_t i = 0; i < items.size(); i++) {
        out += translate_filter_item(items[i], problem);
        if (i < seps.size()) out += seps[i];
    }
    return out;
}

std::string translate_encoder_name(const std::string& name)
{
    if (name == "libfaac") return "aac";
    if (name == "nvenc" || name == "libnvenc" || name == "nvenc_h264") return "h264_nvenc";
    if (name == "nvenc_hevc") return "hevc_nvenc";
    return name;
}

int translate_legacy_arguments(std::vector<std::string>& args, CToolContext* ctx)
{
    std::vector<std::string> out;
    if (args.empty()) return 0;
    out.push_back(args[0]);
    int input_index = 0;
    LegacyInputRequest pending;
    bool pending_dvd = false, pending_cd = false;
    long group_af = -1;   // index in `out` of the current output's audio filter value

    for (size_t i = 1; i < args.size(); i++) {
        const std::string& a = args[i];
        const bool has_next = i + 1 < args.size();
        if (a == "-f" && has_next && args[i + 1] == "dvdnav") {
            pending_dvd = true;
            i++;
            continue;
        }
        if (a == "-f" && has_next && args[i + 1] == "libcdio") pending_cd = true;
        if (pending_dvd && has_next && (a == "-dvd-device" || a == "-chapter" || a == "-angle")) {
            const std::string& v = args[++i];
            if (a == "-dvd-device") pending.dvd_device = v;
            else if (a == "-angle") pending.angle = atoi(v.c_str());
            else {
                pending.first_chapter = atoi(v.c_str());
                size_t dash = v.find('-');
                pending.last_chapter = dash != std::string::npos ? atoi(v.c_str() + dash + 1) : -1;
            }
            continue;
        }
        if (pending_cd && a == "-track" && has_next) {
            pending.cd_track = atoi(args[++i].c_str());
            continue;
        }
        if (a == "-i" && has_next) {
            std::string name = args[++i];
            if (pending_dvd) {
                pending.dvd = true;
                if (name.rfind("dvdnav://", 0) == 0) pending.title = atoi(name.c_str() + 9);
            }
            if (pending_cd && name.empty() && ctx) name = ctx->CdDrivePath();
            if ((pending_dvd || pending_cd) && ctx) {
                pending.input_index = input_index;
                ctx->legacy_inputs.push_back(pending);
            }
            pending = LegacyInputRequest();
            pending_dvd = pending_cd = false;
            out.push_back("-i");
            out.push_back(name);
            input_index++;
            continue;
        }
        if (is_codec_option(a) && has_next) {
            out.push_back(a);
            out.push_back(translate_encoder_name(args[++i]));
            continue;
        }
        if (a == "-x265opts") {
            out.push_back("-x265-params");
            continue;
        }
        if (a == "-flags" && has_next) {
            // "mv0" moved to the MPEG video encoders' own flags.
            std::string v = args[i + 1];
            size_t p = v.find("mv0");
            if (p != std::string::npos) {
                size_t s = (p > 0 && (v[p - 1] == '+' || v[p - 1] == '-')) ? p - 1 : p;
                char sign = (s < p) ? v[s] : '+';
                v.erase(s, p + 3 - s);
                i++;
                if (!v.empty() && v != "+" && v != "-") {
                    out.push_back("-flags");
                    out.push_back(v);
                }
                out.push_back("-mpv_flags:v");
                out.push_back(std::string(1, sign) + "mv0");
                continue;
            }
        }
        if (a == "-mp3vol" && has_next) {
            std::string vol = "volume=" + std::to_string(Mp3VolumeGainDb(atoi(args[++i].c_str()))) + "dB";
            if (group_af >= 0) {
                out[group_af] += "," + vol;
            } else {
                out.push_back("-af");
                out.push_back(vol);
                group_af = static_cast<long>(out.size()) - 1;
            }
            continue;
        }
        if (is_filter_option(a) && has_next) {
            SubtitleTextProblem problem;
            std::string v = translate_filter_text(args[++i], &problem);
            if (!problem.message.empty()) {
                // Said before the filter fails on it, and said last.
                av_log(nullptr, AV_LOG_ERROR, "%s\n", problem.message.c_str());
                if (ctx && problem.code_page >= 0) ctx->SetSubtitleCodePageError(problem.code_page, problem.message);
                else if (ctx) ctx->SetLastErrorLine(problem.message);
                return AVERROR_INVALIDDATA;
            }
            if (is_audio_filter_option(a)) {
                if (group_af >= 0) {
                    out[group_af] += "," + v;
                    continue;
                }
                out.push_back(a);
                out.push_back(v);
                group_af = static_cast<long>(out.size()) - 1;
                continue;
            }
            out.push_back(a);
            out.push_back(v);
            continue;
        }
        if (a == "--" && has_next) {
            out.push_back(a);
            out.push_back(args[++i]);
            group_af = -1;
            continue;
        }
        if (a.size() > 1 && a[0] == '-') {
            // Another option: its value (when it takes one) is carried unchanged.
            bool takes_arg = true;
            if (ctx && !ctx->options.empty()) {
                const OptionDef* po = find_option(ctx->options.data(), a.c_str() + 1);
                if (po->name)
                    takes_arg = (po->flags & HAS_ARG) || ((po->flags & OPT_EXIT) && po->argname);
                else if (a.compare(1, 2, "no") == 0 && (po = find_option(ctx->options.data(), a.c_str() + 3))->name &&
                         (po->flags & OPT_BOOL))
                    takes_arg = false;
            }
            out.push_back(a);
            if (takes_arg && has_next) out.push_back(args[++i]);
            continue;
        }
        // A bare argument closes an output file: its audio chain ends here.
        group_af = -1;
        out.push_back(a);
    }
    args.swap(out);
    return 0;
}
