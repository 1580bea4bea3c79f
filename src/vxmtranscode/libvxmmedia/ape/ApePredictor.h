// The fixed stages of the Monkey's Audio predictor (file versions from
// 3950 on): a scaled first-order filter, then an adaptive order-4 filter on
// the channel itself plus an order-5 filter on the other channel.
// Arithmetic wraps at 32 bits exactly as a reader's does, except in the
// wide mode, where the predictions are summed in 64 bits.
#pragma once
#include <cstdint>

class CApePredictor {
public:
    CApePredictor() { Reset(); }
    // Readers sum the predictions of 24-bit stereo at the insane level
    // (5000) in 64 bits.
    static bool UsesWidePrediction(int channels, int bitsPerSample, int level)
    {
        return channels == 2 && bitsPerSample == 24 && level == 5000;
    }
    void SetWide(bool wide) { m_bWide = wide; }
    void Reset();
    // Returns the residual of `value` for channel `channel` (0 or 1).
    // `other` is the latest value of the other channel (0 for mono): for
    // channel 0 the previous one of channel 1, for channel 1 the current one
    // of channel 0.
    int32_t Compress(int channel, int32_t value, int32_t other);

private:
    struct SChannel {
        int32_t lastA;
        int32_t filterA;
        int32_t filterB;
        uint32_t coeffsA[4];
        uint32_t coeffsB[5];
        int32_t delayA[4];
        int32_t signA[4];
        int32_t delayB[5];
        int32_t signB[5];
    };
    SChannel m_channels[2];
    bool m_bWide = false;
};
