// Whatever a server sends, in whatever pieces the network cuts it: the telnet
// layer never makes data out of nothing, owes only well-formed answers, keeps
// its memory bounded, and the pieces make no difference to what comes out.
// The input's first byte sets the piece size; the rest is the server's bytes.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <vector>

#include "serial/telnet_codec.h"

namespace {

using norvik::telnet::Codec;

void require(bool holds) {
    if (!holds) std::abort();
}

struct Outcome {
    std::vector<uint8_t> data;
    std::vector<uint8_t> owed;
    std::vector<norvik::telnet::ComAnswer> answers;
    bool agreed = false;
    bool refused = false;
    bool operator==(const Outcome&) const = default;
};

Outcome run(std::span<const uint8_t> wire, std::size_t piece) {
    Codec codec;
    Outcome out;
    (void)codec.start(true);
    for (std::size_t offset = 0; offset < wire.size(); offset += piece) {
        const std::size_t n = std::min(piece, wire.size() - offset);
        const std::size_t before = out.data.size();
        codec.feed(wire.subspan(offset, n), out.data);
        require(out.data.size() - before <= n);
        const std::vector<uint8_t> owed = codec.takeOwed();
        out.owed.insert(out.owed.end(), owed.begin(), owed.end());
        for (auto& answer : codec.takeAnswers()) {
            require(answer.value.size() + 2 <= Codec::kMaxSubnegotiation);
            out.answers.push_back(std::move(answer));
        }
    }
    out.agreed = codec.comPortAgreed();
    out.refused = codec.comPortRefused();
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::span<const uint8_t> wire(data + 1, size - 1);
    const std::size_t piece = data[0] % 17 + 1;

    const Outcome whole = run(wire, wire.size() + 1);
    const Outcome pieces = run(wire, piece);
    // Answers left untaken are capped: taken after every piece, more of them
    // may come through than from one feed of the whole, never fewer or others.
    Outcome capped = pieces;
    if (whole.answers.size() == Codec::kMaxAnswers && capped.answers.size() > Codec::kMaxAnswers)
        capped.answers.resize(Codec::kMaxAnswers);
    require(capped == whole);

    // Each answer owed is one whole option command: IAC, a verb, an option.
    require(whole.owed.size() % 3 == 0);
    for (std::size_t i = 0; i < whole.owed.size(); i += 3) {
        require(whole.owed[i] == norvik::telnet::kIac);
        require(whole.owed[i + 1] >= norvik::telnet::kWill && whole.owed[i + 1] <= norvik::telnet::kDont);
    }

    // Data sent escaped comes back unchanged once the server sends BINARY
    // (outside it a NUL after CR is no data).
    std::vector<uint8_t> escaped;
    Codec::appendEscaped(wire, escaped);
    Codec binary;
    std::vector<uint8_t> ignored;
    binary.feed(std::vector<uint8_t>{norvik::telnet::kIac, norvik::telnet::kWill, norvik::telnet::kBinary}, ignored);
    std::vector<uint8_t> exact;
    binary.feed(escaped, exact);
    require(exact.size() == wire.size() && std::equal(exact.begin(), exact.end(), wire.begin()));
    return 0;
}
