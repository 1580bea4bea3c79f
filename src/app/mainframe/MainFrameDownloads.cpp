// The downloader's messages reach the online rows here: each carries its
// record (or format question) as a copy the window owns from now on.
#include "VXMMainFrameWnd.h"

#include "DBHelper.h"
#include "DlgModuleUpdate.h"
#include "HttpDownload.h"
#include "Log.h"
#include "ModuleUpdate.h"
#include "VXMSettings.h"
#include "ui/desktop/Desktop.h"
#include "MainFrameDialogs.h"
#include "MediaHandler.h"
#include "VXMDownloader.h"
#include "panes/MainPaneUI.h"
#include "panes/MediaListUI.h"
#include "panes/OnlineMediaListItemUI.h"

#include <memory>

namespace {

constexpr int kTextDownloaded = 112;
constexpr int kTextDownloadFailed = 113;
constexpr int kTextDownloadCancelled = 114;

CMediaListUI* ListOf(IMainPane* pane)
{
    auto* mainPane = dynamic_cast<CMainPaneUI*>(pane);
    return mainPane ? mainPane->GetMediaList() : nullptr;
}

}  // namespace

bool CVXMMainFrameWnd::DispatchDownloaderMessage(UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    if (uMsg == WM_VXM_MODULE_UPDATE_AVAILABLE) {
        CHttpGetOptions options;
        if (m_settings) options.proxy = MakeProxyText(m_settings->ProxyServer, m_settings->ProxyPort);
        RunModuleUpdateDialog(GetHWND(), options);
        return true;
    }
    if (uMsg == WM_VXM_DOWNLOADER_SELECT_FORMAT) {
        // Dropped unanswered, the question cancels its download.
        std::unique_ptr<CFormatRequestTicket> ticket(reinterpret_cast<CFormatRequestTicket*>(lParam));
        if (!ticket) return true;
        // No question for a row that has gone meanwhile.
        for (IMainPane* pane : {m_mainPane, m_burnPane})
            if (CMediaListUI* list = ListOf(pane); list && list->FindItemByMedia(ticket->Request().media)) {
                OnSelectFormat(*ticket);
                break;
            }
        return true;
    }
    if (uMsg != WM_VXM_DOWNLOADER_EVENT && uMsg != WM_VXM_DOWNLOADER_PROGRESS && uMsg != WM_VXM_DOWNLOADER_STATUS)
        return false;
    std::unique_ptr<VXM_DOWNLOAD_RECORD> record(reinterpret_cast<VXM_DOWNLOAD_RECORD*>(lParam));
    if (!record) return true;
    // The list that holds the record's row: the main list, else the burn list.
    IMainPane* pane = nullptr;
    CMediaListUI* list = nullptr;
    for (IMainPane* candidate : {m_mainPane, m_burnPane}) {
        CMediaListUI* l = ListOf(candidate);
        if (l && l->FindItemByMedia(record->media)) {
            pane = candidate;
            list = l;
            break;
        }
    }
    if (!list) return true;  // the row is gone
    if (uMsg == WM_VXM_DOWNLOADER_PROGRESS) list->OnDownloadProgress(*record, static_cast<int>(wParam));
    else if (uMsg == WM_VXM_DOWNLOADER_STATUS) list->SetDownloadStatus(0, *record);
    else OnDownloaderEvent(static_cast<int>(wParam), *record, pane, list);
    return true;
}

void CVXMMainFrameWnd::OnDownloaderEvent(int type, const VXM_DOWNLOAD_RECORD& record, IMainPane* pane, CMediaListUI* list)
{
    const int page = pane == m_burnPane ? 1 : 0;
    auto* row = dynamic_cast<COnlineMediaListItemUI*>(list->FindItemByMedia(record.media));
    switch (type) {
    case DOWNLOAD_EVENT_STARTED:
        list->OnDownloadStarted(record);
        break;
    case DOWNLOAD_EVENT_ANALYSED:
    case DOWNLOAD_EVENT_ANALYSIS_FAILED:
        list->OnDownloadFinished(record, type == DOWNLOAD_EVENT_ANALYSED);
        break;
    case DOWNLOAD_EVENT_THUMBNAIL:
        list->SetDownloadThumbnail(record);
        break;
    case DOWNLOAD_EVENT_FILE_DONE: {
        if (m_page != page) SelectPage(page);
        const int position = row ? list->GetItemIndex(row) : -1;
        IVXMMedia* media = m_mediaHandler ? m_mediaHandler->AddFile(record.filePath, static_cast<short>(position), 8) : nullptr;
        if (!media) break;
        // The media manager counts it under its site once the history holds it.
        if (CDBHelper::GetInstance()->AddDownloadedRecord(record.siteName, record.pageUrl, record.thumbnailPath, media) &&
            m_mainPane)
            m_mainPane->AddDownloadedEntry(record.siteName);
        // A conversion asked for while the file was on its way starts when its row is there.
        if (auto* mainPane = dynamic_cast<CMainPaneUI*>(pane); mainPane && row && row->IsConvertAfterDownload())
            mainPane->ConvertWhenAdded(media);
        break;
    }
    case DOWNLOAD_EVENT_FAILED:
    case DOWNLOAD_EVENT_TOOL_FAILED:
    case DOWNLOAD_EVENT_CANCELLED:
        if (row) {
            row->SetDownloadStatusText(type == DOWNLOAD_EVENT_CANCELLED ? kTextDownloadCancelled : kTextDownloadFailed);
            // The tool's own words for the failure, as failed conversions have them.
            if (type != DOWNLOAD_EVENT_CANCELLED && !record.errorText.empty())
                row->SetDownloadStatusToolTip(record.errorText);
        }
        list->ResetDownloadItem(record, false, true);
        break;
    case DOWNLOAD_EVENT_ALL_DONE:
        if (m_page != page) SelectPage(page);
        if (row) row->SetDownloadStatusText(kTextDownloaded);
        list->ResetDownloadItem(record, true, true);
        if (pane) pane->RefreshListState();
        break;
    default:
        break;
    }
}

void CVXMMainFrameWnd::OnSelectFormat(CFormatRequestTicket& ticket)
{
    const auto& dialogs = MainFrameDialogs();
    if (!dialogs.chooseFormat) return;
    if (dialogs.chooseFormat(GetHWND(), ticket.Request()) == 0) ticket.Choose();
}

void CVXMMainFrameWnd::StartModuleVersionCheck()
{
    IOnlineState* online = Desktop().online;
    if (!online || !online->IsOnline() || !m_mediaHandler || !m_mediaHandler->GetDownloader()) return;
    CHttpGetOptions options;
    if (m_settings) options.proxy = MakeProxyText(m_settings->ProxyServer, m_settings->ProxyPort);
    // The installed version is asked on the check's thread: asking runs the
    // tool, which may hang. The check ends before the downloader goes.
    IVXMDownloader* downloader = m_mediaHandler->GetDownloader();
    m_moduleCheck = std::make_unique<CModuleVersionCheck>();
    m_moduleCheck->Start([downloader] { return downloader->GetToolVersion(); }, GetHWND(), options);
}
