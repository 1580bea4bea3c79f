#include "ApeNNFilter.h"

#include <algorithm>
#include <cstring>

namespace {

// -1 for a positive value, 1 for a negative one: the sign convention of the
// adaption steps.
inline int NegSign(int32_t value)
{
    return (value < 0) - (value > 0);
}

inline int16_t Saturate16(int32_t value)
{
    return static_cast<int16_t>(std::clamp(value, -32768, 32767));
}

}  // namespace

std::vector<SApeFilterStage> ApeFilterStages(int level)
{
    switch (level) {
    case 2000:
        return {{16, 11}};
    case 3000:
        return {{64, 11}};
    case 4000:
        return {{32, 10}, {256, 13}};
    case 5000:
        return {{16, 11}, {256, 13}, {1024 + 256, 15}};
    default:
        return {};
    }
}

CApeNNFilter::CApeNNFilter(int order, int fractionBits)
    : m_nOrder(order),
      m_nFractionBits(fractionBits),
      m_coeffs(order),
      m_input(kWindow + order),
      m_adapt(kWindow + order)
{
    Reset();
}

void CApeNNFilter::Reset()
{
    std::fill(m_coeffs.begin(), m_coeffs.end(), 0);
    std::fill(m_input.begin(), m_input.end(), 0);
    std::fill(m_adapt.begin(), m_adapt.end(), 0);
    m_nPos = m_nOrder;
    m_nAverage = 0;
}

int32_t CApeNNFilter::Compress(int32_t input)
{
    const int16_t* history = &m_input[m_nPos - m_nOrder];
    const int16_t* steps = &m_adapt[m_nPos - m_nOrder];
    int16_t* coeffs = m_coeffs.data();

    // 32-bit wrapping dot product, as the reader computes it.
    uint32_t dot = 0;
    for (int i = 0; i < m_nOrder; ++i)
        dot += static_cast<uint32_t>(static_cast<int32_t>(coeffs[i]) * history[i]);
    const int64_t rounded = static_cast<int64_t>(static_cast<int32_t>(dot)) + (int64_t{1} << (m_nFractionBits - 1));
    const int32_t prediction = static_cast<int32_t>(rounded >> m_nFractionBits);
    const int32_t output = static_cast<int32_t>(static_cast<uint32_t>(input) - static_cast<uint32_t>(prediction));

    const int direction = NegSign(output);
    if (direction > 0) {
        for (int i = 0; i < m_nOrder; ++i)
            coeffs[i] = static_cast<int16_t>(coeffs[i] + steps[i]);
    } else if (direction < 0) {
        for (int i = 0; i < m_nOrder; ++i)
            coeffs[i] = static_cast<int16_t>(coeffs[i] - steps[i]);
    }

    m_input[m_nPos] = Saturate16(input);
    const uint32_t magnitude = input < 0 ? 0u - static_cast<uint32_t>(input) : static_cast<uint32_t>(input);
    if (magnitude) {
        const int scale = (magnitude > m_nAverage * 3ull) + (magnitude > m_nAverage + m_nAverage / 3);
        m_adapt[m_nPos] = static_cast<int16_t>(NegSign(input) * (8 << scale));
    } else {
        m_adapt[m_nPos] = 0;
    }
    m_nAverage += static_cast<int32_t>(magnitude - m_nAverage) / 16;
    m_adapt[m_nPos - 1] >>= 1;
    m_adapt[m_nPos - 2] >>= 1;
    m_adapt[m_nPos - 8] >>= 1;

    if (++m_nPos == kWindow + m_nOrder) {
        std::memmove(m_input.data(), &m_input[kWindow], m_nOrder * sizeof(int16_t));
        std::memmove(m_adapt.data(), &m_adapt[kWindow], m_nOrder * sizeof(int16_t));
        m_nPos = m_nOrder;
    }
    return output;
}
