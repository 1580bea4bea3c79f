// The main pane's conversion queue: the convert button, the start of the
// checked rows, each row's progress and end, the reason a row failed and the
// files a finished conversion leaves (tags, HTML5 page, history entry).
#include "MainPaneUI.h"

#include "AppStartup.h"
#include "DBHelper.h"
#include "EditMusicDlg.h"
#include "Html5Page.h"
#include "IProfile.h"
#include "IVXMMedia.h"
#include "Log.h"
#include "MediaHandler.h"
#include "MediaListUI.h"
#include "OptionDlgUI.h"
#include "TagWriter.h"
#include "VXMGlobal.h"
#include "VXMMediaBase.h"
#include "VXMSettings.h"
#include "platform/paths.h"
#include "ui/UILanguage.h"
#include "ui/desktop/Desktop.h"

#include <filesystem>
#include <system_error>

namespace {

const char* const kCategory = "CMainPaneUI";

}  // namespace

void CMainPaneUI::HideConvertHint()
{
    if (m_frame) m_frame->HideFirstAid(L"ID_CON_FIRSTAID_CONVERT");
    else if (CControlUI* hint = m_paintManager ? m_paintManager->FindControl(L"ID_CON_FIRSTAID_CONVERT") : nullptr)
        hint->SetVisible(false);
}

bool CMainPaneUI::IsConverting() const
{
    return m_queue.AnyConverting() || m_queue.AnyStopping() || m_queue.AnySavingTags();
}

void CMainPaneUI::OnConvertClick()
{
    SendUsageAction(32, m_burn ? 101 : 100);
    HideConvertHint();
    if (CheckBurn() && m_mediaList) ConvertAll();
}

bool CMainPaneUI::ConvertAll()
{
    if (!m_mediaList) return false;
    CVXMSettings* s = CVXMSettings::GetInstance();
    const SConvertAllResult result = m_queue.ConvertAll(static_cast<int>(s->SimConversionTasks), s->UseNVidiaCUDA != 0);
    if (result.started == 0 && result.refused > 0 && !m_queue.AnyConverting()) {
        // Every start was refused: nothing ran, so no end-of-batch action
        // (shutting the machine down, opening the output folder) runs either.
        LogInfo(kCategory, "No checked row could start: the batch ends before it ran");
    } else if (result.started == 0 && result.refused == 0 && m_mediaList->GetCount() > 0) {
        // Rows that come unchecked (DVD titles but the main one) wait for
        // the user's tick: say so rather than doing nothing.
        LogInfo(kCategory, "Convert all: no row is checked");
        SetStatusText(CLanguageManager::GetInstance()->TranslateDictionary(L"ID_STRING_NOTHING_CHECKED"));
    }
    return result.started > 0;
}

void CMainPaneUI::StopAll()
{
    m_queue.StopAll();
}

void CMainPaneUI::OnConversionStarted(IVXMMedia* media)
{
    CMediaListItemUI* row = m_mediaList ? m_mediaList->FindItem(media) : nullptr;
    if (!row) return;
    m_queue.NoteStarted();
    if (row->GetStatus() != ITEM_STATUS_CONVERTING) {
        row->TakeStopAsked();  // a stop of an earlier run is no part of this one
        row->SetProgress(0);
        if (m_paintManager) {
            if (CControlUI* c = m_paintManager->FindSubControlByName(row, L"ID_CONTAINER_ITEM_CONVERT")) c->SetVisible(true);
            if (CControlUI* c = m_paintManager->FindSubControlByName(row, L"ID_CONTAINER_ITEM_INFORMATION")) c->SetVisible(false);
        }
        row->UpdateStatus();
        if (m_paintManager) m_paintManager->SendNotify(row, L"transstarted", reinterpret_cast<WPARAM>(media), m_burn ? 1 : 0);
    }
    // The rows joined to the first are its parts while it runs.
    if (m_mediaList->IsJoinMode() && m_mediaList->GetItemIndex(row) == 0) m_mediaList->SetJoinedRunning(media);
    SetMergeButtonsEnabled(false);
    RefreshConvertButton();
}

void CMainPaneUI::RefreshConvertButton()
{
    // Convert is offered exactly while the pane converts nothing (and burns nothing).
    if (m_convertButton) m_convertButton->SetEnabled(!m_burning && !IsConverting());
}

void CMainPaneUI::SetProgress(IVXMMedia* media, int permille)
{
    if (CMediaListItemUI* row = m_mediaList ? m_mediaList->FindItem(media) : nullptr) row->SetProgress(permille);
}

