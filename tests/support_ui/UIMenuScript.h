// A menu runner for tests: it never shows anything. It records every popup
// it was asked to run (the texts of its entries) and answers with the next
// scripted choice; sub-menus named in the choice's path are "opened" first.
#pragma once
#include "ui/UIMenu.h"
#include <deque>

class CScriptedMenuRunner : public IMenuRunner {
public:
    struct Choice {
        UINT id = 0;
        std::vector<int> openPath;  // positions of the sub-menus opened on the way
        std::wstring text;          // else the entry a user reads (as the menu shows it, '&' and tab included)
    };
    void Choose(UINT id, std::vector<int> openPath = {}) { m_script.push_back(Choice{id, std::move(openPath), {}}); }
    // Picks the entry of the opened menu shown with this text; a greyed
    // entry cannot be picked (nothing is chosen). `offered` tells which it was.
    void ChooseText(std::wstring text) { m_script.push_back(Choice{0, {}, std::move(text)}); }

    UINT Run(CMenu& menu, POINT screenPt, const std::function<void(CMenu&)>& onOpen) override
    {
        if (onOpen) onOpen(menu);
        std::vector<std::wstring> texts;
        for (int i = 0; i < menu.GetItemCount(); ++i) texts.push_back(menu.GetItemText(static_cast<UINT>(i), EMenuBy::Position));
        shown.push_back(texts);
        points.push_back(screenPt);
        if (m_script.empty()) return 0;
        Choice c = m_script.front();
        m_script.pop_front();
        if (!c.text.empty()) {
            offered = false;
            found = false;
            for (int i = 0; i < menu.GetItemCount(); ++i) {
                if (menu.GetItemText(static_cast<UINT>(i), EMenuBy::Position) != c.text) continue;
                found = true;
                offered = menu.IsEnabled(static_cast<UINT>(i), EMenuBy::Position);
                c.id = offered ? static_cast<UINT>(menu.GetItemId(i)) : 0;
            }
            return c.id;
        }
        CMenu* current = &menu;
        for (int pos : c.openPath) {
            current = current ? current->GetSubMenu(pos) : nullptr;
            if (current && onOpen) onOpen(*current);
        }
        return c.id;
    }

    std::vector<std::vector<std::wstring>> shown;
    std::vector<POINT> points;
    bool found = false;    // the last text choice named an entry of the menu
    bool offered = false;  // ... and that entry was enabled

private:
    std::deque<Choice> m_script;
};

// Puts a runner in place for a scope.
class CMenuRunnerScope {
public:
    explicit CMenuRunnerScope(IMenuRunner* runner) { SetMenuRunner(runner); }
    ~CMenuRunnerScope() { SetMenuRunner(nullptr); }
    CMenuRunnerScope(const CMenuRunnerScope&) = delete;
    CMenuRunnerScope& operator=(const CMenuRunnerScope&) = delete;
};
