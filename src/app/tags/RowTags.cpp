#include "RowTags.h"

#include "IVXMMedia.h"
#include "ProbedTags.h"
#include "VXMGlobal.h"
#include "platform/paths.h"

#include <filesystem>
#include <mutex>
#include <unordered_map>

namespace {

struct SKeptTags {
    std::wstring source;  // the file they were read from
    int handled = 0;
    VXM_MEDIA_TAGS tags;
    std::wstring cover;   // temporary picture, empty when the file has none
};

std::mutex g_mutex;
std::unordered_map<IVXMMedia*, SKeptTags>& Kept()
{
    static std::unordered_map<IVXMMedia*, SKeptTags> kept;
    return kept;
}

void RemoveFile(const std::wstring& path)
{
    if (path.empty()) return;
    std::error_code ec;
    std::filesystem::remove(PathFromWide(path), ec);
}

// Takes the media's entry out of the table; false when there is none.
bool TakeEntry(IVXMMedia* media, SKeptTags& out)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    auto it = Kept().find(media);
    if (it == Kept().end()) return false;
    out = std::move(it->second);
    Kept().erase(it);
    return true;
}

}  // namespace

void ReadTagsForRow(IVXMMedia* media)
{
    if (!media) return;
    SKeptTags entry;
    entry.source = media->GetSourcePath();
    entry.cover = GetTempThumbnailPath();
    entry.handled = AddProbedTags(media, entry.tags, ReadMediaTagsFromFile(entry.source, entry.tags, entry.cover));
    std::error_code ec;
    if (!entry.cover.empty() && !std::filesystem::exists(PathFromWide(entry.cover), ec)) entry.cover.clear();
    SKeptTags former;
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        SKeptTags& slot = Kept()[media];
        former = std::move(slot);
        slot = std::move(entry);
    }
    RemoveFile(former.cover);
}

int TakeTagsForRow(IVXMMedia* media, VXM_MEDIA_TAGS& tags, const std::wstring& coverFile, bool* coverPlaced)
{
    if (coverPlaced) *coverPlaced = false;
    SKeptTags entry;
    if (!media || !TakeEntry(media, entry)) return -1;
    if (entry.source != media->GetSourcePath()) {
        // Kept for another media that had the same address.
        RemoveFile(entry.cover);
        return -1;
    }
    if (!entry.cover.empty()) {
        std::error_code ec;
        if (coverFile.empty()) RemoveFile(entry.cover);
        else std::filesystem::rename(PathFromWide(entry.cover), PathFromWide(coverFile), ec);
        if (ec) RemoveFile(entry.cover);
        else if (coverPlaced && !coverFile.empty()) *coverPlaced = true;
    }
    if (entry.handled == 1) tags = std::move(entry.tags);
    return entry.handled;
}

void DropTagsForRow(IVXMMedia* media)
{
    SKeptTags entry;
    if (TakeEntry(media, entry)) RemoveFile(entry.cover);
}
