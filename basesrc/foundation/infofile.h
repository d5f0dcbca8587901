#pragma once
// The prefix every record file of the system begins with: the 64-byte check text "정보 파일 점검용
// 값이다." (CP949, NUL-padded) and, at byte 64, the 32-bit little-endian kind number of the file.
// The owner of each file kind lays out the rest of its header after these 68 bytes.
#include <cstddef>
#include <cstdint>

namespace ostrada {

constexpr size_t kInfoCheckTextOffset = 0;
constexpr size_t kInfoCheckTextSize = 64;
constexpr size_t kInfoKindOffset = 64;
constexpr size_t kInfoHeaderPrefixSize = 68;
static_assert(kInfoKindOffset == kInfoCheckTextOffset + kInfoCheckTextSize);
static_assert(kInfoHeaderPrefixSize == kInfoKindOffset + 4);

// Writes the check text and the kind number into the first 68 bytes of the header.
// REQUIRES: header holds at least kInfoHeaderPrefixSize bytes.
void PutInfoFileHeader(uint8_t* header, uint32_t kind);

// 1 when the header begins with the check text (through its NUL) and holds the kind number at 64,
// else 0. Reports nothing: the reader reports the rejection at its own check.
// REQUIRES: header holds at least kInfoHeaderPrefixSize bytes.
int CheckInfoFileHeader(const uint8_t* header, uint32_t kind);

}  // namespace ostrada
