// Program entry: a capture asked for on the command line, or the tray program: module start-up,
// the application and its hidden main form, the message loop, and the shut-down in the reverse
// order.
#include <windows.h>
#include <shellapi.h>

#include <string>
#include <vector>

#include "app/main_form.h"
#include "app/program_modules.h"
#include "app/single_instance.h"
#include "command_line/command_line_run.h"
#include "toolkit/forms.h"

namespace {

std::vector<std::wstring> CommandLineWords() {
  int count = 0;
  LPWSTR* words = CommandLineToArgvW(GetCommandLineW(), &count);
  std::vector<std::wstring> arguments;
  for (int i = 1; words && i < count; ++i) arguments.emplace_back(words[i]);
  LocalFree(words);
  return arguments;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  const ParsedArguments parsed = ParseArguments(CommandLineWords());
  if (parsed.Verdict != ArgumentsVerdict::Start) return RunCommandLine(parsed, instance);

  // A second start touches nothing: no Option.ini, no registry, no hot keys.
  TSingleInstance instances;
  if (!instances.First()) instances.WakeFirst();
  if (!instances.First()) return 0;
  try {
    StartModules(instance);
    MainForm = Application.CreateForm<TMainForm>();
    Application.Run();
  } catch (const std::exception& error) {
    Application.HandleException(error);
  }
  // The forms go while the option store still exists; then the modules, in reverse order.
  Application.DestroyForms();
  MainForm = nullptr;
  instances.Release();  // hot keys and icon are gone: a new start may run
  EndModules();
  return 0;
}
