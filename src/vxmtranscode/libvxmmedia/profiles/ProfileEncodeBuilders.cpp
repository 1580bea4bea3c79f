// Encode builders: one transcoder command line per output type of a profile.
#include <cwctype>
#include <filesystem>

#include "EngineLog.h"
#include "ProfileJobBuild.h"
#include "VXMUtils.h"

namespace {

constexpr const char* kLogCategory = "JobBuild";

// The lowest H.264 level (times ten) whose frame size and macroblock rate
// hold a frame; 0 when the frame is unknown.
int NeededH264Level(int width, int height, double fps)
{
    struct Limit {
        int level;
        double mbPerSecond;
        int frameMbs;
    };
    static constexpr Limit kLimits[] = {
        {10, 1485, 99},     {11, 3000, 396},     {12, 6000, 396},     {13, 11880, 396},    {21, 19800, 792},
        {22, 20250, 1620},  {30, 40500, 1620},   {31, 108000, 3600},  {32, 216000, 5120},  {40, 245760, 8192},
        {42, 522240, 8704}, {50, 589824, 22080}, {51, 983040, 36864}, {52, 2073600, 36864}};
    if (width <= 0 || height <= 0 || fps <= 0)
        return 0;
    const double mbs = ((width + 15) / 16) * ((height + 15) / 16);
    for (const Limit& limit : kLimits)
        if (mbs <= limit.frameMbs && mbs * fps <= limit.mbPerSecond)
            return limit.level;
    return 0;
}

// The items of an option text ("name=value:name=value") that `keep` takes.
template <typename Keep>
std::wstring KeepOptionItems(const std::wstring& text, Keep keep)
{
    std::wstring out;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find(L':', start);
        if (end == std::wstring::npos)
            end = text.size();
        const std::wstring item = text.substr(start, end - start);
        if (!item.empty() && keep(item))
            out += (out.empty() ? L"" : L":") + item;
        start = end + 1;
    }
    return out;
}

bool IsLevelItem(const std::wstring& item)
{
    return item.rfind(L"level=", 0) == 0;
}

// An x264 option text whose declared level holds the frame: a level below
// what the frame size and rate need (or any level when the frame is unknown)
// is left out, so that x264 sets the level from the frame. The rest of the
// text stays as it is.
std::wstring FitX264Level(const std::wstring& text, int width, int height, double fps)
{
    const int needed = NeededH264Level(width, height, fps);
    return KeepOptionItems(text, [needed](const std::wstring& item) {
        if (!IsLevelItem(item))
            return true;
        double level = std::wcstod(item.c_str() + 6, nullptr);
        if (level < 7)
            level *= 10;  // "4.1" or "4" rather than "41"
        return needed > 0 && level + 0.5 >= needed;
    });
}

// The option text without its level.
std::wstring WithoutLevel(const std::wstring& text)
{
    return KeepOptionItems(text, [](const std::wstring& item) { return !IsLevelItem(item); });
}

// " <option> <text>", or nothing for an empty text (the option needs a value).
std::wstring EncoderOptionText(const wchar_t* option, const std::wstring& text)
{
    return text.empty() ? std::wstring() : L" " + std::wstring(option) + L" " + text;
}

struct CBuild {
    const VXM_BUILD_ARGS& a;
    COutputProfile* p;
    CVXMMediaBase* m;
    VXM_BUILD_VALUES& v;
    CFFMpegOpts opts;

    explicit CBuild(const VXM_BUILD_ARGS& args) : a(args), p(args.profile), m(args.media), v(*args.values) {}

    const wchar_t* c(const std::wstring& s) const { return s.c_str(); }
    bool AudioOff() const { return p->IsAudioDisabled() != 0; }
    bool TwoPass() { return ProfileWToI(p->GetEncodePass()) == 2; }

