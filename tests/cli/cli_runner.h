// Runs quillnote-cli in a fresh temporary folder per test and captures its
// exit status, standard output and standard error.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "song/file_io.h"
#include "song/song_file.h"

namespace qn::test {

namespace fs = std::filesystem;

struct CliResult {
    int status;
    std::string out, err;
};

class CliTest : public ::testing::Test {
protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        directory = fs::temp_directory_path() / ("qn_cli_" + std::to_string(::getpid()) + "_" +
                                                 info->test_suite_name() + "_" + info->name());
        fs::remove_all(directory);
        fs::create_directories(directory);
    }
    void TearDown() override { fs::remove_all(directory); }

    std::string Path(const std::string& name) const { return (directory / name).string(); }
    // The path quoted for the shell, with a trailing space.
    std::string Arg(const std::string& name) const { return "'" + Path(name) + "' "; }
    static std::string Slurp(const std::string& path) {
        std::ifstream file(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    }
    // `arguments` are passed to the shell as written, so quote paths.
    CliResult Cli(const std::string& arguments) {
        const std::string command = std::string("'") + QUILLNOTE_CLI + "' " + arguments + " >" + Arg("stdout.txt") +
                                    "2>" + Arg("stderr.txt");
        const int raw = std::system(command.c_str());
        return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, Slurp(Path("stdout.txt")), Slurp(Path("stderr.txt"))};
    }
    static std::vector<uint8_t> ReadFile(const std::string& path) {
        const std::string bytes = Slurp(path);
        return std::vector<uint8_t>(bytes.begin(), bytes.end());
    }
    void WriteFile(const std::string& name, const std::vector<uint8_t>& bytes) {
        ASSERT_TRUE(WriteFileAtomically(Path(name), bytes.data(), bytes.size()));
    }
    // Saves the song as the program does; returns its quoted path.
    std::string Save(SongDocument& doc, const std::string& name) {
        EXPECT_TRUE(SaveSongFile(doc, Path(name), nullptr, nullptr, nullptr));
        return Arg(name);
    }

    fs::path directory;
};

}  // namespace qn::test
