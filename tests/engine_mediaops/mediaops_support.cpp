#include "mediaops_support.h"

#include "support/test_media.h"

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <sstream>
#include <thread>

namespace mediaopstest {

namespace {

std::mutex g_lock;
std::vector<std::wstring> g_lines;
int g_exitCode = 0;

void Record(void* line)
{
    std::lock_guard<std::mutex> lock(g_lock);
    g_lines.emplace_back(static_cast<const wchar_t*>(line));
}

int RecordTranscode(void* line, CCmdFFplay*)
{
    Record(line);
    return g_exitCode;
}

int RecordPlay(void* line, CCmdFFplay*)
{
    Record(line);
    return 0;
}

int RecordProbe(void* line, CVXMMediaBase*)
{
    Record(line);
    return g_exitCode;
}

int RecordThumbnail(const std::wstring& line, const VXM_THUMBNAIL_REQUEST&)
{
    Record(const_cast<wchar_t*>(line.c_str()));
    return g_exitCode;
}

void IgnoreQuit(CCmdFFplay*) {}

// mutagen, as taggers write each kind: argv are the kind, the file, the cover.
constexpr const char* kTagger = R"(import sys, base64, struct
kind, path, cover = sys.argv[1:4]
data = open(cover, 'rb').read()
text = {'title': 'Caf\u00e9 du matin', 'artist': 'Les Artistes', 'album': '\u6771\u4eac\u306e\u591c'}
def picture():
    from mutagen.flac import Picture
    p = Picture()
    p.type, p.mime, p.desc, p.width, p.height, p.depth, p.data = 3, 'image/jpeg', 'Cover', 300, 300, 24, data
    return p
if kind in ('flac', 'ogg', 'opus'):
    import mutagen.flac, mutagen.oggvorbis, mutagen.oggopus
    f = {'flac': mutagen.flac.FLAC, 'ogg': mutagen.oggvorbis.OggVorbis, 'opus': mutagen.oggopus.OggOpus}[kind](path)
    for k, v in text.items(): f[k.upper()] = v
    f['TRACKNUMBER'] = '3'
    if kind == 'flac': f.add_picture(picture())
    else: f['METADATA_BLOCK_PICTURE'] = base64.b64encode(picture().write()).decode('ascii')
    f.save()
elif kind == 'm4a':
    from mutagen.mp4 import MP4, MP4Cover
    f = MP4(path)
    f['\u00a9nam'], f['\u00a9ART'], f['\u00a9alb'] = text['title'], text['artist'], text['album']
    f['trkn'] = [(3, 12)]
    f['covr'] = [MP4Cover(data, MP4Cover.FORMAT_JPEG)]
    f.save()
elif kind in ('wv', 'ape', 'tta', 'mpc', 'ac3', 'dts'):
    from mutagen.apev2 import APEv2, APEValue, BINARY
    t = APEv2()
    for k, v in text.items(): t[k.capitalize()] = v
    t['Track'] = '3'
    t['Cover Art (Front)'] = APEValue(b'cover.jpg\0' + data, BINARY)
    t.save(path)
elif kind in ('wav', 'aiff', 'mp3', 'aac'):
    import mutagen.wave, mutagen.aiff
    from mutagen.id3 import ID3, TIT2, TPE1, TALB, TRCK, APIC
    frames = (TIT2(encoding=3, text=text['title']), TPE1(encoding=3, text=text['artist']),
              TALB(encoding=3, text=text['album']), TRCK(encoding=3, text='3'),
              APIC(encoding=3, mime='image/jpeg', type=3, desc='Cover', data=data))
    if kind in ('mp3', 'aac'):  # an ID3v2 tag in front
        t = ID3()
        for frame in frames: t.add(frame)
        t.save(path, v2_version=3)
    else:  # an id3 chunk
        f = (mutagen.wave.WAVE if kind == 'wav' else mutagen.aiff.AIFF)(path)
        f.add_tags()
        for frame in frames: f.tags.add(frame)
        f.save()
elif kind == 'wma':
    from mutagen.asf import ASF, ASFByteArrayAttribute
    f = ASF(path)
    f['Title'], f['Author'], f['WM/AlbumTitle'], f['WM/TrackNumber'] = text['title'], text['artist'], text['album'], '3'
    mime = 'image/jpeg'.encode('utf-16-le') + b'\0\0'
    f['WM/Picture'] = [ASFByteArrayAttribute(struct.pack('<BI', 3, len(data)) + mime + b'\0\0' + data)]
    f.save()
else:
    sys.exit(2)
)";

}  // namespace

CRecordingWindow::CRecordingWindow()
    : m_window([this](HWND, UINT message, WPARAM wParam, LPARAM lParam) -> LRESULT {
          CPosted posted{message, static_cast<long long>(wParam), lParam, {}};
          if (message == WM_VXM_JOIN_FINISHED && lParam) {
              auto* text = reinterpret_cast<wchar_t*>(lParam);
              posted.text = text;
              delete[] text;
          }
          m_messages.push_back(posted);
          return 0;
      })
{
}

