// The folder tree of the batch-add dialog: the folder tree with check boxes.
// Ticks cover the whole loaded subtree, and a folder's new children take its
// state; the ticked folders are handed out as a SFolderPick tree.
#pragma once
#include "BatchAddScan.h"
#include "ShellFolderCtrl.h"

#include <vector>

class CCheckShellFolderCtrl : public CShellFolderCtrl {
public:
    CCheckShellFolderCtrl();
    std::wstring GetClass() const override;
    void* GetInterface(const std::wstring& name) override;

    // What is ticked, for the worker.
    std::vector<SFolderPick> TakePicks() const;

protected:
    void OnChildrenFilled(CTreeNodeUI* node) override { ApplyStateToSubtree(node); }
};
