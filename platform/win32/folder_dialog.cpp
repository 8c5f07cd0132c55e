#include "platform/win32/folder_dialog.h"

#include <algorithm>
#include <cstring>
#include <cwchar>
#include <vector>

#include "platform/setup_error.h"
#include "ui/controls.h"

namespace sorvane::win32 {

namespace {

enum : int {
    kNameEdit = 1100,
    kDriveList = 1101,
    kFolderTree = 1102,
    kFileList = 1103,
    kNetworkButton = 1104,
};

constexpr DWORD kDiskResources = 1;  // RESOURCETYPE_DISK of the network-drive dialog
constexpr DWORD kNetworkDialogCancelled = 0xFFFFFFFF;

const wchar_t kCaption[] = L"Select Directory";

// ---------------------------------------------------------------- dialog template

// An in-memory dialog template: the standard dialog class, so that the dialog manager
// gives Tab, Alt+letter, Enter and Escape their usual meaning.
class DialogTemplate {
  public:
    DialogTemplate(DWORD style, short cx, short cy, const wchar_t* caption, WORD point_size,
                   const wchar_t* font) {
        DLGTEMPLATE t{};
        t.style = style;
        t.cx = cx;
        t.cy = cy;
        Append(&t, sizeof t);
        words_.push_back(0);  // no menu
        words_.push_back(0);  // the standard dialog class
        String(caption);
        words_.push_back(point_size);
        String(font);
    }

    // |atom| is a predefined class (0x80 button ... 0x85 combo box) or 0 for |cls|.
    void Add(DWORD style, DWORD ex_style, short x, short y, short cx, short cy, int id, WORD atom,
             const wchar_t* cls, const wchar_t* text) {
        if (words_.size() % 2) words_.push_back(0);  // items start on a DWORD boundary
        DLGITEMTEMPLATE item{};
        item.style = style | WS_CHILD | WS_VISIBLE;
        item.dwExtendedStyle = ex_style;
        item.x = x;
        item.y = y;
        item.cx = cx;
        item.cy = cy;
        item.id = static_cast<WORD>(id);
        Append(&item, sizeof item);
        if (atom) {
            words_.push_back(0xFFFF);
            words_.push_back(atom);
        } else {
            String(cls);
        }
        String(text);
        words_.push_back(0);  // no creation data
        ++count_;
    }

    const DLGTEMPLATE* get() {
        reinterpret_cast<DLGTEMPLATE*>(words_.data())->cdit = count_;
        return reinterpret_cast<const DLGTEMPLATE*>(words_.data());
    }

  private:
    void Append(const void* data, std::size_t bytes) {
        const std::size_t at = words_.size();
        words_.resize(at + (bytes + 1) / 2);
        std::memcpy(&words_[at], data, bytes);
    }
    void String(const wchar_t* text) {
        for (; *text; ++text) words_.push_back(static_cast<WORD>(*text));
        words_.push_back(0);
    }

