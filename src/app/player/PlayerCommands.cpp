#include "PlayerCommands.h"

#include "Log.h"
#include "platform/text.h"

namespace PlayerCommand {

std::wstring Volume(int volume) { return FormatW(L"pausing_keep volume %d %d\n", volume, 1); }
std::wstring Seek(int value, int type) { return FormatW(L"pausing_keep seek %d %d\n", value, type); }
std::wstring Mute(bool on) { return on ? L"pausing_keep mute 1\n" : L"pausing_keep mute 0\n"; }
std::wstring SelectSubtitleFile(int id) { return FormatW(L"sub_file %d\n", id); }
std::wstring SwitchAudio(int id) { return FormatW(L"pausing_keep switch_audio %d\n", id); }
std::wstring SelectSubtitle(int id) { return FormatW(L"pausing_keep sub_select %d\n", id); }
std::wstring SwitchTitle(int title) { return FormatW(L"switch_title %d\n", title); }
std::wstring SwitchRatio(float ratio) { return FormatW(L"pausing_keep switch_ratio %.6f\n", static_cast<double>(ratio)); }
std::wstring MousePosition(int x, int y) { return FormatW(L"set_mouse_pos %d %d\n", x, y); }

bool LoadSubtitle(const std::wstring& path, std::wstring& text)
{
    text.clear();
    std::wstring escaped;
    for (wchar_t c : path) {
        if (c == L'"' || c < 0x20 || c == 0x7f || c == 0x2028 || c == 0x2029) return false;
        escaped += c;
        if (c == L'\\') escaped += c;
    }
    if (escaped.empty()) return false;
    text = L"pausing_keep sub_load \"" + escaped + L"\"\n";
    return true;
}

}  // namespace PlayerCommand

float PlayerAspectRatio(int mode, int videoWidth, int videoHeight)
{
    static constexpr float kRatios[] = {1.0f, 1.5f, 4.0f / 3.0f, 1.25f, 14.0f / 9.0f, 1.4f, 16.0f / 9.0f, 1.6f, 2.35f};
    if (mode >= 1 && mode <= 9) return kRatios[mode - 1];
    if (videoWidth <= 0 || videoHeight <= 0) return 0.0f;
    return static_cast<float>(videoWidth) / static_cast<float>(videoHeight);
}

bool SendPlayerCommand(CCmdMplayer* player, const std::wstring& text)
{
    if (!player || !player->IsChildRunning()) return false;
    return player->Printf(L"%ls", text.c_str());
}

void StopPlayer(std::unique_ptr<CCmdMplayer>& player, unsigned quitWaitMs)
{
    if (!player) return;
    std::unique_ptr<CCmdMplayer> ending = std::move(player);
    CChildProcess* child = ending->m_hChildProcess.get();
    if (child && child->IsRunning()) {
        SendPlayerCommand(ending.get(), PlayerCommand::kQuit);
        if (!child->Wait(quitWaitMs)) {
            LogInfo("CPlayerPaneUI", "The player did not quit within %u ms; terminating it.", quitWaitMs);
            child->Terminate();
            if (!child->Wait(500)) {
                child->Kill();
                child->Wait(1000);
            }
        }
    }
    ending->Close();  // joins the reader; a child still there is killed and reaped
}

std::unique_ptr<CCmdMplayer> StartPlayer(const std::wstring& commandLine, HWND notifyWindow, int niceness)
{
    auto player = std::make_unique<CCmdMplayer>();
    player->SetNotifyWindow(notifyWindow);
    if (!player->Open(commandLine)) {
        LogErrorW("CPlayerPaneUI", L"The player did not start: %ls", commandLine.c_str());
        return nullptr;
    }
    if (niceness != 0 && player->m_hChildProcess && !player->m_hChildProcess->SetNiceness(niceness))
        LogInfo("CPlayerPaneUI", "The player's priority stays: %s", player->m_hChildProcess->LastError().c_str());
    return player;
}
