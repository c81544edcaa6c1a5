// The telnet layer against answers recorded from ser2net 4.3 (and the refusals
// and splits other servers and networks make of them), byte for byte.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "serial/network_port.h"
#include "serial/telnet_codec.h"

namespace norvik {
namespace {

using Bytes = std::vector<uint8_t>;
using telnet::Codec;
using telnet::ComAnswer;

struct CodecCase {
    const char* name;
    Bytes server;                   // what the server sends, after our offers
    std::vector<std::size_t> cuts;  // where the network splits it
    Bytes data;                     // serial data that comes out
    Bytes owed;                     // what we must answer
    std::vector<ComAnswer> answers;
    bool agreed;
    bool refused;
};

const Bytes kSer2netGreeting{255, 251, 3,   255, 253, 3,   255, 251, 1,   255, 254,
                             1,   255, 253, 0,   255, 251, 0,   255, 253, 44};
const Bytes kSer2netSettings{255, 250, 44,  112, 3,   255, 240, 255, 250, 44,  101, 0,   1,
                             194, 0,   255, 240, 255, 250, 44,  102, 8,   255, 240, 255, 250,
                             44,  103, 3,   255, 240, 255, 250, 44,  104, 1,   255, 240};
const std::vector<ComAnswer> kSer2netAnswers{{12, {3}}, {1, {0, 1, 194, 0}}, {2, {8}}, {3, {3}}, {4, {1}}};

Bytes join(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& p : parts) all.insert(all.end(), p.begin(), p.end());
    return all;
}

class CodecTest : public testing::TestWithParam<CodecCase> {};

TEST_P(CodecTest, serverBytesBecomeDataAnswersAndReplies) {
    const CodecCase& c = GetParam();
    Codec codec;
    EXPECT_EQ(codec.start(true), (Bytes{255, 251, 0, 255, 253, 0, 255, 251, 3, 255, 253, 3, 255, 251, 44}));
    Bytes data;
    std::size_t from = 0;
    std::vector<std::size_t> cuts = c.cuts;
    cuts.push_back(c.server.size());
    for (const std::size_t cut : cuts) {
        codec.feed(std::span(c.server).subspan(from, cut - from), data);
        from = cut;
    }
    EXPECT_EQ(data, c.data);
    EXPECT_EQ(codec.takeOwed(), c.owed);
    EXPECT_EQ(codec.takeAnswers(), c.answers);
    EXPECT_EQ(codec.comPortAgreed(), c.agreed);
    EXPECT_EQ(codec.comPortRefused(), c.refused);
}

INSTANTIATE_TEST_SUITE_P(
    Recorded, CodecTest,
    testing::Values(
        // ser2net offers ECHO and takes it back; only that is refused.
        CodecCase{"ser2netOpening",
                  join({kSer2netGreeting, kSer2netSettings}),
                  {},
                  {},
                  {255, 254, 1},
                  kSer2netAnswers,
                  true,
                  false},
        CodecCase{"splitInEverySequence",
                  join({kSer2netGreeting, kSer2netSettings}),
                  {1, 2, 13, 22, 24, 27, 33, 40},
                  {},
                  {255, 254, 1},
                  kSer2netAnswers,
                  true,
                  false},
        CodecCase{"byteByByte",
                  join({kSer2netGreeting, kSer2netSettings}),
                  [] {
                      std::vector<std::size_t> all;
                      for (std::size_t i = 1; i < kSer2netGreeting.size() + kSer2netSettings.size(); ++i)
                          all.push_back(i);
                      return all;
                  }(),
                  {},
                  {255, 254, 1},
                  kSer2netAnswers,
                  true,
                  false},
        CodecCase{"iacInDataAndAcrossACut",
                  {'x', 255, 255, 'y', 255, 255},
                  {1, 5},
                  {'x', 255, 'y', 255},
                  {},
                  {},
                  false,
                  false},
        CodecCase{"iacInsideAnAnswer",
                  {255, 250, 44, 101, 0, 0, 255, 255, 255, 240},
                  {7},
                  {},
                  {},
                  {{1, {0, 0, 255}}},
                  false,
                  false},
        CodecCase{"serverRefusesComPort", {255, 254, 44, 255, 253, 0, 'o', 'k'}, {}, {'o', 'k'}, {}, {}, false, true},
        CodecCase{"serverAsksForUnknownOptions",
                  {255, 253, 24, 255, 251, 5, 255, 252, 7},
                  {},
                  {},
                  {255, 252, 24, 255, 254, 5},
                  {},
                  false,
                  false},
        CodecCase{"serverWantsToBeTheComPortClient", {255, 251, 44}, {}, {}, {255, 254, 44}, {}, false, false},
        // Agreed first, then withdrawn: we answer WONT once.
        CodecCase{"binaryWithdrawn", {255, 253, 0, 255, 254, 0, 255, 254, 0}, {}, {}, {255, 252, 0}, {}, false, false},
        CodecCase{"notificationsAndNopsCarryNoData",
                  {'a', 255, 241, 'b', 255, 250, 44, 107, 48, 255, 240, 255, 249, 'c'},
                  {},
                  {'a', 'b', 'c'},
                  {},
                  {{7, {48}}},
                  false,
                  false},
        // IAC followed by a command inside a subnegotiation ends it; the command counts.
        CodecCase{"brokenSubnegotiation", {255, 250, 44, 101, 255, 253, 3, 'z'}, {}, {'z'}, {}, {}, false, false},
        CodecCase{"crNulOutsideBinary", {'\r', 0, 'a', 0}, {1}, {'\r', 'a', 0}, {}, {}, false, false}),
    [](const testing::TestParamInfo<CodecCase>& param) { return std::string(param.param.name); });

TEST(CodecTest, outgoingDataAndCommandsEscapeEveryIac) {
    Bytes wire;
    Codec::appendEscaped(Bytes{1, 255, 255, 2}, wire);
    EXPECT_EQ(wire, (Bytes{1, 255, 255, 255, 255, 2}));
    EXPECT_EQ(Codec::comCommand(telnet::ComCommand::SetBaudRate, Bytes{0, 0, 255, 0}),
              (Bytes{255, 250, 44, 1, 0, 0, 255, 255, 0, 255, 240}));
}

TEST(CodecTest, anEndlessSubnegotiationHoldsNoMemory) {
    Codec codec;
    Bytes data;
    codec.feed(Bytes{255, 250, 44, 101}, data);
    codec.feed(Bytes(100000, 7), data);
    codec.feed(Bytes{255, 240, 'k'}, data);
    EXPECT_EQ(data, Bytes{'k'});
    EXPECT_TRUE(codec.takeAnswers().empty());
}

struct AddressCase {
    const char* text;
    bool valid;
    bool telnet = false;
    const char* host = "";
    uint16_t port = 0;
};

TEST(NetworkAddressTest, namesParseAsPyserialWritesThem) {
    const AddressCase cases[] = {
        {"rfc2217://127.0.0.1:2217", true, true, "127.0.0.1", 2217},
        {"socket://localhost:7000", true, false, "localhost", 7000},
        {"rfc2217://[::1]:65535", true, true, "::1", 65535},
        {"rfc2217://127.0.0.1", false, false, "", 0},
        {"rfc2217://127.0.0.1:0", false, false, "", 0},
        {"rfc2217://127.0.0.1:65536", false, false, "", 0},
        {"socket://:7000", false, false, "", 0},
        {"socket://host:70a", false, false, "", 0},
        {"rfc2217://host:7000/path", false, false, "", 0},
        {"rfc2217://[::1]7000", false, false, "", 0},
        {"socket://a b:1", false, false, "", 0},
        {"/dev/ttyUSB0", false, false, "", 0},
    };
    for (const AddressCase& c : cases) {
        SCOPED_TRACE(c.text);
        const auto address = parseNetworkAddress(c.text);
        ASSERT_EQ(address.has_value(), c.valid);
        if (!c.valid) continue;
        EXPECT_EQ(address->telnet, c.telnet);
        EXPECT_EQ(address->host, c.host);
        EXPECT_EQ(address->port, c.port);
    }
    EXPECT_TRUE(isNetworkDevice("socket://bad"));
    EXPECT_FALSE(isNetworkDevice("/dev/socket://x"));
}

}  // namespace
}  // namespace norvik
