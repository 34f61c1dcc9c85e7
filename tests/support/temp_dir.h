#ifndef TOBALIN_TESTS_TEMP_DIR_H
#define TOBALIN_TESTS_TEMP_DIR_H

#include <filesystem>
#include <string>

#include <gtest/gtest.h>

// Runs each test in a fresh directory of its own, which is the current
// directory while the test runs (the program writes its files there).
class in_temp_dir : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    std::filesystem::path dir;

private:
    std::filesystem::path previous;
};

// The bytes of a file, or "<missing>" when it does not exist.
std::string file_bytes(const std::filesystem::path& path);
void write_file(const std::filesystem::path& path, const std::string& bytes);

#endif
