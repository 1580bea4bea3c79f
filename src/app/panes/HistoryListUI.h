// The history list: the records of one media-manager node (the conversions
// of a profile, the downloads of a site, or the recycle bin), one row each
// with its file, stream texts, duration, date and thumbnail.
#pragma once
#include "DBHelper.h"
#include "MediaListItemUI.h"
#include "MediaListUI.h"

#include <functional>
#include <string>

class CHistoryListUI;
class CMenu;

class CHistoryListItemUI : public CMediaListItemUI {
public:
    CHistoryListItemUI(CPaintManagerUI* manager, CHistoryListUI* owner);

    void DoInit() override;
    void DoEvent(TEventUI& event) override;
    // Probes the output on first use; then the main window previews it.
    void OnDoubleClick() override;

    void Fill(const VXM_HISTORY_RECORD& record, int kind, bool appleProfile, bool inRecycleBin);
    std::int64_t GetRecordId() const { return m_recordId; }
    int GetRecordKind() const { return m_recordKind; }
    const std::wstring& GetOwnerName() const { return m_ownerName; }
    const std::wstring& GetSourcePath() const { return m_sourcePath; }
    const std::wstring& GetOutputPath() const { return m_outputPath; }
    bool IsAppleProfile() const { return m_appleProfile; }
    // The page address of a download, or a source file that exists.
    bool IsSourceAvailable() const;
    bool IsOutputAvailable() const;
    // Shows the file in the file manager; "File not found!" in the status bar when it is gone.
    void ShowFileInFolder(const std::wstring& path);
    // Sends "historyitem_remove" (or "historyitem_restore"): wParam the record id, lParam its kind.
    void SendRecordNotify(const wchar_t* type);

private:
    bool OnButtonEvent(void* param);
    void SendStatus(UINT textId, const std::wstring* arg = nullptr);

    std::int64_t m_recordId = -1;
    int m_recordKind = 0;
    bool m_appleProfile = false;
    std::wstring m_ownerName;  // the record's profile or site
    std::wstring m_outputPath;
    std::wstring m_sourcePath;
};

class CHistoryListUI : public CMediaListUI {
public:
    CHistoryListUI();
    ~CHistoryListUI() override;

    std::wstring GetClass() const override { return L"HistoryListUI"; }
    void* GetInterface(const std::wstring& name) override;
    // The history store; the shared instance unless one was set.
    void SetDatabase(CDBHelper* db) { m_db = db; }
    // Told before a row's media is released (a preview lets go of it).
    void SetReleaseHook(std::function<void(IVXMMedia*)> hook) { m_releaseHook = std::move(hook); }

    // Each empties the list, then adds a row per record read.
    void LoadConverted(const std::wstring& profileName);
    void LoadDownloaded(const std::wstring& siteName);
    void LoadRecycled();
    void Clear();
    bool IsRecycleBin() const { return m_recycleBin; }
    bool AddHistoryItem(const VXM_HISTORY_RECORD& record, int kind, bool appleProfile);
    // Takes the row out of the list (destroyed once the current dispatch ends).
    void RemoveRow(CHistoryListItemUI* row);
    CHistoryListItemUI* GetHistoryItem(int index) const;
    CHistoryListItemUI* GetSelectedHistoryItem() const { return GetHistoryItem(GetCurSel()); }

    // The row context menu while the history shows.
    void UpdateContextMenu(CMenu* menu) const;
    // The list's commands but checking and renaming, on history rows.
    bool OnMenuCommand(UINT id) override;
    void RemoveSelected() override;
    void RemoveAllItems() override;
    void CopyURLToClipboard() override;
    void OpenSourceLocation() override;
    void OpenDestinationLocation() override;

private:
    class CRowBuilder;
    CDBHelper* Database() const;
    void ReleaseRowMedia(CHistoryListItemUI* row);

    CDBHelper* m_db = nullptr;
    std::function<void(IVXMMedia*)> m_releaseHook;
    CDialogBuilder m_builder;
    bool m_builderLoaded = false;
    bool m_recycleBin = false;
};
