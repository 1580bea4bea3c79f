// Progress and stop requests of the APE file functions: the percentage
// done, a callback in thousandths of a percent, and a stop test.
#pragma once
#include <cstdint>
#include <functional>

struct SApeProgressSink {
    int* percent = nullptr;
    std::function<void(int)> progress;
    std::function<bool()> stopRequested;
};

class CApeProgress {
public:
    // `total` units of work (at least 1 is assumed).
    CApeProgress(const SApeProgressSink& sink, uint64_t total);
    // Reports `done` units when the thousandths changed.
    void Report(uint64_t done);
    bool StopRequested() const { return m_sink.stopRequested && m_sink.stopRequested(); }

private:
    const SApeProgressSink& m_sink;
    uint64_t m_nTotal;
    int m_nLast = -1;
};
