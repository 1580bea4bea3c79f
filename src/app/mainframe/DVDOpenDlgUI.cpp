#include "DVDOpenDlgUI.h"

#include "IVXMDVDFile.h"
#include "IVXMDiscFile.h"
#include "Log.h"
#include "MediaHandler.h"
#include "VXMMediaExports.h"
#include "VXMMessages.h"
#include "platform/text.h"
#include "platform/thread.h"
#include "ui/UICircularProgress.h"
#include "ui/UIMessagePump.h"

namespace {
constexpr UINT kSpinMs = 100;
}

CDVDOpenDlgUI::CDVDOpenDlgUI(std::wstring root, IVXMDVDFile* dvd, IVXMDiscFile* disc)
    : WindowImplBase(L"VXMDVDOpenDlg", L"dlg_dvd_open.xml"), m_root(std::move(root)), m_dvd(dvd), m_disc(disc)
{
}

CDVDOpenDlgUI::~CDVDOpenDlgUI() { JoinWorker(); }

void CDVDOpenDlgUI::JoinWorker()
{
    if (!m_worker.joinable()) return;
    WaitWithMessageLoop(m_workerDone);
    // The wait serves messages: the worker's own end message may have joined it meanwhile.
    if (m_worker.joinable()) m_worker.join();
}

void CDVDOpenDlgUI::InitWindow()
{
    if (auto* progress = dynamic_cast<CCircularProgressUI*>(m_PaintManager.FindControl(L"ID_CIRCULAR_PROGRESS")))
        m_PaintManager.SetTimer(progress, CCircularProgressUI::kAnimationTimerId, kSpinMs);
    HWND window = GetHWND();
    m_worker = std::thread([this, window] {
        // What escapes the engine leaves the open failed (no result came).
        std::string what;
        if (!RunCatching([&] { Work(window); }, what)) {
            LogError("CDVDOpenDlgUI", "Opening %s failed: %s", WideToUtf8(m_root).c_str(), what.c_str());
            m_audioCD = false;
        }
        ::PostMessage(window, WM_DVDOPEN_WORKER_DONE, 0, 0);
        m_workerDone.Set();
    });
}

void CDVDOpenDlgUI::Work(HWND window)
{
    // The engine sends WM_VXM_DVD_PARSED to the window when its analysis ends.
    if (m_dvd) m_dvd->Open(window);
    if ((!m_dvd || m_dvd->GetTitleCount() == -1) && m_disc) {
        // No DVD there: an audio CD, when the drive reads its tracks.
        m_disc->SetDrive(m_root);
        if (m_disc->Open(window) == 0) m_audioCD = true;
    }
}

void CDVDOpenDlgUI::OnClick(TNotifyUI& msg)
{
    if (!msg.pSender) return;
    const std::wstring& name = msg.pSender->GetName();
    if (name == L"ID_BUTTON_DVDOPEN_SKIP" || name == L"IDC_BUTTON_CLOSE_WINDOW") Cancel();
}

void CDVDOpenDlgUI::Cancel()
{
    m_cancelled = true;
    if (m_dvd) m_dvd->CancelOpen();
}

LRESULT CDVDOpenDlgUI::ResponseDefaultKeyEvent(WPARAM wParam)
{
    if (wParam == VK_ESCAPE) Cancel();
    return TRUE;
}

LRESULT CDVDOpenDlgUI::OnClose(UINT, WPARAM, LPARAM, BOOL& bHandled)
{
    bHandled = !m_closing;
    if (!m_closing) Cancel();
    return 0;
}

LRESULT CDVDOpenDlgUI::HandleCustomMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled)
{
    if (uMsg == WM_VXM_DVD_PARSED) {
        if (wParam) m_openResult = *reinterpret_cast<const int*>(wParam);
        bHandled = TRUE;
        if (!m_closing) {
            m_closing = true;
            Close(0);
        }
        return 0;
    }
    if (uMsg == WM_DVDOPEN_WORKER_DONE) {
        bHandled = TRUE;
        JoinWorker();
        if (!m_closing) {
            m_closing = true;
            Close(0);
        }
        return 0;
    }
    return WindowImplBase::HandleCustomMessage(uMsg, wParam, lParam, bHandled);
}

void CDVDOpenDlgUI::OnFinalMessage(HWND hwnd)
{
    // The caller owns the object.
    WindowImplBase::OnFinalMessage(hwnd);
}

COpenDiscResult RunDVDOpenDialog(HWND owner, const std::wstring& root)
{
    COpenDiscResult result;
    CMediaHandler* handler = CMediaHandler::GetInstance();
    IVXMDVDFile* dvd = handler->OpenDVD(root);
    IVXMDiscFile* disc = CreateVXMDiscFileObject();
    if (!dvd && !disc) {
        LogInfoW("CVXMMainFrameWnd", L"No DVD or audio-CD reader for %s", root.c_str());
        return result;
    }
    UINT code = IDCANCEL;
    bool audioCD = false;
    bool cancelled = false;
    int openResult = -1;
    {
        CDVDOpenDlgUI dialog(root, dvd, disc);
        if (dialog.Create(owner, L"VXMDVDOpenDlg", WS_POPUP | WS_VISIBLE, 0)) {
            dialog.CenterWindow();
            code = dialog.ShowModal();
        }
        dialog.JoinWorker();
        audioCD = dialog.IsAudioCD();
        openResult = dialog.GetOpenResult();
        cancelled = dialog.WasCancelled();
    }
    result.audioCD = audioCD;
    result.cancelled = cancelled;
    result.opened = code == 0 && (audioCD || openResult == 0);
    result.dvd = dvd;
    result.disc = disc;
    return result;
}