    std::vector<WORD> words_;
    WORD count_ = 0;
};

constexpr WORD kButton = 0x80, kEdit = 0x81, kStatic = 0x82, kListBox = 0x83, kComboBox = 0x85;

// ---------------------------------------------------------------- paths

std::string SystemMessage(DWORD code) {
    wchar_t* text = nullptr;
    const DWORD n = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring message = n && text ? std::wstring(text, n) : L"";
    if (text) LocalFree(text);
    while (!message.empty() && (message.back() == L'\n' || message.back() == L'\r' ||
                                message.back() == L' ' || message.back() == L'.'))
        message.pop_back();
    return message.empty() ? "error " + std::to_string(code) : Narrow(message);
}

bool IsFolder(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool IsSlash(wchar_t c) {
    return c == L'\\' || c == L'/';
}

// "C:\" of a drive path, "\\server\share\" of a network path, else empty.
std::wstring RootOf(const std::wstring& path) {
    if (path.size() >= 2 && path[1] == L':') return path.substr(0, 2) + L"\\";
    if (path.size() > 2 && IsSlash(path[0]) && IsSlash(path[1])) {
        std::size_t end = path.find_first_of(L"\\/", 2);
        if (end != std::wstring::npos) end = path.find_first_of(L"\\/", end + 1);
        return (end == std::wstring::npos ? path : path.substr(0, end)) + L"\\";
    }
    return {};
}

std::wstring Join(const std::wstring& folder, const std::wstring& name) {
    return !folder.empty() && IsSlash(folder.back()) ? folder + name : folder + L"\\" + name;
}

// The names in |folder| of its visible sub-folders, or of its visible files, sorted as
// Explorer sorts them (without regard to case).
std::vector<std::wstring> ListFolder(const std::wstring& folder, bool folders) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found;
    HANDLE find = FindFirstFileExW(Join(folder, L"*").c_str(), FindExInfoBasic, &found,
                                   FindExSearchNameMatch, nullptr, 0);
    if (find == INVALID_HANDLE_VALUE) return names;
    do {
        const std::wstring name = found.cFileName;
        if (name == L"." || name == L"..") continue;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_HIDDEN) continue;
        const bool is_folder = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        if (is_folder != folders) continue;
        names.push_back(name);
    } while (FindNextFileW(find, &found));
    FindClose(find);
    std::sort(names.begin(), names.end(), [](const std::wstring& a, const std::wstring& b) {
        return lstrcmpiW(a.c_str(), b.c_str()) < 0;
    });
    return names;
}

// Whether |folder| has a visible sub-folder: its node in the tree then gets a button.
bool HasSubFolder(const std::wstring& folder) {
    WIN32_FIND_DATAW found;
    HANDLE find = FindFirstFileExW(Join(folder, L"*").c_str(), FindExInfoBasic, &found,
                                   FindExSearchLimitToDirectories, nullptr, 0);
    if (find == INVALID_HANDLE_VALUE) return false;
    bool any = false;
    do {
        const std::wstring name = found.cFileName;
        any = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
              !(found.dwFileAttributes & FILE_ATTRIBUTE_HIDDEN) && name != L"." && name != L"..";
    } while (!any && FindNextFileW(find, &found));
    FindClose(find);
    return any;
}

// The folder that a typed name stands for, relative names taken from |base|; "..",
// "." and forward slashes resolved; no final backslash but on a root.
std::wstring ResolveTyped(std::wstring typed, const std::wstring& base) {
    const auto blank = [](wchar_t c) { return c == L' ' || c == L'\t' || c == L'"'; };
    while (!typed.empty() && blank(typed.back())) typed.pop_back();
    typed.erase(0, std::find_if_not(typed.begin(), typed.end(), blank) - typed.begin());
    if (typed.empty()) return {};
    std::wstring full;
    if (typed.size() >= 2 && IsSlash(typed[0]) && IsSlash(typed[1])) {
        full = typed;  // a network path
    } else if (typed.size() >= 2 && typed[1] == L':') {
        full = typed.substr(0, 2) + L"\\" +
               typed.substr(typed.size() > 2 && IsSlash(typed[2]) ? 3 : 2);
    } else if (IsSlash(typed[0])) {
        full = RootOf(base) + typed.substr(1);
    } else {
        full = Join(base, typed);
    }
    std::wstring buffer(32768, L'\0');
    const DWORD n =
        GetFullPathNameW(full.c_str(), static_cast<DWORD>(buffer.size()), buffer.data(), nullptr);
    if (n == 0 || n >= buffer.size()) return full;
    buffer.resize(n);
    if (buffer.size() >= 2 && buffer[1] == L':' && buffer[0] >= L'a' && buffer[0] <= L'z')
        buffer[0] = static_cast<wchar_t>(buffer[0] - L'a' + L'A');  // drives as Windows names them
    while (buffer.size() > RootOf(buffer).size() && IsSlash(buffer.back())) buffer.pop_back();
    return buffer;
}

// Creates |path| and every missing folder above it.
void CreateFolderTree(const std::wstring& path) {
    const std::wstring root = RootOf(path);
    if (root.empty() || !IsFolder(root))
        throw SetupError("The folder \"" + Narrow(path) + "\" cannot be created: the drive " +
                         Narrow(root.empty() ? path : root) + " is not available.");
    for (std::size_t end = root.size(); end <= path.size(); ++end) {
        if (end < path.size() && !IsSlash(path[end])) continue;
        const std::wstring part = path.substr(0, end);
        if (part.size() <= root.size() || IsFolder(part)) continue;
        if (!CreateDirectoryW(part.c_str(), nullptr) && !IsFolder(part)) {
            const DWORD error = GetLastError();
            throw SetupError("The folder \"" + Narrow(path) +
                             "\" cannot be created: " + SystemMessage(error) + ".");
        }
    }
}

// ---------------------------------------------------------------- the dialog

class FolderDialog {
  public:
    static INT_PTR CALLBACK Proc(HWND dlg, UINT message, WPARAM wparam, LPARAM lparam) {
        INT_PTR result = FALSE;
        try {
            if (message == WM_INITDIALOG) SetWindowLongPtrW(dlg, DWLP_USER, lparam);
            auto* self = reinterpret_cast<FolderDialog*>(GetWindowLongPtrW(dlg, DWLP_USER));
            if (!self) return FALSE;
            ui::InvokeGuarded([&] { result = self->Handle(dlg, message, wparam, lparam); });
        } catch (...) {
            // Nothing may cross the dialog manager's frames.
        }
        return result;
    }

