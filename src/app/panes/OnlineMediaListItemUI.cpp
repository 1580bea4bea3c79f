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

void CDVDMediaListItemUI::MarkMainTitle()
{
    auto* label = dynamic_cast<CLabelUI*>(Sub(L"ID_LABEL_ITEM_SHORT_NAME"));
    if (!label) return;
    label->SetFont(1);
    label->SetText(label->GetText() + L" (Main Title)");
}

void CDVDMediaListItemUI::SetMedia(IVXMMedia* media, bool makeThumbnail)
{
    CMediaListItemUI::SetMedia(media, makeThumbnail);
    auto* title = media && media->GetMediaKind() == 1 ? dynamic_cast<IVXMDVDTitle*>(media) : nullptr;
    if (!title) return;
    const std::wstring text = title->GetDisplayFormat() + L" Title " + title->GetSourceTitle();
    if (CControlUI* label = Sub(L"ID_LABEL_ITEM_SHORT_NAME")) {
        label->SetText(text);
        label->SetToolTip(text);
    }
    auto* combo = dynamic_cast<CComboUI*>(Sub(L"ID_COMBO_DVDANGLE"));
    const int angles = title->GetAngleCount();
    if (!combo || angles < 2) {
        Show(L"ID_LAYOUT_DVDANGLE", false);
        return;
    }
    for (int i = 0; i < angles; ++i) {
        auto* item = new CListLabelElementUI;
        item->SetText(std::to_wstring(i));
        if (!combo->AddAt(item, std::min(i + 1, combo->GetCount()))) delete item;
    }
    combo->SelectItem(0, false, false);
    Show(L"ID_LAYOUT_DVDANGLE", true);
}

void CDVDMediaListItemUI::SelectAngle(int index)
{
    auto* title = m_media && m_media->GetMediaKind() == 1 ? dynamic_cast<IVXMDVDTitle*>(m_media) : nullptr;
    if (title && index >= 0) title->SetAngle(index);
}
