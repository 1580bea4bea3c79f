// Drops on a window reach the window as messages: files sent as WM_DROPFILES
// (wParam a std::vector<std::wstring>* valid during the call), text posted as
// WM_VXM_TEXT_DROPPED with a copy the receiver owns.
#pragma once
#include "MainFrameMessages.h"
#include "platform/messages.h"
#include "ui/desktop/DropTarget.h"

#include <algorithm>

class CWindowDropSink : public IDropSink {
public:
    explicit CWindowDropSink(HWND window, bool acceptFiles = true) : m_window(window), m_acceptFiles(acceptFiles) {}
    bool AcceptsFiles() const override { return m_acceptFiles; }
    void OnFilesDropped(const std::vector<std::wstring>& files, POINT) override
    {
        std::vector<std::wstring> copy = files;
        ::SendMessage(m_window, WM_DROPFILES, reinterpret_cast<WPARAM>(&copy), 0);
    }
    void OnTextDropped(const std::wstring& text, POINT) override
    {
        PostMessageText(m_window, WM_VXM_TEXT_DROPPED, 0, text);
    }

private:
    HWND m_window;
    bool m_acceptFiles;
};
