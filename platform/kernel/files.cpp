#include <fcntl.h>
#include <setjmp.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>
#include <liburing.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstdio>
#include <map>
#include <mutex>

#include "kernel/kernel_object.h"
#include "platform/file_faults.h"
#include "platform/utf.h"

namespace platform {
namespace {

std::mutex g_faultMutex;
FileFaults g_faults;
bool g_faultsActive = false;
long long g_writtenToFaulty = 0;

class File : public KernelObject {
 public:
  File(int fd, std::string path, bool faulty) : KernelObject(Kind::File), fd(fd), path(std::move(path)), faulty(faulty) {}
  ~File() override {
    if (fd >= 0) ::close(fd);
  }
  int fd;
  std::string path;
  bool faulty;
};

File* AsFile(HANDLE h) { return static_cast<File*>(LookUpHandle(h, KernelObject::Kind::File)); }

// How many of `want` bytes the injected faults let through; -1 budgets mean no limit.
DWORD Allowance(File* f, DWORD want, bool write) {
  if (!f->faulty) return want;
  std::lock_guard<std::mutex> lock(g_faultMutex);
  long long budget = write ? g_faults.writeBudget : g_faults.readBudget;
  if (budget < 0) return want;
  return budget < static_cast<long long>(want) ? static_cast<DWORD>(budget) : want;
}

// Only bytes that really moved cost budget: a read that meets the end of the file keeps the rest.
void Charge(File* f, DWORD moved, bool write) {
  if (!f->faulty) return;
  std::lock_guard<std::mutex> lock(g_faultMutex);
  long long& budget = write ? g_faults.writeBudget : g_faults.readBudget;
  if (budget >= 0) budget -= moved < budget ? moved : budget;
  if (write) g_writtenToFaulty += moved;
}

// The pause, taken out once it is due, so that it runs without the lock and only once.
std::function<void()> DuePause(File* f) {
  std::function<void()> pause;
  if (!f->faulty) return pause;
  std::lock_guard<std::mutex> lock(g_faultMutex);
  if (g_faults.pause && g_faults.pauseAfter >= 0 && g_writtenToFaulty >= g_faults.pauseAfter) {
    pause = std::move(g_faults.pause);
    g_faults.pause = nullptr;
  }
  return pause;
}

}  // namespace

void SetFileFaults(const FileFaults& faults) {
  std::lock_guard<std::mutex> lock(g_faultMutex);
  g_faults = faults;
  g_faultsActive = true;
  g_writtenToFaulty = 0;
}

void ClearFileFaults() {
  std::lock_guard<std::mutex> lock(g_faultMutex);
  g_faults = FileFaults();
  g_faultsActive = false;
}

}  // namespace platform

using namespace platform;

HANDLE CreateFileW(LPCWSTR name, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES, DWORD creation,
                   DWORD, HANDLE) {
  (void)share;  // Linux has no share modes; every open is shared.
  if (!name || !*name) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  std::string path = NativePath(name);
  int flags = O_CLOEXEC;
  bool read = access & GENERIC_READ, write = access & GENERIC_WRITE;
  flags |= read && write ? O_RDWR : write ? O_WRONLY : O_RDONLY;
  switch (creation) {
    case CREATE_NEW: flags |= O_CREAT | O_EXCL; break;
    case CREATE_ALWAYS: flags |= O_CREAT | O_TRUNC; break;
    case OPEN_EXISTING: break;
    case OPEN_ALWAYS: flags |= O_CREAT; break;
    case TRUNCATE_EXISTING: flags |= O_TRUNC; break;
    default: SetLastError(ERROR_INVALID_PARAMETER); return INVALID_HANDLE_VALUE;
  }
  // Never blocking: a FIFO's open would wait for its other end for ever.
  int fd = ::open(path.c_str(), flags | O_NONBLOCK, 0644);
  if (fd < 0) {
    SetLastErrorFromErrno(errno);
    return INVALID_HANDLE_VALUE;
  }
  struct stat st;
  // A file read must be a regular file: a FIFO or a device has no size and may never end.
  if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode) || (read && !S_ISREG(st.st_mode))) {
    ::close(fd);
    SetLastError(ERROR_ACCESS_DENIED);
    return INVALID_HANDLE_VALUE;
  }
  ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  bool faulty;
  {
    std::lock_guard<std::mutex> lock(g_faultMutex);
    faulty = g_faultsActive && (g_faults.pathContains.empty() ||
                                path.find(g_faults.pathContains) != std::string::npos);
  }
  SetLastError(ERROR_SUCCESS);
  return new File(fd, path, faulty);
}

