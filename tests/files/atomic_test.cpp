#include "files/atomic.hpp"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "support/files.hpp"

namespace files {
namespace {

namespace fs = std::filesystem;
using rivan6_test::read_file;

// The names in a folder.
std::vector<std::string> names_in(const fs::path& dir) {
  std::vector<std::string> v;
  for (const auto& e : fs::directory_iterator(dir)) v.push_back(e.path().filename());
  std::sort(v.begin(), v.end());
  return v;
}

// The old file stays whole until the new one is committed; an abandoned file
// leaves nothing behind; a committed one has an ordinary file's mode.
TEST(AtomicFile, ReplacesOnlyOnCommitAndLeavesNoTemporaryFile) {
  const rivan6_test::TempDir dir;
  const std::string path = (dir / "G.ANS").string();
  rivan6_test::write_file(path, "old\n");
  {
    AtomicFile f(path);
    ASSERT_TRUE(f.ok()) << f.error();
    f.stream() << "new\n";
    ASSERT_TRUE(f.close());
    EXPECT_EQ(read_file(path), "old\n");
    ASSERT_TRUE(f.commit()) << f.error();
  }
  EXPECT_EQ(read_file(path), "new\n");
  {
    AtomicFile abandoned((dir / "H.ANS").string());
    abandoned.stream() << "half";
  }
  EXPECT_EQ(names_in(dir.path()), std::vector<std::string>{"G.ANS"});
  const mode_t mask = ::umask(0);
  ::umask(mask);
  struct stat st {};
  ASSERT_EQ(::stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0666 & ~mask);
}

TEST(AtomicFile, FailuresNameTheFileAndTheReason) {
  const rivan6_test::TempDir dir;
  std::string error;
  const std::string missing = (dir / "no" / "such" / "G.YER").string();
  EXPECT_FALSE(write_file_atomically(missing, "x", error));
  EXPECT_EQ(error, "cannot create " + missing + ": No such file or directory");
  // A directory in the way of the rename.
  fs::create_directories(dir / "G.json" / "inside");
  EXPECT_FALSE(write_file_atomically((dir / "G.json").string(), "{}", error));
  EXPECT_EQ(error.rfind("cannot write " + (dir / "G.json").string() + ": ", 0), 0u) << error;
  EXPECT_EQ(names_in(dir.path()), std::vector<std::string>{"G.json"});
}

}  // namespace
}  // namespace files
