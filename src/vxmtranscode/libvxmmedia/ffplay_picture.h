// Picture changes of the player's compare view: the adjustment lookup
// tables, flips, quarter-turn rotations and crop-and-scale of YUV 4:2:0
// pictures.
#pragma once
#include <cstdint>

extern "C" {
#include <libavutil/frame.h>
}

namespace ffplay_detail {

// Output byte for each input byte at these parameters. A gamma outside
// 0.001..1000 counts as 1.
void BuildAdjustLut(double contrast, double brightness, double gamma, uint8_t lut[256]);
// True when the parameters leave a plane as it is.
bool IsIdentityAdjust(double contrast, double brightness, double gamma);
// Runs every byte of a plane through the table, in place.
void ApplyAdjustLut(const uint8_t lut[256], uint8_t* data, int width, int height, int pitch);

// The clip settings the compare view applies.
struct CPictureTransform {
    int rotate = 0;            // 0 none, 1 = 90 clockwise, 2 = 180, 3 = 90 counter-clockwise
    bool flipVertical = false;
    bool flipHorizontal = false;
    bool rotateFirst = false;
};

// A new YUV 4:2:0 picture with the flips and the rotation applied; null when
// the picture is not planar YUV with 8-bit samples.
AVFrame* TransformPicture(const AVFrame* src, const CPictureTransform& t);
// Cuts the rectangle out of the picture and scales it back to the full size,
// in place. Negative left/top count as 0; the rectangle is kept inside the
// picture. False when nothing could be done.
bool CropAndScale(AVFrame* frame, int left, int top, int width, int height);

}  // namespace ffplay_detail

class CVXMMediaBase;

namespace ffplay_detail {

// The picture with the media's crop, flips and rotation applied, as a new
// frame; null when the media asks for no change (or there is no media).
AVFrame* ClipSettingsPicture(const CVXMMediaBase* media, const AVFrame* picture);

}  // namespace ffplay_detail

struct SDL_Surface;

namespace ffplay_detail {

// Writes the surface's pixels (8, 16 or 32 bits; other depths draw nothing)
// as YUV over a 4:2:0 picture at (x, y), clipped to the picture; chroma is
// taken from the pixels at even rows and columns. No alpha blending.
// planes/pitches: Y, U, V. False when nothing was drawn.
bool DrawSurfaceIntoYuv(SDL_Surface* surface, uint8_t* const planes[3], const int pitches[3], int width, int height,
                        int x, int y);

}  // namespace ffplay_detail
