// A segment of a parent media (one track of a cue sheet) as a list row.
#include "MediaListItemUI.h"

#include "VXMGlobal.h"
#include "ui/UITimeEdit.h"

void CChildListItemUI::SetSegment(int index, int startMs, int endMs)
{
    m_segmentIndex = index;
    m_segStart = startMs;
    m_segEnd = endMs;
}

void CChildListItemUI::SetJoinLayout(bool joined)
{
    for (const wchar_t* n : {L"ID_ITEM_CHECKED", L"ID_BUTTON_ITEM_CHANGE_FILENAME", L"ID_BUTTON_ITEM_CONVER_START",
                             L"ID_PROFILE_SEP"})
        Show(n, !joined);
    Show(L"ID_BUTTON_ITEM_OUTPUT_FORMAT", !joined && !m_burnList);
}

void CChildListItemUI::UpdateDuration()
{
    if (!m_media) return;
    if (m_media->GetVideoStream() || m_media->GetAudioTrackCount() > 0) {
        SetDuration(m_media->GetClipLength());
        if (CControlUI* c = Sub(L"ID_LABEL_MEDIA_INFO"))
            c->SetText(FormatTime(m_segStart) + L" - " + FormatTime(m_segEnd));
    }
}
