#pragma once

#include "vornsdk/interfaces.h"
#include "vornsdk/plugin.h"

#include <cstdint>

namespace tolvir {

// A plugin that can be cloned with its attribute values. Derived classes copy their own state
// in copy_from, which runs when the clone is created.
class Cloneable : public VORNSDK::Plugin, public VORNSDK::CloneableInterface {
public:
    void* query_interface(VORNSDK::UniqueID const& id) override;
    void assign_variant(VORNSDK::Variant const& value) override;
    virtual void copy_from(VORNSDK::Plugin const& source);
    // Hooks for attribute notifications; the value is the changed attribute's index.
    virtual void attribute_changed(std::uint32_t value);
    virtual void attribute_event(std::uint32_t value);

    VORNSDK::Component clone() override;
};

} // namespace tolvir
