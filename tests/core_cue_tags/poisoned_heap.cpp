// Fresh heap memory in this program is never zero, as under valgrind's
// --malloc-fill: a field read before it was written (ours or a library's)
// gives a value no test expects instead of a harmless 0.
#include <cstdlib>
#include <cstring>
#include <new>

#if !defined(__SANITIZE_ADDRESS__)  // the sanitizers fill and check memory themselves

namespace {

void* Poisoned(std::size_t size)
{
    void* block = std::malloc(size ? size : 1);
    if (!block) throw std::bad_alloc();
    std::memset(block, 0x5a, size);
    return block;
}

}  // namespace

void* operator new(std::size_t size)
{
    return Poisoned(size);
}

void* operator new[](std::size_t size)
{
    return Poisoned(size);
}

#endif
