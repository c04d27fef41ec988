// The conversion of the largest image the printer takes (576 x 65535, 1 bit a pixel) into the
// download command, beside a plain copy of the same bytes, with the heap it needs at its peak.

#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>

#include "bitmap/dib.h"
#include "bitmap/download_command.h"

// Every allocation of this program goes through here, so a run can tell its peak heap use.
namespace {

std::atomic<std::size_t> liveBytes{0};
std::atomic<std::size_t> peakBytes{0};
constexpr std::size_t kPrefix = alignof(std::max_align_t);

void* Allocate(std::size_t size) {
  auto* raw = static_cast<unsigned char*>(std::malloc(size + kPrefix));
  if (raw == nullptr)
    return nullptr;
  std::memcpy(raw, &size, sizeof size);
  const std::size_t live = liveBytes.fetch_add(size) + size;
  std::size_t peak = peakBytes.load();
  while (live > peak && !peakBytes.compare_exchange_weak(peak, live)) {
  }
  return raw + kPrefix;
}

// Kept out of line: inlined into operator delete, GCC 12 at -O3 sees the std::free of a block
// that came from operator new and warns of a mismatch that is not there (both ends are ours).
[[gnu::noinline]] void Free(void* pointer) {
  if (pointer == nullptr)
    return;
  unsigned char* raw = static_cast<unsigned char*>(pointer) - kPrefix;
  std::size_t size = 0;
  std::memcpy(&size, raw, sizeof size);
  liveBytes.fetch_sub(size);
  std::free(raw);
}

}  // namespace

void* operator new(std::size_t size) {
  if (void* pointer = Allocate(size))
    return pointer;
  throw std::bad_alloc();
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  return Allocate(size);
}
void* operator new[](std::size_t size) {
  return operator new(size);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
  return Allocate(size);
}
void operator delete(void* pointer) noexcept {
  Free(pointer);
}
void operator delete(void* pointer, std::size_t) noexcept {
  Free(pointer);
}
void operator delete[](void* pointer) noexcept {
  Free(pointer);
}
void operator delete[](void* pointer, std::size_t) noexcept {
  Free(pointer);
}

namespace vantrel {
namespace {

constexpr std::uint32_t kWidth = kMaxBitmapWidth;
constexpr std::uint32_t kHeight = kMaxBitmapHeight;

void Put(Bytes& out, std::uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i)
    out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

// A 1-bit BMP of the largest size with a pseudo-random picture.
Bytes LargestBmp() {
  const auto rowBytes = static_cast<std::uint32_t>(OneBitStride(kWidth) * kHeight);
  Bytes file{'B', 'M'};
  Put(file, 62 + rowBytes, 4);
  Put(file, 0, 4);
  Put(file, 62, 4);
  Put(file, 40, 4);
  Put(file, kWidth, 4);
  Put(file, kHeight, 4);
  Put(file, 1, 2);
  Put(file, 1, 2);
  for (int i = 0; i < 6; ++i)
    Put(file, 0, 4);
  Put(file, 0x00000000, 4);
  Put(file, 0x00FFFFFF, 4);
  std::uint32_t seed = 12345;
  for (std::uint32_t i = 0; i < rowBytes; ++i) {
    seed = seed * 1103515245 + 12345;
    file.push_back(static_cast<std::uint8_t>(seed >> 24));
  }
  return file;
}

class MemoryFile : public ReadableFile {
 public:
  explicit MemoryFile(const Bytes& bytes) : bytes_(bytes) {}
  std::optional<std::uint64_t> Length() override { return bytes_.size(); }
  std::optional<std::size_t> Read(std::span<std::uint8_t> into) override {
    const std::size_t n = std::min(into.size(), bytes_.size() - at_);
    std::memcpy(into.data(), bytes_.data() + at_, n);
    at_ += n;
    return n;
  }

 private:
  const Bytes& bytes_;
  std::size_t at_ = 0;
};

class MemoryFiles : public FileReader {
 public:
  explicit MemoryFiles(const Bytes& bytes) : bytes_(bytes) {}
  FileOpenResult Open(std::string_view) override {
    return {std::make_unique<MemoryFile>(bytes_), FileErrorCause::Other};
  }

 private:
  const Bytes& bytes_;
};

class SilentPrompts : public BitmapPrompts {
 public:
  void ShowMessage(std::string_view) override {}
  void ShowWarning(std::string_view) override { std::abort(); }
  void ReportFileError(std::string_view, FileErrorCause) override { std::abort(); }
  void BeginWaitCursor() override {}
  void EndWaitCursor() override {}
};

const Bytes& File() {
  static const Bytes file = LargestBmp();
  return file;
}

const CDib& Loaded() {
  static const CDib& dib = []() -> const CDib& {
    static CDib image;
    MemoryFiles files(File());
    SilentPrompts prompts;
    image.LoadFile("largest.bmp", files, prompts, UiVariant::English);
    if (!image.IsLoaded())
      std::abort();
    return image;
  }();
  return dib;
}

// The heap a call needs beyond what was live before it.
template <typename Call>
double PeakHeapOf(Call call) {
  const std::size_t before = liveBytes.load();
  peakBytes.store(before);
  call();
  return static_cast<double>(peakBytes.load() - before);
}

double MaxResidentBytes() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_maxrss) * 1024.0;
}

void ConvertLargest(benchmark::State& state) {
  const CDib& dib = Loaded();
  for (auto _ : state) {
    std::optional<Bytes> command = BuildDownloadCommand(dib, 7);
    benchmark::DoNotOptimize(command->data());
    benchmark::ClobberMemory();
  }
  const std::size_t bytes = dib.PixelRows().size();
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(bytes));
  state.counters["command_bytes"] = static_cast<double>(DownloadCommandSize(kWidth, kHeight));
  state.counters["peak_heap_bytes"] =
      PeakHeapOf([&] { benchmark::DoNotOptimize(BuildDownloadCommand(dib, 7)); });
  state.counters["max_rss_bytes"] = MaxResidentBytes();
}
BENCHMARK(ConvertLargest)->Unit(benchmark::kMillisecond);

// The same bytes copied into a new buffer of the same size: what any conversion costs at least.
void PlainCopyLargest(benchmark::State& state) {
  const std::span<const std::uint8_t> rows = Loaded().PixelRows();
  for (auto _ : state) {
    Bytes copy(rows.begin(), rows.end());
    benchmark::DoNotOptimize(copy.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(rows.size()));
  state.counters["peak_heap_bytes"] = PeakHeapOf([&] {
    Bytes copy(rows.begin(), rows.end());
    benchmark::DoNotOptimize(copy.data());
  });
}
BENCHMARK(PlainCopyLargest)->Unit(benchmark::kMillisecond);

// The load of the largest file from memory followed by the conversion: all a download prepares
// before it opens the connection.
void LoadAndConvertLargest(benchmark::State& state) {
  MemoryFiles files(File());
  SilentPrompts prompts;
  CDib dib;
  for (auto _ : state) {
    dib.LoadFile("largest.bmp", files, prompts, UiVariant::English);
    std::optional<Bytes> command = BuildDownloadCommand(dib, 7);
    benchmark::DoNotOptimize(command->data());
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(File().size()));
  // A fresh image, as at the first download: the block and the command live together.
  state.counters["peak_heap_bytes"] = PeakHeapOf([&] {
    CDib fresh;
    fresh.LoadFile("largest.bmp", files, prompts, UiVariant::English);
    benchmark::DoNotOptimize(BuildDownloadCommand(fresh, 7));
  });
}
BENCHMARK(LoadAndConvertLargest)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace vantrel

BENCHMARK_MAIN();
