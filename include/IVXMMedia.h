// A media object of the engine: a file, a DVD title or an audio-CD track.
// Objects are made by the engine's factories and destroyed with Release.
// Texts cross as wide strings by value; times are milliseconds unless named.
#pragma once
#include "IVXMStreams.h"
#include "VXMTypes.h"
#include <cstdint>
#include <string>
#include <vector>

class IProfile;
struct SDL_Surface;

// What a failed Probe returns (0 and above: probed).
enum VXM_PROBE_RESULT {
    VXM_PROBE_FAILED = -1,     // cannot run, stream information unreadable, or another failure
    VXM_PROBE_NOT_FOUND = -2,  // no such file
    VXM_PROBE_NO_ACCESS = -3,  // not readable by this user
    VXM_PROBE_NOT_MEDIA = -4,  // no format the engine reads, or no stream in it
};

class IVXMMedia {
public:
    // Probing, thumbnails and the preview player.
    virtual int Probe() = 0;                                        // >= 0 probed, else VXM_PROBE_RESULT
    virtual int MakeThumbnail(int seconds, int width, int height) = 0;
    virtual void TakeSnapshot(const std::wstring& folder, int value) = 0;
    virtual int InitPreviewWindow(HWND hwnd) = 0;                   // 0 done, -1 failed
    virtual int StartPreview(HWND hNotify) = 0;                     // 0 started, -1 failed
    virtual void SeekPreview(float seconds) = 0;
    virtual void TogglePreviewPause() = 0;
    virtual void StopPreview() = 0;
    virtual int GetPreviewState() = 0;                              // 0 none, 1 running, -1 clock lost
    virtual float GetPreviewPosition() = 0;                         // seconds
    virtual float GetConvertPosition() = 0;                         // seconds
    virtual void ReportProgress(int who) = 0;
    virtual void SetPreviewVolume(int percent) = 0;
    virtual void AdjustPreview(int code, int value) = 0;

    // Conversion.
    virtual std::uint64_t EstimateOutputSize(IProfile* profile) = 0;
    virtual void StartConvert(IProfile* profile, HWND hNotify, int flag) = 0;
    virtual void PauseConvert() = 0;
    virtual void ResumeConvert() = 0;
    virtual void StopConvert() = 0;
    virtual int GetConvertState() = 0;                              // 0 none, 1 running, -1 position lost
    virtual void RemuxToMP4(const std::wstring& secondInput, const std::wstring& outputFolder, HWND hNotify) = 0;
    virtual void Join(std::vector<IVXMMedia*> others, const std::wstring& outputFolder, HWND hNotify) = 0;  // blocks

    virtual void Release() = 0;                                     // destroys the object

    // Source, output and thumbnail paths.
    virtual void SetSourcePath(const std::wstring& path) = 0;
    virtual std::wstring GetSourcePath() const = 0;
    virtual std::wstring GetOutputFolder() const = 0;
    virtual void SetOutputFolder(const std::wstring& folder) = 0;   // a last "/" or "\\" is cut
    virtual std::wstring GetOutputPath() const = 0;
    virtual std::wstring GetOutputName() const = 0;
    virtual void SetOutputName(const std::wstring& name) = 0;
    virtual std::wstring GetThumbnailPath() const = 0;
    virtual void SetThumbnailPath(const std::wstring& path) = 0;
    virtual void SetPreviewWindow(HWND hwnd) = 0;
    virtual std::wstring GetSourceFolder() const = 0;
    virtual std::wstring GetSourceTitle() const = 0;
    virtual std::wstring GetSourceExtension() const = 0;            // with its dot

    // Times and trim.
    virtual int GetStartTime() const = 0;
    virtual int GetClipLength() const = 0;                          // effective duration
    virtual int GetDuration() const = 0;                            // same value as GetClipLength
    virtual int GetEndTime() const = 0;                             // 0 = no end trim
    virtual void SetDuration(int ms) = 0;
    virtual void SetStartTime(int ms) = 0;
    virtual void SetEndTime(int ms) = 0;
    virtual void SetHasVideo(int hasVideo) = 0;

