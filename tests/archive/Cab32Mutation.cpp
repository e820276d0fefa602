// The mutation run of cab32.dll: damaged cabinets, each put through the library's checks,
// listing and extraction in a worker process that the run watches. A worker that dies or
// stays on one case past the time limit, or a file written outside the destination, is a
// fault; the run goes on from the next case in a new worker.
//
//   cab32_mutation.exe [--seconds N] [--cases N] [--seed S] [--case-limit SECONDS]
//   cab32_mutation.exe --only N [--seed S] [--save FOLDER]   one case, in this process
//
// Exit code 0 only when the detectors were seen to work, the unchanged seeds unpacked,
// and no case faulted.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "Cab32Exports.h"
#include "CabMutator.h"
#include "CabTestSupport.h"
#include "cab32/Cab32Api.h"

namespace kaze::test {
namespace {

const int kSlots = 72;  // result codes: 0, 267, 0x8000..0x8045, anything else

int SlotOf(int code) {
  if (code == 0) return 0;
  if (code == 267) return 1;
  if (code >= 0x8000 && code < 0x8000 + kSlots - 3) return 2 + (code - 0x8000);
  return kSlots - 1;
}

std::string SlotName(int slot) {
  char text[32];
  if (slot == 0) return "0";
  if (slot == 1) return "267";
  if (slot == kSlots - 1) return "other";
  std::snprintf(text, sizeof text, "0x%X", 0x8000 + slot - 2);
  return text;
}

// What a worker tells the run, in memory both can see.
struct Shared {
  volatile LONG started;   // number of the case begun
  volatile LONG finished;  // number of the last case finished
  volatile DWORD startTick;
  volatile LONG stop;  // set by the run: finish the case in hand and leave
  volatile LONG results[kSlots];
};

using Library = Cab32Exports;

BOOL CALLBACK GoOn(HWND, UINT, UINT, LPVOID) { return TRUE; }

std::vector<CabSeed> MakeSeeds() {
  std::vector<CabSeed> seeds;
  std::string big(40000, '\0');
  for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i * 7 + i / 251);
  seeds.push_back({"stored", {{"stored.cab", MakeStoredCabinet({{"readme.txt", "read me\r\n"},
                                                               {"data\\a.bin", big},
                                                               {"data\\sub\\b.txt", "b"},
                                                               {"empty.txt", ""}})}}});
  seeds.push_back({"gcab stored, nested folders",
                   {{"nested_stored.cab", ReadBytes(FixturePath("nested_stored.cab"))}}});
  seeds.push_back({"gcab MSZIP, nested folders",
                   {{"nested_mszip.cab", ReadBytes(FixturePath("nested_mszip.cab"))}}});
  std::vector<std::string> set = MakeStoredCabinetSet(
      {{"first.txt", std::string(30000, 'f')}, {"across.bin", big}, {"last.txt", "last"}},
      {"set1.cab", "set2.cab"});
  seeds.push_back({"set of two", {{"set1.cab", set[0]}, {"set2.cab", set[1]}}});
  return seeds;
}

bool SeedsComplete(const std::vector<CabSeed>& seeds) {
  for (const CabSeed& s : seeds) {
    for (const CabPart& p : s.parts) {
      if (p.bytes.size() < 36) {
        std::printf("seed \"%s\": %s is missing\n", s.title.c_str(), p.name.c_str());
        return false;
      }
    }
  }
  return true;
}

void ListInto(const std::string& folder, const std::set<std::string>& skip,
              std::set<std::string>* out, bool recurse) {
  WIN32_FIND_DATAA found;
  HANDLE h = FindFirstFileA((folder + "*").c_str(), &found);
  if (h == INVALID_HANDLE_VALUE) return;
  do {
    std::string name = found.cFileName;
    if (name == "." || name == "..") continue;
    std::string path = folder + name;
    if (skip.count(path) != 0) continue;
    out->insert(path);
    if (recurse && (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
      ListInto(path + "\\", skip, out, true);
    }
  } while (FindNextFileA(h, &found));
  FindClose(h);
}

// One worker's folders: base\w\cab holds the parts, base\w\dest receives the files, and the
// worker runs in base\w\cwd. Everything but dest is watched, and so is every folder above it.
class Workspace {
 public:
  explicit Workspace(const std::string& base)
      : base_(base), work_(base + "w\\"), cab_(work_ + "cab\\"), dest_(work_ + "dest") {
    CreateDirectoryA(work_.c_str(), nullptr);
    CreateDirectoryA(cab_.c_str(), nullptr);
    CreateDirectoryA(dest_.c_str(), nullptr);
    CreateDirectoryA((work_ + "cwd").c_str(), nullptr);
    SetCurrentDirectoryA((work_ + "cwd").c_str());
    before_ = Snapshot();
  }

  const std::string& cab() const { return cab_; }
  const std::string& dest() const { return dest_; }
  const std::string& work() const { return work_; }
  // Where the worker notes faults: the one file outside the destination it writes itself.
  std::string faults() const { return base_ + "faults.txt"; }

  // Removes the parts of the case before; the names of any the library still holds open.
  // A part held open stays where it is, and is no fault of the cases after.
  std::vector<std::string> RemoveParts() {
    std::vector<std::string> held;
    for (const std::string& name : written_) {
      if (!DeleteFileA((cab_ + name).c_str()) && GetLastError() != ERROR_FILE_NOT_FOUND) {
        held.push_back(name);
        before_.insert(cab_ + name);
      }
    }
    written_.clear();
    return held;
  }

  void Put(const std::vector<CabPart>& parts) {
    RemoveParts();
    for (const CabPart& p : parts) {
      WriteBytes(cab_ + p.name, p.bytes);
      written_.push_back(p.name);
    }
  }

  // Paths that appeared outside the destination since the worker began.
  std::vector<std::string> Outside() const {
    std::set<std::string> now = Snapshot();
    std::vector<std::string> extra;
    for (const std::string& path : now) {
      if (before_.count(path) != 0) continue;
      bool part = false;
      for (const std::string& name : written_) part = part || path == cab_ + name;
      if (!part) extra.push_back(path);
    }
    return extra;
  }

  void ClearDestination() {
    RemoveTree(dest_ + "\\");
    CreateDirectoryA(dest_.c_str(), nullptr);
  }

 private:
  std::set<std::string> Snapshot() const {
    std::set<std::string> s;
    ListInto(base_, {dest_, faults()}, &s, true);
    // Every folder above the destination, up to the drive's root, one level deep.
    std::string folder = base_;
    while (folder.size() > 3) {
      folder.pop_back();
      size_t slash = folder.find_last_of('\\');
      if (slash == std::string::npos) break;
      folder.resize(slash + 1);
      ListInto(folder, {base_.substr(0, base_.size() - 1)}, &s, false);
    }
    return s;
  }

  std::string base_, work_, cab_, dest_;
  std::vector<std::string> written_;
  std::set<std::string> before_;
};

void AppendLine(const std::string& path, const std::string& line) {
  HANDLE h = CreateFileA(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return;
  std::string text = line + "\n";
  DWORD written = 0;
  WriteFile(h, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  CloseHandle(h);
}

// The library's whole surface on one case; the result of the extraction.
int Exercise(Library& lib, HWND owner, Workspace& ws, const MutatedCase& c) {
  ws.Put(c.parts);
  std::string path = ws.cab() + c.parts[0].name;
  lib.check(path.c_str(), 2);
  lib.count(path.c_str());
  HANDLE archive = lib.open(nullptr, path.c_str(), 0);
  if (archive != nullptr) {
    cab32::IndividualInfo info;
    char name[MAX_PATH];
    int r = lib.findFirst(archive, "*.*", &info);
    for (int i = 0; r == 0 && i < 70000; ++i) {
      lib.fileName(archive, name, sizeof name);
      r = lib.findNext(archive, &info);
    }
    lib.close(archive);
  }
  std::string line = "-x -o -i \"" + path + "\" \"" + ws.dest() + "\\\" \"*.*\"";
  char output[1024];
  lib.setOwner(owner, &GoOn);
  return lib.cab(owner, line.c_str(), output, sizeof output);
}

// A worker: cases first, first+1, ... until told to stop or `last` is done.
int Worker(const std::string& mapName, const std::string& base, uint64_t runSeed, LONG first,
           LONG last, const std::string& probe) {
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
  HANDLE mapping = OpenFileMappingA(FILE_MAP_WRITE, FALSE, mapName.c_str());
  if (mapping == nullptr) return 3;
  Shared* shared = static_cast<Shared*>(MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, 0));
  if (shared == nullptr) return 3;
  Library lib;
  if (!lib.complete()) {
    std::printf("worker: cab32.dll beside the program is missing or incomplete\n");
    return 4;
  }
  std::vector<CabSeed> seeds = MakeSeeds();
  if (!SeedsComplete(seeds)) return 4;
  OwnerWindow owner;
  Workspace ws(base);
  const std::string faults = ws.faults();
  for (LONG i = first; i <= last && shared->stop == 0; ++i) {
    MutatedCase c = MakeMutatedCase(seeds, runSeed, static_cast<uint64_t>(i));
    shared->startTick = GetTickCount();
    InterlockedExchange(&shared->started, i);
    if (probe == "crash") *static_cast<volatile int*>(nullptr) = 1;
    if (probe == "hang") for (;;) Sleep(1000);
    if (probe == "outside") WriteBytes(ws.work() + "outside.txt", "x");
    int result = Exercise(lib, owner.get(), ws, c);
    InterlockedIncrement(&shared->results[SlotOf(result)]);
    std::string prefix = "case " + std::to_string(i) + " (" + c.description + "): ";
    for (const std::string& path : ws.Outside()) {
      AppendLine(faults, prefix + "wrote outside the destination: " + path);
    }
    for (const std::string& name : ws.RemoveParts()) {
      AppendLine(faults, prefix + "the library still holds " + name + " open");
    }
    if (static_cast<size_t>(i) < seeds.size() && (result != 0 || ListTree(ws.dest() + "\\").empty())) {
      AppendLine(faults, prefix + "the unchanged seed did not unpack: result " +
                             std::to_string(result));
    }
    ws.ClearDestination();
    InterlockedExchange(&shared->finished, i);
  }
  UnmapViewOfFile(shared);
  CloseHandle(mapping);
  return 0;
}

struct RunOptions {
  uint64_t seed = 1;
  DWORD seconds = 60;
  LONG cases = 0x7FFFFFFF;
  DWORD caseLimitMs = 20000;
  std::string probe;
};

struct RunReport {
  LONG cases = 0;
  int workers = 0;
  double seconds = 0;
  std::vector<std::string> faults;
  LONG results[kSlots] = {};
};

std::string ExePath() {
  char path[MAX_PATH];
  DWORD n = GetModuleFileNameA(nullptr, path, sizeof path);
  return std::string(path, n);
}

// Runs cases 0 .. cases-1 in workers until the time is up; one worker at a time.
bool Run(const RunOptions& o, RunReport* report) {
  char temp[MAX_PATH];
  GetTempPathA(sizeof temp, temp);
  CreateDirectoryA(temp, nullptr);
  static int runs = 0;
  std::string base = std::string(temp) + "kzmut" + std::to_string(GetCurrentProcessId()) + "-" +
                     std::to_string(runs) + "\\";
  std::string mapName = "KazeCabMutation-" + std::to_string(GetCurrentProcessId()) + "-" +
                        std::to_string(runs++);
  RemoveTree(base);
  CreateDirectoryA(base.c_str(), nullptr);
  HANDLE mapping = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                      sizeof(Shared), mapName.c_str());
  if (mapping == nullptr) return false;
  Shared* shared = static_cast<Shared*>(MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, 0));
  if (shared == nullptr) {
    CloseHandle(mapping);
    return false;
  }
  std::memset(const_cast<Shared*>(shared), 0, sizeof(Shared));
  const DWORD begin = GetTickCount();
  bool ok = true;
  LONG next = 0;
  while (next < o.cases && shared->stop == 0) {
    shared->started = next - 1;
    shared->finished = next - 1;
    // The folder without its backslash: "\"" would escape the closing quote.
    std::string line = "\"" + ExePath() + "\" --worker " + mapName + " \"" +
                       base.substr(0, base.size() - 1) + "\" " +
                       std::to_string(o.seed) + " " + std::to_string(next) + " " +
                       std::to_string(o.cases - 1) + (o.probe.empty() ? "" : " " + o.probe);
    STARTUPINFOA si;
    std::memset(&si, 0, sizeof si);
    si.cb = sizeof si;
    PROCESS_INFORMATION pi;
    if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                        &pi)) {
      std::printf("cannot start a worker (error %lu)\n", GetLastError());
      ok = false;
      break;
    }
    CloseHandle(pi.hThread);
    ++report->workers;
    for (;;) {
      DWORD wait = WaitForSingleObject(pi.hProcess, 100);
      if (GetTickCount() - begin >= o.seconds * 1000) shared->stop = 1;
      LONG started = shared->started, finished = shared->finished;
      bool inCase = started != finished;
      if (wait == WAIT_OBJECT_0) {
        DWORD code = 0;
        GetExitCodeProcess(pi.hProcess, &code);
        if (inCase) {
          char text[64];
          std::snprintf(text, sizeof text, "the worker died (exit code 0x%lX)", code);
          report->faults.push_back("case " + std::to_string(started) + ": " + text);
          next = started + 1;
        } else if (code != 0) {
          std::printf("a worker failed before its first case (exit code %lu)\n", code);
          ok = false;
          shared->stop = 1;
        } else {
          next = finished + 1;
        }
        break;
      }
      if (inCase && GetTickCount() - shared->startTick > o.caseLimitMs) {
        TerminateProcess(pi.hProcess, 1);
        WaitForSingleObject(pi.hProcess, INFINITE);
        report->faults.push_back("case " + std::to_string(started) + ": still running after " +
                                 std::to_string(o.caseLimitMs / 1000) + " s");
        next = started + 1;
        break;
      }
    }
    CloseHandle(pi.hProcess);
  }
  report->cases = next;
  report->seconds = (GetTickCount() - begin) / 1000.0;
  for (int i = 0; i < kSlots; ++i) report->results[i] = shared->results[i];
  // The description of each dead worker's case, and the faults the workers noted.
  std::vector<CabSeed> seeds = MakeSeeds();
  for (std::string& f : report->faults) {
    LONG n = std::atol(f.c_str() + 5);
    f += " -- " + MakeMutatedCase(seeds, o.seed, static_cast<uint64_t>(n)).description;
  }
  std::string noted = ReadBytes(base + "faults.txt");
  for (size_t at = 0; at < noted.size();) {
    size_t end = noted.find('\n', at);
    if (end == std::string::npos) end = noted.size();
    report->faults.push_back(noted.substr(at, end - at));
    at = end + 1;
  }
  UnmapViewOfFile(shared);
  CloseHandle(mapping);
  RemoveTree(base);
  RemoveDirectoryA(base.c_str());
  return ok;
}

