// Containers: children owned by their container, inset and child padding;
// the vertical, horizontal and tab layouts.
#pragma once
#include "ui/UIControl.h"
#include <vector>

class IContainerUI {
public:
    virtual ~IContainerUI() = default;
    virtual CControlUI* GetItemAt(int index) const = 0;
    virtual int GetItemIndex(CControlUI* control) const = 0;
    virtual bool SetItemIndex(CControlUI* control, int index) = 0;
    virtual int GetCount() const = 0;
    virtual bool Add(CControlUI* control) = 0;
    virtual bool AddAt(CControlUI* control, int index) = 0;
    virtual bool Remove(CControlUI* control, bool doNotDestroy = false) = 0;
    virtual bool RemoveAt(int index, bool doNotDestroy = false) = 0;
    virtual void RemoveAll() = 0;
};

class CContainerUI : public CControlUI, public IContainerUI {
public:
    CContainerUI() = default;
    ~CContainerUI() override;

    std::wstring GetClass() const override;
    void* GetInterface(const std::wstring& name) override;

    CControlUI* GetItemAt(int index) const override;
    int GetItemIndex(CControlUI* control) const override;
    bool SetItemIndex(CControlUI* control, int index) override;
    int GetCount() const override { return static_cast<int>(m_items.size()); }
    bool Add(CControlUI* control) override;
    bool AddAt(CControlUI* control, int index) override;
    // Removes and (unless doNotDestroy or auto-destroy is off) destroys the
    // control; during a dispatch of the window the destruction waits until
    // the dispatch has returned.
    bool Remove(CControlUI* control, bool doNotDestroy = false) override;
    bool RemoveAt(int index, bool doNotDestroy = false) override;
    void RemoveAll() override;
    bool IsAutoDestroy() const { return m_autoDestroy; }
    void SetAutoDestroy(bool autoDestroy) { m_autoDestroy = autoDestroy; }

    // A vertical layout with "vscrollbar" scrolls its children with the
    // wheel when they do not fit; a thin bar shows where the view is. Its
    // thumb drags with the mouse, and a press beside it pages.
    bool IsScrollable() const { return m_vscroll; }
    int GetScrollPos() const { return m_scrollY; }
    int GetScrollRange() const { return m_scrollRange; }
    void SetScrollPos(int y);

    RECT GetInset() const { return m_rcInset; }
    void SetInset(const RECT& rc);
    int GetChildPadding() const { return m_childPadding; }
    void SetChildPadding(int padding);

    void SetVisible(bool visible = true) override;
    void SetInternVisible(bool visible = true) override;
    void SetManager(CPaintManagerUI* manager, CControlUI* parent, bool init = true) override;
    CControlUI* FindControl(FINDCONTROLPROC proc, void* data, UINT flags) override;
    // First descendant with that name (null when none).
    CControlUI* FindSubControl(const std::wstring& name);

    void SetPos(RECT rc, bool needInvalidate = true) override;
    void DoEvent(TEventUI& event) override;
    void DoPaint(QPainter& painter, const RECT& rcPaint) override;
    void SetAttribute(const std::wstring& name, const std::wstring& value) override;

protected:
    // Places a float child at its offset inside this container.
    void SetFloatPos(CControlUI* child);
    // True for a visible child the layout places in its flow; a floating
    // child is placed here by its own position instead.
    bool IsFlowChild(CControlUI* child);
    RECT ContentRect() const;
    void LayoutLinear(bool vertical);
    // The strip at the right edge that holds the scroll thumb, and the
    // thumb in it (empty rectangles while nothing scrolls).
    RECT ScrollStripRect() const;
    RECT ScrollThumbRect() const;
    bool DoScrollBarEvent(const TEventUI& event);
    void ReleaseChild(CControlUI* control, bool destroy);

    std::vector<CControlUI*> m_items;
    RECT m_rcInset;
    int m_childPadding = 0;
    bool m_autoDestroy = true;
    bool m_vscroll = false;
    int m_scrollY = 0;
    int m_scrollRange = 0;
    bool m_thumbDragging = false;
    int m_dragStartY = 0;
    int m_dragStartScroll = 0;
};

// A container that stacks its children along one axis.
class CLinearLayoutUI : public CContainerUI {
public:
    void SetPos(RECT rc, bool needInvalidate = true) override;

protected:
    explicit CLinearLayoutUI(bool vertical) : m_vertical(vertical) {}

private:
    bool m_vertical;
};

class CVerticalLayoutUI : public CLinearLayoutUI {
public:
    CVerticalLayoutUI() : CLinearLayoutUI(true) {}
    std::wstring GetClass() const override;
    void* GetInterface(const std::wstring& name) override;
};

class CHorizontalLayoutUI : public CLinearLayoutUI {
public:
    CHorizontalLayoutUI() : CLinearLayoutUI(false) {}
    std::wstring GetClass() const override;
    void* GetInterface(const std::wstring& name) override;
};

// Shows exactly one child (the current selection) over the whole area.
class CTabLayoutUI : public CContainerUI {
public:
    std::wstring GetClass() const override;
    void* GetInterface(const std::wstring& name) override;
    bool Add(CControlUI* control) override;
    bool AddAt(CControlUI* control, int index) override;
    bool Remove(CControlUI* control, bool doNotDestroy = false) override;
    void RemoveAll() override;
    int GetCurSel() const { return m_curSel; }
    bool SelectItem(int index);
    bool SelectItem(CControlUI* control);
    void SetAttribute(const std::wstring& name, const std::wstring& value) override;

private:
    int m_curSel = -1;
};
