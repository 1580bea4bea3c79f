// The BMP file that pictures a dragged row.
#include "panes/MediaListDragImage.h"
#include "support/test_media.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <vector>

namespace {

std::vector<std::uint8_t> ReadAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::uint32_t U32(const std::vector<std::uint8_t>& b, size_t at)
{
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}

TEST(DragImage, HeadersDescribeAPaddedBottomUpPicture)
{
    vxmtest::CTempDir dir;
    const std::string file = dir.File("dragitem.bmp");
    // 3 x 2 pixels: rows of 9 bytes padded to 12.
    std::vector<std::uint8_t> bgr = {1, 2, 3, 4, 5, 6, 7, 8, 9,  //
                                     10, 11, 12, 13, 14, 15, 16, 17, 18};
    ASSERT_TRUE(WriteDragBitmap(std::wstring(file.begin(), file.end()), 3, 2, bgr));
    const std::vector<std::uint8_t> b = ReadAll(file);
    ASSERT_EQ(b.size(), 54u + 24u);
    EXPECT_EQ(b[0], 'B');
    EXPECT_EQ(b[1], 'M');
    EXPECT_EQ(U32(b, 2), 78u);   // file size
    EXPECT_EQ(U32(b, 10), 54u);  // offset of the bits
    EXPECT_EQ(U32(b, 14), 40u);  // information header
    EXPECT_EQ(U32(b, 18), 3u);
    EXPECT_EQ(U32(b, 22), 2u);
    EXPECT_EQ(b[26], 1);   // planes
    EXPECT_EQ(b[28], 24);  // bits per pixel
    EXPECT_EQ(U32(b, 30), 0u);   // no compression
    EXPECT_EQ(U32(b, 34), 24u);  // image size
    // The bottom row comes first, then padding.
    EXPECT_EQ(b[54], 10);
    EXPECT_EQ(b[62], 18);
    EXPECT_EQ(b[63], 0);
    EXPECT_EQ(b[66], 1);
}

TEST(DragImage, WrongSizesOrAnUnwritablePlaceWriteNothing)
{
    vxmtest::CTempDir dir;
    const std::string file = dir.File("x.bmp");
    const std::wstring wfile(file.begin(), file.end());
    EXPECT_FALSE(WriteDragBitmap(wfile, 2, 2, std::vector<std::uint8_t>(11)));
    EXPECT_FALSE(WriteDragBitmap(wfile, 0, 2, {}));
    EXPECT_FALSE(std::ifstream(file).good());
    EXPECT_FALSE(WriteDragBitmap(L"/nonexistent-folder/x.bmp", 1, 1, {0, 0, 0}));
    EXPECT_EQ(DragBitmapStride(1), 4);
    EXPECT_EQ(DragBitmapStride(4), 12);
}

}  // namespace
