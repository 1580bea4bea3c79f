#include "PlayerCommandLine.h"

#include "vxmtranscode/libvxmmedia/media/SplitCommandLine.h"

#include <algorithm>
#include <cwctype>
#include <string_view>

namespace {

bool StartsWith(const std::wstring& text, std::wstring_view prefix) { return text.compare(0, prefix.size(), prefix) == 0; }

// The form a source has, read from the whole text: a DVD navigation source
// ("dvdnav://"), a Blu-ray folder or drive ("bluray:..." or "br://..."), an
// audio CD track ("track N", nothing else) or a file. A file's name never
// makes it a disc, whatever words it holds.
enum class ESourceForm { File, Dvd, Bluray, CdTrack };

constexpr std::wstring_view kBlurayPrefixes[] = {L"bluray:", L"br://"};

ESourceForm SourceForm(const std::wstring& path)
{
    if (StartsWith(path, L"dvdnav://")) return ESourceForm::Dvd;
    for (std::wstring_view prefix : kBlurayPrefixes)
        if (StartsWith(path, prefix)) return ESourceForm::Bluray;
    constexpr std::wstring_view track = L"track ";
    if (StartsWith(path, track) && path.size() > track.size() &&
        std::all_of(path.begin() + static_cast<std::ptrdiff_t>(track.size()), path.end(),
                    [](wchar_t c) { return c >= L'0' && c <= L'9'; }))
        return ESourceForm::CdTrack;
    return ESourceForm::File;
}

// The folder or drive of a Blu-ray source: the text behind its prefix.
std::wstring BlurayFolder(const std::wstring& path)
{
    for (std::wstring_view prefix : kBlurayPrefixes)
        if (StartsWith(path, prefix)) return path.substr(prefix.size());
    return path;
}

// A file whose extension (any case) is one of a transport stream's.
bool IsTransportStreamFile(const std::wstring& path)
{
    const size_t dot = path.rfind(L'.');
    if (dot == std::wstring::npos || path.find(L'/', dot) != std::wstring::npos) return false;
    std::wstring extension = path.substr(dot);
    for (wchar_t& c : extension) c = static_cast<wchar_t>(std::towlower(c));
    return extension == L".mts" || extension == L".m2ts";
}

const wchar_t* DeinterlaceFilter(int mode)
{
    switch (mode) {
    case 1: return L"pp=lb";
    case 4: return L"pp=li";
    case 7: return L"yadif";
    case 8: return L"yadif=1";
    case 9: return L"pp=l5";
    case 10: return L"pp=lb";
    case 11: return L"kerndeint=5";
    default: return nullptr;
    }
}

// The player's filters that turn the pictures upright; empty for none.
std::wstring UprightFilters(const CPlayerStartParams& p)
{
    static const wchar_t* const kTurns[] = {L"", L"rotate=1", L"flip,mirror", L"rotate=2"};
    std::wstring chain = kTurns[((p.uprightTurns % 4) + 4) % 4];
    if (p.uprightMirrored) chain += chain.empty() ? L"mirror" : L",mirror";
    return chain;
}

}  // namespace

std::wstring PlayerVideoDriver(int mode)
{
    switch (mode) {
    case PLAYER_VO_X11: return L"x11";
    case PLAYER_VO_XV: return L"xv";
    case PLAYER_VO_GL: return L"gl";
    case PLAYER_VO_SDL: return L"sdl";
    case PLAYER_VO_VDPAU: return L"vdpau";
    default: return {};
    }
}

int PlayerNiceness(int processPriority)
{
    switch (processPriority) {
    case 4: return 5;    // below normal
    case 5: return 19;   // idle
    default: return 0;
    }
}

