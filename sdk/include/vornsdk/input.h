#pragma once

#include "vornsdk/component.h"

#include <cstdint>

namespace VORNSDK {

// A pair of bit sets: which bits are known, and their state.
struct BitPair {
    std::uint32_t valid = 0;
    std::uint32_t state = 0;

    constexpr bool test(int bit) const { return ((valid >> bit) & 1u) && ((state >> bit) & 1u); }
    constexpr void set(int bit, bool on)
    {
        valid |= 1u << bit;
        state = on ? (state | (1u << bit)) : (state & ~(1u << bit));
    }
};

// Mouse buttons: bit n of the button set is button n held.
inline constexpr int kButtonLeft = 0;
inline constexpr int kButtonMiddle = 1;
inline constexpr int kButtonRight = 2;
// Modifier keys: bits of the modifier set.
inline constexpr int kModifierShift = 0;
inline constexpr int kModifierCtrl = 1;
inline constexpr int kModifierAlt = 2;
// Bits of the event's flag set.
inline constexpr int kFlagConstrain = 2;

// Validity bits of the pointer position.
inline constexpr std::uint32_t kPositionXValid = 1;
inline constexpr std::uint32_t kPositionYValid = 2;

// The state of the input devices at one event.
struct InputDeviceState {
    BitPair flags;
    float x = 0, y = 0;
    std::uint32_t position_valid = 0;
    BitPair buttons;
    BitPair modifiers;
    // The button that was pressed or released by this event; -1 for motion.
    int button = -1;
    // The viewport the event belongs to.
    Component viewport;

    // Pointer coordinates; a coordinate whose validity bit is clear reads as 0.
    double pointer_x() const { return (position_valid & kPositionXValid) ? x : 0.0; }
    double pointer_y() const { return (position_valid & kPositionYValid) ? y : 0.0; }
};

} // namespace VORNSDK
