// The welcome balloon's text: the three hot-key texts as stored. Window-free.
#pragma once

#include <string>

std::wstring WelcomeText(const std::wstring& keyScreen, const std::wstring& keyActiveWnd, const std::wstring& keyCustom);
