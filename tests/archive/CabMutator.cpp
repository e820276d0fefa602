#include "CabMutator.h"

#include <algorithm>
#include <cstdio>

namespace kaze::test {

namespace {

uint32_t Get(const std::string& b, size_t at, int width) {
  uint32_t v = 0;
  for (int i = width - 1; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(b[at + i]);
  return v;
}

void Set(std::string& b, size_t at, int width, uint32_t v) {
  for (int i = 0; i < width; ++i) b[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

// The length of the text at `at`, or false when it has no terminator.
bool TextAt(const std::string& b, size_t at, size_t* length) {
  size_t end = b.find('\0', at);
  if (end == std::string::npos) return false;
  *length = end - at;
  return true;
}

class Mapper {
 public:
  explicit Mapper(const std::string& b) : b_(b) {}

  CabMap Run() {
    if (b_.size() < 36 || b_.compare(0, 4, "MSCF") != 0) return map_;
    Field(8, 4, true, "cbCabinet");
    Field(16, 4, true, "coffFiles");
    Field(24, 1, false, "versionMinor");
    Field(25, 1, false, "versionMajor");
    Field(26, 2, true, "cFolders");
    Field(28, 2, true, "cFiles");
    Field(30, 2, false, "flags");
    Field(32, 2, false, "setID");
    Field(34, 2, false, "iCabinet");
    const uint32_t flags = Get(b_, 30, 2);
    size_t at = 36;
    size_t folderReserve = 0, dataReserve = 0;
    if (flags & 0x0004) {
      if (!Has(at, 4)) return Done(at);
      Field(at, 2, true, "cbCFHeader");
      Field(at + 2, 1, true, "cbCFFolder");
      Field(at + 3, 1, true, "cbCFData");
      folderReserve = Get(b_, at + 2, 1);
      dataReserve = Get(b_, at + 3, 1);
      at += 4 + Get(b_, at, 2);
    }
    static const char* const kSetTexts[] = {"szCabinetPrev", "szDiskPrev", "szCabinetNext",
                                            "szDiskNext"};
    for (int i = 0; i < 4; ++i) {
      if ((flags & (i < 2 ? 0x0001 : 0x0002)) == 0) continue;
      size_t length = 0;
      if (at >= b_.size() || !TextAt(b_, at, &length)) return Done(at);
      map_.texts.push_back({at, length, kSetTexts[i]});
      at += length + 1;
    }
    const uint32_t folders = Get(b_, 26, 2);
    std::vector<std::pair<uint32_t, uint32_t>> blocks;  // start and count of each folder
    for (uint32_t f = 0; f < folders && Has(at, 8); ++f) {
      Field(at, 4, true, "coffCabStart");
      Field(at + 4, 2, true, "cCFData");
      Field(at + 6, 2, false, "typeCompress");
      blocks.push_back({Get(b_, at, 4), Get(b_, at + 4, 2)});
      at += 8 + folderReserve;
    }
    size_t tablesEnd = at;
    size_t fileAt = Get(b_, 16, 4);
    const uint32_t files = Get(b_, 28, 2);
    for (uint32_t i = 0; i < files && Has(fileAt, 16); ++i) {
      Field(fileAt, 4, true, "cbFile");
      Field(fileAt + 4, 4, true, "uoffFolderStart");
      Field(fileAt + 8, 2, true, "iFolder");
      Field(fileAt + 10, 2, false, "date");
      Field(fileAt + 12, 2, false, "time");
      Field(fileAt + 14, 2, false, "attribs");
      size_t length = 0;
      if (!TextAt(b_, fileAt + 16, &length)) break;
      map_.texts.push_back({fileAt + 16, length, "szName"});
      fileAt += 16 + length + 1;
      tablesEnd = std::max(tablesEnd, fileAt);
    }
    // The first few data blocks of each folder: enough to reach every kind of field.
    for (const auto& folder : blocks) {
      size_t block = folder.first;
      for (uint32_t i = 0; i < folder.second && i < 8 && Has(block, 8); ++i) {
        Field(block, 4, false, "csum");
        Field(block + 4, 2, true, "cbData");
        Field(block + 6, 2, true, "cbUncomp");
        block += 8 + dataReserve + Get(b_, block + 4, 2);
      }
    }
    return Done(tablesEnd);
  }

 private:
  bool Has(size_t at, size_t n) const { return at <= b_.size() && b_.size() - at >= n; }

  void Field(size_t at, int width, bool countOrOffset, const char* what) {
    if (Has(at, static_cast<size_t>(width))) map_.fields.push_back({at, width, countOrOffset, what});
  }

  CabMap Done(size_t tablesEnd) {
    map_.tablesEnd = std::min(tablesEnd, b_.size());
    return map_;
  }

  const std::string& b_;
  CabMap map_;
};

// splitmix64: small, and the same on every compiler.
class Rng {
 public:
  explicit Rng(uint64_t seed) : state_(seed) {}
  uint64_t Next() {
    uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
  }
  // 0 <= result < n (n > 0).
  size_t Below(size_t n) { return static_cast<size_t>(Next() % n); }
  bool OneIn(size_t n) { return Below(n) == 0; }

 private:
  uint64_t state_;
};

std::string Hex(uint32_t v) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%X", static_cast<unsigned>(v));
  return text;
}

uint32_t Extreme(Rng& rng, const CabField& field, uint32_t old, size_t fileSize) {
  const uint32_t max = field.width == 4 ? 0xFFFFFFFFu : (1u << (8 * field.width)) - 1;
  const uint32_t size = static_cast<uint32_t>(fileSize);
  const uint32_t choices[] = {0,           1,       max,      max - 1,      max / 2,
                              max / 2 + 1, old + 1, old - 1,  old * 2,      size,
                              size + 1,    size - 1, old ^ 0x80, static_cast<uint32_t>(rng.Next())};
  return choices[rng.Below(sizeof choices / sizeof choices[0])] & max;
}

// Names a library must never follow out of its folder, and names that end in a lead byte
// whose trail byte would be the terminator.
const char* const kHostileTexts[] = {
    "..\\up.txt",   "..",         "\\root.txt",   "C:\\drive.txt", "a\\..\\..\\x.txt",
    "a/../../x.txt", "CON",        "nul.txt",      "x:stream",      "",
    "a\\\\b.txt",   "dir\\",       "\x95",         "ab\x83",        "\x95\\..\\x.txt",
    "*.*",          "a?b",        ".",            "...",           "COM1.txt"};

class Mutator {
 public:
  Mutator(Rng& rng, std::vector<CabPart>& parts, std::string& log)
      : rng_(rng), parts_(parts), log_(log) {}

  void Apply() {
    size_t part = rng_.Below(parts_.size());
    std::string& b = parts_[part].bytes;
    if (parts_.size() > 1) Note("part " + std::to_string(part + 1) + ": ");
    switch (rng_.Below(parts_.size() > 1 ? 11 : 10)) {
      case 0: FlipBits(b, 0, b.size()); break;
      case 1: FlipBits(b, 0, MapCabinet(b).tablesEnd); break;
      case 2: Truncate(b); break;
      case 3: Extend(b); break;
      case 4: FieldExtreme(b, false); break;
      case 5: FieldExtreme(b, true); break;
      case 6: DamageText(b); break;
      case 7: Splice(b); break;
      case 8: FillRun(b); break;
      case 9: FieldExtreme(b, false); FlipBits(b, 0, b.size()); break;
      default: DamageSet(); break;
    }
  }

 private:
  void Note(const std::string& text) { log_ += text; }

  void FlipBits(std::string& b, size_t from, size_t to) {
    if (to <= from) return Truncate(b);
    size_t n = 1 + rng_.Below(8);
    Note("flip");
    for (size_t i = 0; i < n; ++i) {
      size_t at = from + rng_.Below(to - from);
      int bit = static_cast<int>(rng_.Below(8));
      b[at] = static_cast<char>(b[at] ^ (1 << bit));
      Note(" " + std::to_string(at) + "." + std::to_string(bit));
    }
    Note("; ");
  }

  void Truncate(std::string& b) {
    // Mostly inside the tables, where a cut changes what the headers mean.
    size_t limit = rng_.OneIn(2) ? std::max<size_t>(1, MapCabinet(b).tablesEnd + 16) : b.size();
    size_t n = rng_.Below(std::min(limit, b.size()) + 1);
    b.resize(n);
    Note("cut to " + std::to_string(n) + "; ");
  }

  void Extend(std::string& b) {
    size_t n = 1 + rng_.Below(4096);
    if (rng_.OneIn(2) && !b.empty()) {
      for (size_t i = 0; i < n; ++i) b.push_back(b[i % b.size()]);
      Note("repeat " + std::to_string(n) + " bytes at the end; ");
    } else {
      for (size_t i = 0; i < n; ++i) b.push_back(static_cast<char>(rng_.Next()));
      Note("append " + std::to_string(n) + " random bytes; ");
    }
  }

  void FieldExtreme(std::string& b, bool pastTheEnd) {
    CabMap map = MapCabinet(b);
    std::vector<CabField> fields;
    for (const CabField& f : map.fields) {
      if (!pastTheEnd || f.countOrOffset) fields.push_back(f);
    }
    if (fields.empty()) return FlipBits(b, 0, b.size());
    const CabField& f = fields[rng_.Below(fields.size())];
    uint32_t old = Get(b, f.offset, f.width);
    uint32_t value = Extreme(rng_, f, old, b.size());
    if (pastTheEnd) {
      const uint32_t size = static_cast<uint32_t>(b.size());
      const uint32_t past[] = {size, size + 1, size + 1 + static_cast<uint32_t>(rng_.Below(65536)),
                               0xFFFFFFF0u, old + 1, old + 100, 0x7FFF, 0xFFFF};
      const uint32_t max = f.width == 4 ? 0xFFFFFFFFu : (1u << (8 * f.width)) - 1;
      value = past[rng_.Below(sizeof past / sizeof past[0])] & max;
    }
    Set(b, f.offset, f.width, value);
    Note(std::string(f.what) + "@" + std::to_string(f.offset) + " " + Hex(old) + "->" +
         Hex(value) + "; ");
  }

  void DamageText(std::string& b) {
    CabMap map = MapCabinet(b);
    if (map.texts.empty()) return FieldExtreme(b, false);
    const CabText& t = map.texts[rng_.Below(map.texts.size())];
    const size_t end = t.offset + t.length;  // the terminator
    switch (rng_.Below(4)) {
      case 0:  // no terminator: the text runs into what follows
        b[end] = static_cast<char>(rng_.OneIn(2) ? 'A' : '\x95');
        Note(std::string(t.what) + "@" + std::to_string(t.offset) + " unterminated; ");
        break;
      case 1: {  // a hostile text in place, the layout unchanged where it fits
        std::string text = kHostileTexts[rng_.Below(sizeof kHostileTexts / sizeof kHostileTexts[0])];
        if (text.size() > t.length) {
          b.replace(t.offset, t.length, text);  // everything after moves
        } else {
          std::string padded = text + std::string(t.length - text.size() + 1, '\0');
          b.replace(t.offset, t.length + 1, padded);
        }
        Note(std::string(t.what) + "@" + std::to_string(t.offset) + " = \"" + text + "\"; ");
        break;
      }
      case 2: {  // a long text: past every buffer of 256 or MAX_PATH bytes
        size_t n = 250 + rng_.Below(300);
        std::string text(n, 'n');
        if (rng_.OneIn(2)) {
          for (size_t i = 0; i + 1 < n; i += 2) text[i] = '\x95', text[i + 1] = '\\';
        }
        b.replace(t.offset, t.length, text);
        Note(std::string(t.what) + "@" + std::to_string(t.offset) + " = " + std::to_string(n) +
             " bytes; ");
        break;
      }
      default:  // one byte of it changed, a separator or a lead byte
        if (t.length == 0) return FlipBits(b, 0, b.size());
        {
          const char bytes[] = {'\\', '/', '.', ':', '\x95', '\x83', '\x81', '*'};
          size_t at = t.offset + rng_.Below(t.length);
          b[at] = bytes[rng_.Below(sizeof bytes)];
          Note(std::string(t.what) + " byte " + std::to_string(at) + " changed; ");
        }
        break;
    }
  }

  void Splice(std::string& b) {
    if (b.size() < 2) return Extend(b);
    size_t from = rng_.Below(b.size()), to = rng_.Below(b.size());
    size_t n = 1 + rng_.Below(std::min<size_t>(512, b.size() - std::max(from, to)));
    b.replace(to, n, b.substr(from, n));
    Note("copy " + std::to_string(n) + " bytes from " + std::to_string(from) + " to " +
         std::to_string(to) + "; ");
  }

  void FillRun(std::string& b) {
    if (b.empty()) return Extend(b);
    size_t at = rng_.Below(b.size());
    size_t n = 1 + rng_.Below(std::min<size_t>(64, b.size() - at));
    const char fills[] = {'\0', '\xFF', '\x7F'};
    char fill = fills[rng_.Below(sizeof fills)];
    std::fill(b.begin() + static_cast<std::ptrdiff_t>(at),
              b.begin() + static_cast<std::ptrdiff_t>(at + n), fill);
    Note("fill " + std::to_string(n) + " bytes at " + std::to_string(at) + " with " +
         Hex(static_cast<unsigned char>(fill)) + "; ");
  }

  void DamageSet() {
    size_t k = 1 + rng_.Below(parts_.size() - 1);
    switch (rng_.Below(4)) {
      case 0:
        Note("part " + std::to_string(k + 1) + " removed; ");
        parts_.erase(parts_.begin() + static_cast<std::ptrdiff_t>(k));
        break;
      case 1:
        Note("part " + std::to_string(k + 1) + " holds part 1; ");
        parts_[k].bytes = parts_[0].bytes;
        break;
      case 2:
        Note("parts 1 and " + std::to_string(k + 1) + " swapped; ");
        std::swap(parts_[0].bytes, parts_[k].bytes);
        break;
      default:
        Note("part " + std::to_string(k + 1) + " emptied; ");
        parts_[k].bytes.clear();
        break;
    }
  }

  Rng& rng_;
  std::vector<CabPart>& parts_;
  std::string& log_;
};

}  // namespace

CabMap MapCabinet(const std::string& bytes) { return Mapper(bytes).Run(); }

MutatedCase MakeMutatedCase(const std::vector<CabSeed>& seeds, uint64_t runSeed,
                            uint64_t index) {
  MutatedCase c;
  if (seeds.empty()) return c;
  if (index < seeds.size()) {
    c.seed = static_cast<size_t>(index);
    c.parts = seeds[c.seed].parts;
    c.description = seeds[c.seed].title + ", unchanged";
    return c;
  }
  Rng rng(runSeed * 0x100000001B3ULL ^ (index + 1) * 0x9E3779B97F4A7C15ULL);
  c.seed = rng.Below(seeds.size());
  c.parts = seeds[c.seed].parts;
  std::string log = seeds[c.seed].title + ": ";
  Mutator mutator(rng, c.parts, log);
  size_t rounds = 1 + (rng.OneIn(3) ? rng.Below(3) : 0);
  for (size_t i = 0; i < rounds && !c.parts.empty(); ++i) mutator.Apply();
  c.description = log;
  return c;
}

}  // namespace kaze::test
