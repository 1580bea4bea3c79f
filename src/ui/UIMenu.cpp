#include "ui/UIMenu.h"
#include "ui/UIDropList.h"
#include "ui/UIImageLookup.h"
#include "ui/UIMarkup.h"
#include <QAction>
#include <QApplication>
#include <QCursor>
#include <QIcon>
#include <QMenu>
#include <QPointer>
#include <algorithm>
#include <cwchar>

namespace {
// "icon:NAME" comes from the icon theme, anything else is an image file.
QIcon MenuIcon(const std::wstring& icon)
{
    if (std::wstring name = ThemeIconName(icon); !name.empty()) {
        QImage image = LoadThemeIcon(name, 32);
        return image.isNull() ? QIcon() : QIcon(QPixmap::fromImage(image));
    }
    return QIcon(QString::fromStdWString(icon));
}
}  // namespace

namespace {
bool ParseMenu(const CMarkupElement& element, CMenu& menu, std::wstring* error)
{
    for (const auto& child : element.children) {
        CMenuItem item;
        if (child->name == L"Separator") {
            item.separator = true;
        } else if (child->name == L"Item" || child->name == L"Popup") {
            item.text = child->GetAttribute(L"text");
            item.marked = true;
            item.icon = child->GetAttribute(L"icon");
            item.enabled = child->GetAttribute(L"enabled", L"true") != L"false";
            item.checked = child->GetAttribute(L"checked", L"false") == L"true";
            if (child->name == L"Popup") {
                item.popup = std::make_unique<CMenu>(item.text);
                if (!ParseMenu(*child, *item.popup, error)) return false;
            } else {
                std::wstring id = child->GetAttribute(L"id");
                wchar_t* end = nullptr;
                unsigned long value = std::wcstoul(id.c_str(), &end, 10);
                if (id.empty() || (end && *end) || value == 0 || value > 0xFFFF) {
                    if (error) *error = L"menu item \"" + item.text + L"\" (line " + std::to_wstring(child->line) + L") has no valid id";
                    return false;
                }
                item.id = static_cast<UINT>(value);
            }
        } else {
            if (error) *error = L"unknown menu element <" + child->name + L"> at line " + std::to_wstring(child->line);
            return false;
        }
        menu.Append(std::move(item));
    }
    return true;
}

std::unique_ptr<CMenu> FromMarkup(CMarkup& markup, std::wstring* error)
{
    if (!markup.IsValid()) {
        if (error) *error = markup.GetLastErrorMessage();
        return nullptr;
    }
    auto root = std::make_unique<CMenu>();
    if (!ParseMenu(*markup.GetRoot(), *root, error)) return nullptr;
    return root;
}

// QMenu runner: sub-menus are filled when they are about to show.
class CQtMenuRunner : public IMenuRunner {
public:
    UINT Run(CMenu& menu, POINT screenPt, const std::function<void(CMenu&)>& onOpen) override
    {
        if (onOpen) onOpen(menu);
        // A combo's list is a list, not a menu.
        if (menu.GetVisibleRows() > 0) return RunDropList(menu, screenPt);
        QMenu popup;
        Fill(popup, menu, onOpen);
        QAction* chosen = popup.exec(QPoint(screenPt.x, screenPt.y));
        return chosen ? chosen->data().toUInt() : 0;
    }

private:
    static void Fill(QMenu& qmenu, CMenu& menu, const std::function<void(CMenu&)>& onOpen)
    {
        qmenu.clear();
        for (int i = 0; i < menu.GetItemCount(); ++i) {
            CMenuItem* item = menu.GetItem(static_cast<UINT>(i), EMenuBy::Position);
            if (item->separator) {
                qmenu.addSeparator();
                continue;
            }
            QString text = QString::fromStdWString(item->Label());
            if (item->popup) {
                QMenu* sub = qmenu.addMenu(text);
                sub->setEnabled(item->enabled);
                CMenu* model = item->popup.get();
                QObject::connect(sub, &QMenu::aboutToShow, sub, [sub, model, onOpen] {
                    if (onOpen) onOpen(*model);
                    Fill(*sub, *model, onOpen);
                });
                continue;
            }
            QAction* action = qmenu.addAction(text);
            action->setData(item->id);
            action->setEnabled(item->enabled);
            if (item->checked) {
                action->setCheckable(true);
                action->setChecked(true);
            }
            if (!item->icon.empty()) action->setIcon(MenuIcon(item->icon));
        }
    }
};

IMenuRunner* g_runner = nullptr;
}  // namespace

