#include "HistoryListUI.h"
#include "FileManager.h"

#include "IProfile.h"
#include "Log.h"
#include "MediaHandler.h"
#include "VXMGlobal.h"
#include "VXMMediaExports.h"
#include "platform/paths.h"
#include "platform/text.h"
#include "platform/paths.h"
#include "ui/UILanguage.h"
#include "ui/UIMenu.h"
#include "ui/desktop/Desktop.h"
#include "ui/UITimeEdit.h"

#include <algorithm>
#include <filesystem>

namespace {

const wchar_t* const kRowFile = L"list_item_history.xml";
const wchar_t* const kRowElement = L"HistoryListContainerElement";
const wchar_t* const kRowButtons[] = {L"ID_BUTTON_SHOW_IN_FOLDER", L"ID_BUTTON_EXPORT_TO_ITUNES",
                                      L"ID_BUTTON_ITEM_REMOVE", L"ID_BUTTON_ITEM_RESTORE"};
constexpr UINT kTextFileNotFound = 126;

// Only web pages are handed to the desktop to open.
bool IsWebAddress(const std::wstring& text)
{
    std::wstring lower = ToLowerW(text);
    return lower.rfind(L"http://", 0) == 0 || lower.rfind(L"https://", 0) == 0;
}

// The date forms of the user's language (German counts the hours to 24).
TDateForms LanguageDateForms()
{
    const CLanguageManager* language = CLanguageManager::GetInstance();
    return TDateForms{WideToUtf8(language->TranslateDictionary(L"ID_STRING_DATE_TODAY")),
                      WideToUtf8(language->TranslateDictionary(L"ID_STRING_DATE_THIS_YEAR")),
                      WideToUtf8(language->TranslateDictionary(L"ID_STRING_DATE_OLDER"))};
}

}  // namespace

// ---------------------------------------------------------------- rows

CHistoryListItemUI::CHistoryListItemUI(CPaintManagerUI* manager, CHistoryListUI* owner)
    : CMediaListItemUI(manager, owner, false, false)
{
}

void CHistoryListItemUI::DoInit()
{
    // The conversion row's own buttons and profile icon are not part of a history row.
    for (const wchar_t* name : kRowButtons)
        if (CControlUI* button = Sub(name)) {
            button->SetTag(reinterpret_cast<UINT_PTR>(this));
            button->OnEvent += MakeDelegate(this, &CHistoryListItemUI::OnButtonEvent);
        }
    CListContainerElementUI::DoInit();
}

void CHistoryListItemUI::DoEvent(TEventUI& event)
{
    if (event.Type == UIEVENT_SETCURSOR) return;
    CMediaListItemUI::DoEvent(event);
}

bool CHistoryListItemUI::OnButtonEvent(void* param)
{
    auto* event = static_cast<TEventUI*>(param);
    if (!event || !event->pSender || event->Type != UIEVENT_BUTTONUP || !event->pSender->IsEnabled()) return true;
    const std::wstring name = event->pSender->GetName();
    if (name == L"ID_BUTTON_ITEM_REMOVE" || name == L"ID_BUTTON_ITEM_RESTORE") {
        // The row may be on its way out once the notification returns.
        SendRecordNotify(name == L"ID_BUTTON_ITEM_REMOVE" ? L"historyitem_remove" : L"historyitem_restore");
        return false;
    }
    if (name == L"ID_BUTTON_SHOW_IN_FOLDER") ShowFileInFolder(m_outputPath);
    // No iTunes on this system: the export button stays hidden.
    return true;
}

void CHistoryListItemUI::SendRecordNotify(const wchar_t* type)
{
    if (m_manager)
        m_manager->SendNotify(this, type, static_cast<WPARAM>(m_recordId), static_cast<LPARAM>(m_recordKind));
}

void CHistoryListItemUI::SendStatus(UINT textId, const std::wstring* arg)
{
    if (m_manager)
        m_manager->SendNotify(this, L"update_status", textId, arg ? reinterpret_cast<LPARAM>(arg->c_str()) : 0);
}

void CHistoryListItemUI::ShowFileInFolder(const std::wstring& path)
{
    if (path.empty()) return;
    std::error_code ec;
    if (!std::filesystem::exists(PathFromWide(path), ec)) {
        SendStatus(kTextFileNotFound);
        return;
    }
    SendStatus(0);
    ShowInFileManager(m_manager ? m_manager->GetPaintWindow() : nullptr, path, true);
}

bool CHistoryListItemUI::IsSourceAvailable() const
{
    return m_recordKind == 1 ? IsWebAddress(m_sourcePath) : IsExistingFile(m_sourcePath);
}

bool CHistoryListItemUI::IsOutputAvailable() const
{
    return IsExistingFile(m_outputPath);
}

