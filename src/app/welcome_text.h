// The welcome balloon's text: the three hot-key texts as stored, each one that another program
// holds marked as such. Window-free.
#pragma once

#include <array>
#include <string>

std::wstring WelcomeText(const std::wstring& keyScreen, const std::wstring& keyActiveWnd, const std::wstring& keyCustom,
                         const std::array<bool, 3>& taken = {});
