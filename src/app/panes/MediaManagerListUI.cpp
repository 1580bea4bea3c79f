#include "MediaManagerListUI.h"
#include "FileManager.h"

#include "DBHelper.h"
#include "HistoryListUI.h"
#include "IProfile.h"
#include "Log.h"
#include "MediaHandler.h"
#include "VXMSettings.h"
#include "platform/text.h"
#include "ui/UILanguage.h"
#include "ui/UIMenu.h"
#include "ui/desktop/Desktop.h"

namespace {

const char* const kCategory = "CMediaManagerListUI";
const wchar_t* const kNodeFile = L"media_man_item.xml";
const wchar_t* const kNodeElement = L"MediaManagerElement";

constexpr UINT kMenuExpand = 32974;
constexpr UINT kMenuCollapse = 32975;
constexpr UINT kMenuOpenFolder = 32976;

constexpr DWORD kTopBk = 0xFFDDE3EA;
constexpr DWORD kTopSelectedBk = 0xFFC3D3E6;
constexpr DWORD kChildSelectedBk = 0xFFDCE8F5;

std::wstring Dictionary(const std::wstring& key)
{
    return CLanguageManager::GetInstance()->TranslateDictionary(key);
}

// A profile's node reads as its target device, else as its description,
// else as its history name: never blank.
std::wstring ProfileNodeText(const std::wstring& device, const std::wstring& desc, const std::wstring& name)
{
    if (!device.empty()) return Dictionary(device);
    if (!desc.empty()) return Dictionary(desc);
    return name;
}

// A name from the history used as one folder name: separators and dot
// names would lead out of the output folder.
std::wstring AsFolderName(const std::wstring& name)
{
    std::wstring out;
    for (wchar_t c : name) out += (c == L'/' || c == L'\\' || c == 0) ? L'_' : c;
    if (out.find_first_not_of(L'.') == std::wstring::npos) return {};
    return out;
}

}  // namespace

// ---------------------------------------------------------------- nodes

CControlUI* CMediaManagerElementUI::Sub(const wchar_t* name) const
{
    return m_manager ? m_manager->FindSubControlByName(const_cast<CMediaManagerElementUI*>(this), name) : nullptr;
}

void CMediaManagerElementUI::DoEvent(TEventUI& event)
{
    if (event.Type == UIEVENT_DBLCLICK && event.pSender == this) {
        if (auto* list = dynamic_cast<CMediaManagerListUI*>(static_cast<IListOwnerUI*>(m_owner)))
            list->ExpandItem(GetIndex(), !m_expanded);
    }
    CListContainerElementUI::DoEvent(event);
}

void CMediaManagerElementUI::SetExpanded(bool expanded)
{
    m_expanded = expanded;
    if (auto* button = dynamic_cast<CButtonUI*>(Sub(L"ID_MEDIAMAN_BTN_EXPAND")))
        button->SetNormalImage(expanded ? L"file='common\\chevron_down.png' dest='1,1,17,17'"
                                        : L"file='common\\chevron_right.png' dest='1,1,17,17'");
}

void CMediaManagerElementUI::SetCount(int count)
{
    if (count < 0) return;
    m_count = count;
    if (CControlUI* label = Sub(L"ID_MEDIAMAN_COUNT")) {
        label->SetText(std::to_wstring(count));
        label->SetVisible(true);
    }
}

void CMediaManagerElementUI::SetNodeText(const std::wstring& text)
{
    if (CControlUI* label = Sub(L"ID_MEDIAMAN_ITEM_NAME")) label->SetText(text);
}

std::wstring CMediaManagerElementUI::GetNodeText() const
{
    CControlUI* label = Sub(L"ID_MEDIAMAN_ITEM_NAME");
    return label ? label->GetText() : std::wstring();
}

void CMediaManagerElementUI::ShowExpandButton(bool show)
{
    if (CControlUI* button = Sub(L"ID_MEDIAMAN_BTN_EXPAND")) button->SetVisible(show);
}

