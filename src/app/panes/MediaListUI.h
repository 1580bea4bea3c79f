// The conversion list: one row per media object.
#pragma once
#include "IProfile.h"
#include "IVXMMedia.h"
#include "MediaListItemUI.h"
#include "RowDisposer.h"
#include "ui/UILib.h"

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

class CMenu;
class COnlineMediaListItemUI;
struct VXM_DOWNLOAD_RECORD;
class CMediaItemDragWnd;
struct CTagWriteResult;

enum class EMediaRowKind { File, DVD, Online, Child };

class CMediaListUI : public CListUI {
public:
    using ConvertFn = std::function<bool(IVXMMedia*, IProfile*)>;

    explicit CMediaListUI(bool burnList = false);
    ~CMediaListUI() override;

    bool IsBurnList() const { return m_burnList; }
    // The profile catalogue; the media handler's unless one was set.
    IProfileManager* GetProfileManager() const;
    void SetProfileManager(IProfileManager* manager) { m_profileManager = manager; }
    IProfile* GetCurrentProfile() const { return m_profile; }
    void SetCurrentProfile(IProfile* profile) { m_profile = profile; }
    // Starts a conversion; defaults to the media handler.
    void SetConverter(ConvertFn fn) { m_convert = std::move(fn); }
    bool Convert(IVXMMedia* media, IProfile* profile);
    // Downloads of online rows; default to the media handler.
    using DownloadFn = std::function<bool(IVXMMedia*, int)>;
    using CancelFn = std::function<void(IVXMMedia*)>;
    void SetDownloader(DownloadFn start, CancelFn cancel)
    {
        m_download = std::move(start);
        m_cancel = std::move(cancel);
    }
    bool Download(IVXMMedia* media, int flag);
    void CancelDownload(IVXMMedia* media);
    // The row kind of a template element name; false for an unknown name.
    // Markup (or a skin file name) of a row kind's template; its root element
    // name picks the row class. Without a template a row is bare.
    void SetRowTemplate(EMediaRowKind kind, std::wstring xml);
    static bool KindOfElement(const std::wstring& element, EMediaRowKind& kind);
    // The list's own message target on the UI thread: thumbnail workers post
    // kThumbnailDone (wParam the worker's ticket) to it, the media stopper
    // kStopDone (lParam the media) when a row's stop has ended, the tag
    // writer kTagsSaved (wParam the row's ticket, lParam a CTagWriteResult*).
    static constexpr UINT kThumbnailDone = WM_USER + 2;
    static constexpr UINT kStopDone = WM_USER + 3;
    static constexpr UINT kTagsSaved = WM_USER + 4;
    HWND GetQueueTarget();
    // Runs when a row's output got its tags (or failed to), with the row's
    // media (null when the row was removed meanwhile).
    using TagsSavedFn = std::function<void(IVXMMedia*, const CTagWriteResult&)>;
    void SetTagsSavedHandler(TagsSavedFn handler) { m_tagsSaved = std::move(handler); }
    bool IsMultiSelectState() const { return GetSelCount() > 1; }

    // Only list rows (class "ListContainerElementUI" or its kinds) are taken.
    bool Add(CControlUI* control) override;
    bool AddAt(CControlUI* control, int index) override;
    bool Remove(CControlUI* control, bool doNotDestroy = false) override;
    bool RemoveAt(int index, bool doNotDestroy = false) override;
    // A context-menu click sends "media_contextmenu" with the point on the screen.
    void DoEvent(TEventUI& event) override;
    // Sends "item_selected" (wParam index, lParam kind) after a selection.
    bool SelectItem(int index, bool takeFocus = false) override;

    // Makes a row for the media; the list owns the media from here on. An
    // online row gets `downloadFlag` before its download starts.
    CMediaListItemUI* AddMedia(IVXMMedia* media, EMediaRowKind kind, bool makeThumbnail, int index = -1,
                               int downloadFlag = 0);
    CMediaListItemUI* GetMediaItem(int index) const;
    // The row of a media still in the list; null for one already released,
    // so late engine messages for it are ignored.
    CMediaListItemUI* FindItem(IVXMMedia* media) const;
    CMediaListItemUI* FindItemByMedia(IVXMMedia* media) const { return FindItem(media); }
    // A row whose media's engine job runs.
    bool IsConverting() const;
    int CountChecked() const;
    // Child rows (segments of a parent media).
    CChildListItemUI* FindChildItem(int segmentIndex, IVXMMedia* parent) const;
    // Removes the child rows whose segment no longer stands at their index
    // in the parent's segment list.
    void SyncChildItems(IVXMMedia* parent);
    // The segment `segmentIndex` of `parent` now runs from start to end (ms).
    void SetChildItemRange(IVXMMedia* parent, int segmentIndex, int startMs, int endMs);
    // Stops the row, takes a child's segment out of its parent, removes the
    // media's child rows, releases the media.
    void RemoveItem(CMediaListItemUI* row);
    // The row may be null: it is then found by its media.
    void RemoveItem(CMediaListItemUI* row, IVXMMedia* media);
    virtual void RemoveAllItems();
    // False (nothing moves) when an index is out of range.
    bool MoveItem(int from, int to);
    // Drop of a dragged row on a target; children follow their parent.
    void DropItem(CMediaListItemUI* dragged, CMediaListItemUI* target);

