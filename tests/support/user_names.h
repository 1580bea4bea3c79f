// File names as users have them, for tests of every road a name travels:
// accents, CJK, emoji, right-to-left text, bytes that are not UTF-8, a name
// near the file system's 255-byte limit, a leading dash and quotes. Each is
// the file system's bytes (UTF-8 where the name is text).
#pragma once
#include <string>
#include <vector>

namespace vxmtest {

struct UserName {
    std::string bytes;  // the name on disk, extension included
    const char* label;  // for test messages (ASCII)
};

inline std::vector<UserName> UserFileNames()
{
    std::string longName;
    for (int i = 0; i < 123; ++i) longName += "\xC3\xA9";  // "é": 246 bytes
    return {
        {"Caf\xC3\xA9 d\xC3\xA9j\xC3\xA0 vu.mp4", "accents"},
        {"\xE6\x9D\xB1\xE4\xBA\xAC\xE3\x81\xAE\xE5\xA4\x9C 2.mkv", "cjk"},
        {"\xF0\x9F\x8E\xAC clip.mp4", "emoji"},
        {"\xD7\xA9\xD7\x9C\xD7\x95\xD7\x9D.mp3", "hebrew"},
        {"\xFF\xFE not utf8.mp4", "bytes"},
        {longName + ".mp4", "250 bytes"},
        {"-leading dash.mp4", "dash"},
        {"quote \" and 'single'.mp4", "quotes"},
    };
}

}  // namespace vxmtest