// ---------------------------------------------------------------- tree

CMediaManagerListUI::CMediaManagerListUI() = default;

CMediaManagerListUI::~CMediaManagerListUI()
{
    if (GetManager()) GetManager()->RemoveNotifier(this);
}

void* CMediaManagerListUI::GetInterface(const std::wstring& name)
{
    if (name == L"MediaManagerListUI") return this;
    return CListUI::GetInterface(name);
}

void CMediaManagerListUI::DoInit()
{
    if (GetManager()) GetManager()->AddNotifier(this);
}

CControlUI* CMediaManagerListUI::CreateControl(const std::wstring& name)
{
    return name == kNodeElement ? new CMediaManagerElementUI(GetManager()) : nullptr;
}

CDBHelper* CMediaManagerListUI::Database() const
{
    return m_db ? m_db : CDBHelper::GetInstance();
}

CMediaManagerElementUI* CMediaManagerListUI::GetNode(int index) const
{
    return dynamic_cast<CMediaManagerElementUI*>(GetItemAt(index));
}

CMediaManagerElementUI* CMediaManagerListUI::GetTopNode(int kind) const
{
    for (int i = 0; i < GetCount(); ++i)
        if (CMediaManagerElementUI* node = GetNode(i); node && node->IsTopNode() && node->GetKind() == kind) return node;
    return nullptr;
}

CMediaManagerElementUI* CMediaManagerListUI::FindChild(int kind, const std::wstring& name) const
{
    for (int i = 0; i < GetCount(); ++i)
        if (CMediaManagerElementUI* node = GetNode(i); node && node->GetKind() == kind && node->GetName() == name)
            return node;
    return nullptr;
}

CMediaManagerElementUI* CMediaManagerListUI::NewNode()
{
    CControlUI* built = m_builderLoaded ? m_builder.Create(this) : m_builder.Create(kNodeFile, {}, this);
    m_builderLoaded = true;
    auto* node = dynamic_cast<CMediaManagerElementUI*>(built);
    if (!node) {
        delete built;
        LogError(kCategory, "A media manager node could not be built from %s", WideToUtf8(kNodeFile).c_str());
    }
    return node;
}

CMediaManagerElementUI* CMediaManagerListUI::AddTopNode(int kind, UINT textId)
{
    CMediaManagerElementUI* node = NewNode();
    if (!node) return nullptr;
    if (!Add(node)) {
        delete node;
        return nullptr;
    }
    node->SetKind(kind);
    node->SetNodeText(CLanguageManager::GetInstance()->LoadStringW(textId));
    node->SetBkColor(kTopBk);
    node->ShowExpandButton(kind == MEDIAMAN_DOWNLOADED || kind == MEDIAMAN_CONVERTED);
    node->SetExpanded(true);
    return node;
}

CMediaManagerElementUI* CMediaManagerListUI::AddChild(CMediaManagerElementUI* parent, int kind,
                                                      const std::wstring& text, const std::wstring& tooltip,
                                                      const std::wstring& name, int count, bool afterLastChild)
{
    if (!parent) return nullptr;
    int at = GetItemIndex(parent) + 1;
    if (afterLastChild)
        while (GetNode(at) && GetNode(at)->GetParentNode() == parent) ++at;
    CMediaManagerElementUI* node = NewNode();
    if (!node) return nullptr;
    if (!AddAt(node, at)) {
        delete node;
        return nullptr;
    }
    node->SetParentNode(parent);
    node->SetKind(kind);
    node->SetName(name);
    node->SetNodeText(text);
    node->SetToolTip(tooltip);
    node->SetFixedHeight(CPaintManagerUI::Scale(20));
    node->SetAttribute(L"bottombordersize", L"1");
    node->SetAttribute(L"inset", L"16,0,6,0");
    node->ShowExpandButton(false);
    node->SetCount(count);
    node->SetVisible(parent->IsExpanded());
    return node;
}

