// The media object's own runners (probe, preview, thumbnail) and the command
// lines its operations build.
#pragma once
#include <string>

class CCmdFFplay;
class CVXMMediaImpl;

// The runner in the slot, or a new one stored there; null without memory.
CCmdFFplay* NewMediaRunner(CCmdFFplay*& slot);
// Empties the slot, then closes and deletes its runner.
void DeleteMediaRunner(CCmdFFplay*& slot);
// Whole seconds at which a thumbnail is taken: the asked seconds when they
// lie inside the clip (length in ms), else 5, or 0 for a clip of 5 s or less.
int ThumbnailSeekSeconds(int seconds, int clipLengthMs);
// The preview player's command line for the media.
std::wstring BuildPreviewCommandLine(CVXMMediaImpl& media);
// The answer of the MP4 atom walk for a file: 1 when it carries an iTunes
// purchase id ("apID" beside "stik"), else 0 (also for unreadable files).
int ReadMp4ProtectedFlag(const std::wstring& path);
// The join's concat step: the list, stream copy, into the (empty) output.
std::wstring BuildJoinCommandLine(const std::wstring& listPath, const std::wstring& outputPath);