bool CRecordingWindow::WaitFor(UINT message)
{
    for (PumpThreadMessages(); CountOf(message) == 0; PumpThreadMessages())
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    return true;
}

void CRecordingWindow::Pump()
{
    PumpThreadMessages();
}

int CRecordingWindow::CountOf(UINT message) const
{
    int count = 0;
    for (const CPosted& posted : m_messages)
        count += posted.message == message;
    return count;
}

CRecordingSeam::CRecordingSeam(int exitCode) : m_saved(g_RunnerHooks)
{
    {
        std::lock_guard<std::mutex> lock(g_lock);
        g_lines.clear();
        g_exitCode = exitCode;
    }
    g_RunnerHooks.pfnTranscode = &RecordTranscode;
    g_RunnerHooks.pfnPlay = &RecordPlay;
    g_RunnerHooks.pfnProbe = &RecordProbe;
    g_RunnerHooks.pfnRequestPlayerQuit = &IgnoreQuit;
    g_RunnerHooks.pfnThumbnail = &RecordThumbnail;
}

CRecordingSeam::~CRecordingSeam()
{
    g_RunnerHooks = m_saved;
}

std::vector<std::wstring> CRecordingSeam::Lines() const
{
    std::lock_guard<std::mutex> lock(g_lock);
    return g_lines;
}

std::wstring W(const std::string& text)
{
    return std::wstring(text.begin(), text.end());
}

std::string N(const std::wstring& text)
{
    return std::string(text.begin(), text.end());
}

int ProbeDurationMs(const std::string& path)
{
    std::string out;
    if (vxmtest::RunProgram({"ffprobe", "-v", "error", "-show_entries", "format=duration", "-of",
                             "default=nw=1:nk=1", path},
                            &out) != 0)
        return -1;
    return static_cast<int>(std::lround(std::atof(out.c_str()) * 1000.0));
}

int CountStreams(const std::string& path, const std::string& kind)
{
    std::string out;
    if (vxmtest::RunProgram({"ffprobe", "-v", "error", "-select_streams", kind, "-show_entries", "stream=index", "-of",
                             "csv=p=0", path},
                            &out) != 0)
        return -1;
    // A program lists its streams once more (MPEG-TS): each index counts once.
    std::set<std::string> indexes;
    std::istringstream lines(out);
    for (std::string line; std::getline(lines, line);)
        if (!line.empty())
            indexes.insert(line);
    return static_cast<int>(indexes.size());
}

bool TagLikeTaggers(const std::string& path, const std::string& cover)
{
    const std::string ext = std::filesystem::path(path).extension().string().substr(1);
    if (ext != "mka")
        return vxmtest::RunProgram({"/usr/bin/python3", "-c", kTagger, ext, path, cover}) == 0;
    // Matroska: tags and the cover as an attachment, as mkvpropedit adds them.
    const std::string tagged = path + ".tagged.mka";
    if (!vxmtest::RunFfmpeg({"-i", path, "-map", "0", "-c", "copy", "-attach", cover, "-metadata:s:t",
                             "mimetype=image/jpeg", "-metadata:s:t", "filename=cover.jpg", "-metadata",
                             "title=Caf\xc3\xa9 du matin", "-metadata", "artist=Les Artistes", "-metadata",
                             "album=\xe6\x9d\xb1\xe4\xba\xac\xe3\x81\xae\xe5\xa4\x9c", tagged}))
        return false;
    std::error_code error;
    std::filesystem::rename(tagged, path, error);
    return !error;
}

bool MakeCover(const std::string& path)
{
    return vxmtest::RunFfmpeg({"-f", "lavfi", "-i", "testsrc=s=300x300", "-frames:v", "1", path});
}

std::string StreamShape(const std::string& path)
{
    std::string out;
    if (vxmtest::RunProgram({"ffprobe", "-v", "error", "-count_packets", "-show_entries",
                             "stream=codec_type,nb_read_packets:stream_disposition=attached_pic", "-of", "csv=p=0",
                             path},
                            &out) != 0)
        return "?";
    std::string shape;
    std::istringstream lines(out);
    for (std::string line; std::getline(lines, line);) {
        // codec_type,nb_read_packets,attached_pic
        std::istringstream fields(line);
        std::string type, packets, picture;
        if (!std::getline(fields, type, ',') || !std::getline(fields, packets, ',')) continue;
        std::getline(fields, picture, ',');
        const long count = std::atol(packets.c_str());
        if (picture == "1")
            shape += 'p';
        else if (type == "attachment")
            shape += 't';
        else if (count == 0 && (type == "audio" || type == "video"))
            shape += '0';
        else if (type == "video" && count == 1)
            shape += 'i';
        else
            shape += type.empty() ? '?' : type[0];
    }
    return shape;
}

}  // namespace mediaopstest
