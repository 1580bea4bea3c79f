#include "MediaListDragWnd.h"

#include "Log.h"
#include "MediaListDragImage.h"
#include "VXMGlobal.h"
#include "ui/UILanguage.h"
#include "platform/paths.h"

#include <QImage>
#include <QWidget>

#include <filesystem>
#include <vector>

namespace {
// The row's picture stands out from the list without hiding it.
constexpr double kOpacity = 150.0 / 255.0;

constexpr const wchar_t* kSkin =
    L"<?xml version=\"1.0\" encoding=\"UTF-8\"?><Window size=\"400,60\">"
    L"<VerticalLayout><Control name=\"dragwnd\" /></VerticalLayout></Window>";
}  // namespace

CMediaItemDragWnd::CMediaItemDragWnd(CPaintManagerUI* source, CControlUI* row) : m_source(source), m_row(row) {}

std::wstring CMediaItemDragWnd::GetSkinFile()
{
    // The skin file when the skin has one, else the same layout built in.
    const std::wstring file = CLanguageManager::GetInstance()->GetXMLFilePath(L"media_drag.xml");
    std::error_code ec;
    if (!file.empty() && std::filesystem::exists(PathFromWide(file), ec)) return L"media_drag.xml";
    return kSkin;
}

void CMediaItemDragWnd::InitWindow()
{
    if (QWidget* widget = GetWidget()) widget->setWindowOpacity(kOpacity);
}

void CMediaItemDragWnd::Notify(TNotifyUI& msg)
{
    if (msg.sType == L"windowinit") TakePicture();
    WindowImplBase::Notify(msg);
}

void CMediaItemDragWnd::TakePicture()
{
    if (!m_source || !m_row) return;
    QImage picture = m_source->RenderToImage(m_row).convertToFormat(QImage::Format_RGB888);
    if (picture.isNull()) return;
    const int width = picture.width();
    const int height = picture.height();
    std::vector<std::uint8_t> bgr(static_cast<size_t>(width) * height * 3);
    for (int y = 0; y < height; ++y) {
        const uchar* line = picture.constScanLine(y);
        std::uint8_t* out = bgr.data() + static_cast<size_t>(y) * width * 3;
        for (int x = 0; x < width; ++x) {
            out[3 * x] = line[3 * x + 2];
            out[3 * x + 1] = line[3 * x + 1];
            out[3 * x + 2] = line[3 * x];
        }
    }
    const std::wstring file = GetAppDataFolder() + L"/dragitem.bmp";
    CreateFolderTree(GetAppDataFolder());
    if (!WriteDragBitmap(file, width, height, bgr)) {
        LogErrorW("CMediaItemDragWnd", L"The drag image %ls could not be written", file.c_str());
        return;
    }
    m_imageFile = file;
    if (CControlUI* image = m_PaintManager.FindControl(L"dragwnd")) image->SetAttribute(L"bkimage", file);
}

void CMediaItemDragWnd::MoveTo(const RECT& onScreen)
{
    if (QWidget* widget = GetWidget()) {
        widget->move(onScreen.left, onScreen.top);
        widget->resize(onScreen.right - onScreen.left, onScreen.bottom - onScreen.top);
    }
}
