// KELTO_ASAN: defined when the test program is built with AddressSanitizer (clang or gcc), for
// the tests that measure the heap or limit the address space, which it manages its own way.
#pragma once

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define KELTO_ASAN 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define KELTO_ASAN 1
#endif
