// The TV system of a disc profile, read one way everywhere: what the burner
// is set up for and what it authors.
#pragma once
#include <vector>

class IProfile;

enum class ETvSystem { None, Pal, Ntsc, Avchd };

// "PAL", "NTSC" or "avchd" in any case; None for other profiles and none.
ETvSystem TvSystemOf(IProfile* profile);
// True when every profile has the TV system of the first (and for none).
bool SameTvSystem(const std::vector<IProfile*>& profiles);
