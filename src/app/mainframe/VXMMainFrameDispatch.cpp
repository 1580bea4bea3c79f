// Messages from the engine, the workers and the UI service reach the panes here.
#include "AppStartup.h"
#include "Burner.h"
#include "Log.h"
#include "MPlayerEvents.h"
#include "MainFrameMessages.h"
#include "MediaHandler.h"
#include "ProfileChooserMessages.h"
#include "RowTags.h"
#include "VXMMainFrameWnd.h"
#include "UpdateOffer.h"
#include "VXMMessages.h"
#include "VXMSettings.h"
#include "ui/UICustomControls.h"
#include "ui/UIList.h"
#include "ui/UIProgress.h"
#include "VXMGlobal.h"
#include "ui/UILanguage.h"
#include "ui/desktop/Desktop.h"
#include "ui/desktop/DeviceNotices.h"


#include <memory>

namespace {

bool InTree(CControlUI* root, CControlUI* wanted)
{
    if (!root) return false;
    if (root == wanted) return true;
    if (auto* container = dynamic_cast<IContainerUI*>(root)) {
        for (int i = 0; i < container->GetCount(); ++i)
            if (InTree(container->GetItemAt(i), wanted)) return true;
    }
    return false;
}

IListOwnerUI* AsListOwner(CControlUI* control)
{
    if (!control) return nullptr;
    return dynamic_cast<IListOwnerUI*>(control);
}

}  // namespace

CControlUI* CVXMMainFrameWnd::OwnControl(WPARAM pointer) const
{
    auto* control = reinterpret_cast<CControlUI*>(pointer);
    if (!control || !InTree(m_PaintManager.GetRoot(), control)) return nullptr;
    return control;
}

LRESULT CVXMMainFrameWnd::HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    LRESULT result = 0;
    if (uMsg == WM_TIMER && wParam == MAIN_PANE_TIMER_ID) {
        if (m_mainPane) m_mainPane->OnTimerTick();
    } else if (uMsg == WM_CONTEXTMENU) {
        // Before the controls: the row and player menus open here.
        if (OnContextMenu(POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)})) return 0;
    } else if (DispatchServiceMessage(uMsg, wParam, lParam, result)) {
        return result;
    }
    return WindowImplBase::HandleMessage(uMsg, wParam, lParam);
}

bool CVXMMainFrameWnd::DispatchServiceMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    result = 0;
    if (uMsg < WM_VXM_UI_FREE_SLOTS || uMsg > WM_VXM_UI_SET_DISC_SIZE) return false;
    switch (uMsg) {
    case WM_VXM_UI_SET_DISC_SIZE:
        if (m_burnPane) m_burnPane->SetDiscSize(static_cast<int>(wParam) < 1 ? 0 : static_cast<int>(wParam));
        return true;
    case WM_VXM_UI_FREE_SLOTS:
        for (auto& slot : m_slots) {
            delete[] static_cast<char*>(slot);
            slot = nullptr;
        }
        return true;
    case WM_VXM_UI_GET_SLOT:
        result = (lParam >= 0 && lParam < kSlotCount) ? reinterpret_cast<LRESULT>(m_slots[lParam]) : 0;
        return true;
    case WM_VXM_UI_SET_SLOT_INDEX:
        m_slotIndex = static_cast<int>(lParam);
        return true;
    case WM_VXM_UI_SET_SLOT:
        if (m_slotIndex >= 0 && m_slotIndex < kSlotCount) {
            delete[] static_cast<char*>(m_slots[m_slotIndex]);
            m_slots[m_slotIndex] = reinterpret_cast<void*>(lParam);
        } else {
            delete[] reinterpret_cast<char*>(lParam);  // nowhere to keep it
        }
        return true;
    default:
        break;
    }
    // The rest carry a control in wParam: only this window's controls are touched.
    CControlUI* control = OwnControl(wParam);
    if (!control) return true;
    switch (uMsg) {
    case WM_VXM_UI_REMOVE_ALL:
        if (auto* container = dynamic_cast<IContainerUI*>(control)) container->RemoveAll();
        break;
    case WM_VXM_UI_ADD_TEXT_ITEM:
        if (auto* container = dynamic_cast<IContainerUI*>(control)) {
            auto* item = new CListLabelElementUI();
            item->SetAttribute(L"text", lParam ? reinterpret_cast<const wchar_t*>(lParam) : L"");
            container->Add(item);
            item->SetVisible(true);
        }
        break;
    case WM_VXM_UI_SELECT_ITEM:
        if (auto* owner = AsListOwner(control)) owner->SelectItem(static_cast<int>(lParam), true);
        break;
    case WM_VXM_UI_GET_CUR_SEL:
        result = AsListOwner(control) ? AsListOwner(control)->GetCurSel() : -1;
        break;
    case WM_VXM_UI_INVALIDATE:
        control->Invalidate();
        break;
    case WM_VXM_UI_ENABLE:
        control->SetEnabled(lParam != 0);
        break;
    case WM_VXM_UI_SET_TEXT:
        control->SetText(lParam ? reinterpret_cast<const wchar_t*>(lParam) : L"");
        break;
    case WM_VXM_UI_SET_PROGRESS_MIN:
    case WM_VXM_UI_SET_PROGRESS_MAX:
    case WM_VXM_UI_SET_PROGRESS:
    case WM_VXM_UI_PROGRESS_COMPLETE:
        if (auto* progress = dynamic_cast<CProgressUI*>(control)) {
            int value = static_cast<int>(lParam);
            if (uMsg == WM_VXM_UI_SET_PROGRESS_MIN) progress->SetMinValue(value);
            else if (uMsg == WM_VXM_UI_SET_PROGRESS_MAX) progress->SetMaxValue(value);
            else if (uMsg == WM_VXM_UI_SET_PROGRESS) progress->SetValue(value);
            else progress->SetValue(progress->GetMaxValue());
        }
        break;
    default:
        break;
    }
    return true;
}

