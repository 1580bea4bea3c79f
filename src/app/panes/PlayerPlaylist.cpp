#include "PlayerPlaylist.h"

#include "PlayerCommandLine.h"

#include <cmath>

PlaylistEntry MakePlaylistEntry(const std::wstring& path)
{
    PlaylistEntry entry;
    entry.Path = path;
    const size_t slash = path.rfind(L'/');
    if (slash != std::wstring::npos) entry.DisplayName = path.substr(slash + 1);
    return entry;
}

PlaylistEntry* CPlayerPlaylist::At(int index)
{
    return index >= 0 && static_cast<size_t>(index) < m_entries.size() ? &m_entries[static_cast<size_t>(index)] : nullptr;
}

const PlaylistEntry* CPlayerPlaylist::At(int index) const
{
    return const_cast<CPlayerPlaylist*>(this)->At(index);
}

int CPlayerPlaylist::Find(const std::wstring& path) const
{
    for (size_t i = 0; i < m_entries.size(); ++i)
        if (m_entries[i].Path == path) return static_cast<int>(i);
    return -1;
}

std::vector<int> CPlayerPlaylist::Add(const std::vector<std::wstring>& paths)
{
    std::vector<int> added;
    for (const std::wstring& path : paths) {
        const int listed = Find(path);
        if (listed >= 0) {
            m_current = listed;
            continue;
        }
        m_entries.push_back(MakePlaylistEntry(path));
        m_current = static_cast<int>(m_entries.size() - 1);
        added.push_back(m_current);
    }
    if (!paths.empty() && !paths.front().empty()) m_current = Find(paths.front());
    return added;
}

bool CPlayerPlaylist::Remove(int index)
{
    if (!At(index)) return false;
    m_entries.erase(m_entries.begin() + index);
    if (index <= m_current && m_current > 0) --m_current;
    if (m_entries.empty()) m_current = 0;
    return true;
}

void CPlayerPlaylist::Clear()
{
    m_entries.clear();
    m_current = 0;
}

void CPlayerPlaylist::SetCurrentResume(double seconds)
{
    if (PlaylistEntry* entry = Current())
        entry->ResumeSeconds = std::isfinite(seconds) && seconds > 0 ? static_cast<int64_t>(seconds) : 0;
}

void CPlayerPlaylist::ClearCurrentResume()
{
    if (PlaylistEntry* entry = Current()) entry->ResumeSeconds = 0;
}

int CPlayerPlaylist::NextAfterEnd(int playMode, const std::function<int(int)>& random) const
{
    const int size = static_cast<int>(m_entries.size());
    if (size == 0) return -1;
    switch (playMode) {
    case PLAY_MODE_SEQUENTIAL:
        return m_current + 1 < size ? m_current + 1 : -1;
    case PLAY_MODE_RANDOM: {
        const int pick = random ? random(size) : 0;
        return pick >= 0 && pick < size ? pick : 0;
    }
    case PLAY_MODE_REPEAT_ALL:
        return m_current + 1 < size ? m_current + 1 : 0;
    default:  // once; repeat one loops inside the player, so its end is the end
        return -1;
    }
}
