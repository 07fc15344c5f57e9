// Whether this build runs under AddressSanitizer. Its shadow memory takes terabytes of address
// space, so a child under an address-space limit cannot even start: tests that bound memory
// that way rely on the sanitizer's own allocation cap instead.
#pragma once

namespace tolvane::test {

#if defined(__SANITIZE_ADDRESS__)
inline constexpr bool kAddressSanitizer = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
inline constexpr bool kAddressSanitizer = true;
#else
inline constexpr bool kAddressSanitizer = false;
#endif
#else
inline constexpr bool kAddressSanitizer = false;
#endif

}  // namespace tolvane::test
