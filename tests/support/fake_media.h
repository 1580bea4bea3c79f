// Stand-ins for the engine's objects shared by the program's tests: every
// operation answers zero or empty. Tests derive from them and override what
// they watch. Header only (the engine's interfaces are not linked into every
// test program).
#pragma once
#include "IProfile.h"
#include "IVXMDVDFile.h"
#include "IVXMMedia.h"
#include "platform/events.h"

#include <cstdint>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

// Every IVXMMedia operation of TBase (IVXMMedia or one of its kinds) answers
// zero or empty.
template <class TBase>
class TStubMedia : public TBase {
public:
    int Probe() override { return {}; }
    int MakeThumbnail(int seconds, int width, int height) override { return {}; }
    void TakeSnapshot(const std::wstring& folder, int value) override { }
    int InitPreviewWindow(HWND hwnd) override { return {}; }
    int StartPreview(HWND hNotify) override { return {}; }
    void SeekPreview(float seconds) override { }
    void TogglePreviewPause() override { }
    void StopPreview() override { }
    int GetPreviewState() override { return {}; }
    float GetPreviewPosition() override { return {}; }
    float GetConvertPosition() override { return {}; }
    void ReportProgress(int who) override { }
    void SetPreviewVolume(int percent) override { }
    void AdjustPreview(int code, int value) override { }
    std::uint64_t EstimateOutputSize(IProfile* profile) override { return {}; }
    void StartConvert(IProfile* profile, HWND hNotify, int flag) override { }
    void PauseConvert() override { }
    void ResumeConvert() override { }
    void StopConvert() override { }
    int GetConvertState() override { return {}; }
    void RemuxToMP4(const std::wstring& secondInput, const std::wstring& outputFolder, HWND hNotify) override { }
    void Join(std::vector<IVXMMedia*> others, const std::wstring& outputFolder, HWND hNotify) override { }
    void Release() override { }
    void SetSourcePath(const std::wstring& path) override { }
    std::wstring GetSourcePath() const override { return {}; }
    std::wstring GetOutputFolder() const override { return {}; }
    void SetOutputFolder(const std::wstring& folder) override { }
    std::wstring GetOutputPath() const override { return {}; }
    std::wstring GetOutputName() const override { return {}; }
    void SetOutputName(const std::wstring& name) override { }
    std::wstring GetThumbnailPath() const override { return {}; }
    void SetThumbnailPath(const std::wstring& path) override { }
    void SetPreviewWindow(HWND hwnd) override { }
    std::wstring GetSourceFolder() const override { return {}; }
    std::wstring GetSourceTitle() const override { return {}; }
    std::wstring GetSourceExtension() const override { return {}; }
    int GetStartTime() const override { return {}; }
    int GetClipLength() const override { return {}; }
    int GetDuration() const override { return {}; }
    int GetEndTime() const override { return {}; }
    void SetDuration(int ms) override { }
    void SetStartTime(int ms) override { }
    void SetEndTime(int ms) override { }
    void SetHasVideo(int hasVideo) override { }
    int GetVideoStreamIndex() const override { return {}; }
    IVXMVideo* GetVideoStream() override { return {}; }
    int GetVideoStreamCount() const override { return {}; }
    IVXMVideo* GetVideoStreamAt(int index) override { return {}; }
    int GetAudioTrackId() const override { return {}; }
    IVXMAudio* GetAudioTrack() override { return {}; }
    int GetAudioTrackCount() const override { return {}; }
    IVXMAudio* GetAudioTrackAt(int index) override { return {}; }
    int GetSubtitleId() const override { return {}; }
    IVXMSubtitle* GetSubtitle() override { return {}; }
    int GetSubtitleCount() const override { return {}; }
    IVXMSubtitle* GetSubtitleAt(int index) override { return {}; }
    int AddAudioFile(const std::wstring& path) override { return {}; }
    int AddSubtitleFile(const std::wstring& path) override { return {}; }
    int RemoveAudioFile(int index) override { return {}; }
    int RemoveSubtitleFile(int index) override { return {}; }
    int SelectStreams(int video, int audio, int subtitle) override { return {}; }
    int GetSelectedVideoStream() const override { return {}; }
    int GetSelectedAudioStream() const override { return {}; }
    int GetSelectedSubtitleStream() const override { return {}; }
    int GetMediaKind() const override { return {}; }
    void AddJoinMedia(IVXMMedia* media) override { }
    void ClearJoinList() override { }
    SDL_Surface* RenderTextWatermark() override { return {}; }
    SDL_Surface* LoadImageWatermark() override { return {}; }
    int IsProtected() override { return {}; }
};