LRESULT CVXMMainFrameWnd::HandleCustomMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled)
{
    LRESULT result = 0;
    bHandled = DispatchEngineMessage(uMsg, wParam, lParam, result) || DispatchDownloaderMessage(uMsg, wParam, lParam)
                   ? TRUE
                   : FALSE;
    return result;
}

bool CVXMMainFrameWnd::DispatchEngineMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    result = 0;
    auto* media = reinterpret_cast<IVXMMedia*>(lParam);
    switch (uMsg) {
    case WM_VXM_TERMINATE:
        // As a closed window: running conversions stop (their partial outputs
        // go) and the settings are saved, without asking the user. Open
        // dialogs are cancelled first; the signal is taken up again once
        // the last of them has gone.
        if (CWindowWnd::HasModalWindows()) {
            LogInfo("CVXMMainFrameWnd", "Signal %d: cancelling the open dialogs first", static_cast<int>(wParam));
            HWND self = GetHWND();
            CWindowWnd::CancelModalWindows();
            CWindowWnd::WhenNoModalWindows([self, wParam] { ::PostMessage(self, WM_VXM_TERMINATE, wParam, 0); });
            return true;
        }
        LogInfo("CVXMMainFrameWnd", "Ending on signal %d", static_cast<int>(wParam));
        if (!m_stopping) {
            m_stopping = true;
            StopRowsAndWait();
            m_stopping = false;
            SendMessage(WM_CLOSE);
        }
        return true;
    case WM_VXM_JOB_FINISHED: {
        // The burn pane first, then the main pane; a media no pane holds any
        // more is dropped.
        std::wstring profile;
        bool taken = false;
        if (m_burnPane && m_burnPane->HoldsMedia(media)) taken = m_burnPane->OnJobFinished(static_cast<int>(wParam), media, profile);
        else if (m_mainPane && m_mainPane->HoldsMedia(media)) taken = m_mainPane->OnJobFinished(static_cast<int>(wParam), media, profile);
        if (taken && wParam == 0 && m_mainPane) m_mainPane->AddConvertedEntry(profile);
        return true;
    }
    case WM_VXM_JOB_STEP_STARTED:
    case WM_VXM_OUTPUT_OPENED:
        return true;
    case WM_VXM_JOB_STARTED: {
        IMainPane* pane = GetActivePane();
        if (!(pane && pane->HoldsMedia(media))) {
            // A start for a row of the other page still belongs to its own pane.
            pane = (m_mainPane && m_mainPane->HoldsMedia(media)) ? m_mainPane
                   : (m_burnPane && m_burnPane->HoldsMedia(media)) ? m_burnPane : nullptr;
        }
        if (pane) pane->OnConversionStarted(media);
        return true;
    }
    case WM_VXM_CONVERT_PROGRESS:
        if (wParam != 0) {
            if (m_burnPane && m_burnPane->HoldsMedia(media)) m_burnPane->SetProgress(media, static_cast<int>(wParam));
            if (m_mainPane && m_mainPane->HoldsMedia(media)) m_mainPane->SetProgress(media, static_cast<int>(wParam));
        }
        return true;
    case WM_VXM_JOIN_FINISHED:
        OnJoinFinished(wParam, lParam);
        return true;
    case WM_VXM_JOIN_SUCCEEDED: {
        IMainPane* pane = GetActivePane();
        if (pane && pane->HoldsMedia(media)) pane->RemoveMedia(media);
        return true;
    }
    case WM_VXM_MEDIA_LOADED:
        AddLoadedMedia(reinterpret_cast<IVXMMedia*>(wParam), lParam);
        return true;
    case WM_VXM_MEDIA_QUEUED: {
        // The receiver owns the payload and its media.
        std::unique_ptr<CQueuedMedia> queued(reinterpret_cast<CQueuedMedia*>(wParam));
        if (!queued || !queued->media) return true;
        if (m_mediaHandler && queued->round == m_mediaHandler->QueueRound()) {
            AddLoadedMedia(queued->media, lParam);
        } else {
            // Posted before a Remove All.
            DropTagsForRow(queued->media);
            queued->media->Release();
        }
        return true;
    }
    case WM_VXM_MEDIA_REFUSED: {
        // The receiver owns the payload.
        std::unique_ptr<CRefusedMedia> refused(reinterpret_cast<CRefusedMedia*>(wParam));
        if (refused) OnNotAdded(refused->path, refused->why);
        return true;
    }
    case WM_VXM_PROFILE_SELECTED:
        if (IMainPane* pane = GetActivePane()) pane->OnProfileSelected(wParam, lParam);
        return true;
    case WM_VXM_MPLAYER_EVENT:
        if (m_playerPane) m_playerPane->OnPlayerEvent(wParam, lParam);
        return true;
    case WM_VXM_IMPORT_CUE:
        if (wParam) ImportCue(reinterpret_cast<const wchar_t*>(wParam));
        return true;
    case WM_VXM_DISC_FOLDER_LISTED: {
        // The receiver owns the payload.
        std::unique_ptr<CListedFolder> listed(reinterpret_cast<CListedFolder*>(wParam));
        if (listed) AddDiscFolder(*listed);
        return true;
    }
    case WM_VXM_CUE_LISTED: {
        // The receiver owns the payload; the files queued after the sheet wait for its rows.
        std::unique_ptr<CListedCue> cue(reinterpret_cast<CListedCue*>(wParam));
        if (!cue || !m_mediaHandler || !m_mediaHandler->IsPlaceWaiting(cue->place)) return true;
        ImportCue(cue->path);
        m_mediaHandler->FillPlace(cue->place, {});
        return true;
    }
    case WM_COMMAND:
        return OnCommand(LOWORD(wParam));
    case WM_INITMENUPOPUP:
        OnInitMenuPopup(reinterpret_cast<CMenu*>(wParam));
        return true;
    case WM_DROPFILES:
        if (wParam) OnDropFiles(*reinterpret_cast<const std::vector<std::wstring>*>(wParam));
        return true;
    case WM_VXM_TEXT_DROPPED: {
        // The receiver owns the copy.
        std::unique_ptr<wchar_t[]> text(reinterpret_cast<wchar_t*>(lParam));
        if (text) OnTextDropped(text.get());
        return true;
    }
    case WM_VXM_ADD_AUDIO_TRACK:
    case WM_VXM_ADD_SUBTITLE:
        OnAddTrackFile(uMsg, wParam, lParam);
        return true;
    case WM_VXM_UPDATE_AVAILABLE:
        HandleUpdateOffer(GetHWND(), wParam, lParam, m_settings ? m_settings->UpdateSkipVersion : std::wstring());
        return false;
    case WM_VXM_UPDATE_FAILED:
        return false;
    case WM_VXM_CHECK_BURN:
        result = (m_burnPane && m_burnPane->CheckBurn()) ? 1 : 0;
        return true;
    case WM_VXM_CLIP_CHANGED:
        if (IMainPane* pane = GetActivePane(); pane && pane->HoldsMedia(reinterpret_cast<IVXMMedia*>(wParam)))
            pane->RebuildSegments(reinterpret_cast<IVXMMedia*>(wParam));
        return false;
    case WM_VXM_EFFECT_CHANGED:
        if (IMainPane* pane = GetActivePane(); pane && pane->HoldsMedia(reinterpret_cast<IVXMMedia*>(wParam)))
            pane->RefreshEffectMark(reinterpret_cast<IVXMMedia*>(wParam));
        return false;
    case WM_VXM_ITUNES_ADD_FAILED:
    case WM_VXM_TRACK_INFO_FAILED: {
        // The path copy is the receiver's.
        std::unique_ptr<wchar_t[]> path(reinterpret_cast<wchar_t*>(lParam));
        if (static_cast<int>(wParam) == -1) ShowStatusMessage(CLanguageManager::GetInstance()->LoadStringW(182));
        else if (static_cast<int>(wParam) == -2) ShowStatusMessage(CLanguageManager::GetInstance()->LoadStringW(183));
        return false;
    }
    case WM_HELP:
        if (auto* shell = Desktop().shell) shell->Open(GetOnlineHelpURL());
        return true;
    case WM_DEVICECHANGE:
        result = OnDeviceChange(wParam, lParam);
        return true;
    default:
        return false;
    }
}

