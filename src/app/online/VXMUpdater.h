// The update framework's calls, in the shape the program makes them. The
// program's own update check is not part of this build: the framework takes
// its settings without using them and keeps its callbacks; a shut-down
// request reaches the program through the registered callback.
#pragma once

using win_sparkle_can_shutdown_callback_t = int (*)();
using win_sparkle_shutdown_request_callback_t = void (*)();

void win_sparkle_set_appcast_url(const char* url);
void win_sparkle_init();
void win_sparkle_cleanup();
void win_sparkle_set_can_shutdown_callback(win_sparkle_can_shutdown_callback_t callback);
void win_sparkle_set_shutdown_request_callback(win_sparkle_shutdown_request_callback_t callback);
void win_sparkle_set_locale(const char* lang);
// Logs that no update check is available here.
void win_sparkle_check_update_with_ui();

// The framework's side of an update that wants the program closed: asks the
// can-shut-down callback, then calls the shut-down request callback. Any
// thread. False when no callback is set, the framework is not running or the
// program refused.
bool win_sparkle_request_shutdown();
