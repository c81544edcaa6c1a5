// The console dialogue against a gateway whose every reply may come on time,
// a tick or two late, doubled, not at all, garbled or cut short, as the
// fuzzer's bytes choose; the dialogs' requests come at moments the bytes choose
// too, as jobs. The model gateway checks what it receives, tick by tick (see
// support/dialogue_gateway.h).

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <utility>
#include <vector>

#include "link/gateway_jobs.h"
#include "support/dialogue_gateway.h"

namespace {

using namespace norvik::test;

constexpr int kMaxTicks = 300;

[[noreturn]] void broken(const char* what) {
    std::fprintf(stderr, "dialogue_fuzz: %s\n", what);
    std::abort();
}

class Bytes {
public:
    Bytes(const uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    bool empty() const { return size_ == 0; }
    uint8_t next() {
        if (size_ == 0) return 0;
        --size_;
        return *data_++;
    }

private:
    const uint8_t* data_;
    std::size_t size_;
};

// The gateway's choices, read from the input as they are made. The corpus was
// grown on this reading: changing it makes the corpus another one.
class ByteFate final : public GatewayFate {
public:
    explicit ByteFate(Bytes& bytes) : bytes_(bytes) {}

    Shape shape() override { return {}; }
    PromptReply promptReply() override {
        const uint8_t how = bytes_.next();
        if (how % 16 == 15) return PromptReply::Disconnect;
        return how % 4 == 1 ? PromptReply::ConnectTwice : PromptReply::Connect;
    }
    bool missesCommand() override { return bytes_.next() % 8 == 7; }
    std::size_t blockBytes(std::size_t size) override {
        const uint8_t cut = bytes_.next() % 8;
        if (cut == 0) return bytes_.next() % size;
        // Short by less than its finish line, whose head then follows in its place.
        if (cut == 1) return size - std::min<std::size_t>(size, 1 + bytes_.next() % 30);
        return size;
    }
    Verdict verdict() override {
        const uint8_t v = bytes_.next() % 3;
        return v == 0 ? Verdict::ReceiveError : v == 1 ? Verdict::SaveError : Verdict::Finished;
    }
    Delivery delivery(std::size_t length, bool isLine) override {
        const uint8_t fate = bytes_.next() % 16;
        Delivery d;
        if (fate == 14) {
            d.dropped = true;
            return d;
        }
        if (fate == 15 && isLine && length > 0) d.garbleAt = bytes_.next() % length;
        d.lateTicks = fate >= 12 ? fate - 11 : 0;
        return d;
    }

private:
    Bytes& bytes_;
};

// What the dialogs and the menu ask for between ticks: a job of a kind not
// already under way, as each dialog has one at a time.
class Requests {
public:
    explicit Requests(norvik::GatewayJobs& jobs) : jobs_(jobs) {}

    void request(uint8_t what) {
        using norvik::Job;
        using norvik::JobKind;
        switch (what % 16) {
        case 0: ask(JobKind::SendSafeValues, [] { return Job::sendSafeValues(sentSafeValues()); }); break;
        case 1: ask(JobKind::ReadSafeValues, [] { return Job::read(JobKind::ReadSafeValues); }); break;
        case 2: ask(JobKind::SendIpSetting, [] { return Job::sendIpSetting(sentIpSetting()); }); break;
        case 3: ask(JobKind::ReadIpSetting, [] { return Job::read(JobKind::ReadIpSetting); }); break;
        case 4: ask(JobKind::ReadFileNames, [] { return Job::read(JobKind::ReadFileNames); }); break;
        default: break;
        }
    }

private:
    // The job is made only when it is asked for: a send's block is large.
    template <class Make>
    void ask(norvik::JobKind kind, Make make) {
        const auto slot = static_cast<std::size_t>(kind);
        if (outstanding_[slot]) return;
        outstanding_[slot] = true;
        norvik::Job job = make();
        jobs_.submit(std::move(job), [this, slot](const norvik::JobResult&) {
            if (!outstanding_[slot]) broken("a job ended twice");
            outstanding_[slot] = false;
        });
    }

    norvik::GatewayJobs& jobs_;
    std::array<bool, 6> outstanding_{};
};

}  // namespace

// A run allocates some 50 KB and frees all of it. A quarantine of 8 MB keeps
// what was freed poisoned for well over a hundred runs, so a use after free
// within a run is caught as before; ASan's default of 256 MB only spreads the
// runs over memory that is never in the cache, which costs a fifth of the
// speed. ASAN_OPTIONS still has the last word.
extern "C" const char* __asan_default_options() { return "quarantine_size_mb=8"; }

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    Bytes input(data, size);
    ByteFate fate(input);
    // The pace is not read from the input, so that the corpus stays the one it
    // was grown as; inputs of either length parity run at either pace.
    DialogueRig rig(fate, broken, size % 2 == 0 ? norvik::DialoguePace::Tick : norvik::DialoguePace::AsAnswered);
    Requests requests(rig.rules);

    rig.connect();
    while (rig.tick < kMaxTicks && !input.empty()) {
        rig.beginTick();
        requests.request(input.next());
        rig.poll();
        rig.endTick();
    }
    return 0;
}
