// The real vorn serve program on a free port, spoken to through a raw socket: the WebSocket is
// the page's alone, and a message past the size bound ends the connection with an error.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

namespace fs = std::filesystem;

// A connection that asked for the WebSocket upgrade from origin; status is the first line of the
// answer, empty when the server closed the connection instead.
struct Upgrade {
    int fd = -1;
    std::string status;
    ~Upgrade()
    {
        if (fd >= 0)
            close(fd);
    }
};

void upgrade(Upgrade& u, int port, std::string const& origin)
{
    u.fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(connect(u.fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    std::string const request = "GET /ws HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(port) +
                                "\r\nUpgrade: websocket\r\nConnection: Upgrade\r\n"
                                "Sec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\nSec-WebSocket-Version: 13\r\n"
                                "Origin: " + origin + "\r\n\r\n";
    ASSERT_EQ(write(u.fd, request.data(), request.size()), ssize_t(request.size()));
    char answer[1024] = {};
    ssize_t const n = read(u.fd, answer, sizeof answer - 1);
    std::string const text(answer, n > 0 ? std::size_t(n) : 0);
    u.status = text.substr(0, text.find("\r\n"));
}

// Everything the server sends until it closes the connection.
std::string read_to_end(int fd)
{
    std::string all;
    char buffer[4096];
    for (ssize_t n; (n = read(fd, buffer, sizeof buffer)) > 0;)
        all.append(buffer, std::size_t(n));
    return all;
}

class ServeProgram : public ::testing::Test {
protected:
    // A page of its own, so that the test does not need the npm packages.
    void SetUp() override
    {
        web = fs::temp_directory_path() / ("serve_web_" + std::to_string(getpid()));
        fs::create_directories(web);
        for (char const* file : {"index.html", "three.module.js"})
            std::ofstream(web / file) << "\n";
        int out[2];
        ASSERT_EQ(pipe(out), 0);
        child = fork();
        if (child == 0) {
            dup2(out[1], STDOUT_FILENO);
            close(out[0]);
            execl(VORN_PATH, VORN_PATH, "serve", "--port", "0", "--root", web.c_str(), "--web", web.c_str(),
                  static_cast<char*>(nullptr));
            _exit(127);
        }
        close(out[1]);
        from = fdopen(out[0], "r");
        char line[256] = {};
        ASSERT_NE(fgets(line, sizeof line, from), nullptr);
        ASSERT_EQ(std::sscanf(line, "vorn serve: http://127.0.0.1:%d/", &port), 1) << line;
    }

    // Ctrl+C stops the server cleanly.
    void TearDown() override
    {
        kill(child, SIGINT);
        int status = 0;
        waitpid(child, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
        fclose(from);
        fs::remove_all(web);
    }

    fs::path web;
    pid_t child = -1;
    FILE* from = nullptr;
    int port = 0;
};

TEST_F(ServeProgram, ServesThePageOnlyAndBoundsMessages)
{
    std::string const own = "http://127.0.0.1:" + std::to_string(port);
    for (std::string const origin : {"http://evil.example", "http://127.0.0.1:1", ""}) {
        Upgrade u;
        upgrade(u, port, origin);
        EXPECT_EQ(u.status, "") << origin;
    }
    Upgrade u;
    upgrade(u, port, own);
    ASSERT_EQ(u.status, "HTTP/1.1 101 Switching Protocols");

    // A binary message one byte past 64 MiB, masked with a zero key so it needs no encoding.
    std::uint64_t const length = (std::uint64_t(64) << 20) + 1;
    unsigned char header[14] = {0x82, 0x80 | 127};
    for (int k = 0; k < 8; ++k)
        header[2 + k] = static_cast<unsigned char>(length >> (8 * (7 - k)));
    ASSERT_EQ(write(u.fd, header, sizeof header), ssize_t(sizeof header));
    std::string const chunk(1 << 20, '\0');
    for (std::uint64_t sent = 0; sent < length;) {
        std::size_t const n = std::size_t(std::min<std::uint64_t>(chunk.size(), length - sent));
        ssize_t const written = write(u.fd, chunk.data(), n);
        ASSERT_GT(written, 0);
        sent += std::uint64_t(written);
    }
    EXPECT_NE(read_to_end(u.fd).find("message larger than 64 MiB"), std::string::npos);
}

} // namespace
