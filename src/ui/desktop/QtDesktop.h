// The Qt implementations of the desktop services.
#pragma once
#include "ui/desktop/Desktop.h"
#include <map>
#include <memory>

class QObject;

class CQtMessageBox : public IMessageBox {
public:
    int Show(HWND owner, const std::wstring& text, const std::wstring& caption, UINT type) override;
};

class CQtFileChooser : public IFileChooser {
public:
    std::vector<std::wstring> OpenFiles(const CFileRequest& request) override;
    std::wstring SaveFile(const CFileRequest& request) override;
    std::wstring ChooseFolder(HWND owner, const std::wstring& title, const std::wstring& start) override;
};

class CQtColourChooser : public IColourChooser {
public:
    bool Choose(HWND owner, DWORD initial, DWORD& chosen) override;
    bool ChooseWithTransparency(HWND owner, DWORD initial, const std::wstring& transparencyLabel,
                                DWORD& chosen) override;
};

class CQtShell : public IShell {
public:
    bool Open(const std::wstring& target) override;
    bool ShowInFolder(const std::wstring& path) override;
};

class CQtClipboard : public IClipboard {
public:
    CQtClipboard();
    ~CQtClipboard() override;
    bool HasText() const override;
    std::wstring GetText() const override;
    void SetText(const std::wstring& text) override;
    bool HasFiles() const override;
    std::vector<std::wstring> GetFiles() const override;
    void SetFiles(const std::vector<std::wstring>& files) override;
    int Subscribe(std::function<void()> onChange) override;
    void Unsubscribe(int token) override;

private:
    std::unique_ptr<QObject> m_context;
    std::map<int, std::function<void()>> m_subscribers;
    int m_nextToken = 1;
    bool m_connected = false;
};

class CQtOnlineState : public IOnlineState {
public:
    bool IsOnline() override;
};

class CQtScreens : public IScreens {
public:
    std::vector<CScreenInfo> List() override;
};

class CQtShutdown : public IShutdown {
public:
    bool PowerOff(std::wstring& error) override;
};