using CStubMedia = TStubMedia<IVXMMedia>;

// A pane or list releases its rows' media when it goes, so stand-ins a test
// made on its stack must outlive it. Declared after them, this ends their
// owner first, at the end of the same scope.
template <class TOwner>
class TOwnerEndsFirst {
public:
    explicit TOwnerEndsFirst(std::unique_ptr<TOwner>& owner) : m_owner(owner) {}
    ~TOwnerEndsFirst() { m_owner.reset(); }
    TOwnerEndsFirst(const TOwnerEndsFirst&) = delete;
    TOwnerEndsFirst& operator=(const TOwnerEndsFirst&) = delete;

private:
    std::unique_ptr<TOwner>& m_owner;
};

// A video stream of the given codec, bit rate and size at 25 frames a second.
class CStubVideo : public IVXMVideo {
public:
    CStubVideo(std::wstring codec = L"h264", double bitrate = 1000, int width = 640, int height = 360)
        : m_codec(std::move(codec)), m_bitrate(bitrate), m_width(width), m_height(height) {}
    std::wstring GetCodecName() const override { return m_codec; }
    double GetBitrate() const override { return m_bitrate; }
    double GetFrameRate() const override { return 25; }
    int GetWidth() const override { return m_width; }
    int GetHeight() const override { return m_height; }
    std::wstring GetInfoText() const override { return {}; }
    int GetStreamIndex() const override { return 0; }
    std::wstring GetInfoText2() const override { return {}; }
    std::wstring GetInfoText3() const override { return {}; }
    std::wstring GetInfoText4() const override { return {}; }
    std::wstring GetInfoText5() const override { return {}; }
    std::wstring GetInfoText6() const override { return {}; }

private:
    std::wstring m_codec;
    double m_bitrate;
    int m_width;
    int m_height;
};

// A media file with a long name for layout checks: a 1080p video, or only
// sound; 83 minutes long.
class CSampleMedia : public TStubMedia<IVXMMedia> {
public:
    CSampleMedia(std::wstring title, bool video) : title(std::move(title)), hasVideo(video) {}
    std::wstring GetSourceTitle() const override { return title; }
    std::wstring GetSourcePath() const override { return L"/home/someone/Videos/holidays/2026/" + title + L".mkv"; }
    std::wstring GetSourceExtension() const override { return hasVideo ? L".mkv" : L".flac"; }
    int GetDuration() const override { return 5025000; }
    int GetClipLength() const override { return 5025000; }
    IVXMVideo* GetVideoStream() override { return hasVideo ? &video : nullptr; }
    int GetVideoStreamCount() const override { return hasVideo ? 1 : 0; }
    IVXMVideo* GetVideoStreamAt(int) override { return hasVideo ? &video : nullptr; }
    std::wstring title;
    bool hasVideo;
    CStubVideo video{L"h264", 12000, 1920, 1080};
};

// A DVD title of eight chapters: the chapter range is kept, all else answers
// zero or empty.
class CStubDVDTitle : public TStubMedia<IVXMDVDTitle> {
public:
    int GetMediaKind() const override { return 1; }
    int GetTitleInfoA() const override { return 1; }
    int GetTitleInfoB() const override { return 0; }
    std::wstring GetVideoStandard() const override { return {}; }
    std::wstring GetDisplayFormat() const override { return {}; }
    std::wstring GetDiscName() const override { return {}; }
    int IsMainTitle() const override { return 1; }
    std::wstring GetDiscPath() const override { return {}; }
    int GetAngleCount() const override { return 1; }
    int GetChapterCount() const override { return chapters; }
    IVXMDVDChapter* GetChapterAt(int) override { return nullptr; }
    int GetCellCount() const override { return 0; }
    IVXMCell* GetCellAt(int) override { return nullptr; }
    int SetChapterRange(int f, int l) override { first = f; last = l; return 0; }
    int SetAngle(int) override { return 0; }
    int GetFirstChapter() const override { return first; }
    int GetLastChapter() const override { return last; }
    int GetAngle() const override { return -1; }
    int chapters = 8;
    int first = -1;
    int last = -1;
};

