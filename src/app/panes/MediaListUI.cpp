#include "MediaListUI.h"

#include "MediaHandler.h"
#include "OnlineMediaListItemUI.h"
#include "VXMDownloader.h"

#include <cstdint>
#include <filesystem>
#include <vector>

class CMediaListUI::CRowBuilder : public IDialogBuilderCallback {
public:
    explicit CRowBuilder(CMediaListUI* list) : m_list(list) {}
    CControlUI* CreateControl(const std::wstring& name) override
    {
        EMediaRowKind kind;
        if (!KindOfElement(name, kind)) return nullptr;
        return m_list->NewRow(kind);
    }

private:
    CMediaListUI* m_list;
};

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

IProfileManager* CMediaListUI::GetProfileManager() const
{
    if (m_profileManager) return m_profileManager;
    CMediaHandler* handler = CMediaHandler::GetInstance();
    return handler ? handler->GetProfileManager() : nullptr;
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
    const std::wstring& xml = m_templates[static_cast<int>(kind)];
    if (!xml.empty()) {
        CRowBuilder callback(this);
        CDialogBuilder builder;
        CControlUI* built = builder.Create(xml, {}, &callback);
        row = dynamic_cast<CMediaListItemUI*>(built);
        if (!row) delete built;
    }
    if (!row) row = NewRow(kind);
    const bool added = index < 0 || index >= GetCount() ? Add(row) : AddAt(row, index);
    if (!added) {
        delete row;
        return nullptr;
    }
    row->SetMedia(media, makeThumbnail);
    return row;
}

CMediaListItemUI* CMediaListUI::NewRow(EMediaRowKind kind)
{
    switch (kind) {
    case EMediaRowKind::Child: return new CChildListItemUI(GetManager(), this, m_burnList);
    case EMediaRowKind::Online: return new COnlineMediaListItemUI(GetManager(), this, m_burnList);
    case EMediaRowKind::DVD: return new CDVDMediaListItemUI(GetManager(), this, m_burnList);
    default: return new CMediaListItemUI(GetManager(), this, m_burnList, true);
    }
}

void CMediaListUI::SetRowTemplate(EMediaRowKind kind, std::wstring xml)
{
    m_templates[static_cast<int>(kind)] = std::move(xml);
}

bool CMediaListUI::Download(IVXMMedia* media, int flag)
{
    if (m_download) return m_download(media, flag);
    CMediaHandler* handler = CMediaHandler::GetInstance();
    return handler && handler->DownloadMedia(media, flag);
}

void CMediaListUI::CancelDownload(IVXMMedia* media)
{
    if (m_cancel) {
        m_cancel(media);
        return;
    }
    CMediaHandler* handler = CMediaHandler::GetInstance();
    if (handler && handler->GetDownloader()) handler->GetDownloader()->CancelDownload(media);
}

