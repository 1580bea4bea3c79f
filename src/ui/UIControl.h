// The windowless control: position, state, attributes, painting and events.
#pragma once
#include "ui/UIDefine.h"
#include "ui/UIDelegate.h"
#include "ui/UISharedText.h"
#include <memory>
#include <string>
#include <utility>
#include <vector>

class CPaintManagerUI;
class QPainter;

using FINDCONTROLPROC = CControlUI* (*)(CControlUI*, void*);

// Button-like state bits.
constexpr UINT UISTATE_FOCUSED = 0x01;
constexpr UINT UISTATE_SELECTED = 0x02;
constexpr UINT UISTATE_DISABLED = 0x04;
constexpr UINT UISTATE_HOT = 0x08;
constexpr UINT UISTATE_PUSHED = 0x10;
constexpr UINT UISTATE_CAPTURED = 0x40;

// Control flags.
constexpr UINT UIFLAG_TABSTOP = 0x01;
constexpr UINT UIFLAG_SETCURSOR = 0x02;

class CControlUI : private CNonCopyable {
public:
    CControlUI();
    virtual ~CControlUI();

    virtual std::wstring GetClass() const;
    virtual void* GetInterface(const std::wstring& name);
    virtual UINT GetControlFlags() const;
    virtual bool Activate();

    const std::wstring& GetName() const { return m_name.Get(); }
    void SetName(const std::wstring& name) { m_name = name; }
    CPaintManagerUI* GetManager() const { return m_manager; }
    virtual void SetManager(CPaintManagerUI* manager, CControlUI* parent, bool init = true);
    CControlUI* GetParent() const { return m_parent; }

    virtual std::wstring GetText() const { return m_text; }
    // A text set by code (a file name, a tag) is a value: drawn as it is.
    virtual void SetText(const std::wstring& text);
    // The skin's own text (its "text" attribute, in a skin or a language
    // file): a single '&' marks a mnemonic and is not drawn, "&&" draws one '&'.
    void SetSkinText(const std::wstring& text);
    bool IsSkinText() const { return m_skinText; }
    // The style bit that draws the text as it should be: DT_HIDEPREFIX for a
    // skin text, else none.
    UINT TextMarks() const { return m_skinText ? DT_HIDEPREFIX : 0; }
    std::wstring GetToolTip() const { return m_toolTip; }
    void SetToolTip(const std::wstring& text) { m_toolTip = text; }
    // What the mouse resting on the control shows: its tooltip.
    virtual std::wstring GetHoverTip() const { return m_toolTip; }
    std::wstring GetUserData() const { return m_userData; }
    void SetUserData(const std::wstring& text) { m_userData = text; }
    // A pointer-wide value owned by whoever sets it.
    UINT_PTR GetTag() const { return m_tag; }
    void SetTag(UINT_PTR tag) { m_tag = tag; }

    DWORD GetBkColor() const { return m_bkColor; }
    void SetBkColor(DWORD argb);
    const std::wstring& GetBkImage() const { return m_bkImage.Get(); }
    void SetBkImage(const std::wstring& image);
    DWORD GetBorderColor() const { return m_borderColor; }
    void SetBorderColor(DWORD argb);
    int GetBorderSize() const { return m_borderSize; }
    void SetBorderSize(int size);

    // Position. A float control is placed at its "pos" relative to its parent.
    const RECT& GetPos() const { return m_rcItem; }
    virtual void SetPos(RECT rc, bool needInvalidate = true);
    int GetWidth() const { return m_rcItem.right - m_rcItem.left; }
    int GetHeight() const { return m_rcItem.bottom - m_rcItem.top; }
    int GetX() const { return m_rcItem.left; }
    int GetY() const { return m_rcItem.top; }
    RECT GetPadding() const { return m_rcPadding; }
    void SetPadding(const RECT& rc);
    bool IsFloat() const { return m_float; }
    void SetFloat(bool isFloat);
    POINT GetFloatOffset() const { return m_floatOffset; }
    int GetFixedWidth() const { return m_fixed.cx; }
    void SetFixedWidth(int cx);
    int GetFixedHeight() const { return m_fixed.cy; }
    void SetFixedHeight(int cy);
    void SetMinWidth(int cx);
    void SetMaxWidth(int cx);
    void SetMinHeight(int cy);
    void SetMaxHeight(int cy);
    // `size` held within the control's minimum and maximum height (or width).
    int ClampSize(int size, bool height) const;
    // Size wanted inside `available`; 0 in a dimension means "stretch".
    virtual SIZE EstimateSize(SIZE available);

    virtual bool IsVisible() const { return m_visible && m_internVisible; }
    virtual void SetVisible(bool visible = true);
    // Visibility imposed by a hidden ancestor.
    virtual void SetInternVisible(bool visible = true);
    virtual bool IsEnabled() const { return m_enabled; }
    virtual void SetEnabled(bool enabled = true);
    virtual bool IsMouseEnabled() const { return m_mouseEnabled; }
    virtual void SetMouseEnabled(bool enabled = true) { m_mouseEnabled = enabled; }
    virtual bool IsKeyboardEnabled() const { return m_keyboardEnabled; }
    virtual void SetKeyboardEnabled(bool enabled = true) { m_keyboardEnabled = enabled; }
    virtual bool IsFocused() const { return m_focused; }
    virtual void SetFocus();

