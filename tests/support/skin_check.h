// Checks of a laid-out window that every skin must pass: each visible text
// fits its control unless the control elides it, visible siblings do not
// overlap, visible controls stay inside their parent, every picture a visible
// control names loads, and every visible button shows a picture or a text. Header only (it needs the UI, which only
// the program's and the UI's test programs link): call CheckLayout on a
// window's paint manager after its layout, at the size to check.
#pragma once
#include "ui/UIButton.h"
#include "ui/UIContainer.h"
#include "ui/UIManager.h"
#include "ui/UIMarkup.h"
#include "ui/UIRender.h"
#include "platform/text.h"

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace vxmtest {

// Calls `each` with the file name and root element of every skin XML file
// under `skinFolder`; a file that does not parse is reported as a problem.
// Returns how many files it read.
inline int ForEachSkinFile(const std::string& skinFolder, std::vector<std::string>& problems,
                           const std::function<void(const std::string&, const CMarkupElement&)>& each)
{
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(skinFolder)) {
        if (entry.path().extension() != ".xml") continue;
        CMarkup xml;
        if (!xml.LoadFromFile(Utf8ToWide(entry.path().string()))) {
            problems.push_back(entry.path().string() + " does not parse");
            continue;
        }
        each(entry.path().filename().string(), *xml.GetRoot());
        ++files;
    }
    return files;
}

inline std::string ControlId(CControlUI* c)
{
    std::wstring name = c->GetName().empty() ? L"<" + c->GetClass() + L">" : c->GetName();
    if (CControlUI* parent = c->GetParent(); parent && c->GetName().empty() && !parent->GetName().empty())
        name = parent->GetName() + L"/" + name;
    return WideToUtf8(name);
}

inline bool Contains(const std::wstring& text, const wchar_t* part) { return text.find(part) != std::wstring::npos; }

// Lists, trees, combos and scrolling layouts scroll or drop down: their
// children may lie outside them.
inline bool Scrolls(CControlUI* c)
{
    const std::wstring cls = c->GetClass();
    if (auto* container = dynamic_cast<CContainerUI*>(c); container && container->IsScrollable()) return true;
    return (Contains(cls, L"List") && !Contains(cls, L"Element")) || Contains(cls, L"Tree") || Contains(cls, L"Combo");
}

inline void CheckText(CPaintManagerUI& pm, CControlUI* c, std::vector<std::string>& problems)
{
    auto* label = dynamic_cast<CLabelUI*>(c);
    const std::wstring cls = c->GetClass();
    if (!label || c->GetText().empty() || Contains(cls, L"Edit") || Contains(cls, L"Progress")) return;
    const UINT style = label->GetTextStyle() | c->TextMarks();
    const RECT rc = c->GetPos();
    const RECT pad = label->GetTextPadding();
    int width = rc.right - rc.left - pad.left - pad.right;
    const int height = rc.bottom - rc.top - pad.top - pad.bottom;
    if (auto* option = dynamic_cast<COptionUI*>(c); option && option->DrawsOwnMark())
        width -= CPaintManagerUI::Scale(COptionUI::kBoxSize + COptionUI::kBoxGap);
    if (style & DT_WORDBREAK) {
        const SIZE need = CRenderEngine::MeasureText(&pm, c->GetText(), label->GetFont(), style, width);
        if (need.cy > height + 2) problems.push_back(ControlId(c) + ": text taller than the control");
        return;
    }
    const SIZE need = CRenderEngine::MeasureText(&pm, c->GetText(), label->GetFont(), style, 0);
    if (!(style & DT_END_ELLIPSIS) && need.cx > width + 1)
        problems.push_back(ControlId(c) + ": text \"" + WideToUtf8(c->GetText()) + "\" wider than the control (" +
                           std::to_string(need.cx) + " > " + std::to_string(width) + ")");
    if (need.cy > height + 3) problems.push_back(ControlId(c) + ": text taller than the control");
}

inline void CheckPicture(CPaintManagerUI& pm, CControlUI* c, const std::wstring& image, std::vector<std::string>& problems)
{
    if (image.empty()) return;
    const std::wstring file = ParseImageString(image).file;
    if (!pm.GetImage(file)) problems.push_back(ControlId(c) + ": picture '" + WideToUtf8(file) + "' does not load");
}

inline void CheckControl(CPaintManagerUI& pm, CControlUI* c, std::vector<std::string>& problems)
{
    if (!c->IsVisible()) return;
    const RECT rc = c->GetPos();
    if (IsRectEmpty(rc)) return;
    CheckText(pm, c, problems);
    CheckPicture(pm, c, c->GetBkImage(), problems);
    if (auto* button = dynamic_cast<CButtonUI*>(c)) CheckPicture(pm, c, button->GetNormalImage(), problems);
    if (auto* button = dynamic_cast<CButtonUI*>(c); button && !dynamic_cast<CCheckBoxUI*>(c)) {
        auto* option = dynamic_cast<COptionUI*>(c);
        if (c->GetText().empty() && c->GetBkImage().empty() && !button->HasImage() && !(option && option->DrawsOwnMark()))
            problems.push_back(ControlId(c) + ": a button with neither picture nor text");
    }
    auto* container = dynamic_cast<IContainerUI*>(c);
    if (!container) return;
    const bool scrolls = Scrolls(c);
    std::vector<CControlUI*> shown;
    for (int i = 0; i < container->GetCount(); ++i) {
        CControlUI* child = container->GetItemAt(i);
        if (!child || !child->IsVisible() || child->IsFloat() || IsRectEmpty(child->GetPos())) continue;
        const RECT r = child->GetPos();
        if (scrolls) {
            // Only what is in view counts.
            RECT seen;
            if (IntersectRect(&seen, r, rc) && EqualRect(seen, r)) shown.push_back(child);
            continue;
        }
        if (r.left < rc.left || r.top < rc.top || r.right > rc.right || r.bottom > rc.bottom)
            problems.push_back(ControlId(child) + ": outside its parent " + ControlId(c));
        for (CControlUI* other : shown) {
            RECT both;
            if (IntersectRect(&both, r, other->GetPos()))
                problems.push_back(ControlId(child) + " overlaps " + ControlId(other));
        }
        shown.push_back(child);
    }
    for (CControlUI* child : shown) CheckControl(pm, child, problems);
}

// Every problem of the window as laid out now (empty when none).
inline std::vector<std::string> CheckLayout(CPaintManagerUI& pm)
{
    std::vector<std::string> problems;
    pm.UpdateLayout();
    if (CControlUI* root = pm.GetRoot()) CheckControl(pm, root, problems);
    return problems;
}

}  // namespace vxmtest
