#include "support/memory_os.h"

#include <zlib.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <sstream>

namespace sorvane::test {

namespace {

std::string Lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

bool NoCaseEqual(const std::string& a, const std::string& b) {
    return Lower(a) == Lower(b);
}

// Failed file calls leave the system's codes, as Windows does, so that what reports
// them can name them.
constexpr std::uint32_t kErrorSharingViolation = 32;
constexpr std::uint32_t kErrorDiskFull = 112;

std::string ParentOf(const std::string& path) {
    const auto cut = path.find_last_of('\\');
    return cut == std::string::npos ? std::string() : path.substr(0, cut);
}

}  // namespace

bool NoCaseLess::operator()(const std::string& a, const std::string& b) const {
    return Lower(a) < Lower(b);
}

MemoryOs::MemoryOs() {
    nodes_["C:"].directory = true;
    AddDirectory("C:\\Windows\\Temp");
}

bool MemoryOs::InDeniedFolder(const std::string& resolved) const {
    return denied_folders.count(ParentOf(resolved)) > 0;
}

std::string MemoryOs::Resolve(const std::string& path) const {
    return Follow(Canonical(path));
}

std::string MemoryOs::OnDisk(const std::string& path) const {
    return Follow(Canonical(path, false));
}

std::string MemoryOs::ResolveNoFollow(const std::string& path, bool redirected) const {
    const std::string p = Canonical(path, redirected);
    const std::size_t cut = p.find_last_of('\\');
    if (cut == std::string::npos) return p;
    return Follow(p.substr(0, cut)) + p.substr(cut);
}

bool MemoryOs::InUse(const std::string& resolved) const {
    for (const auto& [h, open] : handles_)
        if (NoCaseEqual(open.path, resolved)) return true;
    return false;
}

void MemoryOs::AddDirectory(const std::string& path) {
    const std::string p = OnDisk(path);
    if (p.empty()) return;
    const std::string parent = ParentOf(p);
    if (!parent.empty()) AddDirectory(parent);
    nodes_[p].directory = true;
}

void MemoryOs::AddFile(const std::string& path, const std::string& content) {
    AddFile(path, Bytes(content));
}

void MemoryOs::AddFile(const std::string& path, const std::vector<std::uint8_t>& content) {
    const std::string p = OnDisk(path);
    AddDirectory(ParentOf(p));
    Node& n = nodes_[p];
    n.directory = false;
    n.data = content;
}

MemoryOs::Node* MemoryOs::Find(const std::string& path) {
    auto it = nodes_.find(OnDisk(path));
    return it == nodes_.end() ? nullptr : &it->second;
}

std::string MemoryOs::Content(const std::string& path) {
    const Node* n = Find(path);
    if (!n || n->directory) return {};
    return std::string(n->data.begin(), n->data.end());
}

void MemoryOs::AddShortName(const std::string& long_path, const std::string& short_path) {
    short_to_long_[short_path] = long_path;
}

std::vector<std::string> MemoryOs::ListFiles() const {
    std::vector<std::string> files;
    for (const auto& [path, node] : nodes_)
        if (!node.directory) files.push_back(path);
    return files;
}

bool MemoryOs::Called(const std::string& prefix) const {
    return std::any_of(calls.begin(), calls.end(),
                       [&](const std::string& c) { return c.rfind(prefix, 0) == 0; });
}

bool MemoryOs::FileExists(const std::string& path) {
    const Node* n = Find(Resolve(path));
    return n && !n->directory;
}

bool MemoryOs::DirectoryExists(const std::string& path) {
    const Node* n = Find(Resolve(path));
    return n && n->directory;
}

bool MemoryOs::CreateDirectory(const std::string& path) {
    calls.push_back("CreateDirectory " + path);
    const std::string p = Resolve(path);
    auto fail = [this](std::uint32_t code) {
        last_error = code;
        return false;
    };
    if (refuse_create_directory.count(p) || refuse_create_directory.count(path))
        return fail(kErrorAccessDenied);
    if (nodes_.count(p)) return fail(kErrorAlreadyExists);
    const Node* parent = Find(ParentOf(p));
    if (!parent || !parent->directory) return fail(kErrorPathNotFound);
    if (InDeniedFolder(p)) return fail(kErrorAccessDenied);
    nodes_[p].directory = true;
    return true;
}

bool MemoryOs::RemoveDirectory(const std::string& path) {
    calls.push_back("RemoveDirectory " + path);
    // A junction goes itself, never what it leads to; a held folder stays.
    const std::string p = ResolveNoFollow(path);
    auto it = nodes_.find(p);
    if (it == nodes_.end() || !it->second.directory) return false;
    if (!it->second.link.empty()) {
        nodes_.erase(it);
        return true;
    }
    if (Held(p)) {
        last_error = 32;  // ERROR_SHARING_VIOLATION
        return false;
    }
    const std::string below = Lower(p) + "\\";
    for (const auto& entry : nodes_)
        if (Lower(entry.first).rfind(below, 0) == 0) return false;
    nodes_.erase(it);
    return true;
}

bool MemoryOs::DeleteFile(const std::string& path) {
    calls.push_back("DeleteFile " + path);
    const std::string p = Resolve(path);
    auto it = nodes_.find(p);
    if (it == nodes_.end() || it->second.directory || it->second.locked || it->second.loaded ||
        it->second.read_only || InUse(p))
        return false;
    nodes_.erase(it);
    return true;
}

FileHandle MemoryOs::CreateFileReadWrite(const std::string& path) {
    calls.push_back("CreateFile " + path);
    const std::string p = Resolve(path);
    const Node* parent = Find(ParentOf(p));
    if (!parent || !parent->directory) return FailFile(kErrorPathNotFound);
    if (InDeniedFolder(p)) return FailFile(kErrorAccessDenied);
    if (Node* n = Find(p)) {
        if (n->directory || n->read_only) return FailFile(kErrorAccessDenied);
        if (n->locked || n->loaded || InUse(p)) return FailFile(kErrorSharingViolation);
        n->data.clear();
    } else {
        nodes_[p] = Node{};
    }
    handles_[next_handle_] = Open{p, 0};
    return next_handle_++;
}

bool MemoryOs::ReadFile(FileHandle file, void* buffer, std::size_t size, std::size_t* done) {
    *done = 0;
    auto it = handles_.find(file);
    if (it == handles_.end()) return false;
    const auto& data = nodes_[it->second.path].data;
    const std::size_t pos = it->second.position;
    const std::size_t n = pos < data.size() ? std::min(size, data.size() - pos) : 0;
    if (n) std::memcpy(buffer, data.data() + pos, n);
    it->second.position += n;
    *done = n;
    return true;
}

bool MemoryOs::WriteFile(FileHandle file, const void* data, std::size_t size, std::size_t* done) {
    *done = 0;
    auto it = handles_.find(file);
    if (it == handles_.end() || it->second.read_only) return false;
    std::size_t n = size;
    if (disk_free) n = std::min(n, *disk_free);
    auto& bytes = nodes_[it->second.path].data;
    const std::size_t pos = it->second.position;
    if (bytes.size() < pos + n) bytes.resize(pos + n);
    if (n) std::memcpy(bytes.data() + pos, data, n);
    it->second.position += n;
    if (disk_free) *disk_free -= n;
    *done = n;
    if (n != size) last_error = kErrorDiskFull;
    return n == size;
}

bool MemoryOs::SetFilePosition(FileHandle file, std::uint64_t position) {
    auto it = handles_.find(file);
    if (it == handles_.end()) return false;
    it->second.position = static_cast<std::size_t>(position);
    return true;
}

bool MemoryOs::SetEndOfFile(FileHandle file) {
    auto it = handles_.find(file);
    if (it == handles_.end()) return false;
    auto& bytes = nodes_[it->second.path].data;
    if (disk_free)
        *disk_free += bytes.size() > it->second.position ? bytes.size() - it->second.position : 0;
    bytes.resize(it->second.position);
    return true;
}

void MemoryOs::CloseFile(FileHandle file) {
    calls.push_back("CloseFile");
    auto it = handles_.find(file);
    if (it == handles_.end()) return;
    const Open open = it->second;
    handles_.erase(it);
    if (open.delete_on_close && !InUse(open.path)) nodes_.erase(open.path);
}

bool MemoryOs::GetLongPathName(const std::string& path, std::string* buffer, std::uint32_t capacity,
                               std::uint32_t* result) {
    calls.push_back("GetLongPathName " + path);
    if (!has_long_path_name) return false;
    // Each name in its long form, as named: a junction on the way is not followed.
    if (!nodes_.count(Resolve(path))) {
        *result = 0;
        return true;
    }
    std::string full = Canonical(path);
    if (path.size() > 2 && path.back() == '\\') full += '\\';
    const auto length = static_cast<std::uint32_t>(full.size());
    if (length + 1 > capacity) {
        *result = length + 1;
        return true;
    }
    *buffer = full;
    *result = length;
    return true;
}

std::uint32_t MemoryOs::GetShortPathName(const std::string& path, std::string* buffer,
                                         std::uint32_t capacity) {
    calls.push_back("GetShortPathName " + path);
    if (!nodes_.count(Resolve(path))) return 0;
    std::string p = Canonical(path);  // as named: a junction on the way is not followed
    for (const auto& [alias, full] : short_to_long_) {
        if (p.size() >= full.size() && NoCaseEqual(p.substr(0, full.size()), full) &&
            (p.size() == full.size() || p[full.size()] == '\\')) {
            p = alias + p.substr(full.size());
            break;
        }
    }
    const auto length = static_cast<std::uint32_t>(p.size());
    if (length + 1 > capacity) return length + 1;
    *buffer = p;
    return length;
}

std::string MemoryOs::GetUnicodeCommandLine() {
    return unicode_command_line.empty() ? AnsiToUtf8(command_line) : unicode_command_line;
}

std::string MemoryOs::GetFullPathName(const std::string& path) {
    calls.push_back("GetFullPathName " + path);
    std::string p = path;
    std::replace(p.begin(), p.end(), '/', '\\');
    if (p.rfind("\\\\?\\", 0) == 0) return p;  // taken as it is
    const bool drive =
        p.size() >= 2 && std::isalpha(static_cast<unsigned char>(p[0])) && p[1] == ':';
    std::string root, rest;
    if (p.size() >= 2 && p[0] == '\\' && p[1] == '\\') {
        const std::size_t share = p.find('\\', 2);
        const std::size_t end = share == std::string::npos ? share : p.find('\\', share + 1);
        root = p.substr(0, end);
        rest = end == std::string::npos ? std::string() : p.substr(end);
    } else if (drive && p.size() >= 3 && p[2] == '\\') {
        root = p.substr(0, 2);
        rest = p.substr(2);
    } else if (drive && !NoCaseEqual(p.substr(0, 1), system_directory.substr(0, 1))) {
        return GetFullPathName(p.substr(0, 2) + "\\" + p.substr(2));  // that drive's root
    } else {
        // Anything else is read in the working folder, which is the system folder.
        const std::string tail = drive ? p.substr(2) : p;
        return GetFullPathName(!tail.empty() && tail[0] == '\\'
                                   ? system_directory.substr(0, 2) + tail
                                   : system_directory + "\\" + tail);
    }
    std::vector<std::string> names;
    std::istringstream parts(rest);
    for (std::string name; std::getline(parts, name, '\\');) {
        if (name.empty() || name == ".") continue;
        if (name == "..") {
            if (!names.empty()) names.pop_back();
            continue;
        }
        names.push_back(name);
    }
    // The last name loses its trailing blanks and dots, as the system reads it.
    while (!names.empty() && !names.back().empty() &&
           (names.back().back() == ' ' || names.back().back() == '.'))
        names.back().pop_back();
    std::string full = root;
    for (const std::string& name : names) full += "\\" + name;
    if (names.empty() || (!rest.empty() && rest.back() == '\\')) full += "\\";
    return full.size() < 260 ? full : std::string();
}

std::string MemoryOs::GetEnvironmentVariable(const std::string& name) {
    auto it = environment.find(name);
    return it == environment.end() ? std::string() : it->second;
}

void MemoryOs::Sleep(std::uint32_t milliseconds) {
    tick_count += milliseconds;
    if (on_sleep) on_sleep();
}

void MemoryOs::CoInitialize() {
    calls.push_back("CoInitialize");
    ++com_depth;
}

void MemoryOs::CoUninitialize() {
    calls.push_back("CoUninitialize");
    --com_depth;
}

WindowHandle MemoryOs::AddWindow(const std::string& class_name) {
    windows[next_window_] = class_name;
    return next_window_++;
}

void MemoryOs::RemoveWindow(WindowHandle window) {
    windows.erase(window);
}

WindowHandle MemoryOs::FindWindow(const std::string& class_name) {
    calls.push_back("FindWindow " + class_name);
    for (const auto& [h, cls] : windows)
        if (NoCaseEqual(cls, class_name)) return h;
    return 0;
}

bool MemoryOs::PostMessage(WindowHandle window, std::uint32_t message, std::uintptr_t wparam,
                           std::intptr_t lparam) {
    calls.push_back("PostMessage " + std::to_string(message));
    if (!windows.count(window)) return false;
    posted.push_back({window, message, wparam, lparam});
    return true;
}

void MemoryOs::PumpMessages() {
    ++pumps;
    calls.push_back("Pump");
    if (on_pump) on_pump(pumps);
    while (!queue_.empty()) {
        auto message = std::move(queue_.front());
        queue_.pop_front();
        message();
    }
    // Taken here, the quit request ends the message loop once control is back there.
    if (quit_posted) terminated_ = true;
}

int MemoryOs::RunMessageLoop() {
    calls.push_back("RunMessageLoop");
    for (int i = 0; i < loop_limit && !terminated_; ++i) PumpMessages();
    if (!quit_posted) loop_gave_up = true;
    terminated_ = true;
    return quit_code;
}

void MemoryOs::PostQuitMessage(int exit_code) {
    calls.push_back("PostQuitMessage");
    quit_posted = true;
    quit_code = exit_code;
}

int MemoryOs::MessageBox(WindowHandle owner, const std::string& text, const std::string& caption,
                         std::uint32_t style) {
    calls.push_back("MessageBox " + text);
    boxes.push_back({owner, text, caption, style});
    if (box_answers.empty()) return (style & kMbYesNo) ? kIdNo : kIdOk;
    const int answer = box_answers.front();
    box_answers.pop_front();
    return answer;
}

std::intptr_t MemoryOs::ShellExecute(WindowHandle, const std::string& verb, const std::string& file,
                                     const std::string& parameters, const std::string& directory,
                                     int show) {
    calls.push_back("ShellExecute " + verb + " " + file);
    shell_calls.push_back({verb, file, parameters, directory, show});
    std::intptr_t r = 42;
    if (!shell_results.empty()) {
        r = shell_results.front();
        shell_results.pop_front();
    }
    // As the shell does: a file that is not there is not started (SE_ERR_FNF).
    return r > 32 && !FileExists(file) ? 2 : r;
}

std::intptr_t MemoryOs::ShellExecuteProcess(WindowHandle, const std::string& verb,
                                            const std::string& file,
                                            const std::string& parameters,
                                            const std::string& directory, int show,
                                            ProcessHandle* process) {
    *process = 0;
    calls.push_back("ShellExecuteProcess " + verb + " " + file);
    shell_calls.push_back({verb, file, parameters, directory, show});
    std::intptr_t r = 42;
    if (!shell_results.empty()) {
        r = shell_results.front();
        shell_results.pop_front();
    }
    if (r > 32 && !FileExists(file)) r = 2;
    if (r <= 32) return r;
    Process started{file};
    if (!process_waits.empty()) {
        started.waits_left = process_waits.front();
        process_waits.pop_front();
    }
    const ProcessHandle handle = 0x5000 + processes.size();
    processes[handle] = started;
    *process = handle;
    return r;
}

bool MemoryOs::WaitForProcess(ProcessHandle process, std::uint32_t milliseconds) {
    calls.push_back("WaitForProcess " + std::to_string(milliseconds));
    if (!process) return true;
    auto it = processes.find(process);
    if (it == processes.end() || !it->second.open) return false;
    PumpMessages();
    if (it->second.waits_left > 0) {
        --it->second.waits_left;
        return false;
    }
    const std::string& file = it->second.file;
    if (!it->second.ran && file.size() > 4 && NoCaseEqual(file.substr(file.size() - 4), ".bat"))
        RunBatch(file);
    it->second.ran = true;
    return true;
}

void MemoryOs::CloseProcess(ProcessHandle process) {
    auto it = processes.find(process);
    if (it != processes.end()) it->second.open = false;
}

ResourceView MemoryOs::LoadResource(int id) {
    calls.push_back("LoadResource " + std::to_string(id));
    auto it = resources.find(id);
    if (it == resources.end()) return {};
    ++open_resource_views;
    return {it->second.data(), it->second.size(), static_cast<std::uintptr_t>(id)};
}

bool MemoryOs::GetSpecialFolderPath(int csidl, std::string* path) {
    calls.push_back("GetSpecialFolderPath " + std::to_string(csidl));
    auto found = special_folders.find(csidl);
    if (found == special_folders.end()) return false;
    *path = found->second;
    return true;
}

void MemoryOs::ReleaseResource(const ResourceView&) {
    calls.push_back("ReleaseResource");
    --open_resource_views;
}

std::vector<std::uint8_t> Deflate(const std::vector<std::uint8_t>& data, int level) {
    uLongf size = compressBound(static_cast<uLong>(data.size()));
    std::vector<std::uint8_t> out(size);
    compress2(out.data(), &size, data.data(), static_cast<uLong>(data.size()), level);
    out.resize(size);
    return out;
}

std::vector<std::uint8_t> Bytes(const std::string& text) {
    return std::vector<std::uint8_t>(text.begin(), text.end());
}

}  // namespace sorvane::test
