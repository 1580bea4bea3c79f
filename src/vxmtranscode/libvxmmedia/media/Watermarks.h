// The watermarks of a media object as SDL surfaces the player blends over
// the picture: the text rendered with SDL_ttf, the image loaded with
// SDL_image, both sized and placed in the record's reference picture.
#pragma once
#include <SDL/SDL.h>

#include <mutex>

class CVXMMediaBase;

// Held while a watermark surface is swapped or drawn.
std::mutex& WatermarkSwapLock();

// The default font (DejaVu Sans of the system fonts).
const char* DefaultWatermarkFont();

// Renders the text watermark into media.m_pTextWatermark and returns it, or
// null (no text, no video stream, font not loaded).
SDL_Surface* RenderTextWatermark(CVXMMediaBase& media);
// Loads the image watermark into media.m_pImageWatermark and returns it, or
// null (no path, no video stream, image not loaded).
SDL_Surface* LoadImageWatermark(CVXMMediaBase& media);
// Rebuilds media.m_pImageWatermarkScaled at the preview's scale.
void ScaleImageWatermarkToPreview(CVXMMediaBase& media);
