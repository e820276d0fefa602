// The resources that the shipped programs carry for the systems they run on: a manifest
// asking for administrator rights (setup.exe and the uninstaller change the machine, and
// Windows Vista and later would otherwise virtualise their writes), a version resource,
// and icons that the 16- and 256-colour shells of 95 and NT 4.0 can draw. Read back from
// the very files that go onto the disc.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace kaze::test {
namespace {

// KAZE_SHIPPED_DIR is the Unix folder of the shipped build; Wine shows it on drive Z:.
std::string ShippedFile(const char* relative) {
  const char* dir = std::getenv("KAZE_SHIPPED_DIR");
  std::string path = std::string("Z:") + (dir != nullptr ? dir : "") + "/" + relative;
  for (char& c : path) {
    if (c == '/') c = '\\';
  }
  return path;
}

std::string Manifest(const std::string& file) {
  HMODULE module = LoadLibraryExA(file.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  if (module == nullptr) return "";
  std::string text;
  HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24));
  if (found != nullptr) {
    HGLOBAL loaded = LoadResource(module, found);
    const char* data = static_cast<const char*>(LockResource(loaded));
    if (data != nullptr) text.assign(data, SizeofResource(module, found));
  }
  FreeLibrary(module);
  return text;
}

struct Version {
  bool present = false;
  VS_FIXEDFILEINFO fixed = {};
  std::vector<char> block;

  std::string Text(const char* name) const {
    std::string query = std::string("\\StringFileInfo\\041104B0\\") + name;
    void* value = nullptr;
    UINT length = 0;
    if (!VerQueryValueA(const_cast<char*>(block.data()), query.c_str(), &value, &length) ||
        length == 0) {
      return "";
    }
    return static_cast<const char*>(value);
  }
};

Version ReadVersion(const std::string& file) {
  Version version;
  DWORD ignored = 0;
  DWORD size = GetFileVersionInfoSizeA(file.c_str(), &ignored);
  if (size == 0) return version;
  version.block.resize(size);
  if (!GetFileVersionInfoA(file.c_str(), 0, size, version.block.data())) return version;
  void* fixed = nullptr;
  UINT length = 0;
  if (VerQueryValueA(version.block.data(), "\\", &fixed, &length) && length >= sizeof(VS_FIXEDFILEINFO)) {
    version.fixed = *static_cast<VS_FIXEDFILEINFO*>(fixed);
    version.present = true;
  }
  return version;
}

struct Program {
  const char* path;
  const char* fileName;
  const char* description;
  bool changesTheMachine;
};

const Program kPrograms[] = {
    {"app/setup.exe", "setup.exe", "月見日和 インストーラ", true},
    {"uninstaller/Kaze_Inst.exe", "Kaze_Inst.exe", "月見日和 アンインストーラ", true},
    {"cab32/cab32.dll", "cab32.dll", "月見日和 キャビネット展開ライブラリ", false},
};

TEST(ShippedResources, ProgramsThatChangeTheMachineAskForAdministratorRights) {
  for (const Program& program : kPrograms) {
    SCOPED_TRACE(program.fileName);
    std::string manifest = Manifest(ShippedFile(program.path));
    if (!program.changesTheMachine) {
      EXPECT_TRUE(manifest.empty());
      continue;
    }
    ASSERT_FALSE(manifest.empty()) << "no manifest";
    EXPECT_EQ(manifest.rfind("<?xml", 0), 0u);
    EXPECT_NE(manifest.find("<assembly xmlns=\"urn:schemas-microsoft-com:asm.v1\" manifestVersion=\"1.0\">"),
              std::string::npos);
    EXPECT_NE(manifest.find("<assemblyIdentity type=\"win32\""), std::string::npos);
    // The asm.v2 form of trustInfo: Windows XP before SP3 reads it without fault.
    EXPECT_NE(manifest.find("<trustInfo xmlns=\"urn:schemas-microsoft-com:asm.v2\">"),
              std::string::npos);
    EXPECT_EQ(manifest.find("asm.v3"), std::string::npos);
    EXPECT_NE(manifest.find("<requestedExecutionLevel level=\"requireAdministrator\" uiAccess=\"false\"/>"),
              std::string::npos);
    EXPECT_NE(manifest.find("</assembly>"), std::string::npos);
  }
}

