// Compound files: any bytes either open or raise ECompoundFileError; every
// stream of an opened file reads at the size its entry gives, or raises it.

#include "formats/CompoundFile.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    try {
        const zv::CompoundFile file(zv::ByteSpan(data, size));
        for (int index = 0; index < file.EntryCount(); ++index) {
            file.Children(index);
            if (file.Entry(index).type != zv::CompoundEntryType::Stream) continue;
            try {
                if (file.ReadStream(index).size() != file.Entry(index).size) __builtin_trap();
            } catch (const zv::ECompoundFileError&) {
            }
        }
    } catch (const zv::ECompoundFileError&) {
    }
    return 0;
}
