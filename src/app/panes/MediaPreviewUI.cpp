#include "MediaPreviewUI.h"

#include "VXMMessages.h"
#include "VXMPlayerHost.h"
#include "ui/UIRender.h"

#include <QPainter>

#include <algorithm>
#include <cstdint>

namespace {

// Posted by the host to its own window: a new picture is in the buffer.
constexpr UINT WM_PREVIEW_REPAINT = WM_USER + 1;

// What the player sees of the window: the control's size and the buffer.
class CPreviewHost : public IPlayerHost {
public:
    CPreviewHost(std::shared_ptr<CPreviewPixels> pixels, HWND window, std::shared_ptr<std::atomic<bool>> queued)
        : m_pixels(std::move(pixels)), m_window(window), m_queued(std::move(queued))
    {
    }
    SIZE GetClientSize() override { return m_pixels->GetSize(); }
    void Present(const void* pixels, int pitch, int width, int height, const RECT& changed) override
    {
        m_pixels->Copy(pixels, pitch, width, height, changed);
        // One repaint queued at a time; a dead window just refuses the post.
        if (!m_queued->exchange(true) && !PostMessage(m_window, WM_PREVIEW_REPAINT, 0, 0)) m_queued->store(false);
    }

private:
    std::shared_ptr<CPreviewPixels> m_pixels;
    HWND m_window;
    std::shared_ptr<std::atomic<bool>> m_queued;
};

}  // namespace

// ---- pixels -------------------------------------------------------------------------------------

void CPreviewPixels::SetSize(int width, int height)
{
    std::lock_guard<std::mutex> lock(m_lock);
    m_size = SIZE{std::max(0, width), std::max(0, height)};
}

SIZE CPreviewPixels::GetSize() const
{
    std::lock_guard<std::mutex> lock(m_lock);
    return m_size;
}

void CPreviewPixels::Copy(const void* pixels, int pitch, int width, int height, const RECT& changed)
{
    if (!pixels || width <= 0 || height <= 0) return;
    std::lock_guard<std::mutex> lock(m_lock);
    if (m_image.width() != width || m_image.height() != height) {
        m_image = QImage(width, height, QImage::Format_RGB32);
        m_image.fill(Qt::black);
    }
    const int left = std::clamp<int>(changed.left, 0, width);
    const int right = std::clamp<int>(changed.right, left, width);
    const int top = std::clamp<int>(changed.top, 0, height);
    const int bottom = std::clamp<int>(changed.bottom, top, height);
    for (int y = top; y < bottom; ++y) {
        const auto* row = reinterpret_cast<const uint32_t*>(static_cast<const uint8_t*>(pixels) + static_cast<size_t>(y) * pitch);
        auto* line = reinterpret_cast<uint32_t*>(m_image.scanLine(y));
        // The player leaves the X byte 0; Qt wants it opaque.
        for (int x = left; x < right; ++x) line[x] = row[x] | 0xFF000000u;
    }
    m_any = true;
    ++m_pictures;
}

void CPreviewPixels::Clear()
{
    std::lock_guard<std::mutex> lock(m_lock);
    if (!m_image.isNull()) m_image.fill(Qt::black);
    m_any = false;
}

bool CPreviewPixels::HasPicture() const
{
    std::lock_guard<std::mutex> lock(m_lock);
    return m_any;
}

uint64_t CPreviewPixels::PictureCount() const
{
    std::lock_guard<std::mutex> lock(m_lock);
    return m_pictures;
}

QImage CPreviewPixels::Picture() const
{
    std::lock_guard<std::mutex> lock(m_lock);
    return m_image.copy();
}

// ---- window -------------------------------------------------------------------------------------

CMediaPreviewWnd::CMediaPreviewWnd(CMediaPreviewUI* owner)
    : m_owner(owner), m_repaintQueued(std::make_shared<std::atomic<bool>>(false))
{
    m_hwnd = CreateMessageWindow([this](HWND, UINT msg, WPARAM w, LPARAM l) { return HandleMessage(msg, w, l); });
    RegisterPlayerHost(m_hwnd, std::make_shared<CPreviewHost>(owner->Pixels(), m_hwnd, m_repaintQueued));
}

CMediaPreviewWnd::~CMediaPreviewWnd()
{
    UnregisterPlayerHost(m_hwnd);
    DestroyMessageWindow(m_hwnd);
}

LRESULT CMediaPreviewWnd::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam)
{
    CMediaPreviewUI* owner = m_owner;
    CPaintManagerUI* manager = owner->GetManager();
    switch (msg) {
    case WM_PREVIEW_REPAINT:
        m_repaintQueued->store(false);
        owner->Invalidate();
        return 0;
    case WM_VXM_PLAY_FINISHED:
        // The handler may destroy this window: nothing of it is used after.
        if (manager) manager->SendNotify(owner, L"playfinished", wParam, lParam);
        return 0;
    case WM_VXM_PREVIEW_PROGRESS:
        if (manager) manager->SendNotify(owner, L"poschanged", wParam, lParam);
        return 0;
    default:
        return 0;
    }
}

// ---- control ------------------------------------------------------------------------------------

CMediaPreviewUI::CMediaPreviewUI() : m_pixels(std::make_shared<CPreviewPixels>()) {}

void* CMediaPreviewUI::GetInterface(const std::wstring& name)
{
    if (name == L"MediaPreview") return this;
    return CContainerUI::GetInterface(name);
}

HWND CMediaPreviewUI::CreatePreviewWindow()
{
    m_window.reset();
    m_pixels->Clear();
    m_window = std::make_unique<CMediaPreviewWnd>(this);
    Invalidate();
    return m_window->GetHWND();
}

void CMediaPreviewUI::DestroyPreviewWindow()
{
    m_window.reset();
    m_pixels->Clear();
    Invalidate();
}

void CMediaPreviewUI::ClearPicture()
{
    m_pixels->Clear();
    Invalidate();
}

void CMediaPreviewUI::SetPos(RECT rc, bool needInvalidate)
{
    const SIZE before = m_pixels->GetSize();
    CContainerUI::SetPos(rc, needInvalidate);
    const int width = rc.right - rc.left;
    const int height = rc.bottom - rc.top;
    if (before.cx == width && before.cy == height) return;
    m_pixels->SetSize(width, height);
    // The running player takes the new size and draws again.
    if (m_window) NotifyPlayerHostResized();
}

void CMediaPreviewUI::PaintStatusImage(QPainter& painter)
{
    // While a window is up the player's screen covers the background: black
    // until the first picture.
    if (!m_window) return;
    RECT clip;
    if (!IntersectRect(&clip, m_rcItem, m_rcPaint)) return;
    QImage picture = m_pixels->Picture();
    if (picture.isNull()) {
        CRenderEngine::DrawColor(painter, clip, 0xFF000000);
        return;
    }
    painter.save();
    painter.setClipRect(ToQRect(clip), Qt::IntersectClip);
    painter.drawImage(ToQRect(m_rcItem), picture);
    painter.restore();
}
