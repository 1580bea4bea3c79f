// The program update dialog: the offered and the running version, the
// release notes with links, install / skip this version / remind me later.
// In its check-first form it fetches the version file itself and shows the
// offer, the up-to-date state or the failure.
#pragma once
#include "HttpDownload.h"
#include "platform/thread.h"
#include "ui/UILib.h"

#include <memory>
#include <string>

class CSimpleHtmlCtrl;

// To the dialog: wParam the version word (major bits 0-7, minor 8-15, build
// 16-31); AVAILABLE's lParam the notes as wchar_t[1024] made with new[] (or
// null), freed by the receiver.
constexpr UINT WM_VXM_UPDATE_DIALOG_AVAILABLE = 2038;
constexpr UINT WM_VXM_UPDATE_DIALOG_NONE = 2039;
constexpr UINT WM_VXM_UPDATE_DIALOG_FAILED = 2040;

struct CProgramVersion {
    int major = 0, minor = 0, build = 0;
};
WPARAM MakeVersionWord(const CProgramVersion& version);
CProgramVersion VersionOfWord(WPARAM word);
// True when `offer` is newer than `running` as the version word carries
// them (major and minor 8 bits, build 16 bits).
bool IsNewerVersion(const CProgramVersion& offer, const CProgramVersion& running);

class CDlgSoftwareUpdate : public WindowImplBase {
public:
    CDlgSoftwareUpdate(const CProgramVersion& running, const CProgramVersion& offered);
    ~CDlgSoftwareUpdate() override;

    CControlUI* CreateControl(const std::wstring& className) override;
    void InitWindow() override;
    void OnClick(TNotifyUI& msg) override;
    LRESULT HandleCustomMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) override;

    void SetNotes(const std::wstring& notes) { m_notes = notes; }
    // The version file is fetched first (from the update server's "/version.ini").
    void SetCheckFirst(bool checkFirst, const CHttpGetOptions& options = {});
    CSimpleHtmlCtrl* GetNotesControl() const { return m_notesCtrl; }
    // A release-note link: only http, https and mailto addresses are opened.
    static bool IsOpenableLink(const std::wstring& address);

private:
    void ShowChecking();
    void ShowOffer();
    void SetLabel(const wchar_t* name, const std::wstring& text, bool show = true);

    CProgramVersion m_running, m_offered;
    std::wstring m_notes;
    bool m_checkFirst = false;
    CHttpGetOptions m_options;
    int m_fullHeight = 0;
    CSimpleHtmlCtrl* m_notesCtrl = nullptr;
    std::unique_ptr<CMessageThread> m_checker;
};

// The running program's version.
CProgramVersion RunningProgramVersion();
// The offer of a newer version with its notes (1 after "Install update").
UINT RunSoftwareUpdateDialog(HWND owner, const CProgramVersion& offered, const std::wstring& notes);
// "Check for Updates...": the check-first form.
UINT RunUpdateCheckDialog(HWND owner, const CHttpGetOptions& options);
