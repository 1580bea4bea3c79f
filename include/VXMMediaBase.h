// The data half of every media object. CVXMMediaImpl, CVXMDVDTitleImpl and
// CVXMDiscAudioTrackImpl derive first from their interface and second from
// CVXMMediaBase; the program and the engine reach these fields through a
// dynamic_cast from IVXMMedia. Times are milliseconds.
#pragma once
#include "IVXMMedia.h"
#include "VXMStreamRecords.h"
#include "VXMEvents.h"
#include "VXMTypes.h"
#include <list>
#include <map>
#include <memory>
#include <string>
#include <vector>

class CCmdFFplay;
class CMessageThread;
struct SDL_Surface;

// An event that belongs to one record (manual reset, set): a copy of the
// record gets an event of its own instead of sharing the original's.
class CRecordEvent {
public:
    CRecordEvent() : m_event(std::make_unique<CEvent>(true, true)) {}
    CRecordEvent(const CRecordEvent&) : CRecordEvent() {}
    CRecordEvent& operator=(const CRecordEvent&) { return *this; }
    CEvent* operator->() const { return m_event.get(); }
    CEvent* get() const { return m_event.get(); }

private:
    std::unique_ptr<CEvent> m_event;
};

// Watermark settings of a media object. The event guards the swap of the
// watermark surface; a copy gets its own event.
struct VXM_WATERMARK {
    int m_bEnabled = 0;
    int m_nScaleMode = 1;           // 0: sizes in reference units, 1: the factors below
    int m_nX = 0;
    int m_nY = 0;
    int m_nWidth = 0;
    int m_nHeight = 0;
    int m_nAux1 = 0;
    int m_nAux2 = 0;
    int m_nRefWidth = 0;            // picture size in which the watermark was placed
    int m_nRefHeight = 0;
    int m_nAux3 = 0;
    int m_nAux4 = 0;
    int m_nAux5 = 0;
    int m_nAux6 = 0;
    double m_dScaleX = 1.0;
    double m_dScaleY = 1.0;
    int m_nAux7 = 100;
    std::wstring m_strText;         // watermark text, or image path
    CRecordEvent m_hSwapEvent;
};

struct VXM_TEXT_WATERMARK : public VXM_WATERMARK {
    std::wstring m_strFontFile;     // empty: the system's default font
    int m_nFontSize = -1;           // -1: automatic
    int m_bStrikeOut = 0;
    int m_bUnderline = 0;
    BYTE m_byRed = 255;
    BYTE m_byGreen = 255;
    BYTE m_byBlue = 255;
    BYTE m_bySpare = 255;
    int m_nFontStyle = 0;           // SDL_ttf style bits: bold 1, italic 2
    int m_nAux8 = 0;
};

// Output-parameter value lists carried with a stream selection.
struct VXM_PARAM_OVERRIDES {
    std::vector<std::vector<std::wstring>> m_vecValueLists;
};

// Streams chosen for conversion (IVXMMedia::SelectStreams).
struct VXM_STREAM_SELECTION {
    std::unique_ptr<VXM_PARAM_OVERRIDES> m_pOverrides;  // may be null
    int m_nVideo = -1;
    int m_nAudio = -1;
    int m_nSubtitle = -1;

    VXM_STREAM_SELECTION() = default;
    VXM_STREAM_SELECTION(const VXM_STREAM_SELECTION& other);
    VXM_STREAM_SELECTION& operator=(const VXM_STREAM_SELECTION&) = delete;
};

// A clip segment set by the clip editor.
struct VXM_CLIP_SEGMENT {
    int m_nStart = 0;
    int m_nEnd = 0;
};

class CVXMMediaBase {
public:
    CVXMMediaBase();
    // Copies the data as a media object copy does: new stream records, new
    // events and surfaces, no runners, no join media, no chapters.
    CVXMMediaBase(const CVXMMediaBase& other);
    CVXMMediaBase& operator=(const CVXMMediaBase&) = delete;
    virtual ~CVXMMediaBase();

    // Effective duration: the trim window (or the whole duration), doubled
    // with m_bDoubleLength, plus the effective durations of the join list.
    int GetEffectiveDuration() const;
    // True when the trim window ends before the end of the source, so that
    // a conversion or preview stops there; a window ending at the source's
    // end runs to the end of the input.
    bool EndsBeforeSourceEnd() const;

