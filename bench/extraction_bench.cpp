// Payload extraction against plain zlib inflation of the same stream and against the setup's
// own decoder alone, and the heap that extraction needs beyond the mapped resource for
// payloads of 1, 16 and 64 MiB.
#include <benchmark/benchmark.h>
#include <malloc.h>
#include <zlib.h>

#include <algorithm>
#include <map>
#include <random>

#include "core/zlib_stream.h"
#include "install/file_swap.h"
#include "install/payload.h"
#include "support/wizard_fixture.h"

namespace sorvane::test {
namespace {

std::vector<std::uint8_t> SyntheticProgram(std::size_t size) {
    // Runs of code-like bytes and noise: about 2:1 at level 1, like the real payloads.
    std::mt19937 rng(1055);
    std::vector<std::uint8_t> data(size);
    for (std::size_t i = 0; i < size; ++i)
        data[i] = (i % 4096) < 2600 ? static_cast<std::uint8_t>((i * 7) % 61)
                                    : static_cast<std::uint8_t>(rng() & 0x3F);
    data[0] = 'M';
    data[1] = 'Z';
    return data;
}

const std::vector<std::uint8_t>& Stream(std::size_t mib) {
    static std::map<std::size_t, std::vector<std::uint8_t>> streams;
    auto& s = streams[mib];
    if (s.empty()) s = Deflate(SyntheticProgram(mib << 20), 1);
    return s;
}

std::size_t HeapInUse() {
    return mallinfo2().uordblks;
}

// A disk that takes every byte and keeps none, so that only the extraction's own
// memory shows; it samples the heap at every write.
class CountingOs : public MemoryOs {
  public:
    std::size_t written = 0;
    std::size_t base = 0, peak = 0;
    bool WriteFile(FileHandle, const void*, std::size_t size, std::size_t* done) override {
        written += size;
        *done = size;
        peak = std::max(peak, HeapInUse());
        return true;
    }
    FileHandle CreateNewFileAt(FolderHandle folder, const std::string& name) override {
        calls.clear();
        return MemoryOs::CreateNewFileAt(folder, name);
    }
    bool GetFileBasics(FileHandle file, FileFacts* facts) override {
        if (!MemoryOs::GetFileBasics(file, facts)) return false;
        facts->size = written;
        return true;
    }
};

bool RunExtraction(CountingOs& os, WizardFixture& w) {
    TqnInstaller& f = w.Form();
    RunContext run{os,
                   w.session,
                   {f.JvXPProgressBar1, f.Label23, f.Edit2, f.Label24, f.CheckBox2, f.Button1,
                    f.Button2, f.Button3, f.PageControl1},
                   w.steps,
                   0};
    HeldFolders held(os);
    PayloadFolders folders;
    folders.target = held.Hold("C:\\X");
    // The staged file goes with the set: only the writing is measured.
    FileSwap swap(os);
    std::uint32_t error = 0;
    return ExtractPayload(run, 101, folders, swap, &error);
}

void BM_ExtractPayload(benchmark::State& state) {
    const std::size_t mib = static_cast<std::size_t>(state.range(0));
    CountingOs os;
    os.AddDirectory("C:\\X");
    os.resources[101] = Stream(mib);
    WizardFixture w;
    for (auto _ : state) {
        os.written = 0;
        os.base = os.peak = HeapInUse();
        if (!RunExtraction(os, w)) state.SkipWithError("extraction failed");
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(mib << 20));
    state.counters["heap_KiB"] = static_cast<double>(os.peak - os.base) / 1024.0;
    state.counters["stream_KiB"] = static_cast<double>(Stream(mib).size()) / 1024.0;
}
BENCHMARK(BM_ExtractPayload)->Arg(1)->Arg(16)->Arg(64)->Unit(benchmark::kMillisecond);

// The floor: zlib inflating the same stream into memory that is already there.
void BM_PlainInflate(benchmark::State& state) {
    const std::size_t mib = static_cast<std::size_t>(state.range(0));
    const auto& stream = Stream(mib);
    std::vector<std::uint8_t> out(mib << 20);
    for (auto _ : state) {
        uLongf size = static_cast<uLongf>(out.size());
        if (uncompress(out.data(), &size, stream.data(), static_cast<uLong>(stream.size())) != Z_OK)
            state.SkipWithError("inflate failed");
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(mib << 20));
}
BENCHMARK(BM_PlainInflate)->Arg(1)->Arg(16)->Arg(64)->Unit(benchmark::kMillisecond);

// The setup's decoder alone, its chunks handed to a sink that only looks at them.
void BM_OwnInflate(benchmark::State& state) {
    class Discard : public InflateSink {
      public:
        bool Take(const std::uint8_t* data, std::size_t) override {
            benchmark::DoNotOptimize(data);
            return true;
        }
    } sink;
    const std::size_t mib = static_cast<std::size_t>(state.range(0));
    const auto& stream = Stream(mib);
    for (auto _ : state) {
        if (InflateZlib(stream.data(), stream.size(), kInflateChunk, sink) != ZlibVerdict::Ok)
            state.SkipWithError("inflate failed");
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(mib << 20));
}
BENCHMARK(BM_OwnInflate)->Arg(1)->Arg(16)->Arg(64)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace sorvane::test

BENCHMARK_MAIN();
