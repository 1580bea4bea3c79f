// The prologue every transcode step starts with: input, trim, source tracks,
// burn-in, overlays, volume, threads and the picture and fitting filters.
#include <charconv>
#include <cwctype>
#include <fstream>
#include <string_view>

#include "EngineLog.h"
#include "ProfileJobBuild.h"
#include "VXMUtils.h"
#include "VXMMediaExports.h"
#include "ffmpeg_legacy.h"
#include "platform/module.h"
#include "platform/paths.h"

extern "C" {
#include <libavcodec/avcodec.h>
}

bool EqualsNoCase(const std::wstring& a, const wchar_t* b)
{
    return CompareNoCaseW(a, b) == 0;
}

namespace {

constexpr const char* kLogCategory = "JobBuild";

bool Is3DInForce(const CVXMMediaBase* media)
{
    return media->m_n3DMode != -1 && media->m_n3DOutput != -1 && media->m_n3DDepth != 0;
}

bool IsSsaFamily(int codec)
{
    return codec == AV_CODEC_ID_SSA || codec == AV_CODEC_ID_ASS;
}

void BurnSubtitleFile(CFFMpegOpts& opts, const std::wstring& path, const VXM_SUBTITLE_STYLE& style)
{
    if (path.empty())
        return;
    AppendFilter(opts, L"-vf", L"ass=f='" + BuildSubtitleFilterArg(path, style));
}

void BurnExternal(CFFMpegOpts& opts, CVXMMediaBase* media, double seekStart, const VXM_SUBTITLE& subtitle)
{
    const int codec = SubtitleCodecOf(subtitle);
    if (!IsSsaFamily(codec) && codec != AV_CODEC_ID_SRT && codec != AV_CODEC_ID_SUBRIP)
        return;
    VXM_SUBTITLE_STYLE style = SubtitleStyleFor(codec);
    if (!BurnsFromSubtitleCopy(subtitle, seekStart) || media->m_strTempFile.empty()) {
        BurnSubtitleFile(opts, subtitle.m_strFilePath, style);
        return;
    }
    // The copy has lost the byte-order mark that named its encoding: it was
    // read by the mark and written as UTF-8.
    if (!ByteOrderMarkEncoding(subtitle.m_strFilePath).empty())
        style.nEncoding = 1;
    BurnSubtitleFile(opts, media->m_strTempFile, style);
}

// Returns the stream index of an embedded subtitle the output copies, else -1.
int AddSourceSubtitles(CFFMpegOpts& opts, CVXMMediaBase* media, COutputProfile* profile, double seekStart)
{
    if (profile->m_nSkipSourceTracks || media->m_lstSubtitle.empty())
        return -1;
    const VXM_SUBTITLE* subtitle = nullptr;
    if (media->m_nMediaKind == 1) {
        IVXMMedia* title = dynamic_cast<IVXMMedia*>(media);
        const int selected = title ? title->GetSelectedSubtitleStream() : -1;
        if (selected == -1) {
            for (const auto& s : media->m_lstSubtitle) {
                if (title && s->m_nId == title->GetSubtitleId())
                    subtitle = s.get();
            }
        } else {
            subtitle = media->GetSubtitleAt(selected);
        }
        if (!subtitle)
            return -1;
        if (subtitle->m_bExternal)
            BurnExternal(opts, media, seekStart, *subtitle);
        else if (subtitle->m_nId >= 0) {
            if (profile->m_nProfileCode == 28)
                opts.AddFlag(L"-scodec copy");
            else
                opts.SetOption(L"-sst", L"%d", subtitle->m_nId);
        }
        return -1;
    }
    if (media->m_nMediaKind != 0)
        return -1;
    subtitle = ChosenFileSubtitle(media);
    if (!subtitle)
        return -1;
    if (subtitle->m_bExternal) {
        BurnExternal(opts, media, seekStart, *subtitle);
        return -1;
    }
    const int codec = SubtitleCodecOf(*subtitle);
    if (profile->m_nProfileCode == 28) {
        opts.AddFlag(L"-scodec copy");
        return subtitle->m_nId;
    }
    const ESubtitleDrawing drawing = SubtitleDrawingOf(codec);
    if (drawing == ESubtitleDrawing::Text) {
        // The step before wrote the track out as UTF-8: no code page applies.
        VXM_SUBTITLE_STYLE style = SubtitleStyleFor(codec);
        style.nEncoding = 1;
        BurnSubtitleFile(opts, media->m_strTempFile, style);
    } else if (drawing == ESubtitleDrawing::Picture) {
        opts.SetOption(L"-sst", L"%d", subtitle->m_nId);
    }
    return -1;
}

// The source's audio track the transcoder takes when no other is chosen: the
// one with the chosen id, else the first with the most channels.
int SourceAudioTrackId(const CVXMMediaBase* media)
{
    if (media->m_nAudioTrackId >= 0)
        return media->m_nAudioTrackId;
    const VXM_AUDIO_TRACK* widest = nullptr;
    for (const auto& a : media->m_lstAudio) {
        if (!a->m_bExternal && a->m_nId >= 0 && (!widest || a->m_nChannels > widest->m_nChannels))
            widest = a.get();
    }
    return widest ? widest->m_nId : -1;
}

// Returns the stream index of the source's audio track the output takes
// (-1 when it takes none, or the sound comes from an added file).
int AddSourceAudio(CFFMpegOpts& opts, CVXMMediaBase* media, COutputProfile* profile)
{
    if (profile->IsAudioDisabled())
        return -1;
    const VXM_AUDIO_TRACK* track = nullptr;
    const IVXMAudio* discTrack = nullptr;
    if (media->m_pSelection && media->m_pSelection->m_nAudio >= 0) {
        if (media->m_nMediaKind == 1 || media->m_nMediaKind == 2) {
            if (IVXMMedia* m = dynamic_cast<IVXMMedia*>(media)) {
                const int index = m->GetSelectedAudioStream();
                if (index >= 0 && index < m->GetAudioTrackCount())
                    discTrack = m->GetAudioTrackAt(index);
            }
        } else {
            track = media->GetAudioTrackAt(media->m_pSelection->m_nAudio);
        }
    }
    if (track && track->m_bExternal) {
        if (FileExists(track->m_strFilePath)) {
            opts.SetInput2(FileInputName(track->m_strFilePath));
            if (media->m_nVideoStreamIndex >= 0)
                opts.SetOption(L"-map", L"0:%d -map 1:0", media->m_nVideoStreamIndex);
            else
                opts.SetOption(L"-map", L"0:v? -map 1:0");
            return -1;
        }
        LogMessageW(kLogCategory, L"the audio file %s is missing; the source's audio is kept",
                    track->m_strFilePath.c_str());
        return SourceAudioTrackId(media);
    }
    if (track) {
        opts.SetOption(L"-ast", L"%d", track->m_nId);
        return track->m_nId;
    }
    if (discTrack && discTrack->GetId() >= 0) {
        opts.SetOption(L"-ast", L"%d", discTrack->GetId());
        return discTrack->GetId();
    }
    if (media->m_nAudioTrackId >= 0)
        opts.SetOption(L"-ast", L"%d", media->m_nAudioTrackId);
    return SourceAudioTrackId(media);
}

// A copied subtitle is mapped with the picture and the sound the output
// takes; without maps the output would take the source's first subtitle.
void MapCopiedSubtitle(CFFMpegOpts& opts, CVXMMediaBase* media, int audioId, int subtitleId)
{
    for (const VXM_CMD_OPTION& option : opts.GetOptions()) {
        if (option.strName == L"-map") {  // the picture and an added sound file
            opts.AppendToOption(L"-map", FALSE, L" -map ", L"0:%d", subtitleId);
            return;
        }
    }
    std::wstring maps = media->m_nVideoStreamIndex >= 0 ? FormatW(L"0:%d", media->m_nVideoStreamIndex) : L"0:v?";
    if (audioId >= 0)
        maps += FormatW(L" -map 0:%d", audioId);
    maps += FormatW(L" -map 0:%d", subtitleId);
    opts.SetOption(L"-map", L"%s", maps.c_str());
}

}  // namespace

