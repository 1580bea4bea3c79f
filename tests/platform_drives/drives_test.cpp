// The optical drive layer against a fake drive (the device calls replaced)
// and against ISO images made by genisoimage.
#include "platform/opticaldrives.h"
#include "platform/text.h"
#include "support/test_media.h"

#include <gtest/gtest.h>
#include <linux/cdrom.h>

#include <fcntl.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>

namespace {

// Drives by device path. A drive can hold an image file whose bytes it reads.
class CFakeDriveCalls : public IOpticalDeviceCalls {
public:
    struct CDrive {
        int status = CDS_NO_DISC;
        int caps = CDC_DVD | CDC_OPEN_TRAY | CDC_CLOSE_TRAY;
        bool opens = true;
        bool refusesEject = false;
        std::string image;  // the disc's bytes
    };

    int Open(const std::string& path) override
    {
        auto it = drives.find(path);
        if (it == drives.end() || !it->second.opens) return -1;
        int fd = m_next++;
        m_open[fd] = path;
        return fd;
    }
    void Close(int fd) override
    {
        EXPECT_EQ(m_open.count(fd), 1u) << "closed twice or never opened";
        m_open.erase(fd);
    }
    int Ioctl(int fd, unsigned long request, unsigned long arg) override
    {
        CDrive& d = drives[m_open.at(fd)];
        calls.push_back(m_open.at(fd) + " " + Name(request) + " " + std::to_string(arg));
        switch (request) {
        case CDROM_DRIVE_STATUS: return d.status;
        case CDROM_GET_CAPABILITY: return d.caps;
        case CDROMEJECT:
            if (d.refusesEject) return -1;
            d.status = CDS_TRAY_OPEN;
            return 0;
        case CDROMCLOSETRAY:
            d.status = d.image.empty() ? CDS_NO_DISC : CDS_DISC_OK;
            return 0;
        case CDROM_LOCKDOOR: return 0;
        default: return -1;
        }
    }
    long ReadAt(int fd, void* buffer, std::size_t size, long long offset) override
    {
        const CDrive& d = drives[m_open.at(fd)];
        if (d.image.empty() || d.status != CDS_DISC_OK) return -1;
        int file = ::open(d.image.c_str(), O_RDONLY | O_CLOEXEC);
        if (file < 0) return -1;
        long got = static_cast<long>(::pread(file, buffer, size, offset));
        ::close(file);
        return got;
    }
    std::string ReadText(const std::string& path) override
    {
        auto it = texts.find(path);
        return it == texts.end() ? std::string() : it->second;
    }

    static std::string Name(unsigned long request)
    {
        switch (request) {
        case CDROM_DRIVE_STATUS: return "status";
        case CDROM_GET_CAPABILITY: return "caps";
        case CDROMEJECT: return "eject";
        case CDROMCLOSETRAY: return "close";
        case CDROM_LOCKDOOR: return "lock";
        default: return "other";
        }
    }
    size_t OpenCount() const { return m_open.size(); }

    std::map<std::string, CDrive> drives;
    std::map<std::string, std::string> texts;
    std::vector<std::string> calls;

private:
    std::map<int, std::string> m_open;
    int m_next = 100;
};

const char* const kTwoDrives =
    "CD-ROM information, Id: cdrom.c 3.20 2003/12/17\n"
    "\n"
    "drive name:\t\tsr1\tsr0\n"
    "drive speed:\t\t24\t24\n"
    "Can read DVD:\t\t0\t1\n"
    "Can write DVD-R:\t0\t1\n";

class CDriveLayerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        fake.texts["/proc/sys/dev/cdrom/info"] = kTwoDrives;
        fake.drives["/dev/sr0"];
        fake.drives["/dev/sr1"];
        SetOpticalDeviceCalls(&fake);
    }
    void TearDown() override
    {
        SetOpticalDeviceCalls(nullptr);
        EXPECT_EQ(fake.OpenCount(), 0u) << "a device stayed open";
    }

    // An ISO image with the given label (and a Joliet tree when asked).
    std::string MakeImage(const std::string& label, bool joliet)
    {
        const std::string content = dir.File("content-" + std::to_string(++images));
        std::filesystem::create_directories(content);
        std::ofstream(content + "/readme.txt") << "disc\n";
        const std::string image = dir.File("disc" + std::to_string(images) + ".iso");
        std::vector<std::string> argv = {"genisoimage", "-quiet", "-input-charset", "utf-8", "-V", label, "-o", image};
        if (joliet) argv.insert(argv.begin() + 1, "-J");
        argv.push_back(content);
        std::string output;
        EXPECT_EQ(vxmtest::RunProgram(argv, &output), 0) << "genisoimage (Debian package genisoimage) failed: " << output;
        return image;
    }

    vxmtest::CTempDir dir;
    CFakeDriveCalls fake;
    int images = 0;
};