TEST(ShippedResources, EveryProgramCarriesItsVersion) {
  for (const Program& program : kPrograms) {
    SCOPED_TRACE(program.fileName);
    Version version = ReadVersion(ShippedFile(program.path));
    ASSERT_TRUE(version.present) << "no version resource";
    EXPECT_EQ(version.fixed.dwSignature, 0xFEEF04BDu);
    EXPECT_EQ(version.fixed.dwFileVersionMS, 0x00010000u);
    EXPECT_EQ(version.fixed.dwFileVersionLS, 0u);
    EXPECT_EQ(version.Text("CompanyName"), "KAZE_CORP");
    EXPECT_EQ(version.Text("ProductName"), "月見日和");
    EXPECT_EQ(version.Text("FileDescription"), program.description);
    EXPECT_EQ(version.Text("FileVersion"), "1.0.0.0");
    EXPECT_EQ(version.Text("OriginalFilename"), program.fileName);
  }
}

// One image of an icon as the file holds it, pixels top-down as 0xRRGGBB.
struct IconImage {
  int size = 0;
  int bits = 0;
  bool entryAgrees = false;  // the group's entry tells the same size, depth and colour count
  std::vector<uint32_t> palette;
  std::vector<uint32_t> colour;
  std::vector<uint8_t> alpha;        // 32-bit images only
  std::vector<bool> transparent;     // the AND mask
};