bool CMainPaneUI::OnJobFinished(int result, IVXMMedia* media, std::wstring& profileName)
{
    if (!HoldsMedia(media)) return false;
    OnJobFinished(media, result);
    // A row whose output is getting its tags ends later and is counted then.
    if (CMediaListItemUI* row = m_mediaList->FindItem(media); row && row->IsSavingTags()) return false;
    profileName = m_finishedProfileName;
    return true;
}

IProfile* CMainPaneUI::OnJobFinished(IVXMMedia* media, int exitCode)
{
    if (m_mediaList && media && m_mediaList->GetJoinedRunning() == media) m_mediaList->SetJoinedRunning(nullptr);
    CMediaListItemUI* row = m_mediaList ? m_mediaList->FindItem(media) : nullptr;
    if (!row) return nullptr;
    // Only 0 is success: a positive code is a failed step, -1 a failure,
    // below that the job never ran. The output gets the row's tags before
    // the row ends, off the UI thread (a long file takes seconds to copy).
    if (exitCode == 0 && row->HasTags() && !row->IsSavingTags()) {
        if (row->SaveTagsToOutput()) return row->GetProfile();
        LogErrorW(kCategory, L"The tags of %ls were not written: the program is closing", media->GetOutputPath().c_str());
    }
    return FinishJob(row, media, exitCode, std::wstring());
}

std::wstring CMainPaneUI::FailureReason(IVXMMedia* media, int exitCode)
{
    CLanguageManager* lang = CLanguageManager::GetInstance();
    if (auto* data = dynamic_cast<CVXMMediaBase*>(media)) {
        if (data->m_nLastErrorCodePage >= 0) {
            // Worded here, in the user's language, with the code page as the options list shows it.
            return FillIn(lang->TranslateDictionary(L"ID_STRING_SUBTITLE_CODE_PAGE"),
                          {CodePageText(static_cast<unsigned>(data->m_nLastErrorCodePage))});
        }
        if (!data->m_strLastError.empty()) return data->m_strLastError;
    }
    // A job that found its input gone says nothing itself.
    const std::wstring source = media->GetSourcePath();
    std::error_code ec;
    if (source.rfind(L'/', 0) == 0 && !std::filesystem::exists(PathFromWide(source), ec))
        return FillIn(lang->TranslateDictionary(L"ID_STRING_SOURCE_GONE"), {source});
    return FillIn(lang->TranslateDictionary(L"ID_STRING_FAILED_NO_REASON"), {std::to_wstring(exitCode)});
}

void CMainPaneUI::OnTagsSaved(IVXMMedia* media, const CTagWriteResult& result)
{
    CMediaListItemUI* row = m_mediaList && media ? m_mediaList->FindItem(media) : nullptr;
    if (!row) {
        // Removed while its output got its tags: the next row starts and the batch may end.
        m_queue.StartNext(nullptr, CVXMSettings::GetInstance()->UseNVidiaCUDA != 0);
        if (m_queue.TakeCompletion()) OnAllJobsFinished(nullptr, 0);
        RefreshConvertButton();
        return;
    }
    std::wstring notWritten;
    if (result.result == kTagsNotWritten) {
        // The conversion itself succeeded: the row says so, and why its tags are missing.
        notWritten = TagsNotWrittenText(media->GetOutputPath(), result.why, result.whyText);
        LogErrorW(kCategory, L"%ls", notWritten.c_str());
    }
    FinishJob(row, media, 0, notWritten);
    // Counted as the main window counts a job that ends at once.
    IMainPane* converter = m_frame ? m_frame->GetMainPane() : (m_burn ? nullptr : this);
    if (converter) converter->AddConvertedEntry(m_finishedProfileName);
}

