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
  for (int k = 0; k < 100 && fd_ < 0; ++k) {
    temp_ = dir + "." + base + "." + std::to_string(::getpid()) + "." + std::to_string(k) + ".tmp";
    // 0666 less the umask: the mode an ordinary new file gets.
    fd_ = ::open(temp_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd_ < 0 && errno != EEXIST) break;
  }
  if (fd_ < 0) {
    error_ = "cannot create " + path_ + ": " + reason(errno);
    temp_.clear();
    return;
  }
  ok_ = true;
}

AtomicFile::~AtomicFile() {
  if (!committed_ && !temp_.empty()) {
    if (!closed_) {
      if (os_.is_open()) os_.close();
      ::close(fd_);
    }
    ::unlink(temp_.c_str());
  }
}

void AtomicFile::fail_write(int err) {
  if (!ok_) return;
  error_ = "cannot write " + path_ + ": " + (err != 0 ? reason(err) : "write error");
  ok_ = false;
}

bool AtomicFile::write(std::string_view text) {
  if (!ok_ || closed_) return false;
  while (!text.empty()) {
    const ssize_t w = ::write(fd_, text.data(), text.size());
    if (w < 0 && errno == EINTR) continue;
    if (w <= 0) {
      fail_write(w < 0 ? errno : 0);
      return false;
    }
    text.remove_prefix(static_cast<std::size_t>(w));
  }
  return true;
}

std::ostream& AtomicFile::stream() {
  // Opened on first use, appending to what write() may have put there.
  if (ok_ && !closed_ && !os_.is_open()) {
    os_.open(temp_, std::ios::binary | std::ios::app);
    if (!os_) fail_write(errno);
  }
  return os_;
}

bool AtomicFile::close() {
  if (!ok_) return false;
  if (closed_) return true;
  closed_ = true;
  if (os_.is_open()) {
    errno = 0;
    os_.close();
    if (!os_) fail_write(errno);
  }
  if (::close(fd_) != 0) fail_write(errno);
  return ok_;
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
  f.write(text);
  if (!f.commit()) {
    error = f.error();
    return false;
  }
  return true;
}

}  // namespace files
