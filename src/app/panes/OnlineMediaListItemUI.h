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

private:
    int m_downloadFlag = 0;
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

private:
    bool m_thumbnailAsked = false;
};
