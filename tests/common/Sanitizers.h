#pragma once

// QIMPORT_ASAN is defined when the test is built with AddressSanitizer, under GCC
// (__SANITIZE_ADDRESS__) or clang (__has_feature). Tests that cap the address space
// or measure the heap need to know: the sanitizer reserves terabytes of shadow
// memory and replaces the allocator.
#if defined(__SANITIZE_ADDRESS__)
#define QIMPORT_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define QIMPORT_ASAN 1
#endif
#endif