CPlayerStartKind BuildPlayerCommandLine(CPlayerStartParams& p, CMPlayerOpts& opts)
{
    CPlayerStartKind kind;
    const std::wstring& path = p.path;
    if (p.windowId != 0) opts.SetOption(L"-wid", L"%lu", p.windowId);
    for (const wchar_t* flag : {L"-slave", L"-identify", L"-quiet", L"-ass", L"-fontconfig", L"-embeddedfonts"})
        opts.AddFlag(flag);
    opts.SetOption(L"-ass-line-spacing", L"0");
    opts.SetOption(L"-ass-font-scale", L"1");
    opts.AddFlag(L"-nomouseinput");

    std::wstring input = path;
    switch (SourceForm(path)) {
    case ESourceForm::Dvd:
        opts.SetOption(L"-dvd-device", L"%ls", QuoteArgument(p.discDevice).c_str());
        kind.isDisc = true;
        break;
    case ESourceForm::Bluray:
        kind.isBluray = true;
        opts.SetOption(L"-bluray-device", L"%ls", QuoteArgument(BlurayFolder(path)).c_str());
        input = L"bd://0";
        break;
    case ESourceForm::CdTrack:
        opts.SetOption(L"-cdrom-device", L"%ls", QuoteArgument(p.discDevice).c_str());
        input = L"cdda://" + path.substr(6);
        kind.isDisc = true;
        break;
    case ESourceForm::File: break;
    }
    opts.SetInput(input);

    const std::wstring videoDriver = p.videoDriver.empty() ? PlayerVideoDriver(p.videoOutputMode) : p.videoDriver;
    if (!videoDriver.empty()) opts.SetOption(L"-vo", L"%ls", videoDriver.c_str());
    if (p.videoDriver.empty() && (p.videoOutputMode == PLAYER_VO_GL || p.videoOutputMode == PLAYER_VO_SDL))
        opts.AddFlag(L"-nokeepaspect");
    // The picture is scaled to the window also where the output cannot scale itself (x11).
    opts.AddFlag(L"-zoom");
    opts.SetOption(L"-ao", L"%ls", p.audioDriver.empty() ? L"pulse,alsa" : p.audioDriver.c_str());
    for (const wchar_t* flag : {L"-nocache", L"-framedrop", L"-nodr", L"-double"}) opts.AddFlag(flag);
    opts.SetOption(L"-colorkey", L"0x020202");
    opts.SetOption(L"-monitorpixelaspect", L"1");
    opts.AddFlag(L"-slices");
    opts.SetOption(L"-dvdangle", L"1");
    opts.AddFlag(L"-softvol");
    opts.SetOption(L"-softvol-max", L"110");
    opts.SetOption(L"-channels", L"%ls", p.channelMode == 1 ? L"4" : p.channelMode == 2 ? L"6" : L"2");
    opts.SetOption(L"-volume", L"%d", p.muted ? 0 : p.volume);
    if (p.audioId != -1) opts.SetOption(L"-aid", L"%d", p.audioId);
    if (p.hasEntry && !kind.isDisc) opts.SetOption(L"-ss", L"%d", static_cast<int32_t>(p.resumeSeconds));
    if (p.hasEntry && !p.subtitleFile.empty()) opts.SetOption(L"-sub", L"%ls", QuoteArgument(p.subtitleFile).c_str());
    if (p.subtitleId >= 0) opts.SetOption(L"-sid", L"%d", p.subtitleId);
    if (p.videoOutputMode == PLAYER_VO_GL || p.videoOutputMode == PLAYER_VO_SDL || kind.isDisc)
        p.useFullScreenOption = false;
    opts.AddFlag(p.useFullScreenOption ? L"-fs" : L"-nofs");
    if (IsTransportStreamFile(path)) opts.SetOption(L"-demuxer", L"lavf");

    // Upright first: the user's turn is of the picture as shown.
    const std::wstring upright = UprightFilters(p);
    if (!upright.empty()) opts.AppendToOption(L"-vf", TRUE, L",", L"%ls", upright.c_str());
    if (p.rotateMode == 1 || p.rotateMode == 2)
        opts.AppendToOption(L"-vf", TRUE, L",", L"rotate=%d", p.rotateMode);
    else if (p.rotateMode == 3)
        opts.AppendToOption(L"-vf", TRUE, L",", L"harddup,flip");
    else if (p.rotateMode == 4)
        opts.AppendToOption(L"-vf", TRUE, L",", L"mirror");
    if (const wchar_t* filter = DeinterlaceFilter(p.deinterlaceMode))
        opts.AppendToOption(L"-vf", TRUE, L",", L"%ls", filter);
    if (p.playMode == PLAY_MODE_REPEAT_ONE) opts.SetOption(L"-loop", L"0");
    if (!p.cropFilter.empty()) opts.AppendToOption(L"-vf", TRUE, L",", L"crop=%ls", p.cropFilter.c_str());
    // The process priority is given to the child after its start (PlayerNiceness).
    opts.SetOption(L"-lavdopts", L"threads=%d", p.decoderThreads + 1);
    opts.SetOption(L"-osdlevel", L"%d", p.showOsd ? 3 : 0);
    if (!p.subCodePage.empty()) opts.SetOption(L"-subcp", L"%ls", p.subCodePage.c_str());
    if (!p.subFontFile.empty()) opts.SetOption(L"-font", L"%ls", QuoteArgument(p.subFontFile).c_str());
    if (p.useAssFilter)
        opts.AppendToOption(L"-vf", TRUE, L",", L"ass,screenshot");
    else
        opts.SetOption(L"-vf", L"%ls", upright.empty() ? L"screenshot" : (upright + L",screenshot").c_str());
    opts.SetOption(L"-sub-fuzziness", L"%d", p.subFuzziness);
    if (p.channelRouting == 1)
        opts.AppendToOption(L"-af", TRUE, L",", L"channels=2:2:0:1:0:0");
    else if (p.channelRouting == 2)
        opts.AppendToOption(L"-af", TRUE, L",", L"channels=2:2:1:0:1:1");
    return kind;
}
