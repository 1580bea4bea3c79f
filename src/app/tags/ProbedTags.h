// The row's fields TagLib left empty, taken from the tags the engine's probe
// read from the same file (libavformat's), as ffprobe shows them: tags of
// Matroska files, of files whose tags TagLib stops on, a second ID3v2 tag.
#pragma once
#include "MediaTags.h"

class IVXMMedia;

// Fills the empty fields of `tags` (a year or track of 0 counts as empty)
// from the media's probed tags. `handled` is what reading the file with
// TagLib gave; the result is 1 when the fields are the row's: TagLib read
// the file, or it did not and the probe found a field of a media without
// video (a film's row gets no tags, which every output would be given).
int AddProbedTags(IVXMMedia* media, VXM_MEDIA_TAGS& tags, int handled);