    // The common options; for video the picture filters and the fit, whose
    // MPEG-1 and MPEG-2 frames are shown only as 4:3 or 16:9.
    void Prologue(bool video, VXM_FIT fit = VXM_FIT())
    {
        AddInputAndGlobalOptions(opts, m, p, v);
        if (video) {
            AddPictureFilters(opts, m);
            const std::wstring codec = p->GetVideoCodec();
            if (fit.aspect == VXM_FRAME_ASPECT::Chosen && (codec == L"mpeg1" || codec == L"mpeg2"))
                fit.aspect = VXM_FRAME_ASPECT::Broadcast;
            AddScaleAndPadFilters(m, p, opts, v, fit);
        }
    }
    // "-r" of the frame-rate value unless "Auto" keeps the source rate.
    void FrameRate()
    {
        if (!a.constantRate.empty()) {
            opts.SetOption(L"-r", L"%s", c(a.constantRate));
            opts.SetOption(L"-vsync", L"cfr");
            return;
        }
        IVXMVideo* video = m->GetSelectedVideoStream();
        if (!video)
            return;
        std::wstring rate = p->GetFramerate();
        if (ResolveAutoFramerate(video->GetFrameRate(), rate) == 0 && !rate.empty())
            opts.SetOption(L"-r", L"%s", c(rate));
    }
    // Frame rate of the AVI family; returns the GOP length.
    int AviFrameRate()
    {
        const std::wstring rate = p->GetFramerate();
        if (rate == L"29.97") {
            opts.SetOption(L"-r", L"30000/1001");
            return 18;
        }
        if (rate != L"Auto" && !rate.empty())
            opts.SetOption(L"-r", L"%s", c(rate));
        return 15;
    }
    void SlashAspect()
    {
        const std::wstring aspect = p->GetAspect();
        if (aspect == L"16/9")
            opts.SetOption(L"-aspect", L"16:9");
        else if (aspect == L"4/3")
            opts.SetOption(L"-aspect", L"4:3");
    }
    std::wstring Aspect() { return GetAspectText(v, p->GetAspect()); }
    void Queue(CFFMpegOpts& o, int passKind, int flag = 1, bool withMedia = true)
    {
        AddOutputPath(o, a.encodePath);
        o.AddJobCommand(*a.queue, passKind, m->m_strSourcePath, withMedia ? m : nullptr, flag, a.encodePath);
    }
    // Pass-log base in the engine's temporary folder; the media deletes its
    // files when the conversion ends.
    std::wstring PassLogBase()
    {
        const std::wstring folder = EngineTempFolder();
        const std::wstring log = CreateUniqueTempFile(folder, L"vxmpass", L"-0.log");
        if (log.empty()) {
            LogMessageW(kLogCategory, L"cannot create a pass-log file in %s", folder.c_str());
            return folder + L"/vxmpass";
        }
        m->m_strPassLogFile = log;
        return log.substr(0, log.size() - 6);
    }
    void PassLog(CFFMpegOpts& o)
    {
        const std::wstring base = PassLogBase();
        o.SetOption(L"-passlogfile", L"%s", QuoteArgument(base).c_str());
    }
    // Queues the step, or its two passes sharing one pass log when the profile
    // asks for two. `mark` writes the pass number (0 for a single step) into a
    // step; the first pass drops audio when `quietFirst` (it is encoded once,
    // in the second), and "-an" goes wherever audio is off.
    template <typename MarkPass>
    void QueuePasses(MarkPass mark, bool quietFirst, int single, int first, int second)
    {
        if (!TwoPass()) {
            mark(opts, 0);
            if (AudioOff())
                opts.AddFlag(L"-an");
            Queue(opts, single);
            return;
        }
        PassLog(opts);
        CFFMpegOpts two;
        two.CopyFrom(opts);
        mark(opts, 1);
        if (quietFirst || AudioOff())
            opts.AddFlag(L"-an");
        mark(two, 2);
        if (AudioOff())
            two.AddFlag(L"-an");
        Queue(opts, first);
        Queue(two, second);
    }
    static void PassOption(CFFMpegOpts& o, int pass)
    {
        if (pass)
            o.SetOption(L"-pass", L"%d", pass);
    }
    // The frame rate of the output: the profile's, else the source's; 0 when unknown.
    double OutputFrameRate()
    {
        IVXMVideo* video = m->GetSelectedVideoStream();
        const double source = video ? video->GetFrameRate() : 0;
        std::wstring rate = p->GetFramerate();
        if (ResolveAutoFramerate(source, rate) == 1)
            return source;
        return std::wcstod(rate.c_str(), nullptr);
    }
    // An x264 option text fitted to this step's frame (after the scale step),
    // with x264's own thread count unless the text names one.
    std::wstring X264(const std::wstring& text)
    {
        std::wstring fitted = FitX264Level(text, v.scaledWidth, v.scaledHeight, OutputFrameRate());
        const bool named = (L":" + fitted).find(L":threads=") != std::wstring::npos;
        if (!v.x264Threads.empty() && !named)
            fitted += (fitted.empty() ? L"threads=" : L":threads=") + v.x264Threads;
        return fitted;
    }
    // The thread count the builders write into their own x264 texts.
    const std::wstring& X264Threads() const
    {
        return v.x264Threads.empty() ? v.threads : v.x264Threads;
    }
    std::wstring Ab() { return p->GetAudioBitrate(); }
    std::wstring Vb() { return p->GetVideoBitrate(); }
};

