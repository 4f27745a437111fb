// The shell's folder dialog, modal for the whole application.
#pragma once

#include <string>

// Asks for an existing file-system folder, starting at `folder` when it exists (the tree starts at
// `root`, or the desktop when empty). True when the user confirmed one; `folder` then holds its path.
// Raises "The chosen item is not a folder of the file system" for an item without a path.
bool SelectFolder(const std::wstring& title, const std::wstring& root, std::wstring& folder);
