#include "driver/outputs.hpp"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <utility>
#include <vector>

#include "files/atomic.hpp"

namespace driver {

std::string join_path(const std::string& dir, const std::string& file) {
  if (dir.empty()) return file;
  return dir.back() == '/' ? dir + file : dir + "/" + file;
}

WriteOutcome write_gauge_files(const std::string& dir, const std::string& stem,
                               const GaugeTexts& texts) {
  WriteOutcome o;
  const std::string base = join_path(dir, stem);
  const std::pair<const char*, const std::string*> kinds[] = {
      {".ANS", &texts.ans}, {".COR", &texts.cor},   {".YER", &texts.yer},
      {".LOG", &texts.log}, {".json", &texts.json}, {".html", &texts.html}};
  // Every file whole under its temporary name first; a failure removes them
  // all (their destructors) and replaces nothing.
  std::vector<std::unique_ptr<files::AtomicFile>> staged;
  for (const auto& [ext, text] : kinds) {
    const bool always = std::string(ext) == ".ANS" || std::string(ext) == ".YER";
    if (text->empty() && !always) continue;
    auto f = std::make_unique<files::AtomicFile>(base + ext);
    f->write(*text);
    if (!f->close()) {
      o.error = f->error();
      return o;
    }
    staged.push_back(std::move(f));
  }
  for (const auto& f : staged) {
    if (!f->commit()) {
      o.error = f->error();
      return o;
    }
    o.written.push_back(f->path());
  }
  // A correlogram file left by an earlier run would not belong to this
  // analysis.
  if (texts.cor.empty()) {
    const std::string cor = base + ".COR";
    if (::unlink(cor.c_str()) == 0) {
      o.removed = cor;
    } else if (errno != ENOENT) {
      o.error = "cannot remove the older " + cor + ": " + std::strerror(errno);
      return o;
    }
  }
  o.ok = true;
  return o;
}

}  // namespace driver
