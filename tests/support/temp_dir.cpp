#include "tests/support/temp_dir.h"

#include <fstream>
#include <iterator>
#include <random>

void in_temp_dir::SetUp()
{
    previous = std::filesystem::current_path();
    std::random_device random;
    dir = std::filesystem::temp_directory_path() / ("tobalin-test-" + std::to_string(random()));
    std::filesystem::create_directories(dir);
    std::filesystem::current_path(dir);
}

void in_temp_dir::TearDown()
{
    std::filesystem::current_path(previous);
    std::error_code ignored;
    std::filesystem::remove_all(dir, ignored);
}

std::string file_bytes(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return "<missing>";
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void write_file(const std::filesystem::path& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}
