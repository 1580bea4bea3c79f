// One title of an opened DVD as a media object. Its source is the title's
// "dvdnav://N" address on the disc path (m_strDiscPath); its streams, chapters
// and cells come from the DVD's structure and live in lists of its own (the
// data half's stream lists hold what a probe of the title found).
// VXMDVDTitle.cpp: data, lists and DVD operations; VXMDVDTitleFill.cpp: the
// filling from the DVD information record; VXMDVDTitlePreview.cpp: probe,
// thumbnail and preview.
#pragma once
#include <list>
#include <memory>

#include "IVXMMedia.h"
#include "VXMMediaBase.h"
#include "VXMMediaObject.h"

struct dvd_title_record;

class CVXMDVDTitleImpl : public CVXMMediaObject<IVXMDVDTitle> {
public:
    CVXMDVDTitleImpl();
    CVXMDVDTitleImpl(const CVXMDVDTitleImpl& other);
    ~CVXMDVDTitleImpl() override;

    int Probe() override;
    int MakeThumbnail(int seconds, int width, int height) override;
    void TakeSnapshot(const std::wstring& folder, int value) override;
    int StartPreview(HWND hNotify) override;
    void AdjustPreview(int code, int value) override;
    void RemuxToMP4(const std::wstring&, const std::wstring&, HWND) override {}
    void Join(std::vector<IVXMMedia*>, const std::wstring&, HWND) override {}

    void SetSourcePath(const std::wstring& path) override;

    void SetHasVideo(int hasVideo) override { m_bHasVideo = hasVideo; }

    int GetVideoStreamIndex() const override { return m_nVideoStreamIndex; }
    IVXMVideo* GetVideoStream() override;
    int GetVideoStreamCount() const override { return static_cast<int>(m_lstTitleVideo.size()); }
    IVXMVideo* GetVideoStreamAt(int index) override;
    int GetAudioTrackId() const override { return m_nAudioTrackId; }
    IVXMAudio* GetAudioTrack() override;
    int GetAudioTrackCount() const override { return static_cast<int>(m_lstTitleAudio.size()); }
    IVXMAudio* GetAudioTrackAt(int index) override;
    int GetSubtitleId() const override { return m_nSubtitleId; }
    IVXMSubtitle* GetSubtitle() override;
    int GetSubtitleCount() const override { return static_cast<int>(m_lstTitleSubtitle.size()); }
    IVXMSubtitle* GetSubtitleAt(int index) override;
    int GetSelectedVideoStream() const override { return m_pSelection ? m_pSelection->m_nVideo : -1; }
    int GetSelectedAudioStream() const override { return m_pSelection ? m_pSelection->m_nAudio : -1; }
    int GetSelectedSubtitleStream() const override { return m_pSelection ? m_pSelection->m_nSubtitle : -1; }
    int GetMediaKind() const override { return m_nMediaKind; }

    SDL_Surface* RenderTextWatermark() override;
    SDL_Surface* LoadImageWatermark() override;
    int IsProtected() override { return 0; }

    int GetTitleInfoA() const override { return m_nTitleNumber; }
    int GetTitleInfoB() const override { return m_nTitleValueB; }
    std::wstring GetVideoStandard() const override { return m_strVideoStandard; }
    std::wstring GetDisplayFormat() const override { return m_strDisplayFormat; }
    std::wstring GetDiscName() const override { return m_strDiscName; }
    int IsMainTitle() const override { return m_bMainTitle; }
    std::wstring GetDiscPath() const override { return m_strDiscPath; }
    int GetAngleCount() const override { return m_nAngleCount; }
    int GetChapterCount() const override { return static_cast<int>(m_lstDVDChapters.size()); }
    IVXMDVDChapter* GetChapterAt(int index) override;
    int GetCellCount() const override { return static_cast<int>(m_lstDVDCells.size()); }
    IVXMCell* GetCellAt(int index) override;
    int SetChapterRange(int first, int last) override;
    int SetAngle(int angle) override;
    int GetFirstChapter() const override;
    int GetLastChapter() const override;
    int GetAngle() const override;

    // Fills a new title from the DVD's record of it. `position` is the
    // title's 1-based place in the disc's list.
    void Fill(const dvd_title_record& record, int position, const std::wstring& discPath,
              const std::wstring& discName);
    void SetMainTitle(int main) { m_bMainTitle = main; }
    // The player's command line for this title.
    std::wstring BuildPreviewCommandLine() const;

    int m_nTitleNumber = -1;
    int m_nTitleValueB = -1;
    std::wstring m_strVideoStandard = L"NTSC";
    std::wstring m_strDisplayFormat = L"LetterBox";
    std::wstring m_strDiscName;
    int m_bMainTitle = 0;
    int m_nAngleCount = 0;
    std::list<std::unique_ptr<VXM_VIDEO_STREAM>> m_lstTitleVideo;
    std::list<std::unique_ptr<VXM_AUDIO_TRACK>> m_lstTitleAudio;
    std::list<std::unique_ptr<VXM_DVD_CHAPTER>> m_lstDVDChapters;
    std::list<std::unique_ptr<VXM_DVD_CELL>> m_lstDVDCells;
    std::list<std::unique_ptr<VXM_SUBTITLE>> m_lstTitleSubtitle;
    int m_nFirstChapter = -1;
    int m_nLastChapter = -1;
    int m_nAngle = -1;

protected:
    std::list<std::unique_ptr<VXM_AUDIO_TRACK>>& AudioTracks() override { return m_lstTitleAudio; }
    std::list<std::unique_ptr<VXM_SUBTITLE>>& Subtitles() override { return m_lstTitleSubtitle; }
};
