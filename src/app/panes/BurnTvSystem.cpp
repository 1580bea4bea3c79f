#include "BurnTvSystem.h"

#include "IProfile.h"
#include "platform/text.h"

ETvSystem TvSystemOf(IProfile* profile)
{
    if (!profile) return ETvSystem::None;
    const std::wstring tv = profile->GetTvSystem();
    if (CompareNoCaseW(tv, L"NTSC") == 0) return ETvSystem::Ntsc;
    if (CompareNoCaseW(tv, L"PAL") == 0) return ETvSystem::Pal;
    if (CompareNoCaseW(tv, L"avchd") == 0) return ETvSystem::Avchd;
    return ETvSystem::None;
}

bool SameTvSystem(const std::vector<IProfile*>& profiles)
{
    for (IProfile* profile : profiles)
        if (TvSystemOf(profile) != TvSystemOf(profiles.front())) return false;
    return true;
}
