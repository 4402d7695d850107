#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/file_faults.h"
#include "platform/utf.h"
#include "platform/windows.h"

namespace {

class KernelFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() /
           ("orlend_kernel_" + std::to_string(::getpid()) + "_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override {
    platform::ClearFileFaults();
    std::filesystem::remove_all(dir_);
  }
  std::u16string Path(const char* name) { return platform::Utf16FromUtf8((dir_ / name).string()); }
  std::filesystem::path dir_;
};

TEST_F(KernelFiles, WriteReadSeekAndSize) {
  std::u16string path = Path("a.bin");
  HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, CREATE_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  DWORD written = 0;
  ASSERT_TRUE(WriteFile(h, "\0\0\0\0hello", 9, &written, nullptr));
  EXPECT_EQ(written, 9u);
  EXPECT_EQ(SetFilePointer(h, 0, nullptr, FILE_BEGIN), 0u);
  int32_t count = 7;
  ASSERT_TRUE(WriteFile(h, &count, 4, &written, nullptr));
  EXPECT_EQ(GetFileSize(h, nullptr), 9u);
  ASSERT_TRUE(CloseHandle(h));
  EXPECT_FALSE(CloseHandle(h));  // a stale handle is refused, not a crash

  h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  char buffer[16] = {};
  DWORD read = 0;
  ASSERT_TRUE(ReadFile(h, buffer, sizeof buffer, &read, nullptr));
  EXPECT_EQ(read, 9u);
  EXPECT_EQ(buffer[0], 7);
  EXPECT_EQ(std::string(buffer + 4, 5), "hello");
  ASSERT_TRUE(ReadFile(h, buffer, sizeof buffer, &read, nullptr));  // at the end: 0 bytes, success
  EXPECT_EQ(read, 0u);
  CloseHandle(h);
}

// With an OVERLAPPED, a read or write moves bytes at its offset and leaves the file pointer; the
// injected faults count those bytes as any others.
TEST_F(KernelFiles, ReadAndWriteAtAnOffsetLeaveThePointer) {
  std::u16string path = Path("faulty-at.bin");
  HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  DWORD written = 0;
  ASSERT_TRUE(WriteFile(h, "0123456789", 10, &written, nullptr));
  OVERLAPPED at = {};
  at.Offset = 2;
  ASSERT_TRUE(WriteFile(h, "ab", 2, &written, &at));
  EXPECT_EQ(at.InternalHigh, 2u);
  ASSERT_TRUE(WriteFile(h, "Z", 1, &written, nullptr));  // still at the end
  CloseHandle(h);

  h = CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  char buffer[16] = {};
  DWORD read = 0;
  at.Offset = 8;
  ASSERT_TRUE(ReadFile(h, buffer, sizeof buffer, &read, &at));
  EXPECT_EQ(std::string(buffer, read), "89Z");
  ASSERT_TRUE(ReadFile(h, buffer, 4, &read, nullptr));
  EXPECT_EQ(std::string(buffer, read), "01ab");
  CloseHandle(h);

  platform::SetFileFaults({"faulty-at", -1, 3});
  h = CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  at.Offset = 4;
  EXPECT_FALSE(ReadFile(h, buffer, 6, &read, &at));
  EXPECT_EQ(read, 3u);
  EXPECT_EQ(std::string(buffer, read), "456");
  CloseHandle(h);
}

TEST_F(KernelFiles, CreationModesAndErrors) {
  std::u16string path = Path("b.txt");
  EXPECT_EQ(CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  CloseHandle(h);
  EXPECT_EQ(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_EXISTS));
  std::u16string folder = platform::Utf16FromUtf8(dir_.string());
  EXPECT_EQ(CreateFileW(folder.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr), INVALID_HANDLE_VALUE);
}

TEST_F(KernelFiles, BackslashesAndDoubledSlashesReachTheFile) {
  std::filesystem::create_directories(dir_ / "program files" / "dict");
  std::ofstream(dir_ / "program files" / "dict" / "x.dat") << "x";
  std::u16string path = platform::Utf16FromUtf8(dir_.string()) + u"\\program files//dict//x.dat";
  HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  CloseHandle(h);
}

