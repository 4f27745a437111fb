// This folder comes first on the include path of the window-free logic library.
#error "the logic library must not include <windows.h>: put Windows calls in the glue beside it"
