#include "driver/outputs.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <utility>

namespace driver {

namespace {

// A file written under a temporary name, waiting to be renamed into place.
struct Staged {
  std::string temp, path;
};

std::string reason(int err) {
  return std::strerror(err);
}

// Creates a new file next to path under a name no other run uses (the
// process id, and a counter for the rare name left by a crashed run), and
// writes the text to it. The mode is that of an ordinary new file.
bool stage(const std::string& path, const std::string& text, Staged& out, std::string& error) {
  const std::size_t slash = path.rfind('/');
  const std::string dir = slash == std::string::npos ? "" : path.substr(0, slash + 1);
  const std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
  int fd = -1;
  std::string temp;
  for (int k = 0; k < 100 && fd < 0; ++k) {
    temp = dir + "." + base + "." + std::to_string(::getpid()) + "." + std::to_string(k) + ".tmp";
    fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && errno != EEXIST) break;
  }
  if (fd < 0) {
    error = "cannot create " + path + ": " + reason(errno);
    return false;
  }
  const char* p = text.data();
  std::size_t left = text.size();
  while (left > 0) {
    const ssize_t w = ::write(fd, p, left);
    if (w < 0) {
      if (errno == EINTR) continue;
      error = "cannot write " + path + ": " + reason(errno);
      ::close(fd);
      ::unlink(temp.c_str());
      return false;
    }
    p += w;
    left -= static_cast<std::size_t>(w);
  }
  if (::close(fd) != 0) {
    error = "cannot write " + path + ": " + reason(errno);
    ::unlink(temp.c_str());
    return false;
  }
  out = {temp, path};
  return true;
}

}  // namespace

std::string join_path(const std::string& dir, const std::string& file) {
  if (dir.empty()) return file;
  return dir.back() == '/' ? dir + file : dir + "/" + file;
}

bool write_file_atomically(const std::string& path, const std::string& text, std::string& error) {
  Staged s;
  if (!stage(path, text, s, error)) return false;
  if (std::rename(s.temp.c_str(), s.path.c_str()) != 0) {
    error = "cannot write " + path + ": " + reason(errno);
    ::unlink(s.temp.c_str());
    return false;
  }
  return true;
}

WriteOutcome write_gauge_files(const std::string& dir, const std::string& stem,
                               const GaugeTexts& texts) {
  WriteOutcome o;
  const std::string base = join_path(dir, stem);
  const std::pair<const char*, const std::string*> files[] = {
      {".ANS", &texts.ans}, {".COR", &texts.cor},   {".YER", &texts.yer},
      {".LOG", &texts.log}, {".json", &texts.json}, {".html", &texts.html}};
  std::vector<Staged> staged;
  for (const auto& [ext, text] : files) {
    const bool always = std::string(ext) == ".ANS" || std::string(ext) == ".YER";
    if (text->empty() && !always) continue;
    Staged s;
    if (!stage(base + ext, *text, s, o.error)) {
      for (const Staged& t : staged) ::unlink(t.temp.c_str());
      return o;
    }
    staged.push_back(s);
  }
  for (std::size_t i = 0; i < staged.size(); ++i) {
    if (std::rename(staged[i].temp.c_str(), staged[i].path.c_str()) != 0) {
      o.error = "cannot write " + staged[i].path + ": " + reason(errno);
      for (std::size_t j = i; j < staged.size(); ++j) ::unlink(staged[j].temp.c_str());
      return o;
    }
    o.written.push_back(staged[i].path);
  }
  // A correlogram file left by an earlier run would not belong to this
  // analysis.
  if (texts.cor.empty()) {
    const std::string cor = base + ".COR";
    if (::unlink(cor.c_str()) == 0) {
      o.removed = cor;
    } else if (errno != ENOENT) {
      o.error = "cannot remove the older " + cor + ": " + reason(errno);
      return o;
    }
  }
  o.ok = true;
  return o;
}

}  // namespace driver
