#include "TagWriter.h"

#include "Log.h"
#include "WorkPool.h"
#include "platform/messages.h"
#include "platform/text.h"

#include <memory>
#include <mutex>

namespace {

const char* const kCategory = "CTagWriter";

std::mutex g_writerMutex;
std::unique_ptr<CWorkPool> g_writer;

void Post(HWND notify, UINT doneMessage, WPARAM cookie, std::unique_ptr<CTagWriteResult> result)
{
    // A receiver gone meanwhile (a closed dialog) drops the result.
    if (notify) PostMessagePayload(notify, doneMessage, cookie, result);
}

}  // namespace

bool WriteMediaTagsLater(const std::wstring& path, const VXM_MEDIA_TAGS& tags, bool mp4Cover, HWND notify,
                         UINT doneMessage, WPARAM cookie, unsigned fields)
{
    std::lock_guard<std::mutex> lock(g_writerMutex);
    if (!g_writer) g_writer = std::make_unique<CWorkPool>(1);
    auto write = [path, tags, mp4Cover, notify, doneMessage, cookie, fields] {
        auto result = std::make_unique<CTagWriteResult>();
        result->result = WriteMediaTagsToFile(path, tags, mp4Cover, &result->why, &result->whyText, fields);
        Post(notify, doneMessage, cookie, std::move(result));
    };
    auto failed = [path, notify, doneMessage, cookie](const std::string& what) {
        LogError(kCategory, "Writing the tags into %s failed: %s", WideToUtf8(path).c_str(), what.c_str());
        auto result = std::make_unique<CTagWriteResult>();
        result->why = what;
        Post(notify, doneMessage, cookie, std::move(result));
    };
    return g_writer->Submit(std::move(write), std::move(failed)) != 0;
}

void StopTagWriter()
{
    std::unique_ptr<CWorkPool> writer;
    {
        std::lock_guard<std::mutex> lock(g_writerMutex);
        writer = std::move(g_writer);
    }
}
