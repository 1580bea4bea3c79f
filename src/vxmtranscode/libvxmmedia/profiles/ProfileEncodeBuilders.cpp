// Encode builders: one transcoder command line per output type of a profile.
#include <cwctype>
#include <filesystem>

#include "EngineLog.h"
#include "ProfileJobBuild.h"
#include "VXMUtils.h"

namespace {

constexpr const char* kLogCategory = "JobBuild";

struct CBuild {
    const VXM_BUILD_ARGS& a;
    COutputProfile* p;
    CVXMMediaBase* m;
    CFFMpegOpts opts;

    explicit CBuild(const VXM_BUILD_ARGS& args) : a(args), p(args.profile), m(args.media) {}

    const wchar_t* c(const std::wstring& s) const { return s.c_str(); }
    bool AudioOff() const { return p->IsAudioDisabled() != 0; }
    bool TwoPass() { return ProfileWToI(p->GetEncodePass()) == 2; }

    void Prologue(bool video, CVXMMediaBase* sizeSource = nullptr)
    {
        AddInputAndGlobalOptions(opts, m, p);
        if (video) {
            AddPictureFilters(opts, m);
            AddScaleAndPadFilters(m, p, opts, sizeSource);
        }
    }
    // "-r" of the frame-rate value unless "Auto" keeps the source rate.
    void FrameRate()
    {
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
    // Aspect text of the AVI family; xvid takes the frame's own ratio.
    std::wstring Aspect()
    {
        std::wstring aspect = GetAspectText(m, p->GetAspect());
        if (p->GetVideoCodec() == L"xvid" && p->m_nScaledWidth > 0 && p->m_nScaledHeight > 0)
            aspect = FormatW(L"%d:%d", p->m_nScaledWidth, p->m_nScaledHeight);
        return aspect;
    }
    void Queue(CFFMpegOpts& o, int passKind, int flag = 1, bool withMedia = true)
    {
        AddOutputPath(o, a.encodePath);
        o.AddJobCommand(*a.queue, passKind, m->m_strSourcePath, withMedia ? m : nullptr, flag, a.encodePath);
    }
    // Pass-log base in the engine's temporary folder; the media deletes its
    // files when the conversion ends.
    std::wstring PassLogBase()
    {
        std::wstring folder = BuildSettings().strTempFolder;
        if (folder.empty() || !CreateFolderTree(folder)) {
            std::error_code ec;
            folder = Utf8ToWide(std::filesystem::temp_directory_path(ec).string());
        }
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

// "lib%s" of an audio codec value, as the stock encoder names go.
std::wstring LibAudioEncoder(const std::wstring& codec)
{
    if (codec == L"aac" || codec == L"faac" || codec == L"libfaac")
        return L"aac";
    if (codec.rfind(L"lib", 0) == 0)
        return codec;
    return L"lib" + codec;
}

void AvcCommon(const VXM_BUILD_ARGS& a, bool ps3)
{
    CBuild b(a);
    b.Prologue(true);
    b.SlashAspect();
    b.opts.SetOption(L"-ar", L"%s", b.c(b.p->GetSampleRate()));
    if (ps3)
        b.opts.SetOption(L"-ac", L"%s", b.c(b.p->GetChannel()));
    b.FrameRate();
    b.opts.SetOption(L"-sws_flags", L"%d", 512);
    const std::wstring size = b.p->GetVideoSize();
    const std::wstring vb = b.Vb();
    const std::wstring& threads = b.p->m_strThreads;
    std::wstring x264;
    std::wstring lower = size;
    for (wchar_t& ch : lower)
        ch = static_cast<wchar_t>(std::towlower(static_cast<wint_t>(ch)));
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
    b.opts.SetOption(L"-x264opts", L"%s", x264.c_str());
    if (BuildSettings().UseOpenCL)
        b.opts.AppendToOption(L"-x264opts", TRUE, L":", L"opencl=1");
    const std::wstring ac = b.p->GetAudioCodec();
    if (!ps3 || ac == L"aac" || ac == L"faac" || ac == L"libfaac")
        b.opts.SetOption(L"-acodec", L"aac -b:a %sk -profile:a %d", b.c(b.Ab()), b.p->m_nAACProfile);
    else
        b.opts.SetOption(L"-acodec", L"%s -b:a %sk", b.c(ac), b.c(b.Ab()));

    if (b.TwoPass()) {
        b.PassLog(b.opts);
        CFFMpegOpts second;
        second.CopyFrom(b.opts);
        b.opts.SetOption(L"-pass", L"%d", 1);
        if (b.m->m_bHasVideo || b.AudioOff())
            b.opts.AddFlag(L"-an");
        second.SetOption(L"-pass", L"%d", 2);
        if (b.AudioOff())
            second.AddFlag(L"-an");
        b.Queue(b.opts, PASS_ENCODE_1);
        b.Queue(second, PASS_ENCODE_2);
    } else {
        if (b.AudioOff())
            b.opts.AddFlag(L"-an");
        b.Queue(b.opts, PASS_ENCODE_1);
    }
}

void ThumbnailStep(const VXM_BUILD_ARGS& a)
{
    if (a.thumbnailPath.empty() || !a.media->m_bHasVideo)
        return;
    CFFMpegOpts t;
    t.AddFlag(L"-y");
    t.SetOption(L"-i", L"%s", QuoteArgument(a.media->m_strSourcePath).c_str());
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

// Audio part shared by the AVI and MKV builders.
void AviAudio(CBuild& b, bool mkv)
{
    if (b.AudioOff()) {
        b.opts.AddFlag(L"-an");
        return;
    }
    const std::wstring ac = b.p->GetAudioCodec();
    if (ac == L"Original") {
        b.opts.SetOption(L"-acodec", L"copy");
    } else if (ac == L"pcm") {
        b.opts.SetOption(L"-acodec", L"pcm_s16le");
    } else if (ac == L"mp3") {
        b.opts.SetOption(L"-acodec", L"libmp3lame");
        b.opts.SetOption(L"-b:a", L"%sk %s", b.c(b.Ab()), b.c(b.p->m_strMP3Options));
    } else if (ac == L"aac" || ac == L"faac") {
        b.opts.SetOption(L"-acodec", L"aac");
        b.opts.SetOption(L"-b:a", L"%sk -profile:a %d", b.c(b.Ab()), b.p->m_nAACProfile);
    } else {
        b.opts.SetOption(L"-acodec", L"%s -b:a %sk", b.c(EncoderName(ac)), b.c(b.Ab()));
    }
    if (mkv) {
        b.opts.SetOption(L"-ar", L"%s -ac %s", b.c(b.p->GetSampleRate()), b.c(b.p->GetChannel()));
    } else {
        b.opts.SetOption(L"-ar", L"%s", b.c(b.p->GetSampleRate()));
        b.opts.SetOption(L"-ac", L"%s", b.c(b.p->GetChannel()));
    }
}

}  // namespace

void BuildMpeg4Command(const VXM_BUILD_ARGS& a, bool rawStreamRoute, bool hardwareEncoder)
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
    A.SetOption(L"-ar", L"%s", b.c(b.p->GetSampleRate()));
    A.SetOption(L"-ac", L"%s", b.c(b.p->GetChannel()));
    b.FrameRate();

    const std::wstring ac = b.p->GetAudioCodec();
    if (ac == L"aac")
        A.SetOption(L"-acodec", L"aac -b:a %sk -profile:a %d", b.c(b.Ab()), b.p->m_nAACProfile);
    else if (ac == L"ac3")
        A.SetOption(L"-acodec", L"ac3 -b:a %sk", b.c(b.Ab()));  // MP4 carries AC-3 itself
    else if (ac == L"mp3") {
        A.SetOption(L"-acodec", L"libmp3lame");
        A.SetOption(L"-b:a", L"%sk", b.c(b.Ab()));
        A.SetOption(L"-ar", L"%s %s", b.c(b.p->GetSampleRate()), b.c(b.p->m_strMP3Options));
    }

    const std::wstring vb = b.Vb();
    const std::wstring& threads = b.p->m_strThreads;
    const std::wstring& x264 = b.p->m_strX264Options;
    if (vcodec == L"xvid") {
        A.SetOption(L"-vcodec", L"libxvid");
        A.SetOption(L"-b:v", L"%sk", b.c(vb));
    } else if (vcodec == L"mpeg4") {
        A.SetOption(L"-vcodec", L"mpeg4");
        A.SetOption(L"-b:v", L"%sk -threads %s", b.c(vb), b.c(threads));
    } else if (vcodec == L"x264") {
        if (hardwareEncoder) {
            A.SetOption(L"-vcodec", L"h264_nvenc");
            A.SetOption(L"-b:v", L"%sk -threads %s", b.c(vb), b.c(threads));
            b.p->SetEncodePass(L"1");
        } else if (rawStreamRoute) {
            A.SetOption(L"-vcodec", L"h264_nvenc");
            A.SetOption(L"-b:v", L"%sk", b.c(vb));
            b.p->SetEncodePass(L"1");
        } else {
            A.SetOption(L"-vcodec", L"libx264");
            A.SetOption(L"-b:v", L"%sk -x264opts %s -threads %s", b.c(vb), b.c(x264), b.c(threads));
        }
    } else if (vcodec == L"x265") {
        if (hardwareEncoder) {
            A.SetOption(L"-vcodec", L"hevc_nvenc");
            A.SetOption(L"-b:v", L"%sk -threads %s", b.c(vb), b.c(threads));
            b.p->SetEncodePass(L"1");
        } else {
            A.SetOption(L"-vcodec", L"libx265");
            A.SetOption(L"-b:v", L"%sk -threads %s", b.c(vb), b.c(threads));
        }
    }
    if (b.m->m_bHasVideo || b.AudioOff())
        A.AddFlag(L"-an");

    const bool twoPass = b.TwoPass();
    CFFMpegOpts B;
    if (twoPass) {
        b.PassLog(A);
        B.CopyFrom(A);
        A.SetOption(L"-pass", L"%d", 1);
        B.SetOption(L"-pass", L"%d", 2);
    } else if (!b.AudioOff()) {
        A.RemoveOption(L"-an");
    }
    b.Queue(A, PASS_ENCODE_1);
    if (twoPass) {
        if (!b.AudioOff())
            B.RemoveOption(L"-an");
        b.Queue(B, PASS_ENCODE_2);
    }
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
    b.opts.SetOption(L"-vcodec", L"mpeg4 -b:v %sk -acodec aac -b:a %sk -profile:a %d", b.c(b.Vb()), b.c(b.Ab()),
                     b.p->m_nAACProfile);
    std::wstring title = GetFileNamePart(b.m->m_strSourcePath, TRUE);
    const std::size_t dot = title.rfind(L'.');
    if (dot != std::wstring::npos)
        title.erase(dot);
    b.opts.SetOption(L"-metadata", L"%s", QuoteArgument(L"title=" + title).c_str());
    if (b.AudioOff())
        b.opts.AddFlag(L"-an");
    b.Queue(b.opts, PASS_ENCODE_1);
    ThumbnailStep(a);
}

void BuildDvdCommand(const VXM_BUILD_ARGS& a)
{
    CBuild b(a);
    b.Prologue(false);
    AddPictureFilters(b.opts, b.m);
    int gop = 15;
    if (b.p->m_nProfileCode == 15) {
        b.opts.AddFlag(L"-target ntsc-dvd");
        b.opts.SetOption(L"-s", L"720x480");
        b.opts.SetOption(L"-r", L"29.97");
        gop = 18;
    } else if (b.p->m_nProfileCode == 16) {
        b.opts.AddFlag(L"-target pal-dvd");
        b.opts.SetOption(L"-s", L"720x576 ");
        b.opts.SetOption(L"-r", L"25");
    }
    const std::wstring aspect = GetAspectText(b.m, b.p->GetAspect());
    const std::wstring vcodec = FormatW(L"mpeg2video -b:v %sk -trellis 1 -mbd 2 -g %d -aspect %s -maxrate 9800k "
                                        L"-bufsize 1835k -strict 0",
                                        b.c(b.Vb()), gop, aspect.c_str());
    if (!b.AudioOff()) {
        b.opts.SetOption(L"-acodec", L"%s -b:a %sk", b.c(EncoderName(b.p->GetAudioCodec())), b.c(b.Ab()));
        b.opts.SetOption(L"-ar", L"%s", b.c(b.p->GetSampleRate()));
    }
    if (b.TwoPass()) {
        b.PassLog(b.opts);
        CFFMpegOpts second;
        second.CopyFrom(b.opts);
        b.opts.SetOption(L"-vcodec", L"%s -pass 1", vcodec.c_str());
        b.opts.AddFlag(L"-an");
        second.SetOption(L"-vcodec", L"%s -pass 2", vcodec.c_str());
        if (b.AudioOff())
            second.AddFlag(L"-an");
        b.Queue(b.opts, PASS_MPEG_1);
        b.Queue(second, PASS_MPEG_2);
    } else {
        b.opts.SetOption(L"-vcodec", L"%s", vcodec.c_str());
        if (b.AudioOff())
            b.opts.AddFlag(L"-an");
        b.Queue(b.opts, PASS_MPEG_SINGLE);
    }
}

void BuildMpegCommand(const VXM_BUILD_ARGS& a)
{
    CBuild b(a);
    b.Prologue(true);
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
    const std::wstring aspect = GetAspectText(b.m, b.p->GetAspect());
    const std::wstring vb = b.Vb();
    b.opts.SetOption(L"-vcodec", L"%s -b:v %sk -trellis 1 -mbd 2 -g %d -aspect %s -minrate %sk -maxrate %sk -bufsize %dk",
                     codec, b.c(vb), gop, aspect.c_str(), b.c(vb), b.c(vb), buffer);
    if (!b.AudioOff()) {
        b.opts.SetOption(L"-acodec", L"%s -b:a %sk -ac %s", b.c(EncoderName(b.p->GetAudioCodec())), b.c(b.Ab()),
                         b.c(b.p->GetChannel()));
        b.opts.SetOption(L"-ar", L"%s", b.c(b.p->GetSampleRate()));
    }
    if (b.TwoPass()) {
        b.PassLog(b.opts);
        CFFMpegOpts second;
        second.CopyFrom(b.opts);
        b.opts.AddFlag(L"-pass 1");
        b.opts.AddFlag(L"-an");
        second.AddFlag(L"-pass 2");
        if (b.AudioOff())
            second.AddFlag(L"-an");
        b.Queue(b.opts, PASS_MPEG_1);
        b.Queue(second, PASS_MPEG_2);
    } else {
        if (b.AudioOff())
            b.opts.AddFlag(L"-an");
        b.Queue(b.opts, PASS_MPEG_SINGLE);
    }
}

void BuildWmvCommand(const VXM_BUILD_ARGS& a)
{
    CBuild b(a);
    b.Prologue(true, a.parent);
    b.opts.SetOption(L"-vcodec", L"wmv2");
    b.opts.SetOption(L"-b:v", L"%sk", b.c(b.Vb()));
    if (!b.AudioOff()) {
        b.opts.SetOption(L"-acodec", L"wmav2");
        b.opts.SetOption(L"-b:a", L"64k -ar 48000 -ac 2");
    } else {
        b.opts.AddFlag(L"-an");
    }
    b.Queue(b.opts, PASS_PLAIN, 0);
}

void BuildWmaCommand(const VXM_BUILD_ARGS& a)
{
    CBuild b(a);
    b.Prologue(false);
    b.opts.AddFlag(L"-vn");
    b.opts.SetOption(L"-acodec", L"wmav2");
    b.opts.SetOption(L"-ar", L"44100");
    b.opts.SetOption(L"-b:a", L"128k");
    b.opts.SetOption(L"-ac", L"2");
    b.Queue(b.opts, PASS_PLAIN, 0);
}

void BuildMp3Command(const VXM_BUILD_ARGS& a)
{
    CBuild b(a);
    b.Prologue(false);
    b.opts.AddFlag(L"-vn");
    b.opts.SetOption(L"-acodec", L"libmp3lame");
    b.opts.SetOption(L"-ab", L"%sk", b.c(b.Ab()));
    b.opts.SetOption(L"-ar", L"%s", b.c(b.p->GetSampleRate()));
    b.opts.SetOption(L"-ac", L"%s %s", b.c(b.p->GetChannel()), b.c(b.p->m_strMP3Options));
    b.opts.SetOption(L"-f", L"mp3");
    b.Queue(b.opts, PASS_PLAIN);
}

void BuildOggCommand(const VXM_BUILD_ARGS& a)
{
    CBuild b(a);
    b.Prologue(false);
    b.opts.AddFlag(L"-vn");
    b.opts.SetOption(L"-acodec", L"libvorbis");
    b.opts.SetOption(L"-f", L"ogg");
    b.opts.SetOption(L"-b:a", L"%sk", b.c(b.Ab()));
    b.opts.SetOption(L"-ar", L"%s", b.c(b.p->GetSampleRate()));
    b.opts.SetOption(L"-ac", L"%s", b.c(b.p->GetChannel()));
    b.Queue(b.opts, PASS_PLAIN);
}

void BuildAacCommand(const VXM_BUILD_ARGS& a)
{
    CBuild b(a);
    b.Prologue(false);
    b.opts.AddFlag(L"-vn");
    b.opts.SetOption(L"-acodec", L"aac");
    b.opts.SetOption(L"-profile:a", L"%d", b.p->m_nAACProfile);
    b.opts.SetOption(L"-ab", L"%sk", b.c(b.Ab()));
    b.opts.SetOption(L"-ar", L"%s", b.c(b.p->GetSampleRate()));
    b.opts.SetOption(L"-ac", L"%s", b.c(b.p->GetChannel()));
    b.Queue(b.opts, PASS_PLAIN);
}

void BuildWavCommand(const VXM_BUILD_ARGS& a)
{
    CBuild b(a);
    b.Prologue(false);
    b.opts.AddFlag(L"-vn");
    b.opts.SetOption(L"-acodec", L"pcm_s16le");
    b.opts.SetOption(L"-ar", L"48000");
    b.opts.SetOption(L"-ac", L"%s", b.c(b.p->GetChannel()));
    b.opts.SetOption(L"-b:a", L"192k");
    b.Queue(b.opts, PASS_PLAIN);
}

void BuildDtsCommand(const VXM_BUILD_ARGS& a)
{
    CBuild b(a);
    b.Prologue(false);
    b.opts.AddFlag(L"-vn");
    b.opts.SetOption(L"-acodec", L"dca -strict -2");
    b.opts.SetOption(L"-ar", L"%s", b.c(b.p->GetSampleRate()));
    b.opts.SetOption(L"-ac", L"%s", b.c(b.p->GetChannel()));
    b.Queue(b.opts, PASS_PLAIN);
}

void BuildAudioCommand(const VXM_BUILD_ARGS& a)
{
    CBuild b(a);
    b.Prologue(false);
    b.opts.AddFlag(L"-vn");
    b.opts.SetOption(L"-acodec", L"%s", b.c(EncoderName(b.p->GetAudioCodec())));
    b.opts.SetOption(L"-ar", L"%s", b.c(b.p->GetSampleRate()));
    b.opts.SetOption(L"-b:a", L"%sk", b.c(b.Ab()));
    b.opts.SetOption(L"-ac", L"%s", b.c(b.p->GetChannel()));
    b.Queue(b.opts, PASS_PLAIN);
}

void Build3gpCommand(const VXM_BUILD_ARGS& a)
{
    CBuild b(a);
    b.Prologue(false);
    AddPictureFilters(b.opts, b.m);
    const std::wstring vcodec = b.p->GetVideoCodec();
    int w = 0, h = 0;
    const VXM_ENGINE_SETTINGS& settings = BuildSettings();
    if (vcodec == L"h263")
        AddScaleAndPadFilters(b.m, b.p, b.opts, nullptr, w, h, false, false);
    else
        AddScaleAndPadFilters(b.m, b.p, b.opts, nullptr, w, h, settings.FitToWidth != 0, settings.FitToHeight != 0);
    b.opts.AddFlag(L"-y");
    b.opts.SetOption(L"-vcodec", L"%s", b.c(EncoderName(vcodec)));
    b.opts.SetOption(L"-b:v", L"%sk", b.c(b.Vb()));
    if (!b.p->GetFramerate().empty() && b.p->GetFramerate() != L"Auto")
        b.opts.SetOption(L"-r", L"%s", b.c(b.p->GetFramerate()));
    if (b.AudioOff()) {
        b.opts.AddFlag(L"-an");
    } else {
        b.opts.SetOption(L"-acodec", L"%s", b.c(LibAudioEncoder(b.p->GetAudioCodec())));
        b.opts.SetOption(L"-ac", L"%s", b.c(b.p->GetChannel()));
        b.opts.SetOption(L"-ar", L"%s", b.c(b.p->GetSampleRate()));
        b.opts.SetOption(L"-b:a", L"%sk", b.c(b.Ab()));
    }
    b.Queue(b.opts, PASS_PLAIN);
}

void BuildAviCommand(const VXM_BUILD_ARGS& a)
{
    CBuild b(a);
    b.Prologue(true);
    const int gop = b.AviFrameRate();
    const std::wstring aspect = b.Aspect();
    const std::wstring vcodec = b.p->GetVideoCodec();
    const std::wstring vb = b.Vb();
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
        o.SetOption(L"-vcodec", L"libx264 -b:v %sk -x264opts %s", b.c(vb), b.c(b.p->m_strX264Options));
    } else if (vcodec == L"huffyuv") {
        o.SetOption(L"-vcodec", L"ffvhuff -pred 2 -context 1");
    } else {
        o.SetOption(L"-vcodec", L"%s -b:v %sk", b.c(EncoderName(vcodec)), b.c(vb));
    }
    if (vcodec != L"xvid" && vcodec != L"Original")
        o.SetOption(L"-aspect", L"%s", aspect.c_str());
    AviAudio(b, false);
    b.Queue(o, PASS_PLAIN);
}

void BuildMkvCommand(const VXM_BUILD_ARGS& a)
{
    CBuild b(a);
    b.Prologue(true);
    const int gop = b.AviFrameRate();
    const std::wstring aspect = b.Aspect();
    const std::wstring vcodec = b.p->GetVideoCodec();
    const std::wstring vb = b.Vb();
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
                    b.c(b.p->m_strX264Options));
    } else if (vcodec == L"huffyuv") {
        o.SetOption(L"-vcodec", L"ffvhuff -pred 2 -context 1");
    } else {
        o.SetOption(L"-vcodec", L"%s -b:v %sk -aspect %s", b.c(EncoderName(vcodec)), b.c(vb), as);
    }
    AviAudio(b, true);
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
        o.SetOption(L"-vcodec", L"libx264 -b:v %sk -x264opts %s", b.c(vb), b.c(b.p->m_strX264Options));
    }
    const std::wstring ac = b.p->GetAudioCodec();
    if (b.AudioOff()) {
        o.AddFlag(L"-an");
    } else if (ac == L"aac") {
        o.SetOption(L"-acodec", L"aac -b:a %sk -profile:a %d", b.c(b.Ab()), b.p->m_nAACProfile);
    } else if (ac == L"mp3") {
        o.SetOption(L"-acodec", L"libmp3lame");
        o.SetOption(L"-b:a", L"%sk", b.c(b.Ab()));
        o.SetOption(L"-ar", L"%s %s", b.c(b.p->GetSampleRate()), b.c(b.p->m_strMP3Options));
    }
    o.AddFlag(L"-f mov");
    b.Queue(o, PASS_PLAIN);
}

