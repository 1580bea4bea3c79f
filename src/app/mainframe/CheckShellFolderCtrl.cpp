#include "CheckShellFolderCtrl.h"

namespace {

void Pick(const CTreeNodeUI* node, const std::set<CTreeNodeUI*>& loaded, std::vector<SFolderPick>& out)
{
    if (!node->IsChecked() && !node->IsBold()) return;  // nothing ticked here or below
    SFolderPick pick;
    pick.path = node->GetUserData();
    pick.ticked = node->IsChecked();
    pick.loaded = loaded.count(const_cast<CTreeNodeUI*>(node)) != 0 && !node->GetChildNodes().empty();
    for (const CTreeNodeUI* child : node->GetChildNodes()) Pick(child, loaded, pick.children);
    out.push_back(std::move(pick));
}

}  // namespace

CCheckShellFolderCtrl::CCheckShellFolderCtrl() { SetCheckBoxes(true); }

std::wstring CCheckShellFolderCtrl::GetClass() const { return L"CheckShellFolderCtrl"; }

void* CCheckShellFolderCtrl::GetInterface(const std::wstring& name)
{
    if (name == L"CheckShellFolder") return this;
    return CShellFolderCtrl::GetInterface(name);
}

std::vector<SFolderPick> CCheckShellFolderCtrl::TakePicks() const
{
    std::vector<SFolderPick> picks;
    for (const CTreeNodeUI* root : GetRootNodes()) Pick(root, m_filled, picks);
    return picks;
}
