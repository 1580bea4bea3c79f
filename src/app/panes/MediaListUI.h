// The conversion list: one row per media object.
#pragma once
#include "IProfile.h"
#include "IVXMMedia.h"
#include "MediaListItemUI.h"
#include "ui/UILib.h"

#include <functional>
#include <mutex>

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
    std::mutex& ThumbnailLock() { return m_thumbLock; }
    bool IsMultiSelectState() const { return GetSelCount() > 1; }

    // Makes a row for the media; the list owns the media from here on.
    CMediaListItemUI* AddMedia(IVXMMedia* media, EMediaRowKind kind, bool makeThumbnail, int index = -1);
    CMediaListItemUI* GetMediaItem(int index) const;
    // The row of a media still in the list; null for one already released,
    // so late engine messages for it are ignored.
    CMediaListItemUI* FindItem(IVXMMedia* media) const;
    // Stops the row, takes a child's segment out of its parent, removes the
    // media's child rows, releases the media.
    void RemoveItem(CMediaListItemUI* row);
    void RemoveAllItems();
    // False (nothing moves) when an index is out of range.
    bool MoveItem(int from, int to);
    // Drop of a dragged row on a target; children follow their parent.
    void DropItem(CMediaListItemUI* dragged, CMediaListItemUI* target);

    // The list's context menu: whether an entry is offered, and the
    // commands the list handles itself (true when it took the id).
    bool IsMenuEntryEnabled(UINT id, bool clipboardHasText) const;
    bool OnMenuCommand(UINT id);
    // Notifications of the rows; true when handled.
    bool HandleNotify(TNotifyUI& msg);
    void CheckAll(bool check);

    void SetJoinMode(bool on);
    bool IsJoinMode() const { return m_joinMode; }
    void BuildJoinList(IVXMMedia* media);

private:
    void MoveChildrenAfter(CMediaListItemUI* parent, int oldIndex);
    void ReleaseRow(CMediaListItemUI* row);

    bool m_burnList = false;
    bool m_joinMode = false;
    IProfile* m_profile = nullptr;
    IProfileManager* m_profileManager = nullptr;
    class CRowBuilder;
    CMediaListItemUI* NewRow(EMediaRowKind kind);
    std::wstring m_templates[4];
    ConvertFn m_convert;
    DownloadFn m_download;
    CancelFn m_cancel;
    std::mutex m_thumbLock;
};
