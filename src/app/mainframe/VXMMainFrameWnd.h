// The program's one top-level window: three pages (converter, burner,
// player) built from its skin, and the place where the engine's and the
// workers' messages reach the panes.
#pragma once
#include "IMainPane.h"
#include "ui/UILib.h"

#include <memory>
#include <string>

class CMediaHandler;
class CVXMSettings;

class CVXMMainFrameWnd : public WindowImplBase {
public:
    // `commandLineFile`: a file named on the command line (may be empty).
    explicit CVXMMainFrameWnd(std::wstring commandLineFile);
    ~CVXMMainFrameWnd() override;

    std::wstring GetWindowClassName() const override { return L"VXMProMainFrame"; }
    UINT GetClassStyle() const override { return CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS; }
    std::wstring GetSkinFolder() override { return L"skin"; }
    std::wstring GetSkinFile() override { return L"main.xml"; }
    LRESULT ResponseDefaultKeyEvent(WPARAM) override { return 0; }
    CControlUI* CreateControl(const std::wstring& className) override;
    LRESULT MessageHandler(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& handled) override;
    void InitWindow() override;
    void OnFinalMessage(HWND hwnd) override;
    void OnClick(TNotifyUI& msg) override;
    void Notify(TNotifyUI& msg) override;

    LRESULT OnClose(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) override;
    LRESULT OnNcHitTest(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) override;
    LRESULT OnSysCommand(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) override;
    LRESULT HandleCustomMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) override;

    // 0 converter, 1 burner, 2 player.
    void SelectPage(int page);
    int GetPage() const { return m_page; }
    IMainPane* GetActivePane() const;
    IMainPane* GetMainPane() const { return m_mainPane; }
    IMainPane* GetBurnPane() const { return m_burnPane; }
    IPlayerPane* GetPlayerPane() const { return m_playerPane; }
    // Asks before closing while a row converts; on "Yes" every row of both
    // panes is stopped before the answer is given.
    bool CanClose();
    void ShowStatusMessage(const std::wstring& text);
    // Names of the controls the window looks up in its skin.
    static const wchar_t* const* RequiredControlNames(int& count);
    // Longest wait for stopped rows to end when closing.
    static constexpr DWORD kStopWaitMs = 10000;

protected:
    LRESULT HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam) override;

private:
    // Dispatch of the engine's and the workers' messages; true when taken.
    bool DispatchEngineMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& result);
    bool DispatchServiceMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& result);
    void OnJoinFinished(WPARAM code, LPARAM path);
    LRESULT OnDeviceChange(WPARAM event, LPARAM header);
    // A control pointer carried by a message, when it is one of this window's.
    CControlUI* OwnControl(WPARAM pointer) const;
    bool StopRowsAndWait();
    // Shows the page's layouts and buttons (no usage action).
    void ShowPage(int page);
    void RestorePlacement();
    void SavePlacement();
    CControlUI* Find(const wchar_t* name) const;
    void ShowControl(const wchar_t* name, bool show) const;
    bool IsShown(const wchar_t* name) const;

    CVXMSettings* m_settings = nullptr;
    CMediaHandler* m_mediaHandler = nullptr;
    std::wstring m_statusText;
    std::wstring m_commandLineFile;
    std::wstring m_versionText;
    IMainPane* m_mainPane = nullptr;
    IMainPane* m_burnPane = nullptr;
    IPlayerPane* m_playerPane = nullptr;
    CControlUI* m_statusLabel = nullptr;
    CControlUI* m_burnerStatusLabel = nullptr;
    bool m_firstAidVisible = false;
    bool m_stopping = false;  // rows are being stopped for a close
    int m_page = 0;
    static constexpr int kSlotCount = 16;
    void* m_slots[kSlotCount] = {};
    int m_slotIndex = 0;
};
