#include "MediaFileTypes.h"

#include "platform/text.h"

#include <algorithm>

namespace {

const wchar_t* const kPatterns[] = {
    L"*.wmv", L"*.asf", L"*.avi", L"*.mp4", L"*.mpeg4", L"*.mov", L"*.3gp", L"*.3gp2", L"*.3gpp", L"*.flv",
    L"*.f4v", L"*.rm", L"*.rmvb", L"*.mpg", L"*.vob", L"*.dv", L"*.mpeg", L"*.mpeg1", L"*.mpeg2", L"*.m2p",
    L"*.mod", L"*.m1v", L"*.m2v", L"*.mkv", L"*.m4v", L"*.webm", L"*.dvr-ms", L"*.ms-dvr", L"*.m2t", L"*.qt",
    L"*.dat", L"*.avs", L"*.tod", L"*.amv", L"*.3g2", L"*.m2ts", L"*.mts", L"*.ts", L"*.tp", L"*.ogm",
    L"*.ogv", L"*.ogg", L"*.rv", L"*.trp", L"*.nsv", L"*.iso", L"*.mxf", L"*.gxf", L"*.au", L"*.aif",
    L"*.aiff", L"*.aifc", L"*.aac", L"*.ac3", L"*.adts", L"*.alaw", L"*.amr", L"*.apc", L"*.ape", L"*.cue",
    L"*.caf", L"*.dts", L"*.gsd", L"*.gsm", L"*.flac", L"*.mka", L"*.mlp", L"*.mmf", L"*.m4a", L"*.m4r",
    L"*.mp1", L"*.mp2", L"*.mp3", L"*.mpeg3", L"*.m4b", L"*.mpga", L"*.mpc", L"*.mp+", L"*.m2a", L"*.nut",
    L"*.oma", L"*.qcp", L"*.ra", L"*.ram", L"*.rmj", L"*.shn", L"*.tta", L"*.voc", L"*.w64", L"*.wav",
    L"*.wv", L"*.wma", L"*.xa", L"*.bik", L"*.r3d", L"*.mvi", L"*.f4f",
    // What the catalogue writes besides.
    L"*.opus", L"*.gif", L"*.swf",
};

// The add-files dialog's filters as the choosers read them ("Name|patterns|..."),
// after the first one, all media, which is made of them.
const wchar_t kMediaFilters[] =
    L"Windows Media Files (*.avi;*.wmv;*.asf;*.dvr-ms;*.ms-dvr)|*.avi;*.wmv;*.asf;*.dvr-ms;*.ms-dvr|"
    L"MOV/MP4 Files (*.mov;*.mp4;*.3gp;*.3g2;*.m4v;*.qt;*.3gp2;*.3gpp;*.mpeg4)|*.mov;*.mp4;*.3gp;*.3g2;*.m4v;*.qt;*.3gp2;*.3gpp;*.mpeg4|"
    L"Real Media Files (*.rm;*.rmvb;*.rv)|*.rm;*.rmvb;*.rv|"
    L"Flash Video Files (*.flv;*.f4v;*.swf)|*.flv;*.f4v;*.swf|"
    L"Matroska Video Files (*.mkv, *.webm)|*.mkv;*.webm|"
    L"AviSynth Scripts (*.avs)|*.avs|"
    L"High Definition Video File (*.m2ts;*.mts;*.tod)|*.m2ts;*.mts;*.tod|"
    L"MPEG-1 Video Files (*.m1v;*.mpe;*.mpg;*.mpv;*.dat;*.mpeg;*.mpeg1)|*.m1v;*.mpe;*.mpg;*.mpv;*.dat;*.mpeg;*.mpeg1|"
    L"MPEG-2 Video Files (*.m2v;*.mpe;*.mpg;*.mpv;*.vob;*.mpeg;*.mpeg2;*.m2p;*.mod)|*.m2v;*.mpe;*.mpg;*.mpv;*.vob;*.mpeg;*.mpeg2;*.m2p;*.mod|"
    L"MPEG Transport Stream Files (*.ts;*.tp;*.m2t;*.trp)|*.ts;*.tp;*.m2t;*.trp|"
    L"Divx Video Files (*.divx)|*.divx|"
    L"Ogg Media Files (*.ogm;*.ogv;*.ogg)|*.ogm;*.ogv;*.ogg|"
    L"DVD-VR Video Files (*.vro)|*.vro|"
    L"Nullsoft Stream Video Files (*.nsv)|*.nsv|"
    L"ISO Image (*.iso)|*.iso|"
    L"Material eXchange Format Files (*.mxf)|*.mxf|"
    L"Other Video Files (*.dv;*.amv;*.gxf;*.gif)|*.dv;*.amv;*.gxf;*.gif|"
    L"Audio Files (all types)|*.au;*.aif;*.aiff;*.aifc;*.aac;*.ac3;*.adts;*.alaw;*.amr;*.apc;*.ape;*.cue;*.caf;*.dts;*.gsd;*.gsm;*.flac;*.mka;*.mlp;*.mmf;*.m4a;*.m4r;*.mp1;*.mp2;*.mp3;*.mpeg3;*.m4b;*.mpga;*.mpc;*.mp+;*.m2a;*.nut;*.ogg;*.oma;*.opus;*.qcp;*.ra;*.ram;*.rmj;*.shn;*.tta;*.voc;*.w64;*.wav;*.wv;*.wma;*.xa|"
    L"MP3 Files (*.mp3)|*.mp3|"
    L"WAV Files (*.wav)|*.wav|"
    L"WMA Files (*.wma)|*.wma|"
    L"FLAC Files (*.flac)|*.flac|"
    L"AC3 Files (*.ac3)|*.ac3|"
    L"AAC Files (*.aac)|*.aac|"
    L"M4A Files (*.m4a;*.m4r)|*.m4a;*.m4r|"
    L"OGG Files (*.ogg;*.opus)|*.ogg;*.opus|"
    L"AMR Files (*.amr)|*.amr|"
    L"Bink Video Files (*.bik)|*.bik|"
    L"Red Digital Camera Recording Files (*.r3d)|*.r3d|"
    L"Canon Powershot Recording Fiels (*.mvi)|*.mvi|"
    L"Adobe Fragmented Files (*.f4f)|*.f4f|"
    L"All Files (*.*)|*.*|";

}  // namespace

