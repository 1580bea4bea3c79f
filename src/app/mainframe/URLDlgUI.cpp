#include "URLDlgUI.h"

#include "MainFrameMessages.h"
#include "VXMGlobal.h"
#include "WindowDropSink.h"
#include "ui/UIEdit.h"
#include "ui/UILanguage.h"
#include "ui/UIList.h"
#include "ui/UIScrollBar.h"
#include "ui/desktop/Desktop.h"

#include <cwctype>

CURLDlgUI::CURLDlgUI(bool mp3)
    : WindowImplBase(L"VXMURLDlg", mp3 ? L"dlg_import_mp3.xml" : L"dlg_import_urls.xml"), m_mp3(mp3)
{
}

CURLDlgUI::~CURLDlgUI()
{
    m_dropTarget.reset();
    m_dropSink.reset();
}

void CURLDlgUI::InitWindow()
{
    CLanguageManager::GetInstance()->Translate(this);
    m_list = dynamic_cast<CListUI*>(m_PaintManager.FindControl(L"IDC_LIST_URLS"));
    m_edit = dynamic_cast<CEditUI*>(m_PaintManager.FindControl(L"IDC_EDIT_NEW_URL"));
    m_addButton = m_PaintManager.FindControl(L"IDC_BTN_NEW_URL");
    if (m_edit) m_edit->SetVisible(false);
    m_dropSink = std::make_unique<CWindowDropSink>(GetHWND(), false);
    if (GetWidget()) m_dropTarget = std::make_unique<CDropTarget>(GetWidget(), m_dropSink.get());
    if (m_addButton) m_addButton->OnEvent += MakeDelegate(this, &CURLDlgUI::OnAddButtonEvent);
}

bool CURLDlgUI::OnAddButtonEvent(void* param)
{
    auto* event = static_cast<TEventUI*>(param);
    if (event->Type == UIEVENT_BUTTONDOWN) BeginNewRow();
    else if (event->Type == UIEVENT_BUTTONUP) OpenEditorOnNewRow();
    return true;
}

int CURLDlgUI::GetURLCount() const { return m_list ? m_list->GetCount() : 0; }

std::wstring CURLDlgUI::GetURLAt(int index) const
{
    CControlUI* row = m_list ? m_list->GetItemAt(index) : nullptr;
    return row ? row->GetText() : std::wstring();
}

bool CURLDlgUI::IsEditing() const { return m_edit && m_edit->IsVisible(); }

CListLabelElementUI* CURLDlgUI::AddRow(const std::wstring& text)
{
    if (!m_list) return nullptr;
    auto* row = new CListLabelElementUI();
    row->SetText(text);
    // A long address ends in an ellipsis; the editor shows it whole.
    row->SetAttribute(L"endellipsis", L"true");
    row->SetAttribute(L"textpadding", L"4,0,4,0");
    if (!m_list->Add(row)) {
        delete row;
        return nullptr;
    }
    return row;
}

void CURLDlgUI::BeginNewRow()
{
    if (IsEditing()) CommitEdit();
    m_newRow = AddRow(std::wstring());
    m_editedRow = nullptr;
    if (m_edit) m_edit->SetText(std::wstring());
}

void CURLDlgUI::OpenEditorOnNewRow()
{
    if (!m_newRow || !m_list) return;
    m_list->EnsureVisible(m_list->GetCount() - 1);
    PlaceEditor(m_newRow);
}

void CURLDlgUI::EditSelectedRow()
{
    if (!m_list || m_list->GetCurSel() < 0) return;
    if (IsEditing()) CommitEdit();
    auto* row = dynamic_cast<CListLabelElementUI*>(m_list->GetItemAt(m_list->GetCurSel()));
    if (!row || !m_edit) return;
    m_newRow = nullptr;
    m_editedRow = row;
    m_edit->SetText(row->GetText());
    PlaceEditor(row);
}

void CURLDlgUI::PlaceEditor(CControlUI* row)
{
    if (!m_edit || !row) return;
    // The rows' places are known once the list laid them out.
    m_list->SetPos(m_list->GetPos(), false);
    RECT rc = row->GetPos();
    if (CScrollBarUI* bar = m_list->GetVerticalScrollBar(); bar && bar->IsVisible()) rc.right -= bar->GetWidth();
    CControlUI* parent = m_edit->GetParent();
    const RECT origin = parent ? parent->GetPos() : RECT{};
    const double zoom = CPaintManagerUI::GetZoom() > 0 ? CPaintManagerUI::GetZoom() : 1.0;
    auto unscaled = [zoom](long v) { return static_cast<int>(v / zoom + 0.5); };
    m_edit->SetAttribute(L"pos", std::to_wstring(unscaled(rc.left - origin.left)) + L"," +
                                     std::to_wstring(unscaled(rc.top - origin.top)) + L"," +
                                     std::to_wstring(unscaled(rc.right - origin.left)) + L"," +
                                     std::to_wstring(unscaled(rc.bottom - origin.top)));
    m_edit->SetVisible(true);
    m_edit->SetPos(rc);
    m_edit->SetFocus();
}

