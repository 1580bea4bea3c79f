// Fakes of every desktop service for tests: nothing is shown, started or
// touched. Each call is written to one shared log ("Service.Call: args")
// and answered from values the test sets.
#pragma once
#include "ui/desktop/Desktop.h"
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <vector>

class CFakeDesktopLog {
public:
    void Add(std::wstring entry) { entries.push_back(std::move(entry)); }
    std::vector<std::wstring> entries;
};

class CFakeMessageBox : public IMessageBox {
public:
    explicit CFakeMessageBox(CFakeDesktopLog& log) : m_log(log) {}
    int Show(HWND owner, const std::wstring& text, const std::wstring& caption, UINT type) override;
    std::deque<int> answers;  // default IDOK
private:
    CFakeDesktopLog& m_log;
};

class CFakeFileChooser : public IFileChooser {
public:
    explicit CFakeFileChooser(CFakeDesktopLog& log) : m_log(log) {}
    std::vector<std::wstring> OpenFiles(const CFileRequest& request) override;
    std::wstring SaveFile(const CFileRequest& request) override;
    std::wstring ChooseFolder(HWND owner, const std::wstring& title, const std::wstring& start) override;
    std::vector<std::wstring> openAnswer;
    std::wstring saveAnswer;
    std::wstring folderAnswer;
    std::vector<CFileRequest> requests;
private:
    CFakeDesktopLog& m_log;
};

class CFakeColourChooser : public IColourChooser {
public:
    explicit CFakeColourChooser(CFakeDesktopLog& log) : m_log(log) {}
    bool Choose(HWND owner, DWORD initial, DWORD& chosen) override;
    bool ChooseWithTransparency(HWND owner, DWORD initial, const std::wstring& transparencyLabel,
                                DWORD& chosen) override;
    bool answer = false;
    DWORD colour = 0;
private:
    CFakeDesktopLog& m_log;
};

class CFakeShell : public IShell {
public:
    explicit CFakeShell(CFakeDesktopLog& log) : m_log(log) {}
    bool Open(const std::wstring& target) override;
    bool ShowInFolder(const std::wstring& path) override;
    bool answer = true;
private:
    CFakeDesktopLog& m_log;
};

class CFakeClipboard : public IClipboard {
public:
    explicit CFakeClipboard(CFakeDesktopLog& log) : m_log(log) {}
    bool HasText() const override { return !m_text.empty(); }
    std::wstring GetText() const override;
    void SetText(const std::wstring& text) override;
    bool HasFiles() const override { return !m_files.empty(); }
    std::vector<std::wstring> GetFiles() const override;
    void SetFiles(const std::vector<std::wstring>& files) override;
    int Subscribe(std::function<void()> onChange) override;
    void Unsubscribe(int token) override;
    // What another program putting data on the clipboard looks like.
    void ExternalChange(const std::wstring& text, const std::vector<std::wstring>& files = {});
private:
    void Changed();
    CFakeDesktopLog& m_log;
    std::wstring m_text;
    std::vector<std::wstring> m_files;
    std::map<int, std::function<void()>> m_subscribers;
    int m_nextToken = 1;
};

class CFakeOpticalDrives : public IOpticalDrives {
public:
    explicit CFakeOpticalDrives(CFakeDesktopLog& log) : m_log(log) {}
    std::vector<COpticalDrive> List() override;
    bool IsOpticalPath(const std::wstring& path) override;
    EDiscState GetState(const std::wstring& device) override;
    bool Eject(const std::wstring& device) override;
    bool Load(const std::wstring& device) override;
    int Subscribe(std::function<void(EDeviceNotice, const COpticalDrive&)> onNotice) override;
    void Unsubscribe(int token) override;
    // The label given for the device, else the interface's answer.
    bool GetVolumeLabel(const std::wstring& device, std::wstring& label) override;
    // A disc arriving in or leaving a drive of the list.
    void Notice(EDeviceNotice notice, const std::wstring& device);
    std::vector<COpticalDrive> drives;
    std::map<std::wstring, EDiscState> states;
    std::map<std::wstring, std::wstring> labels;
private:
    CFakeDesktopLog& m_log;
    std::map<int, std::function<void(EDeviceNotice, const COpticalDrive&)>> m_subscribers;
    int m_nextToken = 1;
};

class CFakeOnlineState : public IOnlineState {
public:
    explicit CFakeOnlineState(CFakeDesktopLog& log) : m_log(log) {}
    bool IsOnline() override;
    bool online = false;
private:
    CFakeDesktopLog& m_log;
};

class CFakeScreens : public IScreens {
public:
    explicit CFakeScreens(CFakeDesktopLog& log) : m_log(log) {}
    std::vector<CScreenInfo> List() override;
    std::vector<CScreenInfo> screens;
private:
    CFakeDesktopLog& m_log;
};

class CFakeShutdown : public IShutdown {
public:
    explicit CFakeShutdown(CFakeDesktopLog& log) : m_log(log) {}
    bool PowerOff(std::wstring& error) override;
    bool answer = true;
    std::wstring refusal = L"not allowed";
private:
    CFakeDesktopLog& m_log;
};

// All fakes, put in place for the fake's lifetime.
class CFakeDesktop {
public:
    CFakeDesktop();
    ~CFakeDesktop();
    CFakeDesktop(const CFakeDesktop&) = delete;
    CFakeDesktop& operator=(const CFakeDesktop&) = delete;
    const std::vector<std::wstring>& Calls() const { return log.entries; }

    CFakeDesktopLog log;
    CFakeMessageBox messageBox{log};
    CFakeFileChooser files{log};
    CFakeColourChooser colours{log};
    CFakeShell shell{log};
    CFakeClipboard clipboard{log};
    CFakeOpticalDrives drives{log};
    CFakeOnlineState online{log};
    CFakeScreens screens{log};
    CFakeShutdown shutdown{log};
};
