// The main pane's rows: files, DVD titles, CD tracks, online addresses and
// cue-sheet tracks added to the list, their segments and effect marks, and
// the rows that go with a removed disc.
#include "MainPaneUI.h"

#include "IVXMDVDFile.h"
#include "IVXMDiscFile.h"
#include "IVXMMedia.h"
#include "Log.h"
#include "MediaFolders.h"
#include "MediaListUI.h"
#include "MediaHandler.h"
#include "OnlineMediaListItemUI.h"
#include "PreviewPaneUI.h"
#include "ProbedTags.h"
#include "RowTags.h"
#include "VXMGlobal.h"
#include "VXMMediaBase.h"
#include "VXMMediaExports.h"
#include "VXMSettings.h"
#include "ui/UILanguage.h"
#include "ui/desktop/Desktop.h"

#include <list>

namespace {

const char* const kCategory = "CMainPaneUI";
const wchar_t* const kCaption = L"Vexmora Professional";

// Row kinds in the order of the list's row kinds.
constexpr int kRowFile = 0;
constexpr int kRowDVD = 1;
constexpr int kRowOnline = 2;
constexpr int kRowChild = 3;

}  // namespace

CMediaListItemUI* CMainPaneUI::AddRow(int position, IVXMMedia* media, int kind, int downloadFlag)
{
    if (!m_mediaList || !media) return nullptr;
    static const EMediaRowKind kinds[] = {EMediaRowKind::File, EMediaRowKind::DVD, EMediaRowKind::Online,
                                          EMediaRowKind::Child};
    CMediaListItemUI* row = m_mediaList->AddMedia(media, kinds[kind], true, position, downloadFlag);
    if (!row) return nullptr;
    const bool join = m_mediaList->IsJoinMode();
    row->SetJoinLayout(join && !(m_mediaList->GetCount() == 1));
    return row;
}

CMediaListItemUI* CMainPaneUI::AddFileRow(int position, IVXMMedia* media)
{
    CMediaListItemUI* row = AddRow(position, media, kRowFile);
    if (!row) return nullptr;
    row->SetChecked(true);
    VXM_MEDIA_TAGS tags;
    const std::wstring thumbnail = media->GetThumbnailPath();
    // Files added through the loader had their tags read beside the probe;
    // whether a cover became the row's picture is known without a lookup in
    // the temporary folder, which waits while workers write pictures there.
    bool cover = false;
    int handled = TakeTagsForRow(media, tags, thumbnail, &cover);
    if (handled < 0) {
        handled = AddProbedTags(media, tags, ReadMediaTags(media, tags));
        cover = IsExistingFile(thumbnail);
    }
    const bool tagged = handled == 1;
    if (cover) {
        // A cover read from the tags is the row's picture, and the one written again.
        if (tagged && !media->GetVideoStream()) tags.cover = thumbnail;
        row->SetShownImage(thumbnail);
        if (CControlUI* c = m_paintManager ? m_paintManager->FindSubControlByName(row, L"ID_LAYOUT_THUMBNAIL_V") : nullptr)
            c->SetBkImage(thumbnail);
    }
    if (tagged) row->SetTags(tags);
    if (m_paintManager) m_paintManager->SendNotify(this, L"item_created", 0, m_burn ? 1 : 0);
    return row;
}

CMediaListItemUI* CMainPaneUI::AddDVDRow(int position, IVXMMedia* title)
{
    CMediaListItemUI* row = AddRow(position, title, kRowDVD);
    if (!row) return nullptr;
    if (m_paintManager) m_paintManager->SendNotify(this, L"item_created", 0, m_burn ? 1 : 0);
    auto* dvd = dynamic_cast<IVXMDVDTitle*>(title);
    if (dvd && title->GetClipLength() >= 180001 && dvd->IsMainTitle()) {
        row->SetChecked(true);
        if (auto* dvdRow = dynamic_cast<CDVDMediaListItemUI*>(row)) dvdRow->MarkMainTitle();
    }
    return row;
}

