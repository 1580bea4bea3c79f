// A row's audio and subtitle combos: track rows, the no-track and
// add-a-file choices, and files added through the main window.
#include "MediaListItemUI.h"

#include "AppStartup.h"
#include "Log.h"
#include "MainFrameMessages.h"
#include "MediaListUI.h"
#include "VXMMediaBase.h"
#include "ui/UILanguage.h"
#include "platform/paths.h"

#include <algorithm>
#include <filesystem>

namespace {
constexpr int kUsageGroup = 32;

// The joined rows show the sound of the first row, which just changed.
void RefreshJoinedRows(CMediaListUI* list, CMediaListItemUI* row)
{
    if (list && list->IsJoinMode() && list->GetItemIndex(row) == 0) list->SetJoinMode(true);
}

// A track as its combo lists it: its name, its language, and the title the
// file gives it ("Subtitle 1 (eng) – Commentary").
std::wstring TrackText(const std::wstring& name, const std::wstring& language, const std::wstring& title)
{
    std::wstring text = language.empty() ? name : name + L" (" + language + L")";
    if (!title.empty() && title != language && title != name) text += L" \u2013 " + title;
    return text;
}
}  // namespace

void CMediaListItemUI::FillTrackCombos()
{
    auto addRow = [](CComboUI* combo, int index, const std::wstring& text) {
        auto* item = new CListLabelElementUI;
        item->SetText(text);
        item->SetToolTip(text);
        if (!combo->AddAt(item, index)) delete item;
    };
    CLanguageManager* language = CLanguageManager::GetInstance();
    if (auto* audio = dynamic_cast<CComboUI*>(Sub(L"ID_COMBO_AUDIO_TRACK"))) {
        for (int i = 0; i < m_media->GetAudioTrackCount(); ++i)
            if (IVXMAudio* a = m_media->GetAudioTrackAt(i))
                addRow(audio, i, TrackText(a->GetDisplayName(), a->GetLanguageText(), a->GetDescription()));
        audio->SetEnabled(true);
        IProfile* profile = GetProfile();
        const int sel = profile && profile->IsAudioDisabled() ? audio->GetCount() - 2 : 0;
        audio->SelectItem(sel, false, false);
        audio->SetToolTip(language->LoadStringW(156));
        m_curAudio = sel;
    }
    if (auto* subs = dynamic_cast<CComboUI*>(Sub(L"ID_COMBO_SUBTITLE"))) {
        for (int i = 0; i < m_media->GetSubtitleCount(); ++i) {
            IVXMSubtitle* s = m_media->GetSubtitleAt(i);
            if (!s) continue;
            // A stream of a file is named by its number, in the user's language.
            const std::wstring name = m_media->GetMediaKind() == 0 && s->GetId() >= 0
                                          ? language->FormatDictionary(L"ID_STRING_SUBTITLE_TRACK", i + 1)
                                          : s->GetDisplayName();
            addRow(subs, i, TrackText(name, s->GetLanguageText(), s->GetDescription()));
        }
        subs->SelectItem(0, false, false);
        subs->SetToolTip(language->LoadStringW(157));
        m_curSubtitle = 0;
    }
}

void CMediaListItemUI::TakeListProfile()
{
    IProfile* listProfile = m_owner ? m_owner->GetCurrentProfile() : nullptr;
    if (m_ownProfile || !listProfile) return;
    m_ownProfile = listProfile->Clone();
    if (!m_ownProfile) return;
    m_ownProfile->SetSizeMode(listProfile->IsSizeMode());
    m_ownProfile->SetSourceBitrate(listProfile->IsSourceBitrate());
}

void CMediaListItemUI::SelectAudio(int index)
{
    auto* combo = dynamic_cast<CComboUI*>(Sub(L"ID_COMBO_AUDIO_TRACK"));
    CControlUI* item = combo ? combo->GetItemAt(index) : nullptr;
    if (!item || index == m_curAudio || !m_media) return;
    m_curAudio = index;
    auto* data = dynamic_cast<CVXMMediaBase*>(m_media);
    const std::wstring name = item->GetName();
    // The choice is this row's: no audio, or a track where the list's profile
    // has none, takes a copy of the list's profile; the list's stays as it is.
    const bool off = name == L"ID_NO_AUDIO";
    IProfile* listProfile = m_owner ? m_owner->GetCurrentProfile() : nullptr;
    if (listProfile && (off || listProfile->IsAudioDisabled() != 0)) TakeListProfile();
    if (off) {
        if (m_ownProfile) m_ownProfile->SetAudioDisabled(1);
        if (data) data->m_bNoAudio = 1;
        if (m_manager) m_manager->SendNotify(this, L"mediaitem_audiodisabled", 1, reinterpret_cast<LPARAM>(m_media));
        RefreshJoinedRows(m_owner, this);
        return;
    }
    if (m_ownProfile) m_ownProfile->SetAudioDisabled(0);
    if (data) data->m_bNoAudio = 0;
    if (m_manager) m_manager->SendNotify(this, L"mediaitem_audiodisabled", 0, reinterpret_cast<LPARAM>(m_media));
    RefreshJoinedRows(m_owner, this);
    if (name == L"ID_ADD_AUDIO")
        PostToMainWindow(WM_VXM_ADD_AUDIO_TRACK, reinterpret_cast<WPARAM>(this), m_audioBeforeDrop);
    else
        m_media->SelectStreams(0, index, m_media->GetSelectedSubtitleStream());
}

void CMediaListItemUI::ShowAudioOff(bool off)
{
    auto* combo = dynamic_cast<CComboUI*>(Sub(L"ID_COMBO_AUDIO_TRACK"));
    if (!combo) return;
    // The next-to-last entry is the no-audio one.
    const int index = off ? combo->GetCount() - 2 : 0;
    if (index < 0 || index >= combo->GetCount()) return;
    m_curAudio = index;
    combo->SelectItem(index, false, false);
}

