#include "DlgSelectDVD.h"

#include "ui/UICombo.h"
#include "ui/UILanguage.h"
#include "ui/UIList.h"
#include "ui/desktop/Desktop.h"

std::wstring CDriveChoice::EntryText(const std::wstring& device, const std::wstring* label)
{
    std::wstring name = device;
    size_t slash = name.rfind(L'/');
    if (slash != std::wstring::npos) name = name.substr(slash + 1);
    std::wstring text = L"[" + name + L"]";
    if (label) text += L" " + *label;
    return text;
}

void CDriveChoice::Fill()
{
    m_entries.clear();
    m_device.clear();
    m_selected = -1;
    for (const COpticalDrive& drive : m_drives.List()) {
        if (!m_drives.ReadsDVD(drive.device)) continue;
        std::wstring label;
        bool read = m_drives.GetVolumeLabel(drive.device, label);
        // A drive without a readable label shows an empty one.
        if (!read) label.clear();
        m_entries.push_back(CEntry{drive.device, EntryText(drive.device, &label)});
    }
    m_hasDrives = !m_entries.empty();
    if (!m_hasDrives) {
        m_entries.push_back(CEntry{std::wstring(), CLanguageManager::GetInstance()->LoadStringW(118)});
        m_okEnabled = false;
        return;
    }
    Select(0);
}

void CDriveChoice::Select(int index)
{
    if (!m_hasDrives || index < 0 || index >= static_cast<int>(m_entries.size())) return;
    m_selected = index;
    m_device = m_entries[index].device;
    Validate();
}

bool CDriveChoice::Validate()
{
    std::wstring label;
    m_okEnabled = m_hasDrives && !m_device.empty() && m_drives.GetVolumeLabel(m_device, label);
    return m_okEnabled;
}

bool CDriveChoice::Load() { return m_hasDrives && !m_device.empty() && m_drives.Load(m_device); }
bool CDriveChoice::Eject() { return m_hasDrives && !m_device.empty() && m_drives.Eject(m_device); }

bool CDriveChoice::OnNotice(EDeviceNotice notice, const COpticalDrive& drive)
{
    bool changed = false;
    for (size_t i = 0; i < m_entries.size(); ++i) {
        if (m_entries[i].device.empty() || m_entries[i].device != drive.device) continue;
        if (notice == EDeviceNotice::Arrival) {
            std::wstring label;
            bool read = m_drives.GetVolumeLabel(drive.device, label);
            m_entries[i].text = EntryText(drive.device, read ? &label : nullptr);
            m_selected = static_cast<int>(i);
            m_device = drive.device;
        } else {
            m_entries[i].text = EntryText(drive.device, nullptr);
        }
        changed = true;
    }
    Validate();
    return changed;
}

CDlgSelectDVD::CDlgSelectDVD(IOpticalDrives& drives)
    : WindowImplBase(L"VXMSelectDVDDlg", L"dlg_select_dvd.xml"), m_drives(drives), m_choice(drives)
{
}

CDlgSelectDVD::~CDlgSelectDVD()
{
    if (m_token) m_drives.Unsubscribe(m_token);
}

void CDlgSelectDVD::InitWindow()
{
    CLanguageManager::GetInstance()->Translate(this);
    if (CControlUI* load = m_PaintManager.FindControl(L"IDC_BUTTON_LOAD"))
        load->SetToolTip(CLanguageManager::GetInstance()->LoadStringW(116));
    if (CControlUI* eject = m_PaintManager.FindControl(L"IDC_BUTTON_EJECT"))
        eject->SetToolTip(CLanguageManager::GetInstance()->LoadStringW(117));
    m_choice.Fill();
    Show();
    m_token = m_drives.Subscribe([this](EDeviceNotice notice, const COpticalDrive& drive) {
        m_choice.OnNotice(notice, drive);
        Show();
    });
}

void CDlgSelectDVD::Show()
{
    auto* combo = dynamic_cast<CComboUI*>(m_PaintManager.FindControl(L"IDC_COMBO_DRIVES"));
    if (combo) {
        combo->RemoveAll();
        for (const CDriveChoice::CEntry& entry : m_choice.GetEntries()) {
            auto* item = new CListLabelElementUI();
            item->SetText(entry.text);
            combo->Add(item);
        }
        if (m_choice.GetSelected() >= 0) combo->SelectItem(m_choice.GetSelected(), false, false);
        else if (!m_choice.HasDrives()) combo->SelectItem(0, false, false);
        combo->SetEnabled(m_choice.HasDrives());
    }
    if (CControlUI* ok = m_PaintManager.FindControl(L"IDOK")) ok->SetEnabled(m_choice.IsOkEnabled());
    for (const wchar_t* name : {L"IDC_BUTTON_LOAD", L"IDC_BUTTON_EJECT"})
        if (CControlUI* button = m_PaintManager.FindControl(name)) button->SetEnabled(m_choice.HasDrives());
}

void CDlgSelectDVD::Notify(TNotifyUI& msg)
{
    if (msg.sType == L"itemselect" && msg.pSender && msg.pSender->GetName() == L"IDC_COMBO_DRIVES") {
        m_choice.Select(static_cast<int>(msg.wParam));
        if (CControlUI* ok = m_PaintManager.FindControl(L"IDOK")) ok->SetEnabled(m_choice.IsOkEnabled());
        return;
    }
    WindowImplBase::Notify(msg);
}

void CDlgSelectDVD::OnClick(TNotifyUI& msg)
{
    if (!msg.pSender) return;
    const std::wstring& name = msg.pSender->GetName();
    if (name == L"IDOK") {
        if (m_choice.Validate()) Close(1);
        else Show();
    } else if (name == L"IDCANCEL" || name == L"IDC_BTN_CLOSE_WINDOW") {
        Close(2);
    } else if (name == L"IDC_BUTTON_LOAD" || name == L"IDC_BUTTON_EJECT") {
        m_PaintManager.SetCursor(IDC_WAIT);
        if (name == L"IDC_BUTTON_LOAD") m_choice.Load();
        else m_choice.Eject();
        m_PaintManager.SetCursor(IDC_ARROW);
        m_choice.Validate();
        Show();
    }
}

void CDlgSelectDVD::OnFinalMessage(HWND hwnd)
{
    // No notice reaches a window that is gone.
    if (m_token) m_drives.Unsubscribe(m_token);
    m_token = 0;
    WindowImplBase::OnFinalMessage(hwnd);
}

std::wstring RunSelectDVDDialog(HWND owner)
{
    IOpticalDrives* drives = Desktop().drives;
    if (!drives) return std::wstring();
    CDlgSelectDVD dialog(*drives);
    if (!dialog.Create(owner, L"VXMSelectDVDDlg", WS_POPUP | WS_VISIBLE, 0)) return std::wstring();
    dialog.CenterWindow();
    UINT code = dialog.ShowModal();
    return code == 1 ? dialog.GetChoice().GetDevice() : std::wstring();
}
