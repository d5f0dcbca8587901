#include "broker/variant.h"

#include <algorithm>
#include <cctype>
#include <cfloat>
#include <charconv>
#include <cmath>
#include <limits>
#include <string_view>
#include <type_traits>

#include "broker/comerror.h"

namespace ostrada::broker {
namespace {

// Automation rounds a fraction to the nearest integer and a tie to the even neighbour (banker's
// rounding), whatever the floating-point environment says.
double RoundHalfEven(double value) {
  const double floor = std::floor(value);
  const double diff = value - floor;
  if (diff < 0.5) return floor;
  if (diff > 0.5) return floor + 1.0;
  return std::fmod(floor, 2.0) == 0.0 ? floor : floor + 1.0;
}

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// The power of ten of the leading significant digit of a well-formed unsigned decimal ("1e400": 400,
// "0.001": -3), for telling overflow from underflow.
int64_t DecimalOrder(std::string_view text) {
  const size_t e = text.find_first_of("eE");
  const std::string_view mantissa = text.substr(0, e);
  int64_t exponent = 0;
  if (e != std::string_view::npos) {
    std::string_view digits = text.substr(e + 1);
    const bool negative = !digits.empty() && digits[0] == '-';
    if (!digits.empty() && (digits[0] == '-' || digits[0] == '+')) digits.remove_prefix(1);
    for (char c : digits) exponent = std::min<int64_t>(exponent * 10 + (c - '0'), 1'000'000'000);
    if (negative) exponent = -exponent;
  }
  const size_t point = mantissa.find('.');
  const std::string_view whole = mantissa.substr(0, point);
  const size_t firstWhole = whole.find_first_not_of('0');
  if (firstWhole != std::string_view::npos) return exponent + static_cast<int64_t>(whole.size() - firstWhole) - 1;
  if (point == std::string_view::npos) return exponent;
  const size_t firstFraction = mantissa.find_first_not_of('0', point + 1);
  if (firstFraction == std::string_view::npos) return exponent;
  return exponent - static_cast<int64_t>(firstFraction - point);
}

// A decimal number with optional sign, fraction and exponent, blanks around it allowed.
double ParseNumber(const std::string& text) {
  size_t begin = 0;
  size_t end = text.size();
  while (begin < end && IsBlank(text[begin])) ++begin;
  while (end > begin && IsBlank(text[end - 1])) --end;
  bool negative = false;
  if (begin < end && (text[begin] == '+' || text[begin] == '-')) {
    negative = text[begin] == '-';
    ++begin;
  }
  // from_chars would also take "inf" and "nan", which are not numbers to automation.
  if (begin == end || !(std::isdigit(static_cast<unsigned char>(text[begin])) || text[begin] == '.')) {
    throw ComError(kTypeMismatch);
  }
  double value = 0;
  const char* first = text.data() + begin;
  const char* last = text.data() + end;
  auto [stop, error] = std::from_chars(first, last, value, std::chars_format::general);
  if (stop != last) throw ComError(kTypeMismatch);
  if (error == std::errc::result_out_of_range) {
    // Too large overflows; too small underflows to zero.
    if (DecimalOrder(std::string_view(first, static_cast<size_t>(last - first))) >= 0) throw ComError(kDispOverflow);
    value = 0;
  } else if (error != std::errc()) {
    throw ComError(kTypeMismatch);
  }
  return negative ? -value : value;
}

// Shortest round-trip digits, laid out as automation does: plain decimals for moderate exponents,
// otherwise "1.5E+20" with at least two exponent digits. `precision` is the type's significant
// digit count at which the plain form gives way.
template <class F>
std::string FormatFloat(F value, int precision) {
  if (std::isnan(value)) return "NaN";
  if (std::isinf(value)) return value < 0 ? "-Infinity" : "Infinity";
  if (value == 0) return "0";
  char buffer[64];
  auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific);
  std::string scientific(buffer, result.ptr);
  const size_t e = scientific.find('e');
  std::string mantissa = scientific.substr(0, e);
  const int exponent = std::stoi(scientific.substr(e + 1));
  std::string sign;
  if (mantissa[0] == '-') {
    sign = "-";
    mantissa.erase(0, 1);
  }
  std::string digits;
  for (char c : mantissa) {
    if (c != '.') digits += c;
  }
  if (exponent < -4 || exponent >= precision) {
    std::string out = sign + digits.substr(0, 1);
    if (digits.size() > 1) out += "." + digits.substr(1);
    const int magnitude = exponent < 0 ? -exponent : exponent;
    out += exponent < 0 ? "E-" : "E+";
    if (magnitude < 10) out += "0";
    return out + std::to_string(magnitude);
  }
  std::string out;
  if (exponent < 0) {
    out = "0." + std::string(static_cast<size_t>(-exponent - 1), '0') + digits;
  } else if (static_cast<size_t>(exponent) + 1 >= digits.size()) {
    out = digits + std::string(static_cast<size_t>(exponent) + 1 - digits.size(), '0');
  } else {
    out = digits.substr(0, static_cast<size_t>(exponent) + 1) + "." + digits.substr(static_cast<size_t>(exponent) + 1);
  }
  return sign + out;
}

// The value as a double for the numeric conversions; text is parsed, empty is 0.
struct AsDouble {
  double operator()(std::monostate) const { return 0; }
  double operator()(const std::string& text) const { return ParseNumber(text); }
  double operator()(const std::vector<Variant>&) const { throw ComError(kTypeMismatch); }
  template <class N>
  double operator()(N number) const {
    return static_cast<double>(number);
  }
};

template <class I>
I ToInteger(double value) {
  if (std::isnan(value)) throw ComError(kDispOverflow);
  const double rounded = RoundHalfEven(value);
  if (rounded < static_cast<double>(std::numeric_limits<I>::min()) ||
      rounded > static_cast<double>(std::numeric_limits<I>::max())) {
    throw ComError(kDispOverflow);
  }
  return static_cast<I>(rounded);
}

}  // namespace

Variant Variant::Array(std::vector<Variant> items) {
  return Variant(Array_(std::move(items)));
}

VarType Variant::Type() const {
  static constexpr VarType kTypes[] = {VarType::kEmpty, VarType::kI1, VarType::kUI1,  VarType::kI2,   VarType::kI4,
                                       VarType::kR4,    VarType::kR8, VarType::kText, VarType::kArray, VarType::kI8};
  return kTypes[value_.index()];
}

int8_t Variant::ToI1() const {
  return ToInteger<int8_t>(std::visit(AsDouble{}, value_));
}
uint8_t Variant::ToUI1() const {
  return ToInteger<uint8_t>(std::visit(AsDouble{}, value_));
}
int16_t Variant::ToI2() const {
  return ToInteger<int16_t>(std::visit(AsDouble{}, value_));
}
int32_t Variant::ToI4() const {
  return ToInteger<int32_t>(std::visit(AsDouble{}, value_));
}

int64_t Variant::ToI8() const {
  // Through a double an eight-byte integer would lose its low digits.
  if (const auto* wide = std::get_if<int64_t>(&value_)) return *wide;
  const double value = std::visit(AsDouble{}, value_);
  if (std::isnan(value)) throw ComError(kDispOverflow);
  const double rounded = RoundHalfEven(value);
  // 2^63 itself is already out of range; the minimum, -2^63, is exact in a double.
  constexpr double kLimit = 9223372036854775808.0;
  if (rounded < -kLimit || rounded >= kLimit) throw ComError(kDispOverflow);
  return static_cast<int64_t>(rounded);
}

float Variant::ToR4() const {
  const double value = std::visit(AsDouble{}, value_);
  if (std::isfinite(value) && std::fabs(value) > static_cast<double>(FLT_MAX)) throw ComError(kDispOverflow);
  return static_cast<float>(value);
}

double Variant::ToR8() const {
  return std::visit(AsDouble{}, value_);
}

std::string Variant::ToText() const {
  return std::visit(
      [](const auto& value) -> std::string {
        using T = std::decay_t<decltype(value)>;
        if constexpr (std::is_same_v<T, std::monostate>) {
          return {};
        } else if constexpr (std::is_same_v<T, std::string>) {
          return value;
        } else if constexpr (std::is_same_v<T, Array_>) {
          throw ComError(kTypeMismatch);
        } else if constexpr (std::is_same_v<T, float>) {
          return FormatFloat(value, 7);
        } else if constexpr (std::is_same_v<T, double>) {
          return FormatFloat(value, 15);
        } else if constexpr (std::is_same_v<T, int64_t>) {
          return std::to_string(value);
        } else {
          return std::to_string(static_cast<int>(value));
        }
      },
      value_);
}

const std::vector<Variant>& Variant::ToArray() const {
  const auto* items = std::get_if<Array_>(&value_);
  if (items == nullptr) throw ComError(kTypeMismatch);
  return *items;
}

}  // namespace ostrada::broker