void BuildFlvCommand(const VXM_BUILD_ARGS& a, bool flvMode)
{
    CBuild b(a);
    b.Prologue(true);
    CFFMpegOpts& o = b.opts;
    b.FrameRate();
    o.SetOption(L"-f", L"%s", flvMode ? L"flv" : L"swf");
    // The zero-vector flag lives with the MPEG video encoders' own flags.
    o.SetOption(L"-vcodec", L"flv -b:v %sk -mbd 2 -mpv_flags +mv0 -trellis 1", b.c(b.Vb()));
    if (b.AudioOff()) {
        o.AddFlag(L"-an");
    } else {
        o.SetOption(L"-ar", L"%s", b.c(b.p->GetSampleRate()));
        o.SetOption(L"-acodec", L"libmp3lame");
        o.SetOption(L"-b:a", L"%sk %s", b.c(b.Ab()), b.c(b.p->m_strMP3Options));
    }
    b.Queue(o, PASS_PLAIN);
}

void BuildAsfCommand(const VXM_BUILD_ARGS& a)
{
    CBuild b(a);
    b.Prologue(true);
    CFFMpegOpts& o = b.opts;
    b.FrameRate();
    o.AddFlag(L"-f asf");
    if (b.AudioOff()) {
        o.SetOption(L"-vcodec", L"%s -b:v %sk", b.c(EncoderName(b.p->GetVideoCodec())), b.c(b.Vb()));
        o.AddFlag(L"-an");
    } else {
        o.SetOption(L"-vcodec", L"%s -b:v %sk -acodec %s -b:a %sk", b.c(EncoderName(b.p->GetVideoCodec())),
                    b.c(b.Vb()), b.c(EncoderName(b.p->GetAudioCodec())), b.c(b.Ab()));
        o.SetOption(L"-ar", L"%s", b.c(b.p->GetSampleRate()));
        const std::wstring ch = b.p->GetChannel();
        o.SetOption(L"-ac", L"%s", ch.empty() ? L"2" : ch.c_str());
    }
    b.Queue(o, PASS_PLAIN);
}