void CMediaManagerListUI::BuildTree()
{
    RemoveAll();
    m_selectedNode = nullptr;
    AddTopNode(MEDIAMAN_CONVERSION, 135);
    CMediaManagerElementUI* downloaded = AddTopNode(MEDIAMAN_DOWNLOADED, 134);
    CMediaManagerElementUI* converted = AddTopNode(MEDIAMAN_CONVERTED, 133);
    CDBHelper* db = Database();
    std::vector<std::wstring> devices, names, descs;
    db->GetHistoryProfiles(devices, names, descs);
    for (size_t i = 0; i < names.size(); ++i)
        AddChild(converted, MEDIAMAN_PROFILE, ProfileNodeText(devices[i], descs[i], names[i]), Dictionary(descs[i]),
                 names[i], db->GetConvertedCount(names[i]), false);
    std::vector<std::wstring> sites;
    db->GetDownloadedSites(sites);
    for (const std::wstring& site : sites)
        AddChild(downloaded, MEDIAMAN_SITE, site, {}, site, db->GetDownloadedCount(site), false);
    if (CMediaManagerElementUI* bin = AddTopNode(MEDIAMAN_RECYCLE_BIN, 131)) bin->SetCount(db->GetRecycledCount());
}

void CMediaManagerListUI::AddEntry(int kind, const std::wstring& name, const std::wstring& text,
                                   const std::wstring& tooltip)
{
    // The count is the database's: a record that was not written is not counted.
    CDBHelper* db = Database();
    const int count = kind == MEDIAMAN_PROFILE ? db->GetConvertedCount(name) : db->GetDownloadedCount(name);
    if (count <= 0) return;
    if (CMediaManagerElementUI* node = FindChild(kind, name)) {
        node->SetCount(count);
    } else {
        const int parentKind = kind == MEDIAMAN_PROFILE ? MEDIAMAN_CONVERTED : MEDIAMAN_DOWNLOADED;
        AddChild(GetTopNode(parentKind), kind, text, tooltip, name, count, true);
    }
    // The list shows the node's records: the new one joins it.
    CMediaManagerElementUI* selected = GetSelectedNode();
    if (selected && selected->GetKind() == kind && selected->GetName() == name) LoadHistory(GetCurSel());
}

void CMediaManagerListUI::AddConvertedEntry(const std::wstring& profileName, const std::wstring& targetDevice,
                                            const std::wstring& description)
{
    AddEntry(MEDIAMAN_PROFILE, profileName, ProfileNodeText(targetDevice, description, profileName),
             Dictionary(description));
}

void CMediaManagerListUI::AddDownloadedEntry(const std::wstring& siteName)
{
    AddEntry(MEDIAMAN_SITE, siteName, siteName, {});
}

void CMediaManagerListUI::PaintSelection(CMediaManagerElementUI* node, bool selected)
{
    if (!node) return;
    if (node->IsTopNode()) node->SetBkColor(selected ? kTopSelectedBk : kTopBk);
    else node->SetBkColor(selected ? kChildSelectedBk : 0);
}

bool CMediaManagerListUI::SelectItem(int index, bool takeFocus)
{
    if (index == m_curSel && index >= 0) return true;
    CMediaManagerElementUI* node = GetNode(index);
    if (!node) return false;
    PaintSelection(m_selectedNode, false);
    PaintSelection(node, true);
    m_selectedNode = node;
    return CListUI::SelectItem(index, takeFocus);
}

void CMediaManagerListUI::ExpandItem(int index, bool expand)
{
    CMediaManagerElementUI* node = GetNode(index);
    if (!node || !node->IsTopNode()) return;
    node->SetExpanded(expand);
    for (int i = index + 1; i < GetCount(); ++i)
        if (CMediaManagerElementUI* child = GetNode(i); child && child->GetParentNode() == node)
            child->SetVisible(expand);
}