// ---- the drive list ------------------------------------------------------------------

TEST(CdromInfoTable, GivesEachDriveWithItsOwnDVDColumn)
{
    auto drives = ParseCdromInfo(kTwoDrives);
    ASSERT_EQ(drives.size(), 2u);
    EXPECT_EQ(drives[0].name, "sr1");
    EXPECT_FALSE(drives[0].readsDVD);
    EXPECT_EQ(drives[1].name, "sr0");
    EXPECT_TRUE(drives[1].readsDVD);
    EXPECT_TRUE(ParseCdromInfo("CD-ROM information\n\ndrive name:\n").empty());
    EXPECT_TRUE(ParseCdromInfo("").empty());
}

TEST_F(CDriveLayerTest, ListsTheKernelsDrivesWithCapabilityAndMountPoint)
{
    fake.drives["/dev/sr0"].caps = CDC_OPEN_TRAY;  // the drive itself says: no DVD
    fake.drives["/dev/sr1"].opens = false;         // busy: the table's column counts
    fake.texts["/proc/mounts"] = "/dev/sda1 / ext4 rw 0 0\n/dev/sr1 /media/me/MY\\040DISC iso9660 ro 0 0\n";
    auto drives = EnumerateOpticalDrives();
    ASSERT_EQ(drives.size(), 2u);
    EXPECT_EQ(drives[0].device, L"/dev/sr1");
    EXPECT_EQ(drives[0].mountPoint, L"/media/me/MY DISC");
    EXPECT_FALSE(drives[0].readsDVD);
    EXPECT_EQ(drives[1].device, L"/dev/sr0");
    EXPECT_EQ(drives[1].mountPoint, L"");
    EXPECT_FALSE(drives[1].readsDVD);
    fake.drives["/dev/sr0"].caps = CDC_DVD;
    EXPECT_TRUE(DriveReadsDVD(L"/dev/sr0"));
    EXPECT_FALSE(DriveReadsDVD(L"/dev/sr1"));
}

TEST_F(CDriveLayerTest, NoDriveTableMeansNoDrives)
{
    fake.texts.clear();
    EXPECT_TRUE(EnumerateOpticalDrives().empty());
}

// ---- state, eject and load -----------------------------------------------------------

TEST_F(CDriveLayerTest, StateFollowsTheDrivesStatusAnswer)
{
    auto& d = fake.drives["/dev/sr0"];
    d.status = CDS_NO_DISC;
    EXPECT_EQ(QueryDriveState(L"/dev/sr0"), EOpticalState::NoDisc);
    d.status = CDS_TRAY_OPEN;
    EXPECT_EQ(QueryDriveState(L"/dev/sr0"), EOpticalState::TrayOpen);
    d.status = CDS_DRIVE_NOT_READY;
    EXPECT_EQ(QueryDriveState(L"/dev/sr0"), EOpticalState::NotReady);
    d.status = CDS_DISC_OK;
    EXPECT_EQ(QueryDriveState(L"/dev/sr0"), EOpticalState::DiscPresent);
    EXPECT_EQ(QueryDriveState(L"/dev/sr9"), EOpticalState::Unknown);
}

TEST_F(CDriveLayerTest, EjectUnlocksTheDoorFirstAndLoadClosesTheTray)
{
    fake.drives["/dev/sr0"].image = MakeImage("X", false);
    fake.drives["/dev/sr0"].status = CDS_DISC_OK;
    EXPECT_TRUE(EjectDrive(L"/dev/sr0"));
    EXPECT_EQ(QueryDriveState(L"/dev/sr0"), EOpticalState::TrayOpen);
    EXPECT_TRUE(LoadDrive(L"/dev/sr0"));
    EXPECT_EQ(QueryDriveState(L"/dev/sr0"), EOpticalState::DiscPresent);
    std::vector<std::string> expected = {"/dev/sr0 lock 0", "/dev/sr0 eject 0", "/dev/sr0 status 2147483647",
                                         "/dev/sr0 close 0", "/dev/sr0 status 2147483647"};
    EXPECT_EQ(fake.calls, expected);
}

TEST_F(CDriveLayerTest, RefusedEjectAndMissingDriveReportFailure)
{
    fake.drives["/dev/sr0"].refusesEject = true;
    EXPECT_FALSE(EjectDrive(L"/dev/sr0"));
    EXPECT_FALSE(EjectDrive(L"/dev/sr7"));
    EXPECT_FALSE(LoadDrive(L"/dev/sr7"));
}

// ---- the volume label ----------------------------------------------------------------

