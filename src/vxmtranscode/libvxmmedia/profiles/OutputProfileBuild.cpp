// Job building of a profile: output paths by container step, the subtitle
// step, one encode builder per tool step and the join of a media's parts.
#include <cstdlib>

#include "EngineLog.h"
#include "OutputProfile.h"
#include "ProfileJobBuild.h"
#include "ProfileMuxSteps.h"
#include "RunnerHooks.h"
#include "VXMUtils.h"

// Defined by the mux and join code; null while it is not linked in.
extern void BuildRawMp4CreatorCommands(const std::wstring&, const std::wstring&, VXM_JOB_QUEUE&, COutputProfile*,
                                       bool, const std::wstring&, const std::wstring&, const std::wstring&)
    __attribute__((weak));
extern void BuildTsMuxerRemuxCommands(const std::wstring&, const std::wstring&, COutputProfile*, bool,
                                      const std::wstring&, const std::wstring&, VXM_JOB_QUEUE&, int)
    __attribute__((weak));
extern void BuildApeCommands(const std::wstring&, VXM_JOB_QUEUE&, COutputProfile*, CVXMMediaBase*,
                             const std::wstring*) __attribute__((weak));
extern void BuildJoinRoute(CVXMMediaBase*, COutputProfile*, const std::wstring&, VXM_JOB_QUEUE&,
                           const std::vector<std::wstring>&) __attribute__((weak));

namespace {

constexpr const char* kLogCategory = "JobBuild";

// A job that needs a step this build cannot make fails as a whole: a
// conversion must not end with an unfinished file under the output's name.
bool MissingStep(const char* what, const std::wstring& source)
{
    LogMessageW(kLogCategory, L"%s: the job needs %s, which is not available", source.c_str(),
                Utf8ToWide(what).c_str());
    return true;
}

bool IsPs3Code(int code)
{
    return code >= 11 && code <= 14;
}

using EncodeBuilder = void (*)(const VXM_BUILD_ARGS&);

// Encode builders of transcode steps by output type: video types belong to
// mencoder and ffmpeg steps, audio types to mplayer steps.
struct ENCODE_BUILDER_ROW {
    int nOutputType;
    bool bAudio;
    EncodeBuilder build;
};

const ENCODE_BUILDER_ROW kEncodeBuilders[] = {
    {PROFILE_OUTPUT_AVI, false, BuildAviCommand},
    {PROFILE_OUTPUT_MPEG4_PSP, false, BuildMpeg4PspCommand},
    {PROFILE_OUTPUT_MPEG, false, BuildMpegCommand},
    {PROFILE_OUTPUT_FLV, false, BuildFlvCommand},
    {PROFILE_OUTPUT_MPEG4, false, BuildMpeg4Command},
    {PROFILE_OUTPUT_AVC_PSP, false, BuildAvcPspCommand},
    {PROFILE_OUTPUT_AVC_PS3, false, BuildAvcPs3Command},
    {PROFILE_OUTPUT_DVD, false, BuildDvdCommand},
    {PROFILE_OUTPUT_3GP, false, Build3gpCommand},
    {PROFILE_OUTPUT_SWF, false, BuildSwfCommand},
    {PROFILE_OUTPUT_MKV, false, BuildMkvCommand},
    {PROFILE_OUTPUT_MOV, false, BuildMovCommand},
    {PROFILE_OUTPUT_ASF, false, BuildAsfCommand},
    {PROFILE_OUTPUT_WEBM, false, BuildWebmCommand},
    {PROFILE_OUTPUT_OGV, false, BuildOgvCommand},
    {PROFILE_OUTPUT_GIF, false, BuildGifCommand},
    {PROFILE_OUTPUT_WMV, true, BuildWmvCommand},
    {PROFILE_OUTPUT_AAC, true, BuildAacCommand},
    {PROFILE_OUTPUT_MP3, true, BuildMp3Command},
    {PROFILE_OUTPUT_WAV, true, BuildWavCommand},
    {PROFILE_OUTPUT_OGG, true, BuildOggCommand},
    {PROFILE_OUTPUT_WMA, true, BuildWmaCommand},
    {PROFILE_OUTPUT_DTS, true, BuildDtsCommand},
};

// The builder of a transcode step; null when the step makes no encode. An
// mplayer step of a type without its own builder makes a plain audio encode.
EncodeBuilder FindEncodeBuilder(int engine, int type)
{
    const bool audio = engine == PROFILE_ENGINE_MPLAYER;
    if (!audio && engine != PROFILE_ENGINE_MENCODER && engine != PROFILE_ENGINE_FFMPEG)
        return nullptr;
    for (const ENCODE_BUILDER_ROW& row : kEncodeBuilders)
        if (row.nOutputType == type && row.bAudio == audio)
            return row.build;
    return audio ? BuildAudioCommand : nullptr;
}

}  // namespace

