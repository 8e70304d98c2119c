#pragma once
// Test files made by other programs (netpbm, libjpeg's tools) at test time:
// bytes go in on standard input, the file comes back from standard output.

#include "TempFolderTest.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace zvtest {

// What `command` (a shell command reading standard input) writes for the
// input bytes; empty when the command fails or is missing.
inline std::vector<std::uint8_t> PeerMade(const std::string& command,
                                          const std::vector<std::uint8_t>& input) {
    const TempFolder folder;
    const auto in = folder / "in";
    const auto out = folder / "out";
    folder.Write("in", std::string(input.begin(), input.end()));
    const std::string line =
        "(" + command + ") < '" + in.string() + "' > '" + out.string() + "' 2>/dev/null";
    if (std::system(line.c_str()) != 0) return {};
    const std::string bytes = ReadText(out);
    return {bytes.begin(), bytes.end()};
}

// A binary PNM (P6 colour, P5 grey) or, with alpha, a PAM of the samples.
inline std::vector<std::uint8_t> NetpbmPicture(int width, int height, int channels,
                                               const std::vector<std::uint8_t>& samples) {
    std::string head;
    if (channels == 1 || channels == 3) {
        head = std::string(channels == 1 ? "P5\n" : "P6\n") + std::to_string(width) + " " +
               std::to_string(height) + "\n255\n";
    } else {
        head = "P7\nWIDTH " + std::to_string(width) + "\nHEIGHT " + std::to_string(height) +
               "\nDEPTH " + std::to_string(channels) + "\nMAXVAL 255\nTUPLTYPE " +
               (channels == 2 ? "GRAYSCALE_ALPHA" : "RGB_ALPHA") + "\nENDHDR\n";
    }
    std::vector<std::uint8_t> file(head.begin(), head.end());
    file.insert(file.end(), samples.begin(), samples.end());
    return file;
}

} // namespace zvtest
