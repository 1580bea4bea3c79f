#include "ApePredictor.h"

#include <cstring>

namespace {

inline int32_t NegSign(int32_t value)
{
    return (value < 0) - (value > 0);
}

inline int32_t Sub(int32_t a, int32_t b)
{
    return static_cast<int32_t>(static_cast<uint32_t>(a) - static_cast<uint32_t>(b));
}

// value * 31 / 32, as a reader rounds it.
inline int32_t Scaled31(int32_t value)
{
    return static_cast<int32_t>(static_cast<uint32_t>(value) * 31u) >> 5;
}

constexpr uint32_t kInitialCoeffsA[4] = {360, 317, static_cast<uint32_t>(-109), 98};

}  // namespace

void CApePredictor::Reset()
{
    for (SChannel& c : m_channels) {
        std::memset(&c, 0, sizeof(c));
        std::memcpy(c.coeffsA, kInitialCoeffsA, sizeof(kInitialCoeffsA));
    }
}

int32_t CApePredictor::Compress(int channel, int32_t value, int32_t other)
{
    SChannel& c = m_channels[channel];

    // History of the channel's own first-stage values and their steps.
    const int32_t previousA = c.delayA[0];
    c.delayA[3] = c.delayA[2];
    c.delayA[2] = c.delayA[1];
    c.delayA[1] = Sub(c.lastA, previousA);
    c.delayA[0] = c.lastA;
    c.signA[3] = c.signA[2];
    c.signA[2] = c.signA[1];
    c.signA[1] = NegSign(c.delayA[1]);
    c.signA[0] = NegSign(c.delayA[0]);

    // The other channel through the same first-order filter.
    const int32_t stageB = Sub(other, Scaled31(c.filterB));
    c.filterB = other;
    const int32_t previousB = c.delayB[0];
    c.delayB[4] = c.delayB[3];
    c.delayB[3] = c.delayB[2];
    c.delayB[2] = c.delayB[1];
    c.delayB[1] = Sub(stageB, previousB);
    c.delayB[0] = stageB;
    c.signB[4] = c.signB[3];
    c.signB[3] = c.signB[2];
    c.signB[2] = c.signB[1];
    c.signB[1] = NegSign(c.delayB[1]);
    c.signB[0] = NegSign(c.delayB[0]);

    uint32_t predictionA = 0;
    for (int i = 0; i < 4; ++i)
        predictionA += static_cast<uint32_t>(c.delayA[i]) * c.coeffsA[i];
    uint32_t predictionB = 0;
    for (int i = 0; i < 5; ++i)
        predictionB += static_cast<uint32_t>(c.delayB[i]) * c.coeffsB[i];

    // First stage: the value less 31/32 of the previous one.
    const int32_t stageA = Sub(value, Scaled31(c.filterA));
    int32_t residual;
    if (m_bWide) {
        int64_t wideA = 0;
        for (int i = 0; i < 4; ++i)
            wideA += int64_t{c.delayA[i]} * static_cast<int32_t>(c.coeffsA[i]);
        int64_t wideB = 0;
        for (int i = 0; i < 5; ++i)
            wideB += int64_t{c.delayB[i]} * static_cast<int32_t>(c.coeffsB[i]);
        residual = static_cast<int32_t>(stageA - ((wideA + (wideB >> 1)) >> 10));
    } else {
        const int32_t combined =
            static_cast<int32_t>(predictionA + static_cast<uint32_t>(static_cast<int32_t>(predictionB) >> 1)) >> 10;
        residual = Sub(stageA, combined);
    }

    c.lastA = stageA;
    c.filterA = value;

    const int32_t direction = NegSign(residual);
    if (direction) {
        for (int i = 0; i < 4; ++i)
            c.coeffsA[i] += static_cast<uint32_t>(c.signA[i] * direction);
        for (int i = 0; i < 5; ++i)
            c.coeffsB[i] += static_cast<uint32_t>(c.signB[i] * direction);
    }
    return residual;
}
