// The batch-add dialog: the user ticks folders in the folder tree and every
// supported media file directly inside them (and their sub-folders) is added
// to the active list. A worker walks the folders; it never touches the
// controls but posts its status, and closing the dialog stops and joins it.
#pragma once
#include "BatchAddScan.h"
#include "platform/events.h"
#include "ui/UILib.h"

#include <functional>
#include <string>
#include <thread>

class CCheckShellFolderCtrl;

// Posted by the worker when it has walked every folder (wParam 0, lParam 0).
constexpr UINT WM_VXM_BATCH_SCAN_DONE = 0x9401;
// The folder tree lists a node again (lParam the node; one of another tree is ignored).
constexpr UINT WM_VXM_TREE_REFRESH = 0x0400 + 215;

class CDlgBatchAdd : public WindowImplBase {
public:
    using AddFn = std::function<void(const std::wstring& path)>;
    // `add` runs on the worker for every media file; empty: the media handler's AddFile.
    explicit CDlgBatchAdd(AddFn add = {});
    ~CDlgBatchAdd() override;

    CControlUI* CreateControl(const std::wstring& className) override;
    void InitWindow() override;
    void Notify(TNotifyUI& msg) override;
    void OnClick(TNotifyUI& msg) override;
    LRESULT ResponseDefaultKeyEvent(WPARAM wParam) override;
    LRESULT HandleCustomMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) override;
    LRESULT OnClose(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) override;

    CCheckShellFolderCtrl* GetTree() const { return m_tree; }
    bool IsScanning() const { return m_worker.joinable(); }
    // True once a cancel or close asked the running walk to stop.
    bool IsStopAsked() const { return m_stop.IsSet(); }
    // OK: starts the walk; false when it cannot start.
    bool StartScan();
    // Cancel: stops and joins a running walk, then closes with IDCANCEL.
    void Cancel();

    // Posted by the worker: wParam the EScanStep, lParam a std::wstring* path, owned by the receiver.
    static constexpr UINT WM_BATCH_STATUS = 0x0400 + 2301;

private:
    void Work(HWND window, std::vector<SFolderPick> picks);
    void StopWorker();

    AddFn m_add;
    CCheckShellFolderCtrl* m_tree = nullptr;
    CControlUI* m_status = nullptr;
    CEvent m_stop{true, false};
    CEvent m_workerDone{true, false};
    std::thread m_worker;
};

// Runs the dialog modally over the owner: 1 when the walk ended, IDCANCEL otherwise.
int RunBatchAddDialog(HWND owner);
