// One row of a conversion list: the user's handle on one conversion job.
#pragma once
#include "IProfile.h"
#include "IVXMMedia.h"
#include "MediaTags.h"
#include "VXMItemStatus.h"
#include "ui/UILib.h"

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>
#include <cstdint>

class CMediaListUI;

class CMediaListItemUI : public CListContainerElementUI {
public:
    CMediaListItemUI(CPaintManagerUI* manager, CMediaListUI* owner, bool burnList, bool draggable);
    ~CMediaListItemUI() override;

    void DoInit() override;
    void DoEvent(TEventUI& event) override;

    // The chooser's choice: selects the catalogue profile `profileId` as the
    // row's own copy, keeps the group and category and refreshes the icon.
    // Nothing changes for the current id or an id the catalogue lacks.
    virtual void SetProfile(int profileId, int groupId, int categoryId);
    virtual void SetMedia(IVXMMedia* media, bool makeThumbnail);
    virtual void SetDuration(int ms);
    virtual void UpdateDuration();
    virtual void StartConvert();
    // A running conversion is stopped off the UI thread: the row shows
    // "Stopping..." until OnStopDone.
    virtual void StopConvert();
    void OnStopDone();
    bool IsStopping() const { return m_stopping; }
    // The user stopped the running conversion since it started: its end is
    // a stop, not a failure. Reading it forgets it.
    bool TakeStopAsked() { return std::exchange(m_stopAsked, false); }
    // After its conversion the output gets the row's tags off the UI thread;
    // the row says "Saving..." until the list's kTagsSaved with this row's
    // ticket arrives. False when the tag writer takes none.
    bool SaveTagsToOutput();
    bool IsSavingTags() const { return m_tagTicket != 0; }
    unsigned TagTicket() const { return m_tagTicket; }
    void EndTagSave() { m_tagTicket = 0; }
    virtual void SetJoinLayout(bool joined);
    // Row heights at zoom 1: a row, and a row joined to the one above.
    static constexpr int kRowHeight = 72;
    static constexpr int kJoinedRowHeight = 68;

    // Rename: the edit opens and closes; applying keeps a changed, valid name.
    virtual void ShowNameEdit(bool show);
    // True while the output name is being edited.
    bool IsNameEditShown() const;
    virtual void ApplyNameEdit();
    bool SetOutputName(std::wstring text);

    // A row of the audio or subtitle combo was chosen.
    void SelectAudio(int index);
    // The profile's audio switch changed elsewhere: the combo shows the
    // no-audio entry or the first track, without a notification, and keeps
    // it as the current choice.
    void ShowAudioOff(bool off);
    // In join mode a row after the first gives its track to the joined
    // output, whose sound the first row decides: the combo shows no audio
    // (and takes no choice) when the first row has none, and offers no
    // "No audio" of its own. Unjoined, it shows the row's own choice again.
    void FollowJoinedAudio(bool joined, bool firstSilent);
    int GetAudioChoice() const { return m_curAudio; }
    void SelectSubtitle(int index);
    // A combo's list opened: its choice is kept for a cancelled file dialog.
    void OnComboDropDown(CControlUI* combo);
    int GetAudioChoiceBeforeDropDown() const { return m_audioBeforeDrop; }
    int GetSubtitleChoiceBeforeDropDown() const { return m_subtitleBeforeDrop; }
    // The main window's answer to WM_VXM_ADD_AUDIO_TRACK / WM_VXM_ADD_SUBTITLE:
    // a chosen file becomes a track row, null (cancelled) restores `previous`.
    // The new row's index; -1 when nothing was added (a refused file restores `previous` too).
    void AddAudioFile(const wchar_t* path, int previous);
    int AddSubtitleFile(int previous, const wchar_t* path);

