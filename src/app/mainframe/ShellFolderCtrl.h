// A folder tree: the home folder (its folders, the desktop among them) and
// the computer ("/" and the mounted volumes), filled lazily as nodes open.
#pragma once
#include "ui/UITreeView.h"

#include <set>
#include <string>

class CShellFolderCtrl : public CTreeViewUI {
public:
    enum EKind { KIND_FOLDER = 0, KIND_COMPUTER = 3, KIND_HOME = 4 };

    std::wstring GetClass() const override;
    void* GetInterface(const std::wstring& name) override;

    // The two roots; the home folder is opened and selected.
    void FillRoot();
    // Lists the node's sub-folders once ("itemexpanding"); a folder that
    // cannot be listed keeps its button and is listed again next time.
    void FillChildren(CTreeNodeUI* node);
    // Lists it again: the children go and come back when the node was open.
    void Refresh(CTreeNodeUI* node);
    // The folder of a node (of the selected one when none is given); empty
    // when there is none.
    std::wstring GetItemPath(CTreeNodeUI* node = nullptr) const;
    CTreeNodeUI* FindNodeByPath(const std::wstring& path) const;

    bool Remove(CControlUI* control, bool doNotDestroy = false) override;
    void RemoveAll() override;

protected:
    // Runs once a node's children are listed.
    virtual void OnChildrenFilled(CTreeNodeUI*) {}

    std::set<CTreeNodeUI*> m_filled;

private:
    CTreeNodeUI* AddFolder(const std::wstring& path, const std::wstring& text, CTreeNodeUI* parent, int kind);
};
