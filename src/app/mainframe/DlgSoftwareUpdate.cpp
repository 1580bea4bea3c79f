#include "DlgSoftwareUpdate.h"

#include "IniFile.h"
#include "Log.h"
#include "ModuleUpdate.h"
#include "SimpleHtmlCtrl.h"
#include "VXMGlobal.h"
#include "VXMSettings.h"
#include "platform/messages.h"
#include "platform/text.h"
#include "ui/UILanguage.h"
#include "ui/desktop/Desktop.h"

#include <algorithm>
#include <cwchar>

namespace {

constexpr UINT kTextChecking = 160;
constexpr UINT kTextAvailable = 161;
constexpr UINT kTextOffer = 162;
constexpr UINT kTextUpToDate = 163;
constexpr UINT kTextNewest = 164;
constexpr UINT kTextClose = 165;
constexpr UINT kTextFailed = 166;
constexpr int kCheckingHeight = 120;
constexpr size_t kNotesLength = 1024;  // with the terminator

// Fetches the version file and posts what it says to `target`. Runs on its
// own thread with copies of everything it needs.
void CheckVersion(HWND target, CProgramVersion running, CHttpGetOptions options, CEvent& stop)
{
    LogInfo("CheckVersionThread", "Checking upgrade version...");
    const std::wstring path = JoinPath(GetAppDataFolder(), L"version.ini");
    LogInfoW("CheckVersionThread", L"Downloading INI file %s...", path.c_str());
    if (!CCheckUpdateDlg::GetFile(nullptr, &stop, GetUpdateServer() + L"/version.ini", path, options)) {
        PostMessage(target, WM_VXM_UPDATE_DIALOG_FAILED, 0, 0);
        LogInfo("CheckVersionThread", "Check new version failed.");
        return;
    }
    CProgramVersion offer;
    offer.major = ReadIniInt(path, L"General", L"major_version", 0);
    offer.minor = ReadIniInt(path, L"General", L"minor_version", 0);
    offer.build = ReadIniInt(path, L"General", L"build", 0);
    const std::wstring notes = ReadIniValue(path, L"General", L"whatsnew").value_or(std::wstring());
    const WPARAM word = MakeVersionWord(offer);
    if (!IsNewerVersion(offer, running)) {
        PostMessage(target, WM_VXM_UPDATE_DIALOG_NONE, word, 0);
        LogInfo("CheckVersionThread", "No new version available: %d.%d.%d", offer.major, offer.minor, offer.build);
        return;
    }
    std::unique_ptr<wchar_t[]> text;
    if (!notes.empty()) {
        text = std::make_unique<wchar_t[]>(kNotesLength);
        const size_t length = std::min(notes.size(), kNotesLength - 1);
        std::wmemcpy(text.get(), notes.c_str(), length);
        text[length] = L'\0';
    }
    // A post that fails (the dialog has gone) leaves the notes to be freed here.
    if (PostMessageOwned(target, WM_VXM_UPDATE_DIALOG_AVAILABLE, word, text.get(), [](void* p) { delete[] static_cast<wchar_t*>(p); }))
        text.release();
    LogInfoW("CheckVersionThread", L"New version available: %d.%d.%d", offer.major, offer.minor, offer.build);
}

}  // namespace

WPARAM MakeVersionWord(const CProgramVersion& v)
{
    return static_cast<WPARAM>((static_cast<unsigned>(v.major) & 0xFF) | ((static_cast<unsigned>(v.minor) & 0xFF) << 8) |
                               ((static_cast<unsigned>(v.build) & 0xFFFF) << 16));
}

CProgramVersion VersionOfWord(WPARAM word)
{
    CProgramVersion v;
    v.major = static_cast<int>(word & 0xFF);
    v.minor = static_cast<int>((word >> 8) & 0xFF);
    v.build = static_cast<int>((word & 0xFFFFFFFF) >> 16);
    return v;
}

bool IsNewerVersion(const CProgramVersion& offerAsRead, const CProgramVersion& runningAsRead)
{
    // Compared as the version word carries them (8, 8 and 16 bits), so that
    // what is called newer is what the dialog then shows.
    const CProgramVersion offer = VersionOfWord(MakeVersionWord(offerAsRead));
    const CProgramVersion running = VersionOfWord(MakeVersionWord(runningAsRead));
    if (offer.major != running.major) return offer.major > running.major;
    if (offer.minor != running.minor) return offer.minor > running.minor;
    return offer.build > running.build;
}

