// The floating picture of a dragged list row. The list creates it when a
// drag begins, moves it with the mouse and closes it when the drag ends.
#pragma once
#include "ui/UILib.h"

#include <string>

class CMediaItemDragWnd : public WindowImplBase {
public:
    // `source` paints the dragged `row`; its picture becomes the window's.
    CMediaItemDragWnd(CPaintManagerUI* source, CControlUI* row);

    std::wstring GetWindowClassName() const override { return L"UIMediaDragWnd"; }
    std::wstring GetSkinFile() override;
    void InitWindow() override;
    void Notify(TNotifyUI& msg) override;

    // Moves the window to a screen rectangle (no z-order change).
    void MoveTo(const RECT& onScreen);
    // The BMP file of the row's picture; empty when it could not be written.
    const std::wstring& GetImageFile() const { return m_imageFile; }

private:
    void TakePicture();

    CPaintManagerUI* m_source;
    CControlUI* m_row;
    std::wstring m_imageFile;
};
