#pragma once

namespace VORNSDK {

// Result of a host call. Code 0 is success; other codes are host-specific failures.
class Status {
public:
    constexpr Status(int code = 0) noexcept : code_(code) {}
    constexpr int code() const noexcept { return code_; }
    constexpr bool ok() const noexcept { return code_ == 0; }

private:
    int code_;
};

inline constexpr int kStatusFailed = 1;
inline constexpr int kStatusNotFound = 2;
inline constexpr int kStatusBadValue = 3;

} // namespace VORNSDK
