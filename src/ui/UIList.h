// Lists: the list owner (CListUI) with single and multiple selection,
// scrolling and keyboard moves, and its rows (a container row and a label
// row, html text possible). Rows talk to their owner through IListItemUI and
// IListOwnerUI; the combo box owns rows the same way.
//
// Notifications: "itemselect" from the owner when the selection changes
// (wParam the new current index, lParam the old one, -1 for none);
// "itemclick" from a row pressed with the left button and "itemdbclick"
// from a row double-clicked (wParam the row's index).
#pragma once
#include "ui/UIContainer.h"
#include "ui/UILabel.h"
#include <algorithm>
#include <memory>
#include <vector>

class CScrollBarUI;

#define DUI_MSGTYPE_ITEMDBCLICK L"itemdbclick"

// Colours and font the owner gives its rows.
struct TListInfoUI {
    int font = -1;
    UINT textStyle = DT_VCENTER | DT_SINGLELINE;
    RECT textPadding;
    DWORD textColor = 0;
    DWORD bkColor = 0;
    DWORD selectedTextColor = 0;
    DWORD selectedBkColor = 0xFFCCE4F7;
    DWORD hotTextColor = 0;
    DWORD hotBkColor = 0xFFE5F3FB;
    DWORD disabledTextColor = 0;
    bool showHtml = false;
};

// Reads an attribute of the rows' looks ("itemfont", "itemtextcolor",
// "itemshowhtml", ...) into `info`; false for any other name.
bool SetListInfoAttribute(TListInfoUI& info, const std::wstring& name, const std::wstring& value);

class IListOwnerUI {
public:
    virtual ~IListOwnerUI() = default;
    virtual TListInfoUI* GetListInfo() = 0;
    virtual int GetCurSel() const = 0;
    virtual bool SelectItem(int index, bool takeFocus = false) = 0;
    // A row was pressed with the given key state (MK_* bits).
    virtual void ItemPressed(int index, WORD keyState) = 0;
    // Keys and wheel turns a row did not use.
    virtual void ItemEvent(TEventUI& event) = 0;
};

class IListItemUI {
public:
    virtual ~IListItemUI() = default;
    virtual int GetIndex() const = 0;
    virtual void SetIndex(int index) = 0;
    virtual IListOwnerUI* GetOwner() const = 0;
    virtual void SetOwner(IListOwnerUI* owner) = 0;
    virtual bool IsSelected() const = 0;
    // Sets the state only; the owner sends the notification.
    virtual bool Select(bool select = true) = 0;
    virtual bool IsHot() const = 0;
};

// The row interface of a control; null for none or a control that is no row.
IListItemUI* AsListItem(CControlUI* control);
// A row joining a list: owned by it, unselected until the owner selects it.
void AttachListItem(CControlUI* control, IListOwnerUI* owner);
// A row leaving its list: unselected, without owner and index.
void DetachListItem(CControlUI* control);
// Gives the rows from `from` on their positions in `rows` as index.
void ReindexListItems(CContainerUI& rows, int from);

// The state and input handling shared by both row kinds.
class CListItemBase : public IListItemUI {
public:
    int GetIndex() const override { return m_index; }
    void SetIndex(int index) override { m_index = index; }
    IListOwnerUI* GetOwner() const override { return m_owner; }
    void SetOwner(IListOwnerUI* owner) override { m_owner = owner; }
    bool IsSelected() const override { return m_selected; }
    bool IsHot() const override { return m_hot; }

protected:
    // True when the row used the event.
    bool HandleItemEvent(CControlUI* self, TEventUI& event);
    // Background and text colour for the row's state (0: none).
    DWORD StateBkColor(const CControlUI* self) const;
    DWORD StateTextColor(const CControlUI* self) const;
    void PaintStateBkColor(const CControlUI* self, QPainter& painter) const;

    int m_index = -1;
    IListOwnerUI* m_owner = nullptr;
    bool m_selected = false;
    bool m_hot = false;
};

// A container owning list rows: rows join and leave through Add and Remove
// (every one of these may be overridden by a list of the program), and the
// current index follows them.
template <class Container>
class CListOwnerUI : public Container, public IListOwnerUI {
public:
    bool Add(CControlUI* control) override { return CListOwnerUI::AddAt(control, this->GetCount()); }
    bool AddAt(CControlUI* control, int index) override
    {
        if (!Container::AddAt(control, index)) return false;
        AttachListItem(control, this);
        ReindexListItems(*this, index);
        if (m_curSel >= index) ++m_curSel;
        return true;
    }
    bool Remove(CControlUI* control, bool doNotDestroy = false) override
    {
        // A row knows its index: no search through thousands of rows.
        IListItemUI* item = AsListItem(control);
        int index = item && this->GetItemAt(item->GetIndex()) == control ? item->GetIndex() : this->GetItemIndex(control);
        if (index < 0) return false;
        DetachListItem(control);
        if (!Container::RemoveAt(index, doNotDestroy)) return false;
        ReindexListItems(*this, index);
        // The current row went: the first remaining selected row takes over.
        if (m_curSel == index) m_curSel = GetNextSelItem(-1);
        else if (m_curSel > index) --m_curSel;
        return true;
    }
    bool RemoveAt(int index, bool doNotDestroy = false) override
    {
        CControlUI* control = this->GetItemAt(index);
        return control ? Remove(control, doNotDestroy) : false;
    }
    void RemoveAll() override
    {
        for (CControlUI* c : this->m_items) DetachListItem(c);
        m_curSel = -1;
        Container::RemoveAll();
    }