void CHistoryListItemUI::Fill(const VXM_HISTORY_RECORD& record, int kind, bool appleProfile, bool inRecycleBin)
{
    m_sourcePath = record.firstPath;
    m_outputPath = record.secondPath;
    m_ownerName = record.ownerName;
    if (CControlUI* label = Sub(L"ID_LABEL_ITEM_SHORT_NAME")) {
        label->SetText(WideFromPath(PathFromWide(m_outputPath).filename()));
        label->SetToolTip(m_outputPath);
    }
    Show(L"ID_LAYOUT_MEDIA_INFO", !record.videoText.empty());
    if (CControlUI* video = Sub(L"ID_LABEL_MEDIA_INFO")) video->SetText(record.videoText);
    Show(L"ID_LAYOUT_AUDIO_INFO", !record.audioText.empty());
    if (CControlUI* audio = Sub(L"ID_LABEL_AUDIO_INFO")) audio->SetText(record.audioText);
    if (CControlUI* duration = Sub(L"ID_LABEL_MEDIA_DURATION")) duration->SetText(FormatTime(record.durationMs));
    if (CControlUI* thumb = Sub(L"ID_LAYOUT_THUMBNAIL_V"); thumb && IsExistingFile(record.thumbnailPath))
        thumb->SetBkImage(record.thumbnailPath);
    if (CControlUI* date = Sub(L"ID_LABEL_CREATE_DATE")) date->SetText(FormatDate(record.date, LanguageDateForms()));
    m_recordId = record.id;
    m_recordKind = kind;
    m_appleProfile = appleProfile;
    Show(L"ID_BUTTON_EXPORT_TO_ITUNES", false);
    // In the recycle bin a row comes back or goes for good.
    Show(L"ID_BUTTON_ITEM_RESTORE", inRecycleBin && kind != 2);
    const CLanguageManager* language = CLanguageManager::GetInstance();
    if (CControlUI* folder = Sub(L"ID_BUTTON_SHOW_IN_FOLDER"))
        folder->SetText(language->TranslateDictionary(L"ID_STRING_HISTORY_FOLDER"));
    if (CControlUI* restore = Sub(L"ID_BUTTON_ITEM_RESTORE"))
        restore->SetText(language->TranslateDictionary(L"ID_STRING_HISTORY_RESTORE"));
    if (CControlUI* remove = Sub(L"ID_BUTTON_ITEM_REMOVE"))
        remove->SetToolTip(
            language->TranslateDictionary(inRecycleBin ? L"ID_STRING_HISTORY_DELETE" : L"ID_STRING_HISTORY_REMOVE"));
}

void CHistoryListItemUI::OnDoubleClick()
{
    if (!m_media) {
        IVXMMedia* media = CreateVXMMediaObject(nullptr);
        if (!media) return;
        media->SetSourcePath(m_outputPath);
        const int probed = IsExistingFile(m_outputPath) ? media->Probe() : -2;
        if (probed < 0) {
            media->Release();
            if (probed == -2) SendStatus(kTextFileNotFound);
            return;
        }
        SetMedia(media, false);
    }
    if (m_manager) m_manager->SendNotify(this, L"update_status", 0, 0);
    CMediaListItemUI::OnDoubleClick();
}

// ---------------------------------------------------------------- list

class CHistoryListUI::CRowBuilder : public IDialogBuilderCallback {
public:
    explicit CRowBuilder(CHistoryListUI* list) : m_list(list) {}
    CControlUI* CreateControl(const std::wstring& name) override
    {
        return name == kRowElement ? new CHistoryListItemUI(m_list->GetManager(), m_list) : nullptr;
    }

private:
    CHistoryListUI* m_list;
};

CHistoryListUI::CHistoryListUI() : CMediaListUI(false)
{
    SetMultiSelect(false);
}

CHistoryListUI::~CHistoryListUI()
{
    Clear();
}

void* CHistoryListUI::GetInterface(const std::wstring& name)
{
    if (name == L"HistoryListUI" || name == L"MediaListUI") return this;
    return CMediaListUI::GetInterface(name);
}

CDBHelper* CHistoryListUI::Database() const
{
    return m_db ? m_db : CDBHelper::GetInstance();
}

CHistoryListItemUI* CHistoryListUI::GetHistoryItem(int index) const
{
    return dynamic_cast<CHistoryListItemUI*>(GetItemAt(index));
}

void CHistoryListUI::ReleaseRowMedia(CHistoryListItemUI* row)
{
    if (IVXMMedia* media = row->TakeMedia()) {
        if (m_releaseHook) m_releaseHook(media);
        media->StopPreview();
        media->Release();
    }
}

void CHistoryListUI::Clear()
{
    for (int i = 0; i < GetCount(); ++i)
        if (CHistoryListItemUI* row = GetHistoryItem(i)) ReleaseRowMedia(row);
    RemoveAll();
}

void CHistoryListUI::RemoveRow(CHistoryListItemUI* row)
{
    if (!row || GetItemIndex(row) < 0) return;
    ReleaseRowMedia(row);
    Remove(row);
}

