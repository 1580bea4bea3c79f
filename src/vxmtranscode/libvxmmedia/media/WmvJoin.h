// Joining Windows Media (ASF/WMV) files without re-encoding: the packets of
// every input are copied into one ASF file, each input's timestamps offset by
// the exact end of the inputs before it. Metadata comes from the first input;
// the inputs' markers (chapters) are carried, shifted to their place.
#pragma once
#include <atomic>
#include <string>
#include <vector>

class CCmdFFplay;

// Result codes of the join (the step's exit code).
constexpr int VXM_WMV_OK = 0;
constexpr int VXM_WMV_E_FAIL = static_cast<int>(0x80004005u);
constexpr int VXM_WMV_E_ABORT = static_cast<int>(0x80004004u);
constexpr int VXM_WMV_E_INVALIDARG = static_cast<int>(0x80070057u);

// Joins the inputs, in order, into `output`. Stops (and removes the partial
// output) when `killFlag` becomes non-zero. Inputs whose streams do not match
// the first input's are refused before anything is written.
int JoinWmvFiles(const std::vector<std::wstring>& inputs, const std::wstring& output,
                 const std::atomic<int>* killFlag);

// The step of job type 8: joins the media's output and its join list's
// outputs into "<name>_temp<ext>" beside the output.
int WmvJoinThread(CCmdFFplay* runner);

// Duration of a WMV/ASF file in milliseconds, or -1 when it cannot be read.
int GetWMVDuration(const std::wstring& path);
