// Output names of a conversion, the container step's file names and the
// extraction of a subtitle that is cut and burnt in.
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <mutex>
#include <random>
#include <set>

#include "EngineLog.h"
#include "ProfileJobBuild.h"
#include "VXMUtils.h"
#include "platform/codepage.h"
#include "platform/paths.h"

extern "C" {
#include <libavcodec/codec_id.h>
}

namespace fs = std::filesystem;

namespace {

constexpr const char* kLogCategory = "JobBuild";

std::mutex& ReservedLock()
{
    static std::mutex lock;
    return lock;
}

// Names handed out by any build of this process; a conversion that has not
// yet written its file still owns its name.
std::set<std::wstring>& ReservedNames()
{
    static std::set<std::wstring> names;
    return names;
}

bool PathExists(const std::wstring& path)
{
    std::error_code ec;
    // A dangling link counts as taken: writing through it would land elsewhere.
    return fs::symlink_status(PathFromWide(path), ec).type() != fs::file_type::not_found;
}

int RandomNumber()
{
    static std::mutex lock;
    static std::mt19937 rng{std::random_device{}()};
    std::lock_guard<std::mutex> guard(lock);
    return std::uniform_int_distribution<int>(0, 32767)(rng);
}

// A file name of Linux file systems holds at most 255 bytes. An output name
// leaves room for its number ("_999"), its extension and the suffix of a
// temporary name while it is written.
constexpr std::size_t kNameMaxBytes = 255;
constexpr std::size_t kNumberBytes = 4;
constexpr std::size_t kTemporaryRoom = 24;

// `name` cut at a character boundary so that it and `extension` fit.
std::wstring FitName(const std::wstring& name, const std::wstring& extension)
{
    const std::size_t reserved = kNumberBytes + 1 + WideToUtf8(extension).size() + kTemporaryRoom;
    return CutUtf8Bytes(name, kNameMaxBytes > reserved ? kNameMaxBytes - reserved : 1);
}

std::wstring TrimFolder(std::wstring folder)
{
    while (folder.size() > 1 && folder.back() == L'/')
        folder.pop_back();
    return folder;
}

void SplitPath(const std::wstring& path, std::wstring& folder, std::wstring& name, std::wstring& ext)
{
    const std::size_t slash = path.rfind(L'/');
    folder = slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
    name = slash == std::wstring::npos ? path : path.substr(slash + 1);
    const std::size_t dot = name.rfind(L'.');
    ext = dot == std::wstring::npos ? std::wstring() : name.substr(dot);
    if (dot != std::wstring::npos)
        name.erase(dot);
}

std::wstring RateText(double rate)
{
    return FixedText(rate, 3);
}

// Source and target frame-rate texts of the container steps.
void FrameRates(CVXMMediaBase* media, COutputProfile* profile, VXM_MUX_PATHS& out)
{
    double rate = -1;
    if (IVXMVideo* video = media->FindSelectedVideoStream())
        rate = video->GetFrameRate();
    else if (media->m_nMediaKind == 1) {
        IVXMDVDTitle* title = dynamic_cast<IVXMDVDTitle*>(dynamic_cast<IVXMMedia*>(media));
        if (title && title->GetVideoStream())
            rate = title->GetVideoStream()->GetFrameRate();
        if (title && title->GetDisplayFormat() != L"?")
            rate = title->GetVideoStandard() == L"NTSC" ? 23.976 : 29.97;
    }
    if (rate < 0)
        return;
    out.sourceRate = RateText(rate);
    out.targetRate = out.sourceRate;
    std::wstring target = profile->GetFramerate();
    if (ResolveAutoFramerate(rate, target) != 1)
        out.targetRate = target;
}

}  // namespace

void ReleaseOutputName(const std::wstring& path)
{
    std::lock_guard<std::mutex> guard(ReservedLock());
    ReservedNames().erase(path);
}

void ClearReservedOutputNames()
{
    std::lock_guard<std::mutex> guard(ReservedLock());
    ReservedNames().clear();
}

