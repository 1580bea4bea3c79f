#include "VXMMainFrameWnd.h"

#include "MainFrameCommands.h"
#include "AppStartup.h"
#include "DBHelper.h"
#include "Log.h"
#include "MainFrameFactory.h"
#include "MainPaneMaker.h"
#include "ModuleUpdate.h"
#include "MediaHandler.h"
#include "MediaManagerListUI.h"
#include "SkinFolders.h"
#include "VXMMediaExports.h"
#include "VXMSettings.h"
#include "VXMStats.h"
#include "VXMVersion.h"
#include "WindowPlacementText.h"
#include "ui/UICustomControls.h"
#include "ui/UILanguage.h"
#include "ui/UIMenu.h"
#include "ui/UIMessagePump.h"
#include "ui/desktop/DeviceNotices.h"
#include "ui/desktop/DropTarget.h"
#include "platform/folders.h"
#include "platform/paths.h"
#include "platform/text.h"
#include "ui/desktop/Desktop.h"

#include <QApplication>
#include <QIcon>
#include <QPixmap>
#include <QPoint>
#include <QWidget>

#include <algorithm>
#include <chrono>
#include <cwchar>
#include <filesystem>
#include <thread>

namespace {

const wchar_t* const kCaption = L"Vexmora Professional";

// Looked up in InitWindow and on page changes; the skin must hold each.
const wchar_t* const kControlNames[] = {
    L"ID_OVERLAPBUTTON_CONVERT", L"ID_BTN_CLOSE_WINDOW", L"ID_BTN_MAXIMIZE_WINDOW", L"ID_BTN_RESTORE_WINDOW",
    L"ID_BTN_MINIMIZE_WINDOW",   L"ID_BTN_SHOW_LEFT",    L"ID_BTN_HIDE_LEFT",       L"ID_BTN_SHOW_RIGHT",
    L"ID_BTN_HIDE_RIGHT",        L"ID_LAYOUT_MAIN",      L"ID_LAYOUT_PLAYER",       L"ID_LAYOUT_RECORDER",
    L"ID_LAYOUT_BURNER",         L"ID_LAYOUT_FOOTER",    L"ID_PANE_VIDEO_PLAYER",   L"ID_PANE_VIDEO_MAIN",
    L"ID_PANE_VIDEO_BURNER",     L"ID_LABEL_STATUS_BOTTOM", L"ID_LABEL_BURNER_STATUS_BOTTOM",
    L"ID_LAYOUT_FIRSTAID",       L"ID_CON_FIRSTAID_ADDFILES", L"ID_CON_FIRSTAID_CONVERT",
    L"ID_CON_FIRSTAID_UNFOLD_LEFT", L"ID_LAYOUT_MEDIA_MAN",
};

constexpr int kSkinWidth = 1024;
constexpr int kSkinHeight = 655;

}  // namespace

const wchar_t* const* CVXMMainFrameWnd::RequiredControlNames(int& count)
{
    count = static_cast<int>(std::size(kControlNames));
    return kControlNames;
}

CVXMMainFrameWnd::CVXMMainFrameWnd(std::wstring commandLineFile)
    : WindowImplBase(L"VXMProMainFrame", L"main.xml"), m_commandLineFile(std::move(commandLineFile))
{
}

CVXMMainFrameWnd::~CVXMMainFrameWnd()
{
    m_moduleCheck.reset();
    StopDropsAndClipboard();
    for (auto& slot : m_slots) {
        delete[] static_cast<char*>(slot);
        slot = nullptr;
    }
}

CControlUI* CVXMMainFrameWnd::CreateControl(const std::wstring& className)
{
    if (className == L"OverlapButton") return new COverlapButton();
    if (className == L"CircularProgress") return new CCircularProgressUI();
    if (className == L"TextProgress") return new CTextProgressUI();
    if (className == L"MediaManagerList") return new CMediaManagerListUI();
    if (className == L"MainPane" || className == L"BurnerPane" || className == L"PlayerPane")
        return MakeMainFramePane(className, &m_PaintManager, this);
    return nullptr;
}

