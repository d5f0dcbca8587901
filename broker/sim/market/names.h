#pragma once
// The words listed companies are named from. Names are UTF-8 here; the listing converts them.
#include <span>
#include <string_view>

namespace ostrada::sim {

// Korean name openings (places, virtues, old-fashioned house names).
std::span<const std::string_view> NameOpenings();
// Openings of Latin letters and digits, as many listed names have.
std::span<const std::string_view> LatinOpenings();
// Business words a name ends in.
std::span<const std::string_view> NameEndings();

// The suffixes of preferred shares: the first preferred, then the second.
inline constexpr std::string_view kPreferredSuffix = "우";
inline constexpr std::string_view kSecondPreferredSuffix = "우B";

}  // namespace ostrada::sim
