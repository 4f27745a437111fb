#pragma once

// The program's one title: tray tip and balloon title, caption of its question and error boxes,
// name of its start-with-Windows value.
inline constexpr wchar_t kAppTitle[] = L"Corvix截屏助手";
