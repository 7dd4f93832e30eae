#include "cli/raw_dump.h"

#include "files/byte_buffer.h"
#include "platform/whole_file.h"

bool WriteRawDump(const std::string& path, const RawDumpHeader& header,
                  const std::vector<int32_t>& escapeValues, const float* a, const float* b)
{
    const size_t count = static_cast<size_t>(header.width) * header.height;
    if (escapeValues.size() < count)
        return false;
    ByteWriter out;
    out.Raw("QXRAW001", 8);
    for (int32_t field : {header.width, header.height, header.variant, header.deep, header.precisionBits})
        out.Int32(field);
    // The values are written from the buffers: a joined copy would be
    // megabytes of fresh pages.
    return WriteFileAtomically(path, {std::as_bytes(std::span(out.bytes())),
                                      std::as_bytes(std::span(escapeValues.data(), count)),
                                      std::as_bytes(std::span(a, count)), std::as_bytes(std::span(b, count))});
}