int COutputProfile::BuildCommands(CVXMMediaBase* media, const std::wstring& outputFolder,
                                  std::vector<std::wstring>& outputs, std::vector<std::wstring>& videoStreams,
                                  std::vector<std::wstring>& audioStreams, VXM_JOB_QUEUE& queue,
                                  CVXMMediaBase* parent)
{
    VXM_BUILD_VALUES values;
    return BuildSteps(media, outputFolder, outputs, videoStreams, audioStreams, queue, parent, values);
}

int COutputProfile::BuildSteps(CVXMMediaBase* media, const std::wstring& outputFolder,
                               std::vector<std::wstring>& outputs, std::vector<std::wstring>& videoStreams,
                               std::vector<std::wstring>& audioStreams, VXM_JOB_QUEUE& queue, CVXMMediaBase* parent,
                               VXM_BUILD_VALUES& values)
{
    if (!media)
        return -1;
    const VXM_ENGINE_SETTINGS& settings = BuildSettings();
    if (NeedsAviSynth(media)) {
        LogMessageW(kLogCategory, L"%s: making 3D from a 2D source needs AviSynth, which this system does not have",
                    media->m_strSourcePath.c_str());
        return -1;
    }
    if (const VXM_SUBTITLE* subtitle = UndrawableChosenSubtitle(media, this)) {
        const std::wstring name = subtitle->m_strLanguageText.empty()
                                      ? subtitle->m_strDisplayName
                                      : subtitle->m_strDisplayName + L" (" + subtitle->m_strLanguageText + L")";
        media->m_strLastError = name + L" cannot be drawn on the picture: its format is not one this program reads. "
                                       L"Choose another subtitle, or none.";
        LogMessageW(kLogCategory, L"%s: the chosen subtitle stream %d (codec %d) cannot be drawn",
                    media->m_strSourcePath.c_str(), subtitle->m_nId, subtitle->m_nId2);
        return -1;
    }
    const std::wstring vcodec = GetVideoCodec();
    const bool hardware = IsHardwareEncoderUsable(vcodec, settings.UseNVidiaCUDA) != 0;
    const bool rawRoute = settings.UseNVidiaCUDA && media->m_nMediaKind != 1 && media->m_nMediaKind != 2 &&
                          !media->m_lstVideo.empty() && !hardware && vcodec != L"x265";

    // A tool step of engine mp4creator is what turns raw streams into the MP4.
    bool hasMp4Creator = false;
    for (const auto& command : m_lstCommands)
        hasMp4Creator = hasMp4Creator || command->m_nEngine == PROFILE_ENGINE_MP4CREATOR;

    VXM_MUX_PATHS mux;
    std::wstring encodePath;
    bool rateAllows = false;
    bool rawVideoCopied = false;  // a later step copies the encoded video out as a raw stream
    switch (m_nMuxKind) {
    case PROFILE_MUX_MP4CREATOR:
    case PROFILE_MUX_MP4BOX:
        if (!BuildMp4MuxCommands(media, this, outputFolder, parent, mux))
            return -1;
        rateAllows = !mux.sourceRate.empty() && std::wcstod(mux.sourceRate.c_str(), nullptr) >=
                                                    std::wcstod(mux.targetRate.c_str(), nullptr);
        // The raw-stream route encodes into an ".avi" that a later step muxes;
        // without that step the output is the final file itself.
        rawVideoCopied = rawRoute && hasMp4Creator && !IsPs3Code(m_nProfileCode) && rateAllows;
        encodePath = rawVideoCopied ? mux.aviPath : mux.finalOutput;
        break;
    case PROFILE_MUX_TSMUXER:
        if (!BuildTsMuxerCommands(media, this, outputFolder, parent, mux))
            return -1;
        encodePath = mux.finalOutput;
        rawVideoCopied = !mux.videoStream.empty();
        break;
    case PROFILE_MUX_M4A:
        if (!BuildM4aMuxCommand(media, this, outputFolder, mux))
            return -1;
        encodePath = mux.finalOutput;
        break;
    default:
        if (m_nProfileCode == PROFILE_CODE_PSP)
            encodePath = MakePspOutputPath(media, this, outputFolder);
        else if (m_nProfileCode == PROFILE_CODE_FLV || m_nProfileCode == PROFILE_CODE_SWF ||
                 m_nProfileCode == PROFILE_CODE_ASF)
            encodePath = MakeOutputPath(media, this, outputFolder);
        else if (m_nProfileCode == PROFILE_CODE_3GP || m_nProfileCode == PROFILE_CODE_3G2)
            encodePath = Make3gpOutputPath(media, this, outputFolder, &mux.aviPath);
        else if (GetProfileFlag())
            encodePath = MakeCodecNamedOutputPath(media, this, outputFolder);
        else
            encodePath = MakeOutputPath(media, this, outputFolder);
        mux.finalOutput = encodePath;
        break;
    }
    if (encodePath.empty())
        return -1;

    if (GetProfileFlag()) {
        BuildSubtitleCommand(queue, this, media, outputFolder);
        encodePath = MakeSegmentOutputName(encodePath, queue, media);
        if (encodePath.empty())
            return -1;
    }

    bool missing = false;
    VXM_BUILD_ARGS args;
    args.outputFolder = outputFolder;
    args.queue = &queue;
    args.profile = this;
    args.media = media;
    args.values = &values;
    args.encodePath = encodePath;
    args.thumbnailPath = mux.thumbnail;
    args.parent = parent;
    if (rawVideoCopied)
        args.constantRate = mux.targetRate;
    args.rawStreamRoute = rawRoute;
    args.hardwareEncoder = hardware;
    for (const auto& command : m_lstCommands) {
        const int engine = command->m_nEngine;
        const int type = command->m_nOutputType;
        if (const EncodeBuilder build = FindEncodeBuilder(engine, type)) {
            build(args);
        } else if (engine == PROFILE_ENGINE_MAC && type == PROFILE_OUTPUT_APE) {
            std::wstring folder = encodePath.substr(0, encodePath.rfind(L'/'));
            std::wstring name = GetFileNamePart(encodePath, TRUE);
            name = name.substr(0, name.rfind(L'.'));
            const std::wstring wav = MakeUniqueOutputPath(L"wav", nullptr, folder, name);
            if (!BuildApeCommands)
                missing = MissingStep("the APE encoder", media->m_strSourcePath);
            else
                BuildApeCommands(encodePath, queue, this, media, wav.empty() ? nullptr : &wav);
        } else if (engine == PROFILE_ENGINE_MP4CREATOR) {
            if (rawRoute && rateAllows && !IsPs3Code(m_nProfileCode)) {
                if (!BuildRawMp4CreatorCommands)
                    missing = MissingStep("mp4creator", media->m_strSourcePath);
                else
                    BuildRawMp4CreatorCommands(mux.targetRate, encodePath, queue, this, media->m_bHasAudio != 0,
                                               mux.videoStream, mux.audioStream, mux.finalOutput);
                media->m_strOutputFile = mux.finalOutput;
            }
        } else if (engine == PROFILE_ENGINE_TSMUXER) {
            if (!BuildTsMuxerRemuxCommands)
                missing = MissingStep("tsMuxeR", media->m_strSourcePath);
            else
                BuildTsMuxerRemuxCommands(mux.audioStream, mux.metaFile, this, media->m_bHasAudio != 0,
                                          mux.videoStream, encodePath, queue, 1);
        }
        media->m_bDoubleLength = ProfileWToI(GetEncodePass()) == 2 ? 1 : 0;
    }
    videoStreams.push_back(mux.videoStream);
    audioStreams.push_back(mux.audioStream);

    const bool tsMuxed = m_lstCommands.size() >= 2 && m_lstCommands[1]->m_nEngine == PROFILE_ENGINE_TSMUXER;
    if (!parent && !media->m_lstJoin.empty() && m_nProfileCode != 109) {
        // A part that cannot be built fails the whole join.
        outputs.push_back(media->m_strOutputFile);
        for (IVXMMedia* part : media->m_lstJoin) {
            CVXMMediaBase* base = dynamic_cast<CVXMMediaBase*>(part);
            if (!base)
                continue;
            BuildSteps(base, outputFolder, outputs, videoStreams, audioStreams, queue, media, values);
            outputs.push_back(base->m_strOutputFile);
        }
        int joined = 0;
        if (tsMuxed) {
            joined = BuildJoinCommands(media, mux.videoStream, queue, videoStreams);
            joined |= BuildJoinCommands(media, mux.audioStream, queue, audioStreams);
        } else {
            joined = BuildJoinCommands(media, media->m_strOutputFile, queue, outputs);
        }
        missing = missing || joined != 0;
    }
    if (!parent && tsMuxed) {
        if (!BuildTsMuxerRemuxCommands)
            missing = MissingStep("tsMuxeR", media->m_strSourcePath);
        else
            BuildTsMuxerRemuxCommands(mux.audioStream, mux.metaFile, this, media->m_bHasAudio != 0, mux.videoStream,
                                      mux.finalOutput, queue, 2);
    }
    return missing ? -1 : 0;
}

