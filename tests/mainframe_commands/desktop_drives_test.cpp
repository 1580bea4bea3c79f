// The desktop's drives over the platform's drive layer, with a fake drive in
// place of /dev/sr0: the list, labels, and notices from polling reaching the
// main window's disc handling.
#include "platform/opticaldrives.h"
#include "platform/text.h"
#include "support/test_media.h"
#include "ui/desktop/OpticalDrives.h"

#include <gtest/gtest.h>
#include <linux/cdrom.h>

#include <fcntl.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>

namespace {

class COneDrive : public IOpticalDeviceCalls {
public:
    int Open(const std::string& path) override { return path == "/dev/sr0" ? 7 : -1; }
    void Close(int) override {}
    int Ioctl(int, unsigned long request, unsigned long) override
    {
        if (request == CDROM_DRIVE_STATUS) return status;
        if (request == CDROM_GET_CAPABILITY) return CDC_DVD;
        return 0;
    }
    long ReadAt(int, void* buffer, std::size_t size, long long offset) override
    {
        if (status != CDS_DISC_OK || image.empty()) return -1;
        int fd = ::open(image.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) return -1;
        long got = static_cast<long>(::pread(fd, buffer, size, offset));
        ::close(fd);
        return got;
    }
    std::string ReadText(const std::string& path) override
    {
        if (path == "/proc/sys/dev/cdrom/info") return "drive name:\tsr0\nCan read DVD:\t1\n";
        if (path == "/proc/mounts") return mounts;
        return std::string();
    }
    int status = CDS_NO_DISC;
    std::string image;
    std::string mounts;
};

class CDesktopDrivesTest : public ::testing::Test {
protected:
    void SetUp() override { SetOpticalDeviceCalls(&drive); }
    void TearDown() override { SetOpticalDeviceCalls(nullptr); }
    COneDrive drive;
    vxmtest::CTempDir dir;
};

TEST_F(CDesktopDrivesTest, ListsTheDriveAndReadsTheLabelOfItsDisc)
{
    const std::string content = dir.File("content");
    std::filesystem::create_directories(content);
    std::ofstream(content + "/a.txt") << "a\n";
    drive.image = dir.File("disc.iso");
    ASSERT_EQ(vxmtest::RunProgram({"genisoimage", "-quiet", "-V", "BIRTHDAY", "-o", drive.image, content}), 0);

    CDesktopOpticalDrives drives;
    auto list = drives.List();
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].device, L"/dev/sr0");
    EXPECT_TRUE(drives.ReadsDVD(L"/dev/sr0"));

    std::wstring label;
    EXPECT_FALSE(drives.GetVolumeLabel(L"/dev/sr0", label)) << "no disc yet";
    drive.status = CDS_DISC_OK;
    ASSERT_TRUE(drives.GetVolumeLabel(L"/dev/sr0", label));
    EXPECT_EQ(label, L"BIRTHDAY");
    EXPECT_EQ(drives.GetState(L"/dev/sr0"), EDiscState::DiscPresent);
}

TEST_F(CDesktopDrivesTest, PollingTurnsDiscChangesIntoNoticesForEachListener)
{
    drive.mounts = "/dev/sr0 /media/me/DISC iso9660 ro 0 0\n";
    CDesktopOpticalDrives drives;
    std::vector<std::wstring> heard;
    int first = drives.Subscribe([&](EDeviceNotice n, const COpticalDrive& d) {
        heard.push_back((n == EDeviceNotice::Arrival ? L"in " : L"out ") + d.device + L" " + d.mountPoint);
    });
    int second = drives.Subscribe([&](EDeviceNotice, const COpticalDrive&) { heard.push_back(L"second"); });
    drives.Poll();
    EXPECT_TRUE(heard.empty());
    drive.status = CDS_DISC_OK;
    drives.Poll();
    EXPECT_EQ(heard, (std::vector<std::wstring>{L"in /dev/sr0 /media/me/DISC", L"second"}));
    drives.Unsubscribe(second);
    heard.clear();
    drive.status = CDS_TRAY_OPEN;
    drive.mounts.clear();
    drives.Poll();
    EXPECT_EQ(heard, (std::vector<std::wstring>{L"out /dev/sr0 "}));
    drives.Unsubscribe(first);
    heard.clear();
    drive.status = CDS_DISC_OK;
    drives.Poll();
    EXPECT_TRUE(heard.empty()) << "nobody listens any more";
}

}  // namespace
