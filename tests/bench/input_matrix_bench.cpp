// What the profiles make of users' audio files (not a test): every input
// format the profiles accept, untagged, tagged as taggers tag it (text tags
// and a cover in the format's own tag kind) and with an ID3v1 block appended,
// goes through every profile the way the program converts it (probe, job
// queue, in-process run, finished output), and the same job queue goes
// through Debian's ffmpeg. A conversion counts when it ended with 0, ffprobe
// reads the whole length of audio from its output, and its streams are the
// ones ffmpeg's output has (a cover kept, dropped or made a video alike).
// ADTS AAC and MP3 without a Xing header are made loud, then quiet, so that
// the length their containers give is an estimate, short of the whole.
// Prints one line per profile family: the formats and what each side converted.
//   cmake --build <build> --target bench_input_matrix && <build>/tests/bench_input_matrix [profile ids]
// MPC sources are made with mpcenc (musepack-tools); without it MPC is left out.
#include "CmdFFplay.h"
#include "EngineGlobals.h"
#include "JobCommand.h"
#include "ProfileJobBuild.h"
#include "ProfileManager.h"
#include "VXMApeCompress.h"
#include "VXMMediaExports.h"
#include "VXMMediaImpl.h"
#include "VXMMessages.h"
#include "VXMUtils.h"
#include "engine_mediaops/mediaops_support.h"
#include "ffmpeg_legacy.h"
#include "platform/text.h"
#include "support/test_media.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

int BuildMediaCommands(IVXMMedia* media, IProfile* profile, VXM_JOB_QUEUE& queue);