std::wstring GetBurnTempOutputName(CVXMMediaBase* media, const std::wstring* codec)
{
    std::wstring base = media->m_strOutputName;
    if (base.empty()) {
        std::wstring folder, ext;
        SplitPath(media->m_strSourcePath, folder, base, ext);
    }
    if (media->m_bBurnNaming) {
        for (wchar_t c : base) {
            if (static_cast<unsigned>(c) > 127) {
                base = L"Burn_Temp";
                break;
            }
        }
    }
    std::wstring result = base;
    if (media->m_nMediaKind == 1) {
        IVXMDVDTitle* title = dynamic_cast<IVXMDVDTitle*>(dynamic_cast<IVXMMedia*>(media));
        result = (title ? title->GetDiscName() : std::wstring()) + L"_Title_" + base;
    } else if (codec && !codec->empty() && BuildSettings().AddVCodecName) {
        result = base + L"_" + *codec;
    }
    for (wchar_t& c : result) {
        if (c == L'\'')
            c = L'-';
        else if (IsControlChar(c))
            c = L'_';  // a line break or tab in a name is no name at all
    }
    // A name never leaves its folder.
    RemoveInvalidNameChars(result);
    return result.empty() ? std::wstring(L"output") : result;
}

std::wstring MakeUniqueOutputPath(const std::wstring& extension, std::wstring* base, const std::wstring& folder,
                                  const std::wstring& wholeName)
{
    const std::wstring name = FitName(wholeName, extension);
    if (name.size() < wholeName.size())
        LogMessageW(kLogCategory, L"the output name %s is cut to %s to fit the file system", wholeName.c_str(), name.c_str());
    const std::wstring dir = TrimFolder(folder);
    CreateFolderTree(dir);
    std::lock_guard<std::mutex> guard(ReservedLock());
    for (int i = 0; i < 1000; ++i) {
        const std::wstring taken = i == 0 ? name : FormatW(L"%s_%03d", name.c_str(), i);
        const std::wstring candidate = dir + L"/" + taken + L"." + extension;
        if (ReservedNames().count(candidate) || PathExists(candidate))
            continue;
        ReservedNames().insert(candidate);
        if (base)
            *base = dir + L"/" + taken;
        return candidate;
    }
    LogMessageW(kLogCategory, L"every name of %s/%s.%s is taken", dir.c_str(), name.c_str(), extension.c_str());
    if (base)
        base->clear();
    return {};
}

std::wstring MakeOutputPath(CVXMMediaBase* media, COutputProfile* profile, const std::wstring& folder)
{
    media->m_strOutputFile =
        MakeUniqueOutputPath(profile->GetFileExt(), nullptr, folder, GetBurnTempOutputName(media, nullptr));
    return media->m_strOutputFile;
}

std::wstring MakeCodecNamedOutputPath(CVXMMediaBase* media, COutputProfile* profile, const std::wstring& folder)
{
    const std::wstring codec = profile->GetVideoCodec();
    media->m_strOutputFile =
        MakeUniqueOutputPath(profile->GetFileExt(), nullptr, folder, GetBurnTempOutputName(media, &codec));
    return media->m_strOutputFile;
}

std::wstring MakePspOutputPath(CVXMMediaBase* media, COutputProfile* profile, const std::wstring& folder)
{
    media->m_strOutputFile = MakeUniqueOutputPath(L"MP4", nullptr, folder, GetBurnTempOutputName(media, nullptr));
    return media->m_strOutputFile;
}

std::wstring Make3gpOutputPath(CVXMMediaBase* media, COutputProfile* profile, const std::wstring& folder,
                               std::wstring* aviSibling)
{
    const std::wstring codec = profile->GetVideoCodec();
    std::wstring base;
    media->m_strOutputFile =
        MakeUniqueOutputPath(profile->GetFileExt(), &base, folder, GetBurnTempOutputName(media, &codec));
    if (aviSibling)
        *aviSibling = base.empty() ? std::wstring() : base + L".avi";
    return media->m_strOutputFile;
}

