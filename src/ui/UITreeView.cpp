#include "ui/UITreeView.h"
#include "ui/UIManager.h"
#include "ui/UIRender.h"
#include <QPainter>
#include <algorithm>
#include <cwctype>

namespace {
constexpr int kButton = 12;
constexpr int kCheck = 14;
}  // namespace

std::wstring CTreeNodeUI::GetClass() const { return L"TreeNodeUI"; }

void* CTreeNodeUI::GetInterface(const std::wstring& name)
{
    return ControlInterface<CListLabelElementUI>(this, name, L"TreeNode");
}

CTreeViewUI* CTreeNodeUI::Tree() const
{
    return m_owner ? dynamic_cast<CTreeViewUI*>(m_owner) : nullptr;
}

RECT CTreeNodeUI::ContentLeft() const
{
    CTreeViewUI* tree = Tree();
    int indent = tree ? tree->GetIndent() : 16;
    RECT rc = m_rcItem;
    rc.left += m_level * indent + 2;
    return rc;
}

RECT CTreeNodeUI::GetExpandButtonRect() const
{
    RECT rc = ContentLeft();
    int cy = (rc.top + rc.bottom) / 2;
    return MakeRect(rc.left, cy - kButton / 2, rc.left + kButton, cy + kButton / 2);
}

RECT CTreeNodeUI::GetCheckBoxRect() const
{
    CTreeViewUI* tree = Tree();
    if (!tree || !tree->HasCheckBoxes()) return RECT();
    RECT button = GetExpandButtonRect();
    int cy = (button.top + button.bottom) / 2;
    return MakeRect(button.right + 4, cy - kCheck / 2, button.right + 4 + kCheck, cy + kCheck / 2);
}

void CTreeNodeUI::DoEvent(TEventUI& event)
{
    if (ForwardDisabledMouseEvent(event)) return;
    CTreeViewUI* tree = Tree();
    if (tree && IsEnabled() && (event.Type == UIEVENT_BUTTONDOWN || event.Type == UIEVENT_DBLCLICK)) {
        if (HasExpandButton() && PtInRect(GetExpandButtonRect(), event.ptMouse)) {
            tree->Expand(this, !m_expanded);
            return;
        }
        if (tree->HasCheckBoxes() && PtInRect(GetCheckBoxRect(), event.ptMouse)) {
            CDispatchScope scope(m_manager);
            tree->SelectItem(m_index, true);
            if (m_owner) tree->SetCheck(this, !m_checked);
            return;
        }
        if (event.Type == UIEVENT_DBLCLICK && HasExpandButton()) tree->Expand(this, !m_expanded);
    }
    CListLabelElementUI::DoEvent(event);
}

void CTreeNodeUI::PaintText(QPainter& painter)
{
    CTreeViewUI* tree = Tree();
    DWORD color = EffectiveTextColor(m_textColor ? m_textColor : StateTextColor(this));
    if (HasExpandButton()) {
        RECT b = GetExpandButtonRect();
        CRenderEngine::DrawBorder(painter, b, 1, 0xFF808890);
        int cy = (b.top + b.bottom) / 2, cx = (b.left + b.right) / 2;
        CRenderEngine::DrawColor(painter, MakeRect(b.left + 3, cy, b.right - 3, cy + 1), 0xFF404850);
        if (!m_expanded) CRenderEngine::DrawColor(painter, MakeRect(cx, b.top + 3, cx + 1, b.bottom - 3), 0xFF404850);
    }
    RECT text = ContentLeft();
    text.left += kButton + 4;
    if (tree && tree->HasCheckBoxes()) {
        RECT c = GetCheckBoxRect();
        CRenderEngine::DrawCheckMark(painter, QRectF(c.left + 0.5, c.top + 0.5, c.right - c.left - 1, c.bottom - c.top - 1),
                                     m_checked, false, IsEnabled());
        text.left = c.right + 4;
    }
    if (m_text.empty() || !m_manager) return;
    QFont font = m_manager->GetFont(m_font >= 0 ? m_font : (tree ? tree->GetListInfo()->font : -1));
    font.setBold(m_bold);
    painter.save();
    painter.setFont(font);
    painter.setPen(QColor::fromRgba(color));
    painter.drawText(ToQRect(text), Qt::AlignVCenter | Qt::AlignLeft | Qt::TextSingleLine,
                     painter.fontMetrics().elidedText(QString::fromStdWString(m_text), Qt::ElideRight, text.right - text.left));
    painter.restore();
}

std::wstring CTreeViewUI::GetClass() const { return L"TreeViewUI"; }

namespace {
// Keys typed within this time make one name to find.
constexpr DWORD kTypeAheadMs = 1000;

CTreeNodeUI* NodeAt(const CTreeViewUI* tree, int row)
{
    CControlUI* item = row >= 0 && row < tree->GetCount() ? tree->GetItemAt(row) : nullptr;
    return item ? static_cast<CTreeNodeUI*>(item->GetInterface(L"TreeNode")) : nullptr;
}
}  // namespace