void CVXMMainFrameWnd::AddLoadedMedia(IVXMMedia* loaded, LPARAM lParam)
{
    auto position = static_cast<short>(lParam & 0xFFFF);
    auto flags = static_cast<unsigned short>((lParam >> 16) & 0xFFFF);
    if (flags & 1) position = -1;
    if (!loaded) return;
    IMainPane* pane = GetActivePane();
    if (!pane) {
        // The message owned it and no pane takes it.
        loaded->Release();
        return;
    }
    const std::wstring shown = m_statusText;
    pane->AddMedia(loaded, position, flags);
    if (m_page != 1 && m_mainPane) m_mainPane->SelectFirstManagerEntry();
    // The new row's selection does not wipe out what was said about the files not added.
    if (!shown.empty() && shown == m_notAdded.Text()) ShowStatusMessage(shown, m_notAdded.ToolTip());
}

void CVXMMainFrameWnd::OnNotAdded(const std::wstring& path, int why)
{
    LogInfoW("CVXMMainFrameWnd", L"%ls was not added (%d)", path.c_str(), why);
    const std::wstring& text = m_notAdded.Add(path, why);
    ShowStatusMessage(text, m_notAdded.ToolTip());
}

void CVXMMainFrameWnd::OnJoinFinished(WPARAM code, LPARAM path)
{
    // The receiver owns the copy of the joined path; use it before it goes.
    std::unique_ptr<wchar_t[]> copy(reinterpret_cast<wchar_t*>(path));
    std::wstring joined = copy ? std::wstring(copy.get()) : std::wstring();
    copy.reset();
    if (static_cast<int>(code) != 0) {
        ShowStatusMessage(CLanguageManager::GetInstance()->LoadStringW(188));
        return;
    }
    ShowStatusMessage(CLanguageManager::GetInstance()->LoadStringW(191));
    if (!joined.empty() && m_mediaHandler) m_mediaHandler->AddFile(joined, -1, 0);
}