IProfile* CMainPaneUI::FinishJob(CMediaListItemUI* row, IVXMMedia* media, int exitCode, const std::wstring& tagsNotWritten)
{
    IProfile* profile = row->GetProfile();
    IProfileGroup* group = GroupOfRow(row);
    // Kept now: a row removed by a handler below takes its own profile along.
    m_finishedProfileName = CDBHelper::HistoryProfileName(GetProfileManager(), profile);

    const bool succeeded = exitCode == 0;
    const bool stopped = row->TakeStopAsked() && !succeeded;
    if (m_paintManager) {
        CControlUI* convert = m_paintManager->FindSubControlByName(row, L"ID_CONTAINER_ITEM_CONVERT");
        CControlUI* info = m_paintManager->FindSubControlByName(row, L"ID_CONTAINER_ITEM_INFORMATION");
        if (convert && info) {
            convert->SetVisible(false);
            info->SetVisible(true);
        }
    }
    row->UpdateStatus();
    if (succeeded) {
        row->SetStatus(ITEM_STATUS_DONE);
        row->SetStatusText(kStatusTextCompleted);
        if (!tagsNotWritten.empty()) row->SetStatusToolTip(tagsNotWritten);
        row->SetChecked(false);
    } else if (stopped) {
        // The queue must not start the row again either way.
        row->ShowCancelled();
    } else {
        // Why, on the row and in the status bar.
        const std::wstring why = FailureReason(media, exitCode);
        row->ShowFailed(why);
        LogInfoW(kCategory, L"The conversion of %ls failed (%d): %ls", media->GetSourcePath().c_str(), exitCode,
                 why.c_str());
        const std::wstring title = media->GetSourceTitle();
        SetStatusText(FillIn(CLanguageManager::GetInstance()->TranslateDictionary(L"ID_STRING_CONVERSION_FAILED"),
                             {title.empty() ? media->GetSourcePath() : title, why}));
    }
    if (m_paintManager) m_paintManager->SendNotify(row, L"transfinished", reinterpret_cast<WPARAM>(media), m_burn ? 1 : 0);
    // A handler of the notification may have removed the row.
    const bool rowAlive = m_mediaList->FindItem(media) == row;

    m_queue.StartNext(rowAlive ? row : nullptr, CVXMSettings::GetInstance()->UseNVidiaCUDA != 0);

    if (succeeded && rowAlive) {
        CDBHelper* db = CDBHelper::GetInstance();
        if (db && !db->AddConvertedRecord(GetProfileManager(), profile, group, media))
            LogInfoW(kCategory, L"The history record of %ls was not written", media->GetOutputPath().c_str());
        CVXMSettings* s = CVXMSettings::GetInstance();
        if (s->IsExportToiTunes && profile) {
            const std::wstring name = profile->GetName();
            for (const std::wstring& apple : m_mediaList->GetAppleProfileNames())
                if (apple == name) {
                    if (CMediaHandler* handler = CMediaHandler::GetInstance()) handler->AddToiTunes(media->GetOutputPath());
                    break;
                }
        }
        if (group && group->GetHtml5() && !media->GetOutputPath().empty())
            WriteHTML5Page(media->GetOutputPath(), s->PreviewHTML5 != 0);
    }
    if (m_queue.TakeCompletion()) OnAllJobsFinished(rowAlive ? row : nullptr, exitCode);
    RefreshConvertButton();
    return profile;
}

void CMainPaneUI::OnAllJobsFinished(CMediaListItemUI* row, int exitCode)
{
    if (m_mediaList && m_mediaList->IsJoinMode())
        for (int i = 1; i < m_mediaList->GetCount(); ++i)
            if (CMediaListItemUI* r = m_mediaList->GetMediaItem(i)) r->UpdateStatus();
    CVXMSettings* s = CVXMSettings::GetInstance();
    if (s->ShutdownFlag) {
        // Once: the next batch does not power off again unless asked.
        s->ShutdownFlag = 0;
        s->Save();
        if (CControlUI* box = Find(L"IDC_PANE_CHECK_SHUTDOWN"))
            if (auto* option = dynamic_cast<COptionUI*>(box)) option->Selected(false, false);
        Shutdown();
    }
    if (!m_burn && row && s->OpenOutputFolderAfterConvertingFinished && row->GetMedia()) {
        const std::wstring output = row->GetMedia()->GetOutputPath();
        if (IsExistingFile(output))
            if (IShell* shell = Desktop().shell) shell->ShowInFolder(output);
    }
    RefreshConvertButton();
    SetMergeButtonsEnabled(true);
    if (m_burn) {
        StoreMenuSettings();
        if (exitCode == 0) ShowBurner();
    }
}

void CMainPaneUI::SetMergeButtonsEnabled(bool enabled)
{
    if (CControlUI* on = Find(L"ID_BTN_MERGE_ON")) on->SetEnabled(enabled);
    if (CControlUI* off = Find(L"ID_BTN_MERGE_OFF")) off->SetEnabled(enabled);
}

void CMainPaneUI::ShowMergeButtons(bool join)
{
    CControlUI* on = Find(L"ID_BTN_MERGE_ON");
    CControlUI* off = Find(L"ID_BTN_MERGE_OFF");
    if (on && off) {
        on->SetVisible(!join);
        off->SetVisible(join);
    }
    if (m_mediaList) m_mediaList->SetJoinMode(join);
}
