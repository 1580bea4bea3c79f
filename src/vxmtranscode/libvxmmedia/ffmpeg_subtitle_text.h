// The text of a subtitle file that a filter burns in: the character encoding
// it is read in, whether it is text of that encoding, and the height its
// script positions and fonts are given in.
#pragma once

#include <string>

struct SubtitleTextProblem {
    int code_page = -1;        // the code page the text is not in; -1: none
    std::string message;       // the reason in words, for the log; empty: no problem
};

struct SubtitleText {
    // "charenc" of the subtitles filter (an iconv name); empty when the file
    // is read as UTF-8 or by its byte-order mark.
    std::string charenc;
    int play_res_y = 288;      // the script's height (ASS's PlayResY, the reader's default for SRT)
    int font_size = 16;        // its largest style font, in script lines
};

// Reads the file named by a filter option value (quoted and escaped as the
// filter graph holds it) in the Windows code page `code_page` (0, 1 and
// unknown numbers: UTF-8). A byte-order mark names the encoding whatever the
// code page. When the text is not in its encoding, or the reader the filter
// uses takes it for no subtitle file of its kind, `problem` (if given) says so.
SubtitleText read_subtitle_text(const std::string& filename_value, long code_page, SubtitleTextProblem* problem);