void SplitVideoSize(const std::wstring& size, int& width, int& height)
{
    width = ProfileWToI(size);
    std::size_t x = size.find(L'x');
    height = x == std::wstring::npos ? 0 : ProfileWToI(std::wstring_view(size).substr(x + 1));
}

const VXM_ENGINE_SETTINGS& BuildSettings()
{
    static const VXM_ENGINE_SETTINGS defaults;
    const VXM_ENGINE_SETTINGS* settings = GetEngineSettings();
    return settings ? *settings : defaults;
}

std::wstring FixedText(double value, int decimals)
{
    char buffer[64];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
    if (result.ec != std::errc())
        return L"0";
    return std::wstring(buffer, result.ptr);
}

void AppendFilter(CCmdOpts& opts, const wchar_t* option, const std::wstring& piece)
{
    opts.AppendToOption(option, TRUE, L",", L"%s", piece.c_str());
}

void FinishFilterOptions(CCmdOpts& opts)
{
    for (const wchar_t* name : {L"-vf", L"-af"}) {
        for (const VXM_CMD_OPTION& option : opts.GetOptions()) {
            if (option.strName == name && !option.strValue.empty() && option.strValue.front() != L'"') {
                const std::wstring quoted = L"\"" + option.strValue + L"\"";
                opts.SetOption(name, L"%s", quoted.c_str());
                break;
            }
        }
    }
}

