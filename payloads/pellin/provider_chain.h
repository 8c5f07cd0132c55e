// Finding the provider that a layered provider hands its calls to.
#pragma once

#include <cstdint>

namespace sorvane::payloads {

// Winsock allows at most seven entries in one protocol chain.
inline constexpr int kMaxChainLength = 7;

// The catalogue id of the entry below |own_id| in |chain| (|length| entries, top
// first), or 0 when there is none. When |own_id| is not in the chain the layered
// entry is taken to be the top one. A chain that is too long or that would lead
// back to |own_id| gives 0, so a damaged catalogue cannot make the provider load
// itself.
std::uint32_t NextInChain(const std::uint32_t* chain, int length, std::uint32_t own_id);

}  // namespace sorvane::payloads
