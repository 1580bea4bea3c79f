// Pixel helpers for the player's SDL surfaces and the watermark canvas
// written as a PNG file for the logo overlay of a conversion.
#pragma once
#include <SDL/SDL.h>

#include <cstdint>
#include <string>

// The pixel at (x, y) as its raw value (1 to 4 bytes wide).
uint32_t GetPixel(SDL_Surface* surface, int x, int y);
void PutPixel(uint32_t value, SDL_Surface* surface, int x, int y);
// A new surface of the given size, same depth and masks, nearest-neighbour
// sampled. Null on failure.
SDL_Surface* ScaleSurface(SDL_Surface* surface, int width, int height);
// A fully transparent 32-bit surface.
SDL_Surface* CreateTransparentCanvas(int width, int height);
void LockSurfaceIfNeeded(SDL_Surface* surface);
void UnlockSurfaceIfNeeded(SDL_Surface* surface);

// Keeps a box of w x h at (x, y) inside a reference area of refW x refH:
// the size is cut to the area, the position moved back inside it (never
// below 0). A zero or negative area leaves a zero-sized box at 0, 0.
void ClampWatermarkBox(int& x, int& y, int& w, int& h, int refW, int refH);

// Draws the watermark scaled to w x h at (x, y) on a transparent canvas of
// the output size and writes it as PNG. x and y come back as placed. The
// surface's pixels are 32-bit ARGB values. 0 on success, -1 on failure (no
// file left behind).
int SaveOverlayPng(SDL_Surface* surface, const std::string& path, int& x, int& y, int outWidth, int outHeight,
                   int w, int h);