// Each detector must see what it is there to see, or the run proves nothing.
bool DetectorsWork() {
  struct Probe {
    const char* name;
    const char* expected;
  };
  const Probe probes[] = {{"crash", "the worker died"},
                          {"hang", "still running"},
                          {"outside", "wrote outside the destination"}};
  bool ok = true;
  for (const Probe& p : probes) {
    RunOptions o;
    o.cases = 1;
    o.caseLimitMs = 3000;
    o.probe = p.name;
    RunReport r;
    bool seen = Run(o, &r) && r.faults.size() == 1 &&
                r.faults[0].find(p.expected) != std::string::npos;
    std::printf("detector check \"%s\": %s\n", p.name, seen ? "seen" : "NOT SEEN");
    ok = ok && seen;
  }
  return ok;
}

int Only(uint64_t seed, LONG index, const std::string& save) {
  std::vector<CabSeed> seeds = MakeSeeds();
  if (!SeedsComplete(seeds)) return 2;
  MutatedCase c = MakeMutatedCase(seeds, seed, static_cast<uint64_t>(index));
  std::printf("case %ld: %s\n", index, c.description.c_str());
  if (!save.empty()) {
    CreateDirectoryA(save.c_str(), nullptr);
    for (const CabPart& p : c.parts) WriteBytes(save + "\\" + p.name, p.bytes);
    return 0;
  }
  Library lib;
  if (!lib.complete()) return 2;
  ScratchFolder scratch;
  OwnerWindow owner;
  Workspace ws(scratch.path());
  int result = Exercise(lib, owner.get(), ws, c);
  std::printf("result %d (0x%X)\n", result, result);
  for (const std::string& name : ws.RemoveParts()) std::printf("held open: %s\n", name.c_str());
  for (const std::string& path : ws.Outside()) std::printf("outside: %s\n", path.c_str());
  return 0;
}

