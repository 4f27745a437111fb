// The options dialog's control identifiers: what another program (a test driving the dialog) finds
// its controls by. Their values never change.
#pragma once

enum OptionControl {
  ID_AUTORUN = 101, ID_MINIMISE_TO_TRAY, ID_AUTOSAVE, ID_EXIT_QUESTION, ID_NAME_PATTERN, ID_IMAGE_FORMAT,
  ID_SAVE_FOLDER, ID_BROWSE_FOLDER, ID_SCREEN_KEY, ID_ACTIVE_KEY, ID_REGION_KEY, ID_PAGE_TREE, ID_HEADER_IMAGE,
  ID_CLIPBOARD, ID_SAVED_TIP
};
