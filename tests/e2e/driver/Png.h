// A small PNG writer for screenshots: 8-bit RGB, no filtering, the image
// data in stored (uncompressed) deflate blocks. Portable, no Windows headers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace e2e {

std::uint32_t Crc32(std::span<const std::uint8_t> bytes, std::uint32_t crc = 0);
std::uint32_t Adler32(std::span<const std::uint8_t> bytes, std::uint32_t adler = 1);

// Encodes `rgb` (height rows of width * 3 bytes, top row first) as a PNG file.
// Returns an empty vector when the size is zero, too large, or does not
// match the pixel data.
std::vector<std::uint8_t> EncodePng(std::uint32_t width, std::uint32_t height, std::span<const std::uint8_t> rgb);

} // namespace e2e