void CURLDlgUI::CommitEdit()
{
    if (!IsEditing()) return;
    const std::wstring text = TrimSpace(m_edit->GetText());
    m_edit->SetVisible(false);
    if (m_newRow) {
        CListLabelElementUI* row = m_newRow;
        m_newRow = nullptr;
        if (!text.empty() && IsURL(text)) {
            row->SetText(text);
            if (m_list) m_list->SelectItem(m_list->GetItemIndex(row));
        } else if (m_list) {
            m_list->Remove(row);
        }
    } else if (m_editedRow) {
        // An edit that is no address keeps the row as it was.
        if (IsURL(text)) m_editedRow->SetText(text);
        m_editedRow = nullptr;
    }
}

void CURLDlgUI::OnAddURL(const std::wstring& dropped)
{
    const std::wstring text = TrimSpace(dropped);
    if (!IsURL(text)) return;
    if (IsEditing()) {
        m_edit->SetText(text);
        CommitEdit();
    } else {
        AddRow(text);
    }
}

bool CURLDlgUI::PasteFromClipboard()
{
    IClipboard* clipboard = Desktop().clipboard;
    if (!clipboard || !clipboard->HasText()) return false;
    const std::wstring text = TrimSpace(clipboard->GetText());
    if (IsURL(text)) AddRow(text);
    return true;
}

void CURLDlgUI::MoveSelected(int direction)
{
    if (!m_list) return;
    const int selected = m_list->GetCurSel();
    const int other = selected + direction;
    if (selected < 0 || other < 0 || other >= m_list->GetCount()) return;
    CControlUI* a = m_list->GetItemAt(selected);
    CControlUI* b = m_list->GetItemAt(other);
    const std::wstring text = a->GetText();
    a->SetText(b->GetText());
    b->SetText(text);
    m_list->SelectItem(other);
}

void CURLDlgUI::RemoveSelected()
{
    if (!m_list || m_list->GetCurSel() < 0) return;
    CControlUI* row = m_list->GetItemAt(m_list->GetCurSel());
    if (row == m_newRow || row == m_editedRow) {
        m_newRow = m_editedRow = nullptr;
        if (m_edit) m_edit->SetVisible(false);
    }
    m_list->Remove(row);
}

void CURLDlgUI::Notify(TNotifyUI& msg)
{
    if (msg.sType == L"killfocus" && msg.pSender == m_edit) {
        CommitEdit();
        return;
    }
    if (msg.sType == DUI_MSGTYPE_ITEMDBCLICK && m_list && msg.pSender && msg.pSender->GetParent() &&
        m_list->GetItemIndex(msg.pSender) >= 0) {
        EditSelectedRow();
        return;
    }
    WindowImplBase::Notify(msg);
}

void CURLDlgUI::OnClick(TNotifyUI& msg)
{
    if (!msg.pSender) return;
    const std::wstring& name = msg.pSender->GetName();
    if (name == L"ID_BUTTON_START_DOWNLOAD") {
        CommitEdit();
        if (OnStart) OnStart();
        Close(0);
    } else if (name == L"ID_BUTTON_CANCEL" || name == L"IDC_BUTTON_CLOSE_WINDOW") {
        Close(1);
    } else if (name == L"IDC_BTN_REMOVE_URL") {
        RemoveSelected();
    } else if (name == L"IDC_BTN_UP_URL") {
        MoveSelected(-1);
    } else if (name == L"IDC_BTN_DOWN_URL") {
        MoveSelected(1);
    } else if (const std::wstring page = msg.pSender->GetUserData(); !page.empty()) {
        // A site button carries the address of the page it opens.
        if (IShell* shell = Desktop().shell) shell->Open(page);
    }
}

LRESULT CURLDlgUI::HandleCustomMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled)
{
    if (uMsg == WM_VXM_TEXT_DROPPED) {
        std::unique_ptr<wchar_t[]> text(reinterpret_cast<wchar_t*>(lParam));  // ours now
        if (text) OnAddURL(text.get());
        bHandled = TRUE;
        return 0;
    }
    return WindowImplBase::HandleCustomMessage(uMsg, wParam, lParam, bHandled);
}

LRESULT CURLDlgUI::OnKeyDown(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled)
{
    if (wParam == 'V' && GetKeyState(VK_CONTROL) < 0) {
        PasteFromClipboard();
        bHandled = TRUE;
        return 0;
    }
    return WindowImplBase::OnKeyDown(uMsg, wParam, lParam, bHandled);
}

std::vector<std::wstring> RunURLDialog(HWND owner, bool mp3)
{
    CURLDlgUI dialog(mp3);
    std::vector<std::wstring> addresses;
    bool started = false;
    // The rows are read before the window goes.
    dialog.OnStart = [&] {
        started = true;
        for (int i = 0; i < dialog.GetURLCount(); ++i)
            if (std::wstring url = dialog.GetURLAt(i); !url.empty()) addresses.push_back(url);
    };
    if (!dialog.Create(owner, L"VXMURLDlg", WS_POPUP | WS_VISIBLE, 0)) return {};
    dialog.CenterWindow();
    dialog.ShowModal();
    return started ? addresses : std::vector<std::wstring>();
}
