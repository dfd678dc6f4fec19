#include "files/input.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <istream>
#include <system_error>

#include "files/error.hpp"

namespace files {

namespace {

const char* kind_of(mode_t mode) {
  if (S_ISDIR(mode)) return "a directory";
  if (S_ISFIFO(mode)) return "a FIFO";
  if (S_ISCHR(mode)) return "a character device";
  if (S_ISBLK(mode)) return "a block device";
  if (S_ISSOCK(mode)) return "a socket";
  return "not a regular file";
}

}  // namespace

InputFile::~InputFile() {
  if (fd_ >= 0) ::close(fd_);
}

OpenFailure InputFile::open(const std::string& path, std::string& reason) {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  setg(nullptr, nullptr, nullptr);
  // O_NONBLOCK: opening a FIFO without a writer must not wait. The file is
  // then checked before anything is read from it.
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) {
    const int e = errno;
    reason = std::strerror(e);
    return e == ENOENT ? OpenFailure::missing : OpenFailure::other;
  }
  struct stat st {};
  if (::fstat(fd, &st) != 0) {
    reason = std::strerror(errno);
    ::close(fd);
    return OpenFailure::other;
  }
  if (!S_ISREG(st.st_mode)) {
    reason = std::string(kind_of(st.st_mode)) + ", not a regular file";
    ::close(fd);
    return OpenFailure::not_regular;
  }
  const int flags = ::fcntl(fd, F_GETFL);
  if (flags >= 0) ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
  fd_ = fd;
  reason.clear();
  return OpenFailure::none;
}

InputFile::int_type InputFile::underflow() {
  if (gptr() < egptr()) return traits_type::to_int_type(*gptr());
  if (fd_ < 0) return traits_type::eof();
  while (true) {
    const ssize_t got = ::read(fd_, buffer_.data(), buffer_.size());
    if (got > 0) {
      setg(buffer_.data(), buffer_.data(), buffer_.data() + got);
      return traits_type::to_int_type(buffer_[0]);
    }
    if (got == 0) return traits_type::eof();
    if (errno != EINTR) throw std::system_error(errno, std::generic_category());
  }
}

bool file_exists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0;
}

std::string read_text_file(const std::string& path, std::size_t max_bytes) {
  InputFile file;
  std::string reason;
  if (file.open(path, reason) != OpenFailure::none)
    throw Error("CANNOT READ " + path + ": " + reason, path);
  std::string text;
  try {
    std::istream in(&file);
    char buf[1 << 16];
    while (in.read(buf, sizeof buf) || in.gcount() > 0) {
      text.append(buf, static_cast<std::size_t>(in.gcount()));
      if (text.size() > max_bytes)
        throw Error(
            "CANNOT READ " + path + ": larger than " + std::to_string(max_bytes >> 20) + " MiB",
            path);
    }
  } catch (const std::system_error& e) {
    throw Error("CANNOT READ " + path + ": " + e.code().message(), path, 0, e.code());
  }
  return text;
}

}  // namespace files