    // The outside editors (trim; crop and effect) on this row's media.
    virtual void ShowClipDialog();
    virtual void ShowEffectDialog();
    // Sends "item_dbclick" with the owner list.
    virtual void OnDoubleClick();
    // The tag editor: the hook shows it modally and returns 0 when accepted.
    using TagEditorFn = std::function<int(CMediaListItemUI*)>;
    static void SetTagEditor(TagEditorFn editor);
    void ShowTagEditor();
    void SetShownImage(const std::wstring& path) { m_shownImage = path; }
    void SetTagEditOff(bool off) { m_tagEditOff = off; }
    // The row's audio tags: read from the source when the row is added,
    // changed by the tag editor, written into the output when the job ends.
    const VXM_MEDIA_TAGS& GetTags() const { return m_tags; }
    void SetTags(const VXM_MEDIA_TAGS& tags) { m_tags = tags; m_hasTags = true; }
    bool HasTags() const { return m_hasTags; }
    // A track of a cue sheet: its tags are the sheet's, and its source is the
    // whole sheet's audio file, which never takes one track's tags.
    void SetFromCueSheet(bool fromCue) { m_fromCueSheet = fromCue; }
    bool IsFromCueSheet() const { return m_fromCueSheet; }
    // Opens the folder of the output file when it exists.
    void ShowOutputInFolder();
    bool IsJoinedItem() const;
    CMediaListUI* GetOwnerList() const { return m_owner; }
    IProfile* GetOwnProfile() const { return m_ownProfile.get(); }
    // The profile the row converts to, for an editor that shows it: the
    // row's own (shared) or the list's (borrowed).
    std::shared_ptr<IProfile> ShareProfile() const;
    int GetProfileId() const { return m_profileId; }
    int GetGroupId() const { return m_groupId; }
    int GetCategoryId() const { return m_categoryId; }
    // Output-format button: the group's small icon and "Output to <desc>";
    // with `reset` the row goes back to the default profile ids.
    void RefreshProfileIcon(bool reset = false);

    void PauseConvert();
    void ResumeConvert();
    bool IsPaused() const { return m_paused; }
    void SetProgress(int value);
    // Shows the status text `textId` (none below 1) without a tooltip.
    void SetStatusText(int textId);
    // The same with a text of the dictionary ("ID_STRING_...").
    void SetStatusKey(const std::wstring& key);
    // The status's text of an id or key (empty while there is none).
    std::wstring GetStatusText() const;
    // The conversion failed: "Failed", with why as the status's tooltip.
    void ShowFailed(const std::wstring& why);
    // The user's stop ended it without an output: "Cancelled".
    void ShowCancelled();
    // The status's tooltip: why the row's conversion failed.
    void SetStatusToolTip(const std::wstring& text);
    const std::wstring& GetStatusToolTip() const { return m_statusToolTip; }
    void UpdateStatus();
    // Start, remove, clip, effect, tag edit and clone; given back only where
    // the media allows them (a protected source, a CD track).
    void SetButtonsEnabled(bool enabled);
    // The UI language changed: the texts the row set itself follow it.
    virtual void ApplyLanguage();

    IVXMMedia* GetMedia() const { return m_media; }
    bool IsBurnListRow() const { return m_burnList; }
    IProfile* GetProfile() const;
    VXM_ITEM_STATUS GetStatus() const { return m_status; }
    void SetStatus(VXM_ITEM_STATUS status) { m_status = status; }
    bool IsChecked() const { return m_checked; }
    void SetChecked(bool checked);
    bool IsDraggable() const { return m_draggable; }
    bool IsDragging() const { return m_dragging; }
    virtual bool IsChildItem() const { return false; }
    virtual bool IsOnlineItem() const { return false; }
    virtual IVXMMedia* GetParentMedia() const { return nullptr; }

    // Drops the thumbnail task, or waits for it when it runs; safe to call
    // more than once.
    void CancelThumbnail();
    bool IsThumbnailRunning() const { return m_thumbTask != 0; }
    const std::wstring& GetShownImage() const { return m_shownImage; }
    // Detaches the media (the list releases it).
    IVXMMedia* TakeMedia();
    // The row's temporary picture, which the caller removes from now on.
    std::wstring TakeThumbnailFile() { return std::exchange(m_thumbFile, {}); }

protected:
    // A control of the row by name: from an index of the row's named
    // controls made on first use (a list of thousands asks for them often).
    CControlUI* Sub(const wchar_t* name) const;
    void Show(const wchar_t* name, bool visible) const;
    void StartThumbnail();
    // Events of the row's buttons; false ends the event there.
    bool OnSubEvent(void* param);
    void FillTrackCombos();
    void FillInfoLine(IVXMVideo* video);
    void PostToMainWindow(UINT message, WPARAM wParam, LPARAM lParam) const;
    void RunEditor(const char* entry);
    bool HasPlayableVideo() const;
    // No conversion runs (any more): the bar empties, a row without output failed.
    void ShowStopped();
public:
    // The worker of ticket `ticket` finished (the list's queue calls this
    // on the UI thread); false when the ticket is not this row's.
    bool OnThumbnailDone(unsigned ticket);
    // Hands a finished ticket to the row that waits for it, if any is left.
    static bool ThumbnailDone(unsigned ticket);

protected:
    // Adds a file of streams through `add` (which answers the new stream count,
    // or -1 when the media refuses the file) and a row for it to the combo;
    // a refusal puts the combo and `current` back to `previous`. The new
    // stream's index, or -1.
    int AddStreamFile(const wchar_t* comboName, const wchar_t* kind, const wchar_t* path, int previous, int& current,
                      const std::function<int(const wchar_t*)>& add);
    bool SelectProfileById(int id);
    // A track choice of this row alone: the row takes its own copy of the
    // list's profile (nothing when it has one).
    void TakeListProfile();

