#pragma once

#include "geometry_frame.h"
#include "session.h"
#include "session_recorder.h"

#include <nlohmann/json.hpp>

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace vorn {

// A message for one client: JSON text, or a binary geometry frame.
struct Outgoing {
    int client;
    bool binary;
    std::string data;
};

// The browser protocol of `vorn serve` (docs/vorn-serve.md) without any network: it owns the
// session, reads each client's request, runs it through the session's operations and answers
// what to send to whom. Every request gets exactly one reply, which comes last, after the
// updates it caused (geometry each client has not seen, removed items, the state, the tool's
// drawing, notices). A request that fails changes nothing.
//
// Not thread-safe: the caller serialises every call.
class ServeProtocol {
public:
    // load and save work inside root (made absolute here); open writes a person's file into a
    // private folder under scratch for as long as it is being read.
    ServeProtocol(std::filesystem::path root, std::filesystem::path scratch);

    // Loads a file named on the command line, outside any request.
    void load_file(std::string const& path);

    void connect(int client);
    std::vector<Outgoing> handle(int client, std::string_view text);
    // A client gone while it held a button leaves the scene as if the tool had been dropped.
    std::vector<Outgoing> disconnect(int client);

    Session& session() { return session_; }
    std::string script() const { return recorder_.script(); }

private:
    using Json = nlohmann::json;
    using Reply = nlohmann::ordered_json;
    struct Client {
        // Updates go to clients that said hello.
        bool greeted = false;
        std::map<std::string, SentItem> items;
    };
    using Handler = Reply (ServeProtocol::*)(Json const& request);

    static std::map<std::string, Handler, std::less<>> const& handlers();
    Reply run(Json const& request, bool& changes);
    void send_updates(std::vector<Outgoing>& out);
    void add_geometry(int client, Client& state, std::vector<Outgoing>& out);
    nlohmann::ordered_json state() const;
    nlohmann::ordered_json drawing() const;
    std::vector<Assignment> assignments(VORNSDK::Component const& c, Json const& values, std::string const& what,
                                        std::vector<std::string>& words) const;
    std::filesystem::path inside_root(std::string const& path) const;

    Reply hello(Json const& r);
    Reply viewport(Json const& r);
    Reply new_item(Json const& r);
    Reply open(Json const& r);
    Reply load(Json const& r);
    Reply save(Json const& r);
    Reply download(Json const& r);
    Reply mode(Json const& r);
    Reply click(Json const& r);
    Reply select(Json const& r);
    Reply items(Json const& r);
    Reply command(Json const& r);
    Reply tool(Json const& r);
    Reply drop(Json const& r);
    Reply set(Json const& r);
    Reply pointer(Json const& r);
    Reply key(Json const& r);
    Reply action(Json const& r);
    Reply binding(Json const& r, char const* field, std::string const& statement,
                  void (Session::*send)(std::string const&, bool));
    Reply undo(Json const& r);
    Reply redo(Json const& r);
    Reply script_request(Json const& r);

    std::vector<std::string> notices_; // JSON texts of message notices waiting to go out
    Session session_;
    SessionRecorder recorder_;
    std::filesystem::path root_, scratch_;
    std::map<int, Client> clients_;
    int current_ = -1;  // the client whose request runs
    int holder_ = -1;   // the client whose press holds the tool's button, or -1
};

} // namespace vorn
