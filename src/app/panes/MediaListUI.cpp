#include "MediaListUI.h"

#include "AppStartup.h"
#include "FileManager.h"
#include "Log.h"
#include "MediaHandler.h"
#include "MediaListDragWnd.h"
#include "MediaStopper.h"
#include "TagWriter.h"
#include "OnlineMediaListItemUI.h"
#include "RowDisposer.h"
#include "VXMDownloader.h"
#include "VXMGlobal.h"
#include "VXMMediaBase.h"
#include "VXMSettings.h"
#include "platform/messages.h"
#include "ui/UIEdit.h"
#include "ui/UIMenu.h"
#include "ui/desktop/Desktop.h"
#include "platform/paths.h"

#include <algorithm>
#include <cstdint>
#include <cwctype>
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
    CloseDragWindow();
    if (m_profileWnd && m_profileWnd->GetHWND()) m_profileWnd->DestroyWindow();
    // Media still waiting for their release go now (the target hands them on).
    if (m_releaseTarget) DestroyMessageWindow(m_releaseTarget);
    // The rows' media stop, then each is released once, after whatever the
    // stopper was still doing for them; the rows go with the base list.
    std::vector<IVXMMedia*> owned;
    for (int i = 0; i < GetCount(); ++i) {
        CMediaListItemUI* row = GetMediaItem(i);
        IVXMMedia* media = row ? row->TakeMedia() : nullptr;
        if (!media || std::find(owned.begin(), owned.end(), media) != owned.end()) continue;
        media->StopPreview();
        owned.push_back(media);
    }
    // From the last row: a child segment's media goes before its parent's.
    for (auto it = owned.rbegin(); it != owned.rend(); ++it) MediaStopper().Release(*it);
    MediaStopper().Drain();
}

namespace {
constexpr UINT kReleaseMedia = WM_USER + 1;

void ReleaseMedia(void* media)
{
    MediaStopper().Release(static_cast<IVXMMedia*>(media));
}
}  // namespace

HWND CMediaListUI::GetQueueTarget()
{
    if (!m_releaseTarget)
        m_releaseTarget = CreateMessageWindow([this](HWND, UINT msg, WPARAM wParam, LPARAM lParam) -> LRESULT {
            if (msg == kReleaseMedia && lParam) {
                ReleaseMedia(reinterpret_cast<void*>(lParam));
            } else if (msg == kStopDone) {
                OnStopDone(reinterpret_cast<IVXMMedia*>(lParam));
            } else if (msg == kTagsSaved) {
                std::unique_ptr<CTagWriteResult> result(reinterpret_cast<CTagWriteResult*>(lParam));
                if (result) OnTagsSaved(static_cast<unsigned>(wParam), *result);
            } else if (msg == kThumbnailDone) {
                // A row that was removed or restarted meanwhile has another ticket.
                CMediaListItemUI::ThumbnailDone(static_cast<unsigned>(wParam));
            }
            return 0;
        });
    return m_releaseTarget;
}

void CMediaListUI::ReleaseLater(IVXMMedia* media)
{
    if (!media) return;
    // Engine messages reach a list only through its window's queue: without
    // a window none can be waiting.
    if (!GetManager() || !GetManager()->GetPaintWindow()) {
        ReleaseMedia(media);
        return;
    }
    if (!PostMessageOwned(GetQueueTarget(), kReleaseMedia, 0, media, ReleaseMedia)) ReleaseMedia(media);
}

void CMediaListUI::OnStopDone(IVXMMedia* media)
{
    CMediaListItemUI* row = FindItem(media);
    if (!row) return;  // removed meanwhile
    row->OnStopDone();
    if (GetManager()) GetManager()->SendNotify(this, L"item_stopped", reinterpret_cast<WPARAM>(media), m_burnList ? 1 : 0);
}

void CMediaListUI::OnTagsSaved(unsigned ticket, const CTagWriteResult& result)
{
    for (int i = 0; i < GetCount(); ++i) {
        CMediaListItemUI* row = GetMediaItem(i);
        if (!row || !row->IsSavingTags() || row->TagTicket() != ticket) continue;
        row->EndTagSave();
        if (m_tagsSaved) m_tagsSaved(row->GetMedia(), result);
        return;
    }
    // The row was removed meanwhile: the queue still goes on.
    if (m_tagsSaved) m_tagsSaved(nullptr, result);
}

