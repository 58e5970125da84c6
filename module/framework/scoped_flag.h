#pragma once

namespace tolvir {

// Sets a flag for the life of a scope and clears it at the end, however the scope is left: a
// handler that throws must not leave its listener deaf or its tool suppressed for ever.
class ScopedFlag {
public:
    explicit ScopedFlag(bool& flag, bool value = true) : flag_(flag) { flag_ = value; }
    ~ScopedFlag() { flag_ = false; }
    ScopedFlag(ScopedFlag const&) = delete;
    ScopedFlag& operator=(ScopedFlag const&) = delete;

private:
    bool& flag_;
};

} // namespace tolvir
