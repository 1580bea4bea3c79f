// The program finds and makes its folders where the user's environment says,
// and keeps its temporary folder private.
#include "platform/folders.h"
#include "platform/text.h"

#include "support/test_media.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// Sets an environment variable for the life of the object.
class CEnvScope {
public:
    // No value: the variable is unset.
    CEnvScope(const char* name, const std::optional<std::string>& value) : m_name(name)
    {
        if (const char* old = std::getenv(name)) m_old = old;
        if (value)
            setenv(name, value->c_str(), 1);
        else
            unsetenv(name);
    }
    ~CEnvScope()
    {
        if (m_old)
            setenv(m_name, m_old->c_str(), 1);
        else
            unsetenv(m_name);
    }

private:
    const char* m_name;
    std::optional<std::string> m_old;
};

std::string Narrow(const std::wstring& w) { return WideToUtf8(w); }

TEST(Folders, UserDataFollowsXdgDataHomeAndIsCreated)
{
    vxmtest::CTempDir dir;
    CEnvScope data("XDG_DATA_HOME", dir.Path() + "/share/");
    EXPECT_EQ(Narrow(GetUserDataFolder()), dir.Path() + "/share/Kestrane/Vexmora Professional");
    EXPECT_TRUE(fs::is_directory(dir.Path() + "/share/Kestrane/Vexmora Professional"));
    EXPECT_EQ(Narrow(GetMakerSharedFolder()), dir.Path() + "/share/Kestrane/Common");
    EXPECT_TRUE(fs::is_directory(dir.Path() + "/share/Kestrane/Common"));
}

TEST(Folders, WithoutXdgVariablesTheHomeDefaultsApply)
{
    vxmtest::CTempDir dir;
    CEnvScope home("HOME", dir.Path());
    CEnvScope data("XDG_DATA_HOME", "relative/ignored");
    CEnvScope config("XDG_CONFIG_HOME", std::nullopt);
    EXPECT_EQ(Narrow(GetUserHomeFolder()), dir.Path());
    EXPECT_EQ(Narrow(GetUserDataFolder()), dir.Path() + "/.local/share/Kestrane/Vexmora Professional");
    EXPECT_EQ(Narrow(GetUserConfigFolder()), dir.Path() + "/.config");
    EXPECT_TRUE(fs::is_directory(dir.Path() + "/.config"));
    EXPECT_EQ(Narrow(GetUserVideosFolder()), dir.Path());  // no user-dirs file: home
}

TEST(Folders, VideosAndMusicComeFromUserDirs)
{
    vxmtest::CTempDir dir;
    CEnvScope home("HOME", dir.Path());
    CEnvScope config("XDG_CONFIG_HOME", dir.Path() + "/cfg");
    fs::create_directories(dir.Path() + "/cfg");
    std::ofstream(dir.Path() + "/cfg/user-dirs.dirs") << "# written by xdg-user-dirs-update\n"
                                                         "XDG_VIDEOS_DIR=\"$HOME/My Clips\"\n"
                                                         "XDG_MUSIC_DIR=\"" << dir.Path() << "/Tunes/\"\n";
    EXPECT_EQ(Narrow(GetUserVideosFolder()), dir.Path() + "/My Clips");
    EXPECT_TRUE(fs::is_directory(dir.Path() + "/My Clips"));
    EXPECT_EQ(Narrow(GetUserMusicFolder()), dir.Path() + "/Tunes");
}

TEST(Folders, ProgramFolderIsWhereTheExecutableLies)
{
    std::string exe = fs::read_symlink("/proc/self/exe").parent_path().string();
    EXPECT_EQ(Narrow(GetProgramFolder()), exe);

    vxmtest::CTempDir dir;
    SetProgramFolderForTesting(Utf8ToWide(dir.Path() + "/"));
    EXPECT_EQ(Narrow(GetProgramFolder()), dir.Path());
    EXPECT_EQ(Narrow(GetProgramDataFolder()), dir.Path() + "/data");
    EXPECT_EQ(Narrow(GetToolsFolder()), dir.Path() + "/gnu");
    EXPECT_EQ(Narrow(GetSkinFolder()), dir.Path() + "/skin");
    EXPECT_TRUE(fs::is_directory(dir.Path() + "/gnu"));
    SetProgramFolderForTesting(L"");
    EXPECT_EQ(Narrow(GetProgramFolder()), exe);
}

TEST(TempFolder, IsPrivateAndPerUser)
{
    vxmtest::CTempDir dir;
    CEnvScope tmp("TMPDIR", dir.Path());
    std::string expected = dir.Path() + "/Kestrane-" + std::to_string(getuid());
    EXPECT_EQ(Narrow(GetTempFolder()), expected);
    struct stat st;
    ASSERT_EQ(stat(expected.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);

    chmod(expected.c_str(), 0755);  // opened up by someone: closed again
    EXPECT_EQ(Narrow(GetTempFolder()), expected);
    ASSERT_EQ(stat(expected.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
}

TEST(TempFolder, APlantedLinkIsNotFollowed)
{
    vxmtest::CTempDir dir, elsewhere;
    CEnvScope tmp("TMPDIR", dir.Path());
    std::string name = dir.Path() + "/Kestrane-" + std::to_string(getuid());
    fs::create_directory_symlink(elsewhere.Path(), name);
    std::string got = Narrow(GetTempFolder());
    EXPECT_NE(got, name);
    EXPECT_EQ(got.find(elsewhere.Path()), std::string::npos);
    struct stat st;
    ASSERT_EQ(lstat(got.c_str(), &st), 0);
    EXPECT_TRUE(S_ISDIR(st.st_mode));
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    fs::remove_all(got);
}

}  // namespace