TEST_F(KernelFiles, FindExactNameAndPattern) {
  std::ofstream(dir_ / "cedict.gb.dat") << "x";
  std::ofstream(dir_ / "cedict.b5.dat") << "yy";
  WIN32_FIND_DATAW data;
  std::u16string exact = Path("cedict.gb.dat");
  HANDLE f = FindFirstFileW(exact.c_str(), &data);
  ASSERT_NE(f, INVALID_HANDLE_VALUE);
  EXPECT_EQ(std::u16string(data.cFileName), u"cedict.gb.dat");
  EXPECT_EQ(data.nFileSizeLow, 1u);
  EXPECT_FALSE(FindNextFileW(f, &data));
  EXPECT_TRUE(FindClose(f));
  std::u16string upper = Path("CEDICT.GB.DAT");
  EXPECT_EQ(FindFirstFileW(upper.c_str(), &data), INVALID_HANDLE_VALUE);

  std::u16string pattern = Path("*.dat");
  f = FindFirstFileW(pattern.c_str(), &data);
  ASSERT_NE(f, INVALID_HANDLE_VALUE);
  int found = 1;
  while (FindNextFileW(f, &data)) ++found;
  EXPECT_EQ(found, 2);
  FindClose(f);
}

TEST_F(KernelFiles, ReplacingMoveAndDelete) {
  std::ofstream(dir_ / "old") << "old";
  std::ofstream(dir_ / "new") << "new";
  std::u16string from = Path("new"), to = Path("old");
  EXPECT_FALSE(MoveFileExW(from.c_str(), to.c_str(), 0));
  ASSERT_TRUE(MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING));
  std::ifstream in(dir_ / "old");
  std::string text;
  in >> text;
  EXPECT_EQ(text, "new");
  EXPECT_TRUE(DeleteFileW(to.c_str()));
  EXPECT_FALSE(DeleteFileW(to.c_str()));
}

TEST_F(KernelFiles, InjectedFullDiskAndReadError) {
  std::u16string path = Path("faulty.bin");
  platform::SetFileFaults({"faulty", 6, 3});
  HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  DWORD written = 0;
  EXPECT_TRUE(WriteFile(h, "abcd", 4, &written, nullptr));
  EXPECT_FALSE(WriteFile(h, "efgh", 4, &written, nullptr));
  EXPECT_EQ(written, 2u);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_DISK_FULL));
  CloseHandle(h);
  h = CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  char buffer[8];
  DWORD read = 0;
  EXPECT_FALSE(ReadFile(h, buffer, 6, &read, nullptr));
  EXPECT_EQ(read, 3u);
  CloseHandle(h);
}