class CStubProfile : public IProfile {
public:
    std::unique_ptr<IProfile> Clone() const override { return {}; }
    std::wstring GetName() const override { return {}; }
    std::wstring GetDesc() const override { return {}; }
    int GetId() const override { return {}; }
    std::wstring GetTargetDevice() const override { return {}; }
    std::wstring GetFolder() const override { return {}; }
    int GetProfileFlag() const override { return {}; }
    std::wstring GetTvSystem() const override { return {}; }
    std::wstring GetFileExt() const override { return {}; }
    int GetVideoHeight() const override { return {}; }
    int GetVideoWidth() const override { return {}; }
    std::wstring GetVideoCodec() override { return {}; }
    void SetVideoCodec(const std::wstring& value) override { }
    IProfileItem* GetVideoCodecItem() override { return {}; }
    std::wstring GetVideoSize() override { return {}; }
    void SetVideoSize(const std::wstring& value) override { }
    int RemoveVideoSize(const std::wstring& value) override { return {}; }
    IProfileItem* GetVideoSizeItem() override { return {}; }
    std::wstring GetAspect() override { return {}; }
    void SetAspect(const std::wstring& value) override { }
    IProfileItem* GetAspectItem() override { return {}; }
    std::wstring GetVideoBitrate() override { return {}; }
    void SetVideoBitrate(const std::wstring& value) override { }
    int RemoveVideoBitrate(const std::wstring& value) override { return {}; }
    IProfileItem* GetVideoBitrateItem() override { return {}; }
    std::wstring GetFramerate() override { return {}; }
    void SetFramerate(const std::wstring& value) override { }
    int RemoveFramerate(const std::wstring& value) override { return {}; }
    IProfileItem* GetFramerateItem() override { return {}; }
    std::wstring GetVideoProfile() override { return {}; }
    IProfileItem* GetVideoProfileItem() override { return {}; }
    void SetVideoProfile(const std::wstring& value) override { }
    std::wstring GetEncodePass() override { return {}; }
    IProfileItem* GetEncodePassItem() override { return {}; }
    void SetEncodePass(const std::wstring& value) override { }
    std::wstring GetAudioCodec() override { return {}; }
    void SetAudioCodec(const std::wstring& value) override { }
    IProfileItem* GetAudioCodecItem() override { return {}; }
    std::wstring GetAudioBitrate() override { return {}; }
    void SetAudioBitrate(const std::wstring& value) override { }
    int RemoveAudioBitrate(const std::wstring& value) override { return {}; }
    IProfileItem* GetAudioBitrateItem() override { return {}; }
    std::wstring GetSampleRate() override { return {}; }
    void SetSampleRate(const std::wstring& value) override { }
    IProfileItem* GetSampleRateItem() override { return {}; }
    std::wstring GetChannel() override { return {}; }
    void SetChannel(const std::wstring& value) override { }
    IProfileItem* GetChannelItem() override { return {}; }
    int IsAudioDisabled() const override { return {}; }
    void SetAudioDisabled(int disabled) override { }
    float GetVolume() const override { return {}; }
    void SetVolume(float factor) override { }
    void SetSkipSourceTracks(int skip) override { }
    std::wstring GetAVSync() override { return {}; }
    void SetAVSync(const std::wstring& value) override { }
    IProfileItem* GetAVSyncItem() override { return {}; }
    std::wstring GetPicDuration() const override { return {}; }
    void SetPicDuration(const std::wstring& value) override { }
    IProfileItem* GetPicDurationItem() override { return {}; }
    std::wstring GetPicInterval() const override { return {}; }
    void SetPicInterval(const std::wstring& value) override { }
    IProfileItem* GetPicIntervalItem() override { return {}; }
    int GetVideoQualityMode() const override { return {}; }
    void SetVideoQualityMode(int mode) override { }
    int GetAudioQualityMode() const override { return {}; }
    void SetAudioQualityMode(int mode) override { }
    bool IsSizeMode() const override { return {}; }
    void SetSizeMode(bool on) override { }
    bool IsSourceBitrate() const override { return {}; }
    void SetSourceBitrate(bool on) override { }
};

