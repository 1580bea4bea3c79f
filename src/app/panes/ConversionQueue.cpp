#include "ConversionQueue.h"

#include "IProfile.h"
#include "IVXMMedia.h"
#include "Log.h"
#include "MediaListUI.h"
#include "OnlineMediaListItemUI.h"
#include "ui/UILanguage.h"

namespace {
const char* const kCategory = "CConversionQueue";

// Running, with or without a position yet (-1), or still stopping.
bool IsRunningMedia(IVXMMedia* media) { return media && media->GetConvertState() != 0; }

// An online row converts once its file is downloaded: it is marked and waits.
bool HoldForDownload(CMediaListItemUI* row)
{
    auto* online = dynamic_cast<COnlineMediaListItemUI*>(row);
    if (!online) return false;
    online->SetConvertAfterDownload(true);
    return true;
}
}  // namespace

bool CConversionQueue::IsMp4Output(IProfile* profile)
{
    return profile && profile->GetFileExt() == L"mp4";
}

bool CConversionQueue::Start(CMediaListItemUI* row)
{
    IVXMMedia* media = row->GetMedia();
    IProfile* profile = row->GetProfile();
    bool ok = false;
    if (m_start) ok = m_start(media, profile);
    else if (m_list) ok = m_list->Convert(media, profile);
    if (ok) {
        m_batchOpen = true;
        return true;
    }
    // A refused row would otherwise wait for ever: it shows as failed.
    LogInfoW(kCategory, L"The start of %ls was refused", media ? media->GetSourcePath().c_str() : L"");
    row->ShowFailed(CLanguageManager::GetInstance()->TranslateDictionary(L"ID_STRING_START_REFUSED"));
    return false;
}

bool CConversionQueue::AnyConverting() const
{
    if (!m_list) return false;
    for (int i = 0; i < m_list->GetCount(); ++i) {
        CMediaListItemUI* row = m_list->GetMediaItem(i);
        if (row && IsRunningMedia(row->GetMedia())) return true;
    }
    return false;
}

bool CConversionQueue::AnyStopping() const
{
    for (int i = 0; m_list && i < m_list->GetCount(); ++i)
        if (CMediaListItemUI* row = m_list->GetMediaItem(i); row && row->IsStopping()) return true;
    return false;
}

bool CConversionQueue::AnySavingTags() const
{
    for (int i = 0; m_list && i < m_list->GetCount(); ++i)
        if (CMediaListItemUI* row = m_list->GetMediaItem(i); row && row->IsSavingTags()) return true;
    return false;
}

int CConversionQueue::RunningMp4Rows() const
{
    int count = 0;
    for (int i = 0; m_list && i < m_list->GetCount(); ++i) {
        CMediaListItemUI* row = m_list->GetMediaItem(i);
        if (row && IsRunningMedia(row->GetMedia()) && IsMp4Output(row->GetProfile())) ++count;
    }
    return count;
}

SConvertAllResult CConversionQueue::ConvertAll(int limit, bool hardware)
{
    SConvertAllResult result;
    if (!m_list || m_list->GetCount() == 0) return result;
    if (limit < 1) limit = 1;

    if (m_list->IsJoinMode()) {
        // One output from all rows: the first row carries the join list.
        CMediaListItemUI* first = m_list->GetMediaItem(0);
        if (!first || !first->IsChecked() || !first->GetMedia()) return result;
        m_list->BuildJoinList(first->GetMedia());
        if (Start(first)) ++result.started;
        else ++result.refused;
        return result;
    }

    int mp4 = 0;
    for (int i = 0; i < m_list->GetCount(); ++i) {
        CMediaListItemUI* row = m_list->GetMediaItem(i);
        if (!row || !row->IsChecked() || !row->GetMedia() || row->IsStopping() || row->IsSavingTags() ||
            HoldForDownload(row))
            continue;
        const bool isMp4 = IsMp4Output(row->GetProfile());
        if (IsRunningMedia(row->GetMedia())) {
            // Already converting: it holds one of the places.
            ++result.started;
            if (isMp4) ++mp4;
            continue;
        }
        if (result.started >= limit || (hardware && mp4 >= 2)) {
            row->SetStatus(ITEM_STATUS_QUEUED);
            row->SetStatusText(kStatusTextWaiting);
            continue;
        }
        if (Start(row)) {
            ++result.started;
            if (isMp4) ++mp4;
        } else {
            ++result.refused;
        }
    }
    m_running = result.started > 0;
    return result;
}

CMediaListItemUI* CConversionQueue::StartNext(CMediaListItemUI* finished, bool hardware)
{
    if (!m_running || !m_list) return nullptr;
    bool waiting = false;
    for (int i = 0; i < m_list->GetCount(); ++i) {
        CMediaListItemUI* row = m_list->GetMediaItem(i);
        if (!row || row == finished || !row->IsChecked() || row->IsStopping() || row->IsSavingTags() ||
            HoldForDownload(row))
            continue;
        const VXM_ITEM_STATUS status = row->GetStatus();
        if (status == ITEM_STATUS_FAILED || status == ITEM_STATUS_DONE) continue;
        IVXMMedia* media = row->GetMedia();
        if (!media || media->GetConvertState() != 0) continue;
        if (hardware && IsMp4Output(row->GetProfile()) && RunningMp4Rows() >= 2) {
            // Waits for one of the two hardware encoders.
            waiting = true;
            break;
        }
        if (Start(row)) return row;
    }
    m_running = waiting;
    return nullptr;
}

void CConversionQueue::StopAll()
{
    m_running = false;
    if (!m_list) return;
    for (int i = 0; i < m_list->GetCount(); ++i)
        if (CMediaListItemUI* row = m_list->GetMediaItem(i)) row->StopConvert();
}

bool CConversionQueue::TakeCompletion()
{
    if (m_running || !m_batchOpen || AnyConverting() || AnySavingTags()) return false;
    m_batchOpen = false;
    return true;
}
