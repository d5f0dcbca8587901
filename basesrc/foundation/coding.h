#pragma once
// Little-endian field coding for the system's binary files. Every field is written and read byte by
// byte at its named offset, so the files do not depend on the host's byte order, padding or
// alignment, and no structure is ever copied to disk whole.
// REQUIRES (every call): the buffer holds at least offset + the field's size bytes; the caller
// checks lengths read from a file before using them as offsets.
#include <bit>
#include <cstddef>
#include <cstdint>
#include <string>

namespace ostrada {

inline void EncodeFixed16(uint8_t* out, uint16_t value) {
  out[0] = static_cast<uint8_t>(value);
  out[1] = static_cast<uint8_t>(value >> 8);
}

inline uint16_t DecodeFixed16(const uint8_t* in) {
  return static_cast<uint16_t>(in[0] | (in[1] << 8));
}

inline void EncodeFixed32(uint8_t* out, uint32_t value) {
  for (int i = 0; i < 4; ++i) out[i] = static_cast<uint8_t>(value >> (8 * i));
}

// Written as one expression so the compiler folds it into a single load.
inline uint32_t DecodeFixed32(const uint8_t* in) {
  return static_cast<uint32_t>(in[0]) | (static_cast<uint32_t>(in[1]) << 8) | (static_cast<uint32_t>(in[2]) << 16) |
         (static_cast<uint32_t>(in[3]) << 24);
}

inline void EncodeFixed64(uint8_t* out, uint64_t value) {
  for (int i = 0; i < 8; ++i) out[i] = static_cast<uint8_t>(value >> (8 * i));
}

inline uint64_t DecodeFixed64(const uint8_t* in) {
  return static_cast<uint64_t>(DecodeFixed32(in)) | (static_cast<uint64_t>(DecodeFixed32(in + 4)) << 32);
}

// Fields at an offset into a record or header buffer.
inline void PutU8(uint8_t* bytes, size_t offset, uint8_t value) {
  bytes[offset] = value;
}
inline uint8_t GetU8(const uint8_t* bytes, size_t offset) {
  return bytes[offset];
}

inline void PutU16(uint8_t* bytes, size_t offset, uint16_t value) {
  EncodeFixed16(bytes + offset, value);
}
inline uint16_t GetU16(const uint8_t* bytes, size_t offset) {
  return DecodeFixed16(bytes + offset);
}
inline void PutI16(uint8_t* bytes, size_t offset, int16_t value) {
  PutU16(bytes, offset, static_cast<uint16_t>(value));
}
inline int16_t GetI16(const uint8_t* bytes, size_t offset) {
  return static_cast<int16_t>(GetU16(bytes, offset));
}

inline void PutU32(uint8_t* bytes, size_t offset, uint32_t value) {
  EncodeFixed32(bytes + offset, value);
}
inline uint32_t GetU32(const uint8_t* bytes, size_t offset) {
  return DecodeFixed32(bytes + offset);
}
inline void PutI32(uint8_t* bytes, size_t offset, int32_t value) {
  PutU32(bytes, offset, static_cast<uint32_t>(value));
}
inline int32_t GetI32(const uint8_t* bytes, size_t offset) {
  return static_cast<int32_t>(GetU32(bytes, offset));
}

inline void PutU64(uint8_t* bytes, size_t offset, uint64_t value) {
  EncodeFixed64(bytes + offset, value);
}
inline uint64_t GetU64(const uint8_t* bytes, size_t offset) {
  return DecodeFixed64(bytes + offset);
}
inline void PutI64(uint8_t* bytes, size_t offset, int64_t value) {
  PutU64(bytes, offset, static_cast<uint64_t>(value));
}
inline int64_t GetI64(const uint8_t* bytes, size_t offset) {
  return static_cast<int64_t>(GetU64(bytes, offset));
}

// IEEE-754 single and double precision, stored as their bit patterns.
inline void PutF32(uint8_t* bytes, size_t offset, float value) {
  PutU32(bytes, offset, std::bit_cast<uint32_t>(value));
}
inline float GetF32(const uint8_t* bytes, size_t offset) {
  return std::bit_cast<float>(GetU32(bytes, offset));
}
inline void PutF64(uint8_t* bytes, size_t offset, double value) {
  PutU64(bytes, offset, std::bit_cast<uint64_t>(value));
}
inline double GetF64(const uint8_t* bytes, size_t offset) {
  return std::bit_cast<double>(GetU64(bytes, offset));
}

// A fixed-width text field: at most size - 1 bytes of the text, NUL-padded to size (size >= 1).
inline void PutText(uint8_t* bytes, size_t offset, const char* text, size_t size) {
  size_t i = 0;
  for (; text != nullptr && i + 1 < size && text[i] != '\0'; ++i) bytes[offset + i] = static_cast<uint8_t>(text[i]);
  for (; i < size; ++i) bytes[offset + i] = 0;
}

// The text of a fixed-width field, up to its first NUL and never past the field.
inline std::string GetText(const uint8_t* bytes, size_t offset, size_t size) {
  size_t length = 0;
  while (length < size && bytes[offset + length] != 0) ++length;
  return std::string(reinterpret_cast<const char*>(bytes + offset), length);
}

}  // namespace ostrada