class CStubDVDFile : public IVXMDVDFile {
public:
    void SetPath(const std::wstring& path) override { }
    void CancelOpen() override { }
    void SetWorkFolder(const std::wstring& folder) override { }
    int Open(HWND hNotify) override { return {}; }
    int GetTitleCount() const override { return {}; }
    IVXMDVDTitle* GetTitleAt(unsigned int index) override { return {}; }
    IVXMDVDTitle* GetTitleByNumber(int number) override { return {}; }
    int GetMainTitleInfo() const override { return {}; }
    std::wstring GetPath() const override { return {}; }
    void Release() override { }
};

// A disc whose analysis runs until it is cancelled.
class CSlowDVDFile : public CStubDVDFile {
public:
    void CancelOpen() override { m_cancel.Set(); }
    int Open(HWND) override
    {
        m_cancel.Wait();
        return -1;
    }
    int GetTitleCount() const override { return -1; }

private:
    CEvent m_cancel{true, false};
};

// A profile manager that notes every engine-setting call as "Name=value".
// A category of the given groups (not owned).
class CStubCategory : public IProfileCategory {
public:
    CStubCategory(int id, std::wstring name, std::wstring icon = {})
        : id(id), name(std::move(name)), icon(std::move(icon)) {}
    std::wstring GetName() const override { return name; }
    std::wstring GetDesc() const override { return name; }
    std::wstring GetIcon() const override { return icon; }
    int GetId() const override { return id; }
    IProfileGroup* GetGroup(unsigned i) const override { return i < groups.size() ? groups[i] : nullptr; }
    IProfileGroup* FindGroupById(int gid) const override
    {
        for (IProfileGroup* g : groups)
            if (g->GetId() == gid) return g;
        return nullptr;
    }
    int GetGroupCount() const override { return static_cast<int>(groups.size()); }
    int id;
    std::wstring name;
    std::wstring icon;
    std::vector<IProfileGroup*> groups;
};

class CRecordingProfileManager : public IProfileManager {
public:
    std::vector<std::string> calls;
    bool loadResult = true;
    std::wstring loadedPath;

