#include "vornsdk/notify.h"

#include <algorithm>
#include <map>

namespace VORNSDK {

NotifySlot::~NotifySlot() = default;

void Notify::attach(NotifySlot* slot)
{
    if (slot && std::find(slots_.begin(), slots_.end(), slot) == slots_.end())
        slots_.push_back(slot);
}

void Notify::detach(NotifySlot* slot) { std::erase(slots_, slot); }

void Notify::send(std::uint32_t code, Parameter const& value)
{
    // A slot may detach itself while hearing the notification.
    auto const slots = slots_;
    for (auto* slot : slots)
        if (std::find(slots_.begin(), slots_.end(), slot) != slots_.end())
            slot->notified(code, value);
}

struct Connection::State {
    std::map<std::uint64_t, Signal::Callback> callbacks;
    std::uint64_t next_id = 1;
};

void Connection::disconnect()
{
    if (auto state = state_.lock())
        state->callbacks.erase(id_);
    state_.reset();
}

bool Connection::connected() const
{
    auto state = state_.lock();
    return state && state->callbacks.count(id_) != 0;
}

Signal::Signal() : state_(std::make_shared<Connection::State>()) {}

Signal::~Signal() = default;

Connection Signal::connect(Callback callback)
{
    auto const id = state_->next_id++;
    state_->callbacks.emplace(id, std::move(callback));
    return Connection(state_, id);
}

void Signal::fire(Parameter const& value)
{
    // Callbacks may connect or disconnect while the signal fires; each one present at the start
    // and still connected when its turn comes is called.
    std::vector<std::uint64_t> ids;
    for (auto const& entry : state_->callbacks)
        ids.push_back(entry.first);
    auto const keep = state_;
    for (auto id : ids) {
        auto it = keep->callbacks.find(id);
        if (it != keep->callbacks.end()) {
            auto callback = it->second;
            callback(value);
        }
    }
}

std::size_t Signal::size() const { return state_->callbacks.size(); }

void ScopedConnections::clear()
{
    for (auto& c : connections_)
        c.disconnect();
    connections_.clear();
}

} // namespace VORNSDK
