#include "cli/exr_map.h"

#include <OpenEXR/ImfChannelList.h>
#include <OpenEXR/ImfFrameBuffer.h>
#include <OpenEXR/ImfHeader.h>
#include <OpenEXR/ImfIntAttribute.h>
#include <OpenEXR/ImfOutputFile.h>
#include <OpenEXR/ImfStdIO.h>
#include <OpenEXR/ImfStringAttribute.h>

#include <exception>

#include "platform/whole_file.h"

namespace {

Imf::Slice SliceOf(Imf::PixelType type, const void* values, int32_t width)
{
    // OpenEXR reads the buffers it writes from through non-const pointers.
    return Imf::Slice(type, const_cast<char*>(static_cast<const char*>(values)), 4, size_t{4} * width);
}

}  // namespace

bool WriteExrMap(const std::string& path, const ExrMap& map)
{
    try {
        Imf::Header header(map.width, map.height);
        header.channels().insert("escape", Imf::Channel(Imf::UINT));
        header.channels().insert("A", Imf::Channel(Imf::FLOAT));
        header.channels().insert("B", Imf::Channel(Imf::FLOAT));
        if (map.continuous)
            header.channels().insert("continuous", Imf::Channel(Imf::FLOAT));
        for (const auto& [name, text] : map.texts)
            header.insert(name, Imf::StringAttribute(text));
        for (const auto& [name, number] : map.numbers)
            header.insert(name, Imf::IntAttribute(number));
        Imf::FrameBuffer buffer;
        buffer.insert("escape", SliceOf(Imf::UINT, map.escape, map.width));
        buffer.insert("A", SliceOf(Imf::FLOAT, map.a, map.width));
        buffer.insert("B", SliceOf(Imf::FLOAT, map.b, map.width));
        if (map.continuous)
            buffer.insert("continuous", SliceOf(Imf::FLOAT, map.continuous, map.width));
        Imf::StdOSStream stream;
        {
            // The file's table of line offsets is written when it closes.
            Imf::OutputFile file(stream, header);
            file.setFrameBuffer(buffer);
            file.writePixels(map.height);
        }
        const std::string written = stream.str();
        return WriteFileAtomically(path, std::vector<uint8_t>(written.begin(), written.end()));
    } catch (const std::exception&) {
        return false;
    }
}
