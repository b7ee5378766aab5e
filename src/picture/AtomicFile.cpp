#include "picture/AtomicFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <random>
#include <vector>

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
  if (t.exists && S_ISDIR(t.st.st_mode)) return EISDIR;
  t.folder = p.parent_path().empty() ? fs::path(".") : p.parent_path();
  t.name = p.filename().string();
  return t.name.empty() ? ENOENT : 0;
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
int createTemporary(int folder, std::string& name) {
  static thread_local std::mt19937_64 random(std::random_device{}() ^ (static_cast<uint64_t>(::getpid()) << 32));
  static const char digits[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  for (int attempt = 0; attempt < 100; ++attempt) {
    uint64_t r = random();
    name = ".tessaro-";
    for (int i = 0; i < 8; ++i, r /= 36) name += digits[r % 36];
    // The kernel applies the umask (or the folder's default ACL), as to any new file.
    const int fd = ::openat(folder, name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  errno = EEXIST;
  return -1;
}

// The replacement takes the old file's owner, group and permissions before it holds a byte.
// Only root may give a file to another user; anyone may still keep a group they belong to.
int keepIdentity(int fd, const struct stat& st) {
  if (::fchown(fd, st.st_uid, st.st_gid) != 0 && ::fchown(fd, static_cast<uid_t>(-1), st.st_gid) != 0) {
    // The file stays in the user's own group.
  }
  return ::fchmod(fd, st.st_mode & 07777) == 0 ? 0 : errno;
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
// so the finished temporary is copied over the file itself.
int copyOver(int folder, const Target& t, int tmpFd) {
  struct stat tmp {};
  if (::fstat(tmpFd, &tmp) != 0) return errno;
  Descriptor target(::openat(folder, t.name.c_str(), O_WRONLY | O_CLOEXEC | O_NOFOLLOW));
  if (!target.valid()) return errno;
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

}  // namespace

struct ReplacementFile::State {
  Target target;
  std::unique_ptr<Descriptor> folder, tmp;
  std::string tmpName;
  std::unique_ptr<FileOutputStream> out;

  // Closes the stream: the first failure of any write, or of the close itself.
  int closeStream() {
    if (!out) return 0;
    out->close();
    const int e = out->sysError();
    out.reset();
    return e;
  }
  void removeTemporary() { ::unlinkat(folder->get(), tmpName.c_str(), 0); }
};

ReplacementFile::ReplacementFile() = default;

ReplacementFile::~ReplacementFile() { discard(); }

FileError ReplacementFile::open(const std::string& fileName) {
  discard();
  auto s = std::make_unique<State>();
  Target& t = s->target;
  if (const int e = resolve(fileName, t)) return systemFailure(e);
  s->folder = std::make_unique<Descriptor>(openFolder(t.folder));
  if (!s->folder->valid()) return systemFailure(errno);
  if (t.exists)
    if (FileError e = checkWritable(s->folder->get(), t)) return e;
  s->tmp = std::make_unique<Descriptor>(createTemporary(s->folder->get(), s->tmpName));
  if (!s->tmp->valid()) return systemFailure(errno);
  int e = t.exists ? keepIdentity(s->tmp->get(), t.st) : 0;
  // A second descriptor for the stream, so this one stays open to sync and read back.
  const int streamFd = e ? -1 : ::fcntl(s->tmp->get(), F_DUPFD_CLOEXEC, 0);
  if (!e && streamFd < 0) e = errno;
  if (!e) {
    s->out = std::make_unique<FileOutputStream>(streamFd);
    if (!s->out->isOpen()) e = s->out->sysError() ? s->out->sysError() : EIO;
  }
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
  const Target& t = s->target;
  const int folder = s->folder->get();
  int e = s->closeStream();
  if (!e && ::fsync(s->tmp->get()) != 0) e = errno;
  const bool inPlace = t.exists && S_ISREG(t.st.st_mode) && t.st.st_nlink > 1;
  if (!e) e = inPlace ? copyOver(folder, t, s->tmp->get()) : renameOver(folder, s->tmpName, t.name);
  if (e || inPlace) s->removeTemporary();
  return e ? systemFailure(e) : FileError{};
}

FileError ReplacementFile::discard(FileFault why) {
  if (!state_) return why == FileFault::None ? FileError{} : failure(why);
  const std::unique_ptr<State> s = std::move(state_);
  const int e = s->closeStream();
  s->removeTemporary();
  if (e) return systemFailure(e);
  return why == FileFault::None ? FileError{} : failure(why);
}

FileError replaceFile(const std::string& fileName, const ContentWriter& write) {
  ReplacementFile file;
  if (FileError e = file.open(fileName)) return e;
  return write(file.stream()) ? file.commit() : file.discard(FileFault::CannotEncode);
}

}  // namespace tessaro
