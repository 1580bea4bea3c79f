// The DVD information record: what the structure reader (parse_dvd) finds on
// a disc or a VIDEO_TS folder. Titles are in the disc's title order; times of
// chapters and cells are seconds from the title's start. Empty texts mean
// "not known".
#pragma once
#include <string>
#include <vector>

struct dvd_audio_entry {
    std::string description;   // "Normal", "Director's comments", ...
    std::string language;      // two-letter code, "" when the disc names none
    std::string codec;         // "ac3", "mpeg1", "lpcm", "dts", ...
    std::string bitrate;       // decimal text; "" when the disc does not say
    std::string info;          // "48000 Hz"
    int channels = 0;
    int info_value = 0;        // sample rate in Hz
    std::string info2;         // the language extension's text
    int id = -1;               // MPEG program-stream id of the track (0x80 = first AC-3)
};

struct dvd_chapter_entry {
    float start_time = 0.0f;   // seconds from the title's start
    int pgc = 0;               // program chain of the chapter (1-based)
    int program = 0;           // program in that chain (1-based)
    int first_cell = 0;        // first cell of the chapter (1-based)
    int last_cell = 0;         // last cell of the chapter (1-based)
    int cell_index = -1;       // first cell as a 0-based index into the title's cells
    int pgc_cells = 0;         // cells of the chapter's program chain
};

struct dvd_cell_entry {
    float time = 0.0f;         // playback length in seconds
    int first_sector = 0;
    int last_sector = 0;
    int last_vobu_sector = 0;  // navigation pack of the cell's last VOBU
    int block_type = 0;        // 1: part of an angle block
    int block_mode = 0;
};

struct dvd_subtitle_entry {
    std::string description;
    std::string language;
    std::string info;
    int id = -1;               // MPEG program-stream id of the subpicture stream (0x20 = first)
};

struct dvd_title_record {
    int hours = 0;
    int minutes = 0;
    int seconds = 0;
    int milliseconds = 0;
    int title_number = 0;      // 1-based number in the disc's title table
    int second_value = 0;      // the title set holding the title
    float frame_rate = 0.0f;
    std::string video_standard;   // "PAL" or "NTSC"
    std::string width;            // decimal texts
    std::string height;
    std::string display_format;   // "LetterBox", "PanScan", ...
    int angle_count = 0;
    int chain_length_ms = 0;   // summed playing time of the title's program chains
    std::vector<dvd_audio_entry> audio;
    std::vector<dvd_chapter_entry> chapters;
    std::vector<dvd_cell_entry> cells;
    std::vector<dvd_subtitle_entry> subtitles;

    int LengthMs() const { return milliseconds + seconds * 1000 + minutes * 60000 + hours * 3600000; }
};

struct dvd_info {
    std::string volume_label;  // the disc's UDF (or ISO) volume name, "" for a folder
    std::vector<dvd_title_record> titles;
    int main_title = -1;       // 1-based position of the longest title, -1 without titles
};

// Reads the structure of the DVD at `path` (a device, an image, a disc's root
// or a VIDEO_TS folder) into `info`, through the DVD reader tool (see
// DvdStructure.h). 0 on success; -1 when the path holds no readable DVD
// (then `info` is left empty). `flags` is reserved (0).
int parse_dvd(dvd_info& info, const char* path, int flags);
