#include "imaging/TempNames.h"

#include <cstdio>
#include <stdexcept>
#include <unistd.h>
#include <utility>

namespace zv {

namespace {

constexpr std::uint32_t kPrefixLimit = 268435455; // prefixes are drawn below this

std::string UpperHex(std::uint32_t value, int minimumDigits) {
    char text[16];
    std::snprintf(text, sizeof text, "%0*X", minimumDigits, value);
    return text;
}

} // namespace

TempNames::TempNames(std::filesystem::path tempFolder, std::uint32_t windowHandle)
    : tempFolder_(std::move(tempFolder)), windowHandle_(windowHandle) {}

void TempNames::DrawPrefix(std::mt19937& random) {
    if (!prefix_.empty()) return;
    std::uniform_int_distribution<std::uint32_t> draw(0, kPrefixLimit - 1);
    prefix_ = UpperHex(draw(random), 8);
}

void TempNames::DrawPrefix(std::uint32_t seed) {
    std::mt19937 random(seed);
    DrawPrefix(random);
}

const std::string& TempNames::TempPrefix() {
    if (prefix_.empty()) DrawPrefix(std::random_device{}());
    return prefix_;
}

std::filesystem::path TempNames::TempFileName(const std::string& name) {
    if (name.find('/') != std::string::npos || name.find('\0') != std::string::npos) {
        throw std::invalid_argument("a temporary file name cannot hold a path: " + name);
    }
    return tempFolder_ / (TempPrefix() + UpperHex(windowHandle_, 8) + name);
}

std::string TempNames::WorkFileStem() {
    return "_" + TempPrefix() + UpperHex(windowHandle_, 4);
}

std::uint32_t ApplicationWindowHandle() {
    return static_cast<std::uint32_t>(getpid());
}

} // namespace zv
