#include "serve.h"

#include "geometry_frame.h"
#include "serve_protocol.h"

#include <civetweb.h>

#include <condition_variable>
#include <csignal>
#include <deque>
#include <filesystem>
#include <map>
#include <mutex>
#include <ostream>
#include <set>
#include <thread>

namespace vorn {

namespace {

// What arrives from a client, in the order it arrived.
struct Event {
    enum Kind { Connected, Message, Closed } kind;
    int client;
    std::string text;
};

// civetweb's worker threads only queue what arrives; the session runs on the thread that
// called serve(), which has a full-size stack (civetweb's workers have small ones, too small for
// the kernel's deeper operations) and is the only one that touches the kernel, which is
// single-threaded. Replies and updates are written in the order the events ran.
struct Server {
    std::mutex mutex;
    std::condition_variable wake;
    std::deque<Event> events;
    bool stopping = false;
    std::map<int, mg_connection*> connections;
    std::set<std::string> origins;
    int next_client = 1;

    void post(Event event)
    {
        events.push_back(std::move(event));
        wake.notify_one();
    }
};

// Per connection: its client id and a message arriving in fragments.
struct Slot {
    int client;
    std::string pending;
};

// With the server's mutex held, so that no connection closes meanwhile.
void send(Server& server, std::vector<Outgoing> const& messages)
{
    for (Outgoing const& m : messages) {
        auto const it = server.connections.find(m.client);
        if (it != server.connections.end())
            mg_websocket_write(it->second, m.binary ? MG_WEBSOCKET_OPCODE_BINARY : MG_WEBSOCKET_OPCODE_TEXT,
                               m.data.data(), m.data.size());
    }
}

// Only the served page may open the socket: another site open in the same browser must not
// drive the session.
int on_connect(mg_connection const* conn, void* data)
{
    auto& server = *static_cast<Server*>(data);
    char const* origin = mg_get_header(conn, "Origin");
    return origin && server.origins.contains(origin) ? 0 : 1;
}

void on_ready(mg_connection* conn, void* data)
{
    auto& server = *static_cast<Server*>(data);
    std::lock_guard const lock(server.mutex);
    int const client = server.next_client++;
    mg_set_user_connection_data(conn, new Slot{client, {}});
    server.connections[client] = conn;
    server.post({Event::Connected, client, {}});
}

void refuse_oversized(mg_connection* conn)
{
    std::string const text = R"({"type":"reply","id":null,"ok":false,"error":"message larger than )" +
                             std::to_string(kMaxMessageBytes >> 20) + R"( MiB"})";
    mg_websocket_write(conn, MG_WEBSOCKET_OPCODE_TEXT, text.data(), text.size());
}

// Answers 0 to close the connection.
int on_data(mg_connection* conn, int bits, char* bytes, std::size_t length, void* data)
{
    auto& server = *static_cast<Server*>(data);
    auto* slot = static_cast<Slot*>(mg_get_user_connection_data(conn));
    int const opcode = bits & 0x0f;
    bool const final = bits & 0x80;
    if (!slot || opcode == MG_WEBSOCKET_OPCODE_CONNECTION_CLOSE)
        return 0;
    if (opcode != MG_WEBSOCKET_OPCODE_TEXT && opcode != MG_WEBSOCKET_OPCODE_BINARY &&
        opcode != MG_WEBSOCKET_OPCODE_CONTINUATION)
        return 1;
    if (slot->pending.size() + length > kMaxMessageBytes) {
        std::lock_guard const lock(server.mutex);
        refuse_oversized(conn);
        return 0;
    }
    slot->pending.append(bytes, length);
    if (!final)
        return 1;
    std::lock_guard const lock(server.mutex);
    server.post({Event::Message, slot->client, std::move(slot->pending)});
    slot->pending.clear();
    return 1;
}

void on_close(mg_connection const* conn, void* data)
{
    auto& server = *static_cast<Server*>(data);
    auto* slot = static_cast<Slot*>(mg_get_user_connection_data(conn));
    if (!slot)
        return;
    std::lock_guard const lock(server.mutex);
    server.connections.erase(slot->client);
    server.post({Event::Closed, slot->client, {}});
    delete slot;
    mg_set_user_connection_data(conn, nullptr);
}

