// Stand-in for the statistics library: keeps the last actions in memory and
// sends nothing.
#include "VXMStats.h"
#include "LockedState.h"

namespace {

constexpr size_t kMaxKept = 256;

struct CStatsState {
    std::string user;
    std::wstring service;
    std::vector<CStatsAction> actions;
};

using State = CLockedState<CStatsState>;

}  // namespace

void SetDefaultUser(const char* user)
{
    State::With([&](CStatsState& s) { s.user = user ? user : ""; });
}

void SetSendActionService(const wchar_t* service)
{
    State::With([&](CStatsState& s) { s.service = service ? service : L""; });
}

void SetSendActionVersion(int, int, int, int) {}

void SendStatsAction(int action, const char* user, int value)
{
    State::With([&](CStatsState& s) {
        if (s.actions.size() >= kMaxKept) s.actions.erase(s.actions.begin());
        s.actions.push_back({action, user ? user : "", value});
    });
}

std::vector<CStatsAction> GetRecordedStatsActions()
{
    return State::With([](CStatsState& s) { return s.actions; });
}

void ClearRecordedStatsActions()
{
    State::With([](CStatsState& s) { s.actions.clear(); });
}
