#include "payloads/pellin/provider_chain.h"

namespace sorvane::payloads {

std::uint32_t NextInChain(const std::uint32_t* chain, int length, std::uint32_t own_id) {
    if (chain == nullptr || length < 2 || length > kMaxChainLength) return 0;
    int own = 0;
    for (int i = 0; i < length; ++i) {
        if (own_id != 0 && chain[i] == own_id) {
            own = i;
            break;
        }
    }
    if (own + 1 >= length) return 0;
    const std::uint32_t next = chain[own + 1];
    if (next == 0 || (own_id != 0 && next == own_id) || next == chain[own]) return 0;
    return next;
}

}  // namespace sorvane::payloads