// The stock name of a codec value of the catalogue.
std::wstring EncoderName(const std::wstring& codec)
{
    if (codec == L"mpeg1")
        return L"mpeg1video";
    if (codec == L"mpeg2")
        return L"mpeg2video";
    if (codec == L"faac" || codec == L"libfaac")
        return L"aac";
    return codec;
}

// A builder's audio part. The profile's codec, bitrate, sample rate and
// channels are what the user was shown: they are written whenever the
// profile holds them, the fixed values only stand in for a missing one.
struct AudioPart {
    const wchar_t* encoder = nullptr;  // fixed encoder; null: the profile's codec
    const wchar_t* bitrate = nullptr;  // stand-in bitrate (kbit/s)
    const wchar_t* rate = nullptr;     // stand-in sample rate
    const wchar_t* channels = L"2";    // stand-in channel count
    const wchar_t* extra = nullptr;    // text after the bitrate
};

bool IsAacValue(const std::wstring& codec)
{
    return codec == L"aac" || codec == L"faac" || codec == L"libfaac";
}

// Encoder options of a profile's audio codec value: the encoder and what
// follows its bitrate; `bitrate` and `resample` tell whether the encoder
// takes them (a stream copy takes neither).
struct AudioEncoder {
    std::wstring name;
    std::wstring extra;
    bool bitrate = true;
    bool resample = true;
};

AudioEncoder AudioEncoderOf(const VXM_BUILD_VALUES& v, const std::wstring& codec)
{
    AudioEncoder e;
    if (IsAacValue(codec)) {
        e.name = L"aac";
        e.extra = FormatW(L"-profile:a %d", v.aacProfile);
    } else if (codec == L"mp3" || codec == L"libmp3lame") {
        e.name = L"libmp3lame";
        e.extra = v.mp3Options;
    } else if (codec == L"vorbis" || codec == L"opus") {
        e.name = L"lib" + codec;  // the native encoders are experimental
    } else if (codec == L"pcm" || codec == L"pcm_s16le") {
        e.name = L"pcm_s16le";
        e.bitrate = false;
    } else if (codec == L"Original") {
        e.name = L"copy";
        e.bitrate = e.resample = false;
    } else {
        e.name = EncoderName(codec);
    }
    return e;
}

// The audio options of a step, or "-an" when the profile turns audio off
// (unless the builder handles "-an" itself for its passes).
void AddAudioOptions(CBuild& b, const AudioPart& part, bool markOff = true)
{
    if (b.AudioOff()) {
        if (markOff)
            b.opts.AddFlag(L"-an");
        return;
    }
    AudioEncoder e = AudioEncoderOf(b.v, part.encoder ? part.encoder : b.p->GetAudioCodec());
    if (part.extra)
        e.extra = part.extra;
    auto value = [](const std::wstring& shown, const wchar_t* standIn) {
        return shown.empty() && standIn ? std::wstring(standIn) : shown;
    };
    b.opts.SetOption(L"-acodec", L"%s", e.name.c_str());
    const std::wstring bitrate = value(b.Ab(), part.bitrate);
    if (e.bitrate && !bitrate.empty())
        b.opts.SetOption(L"-b:a", L"%sk%s%s", bitrate.c_str(), e.extra.empty() ? L"" : L" ", e.extra.c_str());
    else if (!e.extra.empty())
        b.opts.AddFlag(e.extra);
    if (!e.resample)
        return;
    const std::wstring rate = value(b.p->GetSampleRate(), part.rate);
    const std::wstring channels = value(b.p->GetChannel(), part.channels);
    if (!rate.empty())
        b.opts.SetOption(L"-ar", L"%s", rate.c_str());
    if (!channels.empty())
        b.opts.SetOption(L"-ac", L"%s", channels.c_str());
}