void BuildWebmCommand(const VXM_BUILD_ARGS& a)
{
    CBuild b(a);
    b.Prologue(true);
    CFFMpegOpts& o = b.opts;
    b.AviFrameRate();
    o.SetOption(L"-aspect", L"%s", GetAspectText(b.m, b.p->GetAspect()).c_str());
    o.SetOption(L"-vcodec", L"libvpx -b:v %sk", b.c(b.Vb()));
    o.SetOption(L"-f", L"webm");
    o.AddFlag(L"-sn");
    if (b.AudioOff()) {
        o.AddFlag(L"-an");
    } else {
        o.SetOption(L"-ar", L"%s -ac 2", b.c(b.p->GetSampleRate()));
        o.SetOption(L"-acodec", L"%s -b:a %sk", b.c(LibAudioEncoder(b.p->GetAudioCodec())), b.c(b.Ab()));
    }
    b.Queue(o, PASS_PLAIN, 1, false);
}

void BuildOgvCommand(const VXM_BUILD_ARGS& a)
{
    CBuild b(a);
    b.Prologue(true);
    CFFMpegOpts& o = b.opts;
    b.AviFrameRate();
    o.SetOption(L"-aspect", L"%s", GetAspectText(b.m, b.p->GetAspect()).c_str());
    o.SetOption(L"-vcodec", L"libtheora -b:v %sk", b.c(b.Vb()));
    if (b.AudioOff()) {
        o.AddFlag(L"-an");
    } else {
        o.SetOption(L"-ar", L"%s -ac 2", b.c(b.p->GetSampleRate()));
        o.SetOption(L"-acodec", L"%s -b:a %sk -global_quality 2000 -rc_lookahead 0", b.c(LibAudioEncoder(b.p->GetAudioCodec())),
                    b.c(b.Ab()));
    }
    b.Queue(o, PASS_PLAIN);
}

void BuildGifCommand(const VXM_BUILD_ARGS& a)
{
    CBuild b(a);
    b.Prologue(true);
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
