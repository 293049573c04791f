// Reading version resources of PE images.

#include "platform/sim/VersionInfo.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>

#include "platform/sim/WinPath.h"

namespace platform::sim {

namespace {

constexpr uint32_t kRtVersion = 16;

class TImage {
 public:
  explicit TImage(std::string_view bytes) : FBytes(bytes) {}

  std::optional<uint32_t> U16(std::size_t at) const {
    if (at > FBytes.size() || FBytes.size() - at < 2) return std::nullopt;
    return Byte(at) | Byte(at + 1) << 8;
  }
  std::optional<uint32_t> U32(std::size_t at) const {
    if (at > FBytes.size() || FBytes.size() - at < 4) return std::nullopt;
    return Byte(at) | Byte(at + 1) << 8 | Byte(at + 2) << 16 | Byte(at + 3) << 24;
  }
  std::size_t Size() const { return FBytes.size(); }

  // The file offset of a relative virtual address, through the section table.
  std::optional<std::size_t> Offset(uint32_t rva) const {
    for (uint32_t i = 0; i < FSections; ++i) {
      const std::size_t s = FSectionTable + i * 40;
      const auto virtualSize = U32(s + 8), address = U32(s + 12), rawSize = U32(s + 16), raw = U32(s + 20);
      if (!virtualSize || !address || !rawSize || !raw) return std::nullopt;
      const uint32_t extent = std::max(*virtualSize, *rawSize);
      if (rva >= *address && rva - *address < extent) return static_cast<std::size_t>(*raw) + (rva - *address);
    }
    return std::nullopt;
  }

  // The version resource's bytes (first name, first language).
  std::optional<std::string_view> VersionResource() {
    if (FBytes.substr(0, 2) != "MZ") return std::nullopt;
    const auto pe = U32(0x3C);
    if (!pe || *pe > FBytes.size() || FBytes.substr(*pe, 4) != std::string_view("PE\0\0", 4)) return std::nullopt;
    const auto sections = U16(*pe + 6), optionalSize = U16(*pe + 20), magic = U16(*pe + 24);
    if (!sections || !optionalSize || !magic) return std::nullopt;
    FSections = *sections;
    FSectionTable = *pe + 24 + *optionalSize;
    // The resource directory is data directory 2.
    const std::size_t directories = *pe + 24 + (*magic == 0x20B ? 112 : 96);
    const auto count = U32(directories - 4), resourceRva = U32(directories + 2 * 8);
    if (!count || *count < 3 || !resourceRva || *resourceRva == 0) return std::nullopt;
    const auto base = Offset(*resourceRva);
    if (!base) return std::nullopt;

    std::size_t dir = *base;
    for (int level = 0; level < 3; ++level) {
      const auto named = U16(dir + 12), ids = U16(dir + 14);
      if (!named || !ids) return std::nullopt;
      std::optional<uint32_t> next;
      for (uint32_t i = 0; i < *named + *ids; ++i) {
        const auto id = U32(dir + 16 + i * 8), target = U32(dir + 20 + i * 8);
        if (!id || !target) return std::nullopt;
        // Level 0 picks RT_VERSION; below it the first name and language.
        if (level == 0 && *id != kRtVersion) continue;
        next = *target;
        break;
      }
      if (!next) return std::nullopt;
      const bool subdirectory = *next & 0x80000000u;
      if (subdirectory != (level < 2)) return std::nullopt;
      dir = *base + (*next & 0x7FFFFFFFu);
    }
    const auto dataRva = U32(dir), dataSize = U32(dir + 4);
    if (!dataRva || !dataSize) return std::nullopt;
    const auto data = Offset(*dataRva);
    if (!data || *data > FBytes.size() || FBytes.size() - *data < *dataSize) return std::nullopt;
    return FBytes.substr(*data, *dataSize);
  }

 private:
  uint32_t Byte(std::size_t at) const { return static_cast<uint8_t>(FBytes[at]); }

