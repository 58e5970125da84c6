#pragma once

#include <cstddef>
#include <iosfwd>
#include <string>
#include <vector>

namespace vorn {

struct ServeOptions {
    std::string host = "127.0.0.1";
    int port = 8080; // 0: any free port
    std::string root = ".";
    std::string web; // the page's folder; empty: share/vorn/web beside the program's folder
    std::vector<std::string> files;
};

// The largest message a client may send (an opened file travels in one).
inline constexpr std::size_t kMaxMessageBytes = std::size_t(64) << 20;

// The folder the build fills with the page: <prefix>/share/vorn/web for <prefix>/bin/vorn.
std::string default_web_folder();

// `vorn serve`: serves the page over HTTP and the protocol on the WebSocket at /ws, one session
// for every client, until SIGINT or SIGTERM. Prints "vorn serve: http://HOST:PORT/" on out once
// listening. Answers the exit code; problems that stop it go to err.
int serve(ServeOptions const& options, std::ostream& out, std::ostream& err);

} // namespace vorn
