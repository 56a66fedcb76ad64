// Pattern files: the 192-byte grid image, loading short and long files, and
// saves that never leave a damaged slot behind.
#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "sequencer.h"

namespace {
class PatternFiles : public ::testing::Test {
 protected:
  std::string dir;
  void SetUp() override {
    char name[] = "/tmp/pegpond-pattern-XXXXXX";
    dir = mkdtemp(name);
    ClearGrid();
  }
  void TearDown() override {
    chmod(dir.c_str(), 0700);
    std::string cmd = "rm -rf '" + dir + "'";
    EXPECT_EQ(std::system(cmd.c_str()), 0);
  }
  std::string Path(const char* name) const { return dir + "/" + name; }
  static std::vector<uint8_t> Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
  }
  static void Write(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  }
  int EntryCount() const {
    int n = 0;
    DIR* d = opendir(dir.c_str());
    while (dirent* e = readdir(d))
      if (e->d_name[0] != '.') ++n;
    closedir(d);
    return n;
  }
};

TEST(PatternNames, SlotsAreMotifOneToNine) {
  char name[16];
  PatternFileName(1, name);
  EXPECT_STREQ(name, "motif1.pat");
  PatternFileName(9, name);
  EXPECT_STREQ(name, "motif9.pat");
}

TEST_F(PatternFiles, SaveThenLoadRestoresTheGridByteForByte) {
  std::string path = Path("motif1.pat");
  LoadOrSavePattern(path.c_str(), true);
  EXPECT_EQ(Read(path), std::vector<uint8_t>(192, 0));  // an empty grid still writes 192 bytes

  GridCell(0, 0) = 1;   // first byte of the file: bottom row, left
  GridCell(15, 11) = 1;  // last byte: top row, right
  GridCell(8, 3) = 1;
  std::vector<uint8_t> saved(PegGrid, PegGrid + GridCells);
  LoadOrSavePattern(path.c_str(), true);
  std::vector<uint8_t> file = Read(path);
  ASSERT_EQ(file.size(), 192u);
  EXPECT_EQ(file, saved);
  EXPECT_EQ(file[0], 1);
  EXPECT_EQ(file[191], 1);
  EXPECT_EQ(file[8 * 12 + 3], 1);

  ClearGrid();
  LoadOrSavePattern(path.c_str(), false);
  EXPECT_EQ(std::vector<uint8_t>(PegGrid, PegGrid + GridCells), saved);
  EXPECT_EQ(EntryCount(), 1);  // no temporary file left behind

  struct stat st;
  ASSERT_EQ(stat(path.c_str(), &st), 0);
  mode_t mask = umask(0);
  umask(mask);
  EXPECT_EQ(st.st_mode & 0777, 0666 & ~mask);  // as a plain "wb" open would create it
}

TEST_F(PatternFiles, MissingFileLeavesTheGridAsItWas) {
  GridCell(2, 2) = 1;
  LoadOrSavePattern(Path("motif5.pat").c_str(), false);
  EXPECT_EQ(GridCell(2, 2), 1);
  EXPECT_EQ(EntryCount(), 0);
}

TEST_F(PatternFiles, ShortFileReplacesOnlyTheFirstCellsAndLongFileOnlyItsFirst192Bytes) {
  for (int i = 0; i < GridCells; ++i) PegGrid[i] = 1;
  Write(Path("short.pat"), std::vector<uint8_t>(100, 0));
  LoadOrSavePattern(Path("short.pat").c_str(), false);
  for (int row = 0; row < GridRows; ++row)
    for (int column = 0; column < GridColumns; ++column) {
      bool replaced = row < 8 || (row == 8 && column < 4);
      EXPECT_EQ(HasPeg(row, column), !replaced) << row << "," << column;
    }

  std::vector<uint8_t> longFile(300, 1);
  longFile[0] = 0;
  longFile[191] = 0;
  Write(Path("long.pat"), longFile);
  LoadOrSavePattern(Path("long.pat").c_str(), false);
  EXPECT_EQ(GridCell(0, 0), 0);
  EXPECT_EQ(GridCell(15, 11), 0);
  EXPECT_EQ(GridCell(0, 1), 1);

  Write(Path("empty.pat"), {});
  LoadOrSavePattern(Path("empty.pat").c_str(), false);
  EXPECT_EQ(GridCell(0, 1), 1);
}

TEST_F(PatternFiles, OtherBytesLoadByBitZeroAndSaveBackUnchanged) {
  std::vector<uint8_t> bytes(192, 0);
  bytes[0] = 2;
  bytes[1] = 255;
  Write(Path("odd.pat"), bytes);
  LoadOrSavePattern(Path("odd.pat").c_str(), false);
  EXPECT_FALSE(HasPeg(0, 0));
  EXPECT_TRUE(HasPeg(0, 1));
  LoadOrSavePattern(Path("again.pat").c_str(), true);
  EXPECT_EQ(Read(Path("again.pat")), bytes);
}

TEST_F(PatternFiles, FailedSaveKeepsTheOldSlotFile) {
  std::vector<uint8_t> old(192, 1);
  std::string path = Path("motif3.pat");
  Write(path, old);

  // A file size limit below 192 bytes makes the write stop short, as a full
  // medium would. Done in a child so the limit stays there.
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    signal(SIGXFSZ, SIG_IGN);
    rlimit limit{100, 100};
    setrlimit(RLIMIT_FSIZE, &limit);
    ClearGrid();
    LoadOrSavePattern(path.c_str(), true);
    _exit(0);
  }
  int status = 0;
  waitpid(child, &status, 0);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(Read(path), old);
  EXPECT_EQ(EntryCount(), 1);  // the partial temporary file is gone

  // A slot name that cannot be replaced (a directory stands there): the
  // temporary file is removed again.
  std::string blocked = Path("motif4.pat");
  mkdir(blocked.c_str(), 0700);
  Write(blocked + "/keep", {1});
  LoadOrSavePattern(blocked.c_str(), true);
  EXPECT_EQ(EntryCount(), 2);
}

TEST_F(PatternFiles, SaveIntoAMissingDirectoryDoesNothing) {
  std::string path = Path("no-such-dir/motif1.pat");
  LoadOrSavePattern(path.c_str(), true);
  EXPECT_EQ(EntryCount(), 0);
}
}  // namespace
