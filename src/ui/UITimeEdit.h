// A label that shows a time of day ("HH:MM:SS" with tenths) and edits it
// in a time picker that opens over it on focus or a click.
#pragma once
#include "ui/UILabel.h"
#include "ui/UIWindow.h"
#include <memory>

struct SYSTEMTIME {
    WORD wYear = 0;
    WORD wMonth = 0;
    WORD wDayOfWeek = 0;
    WORD wDay = 0;
    WORD wHour = 0;
    WORD wMinute = 0;
    WORD wSecond = 0;
    WORD wMilliseconds = 0;
};

// Messages of the time picker.
constexpr UINT WM_SETFONT = 0x0030;
constexpr UINT DTM_GETSYSTEMTIME = 0x1001;
constexpr UINT DTM_SETSYSTEMTIME = 0x1002;
constexpr UINT DTM_SETRANGE = 0x1004;
constexpr UINT DTM_SETFORMATW = 0x1032;
constexpr WPARAM GDT_VALID = 0;
constexpr WPARAM GDTR_MIN = 1;
constexpr WPARAM GDTR_MAX = 2;
constexpr DWORD DTS_UPDOWN = 0x0001;
constexpr DWORD DTS_TIMEFORMAT = 0x0009;

class CTimeEditWnd;
class QTimeEdit;

// A length or a point of time as the windows show it: "hh:mm:ss.t", rounded
// to the nearest tenth (4972 ms reads 00:00:05.0; below 0 reads 00:00:00.0).
std::wstring FormatTime(long long ms);

class CTimeEditUI : public CLabelUI {
public:
    enum EState { kEditing = 0, kTaken = 1, kCleared = 2, kCancelled = 3 };

    CTimeEditUI();
    ~CTimeEditUI() override;

    std::wstring GetClass() const override;
    void* GetInterface(const std::wstring& name) override;
    void DoEvent(TEventUI& event) override;

    // Milliseconds of the time shown.
    int GetValue() const { return m_value; }
    // Shows `ms` (split into hours, minutes, seconds and milliseconds).
    void SetValue(int ms);
    const SYSTEMTIME& GetTime() const { return m_time; }
    void SetTime(const SYSTEMTIME& time) { m_time = time; }
    // Latest time the picker allows (all zero: no limit).
    const SYSTEMTIME& GetUpperRange() const { return m_upper; }
    void SetUpperRange(const SYSTEMTIME& time) { m_upper = time; }
    // The same as a number of milliseconds; 0 leaves the limit as it is.
    void SetTimeLimit(int ms);
    int GetState() const { return m_state; }
    void SetState(int state) { m_state = state; }
    // Text and value from the time, by the state.
    void UpdateText();

    CTimeEditWnd* GetPopup() const { return m_popup; }
    // Opens the picker over the label (creates it when there is none).
    void OpenPopup();

    static SYSTEMTIME SplitMs(int ms);

private:
    friend class CTimeEditWnd;

    int m_value = 0;
    SYSTEMTIME m_time;
    SYSTEMTIME m_upper;
    int m_state = kTaken;
    CTimeEditWnd* m_popup = nullptr;
};

// The picker: a child window over the label, holding a Qt time editor.
class CTimeEditWnd : public CWindowWnd {
public:
    explicit CTimeEditWnd(CTimeEditUI* owner);
    ~CTimeEditWnd() override;

    std::wstring GetWindowClassName() const override { return L"TimeEditWnd"; }
    // Creates the window over the owner's rectangle and fills it in.
    bool Init();
    void DetachOwner() { m_owner = nullptr; }
    QTimeEdit* GetEditor() const;

protected:
    LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;
    void OnFinalMessage(HWND hwnd) override;

private:
    class CEditorFilter;

    CTimeEditUI* m_owner;
    std::wstring m_format = L"HH:mm:ss";
    bool m_init = false;
    struct TEditor;
    std::unique_ptr<TEditor> m_editor;
};
