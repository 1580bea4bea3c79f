// Reading an audio CD's tracks: the disc is probed through the "libcdio"
// input, whose chapters are the tracks.
#include "VXMDiscFile.h"

#include <new>

#include "EngineHooks.h"
#include "EngineLog.h"
#include "VXMDiscAudioTrack.h"
#include "VXMMediaImpl.h"
#include "platform/text.h"

namespace {
constexpr const char* kLogCategory = "CVXMDiscFileImpl";
}

IVXMDiscFile* NewDiscFileObject()
{
    return new (std::nothrow) CVXMDiscFileImpl();
}

CVXMDiscFileImpl::~CVXMDiscFileImpl()
{
    FreeTracks();
}

void CVXMDiscFileImpl::FreeTracks()
{
    for (size_t i = 0; i < m_vecTracks.size(); ++i)
        if (!m_vecHandedOut[i])
            delete m_vecTracks[i];
    m_vecTracks.clear();
    m_vecHandedOut.clear();
}

void CVXMDiscFileImpl::SetDrive(const std::wstring& path)
{
    m_strDrive = path;
    if (!m_strDrive.empty() && (m_strDrive.back() == L'/' || m_strDrive.back() == L'\\'))
        m_strDrive.pop_back();
}

IVXMDiscAudiotrack* CVXMDiscFileImpl::GetTrackAt(int index)
{
    if (index < 0 || index >= static_cast<int>(m_vecTracks.size()))
        return nullptr;
    m_vecHandedOut[index] = true;  // the caller releases it
    return m_vecTracks[index];
}

int CVXMDiscFileImpl::Open(HWND)
{
    std::unique_ptr<CVXMMediaImpl> probe(new (std::nothrow) CVXMMediaImpl());
    if (!probe)
        return -1;
    probe->SetSourcePath(m_strDrive);
    probe->m_strInputOptions = L"-f libcdio";
    const int result = probe->Probe();
    // A second Open reads the disc afresh instead of adding its tracks twice;
    // a disc that cannot be read leaves no tracks of the one before.
    FreeTracks();
    if (result < 0) {
        LogMessageA(kLogCategory, "no disc could be read from \"%s\" (%d)", WideToUtf8(m_strDrive).c_str(), result);
        m_nTrackCount = -1;
        m_pAudioTrack.reset();
        m_strVolumeLabel.clear();
        return -1;
    }

    m_pAudioTrack.reset();
    for (const auto& audio : probe->m_lstAudio) {
        if (audio && audio->m_nId == probe->m_nAudioTrackId) {
            m_pAudioTrack = std::make_shared<VXM_AUDIO_TRACK>(*audio);
            break;
        }
    }

    m_nTrackCount = static_cast<int>(probe->m_lstChapters.size());
    int number = 0;
    for (const auto& chapter : probe->m_lstChapters) {
        ++number;
        if (!chapter)
            continue;
        auto* track = new (std::nothrow) CVXMDiscAudioTrackImpl();
        if (!track)
            break;
        track->m_strInputOptions = L"-f libcdio";
        track->m_strCDDrive = m_strDrive;
        track->SetSourcePath(L"track " + std::to_wstring(number));
        track->m_llChapterStartMs = chapter->m_llStartMs;
        // Millisecond bounds: whole seconds would put part of one track into the next.
        track->SetDuration(static_cast<int>(chapter->m_llEndMs - chapter->m_llStartMs));
        track->SetStartTime(static_cast<int>(chapter->m_llStartMs));
        track->SetEndTime(static_cast<int>(chapter->m_llEndMs));
        track->SetHasVideo(0);
        track->m_bHasAudio = 1;
        track->m_pAudioTrack = m_pAudioTrack;
        m_vecTracks.push_back(track);
        m_vecHandedOut.push_back(false);
    }
    // Audio CDs carry no volume label that the drive reports here.
    m_strVolumeLabel.clear();
    return 0;
}