    std::wstring start;  // where it opens; the working folder when this is no folder
    std::wstring result;

  private:
    INT_PTR Handle(HWND dlg, UINT message, WPARAM wparam, LPARAM lparam) {
        switch (message) {
            case WM_INITDIALOG:
                Init(dlg);
                return FALSE;  // the focus was set
            case WM_COMMAND:
                Command(LOWORD(wparam), HIWORD(wparam));
                return TRUE;
            case WM_NOTIFY:
                Notify(*reinterpret_cast<const NMHDR*>(lparam));
                return FALSE;
            default:
                return FALSE;
        }
    }

    void Init(HWND dlg) {
        dlg_ = dlg;
        edit_ = GetDlgItem(dlg, kNameEdit);
        tree_ = GetDlgItem(dlg, kFolderTree);
        files_ = GetDlgItem(dlg, kFileList);
        drives_ = GetDlgItem(dlg, kDriveList);
        SendMessageW(edit_, EM_LIMITTEXT, MAX_PATH - 1, 0);

        SHFILEINFOW info{};
        const auto list =
            SHGetFileInfoW(L"folder", FILE_ATTRIBUTE_DIRECTORY, &info, sizeof info,
                           SHGFI_SYSICONINDEX | SHGFI_SMALLICON | SHGFI_USEFILEATTRIBUTES);
        folder_icon_ = info.iIcon;
        SHGetFileInfoW(
            L"folder", FILE_ATTRIBUTE_DIRECTORY, &info, sizeof info,
            SHGFI_SYSICONINDEX | SHGFI_SMALLICON | SHGFI_USEFILEATTRIBUTES | SHGFI_OPENICON);
        open_icon_ = info.iIcon;
        if (list) SendMessageW(tree_, TVM_SETIMAGELIST, TVSIL_NORMAL, static_cast<LPARAM>(list));

        std::wstring current = start;
        if (current.empty() || !IsFolder(current)) {
            current.assign(32768, L'\0');
            const DWORD n =
                GetCurrentDirectoryW(static_cast<DWORD>(current.size()), current.data());
            current.resize(n < current.size() ? n : 0);
        }
        FillDrives(RootOf(current));
        ShowFolder(current);
        SetFocus(edit_);
        SendMessageW(edit_, EM_SETSEL, 0, -1);
    }

    void Command(int id, int code) {
        switch (id) {
            case IDOK:
                Confirm();
                break;
            case IDCANCEL:
                EndDialog(dlg_, IDCANCEL);
                break;
            case kNetworkButton:
                if (code == BN_CLICKED) ConnectNetworkDrive();
                break;
            case kDriveList:
                // While the list is open the arrow keys only look; the choice counts on closing.
                if ((code == CBN_SELCHANGE && !SendMessageW(drives_, CB_GETDROPPEDSTATE, 0, 0)) ||
                    code == CBN_CLOSEUP)
                    DriveChosen();
                break;
        }
    }

    void Notify(const NMHDR& header) {
        if (header.idFrom != kFolderTree) return;
        const auto& tree = reinterpret_cast<const NMTREEVIEWW&>(header);
        if (header.code == TVN_ITEMEXPANDINGW && tree.action == TVE_EXPAND) {
            AddSubFolders(tree.itemNew.hItem);
        } else if (header.code == TVN_SELCHANGEDW) {
            FolderSelected(tree.itemNew.hItem);
        }
    }

    // ---- drives