LRESULT CVXMMainFrameWnd::OnDeviceChange(WPARAM event, LPARAM header)
{
    // A notice names its drive; one without a drive concerns nothing here.
    auto* drive = reinterpret_cast<const COpticalDrive*>(header);
    if (!drive || drive->device.empty()) return 1;
    IMainPane* active = GetActivePane();
    if (active && active->IsBurning()) return 1;
    if (event == DBT_DEVICEARRIVAL) {
        // No disc opens by itself while the user picks a drive.
        auto* pages = dynamic_cast<COverlapButton*>(m_PaintManager.FindControl(L"ID_OVERLAPBUTTON_CONVERT"));
        if (pages && pages->GetSelectedIndex() == 0 && active && !m_driveDialogOpen) {
            active->OpenInsertedDisc(drive->device, drive->mountPoint);
            ShowStatusMessage(CLanguageManager::GetInstance()->LoadStringW(120));
            active->RemoveRowsOfPath(drive->device);
            OpenDisc(active, drive->device);
        }
    } else if (event == DBT_DEVICEREMOVECOMPLETE) {
        if (m_mainPane) m_mainPane->RemoveDriveRows(drive->device);
        if (m_burnPane) m_burnPane->RemoveDriveRows(drive->device);
        if (m_playerPane) m_playerPane->OnDriveRemoved(drive->device, drive->mountPoint);
    }
    BurnDeviceChanged(GetHWND(), event, header);
    return 1;
}