int listening_port(mg_context* context)
{
    mg_server_port ports[4] = {};
    int const n = mg_get_server_ports(context, 4, ports);
    return n > 0 ? ports[0].port : -1;
}

// civetweb's own log lines (a refused upgrade, a client gone) are not the person's concern.
int quiet_log(mg_connection const*, char const*) { return 1; }

std::vector<Outgoing> run(ServeProtocol& protocol, Event const& event)
{
    switch (event.kind) {
    case Event::Connected: protocol.connect(event.client); return {};
    case Event::Message: return protocol.handle(event.client, event.text);
    case Event::Closed: return protocol.disconnect(event.client);
    }
    return {};
}

// Runs the events until a stop signal arrives.
void run_events(Server& server, ServeProtocol& protocol)
{
    std::unique_lock lock(server.mutex);
    for (;;) {
        server.wake.wait(lock, [&] { return server.stopping || !server.events.empty(); });
        if (server.stopping)
            return;
        Event const event = std::move(server.events.front());
        server.events.pop_front();
        lock.unlock();
        std::vector<Outgoing> const out = run(protocol, event);
        lock.lock();
        send(server, out);
    }
}

} // namespace

std::string default_web_folder()
{
    std::error_code ec;
    auto const exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec)
        return "share/vorn/web";
    return (exe.parent_path().parent_path() / "share" / "vorn" / "web").string();
}

int serve(ServeOptions const& options, std::ostream& out, std::ostream& err)
{
    std::string const web = options.web.empty() ? default_web_folder() : options.web;
    for (char const* file : {"index.html", "three.module.js"})
        if (!std::filesystem::is_regular_file(std::filesystem::path(web) / file)) {
            err << "vorn serve: no " << file << " in '" << web << "' (run ./dev bootstrap, then ./dev build)\n";
            return 1;
        }
    if (!std::filesystem::is_directory(options.root)) {
        err << "vorn serve: --root '" << options.root << "' is not a folder\n";
        return 2;
    }
    keep_large_blocks();
    ServeProtocol protocol(options.root, std::filesystem::temp_directory_path());
    for (std::string const& file : options.files) {
        try {
            protocol.load_file(file);
        } catch (std::exception const& e) {
            err << "vorn serve: " << e.what() << '\n';
            return 1;
        }
    }
    // The stop signals are taken by one thread with sigwait; every other thread, civetweb's
    // included, inherits the mask that blocks them.
    sigset_t stop_signals;
    sigemptyset(&stop_signals);
    sigaddset(&stop_signals, SIGINT);
    sigaddset(&stop_signals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stop_signals, nullptr);

    Server server;
    mg_init_library(0);
    std::string const ports = options.host + ":" + std::to_string(options.port);
    char const* settings[] = {"listening_ports", ports.c_str(), "document_root", web.c_str(),
                              "enable_directory_listing", "no", "extra_mime_types", ".js=text/javascript,.mjs=text/javascript",
                              "enable_websocket_ping_pong", "yes", "websocket_timeout_ms", "30000",
                              "static_file_max_age", "0", "tcp_nodelay", "1", nullptr};
    mg_callbacks callbacks{};
    callbacks.log_message = quiet_log;
    mg_context* context = mg_start(&callbacks, nullptr, settings);
    if (!context) {
        err << "vorn serve: cannot listen on " << ports << '\n';
        mg_exit_library();
        return 1;
    }
    int const port = listening_port(context);
    std::string const address = options.host + ":" + std::to_string(port);
    server.origins = {"http://" + address, "http://127.0.0.1:" + std::to_string(port),
                      "http://localhost:" + std::to_string(port)};
    mg_set_websocket_handler(context, "/ws", on_connect, on_ready, on_data, on_close, &server);
    out << "vorn serve: http://" << address << "/" << std::endl;

    std::thread stopper([&] {
        int signal = 0;
        sigwait(&stop_signals, &signal);
        std::lock_guard const lock(server.mutex);
        server.stopping = true;
        server.wake.notify_one();
    });
    run_events(server, protocol);
    stopper.join();
    mg_stop(context);
    mg_exit_library();
    err << "vorn serve: stopped\n";
    return 0;
}

} // namespace vorn
