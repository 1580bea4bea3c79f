// Many files probed off the UI thread: they are handed on in the order they
// were queued whatever order the probes end in, and files dropped before
// their turn are never probed or handed on.
#include "MediaLoader.h"
#include "WorkPool.h"
#include "support/fake_media.h"

#include <gtest/gtest.h>
#include <filesystem>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;

class CLoadedMedia : public CStubMedia {
public:
    CLoadedMedia(std::wstring path, std::atomic<int>& released) : m_path(std::move(path)), m_released(released) {}
    std::wstring GetSourcePath() const override { return m_path; }
    void Release() override
    {
        ++m_released;
        delete this;
    }

private:
    std::wstring m_path;
    std::atomic<int>& m_released;
};

// What the loader handed on, in order; each handed-on media is released here.
struct CReceiver {
    std::mutex mutex;
    std::condition_variable arrived;
    std::vector<std::wstring> paths;
    std::vector<short> positions;

    bool Take(IVXMMedia* media, short position)
    {
        std::lock_guard<std::mutex> lock(mutex);
        paths.push_back(media->GetSourcePath());
        positions.push_back(position);
        media->Release();
        arrived.notify_all();
        return true;
    }
    bool WaitFor(size_t count)
    {
        std::unique_lock<std::mutex> lock(mutex);
        arrived.wait(lock, [&] { return paths.size() >= count; });
        return true;
    }
};

std::vector<CMediaLoader::CEntry> Entries(const std::vector<std::wstring>& paths) { return {paths.begin(), paths.end()}; }

std::vector<std::wstring> Names(int count)
{
    std::vector<std::wstring> names;
    for (int i = 0; i < count; ++i) names.push_back(L"/clips/" + std::to_wstring(i) + L".mp4");
    return names;
}

TEST(MediaLoader, FilesArriveInTheOrderQueuedWhenLaterProbesEndFirst)
{
    std::atomic<int> released{0};
    CReceiver receiver;
    const std::vector<std::wstring> files = Names(24);
    {
        // The earlier the file, the slower its probe; every third is no media.
        CMediaLoader loader(
            [&](const std::wstring& path, int&) -> IVXMMedia* {
                const int n = std::stoi(path.substr(7));
                std::this_thread::sleep_for(std::chrono::milliseconds((24 - n) * 3));
                if (n % 3 == 2) return nullptr;
                return new CLoadedMedia(path, released);
            },
            [&](IVXMMedia* media, short position, unsigned short) { return receiver.Take(media, position); });
        loader.Queue(Entries(files), 5, 0);
        ASSERT_TRUE(receiver.WaitFor(16));
        // The last file is no media: its slot goes when its probe ends.
        while (loader.Waiting() > 0) std::this_thread::sleep_for(1ms);
    }
    std::vector<std::wstring> expected;
    std::vector<short> positions;
    for (int i = 0; i < 24; ++i)
        if (i % 3 != 2) {
            expected.push_back(files[i]);
            positions.push_back(static_cast<short>(5 + i));
        }
    EXPECT_EQ(receiver.paths, expected);
    // Each file keeps the place it was queued for.
    EXPECT_EQ(receiver.positions, positions);
    EXPECT_EQ(released.load(), 16);
}

TEST(MediaLoader, AProbeThatThrowsFailsItsFileAloneAndTheFilesAfterItArrive)
{
    std::atomic<int> released{0};
    CReceiver receiver;
    const std::vector<std::wstring> files = Names(6);
    {
        CMediaLoader loader(
            [&](const std::wstring& path, int&) -> IVXMMedia* {
                if (path == files[2]) throw std::runtime_error("cannot convert the name");
                return new CLoadedMedia(path, released);
            },
            [&](IVXMMedia* media, short position, unsigned short) { return receiver.Take(media, position); });
        loader.Queue(Entries(files), -1, 0);
        ASSERT_TRUE(receiver.WaitFor(5));
        EXPECT_EQ(loader.Waiting(), 0u);
    }
    EXPECT_EQ(receiver.paths, (std::vector<std::wstring>{files[0], files[1], files[3], files[4], files[5]}));
    EXPECT_EQ(released.load(), 5);
}

TEST(MediaLoader, DroppedFilesAreNeitherProbedNorHandedOnAndNothingLeaks)
{
    std::atomic<int> released{0}, made{0}, probed{0};
    std::mutex gate;
    std::condition_variable opened;
    bool open = false;
    CReceiver receiver;
    const int pool = static_cast<int>(MediaWorkPool().ThreadCount());
    {
        CMediaLoader loader(
            [&](const std::wstring& path, int&) -> IVXMMedia* {
                ++probed;
                // The first probes hold every worker until the test lets them go.
                std::unique_lock<std::mutex> lock(gate);
                opened.wait(lock, [&] { return open; });
                ++made;
                return new CLoadedMedia(path, released);
            },
            [&](IVXMMedia* media, short position, unsigned short) { return receiver.Take(media, position); });
        loader.Queue(Entries(Names(pool + 50)), -1, 0);
        while (probed.load() < pool) std::this_thread::sleep_for(5ms);
        ASSERT_EQ(probed.load(), pool);
        loader.CancelAll();
        EXPECT_EQ(loader.Waiting(), 0u);
        {
            std::lock_guard<std::mutex> lock(gate);
            open = true;
        }
        opened.notify_all();
        // The running probes end and release what they made; nothing waits.
        while (released.load() < made.load()) std::this_thread::sleep_for(5ms);
        while (MediaWorkPool().Pending() > 0) std::this_thread::sleep_for(5ms);
    }
    EXPECT_EQ(probed.load(), pool);
    EXPECT_TRUE(receiver.paths.empty());
    EXPECT_EQ(released.load(), made.load());
    EXPECT_EQ(made.load(), pool);
}