namespace {
bool IsListRow(CControlUI* control)
{
    if (!control) return false;
    std::wstring cls = control->GetClass();
    for (wchar_t& c : cls) c = static_cast<wchar_t>(std::towlower(c));
    return cls == L"listcontainerelementui";
}
}  // namespace

bool CMediaListUI::Add(CControlUI* control)
{
    return IsListRow(control) && CListUI::Add(control);
}

bool CMediaListUI::AddAt(CControlUI* control, int index)
{
    return IsListRow(control) && CListUI::AddAt(control, index);
}

bool CMediaListUI::Remove(CControlUI* control, bool doNotDestroy)
{
    return IsListRow(control) && CListUI::Remove(control, doNotDestroy);
}

bool CMediaListUI::RemoveAt(int index, bool doNotDestroy)
{
    return IsListRow(GetItemAt(index)) && CListUI::RemoveAt(index, doNotDestroy);
}

void CMediaListUI::DoEvent(TEventUI& event)
{
    if (ForwardDisabledMouseEvent(event)) return;
    if (event.Type == UIEVENT_CONTEXTMENU) {
        if (CPaintManagerUI* manager = GetManager()) {
            POINT pt = event.ptMouse;
            RECT frame{};
            if (GetWindowRect(manager->GetPaintWindow(), &frame)) {
                pt.x += frame.left;
                pt.y += frame.top;
            }
            manager->SendNotify(this, L"media_contextmenu", static_cast<WPARAM>(pt.x), static_cast<LPARAM>(pt.y));
        }
        return;
    }
    // Delete removes the selected rows, as the menu's "Remove" does; never
    // while a name is being typed.
    if (event.Type == UIEVENT_KEYDOWN && event.chKey == VK_DELETE) {
        if (!IsEditingName()) OnMenuCommand(32791);
        return;
    }
    CListUI::DoEvent(event);
}

