// The registry stand-in: keys and values, the file on disk, damage and concurrency.
#include "platform/registry.h"
#include "platform/text.h"
#include "support/test_media.h"
#include "platform/paths.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

int g_reports = 0;
void CountReport(const std::wstring&) { ++g_reports; }

std::string ReadText(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

void WriteText(const fs::path& path, const std::string& text)
{
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

class RegistryTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_user = fs::path(m_dir.Path()) / "config" / "registry.txt";
        m_machine = fs::path(m_dir.Path()) / "machine.txt";
        SetRegistryFile(HKEY_CURRENT_USER, WideFromPath(m_user));
        SetRegistryFile(HKEY_LOCAL_MACHINE, WideFromPath(m_machine));
        g_reports = 0;
        SetRegistryReportHook(CountReport);
    }
    void TearDown() override
    {
        SetRegistryReportHook(nullptr);
        SetRegistryFile(HKEY_CURRENT_USER, L"");
        SetRegistryFile(HKEY_LOCAL_MACHINE, L"");
    }
    // Forgets what is in memory: the next access reads the file, as a new process would.
    void Reload() { SetRegistryFile(HKEY_CURRENT_USER, WideFromPath(m_user)); }

    vxmtest::CTempDir m_dir;
    fs::path m_user;
    fs::path m_machine;
};

}  // namespace

TEST_F(RegistryTest, ValuesOfEveryTypeSurviveTheFile)
{
    const std::wstring awkward = L"C:\\path \"quoted\"\nnext\tline \u00e9\u6f22 \\x41 ] [x]";
    const BYTE blob[] = {0, 1, 0xFF, '\n', '"'};
    HKEY key = nullptr;
    DWORD disposition = 0;
    ASSERT_EQ(RegCreateKeyEx(HKEY_CURRENT_USER, L"Software\\Kestrane\\Vexmora Professional\\Setting", KEY_ALL_ACCESS,
                             &key, &disposition),
              ERROR_SUCCESS);
    EXPECT_EQ(disposition, REG_CREATED_NEW_KEY);
    EXPECT_EQ(RegSetValueEx(key, L"Text", CRegValue::String(awkward)), ERROR_SUCCESS);
    EXPECT_EQ(RegSetValueEx(key, L"Empty", CRegValue::String(L"")), ERROR_SUCCESS);
    EXPECT_EQ(RegSetValueEx(key, L"Number", CRegValue::Dword(0xFFFFFFFE)), ERROR_SUCCESS);
    EXPECT_EQ(RegSetValueEx(key, L"Blob", CRegValue::Binary(blob, sizeof(blob))), ERROR_SUCCESS);
    EXPECT_EQ(RegSetValueEx(key, L"NoBytes", CRegValue::Binary(nullptr, 0)), ERROR_SUCCESS);
    EXPECT_EQ(RegSetValueEx(key, L"name \"with\" = sign", CRegValue::Dword(7)), ERROR_SUCCESS);
    ASSERT_EQ(RegCloseKey(key), ERROR_SUCCESS);

    struct stat st{};
    ASSERT_EQ(::stat(m_user.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u) << "the file holds site passwords";
    EXPECT_NE(ReadText(m_user).find("[Software\\Kestrane\\Vexmora Professional\\Setting]"), std::string::npos);

    Reload();
    ASSERT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, L"Software\\Kestrane\\Vexmora Professional\\Setting", KEY_READ, &key),
              ERROR_SUCCESS);
    CRegValue v;
    ASSERT_EQ(RegQueryValueEx(key, L"Text", &v), ERROR_SUCCESS);
    EXPECT_EQ(v.type, REG_SZ);
    EXPECT_EQ(v.text, awkward);
    ASSERT_EQ(RegQueryValueEx(key, L"Empty", &v), ERROR_SUCCESS);
    EXPECT_EQ(v.text, L"");
    ASSERT_EQ(RegQueryValueEx(key, L"Number", &v), ERROR_SUCCESS);
    EXPECT_EQ(v.type, REG_DWORD);
    EXPECT_EQ(v.number, 0xFFFFFFFEu);
    ASSERT_EQ(RegQueryValueEx(key, L"Blob", &v), ERROR_SUCCESS);
    EXPECT_EQ(v.type, REG_BINARY);
    EXPECT_EQ(v.binary, std::vector<BYTE>(blob, blob + sizeof(blob)));
    ASSERT_EQ(RegQueryValueEx(key, L"NoBytes", &v), ERROR_SUCCESS);
    EXPECT_TRUE(v.binary.empty());
    EXPECT_EQ(RegQueryValueEx(key, L"name \"with\" = sign", nullptr), ERROR_SUCCESS);
    EXPECT_EQ(RegQueryValueEx(key, L"Missing", &v), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
    EXPECT_EQ(g_reports, 0);
}

