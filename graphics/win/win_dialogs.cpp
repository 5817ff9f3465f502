// The system's file and colour dialogs, web links and the special folders.
#include <windows.h>
#include <commdlg.h>
#include <shlobj.h>
#include <shellapi.h>
#include <wininet.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "graphics/file_filter.h"
#include "graphics/win/graphics_win.h"
#include "graphics/win/win_window_state.h"

namespace fluvia {
namespace {

constexpr int kIdYes = 6;

// The folder of a module's file, with its trailing backslash.
std::string FolderOfModule(HMODULE module) {
  char path[MAX_PATH + 1] = {};
  const DWORD length = GetModuleFileNameA(module, path, MAX_PATH);
  std::string folder(path, length);
  const size_t slash = folder.find_last_of("\\/");
  return slash == std::string::npos ? std::string() : folder.substr(0, slash + 1);
}

std::string SpecialFolder(int folder) {
  char path[MAX_PATH + 1] = {};
  if (SHGetFolderPathA(nullptr, folder, nullptr, 0, path) != S_OK) return {};
  return path;
}

UINT_PTR CALLBACK ColourHook(HWND dialog, UINT message, WPARAM, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    const auto* choose = reinterpret_cast<const CHOOSECOLORA*>(lParam);
    if (choose->lCustData) SetWindowTextA(dialog, reinterpret_cast<const char*>(choose->lCustData));
  }
  return 0;
}

}  // namespace

std::string IGraphicsWin::HostPath() { return FolderOfModule(nullptr); }
std::string IGraphicsWin::PluginPath() { return FolderOfModule(w_->module); }

std::string IGraphicsWin::DesktopPath() {
  char path[MAX_PATH + 1] = {};
  return SHGetSpecialFolderPathA(nullptr, path, CSIDL_DESKTOP, FALSE) ? path : "";
}

std::string IGraphicsWin::AppSupportPath(bool system) {
  return SpecialFolder(system ? CSIDL_COMMON_APPDATA : CSIDL_LOCAL_APPDATA);
}

void IGraphicsWin::PromptForFile(std::string& file, int mode, std::string& directory,
                                 const std::string& extensions) {
  if (!w_->window) {
    file.clear();
    return;
  }
  if (directory.empty()) directory = DesktopPath();
  // One filter: its description ("Fluvia preset (*.fluviapreset)") and its patterns.
  const std::vector<std::string> types = SplitFileExtensions(extensions);
  const std::string patterns = FilePatterns(types, ";");
  const std::string description =
      FileFilterDescription(types.empty() ? std::string() : FileTypeName(types[0]), types);
  const std::string filter = description + '\0' + patterns + '\0';
  const std::string first = types.empty() ? std::string() : types[0].substr(0, 15);

  // The library speaks in forward slashes; the dialogs want the system's own. The dialog
  // starts in the folder the caller names: a name with a folder would take it elsewhere, so
  // only the file's own name is offered.
  std::string startFolder = directory;
  std::replace(startFolder.begin(), startFolder.end(), '/', '\\');
  const size_t slash = file.find_last_of("\\/");
  const std::string offered = slash == std::string::npos ? file : file.substr(slash + 1);
  char name[256] = {};
  std::strncpy(name, offered.c_str(), sizeof name - 1);
  OPENFILENAMEA dialog = {};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = w_->window;
  dialog.lpstrFilter = patterns.empty() ? nullptr : filter.c_str();
  dialog.lpstrFile = name;
  dialog.nMaxFile = sizeof name - 1;
  dialog.lpstrInitialDir = startFolder.c_str();
  dialog.lpstrDefExt = first.empty() ? nullptr : first.c_str();
  // No "Open as read-only" box (a preset is only read anyway), and the host's current folder
  // stays where the host put it.
  dialog.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_NOCHANGEDIR | OFN_PATHMUSTEXIST;
  ResetMouseState();
  BOOL chosen;
  if (mode == kFileSave) {
    dialog.Flags |= OFN_OVERWRITEPROMPT;
    chosen = GetSaveFileNameA(&dialog);
  } else {
    dialog.Flags |= OFN_FILEMUSTEXIST;
    chosen = GetOpenFileNameA(&dialog);
  }
  if (!chosen) {
    file.clear();
    return;
  }
  file = name;
  char drive[_MAX_DRIVE] = {}, folder[_MAX_DIR] = {};
  _splitpath(name, drive, folder, nullptr, nullptr);
  directory = std::string(drive) + folder;
}

bool IGraphicsWin::PromptForColor(IArgbColor& color, const char* prompt) {
  if (!w_->window) return false;
  if (!w_->customColours) w_->customColours = new COLORREF[16]();
  CHOOSECOLORA choose = {};
  choose.lStructSize = sizeof choose;
  choose.hwndOwner = w_->window;
  choose.rgbResult = RGB(color.r, color.g, color.b);
  choose.lpCustColors = w_->customColours;
  choose.Flags = CC_RGBINIT | CC_FULLOPEN | CC_ANYCOLOR | CC_SOLIDCOLOR | CC_ENABLEHOOK;
  choose.lpfnHook = ColourHook;
  choose.lCustData = reinterpret_cast<LPARAM>(prompt);
  ResetMouseState();
  if (!ChooseColorA(&choose)) return false;
  color.r = GetRValue(choose.rgbResult);
  color.g = GetGValue(choose.rgbResult);
  color.b = GetBValue(choose.rgbResult);
  return true;
}

bool IGraphicsWin::OpenURL(const char* url, const char* title, const char* confirmText,
                           const char* errorText) {
  if (confirmText && *confirmText && ShowMessageBox(confirmText, title, MB_YESNO) != kIdYes) {
    return false;
  }
  DWORD connection = 0;
  if (url && InternetGetConnectedState(&connection, 0) &&
      reinterpret_cast<INT_PTR>(ShellExecuteA(static_cast<HWND>(w_->window), "open", url, nullptr,
                                              nullptr, SW_SHOWNORMAL)) > 32) {
    return true;
  }
  if (errorText && *errorText) ShowMessageBox(errorText, title, MB_OK);
  return false;
}

}  // namespace fluvia
