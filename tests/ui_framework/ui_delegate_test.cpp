// Methods bound to event sources: one binding per object and method, removed
// by an equal binding, called with the event.
#include "ui_test_support.h"
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {
struct CBase {
    virtual ~CBase() = default;
    std::vector<std::string> calls;
    bool First(void*) { calls.push_back("first"); return true; }
    virtual bool Second(void* p) { calls.push_back("second " + std::to_string(*static_cast<int*>(p))); return true; }
};
struct CListener : CBase {
    bool Second(void* p) override { calls.push_back("override " + std::to_string(*static_cast<int*>(p))); return false; }
};
}  // namespace

TEST(UIDelegate, AMethodIsBoundOnceAndRemovedByAnEqualBinding)
{
    CListener a;
    CListener b;
    CEventSource source;
    source += MakeDelegate(&a, &CBase::First);
    source += MakeDelegate(&a, &CBase::First);  // already there
    source += MakeDelegate(&b, &CBase::First);
    source += MakeDelegate(&a, &CBase::Second);  // virtual: the object's own
    int value = 7;
    EXPECT_FALSE(source(&value));  // the override stops the call
    EXPECT_EQ(a.calls, (std::vector<std::string>{"first", "override 7"}));
    EXPECT_EQ(b.calls, (std::vector<std::string>{"first"}));

    source -= MakeDelegate(&a, &CBase::First);
    source -= MakeDelegate(&a, &CBase::Second);
    a.calls.clear();
    b.calls.clear();
    EXPECT_TRUE(source(&value));
    EXPECT_TRUE(a.calls.empty());
    EXPECT_EQ(b.calls, (std::vector<std::string>{"first"}));
}
