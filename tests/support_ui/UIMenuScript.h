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
    };
    void Choose(UINT id, std::vector<int> openPath = {}) { m_script.push_back(Choice{id, std::move(openPath)}); }

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
        CMenu* current = &menu;
        for (int pos : c.openPath) {
            current = current ? current->GetSubMenu(pos) : nullptr;
            if (current && onOpen) onOpen(*current);
        }
        return c.id;
    }

    std::vector<std::vector<std::wstring>> shown;
    std::vector<POINT> points;

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