std::wstring MakeSegmentOutputName(const std::wstring& path, const VXM_JOB_QUEUE& queue, CVXMMediaBase* media)
{
    std::wstring folder, name, ext;
    SplitPath(path, folder, name, ext);
    auto queued = [&](const std::wstring& candidate) {
        for (const auto& step : queue) {
            if (step && step->strOutput == candidate)
                return true;
        }
        return false;
    };
    std::lock_guard<std::mutex> guard(ReservedLock());
    for (int i = 0; i < 1000; ++i) {
        const std::wstring candidate =
            i == 0 ? path : folder + L"/" + FormatW(L"%s_%03d", name.c_str(), i) + ext;
        if (queued(candidate) || PathExists(candidate))
            continue;
        // Another build's reserved name is taken; our own path is ours.
        if (i > 0 && ReservedNames().count(candidate))
            continue;
        ReservedNames().insert(candidate);
        media->m_strOutputFile = candidate;
        return candidate;
    }
    LogMessageW(kLogCategory, L"every name of %s is taken", path.c_str());
    media->m_strOutputFile.clear();
    return {};
}

bool BuildMp4MuxCommands(CVXMMediaBase* media, COutputProfile* profile, const std::wstring& folder,
                         CVXMMediaBase* parent, VXM_MUX_PATHS& out)
{
    const std::wstring vcodec = profile->GetVideoCodec();
    std::wstring name = GetBurnTempOutputName(media, &vcodec);
    if (parent)
        name += FormatW(L"_%d", RandomNumber());
    std::wstring base;
    out.finalOutput =
        MakeUniqueOutputPath(profile->GetName() == L"customized_m4v" ? L"m4v" : L"mp4", &base, folder, name);
    if (out.finalOutput.empty())
        return false;
    out.aviPath = base + L".avi";
    out.audioStream = base + L"." + profile->GetAudioCodec();
    out.thumbnail = base + L".thm";
    out.videoStream = base + (vcodec == L"x264" ? L".264" : L".m4v");
    FrameRates(media, profile, out);
    media->m_strOutputFile = out.finalOutput;
    return true;
}

// A path inside the meta file's quotes: quotes and backslashes escaped.
static std::string MetaPath(const std::wstring& path)
{
    std::string out;
    for (char c : WideToUtf8(path)) {
        if (c == '"' || c == '\\')
            out += '\\';
        out += c;
    }
    return out;
}

namespace {

// The meta file's name of an audio codec value; none for a codec the muxer
// does not take.
const char* TsMuxerAudioTag(const std::wstring& codec)
{
    return codec == L"aac"                     ? "A_AAC"
           : codec == L"ac3"                   ? "A_AC3"
           : (codec == L"mp3" || codec == L"mp2") ? "A_MP3"
           : codec == L"dts"                   ? "A_DTS"
                                               : nullptr;
}

// A new stream file for the job; the media deletes it when the conversion ends.
std::wstring JobStreamFile(CVXMMediaBase* media, const std::wstring& folder, const std::wstring& extension)
{
    std::wstring path = CreateUniqueTempFile(folder, L"vxm", extension);
    if (!path.empty())
        media->m_vecJobTempFiles.push_back(path);
    return path;
}

}  // namespace

