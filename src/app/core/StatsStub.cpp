// Stand-in for the statistics library: keeps the last actions in memory and
// sends nothing.
#include "VXMStats.h"

#include <mutex>

namespace {

constexpr size_t kMaxKept = 256;

struct CStatsState {
    std::mutex mutex;
    std::string user;
    std::wstring service;
    std::vector<CStatsAction> actions;
};

CStatsState& State()
{
    static CStatsState state;
    return state;
}

}  // namespace

void SetDefaultUser(const char* user)
{
    std::lock_guard<std::mutex> lock(State().mutex);
    State().user = user ? user : "";
}

void SetSendActionService(const wchar_t* service)
{
    std::lock_guard<std::mutex> lock(State().mutex);
    State().service = service ? service : L"";
}

void SetSendActionVersion(int, int, int, int) {}

void SendStatsAction(int action, const char* user, int value)
{
    std::lock_guard<std::mutex> lock(State().mutex);
    auto& actions = State().actions;
    if (actions.size() >= kMaxKept) actions.erase(actions.begin());
    actions.push_back({action, user ? user : "", value});
}

std::vector<CStatsAction> GetRecordedStatsActions()
{
    std::lock_guard<std::mutex> lock(State().mutex);
    return State().actions;
}

void ClearRecordedStatsActions()
{
    std::lock_guard<std::mutex> lock(State().mutex);
    State().actions.clear();
}