LRESULT CVXMMainFrameWnd::MessageHandler(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& handled)
{
    if (uMsg == WM_KEYDOWN) {
        // Tab never moves the focus from one pane to the other.
        if (wParam == VK_TAB && m_mainPane && m_burnPane) {
            handled = true;
            return 0;
        }
        // Escape leaves the player's full screen wherever the focus is.
        if (wParam == VK_ESCAPE && m_fullScreen && m_playerPane) {
            m_playerPane->ToggleFullScreen();
            handled = true;
            return 0;
        }
        if (wParam == VK_RETURN || wParam == VK_ESCAPE) return ResponseDefaultKeyEvent(wParam);
        // Ctrl+V pastes into the active pane; handled only when something was taken.
        if (wParam == 'V' && GetKeyState(VK_CONTROL) < 0) {
            if (IMainPane* pane = GetActivePane(); pane && Paste(pane)) {
                handled = true;
                return 0;
            }
        }
    }
    return 0;
}

CControlUI* CVXMMainFrameWnd::Find(const wchar_t* name) const
{
    return const_cast<CPaintManagerUI&>(m_PaintManager).FindControl(name);
}

void CVXMMainFrameWnd::ShowControl(const wchar_t* name, bool show) const
{
    if (CControlUI* control = Find(name)) control->SetVisible(show);
}

bool CVXMMainFrameWnd::IsShown(const wchar_t* name) const
{
    CControlUI* control = Find(name);
    return control && control->IsVisible();
}

void CVXMMainFrameWnd::InitWindow()
{
    m_settings = CVXMSettings::GetInstance();
    ApplySkinImageFolders(m_PaintManager, m_settings->SkinDir);
    // The program's mark on this window and every window it opens, drawn
    // at every size the desktop asks for.
    if (const QIcon mark(QString::fromStdWString(GetSkinImageFolder(kDefaultSkin) + L"/about/logo.svg"));
        !mark.pixmap(64, 64).isNull())
        QApplication::setWindowIcon(mark);
    m_mediaHandler = CMediaHandler::GetInstance();
    if (!m_mediaHandler->Init(GetHWND())) {
        std::wstring text = CLanguageManager::GetInstance()->LoadStringW(105);
        LogInfoW("?InitWindow@CVXMMainFrameWnd@@UAEXXZ", L"%ls", text.c_str());
        if (auto* box = Desktop().messageBox) box->Show(GetHWND(), text, kCaption, MB_OK | MB_ICONERROR);
    }
    CDBHelper* db = CDBHelper::GetInstance();
    if (db->Init() && m_mediaHandler->GetProfileManager()) {
        db->AddGroups(m_mediaHandler->GetProfileManager());
        db->AddProfiles(m_mediaHandler->GetProfileManager());
    }

    // The program's version: title text, statistics and the stored version.
    {
        wchar_t text[160];
        std::swprintf(text, 160, L"%ls %d.%d.%d",
                      CLanguageManager::GetInstance()->TranslateDictionary(kCaption).c_str(), VXM_VERSION_MAJOR,
                      VXM_VERSION_MINOR, VXM_VERSION_BUILD);
        m_versionText = text;
        SetSendActionVersion(3, VXM_VERSION_MAJOR, VXM_VERSION_MINOR, VXM_VERSION_BUILD);
        LogInfo("CVideoConverterDlg", "Version : %s", WideToUtf8(m_versionText).c_str());
        m_settings->SaveVersion(m_versionText);
    }
    const std::string dataFolder = WideToUtf8(GetUserDataFolder());

    if (CControlUI* c = Find(L"ID_PANE_VIDEO_MAIN")) m_mainPane = dynamic_cast<IMainPane*>(c);
    if (m_mainPane) m_mainPane->LoadLayout();

    // The engine's own log goes to the data folder when the user asked for it.
    if (m_settings->UseTransLog) {
        SetUseLogfile(1);
        SetLogfilePath(dataFolder.c_str());
    } else {
        SetUseLogfile(0);
        SetLogfilePath("");
    }

    m_statusLabel = Find(L"ID_LABEL_STATUS_BOTTOM");
    m_burnerStatusLabel = Find(L"ID_LABEL_BURNER_STATUS_BOTTOM");

    RestorePlacement();
    StartModuleVersionCheck();
    ShowControl(L"ID_LAYOUT_MEDIA_MAN", m_settings->ShowMM != 0);
    FitMinimumWidth();

    ShowDueFirstAid();
    ShowStatusMessage(std::wstring());

    if (CControlUI* c = Find(L"ID_PANE_VIDEO_BURNER")) m_burnPane = dynamic_cast<IMainPane*>(c);
    if (m_burnPane) m_burnPane->LoadLayout();
    if (CControlUI* c = Find(L"ID_PANE_VIDEO_PLAYER")) m_playerPane = dynamic_cast<IPlayerPane*>(c);
    if (m_playerPane) {
        m_playerPane->LinkPane(GetActivePane());
        m_playerPane->LoadLayout();
    }
    ShowPage(m_page);

    // The language (which builds the menus), drops and the clipboard's changes.
    ApplyLanguageCommand(0);
    StartDropsAndClipboard();

    if (!m_commandLineFile.empty()) {
        std::wstring file = m_commandLineFile;
        m_commandLineFile.clear();
        // A quote is part of a file name here; only a name that is not there
        // as given loses the quotes a launcher may have put around it.
        std::error_code ec;
        if (file.size() >= 2 && file.front() == L'"' && file.back() == L'"' && !std::filesystem::exists(PathFromWide(file), ec))
            file = file.substr(1, file.size() - 2);
        if (!file.empty()) m_mediaHandler->AddFile(file, -1, 0);
    }
}

