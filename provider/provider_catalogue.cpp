// The component's direct work on the Winsock catalogue: clearing obsolete providers,
// finding the product's registered DLL, and whether any entry still names a file.
#include <algorithm>
#include <cstring>
#include <vector>

#include "provider/mirelda.h"
#include "provider/provider_paths.h"

namespace sorvane {

namespace {

// Capacity, in wide characters, of the path buffer given to the catalogue.
constexpr std::uint32_t kProviderPathCapacity = 256;

// The provider GUIDs of the catalogue's entries, in catalogue order, read afresh with
// the two-call enumeration; false when the catalogue could not be read.
bool ReadCatalogue(Os& os, std::vector<Guid>* ids) {
    std::uint32_t length = 0;
    os.WSCEnumProtocols(nullptr, &length);  // fails, telling the length needed
    std::vector<std::uint8_t> buffer(length);
    const int count = os.WSCEnumProtocols(buffer.empty() ? nullptr : buffer.data(), &length);
    if (count == kSocketError) return false;
    if (count <= 0) return true;
    // Never past the buffer, whatever count the call reports.
    const std::size_t records =
        std::min(static_cast<std::size_t>(count), buffer.size() / kProtocolInfoSize);
    for (std::size_t i = 0; i < records; ++i) {
        Guid id;
        std::memcpy(&id, buffer.data() + i * kProtocolInfoSize + kProtocolProviderIdOffset,
                    sizeof id);
        ids->push_back(id);
    }
    return true;
}

std::vector<Guid> CatalogueOrNothing(Os& os) {
    std::vector<Guid> ids;
    ReadCatalogue(os, &ids);
    return ids;
}

}  // namespace

void TOvFirewall::RemoveObsoleteProviders() {
    for (const Guid& id : CatalogueOrNothing(os_)) {
        if (id == ObsoleteProviderGuid1) {
            os_.WSCDeinstallProvider(id);
            break;
        }
    }
    for (const Guid& id : CatalogueOrNothing(os_))
        if (id == ObsoleteProviderGuid2) os_.WSCDeinstallProvider(id);
}

std::string TOvFirewall::RegisteredProviderPath() {
    std::string path;
    if (os_.WSCGetProviderPath(ProviderGuid, kProviderPathCapacity, &path) == kSocketError)
        return {};
    // An answer that names no file is no registration, and leaves nothing to remove.
    if (path.empty()) return {};
    // Providers are commonly registered as %SystemRoot%\... : the file is looked for
    // where the system would load it from.
    path = os_.ExpandEnvironmentStrings(path);
    if (os_.FileExists(path)) return path;
    UninstallThroughHelper();
    return {};
}

// What cannot be read counts as named: a file is only let go when nothing may load it.
bool TOvFirewall::NamedByCatalogue(const std::string& file_name) {
    std::vector<Guid> ids, seen;
    if (!ReadCatalogue(os_, &ids)) return true;
    for (const Guid& id : ids) {
        if (std::find(seen.begin(), seen.end(), id) != seen.end()) continue;
        seen.push_back(id);
        std::string path;
        if (os_.WSCGetProviderPath(id, kProviderPathCapacity, &path) == kSocketError) return true;
        if (LowerAZ(FileNamePart(os_.ExpandEnvironmentStrings(path))) == LowerAZ(file_name))
            return true;
    }
    return false;
}

}  // namespace sorvane