void CMediaListItemUI::FollowJoinedAudio(bool joined, bool firstSilent)
{
    if (!joined && !m_joinedAudio) return;
    m_joinedAudio = joined;
    auto* combo = dynamic_cast<CComboUI*>(Sub(L"ID_COMBO_AUDIO_TRACK"));
    if (!combo || !m_media) return;
    IProfile* profile = GetProfile();
    const bool silent = joined ? firstSilent : profile && profile->IsAudioDisabled() != 0;
    // The next-to-last entry is the no-audio one; the tracks lead.
    const int index = silent ? combo->GetCount() - 2 : std::max(0, m_media->GetSelectedAudioStream());
    if (index >= 0 && index < combo->GetCount()) {
        m_curAudio = index;
        combo->SelectItem(index, false, false);
    }
    combo->SetEnabled(m_media->IsProtected() != 1 && !(joined && firstSilent));
    CLanguageManager* lang = CLanguageManager::GetInstance();
    combo->SetToolTip(joined ? lang->TranslateDictionary(L"ID_STRING_JOINED_AUDIO") : lang->LoadStringW(156));
    EnableNoAudioChoice();
}

void CMediaListItemUI::EnableNoAudioChoice()
{
    if (auto* combo = dynamic_cast<CComboUI*>(Sub(L"ID_COMBO_AUDIO_TRACK")))
        for (int i = 0; i < combo->GetCount(); ++i)
            if (CControlUI* item = combo->GetItemAt(i); item && item->GetName() == L"ID_NO_AUDIO")
                item->SetEnabled(!m_audioOnlyGroup && !m_joinedAudio);
}

void CMediaListItemUI::SelectSubtitle(int index)
{
    auto* combo = dynamic_cast<CComboUI*>(Sub(L"ID_COMBO_SUBTITLE"));
    CControlUI* item = combo ? combo->GetItemAt(index) : nullptr;
    if (!item || !m_media) return;
    SendUsageAction(kUsageGroup, 117);
    m_curSubtitle = index;
    auto* data = dynamic_cast<CVXMMediaBase*>(m_media);
    const std::wstring name = item->GetName();
    if (name == L"ID_NO_SUBTITLE") {
        TakeListProfile();
        if (m_ownProfile) m_ownProfile->SetSkipSourceTracks(1);
        if (data) data->m_bNoSubtitle = 1;
        return;
    }
    if (m_ownProfile) m_ownProfile->SetSkipSourceTracks(0);
    if (data) data->m_bNoSubtitle = 0;
    if (name == L"ID_ADD_SUBTITLE")
        PostToMainWindow(WM_VXM_ADD_SUBTITLE, reinterpret_cast<WPARAM>(this), m_subtitleBeforeDrop);
    else
        m_media->SelectStreams(0, m_media->GetSelectedAudioStream(), index);
}

void CMediaListItemUI::OnComboDropDown(CControlUI* combo)
{
    auto* c = dynamic_cast<CComboUI*>(combo);
    if (!c) return;
    if (c->GetName() == L"ID_COMBO_AUDIO_TRACK") {
        SendUsageAction(kUsageGroup, 116);
        m_audioBeforeDrop = c->GetCurSel();
    } else if (c->GetName() == L"ID_COMBO_SUBTITLE") {
        m_subtitleBeforeDrop = c->GetCurSel();
    }
}

namespace {
// A combo row for an added file: its name, the full path as tooltip and data.
CListLabelElementUI* FileRow(const std::wstring& path)
{
    auto* item = new CListLabelElementUI;
    item->SetFixedHeight(25);
    item->SetText(WideFromPath(PathFromWide(path).stem()));
    item->SetToolTip(path);
    item->SetUserData(path);
    return item;
}
}  // namespace

int CMediaListItemUI::AddStreamFile(const wchar_t* comboName, const wchar_t* kind, const wchar_t* path, int previous,
                                    int& current, const std::function<int(const wchar_t*)>& add)
{
    auto* combo = dynamic_cast<CComboUI*>(Sub(comboName));
    auto restore = [&] {
        if (combo) combo->SelectItem(previous, false, false);
        current = previous;
        return -1;
    };
    if (!path || !*path || !m_media) return restore();
    const int count = add(path);
    if (count < 0) {
        LogErrorW("CMediaListItemUI", L"%ls file %ls was refused", kind, path);
        return restore();
    }
    const int at = std::max(0, count - 1);
    if (combo) {
        CListLabelElementUI* item = FileRow(path);
        if (!combo->AddAt(item, at)) delete item;
        combo->SelectItem(at, false, false);
    }
    current = at;
    return at;
}

void CMediaListItemUI::AddAudioFile(const wchar_t* path, int previous)
{
    const int at = AddStreamFile(L"ID_COMBO_AUDIO_TRACK", L"audio", path, previous, m_curAudio, [this](const wchar_t* file) {
        return m_media->AddAudioFile(file) == -1 ? -1 : m_media->GetAudioTrackCount();
    });
    if (at >= 0) m_media->SelectStreams(0, at, m_media->GetSelectedSubtitleStream());
}

int CMediaListItemUI::AddSubtitleFile(int previous, const wchar_t* path)
{
    const int at = AddStreamFile(L"ID_COMBO_SUBTITLE", L"subtitle", path, previous, m_curSubtitle, [this](const wchar_t* file) {
        return m_media->AddSubtitleFile(file) == -1 ? -1 : m_media->GetSubtitleCount();
    });
    if (at >= 0) m_media->SelectStreams(0, m_media->GetSelectedAudioStream(), at);
    return at;
}