std::wstring CMenuItem::Label() const
{
    if (marked) return text;
    std::wstring out;
    out.reserve(text.size());
    for (wchar_t c : text) {
        out += c;
        if (c == L'&') out += L'&';
    }
    return out;
}

std::unique_ptr<CMenu> CMenu::LoadFile(const std::wstring& path, std::wstring* error)
{
    CMarkup markup;
    if (!markup.LoadFromFile(path)) {
        if (error) *error = L"cannot read menu file " + path + L": " + markup.GetLastErrorMessage();
        return nullptr;
    }
    return FromMarkup(markup, error);
}

std::unique_ptr<CMenu> CMenu::LoadText(const std::wstring& xml, std::wstring* error)
{
    CMarkup markup;
    markup.Load(xml);
    return FromMarkup(markup, error);
}

std::unique_ptr<CMenu> CMenu::Clone() const
{
    auto copy = std::make_unique<CMenu>(m_text);
    for (const CMenuItem& item : m_items) {
        CMenuItem c;
        c.id = item.id;
        c.text = item.text;
        c.marked = item.marked;
        c.icon = item.icon;
        c.separator = item.separator;
        c.enabled = item.enabled;
        c.checked = item.checked;
        if (item.popup) c.popup = item.popup->Clone();
        copy->m_items.push_back(std::move(c));
    }
    return copy;
}

CMenuItem* CMenu::FindById(UINT id, CMenu** owner, int* pos)
{
    for (size_t i = 0; i < m_items.size(); ++i) {
        CMenuItem& item = m_items[i];
        if (!item.separator && !item.popup && item.id == id) {
            if (owner) *owner = this;
            if (pos) *pos = static_cast<int>(i);
            return &item;
        }
        if (item.popup)
            if (CMenuItem* found = item.popup->FindById(id, owner, pos)) return found;
    }
    return nullptr;
}

CMenuItem* CMenu::GetItem(UINT idOrPos, EMenuBy by)
{
    if (by == EMenuBy::Position) return idOrPos < m_items.size() ? &m_items[idOrPos] : nullptr;
    return FindById(idOrPos, nullptr, nullptr);
}

const CMenuItem* CMenu::GetItem(UINT idOrPos, EMenuBy by) const
{
    return const_cast<CMenu*>(this)->GetItem(idOrPos, by);
}

CMenu* CMenu::GetSubMenu(int pos)
{
    CMenuItem* item = pos >= 0 ? GetItem(static_cast<UINT>(pos), EMenuBy::Position) : nullptr;
    return item ? item->popup.get() : nullptr;
}

int CMenu::GetItemId(int pos) const
{
    const CMenuItem* item = pos >= 0 ? GetItem(static_cast<UINT>(pos), EMenuBy::Position) : nullptr;
    if (!item) return -1;
    return item->separator || item->popup ? 0 : static_cast<int>(item->id);
}

std::wstring CMenu::GetItemText(UINT idOrPos, EMenuBy by) const
{
    const CMenuItem* item = GetItem(idOrPos, by);
    return item ? item->text : std::wstring();
}

CMenu* CMenu::FindOwner(UINT id)
{
    CMenu* owner = nullptr;
    FindById(id, &owner, nullptr);
    return owner;
}

bool CMenu::SetFlag(UINT idOrPos, EMenuBy by, bool CMenuItem::*flag, bool on)
{
    CMenuItem* item = GetItem(idOrPos, by);
    if (!item) return false;
    item->*flag = on;
    return true;
}

bool CMenu::HasFlag(UINT idOrPos, EMenuBy by, bool CMenuItem::*flag) const
{
    const CMenuItem* item = GetItem(idOrPos, by);
    return item && item->*flag;
}

bool CMenu::Enable(UINT idOrPos, bool enable, EMenuBy by) { return SetFlag(idOrPos, by, &CMenuItem::enabled, enable); }
bool CMenu::IsEnabled(UINT idOrPos, EMenuBy by) const { return HasFlag(idOrPos, by, &CMenuItem::enabled); }
bool CMenu::Check(UINT idOrPos, bool check, EMenuBy by) { return SetFlag(idOrPos, by, &CMenuItem::checked, check); }
bool CMenu::IsChecked(UINT idOrPos, EMenuBy by) const { return HasFlag(idOrPos, by, &CMenuItem::checked); }

bool CMenu::SetText(UINT idOrPos, const std::wstring& text, EMenuBy by)
{
    CMenuItem* item = GetItem(idOrPos, by);
    if (!item) return false;
    item->text = text;
    if (item->popup) item->popup->m_text = text;
    return true;
}

