// Resource and command identifiers shared by corvix.rc and the code.
#pragma once

#define IDI_MAINICON 1
#define IDI_TOOLS 2

// Commands of the main form's actions (menu entries and WM_COMMAND).
#define IDA_OPTION 40001
#define IDA_ABOUT 40002
#define IDA_EXIT 40003
#define IDA_PIN_CLIPBOARD 40004
#define IDA_CLOSE_PINS 40005
#define IDA_LAST_REGION 40006
#define IDA_OPEN_FOLDER 40007

// The text recognition model (RCDATA).
#define IDR_TEXT_MODEL 10