void AvcCommon(const VXM_BUILD_ARGS& a, bool ps3)
{
    CBuild b(a);
    std::wstring lower = b.p->GetVideoSize();
    for (wchar_t& ch : lower)
        ch = static_cast<wchar_t>(std::towlower(static_cast<wint_t>(ch)));
    // The 720x480 frame is always shown as 3:2.
    b.Prologue(true, VXM_FIT(lower == L"720x480" ? VXM_FRAME_ASPECT::Square : VXM_FRAME_ASPECT::Chosen));
    b.SlashAspect();
    b.FrameRate();
    b.opts.SetOption(L"-sws_flags", L"%d", 512);
    const std::wstring vb = b.Vb();
    const std::wstring& threads = b.X264Threads();
    std::wstring x264;
    if (lower == L"720x480") {
        x264 = FormatW(L"level=30:8x8dct=no:cqm=flat:bframes=3:ref=2:psnr=no:ssim=no:b-pyramid=none:bitrate=%s:"
                       L"threads=%s", vb.c_str(), threads.c_str());
        b.opts.SetOption(L"-aspect", L"3:2");
    } else if (lower == L"1280x720") {
        x264 = FormatW(L"level=40:8x8dct=no:cqm=flat:bframes=3:ref=2:psnr=no:ssim=no:b-pyramid=none:bitrate=%s:"
                       L"threads=%s", vb.c_str(), threads.c_str());
    } else {
        x264 = FormatW(L"level=21:8x8dct=no:bframes=0:cabac=no:cqm=flat:weightp=0:bitrate=%s:threads=%s",
                       vb.c_str(), threads.c_str());
    }
    b.opts.SetOption(L"-vcodec", L"libx264");
    b.opts.SetOption(L"-x264opts", L"%s", b.X264(x264).c_str());
    if (BuildSettings().UseOpenCL)
        b.opts.AppendToOption(L"-x264opts", TRUE, L":", L"opencl=1");
    AudioPart audio;
    if (!ps3)
        audio.encoder = L"aac";
    AddAudioOptions(b, audio, false);

    b.QueuePasses(CBuild::PassOption, b.m->m_bHasVideo != 0, PASS_ENCODE_1, PASS_ENCODE_1, PASS_ENCODE_2);
}

void ThumbnailStep(const VXM_BUILD_ARGS& a)
{
    if (a.thumbnailPath.empty() || !a.media->m_bHasVideo)
        return;
    CFFMpegOpts t;
    t.AddFlag(L"-y");
    t.SetOption(L"-i", L"%s", QuoteArgument(FileInputName(a.media->m_strSourcePath)).c_str());
    t.SetOption(L"-f", L"image2");
    // Five seconds in, or the middle of a shorter source (a seek past the end
    // writes an empty picture).
    const int duration = a.media->m_nDuration;
    if (duration > 0 && duration <= 5000)
        t.SetOption(L"-ss", L"%s", FixedText(duration / 2000.0, 3).c_str());
    else
        t.SetOption(L"-ss", L"5");
    t.SetOption(L"-vframes", L"1");
    t.SetOption(L"-s", L"160x120");
    t.SetOption(L"-an", L"%s", QuoteArgument(a.thumbnailPath).c_str());
    t.AddJobCommand(*a.queue, PASS_THUMBNAIL, a.media->m_strSourcePath, a.media, 0, a.thumbnailPath);
}

}  // namespace

void BuildMpeg4Command(const VXM_BUILD_ARGS& a)
{
    CBuild b(a);
    CFFMpegOpts& A = b.opts;
    b.Prologue(true);
    b.SlashAspect();
    if (BuildSettings().MP4FastStart)
        A.SetOption(L"-movflags", L"faststart");
    const std::wstring vcodec = b.p->GetVideoCodec();
    if (vcodec == L"xvid")
        A.SetOption(L"-aspect", L"%s", b.Aspect().c_str());
    b.FrameRate();
    AddAudioOptions(b, {}, false);  // MP4 carries AC-3 itself

    const std::wstring vb = b.Vb();
    const std::wstring& threads = b.v.threads;
    const std::wstring x264 = EncoderOptionText(L"-x264opts", b.X264(b.v.x264Options));
    if (vcodec == L"xvid") {
        A.SetOption(L"-vcodec", L"libxvid");
        A.SetOption(L"-b:v", L"%sk", b.c(vb));
    } else if (vcodec == L"mpeg4") {
        A.SetOption(L"-vcodec", L"mpeg4");
        A.SetOption(L"-b:v", L"%sk -threads %s", b.c(vb), b.c(threads));
    } else if (vcodec == L"x264") {
        if (a.hardwareEncoder) {
            A.SetOption(L"-vcodec", L"h264_nvenc");
            A.SetOption(L"-b:v", L"%sk%s -threads %s", b.c(vb), b.c(x264), b.c(threads));
            b.p->SetEncodePass(L"1");
        } else if (a.rawStreamRoute) {
            A.SetOption(L"-vcodec", L"h264_nvenc");
            A.SetOption(L"-b:v", L"%sk", b.c(vb));
            b.p->SetEncodePass(L"1");
        } else {
            A.SetOption(L"-vcodec", L"libx264");
            A.SetOption(L"-b:v", L"%sk%s -threads %s", b.c(vb), b.c(x264), b.c(threads));
        }
    } else if (vcodec == L"x265") {
        // The x264 option text serves x265 too (under the stock option name),
        // but its H.264 level is no HEVC level: x265 refuses most of them.
        const std::wstring x265 = EncoderOptionText(L"-x265-params", WithoutLevel(b.v.x264Options));
        A.SetOption(L"-vcodec", a.hardwareEncoder ? L"hevc_nvenc" : L"libx265");
        A.SetOption(L"-b:v", L"%sk%s -threads %s", b.c(vb), b.c(x265), b.c(threads));
        if (a.hardwareEncoder)
            b.p->SetEncodePass(L"1");
    }
    b.QueuePasses(CBuild::PassOption, b.m->m_bHasVideo != 0, PASS_ENCODE_1, PASS_ENCODE_1, PASS_ENCODE_2);
}

