// The in-process thumbnail: the first frame at or after a seek point, scaled
// to a small size and written as a picture of the kind the output's
// extension names (PNG, JPEG, BMP...). No tool run and no filter graph: one
// decoder for the frame; the scaler and the picture encoder are kept by the
// calling thread for its next thumbnail of the same size.
#pragma once
#include <string>

struct VXM_THUMBNAIL_REQUEST {
    std::wstring input;   // as libavformat opens it ("file:..." for a file)
    int seekSeconds = 0;  // from the start of the source
    int width = 0;
    int height = 0;
    std::wstring output;  // replaced when it exists
};

// 0 when the picture was written; 1 when not (the reason is logged; a file
// half written is removed, an earlier one is left as it was). `commandLine` is the tool line of the same
// thumbnail, for the log.
int make_thumbnail(const std::wstring& commandLine, const VXM_THUMBNAIL_REQUEST& request);
