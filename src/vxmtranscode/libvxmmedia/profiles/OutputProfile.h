// One output profile of the catalogue: what it produces, its fifteen
// parameter items, two quality presets, its tool steps and its limit rules.
#pragma once
#include <array>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "IProfile.h"
#include "ParameterItem.h"
#include "ProfileCodes.h"
#include "ProfileRecords.h"

class CVXMMediaBase;
struct VXM_JOB_COMMAND;
struct VXM_BUILD_VALUES;

// The fifteen items of a profile, in their fixed order: each is its index in
// the item array, and PROFILE_ITEM_COUNT follows the last.
enum PROFILE_ITEM_INDEX : int {
    ITEM_VIDEO_CODEC,
    ITEM_VIDEO_SIZE,
    ITEM_ASPECT,
    ITEM_VIDEO_BITRATE,
    ITEM_FRAMERATE,
    ITEM_VIDEO_PROFILE,
    ITEM_ENCODE_PASS,
    ITEM_AUDIO_CODEC,
    ITEM_AUDIO_BITRATE,
    ITEM_SAMPLE_RATE,
    ITEM_CHANNEL,
    ITEM_DISABLE_AUDIO,
    ITEM_AV_SYNC,
    ITEM_PIC_DURATION,
    ITEM_PIC_INTERVAL,
    PROFILE_ITEM_COUNT,
};

class COutputProfile : public IProfile {
public:
    COutputProfile();
    ~COutputProfile() override;
    COutputProfile(const COutputProfile&) = delete;
    COutputProfile& operator=(const COutputProfile&) = delete;

    // IProfile
    std::unique_ptr<IProfile> Clone() const override;
    std::wstring GetName() const override { return m_strName; }
    std::wstring GetDesc() const override { return m_strDesc; }
    int GetId() const override { return m_nId; }
    std::wstring GetTargetDevice() const override { return m_strTargetDevice; }
    std::wstring GetFolder() const override { return m_strFolder; }
    int GetProfileFlag() const override { return m_nVideoFlag; }
    std::wstring GetTvSystem() const override { return m_strTvSystem; }
    std::wstring GetFileExt() const override { return m_strFileExt; }
    int GetVideoHeight() const override;
    int GetVideoWidth() const override;

    std::wstring GetVideoCodec() override { return EvaluatedValue(ITEM_VIDEO_CODEC); }
    void SetVideoCodec(const std::wstring& value) override { SetVideoQualityValue(ITEM_VIDEO_CODEC, value); }
    IProfileItem* GetVideoCodecItem() override { return Item(ITEM_VIDEO_CODEC); }
    std::wstring GetVideoSize() override { return EvaluatedValue(ITEM_VIDEO_SIZE); }
    void SetVideoSize(const std::wstring& value) override { SetValue(ITEM_VIDEO_SIZE, value); }
    int RemoveVideoSize(const std::wstring& value) override { return RemoveValue(ITEM_VIDEO_SIZE, value); }
    IProfileItem* GetVideoSizeItem() override { return Item(ITEM_VIDEO_SIZE); }
    std::wstring GetAspect() override { return EvaluatedValue(ITEM_ASPECT); }
    void SetAspect(const std::wstring& value) override { SetValue(ITEM_ASPECT, value); }
    IProfileItem* GetAspectItem() override { return Item(ITEM_ASPECT); }
    std::wstring GetVideoBitrate() override { return EvaluatedValue(ITEM_VIDEO_BITRATE); }
    void SetVideoBitrate(const std::wstring& value) override { SetVideoQualityValue(ITEM_VIDEO_BITRATE, value); }
    int RemoveVideoBitrate(const std::wstring& value) override { return RemoveValue(ITEM_VIDEO_BITRATE, value); }
    IProfileItem* GetVideoBitrateItem() override { return Item(ITEM_VIDEO_BITRATE); }
    std::wstring GetFramerate() override { return EvaluatedValue(ITEM_FRAMERATE); }
    void SetFramerate(const std::wstring& value) override { SetValue(ITEM_FRAMERATE, value); }
    int RemoveFramerate(const std::wstring& value) override { return RemoveValue(ITEM_FRAMERATE, value); }
    IProfileItem* GetFramerateItem() override { return Item(ITEM_FRAMERATE); }
    std::wstring GetVideoProfile() override { return EvaluatedValue(ITEM_VIDEO_PROFILE); }
    IProfileItem* GetVideoProfileItem() override { return Item(ITEM_VIDEO_PROFILE); }
    void SetVideoProfile(const std::wstring& value) override { SetValue(ITEM_VIDEO_PROFILE, value); }
    std::wstring GetEncodePass() override { return EvaluatedValue(ITEM_ENCODE_PASS); }
    IProfileItem* GetEncodePassItem() override { return Item(ITEM_ENCODE_PASS); }
    void SetEncodePass(const std::wstring& value) override { SetValue(ITEM_ENCODE_PASS, value); }