void AddOutputPath(CCmdOpts& opts, const std::wstring& path)
{
    FinishFilterOptions(opts);
    opts.AddFlag(QuoteArgument(path));
}

std::wstring StereoFilterText(int inputMode, int outputMode)
{
    return Utf8ToWide(stereo3d_filter_text(inputMode, outputMode));
}

bool NeedsAviSynth(const CVXMMediaBase* media)
{
    return media->m_nMediaKind == 0 && Is3DInForce(media) && (media->m_n3DMode == 10 || media->m_n3DMode == 11) &&
           !IsAviSynthAvailable();
}

void AddSeekOptions(CVXMMediaBase* media, CFFMpegOpts& opts, VXM_BUILD_VALUES& values)
{
    // Whole milliseconds: a window's length taken as a difference of two
    // seconds in floating point came out a hair longer than itself.
    const long long s = static_cast<unsigned>(media->m_nStartTime);
    const long long e = static_cast<unsigned>(media->m_nEndTime);
    const long long t = static_cast<unsigned>(media->GetEffectiveDuration());
    const long long d = e - s;
    const auto seconds = [](long long ms) { return FixedText(static_cast<double>(ms) / 1000.0, 3); };
    // A window whose end is not after its start has no length to write.
    const bool validEnd = e != 0 && d > 0;
    if (media->m_nMediaKind == 0) {
        if (s != 0) {
            values.seekStart = static_cast<double>(s) / 1000.0;
            opts.SetOption(L"-ss", L"%s", seconds(s).c_str());
        }
        // An untrimmed source runs to the end of its input (its probed
        // length may be an estimate); -t is for a window ended before that.
        if (media->EndsBeforeSourceEnd())
            opts.SetOption(L"-t", L"%s", seconds(d).c_str());
        return;
    }
    if (s == 0) {
        if (validEnd && (d < t || media->m_nMediaKind == 2))
            opts.SetOption(L"-t", L"%s", seconds(d).c_str());
    } else if (validEnd && d <= t) {
        values.seekStart = static_cast<double>(s) / 1000.0;
        opts.SetOption(L"-ss", L"%s", seconds(s).c_str());
        opts.SetOption(L"-t", L"%s", seconds(d).c_str());
    }
}

