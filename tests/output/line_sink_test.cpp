#include "output/line_sink.hpp"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <cerrno>
#include <csignal>
#include <filesystem>
#include <string>

#include "core/errors.hpp"
#include "output/scratch_dir.hpp"

namespace velmor {
namespace {

using testing::ReadFile;
using testing::ScratchDir;
using testing::UnprivilegedScope;
using testing::WriteFile;

const std::string kOldContents = "an earlier report\r\nthat must survive\r\n";

// Writes the lines and commits; returns the error code of the IoError thrown
// anywhere on the way, or 0.
int SaveLines(const std::filesystem::path& target, int lines) {
    try {
        TextFileSink sink(target);
        for (int i = 0; i < lines; ++i) sink.writeLine("line " + std::to_string(i));
        sink.commit();
    } catch (const IoError& error) {
        EXPECT_EQ(std::string(error.what()), "I/O error " + std::to_string(error.code()));
        return error.code();
    }
    return 0;
}

mode_t ModeOf(const std::filesystem::path& path) {
    struct stat status {};
    EXPECT_EQ(::stat(path.c_str(), &status), 0);
    return status.st_mode & 07777;
}

TEST(MemoryLineSink, EndsEveryLineWithCrLf) {
    MemoryLineSink sink;
    sink.writeLine("a");
    sink.writeLine("");
    sink.writeLine("b c ");
    EXPECT_EQ(sink.text(), "a\r\n\r\nb c \r\n");
    EXPECT_EQ(sink.lines.size(), 3u);
}

TEST(TextFileSink, WritesNewFileWithCrLfAndLeavesNothingElse) {
    ScratchDir dir;
    const auto target = dir / "DORVEN_out_5.OUT";
    ASSERT_EQ(SaveLines(target, 3), 0);
    EXPECT_EQ(ReadFile(target), "line 0\r\nline 1\r\nline 2\r\n");
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"DORVEN_out_5.OUT"});
}

TEST(TextFileSink, ReplacesExistingFileKeepingItsPermissions) {
    ScratchDir dir;
    const auto target = dir / "report.OUT";
    WriteFile(target, kOldContents);
    ::chmod(target.c_str(), 0640);
    ASSERT_EQ(SaveLines(target, 1), 0);
    EXPECT_EQ(ReadFile(target), "line 0\r\n");
    EXPECT_EQ(ModeOf(target), 0640u);
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"report.OUT"});
}

TEST(TextFileSink, UncommittedLinesAreDiscarded) {
    ScratchDir dir;
    const auto target = dir / "report.OUT";
    WriteFile(target, kOldContents);
    {
        TextFileSink sink(target);
        sink.writeLine("half a report");
    }
    EXPECT_EQ(ReadFile(target), kOldContents);
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"report.OUT"});
}

TEST(TextFileSink, FollowsSymbolicLinkToTheFileItNames) {
    ScratchDir dir;
    const auto real = dir / "real.OUT";
    const auto link = dir / "link.OUT";
    WriteFile(real, kOldContents);
    std::filesystem::create_symlink(real, link);
    ASSERT_EQ(SaveLines(link, 1), 0);
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(ReadFile(real), "line 0\r\n");
}

TEST(TextFileSinkFailure, FullDeviceGivesNoSpaceAndIsNotReplaced) {
    // /dev/full accepts the open and refuses every write with ENOSPC. It is
    // not a regular file, so it is written directly, never renamed over.
    ASSERT_TRUE(std::filesystem::is_character_file("/dev/full"));
    EXPECT_EQ(SaveLines("/dev/full", 2), ENOSPC);
    EXPECT_TRUE(std::filesystem::is_character_file("/dev/full"));
}

// Lowers the file-size limit for the scope so that writes past it fail with
// EFBIG, as a disk that fills up half way does; the signal that would end the
// process is ignored meanwhile.
class FileSizeLimit {
  public:
    explicit FileSizeLimit(rlim_t bytes) {
        previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        ::getrlimit(RLIMIT_FSIZE, &previous_);
        rlimit limit = previous_;
        limit.rlim_cur = bytes;
        ok_ = ::setrlimit(RLIMIT_FSIZE, &limit) == 0;
    }
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &previous_);
        std::signal(SIGXFSZ, previousHandler_);
    }
    bool ok() const { return ok_; }

  private:
    rlimit previous_{};
    void (*previousHandler_)(int);
    bool ok_ = false;
};

TEST(TextFileSinkFailure, FailingHalfWayKeepsTheEarlierFile) {
    ScratchDir dir;
    const auto target = dir / "report.OUT";
    const std::string old(4096, 'x');
    WriteFile(target, old);
    int code = 0;
    bool limited = false;
    {
        FileSizeLimit limit(100);  // about a dozen lines fit
        limited = limit.ok();
        code = SaveLines(target, 1000);
    }
    ASSERT_TRUE(limited);
    EXPECT_EQ(code, EFBIG);
    EXPECT_EQ(ReadFile(target), old);
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"report.OUT"});
}

TEST(TextFileSinkFailure, ReadOnlyDirectoryRefusesTheNewFile) {
    ScratchDir dir;
    const auto folder = dir / "locked";
    std::filesystem::create_directory(folder);
    const auto target = folder / "report.OUT";
    WriteFile(target, kOldContents);
    ::chmod(target.c_str(), 0666);  // the file itself may be written...
    ::chmod(folder.c_str(), 0555);  // ...but nothing may be created beside it
    int code = 0;
    {
        UnprivilegedScope unprivileged;
        ASSERT_TRUE(unprivileged.ok());
        code = SaveLines(target, 2);
        EXPECT_EQ(SaveLines(folder / "new.OUT", 2), EACCES);
    }
    EXPECT_EQ(code, EACCES);
    EXPECT_EQ(ReadFile(target), kOldContents);
    ::chmod(folder.c_str(), 0755);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder), {}), 1);
}

TEST(TextFileSinkFailure, WriteProtectedFileIsNotReplaced) {
    ScratchDir dir;
    const auto target = dir / "report.OUT";
    WriteFile(target, kOldContents);
    ::chmod(target.c_str(), 0444);
    ::chmod(dir.path().c_str(), 0777);  // a rename would be allowed
    int code = 0;
    {
        UnprivilegedScope unprivileged;
        ASSERT_TRUE(unprivileged.ok());
        code = SaveLines(target, 2);
    }
    EXPECT_EQ(code, EACCES);
    EXPECT_EQ(ReadFile(target), kOldContents);
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"report.OUT"});
}

TEST(TextFileSinkFailure, PathsThatCannotBeFiles) {
    ScratchDir dir;
    EXPECT_EQ(SaveLines(dir / "missing" / "report.OUT", 1), ENOENT);
    EXPECT_EQ(SaveLines(dir.path(), 1), EISDIR);
    EXPECT_EQ(SaveLines("", 1), ENOENT);
    EXPECT_TRUE(dir.entries().empty());
}

TEST(TextFileSinkFailure, NoWritesAfterCommit) {
    ScratchDir dir;
    TextFileSink sink(dir / "a.TXT");
    sink.writeLine("x");
    sink.commit();
    EXPECT_THROW(sink.writeLine("y"), IoError);
    EXPECT_EQ(ReadFile(dir / "a.TXT"), "x\r\n");
}

}  // namespace
}  // namespace velmor
