#include "VXMMediaBase.h"

#include "EngineHooks.h"
#include "EngineLog.h"
#include "platform/text.h"
#include "platform/thread.h"
#include "platform/paths.h"

#include <SDL.h>

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace {

constexpr const char* kLogCategory = "CVXMMediaBase";

std::wstring NarrowToWide(const char* text)
{
    return text ? Utf8ToWide(text) : std::wstring();
}

// A copy of a surface in its own format; null for null.
SDL_Surface* DuplicateSurface(SDL_Surface* surface)
{
    return surface ? SDL_ConvertSurface(surface, surface->format, surface->flags) : nullptr;
}

void FreeSurface(SDL_Surface*& surface)
{
    if (surface) {
        SDL_FreeSurface(surface);
        surface = nullptr;
    }
}

template <class T>
void CopyRecords(std::list<std::unique_ptr<T>>& to, const std::list<std::unique_ptr<T>>& from)
{
    for (const auto& record : from)
        to.push_back(std::make_unique<T>(*record));
}

template <class T>
T* RecordAt(const std::list<std::unique_ptr<T>>& list, int index)
{
    if (index < 0 || static_cast<size_t>(index) >= list.size())
        return nullptr;
    auto it = list.begin();
    std::advance(it, index);
    return it->get();
}

// The record whose id is `id`, else the first one; null for an empty list.
template <class T>
T* RecordWithIdOrFirst(const std::list<std::unique_ptr<T>>& list, int id)
{
    if (list.empty())
        return nullptr;
    for (const auto& record : list)
        if (record->m_nId == id)
            return record.get();
    return list.front().get();
}

// Deletes a file when it is there; silent otherwise.
void DeleteIfPresent(const std::wstring& path)
{
    std::error_code ec;
    std::filesystem::remove(PathFromWide(path), ec);
}

}  // namespace

VXM_STREAM_SELECTION::VXM_STREAM_SELECTION(const VXM_STREAM_SELECTION& other)
    : m_pOverrides(other.m_pOverrides ? std::make_unique<VXM_PARAM_OVERRIDES>(*other.m_pOverrides) : nullptr),
      m_nVideo(other.m_nVideo),
      m_nAudio(other.m_nAudio),
      m_nSubtitle(other.m_nSubtitle)
{
}

CVXMMediaBase::CVXMMediaBase() : m_hPauseEvent(std::make_unique<CEvent>(true, true)) {}

