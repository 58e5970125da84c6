#pragma once

#include "vornsdk/api.h"
#include "vornsdk/parameter.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace VORNSDK {

// Receiver of a Notify channel.
class VORNSDK_API NotifySlot {
public:
    virtual ~NotifySlot();
    virtual void notified(std::uint32_t code, Parameter const& value) = 0;
};

// A notification channel: attached slots hear every send, in attachment order.
class VORNSDK_API Notify {
public:
    void attach(NotifySlot* slot);
    void detach(NotifySlot* slot);
    void send(std::uint32_t code, Parameter const& value);

private:
    std::vector<NotifySlot*> slots_;
};

class Signal;

// One subscription to a Signal. Disconnecting twice, or after the signal is gone, is harmless.
class VORNSDK_API Connection {
public:
    Connection() = default;
    void disconnect();
    bool connected() const;

private:
    friend class Signal;
    struct State;
    Connection(std::weak_ptr<State> state, std::uint64_t id) : state_(std::move(state)), id_(id) {}
    std::weak_ptr<State> state_;
    std::uint64_t id_ = 0;
};

// A list of callbacks fired with a Parameter.
class VORNSDK_API Signal {
public:
    using Callback = std::function<void(Parameter const&)>;
    Signal();
    Signal(Signal const&) = delete;
    Signal& operator=(Signal const&) = delete;
    ~Signal();

    Connection connect(Callback callback);
    void fire(Parameter const& value = Parameter());
    std::size_t size() const;

private:
    std::shared_ptr<Connection::State> state_;
};

// Connections that end together: on clear() or destruction.
class VORNSDK_API ScopedConnections {
public:
    ScopedConnections() = default;
    ScopedConnections(ScopedConnections const&) = delete;
    ScopedConnections& operator=(ScopedConnections const&) = delete;
    ~ScopedConnections() { clear(); }

    void add(Connection c) { connections_.push_back(std::move(c)); }
    void clear();
    std::size_t size() const { return connections_.size(); }

private:
    std::vector<Connection> connections_;
};

} // namespace VORNSDK
