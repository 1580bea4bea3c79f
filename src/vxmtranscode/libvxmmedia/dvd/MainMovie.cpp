#include "MainMovie.h"

#include "DvdDisc.h"
#include "EngineLog.h"

namespace {
constexpr const char* kLogCategory = "CDravel";

// Length in ms and chapter count of a title; -1 when it cannot be read.
int TitleLength(CDvdDisc& disc, int number, int& chapters)
{
    chapters = 0;
    const title_info_t* info = disc.Title(number);
    ifo_handle_t* vts = info ? disc.TitleSet(info->title_set_nr) : nullptr;
    if (!vts || info->vts_ttn < 1 || info->vts_ttn > vts->vts_ptt_srpt->nr_of_srpts)
        return -1;
    const ttu_t& ttu = vts->vts_ptt_srpt->title[info->vts_ttn - 1];
    chapters = ttu.nr_of_ptts;
    int length = 0;
    int lastChain = -1;
    for (int j = 0; j < ttu.nr_of_ptts; ++j) {
        const int pgcn = ttu.ptt[j].pgcn;
        if (pgcn == lastChain)
            continue;
        lastChain = pgcn;
        if (pgcn < 1 || pgcn > vts->vts_pgcit->nr_of_pgci_srp || !vts->vts_pgcit->pgci_srp[pgcn - 1].pgc)
            return -1;
        length += DvdTimeToMs(vts->vts_pgcit->pgci_srp[pgcn - 1].pgc->playback_time);
    }
    return length;
}
}  // namespace

void CDravel::InitDravel()
{
    m_bStop.store(false);
    m_bFindEnd.store(false);
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
    CDvdDisc disc;
    if (!disc.Open(*path))
        return -1;
    int best = -1, bestLength = -1, bestChapters = -1;
    for (int n = 1; n <= disc.TitleCount(); ++n) {
        if (m_bStop.load()) {
            LogMessageA(kLogCategory, "main-movie detection of \"%s\" stopped at title %d", *path, n);
            return -1;
        }
        int count = 0;
        const int length = TitleLength(disc, n, count);
        if (length > bestLength || (length == bestLength && count > bestChapters)) {
            best = n;
            bestLength = length;
            bestChapters = count;
        }
    }
    if (best < 0)
        return -1;
    if (chapters)
        chapters->store(bestChapters);
    if (titleSet)
        titleSet->store(disc.Title(best)->title_set_nr);
    mainMovie->store(best);
    return 0;
}

void CDravel::ReleaseDravel()
{
    m_bStop.store(true);
}
