// The process-wide record of type T behind its own mutex: With(fn) runs fn on
// the record under the lock and answers what fn answers.
#pragma once
#include <mutex>

template <class T>
class CLockedState {
public:
    template <class Fn>
    static auto With(Fn&& fn)
    {
        CRecord& record = Record();
        std::lock_guard<std::mutex> lock(record.mutex);
        return fn(record.value);
    }

private:
    struct CRecord {
        std::mutex mutex;
        T value;
    };

    static CRecord& Record()
    {
        static CRecord record;
        return record;
    }
};
