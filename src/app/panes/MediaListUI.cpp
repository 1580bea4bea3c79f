#include "MediaListUI.h"

#include "MediaHandler.h"

#include <vector>

CMediaListUI::CMediaListUI(bool burnList) : m_burnList(burnList)
{
    SetMultiSelect(true);
}

CMediaListUI::~CMediaListUI()
{
    // Workers stop before any row or media goes away.
    for (int i = 0; i < GetCount(); ++i)
        if (CMediaListItemUI* row = GetMediaItem(i)) row->CancelThumbnail();
}

bool CMediaListUI::Convert(IVXMMedia* media, IProfile* profile)
{
    if (m_convert) return m_convert(media, profile);
    CMediaHandler* handler = CMediaHandler::GetInstance();
    return handler && handler->ConvertMedia(media, profile);
}

CMediaListItemUI* CMediaListUI::AddMedia(IVXMMedia* media, EMediaRowKind kind, bool makeThumbnail, int index)
{
    if (!media) return nullptr;
    CMediaListItemUI* row = nullptr;
    if (kind == EMediaRowKind::Child) row = new CChildListItemUI(GetManager(), this, m_burnList);
    else row = new CMediaListItemUI(GetManager(), this, m_burnList, true);
    const bool added = index < 0 || index >= GetCount() ? Add(row) : AddAt(row, index);
    if (!added) {
        delete row;
        return nullptr;
    }
    row->SetMedia(media, makeThumbnail);
    return row;
}

CMediaListItemUI* CMediaListUI::GetMediaItem(int index) const
{
    return dynamic_cast<CMediaListItemUI*>(GetItemAt(index));
}

CMediaListItemUI* CMediaListUI::FindItem(IVXMMedia* media) const
{
    if (!media) return nullptr;
    for (int i = 0; i < GetCount(); ++i) {
        CMediaListItemUI* row = GetMediaItem(i);
        if (row && row->GetMedia() == media) return row;
    }
    return nullptr;
}

void CMediaListUI::ReleaseRow(CMediaListItemUI* row)
{
    row->StopConvert();
    IVXMMedia* media = row->TakeMedia();
    Remove(row);
    // A child row's media is a segment view of its parent and goes with it.
    if (media) media->Release();
}

void CMediaListUI::RemoveItem(CMediaListItemUI* row)
{
    if (!row || GetItemIndex(row) < 0) return;
    IVXMMedia* media = row->GetMedia();
    if (media) {
        std::vector<CMediaListItemUI*> children;
        for (int i = 0; i < GetCount(); ++i) {
            CMediaListItemUI* r = GetMediaItem(i);
            if (r && r != row && r->GetParentMedia() == media) children.push_back(r);
        }
        for (CMediaListItemUI* child : children) ReleaseRow(child);
    }
    ReleaseRow(row);
    if (m_joinMode) SetJoinMode(true);
}

void CMediaListUI::RemoveAllItems()
{
    for (int i = GetCount() - 1; i >= 0; --i) {
        if (i >= GetCount()) continue;
        if (CMediaListItemUI* row = GetMediaItem(i)) RemoveItem(row);
    }
}

bool CMediaListUI::MoveItem(int from, int to)
{
    const int count = GetCount();
    if (from < 0 || to < 0 || from >= count || to >= count) return false;
    if (from == to) return true;
    CControlUI* row = GetItemAt(from);
    const int selected = GetCurSel();
    Remove(row, true);
    AddAt(row, to);
    if (selected == from) SelectItem(to);
    NeedUpdate();
    return true;
}

void CMediaListUI::MoveChildrenAfter(CMediaListItemUI* parent, int scanFrom)
{
    IVXMMedia* media = parent->GetMedia();
    if (!media) return;
    std::vector<CMediaListItemUI*> children;
    for (int i = 0; i < GetCount(); ++i) {
        CMediaListItemUI* r = GetMediaItem(i);
        if (r && r->GetParentMedia() == media) children.push_back(r);
    }
    (void)scanFrom;
    for (CMediaListItemUI* child : children) {
        const int at = GetItemIndex(child);
        int dest = GetItemIndex(parent) + 1;
        // Keep the children in their order, directly after the parent.
        for (CMediaListItemUI* c : children) {
            if (c == child) break;
            ++dest;
        }
        if (at < dest) --dest;
        MoveItem(at, dest);
    }
}

void CMediaListUI::DropItem(CMediaListItemUI* dragged, CMediaListItemUI* target)
{
    if (!dragged || !target || dragged == target) return;
    if (target->IsChildItem() && target->GetParentMedia()) return;
    if (dragged->IsChildItem()) return;
    const int from = GetItemIndex(dragged);
    const int to = GetItemIndex(target);
    if (from < 0 || to < 0) return;
    MoveItem(from, to);
    MoveChildrenAfter(dragged, from);
    MoveChildrenAfter(target, to);
    if (m_joinMode) SetJoinMode(true);
}

void CMediaListUI::SetJoinMode(bool on)
{
    m_joinMode = on;
    const int count = GetCount();
    long long sum = 0;
    for (int i = 1; i < count; ++i) {
        CMediaListItemUI* row = GetMediaItem(i);
        if (!row) continue;
        row->SetJoinLayout(on);
        if (on) row->DisableButtons();
        if (row->GetMedia()) sum += row->GetMedia()->GetClipLength();
    }
    CMediaListItemUI* first = count > 0 ? GetMediaItem(0) : nullptr;
    if (!first) return;
    first->SetJoinLayout(false);
    IVXMMedia* media = first->GetMedia();
    if (!media) return;
    if (on) {
        first->SetDuration(static_cast<int>(sum + media->GetClipLength()));
    } else {
        media->ClearJoinList();
        first->UpdateDuration();
    }
}

void CMediaListUI::BuildJoinList(IVXMMedia* media)
{
    if (!m_joinMode || !media) return;
    media->ClearJoinList();
    for (int i = 1; i < GetCount(); ++i) {
        CMediaListItemUI* row = GetMediaItem(i);
        IVXMMedia* m = row ? row->GetMedia() : nullptr;
        if (m && m != media && m->IsProtected() != 1) media->AddJoinMedia(m);
    }
}
