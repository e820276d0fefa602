// The DirectX step under Wine, against stand-in setup libraries placed on a scratch "disc"
// whose folder name ends in a 0x5C trail byte.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "engine/DirectXStep.h"
#include "tests/registration/EngineTestSupport.h"

namespace kaze {
namespace {

using test::ReadBytes;

class DirectXStepTest : public ::testing::Test {
 protected:
  void SetUp() override {
    disc_ = scratch_.Folder("ディスク表\\");
    setupFolder_ = scratch_.Folder("ディスク表\\DirectX表\\");
    // The library's own name ends in 表 too: only a DBCS-aware scan finds its folder.
    ASSERT_TRUE(CopyFileA((test::ProgramFolder() + "dxsetup_standin.dll").c_str(),
                          (setupFolder_ + "dxsetup表.dll").c_str(), FALSE));
    ASSERT_TRUE(CopyFileA((test::ProgramFolder() + "dxsetup_versiononly.dll").c_str(),
                          (setupFolder_ + "dxsetup_versiononly.dll").c_str(), FALSE));
    calls_ = scratch_.path() + "calls.txt";
    SetEnvironmentVariableA("KAZE_DXSETUP_LOG", calls_.c_str());
    InstallContext& context = host_.context();
    std::strcpy(context.cdFolder, disc_.c_str());
    context.installInfo = std::make_unique<InstallInfo>();
    Use("DirectX表\\dxsetup表.dll", {4, 9, 0, 904});
  }
  void TearDown() override {
    for (const char* name : {"KAZE_DXSETUP", "KAZE_DXSETUP_RESULT", "KAZE_DXSETUP_LOG"}) {
      SetEnvironmentVariableA(name, nullptr);
    }
  }

  void Use(const char* library, std::initializer_list<uint16_t> wanted) {
    InstallInfo& info = *host_.context().installInfo;
    std::strcpy(info.dxSetupDll, library);
    std::copy(wanted.begin(), wanted.end(), info.dxVersion);
  }

  test::ScratchFolder scratch_;
  test::RecordingHost host_;
  std::string disc_, setupFolder_, calls_;
};

TEST_F(DirectXStepTest, SetupRunsOnlyForAnOlderRuntimeAndRestartsOnlyOnOne) {
  const struct {
    const char* installed;  // version, revision and GetVersion's result
    uint16_t wanted[4];
    BOOL ntMinor1;
    const char* result;
    bool runs;
    BOOL restart;
    BOOL failed;  // told on the completion page
  } cases[] = {
      {"0x40009 902 1", {4, 9, 0, 904}, 0, "1", true, 1, 0},
      {"0x40009 902 1", {4, 9, 0, 904}, 0, "0", true, 0, 0},
      {"0x40009 902 1", {4, 9, 0, 904}, 0, "-1", true, 0, 1},   // an error of the setup
      {"0x40009 902 1", {4, 9, 0, 904}, 0, "-16", true, 0, 1},
      {"0x40009 902 1", {4, 9, 0, 904}, 0, "2", true, 0, 0},
      {"0x40009 904 1", {4, 9, 0, 904}, 0, "1", false, 0, 0},
      {"0x40009 904 1", {4, 8, 0xFFFF, 0xFFFF}, 0, "1", false, 0, 0},
      {"0x40009 902 1", {4, 9, 4, 8}, 1, "1", false, 0, 0},  // the NT minor-1 revision rule
      {"0x40009 902 1", {0, 0, 0, 0}, 0, "1", false, 0, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.installed) + " result " + c.result);
    DeleteFileA(calls_.c_str());
    SetEnvironmentVariableA("KAZE_DXSETUP", c.installed);
    SetEnvironmentVariableA("KAZE_DXSETUP_RESULT", c.result);
    InstallContext& context = host_.context();
    context.restartRequired = 0;
    context.directXFailed = 0;
    context.isNtMinor1 = c.ntMinor1;
    std::copy(c.wanted, c.wanted + 4, context.installInfo->dxVersion);

    EXPECT_EQ(RunDirectXStep(host_), 1);

    EXPECT_EQ(context.restartRequired, c.restart);
    EXPECT_EQ(context.directXFailed, c.failed);
    if (c.runs) {
      // The callback is cleared first; the setup gets no owner, the library's own folder
      // (cut at its last real backslash, not at 表's trail byte) and the full runtime.
      EXPECT_EQ(ReadBytes(calls_), "SetCallback 0\nSetup 0 " + setupFolder_ + " 0x10018\n");
    } else {
      EXPECT_EQ(ReadBytes(calls_), "");
    }
    EXPECT_EQ(GetModuleHandleA("dxsetup表.dll"), nullptr) << "library kept loaded";
  }
  EXPECT_EQ(host_.workItems.front(), "DirectX をインストール中...");
}

// A runtime wanted but no setup to run it: nothing runs and nothing restarts, and the
// completion page tells that DirectX is missing. Without a library named, none is wanted.
TEST_F(DirectXStepTest, NoLibraryOrNoSetupFunctionMeansNoSetupAndNoRestart) {
  SetEnvironmentVariableA("KAZE_DXSETUP", "0x40009 902 1");
  SetEnvironmentVariableA("KAZE_DXSETUP_RESULT", "1");
  const struct {
    const char* library;
    BOOL failed;
  } cases[] = {
      {"DirectX表\\missing.dll", 1},
      {"DirectX表\\dxsetup_versiononly.dll", 1},
      {"", 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.library);
    DeleteFileA(calls_.c_str());
    Use(c.library, {4, 9, 0, 904});
    host_.context().restartRequired = 0;
    host_.context().directXFailed = 0;
    EXPECT_EQ(RunDirectXStep(host_), 1);
    EXPECT_EQ(host_.context().restartRequired, 0);
    EXPECT_EQ(host_.context().directXFailed, c.failed);
    EXPECT_EQ(ReadBytes(calls_), "");
  }
  EXPECT_EQ(RunDirectXSetup((setupFolder_ + "dxsetup_versiononly.dll").c_str()), 0);
  EXPECT_EQ(RunDirectXSetup((setupFolder_ + "missing.dll").c_str()), 0);
}

TEST_F(DirectXStepTest, AnEarlierRestartRequestIsKept) {
  SetEnvironmentVariableA("KAZE_DXSETUP", "0x40009 902 1");
  SetEnvironmentVariableA("KAZE_DXSETUP_RESULT", "0");
  host_.context().restartRequired = 1;
  RunDirectXStep(host_);
  EXPECT_EQ(host_.context().restartRequired, 1);
}

}  // namespace
}  // namespace kaze