    // Streams.
    virtual int GetVideoStreamIndex() const = 0;
    virtual IVXMVideo* GetVideoStream() = 0;
    virtual int GetVideoStreamCount() const = 0;
    virtual IVXMVideo* GetVideoStreamAt(int index) = 0;
    virtual int GetAudioTrackId() const = 0;
    virtual IVXMAudio* GetAudioTrack() = 0;
    virtual int GetAudioTrackCount() const = 0;
    virtual IVXMAudio* GetAudioTrackAt(int index) = 0;
    virtual int GetSubtitleId() const = 0;
    virtual IVXMSubtitle* GetSubtitle() = 0;
    virtual int GetSubtitleCount() const = 0;
    virtual IVXMSubtitle* GetSubtitleAt(int index) = 0;
    virtual int AddAudioFile(const std::wstring& path) = 0;         // 0 added, -1 refused
    virtual int AddSubtitleFile(const std::wstring& path) = 0;      // .srt, .ass, .ssa; 0 or -1
    virtual int RemoveAudioFile(int index) = 0;
    virtual int RemoveSubtitleFile(int index) = 0;
    virtual int SelectStreams(int video, int audio, int subtitle) = 0;
    virtual int GetSelectedVideoStream() const = 0;                 // -1 without a selection
    virtual int GetSelectedAudioStream() const = 0;
    virtual int GetSelectedSubtitleStream() const = 0;
    virtual int GetMediaKind() const = 0;                           // 0 file, 1 DVD title, 2 CD track

    // Joining.
    virtual void AddJoinMedia(IVXMMedia* media) = 0;
    virtual void ClearJoinList() = 0;

    // Watermarks of the preview (null without a preview runner).
    virtual SDL_Surface* RenderTextWatermark() = 0;
    virtual SDL_Surface* LoadImageWatermark() = 0;

    virtual int IsProtected() = 0;                                  // 1 copy-protected source

    virtual ~IVXMMedia() = default;

protected:
    IVXMMedia() = default;
    IVXMMedia(const IVXMMedia&) = default;
    IVXMMedia& operator=(const IVXMMedia&) = delete;
};

// A DVD title: a media object with the title's DVD data.
class IVXMDVDTitle : public IVXMMedia {
public:
    virtual int GetTitleInfoA() const = 0;          // title number
    virtual int GetTitleInfoB() const = 0;          // second title value
    virtual std::wstring GetVideoStandard() const = 0;
    virtual std::wstring GetDisplayFormat() const = 0;
    virtual std::wstring GetDiscName() const = 0;
    virtual int IsMainTitle() const = 0;
    virtual std::wstring GetDiscPath() const = 0;
    virtual int GetAngleCount() const = 0;
    virtual int GetChapterCount() const = 0;
    virtual IVXMDVDChapter* GetChapterAt(int index) = 0;
    virtual int GetCellCount() const = 0;
    virtual IVXMCell* GetCellAt(int index) = 0;
    virtual int SetChapterRange(int first, int last) = 0;   // 0 stored, -1 refused
    virtual int SetAngle(int angle) = 0;                    // 0 stored, -1 refused
    virtual int GetFirstChapter() const = 0;                // -1 unset
    virtual int GetLastChapter() const = 0;                 // -1 unset
    virtual int GetAngle() const = 0;                       // -1 unset

protected:
    IVXMDVDTitle() = default;
    IVXMDVDTitle(const IVXMDVDTitle&) = default;
};

// One track of an audio CD as a media object.
class IVXMDiscAudiotrack : public IVXMMedia {
public:
    virtual std::wstring GetDrivePath() const = 0;

protected:
    IVXMDiscAudiotrack() = default;
    IVXMDiscAudiotrack(const IVXMDiscAudiotrack&) = default;
};
