#pragma once
// Reading and patching the headers of RIFF/AVI files the program wrote.
#include <QString>
#include <cstdint>

namespace vistrel::media {

// Rewrites the video stream header's scale and rate (two little-endian
// 32-bit values, scale first) of an AVI file in place. False when the file
// cannot be opened or has no video stream header; the file is then unchanged.
bool RewriteAviVideoRate(const QString &file, std::uint32_t scale, std::uint32_t rate);

}  // namespace vistrel::media