// Where an OVERLAPPED asks the bytes to be moved (-1: at the file pointer).
static off_t OverlappedOffset(LPOVERLAPPED overlapped) {
  return overlapped ? static_cast<off_t>((static_cast<uint64_t>(overlapped->OffsetHigh) << 32) | overlapped->Offset)
                    : -1;
}

BOOL ReadFile(HANDLE h, LPVOID buffer, DWORD toRead, LPDWORD readOut, LPOVERLAPPED overlapped) {
  if (readOut) *readOut = 0;
  File* f = AsFile(h);
  if (!f || (!buffer && toRead)) return FALSE;
  const off_t at = OverlappedOffset(overlapped);
  DWORD allowed = Allowance(f, toRead, false);
  DWORD total = 0;
  while (total < allowed) {
    char* into = static_cast<char*>(buffer) + total;
    ssize_t n = at < 0 ? ::read(f->fd, into, allowed - total) : ::pread(f->fd, into, allowed - total, at + total);
    if (n < 0) {
      if (errno == EINTR) continue;
      SetLastErrorFromErrno(errno);
      if (readOut) *readOut = total;
      return FALSE;
    }
    if (n == 0) break;
    total += static_cast<DWORD>(n);
  }
  Charge(f, total, false);
  if (readOut) *readOut = total;
  if (overlapped) overlapped->InternalHigh = total;
  if (allowed < toRead && total == allowed) {
    SetLastError(ERROR_READ_FAULT);
    return FALSE;
  }
  return TRUE;
}

BOOL WriteFile(HANDLE h, LPCVOID buffer, DWORD toWrite, LPDWORD writtenOut, LPOVERLAPPED overlapped) {
  if (writtenOut) *writtenOut = 0;
  File* f = AsFile(h);
  if (!f || (!buffer && toWrite)) return FALSE;
  const off_t at = OverlappedOffset(overlapped);
  DWORD allowed = Allowance(f, toWrite, true);
  DWORD total = 0;
  while (total < allowed) {
    const char* from = static_cast<const char*>(buffer) + total;
    ssize_t n = at < 0 ? ::write(f->fd, from, allowed - total) : ::pwrite(f->fd, from, allowed - total, at + total);
    if (n < 0) {
      if (errno == EINTR) continue;
      SetLastErrorFromErrno(errno);
      if (writtenOut) *writtenOut = total;
      return FALSE;
    }
    total += static_cast<DWORD>(n);
  }
  Charge(f, total, true);
  if (std::function<void()> pause = DuePause(f)) pause();
  if (writtenOut) *writtenOut = total;
  if (overlapped) overlapped->InternalHigh = total;
  if (allowed < toWrite) {
    SetLastError(ERROR_DISK_FULL);
    return FALSE;
  }
  return TRUE;
}

DWORD SetFilePointer(HANDLE h, LONG distance, LPLONG distanceHigh, DWORD method) {
  File* f = AsFile(h);
  if (!f) return INVALID_SET_FILE_POINTER;
  off_t offset = distanceHigh ? static_cast<off_t>((static_cast<uint64_t>(static_cast<uint32_t>(*distanceHigh)) << 32) |
                                                   static_cast<uint32_t>(distance))
                              : static_cast<off_t>(distance);
  int whence = method == FILE_BEGIN ? SEEK_SET : method == FILE_CURRENT ? SEEK_CUR : SEEK_END;
  off_t r = ::lseek(f->fd, offset, whence);
  if (r < 0) {
    SetLastErrorFromErrno(errno);
    return INVALID_SET_FILE_POINTER;
  }
  if (distanceHigh) *distanceHigh = static_cast<LONG>(static_cast<uint64_t>(r) >> 32);
  SetLastError(ERROR_SUCCESS);
  return static_cast<DWORD>(r);
}

