#include "PaneSkin.h"

CControlUI* LoadPaneSkin(CContainerUI& pane, const std::wstring& file, IDialogBuilderCallback* callback,
                         CPaintManagerUI* manager)
{
    CDialogBuilder builder;
    CControlUI* root = builder.Create(file, {}, callback, manager);
    if (!root) return nullptr;
    // A bare placeholder left by the window's skin gives its room to the pane.
    for (int i = pane.GetCount() - 1; i >= 0; --i) {
        CControlUI* child = pane.GetItemAt(i);
        if (child && child->GetClass() == L"ControlUI" && child->GetName().empty()) pane.Remove(child);
    }
    if (!pane.Add(root)) {
        delete root;
        return nullptr;
    }
    return root;
}
