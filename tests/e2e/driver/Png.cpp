#include "tests/e2e/driver/Png.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace e2e {
namespace {

constexpr std::array<std::uint32_t, 256> MakeCrcTable() {
  std::array<std::uint32_t, 256> table{};
  for (std::uint32_t n = 0; n < 256; ++n) {
    std::uint32_t c = n;
    for (int k = 0; k < 8; ++k) c = (c & 1u) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    table[n] = c;
  }
  return table;
}

constexpr auto kCrcTable = MakeCrcTable();

// Largest payload of one stored deflate block.
constexpr std::size_t kStoredMax = 65535;

// PNG limits width and height to 2^31 - 1; screenshots stay far below.
constexpr std::uint32_t kMaxSide = 1u << 15;

void PutBe32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  out.push_back(static_cast<std::uint8_t>(v >> 24));
  out.push_back(static_cast<std::uint8_t>(v >> 16));
  out.push_back(static_cast<std::uint8_t>(v >> 8));
  out.push_back(static_cast<std::uint8_t>(v));
}

void PutChunk(std::vector<std::uint8_t>& out, std::string_view type, std::span<const std::uint8_t> data) {
  PutBe32(out, static_cast<std::uint32_t>(data.size()));
  const std::size_t typeAt = out.size();
  out.insert(out.end(), type.begin(), type.end());
  out.insert(out.end(), data.begin(), data.end());
  PutBe32(out, Crc32(std::span(out).subspan(typeAt)));
}

} // namespace

std::uint32_t Crc32(std::span<const std::uint8_t> bytes, std::uint32_t crc) {
  crc = ~crc;
  for (const auto b : bytes) crc = kCrcTable[(crc ^ b) & 0xFFu] ^ (crc >> 8);
  return ~crc;
}

std::uint32_t Adler32(std::span<const std::uint8_t> bytes, std::uint32_t adler) {
  constexpr std::uint32_t kMod = 65521;
  std::uint32_t a = adler & 0xFFFFu;
  std::uint32_t b = adler >> 16;
  for (const auto byte : bytes) {
    a = (a + byte) % kMod;
    b = (b + a) % kMod;
  }
  return (b << 16) | a;
}

std::vector<std::uint8_t> EncodePng(std::uint32_t width, std::uint32_t height, std::span<const std::uint8_t> rgb) {
  if (width == 0 || height == 0 || width > kMaxSide || height > kMaxSide) return {};
  const std::size_t stride = std::size_t{width} * 3;
  if (rgb.size() != stride * height) return {};

  // Raw scan lines: filter type 0 (none) before every row.
  std::vector<std::uint8_t> raw;
  raw.reserve((stride + 1) * height);
  for (std::uint32_t y = 0; y < height; ++y) {
    raw.push_back(0);
    const auto row = rgb.subspan(stride * y, stride);
    raw.insert(raw.end(), row.begin(), row.end());
  }

  // zlib stream: header (deflate, 32K window, no dictionary, check bits),
  // stored blocks, Adler-32 of the raw data.
  std::vector<std::uint8_t> z{0x78, 0x01};
  std::size_t at = 0;
  do {
    const std::size_t len = std::min(kStoredMax, raw.size() - at);
    const bool last = at + len == raw.size();
    z.push_back(last ? 1 : 0);
    z.push_back(static_cast<std::uint8_t>(len));
    z.push_back(static_cast<std::uint8_t>(len >> 8));
    z.push_back(static_cast<std::uint8_t>(~len));
    z.push_back(static_cast<std::uint8_t>(~len >> 8));
    z.insert(z.end(), raw.begin() + static_cast<std::ptrdiff_t>(at), raw.begin() + static_cast<std::ptrdiff_t>(at + len));
    at += len;
  } while (at < raw.size());
  PutBe32(z, Adler32(raw));

  std::vector<std::uint8_t> ihdr;
  PutBe32(ihdr, width);
  PutBe32(ihdr, height);
  ihdr.insert(ihdr.end(), {8, 2, 0, 0, 0}); // 8 bits, RGB, deflate, no filter set, no interlace

  std::vector<std::uint8_t> png{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  PutChunk(png, "IHDR", ihdr);
  PutChunk(png, "IDAT", z);
  PutChunk(png, "IEND", {});
  return png;
}

} // namespace e2e
