// The desktop session: file manager, power-off, idle inhibition. Every
// service is a program started from an argument list (no shell, no D-Bus
// library in the process).
#pragma once
#include "platform/types.h"
#include <string>
#include <vector>

// Shows `folder` in the desktop's file manager (xdg-open). Returns at once;
// false when the opener cannot be started.
bool OpenFolderInFileManager(const std::wstring& folder);
// Shows the folder of `file` with the file selected (the session's file
// manager service, asked over D-Bus by dbus-send and answered within two
// seconds); without that service, the folder is opened as above.
bool ShowFileInFileManager(const std::wstring& file);
// The file:// address of an absolute path, every byte but letters, digits,
// "-._~" and "/" percent-encoded.
std::wstring FileUriOfPath(const std::wstring& path);

// Asks systemd-logind to power the machine off (systemctl poweroff, with the
// session's own permissions and no password prompt). False with a reason when
// refused or when no answer came within 30 seconds.
bool RequestPowerOff(std::wstring& error);

// Idle inhibition: screen saver, screen blanking and idle suspend stay away
// while at least one hold exists. Holds nest. The inhibitor is a child whose
// input is a pipe from us, so the desktop releases it when this process ends
// in any way.
void AcquireIdleInhibit();
void ReleaseIdleInhibit();
int GetIdleInhibitHolds();
bool IsIdleInhibitorRunning();

// Tests replace the programs (the argument list is used as given; for the
// inhibitor, a program that runs until its standard input ends).
// For the file selector, the file's address is added as the last two
// arguments ("array:string:<address>", "string:").
enum class EDesktopCommand { FileManager, FileSelector, PowerOff, IdleInhibit };
void SetDesktopCommandForTesting(EDesktopCommand which, const std::vector<std::wstring>& args);
// How long a power-off request may take (30 seconds by default).
void SetPowerOffWaitForTesting(DWORD ms);
