// The online address dialog: a list of addresses to download, edited in
// place, filled by typing, pasting (Ctrl+V) or dropping text. In its MP3 form
// the addresses are downloaded as sound only.
#pragma once
#include "ui/UILib.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

class CDropTarget;
class CEditUI;
class IDropSink;

class CURLDlgUI : public WindowImplBase {
public:
    explicit CURLDlgUI(bool mp3 = false);
    ~CURLDlgUI() override;

    void InitWindow() override;
    void Notify(TNotifyUI& msg) override;
    void OnClick(TNotifyUI& msg) override;
    LRESULT HandleCustomMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) override;
    LRESULT OnKeyDown(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) override;

    bool IsMp3() const { return m_mp3; }
    // Runs when the user starts the download, before the window closes.
    std::function<void()> OnStart;
    int GetURLCount() const;
    // The text of that row; empty when there is no such row.
    std::wstring GetURLAt(int index) const;

    // The add button pressed: a new empty row; released: the editor opens on it.
    void BeginNewRow();
    void OpenEditorOnNewRow();
    // The editor opens on the selected row with its text.
    void EditSelectedRow();
    // The editor closes: its address goes into the row, a new row without
    // one goes again.
    void CommitEdit();
    bool IsEditing() const;
    CEditUI* GetEditor() const { return m_edit; }
    // Dropped text: an address becomes a row (or the open editor's text).
    void OnAddURL(const std::wstring& text);
    // Ctrl+V: an address on the clipboard becomes a row.
    bool PasteFromClipboard();
    // The selected row's text changes places with the row above (-1) or below (1).
    void MoveSelected(int direction);
    void RemoveSelected();

private:
    CListLabelElementUI* AddRow(const std::wstring& text);
    void PlaceEditor(CControlUI* row);
    bool OnAddButtonEvent(void* param);

    bool m_mp3;
    CListUI* m_list = nullptr;
    CEditUI* m_edit = nullptr;
    CControlUI* m_addButton = nullptr;
    CListLabelElementUI* m_newRow = nullptr;  // the row being added
    CListLabelElementUI* m_editedRow = nullptr;
    std::unique_ptr<IDropSink> m_dropSink;
    std::unique_ptr<CDropTarget> m_dropTarget;
};

// Runs the dialog; the addresses, in order, when the user started the
// download, else none.
std::vector<std::wstring> RunURLDialog(HWND owner, bool mp3);
