#include "system/registry_entries.h"

#include "core/number_text.h"
#include <vector>

#include "platform/setup_error.h"

namespace sorvane {

namespace {

// One value to write: a string (REG_SZ with its terminating zero) or a number.
struct Row {
    Row(const char* n, std::string t) : name(n), type(kRegSz), text(std::move(t)) {}
    Row(const char* n, std::uint32_t v) : name(n), type(kRegDword), number(v) {}
    const char* name;
    std::uint32_t type;
    std::string text;
    std::uint32_t number = 0;
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
        if (row.type == kRegSz)
            return os_.RegSetValueEx(key_, row.name, kRegSz, row.text.c_str(),
                                     static_cast<std::uint32_t>(row.text.size() + 1)) ==
                   kErrorSuccess;
        const std::uint8_t bytes[4] = {static_cast<std::uint8_t>(row.number),
                                       static_cast<std::uint8_t>(row.number >> 8),
                                       static_cast<std::uint8_t>(row.number >> 16),
                                       static_cast<std::uint8_t>(row.number >> 24)};
        return os_.RegSetValueEx(key_, row.name, kRegDword, bytes, 4) == kErrorSuccess;
    }
    // False as soon as one value cannot be written; the later ones are left out.
    bool WriteAll(const std::vector<Row>& rows) {
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

std::vector<Row> UninstallRows(Os& os, const std::string& dir) {
    return {
        {"DisplayName", kProductName},
        {"UninstallString", dir + "Uninstall.exe -uninstall -f"},
        {"Publisher", kPublisher},
        {"DisplayIcon", dir + "tessen.exe,0"},
        {"DisplayVersion", "2.2"},
        {"URLInfoAbout", kWebAddress},
        {"URLUpdateInfo", kWebAddress},
        {"InstallDate", TodayAsDigits(os)},
        {"InstallLocation", dir},
        {"InstallSource", FolderOf(os.GetModuleFileName())},
        {"RegOwner", kPublisher},
        {"RegCompany", kPublisher},
        {"Version", 3u},
        {"VersionMajor", 3u},
        {"VersionMinor", 3u},
        {"NoModify", 1u},
        {"NoRepair", 1u},
        {"EstimatedSize", kEstimatedSize},
    };
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
        if (!key.Write({setup.c_str(), kCompatibilityLayer}))
            throw SetupError("Unable to write the compatibility layer of " + setup);
    }
}

void WriteRegistryEntries(Os& os, const SetupSession& session) {
    try {
        const std::string& dir = session.InstallDir;
        const std::vector<Row> application = {{"Path", dir}, {"Version", kProductVersion}};
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
            Key key(os);
            if (key.Open(RegistryRoot::LocalMachine, kRunKey) &&
                !key.WriteAll({{kClientRunValue, dir + "tessen.exe"}}))
                return;
        }
        Key key(os);
        if (key.Create(RegistryRoot::LocalMachine, kUninstallKey))
            key.WriteAll(UninstallRows(os, dir));
    } catch (...) {
        // The registry entries are the run's last registration step: whatever went
        // wrong here, the installation itself is complete.
    }
}

}  // namespace sorvane
