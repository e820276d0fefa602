// Times InstallIniLoader on generated files of growing size, the hostile counts included:
//   config_load_bench [lines...]   (default 1000 4000 16000)
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/InstallContext.h"
#include "config/InstallIniLoader.h"

namespace {

std::string MakeIni(int members) {
  std::string ini = "[INSTALL_INFO]\r\nDISKNUM=2147483647\r\nDISK_0=ONE\r\n";
  ini += "[INSTALL_GROUP_DISK_0]\r\nIDNUM=2147483647\r\nGROUP_0=1\r\nMEMBERNUM_0=2147483647\r\n";
  for (int m = 0; m < members; ++m)
    ini += "MEMBER_0_" + std::to_string(m) + "=file" + std::to_string(m) + ".dat > Data\\\r\n";
  ini += "[INSTALL_GROUP]\r\nINSTGROUP=2147483647\r\nDEFAULTLIST=1\r\n";
  return ini;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<int> sizes;
  for (int i = 1; i < argc; ++i) sizes.push_back(std::atoi(argv[i]));
  if (sizes.empty()) sizes = {1000, 4000, 16000};
  char temp[MAX_PATH];
  GetTempPathA(sizeof temp, temp);
  for (int members : sizes) {
    std::string path = std::string(temp) + "kaze_load_bench_" + std::to_string(members) + ".ini";
    std::string ini = MakeIni(members);
    FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) return 1;
    std::fwrite(ini.data(), 1, ini.size(), f);
    std::fclose(f);

    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    kaze::InstallContext context;
    QueryPerformanceCounter(&start);
    kaze::InstallIniLoader(path.c_str(), context);
    QueryPerformanceCounter(&end);
    int loaded = context.diskCount > 0 && context.disks[0].groupCount > 0
                     ? context.disks[0].groups[0].memberCount
                     : 0;
    std::printf("%6d member lines (%7zu bytes): %8.1f ms, %d discs, %d groups, %d members, %d types\n",
                members, ini.size(),
                1000.0 * (end.QuadPart - start.QuadPart) / frequency.QuadPart, context.diskCount,
                context.diskCount > 0 ? context.disks[0].groupCount : 0, loaded, context.typeCount);
    DeleteFileA(path.c_str());
  }
  return 0;
}