CMediaListItemUI* CMainPaneUI::AddOnlineRow(int position, IVXMMedia* media, int downloadFlag)
{
    CMediaListItemUI* row = AddRow(position, media, kRowOnline, downloadFlag);
    if (row) row->SetChecked(true);
    return row;
}

CMediaListItemUI* CMainPaneUI::AddChildRow(IVXMMedia* child, int parentIndex, IVXMMedia* parent, int startMs,
                                           int endMs, int segmentIndex)
{
    if (!m_mediaList || !child || !parent) return nullptr;
    if (CMediaListItemUI* parentRow = m_mediaList->GetMediaItem(parentIndex)) parentRow->SetChecked(false);
    CMediaListItemUI* row = AddRow(parentIndex + segmentIndex + 1, child, kRowChild);
    if (!row) return nullptr;
    if (auto* childRow = dynamic_cast<CChildListItemUI*>(row)) {
        childRow->SetParentMedia(parent);
        childRow->SetSegment(segmentIndex, startMs, endMs);
        childRow->UpdateDuration();
    }
    row->SetOutputName(parent->GetSourceTitle() + L"_Segment_" + std::to_wstring(segmentIndex));
    row->SetChecked(true);
    return row;
}

void CMainPaneUI::AddMedia(IVXMMedia* media, short position, unsigned short flags)
{
    if (!media) return;
    // The engine names the outputs of burn rows its own way.
    if (auto* base = dynamic_cast<CVXMMediaBase*>(media)) base->m_bBurnNaming = m_burn ? 1 : 0;
    if (!m_mediaList) {
        media->Release();
        return;
    }
    CMediaListItemUI* row = nullptr;
    if (flags & 1) row = AddOnlineRow(-1, media, (flags & 4) ? 1 : 0);
    else if (media->GetMediaKind() == 1) row = AddDVDRow(position, media);
    else row = AddFileRow(position, media);
    if (!row) {
        // No row took it: nobody else will release it.
        m_convertWhenAdded.erase(media);
        media->Release();
        return;
    }
    if ((flags & 8) && m_convertWhenAdded.erase(media)) {
        // A downloaded file whose online row was asked to convert.
        m_queue.NoteStarted();
        row->StartConvert();
    }
    SelectListPage(1);
    OnListChanged();
}

bool CMainPaneUI::ReportNoTitles(const char* logCategory)
{
    const std::wstring text = CLanguageManager::GetInstance()->LoadStringW(122);
    LogInfoW(logCategory, L"%ls", text.c_str());
    if (auto* box = Desktop().messageBox) box->Show(m_paintManager ? m_paintManager->GetPaintWindow() : nullptr, text, kCaption, MB_OK | MB_ICONERROR);
    return false;
}

bool CMainPaneUI::AddDVDTitles(IVXMDVDFile* dvd)
{
    const int count = dvd ? dvd->GetTitleCount() : 0;
    if (count <= 0) return ReportNoTitles("?AddDVDTitles@CMainPaneUI@@QAE_NPAVIVXMDVDFile@@@Z");
    for (int i = 0; i < count; ++i) {
        // A title handed out is ours: a row takes it, or it is released here.
        IVXMDVDTitle* title = dvd->GetTitleAt(static_cast<unsigned>(i));
        if (!title) continue;
        if (title->GetClipLength() < 10000) {
            title->Release();
            continue;
        }
        title->SetEndTime(title->GetClipLength());
        AddMedia(title, -1, 0);
    }
    return true;
}

