#include "ShellFolderCtrl.h"

#include "platform/filesystems.h"
#include "platform/folders.h"
#include "platform/text.h"
#include "platform/paths.h"
#include "ui/UILanguage.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace {

namespace fs = std::filesystem;

}  // namespace

std::wstring CShellFolderCtrl::GetClass() const { return L"ShellFolderCtrl"; }

void* CShellFolderCtrl::GetInterface(const std::wstring& name)
{
    if (name == L"ShellFolder") return this;
    return CTreeViewUI::GetInterface(name);
}

CTreeNodeUI* CShellFolderCtrl::AddFolder(const std::wstring& path, const std::wstring& text, CTreeNodeUI* parent, int kind)
{
    CTreeNodeUI* node = AddNode(text, parent);
    if (!node) return nullptr;
    node->SetUserData(path);
    node->SetTag(static_cast<UINT_PTR>(kind));
    node->SetToolTip(path);
    node->SetMayHaveChildren(true);
    return node;
}

void CShellFolderCtrl::FillRoot()
{
    RemoveAll();
    const std::wstring home = GetUserHomeFolder();
    CTreeNodeUI* homeNode = AddFolder(home, WideFromPath(PathFromWide(home).filename()), nullptr, KIND_HOME);
    CTreeNodeUI* computer =
        AddFolder({}, CLanguageManager::GetInstance()->TranslateDictionary(L"ID_STRING_BATCH_COMPUTER"), nullptr, KIND_COMPUTER);
    if (computer) {
        // The volumes keep the mount table's order.
        AddFolder(L"/", L"/", computer, KIND_FOLDER);
        for (const std::wstring& volume : ListUserVolumes())
            AddFolder(volume, WideFromPath(PathFromWide(volume).filename()), computer, KIND_FOLDER);
        m_filled.insert(computer);
    }
    if (homeNode) {
        Expand(homeNode, true);
        SelectItem(GetItemIndex(homeNode), true);  // the keys walk the tree from the start
    }
}

void CShellFolderCtrl::FillChildren(CTreeNodeUI* node)
{
    if (!node || m_filled.count(node)) return;
    m_filled.insert(node);
    const std::wstring path = node->GetUserData();
    if (path.empty()) return;
    std::vector<std::pair<std::wstring, std::wstring>> folders;  // name, path
    std::error_code ec;
    fs::directory_iterator it(PathFromWide(path), ec);
    for (const fs::directory_iterator end; !ec && it != end; it.increment(ec)) {
        std::error_code typeError;
        if (!it->is_directory(typeError)) continue;
        const std::wstring child = WideFromPath(it->path());
        if (IsPseudoFileSystem(child)) continue;
        folders.emplace_back(WideFromPath(it->path().filename()), child);
    }
    if (ec) {
        // It could not be listed: it keeps its button, and the next expand tries again.
        m_filled.erase(node);
        node->SetMayHaveChildren(true);
        return;
    }
    std::sort(folders.begin(), folders.end(), [](const auto& a, const auto& b) {
        const int order = CompareNoCaseW(a.first, b.first);
        return order != 0 ? order < 0 : a.first < b.first;
    });
    for (const auto& folder : folders) AddFolder(folder.second, folder.first, node, KIND_FOLDER);
    OnChildrenFilled(node);
}

void CShellFolderCtrl::Refresh(CTreeNodeUI* node)
{
    // Only a node of this tree (the pointer may come with a message).
    if (!node || GetItemIndex(node) < 0) return;
    const bool expanded = node->IsExpanded();
    RemoveChildNodes(node);
    // Only nodes still in the tree stay marked as filled.
    std::set<CTreeNodeUI*> kept;
    for (int i = 0; i < GetCount(); ++i)
        if (auto* n = dynamic_cast<CTreeNodeUI*>(GetItemAt(i)); n && n != node && m_filled.count(n)) kept.insert(n);
    m_filled.swap(kept);
    node->SetMayHaveChildren(true);
    if (expanded) {
        Expand(node, false);
        FillChildren(node);
        Expand(node, true);
    }
}

std::wstring CShellFolderCtrl::GetItemPath(CTreeNodeUI* node) const
{
    if (!node && GetCurSel() >= 0) node = dynamic_cast<CTreeNodeUI*>(GetItemAt(GetCurSel()));
    return node ? node->GetUserData() : std::wstring();
}

CTreeNodeUI* CShellFolderCtrl::FindNodeByPath(const std::wstring& path) const
{
    for (int i = 0; i < GetCount(); ++i)
        if (auto* node = dynamic_cast<CTreeNodeUI*>(GetItemAt(i)); node && node->GetUserData() == path) return node;
    return nullptr;
}

bool CShellFolderCtrl::Remove(CControlUI* control, bool doNotDestroy)
{
    m_filled.erase(dynamic_cast<CTreeNodeUI*>(control));
    return CTreeViewUI::Remove(control, doNotDestroy);
}

void CShellFolderCtrl::RemoveAll()
{
    m_filled.clear();
    CTreeViewUI::RemoveAll();
}
