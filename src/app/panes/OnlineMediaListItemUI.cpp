#include "OnlineMediaListItemUI.h"

#include "MediaListUI.h"

void COnlineMediaListItemUI::SetMedia(IVXMMedia* media, bool)
{
    m_media = media;
    SetTag(reinterpret_cast<UINT_PTR>(media));
    if (!media) return;
    if (CControlUI* label = Sub(L"ID_LABEL_ITEM_SHORT_NAME")) {
        label->SetText(media->GetSourcePath());
        label->SetToolTip(media->GetSourcePath());
    }
    if (m_owner) m_owner->Download(media, m_downloadFlag);
}

void COnlineMediaListItemUI::StartConvert()
{
    if (m_media && m_owner) m_owner->Download(m_media, m_downloadFlag);
}

void COnlineMediaListItemUI::StopConvert()
{
    if (!m_media) return;
    if (m_owner) m_owner->CancelDownload(m_media);
    Show(L"ID_CONTAINER_ITEM_INFORMATION", true);
    Show(L"ID_CONTAINER_ITEM_CONVERT", false);
    if (auto* p = dynamic_cast<CProgressUI*>(Sub(L"ID_PROGRESS_ITEM_CONVERT"))) p->SetValue(0);
}

void COnlineMediaListItemUI::OnDoubleClick()
{
    if (m_media && m_owner) m_owner->Download(m_media, m_downloadFlag);
}