TEST_F(RegistryTest, NamesMatchWithoutRegardToCase)
{
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyEx(HKEY_CURRENT_USER, L"Software\\Maker", KEY_ALL_ACCESS, &key), ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueEx(key, L"LangID", CRegValue::String(L"de")), ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueEx(key, L"LANGID", CRegValue::String(L"fr")), ERROR_SUCCESS);
    RegCloseKey(key);
    ASSERT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, L"SOFTWARE\\maker", KEY_READ, &key), ERROR_SUCCESS);
    CRegValue v;
    ASSERT_EQ(RegQueryValueEx(key, L"langid", &v), ERROR_SUCCESS);
    EXPECT_EQ(v.text, L"fr");
    std::wstring name;
    EXPECT_EQ(RegEnumValue(key, 0, &name, nullptr), ERROR_SUCCESS);
    EXPECT_EQ(name, L"LangID");
    EXPECT_EQ(RegEnumValue(key, 1, &name, nullptr), ERROR_NO_MORE_ITEMS);
    RegCloseKey(key);
}

TEST_F(RegistryTest, KeysAreEnumeratedAndDeletedLeafFirst)
{
    HKEY key = nullptr;
    for (auto path : {L"Software\\A\\One", L"Software\\A\\Two", L"Software\\A\\Two\\Deep"}) {
        ASSERT_EQ(RegCreateKeyEx(HKEY_CURRENT_USER, path, KEY_ALL_ACCESS, &key), ERROR_SUCCESS);
        RegCloseKey(key);
    }
    ASSERT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, L"Software\\A", KEY_ALL_ACCESS, &key), ERROR_SUCCESS);
    std::wstring name;
    ASSERT_EQ(RegEnumKey(key, 0, &name), ERROR_SUCCESS);
    EXPECT_EQ(name, L"One");
    ASSERT_EQ(RegEnumKey(key, 1, &name), ERROR_SUCCESS);
    EXPECT_EQ(name, L"Two");
    EXPECT_EQ(RegEnumKey(key, 2, &name), ERROR_NO_MORE_ITEMS);

    EXPECT_EQ(RegDeleteKey(key, L"Two"), ERROR_ACCESS_DENIED) << "a key with subkeys stays";
    EXPECT_EQ(RegDeleteKey(key, L"Two\\Deep"), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteKey(key, L"Two"), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteKey(key, L"Two"), ERROR_FILE_NOT_FOUND);
    RegCloseKey(key);

    HKEY one = nullptr;
    ASSERT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, L"Software\\A\\One", KEY_ALL_ACCESS, &one), ERROR_SUCCESS);
    ASSERT_EQ(RegDeleteKey(HKEY_CURRENT_USER, L"Software\\A\\One"), ERROR_SUCCESS);
    EXPECT_EQ(RegSetValueEx(one, L"x", CRegValue::Dword(1)), ERROR_KEY_DELETED);
    EXPECT_EQ(RegQueryValueEx(one, L"x", nullptr), ERROR_KEY_DELETED);
    RegCloseKey(one);

    Reload();
    EXPECT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, L"Software\\A\\Two", KEY_READ, &key), ERROR_FILE_NOT_FOUND);
    ASSERT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, L"Software\\A", KEY_READ, &key), ERROR_SUCCESS);
    EXPECT_EQ(RegEnumKey(key, 0, &name), ERROR_NO_MORE_ITEMS);
    RegCloseKey(key);
}

TEST_F(RegistryTest, ReadOnlyAccessRefusesWrites)
{
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyEx(HKEY_CURRENT_USER, L"Software\\B", KEY_ALL_ACCESS, &key), ERROR_SUCCESS);
    RegCloseKey(key);
    ASSERT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, L"Software\\B", KEY_READ, &key), ERROR_SUCCESS);
    EXPECT_EQ(RegSetValueEx(key, L"x", CRegValue::Dword(1)), ERROR_ACCESS_DENIED);
    HKEY sub = nullptr;
    EXPECT_EQ(RegCreateKeyEx(key, L"Sub", KEY_ALL_ACCESS, &sub), ERROR_ACCESS_DENIED);
    RegCloseKey(key);
    EXPECT_EQ(RegCloseKey(reinterpret_cast<HKEY>(0x1234)), ERROR_INVALID_HANDLE);
}