CProgramVersion RunningProgramVersion()
{
    CProgramVersion v;
    GetFileVersion(v.major, v.minor, v.build);
    return v;
}

CDlgSoftwareUpdate::CDlgSoftwareUpdate(const CProgramVersion& running, const CProgramVersion& offered)
    : WindowImplBase(L"VXMSoftwareUpdateDlg", L"dlg_software_update.xml"), m_running(running), m_offered(offered)
{
}

CDlgSoftwareUpdate::~CDlgSoftwareUpdate() { m_checker.reset(); }

CControlUI* CDlgSoftwareUpdate::CreateControl(const std::wstring& className)
{
    if (className == L"SimpleHtml") return new CSimpleHtmlCtrl();
    return nullptr;
}

void CDlgSoftwareUpdate::SetCheckFirst(bool checkFirst, const CHttpGetOptions& options)
{
    m_checkFirst = checkFirst;
    m_options = options;
}

bool CDlgSoftwareUpdate::IsOpenableLink(const std::wstring& address)
{
    const std::wstring lower = ToLowerW(address);
    for (const wchar_t* scheme : {L"http://", L"https://", L"mailto:"})
        if (lower.rfind(scheme, 0) == 0 && lower.size() > std::wcslen(scheme)) return true;
    return false;
}

void CDlgSoftwareUpdate::SetLabel(const wchar_t* name, const std::wstring& text, bool show)
{
    if (CControlUI* label = m_PaintManager.FindControl(name)) {
        label->SetText(text);
        label->SetVisible(show);
    }
}

void CDlgSoftwareUpdate::InitWindow()
{
    CLanguageManager::GetInstance()->Translate(this);
    m_notesCtrl = dynamic_cast<CSimpleHtmlCtrl*>(m_PaintManager.FindControl(L"IDC_RICHEDIT_NOTES"));
    if (m_notesCtrl) {
        m_notesCtrl->InitControl();
        m_notesCtrl->OnLinkClicked = [](const std::wstring& address) {
            if (!IsOpenableLink(address)) {
                LogInfoW("CDlgSoftwareUpdate", L"A release-note link was not opened: %s", address.c_str());
                return;
            }
            if (IShell* shell = Desktop().shell) shell->Open(address);
        };
    }
    if (!m_checkFirst) {
        ShowOffer();
        return;
    }
    ShowChecking();
    HWND self = GetHWND();
    const CProgramVersion running = m_running;
    const CHttpGetOptions options = m_options;
    m_checker = std::make_unique<CMessageThread>();
    m_checker->Start([self, running, options](CMessageThread& thread) { CheckVersion(self, running, options, thread.StopEvent()); },
                     [self](const std::string& what) {
                         LogError("CheckVersionThread", "Check new version failed: %s", what.c_str());
                         ::PostMessage(self, WM_VXM_UPDATE_DIALOG_FAILED, 0, 0);
                     });
}

void CDlgSoftwareUpdate::ShowChecking()
{
    CLanguageManager* lang = CLanguageManager::GetInstance();
    if (m_notesCtrl) m_notesCtrl->SetVisible(false);
    if (CControlUI* notes = m_PaintManager.FindControl(L"IDC_LABEL_NOTES")) notes->SetVisible(false);
    SetLabel(L"IDC_LABEL_DETAIL", std::wstring(), false);
    SetLabel(L"IDC_LABEL_HEADLINE", lang->FormatString(kTextChecking, VXM_PRODUCT_NAME));
    for (const wchar_t* name : {L"IDC_BTN_INSTALL_UPDATE", L"IDC_BTN_SKIP_VERSION", L"IDC_BTN_REMIND_LATER"})
        if (CControlUI* c = m_PaintManager.FindControl(name)) c->SetVisible(false);
    const SIZE size = m_PaintManager.GetClientSize();
    if (m_fullHeight == 0) m_fullHeight = size.cy;
    ResizeClient(size.cx, kCheckingHeight);
}