    std::wstring GetAudioCodec() override { return EvaluatedValue(ITEM_AUDIO_CODEC); }
    void SetAudioCodec(const std::wstring& value) override { SetAudioQualityValue(ITEM_AUDIO_CODEC, value); }
    IProfileItem* GetAudioCodecItem() override { return Item(ITEM_AUDIO_CODEC); }
    std::wstring GetAudioBitrate() override { return EvaluatedValue(ITEM_AUDIO_BITRATE); }
    void SetAudioBitrate(const std::wstring& value) override { SetAudioQualityValue(ITEM_AUDIO_BITRATE, value); }
    int RemoveAudioBitrate(const std::wstring& value) override { return RemoveValue(ITEM_AUDIO_BITRATE, value); }
    IProfileItem* GetAudioBitrateItem() override { return Item(ITEM_AUDIO_BITRATE); }
    std::wstring GetSampleRate() override { return EvaluatedValue(ITEM_SAMPLE_RATE); }
    void SetSampleRate(const std::wstring& value) override { SetValue(ITEM_SAMPLE_RATE, value); }
    IProfileItem* GetSampleRateItem() override { return Item(ITEM_SAMPLE_RATE); }
    std::wstring GetChannel() override { return EvaluatedValue(ITEM_CHANNEL); }
    void SetChannel(const std::wstring& value) override { SetValue(ITEM_CHANNEL, value); }
    IProfileItem* GetChannelItem() override { return Item(ITEM_CHANNEL); }
    int IsAudioDisabled() const override;
    void SetAudioDisabled(int disabled) override;
    float GetVolume() const override;
    void SetVolume(float factor) override;
    void SetSkipSourceTracks(int skip) override;
    std::wstring GetAVSync() override { return EvaluatedValue(ITEM_AV_SYNC); }
    void SetAVSync(const std::wstring& value) override { SetValue(ITEM_AV_SYNC, value); }
    IProfileItem* GetAVSyncItem() override { return Item(ITEM_AV_SYNC); }

    std::wstring GetPicDuration() const override { return StoredValue(ITEM_PIC_DURATION); }
    void SetPicDuration(const std::wstring& value) override { SetValue(ITEM_PIC_DURATION, value); }
    IProfileItem* GetPicDurationItem() override { return Item(ITEM_PIC_DURATION); }
    std::wstring GetPicInterval() const override { return StoredValue(ITEM_PIC_INTERVAL); }
    void SetPicInterval(const std::wstring& value) override { SetValue(ITEM_PIC_INTERVAL, value); }
    IProfileItem* GetPicIntervalItem() override { return Item(ITEM_PIC_INTERVAL); }

    int GetVideoQualityMode() const override;
    void SetVideoQualityMode(int mode) override;
    int GetAudioQualityMode() const override;
    void SetAudioQualityMode(int mode) override;

    bool IsSizeMode() const override { return m_bSizeMode; }
    void SetSizeMode(bool on) override { m_bSizeMode = on; }
    bool IsSourceBitrate() const override { return m_bSourceBitrate; }
    void SetSourceBitrate(bool on) override { m_bSourceBitrate = on; }

    // Job building: appends the steps that convert media (and, at the top
    // level, its join parts and the join) to queue. A build reads and
    // evaluates this profile's items: build with a profile of your own
    // (a clone) when others may use this one meanwhile.
    virtual int BuildCommands(CVXMMediaBase* media, const std::wstring& outputFolder,
                              std::vector<std::wstring>& outputs, std::vector<std::wstring>& videoStreams,
                              std::vector<std::wstring>& audioStreams,
                              std::vector<std::unique_ptr<VXM_JOB_COMMAND>>& queue, CVXMMediaBase* parent);
    // Appends the steps that join the part files into joinedOutput; empties parts.
    virtual int BuildJoinCommands(CVXMMediaBase* media, const std::wstring& joinedOutput,
                                  std::vector<std::unique_ptr<VXM_JOB_COMMAND>>& queue,
                                  std::vector<std::wstring>& parts);

