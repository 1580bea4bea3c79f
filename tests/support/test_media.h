// Test helpers: temporary folders and small media files made at test time
// with Debian's ffmpeg. No binary media live in the repository.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace vxmtest {

// A fresh folder under the system temporary folder, removed with its content.
class CTempDir {
public:
    CTempDir();
    ~CTempDir();
    CTempDir(const CTempDir&) = delete;
    CTempDir& operator=(const CTempDir&) = delete;
    const std::string& Path() const { return m_path; }
    std::string File(const std::string& name) const { return m_path + "/" + name; }

private:
    std::string m_path;
};

// Runs a program from an argument list (no shell) and returns its exit code,
// -1 when it could not start. Standard output and error go to `output` when given.
int RunProgram(const std::vector<std::string>& argv, std::string* output = nullptr);

// Runs Debian's ffmpeg with "-hide_banner -loglevel error -y" before `args`.
bool RunFfmpeg(const std::vector<std::string>& args);

// The standard clips, made once per build folder and shared by every test program.
struct TestMedia {
    std::string folder;
    std::string mp4;        // 2 s, 160x120 25 fps H.264 + 440 Hz sine AAC
    std::string mkv;        // same content, MPEG-4 part 2 + MP3 in Matroska
    std::string mp3;        // 2 s sine, audio only
    std::string wav;        // 2 s sine, 44.1 kHz stereo PCM
    std::string subtitled;  // MKV with video, audio and one SRT subtitle stream
    std::string srt;        // the subtitle file on its own
    std::string corrupt;    // a truncated MP4 (first 3000 bytes)
};
const TestMedia& GetTestMedia();

// Makes one clip of the given seconds and size with ffmpeg's test sources.
bool MakeVideoClip(const std::string& path, double seconds = 2.0, int width = 160, int height = 120,
                   const std::vector<std::string>& extraOutputArgs = {});

// A stereo 44.1 kHz WAV of `dataBytes` of silence whose samples are a hole on
// disk: gigabytes cost nothing (a file system without holes stores them).
bool MakeSparseSilence(const std::string& path, std::uint32_t dataBytes);
// What any change to a file alters, without reading all of a long one: its
// inode (a copy renamed over it), size, mode, times (the change time moves
// with every write) and its first and last 64 KiB.
std::string FileFingerprint(const std::string& path);

}  // namespace vxmtest
