#include "picture/FileAttributes.h"

#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

namespace tessaro {

namespace {

// The access ACL is stored as this attribute; copying it needs no ACL library.
constexpr char kAccessAcl[] = "system.posix_acl_access";

bool notSupported(int e) { return e == ENOTSUP || e == EOPNOTSUPP; }

bool carriedOver(const char* name) { return std::strcmp(name, kAccessAcl) == 0 || std::strncmp(name, "user.", 5) == 0; }

// The attribute's value; false with errno set when it cannot be read.
bool readAttribute(const std::string& path, const char* name, std::vector<char>& value) {
  for (;;) {
    const ssize_t size = ::lgetxattr(path.c_str(), name, nullptr, 0);
    if (size < 0) return false;
    value.resize(static_cast<size_t>(size));
    const ssize_t got = ::lgetxattr(path.c_str(), name, value.data(), value.size());
    if (got >= 0) {
      value.resize(static_cast<size_t>(got));
      return true;
    }
    if (errno != ERANGE) return false;  // grown in between: ask again
  }
}

int copyAttributes(const std::string& old, int fd) {
  std::vector<char> names;
  for (;;) {
    const ssize_t size = ::llistxattr(old.c_str(), nullptr, 0);
    if (size < 0) return notSupported(errno) ? 0 : errno;
    names.resize(static_cast<size_t>(size));
    const ssize_t got = ::llistxattr(old.c_str(), names.data(), names.size());
    if (got >= 0) {
      names.resize(static_cast<size_t>(got));
      break;
    }
    if (errno != ERANGE) return errno;
  }
  bool hadAcl = false;
  std::vector<char> value;
  for (size_t at = 0; at < names.size(); at += std::strlen(names.data() + at) + 1) {
    const char* name = names.data() + at;
    if (!carriedOver(name)) continue;
    hadAcl = hadAcl || std::strcmp(name, kAccessAcl) == 0;
    if (!readAttribute(old, name, value)) {
      // Removed meanwhile, or a file we may write but not read: what cannot be read stays behind.
      if (errno == ENODATA || errno == EACCES) continue;
      return errno;
    }
    if (::fsetxattr(fd, name, value.data(), value.size(), 0) != 0 && !notSupported(errno)) return errno;
  }
  // An ACL the new file inherited from its folder would give rights the old file did not.
  if (!hadAcl && ::fremovexattr(fd, kAccessAcl) != 0 && errno != ENODATA && !notSupported(errno)) return errno;
  return 0;
}

}  // namespace

int takeOverAttributes(const std::string& old, const struct stat& st, int fd) {
  if (::fchown(fd, st.st_uid, st.st_gid) != 0 && ::fchown(fd, static_cast<uid_t>(-1), st.st_gid) != 0) {
    // The file stays in the user's own group.
  }
  if (::fchmod(fd, st.st_mode & 07777) != 0) return errno;
  return copyAttributes(old, fd);
}

}  // namespace tessaro
