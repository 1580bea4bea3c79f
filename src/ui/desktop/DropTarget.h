// Drops on a window: file lists and text reach a sink; the effect offered
// to the source follows the keys held and what the source allows.
#pragma once
#include "ui/UIDefine.h"
#include <memory>
#include <string>
#include <vector>

class QWidget;

constexpr DWORD DROPEFFECT_NONE = 0;
constexpr DWORD DROPEFFECT_COPY = 1;
constexpr DWORD DROPEFFECT_MOVE = 2;
constexpr DWORD DROPEFFECT_LINK = 4;

// Not accepted: none. Control held: copy when allowed; Shift held: move
// when allowed; otherwise (or when that is not allowed) move when allowed,
// else copy when allowed, else none. `keyState` holds MK_CONTROL / MK_SHIFT.
DWORD ChooseDropEffect(bool accepted, WPARAM keyState, DWORD allowed);

class IDropSink {
public:
    virtual ~IDropSink() = default;
    virtual bool AcceptsFiles() const { return true; }
    virtual bool AcceptsText() const { return true; }
    // Local paths with "/" separators; the point is in window coordinates.
    virtual void OnFilesDropped(const std::vector<std::wstring>& files, POINT pt) = 0;
    virtual void OnTextDropped(const std::wstring& text, POINT pt) = 0;
};

// Takes drops on a widget while it lives; the sink must outlive it.
class CDropTarget {
public:
    CDropTarget(QWidget* widget, IDropSink* sink);
    ~CDropTarget();
    CDropTarget(const CDropTarget&) = delete;
    CDropTarget& operator=(const CDropTarget&) = delete;
    // The effect of the last enter, move or drop.
    DWORD GetLastEffect() const;

private:
    class CFilter;
    std::unique_ptr<CFilter> m_filter;
};