    bool LoadProfiles(const std::wstring& path) override { loadedPath = path; return loadResult; }
    int FindProfileIndexByName(const std::wstring& name) const override { return {}; }
    int GetProfileCount() const override { return {}; }
    IProfile* GetProfile(int index) const override { return {}; }
    IProfile* FindProfileByName(const std::wstring& name) const override { return {}; }
    IProfile* FindProfileById(int id) const override { return {}; }
    IProfile* GetCurrentProfile() const override { return {}; }
    void SetCurrentProfile(IProfile* profile) override { }
    int GetGroupCount() const override { return {}; }
    IProfileGroup* GetGroup(int index) const override { return {}; }
    IProfileGroup* FindGroupByName(const std::wstring& name) const override { return {}; }
    IProfileGroup* FindGroupById(int id) const override { return {}; }
    IProfileGroup* GetCurrentGroup() const override { return {}; }
    void SetCurrentGroupByName(const std::wstring& name) override { }
    int GetCategoryCount() const override { return {}; }
    IProfileCategory* GetCategory(int index) const override { return {}; }
    IProfileCategory* FindCategoryById(int id) const override { return {}; }
    int FindCategoryIndexByName(const std::wstring& name) const override { return {}; }
    void SetCPUCores(int cores) override { calls.push_back("SetCPUCores=" + Text(cores)); }
    void SetThreadLimit(int threads, int holders) override
    {
        calls.push_back("SetThreadLimit=" + Text(threads) + (holders ? "/" + Text(holders) : ""));
    }
    void SetUseNVidiaCUDA(int use) override { calls.push_back("SetUseNVidiaCUDA=" + Text(use)); }
    void SetUseOpenCL(int use) override { calls.push_back("SetUseOpenCL=" + Text(use)); }
    void SetUseSrcFileTime(int use) override { calls.push_back("SetUseSrcFileTime=" + Text(use)); }
    void SetDeinterlace(int on) override { calls.push_back("SetDeinterlace=" + Text(on)); }
    void SetInverseTelecine(int on) override { calls.push_back("SetInverseTelecine=" + Text(on)); }
    void SetFitToWidth(int on) override { calls.push_back("SetFitToWidth=" + Text(on)); }
    void SetFitToHeight(int on) override { calls.push_back("SetFitToHeight=" + Text(on)); }
    void SetExpand2VideoSize(int on) override { calls.push_back("SetExpand2VideoSize=" + Text(on)); }
    void SetRoundTo16Pixels(int on) override { calls.push_back("SetRoundTo16Pixels=" + Text(on)); }
    void SetX264Options(const std::wstring& options) override { calls.push_back("SetX264Options=" + std::string(options.begin(), options.end())); }
    void SetMP4FastStart(int on) override { calls.push_back("SetMP4FastStart=" + Text(on)); }
    void SetOutVolume(int decibels) override { calls.push_back("SetOutVolume=" + Text(decibels)); }
    void SetMPEGType(int type) override { calls.push_back("SetMPEGType=" + Text(type)); }
    void SetObjectType(int type) override { calls.push_back("SetObjectType=" + Text(type)); }
    void SetMP3Encode(int mode) override { calls.push_back("SetMP3Encode=" + Text(mode)); }
    void SetMP3VBRQuality(int quality) override { calls.push_back("SetMP3VBRQuality=" + Text(quality)); }
    void SetMP3Volume(int volume) override { calls.push_back("SetMP3Volume=" + Text(volume)); }
    void SetAudioQuality(int quality) override { calls.push_back("SetAudioQuality=" + Text(quality)); }
    void SetSubFontFile(const std::wstring& path) override { calls.push_back("SetSubFontFile=" + std::string(path.begin(), path.end())); }
    void SetSubScale(double percent) override { calls.push_back("SetSubScale=" + Text(percent)); }
    void SetSubPosition(double position) override { calls.push_back("SetSubPosition=" + Text(position)); }
    void SetSubEncoding(int encoding) override { calls.push_back("SetSubEncoding=" + Text(encoding)); }
    void SetForceColor(int on) override { calls.push_back("SetForceColor=" + Text(on)); }
    void SetForceBold(int on) override { calls.push_back("SetForceBold=" + Text(on)); }
    void SetForceItalic(int on) override { calls.push_back("SetForceItalic=" + Text(on)); }
    void SetForceUnderline(int on) override { calls.push_back("SetForceUnderline=" + Text(on)); }
    void SetForceStrikeOut(int on) override { calls.push_back("SetForceStrikeOut=" + Text(on)); }
    void SetForceShadow(int on) override { calls.push_back("SetForceShadow=" + Text(on)); }
    void SetShadow(int depth) override { calls.push_back("SetShadow=" + Text(depth)); }
    void SetForceOutLine(int on) override { calls.push_back("SetForceOutLine=" + Text(on)); }
    void SetOutLine(int width) override { calls.push_back("SetOutLine=" + Text(width)); }
    void SetOutLineColor(int colour) override { calls.push_back("SetOutLineColor=" + Text(colour)); }
    void SetPrimaryColour(int colour) override { calls.push_back("SetPrimaryColour=" + Text(colour)); }
    void SetPixelAspect(int aspect) override { calls.push_back("SetPixelAspect=" + Text(aspect)); }
    void SetLineSpacing(int spacing) override { calls.push_back("SetLineSpacing=" + Text(spacing)); }
    void SetAddVCodecName(int on) override { calls.push_back("SetAddVCodecName=" + Text(on)); }
    void SetDVDUseDravel(int on) override { calls.push_back("SetDVDUseDravel=" + Text(on)); }
    void Release() override { }

private:
    template <class T>
    static std::string Text(T value)
    {
        std::ostringstream s;
        s << value;
        return s.str();
    }
};
