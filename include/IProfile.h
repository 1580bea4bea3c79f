// The profile catalogue as the program sees it: the one shared manager, its
// categories, groups and output profiles, and the parameter items of a profile.
// The engine owns every object handed out here; they stay valid as long as the
// manager. The one exception is a profile clone, which belongs to its caller.
// Texts cross as wide strings by value.
#pragma once
#include <memory>
#include <string>

// The subtitle position (SetSubPosition) the program starts with. At it an SSA
// or ASS script keeps its own vertical margins; another position moves its lines.
constexpr int VXM_DEFAULT_SUB_POSITION = 5;

// Quality presets of a profile's video and audio side.
enum VXM_QUALITY_MODE : int {
    QUALITY_MODE_LOW = 0,
    QUALITY_MODE_NORMAL = 1,
    QUALITY_MODE_HIGH = 2,
};

// One parameter of a profile: its current value, the values the user may pick
// and the hints of the settings pane. Owned by its profile.
class IProfileItem {
public:
    virtual int IsVisible() const = 0;      // nonzero: the row is shown
    virtual int IsReadOnly() const = 0;
    virtual int IsEditable() = 0;           // 0 while another item's value limits this one
    virtual std::wstring GetName() const = 0;
    virtual std::wstring GetDesc() const = 0;
    virtual std::wstring GetValue() const = 0;
    virtual std::wstring GetEditMask() const = 0;
    virtual std::wstring GetEditTemplate() const = 0;
    virtual std::wstring GetValidChars() const = 0;
    // The values to offer: those that pass the installed limits, else all.
    virtual int GetValueCount() = 0;
    virtual std::wstring GetValueAt(unsigned index) = 0;  // empty when out of range
    virtual int GetMaxChars() const = 0;                  // 0 = no limit
    virtual std::wstring GetMaxValue() const = 0;         // empty when unbounded
    virtual std::wstring GetMinValue() const = 0;

protected:
    ~IProfileItem() = default;
};

// One output profile. Value getters marked "limits" first bring the limits
// that the item's value imposes on other items up to date. Setters add a value
// missing from the item's list; removers return 1 when a value was removed.
class IProfile {
public:
    virtual ~IProfile() = default;

    // A deep copy with its own items and limit rules, owned by the caller.
    virtual std::unique_ptr<IProfile> Clone() const = 0;

    virtual std::wstring GetName() const = 0;
    virtual std::wstring GetDesc() const = 0;
    virtual int GetId() const = 0;
    virtual std::wstring GetTargetDevice() const = 0;
    virtual std::wstring GetFolder() const = 0;
    virtual int GetProfileFlag() const = 0;  // 0 when the profile has no video
    virtual std::wstring GetTvSystem() const = 0;
    virtual std::wstring GetFileExt() const = 0;
    virtual int GetVideoHeight() const = 0;  // from the size value; 240 when unreadable
    virtual int GetVideoWidth() const = 0;   // from the size value, a multiple of 8; 320 when unreadable

    virtual std::wstring GetVideoCodec() = 0;  // limits
    virtual void SetVideoCodec(const std::wstring& value) = 0;
    virtual IProfileItem* GetVideoCodecItem() = 0;
    virtual std::wstring GetVideoSize() = 0;  // limits
    virtual void SetVideoSize(const std::wstring& value) = 0;
    virtual int RemoveVideoSize(const std::wstring& value) = 0;
    virtual IProfileItem* GetVideoSizeItem() = 0;
    virtual std::wstring GetAspect() = 0;  // limits
    virtual void SetAspect(const std::wstring& value) = 0;
    virtual IProfileItem* GetAspectItem() = 0;
    virtual std::wstring GetVideoBitrate() = 0;  // limits
    virtual void SetVideoBitrate(const std::wstring& value) = 0;
    virtual int RemoveVideoBitrate(const std::wstring& value) = 0;
    virtual IProfileItem* GetVideoBitrateItem() = 0;
    virtual std::wstring GetFramerate() = 0;  // limits
    virtual void SetFramerate(const std::wstring& value) = 0;
    virtual int RemoveFramerate(const std::wstring& value) = 0;
    virtual IProfileItem* GetFramerateItem() = 0;
    virtual std::wstring GetVideoProfile() = 0;  // limits
    virtual IProfileItem* GetVideoProfileItem() = 0;
    virtual void SetVideoProfile(const std::wstring& value) = 0;
    virtual std::wstring GetEncodePass() = 0;  // limits
    virtual IProfileItem* GetEncodePassItem() = 0;
    virtual void SetEncodePass(const std::wstring& value) = 0;

