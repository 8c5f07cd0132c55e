// PLACEHOLDER until the resource script arrives.
#pragma once

namespace sorvane {

inline constexpr int kWelcomePictureResource = 201;
inline constexpr int kLogoPictureResource = 202;
inline constexpr int kLicenceTextResource = 203;

}  // namespace sorvane
