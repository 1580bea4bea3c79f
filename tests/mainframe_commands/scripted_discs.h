// Disc sources whose open a test steers: they report through the window as
// the engine does (a message sent from the worker thread).
#pragma once
#include "IVXMDVDFile.h"
#include "IVXMDiscFile.h"
#include "VXMMessages.h"
#include "platform/events.h"
#include "platform/messages.h"

#include <atomic>
#include <functional>
#include <string>
#include <thread>

class CScriptedDVD : public IVXMDVDFile {
public:
    void SetPath(const std::wstring& path) override { m_path = path; }
    void CancelOpen() override
    {
        cancelled = true;
        if (onCancel) onCancel();
        m_cancel.Set();
    }
    void SetWorkFolder(const std::wstring&) override {}
    int Open(HWND notify) override
    {
        openThread = std::this_thread::get_id();
        if (waitForCancel) m_cancel.Wait();
        if (titles >= 0) {
            int result = cancelled ? -1 : 0;
            ::SendMessage(notify, WM_VXM_DVD_PARSED, reinterpret_cast<WPARAM>(&result), 0);
        }
        return 0;
    }
    int GetTitleCount() const override { return titles; }
    IVXMDVDTitle* GetTitleAt(unsigned int) override { return nullptr; }
    IVXMDVDTitle* GetTitleByNumber(int) override { return nullptr; }
    int GetMainTitleInfo() const override { return -1; }
    std::wstring GetPath() const override { return m_path; }
    void Release() override {}

    int titles = 3;
    bool waitForCancel = false;
    std::function<void()> onCancel;  // runs on the cancelling thread before the open goes on
    std::atomic<bool> cancelled{false};
    std::thread::id openThread;

private:
    std::wstring m_path;
    CEvent m_cancel{true, false};
};

class CScriptedDisc : public IVXMDiscFile {
public:
    void SetDrive(const std::wstring& path) override { drive = path; }
    int Open(HWND) override { return opens ? 0 : -1; }
    int GetTrackCount() const override { return opens ? 5 : -1; }
    IVXMDiscAudiotrack* GetTrackAt(int) override { return nullptr; }
    std::wstring GetDrive() const override { return drive; }
    void Release() override {}
    bool opens = false;
    std::wstring drive;
};

