#pragma once
// Runs the real dotscape program from a shell in a folder of its own, with a
// configuration folder of its own, and collects its status and messages.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

struct ProgramOutcome {
    int status = -1;
    std::string out;
    std::string err;
};

class ProgramTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir_ = std::filesystem::temp_directory_path() /
               ("dotscape-prog-" + std::to_string(::getpid()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_ / "config");
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    // Runs dotscape with args (quoted as the shell needs), standard input
    // from /dev/null.
    ProgramOutcome run(const std::string& args) const
    {
        const auto out = dir_ / "stdout", err = dir_ / "stderr";
        const std::string command = (inFolder_ ? "cd '" + dir_.string() + "' && " : std::string()) +
                                    "XDG_CONFIG_HOME='" + (dir_ / "config").string() + "' XDG_DATA_HOME='" +
                                    (dir_ / "data").string() + "' '" + DOTSCAPE_BIN_DIR + "/dotscape' " + args +
                                    " </dev/null >'" + out.string() + "' 2>'" + err.string() + "'";
        ProgramOutcome r;
        const int raw = std::system(command.c_str());
        r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        r.out = slurp(out);
        r.err = slurp(err);
        return r;
    }
    static std::string slurp(const std::filesystem::path& p)
    {
        std::ifstream in(p, std::ios::binary);
        std::stringstream ss;
        ss << in.rdbuf();
        return ss.str();
    }
    std::string path(const std::string& name) const { return (dir_ / name).string(); }

    std::filesystem::path dir_;
    bool inFolder_ = false; // run the program in dir_, so relative names are its files
};
