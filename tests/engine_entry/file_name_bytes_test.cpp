// A file whose name is not UTF-8 (written by a system in another encoding)
// is a file like any other: its name survives the wide text and it probes.
#include "IVXMMedia.h"
#include "VXMMediaExports.h"
#include "platform/text.h"
#include "support/test_media.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

TEST(FileNameBytes, ANameInLatin1ProbesLikeAnyOther)
{
    vxmtest::CTempDir dir;
    const std::string path = dir.File("f\xEAte \xE0 caf\xE9.mp4");  // Latin-1 bytes
    std::filesystem::copy_file(vxmtest::GetTestMedia().mp4, path);
    IVXMMedia* media = CreateVXMMediaObject(nullptr);
    ASSERT_NE(media, nullptr);
    media->SetSourcePath(Utf8ToWide(path));
    EXPECT_EQ(WideToUtf8(media->GetSourcePath()), path);
    EXPECT_GE(media->Probe(), 0);
    EXPECT_GT(media->GetDuration(), 0);
    media->Release();
}

}  // namespace
