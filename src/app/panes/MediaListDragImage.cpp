#include "MediaListDragImage.h"
#include "platform/paths.h"

#include <cstdio>
#include <filesystem>
#include <fstream>

namespace {

void Put16(std::vector<std::uint8_t>& out, std::uint16_t v)
{
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}

void Put32(std::vector<std::uint8_t>& out, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

}  // namespace

int DragBitmapStride(int width)
{
    return (24 * width + 31) / 32 * 4;
}

bool WriteDragBitmap(const std::wstring& path, int width, int height, const std::vector<std::uint8_t>& bgr)
{
    if (width <= 0 || height <= 0 || bgr.size() != static_cast<size_t>(width) * height * 3) return false;
    const int stride = DragBitmapStride(width);
    const std::uint32_t imageSize = static_cast<std::uint32_t>(stride) * height;
    std::vector<std::uint8_t> out;
    out.reserve(54 + imageSize);
    // File header.
    out.push_back('B');
    out.push_back('M');
    Put32(out, 54 + imageSize);
    Put32(out, 0);
    Put32(out, 54);
    // Information header: no compression, one plane.
    Put32(out, 40);
    Put32(out, static_cast<std::uint32_t>(width));
    Put32(out, static_cast<std::uint32_t>(height));
    Put16(out, 1);
    Put16(out, 24);
    Put32(out, 0);
    Put32(out, imageSize);
    Put32(out, 0);
    Put32(out, 0);
    Put32(out, 0);
    Put32(out, 0);
    // Rows bottom-up, each padded to the stride.
    for (int y = height - 1; y >= 0; --y) {
        const auto* row = bgr.data() + static_cast<size_t>(y) * width * 3;
        out.insert(out.end(), row, row + width * 3);
        out.insert(out.end(), stride - width * 3, 0);
    }
    const std::filesystem::path file = PathFromWide(path);
    std::ofstream stream(file, std::ios::binary | std::ios::trunc);
    if (!stream) return false;
    stream.write(reinterpret_cast<const char*>(out.data()), static_cast<std::streamsize>(out.size()));
    stream.close();
    if (!stream) {
        std::error_code ec;
        std::filesystem::remove(file, ec);
        return false;
    }
    return true;
}
