// Drawing helpers of the framework: rectangles, colour and image strings,
// and the painter calls every control uses.
#pragma once
#include "platform/types.h"
#include <QRect>
#include <QRectF>
#include <string>

class QPainter;
class CPaintManagerUI;

// Rectangles use right and bottom as exclusive edges, as window rectangles do.
inline bool IsRectEmpty(const RECT& rc) { return rc.right <= rc.left || rc.bottom <= rc.top; }
inline bool PtInRect(const RECT& rc, POINT pt) { return pt.x >= rc.left && pt.x < rc.right && pt.y >= rc.top && pt.y < rc.bottom; }
bool IntersectRect(RECT* out, const RECT& a, const RECT& b);
inline bool EqualRect(const RECT& a, const RECT& b)
{
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}
inline RECT MakeRect(LONG l, LONG t, LONG r, LONG b) { RECT rc; rc.left = l; rc.top = t; rc.right = r; rc.bottom = b; return rc; }
inline QRect ToQRect(const RECT& rc) { return QRect(rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top); }
inline RECT FromQRect(const QRect& r) { return MakeRect(r.left(), r.top(), r.left() + r.width(), r.top() + r.height()); }

// A skin text as it is drawn: a single '&' (a mnemonic mark) left out, "&&" as one '&'.
std::wstring WithoutMnemonicMarks(const std::wstring& text);

// "#AARRGGBB", "#RRGGBB" (opaque) or "0xAARRGGBB"; 0 when unreadable.
DWORD ParseColor(const std::wstring& text);
// "l,t,r,b" and "cx,cy"; missing numbers are 0.
RECT ParseRect(const std::wstring& text);
SIZE ParseSize(const std::wstring& text);
bool ParseBool(const std::wstring& text);

// One parsed image string: "file='a.png' source='0,0,10,10' corner='2,2,2,2'"
// or a bare file name.
struct TDrawInfo {
    std::wstring file;
    RECT source;
    RECT corner;
    RECT dest;
    bool hasSource = false;
    bool hasDest = false;
    int fade = 255;
    bool hole = false;
    bool xtiled = false;
    bool ytiled = false;
    bool centered = false;  // align='center': the dest size (or the image's) centred in the item
    DWORD mask = 0;
};
TDrawInfo ParseImageString(const std::wstring& text);

// Saves the painter and narrows its clip to a rectangle; restores the
// painter when the scope ends.
class CPaintClip {
public:
    CPaintClip(QPainter& painter, const QRect& rc);
    CPaintClip(QPainter& painter, const RECT& rc) : CPaintClip(painter, ToQRect(rc)) {}
    ~CPaintClip();
    CPaintClip(const CPaintClip&) = delete;
    CPaintClip& operator=(const CPaintClip&) = delete;

private:
    QPainter& m_painter;
};

class CRenderEngine {
public:
    static void DrawColor(QPainter& painter, const RECT& rc, DWORD argb);
    static void DrawBorder(QPainter& painter, const RECT& rc, int size, DWORD argb);
    // Draws an image string inside rcItem, clipped to rcPaint; false when the
    // image cannot be loaded.
    static bool DrawImageString(QPainter& painter, CPaintManagerUI* manager, const RECT& rcItem,
                                const RECT& rcPaint, const std::wstring& image, const std::wstring& modify = {});
    // Draws text in rc with a font of the manager (-1: default) and DT_* style;
    // the text is drawn as it is unless the style has DT_HIDEPREFIX.
    static void DrawText(QPainter& painter, CPaintManagerUI* manager, const RECT& rc, const std::wstring& text,
                         DWORD argb, int font, UINT style);
    // Size the text needs within `width` (0: unlimited).
    static SIZE MeasureText(CPaintManagerUI* manager, const std::wstring& text, int font, UINT style, int width);
    // The drawn marks of check boxes (a box, ticked when chosen) and radio
    // buttons (a circle with a dot when chosen) in `box`.
    static void DrawCheckMark(QPainter& painter, const QRectF& box, bool checked, bool hot, bool enabled);
    static void DrawRadioMark(QPainter& painter, const QRectF& box, bool checked, bool hot, bool enabled);
};
