// Tags read on the worker that probes a file, kept until the file's row
// takes them: adding a folder of thousands of files parses none of them on
// the UI thread.
#pragma once
#include "MediaTags.h"

#include <string>

class IVXMMedia;

// Reads the tags of the media's source file, its cover into a temporary
// picture, and keeps them for the media's row (any thread).
void ReadTagsForRow(IVXMMedia* media);
// The tags kept for the media: 1 when its format was handled, 0 when not, -1
// when none were kept (the caller reads them itself). A kept cover picture
// becomes `coverFile`; `coverPlaced`, when given, tells whether it did.
int TakeTagsForRow(IVXMMedia* media, VXM_MEDIA_TAGS& tags, const std::wstring& coverFile, bool* coverPlaced = nullptr);
// Forgets what was kept for a media that gets no row (its cover picture goes).
void DropTagsForRow(IVXMMedia* media);