const std::vector<std::wstring>& SupportedMediaPatterns()
{
    static const std::vector<std::wstring> patterns(std::begin(kPatterns), std::end(kPatterns));
    return patterns;
}

bool IsSupportedMediaFile(const std::wstring& path)
{
    // The extension of the last path part only: a dot in a folder name is no extension.
    size_t slash = path.find_last_of(L"/\\");
    size_t dot = path.rfind(L'.');
    if (dot == std::wstring::npos || (slash != std::wstring::npos && dot < slash)) return false;
    if (dot + 1 >= path.size()) return false;
    const std::wstring pattern = L"*" + ToLowerW(path.substr(dot));
    const auto& patterns = SupportedMediaPatterns();
    return std::find(patterns.begin(), patterns.end(), pattern) != patterns.end();
}

std::vector<CFileFilter> MediaFileFilters()
{
    std::vector<CFileFilter> filters = ParseFileFilters(kMediaFilters);
    // All media: the patterns of every filter but the last, all files.
    CFileFilter all{L"Media Files (all types)", {}};
    for (size_t i = 0; i + 1 < filters.size(); ++i)
        for (const std::wstring& pattern : filters[i].patterns)
            if (std::find(all.patterns.begin(), all.patterns.end(), pattern) == all.patterns.end())
                all.patterns.push_back(pattern);
    filters.insert(filters.begin(), std::move(all));
    return filters;
}

std::vector<CFileFilter> AudioFileFilters()
{
    return ParseFileFilters(L"Audio Files|*.mp3;*.wav;*.wma;*.m4a;*.ogg;*.aac|All Files (*.*)|*.*|");
}

std::vector<CFileFilter> SubtitleFileFilters()
{
    return ParseFileFilters(L"Subtitle Files|*.srt;*.ssa;*.ass|All Files (*.*)|*.*|");
}

std::vector<CFileFilter> DVDImageFileFilters()
{
    return ParseFileFilters(L"DVD Image Files|*.iso|All Files (*.*)|*.*|");
}
