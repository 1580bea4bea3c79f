// Usage statistics. Sending is off unless the user's setting UseSendAction
// is on (SendUsageAction checks it); this build sends nothing anywhere: the
// actions handed over are only kept in memory.
#pragma once
#include <string>
#include <vector>

void SetDefaultUser(const char* user);
void SetSendActionService(const wchar_t* service);
void SetSendActionVersion(int kind, int major, int minor, int build);
void SendStatsAction(int action, const char* user, int value);

// What SendStatsAction was given so far (oldest first), and a reset.
struct CStatsAction {
    int action = 0;
    std::string user;
    int value = 0;
};
std::vector<CStatsAction> GetRecordedStatsActions();
void ClearRecordedStatsActions();
