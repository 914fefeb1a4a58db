// Encode and decode costs of the codec for the messages the program exchanges: a one-binding
// GetRequest and the GetResponse with a console line of text.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "snmp/ber.h"

namespace {

ber::Message Request() {
    ber::Message m;
    m.community = "orchid";
    m.pduType = 0xA0;
    m.requestId = 0x12345678;
    m.varbinds.push_back({{1, 3, 6, 1, 2, 1, 43, 16, 5, 1, 2, 1, 1}, {}});
    return m;
}

ber::Message Response(std::size_t bindings) {
    ber::Message m = Request();
    m.pduType = 0xA2;
    m.varbinds.clear();
    for (std::size_t i = 0; i < bindings; ++i) {
        ber::Value text;
        text.tag = 0x04;
        const std::string line = "READY TO PRINT - TRAY 2 LETTER";
        text.bytes.assign(line.begin(), line.end());
        m.varbinds.push_back(
            {{1, 3, 6, 1, 2, 1, 43, 16, 5, 1, 2, 1, static_cast<std::uint32_t>(i + 1)}, text});
    }
    return m;
}

void BM_EncodeGetRequest(benchmark::State& state) {
    const ber::Message m = Request();
    std::vector<std::uint8_t> out;
    out.reserve(256);
    for (auto _ : state) {
        out.clear();
        benchmark::DoNotOptimize(ber::Encode(m, out));
        benchmark::DoNotOptimize(out.data());
    }
}
BENCHMARK(BM_EncodeGetRequest);

void BM_DecodeGetResponse(benchmark::State& state) {
    std::vector<std::uint8_t> bytes;
    ber::Encode(Response(static_cast<std::size_t>(state.range(0))), bytes);
    ber::Message m;
    for (auto _ : state) {
        benchmark::DoNotOptimize(ber::Decode(bytes.data(), bytes.size(), m));
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
}
BENCHMARK(BM_DecodeGetResponse)->Arg(1)->Arg(13)->Arg(64);

void BM_EncodeGetResponse(benchmark::State& state) {
    const ber::Message m = Response(static_cast<std::size_t>(state.range(0)));
    std::vector<std::uint8_t> out;
    for (auto _ : state) {
        out.clear();
        benchmark::DoNotOptimize(ber::Encode(m, out));
    }
}
BENCHMARK(BM_EncodeGetResponse)->Arg(1)->Arg(13);

}  // namespace

BENCHMARK_MAIN();