void AddInputAndGlobalOptions(CFFMpegOpts& opts, CVXMMediaBase* media, COutputProfile* profile,
                              VXM_BUILD_VALUES& values)
{
    const VXM_ENGINE_SETTINGS& settings = BuildSettings();
    opts.ClearOptions();
    AddLogoOverlay(media, opts);

    const bool twoDToThreeD = Is3DInForce(media) && (media->m_n3DMode == 10 || media->m_n3DMode == 11);
    if (media->m_nMediaKind == 1) {
        IVXMDVDTitle* title = dynamic_cast<IVXMDVDTitle*>(dynamic_cast<IVXMMedia*>(media));
        opts.SetInput(title ? title->GetSourcePath() : media->m_strSourcePath);
        const std::wstring device =
            title ? DvdDeviceOptions(media->m_strDiscPath, title->GetFirstChapter(), title->GetLastChapter(),
                                     title->GetAngle())
                  : DvdDeviceOptions(media->m_strDiscPath, -1, -1, -1);
        opts.SetOption(L"-f dvdnav", L"%s", device.c_str());
    } else if (media->m_nMediaKind == 2) {
        opts.SetInput(media->m_strCDDrive);
        opts.SetOption(media->m_strInputOptions, L"-%s", media->m_strSourcePath.c_str());
    } else if (twoDToThreeD) {
        SplitVideoSize(profile->GetVideoSize(), media->m_n3DWidth, media->m_n3DHeight);
        const VXM_3D_SCRIPT_SETTINGS script{.n3DOutput = media->m_n3DOutput, .n3DDepth = media->m_n3DDepth,
                                            .n3DWidth = media->m_n3DWidth, .n3DHeight = media->m_n3DHeight,
                                            .d3DDisplayRatio = media->m_d3DDisplayRatio};
        const int written = BuildTwoDToThreeDScript(media->m_strSourcePath, media->m_str3DScriptFile, script,
                                                    GetFileNamePart(media->m_strSourcePath, TRUE),
                                                    media->m_str3DIndexFile);
        opts.SetInput(FileInputName(written == 0 ? media->m_str3DScriptFile : media->m_strSourcePath));
    } else {
        opts.SetInput(FileInputName(media->m_strSourcePath));
        if (Is3DInForce(media)) {
            const std::wstring stereo = StereoFilterText(media->m_n3DMode, media->m_n3DOutput);
            if (stereo.empty())
                LogMessageA(kLogCategory, "3D layouts %d to %d cannot be converted; no 3D filter added",
                            media->m_n3DMode, media->m_n3DOutput);
            else
                AppendFilter(opts, L"-vf", stereo);
        }
    }

    values.seekStart = 0;
    AddSeekOptions(media, opts, values);
    const int copiedSubtitle = AddSourceSubtitles(opts, media, profile, values.seekStart);
    const int audioId = AddSourceAudio(opts, media, profile);
    if (copiedSubtitle >= 0 && !twoDToThreeD)  // a 3D script has no streams of the source
        MapCopiedSubtitle(opts, media, audioId, copiedSubtitle);

    if (media->m_bHasAudio && !profile->IsAudioDisabled() && !twoDToThreeD) {
        if (profile->GetVolume() != 1.0f)
            AppendFilter(opts, L"-af", L"volume=" + FixedText(profile->GetVolume(), 2));
        else if (settings.OUT_VOLUME != 0)
            AppendFilter(opts, L"-af", FormatW(L"volume=%ddB", settings.OUT_VOLUME));
    }

    values.aacProfile = 1;

    values.mp3Options.clear();
    if (settings.MP3Encode >= 1 && settings.MP3Encode <= 5)
        values.mp3Options = FormatW(L"-aq %d", settings.MP3VBRQuality);
    // Only the MP3 encoder's options take the MP3 volume (the transcoder
    // makes it a volume filter of that output).
    if (settings.MP3Volume >= 1)
        values.mp3Options += FormatW(L" -mp3vol %d", settings.MP3Volume);
    if (settings.AudioQuality >= 1)
        values.mp3Options += FormatW(L" -compression_level %d", settings.AudioQuality);

    values.x264Threads.clear();
    const int limit = media->m_nConvertThreads > 0 ? media->m_nConvertThreads : settings.ThreadLimit;
    if (settings.CPUCores < 1 && limit > 0) {
        // Encoding is where the time goes: x264 gets the whole share on its
        // own option text. The threads libavcodec starts (the video decoder,
        // the encoders it threads itself) get a quarter, and so do the filter
        // graphs with their scalers, which take their encoder's count.
        const int quarter = std::max(1, limit / 4);
        values.threads = FormatW(L"%d", quarter);
        values.x264Threads = FormatW(L"%d", limit);
        opts.SetOption(VXM_DECODER_THREADS, L"%d", quarter);
        opts.SetOption(L"-threads", L"%d", quarter);
    } else if (settings.CPUCores < 1) {
        values.threads = L"0";
    } else {
        values.threads = FormatW(L"%d", settings.CPUCores);
        opts.SetOption(L"-threads", L"%d", settings.CPUCores);
    }

    if (settings.Deinterlace)
        AppendFilter(opts, L"-vf", L"kerndeint");
    if (settings.InverseTelecine)
        AppendFilter(opts, L"-vf", L"pullup");

    if (IVXMVideo* video = media->GetSelectedVideoStream()) {
        const double rate = video->GetFrameRate();
        if (video->GetCodecName() == L"HDMV" && rate > 0 && rate < 1000)
            opts.SetOption(L"-r", L"%s", FixedText(rate, 3).c_str());
    }
    const std::wstring codec = profile->GetVideoCodec();
    if (codec == L"x264" || codec == L"mpeg2video")
        opts.SetOption(L"-pix_fmt", L"yuv420p");

    values.x264Options = settings.X264Options.empty() ? VXM_DEFAULT_X264_OPTIONS : settings.X264Options;
    if (settings.UseOpenCL)
        values.x264Options += L":opencl=1";

    opts.AddFlag(L"-y");
}

