#pragma once

// Whether this test was built with AddressSanitizer, which slows the program
// several times over and holds freed memory back before reuse.
#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define TALLOWMERE_UNDER_ASAN
#endif
#endif
#if defined(__SANITIZE_ADDRESS__) && !defined(TALLOWMERE_UNDER_ASAN)
#define TALLOWMERE_UNDER_ASAN
#endif

#ifdef TALLOWMERE_UNDER_ASAN
inline constexpr bool kUnderAddressSanitizer = true;
#else
inline constexpr bool kUnderAddressSanitizer = false;
#endif