void BuildAvcPspCommand(const VXM_BUILD_ARGS& a)
{
    AvcCommon(a, false);
    ThumbnailStep(a);
}

void BuildAvcPs3Command(const VXM_BUILD_ARGS& a)
{
    AvcCommon(a, true);
}

void BuildMpeg4PspCommand(const VXM_BUILD_ARGS& a)
{
    CBuild b(a);
    b.Prologue(true);
    b.SlashAspect();
    b.FrameRate();
    b.opts.SetOption(L"-f", L"psp");
    b.opts.SetOption(L"-vcodec", L"mpeg4 -b:v %sk", b.c(b.Vb()));
    std::wstring title = GetFileNamePart(b.m->m_strSourcePath, TRUE);
    const std::size_t dot = title.rfind(L'.');
    if (dot != std::wstring::npos)
        title.erase(dot);
    b.opts.SetOption(L"-metadata", L"%s", QuoteArgument(L"title=" + title).c_str());
    AddAudioOptions(b, {.encoder = L"aac"});
    b.Queue(b.opts, PASS_ENCODE_1);
    ThumbnailStep(a);
}

void BuildDvdCommand(const VXM_BUILD_ARGS& a)
{
    CBuild b(a);
    const int code = b.p->m_nProfileCode;
    VXM_FIT fit(VXM_FRAME_ASPECT::Broadcast);
    fit.keepFrame = true;
    fit.frame = code == 15 ? L"720x480" : code == 16 ? L"720x576" : L"";
    b.Prologue(true, fit);
    int gop = 15;
    if (code == 15) {
        b.opts.AddFlag(L"-target ntsc-dvd");
        b.opts.SetOption(L"-s", L"720x480");
        b.opts.SetOption(L"-r", L"29.97");
        gop = 18;
    } else if (code == 16) {
        b.opts.AddFlag(L"-target pal-dvd");
        b.opts.SetOption(L"-s", L"720x576 ");
        b.opts.SetOption(L"-r", L"25");
    }
    const std::wstring aspect = b.Aspect();
    const std::wstring vcodec = FormatW(L"mpeg2video -b:v %sk -trellis 1 -mbd 2 -g %d -aspect %s -maxrate 9800k "
                                        L"-bufsize 1835k -strict 0",
                                        b.c(b.Vb()), gop, aspect.c_str());
    AddAudioOptions(b, {}, false);
    auto mark = [&vcodec](CFFMpegOpts& o, int pass) {
        if (pass)
            o.SetOption(L"-vcodec", L"%s -pass %d", vcodec.c_str(), pass);
        else
            o.SetOption(L"-vcodec", L"%s", vcodec.c_str());
    };
    b.QueuePasses(mark, true, PASS_MPEG_SINGLE, PASS_MPEG_1, PASS_MPEG_2);
}

void BuildMpegCommand(const VXM_BUILD_ARGS& a)
{
    CBuild b(a);
    b.Prologue(true, VXM_FIT(VXM_FRAME_ASPECT::Broadcast));
    const bool mpeg1 = b.p->m_nProfileCode == 19 || b.p->GetVideoCodec() == L"mpeg1";
    const wchar_t* codec = mpeg1 ? L"mpeg1video" : L"mpeg2video";
    const int buffer = mpeg1 ? 327 : 1835;
    std::wstring rate = b.p->GetFramerate();
    int gop = 15;
    if (rate == L"29.97") {
        rate = L"30000/1001";
        gop = 18;
    }
    if (!rate.empty() && rate != L"Auto")
        b.opts.SetOption(L"-r", L"%s", rate.c_str());
    const std::wstring aspect = b.Aspect();
    const std::wstring vb = b.Vb();
    b.opts.SetOption(L"-vcodec", L"%s -b:v %sk -trellis 1 -mbd 2 -g %d -aspect %s -minrate %sk -maxrate %sk -bufsize %dk",
                     codec, b.c(vb), gop, aspect.c_str(), b.c(vb), b.c(vb), buffer);
    AddAudioOptions(b, {}, false);
    b.QueuePasses(CBuild::PassOption, true, PASS_MPEG_SINGLE, PASS_MPEG_1, PASS_MPEG_2);
}

