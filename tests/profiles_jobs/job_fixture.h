// Job-building tests: a process-wide profile manager on the shipped catalogue
// and media objects described the way the probe would describe them.
#pragma once
#include <memory>
#include <string>

#include "EngineGlobals.h"
#include "JobCommand.h"
#include "ProfileJobBuild.h"
#include "ProfileManager.h"
#include "VXMMediaBase.h"
#include "VXMMediaImpl.h"
#include "platform/text.h"

int BuildMediaCommands(IVXMMedia* media, IProfile* profile, VXM_JOB_QUEUE& queue);

namespace jobtest {

inline std::wstring W(const std::string& s)
{
    return Utf8ToWide(s);
}

inline std::string N(const std::wstring& s)
{
    return WideToUtf8(s);
}

// Installs a manager with its folders under `folder` and the shipped catalogue.
class CManagerScope {
public:
    explicit CManagerScope(const std::string& folder)
    {
        m_manager = new CProfileManager(W(folder));
        g_pProfileManager = m_manager;
        m_loaded = m_manager->LoadProfiles(W(std::string(VXM_SOURCE_DIR) + "/data/profiles.xml"));
        ClearReservedOutputNames();
    }
    ~CManagerScope()
    {
        ClearReservedOutputNames();
        m_manager->Release();
        g_pProfileManager = nullptr;
    }
    CManagerScope(const CManagerScope&) = delete;
    CManagerScope& operator=(const CManagerScope&) = delete;

    CProfileManager& Manager() { return *m_manager; }
    VXM_ENGINE_SETTINGS& Settings() { return m_manager->Settings(); }
    bool Loaded() const { return m_loaded; }
    COutputProfile* Profile(int index) { return dynamic_cast<COutputProfile*>(m_manager->GetProfile(index)); }
    COutputProfile* ById(int id) { return dynamic_cast<COutputProfile*>(m_manager->FindProfileById(id)); }

private:
    CProfileManager* m_manager = nullptr;
    bool m_loaded = false;
};

struct ClipShape {
    int width = 160;
    int height = 120;
    double fps = 25.0;
    int durationMs = 2000;
    bool video = true;
    bool audio = true;
};

// A file media object with one video stream (index 0) and one audio track (index 1).
inline std::unique_ptr<CVXMMediaImpl> MakeMedia(const std::string& source, const std::string& outputFolder,
                                                const ClipShape& shape = {})
{
    auto media = std::make_unique<CVXMMediaImpl>();
    media->m_strSourcePath = W(source);
    media->m_strOutputFolder = W(outputFolder);
    media->m_nDuration = shape.durationMs;
    if (shape.video) {
        auto video = std::make_unique<VXM_VIDEO_STREAM>();
        video->m_strCodecName = L"h264";
        video->m_nWidth = shape.width;
        video->m_nHeight = shape.height;
        video->m_dFrameRate = shape.fps;
        video->m_nStreamIndex = 0;
        media->m_lstVideo.push_back(std::move(video));
        media->m_bHasVideo = 1;
        media->m_nVideoStreamIndex = 0;
    }
    if (shape.audio) {
        media->AddAudioTrack(nullptr, nullptr, "aac", nullptr, nullptr, 2, 0, nullptr, shape.video ? 1 : 0, -1,
                             128000, 44100);
        media->m_bHasAudio = 1;
    }
    media->m_n3DOutput = -1;
    return media;
}

}  // namespace jobtest