int COutputProfile::BuildJoinCommands(CVXMMediaBase* media, const std::wstring& joinedOutput, VXM_JOB_QUEUE& queue,
                                      std::vector<std::wstring>& parts)
{
    if (!media) {
        parts.clear();
        return -1;
    }
    if (!BuildJoinRoute) {
        MissingStep("the join steps", media->m_strSourcePath);
        parts.clear();
        return -1;
    }
    BuildJoinRoute(media, this, joinedOutput, queue, parts);
    parts.clear();
    return 0;
}

int BuildMediaCommands(IVXMMedia* media, IProfile* profile, VXM_JOB_QUEUE& queue)
{
    CVXMMediaBase* base = dynamic_cast<CVXMMediaBase*>(media);
    COutputProfile* shared = dynamic_cast<COutputProfile*>(profile);
    if (!base || !shared)
        return -1;
    if (!queue.empty())
        return 0;
    // The build evaluates limits and may settle values (a hardware encoder
    // makes one pass) in a profile of its own: the caller's profile, which
    // other builds and the settings pane use meanwhile, is only read.
    const std::unique_ptr<IProfile> own = shared->Clone();
    COutputProfile* output = static_cast<COutputProfile*>(own.get());
    base->m_strTempOutput.clear();
    const std::wstring folder = base->m_strOutputFolder;
    std::vector<std::wstring> outputs, videoStreams, audioStreams;
    const int result = output->BuildCommands(base, folder, outputs, videoStreams, audioStreams, queue, nullptr);
    if (result != 0) {
        ClearJobQueue(queue);  // a half-built job never runs
        ReleaseOutputName(base->m_strOutputFile);
        base->DeleteJobTempFiles();
        for (IVXMMedia* part : base->m_lstJoin) {
            if (CVXMMediaBase* data = dynamic_cast<CVXMMediaBase*>(part)) {
                ReleaseOutputName(data->m_strOutputFile);
                data->DeleteJobTempFiles();
            }
        }
    }
    return result;
}