void CVXMMainFrameWnd::RestorePlacement()
{
    std::vector<CScreenInfo> screens;
    if (auto* s = Desktop().screens) screens = s->List();
    WINDOWPLACEMENT placement;
    if (!ParseWindowPlacement(m_settings->WindowPos, placement))
        placement = DefaultWindowPlacement(screens, kSkinWidth, kSkinHeight);
    MovePlacementOntoScreen(screens, placement);
    SetPlacement(placement);
    bool maximised = placement.showCmd == SW_SHOWMAXIMIZED;
    ShowControl(L"ID_BTN_RESTORE_WINDOW", maximised);
    ShowControl(L"ID_BTN_MAXIMIZE_WINDOW", !maximised);
}

void CVXMMainFrameWnd::SavePlacement()
{
    WINDOWPLACEMENT placement;
    if (!GetPlacement(&placement)) return;
    if (IsIconic()) placement.showCmd = SW_SHOW;
    if (placement.flags & WPF_RESTORETOMAXIMIZED) placement.showCmd = SW_SHOWMAXIMIZED;
    m_settings->WindowPos = FormatWindowPlacement(placement);
}

IMainPane* CVXMMainFrameWnd::GetActivePane() const { return m_page == 1 ? m_burnPane : m_mainPane; }

void CVXMMainFrameWnd::SelectPage(int page)
{
    m_page = page;
    if (page == 1 || page == 2) {
        ShowControl(L"ID_CON_FIRSTAID_ADDFILES", false);
        ShowControl(L"ID_CON_FIRSTAID_CONVERT", false);
        ShowControl(L"ID_CON_FIRSTAID_UNFOLD_LEFT", false);
    }
    static const int kPageActions[] = {60, 61, 63};
    if (page >= 0 && page <= 2) SendUsageAction(32, kPageActions[page]);
    // The page strip shows the page also when the code chose it.
    auto* pages = dynamic_cast<COverlapButton*>(Find(L"ID_OVERLAPBUTTON_CONVERT"));
    if (pages && pages->GetSelectedIndex() != page) pages->SetSelectedIndex(page);
    ShowPage(page);
}

CControlUI* CVXMMainFrameWnd::RightColumn() const
{
    auto* pane = dynamic_cast<CControlUI*>(GetActivePane());
    CControlUI* column = pane ? const_cast<CPaintManagerUI&>(m_PaintManager).FindSubControlByName(pane, L"ID_LAYOUT_RIGHT")
                              : nullptr;
    return column ? column : Find(L"ID_LAYOUT_RIGHT");
}

