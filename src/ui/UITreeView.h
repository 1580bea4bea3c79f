// A tree of rows on the list: indented nodes with an expand button and,
// when the tree has check boxes, a tick that applies to the whole loaded
// subtree. A node whose children are not loaded yet may still show its
// button; expanding it sends "itemexpanding" (wParam the node) so the owner
// can fill it, and a node still without children then loses its button
// unless the owner sets it again (SetMayHaveChildren).
// Ticked nodes and nodes with any ticked node below them are drawn bold.
#pragma once
#include "ui/UIList.h"

#define DUI_MSGTYPE_ITEMEXPANDING L"itemexpanding"

class CTreeViewUI;

class CTreeNodeUI : public CListLabelElementUI {
public:
    std::wstring GetClass() const override;
    void* GetInterface(const std::wstring& name) override;

    CTreeNodeUI* GetParentNode() const { return m_parentNode; }
    const std::vector<CTreeNodeUI*>& GetChildNodes() const { return m_children; }
    int GetLevel() const { return m_level; }
    bool IsExpanded() const { return m_expanded; }
    bool IsChecked() const { return m_checked; }
    // Ticked, or something below is ticked.
    bool IsBold() const { return m_bold; }
    // Shows the expand button before the children are loaded.
    void SetMayHaveChildren(bool may) { m_mayHaveChildren = may; Invalidate(); }
    bool HasExpandButton() const { return !m_children.empty() || m_mayHaveChildren; }
    // Whole-width rows: the button and the tick sit in the indent.
    RECT GetExpandButtonRect() const;
    RECT GetCheckBoxRect() const;

    void DoEvent(TEventUI& event) override;
    void PaintText(QPainter& painter) override;

private:
    friend class CTreeViewUI;
    CTreeViewUI* Tree() const;
    RECT ContentLeft() const;

    CTreeNodeUI* m_parentNode = nullptr;
    std::vector<CTreeNodeUI*> m_children;
    int m_level = 0;
    bool m_expanded = false;
    bool m_checked = false;
    bool m_bold = false;
    bool m_mayHaveChildren = false;
};

class CTreeViewUI : public CListUI {
public:
    std::wstring GetClass() const override;
    void* GetInterface(const std::wstring& name) override;

    bool HasCheckBoxes() const { return m_checkBoxes; }
    void SetCheckBoxes(bool checkBoxes) { m_checkBoxes = checkBoxes; Invalidate(); }
    int GetIndent() const { return m_indent; }

    // Appends a node under `parent` (null: a root). A new child takes its
    // parent's tick.
    CTreeNodeUI* AddNode(const std::wstring& text, CTreeNodeUI* parent = nullptr);
    // Removes a node with everything below it.
    bool RemoveNode(CTreeNodeUI* node);
    void RemoveChildNodes(CTreeNodeUI* node);
    std::vector<CTreeNodeUI*> GetRootNodes() const;
    void Expand(CTreeNodeUI* node, bool expand = true);
    // Ticks or clears the node and its loaded subtree; ancestors' marks follow.
    void SetCheck(CTreeNodeUI* node, bool check);
    // Gives the loaded subtree the node's own tick.
    void ApplyStateToSubtree(CTreeNodeUI* node);
    // Ticked nodes in tree order.
    std::vector<CTreeNodeUI*> GetCheckedNodes() const;

    bool Remove(CControlUI* control, bool doNotDestroy = false) override;
    void RemoveAll() override;
    void SetAttribute(const std::wstring& name, const std::wstring& value) override;
    // Keys: Up and Down walk the shown nodes, Right opens a node or goes to
    // its first child, Left closes it or goes to its parent, Space ticks it;
    // typed letters go to the next shown node whose name starts with them.
    void DoEvent(TEventUI& event) override;

private:
    // The shown node after (step 1) or before (-1) row `from`; -1 when none.
    int NextShownRow(int from, int step) const;
    void FindTyped(wchar_t ch, DWORD when);

    std::wstring m_typed;  // what was typed to find a node, with the time of its last key
    DWORD m_typedAt = 0;
    void SetSubtreeCheck(CTreeNodeUI* node, bool check);
    void UpdateMarks(CTreeNodeUI* from);
    void ShowChildren(CTreeNodeUI* node, bool show);
    int LastRowOf(CTreeNodeUI* node) const;

    bool m_checkBoxes = false;
    int m_indent = 16;
};