void BuildWmvCommand(const VXM_BUILD_ARGS& a)
{
    CBuild b(a);
    VXM_FIT fit(VXM_FRAME_ASPECT::Square);
    fit.sizeSource = a.parent;
    b.Prologue(true, fit);
    b.opts.SetOption(L"-vcodec", L"wmv2");
    b.opts.SetOption(L"-b:v", L"%sk", b.c(b.Vb()));
    AddAudioOptions(b, {.encoder = L"wmav2", .bitrate = L"64", .rate = L"48000"});
    b.Queue(b.opts, PASS_PLAIN, 0);
}

namespace {

// An audio-only step: no video, the audio part, an optional container.
void AudioOnlyCommand(const VXM_BUILD_ARGS& a, const AudioPart& part, const wchar_t* format = nullptr, int flag = 1)
{
    CBuild b(a);
    b.Prologue(false);
    b.opts.AddFlag(L"-vn");
    AddAudioOptions(b, part);
    if (format)
        b.opts.SetOption(L"-f", L"%s", format);
    b.Queue(b.opts, PASS_PLAIN, flag);
}

}  // namespace

void BuildWmaCommand(const VXM_BUILD_ARGS& a)
{
    AudioOnlyCommand(a, {.encoder = L"wmav2", .bitrate = L"128", .rate = L"44100"}, nullptr, 0);
}

void BuildMp3Command(const VXM_BUILD_ARGS& a)
{
    AudioOnlyCommand(a, {.encoder = L"libmp3lame"}, L"mp3");
}

void BuildOggCommand(const VXM_BUILD_ARGS& a)
{
    AudioOnlyCommand(a, {.encoder = L"libvorbis"}, L"ogg");
}

void BuildAacCommand(const VXM_BUILD_ARGS& a)
{
    AudioOnlyCommand(a, {.encoder = L"aac"});
}

void BuildWavCommand(const VXM_BUILD_ARGS& a)
{
    AudioOnlyCommand(a, {.encoder = L"pcm_s16le", .rate = L"48000"});
}

void BuildDtsCommand(const VXM_BUILD_ARGS& a)
{
    AudioOnlyCommand(a, {.encoder = L"dca", .extra = L"-strict -2"});
}

void BuildAudioCommand(const VXM_BUILD_ARGS& a)
{
    AudioOnlyCommand(a, {});
}

void Build3gpCommand(const VXM_BUILD_ARGS& a)
{
    CBuild b(a);
    const std::wstring vcodec = b.p->GetVideoCodec();
    // H.263 takes only its few frame sizes.
    VXM_FIT fit(VXM_FRAME_ASPECT::Square);
    fit.keepFrame = vcodec == L"h263";
    b.Prologue(true, fit);
    b.opts.AddFlag(L"-y");
    b.opts.SetOption(L"-vcodec", L"%s", b.c(EncoderName(vcodec)));
    b.opts.SetOption(L"-b:v", L"%sk", b.c(b.Vb()));
    if (!b.p->GetFramerate().empty() && b.p->GetFramerate() != L"Auto")
        b.opts.SetOption(L"-r", L"%s", b.c(b.p->GetFramerate()));
    AddAudioOptions(b, {});
    b.Queue(b.opts, PASS_PLAIN);
}

namespace {

// The values the AVI and Matroska video choices read, after the common prologue.
struct CAviLikeVideo {
    int gop;
    std::wstring aspect;
    std::wstring vcodec;
    std::wstring vb;
};

CAviLikeVideo BeginAviLike(CBuild& b)
{
    b.Prologue(true);
    return {b.AviFrameRate(), b.Aspect(), b.p->GetVideoCodec(), b.Vb()};
}

}  // namespace

