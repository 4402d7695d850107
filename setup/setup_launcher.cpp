#include "setup/setup_launcher.h"

#include <cstdio>
#include <string>

#include "platform/utf.h"

namespace {

const WCHAR kAppManagerKey[] = u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\CEAPPMGR.EXE";

// The launcher's own reports, in the platform's box as the missing link is.
void Report(const WCHAR* text) { MessageBoxW(nullptr, text, u"Installation", MB_OK | MB_ICONHAND); }

void ReportMissingLink() {
  MessageBoxW(nullptr, u"Can not find ActiveSync. Please reinstall ActiveSync and than run this installation again.",
              u"Installation", MB_OK | MB_ICONHAND);
}

// The application manager's path from the registry's default value, or false.
bool ReadAppManagerPath(std::u16string& path) {
  HKEY key;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kAppManagerKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  WCHAR buffer[MAX_PATH];
  DWORD size = sizeof buffer;
  LONG result = RegQueryValueExW(key, nullptr, nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), &size);
  RegCloseKey(key);
  if (result != ERROR_SUCCESS) return false;
  // The value need not carry its terminator; never read past what was returned.
  size_t units = size / sizeof(WCHAR);
  path.assign(buffer, units);
  size_t end = path.find(u'\0');
  if (end != std::u16string::npos) path.resize(end);
  return true;
}

}  // namespace

int SetupLauncherMain(HINSTANCE, LPWSTR commandLine, int) {
  std::u16string application;
  if (!ReadAppManagerPath(application)) {
    ReportMissingLink();
    return 0;
  }
  // The command line cannot carry a double quote inside a quoted path: it would end the
  // path and start arguments of its own.
  if (application.find(u'"') != std::u16string::npos) {
    Report(u"The application manager's path holds a double quote (\"), which cannot be passed on a command line. Nothing was installed.");
    return 0;
  }
  std::u16string argument;
  if (!commandLine || !*commandLine) {
    WCHAR folder[MAX_PATH * 4];
    DWORD n = GetCurrentDirectoryW(MAX_PATH * 4, folder);
    if (n == 0 || n >= MAX_PATH * 4) {
      Report(u"The current folder cannot be read, or its name is too long. Nothing was installed.");
      return 0;
    }
    std::u16string current(folder, n);
    if (current.find(u'"') != std::u16string::npos) {
      Report(u"The name of the current folder holds a double quote (\"), which cannot be passed to the application manager. Move the installation files to another folder. Nothing was installed.");
      return 0;
    }
    argument = u"\"" + current + u"\\install.ini\"";
  } else {
    argument = commandLine;
  }
  std::u16string line = application + u" " + argument;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  if (!CreateProcessW(application.c_str(), line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                      &info)) {
    // Nothing is shown to the user here; a line on standard error says why.
    std::fprintf(stderr, "orlend-setup: could not start the application manager %s (error %u)\n",
                 platform::Utf8FromUtf16(application).c_str(), static_cast<unsigned>(GetLastError()));
    return 0;
  }
  CloseHandle(info.hProcess);
  return 0;
}
