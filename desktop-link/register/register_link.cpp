// Registers the application manager stand-in where the setup launcher looks for it:
//   orlend-register-link PATH_OF_CEAPPMGR
#include <cstdio>
#include <string>

#include "platform/utf.h"
#include "platform/windows.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: orlend-register-link PATH_OF_CEAPPMGR\n");
    return 2;
  }
  std::u16string path = platform::Utf16FromUtf8(argv[1]);
  HKEY key;
  LONG r = RegCreateKeyExW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\CEAPPMGR.EXE",
                           0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr);
  if (r == ERROR_SUCCESS) {
    r = RegSetValueExW(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(path.c_str()),
                       static_cast<DWORD>((path.size() + 1) * sizeof(WCHAR)));
    RegCloseKey(key);
  }
  if (r != ERROR_SUCCESS) {
    std::fprintf(stderr, "orlend-register-link: cannot write the registry (error %ld)\n", static_cast<long>(r));
    return 1;
  }
  std::printf("registered the application manager: %s\n", argv[1]);
  return 0;
}
