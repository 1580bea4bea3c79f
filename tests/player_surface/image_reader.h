// Decodes a still image file (PNG, BMP) with libavformat into RGBA pixels.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

struct CDecodedImage {
    int width = 0, height = 0;
    int format = -1;                 // pixel format of the file's decoder
    std::vector<uint8_t> rgba;       // width * height * 4
    const uint8_t* At(int x, int y) const { return &rgba[(static_cast<size_t>(y) * width + x) * 4]; }
};

bool DecodeImage(const std::string& path, CDecodedImage& out);
