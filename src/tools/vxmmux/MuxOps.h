// Stream copying with libavformat: remux several inputs into one file and
// join files one after another.
#pragma once
#include <string>
#include <vector>

struct MuxInput {
    std::string path;
    std::string frameRate;  // for raw video without timestamps; empty: none
};

// Copies every stream of every input into output (format from the name or
// formatName). faststart puts the index at the front of MP4 files.
bool RemuxInputs(const std::vector<MuxInput>& inputs, const std::string& output, const char* formatName,
                 bool faststart, std::string& error);
// Writes the inputs one after the other; streams are matched by index.
bool JoinInputs(const std::vector<std::string>& inputs, const std::string& output, std::string& error);