  std::string_view FBytes;
  uint32_t FSections = 0;
  std::size_t FSectionTable = 0;
};

// One block of the version tree: wLength, wValueLength, wType, the key in
// UTF-16, the value and the child blocks, each aligned to 4 bytes.
struct TBlock {
  std::string Key;         // the key, as ASCII/Latin-1 code units
  std::u16string Text;     // a text value
  std::string_view Value;  // the value's bytes
  std::string_view Children;
};

std::size_t Align4(std::size_t n) { return (n + 3) & ~std::size_t{3}; }

std::optional<TBlock> ReadBlock(std::string_view bytes, std::size_t& used) {
  TImage b(bytes);
  const auto length = b.U16(0), valueLength = b.U16(2), type = b.U16(4);
  if (!length || !valueLength || !type || *length < 6 || *length > bytes.size()) return std::nullopt;
  bytes = bytes.substr(0, *length);
  TBlock block;
  std::size_t at = 6;
  for (;;) {
    const auto unit = TImage(bytes).U16(at);
    if (!unit) return std::nullopt;
    at += 2;
    if (*unit == 0) break;
    block.Key += static_cast<char>(*unit < 0x100 ? *unit : '?');
  }
  at = Align4(at);
  const std::size_t valueBytes = *type == 1 ? *valueLength * 2 : *valueLength;
  if (at > bytes.size() || bytes.size() - at < valueBytes) return std::nullopt;
  block.Value = bytes.substr(at, valueBytes);
  if (*type == 1)
    for (std::size_t i = 0; i + 1 < valueBytes; i += 2) {
      const char16_t unit = static_cast<char16_t>(static_cast<uint8_t>(block.Value[i]) |
                                                  static_cast<uint8_t>(block.Value[i + 1]) << 8);
      if (unit == 0) break;
      block.Text += unit;
    }
  at = std::min(Align4(at + valueBytes), bytes.size());
  block.Children = bytes.substr(at);
  used = Align4(*length);
  return block;
}

std::optional<TBlock> Child(std::string_view children, std::string_view key) {
  while (!children.empty()) {
    std::size_t used;
    const std::optional<TBlock> block = ReadBlock(children, used);
    if (!block) return std::nullopt;
    if (SameName(block->Key, key)) return block;
    children = children.substr(std::min(used, children.size()));
  }
  return std::nullopt;
}

rtl::AnsiString AnsiFromUtf16(const std::u16string& text) {
  std::string utf8;
  for (std::size_t i = 0; i < text.size(); ++i) {
    char32_t cp = text[i];
    if (cp >= 0xD800 && cp < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] < 0xE000)
      cp = 0x10000 + ((cp - 0xD800) << 10) + (text[++i] - 0xDC00);
    if (cp < 0x80) {
      utf8 += static_cast<char>(cp);
    } else if (cp < 0x800) {
      utf8 += static_cast<char>(0xC0 | (cp >> 6));
      utf8 += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
      utf8 += static_cast<char>(0xE0 | (cp >> 12));
      utf8 += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      utf8 += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
      utf8 += static_cast<char>(0xF0 | (cp >> 18));
      utf8 += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
      utf8 += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      utf8 += static_cast<char>(0x80 | (cp & 0x3F));
    }
  }
  return rtl::AnsiFromUtf8(utf8);
}

}  // namespace

rtl::AnsiString VersionString(std::string_view image, std::string_view name) {
  TImage pe(image);
  const std::optional<std::string_view> resource = pe.VersionResource();
  if (!resource) return {};
  std::size_t used;
  const std::optional<TBlock> root = ReadBlock(*resource, used);
  if (!root || root->Key != "VS_VERSION_INFO") return {};
  const std::optional<TBlock> vars = Child(root->Children, "VarFileInfo");
  const std::optional<TBlock> translation = vars ? Child(vars->Children, "Translation") : std::nullopt;
  if (!translation) return {};
  const auto first = TImage(translation->Value).U32(0);
  if (!first) return {};
  char table[16];
  std::snprintf(table, sizeof table, "%04x%04x", *first & 0xFFFF, *first >> 16);
  const std::optional<TBlock> strings = Child(root->Children, "StringFileInfo");
  const std::optional<TBlock> language = strings ? Child(strings->Children, table) : std::nullopt;
  const std::optional<TBlock> value = language ? Child(language->Children, name) : std::nullopt;
  return value ? AnsiFromUtf16(value->Text) : rtl::AnsiString();
}

}  // namespace platform::sim
