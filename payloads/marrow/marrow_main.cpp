// _marrow.exe, the helper: registers or removes the layered provider. The setup
// starts it without waiting, so all it tells goes through its exit code and,
// unless the command asks for silence, message boxes.
#include <windows.h>

#include <string>

#include "payloads/common/command_fields.h"
#include "payloads/common/win/dll_search.h"
#include "payloads/common/win/program_folder.h"
#include "payloads/common/win/runtime_failure.h"
#include "payloads/common/win/provider_registration.h"
#include "payloads/common/win/wide_text.h"
#include "payloads/marrow/helper_command.h"
#include "payloads/marrow/helper_texts.h"

namespace sorvane::payloads {

namespace {

enum ExitCode { kDone = 0, kBadCommandLine = 1, kCatalogueFailed = 2, kDeclined = 3 };

class Dialogs {
  public:
    Dialogs(const HelperCommand& cmd, Language language) : cmd_(cmd), language_(language) {
        HWND owner =
            reinterpret_cast<HWND>(static_cast<LONG_PTR>(static_cast<LONG>(cmd.owner_window)));
        owner_ = owner != nullptr && IsWindow(owner) ? owner : nullptr;
    }

    void Error(const std::wstring& text) const {
        if (!cmd_.silent) Show(text, MB_OK | MB_ICONERROR);
    }
    bool Confirmed(const std::wstring& text) const {
        return cmd_.silent || Show(text, MB_YESNO | MB_ICONQUESTION) == IDYES;
    }
    Language language() const { return language_; }

  private:
    int Show(const std::wstring& text, UINT type) const {
        const UINT placement = owner_ ? 0 : MB_TOPMOST | MB_SETFOREGROUND;
        return MessageBoxW(owner_, text.c_str(), Widen(kHelperTitle).c_str(), type | placement);
    }

    const HelperCommand& cmd_;
    Language language_;
    HWND owner_ = nullptr;
};

int Run() {
    const HelperCommand cmd = ParseHelperCommand(CommandTail(GetCommandLineW()));
    const Dialogs dialogs(cmd, ReadClientLanguage(ProgramFolder()));
    const Language lang = dialogs.language();
    if (!cmd.ok()) {
        dialogs.Error(Widen(BadCommandLineText(lang)));
        return kBadCommandLine;
    }

    if (cmd.action == HelperAction::Uninstall) {
        if (const int error = UnregisterLayeredProvider()) {
            dialogs.Error(Widen(CatalogueFailedText(lang)) + WideDecimal(error));
            return kCatalogueFailed;
        }
        return kDone;
    }

    if (!FileExists(cmd.provider_path)) {
        dialogs.Error(Widen(MissingProviderText(lang)) + cmd.provider_path);
        return kBadCommandLine;
    }
    if (!dialogs.Confirmed(Widen(ConfirmRegistrationText(lang)))) return kDeclined;
    if (const int error = RegisterLayeredProvider(cmd.provider_path)) {
        dialogs.Error(Widen(CatalogueFailedText(lang)) + WideDecimal(error));
        return kCatalogueFailed;
    }
    return kDone;
}

}  // namespace

}  // namespace sorvane::payloads

const int sorvane::payloads::kRuntimeFailureExitCode = 2;

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    sorvane::payloads::RestrictDllSearch();
    return sorvane::payloads::Run();
}
