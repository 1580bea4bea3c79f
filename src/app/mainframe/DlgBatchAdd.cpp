#include "DlgBatchAdd.h"

#include "CheckShellFolderCtrl.h"
#include "Log.h"
#include "MediaHandler.h"
#include "platform/text.h"
#include "platform/thread.h"
#include "ui/UILanguage.h"
#include "ui/UIMessagePump.h"

#include <memory>

CDlgBatchAdd::CDlgBatchAdd(AddFn add) : WindowImplBase(L"VXMBatchAddDlg", L"dlg_batch_add.xml"), m_add(std::move(add))
{
    if (!m_add)
        m_add = [](const std::wstring& path) {
            if (CMediaHandler* handler = CMediaHandler::GetInstance()) handler->AddFile(path, -1, 0);
        };
}

CDlgBatchAdd::~CDlgBatchAdd() { StopWorker(); }

CControlUI* CDlgBatchAdd::CreateControl(const std::wstring& className)
{
    if (className == L"CheckShellFolder") return new CCheckShellFolderCtrl;
    return nullptr;
}

void CDlgBatchAdd::InitWindow()
{
    CLanguageManager::GetInstance()->Translate(&m_PaintManager);
    m_tree = dynamic_cast<CCheckShellFolderCtrl*>(m_PaintManager.FindControl(L"ID_TREE_BATCH_FOLDERS"));
    m_status = m_PaintManager.FindControl(L"ID_LABEL_BATCH_STATUS");
    if (m_tree) m_tree->FillRoot();
}

void CDlgBatchAdd::Notify(TNotifyUI& msg)
{
    if (msg.sType == DUI_MSGTYPE_ITEMEXPANDING && m_tree && msg.pSender == m_tree) {
        m_tree->FillChildren(reinterpret_cast<CTreeNodeUI*>(msg.wParam));
        return;
    }
    WindowImplBase::Notify(msg);
}

void CDlgBatchAdd::OnClick(TNotifyUI& msg)
{
    if (!msg.pSender) return;
    const std::wstring& name = msg.pSender->GetName();
    if (name == L"ID_BTN_BATCH_OK") StartScan();
    else if (name == L"ID_BTN_BATCH_CANCEL" || name == L"IDC_BUTTON_CLOSE_WINDOW") Cancel();
}

bool CDlgBatchAdd::StartScan()
{
    CControlUI* cancel = m_PaintManager.FindControl(L"ID_BTN_BATCH_CANCEL");
    if (!m_tree || !cancel || IsScanning()) return false;
    m_PaintManager.SetCursor(IDC_WAIT);
    std::vector<SFolderPick> picks = m_tree->TakePicks();
    // The tree and OK go; the dialog keeps the status line and Cancel.
    m_tree->SetVisible(false);
    if (CControlUI* ok = m_PaintManager.FindControl(L"ID_BTN_BATCH_OK")) ok->SetVisible(false);
    cancel->SetVisible(true);
    const RECT rc = GetWindowRect();
    ResizeClient(rc.right - rc.left, 140);
    CenterWindow();
    m_stop.Reset();
    m_workerDone.Reset();
    HWND window = GetHWND();
    m_worker = std::thread([this, window, picks = std::move(picks)]() mutable { Work(window, std::move(picks)); });
    m_PaintManager.SetCursor(IDC_ARROW);
    return true;
}

void CDlgBatchAdd::Work(HWND window, std::vector<SFolderPick> picks)
{
    // The status goes to the window as a posted text; the controls stay the UI thread's.
    auto status = [window](EScanStep step, const std::wstring& path) {
        auto text = std::make_unique<std::wstring>(path);
        PostMessagePayload(window, WM_BATCH_STATUS, static_cast<WPARAM>(step), text);
    };
    bool done = false;
    std::string what;
    if (!RunCatching(
            [&] {
                std::vector<std::wstring> folders;
                done = CollectCheckedFolders(picks, m_stop, status, folders) && AddMediaOfFolders(folders, m_stop, status, m_add);
            },
            what)) {
        // The dialog stays with the failure on its status line; Cancel closes it.
        LogError("CDlgBatchAdd", "The folder scan failed: %s", what.c_str());
        status(EScanStep::Failed, Utf8ToWide(what));
    }
    if (done) ::PostMessage(window, WM_VXM_BATCH_SCAN_DONE, 0, 0);
    m_workerDone.Set();
}

void CDlgBatchAdd::StopWorker()
{
    if (!m_worker.joinable()) return;
    m_stop.Set();
    // Serves messages meanwhile: an added cue sheet is sent to the main window.
    WaitWithMessageLoop(m_workerDone);
    // The scan's end message, served by the wait, may have joined it meanwhile.
    if (m_worker.joinable()) m_worker.join();
}

void CDlgBatchAdd::Cancel()
{
    StopWorker();
    Close(IDCANCEL);
}

LRESULT CDlgBatchAdd::ResponseDefaultKeyEvent(WPARAM wParam)
{
    if (wParam == VK_ESCAPE) Cancel();
    return TRUE;
}

LRESULT CDlgBatchAdd::OnClose(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled)
{
    StopWorker();
    return WindowImplBase::OnClose(uMsg, wParam, lParam, bHandled);
}

LRESULT CDlgBatchAdd::HandleCustomMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled)
{
    if (uMsg == WM_BATCH_STATUS) {
        bHandled = TRUE;
        std::unique_ptr<std::wstring> path(reinterpret_cast<std::wstring*>(lParam));
        CLanguageManager* lang = CLanguageManager::GetInstance();
        const auto step = static_cast<EScanStep>(wParam);
        if (path && m_status && step == EScanStep::Failed)
            m_status->SetText(lang->FormatDictionary(L"ID_STRING_BATCH_SCAN_FAILED", path->c_str()));
        else if (path && m_status)
            m_status->SetText(lang->FormatString(step == EScanStep::Collecting ? 175 : 128, path->c_str()));
        return 0;
    }
    if (uMsg == WM_VXM_TREE_REFRESH) {
        bHandled = TRUE;
        if (m_tree) m_tree->Refresh(reinterpret_cast<CTreeNodeUI*>(lParam));
        return 0;
    }
    if (uMsg == WM_VXM_BATCH_SCAN_DONE) {
        bHandled = TRUE;
        StopWorker();
        Close(1);
        return 0;
    }
    return WindowImplBase::HandleCustomMessage(uMsg, wParam, lParam, bHandled);
}

int RunBatchAddDialog(HWND owner)
{
    CDlgBatchAdd dialog;
    if (!dialog.Create(owner, L"VXMBatchAddDlg", WS_POPUP | WS_VISIBLE, 0)) {
        LogInfo("CDlgBatchAdd", "The batch-add dialog could not be made");
        return -1;
    }
    dialog.CenterWindow();
    return static_cast<int>(dialog.ShowModal());
}