    // Video stream matching m_nVideoStreamIndex, else the first with a frame
    // rate, else the first; null for an empty list.
    VXM_VIDEO_STREAM* FindSelectedVideoStream() const;
    // As FindSelectedVideoStream; for a DVD title or CD track without own
    // video records, the object's own answer (IVXMMedia::GetVideoStream).
    IVXMVideo* GetSelectedVideoStream() const;
    // Records by 0-based list position; null out of range.
    VXM_VIDEO_STREAM* GetVideoStreamAt(int index) const;
    VXM_AUDIO_TRACK* GetAudioTrackAt(int index) const;
    VXM_SUBTITLE* GetSubtitleAt(int index) const;
    // Track whose id is m_nAudioTrackId, else the first; null for none.
    VXM_AUDIO_TRACK* FindSelectedAudioTrack() const;
    // Subtitle whose id is m_nSubtitleId, else the first; null for none.
    VXM_SUBTITLE* FindSelectedSubtitle() const;

    // Appends a probed audio track; narrow texts may be null. The codec name
    // is upper-cased and the display name made from codec, rates and channels.
    void AddAudioTrack(const char* language, const char* description, const char* codec,
                       const char* bitrateText, const char* infoText, int channels, int infoValue,
                       const char* infoText2, int id, int id2, int bitrate, int sampleRate);
    // Appends a probed subtitle named "Subtitle N".
    void AddSubtitle(const char* description, const char* language, const char* infoText, int id, int id2);

    // The join list holds media joined after this one; they are not owned.
    // AddJoinMedia refuses duplicates, null, this media and any media whose
    // own join list leads back here.
    void AddJoinMedia(IVXMMedia* media);
    void ClearJoinList();

    // Replaces the stream selection (and its overrides, which it takes over).
    void SetStreamSelection(int video, int audio, int subtitle, std::unique_ptr<VXM_PARAM_OVERRIDES> overrides = nullptr);

    int IsCropped() const;
    int HasPictureAdjustment() const;
    int Get3DState() const;                 // -1 no 3D, 0 2D source made 3D, 1 stereo input