bool CHistoryListUI::AddHistoryItem(const VXM_HISTORY_RECORD& record, int kind, bool appleProfile)
{
    CRowBuilder callback(this);
    CControlUI* built = m_builderLoaded ? m_builder.Create(&callback) : m_builder.Create(kRowFile, {}, &callback);
    m_builderLoaded = true;
    auto* row = dynamic_cast<CHistoryListItemUI*>(built);
    if (!row) {
        delete built;
        LogError("CHistoryListUI", "The history row could not be built from %s", WideToUtf8(kRowFile).c_str());
        return false;
    }
    if (!Add(row)) {
        delete row;
        return false;
    }
    row->Fill(record, kind, appleProfile, m_recycleBin);
    return true;
}

void CHistoryListUI::LoadConverted(const std::wstring& profileName)
{
    Clear();
    m_recycleBin = false;
    // The catalogue name behind the history name, as the Apple list holds it.
    CMediaHandler* handler = CMediaHandler::GetInstance();
    IProfile* profile = CDBHelper::FindHistoryProfile(handler ? handler->GetProfileManager() : nullptr, profileName);
    const std::wstring name = profile ? profile->GetName() : profileName;
    const std::vector<std::wstring>& apple = GetAppleProfileNames();
    const bool appleProfile = std::find(apple.begin(), apple.end(), name) != apple.end();
    CDBHelper* db = Database();
    if (!db->GetConvertedRecords(profileName)) return;
    VXM_HISTORY_RECORD record;
    while (db->ReadConvertedRecord(record)) AddHistoryItem(record, 0, appleProfile);
}

void CHistoryListUI::LoadDownloaded(const std::wstring& siteName)
{
    Clear();
    m_recycleBin = false;
    CDBHelper* db = Database();
    if (!db->GetDownloadedRecords(siteName)) return;
    VXM_HISTORY_RECORD record;
    while (db->ReadDownloadedRecord(record)) AddHistoryItem(record, 1, false);
}

void CHistoryListUI::LoadRecycled()
{
    Clear();
    m_recycleBin = true;
    CDBHelper* db = Database();
    if (!db->GetRecycledRecords()) return;
    VXM_HISTORY_RECORD record;
    while (db->ReadRecycledRecord(record)) AddHistoryItem(record, record.kind, false);
}

// ---------------------------------------------------------------- menu

void CHistoryListUI::UpdateContextMenu(CMenu* menu) const
{
    if (!menu) return;
    const CHistoryListItemUI* row = GetSelectedHistoryItem();
    menu->Enable(32791, row != nullptr);
    menu->Enable(32792, GetCount() > 0);
    for (UINT id : {32793u, 32972u, 32794u, 32795u, 32796u, 32973u, 32950u, 32951u, 32801u, 32802u})
        menu->Enable(id, false);
    const IClipboard* clipboard = Desktop().clipboard;
    menu->Enable(32805, clipboard && clipboard->HasText());
    const bool source = row && row->IsSourceAvailable();
    menu->Enable(32806, source);
    menu->Enable(32798, source);
    menu->Enable(32799, row && row->IsOutputAvailable());
}

bool CHistoryListUI::OnMenuCommand(UINT id)
{
    for (UINT checkOrRename : {32793u, 32972u, 32794u, 32795u, 32796u})
        if (id == checkOrRename) return false;
    return CMediaListUI::OnMenuCommand(id);
}

void CHistoryListUI::RemoveSelected()
{
    if (CHistoryListItemUI* row = GetSelectedHistoryItem()) row->SendRecordNotify(L"historyitem_remove");
}

void CHistoryListUI::RemoveAllItems()
{
    // One request for the whole list: a refusing database is then reported once.
    if (CPaintManagerUI* manager = GetManager()) manager->SendNotify(this, L"historyitem_removeall");
}

void CHistoryListUI::CopyURLToClipboard()
{
    CHistoryListItemUI* row = GetSelectedHistoryItem();
    if (!row || !row->IsSourceAvailable()) return;
    if (IClipboard* clipboard = Desktop().clipboard) clipboard->SetText(row->GetSourcePath());
}

void CHistoryListUI::OpenSourceLocation()
{
    CHistoryListItemUI* row = GetSelectedHistoryItem();
    if (!row) return;
    if (row->GetRecordKind() != 1) {
        row->ShowFileInFolder(row->GetSourcePath());
        return;
    }
    if (!row->IsSourceAvailable()) {
        LogErrorW("CHistoryListUI", L"Not a web address, not opened: %ls", row->GetSourcePath().c_str());
        return;
    }
    if (IShell* shell = Desktop().shell) shell->Open(row->GetSourcePath());
}

void CHistoryListUI::OpenDestinationLocation()
{
    if (CHistoryListItemUI* row = GetSelectedHistoryItem()) row->ShowFileInFolder(row->GetOutputPath());
}
