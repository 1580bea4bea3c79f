#include "ApeRangeEncoder.h"

#include <cstddef>

namespace {

// Cumulative frequencies (out of 65536) of the first overflow symbols; the
// symbols from 21 to 63 have width 1 and start at 65472 + symbol.
constexpr uint16_t kOverflowStart[22] = {0,     19578, 36160, 48417, 56323, 60899, 63265, 64435,
                                         64971, 65232, 65351, 65416, 65447, 65466, 65476, 65482,
                                         65485, 65488, 65490, 65491, 65492, 65493};
constexpr uint32_t kTableSymbols = 21;
constexpr uint32_t kEscapeSymbol = 63;  // the overflow follows as two 16-bit values
constexpr int kOverflowShift = 16;

void UpdateModel(SApeRiceState& state, uint32_t coded)
{
    const uint32_t lowLimit = state.k ? (1u << (state.k + 4)) : 0;
    state.kSum += (coded + 1) / 2 - ((state.kSum + 16) >> 5);
    if (state.kSum < lowLimit)
        --state.k;
    else if (state.kSum >= (1u << (state.k + 5)) && state.k < 24)
        ++state.k;
}

}  // namespace

void CApeRangeEncoder::Start()
{
    m_bytes.clear();
    m_bytes.push_back(0);
    m_low = 0;
    m_range = kTop;
}

void CApeRangeEncoder::PropagateCarry()
{
    // The skipped first byte absorbs nothing: the coded interval never
    // reaches 1.0, so a carry always stops inside the written bytes.
    for (size_t i = m_bytes.size(); i-- > 1;) {
        if (++m_bytes[i] != 0)
            return;
    }
}

void CApeRangeEncoder::EncodeValue(int32_t value, SApeRiceState& state)
{
    // Positive values map to odd numbers, the others to even ones.
    const uint32_t coded = value > 0 ? 2u * static_cast<uint32_t>(value) - 1u : 0u - 2u * static_cast<uint32_t>(value);
    uint32_t pivot = state.kSum >> 5;
    if (pivot == 0)
        pivot = 1;
    const uint32_t overflow = coded / pivot;
    const uint32_t base = coded - overflow * pivot;
    UpdateModel(state, coded);

    if (overflow < kTableSymbols) {
        EncodeShift(kOverflowStart[overflow + 1] - kOverflowStart[overflow], kOverflowStart[overflow], kOverflowShift);
    } else if (overflow < kEscapeSymbol) {
        EncodeShift(1, 65472 + overflow, kOverflowShift);
    } else {
        EncodeShift(1, 65472 + kEscapeSymbol, kOverflowShift);
        EncodeShift(1, overflow >> 16, 16);
        EncodeShift(1, overflow & 0xFFFF, 16);
    }

    if (pivot < 0x10000) {
        EncodeOne(base, pivot);
    } else {
        int bits = 0;
        uint32_t high = pivot;
        while (high & ~0xFFFFu) {
            high >>= 1;
            ++bits;
        }
        EncodeOne(base >> bits, high + 1);
        EncodeOne(base & ((1u << bits) - 1), 1u << bits);
    }
}

void CApeRangeEncoder::Finish()
{
    Normalize();
    // Any value inside the final interval will do: take the next multiple of
    // 2^23 above its start, then the zero bytes a reader fetches ahead.
    const uint32_t top = (m_low >> kShiftBits) + 1;
    if (top > 0xFF)
        PropagateCarry();
    m_bytes.push_back(static_cast<uint8_t>(top & 0xFF));
    m_bytes.push_back(0);
    m_bytes.push_back(0);
    m_bytes.push_back(0);
}
