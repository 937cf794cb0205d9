// Replaces the global allocation functions of the test binary so that allocations made while an
// AllocationTrap is alive on the calling thread are counted. Both operator new and the C allocator
// (which the framework's HeapBlock uses) are covered. Sanitizer builds bring their own allocator,
// so there only operator new is counted. Mutex locks are counted the same way, outside sanitizer builds.
#include "support/AllocationTrap.h"

#include <cstdlib>
#include <dlfcn.h>
#include <new>
#include <pthread.h>

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define VORN_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define VORN_SANITIZED 1
#endif
#endif

// ThreadSanitizer's runtime is linked statically and defines operator new itself: there nothing is counted (the
// thread-sanitized tree runs only the concurrency tests).
#if defined(__SANITIZE_THREAD__)
#define VORN_THREAD_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define VORN_THREAD_SANITIZED 1
#endif
#endif

namespace
{
thread_local int trapDepth = 0;
thread_local size_t allocations = 0;
thread_local size_t lockCount = 0;

inline void noteAllocation() noexcept
{
    if (trapDepth > 0)
        ++allocations;
}
} // namespace

namespace vorn::test
{
AllocationTrap::AllocationTrap() : startCount(allocations), startLocks(lockCount)
{
    ++trapDepth;
}

AllocationTrap::~AllocationTrap()
{
    --trapDepth;
}

size_t AllocationTrap::count() const
{
    return allocations - startCount;
}

size_t AllocationTrap::locks() const
{
    return lockCount - startLocks;
}

bool AllocationTrap::countsLocks()
{
#if !defined(VORN_SANITIZED) && defined(__GLIBC__)
    return true;
#else
    return false;
#endif
}
} // namespace vorn::test

#if !defined(VORN_SANITIZED) && defined(__GLIBC__)
extern "C"
{
    void* __libc_malloc(size_t);
    void* __libc_calloc(size_t, size_t);
    void* __libc_realloc(void*, size_t);
    void* __libc_memalign(size_t, size_t);
    void __libc_free(void*);

    void* malloc(size_t size)
    {
        noteAllocation();
        return __libc_malloc(size);
    }

    void* calloc(size_t count, size_t size)
    {
        noteAllocation();
        return __libc_calloc(count, size);
    }

    void* realloc(void* block, size_t size)
    {
        noteAllocation();
        return __libc_realloc(block, size);
    }

    void* memalign(size_t alignment, size_t size)
    {
        noteAllocation();
        return __libc_memalign(alignment, size);
    }

    void* aligned_alloc(size_t alignment, size_t size)
    {
        noteAllocation();
        return __libc_memalign(alignment, size);
    }

    int posix_memalign(void** result, size_t alignment, size_t size)
    {
        noteAllocation();
        *result = __libc_memalign(alignment, size);
        return *result != nullptr ? 0 : 12; // ENOMEM
    }

    void free(void* block)
    {
        __libc_free(block);
    }

    int pthread_mutex_lock(pthread_mutex_t* mutex)
    {
        // The C library's own definition, found once; the dynamic loader's lock does not come through here.
        using Lock = int (*)(pthread_mutex_t*);
        static const auto next = reinterpret_cast<Lock>(dlsym(RTLD_NEXT, "pthread_mutex_lock"));
        if (trapDepth > 0)
            ++lockCount;
        return next(mutex);
    }
}
#endif

#if !defined(VORN_THREAD_SANITIZED)
void* operator new(size_t size)
{
    noteAllocation();
    if (void* p = std::malloc(size != 0 ? size : 1))
        return p;
    throw std::bad_alloc();
}

void* operator new[](size_t size)
{
    return operator new(size);
}

void* operator new(size_t size, const std::nothrow_t&) noexcept
{
    noteAllocation();
    return std::malloc(size != 0 ? size : 1);
}

void* operator new[](size_t size, const std::nothrow_t&) noexcept
{
    return operator new(size, std::nothrow);
}

void operator delete(void* block) noexcept
{
    std::free(block);
}

void operator delete[](void* block) noexcept
{
    std::free(block);
}

void operator delete(void* block, size_t) noexcept
{
    std::free(block);
}

void operator delete[](void* block, size_t) noexcept
{
    std::free(block);
}
#endif
