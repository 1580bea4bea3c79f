// An audio-CD drive (a device path, or a CUE sheet of a disc image) and the
// tracks read from it.
#pragma once
#include <memory>
#include <vector>

#include "IVXMDiscFile.h"
#include "VXMStreamRecords.h"

class CVXMDiscAudioTrackImpl;

class CVXMDiscFileImpl : public IVXMDiscFile {
public:
    CVXMDiscFileImpl() = default;
    ~CVXMDiscFileImpl() override;

    void SetDrive(const std::wstring& path) override;
    int Open(HWND hNotify = nullptr) override;
    int GetTrackCount() const override { return m_nTrackCount; }
    IVXMDiscAudiotrack* GetTrackAt(int index) override;
    std::wstring GetDrive() const override { return m_strDrive; }
    // Made with new by the engine's factory; tracks handed out stay with their owners.
    void Release() override { delete this; }
    std::wstring GetVolumeLabel() const { return m_strVolumeLabel; }

private:
    // Deletes the tracks not handed out and empties the list.
    void FreeTracks();

    std::wstring m_strDrive;
    std::wstring m_strVolumeLabel;
    std::shared_ptr<VXM_AUDIO_TRACK> m_pAudioTrack;
    int m_nTrackCount = -1;
    // Tracks not yet handed out are owned here; GetTrackAt hands a track over.
    std::vector<CVXMDiscAudioTrackImpl*> m_vecTracks;
    std::vector<bool> m_vecHandedOut;
};
