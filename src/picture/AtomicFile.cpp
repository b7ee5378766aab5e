#include "picture/AtomicFile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <random>
#include <vector>

#include "picture/FileAttributes.h"
#include "picture/RemovedOnSignal.h"

namespace tessaro {

namespace {

namespace fs = std::filesystem;

// The kernel gives up after 40 links in one path; so do we.
constexpr int kMaxLinkHops = 40;

FileError failure(FileFault fault, int sysError = 0) {
  FileError e;
  e.fault = fault;
  e.sysError = sysError;
  return e;
}

FileError systemFailure(int sysError) { return failure(FileFault::WriteFailed, sysError); }

// Closes a descriptor when it goes out of scope.
class Descriptor {
 public:
  explicit Descriptor(int fd) : fd_(fd) {}
  ~Descriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int get() const { return fd_; }
  bool valid() const { return fd_ >= 0; }
  // Closes now so that a failing close is noticed: its errno, or 0.
  int close() {
    const int fd = fd_;
    fd_ = -1;
    return ::close(fd) == 0 ? 0 : errno;
  }

 private:
  int fd_;
};

// The file a save finally writes: the end of a chain of links, which need not exist yet.
struct Target {
  fs::path folder;
  std::string name;
  bool exists = false;
  struct stat st {};
};

// Follows symbolic links so that saving through one writes the file it names and keeps the link.
int resolve(const std::string& fileName, Target& t) {
  fs::path p(fileName);
  for (int hops = 0;; ++hops) {
    if (::lstat(p.c_str(), &t.st) != 0) {
      if (errno != ENOENT) return errno;
      break;
    }
    if (!S_ISLNK(t.st.st_mode)) {
      t.exists = true;
      break;
    }
    if (hops == kMaxLinkHops) return ELOOP;
    std::error_code ec;
    const fs::path next = fs::read_symlink(p, ec);
    if (ec) return ec.value();
    p = next.is_absolute() ? next : p.parent_path() / next;
  }
  t.folder = p.parent_path().empty() ? fs::path(".") : p.parent_path();
  t.name = p.filename().string();
  return t.name.empty() ? ENOENT : 0;
}

// A device or FIFO is written into, as cp does; replacing it would cut off what it leads to.
bool writtenInto(const std::string& fileName) {
  struct stat st {};
  return ::stat(fileName.c_str(), &st) == 0 && (S_ISCHR(st.st_mode) || S_ISFIFO(st.st_mode));
}

// Root may write to any file, so a file without a single write bit counts as protected as well.
FileError checkWritable(int folder, const Target& t) {
  const mode_t mode = t.st.st_mode;
  const bool ownerMayNot = t.st.st_uid == ::geteuid() && !(mode & S_IWUSR);
  if ((mode & 0222) == 0 || ownerMayNot) return failure(FileFault::WriteProtected);
  if (::faccessat(folder, t.name.c_str(), W_OK, AT_EACCESS) == 0) return {};
  if (errno == EACCES || errno == EPERM) return failure(FileFault::WriteProtected);
  return systemFailure(errno);
}

// A short name, so that a target name of up to 255 bytes still leaves room for it.
std::string temporaryName() {
  static thread_local std::mt19937_64 random(std::random_device{}() ^ (static_cast<uint64_t>(::getpid()) << 32));
  static const char digits[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  uint64_t r = random();
  std::string name = ".tessaro-";
  for (int i = 0; i < 8; ++i, r /= 36) name += digits[r % 36];
  return name;
}

// Copying over the file in place must not run out of room half way, so the room is checked,
// and taken where the file system can, before the first byte changes.
int reserveSpace(int fd, const struct stat& old, off_t size) {
  struct statvfs vfs {};
  if (::fstatvfs(fd, &vfs) != 0) return errno;
  const uint64_t freeBlocks = ::geteuid() == 0 ? vfs.f_bfree : vfs.f_bavail;
  const uint64_t room = freeBlocks * vfs.f_frsize + static_cast<uint64_t>(old.st_blocks) * 512;
  if (room < static_cast<uint64_t>(size)) return ENOSPC;
  if (size == 0 || ::fallocate(fd, FALLOC_FL_KEEP_SIZE, 0, size) == 0) return 0;
  return errno == EOPNOTSUPP || errno == ENOSYS ? 0 : errno;
}

int copyBytes(int from, int to, off_t size) {
  std::vector<char> buf(1 << 16);
  for (off_t pos = 0; pos < size;) {
    const ssize_t got = ::pread(from, buf.data(), buf.size(), pos);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return got < 0 ? errno : EIO;
    for (ssize_t done = 0; done < got;) {
      const ssize_t put = ::pwrite(to, buf.data() + done, static_cast<size_t>(got - done), pos + done);
      if (put < 0 && errno == EINTR) continue;
      if (put <= 0) return put < 0 ? errno : EIO;
      done += put;
    }
    pos += got;
  }
  return 0;
}

// Hard links share one file, and a rename would leave the other names with the old contents;
// so the finished temporary is copied over the file itself. The lock makes a second save of the
// same file wait until this copy is complete, so the two never mix.
int copyOver(int folder, const Target& t, int tmpFd) {
  struct stat tmp {};
  if (::fstat(tmpFd, &tmp) != 0) return errno;
  Descriptor target(::openat(folder, t.name.c_str(), O_WRONLY | O_CLOEXEC | O_NOFOLLOW));
  if (!target.valid()) return errno;
  while (::flock(target.get(), LOCK_EX) != 0)
    if (errno != EINTR) return errno;
  int e = reserveSpace(target.get(), t.st, tmp.st_size);
  if (!e) e = copyBytes(tmpFd, target.get(), tmp.st_size);
  if (!e && ::ftruncate(target.get(), tmp.st_size) != 0) e = errno;
  if (!e && ::fsync(target.get()) != 0) e = errno;
  const int closed = target.close();
  return e ? e : closed;
}

// Some file systems cannot sync a folder at all; that is no reason to fail a save.
int syncFolder(int folder) {
  // A folder held by its path only (see openFolder) cannot be synced.
  if (::fsync(folder) == 0 || errno == EINVAL || errno == EOPNOTSUPP || errno == EBADF) return 0;
  return errno;
}

// A folder we may write but not read is held by its path only; the *at calls work on it.
int openFolder(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd >= 0 || errno != EACCES) return fd;
  return ::open(path.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
}

// The folder is synced before the rename, so the complete file is on disk under its temporary
// name, and after it, so the new name survives a crash.
int renameOver(int folder, const std::string& tmpName, const std::string& name) {
  if (const int e = syncFolder(folder)) return e;
  if (::renameat(folder, tmpName.c_str(), folder, name.c_str()) != 0) return errno;
  return syncFolder(folder);
}

// Gives a file made without a name (O_TMPFILE) one in the folder: through /proc for anyone,
// else by the descriptor itself, which only root may do.
int linkNameless(int fd, int folder, const std::string& name) {
  const std::string proc = "/proc/self/fd/" + std::to_string(fd);
  if (::linkat(AT_FDCWD, proc.c_str(), folder, name.c_str(), AT_SYMLINK_FOLLOW) == 0) return 0;
  const int e = errno;
  if (e == EEXIST) return e;
  return ::linkat(fd, "", folder, name.c_str(), AT_EMPTY_PATH) == 0 ? 0 : e;
}

// A new file takes its name directly. An existing one is replaced by a rename from a fresh
// temporary name; the termination signals wait meanwhile, so only a kill between the two calls
// could leave that name behind.
int nameNameless(int fd, int folder, const Target& t) {
  if (!t.exists) {
    const int e = linkNameless(fd, folder, t.name);
    if (e != EEXIST) return e ? e : syncFolder(folder);
  }
  const TerminationSignalsHeld held;
  std::string tmp;
  for (int attempt = 0;; ++attempt) {
    tmp = temporaryName();
    const int e = linkNameless(fd, folder, tmp);
    if (!e) break;
    if (e != EEXIST || attempt == 100) return e;
  }
  if (::renameat(folder, tmp.c_str(), folder, t.name.c_str()) != 0) {
    const int e = errno;
    ::unlinkat(folder, tmp.c_str(), 0);
    return e;
  }
  return syncFolder(folder);
}

// File systems without O_TMPFILE refuse it with one of these.
bool noNamelessFiles(int e) { return e == EOPNOTSUPP || e == EISDIR || e == EINVAL; }

}  // namespace

struct ReplacementFile::State {
  Target target;
  bool replaces = true;  // false: written into (a device, a FIFO, standard output)
  std::unique_ptr<Descriptor> folder, tmp;
  std::string tmpName;  // empty while the temporary has no name
  // Declared after the folder, so that it goes before the descriptor it names closes.
  std::unique_ptr<RemovedOnSignal> removal;
  std::unique_ptr<FileOutputStream> out;

