// Which program a user gets: the real dotscape run from a shell with no
// display and a toolkit platform that does not exist. A sub-command must
// run without the toolkit; a file name must start the desktop program,
// which then cannot start its toolkit and says so.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

const std::string kProgram = std::string(DOTSCAPE_BIN_DIR) + "/dotscape";

struct Outcome {
    bool exited = false;
    int status = -1;
    std::string out;
    std::string err;
};

class Dispatch : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir_ = fs::temp_directory_path() / ("dotscape-dispatch-" + std::to_string(::getpid()));
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    // Runs dotscape in its own folder without a display: the toolkit, if it
    // were loaded, could not start.
    Outcome run(const std::string& args) const
    {
        const fs::path out = dir_ / "stdout", err = dir_ / "stderr";
        const std::string command = "cd '" + dir_.string() + "' && ulimit -c 0 && env -u DISPLAY -u WAYLAND_DISPLAY " +
                                    "QT_QPA_PLATFORM=no-such-platform XDG_CONFIG_HOME='" + dir_.string() + "' '" + kProgram +
                                    "' " + args + " </dev/null >'" + out.string() + "' 2>'" + err.string() + "'";
        const int raw = std::system(command.c_str());
        Outcome r;
        r.exited = WIFEXITED(raw);
        r.status = r.exited ? WEXITSTATUS(raw) : -1;
        r.out = slurp(out);
        r.err = slurp(err);
        return r;
    }
    static std::string slurp(const fs::path& p)
    {
        std::ifstream in(p, std::ios::binary);
        std::stringstream ss;
        ss << in.rdbuf();
        return ss.str();
    }

    fs::path dir_;
};

} // namespace

TEST_F(Dispatch, SubCommandsRunWithoutADisplayAndFilesStartTheDesktop)
{
    const Outcome figures = run("figures");
    EXPECT_TRUE(figures.exited);
    EXPECT_EQ(figures.status, 0) << figures.err;
    EXPECT_NE(figures.out.find("Round Crater"), std::string::npos);

    // A file of a sub-command's name does not change what the name means.
    { std::ofstream(dir_ / "figures") << "not a picture"; }
    EXPECT_EQ(run("figures").status, 0);

    // A picture name starts the desktop program, which needs the toolkit.
    { std::ofstream(dir_ / "picture.bmp") << "BM"; }
    const Outcome desktop = run("picture.bmp");
    EXPECT_FALSE(desktop.exited && desktop.status == 0);
    EXPECT_NE(desktop.err.find("platform plugin"), std::string::npos) << desktop.err;
    const Outcome separated = run("-- figures");
    EXPECT_FALSE(separated.exited && separated.status == 0);
    EXPECT_NE(separated.err.find("platform plugin"), std::string::npos) << separated.err;
}

TEST_F(Dispatch, HelpDescribesBothWaysOfStarting)
{
    const Outcome help = run("--help");
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("dotscape [FILE...]"), std::string::npos);
    EXPECT_NE(help.out.find("dotscape COMMAND [OPTIONS]"), std::string::npos);
    EXPECT_NE(help.out.find("without a display"), std::string::npos);
}
