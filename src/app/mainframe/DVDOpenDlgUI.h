// The progress window shown while a DVD (disc, folder or image) or an audio
// CD is opened. A worker thread opens the source; the window closes only on
// the UI thread, when the engine reports the analysis or the worker ends.
#pragma once
#include "MainFrameDialogs.h"
#include "platform/events.h"
#include "ui/UILib.h"

#include <atomic>
#include <string>
#include <thread>

class CDVDOpenDlgUI : public WindowImplBase {
public:
    // The objects stay the caller's; the worker is joined before the window goes.
    CDVDOpenDlgUI(std::wstring root, IVXMDVDFile* dvd, IVXMDiscFile* disc);
    ~CDVDOpenDlgUI() override;

    void InitWindow() override;
    void OnClick(TNotifyUI& msg) override;
    // Return and Escape cancel the analysis; the window waits for it to end.
    LRESULT ResponseDefaultKeyEvent(WPARAM wParam) override;
    LRESULT HandleCustomMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) override;
    // The system close cancels as Skip does; the window goes when the analysis ends.
    LRESULT OnClose(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) override;
    void OnFinalMessage(HWND hwnd) override;

    // After the modal run: the engine's open result (-1 when none came) and whether the disc is an audio CD.
    int GetOpenResult() const { return m_openResult; }
    bool IsAudioCD() const { return m_audioCD; }
    bool WasCancelled() const { return m_cancelled; }
    // Waits for the worker while serving messages, so an engine call of the
    // worker that sends to the window can end (also done by the destructor).
    void JoinWorker();

    // The worker's own message to the window: it has ended.
    static constexpr UINT WM_DVDOPEN_WORKER_DONE = 0x0400 + 2101;

private:
    void Work(HWND window);
    void Cancel();

    std::wstring m_root;
    IVXMDVDFile* m_dvd;
    IVXMDiscFile* m_disc;
    std::thread m_worker;
    CEvent m_workerDone{true, false};
    std::atomic<bool> m_audioCD{false};
    int m_openResult = -1;
    bool m_closing = false;
    bool m_cancelled = false;
};

// Runs the progress window for `root` with the engine's DVD and disc objects.
COpenDiscResult RunDVDOpenDialog(HWND owner, const std::wstring& root);
