// Texts the setup carries packed as one zlib stream (the licence).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace sorvane {

// Inflates the zlib stream |data| into |text|. False, with |text| empty, when the data is
// not exactly one whole stream or memory runs out.
bool InflateText(const std::uint8_t* data, std::size_t size, std::string* text);

}  // namespace sorvane