  // The stream writes through `fd`, which it then owns.
  int attachStream(int fd) {
    if (fd < 0) return errno;
    out = std::make_unique<FileOutputStream>(fd);
    return out->isOpen() ? 0 : (out->sysError() ? out->sysError() : EIO);
  }
  // The new contents' file beside the target: without a name where the file system allows, so
  // that even a killed program leaves nothing behind; else under a temporary name that the
  // termination signals remove.
  int createTemporary() {
    const int fd = ::openat(folder->get(), ".", O_TMPFILE | O_RDWR | O_CLOEXEC, 0666);
    if (fd >= 0 || !noNamelessFiles(errno)) {
      tmp = std::make_unique<Descriptor>(fd);
      return fd >= 0 ? 0 : errno;
    }
    const TerminationSignalsHeld held;
    for (int attempt = 0; attempt < 100; ++attempt) {
      tmpName = temporaryName();
      // The kernel applies the umask (or the folder's default ACL), as to any new file.
      const int named = ::openat(folder->get(), tmpName.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
      if (named < 0 && errno == EEXIST) continue;
      if (named < 0) break;
      tmp = std::make_unique<Descriptor>(named);
      removal = std::make_unique<RemovedOnSignal>(folder->get(), tmpName);
      return 0;
    }
    const int e = errno;
    tmpName.clear();
    return e;
  }
  // Closes the stream: the first failure of any write, or of the close itself.
  int closeStream() {
    if (!out) return 0;
    out->close();
    const int e = out->sysError();
    out.reset();
    return e;
  }
  void removeTemporary() {
    if (!tmpName.empty()) ::unlinkat(folder->get(), tmpName.c_str(), 0);
    removal.reset();
  }
};

ReplacementFile::ReplacementFile() = default;

ReplacementFile::~ReplacementFile() { discard(); }

FileError ReplacementFile::open(const std::string& fileName) {
  discard();
  auto s = std::make_unique<State>();
  // Opened by the name given, so that /dev/stdout and the like lead where they point; a FIFO
  // waits here for its reader, as it would for cp.
  const bool stdOut = fileName == kStandardStream;
  if (stdOut || writtenInto(fileName)) {
    s->replaces = false;
    const int fd = stdOut ? ::fcntl(STDOUT_FILENO, F_DUPFD_CLOEXEC, 0)
                          : ::open(fileName.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
    if (const int e = s->attachStream(fd)) return systemFailure(e);
    state_ = std::move(s);
    return {};
  }
  Target& t = s->target;
  if (const int e = resolve(fileName, t)) return systemFailure(e);
  if (t.exists && !S_ISREG(t.st.st_mode)) return notAFile(t.st.st_mode);
  s->folder = std::make_unique<Descriptor>(openFolder(t.folder));
  if (!s->folder->valid()) return systemFailure(errno);
  if (t.exists)
    if (FileError e = checkWritable(s->folder->get(), t)) return e;
  int e = s->createTemporary();
  if (!e && t.exists) e = takeOverAttributes((t.folder / t.name).string(), t.st, s->tmp->get());
  // A second descriptor for the stream, so this one stays open to sync and read back.
  if (!e) e = s->attachStream(::fcntl(s->tmp->get(), F_DUPFD_CLOEXEC, 0));
  if (e) {
    s->out.reset();
    s->removeTemporary();
    return systemFailure(e);
  }
  state_ = std::move(s);
  return {};
}

OutputStream& ReplacementFile::stream() { return *state_->out; }

FileError ReplacementFile::commit() {
  if (!state_) return systemFailure(EBADF);
  const std::unique_ptr<State> s = std::move(state_);
  int e = s->closeStream();
  if (!s->replaces) return e ? systemFailure(e) : FileError{};
  const Target& t = s->target;
  const int folder = s->folder->get();
  if (!e && ::fsync(s->tmp->get()) != 0) e = errno;
  const bool inPlace = t.exists && t.st.st_nlink > 1;
  if (!e) {
    if (inPlace)
      e = copyOver(folder, t, s->tmp->get());
    else if (s->tmpName.empty())
      e = nameNameless(s->tmp->get(), folder, t);
    else
      e = renameOver(folder, s->tmpName, t.name);
  }
  if (e || inPlace) s->removeTemporary();
  return e ? systemFailure(e) : FileError{};
}

FileError ReplacementFile::discard(FileFault why) {
  if (!state_) return why == FileFault::None ? FileError{} : failure(why);
  const std::unique_ptr<State> s = std::move(state_);
  const int e = s->closeStream();
  if (s->replaces) s->removeTemporary();
  if (e) return systemFailure(e);
  return why == FileFault::None ? FileError{} : failure(why);
}

FileError replaceFile(const std::string& fileName, const ContentWriter& write) {
  ReplacementFile file;
  if (FileError e = file.open(fileName)) return e;
  return write(file.stream()) ? file.commit() : file.discard(FileFault::CannotEncode);
}

}  // namespace tessaro