DWORD GetFileSize(HANDLE h, LPDWORD sizeHigh) {
  File* f = AsFile(h);
  if (!f) return INVALID_FILE_SIZE;
  struct stat st;
  if (::fstat(f->fd, &st) != 0) {
    SetLastErrorFromErrno(errno);
    return INVALID_FILE_SIZE;
  }
  if (sizeHigh) *sizeHigh = static_cast<DWORD>(static_cast<uint64_t>(st.st_size) >> 32);
  SetLastError(ERROR_SUCCESS);
  return static_cast<DWORD>(st.st_size);
}

BOOL FlushFileBuffers(HANDLE h) {
  File* f = AsFile(h);
  if (!f) return FALSE;
  if (::fsync(f->fd) != 0) {
    SetLastErrorFromErrno(errno);
    return FALSE;
  }
  return TRUE;
}

namespace {
// A file the system gave back is gone whole, as a file just read is there whole: the first
// byte of the first, middle and last range tell which (a read that takes only what is in
// memory). Asking whether every page is there would look each up: 0.3 ms for 中's spans.
bool RangesMissing(File* f, const FILE_RANGE* ranges, DWORD count) {
  bool missing = false;
  for (DWORD i : {0u, count / 2, count - 1}) {
    if (i >= count || missing || ranges[i].Bytes == 0) continue;
    char byte;
    struct iovec into = {&byte, 1};
    missing = ::preadv2(f->fd, &into, 1, static_cast<off_t>(ranges[i].Offset), RWF_NOWAIT) < 0 && errno == EAGAIN;
  }
  return missing;
}
}  // namespace

BOOL FileRangesInMemory(HANDLE h, const FILE_RANGE* ranges, DWORD count) {
  File* f = AsFile(h);
  // A file whose reads are made to fail is taken as there: its reader reads it, and meets them.
  return f && (ranges || !count) && (f->faulty || !RangesMissing(f, ranges, count));
}

BOOL PrefetchFileRanges(HANDLE h, const FILE_RANGE* ranges, DWORD count) {
  File* f = AsFile(h);
  if (!f || f->faulty || (!ranges && count)) return FALSE;
  const bool missing = RangesMissing(f, ranges, count);
  for (DWORD i = 0; missing && i < count; i++)
    if (ranges[i].Bytes > 0)
      ::posix_fadvise(f->fd, static_cast<off_t>(ranges[i].Offset), static_cast<off_t>(ranges[i].Bytes),
                      POSIX_FADV_WILLNEED);
  return TRUE;
}