namespace {

constexpr double kSeconds = 4.0;

struct Format {
    const char* name;
    const char* ext;
    std::vector<std::string> codec;  // ffmpeg's output options; empty: a tool of its own
    // Loud, then quiet: the container holds no length, and the one estimated
    // from the first frames' rate is short of the whole.
    bool estimated = false;
};

const std::vector<Format> kFormats = {
    {"FLAC", "flac", {"-c:a", "flac"}},
    {"WV", "wv", {"-c:a", "wavpack"}},
    {"APE", "ape", {}},
    {"TTA", "tta", {"-c:a", "tta"}},
    {"MPC", "mpc", {}},
    {"Opus", "opus", {"-c:a", "libopus"}},
    {"Vorbis", "ogg", {"-c:a", "libvorbis"}},
    {"M4A/ALAC", "m4a", {"-c:a", "alac"}},
    {"WMA", "wma", {"-c:a", "wmav2"}},
    {"AIFF", "aiff", {}},
    {"WAV", "wav", {}},
    {"AC3", "ac3", {"-c:a", "ac3"}},
    {"DTS", "dts", {"-c:a", "dca", "-strict", "-2"}},
    {"MKA", "mka", {"-c:a", "aac"}},
    {"ADTS AAC", "aac", {"-c:a", "aac"}, true},
    {"MP3 no Xing", "mp3", {"-c:a", "libmp3lame", "-q:a", "2", "-write_xing", "0"}, true},
};

// How a source is tagged: not at all, by a tagger of its format, an ID3v1 block.
enum class Tagging { None, Native, Id3v1 };

struct Source {
    std::string format;
    Tagging tagging = Tagging::None;
    std::string path;
};

const char* TaggingName(Tagging t)
{
    return t == Tagging::None ? "" : t == Tagging::Native ? " tagged" : " ID3v1";
}

// An ID3v1 block as taggers append it.
void AppendId3v1(const std::string& path)
{
    std::string tag = "TAG";
    for (const char* field : {"Caf\xe9 du matin", "Les Artistes", "Album"}) {
        std::string f(field);
        f.resize(30, '\0');
        tag += f;
    }
    tag += "2024";
    tag += std::string(28, '\0');
    tag += std::string("\0\x03\x0c", 3);  // track 3, genre 12
    std::ofstream(path, std::ios::binary | std::ios::app) << tag;
}

bool MakeSource(const Format& format, const std::string& folder, std::string& path)
{
    std::string name = format.name;
    std::replace(name.begin(), name.end(), '/', '-');
    path = folder + "/Caf\xc3\xa9 " + name + "." + format.ext;
    const std::string tone = "sine=f=440:d=" + std::to_string(kSeconds) + ":sample_rate=44100";
    const std::string wav = folder + "/tone.wav";
    if (!std::filesystem::exists(wav) && !vxmtest::RunFfmpeg({"-f", "lavfi", "-i", tone, "-ac", "2", wav})) return false;
    const std::string loudThenQuiet = folder + "/loud then quiet.wav";
    const std::string graph = "anoisesrc=a=0.5:r=44100:d=1,aformat=channel_layouts=stereo[a];anullsrc=r=44100:cl=stereo:d=" +
                              std::to_string(kSeconds - 1) + "[b];[a][b]concat=v=0:a=1";
    if (format.estimated && !std::filesystem::exists(loudThenQuiet) &&
        !vxmtest::RunFfmpeg({"-filter_complex", graph, loudThenQuiet}))
        return false;
    if (std::string(format.ext) == "ape")
        return CompressFileW(Utf8ToWide(wav).c_str(), Utf8ToWide(path).c_str(), 2000, nullptr, nullptr, nullptr) == 0;
    if (std::string(format.ext) == "mpc")
        return vxmtest::RunProgram({"mpcenc", "--silent", "--overwrite", wav, path}) == 0;
    std::vector<std::string> args = {"-i", format.estimated ? loudThenQuiet : wav};
    args.insert(args.end(), format.codec.begin(), format.codec.end());
    args.push_back(path);
    return vxmtest::RunFfmpeg(args);
}

// Seconds of audio in a file as ffprobe decodes it (first frame to the end
// of the last); -1 without audio.
double AudioSeconds(const std::string& path)
{
    std::string rate, out;
    if (vxmtest::RunProgram({"ffprobe", "-v", "error", "-select_streams", "a:0", "-show_entries", "stream=sample_rate",
                             "-of", "csv=p=0", path},
                            &rate) != 0 ||
        std::atoi(rate.c_str()) <= 0 ||
        vxmtest::RunProgram({"ffprobe", "-v", "error", "-select_streams", "a:0", "-show_entries",
                             "frame=pts_time,nb_samples", "-of", "csv=p=0", path},
                            &out) != 0)
        return -1;
    const double sampleRate = std::atoi(rate.c_str());
    double start = -1, end = -1;
    std::size_t at = 0;
    while (at < out.size()) {
        std::size_t eol = out.find('\n', at);
        if (eol == std::string::npos) eol = out.size();
        const std::string line = out.substr(at, eol - at);
        const std::size_t comma = line.find(',');
        if (comma != std::string::npos) {
            // A frame without a time follows the one before.
            const double length = std::atof(line.c_str() + comma + 1) / sampleRate;
            if (line.compare(0, 3, "N/A") == 0) {
                if (end >= 0) end += length;
            } else {
                const double pts = std::atof(line.c_str());
                if (start < 0 || pts < start) start = pts;
                end = std::max(end, pts + length);
            }
        }
        at = eol + 1;
    }
    return end < 0 ? -1 : end - start;
}

// The source's whole length of audio (no job here is cut), and no stream
// left without a packet.
bool Whole(const std::string& path, const std::string& shape, std::string& why)
{
    const double seconds = AudioSeconds(path);
    if (seconds < kSeconds - 0.15 || seconds > kSeconds + 0.6)
        why = "output short or without audio";
    else if (shape.find('0') != std::string::npos)
        why = "a stream without a packet";
    else
        return true;
    return false;
}

// The source probed as the program adds it, its outputs going to `folder`.
bool Probed(CVXMMediaImpl& media, const Source& source, const std::string& folder, std::string& why)
{
    std::filesystem::create_directories(folder);
    media.SetSourcePath(Utf8ToWide(source.path));
    if (media.Probe() != 0) {
        why = "probe failed";
        return false;
    }
    media.SetOutputFolder(Utf8ToWide(folder));
    return true;
}

// The program's road: probe, convert, the finished output.
bool ConvertOurs(IProfile* profile, const Source& source, const std::string& folder, std::string& why,
                 std::string& shape)
{
    CVXMMediaImpl media;
    if (!Probed(media, source, folder, why)) return false;
    mediaopstest::CRecordingWindow window;
    media.StartConvert(profile, window.Get(), 0);
    window.WaitFor(WM_VXM_JOB_FINISHED);
    long long code = -100;
    for (const auto& p : window.Messages())
        if (p.message == WM_VXM_JOB_FINISHED) code = p.wParam;
    if (code != 0) {
        why = "code " + std::to_string(code) + ": " + WideToUtf8(media.m_strLastError);
        return false;
    }
    shape = mediaopstest::StreamShape(WideToUtf8(media.GetOutputPath()));
    return Whole(WideToUtf8(media.GetOutputPath()), shape, why);
}

std::string StandInToolFolder()
{
    return std::string(VXM_BIN_DIR) + "/gnu";
}

// The same job queue through Debian's ffmpeg (outside muxers: the stand-ins
// the program ships; the APE step: the engine's encoder, as ffmpeg has none).
bool ConvertTheirs(IProfile* profile, const Source& source, const std::string& folder, std::string& why,
                   std::string& shape)
{
    CVXMMediaImpl media;
    if (!Probed(media, source, folder, why)) return false;
    VXM_JOB_QUEUE queue;
    if (BuildMediaCommands(&media, profile, queue) != 0 || queue.empty()) {
        why = "no job";
        return false;
    }
    for (const auto& step : queue) {
        std::vector<std::string> argv;
        for (const std::wstring& a : JobProcessArguments(step->strCmdLine)) argv.push_back(WideToUtf8(a));
        if (argv.empty()) continue;
        int rc = 0;
        std::string log;
        if (step->nType == JOB_TYPE_FFMPEG) {
            // The older tool's options as the engine reads them; the wanted
            // stream numbers name the one audio stream ffmpeg picks anyway.
            CToolContext ctx;
            translate_legacy_arguments(argv, &ctx);
            std::vector<std::string> line = {"ffmpeg", "-nostdin", "-hide_banner", "-loglevel", "error"};
            for (std::size_t i = 1; i < argv.size(); ++i) {
                if ((argv[i] == "-ast" || argv[i] == "-vst" || argv[i] == "-sst") && i + 1 < argv.size()) {
                    ++i;
                    continue;
                }
                line.push_back(argv[i]);
            }
            argv = line;
            rc = vxmtest::RunProgram(argv, &log);
        } else if (step->nType == JOB_TYPE_APE) {
            rc = CompressFileW(step->strInput.c_str(), step->strOutput.c_str(), 2000, nullptr, nullptr, nullptr);
        } else {
            const std::string tool = std::filesystem::path(argv[0]).filename().string();
            if (tool != "rm" && tool != "mv" && tool != "cp") argv[0] = StandInToolFolder() + "/" + tool;
            rc = vxmtest::RunProgram(argv, &log);
        }
        if (rc != 0) {
            why = "step " + std::to_string(rc) + ": " + log.substr(0, 200);
            return false;
        }
    }
    shape = mediaopstest::StreamShape(WideToUtf8(media.m_strOutputFile));
    return Whole(WideToUtf8(media.m_strOutputFile), shape, why);
}

struct Cell {
    bool ours = false;
    bool theirs = false;
    std::string whyOurs, whyTheirs;
    std::string shapeOurs, shapeTheirs;
};

}  // namespace

