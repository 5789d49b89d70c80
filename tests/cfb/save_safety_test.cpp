// Saves over files that exist, as a workbook file or an HTML page: what the
// file was (permissions, owner, links) is kept, a file the user may not write
// is refused, and a save that fails or is killed leaves the earlier file whole.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "cfb/compound_file.h"
#include "tablirex/limits.h"
#include "tablirex/workbook.h"
#include "tablirex/worksheet.h"

namespace tablirex {
namespace {

namespace fs = std::filesystem;

std::string Slurp(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

bool IsCompoundFile(const fs::path& p) { return Slurp(p).rfind("\xD0\xCF\x11\xE0", 0) == 0; }

Ref<TXLSWorkbook> SmallBook() {
  auto wb = MakeRef<TXLSWorkbook>();
  wb->GetWorksheets()->Add()->Range("A1")->SetValue(TVariant(std::string("new")));
  return wb;
}

class SaveSafety : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("tablirex_save_" + std::to_string(::getpid()) + "_" +
                                        ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }
  fs::path Old(const char* name, fs::perms perms) {
    const fs::path p = dir_ / name;
    std::ofstream(p) << "old";
    fs::permissions(p, perms);
    return p;
  }
  std::size_t Files() { return static_cast<std::size_t>(std::distance(fs::directory_iterator(dir_), {})); }
  fs::path dir_;
};

// The workbook file and an HTML page are saved by the same rules.
struct TSavedAs {
  const char* ext;
  std::int32_t format;
  bool (*isNew)(const fs::path&);
};
const TSavedAs kFormats[] = {
    {".xls", xlExcel97, IsCompoundFile},
    {".htm", xlHTML, [](const fs::path& p) { return Slurp(p).rfind("<!DOCTYPE html>", 0) == 0; }},
};

TEST_F(SaveSafety, TheTargetKeepsWhatItWas) {
  using P = fs::perms;
  auto wb = SmallBook();
  for (const TSavedAs& f : kFormats) {
    SCOPED_TRACE(f.ext);
    const std::string ext = f.ext;
    // Permission bits, and the owner (a process may give a file away only as root).
    const fs::path priv = Old(("private" + ext).c_str(), P::owner_read | P::owner_write);
    if (::geteuid() == 0) {
      ASSERT_EQ(::chown(priv.c_str(), 65534, 65534), 0);
    }
    ASSERT_EQ(wb->SaveAs(priv.string(), f.format), 1) << wb->GetLastError();
    struct stat st {};
    ASSERT_EQ(::stat(priv.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u);
    if (::geteuid() == 0) {
      EXPECT_EQ(st.st_uid, 65534u);
    }
    EXPECT_TRUE(f.isNew(priv));

    // A read-only file is refused, even for a user who could write it anyway.
    const fs::path ro = Old(("readonly" + ext).c_str(), P::owner_read | P::group_read | P::others_read);
    EXPECT_EQ(wb->SaveAs(ro.string(), f.format), -1);
    EXPECT_NE(wb->GetLastError().find("read-only"), std::string::npos) << wb->GetLastError();
    EXPECT_EQ(Slurp(ro), "old");

    // A symbolic link (relative, through a second link) stays a link; the file it
    // names gets the content.
    fs::create_directories(dir_ / "real");
    const fs::path real = dir_ / "real" / ("book" + ext);
    std::ofstream(real) << "old";
    fs::create_symlink("real/book" + ext, dir_ / ("link1" + ext));
    fs::create_symlink("link1" + ext, dir_ / ("link2" + ext));
    ASSERT_EQ(wb->SaveAs((dir_ / ("link2" + ext)).string(), f.format), 1) << wb->GetLastError();
    EXPECT_TRUE(fs::is_symlink(dir_ / ("link2" + ext)));
    EXPECT_TRUE(fs::is_symlink(dir_ / ("link1" + ext)));
    EXPECT_TRUE(f.isNew(real));
  }
  EXPECT_EQ(static_cast<std::size_t>(std::distance(fs::directory_iterator(dir_ / "real"), {})), 2u);

  // Hard links keep sharing one file, which has the new content.
  const fs::path a = Old("a.xls", P::owner_read | P::owner_write);
  fs::create_hard_link(a, dir_ / "b.xls");
  ASSERT_EQ(wb->SaveAs(a.string()), 1) << wb->GetLastError();
  EXPECT_EQ(fs::hard_link_count(a), 2u);
  EXPECT_TRUE(fs::equivalent(a, dir_ / "b.xls"));
  EXPECT_EQ(Slurp(dir_ / "b.xls"), Slurp(a));
  EXPECT_TRUE(IsCompoundFile(dir_ / "b.xls"));

  // A NUL byte would cut the name short and hit another file, in every format.
  const fs::path cut = Old("m8_target.txt", P::owner_read | P::owner_write);
  const std::string withNul = cut.string() + std::string(1, '\0') + ".htm";
  for (const int format : {1, 2, 3}) {
    EXPECT_EQ(wb->SaveAs(withNul, format), -1) << format;
    EXPECT_NE(wb->GetLastError().find("NUL"), std::string::npos) << wb->GetLastError();
  }
  EXPECT_EQ(Slurp(cut), "old");
  // No temporary is left anywhere.
  for (const auto& e : fs::directory_iterator(dir_))
    EXPECT_EQ(e.path().string().find(".~tlx"), std::string::npos) << e.path();
}

TEST_F(SaveSafety, UnprivilegedUserMayNotReplaceAnotherUsersFile) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root to become another user";
  using P = fs::perms;
  // The directory is open to all, so only the file's own permissions stand in the way.
  fs::permissions(dir_, P::all);
  for (const TSavedAs& f : kFormats) {
    const fs::path p = Old((std::string("root") + f.ext).c_str(),
                           P::owner_read | P::owner_write | P::group_read | P::others_read);
    EXPECT_EXIT(
        {
          if (::setgid(65534) != 0 || ::setuid(65534) != 0) std::_Exit(2);
          auto wb = SmallBook();
          const bool refused = wb->SaveAs(p.string(), f.format) == -1 && !wb->GetLastError().empty();
          std::_Exit(refused ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "")
        << f.ext;
    EXPECT_EQ(Slurp(p), "old") << f.ext;
  }
  EXPECT_EQ(Files(), std::size(kFormats));
}

TEST_F(SaveSafety, FullDiskAndKilledSavesLeaveTheOldFile) {
  using P = fs::perms;
  const fs::path p = Old("book.xls", P::owner_read | P::owner_write);
  // A file-size limit makes writes fail as a full disk does.
  EXPECT_EXIT(
      {
        ::signal(SIGXFSZ, SIG_IGN);
        rlimit lim;
        lim.rlim_cur = lim.rlim_max = 64 * 1024;
        if (::setrlimit(RLIMIT_FSIZE, &lim) != 0) std::_Exit(2);
        auto wb = MakeRef<TXLSWorkbook>();
        IXLSWorksheet* s = wb->GetWorksheets()->Add();
        for (std::uint16_t r = 0; r < 20000; ++r) s->WriteNumber(r, 0, r);
        const bool failed = wb->SaveAs(p.string()) == -1 && !wb->GetLastError().empty();
        std::_Exit(failed ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "");
  EXPECT_EQ(Slurp(p), "old");
  EXPECT_EQ(Files(), 1u);

  // A save killed halfway leaves its temporary; the next save of the file removes it.
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    TCompoundFile cf;
    const std::uint8_t bytes[100] = {};
    if (cf.Create(p.string()) == 1 && cf.CreateStream(u"Workbook") == 1) (void)cf.Write(bytes, sizeof bytes);
    ::raise(SIGKILL);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFSIGNALED(status));
  EXPECT_EQ(Files(), 2u);
  EXPECT_EQ(Slurp(p), "old");
  auto wb = SmallBook();
  ASSERT_EQ(wb->SaveAs(p.string()), 1) << wb->GetLastError();
  EXPECT_EQ(Files(), 1u);
  EXPECT_TRUE(IsCompoundFile(p));
}

}  // namespace
}  // namespace tablirex
