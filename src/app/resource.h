// Resource identifiers shared by Corvix.rc and the code.
#pragma once

#define IDI_MAINICON 1
