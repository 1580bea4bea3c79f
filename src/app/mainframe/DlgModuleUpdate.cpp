#include "DlgModuleUpdate.h"

#include "Log.h"
#include "ModuleUpdate.h"
#include "platform/messages.h"
#include "ui/UILanguage.h"
#include "ui/UIProgress.h"

namespace {
constexpr UINT kTextAsk = 194;
constexpr UINT kTextDownloading = 195;
}  // namespace

CDlgModuleUpdate::~CDlgModuleUpdate() { StopDownload(); }

void CDlgModuleUpdate::InitWindow()
{
    CLanguageManager::GetInstance()->Translate(this);
    if (CControlUI* label = m_PaintManager.FindControl(L"IDC_LABEL_MODULE"))
        label->SetText(CLanguageManager::GetInstance()->LoadStringW(kTextAsk));
}

void CDlgModuleUpdate::StartDownload()
{
    if (m_worker) return;
    if (CControlUI* ok = m_PaintManager.FindControl(L"IDC_BTN_INSTALL_UPDATE")) ok->SetVisible(false);
    if (auto* bar = dynamic_cast<CProgressUI*>(m_PaintManager.FindControl(L"IDC_PROGRESS_MODULE"))) {
        bar->SetMinValue(0);
        bar->SetMaxValue(100);
        bar->SetValue(0);
        bar->SetVisible(true);
    }
    HWND self = GetHWND();
    const CHttpGetOptions options = m_options;
    m_worker = std::make_unique<CMessageThread>();
    m_worker->Start(
        [self, options](CMessageThread& thread) {
            const bool done = DownloadModule(self, &thread.StopEvent(), options);
            ::PostMessage(self, done ? WM_VXM_MODULE_DOWNLOAD_DONE : WM_VXM_MODULE_DOWNLOAD_FAILED, 0, 0);
        },
        [self](const std::string& what) {
            LogError("DownloadModuleThread", "The module download failed: %s", what.c_str());
            ::PostMessage(self, WM_VXM_MODULE_DOWNLOAD_FAILED, 0, 0);
        });
}

void CDlgModuleUpdate::StopDownload()
{
    // The worker only posts, so waiting for it needs no message loop.
    m_worker.reset();
}

void CDlgModuleUpdate::OnClick(TNotifyUI& msg)
{
    if (!msg.pSender) return;
    const std::wstring& name = msg.pSender->GetName();
    if (name == L"IDC_BTN_INSTALL_UPDATE") {
        StartDownload();
    } else if (name == L"IDCANCEL" || name == L"IDC_BUTTON_CLOSE_WINDOW") {
        StopDownload();
        Close(2);
    }
}

LRESULT CDlgModuleUpdate::HandleCustomMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled)
{
    auto* bar = dynamic_cast<CProgressUI*>(m_PaintManager.FindControl(L"IDC_PROGRESS_MODULE"));
    switch (uMsg) {
    case WM_VXM_UPDATE_DOWNLOAD_SIZE:
        m_total = static_cast<std::uint64_t>(wParam);
        if (CControlUI* label = m_PaintManager.FindControl(L"IDC_LABEL_MODULE"))
            label->SetText(CLanguageManager::GetInstance()->LoadStringW(kTextDownloading));
        break;
    case WM_VXM_UPDATE_DOWNLOAD_PROGRESS:
        if (bar && m_total > 0) {
            const std::uint64_t received = static_cast<std::uint64_t>(wParam);
            bar->SetValue(static_cast<int>(received >= m_total ? 100 : received * 100 / m_total));
        }
        break;
    case WM_VXM_MODULE_DOWNLOAD_DONE:
    case WM_VXM_MODULE_DOWNLOAD_FAILED:
        StopDownload();
        Close(uMsg == WM_VXM_MODULE_DOWNLOAD_DONE ? 1 : 2);
        break;
    default:
        return WindowImplBase::HandleCustomMessage(uMsg, wParam, lParam, bHandled);
    }
    bHandled = TRUE;
    return 0;
}

UINT RunModuleUpdateDialog(HWND owner, const CHttpGetOptions& options)
{
    CDlgModuleUpdate dialog(options);
    if (!dialog.Create(owner, L"VXMModuleUpdateDlg", WS_POPUP | WS_VISIBLE, 0)) return 2;
    dialog.CenterWindow();
    return dialog.ShowModal() == 1 ? 1 : 2;
}