CVXMMediaBase::CVXMMediaBase(const CVXMMediaBase& other)
    : m_strSourcePath(other.m_strSourcePath),
      m_strSourceFolder(other.m_strSourceFolder),
      m_strSourceTitle(other.m_strSourceTitle),
      m_strSourceExt(other.m_strSourceExt),
      m_strAux1(other.m_strAux1),
      m_nDuration(other.m_nDuration),
      m_nStartTime(other.m_nStartTime),
      m_nEndTime(other.m_nEndTime),
      m_bHasVideo(other.m_bHasVideo),
      m_nVideoStreamIndex(other.m_nVideoStreamIndex),
      m_bHasAudio(other.m_bHasAudio),
      m_nAudioTrackId(other.m_nAudioTrackId),
      m_nSubtitleId(other.m_nSubtitleId),
      m_strTempFile(other.m_strTempFile),
      m_mapMetadata(other.m_mapMetadata),
      m_strPassLogFile(other.m_strPassLogFile),
      m_strOutputFile(other.m_strOutputFile),
      m_strAux5(other.m_strAux5),
      m_strAux6(other.m_strAux6),
      m_strTempOutput(other.m_strTempOutput),
      m_strOutputName(other.m_strOutputName),
      m_strOutputFolder(other.m_strOutputFolder),
      m_strThumbnailPath(other.m_strThumbnailPath),
      m_strSnapshotFolder(other.m_strSnapshotFolder),
      m_nMediaKind(other.m_nMediaKind),
      m_strCDDrive(other.m_strCDDrive),
      m_strDiscPath(other.m_strDiscPath),
      m_strInputOptions(other.m_strInputOptions),
      m_nProtected(other.m_nProtected),
      m_bBurnNaming(other.m_bBurnNaming),
      m_lstClipSegments(other.m_lstClipSegments),
      m_nAux36(other.m_nAux36),
      m_nAux16(other.m_nAux16),
      m_hClipEditorWnd(other.m_hClipEditorWnd),
      m_nCropLeft(other.m_nCropLeft),
      m_nCropTop(other.m_nCropTop),
      m_nCropWidth(other.m_nCropWidth),
      m_nCropHeight(other.m_nCropHeight),
      m_nBrightness(other.m_nBrightness),
      m_nContrast(other.m_nContrast),
      m_nSaturation(other.m_nSaturation),
      m_nEffectId(other.m_nEffectId),
      m_nRotate(other.m_nRotate),
      m_bFlipVertical(other.m_bFlipVertical),
      m_bFlipHorizontal(other.m_bFlipHorizontal),
      m_bRotateFirst(other.m_bRotateFirst),
      m_hEffectEditorWnd(other.m_hEffectEditorWnd),
      m_n3DMode(other.m_n3DMode),
      m_n3DOutput(other.m_n3DOutput),
      m_n3DDepth(other.m_n3DDepth),
      m_n3DWidth(other.m_n3DWidth),
      m_n3DHeight(other.m_n3DHeight),
      m_d3DDisplayRatio(other.m_d3DDisplayRatio),
      m_n3DAux3(other.m_n3DAux3),
      m_wmImage(other.m_wmImage),
      m_wmText(other.m_wmText),
      m_str3DIndexFile(other.m_str3DIndexFile),
      m_str3DScriptFile(other.m_str3DScriptFile),
      m_hPreviewWnd(other.m_hPreviewWnd),
      m_pSelection(other.m_pSelection ? std::make_unique<VXM_STREAM_SELECTION>(*other.m_pSelection) : nullptr),
      m_bNoAudio(other.m_bNoAudio),
      m_bNoSubtitle(other.m_bNoSubtitle),
      m_hPauseEvent(std::make_unique<CEvent>(true, true)),
      m_bDoubleLength(other.m_bDoubleLength),
      // The join media are not copied, so neither is the flag that says there are some.
      m_bHasJoinList(0),
      m_nWatermarkTransparency(other.m_nWatermarkTransparency)
{
    CopyRecords(m_lstVideo, other.m_lstVideo);
    CopyRecords(m_lstAudio, other.m_lstAudio);
    CopyRecords(m_lstSubtitle, other.m_lstSubtitle);
    m_pImageWatermark = DuplicateSurface(other.m_pImageWatermark);
    m_pTextWatermark = DuplicateSurface(other.m_pTextWatermark);
}

CVXMMediaBase::~CVXMMediaBase()
{
    StopAndJoinAll();
    FreeSurface(m_pImageWatermarkScaled);
    FreeSurface(m_pImageWatermark);
    FreeSurface(m_pTextWatermark);
}

void CVXMMediaBase::StopAndJoinAll()
{
    bool anyRunner = m_pProbeRunner || m_pPreviewRunner || m_pConvertRunner || m_pThumbnailRunner;
    if (anyRunner || m_hMonitorThread) {
        if (g_EngineHooks.pfnStopMediaRunners)
            g_EngineHooks.pfnStopMediaRunners(*this);
        else if (anyRunner)
            LogMessageA(kLogCategory, "runners of \"%s\" cannot be stopped: no job runner is built in",
                        WideToUtf8(m_strSourcePath).c_str());
    }
    if (m_hMonitorThread) {
        m_hMonitorThread->Stop();
        m_hMonitorThread->Join();
        m_hMonitorThread.reset();
        m_nMonitorThreadId = 0;
    }
}

int CVXMMediaBase::GetEffectiveDuration() const
{
    std::vector<const CVXMMediaBase*> path;
    return EffectiveDurationGuarded(path);
}

int CVXMMediaBase::EffectiveDurationGuarded(std::vector<const CVXMMediaBase*>& path) const
{
    int length = m_nDuration;
    if (m_nStartTime != 0 || m_nEndTime != 0) {
        // An end of 0 means no end trim: the clip runs to the end of the source.
        int end = m_nEndTime != 0 ? m_nEndTime : m_nDuration;
        length = std::max(0, end - m_nStartTime);
    }
    if (m_bDoubleLength)
        length *= 2;
    path.push_back(this);
    for (IVXMMedia* joined : m_lstJoin) {
        auto* data = dynamic_cast<const CVXMMediaBase*>(joined);
        // A media already on the way here would count for ever: skip it.
        if (!data || std::find(path.begin(), path.end(), data) != path.end())
            continue;
        length += data->EffectiveDurationGuarded(path);
    }
    path.pop_back();
    return length;
}

