#pragma once
// Names of the run's temporary and work files: a random prefix drawn once a
// run and the application window handle (on Linux the process id).

#include <cstdint>
#include <filesystem>
#include <random>
#include <string>

namespace zv {

class TempNames {
public:
    TempNames(std::filesystem::path tempFolder, std::uint32_t windowHandle);

    // Draws the prefix, 8 upper-case hexadecimal digits of a random integer
    // below 268,435,455. Only the first draw counts; later calls keep it.
    void DrawPrefix(std::mt19937& random);
    void DrawPrefix(std::uint32_t seed);

    // The prefix, drawn from the system's random source if not drawn yet.
    const std::string& TempPrefix();
    // tempFolder/<prefix><handle as 8 upper-case hex digits><name>. The name
    // is a plain file name; one holding "/" or a NUL throws std::invalid_argument.
    std::filesystem::path TempFileName(const std::string& name);
    // "_" + prefix + the handle as at least 4 upper-case hexadecimal digits.
    std::string WorkFileStem();

    const std::filesystem::path& TempFolder() const { return tempFolder_; }
    std::uint32_t WindowHandle() const { return windowHandle_; }

private:
    std::filesystem::path tempFolder_;
    std::uint32_t windowHandle_;
    std::string prefix_;
};

// The application window handle in names: the process id.
std::uint32_t ApplicationWindowHandle();

} // namespace zv
