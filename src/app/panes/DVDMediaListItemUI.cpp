// A DVD title as a list row: its name, angles and lazy thumbnail.
#include "OnlineMediaListItemUI.h"

#include "MediaListUI.h"
#include "ui/UILanguage.h"

#include <algorithm>

void CDVDMediaListItemUI::MarkMainTitle()
{
    auto* label = dynamic_cast<CLabelUI*>(Sub(L"ID_LABEL_ITEM_SHORT_NAME"));
    if (!label) return;
    m_mainTitle = true;
    label->SetFont(1);
    if (!ShowTitleName())
        label->SetText(CLanguageManager::GetInstance()->FormatDictionary(L"ID_STRING_DVD_MAIN_TITLE", label->GetText().c_str()));
}

bool CDVDMediaListItemUI::ShowTitleName()
{
    auto* title = m_media && m_media->GetMediaKind() == 1 ? dynamic_cast<IVXMDVDTitle*>(m_media) : nullptr;
    CControlUI* label = Sub(L"ID_LABEL_ITEM_SHORT_NAME");
    if (!title || !label || !title->GetOutputName().empty()) return false;
    CLanguageManager* lang = CLanguageManager::GetInstance();
    std::wstring text = lang->FormatDictionary(L"ID_STRING_DVD_TITLE", title->GetDisplayFormat().c_str(),
                                               title->GetSourceTitle().c_str());
    label->SetToolTip(text);
    if (m_mainTitle) text = lang->FormatDictionary(L"ID_STRING_DVD_MAIN_TITLE", text.c_str());
    label->SetText(text);
    return true;
}

void CDVDMediaListItemUI::ApplyLanguage()
{
    CMediaListItemUI::ApplyLanguage();
    ShowTitleName();
    if (CControlUI* combo = Sub(L"ID_COMBO_DVDANGLE"); combo && !combo->GetToolTip().empty())
        combo->SetToolTip(CLanguageManager::GetInstance()->LoadStringW(158));
}

void CDVDMediaListItemUI::SetMedia(IVXMMedia* media, bool makeThumbnail)
{
    // The title's picture is made when the row is first selected.
    CMediaListItemUI::SetMedia(media, false);
    auto* title = media && media->GetMediaKind() == 1 ? dynamic_cast<IVXMDVDTitle*>(media) : nullptr;
    if (!title) return;
    ShowTitleName();
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
    combo->SetToolTip(CLanguageManager::GetInstance()->LoadStringW(158));
    Show(L"ID_LAYOUT_DVDANGLE", true);
}

void CDVDMediaListItemUI::SelectAngle(int index)
{
    auto* title = m_media && m_media->GetMediaKind() == 1 ? dynamic_cast<IVXMDVDTitle*>(m_media) : nullptr;
    if (title && index >= 0) title->SetAngle(index);
}

bool CDVDMediaListItemUI::Select(bool select)
{
    const bool done = CMediaListItemUI::Select(select);
    if (select && m_media && !m_thumbnailAsked && m_media->GetPreviewState() != 1 && m_media->GetConvertState() != 1) {
        m_thumbnailAsked = true;
        StartThumbnail();
    }
    return done;
}
