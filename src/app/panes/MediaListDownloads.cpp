// The downloader's reports on the online rows of a list: the busy ring, the
// status texts, the progress, the part labels and the thumbnail.
#include "MediaListUI.h"
#include "OnlineMediaListItemUI.h"

#include "VXMDownloader.h"
#include "platform/paths.h"
#include "platform/text.h"
#include "ui/UICustomControls.h"
#include "ui/UILanguage.h"
#include "platform/paths.h"

#include <filesystem>
#include <regex>

namespace {

constexpr int kTextAnalysing = 109;
constexpr int kTextAnalysed = 110;
constexpr int kTextAnalysisFailed = 111;
constexpr int kTextPart = 187;

// The part number in the downloader's status texts: the part's file name
// ("Title - part2", "Title - part2  (1.5 MiB/s)", "Title - part2.mp4").
const std::wregex& PartPattern()
{
    static const std::wregex pattern(L" - part(\\d+)(?=[.\\s]|$)", std::regex::ECMAScript);
    return pattern;
}

}  // namespace

COnlineMediaListItemUI* CMediaListUI::FindOnlineItem(const VXM_DOWNLOAD_RECORD& record) const
{
    return dynamic_cast<COnlineMediaListItemUI*>(FindItem(record.media));
}

void CMediaListUI::OnDownloadStarted(const VXM_DOWNLOAD_RECORD& record)
{
    COnlineMediaListItemUI* row = FindOnlineItem(record);
    if (!row) return;
    row->StartRing();
    SetDownloadStatus(kTextAnalysing, record);
}

void CMediaListUI::OnDownloadFinished(const VXM_DOWNLOAD_RECORD& record, bool success)
{
    COnlineMediaListItemUI* row = FindOnlineItem(record);
    if (!row) return;
    row->StopRing();
    if (!success) {
        row->SetDownloadStatusText(kTextAnalysisFailed, record.errorText);
        return;
    }
    row->SetDownloadStatusText(kTextAnalysed);
    if (!record.title.empty()) {
        row->SetOutputName(record.title);
        row->SetTitle(record.title);
    }
}

void CMediaListUI::SetDownloadStatus(int textId, const VXM_DOWNLOAD_RECORD& record)
{
    COnlineMediaListItemUI* row = FindOnlineItem(record);
    if (!row) return;
    if (textId != 0) row->SetDownloadStatusText(textId);
    else row->SetDownloadStatusText(0, record.statusText);
    if (record.partCount >= 1 && record.partIndex >= 1) {
        // The current part's record lies `partIndex` links on; the first one's
        // title serves when the chain is shorter.
        const VXM_DOWNLOAD_RECORD* part = &record;
        for (int i = 0; i < record.partIndex && part; ++i) part = part->next.get();
        const std::wstring& title = part ? part->title : record.title;
        row->SetOutputName(FormatW(L"%s - #%d of %d", title.c_str(), record.partIndex + 1, record.partCount));
    }
}

void CMediaListUI::OnDownloadProgress(const VXM_DOWNLOAD_RECORD& record, int value)
{
    COnlineMediaListItemUI* row = FindOnlineItem(record);
    if (!row) return;
    row->SetProgress(value);
    if (record.statusText.empty()) return;
    row->SetToolTip(record.statusText);
    if (record.partCount < 2) return;
    // The last match: the name ends with the part, whatever the title holds.
    std::wstring part;
    for (std::wsregex_iterator it(record.statusText.begin(), record.statusText.end(), PartPattern()), end; it != end; ++it)
        part = (*it)[1].str();
    if (part.empty()) return;
    if (!row->SetPartText(part)) return;
    if (CControlUI* label = GetManager() ? GetManager()->FindSubControlByName(row, L"ID_LABEL_ITEM_SHORT_NAME") : nullptr)
        label->SetText(CLanguageManager::GetInstance()->FormatString(kTextPart, row->GetTitle().c_str(), part.c_str()));
}

void CMediaListUI::SetDownloadThumbnail(const VXM_DOWNLOAD_RECORD& record)
{
    COnlineMediaListItemUI* row = FindOnlineItem(record);
    if (!row || record.thumbnailPath.empty()) return;
    row->SetShownImage(record.thumbnailPath);
    std::error_code ec;
    if (!std::filesystem::exists(PathFromWide(record.thumbnailPath), ec)) return;
    if (CControlUI* c = GetManager() ? GetManager()->FindSubControlByName(row, L"ID_LAYOUT_THUMBNAIL_V") : nullptr)
        c->SetBkImage(record.thumbnailPath);
}

int CMediaListUI::ResetDownloadItem(const VXM_DOWNLOAD_RECORD& record, bool remove, bool reset)
{
    COnlineMediaListItemUI* row = FindOnlineItem(record);
    if (!row) return -1;
    const int index = GetItemIndex(row);
    if (reset) {
        row->StopRing();
        row->ShowInformation();
    }
    if (remove) RemoveItem(row);
    return index;
}
