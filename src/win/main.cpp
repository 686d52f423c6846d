#include <windows.h>

#include <commctrl.h>
#include <objbase.h>

#include <string>

#include "link/environment.h"
#include "platform/win/wide_text.h"
#include "win/main_window.h"
#include "win/message_loop.h"

namespace {

// The folder of quib.exe, as UTF-8.
std::string ProgramFolder() {
  std::wstring file(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, file.data(), static_cast<DWORD>(file.size()));
    if (length == 0) return {};
    if (length < file.size()) {
      file.resize(length);
      break;
    }
    file.resize(file.size() * 2);
  }
  return Utf8FromWide(file.substr(0, file.find_last_of(L"\\/")));
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int showCommand) {
  const INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);
  // The folder picker is a COM object, used on this thread.
  const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
  int code = 0;
  {
    MainWindow window(Environment::Default(ProgramFolder()));
    window.Startup();
    window.Show(showCommand);
    code = RunMessageLoop();
  }
  if (SUCCEEDED(com)) CoUninitialize();
  return code;
}