TEST_F(RegistryTest, MachineRootIsReadOnlyAndEmptyWithoutItsFile)
{
    HKEY key = nullptr;
    EXPECT_EQ(RegOpenKeyEx(HKEY_LOCAL_MACHINE, L"Software", KEY_READ, &key), ERROR_FILE_NOT_FOUND);
    WriteText(m_machine, "Vexmora registry 1\n[Software\\Kestrane]\n\"Path\"=sz:\"/opt/vxm\"\nend\n");
    SetRegistryFile(HKEY_LOCAL_MACHINE, WideFromPath(m_machine));
    ASSERT_EQ(RegOpenKeyEx(HKEY_LOCAL_MACHINE, L"Software\\Kestrane", KEY_READ, &key), ERROR_SUCCESS);
    CRegValue v;
    ASSERT_EQ(RegQueryValueEx(key, L"Path", &v), ERROR_SUCCESS);
    EXPECT_EQ(v.text, L"/opt/vxm");
    EXPECT_EQ(RegSetValueEx(key, L"Path", CRegValue::String(L"x")), ERROR_ACCESS_DENIED);
    RegCloseKey(key);
    EXPECT_EQ(RegOpenKeyEx(HKEY_LOCAL_MACHINE, L"Software\\Kestrane", KEY_ALL_ACCESS, &key), ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegCreateKeyEx(HKEY_LOCAL_MACHINE, L"Software\\New", KEY_ALL_ACCESS, &key), ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegDeleteKey(HKEY_LOCAL_MACHINE, L"Software\\Kestrane"), ERROR_ACCESS_DENIED);
}

TEST_F(RegistryTest, DamagedFilesLoadEmptyWithOneReportAndTheNextSaveRepairs)
{
    const std::string good =
        "Vexmora registry 1\n[Software\\C]\n\"Kept\"=dword:00000005\n\"Name\"=sz:\"abc\"\nend\n";
    const std::vector<std::string> damaged = {
        good.substr(0, good.size() / 2),                                    // cut mid-line
        good.substr(0, good.find("end")),                                   // cut at a line end
        "Vexmora registry 1\n[Software\\C]\n\"Kept\"=dword:zz\nend\n",     // bad number
        "Vexmora registry 1\n\"Orphan\"=dword:00000001\nend\n",             // value without a key
        "Vexmora registry 1\n[Software\\C]\n\"Bad\"=sz:\"\xff\xfe\"\nend\n",  // not UTF-8
        std::string("\0\0\0\0garbage", 11),
    };
    for (const auto& text : damaged) {
        WriteText(m_user, text);
        Reload();
        g_reports = 0;
        HKEY key = nullptr;
        EXPECT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, L"Software\\C", KEY_READ, &key), ERROR_FILE_NOT_FOUND);
        EXPECT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, L"Software", KEY_READ, &key), ERROR_FILE_NOT_FOUND);
        EXPECT_EQ(g_reports, 1) << "one report for one damaged file";

        ASSERT_EQ(RegCreateKeyEx(HKEY_CURRENT_USER, L"Software\\C", KEY_ALL_ACCESS, &key), ERROR_SUCCESS);
        ASSERT_EQ(RegSetValueEx(key, L"New", CRegValue::Dword(9)), ERROR_SUCCESS);
        ASSERT_EQ(RegCloseKey(key), ERROR_SUCCESS);
        EXPECT_EQ(g_reports, 1);

        Reload();
        ASSERT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, L"Software\\C", KEY_READ, &key), ERROR_SUCCESS);
        CRegValue v;
        EXPECT_EQ(RegQueryValueEx(key, L"New", &v), ERROR_SUCCESS);
        EXPECT_EQ(v.number, 9u);
        RegCloseKey(key);
        EXPECT_EQ(g_reports, 1) << "the repaired file reads cleanly";
    }
}

TEST_F(RegistryTest, AnotherProcessesChangeIsSeenAndKept)
{
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyEx(HKEY_CURRENT_USER, L"Software\\D", KEY_ALL_ACCESS, &key), ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueEx(key, L"Ours", CRegValue::Dword(1)), ERROR_SUCCESS);
    RegCloseKey(key);

    pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        SetRegistryFile(HKEY_CURRENT_USER, WideFromPath(m_user));
        HKEY k = nullptr;
        bool ok = RegOpenKeyEx(HKEY_CURRENT_USER, L"Software\\D", KEY_ALL_ACCESS, &k) == ERROR_SUCCESS &&
                  RegSetValueEx(k, L"Theirs", CRegValue::Dword(2)) == ERROR_SUCCESS && RegCloseKey(k) == ERROR_SUCCESS;
        ::_exit(ok ? 0 : 1);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);

    ASSERT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, L"Software\\D", KEY_ALL_ACCESS, &key), ERROR_SUCCESS);
    EXPECT_EQ(RegQueryValueEx(key, L"Theirs", nullptr), ERROR_SUCCESS) << "the file is read again when it changed";
    ASSERT_EQ(RegSetValueEx(key, L"Ours", CRegValue::Dword(3)), ERROR_SUCCESS);
    RegCloseKey(key);
    Reload();
    ASSERT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, L"Software\\D", KEY_READ, &key), ERROR_SUCCESS);
    EXPECT_EQ(RegQueryValueEx(key, L"Theirs", nullptr), ERROR_SUCCESS);
    RegCloseKey(key);
}

