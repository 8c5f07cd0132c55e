#include "system/registry_entries.h"

#include <cstring>

#include "core/number_text.h"

#include "platform/setup_error.h"

namespace sorvane {

namespace {

// One value to write: a string (REG_SZ with its terminating zero) when |text| is set,
// else the number (REG_DWORD). Plain pointers: the rows are a fixed table.
struct Row {
    const char* name;
    const char* text;
    std::uint32_t number;
};

// One key, open with full access while this object lives; at most one at a time.
class Key {
  public:
    explicit Key(Os& os) : os_(os) {}
    ~Key() {
        if (open_) os_.RegCloseKey(key_);
    }
    Key(const Key&) = delete;
    Key& operator=(const Key&) = delete;

    bool Create(RegistryRoot root, const std::string& path) {
        open_ = os_.RegCreateKeyEx(root, path, kKeyAllAccess, &key_) == kErrorSuccess;
        return open_;
    }
    bool Open(RegistryRoot root, const std::string& path) {
        open_ = os_.RegOpenKeyEx(root, path, kKeyAllAccess, &key_) == kErrorSuccess;
        return open_;
    }
    bool Write(const Row& row) {
        if (row.text)
            return os_.RegSetValueEx(key_, row.name, kRegSz, row.text,
                                     static_cast<std::uint32_t>(std::strlen(row.text) + 1)) ==
                   kErrorSuccess;
        const std::uint8_t bytes[4] = {static_cast<std::uint8_t>(row.number),
                                       static_cast<std::uint8_t>(row.number >> 8),
                                       static_cast<std::uint8_t>(row.number >> 16),
                                       static_cast<std::uint8_t>(row.number >> 24)};
        return os_.RegSetValueEx(key_, row.name, kRegDword, bytes, 4) == kErrorSuccess;
    }
    // False as soon as one value cannot be written; the later ones are left out.
    template <std::size_t N>
    bool WriteAll(const Row (&rows)[N]) {
        for (const Row& row : rows)
            if (!Write(row)) return false;
        return true;
    }
    bool HasValue(const std::string& name) {
        return os_.RegQueryValueEx(key_, name) == kErrorSuccess;
    }
    void DeleteValue(const std::string& name) { os_.RegDeleteValue(key_, name); }

  private:
    Os& os_;
    RegistryKey key_ = 0;
    bool open_ = false;
};

std::string FolderOf(const std::string& path) {
    const auto cut = path.find_last_of('\\');
    return cut == std::string::npos ? std::string() : path.substr(0, cut + 1);
}

// A program as a command line names it: quoted, so that a folder with blanks cannot be
// read as a shorter program path ("C:\Tools\Net Filter\x.exe" as C:\Tools\Net.exe).
std::string QuotedProgram(const std::string& path) {
    return "\"" + path + "\"";
}

// The product's entry in the list of installed programs.
bool WriteUninstallRows(Key& key, Os& os, const std::string& dir) {
    const std::string uninstall = QuotedProgram(dir + "Uninstall.exe") + " -uninstall -f";
    const std::string icon = dir + "tessen.exe,0";
    const std::string today = TodayAsDigits(os);
    const std::string source = FolderOf(os.GetModuleFileName());
    const Row rows[] = {
        {"DisplayName", kProductName, 0},
        {"UninstallString", uninstall.c_str(), 0},
        {"Publisher", kPublisher, 0},
        {"DisplayIcon", icon.c_str(), 0},
        {"DisplayVersion", "2.2", 0},
        {"URLInfoAbout", kWebAddress, 0},
        {"URLUpdateInfo", kWebAddress, 0},
        {"InstallDate", today.c_str(), 0},
        {"InstallLocation", dir.c_str(), 0},
        {"InstallSource", source.c_str(), 0},
        {"RegOwner", kPublisher, 0},
        {"RegCompany", kPublisher, 0},
        {"Version", nullptr, 3},
        {"VersionMajor", nullptr, 3},
        {"VersionMinor", nullptr, 3},
        {"NoModify", nullptr, 1},
        {"NoRepair", nullptr, 1},
        {"EstimatedSize", nullptr, kEstimatedSize},
    };
    return key.WriteAll(rows);
}

}  // namespace

std::string TodayAsDigits(Os& os) {
    const LocalDate d = os.GetLocalTime();
    return DecimalText(static_cast<unsigned>(d.year % 10000), 4) +
           DecimalText(static_cast<unsigned>(d.month % 100), 2) +
           DecimalText(static_cast<unsigned>(d.day % 100), 2);
}

void SetCompatibilityLayer(Os& os) {
    const std::string setup = os.GetModuleFileName();
    for (RegistryRoot root : {RegistryRoot::LocalMachine, RegistryRoot::CurrentUser}) {
        Key key(os);
        // The Layers key is only ever opened: where the system has none, nothing goes.
        if (!key.Open(root, kLayersKey)) continue;
        if (!key.Write({setup.c_str(), kCompatibilityLayer, 0}))
            throw SetupError("Unable to write the compatibility layer of " + setup);
    }
}

void WriteRegistryEntries(Os& os, const SetupSession& session) {
    try {
        const std::string& dir = session.InstallDir;
        const Row application[] = {{"Path", dir.c_str(), 0}, {"Version", kProductVersion, 0}};
        {
            Key key(os);
            if (key.Create(RegistryRoot::CurrentUser, kApplicationKey) &&
                !key.WriteAll(application))
                return;
        }
        {
            // The client starts for every user from the machine's Run key only.
            Key key(os);
            if (key.Open(RegistryRoot::CurrentUser, kRunKey) && key.HasValue(kClientRunValue))
                key.DeleteValue(kClientRunValue);
        }
        {
            Key key(os);
            if (key.Create(RegistryRoot::LocalMachine, kApplicationKey) &&
                !key.WriteAll(application))
                return;
        }
        {
            const std::string client = QuotedProgram(dir + "tessen.exe");
            const Row run[] = {{kClientRunValue, client.c_str(), 0}};
            Key key(os);
            if (key.Open(RegistryRoot::LocalMachine, kRunKey) && !key.WriteAll(run)) return;
        }
        Key key(os);
        if (key.Create(RegistryRoot::LocalMachine, kUninstallKey)) WriteUninstallRows(key, os, dir);
    } catch (...) {
        // The registry entries are the run's last registration step: whatever went
        // wrong here, the installation itself is complete.
    }
}

}  // namespace sorvane