namespace {

// Reads one range whole with ReadFile at its offset.
bool ReadRange(HANDLE h, const FILE_RANGE& range, void* into) {
  OVERLAPPED at = {};
  at.Offset = static_cast<DWORD>(range.Offset);
  at.OffsetHigh = static_cast<DWORD>(range.Offset >> 32);
  DWORD done = 0;
  return ReadFile(h, into, static_cast<DWORD>(range.Bytes), &done, &at) && done == range.Bytes;
}

// The ranges read through one io_uring, a ring's worth per submission: each read the ring
// did not do whole (cut short, refused, not submitted) is done again alone, which reads on or
// says why it cannot. 1 when all were read, 0 when a read failed alone too, -1 when there is no
// ring (the kernel or a sandbox refuses it) and nothing was read.
int ReadRangesThroughRing(HANDLE h, File* f, const FILE_RANGE* ranges, void* const* into, DWORD count) {
  const unsigned kRing = 64;
  io_uring ring;
  if (io_uring_queue_init(kRing, &ring, IORING_SETUP_SINGLE_ISSUER) != 0 && io_uring_queue_init(kRing, &ring, 0) != 0)
    return -1;
  bool read = true, usable = true;
  for (DWORD first = 0; read && first < count; first += kRing) {
    const DWORD last = std::min<DWORD>(first + kRing, count);
    bool whole[kRing] = {};
    int submitted = 0;
    if (usable) {
      for (DWORD i = first; i < last; i++) {
        io_uring_sqe* sqe = io_uring_get_sqe(&ring);
        io_uring_prep_read(sqe, f->fd, into[i], static_cast<unsigned>(ranges[i].Bytes), ranges[i].Offset);
        io_uring_sqe_set_data64(sqe, i - first);
      }
      submitted = io_uring_submit(&ring);
      usable = submitted == static_cast<int>(last - first);
    }
    for (int k = 0; k < submitted; k++) {
      io_uring_cqe* cqe = nullptr;
      int waited;
      while ((waited = io_uring_wait_cqe(&ring, &cqe)) == -EINTR) {
      }
      if (waited != 0) {
        usable = false;
        break;
      }
      const uint64_t j = io_uring_cqe_get_data64(cqe);
      if (j < last - first && cqe->res >= 0 && static_cast<ULONGLONG>(cqe->res) == ranges[first + j].Bytes) whole[j] = true;
      io_uring_cqe_seen(&ring, cqe);
    }
    for (DWORD i = first; read && i < last; i++)
      if (!whole[i - first]) read = ReadRange(h, ranges[i], into[i]);
  }
  io_uring_queue_exit(&ring);
  return read ? 1 : 0;
}

}  // namespace

BOOL ReadFileRanges(HANDLE h, const FILE_RANGE* ranges, void* const* into, DWORD count) {
  File* f = AsFile(h);
  if (!f || (count && (!ranges || !into))) return FALSE;
  // Each read call costs about 2 µs here, more than the copy of the few KiB it reads; a ring
  // takes about 0.1 ms to set up. Injected faults are counted read by read.
  bool small = true;
  for (DWORD i = 0; small && i < count; i++) small = ranges[i].Bytes <= (1u << 30);
  // A ring that read on until a read failed is not read again range by range.
  const int ring = count >= 64 && small && !f->faulty ? ReadRangesThroughRing(h, f, ranges, into, count) : -1;
  if (ring >= 0) return ring ? TRUE : FALSE;
  for (DWORD i = 0; i < count; i++)
    if (!ReadRange(h, ranges[i], into[i])) return FALSE;
  return TRUE;
}

BOOL DeleteFileW(LPCWSTR name) {
  if (::unlink(NativePath(name).c_str()) != 0) {
    SetLastErrorFromErrno(errno);
    return FALSE;
  }
  return TRUE;
}

BOOL MoveFileExW(LPCWSTR from, LPCWSTR to, DWORD flags) {
  std::string target = NativePath(to);
  if (!(flags & MOVEFILE_REPLACE_EXISTING) && ::access(target.c_str(), F_OK) == 0) {
    SetLastError(ERROR_ALREADY_EXISTS);
    return FALSE;
  }
  if (std::rename(NativePath(from).c_str(), target.c_str()) != 0) {
    SetLastErrorFromErrno(errno);
    return FALSE;
  }
  return TRUE;
}

BOOL CreateHardLinkW(LPCWSTR newName, LPCWSTR existing, LPSECURITY_ATTRIBUTES) {
  if (::link(NativePath(existing).c_str(), NativePath(newName).c_str()) != 0) {
    SetLastErrorFromErrno(errno);
    return FALSE;
  }
  return TRUE;
}

BOOL CreateDirectoryW(LPCWSTR name, LPSECURITY_ATTRIBUTES) {
  if (::mkdir(NativePath(name).c_str(), 0755) != 0) {
    SetLastError(errno == EEXIST ? ERROR_ALREADY_EXISTS : ERROR_PATH_NOT_FOUND);
    return FALSE;
  }
  return TRUE;
}

