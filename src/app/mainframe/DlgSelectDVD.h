// The drive choice before a disc is opened: the DVD-capable drives with the
// labels of their discs, tray load and eject, and OK only while the chosen
// drive holds a disc. CDriveChoice is the dialog's state; CDlgSelectDVD
// shows it.
#pragma once
#include "ui/UILib.h"
#include "ui/desktop/IOpticalDrives.h"

#include <string>
#include <vector>

class CDriveChoice {
public:
    struct CEntry {
        std::wstring device;  // empty for the "no drive" entry
        std::wstring text;
    };

    explicit CDriveChoice(IOpticalDrives& drives) : m_drives(drives) {}
    // The DVD-capable drives, "[sr0] LABEL" each; none: one entry with string 118.
    void Fill();
    bool HasDrives() const { return m_hasDrives; }
    const std::vector<CEntry>& GetEntries() const { return m_entries; }
    int GetSelected() const { return m_selected; }
    void Select(int index);
    // OK is allowed exactly while the kept drive holds a readable disc.
    bool Validate();
    bool IsOkEnabled() const { return m_okEnabled; }
    const std::wstring& GetDevice() const { return m_device; }
    bool Load();
    bool Eject();
    // A disc arrived in or left a listed drive: its entry follows; an
    // arrival selects it. True when an entry changed.
    bool OnNotice(EDeviceNotice notice, const COpticalDrive& drive);

    static std::wstring EntryText(const std::wstring& device, const std::wstring* label);

private:
    IOpticalDrives& m_drives;
    std::vector<CEntry> m_entries;
    std::wstring m_device;
    int m_selected = -1;
    bool m_hasDrives = false;
    bool m_okEnabled = false;
};

class CDlgSelectDVD : public WindowImplBase {
public:
    explicit CDlgSelectDVD(IOpticalDrives& drives);
    ~CDlgSelectDVD() override;

    void InitWindow() override;
    void Notify(TNotifyUI& msg) override;
    void OnClick(TNotifyUI& msg) override;
    void OnFinalMessage(HWND hwnd) override;
    const CDriveChoice& GetChoice() const { return m_choice; }

private:
    void Show();

    IOpticalDrives& m_drives;
    CDriveChoice m_choice;
    int m_token = 0;
};

// Runs the drive choice; the chosen device, empty when cancelled.
std::wstring RunSelectDVDDialog(HWND owner);
