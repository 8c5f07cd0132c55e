// Resource ids of the wizard's pictures and licence text (RCDATA, language Turkish),
// as wizard/wizard_resources.rc embeds them.
#pragma once

namespace sorvane {

inline constexpr int kWelcomePictureResource = 201;  // welcome.gif: 165 x 315, the left banner
inline constexpr int kLogoPictureResource = 202;     // logo.gif: 110 x 132, one transparent colour
// licence_tr.txt packed into one zlib stream; inflated, UTF-8 without a byte-order mark,
// lines ending in CR LF as a multi-line edit shows them.
inline constexpr int kLicenceTextResource = 203;
// The two pictures at twice the size, for display scales above 100 %.
inline constexpr int kWelcomePicture2xResource = 204;  // welcome_2x.gif: 330 x 630
inline constexpr int kLogoPicture2xResource = 205;     // logo_2x.gif: 220 x 264

}  // namespace sorvane
