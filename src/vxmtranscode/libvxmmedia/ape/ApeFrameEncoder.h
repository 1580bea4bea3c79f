// Codes the blocks of one Monkey's Audio frame (file version 3990): CRC,
// mid/side split for stereo, predictor, filter stages, range coder.
#pragma once
#include "ApeNNFilter.h"
#include "ApePredictor.h"
#include "ApeRangeEncoder.h"

#include <cstdint>
#include <memory>
#include <vector>

class CApeFrameEncoder {
public:
    // channels 1 or 2; bitsPerSample 8, 16 or 24; level 1000 to 5000.
    CApeFrameEncoder(int channels, int bitsPerSample, int level);

    // Starts a new frame: every stage begins afresh.
    void Begin();
    // Adds interleaved PCM as a WAV file holds it (8-bit unsigned, else
    // signed little-endian).
    void Add(const uint8_t* pcm, size_t blocks);
    // Ends the frame and appends its bytes (in reading order) to `out`.
    void Finish(std::vector<uint8_t>& out);

private:
    int32_t ReadSample(const uint8_t*& pcm) const;
    int32_t Filter(int channel, int32_t residual);

    int m_nChannels;
    int m_nBitsPerSample;
    std::vector<std::unique_ptr<CApeNNFilter>> m_filters[2];
    CApePredictor m_predictor;
    CApeRangeEncoder m_coder;
    SApeRiceState m_models[2];
    uint32_t m_nCrc = 0;
    bool m_bSilent = true;
    int32_t m_nLastMid = 0;
};
