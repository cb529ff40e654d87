#pragma once
// The product's identity, used in titles, the settings signature and messages.
namespace vistrel {
inline constexpr const char *kProductTitle = "Vistrel";
inline constexpr const char *kProductVersion = "6.3.0";
inline constexpr const char *kLanguageCode = "en";
inline constexpr const char *kMakerName = "Brenvik";
}  // namespace vistrel
