// Module Mirelda: the firewall component TOvFirewall, which stands between a host
// program and the product's Winsock layered provider "_pellin.dll". It clears obsolete
// provider entries from the catalogue, tells whether the product's provider is
// registered, and has the helper program "_marrow.exe" register or remove it.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "platform/os.h"
#include "provider/firewall.h"

namespace sorvane {

// The product's provider: the catalogue entry whose DLL path is asked for.
inline constexpr Guid ProviderGuid = {
    0x916DD320, 0x0647, 0x4C82, {0xA1, 0x45, 0x12, 0x6B, 0xDC, 0xBC, 0xFA, 0xA6}};
// Earlier providers: one removal for the first entry found.
inline constexpr Guid ObsoleteProviderGuid1 = {
    0xC694D67B, 0x4B98, 0x4D1F, {0xA8, 0x19, 0xFD, 0xC4, 0xF0, 0x51, 0xFC, 0x6E}};
// ... and one removal for every entry found.
inline constexpr Guid ObsoleteProviderGuid2 = {
    0x90B4116D, 0xEB89, 0x416A, {0xBF, 0x90, 0x8A, 0xDA, 0x06, 0x59, 0xBD, 0xB2}};

inline constexpr std::uint32_t kWmQueryEndSession = 17;
inline constexpr std::uint32_t kWmCopyData = 74;
inline constexpr std::uint32_t TrafficNotifyMessage = 0x0400 + 511;  // WM_USER + 511
inline constexpr std::uint16_t kWinsockVersion = 0x0101;
inline constexpr std::intptr_t kSeErrAccessDenied = 5;  // the plain start was refused

inline constexpr const char* kProviderFileName = "_pellin.dll";
inline constexpr const char* kHelperFileName = "_marrow.exe";
inline constexpr const char* kPendingProviderFileName = "ostrel.rdk";
// Provider DLLs of earlier versions, looked for in the "plugin" folder.
inline constexpr const char* kLegacyProviderNames[] = {
    "_drumlin.dll", "drumlin.dll", "gorsefen.dll", "_gorsefen.dll", "pellin.dll"};

// The folder the component works in (the product's installation folder), with its
// trailing backslash; every construction of a component sets it.
extern std::string AppFolder;
// How long a helper is given to end before another starts: two at once could undo each
// other's catalogue changes. One still running then is left to itself.
inline constexpr std::uint32_t kHelperEndWait = 120000;

enum TDataType : std::uint8_t { dtTCP = 0, dtUDP = 1 };

// One connection as a host's event sees it.
struct TFirewallData {
    TDataType Protocol = dtTCP;
    std::uint32_t LocalAddress = 0;
    std::uint16_t LocalPort = 0;
    std::uint32_t RemoteAddress = 0;
    std::uint16_t RemotePort = 0;
    std::uint32_t ProcessId = 0;
};

class TOvFirewall;
using TEFConnect = std::function<void(TOvFirewall& Sender, const TFirewallData& Data, bool& Accept,
                                      std::int32_t& NewPort)>;
using TEFData = std::function<void(TOvFirewall& Sender, TDataType DataType, std::int32_t DataLen,
                                   char* Buf, const TFirewallData& Data, bool& Accept)>;

// A message as the hidden window's procedure receives it; the procedure fills Result.
struct TMessage {
    std::uint32_t Msg = 0;
    std::uintptr_t WParam = 0;
    std::intptr_t LParam = 0;
    std::intptr_t Result = 0;
};

class TOvFirewall : public FirewallComponent {
  public:
    // |Owner| is the host's window, whose handle the helper receives; |Folder| the
    // installation folder (final backslash) whose helper, "plugin" folder and pending
    // update the component uses, never the folder of whatever program hosts it. |Silent|:
    // the helper is asked to show nothing, its removal too ("UY"), as nobody may be there
    // to answer (an updater running as SYSTEM). |Pending|, when given, puts a waiting
    // provider library in place instead of the component's own copy by path. Raises
    // SetupError when the hidden window cannot be made.
    TOvFirewall(Os& os, sorvane::WindowHandle Owner, const std::string& Folder,
                bool Silent = false, PendingUpdate Pending = {});
    ~TOvFirewall() override;
    TOvFirewall(const TOvFirewall&) = delete;
    TOvFirewall& operator=(const TOvFirewall&) = delete;