    virtual std::wstring GetAudioCodec() = 0;  // limits
    virtual void SetAudioCodec(const std::wstring& value) = 0;
    virtual IProfileItem* GetAudioCodecItem() = 0;
    virtual std::wstring GetAudioBitrate() = 0;  // limits
    virtual void SetAudioBitrate(const std::wstring& value) = 0;
    virtual int RemoveAudioBitrate(const std::wstring& value) = 0;
    virtual IProfileItem* GetAudioBitrateItem() = 0;
    virtual std::wstring GetSampleRate() = 0;  // limits
    virtual void SetSampleRate(const std::wstring& value) = 0;
    virtual IProfileItem* GetSampleRateItem() = 0;
    virtual std::wstring GetChannel() = 0;  // limits
    virtual void SetChannel(const std::wstring& value) = 0;
    virtual IProfileItem* GetChannelItem() = 0;
    virtual int IsAudioDisabled() const = 0;
    virtual void SetAudioDisabled(int disabled) = 0;
    virtual float GetVolume() const = 0;
    virtual void SetVolume(float factor) = 0;  // kept within 0.5..2.0
    virtual void SetSkipSourceTracks(int skip) = 0;
    virtual std::wstring GetAVSync() = 0;  // limits
    virtual void SetAVSync(const std::wstring& value) = 0;
    virtual IProfileItem* GetAVSyncItem() = 0;

    virtual std::wstring GetPicDuration() const = 0;
    virtual void SetPicDuration(const std::wstring& value) = 0;
    virtual IProfileItem* GetPicDurationItem() = 0;
    virtual std::wstring GetPicInterval() const = 0;
    virtual void SetPicInterval(const std::wstring& value) = 0;
    virtual IProfileItem* GetPicIntervalItem() = 0;

    virtual int GetVideoQualityMode() const = 0;  // VXM_QUALITY_MODE
    virtual void SetVideoQualityMode(int mode) = 0;  // applies that preset
    virtual int GetAudioQualityMode() const = 0;
    virtual void SetAudioQualityMode(int mode) = 0;

    // Two flags the program's profile editor keeps with a profile: the video
    // bit rate follows a target size, and the source's bit rate is kept.
    // Both are off on a new profile and on a clone.
    virtual bool IsSizeMode() const = 0;
    virtual void SetSizeMode(bool on) = 0;
    virtual bool IsSourceBitrate() const = 0;
    virtual void SetSourceBitrate(bool on) = 0;
};

// A group of profiles within one or more categories. Owned by the manager.
class IProfileGroup {
public:
    virtual int ContainsCode(int categoryIndex) const = 0;  // 1 when the group is in that category
    virtual std::wstring GetName() const = 0;
    virtual std::wstring GetDesc() const = 0;
    virtual std::wstring GetIcon() const = 0;
    virtual int GetId() const = 0;
    virtual int GetReservedB() const = 0;
    virtual int GetReservedA() const = 0;
    virtual int GetBurn() const = 0;   // nonzero: outputs go on a disc
    virtual int GetHtml5() const = 0;  // nonzero: outputs get an HTML5 page
    virtual int GetAudio() const = 0;  // nonzero: audio-only group
    virtual int GetProfileCount() const = 0;
    virtual IProfile* GetProfile(unsigned index) const = 0;  // none when out of range
    virtual IProfile* FindProfileById(int id) const = 0;

protected:
    ~IProfileGroup() = default;
};

// A top-level choice of the catalogue (devices, formats ...). Owned by the manager.
class IProfileCategory {
public:
    virtual std::wstring GetName() const = 0;
    virtual std::wstring GetDesc() const = 0;
    virtual std::wstring GetIcon() const = 0;
    virtual int GetId() const = 0;
    virtual IProfileGroup* GetGroup(unsigned index) const = 0;  // none when out of range
    virtual IProfileGroup* FindGroupById(int id) const = 0;
    virtual int GetGroupCount() const = 0;

protected:
    ~IProfileCategory() = default;
};

