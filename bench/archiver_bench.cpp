// The archive engine against plain zlib on the same 64 KiB blocks, both ways:
// creating an archive of a mixed payload (text, executables, packed media,
// many small files) and extracting it. Each iteration times the engine and
// two references one after the other, so all see the same machine load:
//   zlib  -- compress2 / uncompress of the blocks in memory, nothing else;
//   io    -- the same zlib calls plus plain host file I/O for the same job:
//            creating reads every source file and writes the blocks to one
//            file, extracting reads every block from the archive file and
//            writes every file into a new folder (no records, checksums,
//            names, dates or attributes, no simulated machine).
// Counters, in CPU time of the thread (system calls included, waits for a
// busy machine's processors not):
//   ratio       engine / zlib
//   io_ratio    engine / io
//   io_share    (io - zlib) / zlib: what the plain reads and writes of the
//               job cost by themselves, the floor under ratio - 1
//   sum_share   the block checksum over the archive's payloads / zlib: the
//               part of the engine's overhead that the format itself fixes
//   wall_ratio  engine / zlib in elapsed time.

#include <benchmark/benchmark.h>
#include <zlib.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "archiver/Archiver.h"
#include "archiver/ArchiverMisc.h"
#include "platform/Files.h"
#include "platform/sim/SimMachine.h"
#include "rtl/Clock.h"
#include "rtl/SysUtils.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr size_t kBlock = 65536;

// A deterministic generator (the payload is the same in every run).
struct TRandom {
  uint64_t State;
  explicit TRandom(uint64_t seed) : State(seed * 0x9E3779B97F4A7C15ull + 1) {}
  uint32_t Next() {
    State ^= State << 13;
    State ^= State >> 7;
    State ^= State << 17;
    return static_cast<uint32_t>(State >> 11);
  }
  uint32_t Below(uint32_t n) { return Next() % n; }
};

// Prose-like text from a vocabulary of made-up words.
std::string Text(size_t size, uint64_t seed) {
  TRandom r(seed);
  std::vector<std::string> words;
  for (int i = 0; i < 800; ++i) {
    std::string w;
    for (uint32_t n = 2 + r.Below(9); n > 0; --n) w += static_cast<char>('a' + r.Below(26));
    words.push_back(w);
  }
  std::string s;
  while (s.size() < size) {
    // Zipf-like: short common words much more often.
    uint32_t pick = r.Below(800);
    pick = pick * pick / 800;
    s += words[pick];
    s += r.Below(12) == 0 ? ".\n" : " ";
  }
  s.resize(size);
  return s;
}

// Machine-code-like bytes: few opcodes, operands from a small set of
// addresses, runs of zero padding between "functions".
std::string Executable(size_t size, uint64_t seed) {
  TRandom r(seed);
  static const uint8_t opcodes[] = {0x8B, 0x89, 0xE8, 0x83, 0x55, 0x5D, 0xC3, 0x50, 0x74, 0x75, 0x8D, 0xFF};
  std::vector<uint32_t> addresses;
  for (int i = 0; i < 300; ++i) addresses.push_back(0x00400000 + r.Below(0x80000));
  std::string s;
  while (s.size() < size) {
    if (r.Below(40) == 0) {
      s.append(r.Below(64), '\0');
      continue;
    }
    s += static_cast<char>(opcodes[r.Below(sizeof opcodes)]);
    if (r.Below(3) == 0) {
      uint32_t a = addresses[r.Below(300)];
      s.append(reinterpret_cast<const char*>(&a), 4);
    } else {
      s += static_cast<char>(r.Below(256));
    }
  }
  s.resize(size);
  return s;
}

// Already packed data (pictures, archives): does not compress.
std::string Packed(size_t size, uint64_t seed) {
  TRandom r(seed);
  std::string s(size, '\0');
  for (size_t i = 0; i + 4 <= size; i += 4) {
    uint32_t v = r.Next();
    std::memcpy(&s[i], &v, 4);
  }
  return s;
}