void BuildAviCommand(const VXM_BUILD_ARGS& a)
{
    CBuild b(a);
    const auto [gop, aspect, vcodec, vb] = BeginAviLike(b);
    CFFMpegOpts& o = b.opts;
    if (vcodec == L"xvid") {
        const std::wstring vp = b.p->GetVideoProfile();
        if (!vp.empty() && vp != L"Default")
            o.SetOption(L"-vcodec", L"libxvid -b:v %sk -bf 0 -profile %s", b.c(vb), b.c(vp));
        else
            o.SetOption(L"-vcodec", L"libxvid -b:v %sk -bf 0", b.c(vb));
        o.SetOption(L"-aspect", L"%s", aspect.c_str());
    } else if (vcodec == L"Original") {
        o.SetOption(L"-vcodec", L"copy");
    } else if (vcodec == L"mpeg4") {
        o.SetOption(L"-vcodec", L"mpeg4 -b:v %sk -mbd 1", b.c(vb));
        if (b.p->m_nProfileCode == 47)
            o.SetOption(L"-vtag", L"dx50");
    } else if (vcodec == L"mpeg2") {
        o.SetOption(L"-vcodec", L"mpeg2video -b:v %sk -trellis 1 -mbd 2 -g %d -aspect %s -maxrate 9800k -bufsize 1835k -strict 0",
                    b.c(vb), gop, aspect.c_str());
    } else if (vcodec == L"mpeg1") {
        o.SetOption(L"-vcodec", L"mpeg1video -b:v %sk -trellis 1 -mbd 2 -g %d -aspect %s -maxrate 1152k -bufsize 327k -b 1152k",
                    b.c(vb), gop, aspect.c_str());
    } else if (vcodec.find(L"x264") != std::wstring::npos) {
        o.SetOption(L"-vcodec", L"libx264 -b:v %sk -x264opts %s", b.c(vb), b.c(b.X264(b.v.x264Options)));
    } else if (vcodec == L"huffyuv") {
        o.SetOption(L"-vcodec", L"ffvhuff -pred 2 -context 1");
    } else {
        o.SetOption(L"-vcodec", L"%s -b:v %sk", b.c(EncoderName(vcodec)), b.c(vb));
    }
    if (vcodec != L"xvid" && vcodec != L"Original")
        o.SetOption(L"-aspect", L"%s", aspect.c_str());
    AddAudioOptions(b, {});
    b.Queue(o, PASS_PLAIN);
}

void BuildMkvCommand(const VXM_BUILD_ARGS& a)
{
    CBuild b(a);
    const auto [gop, aspect, vcodec, vb] = BeginAviLike(b);
    CFFMpegOpts& o = b.opts;
    const wchar_t* as = aspect.c_str();
    if (vcodec == L"xvid") {
        const std::wstring vp = b.p->GetVideoProfile();
        if (!vp.empty() && vp != L"Default")
            o.SetOption(L"-vcodec", L"libxvid -b:v %sk -bf 0 -aspect %s -profile %s", b.c(vb), as, b.c(vp));
        else
            o.SetOption(L"-vcodec", L"libxvid -b:v %sk -bf 0 -aspect %s", b.c(vb), as);
    } else if (vcodec == L"Original") {
        o.SetOption(L"-vcodec", L"copy");
    } else if (vcodec == L"mpeg4") {
        o.SetOption(L"-vcodec", L"mpeg4 -b:v %sk -mbd 1 -aspect %s", b.c(vb), as);
    } else if (vcodec == L"mpeg2") {
        o.SetOption(L"-vcodec", L"mpeg2video -b:v %sk -trellis 1 -mbd 2 -g %d -aspect %s -maxrate 9800k -bufsize 1835k -strict 0",
                    b.c(vb), gop, as);
    } else if (vcodec == L"mpeg1") {
        o.SetOption(L"-vcodec", L"mpeg1video -b:v %sk -trellis 1 -mbd 2 -g %d -aspect %s -maxrate 1152k -bufsize 327k -strict 0 -b 1152k",
                    b.c(vb), gop, as);
    } else if (vcodec.find(L"x264") != std::wstring::npos) {
        o.SetOption(L"-vcodec", L"libx264 -b:v %sk -aspect %s -x264opts %s", b.c(vb), as,
                    b.c(b.X264(b.v.x264Options)));
    } else if (vcodec == L"huffyuv") {
        o.SetOption(L"-vcodec", L"ffvhuff -pred 2 -context 1");
    } else {
        o.SetOption(L"-vcodec", L"%s -b:v %sk -aspect %s", b.c(EncoderName(vcodec)), b.c(vb), as);
    }
    AddAudioOptions(b, {});
    o.AddFlag(L"-f matroska");
    b.Queue(o, PASS_PLAIN);
}