bool CMenu::SetIcon(UINT idOrPos, const std::wstring& iconPath, EMenuBy by)
{
    CMenuItem* item = GetItem(idOrPos, by);
    if (!item) return false;
    item->icon = iconPath;
    return true;
}

bool CMenu::Insert(UINT idOrPos, EMenuBy by, CMenuItem item)
{
    if (item.popup && item.popup->m_text.empty()) item.popup->m_text = item.text;
    if (by == EMenuBy::Position) {
        size_t pos = idOrPos > m_items.size() ? m_items.size() : idOrPos;
        m_items.insert(m_items.begin() + static_cast<std::ptrdiff_t>(pos), std::move(item));
        return true;
    }
    CMenu* owner = nullptr;
    int pos = 0;
    if (!FindById(idOrPos, &owner, &pos)) return false;
    owner->m_items.insert(owner->m_items.begin() + pos, std::move(item));
    return true;
}

bool CMenu::AppendCommand(UINT id, const std::wstring& text)
{
    CMenuItem item;
    item.id = id;
    item.text = text;
    return Append(std::move(item));
}

bool CMenu::AppendSeparator()
{
    CMenuItem item;
    item.separator = true;
    return Append(std::move(item));
}

bool CMenu::Remove(UINT idOrPos, EMenuBy by)
{
    if (by == EMenuBy::Position) {
        if (idOrPos >= m_items.size()) return false;
        m_items.erase(m_items.begin() + static_cast<std::ptrdiff_t>(idOrPos));
        return true;
    }
    CMenu* owner = nullptr;
    int pos = 0;
    if (!FindById(idOrPos, &owner, &pos)) return false;
    owner->m_items.erase(owner->m_items.begin() + pos);
    return true;
}

std::vector<UINT> CMenu::CollectIds() const
{
    std::vector<UINT> ids;
    for (const CMenuItem& item : m_items) {
        if (item.popup) {
            std::vector<UINT> sub = item.popup->CollectIds();
            ids.insert(ids.end(), sub.begin(), sub.end());
        } else if (!item.separator) {
            ids.push_back(item.id);
        }
    }
    return ids;
}

IMenuRunner* GetMenuRunner()
{
    static CQtMenuRunner qtRunner;
    return g_runner ? g_runner : &qtRunner;
}

void SetMenuRunner(IMenuRunner* runner) { g_runner = runner; }

bool IsChoosable(CMenu& menu, UINT id)
{
    if (id == 0) return false;
    CMenuItem* item = menu.GetItem(id, EMenuBy::Command);
    if (!item || !item->enabled) return false;
    // Every popup on the way must be enabled as well.
    std::function<bool(CMenu&)> reachable = [&](CMenu& m) -> bool {
        for (int i = 0; i < m.GetItemCount(); ++i) {
            CMenuItem* it = m.GetItem(static_cast<UINT>(i), EMenuBy::Position);
            if (it == item) return true;
            if (it->popup && it->enabled && reachable(*it->popup)) return true;
        }
        return false;
    };
    return reachable(menu);
}

UINT TrackPopupMenu(CMenu* menu, UINT flags, int x, int y, HWND owner)
{
    if (!menu) return 0;
    POINT pt;
    pt.x = x;
    pt.y = y;
    auto onOpen = [owner](CMenu& m) {
        if (owner) SendMessage(owner, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(&m), 0);
    };
    UINT id = GetMenuRunner()->Run(*menu, pt, onOpen);
    if (!IsChoosable(*menu, id)) return 0;
    if (!(flags & TPM_RETURNCMD) && owner) PostMessage(owner, WM_COMMAND, id, 0);
    return id;
}

bool CMenuIdSpace::Reserve(const std::wstring& name, UINT first, UINT count)
{
    if (count == 0 || first == 0 || first + count < first || first + count - 1 > 0xFFFF) return false;
    for (const Range& r : m_ranges) {
        if (r.name == name) return false;
        if (first < r.first + r.count && r.first < first + count) return false;
    }
    m_ranges.push_back(Range{name, first, count});
    return true;
}

UINT CMenuIdSpace::IdOf(const std::wstring& name, UINT index) const
{
    for (const Range& r : m_ranges)
        if (r.name == name) return index < r.count ? r.first + index : 0;
    return 0;
}

bool CMenuIdSpace::Resolve(UINT id, std::wstring* name, UINT* index) const
{
    for (const Range& r : m_ranges) {
        if (id >= r.first && id < r.first + r.count) {
            if (name) *name = r.name;
            if (index) *index = id - r.first;
            return true;
        }
    }
    return false;
}
