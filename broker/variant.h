#pragma once
// The automation variant: the value type of every server input and output.
// Text is CP949. Conversions follow the automation rules: numbers convert to text and back, text
// that is not a number (or a number out of the target's range) raises a type-mismatch ComError
// (overflow for out-of-range numbers).
#include <cstdint>
#include <string>
#include <variant>
#include <vector>

namespace ostrada::broker {

enum class VarType { kEmpty, kI1, kUI1, kI2, kI4, kR4, kR8, kText, kArray, kI8 };

class Variant {
 public:
  Variant() = default;
  static Variant I1(int8_t v) { return Variant(v); }
  static Variant UI1(uint8_t v) { return Variant(v); }
  static Variant I2(int16_t v) { return Variant(v); }
  static Variant I4(int32_t v) { return Variant(v); }
  // An eight-byte integer: amounts of money that a four-byte one cannot hold.
  static Variant I8(int64_t v) { return Variant(v); }
  static Variant R4(float v) { return Variant(v); }
  static Variant R8(double v) { return Variant(v); }
  static Variant Text(std::string cp949) { return Variant(std::move(cp949)); }
  static Variant Array(std::vector<Variant> items);

  VarType Type() const;
  bool IsEmpty() const { return Type() == VarType::kEmpty; }

  // Conversions; each throws ComError when the value cannot be converted.
  int8_t ToI1() const;
  uint8_t ToUI1() const;
  int16_t ToI2() const;
  int32_t ToI4() const;
  int64_t ToI8() const;
  float ToR4() const;
  double ToR8() const;
  std::string ToText() const;
  const std::vector<Variant>& ToArray() const;

  friend bool operator==(const Variant&, const Variant&) = default;

 private:
  using Array_ = std::vector<Variant>;
  using Value = std::variant<std::monostate, int8_t, uint8_t, int16_t, int32_t, float, double, std::string, Array_, int64_t>;
  template <class T>
  explicit Variant(T v) : value_(std::move(v)) {}
  Value value_;
};

}  // namespace ostrada::broker
