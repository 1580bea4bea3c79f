// How a video stream asks its pictures to be shown: a phone's portrait clip
// is stored on its side with a display matrix that turns it upright. The
// transcoder, the player and the thumbnails turn the pictures as the matrix
// says, and everything that sizes a frame takes the shown size.
#pragma once
#include <string>
#include <vector>

struct AVFrame;
struct AVStream;

struct CDisplayTurn {
    struct Step {
        const char* filter;  // libavfilter's name
        std::string args;
    };
    std::vector<Step> steps;  // empty: shown as stored
    bool swapsSides = false;  // shown as wide as the stored picture is high

    bool IsNone() const { return steps.empty(); }
    // The steps as a filter chain ("transpose=clock"); empty for none.
    std::string Chain() const;
};

// The turn of the stream's display matrix (none without one).
CDisplayTurn DisplayTurnOf(const AVStream* st);

// The turn of the best video stream of `input` (as libavformat opens it) as
// quarter turns clockwise, then a mirror left to right. False when the input
// does not open or holds no video; a turn by another angle gives none.
bool QuarterTurnsOf(const std::string& input, int& turns, bool& mirrored);

// The stored width and height as shown.
void ShownSize(const AVStream* st, int& width, int& height);

// A new picture: `picture` turned; null when that fails (out of memory).
AVFrame* TurnedPicture(const AVFrame* picture, const CDisplayTurn& turn);
