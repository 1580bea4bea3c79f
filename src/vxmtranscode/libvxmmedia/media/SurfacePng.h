// Writes an SDL 1.2 surface as a PNG file (8-bit palette, 24-bit or 32-bit
// surfaces; pixel bytes in blue-green-red order).
#pragma once
#include <SDL/SDL.h>

#include <string>

// 0 on success, -1 on failure with the reason in SDL_GetError(). The stream
// belongs to the call: it is closed on success and on failure alike.
int SDL_SavePNG_RW(SDL_Surface* surface, SDL_RWops* dst);

// Writes the surface to a file. On failure the partial file is removed.
int SDL_SavePNG(SDL_Surface* surface, const std::string& path);