void AddPictureFilters(CFFMpegOpts& opts, CVXMMediaBase* media)
{
    if (media->IsCropped())
        AppendFilter(opts, L"-vf",
                     FormatW(L"crop=%d:%d:%d:%d", media->m_nCropWidth, media->m_nCropHeight, media->m_nCropLeft,
                             media->m_nCropTop));
    if (media->m_nRotate != 0 || media->m_bFlipVertical || media->m_bFlipHorizontal) {
        const int turns = ((media->m_nRotate % 4) + 4) % 4;
        auto addTurns = [&] {
            for (int i = 0; i < turns; ++i)
                AppendFilter(opts, L"-vf", L"transpose=1");
        };
        if (media->m_bRotateFirst)
            addTurns();
        if (media->m_bFlipVertical)
            AppendFilter(opts, L"-vf", L"vflip");
        if (media->m_bFlipHorizontal)
            AppendFilter(opts, L"-vf", L"hflip");
        if (!media->m_bRotateFirst)
            addTurns();
    }
    if (media->m_nBrightness != 0)
        AppendFilter(opts, L"-vf", L"eq=brightness=" + FixedText(static_cast<float>(media->m_nBrightness) / 100.0f, 2));
    if (media->m_nContrast != 0)
        AppendFilter(opts, L"-vf",
                     L"eq=contrast=" + FixedText(static_cast<float>(media->m_nContrast + 100) / 100.0f, 2));
    if (media->m_nSaturation != 0)
        AppendFilter(opts, L"-vf",
                     L"eq=saturation=" + FixedText(static_cast<float>(media->m_nSaturation + 100) / 100.0f, 2));
    if (media->m_nEffectId >= 1) {
        // A missing library or export adds no effect filter.
        using GetEffectCmdFn = const wchar_t* (*)(int);
        CModule* module = LoadPrismelDll();
        auto fn = module ? reinterpret_cast<GetEffectCmdFn>(module->GetSymbol("GetEffectCmd")) : nullptr;
        const wchar_t* effect = fn ? fn(media->m_nEffectId) : nullptr;
        if (effect && *effect) {
            AppendFilter(opts, L"-vf", effect);
            if (media->m_nEffectId > 2)
                opts.SetOption(L"-pix_fmt", L"yuv420p");
        } else {
            LogMessageA(kLogCategory, "clip effect %d unavailable: no effect filter added", media->m_nEffectId);
        }
    }
}

