// The pane beside the conversion list (and beside the burn list) in which
// the user sees and edits the output profile of the selected list item: its
// name, output folder and trim times, and the profile's video and audio
// parameters, one row each. A changed row goes into the item's IProfile,
// becomes the user's default for that profile in the custom-values file
// (saved at once) and counts as a usage action. Changes that concern the
// list item itself go out as notifications for the main pane:
//   "prop_name_changed"    wParam the name's CEditUI
//   "prop_start_changed"   wParam the start row's CTimeEditUI
//   "prop_end_changed"     wParam the end row's CTimeEditUI
//   "dvd_chapter_changing" wParam MAKELPARAM(first, last)
//   "prop_audiodisabled"   wParam 1 audio now off / 0, lParam the IVXMMedia*
//   "cal_size"             wParam 0
// lParam is the burn flag where not said otherwise; the sender is the pane.
#pragma once
#include "ui/UILib.h"

#include <functional>
#include <map>
#include <memory>
#include <string>

class CCustomOptDlgUI;
class CMediaHandler;
class CPropListItemUI;
class IProfile;
class IProfileGroup;
class IProfileItem;
class IVXMMedia;

class CProfileSettingsPaneUI : public CVerticalLayoutUI, public INotifyUI, public IDialogBuilderCallback {
public:
    enum ERow {
        kName, kFolder, kDuration, kChapters, kStart, kEnd, kVideoSize, kQuality, kVideoCodec, kVideoBitrate,
        kFrameRate, kAspect, kEncodePass, kAudioCodec, kAudioBitrate, kSampleRate, kChannels, kAudioOff,
        kGifDuration, kGifInterval, kRowCount
    };

    CProfileSettingsPaneUI(CPaintManagerUI* manager, bool burn);
    ~CProfileSettingsPaneUI() override;

    std::wstring GetClass() const override;
    void* GetInterface(const std::wstring& name) override;
    void DoInit() override;
    // The names' column is as wide as the longest name, up to half the pane.
    void SetPos(RECT rc, bool needInvalidate = true) override;
    void Notify(TNotifyUI& msg) override;
    // "PropListItem" and "TimeEdit" elements of the row templates.
    CControlUI* CreateControl(const std::wstring& className) override;

    // The media of the selected list item (may be null); borrowed.
    void SetMedia(IVXMMedia* media) { m_media = media; }
    IVXMMedia* GetMedia() const { return m_media; }
    IProfile* GetProfile() const { return m_profile.get(); }
    bool IsBurn() const { return m_burn; }

    // Builds every row again. `group` is the item's profile group (may be
    // null), `text` the name to show (null: the media's), `profile` the
    // profile to edit (null keeps the current one; held until another comes,
    // so a row that replaces its profile never leaves the pane a freed one),
    // `readOnly` disables every parameter row.
    void LoadProfile(IProfileGroup* group, const std::wstring* text, std::shared_ptr<IProfile> profile, bool readOnly);
    // Size mode without the source's bit rate: the profile's bit rate is
    // shown, selected and fixed.
    void RefreshVideoBitrate();
    // The output folder setting changed: the folder row shows it (a media's
    // own folder stays).
    void RefreshOutputFolder();

    // The page shown: one section (0 basic, 1 audio, 2 video) under its
    // heading, the other two folded. Where an audio group hides the video
    // heading, its page shows the basic section.
    void ShowSection(int index);
    int GetShownSection() const { return m_shownSection; }

    CPropListItemUI* GetRow(ERow row) const { return m_rows[row]; }
    CControlUI* GetSection(int index) const { return index >= 0 && index < 3 ? m_sections[index] : nullptr; }
    CCustomOptDlgUI* GetCustomOptDlg() const { return m_dialog.get(); }

    // Test seams: the handler that keeps the custom values (null: the
    // program's) and the usage-action sink (default: SendUsageAction).
    void SetMediaHandler(CMediaHandler* handler) { m_handler = handler; }
    void SetUsageSink(std::function<void(int action, int value)> sink) { m_usage = std::move(sink); }

private:
    CPaintManagerUI* Manager() const;
    CMediaHandler* Handler() const;
    CControlUI* FindNamed(const std::wstring& name) const;
    CPropListItemUI* BuildRow(const std::wstring& templ, int section, UINT label, int at = -1);
    CPropListItemUI* BuildComboRow(IProfileItem* item, int section, UINT label, const char* key,
                                   const std::wstring& current);
    void ForgetRows();
    void ApplyStoredValues();
    void FitSections();
    // The section on screen: the one asked for, else (video of an audio group) the basic one.
    int SectionOnScreen() const;
    void ApplyMedia(const std::wstring* text, const std::wstring& profileFolder);
    // The folder the profile writes into under the output folder setting.
    std::wstring ProfileOutputFolder() const;
    // The media's own folder, else the profile's.
    std::wstring ShownOutputFolder() const;
    // The folder typed into the output folder row becomes the media's, when it can be written.
    void CommitOutputFolder();
    int RowIndexOf(CControlUI* sender) const;
    CPropListItemUI* RowOfKey(const std::string& key) const;

    void OnComboChanged(int row, int index);
    void StoreDefault(int row, const std::wstring& value, int index, bool sourceEntry);
    void OnCustomAdd(int row, int index);
    void OnCustomDel(int row, int index);
    void ShowCustomDialog(int row);
    void BrowseFolder();
    void RequestRebuild();
    void Rebuild();
    void Usage(int value);
    void SendToMainPane(const wchar_t* type, WPARAM wParam, LPARAM lParam);
    // Runs `change` on the custom values and saves them when they changed.
    void ChangeCustomProps(const std::function<void(CMediaHandler&)>& change);
    // Adds (or removes) a user value of a row to (from) the stored custom values.
    void StoreCustomValue(CPropListItemUI* row, const std::wstring& value, bool add);

    CPaintManagerUI* m_pManager;
    std::unique_ptr<CCustomOptDlgUI> m_dialog;
    std::wstring m_sectionNames[3];
    CControlUI* m_sections[3] = {nullptr, nullptr, nullptr};
    CControlUI* m_optionButtons[3] = {nullptr, nullptr, nullptr};
    CPropListItemUI* m_rows[kRowCount] = {};
    std::shared_ptr<IProfile> m_profile;
    IVXMMedia* m_media = nullptr;
    IProfileGroup* m_group = nullptr;
    bool m_readOnly = false;
    int m_shownSection = 0;
    bool m_videoHidden = false;  // an audio group's profile
    bool m_burn;
    bool m_quiet = true;
    bool m_rebuildPending = false;
    int m_followUpDepth = 0;
    CMediaHandler* m_handler = nullptr;
    std::function<void(int, int)> m_usage;
    std::map<std::wstring, std::unique_ptr<CDialogBuilder>> m_builders;
};
