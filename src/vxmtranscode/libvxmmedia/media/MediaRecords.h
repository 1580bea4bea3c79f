// Data operations the media objects share: external stream records in a
// stream list, the stream-selection check and the source names of a disc's
// title or track.
#pragma once
#include <iterator>
#include <list>
#include <memory>
#include <string>

#include "VXMMediaBase.h"

// Appends an external audio file's record (id -1); -1 for an empty path.
int AddExternalAudio(std::list<std::unique_ptr<VXM_AUDIO_TRACK>>& list, const std::wstring& path);
// Appends an external subtitle file's record; -1 for an empty path or a
// type other than .srt, .ass or .ssa.
int AddExternalSubtitle(std::list<std::unique_ptr<VXM_SUBTITLE>>& list, const std::wstring& path);

// The record at a list position, or null.
template <class T>
T* RecordAt(const std::list<std::unique_ptr<T>>& list, int index)
{
    if (index < 0 || static_cast<size_t>(index) >= list.size())
        return nullptr;
    return std::next(list.begin(), index)->get();
}

// Removes the external record at a list position; -1 when there is none.
template <class T>
int RemoveExternal(std::list<std::unique_ptr<T>>& list, int index)
{
    T* record = RecordAt(list, index);
    if (!record || !record->m_bExternal)
        return -1;
    list.erase(std::next(list.begin(), index));
    return 0;
}

// Sets the selection (-1 means "none"); anything below or past the lists is
// refused with -1.
int SelectMediaStreams(CVXMMediaBase& data, int video, int audio, int subtitle, int audioCount, int subtitleCount);

// The source names of a disc's title or track: the address's last part as
// title ("dvdnav://3" gives "3", "track 3" stays), no extension, and the
// disc path as folder.
void SetDiscSourcePath(CVXMMediaBase& data, const std::wstring& path);