    TListInfoUI* GetListInfo() override { return &m_info; }
    int GetCurSel() const override { return m_curSel; }
    IListItemUI* GetListItem(int index) const { return AsListItem(this->GetItemAt(index)); }
    // The first selected row after `after` (-1 starts at the top); -1 when none.
    int GetNextSelItem(int after) const
    {
        for (int i = std::max(0, after + 1); i < this->GetCount(); ++i) {
            IListItemUI* item = GetListItem(i);
            if (item && item->IsSelected()) return i;
        }
        return -1;
    }
    void ItemEvent(TEventUI& event) override { this->DoEvent(event); }

protected:
    TListInfoUI m_info;
    int m_curSel = -1;
};

class CListUI : public CListOwnerUI<CVerticalLayoutUI> {
public:
    CListUI();
    ~CListUI() override;
    std::wstring GetClass() const override;
    void* GetInterface(const std::wstring& name) override;
    UINT GetControlFlags() const override { return UIFLAG_TABSTOP; }
    void RemoveAll() override;

    // Selects exactly that row (-1: none) and sends "itemselect" when the
    // selection changed.
    bool SelectItem(int index, bool takeFocus = false) override;
    bool IsMultiSelect() const { return m_multiSelect; }
    void SetMultiSelect(bool multi);
    // Adds a row to the selection (a plain SelectItem in single mode).
    bool SelectMultiItem(int index, bool takeFocus = false);
    bool UnSelectItem(int index);
    bool SelectAllItems();
    void UnSelectAllItems();
    int GetSelCount() const;
    std::vector<int> GetSelectedItems() const;

    // Index of the row under a point of the window (-1: none).
    int HitTestRow(POINT pt) const;
    void EnsureVisible(int index);
    CScrollBarUI* GetVerticalScrollBar() const { return m_scroll.get(); }
    int GetScrollPos() const;
    void SetScrollPos(int pos);
    void LineUp();
    void LineDown();

    void ItemPressed(int index, WORD keyState) override;

    void SetManager(CPaintManagerUI* manager, CControlUI* parent, bool init = true) override;
    void SetPos(RECT rc, bool needInvalidate = true) override;
    void DoEvent(TEventUI& event) override;
    void DoPaint(QPainter& painter, const RECT& rcPaint) override;
    CControlUI* FindControl(FINDCONTROLPROC proc, void* data, UINT flags) override;
    void SetAttribute(const std::wstring& name, const std::wstring& value) override;

protected:
    // Sends "itemselect" unless nothing changed.
    void NotifySelection(int oldCurSel, bool changed);
    bool ClearSelection();
    int RowHeight(CControlUI* row, int width);

    bool m_multiSelect = false;
    int m_defaultRowHeight = 24;
    std::unique_ptr<CScrollBarUI> m_scroll;
    int m_scrollWidth = 10;
};

// A row over a control class: the row state and input of CListItemBase with
// the control's own layout and drawing.
template <class Control>
class CListElementUI : public Control, public CListItemBase {
public:
    void* GetInterface(const std::wstring& name) override
    {
        if (name == L"ListItem") return static_cast<IListItemUI*>(this);
        return Control::GetInterface(name);
    }
    bool Select(bool select = true) override
    {
        if (m_selected != select) {
            m_selected = select;
            this->Invalidate();
        }
        return true;
    }
    void DoEvent(TEventUI& event) override
    {
        if (this->ForwardDisabledMouseEvent(event)) return;
        if (HandleItemEvent(this, event)) return;
        Control::DoEvent(event);
    }
    void PaintBkColor(QPainter& painter) override { PaintStateBkColor(this, painter); }
};

class CListContainerElementUI : public CListElementUI<CHorizontalLayoutUI> {
public:
    std::wstring GetClass() const override;
    void* GetInterface(const std::wstring& name) override;
};

class CListLabelElementUI : public CListElementUI<CLabelUI> {
public:
    std::wstring GetClass() const override;
    void* GetInterface(const std::wstring& name) override;
    void SetAttribute(const std::wstring& name, const std::wstring& value) override;
    void PaintText(QPainter& painter) override;

private:
    bool m_showHtml = false;
};
