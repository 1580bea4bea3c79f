// The folder tree of the batch-add dialog, with check boxes: the home
// folder (its folders, the desktop among them) and the computer ("/" and
// the mounted volumes), filled lazily as nodes open. Ticks cover the whole
// loaded subtree; the ticked folders are handed out as a SFolderPick tree.
#pragma once
#include "BatchAddScan.h"
#include "ui/UITreeView.h"

#include <set>
#include <string>

class CFolderTreeUI : public CTreeViewUI {
public:
    enum EKind { KIND_FOLDER = 0, KIND_COMPUTER = 3, KIND_HOME = 4 };

    CFolderTreeUI();
    std::wstring GetClass() const override;
    void* GetInterface(const std::wstring& name) override;

    // The two roots; the home folder is opened and selected.
    void FillRoot();
    // Lists the node's sub-folders once ("itemexpanding").
    void FillChildren(CTreeNodeUI* node);
    // Lists it again: the children go and come back when the node was open.
    void Refresh(CTreeNodeUI* node);
    // The folder of a node (of the selected one when none is given); empty
    // when there is none.
    std::wstring GetItemPath(CTreeNodeUI* node = nullptr) const;
    CTreeNodeUI* FindNodeByPath(const std::wstring& path) const;
    // What is ticked, for the worker.
    std::vector<SFolderPick> TakePicks() const;

    bool Remove(CControlUI* control, bool doNotDestroy = false) override;
    void RemoveAll() override;

private:
    CTreeNodeUI* AddFolder(const std::wstring& path, const std::wstring& text, CTreeNodeUI* parent, int kind);

    std::set<CTreeNodeUI*> m_filled;
};
