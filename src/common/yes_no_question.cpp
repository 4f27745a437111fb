#include "common/yes_no_question.h"

#include "common/app_title.h"

bool AskYesNo(HWND owner, const std::wstring& question) {
  return MessageBoxW(owner, question.c_str(), kAppTitle, MB_ICONQUESTION | MB_YESNO) == IDYES;
}
