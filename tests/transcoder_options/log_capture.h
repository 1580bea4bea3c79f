// Collects FFmpeg log lines while a test runs.
#pragma once
#include <mutex>
#include <string>
#include <vector>

extern "C" {
#include <libavutil/log.h>
}

class CLogCapture {
public:
    CLogCapture();
    ~CLogCapture();
    bool Contains(const std::string& text) const;
    int Count(const std::string& text) const;
    std::string All() const;
    void Clear();
};