VXM_VIDEO_STREAM* CVXMMediaBase::FindSelectedVideoStream() const
{
    if (m_lstVideo.empty())
        return nullptr;
    for (const auto& stream : m_lstVideo)
        if (stream->m_nStreamIndex == m_nVideoStreamIndex)
            return stream.get();
    for (const auto& stream : m_lstVideo)
        if (stream->m_dFrameRate != 0.0)
            return stream.get();
    return m_lstVideo.front().get();
}

IVXMVideo* CVXMMediaBase::GetSelectedVideoStream() const
{
    if (VXM_VIDEO_STREAM* stream = FindSelectedVideoStream())
        return stream;
    if (m_nMediaKind == 1 || m_nMediaKind == 2) {
        // DVD titles and CD tracks keep their streams in lists of their own.
        auto* media = dynamic_cast<IVXMMedia*>(const_cast<CVXMMediaBase*>(this));
        if (media)
            return media->GetVideoStream();
    }
    return nullptr;
}

VXM_VIDEO_STREAM* CVXMMediaBase::GetVideoStreamAt(int index) const
{
    return RecordAt(m_lstVideo, index);
}

VXM_AUDIO_TRACK* CVXMMediaBase::GetAudioTrackAt(int index) const
{
    return RecordAt(m_lstAudio, index);
}

VXM_SUBTITLE* CVXMMediaBase::GetSubtitleAt(int index) const
{
    return RecordAt(m_lstSubtitle, index);
}

VXM_AUDIO_TRACK* CVXMMediaBase::FindSelectedAudioTrack() const
{
    return RecordWithIdOrFirst(m_lstAudio, m_nAudioTrackId);
}

VXM_SUBTITLE* CVXMMediaBase::FindSelectedSubtitle() const
{
    return RecordWithIdOrFirst(m_lstSubtitle, m_nSubtitleId);
}

void CVXMMediaBase::AddAudioTrack(const char* language, const char* description, const char* codec,
                                  const char* bitrateText, const char* infoText, int channels, int infoValue,
                                  const char* infoText2, int id, int id2, int bitrate, int sampleRate)
{
    (void)bitrateText;  // the record keeps the bit rate as a number only
    auto track = std::make_unique<VXM_AUDIO_TRACK>();
    track->m_strCodecName = ToUpperW(NarrowToWide(codec));
    track->m_nBitrate = bitrate;
    track->m_nSampleRate = sampleRate;
    track->m_strInfoText = NarrowToWide(infoText);
    track->m_nChannels = channels;
    track->m_nInfoValue = infoValue;
    track->m_strInfoText2 = NarrowToWide(infoText2);
    track->m_nId = id;
    track->m_nId2 = id2;
    track->m_strLanguage = NarrowToWide(language);
    track->m_strDescription = NarrowToWide(description);
    track->m_strLanguageText = track->m_strLanguage;
    track->m_strDisplayName = FormatW(L"%s %d KHz %d Kbps %d CH", track->m_strCodecName.c_str(), sampleRate / 1000,
                                      bitrate / 1000, channels);
    m_lstAudio.push_back(std::move(track));
}

void CVXMMediaBase::AddSubtitle(const char* description, const char* language, const char* infoText, int id, int id2)
{
    auto subtitle = std::make_unique<VXM_SUBTITLE>();
    subtitle->m_nId = id;
    subtitle->m_nId2 = id2;
    subtitle->m_strLanguage = NarrowToWide(language);
    subtitle->m_strDescription = NarrowToWide(description);
    subtitle->m_strLanguageText = subtitle->m_strLanguage;
    subtitle->m_strInfoText = NarrowToWide(infoText);
    subtitle->m_strDisplayName = FormatW(L"Subtitle %d", static_cast<int>(m_lstSubtitle.size()) + 1);
    m_lstSubtitle.push_back(std::move(subtitle));
}

bool CVXMMediaBase::JoinListReaches(const CVXMMediaBase* target, std::vector<const CVXMMediaBase*>& seen) const
{
    if (this == target)
        return true;
    if (std::find(seen.begin(), seen.end(), this) != seen.end())
        return false;
    seen.push_back(this);
    for (IVXMMedia* joined : m_lstJoin) {
        auto* data = dynamic_cast<const CVXMMediaBase*>(joined);
        if (data && data->JoinListReaches(target, seen))
            return true;
    }
    return false;
}

