// A program that uses the engine through its public headers only: it probes
// a sound file it writes itself and follows a conversion through the
// messages the engine posts to a message window of its own thread.
#include "VXMEvents.h"
#include "VXMMediaExports.h"
#include "VXMMessageLoop.h"
#include "VXMMessages.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace {

void PutLE(std::ofstream& out, std::uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i) out.put(static_cast<char>((value >> (8 * i)) & 0xFF));
}

// One second of 8 kHz mono 16-bit silence.
void WriteWav(const std::filesystem::path& path)
{
    const std::uint32_t samples = 8000, dataBytes = samples * 2;
    std::ofstream out(path, std::ios::binary);
    out.write("RIFF", 4);
    PutLE(out, 36 + dataBytes, 4);
    out.write("WAVEfmt ", 8);
    PutLE(out, 16, 4);
    PutLE(out, 1, 2);       // PCM
    PutLE(out, 1, 2);       // channels
    PutLE(out, 8000, 4);    // sample rate
    PutLE(out, 16000, 4);   // bytes per second
    PutLE(out, 2, 2);       // block align
    PutLE(out, 16, 2);      // bits per sample
    out.write("data", 4);
    PutLE(out, dataBytes, 4);
    std::vector<char> silence(dataBytes, 0);
    out.write(silence.data(), static_cast<std::streamsize>(silence.size()));
}

class PublicHost : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_folder = std::filesystem::temp_directory_path() /
                   ("vxm-public-host-" + std::to_string(std::random_device{}()));
        std::filesystem::create_directories(m_folder / "data");
        std::filesystem::create_directories(m_folder / "config");
        // The engine's settings and log go to a home of the test's own.
        setenv("HOME", m_folder.c_str(), 1);
        setenv("XDG_DATA_HOME", (m_folder / "data").c_str(), 1);
        setenv("XDG_CONFIG_HOME", (m_folder / "config").c_str(), 1);
        RegisterMediaLibrary();
    }
    void TearDown() override
    {
        UnRegisterMediaLibrary();
        std::error_code ec;
        std::filesystem::remove_all(m_folder, ec);
    }
    std::filesystem::path m_folder;
};

TEST_F(PublicHost, ProbesAndHearsTheEndOfAConversionThroughItsOwnLoop)
{
    const std::filesystem::path wav = m_folder / "tone.wav";
    WriteWav(wav);
    IVXMMedia* media = CreateVXMMediaObject(nullptr);
    ASSERT_NE(media, nullptr);
    // The folder and the name are ASCII: the host widens them byte by byte.
    const std::string narrow = wav.string();
    media->SetSourcePath(std::wstring(narrow.begin(), narrow.end()));
    EXPECT_EQ(media->Probe(), 0);
    EXPECT_NEAR(media->GetDuration(), 1000, 100);
    EXPECT_EQ(media->GetAudioTrackCount(), 1);

    std::vector<UINT> heard;
    CMessageWindow window([&](HWND, UINT msg, WPARAM, LPARAM lParam) -> LRESULT {
        if (reinterpret_cast<IVXMMedia*>(lParam) == media) heard.push_back(msg);
        return 0;
    });
    media->StartConvert(nullptr, window.Get(), 0);  // nothing to run: it starts and ends at once
    MSG msg;
    while (std::find(heard.begin(), heard.end(), WM_VXM_JOB_FINISHED) == heard.end()) {
        if (GetMessageTimeout(&msg, 100)) DispatchMessage(&msg);
    }
    ASSERT_FALSE(heard.empty());
    EXPECT_EQ(heard.front(), WM_VXM_JOB_STARTED);
    EXPECT_EQ(heard.back(), WM_VXM_JOB_FINISHED);
    media->Release();
}

}  // namespace
