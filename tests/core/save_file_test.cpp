// Saving over the user's files: a save keeps links and the file's properties, and a failed save
// leaves the old file byte for byte, leaves no temporary file and says why in German.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <set>
#include <sstream>
#include <thread>

#include "picture/CodecRegistry.h"
#include "support/ReferenceImage.h"

using namespace tessaro;
namespace fs = std::filesystem;

namespace {

const std::string kOld = "the user's old picture";
const std::string kCannotWrite = "Die Datei konnte nicht geschrieben werden. ";

std::string readAll(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return in ? std::string(std::istreambuf_iterator<char>(in), {}) : "<missing>";
}

void writeOld(const fs::path& p, mode_t mode = 0644) {
  std::ofstream(p, std::ios::binary) << kOld;
  ::chmod(p.c_str(), mode);
}

// Everything under the folder, links not followed: a temporary left behind shows up here.
std::set<std::string> listing(const fs::path& dir) {
  std::set<std::string> names;
  std::error_code ec;
  for (fs::recursive_directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec))
    names.insert(it->path().lexically_relative(dir).string());
  return names;
}

mode_t modeOf(const fs::path& p) {
  struct stat st {};
  return ::stat(p.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
}

// A fresh folder for one case. It may hold a small tmpfs, unmounted at the end, may set the
// umask or lock a folder for the case's duration, and may read a FIFO in the background.
class Sandbox {
 public:
  explicit Sandbox(fs::path dir) : dir_(std::move(dir)) { fs::create_directories(dir_); }
  ~Sandbox() {
    settle();
    if (!locked_.empty()) ::chmod(locked_.c_str(), 0755);
    if (!mount_.empty() && ::umount(mount_.c_str()) != 0) ::umount2(mount_.c_str(), MNT_DETACH);
    if (umask_) ::umask(*umask_);
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }
  const fs::path& dir() const { return dir_; }
  // A tmpfs of `size` at dir()/name; false where mounting is not allowed.
  bool mountTmpfs(const std::string& name, const std::string& size) {
    const fs::path at = dir_ / name;
    fs::create_directory(at);
    if (::mount("tmpfs", at.c_str(), "tmpfs", 0, ("size=" + size).c_str()) != 0) return false;
    mount_ = at;
    return true;
  }
  bool remountReadOnly() { return ::mount("tmpfs", mount_.c_str(), "tmpfs", MS_REMOUNT | MS_RDONLY, nullptr) == 0; }
  void lockFolder(const fs::path& p) {
    locked_ = p;
    ::chmod(p.c_str(), 0555);
  }
  void setUmask(mode_t mask) { umask_ = ::umask(mask); }
  // Copies what a writer puts into the FIFO to the file `into` once the writer is done.
  void readFifo(const fs::path& fifo, const fs::path& into) {
    fifo_ = fifo;
    reader_ = std::thread([this, fifo, into] {
      std::ifstream in(fifo, std::ios::binary);
      const std::string bytes((std::istreambuf_iterator<char>(in)), {});
      std::ofstream(into, std::ios::binary) << bytes;
      read_ = true;
    });
  }
  // Waits for the FIFO's reader; one still waiting for a writer gets an empty one.
  void settle() {
    if (!reader_.joinable()) return;
    while (!read_) {
      const int fd = ::open(fifo_.c_str(), O_WRONLY | O_NONBLOCK);
      if (fd >= 0) ::close(fd);
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    reader_.join();
  }

 private:
  fs::path dir_, mount_, locked_, fifo_;
  std::optional<mode_t> umask_;
  std::thread reader_;
  std::atomic<bool> read_ = false;
};

struct Case {
  std::string save = {};                  // the name the user saves under
  std::vector<std::string> holders = {};  // files that must hold the new bytes after a save, else the old
  std::string reason = {};                // the German reason of a failure; empty: the save succeeds
  std::string skip = {};                  // why the case cannot be set up here
};

struct Row {
  const char* what;
  int side;  // of the square 24-bit picture saved
  std::function<Case(Sandbox&)> prepare;
  std::function<void(const fs::path&)> check = {};
};

// BMP bytes as the codec makes them in memory: what a saved file must hold.
std::string bmpBytes(const TDib& dib) {
  MemoryOutputStream out;
  EXPECT_TRUE(codecForFormat(kFormatBmp)->encode(dib, out));
  return std::string(out.data().begin(), out.data().end());
}

bool isLinkTo(const fs::path& link, const fs::path& to) {
  std::error_code ec;
  return fs::is_symlink(fs::symlink_status(link)) && fs::read_symlink(link, ec) == to;
}

// A group of the user's other than the current one, to see a group kept; 0 when there is none.
gid_t otherGroup() {
  gid_t groups[256];
  const int n = ::getgroups(256, groups);
  for (int i = 0; i < n; ++i)
    if (groups[i] != ::getegid()) return groups[i];
  return 0;
}

Case needsMount(const char* what) { return {.skip = std::string(what) + ": mounting a tmpfs is not allowed here"}; }

// A 24-bit picture of one colour, 9 MB as a BMP: two saves of it take long enough to overlap.
TDib largePicture(uint32_t colour) {
  TDib pic = newdib(2000, 1500, 24, nullptr, 0);
  for (int32_t y = 0; y < 1500; ++y)
    for (int32_t x = 0; x < 2000; ++x) setpixel(pic, x, y, colour);
  return pic;
}

// Bytes the process has written so far, by the kernel's count.
uint64_t bytesWritten(pid_t pid) {
  std::ifstream io("/proc/" + std::to_string(pid) + "/io");
  for (std::string key; io >> key;) {
    uint64_t value = 0;
    io >> value;
    if (key == "wchar:") return value;
  }
  return 0;
}

// Saves in a child process, like a second program; the child waits until the pipe `start` is
// closed by the parent.
pid_t saveInChild(const TDib& pic, const fs::path& file, const int start[2]) {
  const pid_t pid = ::fork();
  if (pid != 0) return pid;
  ::close(start[1]);
  char go;
  while (::read(start[0], &go, 1) < 0 && errno == EINTR) {
  }
  ::_exit(SaveDib(pic, file.string(), kFormatBmp, {}) ? 0 : 1);
}

// Two processes save two pictures of one size over the same file at once, 20 times; the file
// always holds one of them whole, never a mix.
void savesAtOnce(const fs::path& file) {
  const TDib one = largePicture(0x102030), two = largePicture(0x405060);
  const std::string bytes[] = {bmpBytes(one), bmpBytes(two)};
  for (int round = 0; round < 20; ++round) {
    int start[2];
    ASSERT_EQ(::pipe(start), 0);
    const pid_t pids[] = {saveInChild(one, file, start), saveInChild(two, file, start)};
    ::close(start[0]);
    ::close(start[1]);
    for (const pid_t pid : pids) {
      int status = 0;
      ASSERT_EQ(::waitpid(pid, &status, 0), pid);
      EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    const std::string held = readAll(file);
    ASSERT_TRUE(held == bytes[0] || held == bytes[1]) << "round " << round << ": a mix of both pictures";
  }
}

// A child saving a 36 MB picture over `file` gets `sig` once it has written a megabyte; the file
// is as it was and nothing else is left in its folder.
void interruptedSave(const fs::path& file, int sig) {
  const TDib pic = newdib(4000, 3000, 24, nullptr, 0);
  const std::string before = readAll(file);
  const std::set<std::string> names = listing(file.parent_path());
  int start[2];
  ASSERT_EQ(::pipe(start), 0);
  const pid_t pid = saveInChild(pic, file, start);
  ::close(start[0]);
  const uint64_t written = bytesWritten(pid);
  ::close(start[1]);
  int status = 0;
  bool ended = false;
  while (!(ended = ::waitpid(pid, &status, WNOHANG) == pid) && bytesWritten(pid) < written + (1 << 20))
    std::this_thread::sleep_for(std::chrono::microseconds(200));
  if (!ended) {
    ::kill(pid, sig);
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
  }
  EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == sig) << "the save ended before the signal came";
  EXPECT_EQ(listing(file.parent_path()), names);
  EXPECT_TRUE(readAll(file) == before);
}

Row interruptedRow(const char* what, int sig) {
  return {what, 8,
          [](Sandbox& s) {
            writeOld(s.dir() / "p.bmp");
            return Case{"p.bmp", {"p.bmp"}};
          },
          [sig](const fs::path& d) { interruptedSave(d / "p.bmp", sig); }};
}

const std::vector<Row>& rows() {
  const std::string noSpace = kCannotWrite + "Auf dem Datenträger ist kein Platz mehr frei.";
  static const std::vector<Row> table = {
      {"symbolic link", 8,
       [](Sandbox& s) {
         writeOld(s.dir() / "real.bmp");
         fs::create_symlink("real.bmp", s.dir() / "pic.bmp");
         return Case{"pic.bmp", {"real.bmp"}};
       },
       [](const fs::path& d) { EXPECT_TRUE(isLinkTo(d / "pic.bmp", "real.bmp")); }},
      {"chain of links to a file not there yet", 8,
       [](Sandbox& s) {
         fs::create_directory(s.dir() / "sub");
         fs::create_symlink("b.bmp", s.dir() / "a.bmp");
         fs::create_symlink(s.dir() / "sub/new.bmp", s.dir() / "b.bmp");
         return Case{"a.bmp", {"sub/new.bmp"}};
       },
       [](const fs::path& d) {
         EXPECT_TRUE(isLinkTo(d / "a.bmp", "b.bmp"));
         EXPECT_TRUE(isLinkTo(d / "b.bmp", d / "sub/new.bmp"));
       }},
      {"permissions 0600 kept", 8,
       [](Sandbox& s) {
         writeOld(s.dir() / "p.bmp", 0600);
         return Case{"p.bmp", {"p.bmp"}};
       },
       [](const fs::path& d) { EXPECT_EQ(modeOf(d / "p.bmp"), 0600u); }},
      {"permissions 0640 kept", 8,
       [](Sandbox& s) {
         writeOld(s.dir() / "p.bmp", 0640);
         return Case{"p.bmp", {"p.bmp"}};
       },
       [](const fs::path& d) { EXPECT_EQ(modeOf(d / "p.bmp"), 0640u); }},
      {"a new file gets 0666 minus the umask", 8,
       [](Sandbox& s) {
         s.setUmask(027);
         return Case{"new.bmp", {"new.bmp"}};
       },
       [](const fs::path& d) { EXPECT_EQ(modeOf(d / "new.bmp"), 0640u); }},
      {"owner (as root) and group kept", 8,
       [](Sandbox& s) {
         const fs::path p = s.dir() / "g.bmp";
         writeOld(p, 0664);
         const bool root = ::geteuid() == 0;
         const gid_t group = root ? 4321 : otherGroup();
         if (!group) return Case{.skip = "group kept: the user belongs to one group only"};
         if (::chown(p.c_str(), root ? 4321 : static_cast<uid_t>(-1), group) != 0) return Case{.skip = "chown refused"};
         return Case{"g.bmp", {"g.bmp"}};
       },
       [](const fs::path& d) {
         struct stat st {};
         ASSERT_EQ(::stat((d / "g.bmp").c_str(), &st), 0);
         EXPECT_EQ(st.st_gid, ::geteuid() == 0 ? 4321u : otherGroup());
         if (::geteuid() == 0) EXPECT_EQ(st.st_uid, 4321u);
         EXPECT_EQ(st.st_mode & 07777, 0664u);
       }},
      {"hard link kept", 8,
       [](Sandbox& s) {
         writeOld(s.dir() / "a.bmp");
         fs::create_hard_link(s.dir() / "a.bmp", s.dir() / "b.bmp");
         return Case{"a.bmp", {"a.bmp", "b.bmp"}};
       },
       [](const fs::path& d) {
         EXPECT_TRUE(fs::equivalent(d / "a.bmp", d / "b.bmp"));
         EXPECT_EQ(fs::hard_link_count(d / "a.bmp"), 2u);
       }},
      {"device written into, not replaced", 8,
       [](Sandbox& s) {
         // A /dev/null of our own as root, so that a fault cannot replace the system's.
         if (::mknod((s.dir() / "null.bmp").c_str(), S_IFCHR | 0666, makedev(1, 3)) != 0)
           fs::create_symlink("/dev/null", s.dir() / "null.bmp");
         return Case{"null.bmp"};
       },
       [](const fs::path& d) { EXPECT_TRUE(fs::is_character_file(d / "null.bmp")); }},
      {"FIFO written into for its reader", 8,
       [](Sandbox& s) {
         if (::mkfifo((s.dir() / "fifo.bmp").c_str(), 0644) != 0) return Case{.skip = "mkfifo refused"};
         s.readFifo(s.dir() / "fifo.bmp", s.dir() / "read.bmp");
         return Case{"fifo.bmp", {"read.bmp"}};
       },
       [](const fs::path& d) { EXPECT_TRUE(fs::is_fifo(d / "fifo.bmp")); }},
      {"access ACL and user attributes kept", 8,
       [](Sandbox& s) {
         const fs::path p = s.dir() / "acl.bmp";
         writeOld(p);
         if (::setxattr(p.c_str(), "user.note", "kept", 4, 0) != 0) return Case{.skip = "no extended attributes"};
         if (std::system(("setfacl -m u:nobody:rw " + p.string()).c_str()) != 0) return Case{.skip = "no ACLs"};
         return Case{"acl.bmp", {"acl.bmp"}};
       },
       [](const fs::path& d) {
         char note[8] = {};
         EXPECT_EQ(::getxattr((d / "acl.bmp").c_str(), "user.note", note, sizeof note), 4);
         EXPECT_STREQ(note, "kept");
         const std::string acl = "getfacl -cp " + (d / "acl.bmp").string() + " | grep -qx user:nobody:rw-";
         EXPECT_EQ(std::system(acl.c_str()), 0);
       }},
      {"hard link saved by two processes at once", 8,
       [](Sandbox& s) {
         writeOld(s.dir() / "a.bmp");
         fs::create_hard_link(s.dir() / "a.bmp", s.dir() / "b.bmp");
         return Case{"a.bmp", {"a.bmp", "b.bmp"}};
       },
       [](const fs::path& d) { savesAtOnce(d / "a.bmp"); }},
      interruptedRow("SIGINT during a save", SIGINT),
      interruptedRow("SIGTERM during a save", SIGTERM),
      interruptedRow("SIGHUP during a save", SIGHUP),
      interruptedRow("SIGKILL during a save", SIGKILL),
      {"write-protected file", 8,
       [](Sandbox& s) {
         writeOld(s.dir() / "ro.bmp", 0444);
         return Case{"ro.bmp", {"ro.bmp"}, "Die Datei ist schreibgeschützt."};
       }},
      {"name of 255 bytes over an old file", 8,
       [](Sandbox& s) {
         const std::string name = std::string(251, 'n') + ".bmp";
         writeOld(s.dir() / name);
         return Case{name, {name}};
       }},
      {"folder gone", 8,
       [](Sandbox& s) {
         fs::create_directory(s.dir() / "gone");
         fs::remove(s.dir() / "gone");
         return Case{"gone/p.bmp", {}, kCannotWrite + "Die Datei oder ihr Ordner existiert nicht."};
       }},
      {"folder that cannot be written", 8,
       [](Sandbox& s) {
         if (::geteuid() != 0) {
           writeOld(s.dir() / "p.bmp");
           s.lockFolder(s.dir());
           return Case{"p.bmp", {"p.bmp"}, kCannotWrite + "Keine Berechtigung für diesen Zugriff."};
         }
         // Root writes any folder; only a read-only file system stops it.
         if (!s.mountTmpfs("ro", "64k")) return needsMount("read-only folder");
         writeOld(s.dir() / "ro/p.bmp");
         if (!s.remountReadOnly()) return needsMount("read-only folder");
         return Case{"ro/p.bmp", {"ro/p.bmp"}, kCannotWrite + "Das Dateisystem ist schreibgeschützt."};
       }},
      // 200 x 200 at 24 bits is 120054 bytes: more than the whole file system.
      {"full file system", 200,
       [noSpace](Sandbox& s) {
         if (!s.mountTmpfs("small", "64k")) return needsMount("full file system");
         writeOld(s.dir() / "small/p.bmp");
         return Case{"small/p.bmp", {"small/p.bmp"}, noSpace};
       }},
      // 110 x 110 is 36574 bytes: room for the temporary, not for copying it over the link too.
      {"hard link on a file system with room for one copy", 110,
       [noSpace](Sandbox& s) {
         if (!s.mountTmpfs("small", "64k")) return needsMount("hard link, full file system");
         writeOld(s.dir() / "small/a.bmp");
         fs::create_hard_link(s.dir() / "small/a.bmp", s.dir() / "small/b.bmp");
         return Case{"small/a.bmp", {"small/a.bmp", "small/b.bmp"}, noSpace};
       }},
  };
  return table;
}

}  // namespace

TEST(SaveFile, KeepsTheUsersFileAndSaysWhyItFailed) {
  std::string skipped;
  int index = 0;
  for (const Row& row : rows()) {
    SCOPED_TRACE(row.what);
    Sandbox box(test::tempPath("save-file-" + std::to_string(index++)));
    const Case c = row.prepare(box);
    if (!c.skip.empty()) {
      skipped += c.skip + "; ";
      continue;
    }
    TDib pic = newdib(row.side, row.side, 24, nullptr, 0);
    setpixel(pic, 1, 2, 0x123456);
    const std::string fresh = bmpBytes(pic);
    // The sizes the full file system cases rely on: 54 header bytes, rows padded to 4 bytes.
    ASSERT_EQ(fresh.size(), 54u + static_cast<size_t>(row.side) * ((row.side * 3 + 3) / 4 * 4));
    const std::set<std::string> before = listing(box.dir());
    FileError why;
    const bool saved = SaveDib(pic, (box.dir() / c.save).string(), kFormatBmp, {}, &why);
    box.settle();
    EXPECT_EQ(saved, c.reason.empty());
    EXPECT_EQ(describeFileError(why), c.reason);
    std::set<std::string> expected = before;
    for (const std::string& h : c.holders) {
      const std::string held = readAll(box.dir() / h);
      const std::string& want = saved ? fresh : kOld;
      EXPECT_TRUE(held == want) << h << " holds " << held.size() << " bytes, not the " << want.size() << " expected";
      expected.insert(h);
    }
    EXPECT_EQ(listing(box.dir()), expected);
    if (row.check) row.check(box.dir());
  }
  if (!skipped.empty()) GTEST_SKIP() << "every other case ran; not here: " << skipped;
}