// A folder listed on the pool keeps its place: the files queued before it come
// first and those queued while it is still listed come after all of its files,
// which keep the listing's order whatever order their probes end in.
TEST(MediaLoader, AListedFolderKeepsItsPlaceAndItsOwnOrder)
{
    std::atomic<int> released{0};
    CReceiver receiver;
    const std::vector<std::wstring> listed = {L"/v/Café déjà vu.mp4", L"/v/東京の夜 2.mkv", L"/v/🎬 clip.mp4"};
    std::mutex gate;
    std::condition_variable opened;
    bool open = false;
    {
        CMediaLoader loader(
            [&](const std::wstring& path, int&) -> IVXMMedia* {
                // The listing's first files are the slowest.
                if (path == listed[0]) std::this_thread::sleep_for(30ms);
                return new CLoadedMedia(path, released);
            },
            [&](IVXMMedia* media, short position, unsigned short) { return receiver.Take(media, position); });
        loader.Queue(Entries({L"/first.mp4"}), -1, 0);
        loader.QueueListed([&] {
            std::unique_lock<std::mutex> lock(gate);
            opened.wait(lock, [&] { return open; });
            return Entries(listed);
        }, -1, 0);
        loader.Queue(Entries({L"/last.mp4"}), -1, 0);
        ASSERT_TRUE(receiver.WaitFor(1));
        {
            std::lock_guard<std::mutex> lock(gate);
            open = true;
        }
        opened.notify_all();
        ASSERT_TRUE(receiver.WaitFor(5));
    }
    std::vector<std::wstring> expected = {L"/first.mp4"};
    expected.insert(expected.end(), listed.begin(), listed.end());
    expected.push_back(L"/last.mp4");
    EXPECT_EQ(receiver.paths, expected);
    EXPECT_EQ(released.load(), 5);
}

// The loader goes (the window closes) while a folder is listed: its end
// neither waits for the listing nor lets the listed files be probed later.
TEST(MediaLoader, ALoaderThatGoesWhileAFolderIsListedProbesNoneOfItsFiles)
{
    std::atomic<int> probed{0};
    std::mutex gate;
    std::condition_variable opened;
    bool open = false, listing = false;
    std::atomic<bool> listed{false};
    CReceiver receiver;
    {
        CMediaLoader loader(
            [&](const std::wstring&, int&) -> IVXMMedia* {
                ++probed;
                return nullptr;
            },
            [&](IVXMMedia* media, short position, unsigned short) { return receiver.Take(media, position); });
        loader.QueueListed([&] {
            std::unique_lock<std::mutex> lock(gate);
            listing = true;
            opened.notify_all();
            opened.wait(lock, [&] { return open; });
            listed = true;
            return Entries(Names(20));
        }, -1, 0);
        std::unique_lock<std::mutex> lock(gate);
        opened.wait(lock, [&] { return listing; });
    }
    {
        std::lock_guard<std::mutex> lock(gate);
        open = true;
    }
    opened.notify_all();
    while (!listed.load() || MediaWorkPool().Pending() > 0) std::this_thread::sleep_for(5ms);
    EXPECT_EQ(probed.load(), 0);
    EXPECT_TRUE(receiver.paths.empty());
}


int ThreadsNow()
{
    int n = 0;
    std::error_code ec;
    for (std::filesystem::directory_iterator it("/proc/self/task", ec), end; !ec && it != end; it.increment(ec)) ++n;
    return n;
}

// The workers end when nothing waits: an idle pool holds no thread, so a
// conversion started after a folder was added has the threads to itself.
TEST(MediaLoader, ThePoolsWorkersEndWhenNothingWaits)
{
    while (MediaWorkPool().Pending() > 0) std::this_thread::sleep_for(5ms);
    const int idle = ThreadsNow();
    std::atomic<int> ran{0}, most{0};
    for (int i = 0; i < 64; ++i)
        MediaWorkPool().Submit([&] {
            most = std::max(most.load(), ThreadsNow() - idle);
            std::this_thread::sleep_for(2ms);
            ++ran;
        }, nullptr);
    while (ran.load() < 64) std::this_thread::sleep_for(5ms);
    EXPECT_LE(most.load(), static_cast<int>(MediaWorkPool().ThreadCount()));
    EXPECT_GT(most.load(), 0);
    // The test's time-out fails it when they stay.
    while (ThreadsNow() > idle) std::this_thread::sleep_for(5ms);
}

}  // namespace