bool BuildTsMuxerCommands(CVXMMediaBase* media, COutputProfile* profile, const std::wstring& folder,
                          CVXMMediaBase* parent, VXM_MUX_PATHS& out)
{
    const std::wstring vcodec = profile->GetVideoCodec();
    std::wstring base;
    out.finalOutput = MakeUniqueOutputPath(L"m2ts", &base, folder, GetBurnTempOutputName(media, &vcodec));
    if (out.finalOutput.empty())
        return false;
    out.aviPath = base + L".avi";
    out.thumbnail = base + L".thm";
    out.metaFile = base + L".meta";
    const std::wstring dir = TrimFolder(folder);
    // Stream files only for the tracks the muxer gets: a source without
    // picture has no video track, a track without a codec name is refused.
    const char* audioTag = TsMuxerAudioTag(profile->GetAudioCodec());
    IVXMVideo* video = media->FindSelectedVideoStream();
    if (media->m_bHasAudio && !profile->IsAudioDisabled() && audioTag)
        out.audioStream = JobStreamFile(media, dir, L"." + profile->GetAudioCodec());
    if (video) {
        out.videoStream = JobStreamFile(media, dir, vcodec == L"x264" ? L".264" : L".m4v");
        out.targetRate = RateText(video->GetFrameRate());
        std::wstring target = profile->GetFramerate();
        if (ResolveAutoFramerate(video->GetFrameRate(), target) != 1)
            out.targetRate = target;
    }
    media->m_strOutputFile = out.finalOutput;
    if (parent)
        return true;
    // Made new, never over a file of that name, which would be deleted with the job's files.
    std::FILE* meta = std::fopen(WideToUtf8(out.metaFile).c_str(), "wx");
    if (!meta && errno == EEXIST) {
        out.metaFile = CreateUniqueTempFile(dir, L"vxm", L".meta");
        meta = out.metaFile.empty() ? nullptr : std::fopen(WideToUtf8(out.metaFile).c_str(), "w");
    }
    if (!meta) {
        LogMessageW(kLogCategory, L"cannot create the tsMuxeR meta file %s", out.metaFile.c_str());
        return true;
    }
    media->m_vecJobTempFiles.push_back(out.metaFile);
    std::fprintf(meta, "MUXOPT --no-pcr-on-video-pid --new-audio-pes --vbr  --vbv-len=500\n");
    if (!out.videoStream.empty())
        std::fprintf(meta, "V_MPEG4/ISO/AVC, \"%s\", fps=%s, insertSEI, contSPS\n", MetaPath(out.videoStream).c_str(),
                     WideToUtf8(out.targetRate).c_str());
    if (!out.audioStream.empty())
        std::fprintf(meta, "%s, \"%s\"", audioTag, MetaPath(out.audioStream).c_str());
    std::fclose(meta);
    return true;
}

bool BuildM4aMuxCommand(CVXMMediaBase* media, COutputProfile* profile, const std::wstring& folder,
                        VXM_MUX_PATHS& out)
{
    std::wstring base;
    out.finalOutput = MakeUniqueOutputPath(L"m4a", &base, folder, GetBurnTempOutputName(media, nullptr));
    if (out.finalOutput.empty())
        return false;
    out.audioStream = base + L".aac";
    media->m_strOutputFile = out.finalOutput;
    return true;
}

VXM_SUBTITLE* ChosenFileSubtitle(CVXMMediaBase* media)
{
    VXM_SUBTITLE* subtitle = nullptr;
    if (media->m_nSubtitleId >= 0) {
        for (const auto& s : media->m_lstSubtitle) {
            if (s->m_nId == media->m_nSubtitleId)
                subtitle = s.get();
        }
    }
    if (media->m_pSelection && media->m_pSelection->m_nSubtitle >= 0) {
        if (VXM_SUBTITLE* chosen = media->GetSubtitleAt(media->m_pSelection->m_nSubtitle))
            subtitle = chosen;
    }
    return subtitle;
}

bool GetSelectedSubtitle(CVXMMediaBase* media, VXM_SUBTITLE& out, int profileCode)
{
    const double start = static_cast<unsigned>(media->m_nStartTime) / 1000.0;
    const VXM_SUBTITLE* candidate = nullptr;
    if (media->m_nMediaKind == 0) {
        if (media->m_lstSubtitle.empty())
            return false;
        candidate = ChosenFileSubtitle(media);
        if (!candidate)
            return false;
        const int codec = SubtitleCodecOf(*candidate);
        const bool qualifies = candidate->m_bExternal ? BurnsFromSubtitleCopy(*candidate, start)
                                                      : profileCode != 28 && SubtitleDrawingOf(codec) == ESubtitleDrawing::Text;
        if (!qualifies)
            return false;
    } else if (media->m_nMediaKind == 1) {
        IVXMMedia* title = dynamic_cast<IVXMMedia*>(media);
        if (media->m_lstSubtitle.empty() || !title)
            return false;
        const int selected = title->GetSelectedSubtitleStream();
        candidate = selected >= 0 ? media->GetSubtitleAt(selected) : nullptr;
        if (!candidate || !BurnsFromSubtitleCopy(*candidate, start))
            return false;
    } else {
        return false;
    }
    out = *candidate;
    return true;
}

