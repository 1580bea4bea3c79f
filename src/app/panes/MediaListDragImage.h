// The picture of a dragged row as a BMP file: 24-bit, bottom-up rows.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

// `bgr` holds `height` rows of `width` pixels, top row first, 3 bytes per
// pixel (blue, green, red). False when the sizes do not match or the file
// cannot be written (nothing is left behind then).
bool WriteDragBitmap(const std::wstring& path, int width, int height, const std::vector<std::uint8_t>& bgr);
// Bytes of one stored row: 3 x width rounded up to a multiple of 4.
int DragBitmapStride(int width);
