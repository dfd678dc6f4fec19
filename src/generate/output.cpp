#include "generate/output.hpp"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace generate {

namespace {

// The permissions a new file gets from the process's umask, read from
// /proc without changing the umask (umask() would, for every thread);
// rw-r--r-- where /proc does not tell.
mode_t new_file_mode() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("Umask:", 0) == 0) {
      const unsigned long mask = std::strtoul(line.c_str() + 6, nullptr, 8);
      return static_cast<mode_t>(0666 & ~mask);
    }
  }
  return 0644;
}

}  // namespace

AtomicFile::AtomicFile(std::string path) : path_(std::move(path)) {
  std::string pattern = path_ + ".tmpXXXXXX";
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  const int fd = ::mkstemp(name.data());
  if (fd < 0) {
    error_ = std::strerror(errno);
    return;
  }
  temp_ = name.data();
  ::fchmod(fd, new_file_mode());
  ::close(fd);
  os_.open(temp_, std::ios::binary | std::ios::trunc);
  if (!os_) {
    error_ = std::strerror(errno);
    std::remove(temp_.c_str());
    temp_.clear();
    return;
  }
  ok_ = true;
}

AtomicFile::~AtomicFile() {
  if (!committed_ && !temp_.empty()) {
    os_.close();
    std::remove(temp_.c_str());
  }
}

bool AtomicFile::commit() {
  if (!ok_) return false;
  os_.close();
  if (!os_) {
    error_ = "write error";
    ok_ = false;
    return false;
  }
  if (std::rename(temp_.c_str(), path_.c_str()) != 0) {
    error_ = std::strerror(errno);
    ok_ = false;
    return false;
  }
  committed_ = true;
  return true;
}

std::string write_atomically(const std::string& path, const std::string& text) {
  AtomicFile f(path);
  if (!f.ok()) return f.error();
  f.stream() << text;
  if (!f.commit()) return f.error();
  return "";
}

}  // namespace generate