DWORD GetFileAttributesW(LPCWSTR name) {
  struct stat st;
  if (::stat(NativePath(name).c_str(), &st) != 0) {
    SetLastErrorFromErrno(errno);
    return INVALID_FILE_ATTRIBUTES;
  }
  DWORD attributes = S_ISDIR(st.st_mode) ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_NORMAL;
  if (!(st.st_mode & S_IWUSR)) attributes |= FILE_ATTRIBUTE_READONLY;
  return attributes;
}

BOOL CloseHandle(HANDLE h) {
  auto* object = static_cast<KernelObject*>(h);
  for (auto kind : {KernelObject::Kind::File, KernelObject::Kind::Event, KernelObject::Kind::Process,
                    KernelObject::Kind::FileMapping})
    if (LookUpHandle(h, kind)) {
      delete object;
      SetLastError(ERROR_SUCCESS);
      return TRUE;
    }
  SetLastError(ERROR_INVALID_HANDLE);
  return FALSE;
}

FILETIME platform::FileTimeFromUnix(long long seconds, long nanoseconds) {
  uint64_t units = (static_cast<uint64_t>(seconds) + 11644473600ULL) * 10000000ULL + nanoseconds / 100;
  return FILETIME{static_cast<DWORD>(units), static_cast<DWORD>(units >> 32)};
}

void GetSystemTimeAsFileTime(LPFILETIME time) {
  struct timespec now;
  ::clock_gettime(CLOCK_REALTIME, &now);
  *time = FileTimeFromUnix(now.tv_sec, now.tv_nsec);
}

BOOL GetFileInformationByHandle(HANDLE h, LPBY_HANDLE_FILE_INFORMATION information) {
  File* f = AsFile(h);
  if (!f || !information) return FALSE;
  struct stat st;
  if (::fstat(f->fd, &st) != 0) {
    SetLastErrorFromErrno(errno);
    return FALSE;
  }
  auto fileTime = [](const struct timespec& t) { return FileTimeFromUnix(t.tv_sec, t.tv_nsec); };
  *information = BY_HANDLE_FILE_INFORMATION{};
  information->dwFileAttributes = S_ISDIR(st.st_mode) ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_NORMAL;
  information->ftCreationTime = fileTime(st.st_ctim);
  information->ftLastAccessTime = fileTime(st.st_atim);
  information->ftLastWriteTime = fileTime(st.st_mtim);
  information->dwVolumeSerialNumber = static_cast<DWORD>(st.st_dev);
  information->nFileSizeHigh = static_cast<DWORD>(static_cast<uint64_t>(st.st_size) >> 32);
  information->nFileSizeLow = static_cast<DWORD>(st.st_size);
  information->nNumberOfLinks = static_cast<DWORD>(st.st_nlink);
  information->nFileIndexHigh = static_cast<DWORD>(static_cast<uint64_t>(st.st_ino) >> 32);
  information->nFileIndexLow = static_cast<DWORD>(st.st_ino);
  SetLastError(ERROR_SUCCESS);
  return TRUE;
}

namespace platform {
namespace {

class FileMapping : public KernelObject {
 public:
  FileMapping(int fd, size_t size) : KernelObject(Kind::FileMapping), fd(fd), size(size) {}
  ~FileMapping() override { ::close(fd); }
  int fd;
  size_t size;
};

// Views still mapped, with their sizes, for UnmapViewOfFile.
std::mutex g_viewMutex;
std::map<const void*, size_t> g_views;

}  // namespace
}  // namespace platform