bool CMediaManagerListUI::LoadHistory(int index)
{
    CMediaManagerElementUI* node = GetNode(index);
    if (!node || !m_historyList) return false;
    switch (node->GetKind()) {
    case MEDIAMAN_PROFILE: m_historyList->LoadConverted(node->GetName()); return true;
    case MEDIAMAN_SITE: m_historyList->LoadDownloaded(node->GetName()); return true;
    case MEDIAMAN_RECYCLE_BIN: m_historyList->LoadRecycled(); return true;
    default: return false;
    }
}

// ---------------------------------------------------------------- records

void CMediaManagerListUI::ShowUpdateFailed()
{
    const std::wstring text = Dictionary(L"ID_STRING_HISTORY_UPDATE_FAILED");
    LogErrorW(kCategory, L"%ls", text.c_str());
    if (IMessageBox* box = Desktop().messageBox)
        box->Show(GetManager() ? GetManager()->GetPaintWindow() : nullptr, text,
                  CLanguageManager::GetInstance()->LoadStringW(103), MB_OK | MB_ICONERROR);
}

bool CMediaManagerListUI::DeleteRecord(CHistoryListItemUI* row) { return DeleteRecord(row, true); }

bool CMediaManagerListUI::DeleteAllRecords()
{
    if (!m_historyList) return false;
    bool refused = false;
    for (int i = m_historyList->GetCount() - 1; i >= 0; --i)
        if (CHistoryListItemUI* row = m_historyList->GetHistoryItem(i); row && !DeleteRecord(row, false)) refused = true;
    if (refused) ShowUpdateFailed();
    return !refused;
}

bool CMediaManagerListUI::DeleteRecord(CHistoryListItemUI* row, bool report)
{
    if (!row || !m_historyList || row->GetOwner() != static_cast<IListOwnerUI*>(m_historyList)) return false;
    CMediaManagerElementUI* bin = GetTopNode(MEDIAMAN_RECYCLE_BIN);
    const bool purge = m_historyList->IsRecycleBin();
    const int kind = row->GetRecordKind();
    // Recorded files have no table here: their rows only leave the list.
    if (kind == 0 || kind == 1) {
        CDBHelper* db = Database();
        const bool done = kind == 0 ? db->DeleteConvertedRecord(row->GetRecordId(), purge)
                                    : db->DeleteDownloadedRecord(row->GetRecordId(), purge);
        if (!done) {
            if (report) ShowUpdateFailed();
            return false;
        }
        CMediaManagerElementUI* node =
            purge ? bin : FindChild(kind == 0 ? MEDIAMAN_PROFILE : MEDIAMAN_SITE, row->GetOwnerName());
        if (node) node->SetCount(node->GetRecordCount() > 0 ? node->GetRecordCount() - 1 : 0);
        if (!purge && bin) bin->SetCount(bin->GetRecordCount() + 1);
    }
    m_historyList->RemoveRow(row);
    return true;
}

bool CMediaManagerListUI::RestoreRecord(CHistoryListItemUI* row)
{
    if (!row || !m_historyList || !m_historyList->IsRecycleBin() ||
        row->GetOwner() != static_cast<IListOwnerUI*>(m_historyList))
        return false;
    const int kind = row->GetRecordKind();
    if (kind != 0 && kind != 1) return false;
    CDBHelper* db = Database();
    const bool done = kind == 0 ? db->RestoreConvertedRecord(row->GetRecordId())
                                : db->RestoreDownloadedRecord(row->GetRecordId());
    if (!done) {
        ShowUpdateFailed();
        return false;
    }
    if (CMediaManagerElementUI* bin = GetTopNode(MEDIAMAN_RECYCLE_BIN))
        bin->SetCount(bin->GetRecordCount() > 0 ? bin->GetRecordCount() - 1 : 0);
    const std::wstring owner = row->GetOwnerName();
    if (kind == 1) {
        AddEntry(MEDIAMAN_SITE, owner, owner, {});
    } else {
        // The node's texts come from the catalogue mirror, as when the tree is built.
        std::wstring device, desc;
        std::vector<std::wstring> devices, names, descs;
        db->GetHistoryProfiles(devices, names, descs);
        for (size_t i = 0; i < names.size(); ++i)
            if (names[i] == owner) {
                device = devices[i];
                desc = descs[i];
            }
        AddConvertedEntry(owner, device, desc);
    }
    m_historyList->RemoveRow(row);
    return true;
}