TEST_F(CDriveLayerTest, LabelOfAnImageIsItsPrimaryDescriptorsVolumeName)
{
    SetOpticalDeviceCalls(nullptr);  // the image file itself
    const std::string image = MakeImage("HOLIDAY_2024", false);
    std::wstring label;
    ASSERT_TRUE(ReadIso9660Label(Utf8ToWide(image), label));
    EXPECT_EQ(label, L"HOLIDAY_2024");
}

TEST_F(CDriveLayerTest, JolietNameWinsWithItsFullCharacters)
{
    SetOpticalDeviceCalls(nullptr);
    const std::string image = MakeImage("Sommer Süd", true);
    std::wstring label;
    ASSERT_TRUE(ReadIso9660Label(Utf8ToWide(image), label));
    EXPECT_EQ(label, L"Sommer Süd");
}

TEST_F(CDriveLayerTest, DiscInTheFakeDriveGivesItsLabel)
{
    auto& d = fake.drives["/dev/sr0"];
    d.image = MakeImage("FILMS", false);
    d.status = CDS_DISC_OK;
    std::wstring label;
    ASSERT_TRUE(ReadVolumeLabel(L"/dev/sr0", label));
    EXPECT_EQ(label, L"FILMS");
}

TEST_F(CDriveLayerTest, DiscWithoutDescriptorIsNamedByItsMountPoint)
{
    auto& d = fake.drives["/dev/sr0"];
    d.image = dir.File("plain.bin");
    std::ofstream(d.image) << std::string(64 * 1024, 'x');
    d.status = CDS_DISC_OK;
    fake.texts["/proc/mounts"] = "/dev/sr0 /media/me/UDF\\040DISC/ udf ro 0 0\n";
    std::wstring label;
    EXPECT_FALSE(ReadIso9660Label(L"/dev/sr0", label));
    ASSERT_TRUE(ReadVolumeLabel(L"/dev/sr0", label));
    EXPECT_EQ(label, L"UDF DISC");
    fake.texts["/proc/mounts"].clear();
    EXPECT_FALSE(ReadVolumeLabel(L"/dev/sr0", label));
}

TEST_F(CDriveLayerTest, EmptyDriveHasNoLabel)
{
    std::wstring label;
    EXPECT_FALSE(ReadVolumeLabel(L"/dev/sr0", label));
    EXPECT_FALSE(ReadVolumeLabel(L"/dev/sr7", label));
}

TEST(VolumeDescriptor, OtherSectorsAreNotLabels)
{
    unsigned char sector[2048] = {};
    std::wstring label;
    bool joliet = false;
    EXPECT_FALSE(ParseVolumeDescriptorLabel(sector, sizeof sector, label, joliet));
    sector[0] = 2;  // supplementary but not Joliet
    std::memcpy(sector + 1, "CD001", 5);
    EXPECT_FALSE(ParseVolumeDescriptorLabel(sector, sizeof sector, label, joliet));
    sector[0] = 1;
    std::memset(sector + 40, ' ', 32);
    std::memcpy(sector + 40, "ABC", 3);
    ASSERT_TRUE(ParseVolumeDescriptorLabel(sector, sizeof sector, label, joliet));
    EXPECT_EQ(label, L"ABC");
    EXPECT_FALSE(joliet);
    EXPECT_FALSE(ParseVolumeDescriptorLabel(sector, 50, label, joliet));
}

// ---- arrival and removal -------------------------------------------------------------

TEST_F(CDriveLayerTest, PollsReportArrivalsAndRemovalsOnce)
{
    COpticalDriveWatcher watcher;
    fake.drives["/dev/sr1"].status = CDS_DISC_OK;
    EXPECT_TRUE(watcher.Poll().empty()) << "what is there at the start is no news";

    fake.drives["/dev/sr0"].status = CDS_DISC_OK;
    auto changes = watcher.Poll();
    ASSERT_EQ(changes.size(), 1u);
    EXPECT_EQ(changes[0].device, L"/dev/sr0");
    EXPECT_TRUE(changes[0].arrived);
    EXPECT_TRUE(watcher.Poll().empty());

    fake.drives["/dev/sr0"].status = CDS_TRAY_OPEN;
    changes = watcher.Poll();
    ASSERT_EQ(changes.size(), 1u);
    EXPECT_EQ(changes[0].device, L"/dev/sr0");
    EXPECT_FALSE(changes[0].arrived);

    // An external drive unplugged with its disc.
    fake.texts["/proc/sys/dev/cdrom/info"] = "drive name:\tsr0\nCan read DVD:\t1\n";
    changes = watcher.Poll();
    ASSERT_EQ(changes.size(), 1u);
    EXPECT_EQ(changes[0].device, L"/dev/sr1");
    EXPECT_FALSE(changes[0].arrived);
}

}  // namespace