bool CMainPaneUI::AddCDTitles(IVXMDiscFile* disc)
{
    const int count = disc ? disc->GetTrackCount() : 0;
    if (count <= 0) return ReportNoTitles("?AddCDTitles@CMainPaneUI@@QAE_NPAVIVXMDiscFile@@@Z");
    for (int i = 0; i < count; ++i) {
        // A track handed out is ours: a row takes it, or it is released here.
        IVXMMedia* track = disc->GetTrackAt(i);
        if (!track) continue;
        if (m_burn)
            if (auto* base = dynamic_cast<CVXMMediaBase*>(track)) base->m_bBurnNaming = 1;
        CMediaListItemUI* row = nullptr;
        const int kind = track->GetMediaKind();
        if (kind == 1) row = AddDVDRow(-1, track);
        else if (kind == 0 || kind == 2) row = AddFileRow(-1, track);
        if (row) SelectListPage(1);
        else track->Release();
    }
    OnListChanged();
    return true;
}

bool CMainPaneUI::HoldsMedia(IVXMMedia* media) const
{
    return m_mediaList && media && m_mediaList->FindItem(media);
}

void CMainPaneUI::RemoveMedia(IVXMMedia* media)
{
    if (!m_mediaList) return;
    if (CMediaListItemUI* row = m_mediaList->FindItem(media)) {
        m_mediaList->RemoveItem(row);
        OnListChanged();
    }
}

void CMainPaneUI::RemoveDriveRows(const std::wstring& drive)
{
    if (!m_mediaList || drive.empty()) return;
    for (int i = m_mediaList->GetCount() - 1; i >= 0; --i) {
        CMediaListItemUI* row = m_mediaList->GetMediaItem(i);
        IVXMMedia* media = row ? row->GetMedia() : nullptr;
        if (!media) continue;
        std::wstring from;
        if (auto* title = dynamic_cast<IVXMDVDTitle*>(media)) from = title->GetDiscPath();
        else if (auto* track = dynamic_cast<IVXMDiscAudiotrack*>(media)) from = track->GetDrivePath();
        if (from == drive) m_mediaList->RemoveItem(row);
    }
    OnListChanged();
}

void CMainPaneUI::ImportCue(const std::wstring& path)
{
    // The main window reads the sheet and hands its tracks to the active pane.
    HWND window = m_paintManager ? m_paintManager->GetPaintWindow() : nullptr;
    if (!window) {
        LogInfoW(kCategory, L"Cue sheet %ls: no window imports it", path.c_str());
        return;
    }
    SendMessage(window, WM_VXM_IMPORT_CUE, reinterpret_cast<WPARAM>(path.c_str()), 0);
}

bool CMainPaneUI::AddCueTrackRow(IVXMMedia* track, const CCueRowInfo& info)
{
    // Added as any loaded media (a media no row takes is released there).
    AddMedia(track, -1, 0);
    CMediaListItemUI* row = m_mediaList ? m_mediaList->FindItem(track) : nullptr;
    if (!row) return false;
    // The track's tags are the sheet's, not the whole file's.
    VXM_MEDIA_TAGS tags = row->HasTags() ? row->GetTags() : VXM_MEDIA_TAGS();
    tags.artist = info.performer;
    tags.album = info.album;
    tags.title = info.title;
    tags.track = info.trackNumber;
    if (!info.year.empty()) tags.year = info.year;
    if (!info.genre.empty()) tags.genre = info.genre;
    row->SetTags(tags);
    row->SetFromCueSheet(true);
    return true;
}

void CMainPaneUI::RebuildSegments(IVXMMedia* media)
{
    auto* data = dynamic_cast<CVXMMediaBase*>(media);
    if (!data || !m_mediaList || !m_mediaList->FindItem(media)) return;
    int k = 0;
    // A copy of the list: adding a child row does not change it, but keep
    // the walk independent of the rows anyway.
    const std::list<VXM_CLIP_SEGMENT> segments = data->m_lstClipSegments;
    for (const VXM_CLIP_SEGMENT& segment : segments) {
        if (m_mediaList->FindChildItem(k, media)) {
            m_mediaList->SetChildItemRange(media, k, segment.m_nStart, segment.m_nEnd);
        } else if (IVXMMedia* copy = CreateVXMMediaObject(media)) {
            copy->SetStartTime(segment.m_nStart);
            copy->SetEndTime(segment.m_nEnd);
            copy->SetDuration(segment.m_nEnd - segment.m_nStart);
            const int parentIndex = m_mediaList->GetItemIndex(m_mediaList->FindItem(media));
            if (!AddChildRow(copy, parentIndex, media, segment.m_nStart, segment.m_nEnd, k)) copy->Release();
        }
        ++k;
    }
    m_mediaList->SyncChildItems(media);
    // A trim changes the row's length and the times its settings show.
    if (CMediaListItemUI* row = m_mediaList->FindItem(media)) {
        row->UpdateDuration();
        if (row == SelectedRow()) ShowCurrentProfileSettings(row);
    }
    OnListChanged();
}