    // Whether the product's provider is registered with the DLL name "_pellin.dll".
    // A registration of another file has the helper remove it.
    bool IsInstalled() override;
    // Starts the helper to register |provider_path| (or the current provider DLL when
    // empty); true when the helper was started.
    bool InstallThroughHelper(const std::string& helper_path, const std::string& provider_path,
                              bool confirm) override;
    // Starts the installation folder's helper to remove the registration, and waits, at
    // most kHelperEndWait, for it to end.
    bool UninstallThroughHelper();
    bool RemovalStillRunning() const override { return RemovalStillRunning_; }
    // Starts |file| through the shell, asking for elevation when the plain start is
    // refused, once an earlier helper has ended or kHelperEndWait has passed.
    bool StartHelper(const std::string& file, const std::string& parameters);
    // The 8.3 form of an existing file's path; empty when there is no such file.
    std::string ExistingShortPath(const std::string& path);
    // Puts a waiting "plugin\ostrel.rdk" in place of "plugin\_pellin.dll".
    void ApplyPendingUpdate();
    void WndProc(TMessage& Message);

    // Catalogue operations.
    void RemoveObsoleteProviders();
    // The DLL path registered under ProviderGuid, or empty.
    std::string RegisteredProviderPath();

    sorvane::WindowHandle OwnerControl() const { return OwnerControl_; }
    sorvane::WindowHandle WindowHandle() const { return WindowHandle_; }
    const std::string& ExecutablePath() const { return ExecutablePath_; }
    const std::string& ProviderDllPath() const { return ProviderDllPath_; }

    // Published properties: writing one stores it and does nothing else.
    const std::string& BanlistFile() const { return BanlistFile_; }
    void SetBanlistFile(const std::string& v) { BanlistFile_ = v; }
    const std::string& WebFilterFile() const { return WebFilterFile_; }
    void SetWebFilterFile(const std::string& v) { WebFilterFile_ = v; }
    const std::string& RuleFile() const { return RuleFile_; }
    void SetRuleFile(const std::string& v) { RuleFile_ = v; }
    const std::string& TrustListFile() const { return TrustListFile_; }
    void SetTrustListFile(const std::string& v) { TrustListFile_ = v; }
    std::int32_t TCPBytesRecieved() const { return TCPBytesRecieved_; }
    std::int32_t TCPBytesSent() const { return TCPBytesSent_; }
    std::int32_t UDPBytesRecieved() const { return UDPBytesRecieved_; }
    std::int32_t UDPBytesSent() const { return UDPBytesSent_; }
    std::int32_t DownloadLimit() const { return DownloadLimit_; }
    void SetDownloadLimit(std::int32_t v) { DownloadLimit_ = v; }
    std::int32_t UploadLimit() const { return UploadLimit_; }
    void SetUploadLimit(std::int32_t v) { UploadLimit_ = v; }
    const TEFConnect& OnAccept() const { return OnAccept_; }
    void SetOnAccept(TEFConnect v) { OnAccept_ = std::move(v); }
    const TEFConnect& OnConnecting() const { return OnConnecting_; }
    void SetOnConnecting(TEFConnect v) { OnConnecting_ = std::move(v); }
    const TEFData& OnRead() const { return OnRead_; }
    void SetOnRead(TEFData v) { OnRead_ = std::move(v); }
    const TEFData& OnWrite() const { return OnWrite_; }
    void SetOnWrite(TEFData v) { OnWrite_ = std::move(v); }
    const TEFData& OnBeforeWrite() const { return OnBeforeWrite_; }
    void SetOnBeforeWrite(TEFData v) { OnBeforeWrite_ = std::move(v); }

  private:
    void SetAsideLegacyProviders();
    bool NamedByCatalogue(const std::string& file_name);
    // Gives the helper started last kHelperEndWait to end: false when it still runs.
    bool AwaitEarlierHelper();
    std::string HelperParameters(const char* letters);
    void WMQueryEndSession(TMessage& Message);
    void WMCopyData(TMessage& Message);
    void TrafficNotify(TMessage& Message);

    Os& os_;
    sorvane::WindowHandle OwnerControl_ = 0;
    sorvane::WindowHandle WindowHandle_ = 0;
    std::string ExecutablePath_;
    TEFConnect OnConnecting_;
    TEFData OnRead_;
    TEFData OnWrite_;
    std::int32_t TCPBytesRecieved_ = 0;
    std::int32_t UDPBytesRecieved_ = 0;
    std::int32_t TCPBytesSent_ = 0;
    std::int32_t UDPBytesSent_ = 0;
    TEFData OnBeforeWrite_;
    TEFConnect OnAccept_;
    std::string ProviderDllPath_;
    std::string BanlistFile_;
    std::string RuleFile_;
    std::string WebFilterFile_;
    std::string TrustListFile_;
    std::int32_t DownloadLimit_ = 0;
    std::int32_t UploadLimit_ = 0;
    ProcessHandle helper_ = 0;  // the last helper started, until it was waited for
    bool Silent_ = false;
    PendingUpdate Pending_;
    bool RemovalStillRunning_ = false;
};

}  // namespace sorvane