    void FillDrives(const std::wstring& select) {
        SendMessageW(drives_, CB_RESETCONTENT, 0, 0);
        drive_roots_.clear();
        wchar_t buffer[512] = {};
        const DWORD n = GetLogicalDriveStringsW(ARRAYSIZE(buffer) - 1, buffer);
        for (const wchar_t* root = buffer; n && n < ARRAYSIZE(buffer) && *root;
             root += wcslen(root) + 1) {
            std::wstring text = std::wstring(root, 2);
            const UINT type = GetDriveTypeW(root);
            wchar_t label[MAX_PATH + 1] = {};
            // Only local disks are asked for their label: others may make the user wait.
            if ((type == DRIVE_FIXED || type == DRIVE_RAMDISK) &&
                GetVolumeInformationW(root, label, ARRAYSIZE(label), nullptr, nullptr, nullptr,
                                      nullptr, 0) &&
                label[0])
                text += std::wstring(L"  [") + label + L"]";
            const auto index =
                SendMessageW(drives_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
            if (index < 0) continue;
            SendMessageW(drives_, CB_SETITEMDATA, index, static_cast<LPARAM>(drive_roots_.size()));
            drive_roots_.push_back(root);
        }
        SelectDrive(select);
    }

    void SelectDrive(const std::wstring& root) {
        const auto count = SendMessageW(drives_, CB_GETCOUNT, 0, 0);
        for (LRESULT i = 0; i < count; ++i) {
            const auto slot = static_cast<std::size_t>(SendMessageW(drives_, CB_GETITEMDATA, i, 0));
            if (slot < drive_roots_.size() &&
                lstrcmpiW(drive_roots_[slot].c_str(), root.c_str()) == 0) {
                SendMessageW(drives_, CB_SETCURSEL, i, 0);
                return;
            }
        }
        SendMessageW(drives_, CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
    }

    void DriveChosen() {
        const auto index = SendMessageW(drives_, CB_GETCURSEL, 0, 0);
        if (index < 0) return;
        const auto slot = static_cast<std::size_t>(SendMessageW(drives_, CB_GETITEMDATA, index, 0));
        if (slot >= drive_roots_.size()) return;
        const std::wstring root = drive_roots_[slot];
        if (lstrcmpiW(root.c_str(), root_.c_str()) == 0) return;
        if (!IsFolder(root)) {
            SelectDrive(root_);
            const std::wstring text = L"The drive " + root.substr(0, 2) + L" is not ready.";
            MessageBoxW(dlg_, text.c_str(), kCaption, MB_OK | MB_ICONWARNING);
            return;
        }
        ShowFolder(root);
    }

    void ConnectNetworkDrive() {
        // Loaded only now, from the system folder, so that it stays out of the import table.
        HMODULE mpr = LoadLibraryW(L"mpr.dll");
        if (!mpr) throw SetupError("Network connections are not available on this computer.");
        using Fn = DWORD(WINAPI*)(HWND, DWORD);
        auto fn = reinterpret_cast<Fn>(
            reinterpret_cast<void*>(GetProcAddress(mpr, "WNetConnectionDialog")));
        const DWORD result = fn ? fn(dlg_, kDiskResources) : ERROR_PROC_NOT_FOUND;
        FreeLibrary(mpr);
        if (result == NO_ERROR) {
            FillDrives(root_);
        } else if (result != kNetworkDialogCancelled && result != ERROR_CANCELLED) {
            throw SetupError("No network drive can be connected: " + SystemMessage(result) + ".");
        }
    }

    // ---- folder tree

    HTREEITEM Insert(HTREEITEM parent, const std::wstring& text, const std::wstring& path,
                     bool root, bool children = true) {
        TVINSERTSTRUCTW insert{};
        insert.hParent = parent;
        insert.hInsertAfter = TVI_LAST;
        insert.item.mask = TVIF_TEXT | TVIF_PARAM | TVIF_CHILDREN | TVIF_IMAGE | TVIF_SELECTEDIMAGE;
        insert.item.pszText = const_cast<wchar_t*>(text.c_str());
        insert.item.cChildren = children ? 1 : 0;
        insert.item.lParam = static_cast<LPARAM>(paths_.size());
        insert.item.iImage = folder_icon_;
        insert.item.iSelectedImage = open_icon_;
        if (root) {
            SHFILEINFOW info{};
            if (SHGetFileInfoW(path.c_str(), 0, &info, sizeof info,
                               SHGFI_SYSICONINDEX | SHGFI_SMALLICON))
                insert.item.iImage = insert.item.iSelectedImage = info.iIcon;
        }
        paths_.push_back(path);
        return reinterpret_cast<HTREEITEM>(
            SendMessageW(tree_, TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&insert)));
    }

    std::wstring PathOf(HTREEITEM item) const {
        TVITEMW tv{};
        tv.mask = TVIF_PARAM;
        tv.hItem = item;
        if (!item || !SendMessageW(tree_, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&tv)))
            return {};
        const auto slot = static_cast<std::size_t>(tv.lParam);
        return slot < paths_.size() ? paths_[slot] : std::wstring();
    }