void CVXMMainFrameWnd::ShowPage(int page)
{
    bool mediaMan = IsShown(L"ID_LAYOUT_MEDIA_MAN");
    CControlUI* rightColumn = RightColumn();
    bool right = rightColumn && rightColumn->IsVisible();
    if (page == 0) {
        ShowLayouts(true, false, false, true);
        ShowControl(L"ID_LABEL_STATUS_BOTTOM", true);
        ShowControl(L"ID_LABEL_BURNER_STATUS_BOTTOM", false);
        if (m_playerPane) m_playerPane->StopAndReset();
        ShowSideButtons(true, mediaMan, right);
        ShowDueFirstAid();
    } else if (page == 1) {
        ShowLayouts(false, false, true, true);
        ShowControl(L"ID_LABEL_STATUS_BOTTOM", false);
        ShowControl(L"ID_LABEL_BURNER_STATUS_BOTTOM", true);
        if (m_playerPane) m_playerPane->StopAndReset();
        ShowSideButtons(false, false, right);
        ShowControl(L"ID_LAYOUT_FIRSTAID", false);
    } else {
        // A playing or paused preview goes on in the player from where it is.
        IVXMMedia* media = nullptr;
        float seconds = 0.0f;
        if (m_mainPane && m_playerPane && m_mainPane->HandPreviewToPlayer(media, seconds))
            m_playerPane->PlayMedia(media, seconds);
        ShowLayouts(false, true, false, false);
        ShowSideButtons(true, mediaMan, right);
        ShowControl(L"ID_LAYOUT_FIRSTAID", false);
    }
    if (m_playerPane) m_playerPane->LinkPane(GetActivePane());
}

void CVXMMainFrameWnd::ShowLayouts(bool main, bool player, bool burner, bool footer) const
{
    ShowControl(L"ID_LAYOUT_MAIN", main);
    ShowControl(L"ID_LAYOUT_PLAYER", player);
    ShowControl(L"ID_LAYOUT_BURNER", burner);
    ShowControl(L"ID_LAYOUT_FOOTER", footer);
}

void CVXMMainFrameWnd::ShowSideButtons(bool hasLeft, bool leftOpen, bool rightOpen) const
{
    ShowControl(L"ID_BTN_SHOW_LEFT", hasLeft && !leftOpen);
    ShowControl(L"ID_BTN_HIDE_LEFT", hasLeft && leftOpen);
    ShowControl(L"ID_BTN_SHOW_RIGHT", !rightOpen);
    ShowControl(L"ID_BTN_HIDE_RIGHT", rightOpen);
}

void CVXMMainFrameWnd::ShowStatusMessage(const std::wstring& text, const std::wstring& tip)
{
    m_statusText = text;
    // A long text is cut at the end; the mouse shows it whole.
    for (CControlUI* label : {m_statusLabel, m_burnerStatusLabel})
        if (label) {
            label->SetText(text);
            label->SetToolTip(tip.empty() ? text : tip);
        }
}

bool CVXMMainFrameWnd::GetScreenRect(RECT& rect) const
{
    if (!GetHWND()) return false;
    rect = GetWindowRect();
    return true;
}

bool CVXMMainFrameWnd::StopRowsAndWait()
{
    if (m_mainPane) m_mainPane->StopAll();
    if (m_burnPane) m_burnPane->StopAll();
    // The rows end when their finished messages arrive: keep serving messages
    // until none converts, for a bounded time.
    auto converting = [this] {
        return (m_mainPane && m_mainPane->IsConverting()) || (m_burnPane && m_burnPane->IsConverting());
    };
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kStopWaitMs);
    while (converting() && std::chrono::steady_clock::now() < deadline && !IsUIQuitRequested()) {
        CEvent tick(true, false);
        WaitWithMessageLoop(tick, 20);
    }
    if (converting()) {
        LogInfo("CVideoConverterDlg", "Conversions still running after the stop; closing anyway");
        return false;
    }
    return true;
}

bool CVXMMainFrameWnd::CanClose()
{
    // A second close request while the rows stop waits for the first.
    if (m_stopping) return false;
    IMainPane* pane = GetActivePane();
    bool converting = (pane && pane->IsConverting()) || (m_mainPane && m_mainPane->IsConverting()) ||
                      (m_burnPane && m_burnPane->IsConverting());
    if (!converting) return true;
    std::wstring text = CLanguageManager::GetInstance()->LoadStringW(184);
    int answer = IDYES;
    if (auto* box = Desktop().messageBox) answer = box->Show(GetHWND(), text, kCaption, MB_YESNO | MB_ICONINFORMATION);
    if (answer != IDYES) return false;
    m_stopping = true;
    StopRowsAndWait();
    m_stopping = false;
    return true;
}