uint16_t Word(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
uint32_t Dword(const uint8_t* p) { return Word(p) | static_cast<uint32_t>(Word(p + 2)) << 16; }
uint32_t Rgb(const uint8_t* bgr) { return bgr[2] << 16 | bgr[1] << 8 | bgr[0]; }

bool ReadIconImage(const uint8_t* data, size_t length, IconImage* image) {
  if (length < 40) return false;
  uint32_t header = Dword(data);
  int width = static_cast<int>(Dword(data + 4));
  int height = static_cast<int>(Dword(data + 8)) / 2;
  int bits = Word(data + 14);
  if (width != height || width <= 0 || width > 256 || Dword(data + 16) != 0) return false;
  size_t colours = bits <= 8 ? (Dword(data + 32) != 0 ? Dword(data + 32) : 1u << bits) : 0;
  size_t stride = (width * bits + 31) / 32 * 4;
  size_t maskStride = (width + 31) / 32 * 4;
  size_t pixels = header + colours * 4;
  if (length < pixels + (stride + maskStride) * width) return false;
  image->size = width;
  image->bits = bits;
  for (size_t i = 0; i < colours; ++i) image->palette.push_back(Rgb(data + header + i * 4));
  const uint8_t* mask = data + pixels + stride * width;
  for (int y = width - 1; y >= 0; --y) {  // bottom-up in the file
    const uint8_t* row = data + pixels + stride * y;
    for (int x = 0; x < width; ++x) {
      uint32_t index = 0;
      if (bits == 32) {
        image->colour.push_back(Rgb(row + x * 4));
        image->alpha.push_back(row[x * 4 + 3]);
        continue;
      }
      if (bits == 8) index = row[x];
      if (bits == 4) index = (x % 2 == 0) ? row[x / 2] >> 4 : row[x / 2] & 0xF;
      if (index >= colours) return false;
      image->colour.push_back(image->palette[index]);
    }
    for (int x = 0; x < width; ++x) {
      image->transparent.push_back((mask[maskStride * y + x / 8] >> (7 - x % 8) & 1) != 0);
    }
  }
  return true;
}

BOOL CALLBACK AddName(HMODULE, LPCSTR, LPSTR name, LONG_PTR names) {
  reinterpret_cast<std::vector<std::string>*>(names)->push_back(
      IS_INTRESOURCE(name) ? "#" + std::to_string(reinterpret_cast<uintptr_t>(name)) : name);
  return TRUE;
}

// Every icon group of the file, by name ("#128"), with the images its entries lead to.
std::map<std::string, std::vector<IconImage>> ReadIconGroups(const std::string& file) {
  std::map<std::string, std::vector<IconImage>> groups;
  HMODULE module = LoadLibraryExA(file.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  if (module == nullptr) return groups;
  std::vector<std::string> names;
  EnumResourceNamesA(module, RT_GROUP_ICON, &AddName, reinterpret_cast<LONG_PTR>(&names));
  auto resource = [&](LPCSTR name, LPCSTR type, size_t* length) -> const uint8_t* {
    HRSRC found = FindResourceA(module, name, type);
    if (found == nullptr) return nullptr;
    *length = SizeofResource(module, found);
    return static_cast<const uint8_t*>(LockResource(LoadResource(module, found)));
  };
  for (const std::string& name : names) {
    std::vector<IconImage>& images = groups[name];
    size_t length = 0;
    const uint8_t* group = resource(name.c_str(), RT_GROUP_ICON, &length);
    if (group == nullptr || length < 6) continue;
    for (size_t i = 0; i < Word(group + 4) && 6 + 14 * (i + 1) <= length; ++i) {
      const uint8_t* entry = group + 6 + 14 * i;
      size_t imageLength = 0;
      const uint8_t* data = resource(MAKEINTRESOURCEA(Word(entry + 12)), RT_ICON, &imageLength);
      IconImage image;
      if (data == nullptr || !ReadIconImage(data, imageLength, &image)) continue;
      image.entryAgrees = entry[0] == image.size && entry[1] == image.size &&
                          entry[2] == (image.bits == 4 ? 16 : 0) && Word(entry + 6) == image.bits;
      images.push_back(image);
    }
  }
  FreeLibrary(module);
  return groups;
}

const uint32_t kVgaPalette[16] = {
    0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080, 0x008080, 0xC0C0C0,
    0x808080, 0xFF0000, 0x00FF00, 0xFFFF00, 0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF};

int Distance(uint32_t a, uint32_t b) {
  int sum = 0;
  for (int shift : {16, 8, 0}) {
    int d = static_cast<int>(a >> shift & 0xFF) - static_cast<int>(b >> shift & 0xFF);
    sum += d * d;
  }
  return sum;
}

// Pixels of a 16- or 256-colour image that do not follow the true-colour image of its size:
// the AND masks of both are its alpha (below 128: transparent), black lies under the mask
// (the screen stays as it is), a 16-colour pixel is a nearest VGA colour, and a 256-colour
// pixel is the very colour while the image has room in 256 colours.
int PixelsAstray(const IconImage& full, const IconImage& low) {
  std::vector<uint32_t> opaque;
  for (size_t i = 0; i < full.colour.size(); ++i) {
    if (full.alpha[i] >= 128) opaque.push_back(full.colour[i]);
  }
  std::sort(opaque.begin(), opaque.end());
  bool roomy = std::unique(opaque.begin(), opaque.end()) - opaque.begin() <= 255;
  int astray = 0;
  for (size_t i = 0; i < full.colour.size(); ++i) {
    bool transparent = full.alpha[i] < 128;
    if (low.transparent[i] != transparent || full.transparent[i] != transparent) {
      ++astray;
    } else if (transparent) {
      astray += low.colour[i] != 0;
    } else if (low.bits == 8 && roomy) {
      astray += low.colour[i] != full.colour[i];
    } else if (low.bits == 4) {
      int best = Distance(full.colour[i], kVgaPalette[0]);
      for (uint32_t vga : kVgaPalette) best = std::min(best, Distance(full.colour[i], vga));
      astray += Distance(full.colour[i], low.colour[i]) != best;
    }
  }
  return astray;
}

// Each icon that a shipped program carries has 16-colour (VGA palette), 256-colour and
// true-colour images at 16 and 32 pixels, the first two made from the last.
TEST(ShippedResources, IconsCarryImagesForSixteenAndTwoHundredFiftySixColours) {
  struct IconProgram {
    const char* path;
    const char* icon;  // the group the program itself loads, or nullptr
  } programs[] = {
      {"app/setup.exe", "#128"},
      {"uninstaller/Kaze_Inst.exe", nullptr},
      {"cab32/cab32.dll", nullptr},
      {"disccheck/disccheck.exe", nullptr},
  };
  for (const IconProgram& program : programs) {
    std::map<std::string, std::vector<IconImage>> groups =
        ReadIconGroups(ShippedFile(program.path));
    if (program.icon != nullptr) {
      EXPECT_EQ(groups.count(program.icon), 1u) << program.path << " lacks icon " << program.icon;
    }
    for (const auto& [name, images] : groups) {
      SCOPED_TRACE(std::string(program.path) + " icon " + name);
      for (const IconImage& image : images) {
        EXPECT_TRUE(image.entryAgrees) << image.size << " pixels, " << image.bits << " bits";
      }
      for (int size : {16, 32}) {
        std::map<int, const IconImage*> byDepth;
        for (const IconImage& image : images) {
          if (image.size == size) byDepth[image.bits] = &image;
        }
        ASSERT_NE(byDepth[32], nullptr) << "no 32-bit image of " << size;
        for (int bits : {4, 8}) {
          const IconImage* low = byDepth[bits];
          ASSERT_NE(low, nullptr) << "no " << bits << "-bit image of " << size;
          if (bits == 4) {
            ASSERT_GE(low->palette.size(), 16u);
            EXPECT_TRUE(std::equal(kVgaPalette, kVgaPalette + 16, low->palette.begin()))
                << "the 16-colour palette is not VGA's";
          }
          EXPECT_EQ(PixelsAstray(*byDepth[32], *low), 0) << bits << "-bit image of " << size;
        }
      }
    }
  }
}

}  // namespace
}  // namespace kaze::test
