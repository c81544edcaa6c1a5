// The network port's contracts against a scripted RFC 2217 server on loopback:
// lines and the block behind them with IAC in the data, a wait cut short from
// another thread, a server that sets other line settings, a server that goes.

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <future>
#include <thread>
#include <vector>

#include "serial/network_port.h"

namespace norvik {
namespace {

using Bytes = std::vector<uint8_t>;

// Answers every COM-PORT command with its value (the baud rate with
// `baudAnswer` when set), then sends `script`, then holds the connection
// until told to close it.
class ScriptedServer {
public:
    ScriptedServer(Bytes script, uint32_t baudAnswer = 0) {
        listener_ = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof address;
        ::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address);
        ::listen(listener_, 1);
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &len);
        port_ = ntohs(address.sin_port);
        thread_ = std::thread([this, script, baudAnswer] { serve(script, baudAnswer); });
    }
    ~ScriptedServer() {
        close_.set_value();
        thread_.join();
        ::close(listener_);
    }
    std::string url() const { return "rfc2217://127.0.0.1:" + std::to_string(port_); }

private:
    void serve(const Bytes& script, uint32_t baudAnswer) {
        const int c = ::accept(listener_, nullptr, nullptr);
        const Bytes greeting{255, 253, 44, 255, 251, 0, 255, 253, 0, 255, 251, 3, 255, 253, 3};
        ::send(c, greeting.data(), greeting.size(), 0);
        Bytes in;
        int answered = 0;
        uint8_t b = 0;
        // Five commands: four line settings and the purge.
        while (answered < 5 && ::recv(c, &b, 1, 0) == 1) {
            in.push_back(b);
            if (in.size() < 2 || in[in.size() - 2] != 255 || b != 240) continue;
            const auto sb = std::find(in.begin(), in.end(), uint8_t{250});
            Bytes reply(sb - 1, in.end());
            reply[3] += 100;
            if (reply[3] == 101 && baudAnswer != 0)
                reply = {255,
                         250,
                         44,
                         101,
                         0,
                         static_cast<uint8_t>(baudAnswer >> 16),
                         static_cast<uint8_t>(baudAnswer >> 8),
                         static_cast<uint8_t>(baudAnswer),
                         255,
                         240};
            ::send(c, reply.data(), reply.size(), 0);
            in.clear();
            ++answered;
        }
        ::send(c, script.data(), script.size(), 0);
        close_.get_future().wait();
        ::close(c);
    }

    int listener_ = -1;
    uint16_t port_ = 0;
    std::promise<void> close_;
    std::thread thread_;
};

PortSettings settingsFor(const std::string& url) {
    PortSettings settings;
    settings.device = url;
    return settings;
}

TEST(NetworkPortTest, aLineThenItsBlockWithIacInsideThenNothingMore) {
    ScriptedServer server({'o', 'k', '\r', '\n', 1, 255, 255, 2, 255, 255, 3, 'x'});
    NetworkSerialPort port;
    ASSERT_EQ(port.openPort(settingsFor(server.url())), 0);
    std::string line;
    ASSERT_TRUE(port.takeLine(1, 2000, line));
    EXPECT_EQ(line, "ok");
    Bytes block(4);
    EXPECT_TRUE(port.receiveBlock(1, block, 2000).whole());
    EXPECT_EQ(block, (Bytes{1, 255, 2, 255}));
    Bytes rest(2);
    const BlockReceipt tail = port.receiveBlock(1, rest, 100);
    EXPECT_EQ(tail.received, 2u);
    EXPECT_EQ(rest, (Bytes{3, 'x'}));
    EXPECT_EQ(port.closePort(1), 0u);
}

TEST(NetworkPortTest, aWaitIsCutShortFromAnotherThreadAndAServerThatGoesIsALostPort) {
    std::optional<ScriptedServer> server(std::in_place, Bytes{'a'});
    NetworkSerialPort port;
    ASSERT_EQ(port.openPort(settingsFor(server->url())), 0);
    std::thread canceller([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        port.cancelWaits();
    });
    Bytes block(8);
    const auto start = std::chrono::steady_clock::now();
    const BlockReceipt cut = port.receiveBlock(1, block, 10000);
    canceller.join();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    EXPECT_FALSE(cut.whole());
    port.resumeWaits();
    server.reset();
    std::string line;
    EXPECT_FALSE(port.takeLine(1, 2000, line));
    EXPECT_EQ(port.deviceError(), static_cast<uint32_t>(ECONNRESET));
    port.closePort(1);
}

TEST(NetworkPortTest, otherLineSettingsThanAskedRefuseTheOpenNamingBoth) {
    ScriptedServer server({}, 9600);
    NetworkSerialPort port;
    EXPECT_EQ(port.openPort(settingsFor(server.url())), EPROTO);
    EXPECT_EQ(refusedLineSettings(server.url()), "115200 baud asked, the server set 9600 baud");
}

}  // namespace
}  // namespace norvik
