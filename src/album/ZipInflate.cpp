#include "album/ZipInflate.h"

#include <zlib.h>

#include <array>

namespace zv {

namespace {

// Ends the zlib stream on every way out.
struct InflateStream {
    z_stream stream{};
    InflateStream() {
        if (::inflateInit2(&stream, -MAX_WBITS) != Z_OK)
            throw EZipError(ZipFault::Corrupt, "The deflated data cannot be inflated.");
    }
    ~InflateStream() { ::inflateEnd(&stream); }
    InflateStream(const InflateStream&) = delete;
    InflateStream& operator=(const InflateStream&) = delete;
};

} // namespace

void ZipInflate(ZipInput& in, ZipOutput& out) {
    InflateStream inflater;
    z_stream& stream = inflater.stream;
    std::array<std::uint8_t, 65536> input;
    std::array<std::uint8_t, 65536> output;
    bool inputEnded = false;
    while (!out.Full()) {
        if (stream.avail_in == 0 && !inputEnded) {
            stream.next_in = input.data();
            stream.avail_in = static_cast<uInt>(in.Read(input.data(), input.size()));
            inputEnded = stream.avail_in == 0;
        }
        stream.next_out = output.data();
        stream.avail_out = static_cast<uInt>(output.size());
        const int status = ::inflate(&stream, Z_NO_FLUSH);
        const std::size_t produced = output.size() - stream.avail_out;
        out.Write(output.data(), produced);
        if (status == Z_STREAM_END) break;
        if (status == Z_DATA_ERROR || status == Z_NEED_DICT || status == Z_MEM_ERROR)
            throw EZipError(ZipFault::Corrupt, "The deflated data is invalid.");
        if (status == Z_BUF_ERROR && inputEnded && produced == 0) break;
    }
    if (!out.Full()) throw EZipError(ZipFault::Corrupt, "The compressed data ends too soon.");
}

} // namespace zv
