// The DVD reader tool's answer: the DVD information record as text, one
// record per line of space-separated fields, written by the tool (vxmdvdinfo)
// and read back by the engine.
//
//   VXMDVD 1
//   label <text>
//   main <position>
//   title <number> <title set> <angles> <h> <m> <s> <ms> <chain ms> <fps> <standard> <width> <height> <format>
//   audio <id> <channels> <rate> <description> <language> <codec> <bitrate> <info> <info2>
//   subtitle <id> <description> <language> <info>
//   chapter <start> <pgc> <program> <first cell> <last cell> <cell index> <chain cells>
//   cell <time> <first sector> <last sector> <last VOBU sector> <block type> <block mode>
//   end
//
// audio, subtitle, chapter and cell lines belong to the title line before
// them. Texts are percent-encoded (every byte outside '!'..'~', and '%'
// itself, as %XX); a lone "%" is the empty text. Times are seconds.
#pragma once
#include <string>
#include <string_view>

#include "DvdInfo.h"

// Bounds the reader holds an answer to.
constexpr size_t kDvdAnswerMaxBytes = 8 * 1024 * 1024;
constexpr size_t kDvdAnswerMaxTitles = 99;
constexpr size_t kDvdAnswerMaxAudio = 8;
constexpr size_t kDvdAnswerMaxSubtitles = 32;
constexpr size_t kDvdAnswerMaxChapters = 999;
constexpr size_t kDvdAnswerMaxCells = 16384;
constexpr size_t kDvdAnswerMaxText = 255;

std::string WriteDvdAnswer(const dvd_info& info);
// True when the title's values stay within the bounds the reader holds to.
bool DvdTitleFitsAnswer(const dvd_title_record& title);

// Strict: the whole text must be one well-formed answer within the bounds
// above. False (with `error` naming the line) leaves `info` unchanged.
bool ReadDvdAnswer(std::string_view text, dvd_info& info, std::string* error = nullptr);
