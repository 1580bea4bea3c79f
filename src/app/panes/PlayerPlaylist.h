// The player's play list: entries with their resume positions and subtitle
// files, the current entry, and where playback goes at the end of a file.
// Every access by index is checked: an index past the end (an answer of the
// player still queued after the list was cleared) reaches no entry.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

struct PlaylistEntry {
    std::wstring Path;          // "dvdnav://" for every DVD source
    std::wstring DisplayName;   // behind the last "/", empty when there is none
    std::wstring SubtitleFile;  // loaded for this entry
    int64_t ResumeSeconds = 0;  // where its next playback starts
};

PlaylistEntry MakePlaylistEntry(const std::wstring& path);

class CPlayerPlaylist {
public:
    size_t Size() const { return m_entries.size(); }
    bool Empty() const { return m_entries.empty(); }
    int CurrentIndex() const { return m_current; }
    void SetCurrentIndex(int index) { m_current = index; }
    // The entry at the index / the current one; null when out of range.
    PlaylistEntry* At(int index);
    const PlaylistEntry* At(int index) const;
    PlaylistEntry* Current() { return At(m_current); }
    // Index of the entry with exactly this path; -1 when none.
    int Find(const std::wstring& path) const;

    // Adds the paths in order; a listed path is not added again but becomes
    // current. Afterwards the entry of the first path is current. Returns
    // the indices of the entries that were added (their rows are new).
    std::vector<int> Add(const std::vector<std::wstring>& paths);
    // Removes the entry; the current index moves back by one (not below 0)
    // when the entry was at or before it.
    bool Remove(int index);
    void Clear();

    // Remembers the position of the current entry (whole seconds).
    void SetCurrentResume(double seconds);
    void ClearCurrentResume();

    // Where playback goes when the current file ended, by play mode (0 once,
    // 1 sequential, 2 random, 3 repeat one, 4 repeat all): the index to play
    // next, or -1 to stop. `random(n)` picks a number below n.
    int NextAfterEnd(int playMode, const std::function<int(int)>& random) const;

private:
    std::vector<PlaylistEntry> m_entries;
    int m_current = 0;
};
