// Time the player-output parser takes per 4 KB line, for lines built to slow
// a backtracking matcher down and for random lines of the patterns' words.
#include "MPlayerParser.h"

#include <ctime>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

namespace {

std::vector<std::wstring> Lines(size_t size)
{
    const std::wstring blanks(size, L' ');
    std::vector<std::wstring> lines = {
        L"Scanning file" + blanks, L"A: 1" + blanks, L"A: 1 x of 2" + blanks + L"\u2028",
        L"audio stream: 0 format: x language: y" + blanks, L"Track ID 1: audio" + blanks + L",",
        L"subtitle " + blanks + L": 1 language:" + blanks, L"Added subtitle file (" + blanks + L"):"};
    // Every pattern's words at once, repeated.
    const wchar_t* words[] = {L"audio stream: ", L"format: ", L"language: ", L"aid: ", L"Track ID 1: audio ",
                              L", -aid 1, -alang ", L"subtitle ", L"A: 1 V: 2 A-V: ", L" of 3 ", L"TITLE 1, CHAPTERS: ",
                              L"Added subtitle file (", L"): ", L"screenshot 'shot1", L"VO: [x] ", L"Scanning file ",
                              L"...done", L"ID_DVD_TITLE_1_LENGTH=", L"  "};
    std::mt19937 random(7);
    std::wstring mixed;
    while (mixed.size() < size) mixed += words[random() % std::size(words)];
    lines.push_back(mixed.substr(0, size));
    std::wstring noise;
    while (noise.size() < size) noise += static_cast<wchar_t>(32 + random() % 95);
    lines.push_back(noise);
    return lines;
}

}  // namespace

int main()
{
    CMPlayerParser parser;
    double worst = 0.0;
    for (const std::wstring& line : Lines(4096)) {
        const int rounds = 200;
        // Processor time, so a busy machine does not count against the parser.
        const std::clock_t start = std::clock();
        for (int i = 0; i < rounds; ++i) parser.ParseLine(line);
        const double us = 1e6 * static_cast<double>(std::clock() - start) / CLOCKS_PER_SEC / rounds;
        worst = us > worst ? us : worst;
        std::printf("%8.1f us  %.*ls...\n", us, 24, line.c_str());
    }
    std::printf("worst: %.1f us per 4 KB line\n", worst);
    return 0;
}