void BuildMovCommand(const VXM_BUILD_ARGS& a)
{
    CBuild b(a);
    b.Prologue(true);
    CFFMpegOpts& o = b.opts;
    o.SetOption(L"-aspect", L"%s", b.Aspect().c_str());
    b.FrameRate();
    const std::wstring vcodec = b.p->GetVideoCodec();
    const std::wstring vb = b.Vb();
    if (vcodec == L"xvid") {
        o.SetOption(L"-vcodec", L"libxvid");
        o.SetOption(L"-b:v", L"%sk -bf 0", b.c(vb));
    } else if (vcodec == L"mpeg4") {
        o.SetOption(L"-vcodec", L"mpeg4 -mbd 2 -trellis 1 -b:v %sk", b.c(vb));
    } else if (vcodec == L"x264") {
        o.SetOption(L"-vcodec", L"libx264 -b:v %sk -x264opts %s", b.c(vb), b.c(b.X264(b.v.x264Options)));
    }
    AddAudioOptions(b, {});
    o.AddFlag(L"-f mov");
    b.Queue(o, PASS_PLAIN);
}

namespace {

// A single-step video builder of the smaller containers, told by its row.
struct PlainVideo {
    bool aviRate = false;            // frame rate as the AVI family (else the source's or the profile's)
    bool aspect = false;             // "-aspect" of the aspect value
    const wchar_t* format = nullptr; // "-f"
    const wchar_t* encoder;          // "-vcodec" text before the bitrate; null: the codec's encoder
    const wchar_t* options = L"";    // "-vcodec" text after the bitrate
    AudioPart audio;
    bool noSubtitles = false;
    bool withMedia = true;
};

void PlainVideoCommand(const VXM_BUILD_ARGS& a, const PlainVideo& row)
{
    CBuild b(a);
    b.Prologue(true, VXM_FIT(row.aspect ? VXM_FRAME_ASPECT::Chosen : VXM_FRAME_ASPECT::Square));
    CFFMpegOpts& o = b.opts;
    if (row.aviRate)
        b.AviFrameRate();
    else
        b.FrameRate();
    if (row.aspect)
        o.SetOption(L"-aspect", L"%s", b.Aspect().c_str());
    if (row.format)
        o.SetOption(L"-f", L"%s", row.format);
    const std::wstring encoder = row.encoder ? row.encoder : EncoderName(b.p->GetVideoCodec());
    o.SetOption(L"-vcodec", L"%s -b:v %sk%s", encoder.c_str(), b.c(b.Vb()), row.options);
    if (row.noSubtitles)
        o.AddFlag(L"-sn");
    AddAudioOptions(b, row.audio);
    b.Queue(o, PASS_PLAIN, 1, row.withMedia);
}

// Flash video in its FLV or SWF container.
void FlashVideoCommand(const VXM_BUILD_ARGS& a, const wchar_t* format)
{
    // The zero-vector flag lives with the MPEG video encoders' own flags.
    PlainVideoCommand(a, {.format = format, .encoder = L"flv", .options = L" -mbd 2 -mpv_flags +mv0 -trellis 1",
                          .audio = {.encoder = L"libmp3lame"}});
}

}  // namespace

void BuildFlvCommand(const VXM_BUILD_ARGS& a)
{
    FlashVideoCommand(a, L"flv");
}

void BuildSwfCommand(const VXM_BUILD_ARGS& a)
{
    FlashVideoCommand(a, L"swf");
}

void BuildAsfCommand(const VXM_BUILD_ARGS& a)
{
    PlainVideoCommand(a, {.format = L"asf", .encoder = nullptr, .audio = {}});
}

void BuildWebmCommand(const VXM_BUILD_ARGS& a)
{
    PlainVideoCommand(a, {.aviRate = true, .aspect = true, .format = L"webm", .encoder = L"libvpx", .audio = {},
                          .noSubtitles = true, .withMedia = false});
}

void BuildOgvCommand(const VXM_BUILD_ARGS& a)
{
    PlainVideoCommand(a, {.aviRate = true, .aspect = true, .encoder = L"libtheora",
                          .audio = {.extra = L"-global_quality 2000 -rc_lookahead 0"}});
}

void BuildGifCommand(const VXM_BUILD_ARGS& a)
{
    CBuild b(a);
    b.Prologue(true, VXM_FIT(VXM_FRAME_ASPECT::Square));
    CFFMpegOpts& o = b.opts;
    const int duration = ProfileWToI(b.p->GetPicDuration());
    const int interval = ProfileWToI(b.p->GetPicInterval());
    if (duration > 0)
        o.SetOption(L"-t", L"%d", duration);
    // An interval of 0 (or none) keeps the source's frame rate.
    if (interval > 0)
        o.SetOption(L"-r", L"1000/%d", interval);
    o.AddFlag(L"-an");
    b.Queue(o, PASS_PLAIN);
}
