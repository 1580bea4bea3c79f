// The entropy coder of Monkey's Audio frames (file version 3990): a 32-bit
// range coder that writes bytes most significant first, and the adaptive
// Rice-like value model on top of it.
#pragma once
#include <cstdint>
#include <vector>

// Adaptive model of one channel's values; starts afresh with every frame.
struct SApeRiceState {
    uint32_t k = 10;
    uint32_t kSum = (1u << 10) * 16;
};

class CApeRangeEncoder {
public:
    // Clears the output and starts a new frame's range coder; the first byte
    // written is a zero that readers skip.
    void Start();
    // Codes one signed value with the given channel model.
    void EncodeValue(int32_t value, SApeRiceState& state);
    // Ends the stream so every coded value can be read back; the bytes are
    // then in Bytes().
    void Finish();
    const std::vector<uint8_t>& Bytes() const { return m_bytes; }

private:
    static constexpr uint32_t kTop = 1u << 31;
    static constexpr uint32_t kBottom = kTop >> 8;
    static constexpr int kShiftBits = 23;

    void Normalize()
    {
        while (m_range <= kBottom) {
            m_bytes.push_back(static_cast<uint8_t>(m_low >> kShiftBits));
            m_low = (m_low << 8) & (kTop - 1);
            m_range <<= 8;
        }
    }
    void AddToLow(uint32_t amount)
    {
        m_low += amount;
        if (m_low & kTop) {
            m_low &= kTop - 1;
            PropagateCarry();
        }
    }
    // A symbol of `width` starting at `start` out of a total of 2^shift.
    void EncodeShift(uint32_t width, uint32_t start, int shift)
    {
        Normalize();
        const uint32_t unit = m_range >> shift;
        AddToLow(unit * start);
        m_range = unit * width;
    }
    // A symbol of width 1 at `start` out of `total`.
    void EncodeOne(uint32_t start, uint32_t total)
    {
        Normalize();
        const uint32_t unit = m_range / total;
        AddToLow(unit * start);
        m_range = unit;
    }
    void PropagateCarry();

    std::vector<uint8_t> m_bytes;
    uint32_t m_low = 0;
    uint32_t m_range = kTop;
};