HANDLE CreateFileMappingW(HANDLE h, LPSECURITY_ATTRIBUTES, DWORD protect, DWORD maximumSizeHigh,
                          DWORD maximumSizeLow, LPCWSTR name) {
  File* f = AsFile(h);
  if (!f || protect != PAGE_READONLY || maximumSizeHigh != 0 || maximumSizeLow != 0 || name) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  struct stat st;
  if (::fstat(f->fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size == 0 || st.st_size >= (1LL << 32)) {
    SetLastError(ERROR_INVALID_PARAMETER);  // the platform refuses an empty file's mapping too
    return nullptr;
  }
  // The view is the whole file read at once: a read that would fail on the way fails here,
  // since a view has no later read to report it.
  DWORD size = static_cast<DWORD>(st.st_size);
  if (Allowance(f, size, false) < size) {
    SetLastError(ERROR_READ_FAULT);
    return nullptr;
  }
  Charge(f, size, false);
  int fd = ::dup(f->fd);
  if (fd < 0) {
    SetLastErrorFromErrno(errno);
    return nullptr;
  }
  ::fcntl(fd, F_SETFD, FD_CLOEXEC);
  SetLastError(ERROR_SUCCESS);
  return new FileMapping(fd, static_cast<size_t>(st.st_size));
}

LPVOID MapViewOfFile(HANDLE h, DWORD access, DWORD offsetHigh, DWORD offsetLow, SIZE_T bytes) {
  auto* m = static_cast<FileMapping*>(LookUpHandle(h, KernelObject::Kind::FileMapping));
  bool onDemand = (access & FILE_MAP_ON_DEMAND) != 0, large = (access & FILE_MAP_LARGE_PAGES) != 0;
  access &= ~static_cast<DWORD>(FILE_MAP_ON_DEMAND | FILE_MAP_LARGE_PAGES);
  if (!m || access != FILE_MAP_READ || offsetHigh != 0 || offsetLow != 0 || (bytes != 0 && bytes != m->size)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  void* view = ::mmap(nullptr, m->size, PROT_READ, MAP_PRIVATE | (onDemand ? 0 : MAP_POPULATE), m->fd, 0);
  if (view == MAP_FAILED) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  if (large) ::madvise(view, m->size, MADV_HUGEPAGE);  // a hint: without it the view still reads
  std::lock_guard<std::mutex> lock(g_viewMutex);
  g_views[view] = m->size;
  SetLastError(ERROR_SUCCESS);
  return view;
}

BOOL ViewMapsLargePages(LPCVOID view, SIZE_T bytes) {
  const uintptr_t huge = 2u << 20, start = (reinterpret_cast<uintptr_t>(view) + huge - 1) & ~(huge - 1);
  if (!view || start + huge > reinterpret_cast<uintptr_t>(view) + bytes) return TRUE;
  rusage before, after;
  if (::getrusage(RUSAGE_THREAD, &before) != 0) return TRUE;
  for (uintptr_t at = start; at < start + huge; at += huge / 4) (void)*reinterpret_cast<const volatile char*>(at);
  if (::getrusage(RUSAGE_THREAD, &after) != 0) return TRUE;
  return after.ru_minflt + after.ru_majflt - before.ru_minflt - before.ru_majflt <= 1;
}

namespace {
// Where a guarded read goes back to when a page of a view cannot be read (SIGBUS).
thread_local sigjmp_buf* t_readGuard = nullptr;

void OnBusError(int signal, siginfo_t*, void*) {
  if (t_readGuard) siglongjmp(*t_readGuard, 1);
  // Not in a guarded read: the process ends as it would have.
  ::signal(signal, SIG_DFL);
  ::raise(signal);
}
}  // namespace

BOOL ReadMappedGuarded(BOOL (*read)(void* context), void* context) {
  struct sigaction guard = {}, before = {};
  guard.sa_sigaction = OnBusError;
  guard.sa_flags = SA_SIGINFO | SA_NODEFER;
  sigemptyset(&guard.sa_mask);
  if (t_readGuard || ::sigaction(SIGBUS, &guard, &before) != 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  sigjmp_buf back;
  BOOL result = FALSE;
  if (sigsetjmp(back, 1) == 0) {
    t_readGuard = &back;
    result = read(context);
  } else {
    SetLastError(ERROR_READ_FAULT);
  }
  t_readGuard = nullptr;
  ::sigaction(SIGBUS, &before, nullptr);
  return result;
}

BOOL UnmapViewOfFile(LPCVOID view) {
  size_t size;
  {
    std::lock_guard<std::mutex> lock(g_viewMutex);
    auto it = g_views.find(view);
    if (it == g_views.end()) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return FALSE;
    }
    size = it->second;
    g_views.erase(it);
  }
  ::munmap(const_cast<void*>(view), size);
  return TRUE;
}
