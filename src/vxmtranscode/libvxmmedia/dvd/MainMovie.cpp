#include "MainMovie.h"

#include "DvdStructure.h"
#include "EngineLog.h"

namespace {
constexpr const char* kLogCategory = "CDravel";
}  // namespace

void CDravel::InitDravel()
{
    m_bStop.store(false);
    m_bFindEnd.store(false);
    m_read.reset();
}

int CDravel::FindTitleNrOfMainmovie(const char* const* path, int discSizeMiB, std::atomic<int>* mainMovie,
                                    std::atomic<int>* chapters, std::atomic<int>* titleSet)
{
    struct EndMark {
        std::atomic<bool>& flag;
        ~EndMark() { flag.store(true); }
    } endMark{m_bFindEnd};

    if (!path || !*path || discSizeMiB <= 0 || !mainMovie)
        return -1;
    if (m_bStop.load()) {
        LogMessageA(kLogCategory, "main-movie detection of \"%s\" stopped before it began", *path);
        return -1;
    }
    auto info = std::make_shared<dvd_info>();
    if (ReadDvdStructure(*path, *info, &m_bStop) != 0)
        return -1;
    const dvd_title_record* best = nullptr;
    for (const dvd_title_record& r : info->titles) {
        if (!best || r.chain_length_ms > best->chain_length_ms ||
            (r.chain_length_ms == best->chain_length_ms && r.chapters.size() > best->chapters.size()))
            best = &r;
    }
    if (!best)
        return -1;
    if (chapters)
        chapters->store(static_cast<int>(best->chapters.size()));
    if (titleSet)
        titleSet->store(best->second_value);
    mainMovie->store(best->title_number);
    m_read = std::move(info);
    return 0;
}

std::shared_ptr<const dvd_info> CDravel::TakeStructure()
{
    return std::move(m_read);
}

void CDravel::ReleaseDravel()
{
    m_bStop.store(true);
}
