// The DVD options of a player or probe command line: "-f dvdnav" with
// "-dvd-device PATH", "-chapter N[-M]" and "-angle N", and the input
// "dvdnav://TITLE".
#pragma once
#include <string>
#include <vector>

#include "ffmpeg_state.h"

// Takes the DVD options out of `args` (element 0 is the program name) and
// returns the request they make; request.dvd stays false (and `args`
// unchanged) when there is no "-f dvdnav".
LegacyInputRequest take_dvd_input_arguments(std::vector<std::string>& args);

// The same on a run's prepared arguments: the request (if any) becomes the
// run's only entry of ctx->legacy_inputs and argv/argc are rebuilt.
void take_dvd_input_arguments(CToolContext* ctx);
