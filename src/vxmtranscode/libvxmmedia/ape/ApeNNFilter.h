// One adaptive "neural network" filter stage of the Monkey's Audio
// predictor: an order-N sign-sign LMS filter over 16-bit saturated history.
#pragma once
#include <cstdint>
#include <vector>

class CApeNNFilter {
public:
    CApeNNFilter(int order, int fractionBits);
    void Reset();
    // Takes the next value and returns what is left after the prediction.
    int32_t Compress(int32_t input);

private:
    static constexpr int kWindow = 512;

    int m_nOrder;
    int m_nFractionBits;
    std::vector<int16_t> m_coeffs;
    // Past inputs (saturated) and their adaption steps; m_nPos is the slot of
    // the current value, the `order` slots before it the history.
    std::vector<int16_t> m_input;
    std::vector<int16_t> m_adapt;
    int m_nPos = 0;
    uint32_t m_nAverage = 0;
};

// The filter stages (order, fraction bits) of a compression level, in the
// order a decoder runs them; empty for the fast level.
struct SApeFilterStage {
    int order;
    int fractionBits;
};
std::vector<SApeFilterStage> ApeFilterStages(int level);