struct TPayloadFile {
  std::string Name;
  std::string Data;
};

// About 24 MB: 40 % text, 35 % executables, 15 % packed, 10 % small files.
std::vector<TPayloadFile> MakePayload() {
  std::vector<TPayloadFile> files;
  uint64_t seed = 1;
  for (int i = 0; i < 12; ++i) files.push_back({"doc\\text" + std::to_string(i) + ".txt", Text(800000, seed++)});
  for (int i = 0; i < 6; ++i) files.push_back({"bin\\prog" + std::to_string(i) + ".exe", Executable(1400000, seed++)});
  for (int i = 0; i < 3; ++i) files.push_back({"media\\pic" + std::to_string(i) + ".jpg", Packed(1200000, seed++)});
  for (int i = 0; i < 300; ++i) {
    size_t size = 1000 + TRandom(seed).Below(15000);
    files.push_back({"conf\\small" + std::to_string(i) + ".ini",
                     i % 3 ? Text(size, seed) : Executable(size, seed)});
    ++seed;
  }
  return files;
}

// One simulated machine with the payload on C:\payload, for the whole run.
class TBench {
 public:
  TBench() {
    // In memory where the host has it: the host disk's own costs (here, ext4
    // searching for inodes not recently freed on every new file) are not the
    // engine's.
    fs::path base = fs::is_directory("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path();
    std::string pattern = (base / "vqm-bench-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("no temporary folder");
    FFolder = pattern;
    platform::sim::TMachineOptions options;
    options.FloppyDrive = false;
    platform::sim::CreateMachine(FFolder, options);
    FMachine = std::make_unique<platform::sim::TSimMachine>(FFolder);
    platform::SetApi(FMachine.get());
    Payload = MakePayload();
    for (const TPayloadFile& f : Payload) {
      rtl::AnsiString name = "C:\\payload\\" + f.Name;
      platform::ForceDirectories(rtl::ExtractFileDir(name));
      std::string host = FMachine->HostPath(name);
      std::ofstream(host, std::ios::binary).write(f.Data.data(), static_cast<std::streamsize>(f.Data.size()));
    }
  }
  ~TBench() {
    platform::SetApi(nullptr);
    FMachine.reset();
    std::error_code ignored;
    fs::remove_all(FFolder, ignored);
  }

  // The whole payload, or (large) only its files of 800 KB and more.
  std::vector<TPayloadFile> Files(bool large) const {
    std::vector<TPayloadFile> files;
    for (const TPayloadFile& f : Payload)
      if (!large || f.Data.size() >= 800000) files.push_back(f);
    return files;
  }

  void CreateArchive(const rtl::AnsiString& name, const std::vector<TPayloadFile>& files) {
    platform::DeleteFile(name);
    archiver::TArchiver a;
    a.SetFileName(name);
    a.SetErrorAction(archiver::eaAbort);
    a.Open();
    for (const TPayloadFile& f : files) a.AddFile("C:\\payload\\" + f.Name);
    a.Close();
  }

  // A new target folder each time: writing over last time's files would time
  // the host file system's truncation, and deleting them its search for
  // inodes not recently freed. The folders go at the end.
  void ExtractArchive(const rtl::AnsiString& name, int run) {
    archiver::TArchiver a;
    a.SetFileName(name);
    a.SetExtractPath("C:\\out\\" + std::to_string(run));
    a.SetRestoreAction(archiver::raOverwrite);
    a.SetErrorAction(archiver::eaAbort);
    a.ExtractFiles();
    a.Close();
  }

  void ClearTargets() {
    std::error_code ignored;
    fs::remove_all(FMachine->HostPath("C:\\out"), ignored);
    fs::remove_all(ReferenceFolder(), ignored);
  }

  std::string HostPath(const rtl::AnsiString& name) { return FMachine->HostPath(name); }

  std::string ArchiveBytes(const rtl::AnsiString& name) {
    std::ifstream in(HostPath(name), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }

  // Where the plain-I/O reference writes, on the same host file system.
  std::string ReferenceFolder() const { return FFolder + "/reference"; }

  std::vector<TPayloadFile> Payload;

 private:
  std::string FFolder;
  std::unique_ptr<platform::sim::TSimMachine> FMachine;
};

TBench& Bench() {
  static TBench bench;
  return bench;
}

std::string HostName(const std::string& windowsName) {
  std::string name = windowsName;
  for (char& c : name)
    if (c == '\\') c = '/';
  return name;
}

void WriteAll(int fd, const void* data, size_t size) {
  const auto* p = static_cast<const char*>(data);
  while (size > 0) {
    const ssize_t n = ::write(fd, p, size);
    if (n <= 0) throw std::runtime_error("reference write failed");
    p += n;
    size -= static_cast<size_t>(n);
  }
}

// One 64 KiB block through compress2 at the default level, as the engine
// does; the length of the result.
uLongf Compress(std::vector<Bytef>& out, const void* data, size_t n) {
  uLongf length = out.size();
  compress2(out.data(), &length, static_cast<const Bytef*>(data), n, Z_DEFAULT_COMPRESSION);
  return length;
}

// zlib alone: every block of every file, from memory.
size_t ZlibCompressAll(const std::vector<TPayloadFile>& files) {
  static std::vector<Bytef> out(compressBound(kBlock));
  size_t total = 0;
  for (const TPayloadFile& f : files)
    for (size_t at = 0; at < f.Data.size(); at += kBlock)
      total += Compress(out, f.Data.data() + at, std::min(kBlock, f.Data.size() - at));
  return total;
}

// zlib and plain I/O: every source file read block by block from the host,
// each block compressed and written (packed, or as it is when that is not
// shorter) to one output file.
void IoCompressAll(const std::string& sourceFolder, const std::vector<TPayloadFile>& files,
                   const std::string& target) {
  static std::vector<Bytef> out(compressBound(kBlock));
  static std::vector<char> in(kBlock);
  const int archive = ::open(target.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (archive < 0) throw std::runtime_error("reference archive not made");
  for (const TPayloadFile& f : files) {
    const int source = ::open((sourceFolder + "/" + HostName(f.Name)).c_str(), O_RDONLY | O_CLOEXEC);
    if (source < 0) throw std::runtime_error("reference source missing");
    ssize_t n;
    while ((n = ::read(source, in.data(), in.size())) > 0) {
      const uLongf length = Compress(out, in.data(), static_cast<size_t>(n));
      if (length < static_cast<uLongf>(n))
        WriteAll(archive, out.data(), length);
      else
        WriteAll(archive, in.data(), static_cast<size_t>(n));
    }
    ::close(source);
  }
  ::close(archive);
}

// The blocks of an archive without segments or enciphering, by entry.
struct TBlock {
  size_t Offset;  // of the payload in the archive file
  size_t Length;
  bool Compressed;
};
struct TStoredFile {
  std::string Name;
  std::vector<TBlock> Blocks;
};

std::vector<TStoredFile> ArchiveBlocks(const std::string& archive) {
  std::vector<TStoredFile> files;
  uint32_t endOffset, comment;
  std::memcpy(&endOffset, archive.data() + 16, 4);
  std::memcpy(&comment, archive.data() + 269, 4);
  size_t at = 273 + comment;
  while (at < endOffset) {
    uint32_t name;
    std::memcpy(&name, archive.data() + at, 4);
    int32_t stored;
    std::memcpy(&stored, archive.data() + at + 4 + name + 37, 4);  // SegmentCompressedSize
    TStoredFile& file = files.emplace_back();
    file.Name = archive.substr(at + 4, name);
    at += 45 + name;
    for (size_t end = at + stored; at < end;) {
      int32_t length;
      std::memcpy(&length, archive.data() + at, 4);
      const size_t payload = length < 0 ? -static_cast<int64_t>(length) : length;
      file.Blocks.push_back({at + 8, payload, length >= 0});
      at += 8 + payload;
    }
  }
  return files;
}

// The compressed payloads (stored blocks need no zlib).
std::vector<std::string> CompressedBlocks(const std::string& archive, const std::vector<TStoredFile>& files) {
  std::vector<std::string> blocks;
  for (const TStoredFile& f : files)
    for (const TBlock& b : f.Blocks)
      if (b.Compressed) blocks.push_back(archive.substr(b.Offset, b.Length));
  return blocks;
}

size_t ZlibUncompressAll(const std::vector<std::string>& blocks) {
  static std::vector<Bytef> out(kBlock);
  size_t total = 0;
  for (const std::string& b : blocks) {
    uLongf length = out.size();
    uncompress(out.data(), &length, reinterpret_cast<const Bytef*>(b.data()), b.size());
    total += length;
  }
  return total;
}

// zlib and plain I/O: every block read from the archive file, uncompressed
// when packed, and written to its file in a new folder.
void IoUncompressAll(const std::string& archiveHost, const std::vector<TStoredFile>& files,
                     const std::string& folder) {
  static std::vector<Bytef> in(kBlock + kBlock / 100), out(kBlock);
  const int archive = ::open(archiveHost.c_str(), O_RDONLY | O_CLOEXEC);
  if (archive < 0) throw std::runtime_error("reference archive missing");
  std::string madeFolder;
  for (const TStoredFile& f : files) {
    const std::string target = folder + "/" + HostName(f.Name);
    const std::string parent = target.substr(0, target.rfind('/'));
    if (parent != madeFolder) {
      fs::create_directories(parent);
      madeFolder = parent;
    }
    const int fd = ::open(target.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) throw std::runtime_error("reference target not made");
    for (const TBlock& b : f.Blocks) {
      if (::pread(archive, in.data(), b.Length, static_cast<off_t>(b.Offset)) != static_cast<ssize_t>(b.Length))
        throw std::runtime_error("reference read failed");
      if (b.Compressed) {
        uLongf length = out.size();
        uncompress(out.data(), &length, in.data(), b.Length);
        WriteAll(fd, out.data(), length);
      } else {
        WriteAll(fd, in.data(), b.Length);
      }
    }
    ::close(fd);
  }
  ::close(archive);
}

// The block checksum over every payload, as the engine computes it: the
// blocks of each file together.
uint32_t ChecksumAll(const std::string& archive, const std::vector<TStoredFile>& files) {
  uint32_t all = 0;
  std::vector<const uint8_t*> payloads;
  std::vector<size_t> lengths;
  std::vector<uint32_t> sums;
  for (const TStoredFile& f : files) {
    payloads.clear();
    lengths.clear();
    for (const TBlock& b : f.Blocks) {
      payloads.push_back(reinterpret_cast<const uint8_t*>(archive.data()) + b.Offset);
      lengths.push_back(b.Length);
    }
    sums.resize(payloads.size());
    archiver::BlockChecksums(payloads.data(), lengths.data(), sums.data(), payloads.size());
    for (const uint32_t sum : sums) all ^= sum;
  }
  return all;
}

// CPU seconds of the calling thread, and elapsed seconds.
struct TStamp {
  double Wall, Cpu;
  static TStamp Now() {
    timespec cpu;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &cpu);
    return {std::chrono::duration<double>(Clock::now().time_since_epoch()).count(), cpu.tv_sec + cpu.tv_nsec / 1e9};
  }
};

struct TTotals {
  double EngineWall = 0, EngineCpu = 0, ZlibWall = 0, ZlibCpu = 0, IoCpu = 0, SumCpu = 0;
  // Stamps around the engine, the zlib reference, the I/O reference and the checksum.
  void Add(const TStamp& t0, const TStamp& t1, const TStamp& t2, const TStamp& t3, const TStamp& t4) {
    EngineWall += t1.Wall - t0.Wall;
    EngineCpu += t1.Cpu - t0.Cpu;
    ZlibWall += t2.Wall - t1.Wall;
    ZlibCpu += t2.Cpu - t1.Cpu;
    IoCpu += t3.Cpu - t2.Cpu;
    SumCpu += t4.Cpu - t3.Cpu;
  }
  void Report(benchmark::State& state, size_t bytes) const {
    double mb = bytes / 1e6 * state.iterations();
    state.counters["engine_MBps"] = mb / EngineCpu;
    state.counters["zlib_MBps"] = mb / ZlibCpu;
    state.counters["ratio"] = EngineCpu / ZlibCpu;
    state.counters["io_ratio"] = EngineCpu / IoCpu;
    state.counters["io_share"] = (IoCpu - ZlibCpu) / ZlibCpu;
    state.counters["sum_share"] = SumCpu / ZlibCpu;
    state.counters["wall_ratio"] = EngineWall / ZlibWall;
  }
};

size_t Bytes(const std::vector<TPayloadFile>& files) {
  size_t n = 0;
  for (const TPayloadFile& f : files) n += f.Data.size();
  return n;
}

// Argument 0: the mixed payload; 1: its large files only.
void BM_Create(benchmark::State& state) {
  TBench& bench = Bench();
  const std::vector<TPayloadFile> files = bench.Files(state.range(0) == 1);
  const std::string sources = bench.HostPath("C:\\payload");
  fs::create_directories(bench.ReferenceFolder());
  const std::string target = bench.ReferenceFolder() + "/archive";
  // The checksum share is that of the blocks as this payload stores them.
  bench.CreateArchive("C:\\bench.arq", files);
  const std::string archive = bench.ArchiveBytes("C:\\bench.arq");
  const std::vector<TStoredFile> stored = ArchiveBlocks(archive);
  TTotals totals;
  for (auto _ : state) {
    TStamp t0 = TStamp::Now();
    bench.CreateArchive("C:\\bench.arq", files);
    TStamp t1 = TStamp::Now();
    benchmark::DoNotOptimize(ZlibCompressAll(files));
    TStamp t2 = TStamp::Now();
    IoCompressAll(sources, files, target);
    TStamp t3 = TStamp::Now();
    benchmark::DoNotOptimize(ChecksumAll(archive, stored));
    TStamp t4 = TStamp::Now();
    totals.Add(t0, t1, t2, t3, t4);
    state.SetIterationTime(t1.Cpu - t0.Cpu);
  }
  bench.ClearTargets();
  totals.Report(state, Bytes(files));
}

void BM_Extract(benchmark::State& state) {
  TBench& bench = Bench();
  const std::vector<TPayloadFile> files = bench.Files(state.range(0) == 1);
  bench.CreateArchive("C:\\bench.arq", files);
  const std::string archive = bench.ArchiveBytes("C:\\bench.arq");
  const std::string archiveHost = bench.HostPath("C:\\bench.arq");
  const std::vector<TStoredFile> stored = ArchiveBlocks(archive);
  const std::vector<std::string> blocks = CompressedBlocks(archive, stored);
  TTotals totals;
  int run = 0;
  for (auto _ : state) {
    TStamp t0 = TStamp::Now();
    bench.ExtractArchive("C:\\bench.arq", run);
    TStamp t1 = TStamp::Now();
    benchmark::DoNotOptimize(ZlibUncompressAll(blocks));
    TStamp t2 = TStamp::Now();
    IoUncompressAll(archiveHost, stored, bench.ReferenceFolder() + "/" + std::to_string(run));
    TStamp t3 = TStamp::Now();
    benchmark::DoNotOptimize(ChecksumAll(archive, stored));
    TStamp t4 = TStamp::Now();
    totals.Add(t0, t1, t2, t3, t4);
    state.SetIterationTime(t1.Cpu - t0.Cpu);
    ++run;
  }
  bench.ClearTargets();
  totals.Report(state, Bytes(files));
}

BENCHMARK(BM_Create)->Arg(0)->Arg(1)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(5);
BENCHMARK(BM_Extract)->Arg(0)->Arg(1)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(5);

}  // namespace

BENCHMARK_MAIN();
