#pragma once

class QImage;
class QIODevice;

// Writes the image as an 8-bit RGB PNG (zlib level 4: files about a tenth
// larger than at the default level, written in about half the time). Qt's
// writer would first load every image plugin on the system to ask whether
// one of them writes PNG, which costs a small picture more than encoding it.
// False when the device refuses the bytes or the image is empty.
bool WritePng(QIODevice& device, const QImage& image);
