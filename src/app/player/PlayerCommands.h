// The media player's slave commands (texts written to its standard input)
// and the calls that write them to a running player and stop it.
#pragma once
#include "CmdMplayer.h"

#include <memory>
#include <string>

namespace PlayerCommand {
inline constexpr const wchar_t* kPause = L"pause\n";
inline constexpr const wchar_t* kRemoveSubtitles = L"pausing_keep sub_remove\n";
inline constexpr const wchar_t* kDvdMenu = L"dvdnav menu\n";
inline constexpr const wchar_t* kFrameStep = L"frame_step\n";
inline constexpr const wchar_t* kDvdMenuClick = L"pausing_keep_force dvdnav mouse\n";
inline constexpr const wchar_t* kTimePosition = L"get_time_pos\n";
inline constexpr const wchar_t* kTimeLength = L"get_time_length\n";
// The position asked while paused, without resuming.
inline constexpr const wchar_t* kTimePositionPaused = L"pausing_keep_force get_time_pos\n";
inline constexpr const wchar_t* kQuit = L"quit\n";

std::wstring Volume(int volume);
std::wstring Seek(int value, int type);
std::wstring Mute(bool on);
std::wstring SelectSubtitleFile(int id);
std::wstring SwitchAudio(int id);
std::wstring SelectSubtitle(int id);
std::wstring SwitchTitle(int title);
std::wstring SwitchRatio(float ratio);
std::wstring MousePosition(int x, int y);
// "sub_load" of a subtitle file (backslashes doubled). False, and no text,
// when the path holds a double quote or a control character: either would
// end the quoted argument or the command, and what follows would run as
// further commands.
bool LoadSubtitle(const std::wstring& path, std::wstring& text);
}  // namespace PlayerCommand

// The ratio of an aspect mode (1 "1:1" ... 9 "2.35:1"); any other mode the
// video's own width / height, 0 when that is unknown.
float PlayerAspectRatio(int mode, int videoWidth, int videoHeight);

// Writes the text when the player runs; false, with nothing written, when
// there is no player or it has ended.
bool SendPlayerCommand(CCmdMplayer* player, const std::wstring& text);

// Ends the player within bounded time: "quit" on its input and up to
// `quitWaitMs` for it to leave, then SIGTERM to its process group and a
// short wait, then SIGKILL; the reader thread is joined and the object
// freed. Nothing when there is no player.
void StopPlayer(std::unique_ptr<CCmdMplayer>& player, unsigned quitWaitMs = 1500);

// Starts the player with the command line and its events going to
// `notifyWindow`, at the niceness; null when it cannot start (logged).
std::unique_ptr<CCmdMplayer> StartPlayer(const std::wstring& commandLine, HWND notifyWindow, int niceness);