void CDlgSoftwareUpdate::ShowOffer()
{
    CLanguageManager* lang = CLanguageManager::GetInstance();
    if (m_notesCtrl) m_notesCtrl->SetVisible(true);
    if (CControlUI* notes = m_PaintManager.FindControl(L"IDC_LABEL_NOTES")) notes->SetVisible(true);
    for (const wchar_t* name : {L"IDC_BTN_INSTALL_UPDATE", L"IDC_BTN_SKIP_VERSION", L"IDC_BTN_REMIND_LATER"})
        if (CControlUI* c = m_PaintManager.FindControl(name)) c->SetVisible(true);
    if (CControlUI* cancel = m_PaintManager.FindControl(L"IDCANCEL")) cancel->SetVisible(false);
    SetLabel(L"IDC_LABEL_HEADLINE", lang->FormatString(kTextAvailable, VXM_PRODUCT_NAME));
    SetLabel(L"IDC_LABEL_DETAIL", lang->FormatString(kTextOffer, VXM_PRODUCT_NAME, m_offered.major, m_offered.minor,
                                                     m_offered.build, m_running.major, m_running.minor, m_running.build));
    if (m_notesCtrl) m_notesCtrl->SetHtml(m_notes);
}

void CDlgSoftwareUpdate::OnClick(TNotifyUI& msg)
{
    if (!msg.pSender) return;
    const std::wstring& name = msg.pSender->GetName();
    if (name == L"IDC_BTN_INSTALL_UPDATE") {
        if (IShell* shell = Desktop().shell) shell->Open(GetInstallerDownloadURL());
        Close(1);
    } else if (name == L"IDC_BTN_SKIP_VERSION") {
        CVXMSettings* settings = CVXMSettings::GetInstance();
        settings->UpdateSkipVersion = FormatW(L"%d.%d.%d", m_offered.major, m_offered.minor, m_offered.build);
        settings->Save();
        Close(2);
    } else if (name == L"IDCANCEL" || name == L"IDC_BTN_REMIND_LATER" || name == L"IDC_BUTTON_CLOSE_WINDOW") {
        Close(2);
    }
}

LRESULT CDlgSoftwareUpdate::HandleCustomMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled)
{
    CLanguageManager* lang = CLanguageManager::GetInstance();
    switch (uMsg) {
    case WM_VXM_UPDATE_DIALOG_AVAILABLE: {
        std::unique_ptr<wchar_t[]> notes(reinterpret_cast<wchar_t*>(lParam));  // ours now
        if (notes) m_notes = notes.get();
        m_offered = VersionOfWord(wParam);
        ShowOffer();
        if (m_fullHeight > 0) ResizeClient(m_PaintManager.GetClientSize().cx, m_fullHeight);
        break;
    }
    case WM_VXM_UPDATE_DIALOG_NONE:
        SetLabel(L"IDC_LABEL_HEADLINE", lang->LoadStringW(kTextUpToDate));
        SetLabel(L"IDC_LABEL_DETAIL", lang->FormatString(kTextNewest, VXM_PRODUCT_NAME));
        SetLabel(L"IDCANCEL", lang->LoadStringW(kTextClose));
        break;
    case WM_VXM_UPDATE_DIALOG_FAILED:
        // The failure is the headline: no "please wait" is left above it.
        SetLabel(L"IDC_LABEL_HEADLINE", lang->FormatString(kTextFailed, VXM_PRODUCT_NAME));
        SetLabel(L"IDC_LABEL_DETAIL", std::wstring(), false);
        SetLabel(L"IDCANCEL", lang->LoadStringW(kTextClose));
        break;
    default:
        return WindowImplBase::HandleCustomMessage(uMsg, wParam, lParam, bHandled);
    }
    bHandled = TRUE;
    return 0;
}

UINT RunSoftwareUpdateDialog(HWND owner, const CProgramVersion& offered, const std::wstring& notes)
{
    CDlgSoftwareUpdate dialog(RunningProgramVersion(), offered);
    dialog.SetNotes(notes);
    if (!dialog.Create(owner, L"VXMSoftwareUpdateDlg", WS_POPUP | WS_VISIBLE, 0)) return 2;
    dialog.CenterWindow();
    return dialog.ShowModal() == 1 ? 1 : 2;
}

UINT RunUpdateCheckDialog(HWND owner, const CHttpGetOptions& options)
{
    CDlgSoftwareUpdate dialog(RunningProgramVersion(), CProgramVersion());
    dialog.SetCheckFirst(true, options);
    if (!dialog.Create(owner, L"VXMSoftwareUpdateDlg", WS_POPUP | WS_VISIBLE, 0)) return 2;
    dialog.CenterWindow();
    return dialog.ShowModal() == 1 ? 1 : 2;
}