int Main(int argc, char** argv) {
  RunOptions o;
  std::string only, save;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    if (a == "--worker" && argc - i >= 6) {
      return Worker(argv[i + 1], std::string(argv[i + 2]) + "\\", std::strtoull(argv[i + 3], nullptr, 10),
                    std::atol(argv[i + 4]), std::atol(argv[i + 5]),
                    argc - i >= 7 ? argv[i + 6] : "");
    }
    std::string value = i + 1 < argc ? argv[i + 1] : "";
    if (a == "--seconds") o.seconds = static_cast<DWORD>(std::atol(value.c_str()));
    else if (a == "--cases") o.cases = std::atol(value.c_str());
    else if (a == "--seed") o.seed = std::strtoull(value.c_str(), nullptr, 10);
    else if (a == "--case-limit") o.caseLimitMs = static_cast<DWORD>(std::atol(value.c_str())) * 1000;
    else if (a == "--only") only = value;
    else if (a == "--save") save = value;
    else {
      std::printf("unknown argument %s\n", a.c_str());
      return 2;
    }
    ++i;
  }
  if (!only.empty()) return Only(o.seed, std::atol(only.c_str()), save);
  // Damaged cabinets are the point here: no dialog for a missing disc or a fault.
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
  std::vector<CabSeed> seeds = MakeSeeds();
  if (!SeedsComplete(seeds)) return 2;
  bool detectors = DetectorsWork();
  RunReport r;
  bool ran = Run(o, &r);
  std::printf("cab32 mutation run, seed %s: %ld cases in %.1f s (%.1f cases/s), %d workers\n",
              std::to_string(o.seed).c_str(), r.cases, r.seconds,
              r.seconds > 0 ? r.cases / r.seconds : 0.0, r.workers);
  std::printf("extraction results:");
  for (int i = 0; i < kSlots; ++i) {
    if (r.results[i] != 0) std::printf(" %s x%ld", SlotName(i).c_str(), r.results[i]);
  }
  std::printf("\n");
  for (const std::string& f : r.faults) std::printf("FAULT %s\n", f.c_str());
  std::printf("faults: %lu\n", static_cast<unsigned long>(r.faults.size()));
  bool enough = r.cases > static_cast<LONG>(seeds.size());
  if (!enough) std::printf("too few cases ran to cover more than the seeds\n");
  return detectors && ran && enough && r.faults.empty() ? 0 : 1;
}

}  // namespace
}  // namespace kaze::test

int main(int argc, char** argv) {
  int rc = kaze::test::Main(argc, argv);
  std::fflush(stdout);
  return rc;
}