int CTreeViewUI::NextShownRow(int from, int step) const
{
    for (int row = from + step; row >= 0 && row < GetCount(); row += step)
        if (CTreeNodeUI* node = NodeAt(this, row); node && node->IsVisible() && node->IsEnabled()) return row;
    return -1;
}

void CTreeViewUI::FindTyped(wchar_t ch, DWORD when)
{
    if (when - m_typedAt > kTypeAheadMs) m_typed.clear();
    m_typedAt = when;
    // A first letter, or the same letter again, goes to the next name that
    // starts with it; more letters refine the name found.
    const bool again = m_typed.size() == 1 && std::towlower(m_typed[0]) == std::towlower(ch);
    const bool next = again || m_typed.empty();
    if (!again) m_typed += ch;
    const int count = GetCount();
    const int start = next || m_curSel < 0 ? m_curSel + 1 : m_curSel;
    for (int i = 0; i < count; ++i) {
        const int row = ((start < 0 ? 0 : start) + i) % count;
        CTreeNodeUI* node = NodeAt(this, row);
        if (!node || !node->IsVisible() || !node->IsEnabled()) continue;
        const std::wstring& name = node->GetText();
        if (name.size() < m_typed.size()) continue;
        bool same = true;
        for (size_t k = 0; k < m_typed.size() && same; ++k) same = std::towlower(name[k]) == std::towlower(m_typed[k]);
        if (same) {
            SelectItem(row, true);
            return;
        }
    }
}

void CTreeViewUI::DoEvent(TEventUI& event)
{
    if (event.Type == UIEVENT_CHAR && event.chKey > L' ' && GetCount() > 0) {
        FindTyped(static_cast<wchar_t>(event.chKey), event.dwTimestamp);
        return;
    }
    if (event.Type == UIEVENT_KEYDOWN && GetCount() > 0) {
        // A walk with the keys ends the name being typed.
        if (const WPARAM key = event.chKey; key == VK_SPACE || (key >= VK_END && key <= VK_DOWN)) m_typed.clear();
        CTreeNodeUI* node = NodeAt(this, m_curSel);
        int row = -1;
        switch (event.chKey) {
        case VK_UP: row = NextShownRow(m_curSel < 0 ? GetCount() : m_curSel, -1); break;
        case VK_DOWN: row = NextShownRow(m_curSel, 1); break;
        case VK_HOME: row = NextShownRow(-1, 1); break;
        case VK_END: row = NextShownRow(GetCount(), -1); break;
        case VK_RIGHT:
            if (node && node->HasExpandButton() && !node->IsExpanded()) Expand(node, true);
            else if (node && !node->GetChildNodes().empty()) row = GetItemIndex(node->GetChildNodes().front());
            if (row < 0) return;
            break;
        case VK_LEFT:
            if (node && node->IsExpanded()) Expand(node, false);
            else if (node && node->GetParentNode()) row = GetItemIndex(node->GetParentNode());
            if (row < 0) return;
            break;
        case VK_SPACE:
            if (node && HasCheckBoxes()) SetCheck(node, !node->IsChecked());
            if (node && HasCheckBoxes()) return;
            break;
        default: break;
        }
        if (row >= 0) {
            SelectItem(row, true);
            return;
        }
        if (event.chKey == VK_UP || event.chKey == VK_DOWN || event.chKey == VK_HOME || event.chKey == VK_END) return;
    }
    CListUI::DoEvent(event);
}

void* CTreeViewUI::GetInterface(const std::wstring& name)
{
    return ControlInterface<CListUI>(this, name, L"TreeView");
}

int CTreeViewUI::LastRowOf(CTreeNodeUI* node) const
{
    while (!node->m_children.empty()) node = node->m_children.back();
    return GetItemIndex(node);
}

CTreeNodeUI* CTreeViewUI::AddNode(const std::wstring& text, CTreeNodeUI* parent)
{
    if (parent && parent->GetOwner() != this) return nullptr;
    auto* node = new CTreeNodeUI;
    node->SetText(text);
    int at = parent ? LastRowOf(parent) + 1 : GetCount();
    if (!CListUI::AddAt(node, at)) {
        delete node;
        return nullptr;
    }
    if (parent) {
        node->m_parentNode = parent;
        node->m_level = parent->m_level + 1;
        parent->m_children.push_back(node);
        node->m_checked = parent->m_checked;
        node->m_bold = parent->m_checked;
        node->SetVisible(parent->m_expanded && parent->IsVisible());
        parent->Invalidate();
        UpdateMarks(parent);
    }
    return node;
}

bool CTreeViewUI::RemoveNode(CTreeNodeUI* node)
{
    if (!node || node->GetOwner() != this) return false;
    return Remove(node);
}