// ---------------------------------------------------------------- notifications and menu

void CMediaManagerListUI::Notify(TNotifyUI& msg)
{
    if (msg.sType == L"historyitem_remove" || msg.sType == L"historyitem_restore") {
        auto* row = dynamic_cast<CHistoryListItemUI*>(msg.pSender);
        if (msg.sType == L"historyitem_remove") DeleteRecord(row);
        else RestoreRecord(row);
    } else if (msg.sType == L"historyitem_removeall" && msg.pSender == m_historyList) {
        DeleteAllRecords();
    } else if (msg.sType == L"language_changed") {
        BuildTree();
    } else if (msg.sType == L"click" && msg.pSender && msg.pSender->GetName() == L"ID_MEDIAMAN_BTN_EXPAND") {
        for (int i = 0; i < GetCount(); ++i)
            if (CMediaManagerElementUI* node = GetNode(i);
                node && node->FindSubControl(L"ID_MEDIAMAN_BTN_EXPAND") == msg.pSender)
                ExpandItem(i, !node->IsExpanded());
    }
}

void CMediaManagerListUI::UpdateContextMenu(CMenu* menu) const
{
    if (!menu) return;
    const CMediaManagerElementUI* node = GetSelectedNode();
    const bool folding = node && (node->GetKind() == MEDIAMAN_DOWNLOADED || node->GetKind() == MEDIAMAN_CONVERTED);
    menu->Enable(kMenuExpand, folding && !node->IsExpanded());
    menu->Enable(kMenuCollapse, folding && node->IsExpanded());
    menu->Enable(kMenuOpenFolder, node != nullptr);
}

bool CMediaManagerListUI::OnMenuCommand(UINT id)
{
    switch (id) {
    case kMenuExpand: ExpandItem(GetCurSel(), true); return true;
    case kMenuCollapse: ExpandItem(GetCurSel(), false); return true;
    case kMenuOpenFolder: OpenFolder(); return true;
    default: return false;
    }
}

std::wstring CMediaManagerListUI::FolderOfNode(int index) const
{
    CMediaManagerElementUI* node = GetNode(index);
    if (!node) return {};
    const CVXMSettings* settings = CVXMSettings::GetInstance();
    switch (node->GetKind()) {
    case MEDIAMAN_DOWNLOADED:
    case MEDIAMAN_CONVERTED: return settings->OutputFolder;
    case MEDIAMAN_RECORDED: return settings->RecordOutputFolder;
    case MEDIAMAN_SITE: {
        const std::wstring name = AsFolderName(node->GetName());
        return name.empty() ? std::wstring() : settings->OutputFolder + L"/" + name;
    }
    case MEDIAMAN_PROFILE: {
        CMediaHandler* handler = CMediaHandler::GetInstance();
        IProfileManager* catalogue = handler ? handler->GetProfileManager() : nullptr;
        IProfile* profile = CDBHelper::FindHistoryProfile(catalogue, node->GetName());
        const std::wstring name = profile ? AsFolderName(profile->GetFolder()) : std::wstring();
        return name.empty() ? std::wstring() : settings->OutputFolder + L"/" + name;
    }
    default: return {};
    }
}

void CMediaManagerListUI::OpenFolder()
{
    const std::wstring folder = FolderOfNode(GetCurSel());
    if (folder.empty()) return;
    ShowInFileManager(GetManager() ? GetManager()->GetPaintWindow() : nullptr, folder, false);
}
