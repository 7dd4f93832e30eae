#include "files/image_parameter_record.h"

namespace {

bool ReadPictureBlock(ByteReader& in, StoredPicture& picture)
{
    picture.width = in.Int32();
    picture.height = in.Int32();
    if (in.failed() || picture.width < 1 || picture.height < 1 || picture.width > MaxStoredPictureSide ||
        picture.height > MaxStoredPictureSide)
        return false;
    const size_t count = StoredPictureElements(picture.width, picture.height);
    if (in.remaining() / sizeof(int32_t) < count)
        return false;
    picture.values.resize(count);
    in.Raw(picture.values.data(), count * sizeof(int32_t));
    return !in.failed();
}

}  // namespace

size_t StoredPictureElements(int32_t width, int32_t height)
{
    return static_cast<size_t>(width + 2) * static_cast<size_t>(height + 2);
}

bool ReadImageParameterRecord(const std::vector<uint8_t>& bytes, ImageParameterRecord& file)
{
    if (bytes.empty())
        return false;
    ByteReader in(bytes);
    bool ok;
    if (bytes[0] == DeepLayoutTag)
        ok = ReadDeepFixedFields(in, file.parameters) && ReadPictureBlock(in, file.picture) &&
             ReadBigFloatRecords(in, file.parameters);
    else
        ok = ReadTextLayoutFields(in, file.parameters) && ReadPictureBlock(in, file.picture);
    return ok && in.remaining() == 0;
}
