// The options dialog: the settings in eight pages. OK stores the pages into
// the settings object and pushes them to the engine (the opener saves);
// Cancel puts back what the dialog itself changed while it was open.
#pragma once
#include "VXMSettings.h"
#include "ui/UILib.h"

#include <functional>
#include <string>

// A code page as the options list shows it, its description in the UI
// language ("1251 (ANSI – Kyrillisch)"); the number alone when unknown.
std::wstring CodePageText(unsigned number);

class COptionDlgUI : public WindowImplBase {
public:
    // What the dialog asks of the main window.
    struct CHooks {
        std::function<void()> openOutputFolder;
        std::function<void()> openSnapshotFolder;
    };

    // `settings` is not owned; the snapshot for Cancel is taken here.
    explicit COptionDlgUI(CVXMSettings* settings, CHooks hooks = {});

    std::wstring GetWindowClassName() const override { return L"VXMOptionDlg"; }
    std::wstring GetSkinFile() override;
    void InitWindow() override;
    void Notify(TNotifyUI& msg) override;
    void OnClick(TNotifyUI& msg) override;
    LRESULT ResponseDefaultKeyEvent(WPARAM wParam) override;

    // OK: every page into the settings, the changes reported, the engine
    // told. False, with nothing stored, when the typed output folder is refused.
    bool ApplyChanges();
    // Cancel: the values the dialog wrote at once go back to the snapshot.
    void RestoreSnapshot();
    void SelectTab(int page);
    // The subtitle colour copy (0x00BBGGRR, top byte the transparency).
    DWORD GetSubtitleColour() const { return m_subtitleColour; }
    DWORD GetOutlineColour() const { return m_outlineColour; }

    // True when the engine or the driver offers NVIDIA encoding (probed once).
    static bool IsNvEncoderAvailable();

private:
    template <typename T = CControlUI>
    T* Find(const wchar_t* name) const
    {
        return dynamic_cast<T*>(m_PaintManager.FindControl(name));
    }

    // Set-up and OK of the pages (OptionDlgPages.cpp).
    void LoadPages();
    void StorePages();
    void FillFixedCombos();
    void FillCodePages();
    void FillFonts();
    void FillCPUCores();
    void FillLanguageList();
    void LoadAcceleration();
    void StoreSelectedLanguage();
    void ReportChanges() const;

    // Enable rules and writes at once.
    void ApplyEnableRules();
    void UpdateFitRule(bool width);
    void UpdateAccelerationRule();
    void SetLabelState(const wchar_t* name, bool mouse, bool enabled);
    void SetEnabled(const wchar_t* name, bool enabled);
    void WriteAtOnce(const std::wstring& name);

    void OnSelectChanged(TNotifyUI& msg);
    void OnValueChanged(TNotifyUI& msg);
    void OnItemSelect(TNotifyUI& msg);
    void ShowSubtitleColour();
    void ChooseColour(DWORD& colour);
    void BrowseFolder(bool output);
    // The output folder as typed: made when missing, refused (with a
    // message) when no file can go there; false then.
    bool TakeOutputFolder();

    CVXMSettings* m_settings;
    CVXMSettings m_snapshot;
    CHooks m_hooks;
    DWORD m_subtitleColour = 0;
    DWORD m_outlineColour = 0;
    int m_fontStandIn = -1;  // the font shown for a stored one not on this machine
};

// Runs the dialog over the owner; 0 after OK, 1 after Cancel.
int RunOptionsDialog(CVXMSettings* settings, HWND owner, COptionDlgUI::CHooks hooks);