// The catalogue and the engine-wide conversion settings; one per process,
// reached through CreateProfileManger and destroyed only by Release.
class IProfileManager {
public:
    virtual bool LoadProfiles(const std::wstring& path) = 0;  // false on a missing or bad file
    virtual int FindProfileIndexByName(const std::wstring& name) const = 0;  // 0 when none
    virtual int GetProfileCount() const = 0;
    virtual IProfile* GetProfile(int index) const = 0;
    virtual IProfile* FindProfileByName(const std::wstring& name) const = 0;  // by profile code
    virtual IProfile* FindProfileById(int id) const = 0;
    virtual IProfile* GetCurrentProfile() const = 0;
    virtual void SetCurrentProfile(IProfile* profile) = 0;
    virtual int GetGroupCount() const = 0;
    virtual IProfileGroup* GetGroup(int index) const = 0;
    virtual IProfileGroup* FindGroupByName(const std::wstring& name) const = 0;
    virtual IProfileGroup* FindGroupById(int id) const = 0;
    virtual IProfileGroup* GetCurrentGroup() const = 0;
    virtual void SetCurrentGroupByName(const std::wstring& name) = 0;
    virtual int GetCategoryCount() const = 0;
    virtual IProfileCategory* GetCategory(int index) const = 0;
    virtual IProfileCategory* FindCategoryById(int id) const = 0;
    virtual int FindCategoryIndexByName(const std::wstring& name) const = 0;  // -1 when none

    // Engine-wide settings pushed in by the program. Flags are 0 or 1.
    virtual void SetCPUCores(int cores) = 0;
    // With no core count set: the threads of a conversion's encoder and filter
    // graph; its video decoder gets a quarter of them (at least one). Both are
    // written on the line; 0 leaves them to the codecs. At most `holders`
    // conversions at once have them: one that starts while that many run
    // with them gets one thread (0: every conversion has them).
    virtual void SetThreadLimit(int threads, int holders) = 0;
    virtual void SetUseNVidiaCUDA(int use) = 0;
    virtual void SetUseOpenCL(int use) = 0;
    virtual void SetUseSrcFileTime(int use) = 0;
    virtual void SetDeinterlace(int on) = 0;
    virtual void SetInverseTelecine(int on) = 0;
    virtual void SetFitToWidth(int on) = 0;
    virtual void SetFitToHeight(int on) = 0;
    virtual void SetExpand2VideoSize(int on) = 0;
    virtual void SetRoundTo16Pixels(int on) = 0;
    virtual void SetX264Options(const std::wstring& options) = 0;
    virtual void SetMP4FastStart(int on) = 0;
    virtual void SetOutVolume(int decibels) = 0;
    virtual void SetMPEGType(int type) = 0;
    virtual void SetObjectType(int type) = 0;
    virtual void SetMP3Encode(int mode) = 0;
    virtual void SetMP3VBRQuality(int quality) = 0;
    virtual void SetMP3Volume(int volume) = 0;
    virtual void SetAudioQuality(int quality) = 0;
    virtual void SetSubFontFile(const std::wstring& path) = 0;
    virtual void SetSubScale(double percent) = 0;
    virtual void SetSubPosition(double position) = 0;
    virtual void SetSubEncoding(int encoding) = 0;
    virtual void SetForceColor(int on) = 0;
    virtual void SetForceBold(int on) = 0;
    virtual void SetForceItalic(int on) = 0;
    virtual void SetForceUnderline(int on) = 0;
    virtual void SetForceStrikeOut(int on) = 0;
    virtual void SetForceShadow(int on) = 0;
    virtual void SetShadow(int depth) = 0;
    virtual void SetForceOutLine(int on) = 0;
    virtual void SetOutLine(int width) = 0;
    virtual void SetOutLineColor(int colour) = 0;
    virtual void SetPrimaryColour(int colour) = 0;
    virtual void SetPixelAspect(int aspect) = 0;
    virtual void SetLineSpacing(int spacing) = 0;
    virtual void SetAddVCodecName(int on) = 0;
    virtual void SetDVDUseDravel(int on) = 0;

    virtual void Release() = 0;  // destroys the manager

protected:
    ~IProfileManager() = default;
};
