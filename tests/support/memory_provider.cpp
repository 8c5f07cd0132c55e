// The in-memory Winsock catalogue, hidden message windows and file copies.
#include <algorithm>
#include <cstring>

#include "support/memory_os.h"

namespace sorvane::test {

namespace {

std::string ParentFolder(const std::string& path) {
    const auto cut = path.find_last_of('\\');
    return cut == std::string::npos ? std::string() : path.substr(0, cut);
}

}  // namespace

int MemoryOs::WSAStartup(std::uint16_t version) {
    calls.push_back("WSAStartup " + std::to_string(version));
    winsock_version = version;
    ++winsock_starts;
    return 0;
}

int MemoryOs::WSACleanup() {
    calls.push_back("WSACleanup");
    --winsock_starts;
    return 0;
}

int MemoryOs::WSCEnumProtocols(void* buffer, std::uint32_t* length) {
    calls.push_back("WSCEnumProtocols");
    if (fail_enumeration) return kSocketError;
    const auto needed = static_cast<std::uint32_t>(catalogue.size() * kProtocolInfoSize);
    if (needed == 0) return 0;
    if (!buffer || *length < needed) {
        *length = needed;  // WSAENOBUFS
        return kSocketError;
    }
    auto* bytes = static_cast<std::uint8_t*>(buffer);
    std::memset(bytes, 0, needed);
    for (std::size_t i = 0; i < catalogue.size(); ++i)
        std::memcpy(bytes + i * kProtocolInfoSize + kProtocolProviderIdOffset,
                    &catalogue[i].provider, sizeof(Guid));
    return static_cast<int>(catalogue.size());
}

int MemoryOs::WSCDeinstallProvider(const Guid& provider) {
    calls.push_back("WSCDeinstallProvider");
    deinstalled.push_back(provider);
    if (fail_deinstall) return kSocketError;
    // Every entry of the provider goes; a provider no entry has is an error.
    const auto before = catalogue.size();
    catalogue.erase(std::remove_if(catalogue.begin(), catalogue.end(),
                                   [&](const CatalogueEntry& e) { return e.provider == provider; }),
                    catalogue.end());
    return catalogue.size() < before ? 0 : kSocketError;
}

int MemoryOs::WSCGetProviderPath(const Guid& provider, std::uint32_t capacity, std::string* path) {
    calls.push_back("WSCGetProviderPath");
    for (const CatalogueEntry& e : catalogue) {
        if (e.provider != provider) continue;
        if (e.path.size() + 1 > capacity) return kSocketError;  // WSAEFAULT
        *path = e.path;
        return 0;
    }
    return kSocketError;  // WSAEINVAL
}

std::string MemoryOs::ExpandEnvironmentStrings(const std::string& text) {
    std::string out;
    std::size_t i = 0;
    while (i < text.size()) {
        const auto end = text[i] == '%' ? text.find('%', i + 1) : std::string::npos;
        if (end != std::string::npos) {
            auto it = environment.find(text.substr(i + 1, end - i - 1));
            if (end > i + 1 && it != environment.end()) {
                out += it->second;
                i = end + 1;
                continue;
            }
        }
        out += text[i++];
    }
    return out;
}

WindowHandle MemoryOs::CreateMessageWindow(MessageHandler handler) {
    calls.push_back("CreateMessageWindow");
    if (fail_message_window) return 0;
    const WindowHandle window = next_window_++;
    message_windows[window] = std::move(handler);
    return window;
}

void MemoryOs::DestroyMessageWindow(WindowHandle window) {
    calls.push_back("DestroyMessageWindow");
    message_windows.erase(window);
}

std::intptr_t MemoryOs::SendToMessageWindow(WindowHandle window, std::uint32_t message,
                                            std::uintptr_t wparam, std::intptr_t lparam) {
    auto it = message_windows.find(window);
    return it == message_windows.end() ? 0 : it->second(message, wparam, lparam);
}

bool MemoryOs::CopyFile(const std::string& from, const std::string& to, bool fail_if_exists) {
    calls.push_back("CopyFile " + from + " " + to);
    const std::string source = Resolve(from), target = Resolve(to);
    const Node* s = Find(source);
    if (!s || s->directory || s->locked || InUse(source)) return false;
    const Node* parent = Find(ParentFolder(target));
    if (!parent || !parent->directory) return false;
    if (const Node* t = Find(target)) {
        if (fail_if_exists || t->directory || t->locked || t->loaded || t->read_only ||
            InUse(target))
            return false;
    }
    if (disk_free && s->data.size() > *disk_free) return false;
    if (disk_free) *disk_free -= s->data.size();
    const std::vector<std::uint8_t> data = s->data;
    Node& t = nodes_[target];
    t = Node{};
    t.data = data;
    return true;
}

bool MemoryOs::MoveFileEx(const std::string& from, const std::string& to, std::uint32_t flags) {
    calls.push_back("MoveFileEx " + from + " " + to);
    const std::string source = Resolve(from);
    if (flags & kMoveDelayUntilReboot) {
        // Only recorded: nothing happens before the system starts again.
        at_restart.push_back(to.empty() ? source : source + " -> " + Resolve(to));
        return true;
    }
    const std::string target = Resolve(to);
    auto it = nodes_.find(source);
    if (to.empty() || it == nodes_.end() || it->second.directory || it->second.locked ||
        InUse(source))
        return false;
    if (const Node* t = Find(target)) {
        if (!(flags & kMoveReplaceExisting) || t->directory || t->locked || t->loaded ||
            t->read_only || InUse(target))
            return false;
    }
    const Node* parent = Find(ParentFolder(target));
    if (!parent || !parent->directory) return false;
    Node moved = it->second;
    nodes_.erase(it);
    nodes_[target] = moved;
    return true;
}

}  // namespace sorvane::test
