#pragma once
// The error classes of the image-format layer. Each carries the message the
// user sees; callers show it as it stands.

#include <stdexcept>
#include <string>

namespace zv {

// The image's general errors: "Invalid image format", "Frame %d does not exist", ...
class EInvalidGraphic : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The pixel converter's errors: "Invalid color depth.", "Color conversion failed.", ...
class EColorConversionError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The BMP, PCX and TGA codec's errors: "gbm_read_header failed." and its siblings.
class EGbmError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class ETgaError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class EPNGError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Messages read "ETiffError " followed by the failing call or the reason.
class ETiffError : public std::runtime_error {
public:
    explicit ETiffError(const std::string& what) : std::runtime_error("ETiffError " + what) {}
};

// A reader asked for bytes past the end of its data. Readers turn it into
// their own error with their own message.
class EReadPastEnd : public std::runtime_error {
public:
    EReadPastEnd() : std::runtime_error("read past the end of the data") {}
};

// printf-style filling of the layer's message templates ("Frame %d does not exist").
std::string FormatMessage(const char* templ, const std::string& first,
                          const std::string& second = {});

} // namespace zv