void CMainPaneUI::RefreshEffectMark(IVXMMedia* media)
{
    CMediaListItemUI* row = m_mediaList ? m_mediaList->FindItem(media) : nullptr;
    if (!row || !m_paintManager) return;
    CControlUI* icon = m_paintManager->FindSubControlByName(row, L"ID_LAYOUT_EFFECT_ICON");
    if (!icon) return;
    bool changed = false;
    if (auto* base = dynamic_cast<CVXMMediaBase*>(media)) {
        IVXMVideo* video = media->GetVideoStream();
        const bool cropSet = base->m_nCropWidth > 0 && base->m_nCropHeight > 0;
        const bool cropped =
            cropSet && video && (base->m_nCropWidth != video->GetWidth() || base->m_nCropHeight != video->GetHeight());
        // Any effect away from its neutral value.
        const bool effects = base->m_nBrightness != 0 || base->m_nContrast != 0 || base->m_nSaturation != 0 ||
                             base->m_nEffectId > 0 || base->m_nRotate != 0 || base->m_bFlipVertical != 0 ||
                             base->m_bFlipHorizontal != 0 || base->m_n3DOutput != -1;
        changed = cropped || effects;
    }
    icon->SetVisible(changed);
}

bool CMainPaneUI::RemoveRowsOfPath(const std::wstring& path)
{
    if (!m_mediaList) return false;
    bool removed = false;
    for (int i = m_mediaList->GetCount() - 1; i >= 0; --i) {
        if (i >= m_mediaList->GetCount()) continue;
        CMediaListItemUI* row = m_mediaList->GetMediaItem(i);
        IVXMMedia* media = row ? row->GetMedia() : nullptr;
        std::wstring from;
        if (auto* title = dynamic_cast<IVXMDVDTitle*>(media)) from = title->GetDiscPath();
        else if (auto* track = dynamic_cast<IVXMDiscAudiotrack*>(media)) from = track->GetDrivePath();
        if (!IsPathOfRow(from, path)) continue;
        m_mediaList->RemoveItem(row);
        removed = true;
    }
    if (removed) OnListChanged();
    return removed;
}

void CMainPaneUI::OnListChanged()
{
    if (!m_mediaList) return;
    // The previewed row went: the preview lets go of its media before it is released.
    if (m_previewPane && m_previewPane->GetMedia() && !HoldsMedia(m_previewPane->GetMedia()))
        m_previewPane->SetMedia(nullptr);
    const int count = m_mediaList->GetCount();
    if (CControlUI* toolbar = Find(L"ID_LAYOUT_MERGE_TOOLBAR")) {
        toolbar->SetVisible(count >= 2);
        if (count >= 2)
            if (auto* box = dynamic_cast<COptionUI*>(Find(L"IDC_PANE_CHECK_SHUTDOWN")))
                box->Selected(CVXMSettings::GetInstance()->ShutdownFlag != 0, false);
    }
    if (m_burn && !m_burning) SetBurning(false);
    if (count > 0) {
        SelectListPage(1);
        if (m_mediaList->GetCurSel() < 0) m_mediaList->SelectItem(0);
        return;
    }
    SelectListPage(0);
    ShowCurrentProfileSettings(nullptr);
    SetStatusText({});
    if (m_burn) RefreshConvertButton();
}
