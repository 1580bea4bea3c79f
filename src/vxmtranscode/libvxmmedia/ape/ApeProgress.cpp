#include "ApeProgress.h"

#include <algorithm>

CApeProgress::CApeProgress(const SApeProgressSink& sink, uint64_t total) : m_sink(sink), m_nTotal(std::max<uint64_t>(total, 1))
{
}

void CApeProgress::Report(uint64_t done)
{
    const int thousandths = static_cast<int>(std::min(done, m_nTotal) * 100000 / m_nTotal);
    if (thousandths == m_nLast)
        return;
    m_nLast = thousandths;
    if (m_sink.percent)
        *m_sink.percent = thousandths / 1000;
    if (m_sink.progress)
        m_sink.progress(thousandths);
}
