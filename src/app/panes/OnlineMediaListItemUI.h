// A row for an online address: downloaded before it is converted.
#pragma once
#include "MediaListItemUI.h"

class COnlineMediaListItemUI : public CMediaListItemUI {
public:
    COnlineMediaListItemUI(CPaintManagerUI* manager, CMediaListUI* owner, bool burnList)
        : CMediaListItemUI(manager, owner, burnList, true) {}
    bool IsOnlineItem() const override { return true; }
    void SetMedia(IVXMMedia* media, bool makeThumbnail) override;
    void StartConvert() override;
    void StopConvert() override;
    // A double click starts the download again.
    void OnDoubleClick() override;

    // Handed unchanged to the download (set before the media).
    void SetDownloadFlag(int flag) { m_downloadFlag = flag; }
    int GetDownloadFlag() const { return m_downloadFlag; }
    // The download status label: the text of `textId` (formatted with
    // `extra` when given, and remembered); with id 0, "<remembered> : <extra>",
    // or nothing (forgetting the id) without extra. A state text (id not 0)
    // shows the information line in place of the progress bar.
    void SetDownloadStatusText(int textId, const std::wstring& extra = std::wstring());
    int GetStatusTextId() const { return m_statusTextId; }
    // The status label's tooltip (a failure's reason under its short text).
    void SetDownloadStatusToolTip(const std::wstring& text);
    void ApplyLanguage() override;
    // The busy ring turns while the address is analysed.
    void StartRing();
    void StopRing();
    // The information line in place of the progress bar, the progress at 0.
    void ShowInformation();
    const std::wstring& GetTitle() const { return m_title; }
    void SetTitle(const std::wstring& title) { m_title = title; }
    const std::wstring& GetPartText() const { return m_partText; }
    // False when the part is the one already shown.
    bool SetPartText(const std::wstring& part);
    // Convert-all reached this row while it downloads: the downloaded file converts.
    void SetConvertAfterDownload(bool convert) { m_convertAfterDownload = convert; }
    bool IsConvertAfterDownload() const { return m_convertAfterDownload; }

private:
    std::wstring DownloadStatusLine(int textId, const std::wstring& extra) const;

    int m_downloadFlag = 0;
    int m_statusTextId = 0;
    int m_shownTextId = 0;      // the arguments of the status shown, for a new language
    std::wstring m_shownExtra;
    std::wstring m_title;
    std::wstring m_partText;
    bool m_convertAfterDownload = false;
};

// A DVD title.
class CDVDMediaListItemUI : public CMediaListItemUI {
public:
    CDVDMediaListItemUI(CPaintManagerUI* manager, CMediaListUI* owner, bool burnList)
        : CMediaListItemUI(manager, owner, burnList, true) {}
    void SetMedia(IVXMMedia* media, bool makeThumbnail) override;
    // The angle combo chose angle `index`.
    void SelectAngle(int index);
    // The disc's main title reads "<name> (Main Title)" in bold.
    void MarkMainTitle();
    // The first selection makes the title's thumbnail.
    bool Select(bool select = true) override;
    void ApplyLanguage() override;

private:
    // "<format> Title <n>", "... (Main Title)" for the disc's main title,
    // unless the user named the output (false then).
    bool ShowTitleName();

    bool m_thumbnailAsked = false;
    bool m_mainTitle = false;
};
