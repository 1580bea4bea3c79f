// The host window the player draws into (the interface the program sees).
// The player finds it through the media object's preview window, else
// through SDL_WINDOWID (the handle's value in decimal).
#pragma once

#include "VXMPlayerHost.h"