int ResolveAutoFramerate(double sourceRate, std::wstring& rate)
{
    if (!EqualsNoCase(rate, L"AUTO"))
        return 0;
    if (sourceRate >= 0 && sourceRate < 100)
        return 1;
    rate = L"25";
    return 0;
}

std::string ByteOrderMarkEncoding(const std::wstring& path)
{
    char head[3] = {};
    std::ifstream(PathFromWide(path), std::ios::binary).read(head, sizeof head);
    const std::string_view mark(head, 3);
    if (mark == "\xEF\xBB\xBF")
        return "UTF-8";
    if (mark.starts_with("\xFF\xFE"))
        return "UTF-16LE";
    return mark.starts_with("\xFE\xFF") ? "UTF-16BE" : std::string();
}

bool BurnsFromSubtitleCopy(const VXM_SUBTITLE& subtitle, double seekStart)
{
    return subtitle.m_bExternal && ((IsSsaFamily(SubtitleCodecOf(subtitle)) && seekStart > 0) ||
                                    ByteOrderMarkEncoding(subtitle.m_strFilePath).starts_with("UTF-16"));
}

VXM_SUBTITLE_STYLE SubtitleStyleFor(int codec)
{
    VXM_SUBTITLE_STYLE style = BuildSettings().subtitle;
    if (IsSsaFamily(codec) && style.nPosition == VXM_DEFAULT_SUB_POSITION)
        style.nPosition = VXM_SUB_POSITION_OWN;
    return style;
}

ESubtitleDrawing SubtitleDrawingOf(int codec)
{
    if (codec == AV_CODEC_ID_SRT || codec == AV_CODEC_ID_SUBRIP || IsSsaFamily(codec))
        return ESubtitleDrawing::Text;
    const AVCodecDescriptor* descriptor = avcodec_descriptor_get(static_cast<AVCodecID>(codec));
    if (!descriptor || descriptor->type != AVMEDIA_TYPE_SUBTITLE || !avcodec_find_decoder(descriptor->id))
        return ESubtitleDrawing::None;
    if (descriptor->props & AV_CODEC_PROP_BITMAP_SUB)
        return ESubtitleDrawing::Picture;
    return descriptor->props & AV_CODEC_PROP_TEXT_SUB ? ESubtitleDrawing::Text : ESubtitleDrawing::None;
}

const VXM_SUBTITLE* UndrawableChosenSubtitle(CVXMMediaBase* media, COutputProfile* profile)
{
    if (media->m_nMediaKind != 0 || profile->m_nSkipSourceTracks || profile->m_nProfileCode == 28)
        return nullptr;
    const VXM_SUBTITLE* subtitle = ChosenFileSubtitle(media);
    if (!subtitle || subtitle->m_bExternal || SubtitleDrawingOf(SubtitleCodecOf(*subtitle)) != ESubtitleDrawing::None)
        return nullptr;
    return subtitle;
}

int SubtitleCodecOf(const VXM_SUBTITLE& subtitle)
{
    if (!subtitle.m_bExternal)
        return subtitle.m_nId2;
    std::wstring ext = GetFileNamePart(subtitle.m_strFilePath, FALSE);
    for (wchar_t& c : ext)
        c = static_cast<wchar_t>(std::towlower(static_cast<wint_t>(c)));
    if (ext == L"ass")
        return AV_CODEC_ID_ASS;
    if (ext == L"ssa")
        return AV_CODEC_ID_SSA;
    if (ext == L"srt")
        return AV_CODEC_ID_SRT;
    return AV_CODEC_ID_NONE;
}
