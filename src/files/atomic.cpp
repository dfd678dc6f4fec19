#include "files/atomic.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace files {

namespace {

std::string reason(int err) {
  return std::strerror(err);
}

}  // namespace

AtomicFile::AtomicFile(std::string path) : path_(std::move(path)) {
  const std::size_t slash = path_.rfind('/');
  const std::string dir = slash == std::string::npos ? "" : path_.substr(0, slash + 1);
  const std::string base = slash == std::string::npos ? path_ : path_.substr(slash + 1);
  int fd = -1;
  for (int k = 0; k < 100 && fd < 0; ++k) {
    temp_ = dir + "." + base + "." + std::to_string(::getpid()) + "." + std::to_string(k) + ".tmp";
    // 0666 less the umask: the mode an ordinary new file gets.
    fd = ::open(temp_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && errno != EEXIST) break;
  }
  if (fd < 0) {
    error_ = "cannot create " + path_ + ": " + reason(errno);
    temp_.clear();
    return;
  }
  ::close(fd);
  os_.open(temp_, std::ios::binary | std::ios::trunc);
  if (!os_) {
    error_ = "cannot create " + path_ + ": " + reason(errno);
    ::unlink(temp_.c_str());
    temp_.clear();
    return;
  }
  ok_ = true;
}

AtomicFile::~AtomicFile() {
  if (!committed_ && !temp_.empty()) {
    if (!closed_) os_.close();
    ::unlink(temp_.c_str());
  }
}

bool AtomicFile::close() {
  if (!ok_) return false;
  if (closed_) return true;
  errno = 0;
  os_.close();
  closed_ = true;
  if (!os_) {
    error_ = "cannot write " + path_ + ": " + (errno != 0 ? reason(errno) : "write error");
    ok_ = false;
    return false;
  }
  return true;
}

bool AtomicFile::commit() {
  if (!close()) return false;
  if (std::rename(temp_.c_str(), path_.c_str()) != 0) {
    error_ = "cannot write " + path_ + ": " + reason(errno);
    ok_ = false;
    return false;
  }
  committed_ = true;
  return true;
}

bool write_file_atomically(const std::string& path, std::string_view text, std::string& error) {
  AtomicFile f(path);
  if (f.ok()) f.stream().write(text.data(), static_cast<std::streamsize>(text.size()));
  if (!f.commit()) {
    error = f.error();
    return false;
  }
  return true;
}

}  // namespace files