namespace {

// A UTF-8 copy, without its mark, of a subtitle file whose byte-order mark
// names UTF-16 (`encoding`); empty when it cannot be made. The media deletes
// it when the conversion ends.
std::wstring WriteUtf8Copy(CVXMMediaBase* media, const std::wstring& path, const std::string& encoding,
                           const std::wstring& folder)
{
    std::ifstream in(PathFromWide(path), std::ios::binary);
    const std::string data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::string text;
    if (data.size() < 2 || !CodePageToUtf8Strict(std::string_view(data).substr(2), encoding.c_str(), text)) {
        LogMessageW(kLogCategory, L"%s is no %s text: it is burnt as it is", path.c_str(),
                    Utf8ToWide(encoding).c_str());
        return {};
    }
    const std::wstring copy = JobStreamFile(media, folder, L"." + GetFileNamePart(path, FALSE));
    if (copy.empty() || !(std::ofstream(PathFromWide(copy), std::ios::binary) << text)) {
        LogMessageW(kLogCategory, L"cannot write a UTF-8 copy of %s in %s", path.c_str(), folder.c_str());
        return {};
    }
    return copy;
}

}  // namespace

void BuildSubtitleCommand(VXM_JOB_QUEUE& queue, COutputProfile* profile, CVXMMediaBase* media,
                          const std::wstring& folder)
{
    VXM_SUBTITLE subtitle;
    if (profile->m_nSkipSourceTracks || !GetSelectedSubtitle(media, subtitle, profile->m_nProfileCode))
        return;
    // The cut subtitle is a working file: it goes to the engine's temporary
    // folder, and the conversion deletes it when it ends.
    std::wstring temp = BuildSettings().strTempFolder;
    if (temp.empty() || !CreateFolderTree(temp))
        temp = TrimFolder(folder);
    std::wstring input = subtitle.m_bExternal ? subtitle.m_strFilePath : media->m_strSourcePath;
    if (const std::string mark = ByteOrderMarkEncoding(input); subtitle.m_bExternal && mark.starts_with("UTF-16")) {
        const std::wstring copy = WriteUtf8Copy(media, input, mark, temp);
        if (copy.empty())
            return;
        const int codec = SubtitleCodecOf(subtitle);
        if ((codec == AV_CODEC_ID_SSA || codec == AV_CODEC_ID_ASS) && media->m_nStartTime > 0) {
            input = copy;  // and cut below
        } else {
            media->m_strTempFile = copy;  // burnt as it is
            return;
        }
    }
    const std::wstring assPath = CreateUniqueTempFile(temp, L"vxmsub", L".ass");
    if (assPath.empty()) {
        LogMessageW(kLogCategory, L"cannot create a subtitle file in %s", temp.c_str());
        return;
    }
    CFFMpegOpts opts;
    opts.SetInput(FileInputName(input));
    if (!subtitle.m_bExternal)
        opts.SetOption(L"-map", L"0:%d", subtitle.m_nId);
    const int codec = SubtitleCodecOf(subtitle);
    opts.SetOption(L"-scodec", L"%s", codec == AV_CODEC_ID_SSA || codec == AV_CODEC_ID_ASS ? L"copy" : L"ass");
    // Cut at the same millisecond the picture is cut at.
    const unsigned startMs = media->m_nStartTime > 0 ? static_cast<unsigned>(media->m_nStartTime) : 0;
    if (startMs > 0)
        opts.SetOption(L"-ss", L"%u.%03u", startMs / 1000, startMs % 1000);
    opts.AddFlag(L"-y");  // the name was created empty to hold it
    AddOutputPath(opts, assPath);
    opts.AddJobCommand(queue, PASS_SUBTITLE, media->m_strSourcePath, media, 1, assPath);
    media->m_strTempFile = assPath;
}