bool CMediaListUI::SelectItem(int index, bool takeFocus)
{
    if (index >= 0 && index == GetCurSel() && IsMultiSelectState()) return true;
    if (index < 0) return false;
    if (!CListUI::SelectItem(index, takeFocus)) return false;
    if (GetManager()) GetManager()->SendNotify(this, L"item_selected", static_cast<WPARAM>(index), m_burnList ? 1 : 0);
    return true;
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

CMediaListItemUI* CMediaListUI::AddMedia(IVXMMedia* media, EMediaRowKind kind, bool makeThumbnail, int index,
                                         int downloadFlag)
{
    if (!media) return nullptr;
    CMediaListItemUI* row = nullptr;
    const int slot = static_cast<int>(kind);
    const std::wstring& xml = m_templates[slot];
    if (!xml.empty()) {
        // The template is read once per kind; each row is built from the parsed markup.
        CRowBuilder callback(this);
        CControlUI* built = nullptr;
        if (m_builders[slot]) {
            built = m_builders[slot]->Create(&callback);
        } else {
            auto builder = std::make_unique<CDialogBuilder>();
            built = builder->Create(xml, {}, &callback);
            if (built) m_builders[slot] = std::move(builder);
        }
        row = dynamic_cast<CMediaListItemUI*>(built);
        if (!row) delete built;
    }
    if (!row) row = NewRow(kind);
    const bool added = index < 0 || index >= GetCount() ? Add(row) : AddAt(row, index);
    if (!added) {
        delete row;
        return nullptr;
    }
    if (auto* online = dynamic_cast<COnlineMediaListItemUI*>(row)) online->SetDownloadFlag(downloadFlag);
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
    m_builders[static_cast<int>(kind)].reset();
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
    // A row carries its media as its tag: rows are told apart without a cast
    // each, which a list of thousands asks for on every change.
    const auto tag = reinterpret_cast<UINT_PTR>(media);
    for (int i = 0; i < GetCount(); ++i) {
        CControlUI* item = GetItemAt(i);
        if (!item || item->GetTag() != tag) continue;
        if (CMediaListItemUI* row = dynamic_cast<CMediaListItemUI*>(item); row && row->GetMedia() == media) return row;
    }
    return nullptr;
}

// A row going: its download is cancelled and its preview stopped at once;
// its conversion stops with its release, off the UI thread.
static void StopForRemoval(CMediaListItemUI* row)
{
    if (row->IsOnlineItem()) row->StopConvert();
    if (IVXMMedia* media = row->GetMedia()) media->StopPreview();
}

void CMediaListUI::ReleaseRow(CMediaListItemUI* row)
{
    StopForRemoval(row);
    // A child row's segment leaves its parent's segment list.
    if (auto* child = dynamic_cast<CChildListItemUI*>(row))
        if (auto* parent = dynamic_cast<CVXMMediaBase*>(child->GetParentMedia())) {
            auto& segments = parent->m_lstClipSegments;
            for (auto it = segments.begin(); it != segments.end(); ++it)
                if (it->m_nStart == child->GetSegmentStart() && it->m_nEnd == child->GetSegmentEnd()) {
                    segments.erase(it);
                    break;
                }
        }
    // The row lets go of its media first: later engine messages for it find no row.
    IVXMMedia* media = row->TakeMedia();
    Remove(row);
    ReleaseLater(media);
    // The stopper stops it before the media joined to it go.
    if (media && media == m_joinedRunning) SetJoinedRunning(nullptr);
}

void CMediaListUI::ReleaseRowAndChildren(CMediaListItemUI* row)
{
    IVXMMedia* media = row->GetMedia();
    if (media) {
        std::vector<CMediaListItemUI*> children;
        for (int i = 0; i < GetCount(); ++i) {
            CMediaListItemUI* r = GetMediaItem(i);
            if (r && r != row && r->GetParentMedia() == media) children.push_back(r);
        }
        // Children from the last: each takes its own segment out of the parent.
        for (auto it = children.rbegin(); it != children.rend(); ++it) ReleaseRow(*it);
    }
    ReleaseRow(row);
}

void CMediaListUI::SendRemoved()
{
    if (GetManager()) GetManager()->SendNotify(this, L"item_removed", reinterpret_cast<WPARAM>(this), m_burnList ? 1 : 0);
}

void CMediaListUI::RemoveItem(CMediaListItemUI* row)
{
    if (!row || GetItemIndex(row) < 0) return;
    ReleaseRowAndChildren(row);
    if (m_joinMode) SetJoinMode(true);
    SendRemoved();
}

void CMediaListUI::RemoveItem(CMediaListItemUI* row, IVXMMedia* media)
{
    RemoveItem(row ? row : FindItem(media));
}

void CMediaListUI::RemoveAllItems()
{
    // Files still being probed for this list are not added any more.
    CancelQueuedMediaFiles();
    // Every row goes at once: no search for children, one join rebuild and
    // one notice for all, rows taken from the end.
    std::vector<CMediaListItemUI*> rows;
    for (int i = 0; i < GetCount(); ++i)
        if (CMediaListItemUI* row = GetMediaItem(i)) rows.push_back(row);
    if (rows.empty()) return;
    m_joinedRunning = nullptr;
    for (CMediaListItemUI* row : rows) StopForRemoval(row);
    // The list is empty at once; the rows' controls and temporary files go
    // on the disposer's thread.
    std::vector<CControlUI*> gone;
    std::vector<std::wstring> files;
    gone.reserve(rows.size());
    for (auto it = rows.rbegin(); it != rows.rend(); ++it) {
        IVXMMedia* media = (*it)->TakeMedia();
        if (Remove(*it, true)) {
            gone.push_back(*it);
            if (std::wstring file = (*it)->TakeThumbnailFile(); !file.empty()) files.push_back(std::move(file));
        }
        ReleaseLater(media);
    }
    m_disposer.Dispose(GetManager(), std::move(gone), std::move(files));
    if (m_joinMode) SetJoinMode(true);
    SendRemoved();
}

bool CMediaListUI::IsConverting() const
{
    for (int i = 0; i < GetCount(); ++i)
        if (CMediaListItemUI* row = GetMediaItem(i); row && row->GetMedia() && row->GetMedia()->GetConvertState() == 1)
            return true;
    return false;
}

int CMediaListUI::CountChecked() const
{
    int n = 0;
    for (int i = 0; i < GetCount(); ++i)
        if (CMediaListItemUI* row = GetMediaItem(i); row && row->IsChecked()) ++n;
    return n;
}

CChildListItemUI* CMediaListUI::FindChildItem(int segmentIndex, IVXMMedia* parent) const
{
    for (int i = GetCount() - 1; i >= 0; --i) {
        auto* child = dynamic_cast<CChildListItemUI*>(GetItemAt(i));
        if (child && child->GetParentMedia() == parent && child->GetSegmentIndex() == segmentIndex) return child;
    }
    return nullptr;
}

void CMediaListUI::SyncChildItems(IVXMMedia* parent)
{
    auto* data = dynamic_cast<CVXMMediaBase*>(parent);
    if (!parent) return;
    std::vector<CChildListItemUI*> stale;
    for (int i = 0; i < GetCount(); ++i) {
        auto* child = dynamic_cast<CChildListItemUI*>(GetItemAt(i));
        if (!child || child->GetParentMedia() != parent) continue;
        bool stands = false;
        if (data && child->GetSegmentIndex() >= 0 &&
            child->GetSegmentIndex() < static_cast<int>(data->m_lstClipSegments.size())) {
            auto it = std::next(data->m_lstClipSegments.begin(), child->GetSegmentIndex());
            stands = it->m_nStart == child->GetSegmentStart() && it->m_nEnd == child->GetSegmentEnd();
        }
        if (!stands) stale.push_back(child);
    }
    // Their segments are already gone from the parent: release the rows only.
    for (CChildListItemUI* child : stale) {
        IVXMMedia* media = child->TakeMedia();
        Remove(child);
        ReleaseLater(media);
    }
    if (!stale.empty()) {
        if (m_joinMode) SetJoinMode(true);
        SendRemoved();
    }
}

void CMediaListUI::SetChildItemRange(IVXMMedia* parent, int segmentIndex, int startMs, int endMs)
{
    if (endMs < startMs) return;
    for (int i = 0; i < GetCount(); ++i) {
        auto* child = dynamic_cast<CChildListItemUI*>(GetItemAt(i));
        if (!child || child->GetParentMedia() != parent || child->GetSegmentIndex() != segmentIndex) continue;
        if (IVXMMedia* media = child->GetMedia()) {
            media->SetStartTime(startMs);
            media->SetEndTime(endMs);
            media->SetDuration(endMs - startMs);
        }
        child->SetSegment(segmentIndex, startMs, endMs);
        child->UpdateDuration();
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
    CMediaListItemUI* first = count > 0 ? GetMediaItem(0) : nullptr;
    IProfile* firstProfile = first ? first->GetProfile() : nullptr;
    const bool firstSilent = firstProfile && firstProfile->IsAudioDisabled() != 0;
    long long sum = 0;
    for (int i = 1; i < count; ++i) {
        CMediaListItemUI* row = GetMediaItem(i);
        if (!row) continue;
        row->SetJoinLayout(on);
        row->SetButtonsEnabled(!m_joinedRunning);
        row->FollowJoinedAudio(on, firstSilent);
        if (row->GetMedia()) sum += row->GetMedia()->GetClipLength();
    }
    if (!first) return;
    first->SetJoinLayout(false);
    first->FollowJoinedAudio(false, false);
    IVXMMedia* media = first->GetMedia();
    if (!media) return;
    if (on) {
        first->SetDuration(static_cast<int>(sum + media->GetClipLength()));
    } else {
        media->ClearJoinList();
        first->UpdateDuration();
    }
}

void CMediaListUI::SetJoinedRunning(IVXMMedia* first)
{
    m_joinedRunning = first;
    for (int i = 1; i < GetCount(); ++i)
        if (CMediaListItemUI* row = GetMediaItem(i)) row->SetButtonsEnabled(!first);
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
    case 32799: return selMedia && IsExistingFile(selMedia->GetOutputPath());
    default: return true;
    }
}

CMediaListItemUI* CMediaListUI::GetSelectedMediaItem() const
{
    return GetCurSel() >= 0 ? GetMediaItem(GetCurSel()) : nullptr;
}

void CMediaListUI::UpdateContextMenu(CMenu* menu) const
{
    if (!menu) return;
    const IClipboard* clipboard = Desktop().clipboard;
    const bool hasText = clipboard && clipboard->HasText();
    for (UINT id : {32791u, 32792u, 32793u, 32972u, 32794u, 32795u, 32796u, 32973u, 32950u, 32951u, 32805u, 32806u,
                    32801u, 32802u, 32798u, 32799u})
        menu->Enable(id, IsMenuEntryEnabled(id, hasText));
}

void CMediaListUI::RemoveSelected()
{
    std::vector<CMediaListItemUI*> rows;
    for (int index : GetSelectedItems())
        if (CMediaListItemUI* row = GetMediaItem(index)) rows.push_back(row);
    if (rows.empty()) return;
    // From the last: a segment row goes before its parent would take it along.
    for (auto it = rows.rbegin(); it != rows.rend(); ++it)
        if (GetItemIndex(*it) >= 0) ReleaseRowAndChildren(*it);
    if (m_joinMode) SetJoinMode(true);
    SendRemoved();
}

bool CMediaListUI::IsEditingName() const
{
    CPaintManagerUI* manager = GetManager();
    if (manager && dynamic_cast<CEditUI*>(manager->GetFocus())) return true;
    for (int i = 0; i < GetCount(); ++i)
        if (CMediaListItemUI* row = GetMediaItem(i); row && row->IsNameEditShown()) return true;
    return false;
}

void CMediaListUI::CheckSelected()
{
    if (CMediaListItemUI* row = GetSelectedMediaItem()) row->SetChecked(true);
}

void CMediaListUI::UncheckSelected()
{
    if (CMediaListItemUI* row = GetSelectedMediaItem()) row->SetChecked(false);
}

void CMediaListUI::RenameSelected()
{
    if (CMediaListItemUI* row = GetSelectedMediaItem()) row->ShowNameEdit(true);
}

void CMediaListUI::CopyURLToClipboard()
{
    CMediaListItemUI* row = GetSelectedMediaItem();
    IVXMMedia* media = row ? row->GetMedia() : nullptr;
    if (!media || media->GetSourcePath().empty()) return;
    if (IClipboard* clipboard = Desktop().clipboard) clipboard->SetText(media->GetSourcePath());
}

void CMediaListUI::OpenSourceLocation()
{
    CMediaListItemUI* row = GetSelectedMediaItem();
    IVXMMedia* media = row ? row->GetMedia() : nullptr;
    if (media) ShowInFileManager(GetManager() ? GetManager()->GetPaintWindow() : nullptr, media->GetSourcePath(), true);
}

void CMediaListUI::OpenDestinationLocation()
{
    if (CMediaListItemUI* row = GetSelectedMediaItem()) row->ShowOutputInFolder();
}

bool CMediaListUI::OnMenuCommand(UINT id)
{
    switch (id) {
    case 32791: RemoveSelected(); return true;
    case 32792: RemoveAllItems(); return true;
    case 32793: CheckAll(true); return true;
    case 32972: CheckAll(false); return true;
    case 32794: CheckSelected(); return true;
    case 32795: UncheckSelected(); return true;
    case 32796: RenameSelected(); return true;
    case 32806: CopyURLToClipboard(); return true;
    case 32798: OpenSourceLocation(); return true;
    case 32799: OpenDestinationLocation(); return true;
    default: return false;
    }
}

void CMediaListUI::OnItemM4vRecorded(IVXMMedia* oldMedia, IVXMMedia* newMedia)
{
    if (oldMedia) RemoveItem(nullptr, oldMedia);
    if (!oldMedia || !newMedia) return;
    if (CMediaListItemUI* row = FindItem(newMedia)) Convert(newMedia, row->GetProfile());
}

void CMediaListUI::OnItemClip()
{
    CMediaListItemUI* row = GetSelectedMediaItem();
    if (row && row->IsChildItem()) row = FindItem(row->GetParentMedia());
    if (row) row->ShowClipDialog();
}

void CMediaListUI::OnItemEffect()
{
    if (CMediaListItemUI* row = GetSelectedMediaItem()) row->ShowEffectDialog();
}

void CMediaListUI::LoadAppleProfiles()
{
    m_appleProfiles.clear();
    IProfileManager* catalogue = GetProfileManager();
    if (!catalogue) return;
    IProfileCategory* apple = catalogue->FindCategoryById(catalogue->FindCategoryIndexByName(L"apple"));
    if (!apple) return;
    for (int g = 0; g < apple->GetGroupCount(); ++g) {
        IProfileGroup* group = apple->GetGroup(static_cast<unsigned>(g));
        if (!group) continue;
        for (int p = 0; p < group->GetProfileCount(); ++p)
            if (IProfile* profile = group->GetProfile(static_cast<unsigned>(p))) m_appleProfiles.push_back(profile->GetName());
    }
}

bool CMediaListUI::JoinSelected()
{
    const std::vector<int> selected = GetSelectedItems();
    std::vector<IVXMMedia*> media;
    for (int index : selected)
        if (CMediaListItemUI* row = GetMediaItem(index); row && row->GetMedia()) media.push_back(row->GetMedia());
    if (media.size() < 2) return false;
    SendUsageAction(32, 113);
    IVXMMedia* base = media.front();
    std::vector<IVXMMedia*> others(media.begin() + 1, media.end());
    const std::wstring folder = CVXMSettings::GetInstance()->OutputFolder + L"/Join";
    if (!CreateFolderTree(folder)) {
        LogErrorW("CMediaListUI", L"The join folder %ls could not be made", folder.c_str());
        return false;
    }
    if (m_join) {
        m_join(base, std::move(others), folder);
    } else {
        HWND window = GetManager() ? GetManager()->GetPaintWindow() : nullptr;
        base->Join(std::move(others), folder, window);
    }
    return true;
}

bool CMediaListUI::HandleNotify(TNotifyUI& msg)
{
    const std::wstring& type = msg.sType;
    // Notifications of the list as a whole.
    if (type == L"global_profile_changed") {
        // Another pane's list speaks for its own rows.
        if (msg.pSender != this && dynamic_cast<CMediaListUI*>(msg.pSender)) return false;
        for (int i = 0; i < GetCount(); ++i)
            if (CMediaListItemUI* row = GetMediaItem(i)) row->RefreshProfileIcon(msg.wParam != 0);
        return msg.pSender == this;
    }
    if (type == L"language_changed") {
        // The rows' own texts follow the new language; everyone else hears it too.
        for (int i = 0; i < GetCount(); ++i)
            if (CMediaListItemUI* row = GetMediaItem(i)) row->ApplyLanguage();
        return false;
    }
    if (type == L"item_m4v_recorded") {
        auto* oldMedia = reinterpret_cast<IVXMMedia*>(msg.wParam);
        if (!FindItem(oldMedia)) return false;
        OnItemM4vRecorded(oldMedia, reinterpret_cast<IVXMMedia*>(msg.lParam));
        return true;
    }
    if ((type == L"item_clip" || type == L"item_effect") && !m_burnList) {
        if (type == L"item_clip") OnItemClip();
        else OnItemEffect();
        return true;
    }
    if (type == L"selectall" && msg.pSender == this) {
        SelectAllItems();
        return true;
    }
    CMediaListItemUI* row = RowOf(msg.pSender);
    if (!row || row->GetOwner() != static_cast<IListOwnerUI*>(this)) return false;
    if (type == L"itemclick") {
        if (GetCurSel() < 0 && GetManager())
            GetManager()->SendNotify(this, L"item_selected", static_cast<WPARAM>(-1), m_burnList ? 1 : 0);
        return false;
    }
    // Row notifications that name a list name this one.
    if (msg.wParam != 0 && (type == L"item_begin_drag" || type == L"item_dbclick") &&
        msg.wParam != reinterpret_cast<WPARAM>(static_cast<IListOwnerUI*>(this)))
        return false;
    if (type == L"item_begin_drag") {
        OnItemBeginDrag(row);
        return true;
    }
    if (type == L"item_dragging") {
        OnItemDragging(row);
        return true;
    }
    if (type == L"item_end_drag") {
        CloseDragWindow();
        CMediaListItemUI* target = nullptr;
        for (int i = 0; i < GetCount() && !target; ++i) {
            CMediaListItemUI* r = GetMediaItem(i);
            if (r && r->IsHot()) target = r;
        }
        DropItem(row, target);
        return true;
    }
    if (type == L"item_remove") {
        RemoveItem(row);
        return true;
    }
    if (type == L"item_dbclick") return true;
    if (type == L"show_item_profilewnd") {
        OnShowItemProfileWnd(row, reinterpret_cast<CControlUI*>(msg.wParam));
        return true;
    }
    const std::wstring name = msg.pSender->GetName();
    if (type == L"dropdown" && (name == L"ID_COMBO_AUDIO_TRACK" || name == L"ID_COMBO_SUBTITLE")) {
        row->OnComboDropDown(msg.pSender);
        return true;
    }
    if (type == L"itemselect" && name == L"ID_COMBO_AUDIO_TRACK") {
        row->SelectAudio(static_cast<int>(msg.wParam));
        return true;
    }
    if (type == L"itemselect" && name == L"ID_COMBO_SUBTITLE") {
        row->SelectSubtitle(static_cast<int>(msg.wParam));
        return true;
    }
    if (type == L"itemselect" && name == L"ID_COMBO_DVDANGLE") {
        if (auto* dvd = dynamic_cast<CDVDMediaListItemUI*>(row)) dvd->SelectAngle(static_cast<int>(msg.wParam));
        return true;
    }
    if (type == L"return" && name == L"ID_EDIT_ITEM_CHANGE_FILENAME") {
        row->ShowNameEdit(false);
        msg.pSender->SetVisible(false);
        row->ApplyNameEdit();
        return true;
    }
    if (type == L"selectchanged" && name == L"ID_ITEM_CHECKED") {
        auto* box = dynamic_cast<COptionUI*>(msg.pSender);
        row->SetChecked(box ? box->IsSelected() : !row->IsChecked());
        if (GetManager()) GetManager()->SendNotify(row, L"item_checked", 0, m_burnList ? 1 : 0);
        return true;
    }
    return false;
}

void CMediaListUI::CloseDragWindow()
{
    if (!m_dragWnd) return;
    if (m_dragWnd->GetHWND()) m_dragWnd->DestroyWindow();
    m_dragWnd.reset();
}

void CMediaListUI::OnItemBeginDrag(CMediaListItemUI* row)
{
    SelectItem(GetItemIndex(row));
    CloseDragWindow();
    CPaintManagerUI* manager = GetManager();
    if (!manager) return;
    m_dragRect = row->GetPos();
    m_dragStart = manager->GetMousePos();
    HWND window = manager->GetPaintWindow();
    // Without a window there is nothing to float over.
    if (!window) return;
    RECT onScreen = m_dragRect;
    RECT frame{};
    if (GetWindowRect(window, &frame)) {
        onScreen.left += frame.left;
        onScreen.right += frame.left;
        onScreen.top += frame.top;
        onScreen.bottom += frame.top;
    }
    m_dragWnd = std::make_unique<CMediaItemDragWnd>(manager, row);
    if (!m_dragWnd->Create(window, L"MediaDragWnd", WS_POPUP, 0, onScreen)) {
        m_dragWnd.reset();
        return;
    }
    m_dragWnd->ShowWindow(true, false);
}

void CMediaListUI::OnItemDragging(CMediaListItemUI* row)
{
    CPaintManagerUI* manager = GetManager();
    if (!m_dragWnd || !manager) return;
    const POINT now = manager->GetMousePos();
    RECT moved = m_dragRect;
    const int dx = now.x - m_dragStart.x, dy = now.y - m_dragStart.y;
    moved.left += dx;
    moved.right += dx;
    moved.top += dy;
    moved.bottom += dy;
    RECT frame{};
    if (GetWindowRect(manager->GetPaintWindow(), &frame)) {
        moved.left += frame.left;
        moved.right += frame.left;
        moved.top += frame.top;
        moved.bottom += frame.top;
    }
    m_dragWnd->MoveTo(moved);
}
