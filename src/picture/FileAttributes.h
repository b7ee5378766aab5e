#pragma once
// What a file that replaces another takes over from it before it holds a byte: owner, group,
// permissions, the access ACL and the user's extended attributes.
#include <sys/stat.h>

#include <string>

namespace tessaro {

// `old` is the replaced file's path and its stat; `fd` the new file. 0, or the errno that made
// it impossible. Only root may give a file to another user; anyone may still keep a group they
// belong to; neither refusal fails the copy.
int takeOverAttributes(const std::string& old, const struct stat& st, int fd);

}  // namespace tessaro
