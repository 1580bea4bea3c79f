// Profiles shown by more than one place at a time. A row owns its private
// profile through a shared pointer, so an editor that shows it keeps it
// alive even when the row replaces or drops it; catalogue profiles belong
// to the engine's manager and are only borrowed.
#pragma once
#include "IProfile.h"

#include <memory>

// A non-owning handle on a profile that outlives every holder (the catalogue's).
inline std::shared_ptr<IProfile> BorrowProfile(IProfile* profile)
{
    return std::shared_ptr<IProfile>(std::shared_ptr<IProfile>(), profile);
}