    // Deletes the pass-log file and its ".mbtree" companion; empties the field.
    void DeletePassLogFiles();
    // Deletes the watermark pictures written for the conversion's overlays.
    void DeleteOverlayFiles();
    // Deletes the files the conversion's job made for its own steps
    // (m_vecJobTempFiles) and empties the list.
    void DeleteJobTempFiles();
    // Copies the source's file times to m_strOutputFile when the engine
    // setting asks for it.
    void CopySourceFileTimes();
    void SetOutputFolder(const std::wstring& folder);

protected:
    // Stops and joins whatever runs for this media (runners, monitor thread)
    // and deletes its runners. Every media destructor calls it first, before
    // its own fields go; the base destructor calls it again (a no-op by then).
    void StopAndJoinAll();

public:
    std::wstring m_strSourcePath;
    std::wstring m_strSourceFolder;
    std::wstring m_strSourceTitle;
    std::wstring m_strSourceExt;
    std::wstring m_strAux1;
    int m_nDuration = 0;
    int m_nStartTime = 0;
    int m_nEndTime = 0;                     // 0 = no end trim
    // The source's length as the probe found it (0: not known). It may be an
    // estimate (from a bit rate, a header): an end at or past it is the end
    // of the source, not a cut.
    int m_nSourceLength = 0;
    int m_bHasVideo = 0;
    int m_nVideoStreamIndex = -1;
    std::list<std::unique_ptr<VXM_VIDEO_STREAM>> m_lstVideo;
    int m_bHasAudio = 0;
    int m_nAudioTrackId = -1;
    std::list<std::unique_ptr<VXM_AUDIO_TRACK>> m_lstAudio;
    int m_nSubtitleId = -1;
    std::wstring m_strTempFile;
    std::list<std::unique_ptr<VXM_SUBTITLE>> m_lstSubtitle;
    std::list<std::unique_ptr<VXM_MEDIA_CHAPTER>> m_lstChapters;   // not copied
    // The container's tags of what it holds (title, artist, album, comment,
    // genre, date, year, track, lyrics) as the probe read them (libavformat's
    // metadata), keys in lower case: what other programs show where TagLib
    // reads nothing.
    std::map<std::wstring, std::wstring> m_mapMetadata;
    std::wstring m_strPassLogFile;
    std::vector<std::wstring> m_vecOverlayFiles;  // watermark PNGs of the conversion; not copied
    std::wstring m_strOutputFile;
    std::wstring m_strAux5;
    std::wstring m_strAux6;
    std::wstring m_strTempOutput;
    // Working files a job made beside its output (stream files, tool
    // scripts): no step's output, gone when the conversion ends. Not copied.
    std::vector<std::wstring> m_vecJobTempFiles;
    std::wstring m_strOutputName;
    std::wstring m_strOutputFolder;         // without a trailing separator
    std::wstring m_strAux8;                 // not copied
    std::wstring m_strThumbnailPath;
    std::wstring m_strSnapshotFolder;
    std::wstring m_strLastError;            // why the last conversion failed (a tool's error line); not copied
    int m_nLastErrorCodePage = -1;          // it failed as a subtitle's text is not in this code page; not copied
    int m_nMediaKind = 0;                   // 0 file, 1 DVD title, 2 audio-CD track
    std::wstring m_strCDDrive;
    std::wstring m_strDiscPath;
    std::wstring m_strInputOptions;
    int m_nProtected = -1;                  // -1 not read yet
    BYTE m_bBurnNaming = 0;
    std::list<VXM_CLIP_SEGMENT> m_lstClipSegments;
    int m_nAux36 = 0;
    int m_nAux16 = 0;
    HWND m_hClipEditorWnd = nullptr;
    int m_nCropLeft = 0;
    int m_nCropTop = 0;
    int m_nCropWidth = 0;
    int m_nCropHeight = 0;
    int m_nBrightness = 0;                  // -100..100
    int m_nContrast = 0;
    int m_nSaturation = 0;
    int m_nEffectId = 0;                    // above 0: a clip effect is applied
    int m_nRotate = 0;                      // quarter turns clockwise
    int m_bFlipVertical = 0;
    int m_bFlipHorizontal = 0;
    int m_bRotateFirst = 0;
    HWND m_hEffectEditorWnd = nullptr;
    int m_n3DMode = 10;                     // 10, 11: 2D source
    int m_n3DOutput = -1;                   // -1: no 3D
    int m_n3DDepth = 1;                     // percent; 0: no 3D
    int m_n3DWidth = 0;
    int m_n3DHeight = 0;
    double m_d3DDisplayRatio = 0.0;
    int m_n3DAux3 = 0;
    VXM_WATERMARK m_wmImage;
    VXM_TEXT_WATERMARK m_wmText;
    SDL_Surface* m_pImageWatermark = nullptr;   // owned
    SDL_Surface* m_pTextWatermark = nullptr;    // owned
    std::wstring m_str3DIndexFile;
    std::wstring m_str3DScriptFile;
    HWND m_hPreviewWnd = nullptr;
    std::unique_ptr<VXM_STREAM_SELECTION> m_pSelection;
    BYTE m_bNoAudio = 0;
    BYTE m_bNoSubtitle = 0;
    CCmdFFplay* m_pProbeRunner = nullptr;       // owned; see StopAndJoinAll
    CCmdFFplay* m_pPreviewRunner = nullptr;
    CCmdFFplay* m_pConvertRunner = nullptr;
    CCmdFFplay* m_pThumbnailRunner = nullptr;
    int m_nConvertThreads = 0;  // encoder threads of the conversion being built; 0: the settings' limit
    DWORD m_nMonitorThreadId = 0;
    std::unique_ptr<CMessageThread> m_hMonitorThread;
    // Set (under the conversion runner lock) when the media starts to go:
    // from then on nothing is posted for it. Never copied.
    bool m_bReleasing = false;
    std::unique_ptr<CEvent> m_hPauseEvent;      // manual reset; set = running
    int m_bDoubleLength = 0;
    int m_bHasJoinList = 0;                     // 1 while m_lstJoin is not empty
    std::list<IVXMMedia*> m_lstJoin;            // not owned
    int m_nWatermarkTransparency = 0;           // percent; 1..100 take effect
    SDL_Surface* m_pImageWatermarkScaled = nullptr;  // owned

private:
    int EffectiveDurationGuarded(std::vector<const CVXMMediaBase*>& path) const;
    bool JoinListReaches(const CVXMMediaBase* target, std::vector<const CVXMMediaBase*>& seen) const;
};
