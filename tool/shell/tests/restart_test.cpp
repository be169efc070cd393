// RestartProgram with real processes: the old instance ends, exactly one new one starts, with no
// arguments; when the program file is gone, none starts and nothing is said.
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <sstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

struct Events {
    std::vector<std::string> lines;
    int Count(const std::string& what) const
    {
        int n = 0;
        for (const auto& l : lines)
            n += l.find(" " + what) != std::string::npos;
        return n;
    }
};

Events ReadEvents(const fs::path& dir)
{
    Events e;
    std::ifstream in(dir / "events");
    for (std::string line; std::getline(in, line);)
        e.lines.push_back(line);
    return e;
}

// Starts the program with one argument in its own folder of events; returns its exit status
// (-1 when it did not end within the time).
int RunProbe(const fs::path& program, const fs::path& dir, bool deleteSelf, const fs::path& errFile)
{
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::setenv("RESTART_PROBE_DIR", dir.c_str(), 1);
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
        // A runtime folder of its own, so that Qt has nothing to warn about on stderr.
        const fs::path runtime = dir / "runtime";
        ::mkdir(runtime.c_str(), 0700);
        ::setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
        if (deleteSelf)
            ::setenv("RESTART_PROBE_DELETE_SELF", "1", 1);
        if (std::FILE* err = std::freopen(errFile.c_str(), "w", stderr))
            (void)err;
        ::execl(program.c_str(), program.c_str(), "first", static_cast<char*>(nullptr));
        ::_exit(127);
    }
    for (int i = 0; i < 300; ++i) {
        int status = 0;
        if (::waitpid(pid, &status, WNOHANG) == pid)
            return WIFEXITED(status) ? WEXITSTATUS(status) : -2;
        std::this_thread::sleep_for(50ms);
    }
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
    return -1;
}

class RestartTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char tmpl[] = "/tmp/restart_test.XXXXXX";
        m_dir = ::mkdtemp(tmpl);
        m_probe = m_dir / "probe";
        fs::copy_file(std::getenv("RESTART_PROBE"), m_probe);
    }
    void TearDown() override { fs::remove_all(m_dir); }
    fs::path m_dir, m_probe;
};

TEST_F(RestartTest, TheOldInstanceEndsAndExactlyOneNewOneStartsWithNoArguments)
{
    ASSERT_EQ(RunProbe(m_probe, m_dir, false, m_dir / "stderr"), 0);
    Events e;
    for (int i = 0; i < 200 && (e = ReadEvents(m_dir)).Count("ended") < 2; ++i)
        std::this_thread::sleep_for(50ms);
    std::this_thread::sleep_for(500ms);  // time enough for a second, unwanted restart
    e = ReadEvents(m_dir);
    std::ostringstream all;
    for (const auto& l : e.lines)
        all << l << "\n";
    ASSERT_EQ(e.Count("start"), 2) << all.str();
    EXPECT_EQ(e.Count("ended"), 2) << all.str();
    EXPECT_EQ(e.Count("start 2"), 1) << "the first was started with one argument\n" << all.str();
    EXPECT_EQ(e.Count("start 1"), 1) << "the new one gets none\n" << all.str();
    // RestartProgram returns before the old window has closed: the close is queued.
    EXPECT_EQ(e.Count("returned open"), 1) << all.str();
}

TEST_F(RestartTest, NoInstanceStartsWhenTheProgramFileIsGone)
{
    ASSERT_EQ(RunProbe(m_probe, m_dir, true, m_dir / "stderr"), 0);
    std::this_thread::sleep_for(1s);
    const Events e = ReadEvents(m_dir);
    EXPECT_FALSE(fs::exists(m_probe));
    EXPECT_EQ(e.Count("start"), 1);
    EXPECT_EQ(e.Count("returned open"), 1);
    EXPECT_EQ(e.Count("ended"), 1);
    std::ifstream err(m_dir / "stderr");
    const std::string said((std::istreambuf_iterator<char>(err)), {});
    EXPECT_EQ(said, "");
}

} // namespace
