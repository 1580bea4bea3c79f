// The picture of the preview: the engine's player draws into a host that
// copies its screen into a shared pixel buffer; the control paints that
// buffer on the UI thread. CMediaPreviewWnd is the handle the engine plays
// into and posts its progress and end to; CMediaPreviewUI owns it and
// turns those messages into "poschanged" and "playfinished".
#pragma once
#include "ui/UILib.h"

#include <QImage>

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>

class CMediaPreviewUI;

// The player's screen as the UI last received it. Shared by the host (player
// thread) and the control (UI thread); outlives both.
class CPreviewPixels {
public:
    // The size the player draws at (the control's size).
    void SetSize(int width, int height);
    SIZE GetSize() const;
    // Copies the changed rows of the player's screen.
    void Copy(const void* pixels, int pitch, int width, int height, const RECT& changed);
    // Black again, no picture.
    void Clear();
    bool HasPicture() const;
    // Pictures received so far.
    uint64_t PictureCount() const;
    // A copy of the screen; null image when nothing was drawn.
    QImage Picture() const;

private:
    mutable std::mutex m_lock;
    SIZE m_size{0, 0};
    QImage m_image;
    bool m_any = false;
    uint64_t m_pictures = 0;
};

class CMediaPreviewWnd : private CNonCopyable {
public:
    explicit CMediaPreviewWnd(CMediaPreviewUI* owner);
    // Unregisters the host first: the player never presents into a window
    // that is gone.
    ~CMediaPreviewWnd();

    HWND GetHWND() const { return m_hwnd; }
    static constexpr const wchar_t* kClassName = L"VXMMediaPreviewWnd";

private:
    LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam);

    CMediaPreviewUI* m_owner;
    HWND m_hwnd = nullptr;
    std::shared_ptr<std::atomic<bool>> m_repaintQueued;
};

class CMediaPreviewUI : public CContainerUI {
public:
    CMediaPreviewUI();

    std::wstring GetClass() const override { return L"MediaPlayerUI"; }
    void* GetInterface(const std::wstring& name) override;

    // The window the engine plays into; made when absent.
    HWND CreatePreviewWindow();
    HWND GetPreviewWindow() const { return m_window ? m_window->GetHWND() : nullptr; }
    void DestroyPreviewWindow();
    // Clears the picture to black (the window stays).
    void ClearPicture();
    const std::shared_ptr<CPreviewPixels>& Pixels() const { return m_pixels; }

    void SetPos(RECT rc, bool needInvalidate = true) override;
    void PaintStatusImage(QPainter& painter) override;

private:
    std::shared_ptr<CPreviewPixels> m_pixels;
    std::unique_ptr<CMediaPreviewWnd> m_window;  // after m_pixels: the window goes first
};