    HTREEITEM Child(HTREEITEM item, UINT which = TVGN_CHILD) const {
        return reinterpret_cast<HTREEITEM>(
            SendMessageW(tree_, TVM_GETNEXTITEM, which, reinterpret_cast<LPARAM>(item)));
    }

    // Fills a node's sub-folders the first time it is opened.
    void AddSubFolders(HTREEITEM item) {
        if (Child(item)) return;
        const std::wstring path = PathOf(item);
        const auto names = ListFolder(path, true);
        for (const auto& name : names) {
            const std::wstring child = Join(path, name);
            Insert(item, name, child, false, HasSubFolder(child));
        }
        if (names.empty()) {
            TVITEMW tv{};
            tv.mask = TVIF_CHILDREN;
            tv.hItem = item;
            tv.cChildren = 0;
            SendMessageW(tree_, TVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&tv));
        }
    }

    // Shows the tree of |folder|'s drive opened down to |folder|, and selects it.
    void ShowFolder(const std::wstring& folder) {
        const std::wstring root = RootOf(folder);
        if (root.empty()) return;
        SendMessageW(tree_, WM_SETREDRAW, FALSE, 0);
        SendMessageW(tree_, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT));
        paths_.clear();
        root_ = root;
        HTREEITEM item = Insert(TVI_ROOT, root, root, true);
        std::size_t at = root.size();
        while (item && at < folder.size()) {
            std::size_t end = folder.find_first_of(L"\\/", at);
            if (end == std::wstring::npos) end = folder.size();
            const std::wstring name = folder.substr(at, end - at);
            at = end + 1;
            if (name.empty()) continue;
            AddSubFolders(item);
            SendMessageW(tree_, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(item));
            HTREEITEM child = Child(item);
            for (; child; child = Child(child, TVGN_NEXT)) {
                wchar_t text[MAX_PATH] = {};
                TVITEMW tv{};
                tv.mask = TVIF_TEXT;
                tv.hItem = child;
                tv.pszText = text;
                tv.cchTextMax = ARRAYSIZE(text);
                SendMessageW(tree_, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&tv));
                if (lstrcmpiW(text, name.c_str()) == 0) break;
            }
            // A hidden folder on the way is shown all the same.
            item = child ? child : Insert(item, name, folder.substr(0, end), false);
        }
        if (item) {
            // Expanding by message sends no TVN_ITEMEXPANDING: the node is filled here.
            AddSubFolders(item);
            SendMessageW(tree_, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(item));
            SendMessageW(tree_, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item));
            SendMessageW(tree_, TVM_ENSUREVISIBLE, 0, reinterpret_cast<LPARAM>(item));
        }
        SendMessageW(tree_, WM_SETREDRAW, TRUE, 0);
        InvalidateRect(tree_, nullptr, TRUE);
        SelectDrive(root);
    }

    void FolderSelected(HTREEITEM item) {
        const std::wstring path = PathOf(item);
        if (path.empty()) return;
        selected_ = path;
        SetWindowTextW(edit_, path.c_str());
        SendMessageW(files_, WM_SETREDRAW, FALSE, 0);
        SendMessageW(files_, LB_RESETCONTENT, 0, 0);
        for (const auto& name : ListFolder(path, false))
            SendMessageW(files_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
        SendMessageW(files_, WM_SETREDRAW, TRUE, 0);
        InvalidateRect(files_, nullptr, TRUE);
    }

    // ---- OK

    void Confirm() {
        const int length = GetWindowTextLengthW(edit_);
        std::wstring typed(static_cast<std::size_t>(length) + 1, L'\0');
        typed.resize(static_cast<std::size_t>(GetWindowTextW(edit_, typed.data(), length + 1)));
        const std::wstring folder = ResolveTyped(typed, selected_);
        if (folder.empty()) {
            MessageBeep(MB_ICONWARNING);
            SetFocus(edit_);
            return;
        }
        if (!IsFolder(folder)) {
            const int answer =
                MessageBoxW(dlg_, L"The specified directory does not exist. Create it?", L"Confirm",
                            MB_YESNO | MB_ICONQUESTION);
            if (answer != IDYES) {
                SetFocus(edit_);
                SendMessageW(edit_, EM_SETSEL, 0, -1);
                return;
            }
            if (folder.size() >= MAX_PATH)
                throw SetupError("The folder \"" + Narrow(folder) +
                                 "\" cannot be created: its name is too long.");
            SetFocus(edit_);  // where the user goes on if the folder cannot be made
            CreateFolderTree(folder);
        }
        result = folder;
        EndDialog(dlg_, IDOK);
    }

    HWND dlg_ = nullptr, edit_ = nullptr, tree_ = nullptr, files_ = nullptr, drives_ = nullptr;
    int folder_icon_ = 0, open_icon_ = 0;
    std::vector<std::wstring> paths_;        // each tree node's folder, by its item data
    std::vector<std::wstring> drive_roots_;  // each drive entry's root, by its item data
    std::wstring root_;                      // the drive the tree shows
    std::wstring selected_;                  // the folder selected in the tree
};

}  // namespace

