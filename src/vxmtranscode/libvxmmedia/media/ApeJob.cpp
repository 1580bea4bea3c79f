#include "ApeJob.h"

#include "CmdFFplay.h"
#include "EngineLog.h"
#include "tool_log.h"
#include "platform/text.h"

#include <chrono>
#include <cstdio>
#include <fstream>
#include <mutex>

namespace {

const char kLogCategory[] = "ApeJob";

// Stands in while no Monkey's Audio encoder is built in: every compression
// fails clearly instead of writing a file that would not decode.
class CMissingApeCompressor : public IApeCompressor {
public:
    int CompressFile(const std::wstring& input, const std::wstring&, int, int* percent, VXM_APE_PROGRESS_FUNC,
                     const std::atomic<int>* killFlag) override
    {
        if (percent)
            *percent = 0;
        if (killFlag && killFlag->load() != 0)
            return VXM_APE_ERROR_USER_STOPPED;
        log_tool_error(kLogCategory, "APE encoder not available: \"%s\" was not compressed",
                       WideToUtf8(input).c_str());
        return VXM_APE_ERROR_NO_ENCODER;
    }
};

CMissingApeCompressor g_missingCompressor;
std::atomic<IApeCompressor*> g_pCompressor{nullptr};

// Start of the current encoding and the last tenth of it logged; one
// process-wide value each.
std::atomic<long long> g_nApeStartMs{0};
std::atomic<int> g_nApeLoggedTenth{-1};

long long NowMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

}  // namespace

IApeCompressor& GetApeCompressor()
{
    IApeCompressor* compressor = g_pCompressor.load();
    return compressor ? *compressor : g_missingCompressor;
}

void SetApeCompressor(IApeCompressor* compressor)
{
    g_pCompressor = compressor;
}

std::string FormatApeProgress(int progress, double elapsed)
{
    char line[160];
    const double fraction = progress / 100000.0;
    if (fraction <= 0.0) {
        // Nothing done yet: no remaining time can be told.
        std::snprintf(line, sizeof(line), "Progress: %.1f%% (%.1f seconds total)", 0.0, elapsed);
    } else {
        std::snprintf(line, sizeof(line), "Progress: %.1f%% (%.1f seconds remaining, %.1f seconds total)",
                      fraction * 100.0, elapsed * (1.0 / fraction - 1.0), elapsed);
    }
    return line;
}

void ApeProgressCallback(int progress)
{
    // One line for each tenth done: the log is no progress bar.
    const int tenth = progress / 10000;
    if (g_nApeLoggedTenth.exchange(tenth) == tenth)
        return;
    const double elapsed = static_cast<double>(NowMs() - g_nApeStartMs.load()) / 1000.0;
    LogMessageA(kLogCategory, "%s", FormatApeProgress(progress, elapsed).c_str());
}

int ApeEncodeThread(CCmdFFplay* runner)
{
    if (!runner || !runner->m_pCurrentJob) {
        LogMessageA(kLogCategory, "the APE step has no job record");
        return -1;
    }
    const std::wstring input = runner->m_pCurrentJob->strInput;
    const std::wstring output = runner->m_pCurrentJob->strOutput;
    {
        std::ifstream probe(WideToUtf8(input), std::ios::binary);
        if (input.empty() || !probe) {
            log_tool_error(kLogCategory, "Input File Not Found: \"%s\"", WideToUtf8(input).c_str());
            return -1;
        }
    }
    g_nApeStartMs = NowMs();
    g_nApeLoggedTenth = -1;
    LogMessageA(kLogCategory, "Converting...");
    // The runner's kill flag is left as it is: a stop asked before this point
    // still ends the step.
    int percent = 0;
    const int result = GetApeCompressor().CompressFile(input, output, VXM_APE_COMPRESSION_LEVEL, &percent,
                                                       &ApeProgressCallback, &runner->m_nKillFlag);
    if (result == 0)
        LogMessageA(kLogCategory, "Success...");
    else
        log_tool_error(kLogCategory, "APE compression failed: error %i", result);
    return result;
}