    // The list's context menu: whether an entry is offered, and the
    // commands the list handles itself (true when it took the id).
    bool IsMenuEntryEnabled(UINT id, bool clipboardHasText) const;
    virtual bool OnMenuCommand(UINT id);
    // Notifications of the rows; true when handled.
    bool HandleNotify(TNotifyUI& msg);
    void CheckAll(bool check);
    // Greys the entries of the list's context menu that are not offered now.
    void UpdateContextMenu(CMenu* menu) const;
    // Every selected row goes (with its segment rows), one notice for all.
    virtual void RemoveSelected();
    void CheckSelected();
    void UncheckSelected();
    void RenameSelected();
    virtual void CopyURLToClipboard();
    virtual void OpenSourceLocation();
    virtual void OpenDestinationLocation();
    CMediaListItemUI* GetSelectedMediaItem() const;
    // A row's name edit is open or an edit field has the focus.
    bool IsEditingName() const;

    // The downloader's reports on the online row of the record's media
    // (nothing when the list has no such row; MediaListDownloads.cpp).
    void OnDownloadStarted(const VXM_DOWNLOAD_RECORD& record);
    void OnDownloadFinished(const VXM_DOWNLOAD_RECORD& record, bool success);
    // A text id, or 0 for the record's own status text; a part after the
    // first names the row "<part title> - #<n> of <count>".
    void SetDownloadStatus(int textId, const VXM_DOWNLOAD_RECORD& record);
    void OnDownloadProgress(const VXM_DOWNLOAD_RECORD& record, int value);
    void SetDownloadThumbnail(const VXM_DOWNLOAD_RECORD& record);
    // The row's index, -1 without one.
    int ResetDownloadItem(const VXM_DOWNLOAD_RECORD& record, bool remove, bool reset);
    COnlineMediaListItemUI* FindOnlineItem(const VXM_DOWNLOAD_RECORD& record) const;

    // The recorded m4v replaced `oldMedia`: its row goes, the new media's
    // row (if any) starts converting.
    void OnItemM4vRecorded(IVXMMedia* oldMedia, IVXMMedia* newMedia);
    // The selected row's editors (a child row's parent row for the trim).
    void OnItemClip();
    void OnItemEffect();
    // The row's profile chooser under its output-format button.
    void OnShowItemProfileWnd(CMediaListItemUI* row, CControlUI* button);
    // Where the chooser goes: below the button, kept on the screen.
    static RECT PlaceItemProfileWnd(const RECT& buttonOnScreen, int screenWidth, int screenHeight, double zoom);
    // Names of the profiles of the category "apple", in catalogue order.
    void LoadAppleProfiles();
    const std::vector<std::wstring>& GetAppleProfileNames() const { return m_appleProfiles; }
    // Joins the selected rows' media into one file under <output>/Join.
    // Runs the engine's join, which blocks; false when fewer than two rows
    // are selected or the folder cannot be made.
    bool JoinSelected();
    // The join itself; defaults to IVXMMedia::Join.
    using JoinFn = std::function<void(IVXMMedia* base, std::vector<IVXMMedia*> others, const std::wstring& folder)>;
    void SetJoiner(JoinFn fn) { m_join = std::move(fn); }

    void SetJoinMode(bool on);
    bool IsJoinMode() const { return m_joinMode; }
    void BuildJoinList(IVXMMedia* media);
    // The first row's media while its joined conversion runs (null when
    // none): the rows after it keep their buttons off meanwhile.
    void SetJoinedRunning(IVXMMedia* first);
    IVXMMedia* GetJoinedRunning() const { return m_joinedRunning; }

    // Drag image of a row: the drag window shown while a row is dragged.
    CMediaItemDragWnd* GetDragWindow() const { return m_dragWnd.get(); }

private:
    void CloseDragWindow();
    void OnItemBeginDrag(CMediaListItemUI* row);
    void OnItemDragging(CMediaListItemUI* row);
    void ReleaseRowAndChildren(CMediaListItemUI* row);
    // A removed row's media goes to the media stopper after the messages
    // already queued for it (none can reach a new media that takes its
    // address), which stops and releases it off the UI thread.
    void ReleaseLater(IVXMMedia* media);
    // A row's stop ended: the row may start again, the pane hears of it.
    void OnStopDone(IVXMMedia* media);
    // A row's tag save ended.
    void OnTagsSaved(unsigned ticket, const CTagWriteResult& result);
    void SendRemoved();
    void MoveChildrenAfter(CMediaListItemUI* parent, int oldIndex);
    void ReleaseRow(CMediaListItemUI* row);

    bool m_burnList = false;
    bool m_joinMode = false;
    IVXMMedia* m_joinedRunning = nullptr;
    IProfile* m_profile = nullptr;
    IProfileManager* m_profileManager = nullptr;
    class CRowBuilder;
    CMediaListItemUI* NewRow(EMediaRowKind kind);
    std::wstring m_templates[4];
    std::unique_ptr<CDialogBuilder> m_builders[4];  // parsed templates
    ConvertFn m_convert;
    DownloadFn m_download;
    CancelFn m_cancel;
    std::vector<std::wstring> m_appleProfiles;
    JoinFn m_join;
    std::unique_ptr<CMediaItemDragWnd> m_dragWnd;
    POINT m_dragStart{};
    RECT m_dragRect{};
    std::unique_ptr<WindowImplBase> m_profileWnd;
    TagsSavedFn m_tagsSaved;
    HWND m_releaseTarget = nullptr;  // the row chooser; one, kept here
    CRowDisposer m_disposer;  // destroys removed rows off the UI thread
};
