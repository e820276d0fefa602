// The resources that the shipped programs carry for the systems they run on: a manifest
// asking for administrator rights (setup.exe and the uninstaller change the machine, and
// Windows Vista and later would otherwise virtualise their writes), and a version resource.
// Read back from the very files that go onto the disc.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <string>
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

}  // namespace
}  // namespace kaze::test