// Ranges of a file the system has given back are asked of the disk together: a while after
// the hint they are in memory again, without a read of them. A file in memory is left alone,
// and what is read after the hint is the file.
TEST_F(KernelFiles, PrefetchBringsBackTheRangesOfAFileNotInMemory) {
  const std::string name = (dir_ / "ranges.bin").string();
  const size_t page = (size_t)::sysconf(_SC_PAGESIZE), pages = 256;
  std::string bytes(pages * page, '\0');
  for (size_t i = 0; i < bytes.size(); i++) bytes[i] = (char)(i * 7 + i / 4093);
  std::ofstream(name, std::ios::binary).write(bytes.data(), (std::streamsize)bytes.size());
  HANDLE h = CreateFileW(Path("ranges.bin").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  const FILE_RANGE ranges[] = {{3 * page + 100, 2 * page}, {100 * page, 10}, {250 * page, 6 * page}};
  EXPECT_TRUE(FileRangesInMemory(h, ranges, 3));
  EXPECT_TRUE(PrefetchFileRanges(h, ranges, 3));  // in memory: nothing asked

  // Written back and dropped from memory (where the system allows it: not on a memory file
  // system), then hinted.
  int fd = ::open(name.c_str(), O_RDONLY);
  ASSERT_GE(fd, 0);
  ::fsync(fd);
  ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
  void* view = ::mmap(nullptr, bytes.size(), PROT_READ, MAP_SHARED, fd, 0);
  ASSERT_NE(view, MAP_FAILED);
  std::vector<unsigned char> resident(pages);
  auto inMemory = [&](size_t first, size_t last) {
    ::mincore(view, bytes.size(), resident.data());
    for (size_t p = first; p <= last; p++)
      if (!(resident[p] & 1)) return false;
    return true;
  };
  if (inMemory(0, pages - 1)) {
    ::munmap(view, bytes.size());
    ::close(fd);
    CloseHandle(h);
    GTEST_SKIP() << "this file system keeps the file in memory";
  }
  EXPECT_FALSE(FileRangesInMemory(h, ranges, 3));
  EXPECT_TRUE(PrefetchFileRanges(h, ranges, 3));
  bool back = false;
  for (int wait = 0; wait < 200 && !back; wait++) {
    back = inMemory(3, 5) && inMemory(100, 100) && inMemory(250, 255);
    if (!back) ::usleep(5000);
  }
  EXPECT_TRUE(back) << "the ranges are not in memory a second after the hint";
  EXPECT_TRUE(!back || FileRangesInMemory(h, ranges, 3));
  ::munmap(view, bytes.size());
  ::close(fd);
  char got[16];
  DWORD read = 0;
  OVERLAPPED at = {};
  at.Offset = (DWORD)(250 * page + 3);
  ASSERT_TRUE(ReadFile(h, got, sizeof got, &read, &at));
  EXPECT_EQ(std::string(got, sizeof got), bytes.substr(250 * page + 3, sizeof got));
  CloseHandle(h);
  EXPECT_FALSE(PrefetchFileRanges(INVALID_HANDLE_VALUE, ranges, 3));
}

// Many ranges read in one call (more than one batch of the ring where the system offers it)
// land each in its own buffer as the file holds them; a range past the end, or a read error
// injected part-way, fails the call.
TEST_F(KernelFiles, ReadsManyRangesIntoTheirBuffers) {
  std::string bytes(1 << 20, '\0');
  for (size_t i = 0; i < bytes.size(); i++) bytes[i] = (char)(i * 13 + i / 4091);
  std::ofstream((dir_ / "many.bin").string(), std::ios::binary).write(bytes.data(), (std::streamsize)bytes.size());
  std::vector<FILE_RANGE> ranges;
  for (ULONGLONG k = 0; k < 150; k++) ranges.push_back({(k * 6977) % (bytes.size() - 5000), 1 + (k * 37) % 4999});
  std::vector<std::string> got;
  std::vector<void*> into;
  for (const FILE_RANGE& range : ranges) got.emplace_back(range.Bytes, '?');
  for (std::string& buffer : got) into.push_back(buffer.data());
  HANDLE h = CreateFileW(Path("many.bin").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  ASSERT_TRUE(ReadFileRanges(h, ranges.data(), into.data(), (DWORD)ranges.size()));
  for (size_t k = 0; k < ranges.size(); k++)
    ASSERT_EQ(got[k], bytes.substr(ranges[k].Offset, ranges[k].Bytes)) << k;
  ranges[120] = {bytes.size() - 10, 20};  // ends past the file
  EXPECT_FALSE(ReadFileRanges(h, ranges.data(), into.data(), (DWORD)ranges.size()));
  CloseHandle(h);

  ranges[120] = {0, 100};
  platform::SetFileFaults({"many", -1, 100000});
  h = CreateFileW(Path("many.bin").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  EXPECT_FALSE(ReadFileRanges(h, ranges.data(), into.data(), (DWORD)ranges.size()));
  CloseHandle(h);
}

// A view of a file cut short under it: a guarded read of its pages past the new end fails
// instead of ending the process, reads of the pages left still succeed, and the process goes
// on, a second guarded read included.
TEST_F(KernelFiles, AGuardedReadOfAViewCutShortFailsInsteadOfEndingTheProcess) {
  std::string bytes(64 << 10, 'x');
  std::ofstream((dir_ / "cut.bin").string(), std::ios::binary).write(bytes.data(), (std::streamsize)bytes.size());
  HANDLE h = CreateFileW(Path("cut.bin").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  HANDLE mapping = CreateFileMappingW(h, nullptr, PAGE_READONLY, 0, 0, nullptr);
  ASSERT_NE(mapping, nullptr);
  const char* view = static_cast<const char*>(MapViewOfFile(mapping, FILE_MAP_READ | FILE_MAP_ON_DEMAND, 0, 0, 0));
  ASSERT_NE(view, nullptr);
  std::filesystem::resize_file(dir_ / "cut.bin", 4096);
  struct Read {
    const char* at;
    size_t bytes;
    long sum;
  };
  auto sum = [](void* context) -> BOOL {
    Read& r = *static_cast<Read*>(context);
    for (size_t i = 0; i < r.bytes; i += 512) r.sum += r.at[i];
    return TRUE;
  };
  for (int round = 0; round < 2; round++) {
    Read past{view, bytes.size(), 0};
    EXPECT_FALSE(ReadMappedGuarded(sum, &past)) << round;
    Read kept{view, 4096, 0};
    EXPECT_TRUE(ReadMappedGuarded(sum, &kept)) << round;
    EXPECT_EQ(8 * 'x', kept.sum) << round;
  }
  UnmapViewOfFile(view);
  CloseHandle(mapping);
  CloseHandle(h);
}

TEST(KernelModules, ProgramFileNameAndMissingLibrary) {
  WCHAR name[MAX_PATH];
  DWORD n = GetModuleFileNameW(nullptr, name, MAX_PATH);
  ASSERT_GT(n, 0u);
  EXPECT_EQ(name[0], u'/');
  EXPECT_NE(std::u16string(name).find(u"platform_tests"), std::u16string::npos);
  WCHAR small[4];
  EXPECT_EQ(GetModuleFileNameW(nullptr, small, 4), 4u);
  EXPECT_EQ(small[3], 0);
  EXPECT_EQ(LoadLibraryW(u"/nonexistent/rapi.dll"), nullptr);
  EXPECT_EQ(GetProcAddress(nullptr, "CeRapiInit"), nullptr);
}

TEST(KernelModules, NativeCodeOnlyWhenAskedFor) {
  EXPECT_EQ(LoadLibraryW(u"libc.so.6"), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
  HMODULE libc = LoadLibraryExW(u"libc.so.6", nullptr, LOAD_LIBRARY_NATIVE_CODE);
  ASSERT_NE(libc, nullptr);
  EXPECT_NE(GetProcAddress(libc, "strlen"), nullptr);
  EXPECT_EQ(GetProcAddress(libc, "NoSuchEntry"), nullptr);
  EXPECT_TRUE(FreeLibrary(libc));
}

// A shared object planted as a skin library is refused like a missing one, and its code
// never runs; asked for as native code, the same file would run.
TEST_F(KernelFiles, APlantedSharedObjectNeverRunsAsAResourceLibrary) {
  std::filesystem::create_directories(dir_ / "dlls");
  std::filesystem::copy_file(PLANTED_LIBRARY, dir_ / "dlls" / "tovu.dll");
  std::filesystem::path mark = dir_ / "ran";
  ::setenv("ORLEND_PLANTED_MARK", mark.c_str(), 1);
  std::u16string planted = Path("dlls/tovu.dll");
  EXPECT_EQ(LoadLibraryW(planted.c_str()), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
  EXPECT_EQ(LoadLibraryExW(planted.c_str(), nullptr, 0), nullptr);
  EXPECT_FALSE(std::filesystem::exists(mark));
  HMODULE native = LoadLibraryExW(planted.c_str(), nullptr, LOAD_LIBRARY_NATIVE_CODE);
  EXPECT_NE(native, nullptr);
  EXPECT_TRUE(std::filesystem::exists(mark));
  if (native) FreeLibrary(native);
  ::unsetenv("ORLEND_PLANTED_MARK");
}

TEST(KernelStrings, FormatsTheProgramsUse) {
  WCHAR buffer[64];
  EXPECT_EQ(wsprintfW(buffer, u"(%d seach results)", 27), 18);
  EXPECT_EQ(std::u16string(buffer), u"(27 seach results)");
  wsprintfW(buffer, u"Build: %d.%d.%d", 1, 2, 679);
  EXPECT_EQ(std::u16string(buffer), u"Build: 1.2.679");
  wsprintfW(buffer, u"res/%d.wav|%s|%03d|%x|%%", 6, u"中", 7, 255);
  EXPECT_EQ(std::u16string(buffer), u"res/6.wav|中|007|ff|%");
  EXPECT_EQ(lstrcmpiW(u"MingLiU", u"MINGLIU"), 0);
  EXPECT_NE(lstrcmpW(u"MingLiU", u"MingLiu"), 0);
}

}  // namespace
