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
};

struct CFilterRow {
    const wchar_t* name;
    const wchar_t* patterns;
};

const CFilterRow kMediaFilters[] = {
    {L"Media Files (all types)", L"*.wmv;*.asf;*.avi;*.mp4;*.mpeg4;*.mov;*.3gp;*.3g2;*.3gp2;*.3gpp;*.m2ts;*.mts;*.ts;*.tp;*.flv;*.f4v;*.rm;*.rv;*.rmvb;*.mpg;*.mpeg;*.mpeg1;*.mpeg2;*.trp;*.m2p;*.m2t;*.mod;*.vob;*.dv;*.m1v;*.m2v;*.mkv;*.m4v;*.dvr-ms;*.ms-dvr;*.qt;*.dat;*.avs;*.amv;*.divx;*.ogm;*.ogv;*.mpv;*.mpe;*.vro;*.ogg;*.tod;*.nsv;*.iso;*.webm;*.mxf;*.au;*.aif;*.aiff;*.aifc;*.aac;*.ac3;*.adts;*.alaw;*.amr;*.apc;*.ape;*.cue;*.caf;*.dts;*.gsd;*.gsm;*.flac;*.mka;*.mlp;*.mmf;*.m4a;*.m4r;*.mp1;*.mp2;*.mp3;*.mpeg3;*.m4b;*.mpga;*.mpc;*.mp+;*.m2a;*.nut;*.ogg;*.oma;*.qcp;*.ra;*.ram;*.rmj;*.shn;*.tta;*.voc;*.w64;*.wav;*.wv;*.wma;*.xa;*.bik;*.r3d;*.mvi;*.f4f"},
    {L"Windows Media Files (*.avi;*.wmv;*.asf;*.dvr-ms;*.ms-dvr)", L"*.avi;*.wmv;*.asf;*.dvr-ms;*.ms-dvr"},
    {L"MOV/MP4 Files (*.mov;*.mp4;*.3gp;*.3g2;*.m4v;*.qt;*.3gp2;*.3gpp;*.mpeg4)", L"*.mov;*.mp4;*.3gp;*.3g2;*.m4v;*.qt;*.3gp2;*.3gpp;*.mpeg4"},
    {L"Real Media Files (*.rm;*.rmvb;*.rv)", L"*.rm;*.rmvb;*.rv"},
    {L"Flash Video Files (*.flv;*.f4v)", L"*.flv;*.f4v"},
    {L"Matroska Video Files (*.mkv, *.webm)", L"*.mkv;*.webm"},
    {L"AviSynth Scripts (*.avs)", L"*.avs"},
    {L"High Definition Video File (*.m2ts;*.mts;*.tod)", L"*.m2ts;*.mts;*.tod"},
    {L"MPEG-1 Video Files (*.m1v;*.mpe;*.mpg;*.mpv;*.dat;*.mpeg;*.mpeg1)", L"*.m1v;*.mpe;*.mpg;*.mpv;*.dat;*.mpeg;*.mpeg1"},
    {L"MPEG-2 Video Files (*.m2v;*.mpe;*.mpg;*.mpv;*.vob;*.mpeg;*.mpeg2;*.m2p;*.mod)", L"*.m2v;*.mpe;*.mpg;*.mpv;*.vob;*.mpeg;*.mpeg2;*.m2p;*.mod"},
    {L"MPEG Transport Stream Files (*.ts;*.tp;*.m2t;*.trp)", L"*.ts;*.tp;*.m2t;*.trp"},
    {L"Divx Video Files (*.divx)", L"*.divx"},
    {L"Ogg Media Files (*.ogm;*.ogv;*.ogg)", L"*.ogm;*.ogv;*.ogg"},
    {L"DVD-VR Video Files (*.vro)", L"*.vro"},
    {L"Nullsoft Stream Video Files (*.nsv)", L"*.nsv"},
    {L"ISO Image (*.iso)", L"*.iso"},
    {L"Material eXchange Format Files (*.mxf)", L"*.mxf"},
    {L"Other Video Files (*.dv;*.amv;*.gxf)", L"*.dv;*.amv;*.gxf"},
    {L"Audio Files (all types)", L"*.au;*.aif;*.aiff;*.aifc;*.aac;*.ac3;*.adts;*.alaw;*.amr;*.apc;*.ape;*.cue;*.caf;*.dts;*.gsd;*.gsm;*.flac;*.mka;*.mlp;*.mmf;*.m4a;*.m4r;*.mp1;*.mp2;*.mp3;*.mpeg3;*.m4b;*.mpga;*.mpc;*.mp+;*.m2a;*.nut;*.ogg;*.oma;*.qcp;*.ra;*.ram;*.rmj;*.shn;*.tta;*.voc;*.w64;*.wav;*.wv;*.wma;*.xa"},
    {L"MP3 Files (*.mp3)", L"*.mp3"},
    {L"WAV Files (*.wav)", L"*.wav"},
    {L"WMA Files (*.wma)", L"*.wma"},
    {L"FLAC Files (*.flac)", L"*.flac"},
    {L"AC3 Files (*.ac3)", L"*.ac3"},
    {L"AAC Files (*.aac)", L"*.aac"},
    {L"M4A Files (*.m4a;*.m4r)", L"*.m4a;*.m4r"},
    {L"OGG Files (*.ogg)", L"*.ogg"},
    {L"AMR Files (*.amr)", L"*.amr"},
    {L"Bink Video Files (*.bik)", L"*.bik"},
    {L"Red Digital Camera Recording Files (*.r3d)", L"*.r3d"},
    {L"Canon Powershot Recording Fiels (*.mvi)", L"*.mvi"},
    {L"Adobe Fragmented Files (*.f4f)", L"*.f4f"},
    {L"All Files (*.*)", L"*.*"},
};

std::vector<CFileFilter> Build(const CFilterRow* rows, size_t count)
{
    std::vector<CFileFilter> out;
    for (size_t i = 0; i < count; ++i) {
        CFileFilter filter;
        filter.name = rows[i].name;
        std::wstring list = rows[i].patterns;
        size_t start = 0;
        while (start <= list.size()) {
            size_t end = list.find(L';', start);
            if (end == std::wstring::npos) end = list.size();
            if (end > start) filter.patterns.push_back(list.substr(start, end - start));
            start = end + 1;
        }
        out.push_back(std::move(filter));
    }
    return out;
}

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

std::vector<CFileFilter> MediaFileFilters() { return Build(kMediaFilters, std::size(kMediaFilters)); }

std::vector<CFileFilter> AudioFileFilters()
{
    static const CFilterRow rows[] = {{L"Audio Files", L"*.mp3;*.wav;*.wma;*.m4a;*.ogg;*.aac"}, {L"All Files (*.*)", L"*.*"}};
    return Build(rows, std::size(rows));
}

std::vector<CFileFilter> SubtitleFileFilters()
{
    static const CFilterRow rows[] = {{L"Subtitle Files", L"*.srt;*.ass"}, {L"All Files (*.*)", L"*.*"}};
    return Build(rows, std::size(rows));
}

std::vector<CFileFilter> DVDImageFileFilters()
{
    static const CFilterRow rows[] = {{L"DVD Image Files", L"*.iso"}, {L"All Files (*.*)", L"*.*"}};
    return Build(rows, std::size(rows));
}
