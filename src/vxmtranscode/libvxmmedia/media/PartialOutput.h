// A conversion writes its output under a temporary name in the output folder
// and gives it the final name only when the job succeeds, so that a stop, a
// failure or a killed program never leaves a partial file under the finished
// name. A journal in the user's data folder names the temporaries in use;
// those of a run that is gone are removed at the next start.
#pragma once
#include <string>

#include "JobCommand.h"

// The temporary name of an output: ".vxmpart-<process>-<n>-<name>" beside it
// (the extension stays last, so tools still tell the format by it).
std::wstring MakePartialOutputPath(const std::wstring& output);

// Points every step that writes (or reads) `output` at a temporary name and
// records it in the journal. The temporary name, or empty when no step
// writes the output (the queue is left as it was).
std::wstring UsePartialOutput(VXM_JOB_QUEUE& queue, const std::wstring& output);

// Gives the temporary file the final name. False (the temporary is removed)
// when it cannot; a missing temporary is fine when the final file exists.
bool FinishPartialOutput(const std::wstring& partial, const std::wstring& output);
// Removes the temporary file and its journal entry.
void DropPartialOutput(const std::wstring& partial);

// A tool's message about the temporary file, told with the output's own name
// (the temporary is gone once the user reads it).
std::wstring NameOutputIn(std::wstring message, const std::wstring& partial, const std::wstring& output);

// Removes the temporaries (and journal entries) of processes that are gone.
// The number of files removed.
int CleanStalePartialOutputs();
