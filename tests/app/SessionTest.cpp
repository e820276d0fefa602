#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "app/InstallContext.h"
#include "app/SystemSession.h"

namespace kaze {
namespace {

// A plain top-level window to carry properties.
class TestWindow {
 public:
  TestWindow() {
    window_ = CreateWindowExA(0, "STATIC", "kaze test window", WS_OVERLAPPEDWINDOW, 0, 0, 200,
                              100, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
  }
  ~TestWindow() { DestroyWindow(window_); }
  HWND get() const { return window_; }

 private:
  HWND window_;
};

bool MutexExists(const char* name) {
  HANDLE h = OpenMutexA(SYNCHRONIZE, FALSE, name);
  if (h == nullptr) return false;
  CloseHandle(h);
  return true;
}

TEST(SingleInstance, AcquireSetsThePropertyAndReleaseUndoesIt) {
  TestWindow window;
  SystemSession session;
  ASSERT_TRUE(session.AcquireSingleInstance(window.get(), "KazeTestProp", "KazeTestMutex1"));
  EXPECT_TRUE(session.held);
  EXPECT_STREQ(session.propertyName, "KazeTestProp");
  EXPECT_EQ(GetPropA(window.get(), "KazeTestProp"), reinterpret_cast<HANDLE>(1));
  EXPECT_TRUE(MutexExists("KazeTestMutex1"));

  // A second acquisition on the same object creates nothing.
  HANDLE first = session.mutex;
  EXPECT_TRUE(session.AcquireSingleInstance(window.get(), "Other", "KazeTestMutex2"));
  EXPECT_EQ(session.mutex, first);
  EXPECT_FALSE(MutexExists("KazeTestMutex2"));

  EXPECT_TRUE(session.ReleaseSingleInstance(window.get()));
  EXPECT_EQ(GetPropA(window.get(), "KazeTestProp"), nullptr);
  EXPECT_FALSE(MutexExists("KazeTestMutex1"));
}

TEST(SingleInstance, EmptyPropertyNameCreatesNothing) {
  TestWindow window;
  SystemSession session;
  EXPECT_FALSE(session.AcquireSingleInstance(window.get(), "", "KazeTestMutex3"));
  EXPECT_FALSE(MutexExists("KazeTestMutex3"));
  EXPECT_FALSE(session.held);
}

TEST(SingleInstance, ReleaseWithoutAcquireTouchesNothing) {
  TestWindow window;
  SetPropA(window.get(), "KazeTestProp", reinterpret_cast<HANDLE>(1));
  SystemSession session;
  std::strcpy(session.propertyName, "KazeTestProp");
  EXPECT_EQ(session.ReleaseSingleInstance(window.get()), 0);
  EXPECT_NE(GetPropA(window.get(), "KazeTestProp"), nullptr);
  RemovePropA(window.get(), "KazeTestProp");
}

TEST(SingleInstance, AnotherHolderIsBroughtForwardAndAcquisitionFails) {
  // The "other copy": a minimised window with the property, and the mutex held.
  TestWindow other;
  SetPropA(other.get(), "KazeTestOther", reinterpret_cast<HANDLE>(1));
  ShowWindow(other.get(), SW_MINIMIZE);
  ASSERT_TRUE(IsIconic(other.get()));
  HANDLE held = CreateMutexA(nullptr, TRUE, "KazeTestMutex4");
  ASSERT_NE(held, nullptr);

  TestWindow mine;
  SystemSession session;
  EXPECT_FALSE(session.AcquireSingleInstance(mine.get(), "KazeTestOther", "KazeTestMutex4"));
  EXPECT_FALSE(session.held);
  EXPECT_EQ(GetPropA(mine.get(), "KazeTestOther"), nullptr);
  EXPECT_FALSE(IsIconic(other.get())) << "the other copy's window was not restored";

  RemovePropA(other.get(), "KazeTestOther");
  CloseHandle(held);
}

// Fills a small description by hand: two discs, types pointing into them.
void FillDescription(InstallContext& context) {
  context.installInfo = std::make_unique<InstallInfo>();
  context.diskCount = 2;
  context.disks = std::make_unique<DiskEntry[]>(2);
  for (int d = 0; d < 2; ++d) {
    context.disks[d].groupCount = 2;
    context.disks[d].groups = std::make_unique<FileGroup[]>(2);
    for (int g = 0; g < 2; ++g) {
      context.disks[d].groups[g].memberCount = 3;
      context.disks[d].groups[g].members = std::make_unique<PathPair[]>(3);
    }
  }
  context.typeCount = 2;
  context.installTypes = std::make_unique<InstallType[]>(2);
  context.installTypes[0].groupCount = 1;
  context.installTypes[0].groups = std::make_unique<FileGroup*[]>(1);
  context.installTypes[0].groups[0] = &context.disks[1].groups[0];
  context.registryData = std::make_unique<RegistryData>();
  context.registryData->entryCount = 4;
  context.registryData->entries = std::make_unique<RegistryEntry[]>(4);
  context.appearance = std::make_unique<AppearanceInfo>();
}

TEST(InstallContext, ReleaseFreesEverythingLoadedOrNot) {
  {
    // Closed on the start page: only the identity was ever made.
    InstallContext context;
    context.productIdentity = std::make_unique<ProductIdentity>();
    FillProductIdentity(*context.productIdentity);
    context.Release();
    EXPECT_EQ(context.productIdentity, nullptr);
    EXPECT_EQ(context.installInfo, nullptr);
    EXPECT_EQ(context.disks, nullptr);
    context.Release();  // twice is harmless
  }
  {
    InstallContext context;
    context.productIdentity = std::make_unique<ProductIdentity>();
    FillDescription(context);
    context.Release();
    EXPECT_EQ(context.installInfo, nullptr);
    EXPECT_EQ(context.installTypes, nullptr);
    EXPECT_EQ(context.typeCount, 0);
    EXPECT_EQ(context.disks, nullptr);
    EXPECT_EQ(context.diskCount, 0);
    EXPECT_EQ(context.registryData, nullptr);
    EXPECT_EQ(context.appearance, nullptr);
    EXPECT_EQ(context.productIdentity, nullptr);
  }
}

TEST(InstallContext, ProductIdentityIsFixed) {
  ProductIdentity identity;
  std::memset(&identity, 'x', sizeof identity);
  FillProductIdentity(identity);
  EXPECT_STREQ(identity.title, "月見日和");
  EXPECT_STREQ(identity.firstDiscName, "月見日和 Disk1");
  EXPECT_STREQ(identity.firstDiscVolumeLabel, "TSUKIMI1");
  // The rest of each buffer is zero-filled.
  EXPECT_EQ(identity.title[sizeof identity.title - 1], 0);
  EXPECT_STREQ(kProductRegistryKey, "Software\\KAZE_CORP\\Tsukimi");
}

}  // namespace
}  // namespace kaze
