#include "OnlineMediaListItemUI.h"

#include "MediaListUI.h"
#include "platform/text.h"
#include "ui/UICustomControls.h"
#include "ui/UILanguage.h"

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
    m_convertAfterDownload = false;
    if (m_owner) m_owner->CancelDownload(m_media);
    ShowInformation();
}

void COnlineMediaListItemUI::ShowInformation()
{
    Show(L"ID_CONTAINER_ITEM_CONVERT", false);
    Show(L"ID_CONTAINER_ITEM_INFORMATION", true);
    if (auto* t = dynamic_cast<CTextProgressUI*>(Sub(L"ID_PROGRESS_ITEM_CONVERT"))) t->SetStartTick(GetTickCount());
    if (auto* p = dynamic_cast<CProgressUI*>(Sub(L"ID_PROGRESS_ITEM_CONVERT"))) p->SetValue(0);
}

std::wstring COnlineMediaListItemUI::DownloadStatusLine(int textId, const std::wstring& extra) const
{
    CLanguageManager* lang = CLanguageManager::GetInstance();
    if (textId != 0)
        return extra.empty() ? lang->LoadStringW(static_cast<UINT>(textId))
                             : lang->FormatString(static_cast<UINT>(textId), extra.c_str());
    if (!extra.empty()) return FormatW(L"%s : %s", lang->LoadStringW(static_cast<UINT>(m_statusTextId)).c_str(), extra.c_str());
    return {};
}

void COnlineMediaListItemUI::ApplyLanguage()
{
    CMediaListItemUI::ApplyLanguage();
    const std::wstring text = DownloadStatusLine(m_shownTextId, m_shownExtra);
    if (CControlUI* label = Sub(L"ID_LABEL_DOWNLOAD_STATUS")) {
        label->SetText(text);
        label->SetToolTip(text);
    }
}

void COnlineMediaListItemUI::SetDownloadStatusText(int textId, const std::wstring& extra)
{
    const std::wstring text = DownloadStatusLine(textId, extra);
    if (textId != 0) m_statusTextId = textId;
    else if (extra.empty()) m_statusTextId = 0;
    m_shownTextId = textId;
    m_shownExtra = extra;
    if (CControlUI* label = Sub(L"ID_LABEL_DOWNLOAD_STATUS")) {
        label->SetText(text);
        label->SetToolTip(text);
    }
    if (textId == 0) return;  // a status refresh leaves a running progress bar alone
    Show(L"ID_CONTAINER_ITEM_CONVERT", false);
    Show(L"ID_CONTAINER_ITEM_INFORMATION", true);
}

void COnlineMediaListItemUI::SetDownloadStatusToolTip(const std::wstring& text)
{
    if (CControlUI* label = Sub(L"ID_LABEL_DOWNLOAD_STATUS")) label->SetToolTip(text);
}

void COnlineMediaListItemUI::StartRing()
{
    auto* ring = dynamic_cast<CCircularProgressUI*>(Sub(L"ID_CIRCULAR_PROGRESS"));
    if (!ring) return;
    ring->SetPercent(0);
    ring->CalcTicks();
    if (m_manager) m_manager->SetTimer(ring, CCircularProgressUI::kAnimationTimerId, ring->GetInterval());
    ring->SetVisible(true);
}

void COnlineMediaListItemUI::StopRing()
{
    auto* ring = dynamic_cast<CCircularProgressUI*>(Sub(L"ID_CIRCULAR_PROGRESS"));
    if (!ring) return;
    if (m_manager) m_manager->KillTimer(ring, CCircularProgressUI::kAnimationTimerId);
    ring->SetVisible(false);
}

bool COnlineMediaListItemUI::SetPartText(const std::wstring& part)
{
    if (part == m_partText) return false;
    m_partText = part;
    return true;
}

void COnlineMediaListItemUI::OnDoubleClick()
{
    if (m_media && m_owner) m_owner->Download(m_media, m_downloadFlag);
}
