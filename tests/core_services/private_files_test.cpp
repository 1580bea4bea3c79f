// The user's own data names the user's files: the data folder, the history
// database, its thumbnails, the log and the custom values are the user's
// alone, whatever the umask of the session.
#include "CustomProps.h"
#include "DBHelper.h"
#include "Log.h"
#include "VXMGlobal.h"
#include "platform/text.h"
#include "support/test_media.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sys/stat.h>

namespace {

unsigned Mode(const std::wstring& path)
{
    struct stat st{};
    if (stat(WideToUtf8(path).c_str(), &st) != 0) return 0xFFFF;
    return st.st_mode & 0777;
}

TEST(PrivateUserData, HistoryThumbnailsLogAndCustomValuesAreTheUsersAlone)
{
    const mode_t oldMask = umask(022);
    const std::wstring data = GetAppDataFolder();
    EXPECT_EQ(Mode(data), 0700u);

    vxmtest::CTempDir source;
    std::ofstream(source.File("thumb.jpg"), std::ios::binary) << "not really a picture";
    {
        CDBHelper db;
        ASSERT_TRUE(db.Init(data));
        VXM_CONVERTED_INFO info;
        info.profileName = L"phone-mp4";
        info.outputPath = L"/videos/out.mp4";
        info.thumbnailSource = Utf8ToWide(source.File("thumb.jpg"));
        ASSERT_TRUE(db.AddConvertedRecord(info));
        EXPECT_EQ(Mode(db.GetDatabasePath()), 0600u);
        EXPECT_EQ(Mode(db.GetThumbnailsFolder()), 0700u);
        ASSERT_TRUE(db.GetConvertedRecords(L"phone-mp4"));
        VXM_HISTORY_RECORD record;
        ASSERT_TRUE(db.ReadConvertedRecord(record));
        ASSERT_FALSE(record.thumbnailPath.empty());
        EXPECT_EQ(Mode(record.thumbnailPath), 0600u);
    }

    const std::wstring log = data + L"/vxm.log";
    InitLogger(WideToUtf8(log).c_str());
    LogInfo("main", "a line");
    UninitLogger();
    EXPECT_EQ(Mode(log), 0600u);

    CCustomProps props(data + L"/customprops.json");
    props.Load();
    props.SetCustomProp(3, "800", "800", "vb");
    ASSERT_TRUE(props.Save());
    EXPECT_EQ(Mode(props.GetPath()), 0600u);
    umask(oldMask);
}

}  // namespace