    // Keeps the limits that item's current value imposes on other items
    // installed. Like the two below, it takes no lock: the caller holds
    // m_lock, or nobody else has the profile yet (loading).
    void EvaluateLimits(_OUTPUT_AV_PARAMETER_ITEM* item);
    // Works the quality mode of a side out from its current codec and bit rate.
    void UpdateVideoQualityMode();
    void UpdateAudioQualityMode();

    _OUTPUT_AV_PARAMETER_ITEM* GetItem(int index);
    // The first of the fifteen items with that name; null when none.
    _OUTPUT_AV_PARAMETER_ITEM* FindItemByName(const std::wstring& name);

    std::wstring m_strName;
    std::wstring m_strDesc;
    std::wstring m_strTargetDevice;
    std::wstring m_strTvSystem;
    int m_nId = -1;
    int m_nVideoFlag = 1;
    int m_nProfileCode = -1;
    std::wstring m_strFileExt;
    std::wstring m_strFolder;

    std::array<_OUTPUT_AV_PARAMETER_ITEM, PROFILE_ITEM_COUNT> m_items;
    std::array<_OUTPUT_AV_PARAMETER_ITEM*, PROFILE_ITEM_COUNT> m_pItemTable{};  // index into m_items, owns nothing
    std::vector<_PROFILE_LIMIT_RULE> m_lstRules;
    int m_nMuxKind = PROFILE_MUX_NONE;
    std::vector<std::unique_ptr<_PROFILE_COMMAND>> m_lstCommands;
    std::vector<int> m_lstGroupIndexes;

    int m_nVideoQualityMode = QUALITY_MODE_NORMAL;
    std::wstring m_strHighVideoCodec;
    std::wstring m_strLowVideoCodec;
    std::wstring m_strHighVideoBitrate;
    std::wstring m_strLowVideoBitrate;
    int m_nAudioQualityMode = QUALITY_MODE_NORMAL;
    std::wstring m_strHighAudioCodec;
    std::wstring m_strLowAudioCodec;
    std::wstring m_strHighAudioBitrate;
    std::wstring m_strLowAudioBitrate;
    int m_nSkipSourceTracks = 0;
    float m_fVolume = 1.0f;

    // Kept for the program's profile editor; not part of the catalogue.
    bool m_bSizeMode = false;
    bool m_bSourceBitrate = false;

private:
    // BuildCommands with the values that one build of a media (and its
    // join parts) works out.
    int BuildSteps(CVXMMediaBase* media, const std::wstring& outputFolder, std::vector<std::wstring>& outputs,
                   std::vector<std::wstring>& videoStreams, std::vector<std::wstring>& audioStreams,
                   std::vector<std::unique_ptr<VXM_JOB_COMMAND>>& queue, CVXMMediaBase* parent,
                   VXM_BUILD_VALUES& values);
    IProfileItem* Item(int index) { return &m_items[static_cast<std::size_t>(index)]; }
    std::wstring StoredValue(int index) const;
    std::wstring EvaluatedValue(int index);
    void SetValue(int index, const std::wstring& value);
    // SetValue of a codec or bit rate item, then the side's quality mode anew.
    void SetVideoQualityValue(int index, const std::wstring& value);
    void SetAudioQualityValue(int index, const std::wstring& value);
    int RemoveValue(int index, const std::wstring& value);
    void InstallActiveRule(_OUTPUT_AV_PARAMETER_ITEM* item);
    void RemoveActiveRule(_OUTPUT_AV_PARAMETER_ITEM* item);
    void ApplyVideoPreset();
    void ApplyAudioPreset();

    // Guards the items' values and installed limits and the quality modes
    // against a getter or setter of another thread (the settings pane, a size
    // estimate) and a clone taken for a job build: getters evaluate limits,
    // which writes. The items handed out (Get...Item) are the caller's to
    // use from one thread.
    mutable std::mutex m_lock;
};

// 1 when the NVIDIA encoder may take the place of the codec's software
// encoder: only while the engine setting allows it (useNVidiaCUDA), for
// "x264" on a device of compute capability 3.0 whose H.264 encoder works,
// and for "x265" on one of capability 5.2; else 0.
int IsHardwareEncoderUsable(const std::wstring& codec, int useNVidiaCUDA);
