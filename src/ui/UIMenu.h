// Menus: a model loaded from the program's menu file, popups run through a
// replaceable runner (a QMenu in the program, a scripted choice in tests),
// and the id spaces that keep dynamic command ranges apart.
//
// Menu file: <Menus><Popup text="_MAIN_"><Item id="32771" text="&amp;Open"
// icon="open.png" enabled="false" checked="true"/><Separator/><Popup
// text="&amp;Language">...</Popup></Popup></Menus>. The top popups are picked
// by position.
#pragma once
#include "ui/UIDefine.h"
#include <functional>
#include <memory>
#include <string>
#include <vector>

class CMenu;

struct CMenuItem {
    UINT id = 0;
    std::wstring text;
    // The menu file's texts (and their translations) mark a mnemonic with
    // '&' ("&&" is one '&'); a text set by code (a file or track name) is a
    // value, shown as it is.
    bool marked = false;
    std::wstring icon;
    bool separator = false;
    bool enabled = true;
    bool checked = false;
    std::unique_ptr<CMenu> popup;

    // The text as a menu of Qt reads it: a value's '&' doubled.
    std::wstring Label() const;
};

// Where an item is looked up: by command id (searching sub-menus too) or by
// position in this menu.
enum class EMenuBy { Command, Position };

class CMenu {
public:
    CMenu() = default;
    explicit CMenu(std::wstring text) : m_text(std::move(text)) {}
    CMenu(const CMenu&) = delete;
    CMenu& operator=(const CMenu&) = delete;

    // The root holds the top popups; null (and a reason) when the file is
    // missing or malformed.
    static std::unique_ptr<CMenu> LoadFile(const std::wstring& path, std::wstring* error = nullptr);
    static std::unique_ptr<CMenu> LoadText(const std::wstring& xml, std::wstring* error = nullptr);
    std::unique_ptr<CMenu> Clone() const;

    const std::wstring& GetText() const { return m_text; }
    // A list (a combo's drop-down): one column that scrolls, at most this
    // many rows high (0: a menu, as high as it needs).
    int GetVisibleRows() const { return m_visibleRows; }
    void SetVisibleRows(int rows) { m_visibleRows = rows; }
    // A list is at least this wide (its combo's width).
    int GetListWidth() const { return m_listWidth; }
    void SetListWidth(int width) { m_listWidth = width; }
    int GetItemCount() const { return static_cast<int>(m_items.size()); }
    CMenuItem* GetItem(UINT idOrPos, EMenuBy by);
    const CMenuItem* GetItem(UINT idOrPos, EMenuBy by) const;
    CMenu* GetSubMenu(int pos);
    // Command id at a position; 0 for separators and popups, -1 outside.
    int GetItemId(int pos) const;
    std::wstring GetItemText(UINT idOrPos, EMenuBy by) const;
    // The menu that directly holds a command (this or a sub-menu).
    CMenu* FindOwner(UINT id);

    bool Enable(UINT idOrPos, bool enable, EMenuBy by = EMenuBy::Command);
    bool IsEnabled(UINT idOrPos, EMenuBy by = EMenuBy::Command) const;
    bool Check(UINT idOrPos, bool check, EMenuBy by = EMenuBy::Command);
    bool IsChecked(UINT idOrPos, EMenuBy by = EMenuBy::Command) const;
    bool SetText(UINT idOrPos, const std::wstring& text, EMenuBy by = EMenuBy::Command);
    bool SetIcon(UINT idOrPos, const std::wstring& iconPath, EMenuBy by = EMenuBy::Command);
    // Inserts before the item named by idOrPos (a position past the end, or
    // (UINT)-1, appends). False when the place is not found.
    bool Insert(UINT idOrPos, EMenuBy by, CMenuItem item);
    bool Append(CMenuItem item) { return Insert(static_cast<UINT>(-1), EMenuBy::Position, std::move(item)); }
    bool AppendCommand(UINT id, const std::wstring& text);
    bool AppendSeparator();
    bool Remove(UINT idOrPos, EMenuBy by = EMenuBy::Command);
    void RemoveAll() { m_items.clear(); }
    // Every command id in this menu and below, in menu order.
    std::vector<UINT> CollectIds() const;

private:
    CMenuItem* FindById(UINT id, CMenu** owner, int* pos);
    bool SetFlag(UINT idOrPos, EMenuBy by, bool CMenuItem::*flag, bool on);
    bool HasFlag(UINT idOrPos, EMenuBy by, bool CMenuItem::*flag) const;

    std::wstring m_text;
    int m_visibleRows = 0;
    int m_listWidth = 0;
    std::vector<CMenuItem> m_items;
};

// Shows a popup and returns the chosen command id, 0 when none. The runner
// calls `onOpen` with every menu (the popup, then each sub-menu) just before
// it appears, so the owner can fill and enable it.
class IMenuRunner {
public:
    virtual ~IMenuRunner() = default;
    virtual UINT Run(CMenu& menu, POINT screenPt, const std::function<void(CMenu&)>& onOpen) = 0;
};

// The runner in use: the QMenu runner unless a test put its own.
IMenuRunner* GetMenuRunner();
void SetMenuRunner(IMenuRunner* runner);  // null: back to the QMenu runner

// A chosen id counts only when it names an enabled command of the menu.
bool IsChoosable(CMenu& menu, UINT id);

constexpr UINT TPM_LEFTALIGN = 0x0000;
constexpr UINT TPM_RIGHTBUTTON = 0x0002;
constexpr UINT TPM_RETURNCMD = 0x0100;

// Runs a popup for a window: each menu gets WM_INITMENUPOPUP (wParam the
// CMenu*) before it opens; the choice is posted as WM_COMMAND (wParam the
// id), or returned with TPM_RETURNCMD. Returns the chosen id (0: none).
UINT TrackPopupMenu(CMenu* menu, UINT flags, int x, int y, HWND owner);

// Named command-id ranges that may never overlap: every id maps to at most
// one range.
class CMenuIdSpace {
public:
    struct Range {
        std::wstring name;
        UINT first = 0;
        UINT count = 0;
    };
    // False when the range is empty or meets a reserved one.
    bool Reserve(const std::wstring& name, UINT first, UINT count);
    // The id of entry `index` of a range; 0 when the index is outside it.
    UINT IdOf(const std::wstring& name, UINT index) const;
    // Range and entry of an id; false when no range holds it.
    bool Resolve(UINT id, std::wstring* name, UINT* index) const;
    const std::vector<Range>& GetRanges() const { return m_ranges; }

private:
    std::vector<Range> m_ranges;
};