bool SelectDirectory(HWND owner, const std::string& start, std::string* folder) {
    // The tree control's class comes from the common controls.
    LoadCommonControls(ICC_TREEVIEW_CLASSES | ICC_STANDARD_CLASSES);
    // Tahoma 8 pt is the 11-pixel font of the wizard at 96 dots per inch.
    DialogTemplate t(
        DS_MODALFRAME | DS_SETFONT | DS_CENTER | DS_3DLOOK | WS_POPUP | WS_CAPTION | WS_SYSMENU,
        300, 194, kCaption, 8, L"Tahoma");
    t.Add(SS_LEFT, 0, 7, 7, 226, 8, -1, kStatic, nullptr, L"&Directory name:");
    t.Add(ES_AUTOHSCROLL | WS_TABSTOP, WS_EX_CLIENTEDGE, 7, 17, 226, 12, kNameEdit, kEdit, nullptr,
          L"");
    t.Add(SS_LEFT, 0, 7, 36, 110, 8, -1, kStatic, nullptr, L"Di&rectories:");
    t.Add(TVS_HASLINES | TVS_HASBUTTONS | TVS_LINESATROOT | TVS_SHOWSELALWAYS |
              TVS_DISABLEDRAGDROP | WS_TABSTOP,
          WS_EX_CLIENTEDGE, 7, 46, 110, 112, kFolderTree, 0, L"SysTreeView32", L"");
    t.Add(SS_LEFT, 0, 123, 36, 110, 8, -1, kStatic, nullptr, L"&Files:");
    t.Add(LBS_SORT | LBS_NOSEL | LBS_NOINTEGRALHEIGHT | WS_VSCROLL | WS_TABSTOP, WS_EX_CLIENTEDGE,
          123, 46, 110, 112, kFileList, kListBox, nullptr, L"");
    t.Add(SS_LEFT, 0, 7, 164, 110, 8, -1, kStatic, nullptr, L"Dri&ves:");
    t.Add(CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, 0, 7, 174, 226, 120, kDriveList, kComboBox,
          nullptr, L"");
    t.Add(BS_DEFPUSHBUTTON | WS_TABSTOP, 0, 241, 17, 52, 14, IDOK, kButton, nullptr, L"OK");
    t.Add(BS_PUSHBUTTON | WS_TABSTOP, 0, 241, 35, 52, 14, IDCANCEL, kButton, nullptr, L"Cancel");
    t.Add(BS_PUSHBUTTON | WS_TABSTOP, 0, 241, 173, 52, 14, kNetworkButton, kButton, nullptr,
          L"&Network...");

    FolderDialog dialog;
    const WideText wide_start = Widen(start);
    dialog.start.assign(wide_start.c_str(), wide_start.size());
    const INT_PTR answer =
        DialogBoxIndirectParamW(GetModuleHandleW(nullptr), t.get(), owner, &FolderDialog::Proc,
                                reinterpret_cast<LPARAM>(&dialog));
    if (answer == -1 || answer == 0)
        throw SetupError("The folder dialog cannot be shown: " + SystemMessage(GetLastError()) +
                         ".");
    if (answer != IDOK || dialog.result.empty()) return false;
    *folder = Narrow(dialog.result);
    return true;
}

}  // namespace sorvane::win32
