// The encoder thread shares of the conversions that run at once. With the
// core count on "Auto" the program may let only some of them have its thread
// limit (the rest of its thread budget gives the others one encoder thread
// each); a conversion takes a share at its start while fewer are held, and
// gives it back when its runner goes.
#pragma once

class CThreadShare {
public:
    CThreadShare() = default;
    ~CThreadShare() { Return(); }
    CThreadShare(const CThreadShare&) = delete;
    CThreadShare& operator=(const CThreadShare&) = delete;

    // The encoder threads of a conversion starting now, for a thread limit
    // that at most `holders` conversions at once may have (0: all of them):
    // 0 for the limit itself (a share held from now on), or 1.
    int Take(int limit, int holders);
    void Return();

private:
    bool m_held = false;
};