TEST_F(RegistryTest, ProcessesSavingAtOnceLeaveAWholeFileWithEveryValue)
{
    constexpr int kProcesses = 4;
    constexpr int kValues = 40;
    std::vector<pid_t> pids;
    for (int p = 0; p < kProcesses; ++p) {
        pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            SetRegistryFile(HKEY_CURRENT_USER, WideFromPath(m_user));
            bool ok = true;
            for (int i = 0; i < kValues && ok; ++i) {
                HKEY k = nullptr;
                ok = RegCreateKeyEx(HKEY_CURRENT_USER, L"Software\\E", KEY_ALL_ACCESS, &k) == ERROR_SUCCESS &&
                     RegSetValueEx(k, L"p" + std::to_wstring(p) + L"v" + std::to_wstring(i),
                                   CRegValue::String(std::wstring(200, L'a' + p))) == ERROR_SUCCESS &&
                     RegCloseKey(k) == ERROR_SUCCESS;
            }
            ::_exit(ok ? 0 : 1);
        }
        pids.push_back(pid);
    }
    for (pid_t pid : pids) {
        int status = 0;
        ::waitpid(pid, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    Reload();
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, L"Software\\E", KEY_READ, &key), ERROR_SUCCESS);
    int count = 0;
    while (RegEnumValue(key, count, nullptr, nullptr) == ERROR_SUCCESS) ++count;
    EXPECT_EQ(count, kProcesses * kValues);
    RegCloseKey(key);
    EXPECT_EQ(g_reports, 0);
    for (const auto& entry : fs::directory_iterator(m_user.parent_path()))
        EXPECT_TRUE(entry.path() == m_user || entry.path().extension() == ".lock") << entry.path() << " left behind";
}

TEST_F(RegistryTest, TemporaryFilesOfInterruptedSavesAreRemovedByTheNextSave)
{
    // What a save killed between writing and renaming leaves beside the file.
    WriteText(m_user.string() + ".Ab3xZ9", "Vexmora registry 1\n[Software\\Half]\n");
    WriteText(m_user.string() + ".q1w2e3", "");
    WriteText(m_user.string() + ".lock", "");
    WriteText(m_user.string() + ".notes", "the user's own");
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyEx(HKEY_CURRENT_USER, L"Software\\C", KEY_ALL_ACCESS, &key), ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueEx(key, L"Name", CRegValue::String(L"abc")), ERROR_SUCCESS);
    ASSERT_EQ(RegCloseKey(key), ERROR_SUCCESS);
    EXPECT_FALSE(fs::exists(m_user.string() + ".Ab3xZ9"));
    EXPECT_FALSE(fs::exists(m_user.string() + ".q1w2e3"));
    EXPECT_TRUE(fs::exists(m_user.string() + ".lock"));
    EXPECT_TRUE(fs::exists(m_user.string() + ".notes"));
    int left = 0;
    for (const auto& entry : fs::directory_iterator(m_user.parent_path()))
        left += entry.path().filename().string().rfind("registry.txt.", 0) == 0;
    EXPECT_EQ(left, 2);
}

TEST_F(RegistryTest, ANameThatIsNotUtf8ComesBackUnchangedAndTheFileStaysReadable)
{
    const std::wstring folder = Utf8ToWide("/home/user/caf\xE9 \xFF");  // Latin-1 bytes in a folder name
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyEx(HKEY_CURRENT_USER, L"Software\\C", KEY_ALL_ACCESS, &key), ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueEx(key, L"Folder", CRegValue::String(folder)), ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueEx(key, L"Other", CRegValue::String(L"kept")), ERROR_SUCCESS);
    ASSERT_EQ(RegCloseKey(key), ERROR_SUCCESS);
    Reload();
    CRegValue value;
    ASSERT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, L"Software\\C", KEY_READ, &key), ERROR_SUCCESS);
    ASSERT_EQ(RegQueryValueEx(key, L"Folder", &value), ERROR_SUCCESS);
    EXPECT_EQ(WideToUtf8(value.text), "/home/user/caf\xE9 \xFF");
    EXPECT_EQ(RegQueryValueEx(key, L"Other", &value), ERROR_SUCCESS);
    RegCloseKey(key);
    EXPECT_EQ(g_reports, 0);
}