    virtual CControlUI* FindControl(FINDCONTROLPROC proc, void* data, UINT flags);

    void Invalidate();
    bool IsUpdateNeeded() const { return m_updateNeeded; }
    // The control or something inside it asked for a new layout since its
    // last one; a container whose place did not change lays out its children
    // again only then.
    bool IsLayoutPending() const { return m_updateNeeded || m_childLayoutPending; }
    // Takes the place without laying out what is inside (a list row out of
    // view); the inside is laid out when the control is placed again.
    void SetPosOutOfView(const RECT& rc)
    {
        m_rcItem = rc;
        m_updateNeeded = true;
    }
    void NeedUpdate();
    void NeedParentUpdate();

    // Called once when the control joins a manager: OnInit, then DoInit.
    virtual void Init();
    virtual void DoInit() {}
    // The manager's entry: the OnEvent delegates, then DoEvent unless one
    // of them returned false.
    virtual void Event(TEventUI& event);
    virtual void DoEvent(TEventUI& event);

    virtual void SetAttribute(const std::wstring& name, const std::wstring& value);
    CControlUI* ApplyAttributeList(const std::wstring& list);
    // The pairs of a list such as `text="..." tooltip='...'`, in order.
    static std::vector<std::pair<std::wstring, std::wstring>> ParseAttributeList(const std::wstring& list);
    // The value of a text attribute a language may give ("text", "tooltip",
    // a derived control's own); false for any other attribute.
    virtual bool GetTextAttribute(const std::wstring& name, std::wstring& value) const;
    // The skin's values of the text attributes a language changed, kept
    // for the way back to a language that leaves them as the skin has them.
    std::vector<std::pair<std::wstring, std::wstring>>& SkinTexts()
    {
        if (!m_skinTexts) m_skinTexts = std::make_unique<std::vector<std::pair<std::wstring, std::wstring>>>();
        return *m_skinTexts;
    }
    bool HasSkinTexts() const { return m_skinTexts && !m_skinTexts->empty(); }

    virtual void DoPaint(QPainter& painter, const RECT& rcPaint);
    virtual void PaintBkColor(QPainter& painter);
    virtual void PaintBkImage(QPainter& painter);
    virtual void PaintStatusImage(QPainter& painter);
    virtual void PaintText(QPainter& painter);
    virtual void PaintBorder(QPainter& painter);
    bool DrawImage(QPainter& painter, const std::wstring& image, const std::wstring& modify = {});

    CEventSource OnInit;
    CEventSource OnDestroy;
    CEventSource OnSize;
    CEventSource OnEvent;
    CEventSource OnNotify;

protected:
    // Mouse events (9-18) of a mouse-disabled control go to its parent;
    // true when the event was passed on.
    bool ForwardDisabledMouseEvent(TEventUI& event);
    // Keeps a changed look value and repaints the control.
    template <class T>
    void ChangeLook(T& field, const T& value)
    {
        if (field == value) return;
        field = value;
        Invalidate();
    }
    void ChangeLook(CSharedText& field, const std::wstring& value)
    {
        if (field.Get() == value) return;
        field = value;
        Invalidate();
    }
    // Keeps a size of the layout (a negative one is refused) and lets the
    // parent place its children again.
    void SetSizeLimit(LONG& field, int value);
    // A container placed where it was, with nothing inside changed, keeps
    // its children's layout.
    bool KeepsLayout(const RECT& rc) const
    {
        return !IsLayoutPending() && rc.left == m_rcItem.left && rc.top == m_rcItem.top && rc.right == m_rcItem.right &&
               rc.bottom == m_rcItem.bottom;
    }

    CPaintManagerUI* m_manager = nullptr;
    CControlUI* m_parent = nullptr;
    // Names, pictures and tooltips come from the skin, alike in every row.
    CSharedText m_name;
    std::wstring m_text;
    CSharedText m_toolTip;
    CSharedText m_userData;
    UINT_PTR m_tag = 0;
    RECT m_rcItem;
    RECT m_rcPadding;
    RECT m_rcPaint;
    SIZE m_fixed;
    SIZE m_min;
    SIZE m_max;
    POINT m_floatOffset;
    bool m_float = false;
    bool m_visible = true;
    bool m_internVisible = true;
    bool m_enabled = true;
    bool m_mouseEnabled = true;
    bool m_keyboardEnabled = true;
    bool m_focused = false;
    bool m_skinText = false;
    bool m_updateNeeded = true;
    bool m_childLayoutPending = true;
    DWORD m_bkColor = 0;
    CSharedText m_bkImage;
    DWORD m_borderColor = 0;
    int m_borderSize = 0;
    // Made by the first language that changes a text.
    std::unique_ptr<std::vector<std::pair<std::wstring, std::wstring>>> m_skinTexts;
};

// While one lives on a thread, controls destroyed there leave their manager
// alone: their trees were taken out of it with CPaintManagerUI::DetachTree.
class CDetachedDestroyScope : private CNonCopyable {
public:
    CDetachedDestroyScope();
    ~CDetachedDestroyScope();
    static bool Active();
};

// GetInterface of a control class: the control itself under its own name,
// else what its base class `Base` answers.
template <class Base, class Self>
void* ControlInterface(Self* self, const std::wstring& name, const wchar_t* ownName)
{
    if (name == ownName) return static_cast<void*>(self);
    return self->Base::GetInterface(name);
}