void CVXMMainFrameWnd::OnClick(TNotifyUI& msg)
{
    if (!msg.pSender) return;
    const std::wstring& name = msg.pSender->GetName();
    if (name == L"ID_BTN_CLOSE_WINDOW") {
        CloseMainWindow();
    } else if (name == L"ID_BTN_MINIMIZE_WINDOW") {
        ::ShowWindow(GetHWND(), SW_MINIMIZE);
    } else if (name == L"ID_BTN_MAXIMIZE_WINDOW") {
        ::ShowWindow(GetHWND(), SW_SHOWMAXIMIZED);
        ShowControl(L"ID_BTN_MAXIMIZE_WINDOW", false);
        ShowControl(L"ID_BTN_RESTORE_WINDOW", true);
    } else if (name == L"ID_BTN_RESTORE_WINDOW") {
        ::ShowWindow(GetHWND(), SW_RESTORE);
        ShowControl(L"ID_BTN_MAXIMIZE_WINDOW", true);
        ShowControl(L"ID_BTN_RESTORE_WINDOW", false);
    } else {
        bool taken = false;
        OnClickCommand(name, msg.pSender, taken);
    }
}

void CVXMMainFrameWnd::Notify(TNotifyUI& msg)
{
    if (NotifyMap(msg)) return;
    WindowImplBase::Notify(msg);
}

LRESULT CVXMMainFrameWnd::OnClose(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled)
{
    SavePlacement();
    if (m_playerPane) m_playerPane->StopAndReset();
    bHandled = FALSE;
    return 0;
}

LRESULT CVXMMainFrameWnd::OnNcHitTest(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled)
{
    LRESULT hit = WindowImplBase::OnNcHitTest(uMsg, wParam, lParam, bHandled);
    if (hit != HTCAPTION || !GetWidget()) return hit;
    // The page switch sits in the caption band: pressing it must not drag the window.
    QPoint local = GetWidget()->mapFromGlobal(QPoint(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)));
    CControlUI* control = m_PaintManager.FindControl(POINT{local.x(), local.y()});
    if (control && control->GetClass() == L"OverlapButtonUI") return HTCLIENT;
    return hit;
}

LRESULT CVXMMainFrameWnd::OnSysCommand(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled)
{
    WPARAM command = wParam & 0xFFF0;
    if (command == SC_CLOSE) {
        bHandled = TRUE;
        if (CanClose()) SendMessage(WM_CLOSE);
        return 0;
    }
    if ((command == SC_SCREENSAVE || command == SC_MONITORPOWER) && m_playerPane &&
        (m_playerPane->GetState() == 1 || m_playerPane->GetState() == 2)) {
        bHandled = TRUE;
        return 0;
    }
    bool zoomed = IsZoomed();
    LRESULT result = WindowImplBase::OnSysCommand(uMsg, wParam, lParam, bHandled);
    if (zoomed != IsZoomed()) {
        ShowControl(L"ID_BTN_MAXIMIZE_WINDOW", !IsZoomed());
        ShowControl(L"ID_BTN_RESTORE_WINDOW", IsZoomed());
    }
    return result;
}

void CVXMMainFrameWnd::OnFinalMessage(HWND hwnd)
{
    m_moduleCheck.reset();
    StopDropsAndClipboard();
    WindowImplBase::OnFinalMessage(hwnd);
    if (CMediaHandler* handler = m_mediaHandler) {
        handler->SaveCustomProps();
        CMediaHandler::DeleteInstance();
        m_mediaHandler = nullptr;
    }
    if (m_settings) m_settings->Save();
    CDBHelper::DeleteInstance();
    CLanguageManager::Release();
    PostQuitMessage(0);
    delete this;
}

CWindowWnd* CreateMainFrameWnd(const std::wstring& commandLineFile) { return new CVXMMainFrameWnd(commandLineFile); }
