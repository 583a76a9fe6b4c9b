// The history file under pressure: a huge file, sessions appending side by
// side past the limit, and paths that are not the user's own regular file.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "app/history_file.h"

namespace {

// "'PATH' WHAT", as the history file's problems read. Built with appends:
// GCC 12 gives a false -Wrestrict warning on chains of + here.
std::string problem_text(const std::string& path, const char* what)
{
    std::string text = "'";
    text.append(path).append("' ").append(what);
    return text;
}

// One typed entry of a writer.
std::string entry_of(int writer, int i)
{
    std::string text = "w";
    text.append(std::to_string(writer)).append(" ").append(std::to_string(i));
    return text;
}

using zirn::app::HistoryFile;

class HistoryPressure : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_folder = std::filesystem::temp_directory_path() /
                   ("zirn-history-pressure-" + std::to_string(::getpid()) + "-" +
                    ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(m_folder);
        std::filesystem::create_directories(m_folder);
    }
    void TearDown() override { std::filesystem::remove_all(m_folder); }

    std::string path() const { return (m_folder / "history").string(); }
    std::string file_at(const std::string& name) const { return (m_folder / name).string(); }
    static std::vector<std::string> lines_of(const std::string& file)
    {
        std::vector<std::string> result;
        std::ifstream in(file);
        for (std::string line; std::getline(in, line);) result.push_back(line);
        return result;
    }
    static std::string text_of(const std::string& file)
    {
        std::ifstream in(file);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    std::filesystem::path m_folder;
};

TEST_F(HistoryPressure, AHugeFileIsReadFromItsEndOnly)
{
    // 64 GiB of nothing (a sparse file takes no room), then the entries. A
    // load that read it all would never finish or run out of memory.
    {
        const int fd = ::open(path().c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ASSERT_GE(fd, 0);
        const off_t hole = off_t{64} << 30;
        if (::ftruncate(fd, hole) != 0) {
            ::close(fd);
            GTEST_SKIP() << "this file system holds no 64 GiB sparse file";
        }
        std::string tail = "\n";
        for (int i = 0; i < 1500; ++i) tail += "entry " + std::to_string(i) + "\n";
        ASSERT_EQ(::pwrite(fd, tail.data(), tail.size(), hole), static_cast<ssize_t>(tail.size()));
        ::close(fd);
    }
    HistoryFile history(path(), 1000);
    const std::vector<std::string> entries = history.load();
    ASSERT_EQ(entries.size(), 1000u);
    EXPECT_EQ(entries.front(), "entry 500");
    EXPECT_EQ(entries.back(), "entry 1499");
    EXPECT_EQ(history.problem(), "");
    // Cut down to what is kept.
    const std::vector<std::string> kept = lines_of(path());
    ASSERT_EQ(kept.size(), 1000u);
    EXPECT_EQ(kept.front(), "entry 500");
}

TEST_F(HistoryPressure, AFileWithoutLineFeedsCostsABoundedRead)
{
    // One endless line: nothing of it is an entry the bounded read can see
    // whole, and the start goes on.
    {
        const int fd = ::open(path().c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ASSERT_GE(fd, 0);
        if (::ftruncate(fd, off_t{64} << 30) != 0) {
            ::close(fd);
            GTEST_SKIP() << "this file system holds no 64 GiB sparse file";
        }
        ::close(fd);
    }
    HistoryFile history(path(), 1000);
    EXPECT_TRUE(history.load().empty());
    EXPECT_EQ(history.problem(), "");
    history.append("after");
    EXPECT_EQ(lines_of(path()).back(), "after");
}

TEST_F(HistoryPressure, SessionsSideBySideLoseOnlyWhatTheLimitDrops)
{
    constexpr int writers = 3;
    constexpr int each = 3000;
    constexpr std::size_t limit = 1000;
    std::vector<pid_t> children;
    for (int writer = 0; writer < writers; ++writer) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            HistoryFile history(path(), limit);
            history.load();
            for (int i = 0; i < each; ++i) history.append(entry_of(writer, i));
            ::_exit(0);
        }
        children.push_back(child);
    }
    for (const pid_t child : children) {
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    // Each writer's entries that are left are its newest, without a gap;
    // together at least the limit of them.
    std::map<int, std::vector<int>> kept;
    const std::vector<std::string> lines = lines_of(path());
    for (const std::string& line : lines) {
        int writer = -1, number = -1;
        ASSERT_EQ(std::sscanf(line.c_str(), "w%d %d", &writer, &number), 2) << "damaged line: " << line;
        kept[writer].push_back(number);
    }
    EXPECT_GE(lines.size(), limit);
    for (const auto& [writer, numbers] : kept) {
        ASSERT_FALSE(numbers.empty());
        EXPECT_EQ(numbers.back(), each - 1) << "writer " << writer;
        for (std::size_t i = 1; i < numbers.size(); ++i) {
            ASSERT_EQ(numbers[i], numbers[i - 1] + 1) << "writer " << writer << " lost entries after " << numbers[i - 1];
        }
    }
    // The next session sees exactly the newest entries of the limit.
    HistoryFile later(path(), limit);
    EXPECT_EQ(later.load().size(), limit);
    EXPECT_EQ(lines_of(path()).size(), limit);
}

TEST_F(HistoryPressure, ASymbolicLinkIsNeverFollowed)
{
    { std::ofstream(file_at("passwd")) << "root:x:0:0\n"; }
    std::filesystem::create_symlink(file_at("passwd"), path());
    HistoryFile history(path(), 1000);
    EXPECT_TRUE(history.load().empty());
    EXPECT_EQ(history.problem(), problem_text(path(), "is a symbolic link"));
    history.append("typed");
    EXPECT_EQ(text_of(file_at("passwd")), "root:x:0:0\n");
    EXPECT_TRUE(std::filesystem::is_symlink(path()));

    // A dangling link is not made into a file either.
    std::filesystem::remove(path());
    std::filesystem::create_symlink(file_at("elsewhere"), path());
    HistoryFile dangling(path(), 1000);
    dangling.load();
    EXPECT_NE(dangling.problem(), "");
    dangling.append("typed");
    EXPECT_FALSE(std::filesystem::exists(file_at("elsewhere")));
}

TEST_F(HistoryPressure, OnlyARegularFileOfTheUserIsUsed)
{
    // A fifo would block the start for ever, waiting for a writer.
    ASSERT_EQ(::mkfifo(path().c_str(), 0600), 0);
    HistoryFile fifo(path(), 1000);
    EXPECT_TRUE(fifo.load().empty());
    EXPECT_EQ(fifo.problem(), problem_text(path(), "is not a regular file"));
    std::filesystem::remove(path());

    std::filesystem::create_directory(path());
    HistoryFile folder(path(), 1000);
    folder.load();
    EXPECT_EQ(folder.problem(), problem_text(path(), "is not a regular file"));
    std::filesystem::remove(path());

    // Somebody else's file (only a privileged test can make one).
    { std::ofstream(path()) << "theirs\n"; }
    if (::geteuid() == 0 && ::chown(path().c_str(), 65534, 65534) == 0) {
        HistoryFile foreign(path(), 1000);
        EXPECT_TRUE(foreign.load().empty());
        EXPECT_EQ(foreign.problem(), problem_text(path(), "belongs to another user"));
        foreign.append("typed");
        EXPECT_EQ(text_of(path()), "theirs\n");
    }
}

}  // namespace