int main(int argc, char** argv)
{
    RegisterMediaLibrary();
    SetToolSearchPathForTesting({Utf8ToWide(StandInToolFolder())});
    vxmtest::CTempDir dir;
    CProfileManager* manager = new CProfileManager(Utf8ToWide(dir.Path()));
    g_pProfileManager = manager;
    if (!manager->LoadProfiles(Utf8ToWide(std::string(VXM_SOURCE_DIR) + "/data/profiles.xml"))) {
        fprintf(stderr, "the catalogue does not load\n");
        return 1;
    }
    std::set<int> wanted;
    for (int i = 1; i < argc; ++i) wanted.insert(std::atoi(argv[i]));

    const std::string cover = dir.File("cover.jpg");
    if (!mediaopstest::MakeCover(cover)) {
        fprintf(stderr, "no cover picture\n");
        return 1;
    }
    std::vector<Source> sources;
    for (const Format& format : kFormats) {
        Source plain{format.name, Tagging::None, {}};
        if (!MakeSource(format, dir.Path(), plain.path)) {
            fprintf(stderr, "no %s source (its encoder is missing): left out\n", format.name);
            continue;
        }
        sources.push_back(plain);
        for (Tagging tagging : {Tagging::Native, Tagging::Id3v1}) {
            Source tagged{format.name, tagging, plain.path};
            tagged.path.insert(tagged.path.rfind('.'), TaggingName(tagging));
            std::filesystem::copy_file(plain.path, tagged.path);
            if (tagging == Tagging::Id3v1)
                AppendId3v1(tagged.path);
            else if (!mediaopstest::TagLikeTaggers(tagged.path, cover)) {
                fprintf(stderr, "%s could not be tagged\n", format.name);
                return 1;
            }
            sources.push_back(tagged);
        }
    }

    // Families: the general, HD and audio profiles one by one, each device
    // group by its first profile.
    struct Family {
        std::string name;
        std::vector<IProfile*> profiles;
    };
    std::vector<Family> families;
    std::set<int> placed;
    for (int i = 0; i < manager->GetProfileCount(); ++i) {
        IProfile* p = manager->GetProfile(i);
        if (p->GetId() <= 31 && (wanted.empty() || wanted.count(p->GetId()))) {
            families.push_back({std::to_string(p->GetId()) + " " + WideToUtf8(p->GetDesc()), {p}});
            placed.insert(p->GetId());
        }
    }
    for (int g = 0; g < manager->GetGroupCount(); ++g) {
        IProfileGroup* group = manager->GetGroup(g);
        Family family{"group " + WideToUtf8(group->GetName()), {}};
        for (int i = 0; i < group->GetProfileCount(); ++i)
            if (IProfile* p = group->GetProfile(static_cast<unsigned>(i)); p && p->GetId() <= 31)
                family.name.clear();  // a group of the families above
        for (int i = 0; i < group->GetProfileCount(); ++i) {
            IProfile* p = group->GetProfile(static_cast<unsigned>(i));
            // The first profile of a device group stands for the group.
            if (p && !placed.count(p->GetId()) && (wanted.empty() || wanted.count(p->GetId())) &&
                family.profiles.empty()) {
                family.profiles.push_back(p);
                placed.insert(p->GetId());
            }
        }
        if (!family.profiles.empty() && !family.name.empty()) {
            family.name += " (" + std::to_string(family.profiles.front()->GetId()) + " " +
                           WideToUtf8(family.profiles.front()->GetDesc()) + ")";
            families.push_back(family);
        }
    }

    struct Job {
        std::size_t family;
        IProfile* profile;
        std::size_t source;
    };
    std::vector<Job> jobs;
    for (std::size_t f = 0; f < families.size(); ++f)
        for (IProfile* p : families[f].profiles)
            for (std::size_t s = 0; s < sources.size(); ++s) jobs.push_back({f, p, s});
    std::vector<Cell> cells(jobs.size());
    std::atomic<std::size_t> next{0};
    std::mutex printLock;
    auto worker = [&] {
        for (std::size_t k = next++; k < jobs.size(); k = next++) {
            const Job& job = jobs[k];
            const std::string folder = dir.Path() + "/" + std::to_string(k);
            Cell& cell = cells[k];
            cell.ours = ConvertOurs(job.profile, sources[job.source], folder + "/ours", cell.whyOurs, cell.shapeOurs);
            cell.theirs =
                ConvertTheirs(job.profile, sources[job.source], folder + "/theirs", cell.whyTheirs, cell.shapeTheirs);
            if (cell.ours && cell.theirs && cell.shapeOurs != cell.shapeTheirs) {
                cell.ours = false;
                cell.whyOurs = "streams " + cell.shapeOurs + " where ffmpeg's are " + cell.shapeTheirs;
            }
            if (!cell.ours || !cell.theirs) {
                std::lock_guard<std::mutex> lock(printLock);
                fprintf(stderr, "%d %s from %s%s: ours %s (%s), ffmpeg %s (%s)\n", job.profile->GetId(),
                        WideToUtf8(job.profile->GetDesc()).c_str(), sources[job.source].format.c_str(),
                        TaggingName(sources[job.source].tagging), cell.ours ? "yes" : cell.whyOurs.c_str(),
                        cell.shapeOurs.c_str(), cell.theirs ? "yes" : cell.whyTheirs.c_str(), cell.shapeTheirs.c_str());
            }
            std::filesystem::remove_all(folder);
        }
    };
    std::vector<std::thread> pool;
    for (unsigned t = 0; t < std::max(2u, std::min(6u, std::thread::hardware_concurrency() / 2)); ++t)
        pool.emplace_back(worker);
    for (auto& t : pool) t.join();

    // One line per family: each format's untagged, tagged and ID3v1 source
    // (U, T and I when ours converted it as ffmpeg did, u, t and i when only
    // ffmpeg did, - when neither).
    printf("| family | ");
    std::vector<std::string> names;
    for (const Source& s : sources)
        if (s.tagging == Tagging::None) names.push_back(s.format);
    for (const std::string& n : names) printf("%s | ", n.c_str());
    printf("ours | ffmpeg |\n|---|");
    for (std::size_t i = 0; i < names.size() + 2; ++i) printf("---|");
    printf("\n");
    for (std::size_t f = 0; f < families.size(); ++f) {
        std::map<std::string, std::string> marks;
        int ours = 0, theirs = 0, total = 0;
        for (std::size_t k = 0; k < jobs.size(); ++k) {
            if (jobs[k].family != f) continue;
            const Source& s = sources[jobs[k].source];
            ++total;
            ours += cells[k].ours;
            theirs += cells[k].theirs;
            std::string& m = marks[s.format];
            const char* mark = s.tagging == Tagging::None ? "Uu" : s.tagging == Tagging::Native ? "Tt" : "Ii";
            m += cells[k].ours ? mark[0] : cells[k].theirs ? mark[1] : '-';
        }
        printf("| %s | ", families[f].name.c_str());
        for (const std::string& n : names) {
            std::string m = marks[n];
            // A group of several profiles: counts instead of marks.
            if (families[f].profiles.size() > 1) {
                int yes = 0;
                for (char c : m) yes += std::isupper(static_cast<unsigned char>(c)) != 0;
                m = std::to_string(yes) + "/" + std::to_string(m.size());
            }
            printf("%s | ", m.c_str());
        }
        printf("%d/%d | %d/%d |\n", ours, total, theirs, total);
        fflush(stdout);
    }
    ClearReservedOutputNames();
    g_pProfileManager = nullptr;
    manager->Release();
    UnRegisterMediaLibrary();
    return 0;
}