bool CMediaListUI::KindOfElement(const std::wstring& element, EMediaRowKind& kind)
{
    if (element == L"MediaListContainerElement") kind = EMediaRowKind::File;
    else if (element == L"DVDMediaListContainerElement") kind = EMediaRowKind::DVD;
    else if (element == L"OnlineMediaListContainerElement") kind = EMediaRowKind::Online;
    else if (element == L"ChildListContainerElement") kind = EMediaRowKind::Child;
    else return false;
    return true;
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

namespace {
CMediaListItemUI* RowOf(CControlUI* control)
{
    for (CControlUI* c = control; c; c = c->GetParent())
        if (auto* row = dynamic_cast<CMediaListItemUI*>(c)) return row;
    return nullptr;
}

bool FileExists(const std::wstring& path)
{
    std::error_code ec;
    return !path.empty() && std::filesystem::is_regular_file(std::filesystem::path(path), ec);
}
}  // namespace

void CMediaListUI::CheckAll(bool check)
{
    for (int i = 0; i < GetCount(); ++i)
        if (CMediaListItemUI* row = GetMediaItem(i)) row->SetChecked(check);
}

bool CMediaListUI::IsMenuEntryEnabled(UINT id, bool clipboardHasText) const
{
    const int count = GetCount();
    CMediaListItemUI* selected = GetCurSel() >= 0 ? GetMediaItem(GetCurSel()) : nullptr;
    IVXMMedia* selMedia = selected ? selected->GetMedia() : nullptr;
    bool anyChecked = false, anyConverting = false;
    for (int i = 0; i < count; ++i) {
        CMediaListItemUI* row = GetMediaItem(i);
        if (!row) continue;
        anyChecked |= row->IsChecked();
        anyConverting |= row->GetMedia() && row->GetMedia()->GetConvertState() == 1;
    }
    switch (id) {
    case 32791: case 32796: return selected != nullptr;
    case 32792: case 32793: return count > 0;
    case 32972: return anyChecked;
    case 32794: return selected && !selected->IsChecked();
    case 32795: return selected && selected->IsChecked();
    case 32973: {
        const std::vector<int> sel = GetSelectedItems();
        if (sel.size() < 2) return false;
        for (int index : sel) {
            CMediaListItemUI* row = GetMediaItem(index);
            if (!row) continue;
            if (row->GetMedia() && row->GetMedia()->GetConvertState() == 1) break;
            if (row->IsChildItem() || row->IsOnlineItem()) return false;
        }
        return true;
    }
    case 32950: return !m_joinMode && count >= 2;
    case 32951: return m_joinMode;
    case 32805: return clipboardHasText;
    case 32806: case 32798: return selMedia && !selMedia->GetSourcePath().empty();
    case 32801: return anyChecked && !anyConverting;
    case 32802: return anyConverting;
    case 32799: return selMedia && FileExists(selMedia->GetOutputPath());
    default: return true;
    }
}

bool CMediaListUI::OnMenuCommand(UINT id)
{
    CMediaListItemUI* selected = GetCurSel() >= 0 ? GetMediaItem(GetCurSel()) : nullptr;
    switch (id) {
    case 32791: if (selected) RemoveItem(selected); return true;
    case 32792: RemoveAllItems(); return true;
    case 32793: CheckAll(true); return true;
    case 32972: CheckAll(false); return true;
    case 32794: if (selected) selected->SetChecked(true); return true;
    case 32795: if (selected) selected->SetChecked(false); return true;
    case 32796: case 32806: case 32798: case 32799: return true;
    default: return false;
    }
}

bool CMediaListUI::HandleNotify(TNotifyUI& msg)
{
    CMediaListItemUI* row = RowOf(msg.pSender);
    if (!row || row->GetOwner() != static_cast<IListOwnerUI*>(this)) return false;
    if (msg.sType == L"item_begin_drag") {
        SelectItem(GetItemIndex(row));
        return true;
    }
    if (msg.sType == L"item_end_drag") {
        CMediaListItemUI* target = nullptr;
        for (int i = 0; i < GetCount() && !target; ++i) {
            CMediaListItemUI* r = GetMediaItem(i);
            if (r && r->IsHot()) target = r;
        }
        DropItem(row, target);
        return true;
    }
    if (msg.sType == L"item_remove") {
        RemoveItem(row);
        return true;
    }
    if (msg.sType == L"item_profile_changed") {
        // wParam: profile id; lParam: category id (low 32 bits), group id (high 32 bits).
        const auto bits = static_cast<std::uint64_t>(msg.lParam);
        row->SetProfile(static_cast<int>(static_cast<std::uint32_t>(msg.wParam)),
                        static_cast<int>(static_cast<std::uint32_t>(bits >> 32)),
                        static_cast<int>(static_cast<std::uint32_t>(bits & 0xFFFFFFFFu)));
        return true;
    }
    if (msg.sType == L"itemselect" && msg.pSender->GetName() == L"ID_COMBO_AUDIO_TRACK") {
        row->SelectAudio(static_cast<int>(msg.wParam));
        return true;
    }
    if (msg.sType == L"itemselect" && msg.pSender->GetName() == L"ID_COMBO_SUBTITLE") {
        row->SelectSubtitle(static_cast<int>(msg.wParam));
        return true;
    }
    if (msg.sType == L"itemselect" && msg.pSender->GetName() == L"ID_COMBO_DVDANGLE") {
        if (auto* dvd = dynamic_cast<CDVDMediaListItemUI*>(row)) dvd->SelectAngle(static_cast<int>(msg.wParam));
        return true;
    }
    if (msg.sType == L"selectchanged" && msg.pSender->GetName() == L"ID_ITEM_CHECKED") {
        auto* box = dynamic_cast<COptionUI*>(msg.pSender);
        row->SetChecked(box ? box->IsSelected() : !row->IsChecked());
        if (GetManager()) GetManager()->SendNotify(row, L"item_checked", 0, m_burnList ? 1 : 0);
        return true;
    }
    return false;
}
