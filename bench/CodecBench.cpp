// Packets parsed (and described) per second for the commands a station sees most: Process, Bulk
// Process and Reset. Each iteration is one whole packet through CreateFromPacket.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <iostream>

#include "common/TextEncoding.h"
#include "protocol/ObjCommMessage.h"
#include "protocol/ObjCommResponse.h"
#include "protocol/PacketFrame.h"
#include "protocol/PassThruErrors.h"

namespace {

using namespace tessaly;

CByteArray PassThrough(std::uint8_t sub, const char* bodyHex) {
    CByteArray body;
    if (!ParseHex(bodyHex, body)) {
        std::abort();
    }
    COutBinaryString payload;
    AppendPassThroughHeader(payload, sub, 0x1234);
    payload.AppendBytes(body);
    COutBinaryString packet;
    if (!WritePacketFrame(packet, kFrameLong, kAddressCardProcessing, kCommandPassThrough, payload.Bytes())) {
        std::abort();
    }
    return packet.TakeBytes();
}

// SELECT by AID, case 4, to the contact station.
const CByteArray kProcess = PassThrough(0x05, "58 1E 34 00 0D 00 A4 04 00 07 A0 00 00 00 03 10 10 00");
// Three APDUs: SELECT (status word checked), GET DATA (whole answer checked), READ RECORD (unchecked).
const CByteArray kBulk =
    PassThrough(0x0C,
                "00 03"
                " 00 16 58 1E 34 00 0D 00 A4 04 00 07 A0 00 00 00 03 10 10 00 02 02 90 00"
                " 00 0E 58 1E 32 00 05 80 CA 9F 7F 00 01 02 90 00"
                " 00 0B 58 1E 32 00 05 00 B2 01 0C 00 00");
const CByteArray kReset = PassThrough(0x01, "58 00 01 02");

std::unique_ptr<CObjCommResponse> ParseOnce(const CByteArray& bytes) {
    CInBinaryString packet(bytes);
    std::uint32_t transaction = 0;
    return CObjCommResponse::CreateFromPacket(packet, transaction, false);
}

void CheckParses(const CByteArray& bytes) {
    try {
        if (ParseOnce(bytes) == nullptr) {
            std::abort();
        }
    } catch (const CPassThruFormatError& error) {
        std::cerr << "benchmark packet rejected: " << error.Name() << "\n";
        std::abort();
    }
}

void Parse(benchmark::State& state, const CByteArray* bytes) {
    CheckParses(*bytes);
    for (auto _ : state) {
        auto response = ParseOnce(*bytes);
        benchmark::DoNotOptimize(response.get());
    }
    state.counters["packets/s"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

void ParseAndDescribe(benchmark::State& state, const CByteArray* bytes) {
    CheckParses(*bytes);
    for (auto _ : state) {
        auto response = ParseOnce(*bytes);
        benchmark::DoNotOptimize(response->Describe().data());
    }
    state.counters["packets/s"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

// A station's day: mostly single APDUs, some bulk lists, the odd reset.
void Mix(benchmark::State& state, bool describe) {
    const CByteArray* mix[] = {&kProcess, &kProcess, &kProcess, &kProcess, &kProcess,
                               &kProcess, &kProcess, &kBulk,    &kBulk,    &kReset};
    for (const CByteArray* bytes : mix) {
        CheckParses(*bytes);
    }
    std::size_t next = 0;
    for (auto _ : state) {
        auto response = ParseOnce(*mix[next]);
        if (describe) {
            benchmark::DoNotOptimize(response->Describe().data());
        }
        benchmark::DoNotOptimize(response.get());
        next = (next + 1) % std::size(mix);
    }
    state.counters["packets/s"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

BENCHMARK_CAPTURE(Parse, Process, &kProcess);
BENCHMARK_CAPTURE(Parse, BulkProcess, &kBulk);
BENCHMARK_CAPTURE(Parse, ResetCard, &kReset);
BENCHMARK_CAPTURE(ParseAndDescribe, Process, &kProcess);
BENCHMARK_CAPTURE(ParseAndDescribe, BulkProcess, &kBulk);
BENCHMARK_CAPTURE(ParseAndDescribe, ResetCard, &kReset);
BENCHMARK_CAPTURE(Mix, ParseOnly, false);
BENCHMARK_CAPTURE(Mix, ParseAndDescribe, true);

}  // namespace
