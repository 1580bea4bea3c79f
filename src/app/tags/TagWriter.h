// Tag writes off the UI thread: copying a long file to change its tags takes
// seconds. One worker takes the writes in the order they came, so a file is
// never written by two at once, and posts each result back. A write is never
// cut short: the file is whole either way, and at shut-down the running write
// ends before the worker is joined.
#pragma once
#include "MediaTags.h"
#include "platform/types.h"

#include <string>

struct CTagWriteResult {
    int result = kTagsNotWritten;  // as WriteMediaTagsToFile
    std::string why;               // when not written
    std::string whyText;           // the language text that tells it, when the written copy was refused
};

// Writes the tags (the `fields` of them, as WriteMediaTagsToFile) into `path`
// on the writer's thread, then posts `doneMessage` to `notify` with `cookie`
// in wParam and, in lParam, a CTagWriteResult* that the receiver deletes.
// False when the writer takes no more (it is being stopped): nothing is done.
bool WriteMediaTagsLater(const std::wstring& path, const VXM_MEDIA_TAGS& tags, bool mp4Cover, HWND notify,
                         UINT doneMessage, WPARAM cookie, unsigned fields = kAllTagFields);
// Lets the running write end, drops those not started (their files are
// untouched) and joins the worker (at shut-down; a later write starts a new one).
void StopTagWriter();