    CPaintManagerUI* m_manager = nullptr;
    CMediaListUI* m_owner = nullptr;
    IVXMMedia* m_media = nullptr;
    bool m_burnList = false;
    bool m_draggable = false;
    bool m_checked = false;
    bool m_dragging = false;
    VXM_ITEM_STATUS m_status = ITEM_STATUS_NONE;
    std::shared_ptr<IProfile> m_ownProfile;
    int m_profileId = -1;  // -1: the settings' default
    int m_groupId = -1;
    int m_categoryId = -1;
    int m_curAudio = 0;
    int m_curSubtitle = 0;
    int m_audioBeforeDrop = 0;
    int m_subtitleBeforeDrop = 0;
    bool m_tagEditOff = false;
    std::optional<RECT> m_rowInset;  // the skin's, for the joined layout
    bool m_audioOnlyGroup = false;  // the row's profile group has no video
    bool m_joinedAudio = false;     // the sound follows the first row's (FollowJoinedAudio)
    VXM_MEDIA_TAGS m_tags;
    bool m_hasTags = false;
    bool m_fromCueSheet = false;
    bool m_stopping = false;  // a stop was asked for and has not ended
    bool m_stopAsked = false; // the user stopped the conversion that runs
    bool m_paused = false;
    unsigned m_tagTicket = 0; // the output's tags are being written
    std::wstring m_shownImage;
    std::wstring m_statusToolTip;  // why the last conversion failed
    int m_statusTextId = 0;        // the status shown (0: none)
    std::wstring m_statusKey;      // or its dictionary key
    std::wstring m_thumbFile;

    // The "No audio" entry: off for an audio-only group and for a joined row.
    void EnableNoAudioChoice();
    void ApplyThumbnailResult();
    void RemoveThumbnailFile();
    void ForgetThumbnailTask();
    // Thumbnail task on the media pool: it never touches controls; it posts
    // its ticket to the list's queue and the UI thread applies the result.
    std::uint64_t m_thumbTask = 0;                    // pool ticket; 0: none
    std::shared_ptr<std::atomic<int>> m_thumbResult;  // 0 running, 1 done, -1 failed
    unsigned m_thumbTicket = 0;                       // 0: no task
    mutable std::vector<CControlUI*> m_subs;  // named controls of the row, by name
    mutable const std::vector<std::wstring>* m_names = nullptr;  // their names, shared; null: not indexed yet
};

// A segment of a parent media (one track of a cue sheet).
class CChildListItemUI : public CMediaListItemUI {
public:
    CChildListItemUI(CPaintManagerUI* manager, CMediaListUI* owner, bool burnList)
        : CMediaListItemUI(manager, owner, burnList, false) {}
    bool IsChildItem() const override { return true; }
    IVXMMedia* GetParentMedia() const override { return m_parent; }
    void SetParentMedia(IVXMMedia* parent) { m_parent = parent; }
    void SetSegment(int index, int startMs, int endMs);
    int GetSegmentIndex() const { return m_segmentIndex; }
    int GetSegmentStart() const { return m_segStart; }
    int GetSegmentEnd() const { return m_segEnd; }
    void UpdateDuration() override;
    void SetJoinLayout(bool joined) override;

private:
    IVXMMedia* m_parent = nullptr;
    int m_segmentIndex = -1;
    int m_segStart = 0;
    int m_segEnd = 0;
};