void CTreeViewUI::RemoveChildNodes(CTreeNodeUI* node)
{
    if (!node) return;
    std::vector<CTreeNodeUI*> children = node->m_children;
    for (CTreeNodeUI* c : children) Remove(c);
}

bool CTreeViewUI::Remove(CControlUI* control, bool doNotDestroy)
{
    auto* node = control ? static_cast<CTreeNodeUI*>(control->GetInterface(L"TreeNode")) : nullptr;
    if (!node || GetItemIndex(control) < 0) return CListUI::Remove(control, doNotDestroy);
    // The subtree goes first, deepest rows first.
    std::vector<CTreeNodeUI*> children = node->m_children;
    for (auto it = children.rbegin(); it != children.rend(); ++it) Remove(*it, doNotDestroy);
    CTreeNodeUI* parent = node->m_parentNode;
    if (parent) {
        auto& siblings = parent->m_children;
        siblings.erase(std::remove(siblings.begin(), siblings.end(), node), siblings.end());
        parent->Invalidate();
    }
    node->m_parentNode = nullptr;
    node->m_children.clear();
    bool removed = CListUI::Remove(control, doNotDestroy);
    if (parent) UpdateMarks(parent);
    return removed;
}

void CTreeViewUI::RemoveAll()
{
    for (int i = 0; i < GetCount(); ++i)
        if (auto* node = static_cast<CTreeNodeUI*>(GetItemAt(i)->GetInterface(L"TreeNode"))) {
            node->m_parentNode = nullptr;
            node->m_children.clear();
        }
    CListUI::RemoveAll();
}

std::vector<CTreeNodeUI*> CTreeViewUI::GetRootNodes() const
{
    std::vector<CTreeNodeUI*> roots;
    for (int i = 0; i < GetCount(); ++i) {
        auto* node = static_cast<CTreeNodeUI*>(GetItemAt(i)->GetInterface(L"TreeNode"));
        if (node && !node->m_parentNode) roots.push_back(node);
    }
    return roots;
}

void CTreeViewUI::ShowChildren(CTreeNodeUI* node, bool show)
{
    for (CTreeNodeUI* c : node->m_children) {
        c->SetVisible(show);
        ShowChildren(c, show && c->m_expanded);
    }
}

void CTreeViewUI::Expand(CTreeNodeUI* node, bool expand)
{
    if (!node || node->GetOwner() != this) return;
    CDispatchScope scope(m_manager);
    if (expand && node->m_children.empty()) {
        if (!node->m_mayHaveChildren) return;
        // A node the handler leaves empty loses its button, unless the
        // handler gives it back (its listing failed: it may be tried again).
        node->m_mayHaveChildren = false;
        if (m_manager) m_manager->SendNotify(this, DUI_MSGTYPE_ITEMEXPANDING, reinterpret_cast<WPARAM>(node));
        // The handler may have removed the node.
        if (node->GetOwner() != this) return;
        if (node->m_children.empty()) {
            node->m_expanded = false;
            node->Invalidate();
            return;
        }
    }
    node->m_expanded = expand;
    ShowChildren(node, expand && node->IsVisible());
    node->Invalidate();
    NeedUpdate();
}

void CTreeViewUI::SetSubtreeCheck(CTreeNodeUI* node, bool check)
{
    node->m_checked = check;
    node->m_bold = check;
    node->Invalidate();
    for (CTreeNodeUI* c : node->m_children) SetSubtreeCheck(c, check);
}

void CTreeViewUI::UpdateMarks(CTreeNodeUI* from)
{
    for (CTreeNodeUI* n = from; n; n = n->m_parentNode) {
        bool bold = n->m_checked;
        for (CTreeNodeUI* c : n->m_children) bold = bold || c->m_bold || c->m_checked;
        if (n->m_bold != bold) {
            n->m_bold = bold;
            n->Invalidate();
        }
    }
}

void CTreeViewUI::SetCheck(CTreeNodeUI* node, bool check)
{
    if (!node || node->GetOwner() != this) return;
    SetSubtreeCheck(node, check);
    UpdateMarks(node->m_parentNode);
}

void CTreeViewUI::ApplyStateToSubtree(CTreeNodeUI* node) { SetCheck(node, node ? node->m_checked : false); }

std::vector<CTreeNodeUI*> CTreeViewUI::GetCheckedNodes() const
{
    std::vector<CTreeNodeUI*> out;
    for (int i = 0; i < GetCount(); ++i) {
        auto* node = static_cast<CTreeNodeUI*>(GetItemAt(i)->GetInterface(L"TreeNode"));
        if (node && node->m_checked) out.push_back(node);
    }
    return out;
}

void CTreeViewUI::SetAttribute(const std::wstring& name, const std::wstring& value)
{
    if (name == L"checkboxes") SetCheckBoxes(ParseBool(value));
    else if (name == L"indent") m_indent = CPaintManagerUI::Scale(static_cast<int>(std::wcstol(value.c_str(), nullptr, 10)));
    else CListUI::SetAttribute(name, value);
}
