// The download tool's update: asks, then fetches the new tool on a worker
// with a progress bar; Cancel stops the worker and keeps the old tool.
#pragma once
#include "HttpDownload.h"
#include "platform/thread.h"
#include "ui/UILib.h"

#include <cstdint>
#include <memory>

class CDlgModuleUpdate : public WindowImplBase {
public:
    explicit CDlgModuleUpdate(CHttpGetOptions options = {}) 
        : WindowImplBase(L"VXMModuleUpdateDlg", L"dlg_module_update.xml"), m_options(std::move(options))
    {
    }
    ~CDlgModuleUpdate() override;

    void InitWindow() override;
    void OnClick(TNotifyUI& msg) override;
    LRESULT HandleCustomMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) override;

    // "Install update": the worker starts.
    void StartDownload();
    // Stops the worker, if any, and waits for it.
    void StopDownload();
    bool IsDownloading() const { return m_worker != nullptr; }

private:
    CHttpGetOptions m_options;
    std::unique_ptr<CMessageThread> m_worker;
    std::uint64_t m_total = 0;
};

// 1 when the new tool is in place, 2 otherwise.
UINT RunModuleUpdateDialog(HWND owner, const CHttpGetOptions& options);
