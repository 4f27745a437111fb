// Compiled with the logic library's include path by the test build.logic_refuses_windows_h,
// which passes when the compiler stops here.
#include <windows.h>
