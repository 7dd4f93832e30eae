#include "files/byte_buffer.h"

void ByteWriter::Text(const std::string& text, size_t fieldSize)
{
    const size_t used = text.size() < fieldSize ? text.size() : fieldSize;
    Raw(text.data(), used);
    bytes_.insert(bytes_.end(), fieldSize - used, 0);
}

std::string ByteReader::Text(size_t fieldSize)
{
    std::string field(fieldSize, '\0');
    Raw(field.data(), fieldSize);
    const size_t end = field.find('\0');
    if (end != std::string::npos)
        field.resize(end);
    return field;
}