void CVXMMediaBase::AddJoinMedia(IVXMMedia* media)
{
    if (!media || std::find(m_lstJoin.begin(), m_lstJoin.end(), media) != m_lstJoin.end())
        return;
    // Joining a media to itself, directly or through another join list,
    // would make a loop of joins.
    if (auto* data = dynamic_cast<const CVXMMediaBase*>(media)) {
        std::vector<const CVXMMediaBase*> seen;
        if (data->JoinListReaches(this, seen)) {
            LogMessageA(kLogCategory, "join of \"%s\" refused: it would join \"%s\" to itself",
                        WideToUtf8(data->m_strSourcePath).c_str(), WideToUtf8(m_strSourcePath).c_str());
            return;
        }
    }
    m_lstJoin.push_back(media);
    m_bHasJoinList = 1;
}

void CVXMMediaBase::ClearJoinList()
{
    m_lstJoin.clear();
    m_bHasJoinList = 0;
}

void CVXMMediaBase::SetStreamSelection(int video, int audio, int subtitle,
                                       std::unique_ptr<VXM_PARAM_OVERRIDES> overrides)
{
    auto selection = std::make_unique<VXM_STREAM_SELECTION>();
    selection->m_pOverrides = std::move(overrides);
    selection->m_nVideo = video;
    selection->m_nAudio = audio;
    selection->m_nSubtitle = subtitle;
    m_pSelection = std::move(selection);
}

int CVXMMediaBase::IsCropped() const
{
    IVXMVideo* video = GetSelectedVideoStream();
    if (!video)
        return 0;
    if (m_nCropLeft != 0)
        return 1;
    if (m_nCropTop == 0 && m_nCropWidth == 0 && m_nCropHeight == 0)
        return 0;
    if (m_nCropTop != 0)
        return 1;
    return (m_nCropWidth == video->GetWidth() && m_nCropHeight == video->GetHeight()) ? 0 : 1;
}

int CVXMMediaBase::HasPictureAdjustment() const
{
    return (m_nBrightness != 0 || m_nSaturation != 0 || m_nContrast != 0 || m_nEffectId > 0) ? 1 : 0;
}

int CVXMMediaBase::Get3DState() const
{
    if (m_n3DMode == -1 || m_n3DOutput == -1 || m_n3DDepth == 0)
        return -1;
    if (m_n3DMode == 10 || m_n3DMode == 11)
        return 0;
    return 1;
}

void CVXMMediaBase::DeletePassLogFiles()
{
    if (m_strPassLogFile.empty())
        return;
    DeleteIfPresent(m_strPassLogFile);
    DeleteIfPresent(m_strPassLogFile + L".mbtree");
    m_strPassLogFile.clear();
}

void CVXMMediaBase::DeleteOverlayFiles()
{
    for (const std::wstring& path : m_vecOverlayFiles)
        DeleteIfPresent(path);
    m_vecOverlayFiles.clear();
}

void CVXMMediaBase::DeleteJobTempFiles()
{
    for (const std::wstring& path : m_vecJobTempFiles)
        DeleteIfPresent(path);
    m_vecJobTempFiles.clear();
}

void CVXMMediaBase::CopySourceFileTimes()
{
    if (!g_EngineHooks.pfnIsUseSrcFileTimeSet || !g_EngineHooks.pfnIsUseSrcFileTimeSet())
        return;
    if (m_strSourcePath.empty() || m_strOutputFile.empty())
        return;
    std::error_code ec;
    auto source = PathFromWide(m_strSourcePath);
    auto output = PathFromWide(m_strOutputFile);
    auto time = std::filesystem::last_write_time(source, ec);
    if (ec || !std::filesystem::is_regular_file(output, ec))
        return;
    std::filesystem::last_write_time(output, time, ec);
}

void CVXMMediaBase::SetOutputFolder(const std::wstring& folder)
{
    m_strOutputFolder = folder;
    if (!m_strOutputFolder.empty() && (m_strOutputFolder.back() == L'/' || m_strOutputFolder.back() == L'\\'))
        m_strOutputFolder.pop_back();
}
