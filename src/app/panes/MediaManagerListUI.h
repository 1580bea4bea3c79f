// The media manager: a two-level tree of what the history holds (Conversion,
// Downloaded with its sites, Converted with its profiles, the Recycle bin),
// each node with its count of records. Choosing a node loads the history
// list; removing or restoring a history row goes through here, and a row
// leaves the list only when the database took the change.
#pragma once
#include "ui/UILib.h"

#include <string>

class CDBHelper;
class CHistoryListUI;
class CHistoryListItemUI;
class CMenu;

// Node kinds; 3 (recorded) is never built.
enum EMediaManNode {
    MEDIAMAN_CONVERSION = 0,
    MEDIAMAN_DOWNLOADED = 1,
    MEDIAMAN_CONVERTED = 2,
    MEDIAMAN_RECORDED = 3,
    MEDIAMAN_SITE = 4,
    MEDIAMAN_PROFILE = 5,
    MEDIAMAN_RECYCLE_BIN = 6,
};

class CMediaManagerElementUI : public CListContainerElementUI {
public:
    explicit CMediaManagerElementUI(CPaintManagerUI* manager) : m_manager(manager) {}
    void DoEvent(TEventUI& event) override;

    int GetKind() const { return m_kind; }
    void SetKind(int kind) { m_kind = kind; }
    CMediaManagerElementUI* GetParentNode() const { return m_parent; }
    void SetParentNode(CMediaManagerElementUI* parent) { m_parent = parent; }
    bool IsTopNode() const { return m_parent == nullptr; }
    bool IsExpanded() const { return m_expanded; }
    void SetExpanded(bool expanded);
    // A negative count is ignored: the shown count never goes below 0.
    void SetCount(int count);
    int GetRecordCount() const { return m_count; }
    void SetNodeText(const std::wstring& text);
    std::wstring GetNodeText() const;
    void ShowExpandButton(bool show);

private:
    CControlUI* Sub(const wchar_t* name) const;

    CPaintManagerUI* m_manager = nullptr;
    CMediaManagerElementUI* m_parent = nullptr;
    int m_kind = MEDIAMAN_PROFILE;
    int m_count = 0;
    bool m_expanded = true;
};

class CMediaManagerListUI : public CListUI, public INotifyUI, public IDialogBuilderCallback {
public:
    CMediaManagerListUI();
    ~CMediaManagerListUI() override;

    std::wstring GetClass() const override { return L"MediaManagerListUI"; }
    void* GetInterface(const std::wstring& name) override;
    void DoInit() override;
    void Notify(TNotifyUI& msg) override;
    CControlUI* CreateControl(const std::wstring& name) override;

    // The history list this tree loads and whose rows it removes.
    void SetHistoryList(CHistoryListUI* list) { m_historyList = list; }
    // The history store; the shared instance unless one was set.
    void SetDatabase(CDBHelper* db) { m_db = db; }
    CDBHelper* Database() const;

    void BuildTree();
    // A conversion or a download finished: its node counts one more (made when missing).
    void AddConvertedEntry(const std::wstring& profileName, const std::wstring& targetDevice,
                           const std::wstring& description);
    void AddDownloadedEntry(const std::wstring& siteName);
    bool SelectItem(int index, bool takeFocus = false) override;
    void ExpandItem(int index, bool expand);
    // Loads the history list for the node at `index`; false for a node that lists nothing.
    bool LoadHistory(int index);

    // A history row asks to leave (to the recycle bin, or for good from it) or
    // to come back from the recycle bin; false when the database refused.
    bool DeleteRecord(CHistoryListItemUI* row);
    // Every row of the history list leaves as DeleteRecord does; one message
    // when the database refused any. False when any was refused.
    bool DeleteAllRecords();
    bool RestoreRecord(CHistoryListItemUI* row);

    void UpdateContextMenu(CMenu* menu) const;
    bool OnMenuCommand(UINT id);
    // The folder a node stands for; empty for none.
    std::wstring FolderOfNode(int index) const;
    void OpenFolder();

    CMediaManagerElementUI* GetNode(int index) const;
    CMediaManagerElementUI* GetSelectedNode() const { return GetNode(GetCurSel()); }
    CMediaManagerElementUI* FindChild(int kind, const std::wstring& name) const;
    CMediaManagerElementUI* GetTopNode(int kind) const;

private:
    CMediaManagerElementUI* NewNode();
    CMediaManagerElementUI* AddTopNode(int kind, UINT textId);
    CMediaManagerElementUI* AddChild(CMediaManagerElementUI* parent, int kind, const std::wstring& text,
                                     const std::wstring& tooltip, const std::wstring& name, int count,
                                     bool afterLastChild);
    void AddEntry(int kind, const std::wstring& name, const std::wstring& text, const std::wstring& tooltip);
    void PaintSelection(CMediaManagerElementUI* node, bool selected);
    void ShowUpdateFailed();
    bool DeleteRecord(CHistoryListItemUI* row, bool report);

    CDBHelper* m_db = nullptr;
    CHistoryListUI* m_historyList = nullptr;
    CDialogBuilder m_builder;
    bool m_builderLoaded = false;
    CMediaManagerElementUI* m_selectedNode = nullptr;  // painted as selected
};
