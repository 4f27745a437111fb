#include "dialogs/options_dialog.h"

#include <commctrl.h>

#include <algorithm>

#include "common/app_title.h"
#include "common/hotkey_field.h"
#include "common/hotkey_text.h"
#include "common/image_format.h"
#include "common/paths.h"
#include "config/option_store.h"
#include "dialogs/dialog_images.h"
#include "dialogs/folder_picker.h"
#include "dialogs/options_controls.h"
#include "toolkit/error.h"

TOptionsDialog* OptionsDialog = nullptr;

namespace {

constexpr COLORREF kHeaderColour = RGB(0, 128, 192);
constexpr COLORREF kPageColour = RGB(255, 255, 255);
constexpr DWORD kCheckBox = BS_AUTOCHECKBOX | WS_TABSTOP;
constexpr DWORD kHotKeyEdit = ES_READONLY | ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP;

void SetChecked(HWND box, bool checked) { SendMessageW(box, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0); }
bool Checked(HWND box) { return SendMessageW(box, BM_GETCHECK, 0, 0) == BST_CHECKED; }

// The control with this id anywhere under a window (the controls sit on panels).
HWND FindDescendant(HWND parent, int id) {
  std::pair<int, HWND> search{id, nullptr};
  EnumChildWindows(
      parent,
      [](HWND child, LPARAM data) {
        auto* found = reinterpret_cast<std::pair<int, HWND>*>(data);
        if (GetDlgCtrlID(child) != found->first) return TRUE;
        found->second = child;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.second;
}

// Panels take their place in pixels at 96 DPI inside their parent's client area.
std::unique_ptr<TPanel> MakePanel(HWND parent, const RECT& place, COLORREF colour, TPanel::Bevel bevel) {
  const int dpi96 = Scale(96);
  const auto back = [dpi96](LONG v) { return static_cast<int>(MulDiv(v, 96, dpi96)); };
  return std::make_unique<TPanel>(parent, back(place.left), back(place.top), back(place.right - place.left),
                                  back(place.bottom - place.top), colour, bevel);
}

}  // namespace

TOptionsDialog::TOptionsDialog() = default;

void TOptionsDialog::MakeFonts() { buttonFont_ = SongTiFont(7, FW_BOLD); }

TOptionsDialog::~TOptionsDialog() = default;

// The controls, in their tab order, at their places in pixels at 96 DPI.
void TOptionsDialog::Loaded() {
  HWND dialog = Handle();
  OkButton = CreateControl(dialog, L"BUTTON", L"确定(&O)", BS_DEFPUSHBUTTON | WS_TABSTOP, 440, 395, 75, 22, IDOK);
  CancelButton = CreateControl(dialog, L"BUTTON", L"取消(&C)", BS_PUSHBUTTON | WS_TABSTOP, 520, 395, 75, 22, IDCANCEL);

  treePanel_ = std::make_unique<TPanel>(dialog, 3, 3, 153, 386, GetSysColor(COLOR_BTNFACE), TPanel::Framed);
  const RECT treePlace = treePanel_->Inside();
  PageTree = CreateWindowExW(0, WC_TREEVIEWW, L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP | TVS_SHOWSELALWAYS,
                            treePlace.left + 2, treePlace.top + 2, treePlace.right - treePlace.left - 4,
                            treePlace.bottom - treePlace.top - 4, treePanel_->Handle(),
                            reinterpret_cast<HMENU>(ID_PAGE_TREE), Application.Instance(), nullptr);
  SendMessageW(PageTree, WM_SETFONT, SendMessageW(dialog, WM_GETFONT, 0, 0), FALSE);
  if (DialogImages) TreeView_SetImageList(PageTree, DialogImages->PageIcons, TVSIL_NORMAL);
  TreeView_SetIndent(PageTree, 27);
  TVINSERTSTRUCTW item{};
  item.hParent = TVI_ROOT;
  item.hInsertAfter = TVI_LAST;
  item.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_PARAM;
  wchar_t defaultSettings[] = L"默认设置";
  item.item.pszText = defaultSettings;
  item.item.iImage = item.item.iSelectedImage = 0;
  item.item.lParam = 0;  // the notebook page it opens
  TreeView_InsertItem(PageTree, &item);

  pagePanel_ = std::make_unique<TPanel>(dialog, 158, 3, 448, 386, GetSysColor(COLOR_BTNFACE), TPanel::Framed);
  const RECT pageArea = pagePanel_->Inside();
  headerPanel_ = MakePanel(pagePanel_->Handle(), {pageArea.left, pageArea.top, pageArea.right, pageArea.top + Scale(51)},
                     kHeaderColour, TPanel::None);
  headerPanel_->TextColour = RGB(255, 255, 255);
  HeaderImage = CreateControl(headerPanel_->Handle(), L"STATIC", L"", SS_BITMAP, 7, 7, 25, 25, ID_HEADER_IMAGE);
  HeaderTitle = CreateControl(headerPanel_->Handle(), L"STATIC", L"默认设置", SS_LEFT, 40, 8, 120, 14);
  HeaderText = CreateControl(headerPanel_->Handle(), L"STATIC", L"设置Corvix的默认行为", SS_LEFT, 40, 24, 386, 23);
  pageHolder_ = MakePanel(pagePanel_->Handle(), {pageArea.left, pageArea.top + Scale(51), pageArea.right, pageArea.bottom},
                       kPageColour, TPanel::None);
  RECT holder;
  GetClientRect(pageHolder_->Handle(), &holder);
  defaultsPage_ = MakePanel(pageHolder_->Handle(), holder, kPageColour, TPanel::None);

  // Page 0; the group boxes' controls sit on the page at the group's place plus their own.
  HWND page = defaultsPage_->Handle();
  AutoRunBox = CreateControl(page, L"BUTTON", L"开机后自动运行截屏工具", kCheckBox, 16, 11, 161, 17, ID_AUTORUN);
  MinimiseToTrayBox = CreateControl(page, L"BUTTON", L"启动后最小化到系统托盘区", kCheckBox, 16, 35, 169, 17, ID_MINIMISE_TO_TRAY);
  defaultsPage_->Groups.push_back({{16, 153, 16 + 417, 153 + 60}, L"项目默认保存目录"});
  SaveFolderField = CreateControl(page, L"EDIT", L"", ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP, 16 + 8, 153 + 24, 369, 20,
                                  ID_SAVE_FOLDER);
  BrowseFolderButton = CreateControl(page, L"BUTTON", L"...", BS_PUSHBUTTON | WS_TABSTOP, 16 + 382, 153 + 21, 22, 24, ID_BROWSE_FOLDER);
  SendMessageW(BrowseFolderButton, WM_SETFONT, reinterpret_cast<WPARAM>(buttonFont_.get()), FALSE);
  AutoSaveBox = CreateControl(page, L"BUTTON", L"自动保存截屏图片", kCheckBox, 16, 59, 121, 17, ID_AUTOSAVE);
  ImageFormatList = CreateControl(page, L"COMBOBOX", L"", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, 131, 128, 102, 200,
                              ID_IMAGE_FORMAT);
  for (const ImageFormatRow& format : kImageFormats)
    SendMessageW(ImageFormatList, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(format.ListCaption));
  defaultsPage_->Groups.push_back({{16, 221, 16 + 417, 221 + 103}, L"默认快捷键设置"});
  CreateControl(page, L"STATIC", L"全屏截屏", SS_LEFT, 16 + 32, 221 + 24, 78, 14);
  CreateControl(page, L"STATIC", L"活动窗口截屏", SS_LEFT, 16 + 32, 221 + 48, 78, 14);
  CreateControl(page, L"STATIC", L"选择区域截屏", SS_LEFT, 16 + 32, 221 + 72, 78, 14);
  ScreenKeyField = CreateControl(page, L"EDIT", L"", kHotKeyEdit, 16 + 113, 221 + 19, 121, 20, ID_SCREEN_KEY);
  ActiveWindowKeyField = CreateControl(page, L"EDIT", L"", kHotKeyEdit, 16 + 113, 221 + 43, 121, 20, ID_ACTIVE_KEY);
  RegionKeyField = CreateControl(page, L"EDIT", L"", kHotKeyEdit, 16 + 113, 221 + 67, 121, 20, ID_REGION_KEY);
  CreateControl(page, L"STATIC", L"默认保存文件名格式", SS_LEFT, 16, 108, 112, 14);
  NamePatternField = CreateControl(page, L"EDIT", L"", ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP, 131, 103, 102, 20,
                                ID_NAME_PATTERN);
  CreateControl(page, L"STATIC", L"默认保存的图片格式", SS_LEFT, 16, 132, 112, 14);
  ExitQuestionBox = CreateControl(page, L"BUTTON", L"退出提示用户", kCheckBox, 16, 83, 97, 17, ID_EXIT_QUESTION);
  // What becomes of each picture besides its file: a second column beside the first four.
  ClipboardBox = CreateControl(page, L"BUTTON", L"复制到剪贴板", kCheckBox, 248, 11, 97, 17, ID_CLIPBOARD);
  SavedTipBox = CreateControl(page, L"BUTTON", L"保存后提示", kCheckBox, 248, 35, 97, 17, ID_SAVED_TIP);
}

// What the user has entered so far stays, as does the focus: the folder as typed, each hot-key
// field's last whole combination.
void TOptionsDialog::Relayout() {
  const DefaultOptionRec shown = ControlsToRecord();
  const std::wstring folder = WindowTextOf(SaveFolderField);
  const int focused = GetDlgCtrlID(GetFocus());
  SetStaticBitmap(HeaderImage, UniqueBitmap(), headerImage_);  // the picture control hands back any copy it made
  TModalDialog::Relayout();
  ShowRecord(shown);
  SetWindowTextW(SaveFolderField, folder.c_str());
  ShowFirstPage();
  if (focused > 0)
    if (HWND control = FindDescendant(Handle(), focused)) SetFocus(control);
}

void TOptionsDialog::FormCreate() {
  OptionsToControls();
  ShowFirstPage();
}

void TOptionsDialog::ShowFirstPage() {
  TreeView_SelectItem(PageTree, TreeView_GetRoot(PageTree));
  PageChosen();
}

void TOptionsDialog::FormShow() { SetFocus(PageTree); }

// OK saves only keys that can be registered: a combination another program holds is named, and
// the dialog stays open on its field.
void TOptionsDialog::FormCloseQuery(bool& canClose) {
  canClose = true;
  if (ModalResult != mrOk) return;
  const DefaultOptionRec option = ControlsToRecord();
  const std::array<std::wstring, 3> texts = {option.KeyScreen, option.KeyActiveWnd, option.KeyCustom};
  const int taken = OnTryHotKeys ? OnTryHotKeys({TextToHotKey(texts[0]), TextToHotKey(texts[1]), TextToHotKey(texts[2])})
                                 : -1;
  if (taken >= 0) {
    MessageBoxW(Handle(), (texts[static_cast<size_t>(taken)] + L" 已被其他程序占用，请换一个快捷键。").c_str(), kAppTitle,
                MB_ICONWARNING | MB_OK);
    SetFocus(HotKeyFields()[static_cast<size_t>(taken)]);
    canClose = false;
    return;
  }
  OptionStore->SetOptions(option);
  OptionStore->Save();
}

void TOptionsDialog::FormDestroy() {
  SetStaticBitmap(HeaderImage, UniqueBitmap(), headerImage_);
  OptionsDialog = nullptr;
}

void TOptionsDialog::OptionsToControls() { ShowRecord(OptionStore->Option); }

void TOptionsDialog::ShowRecord(const DefaultOptionRec& option) {
  SetChecked(AutoRunBox, option.AutoRun);
  SetChecked(MinimiseToTrayBox, option.Minimize);
  SetChecked(AutoSaveBox, option.AutoSave);
  SetChecked(ExitQuestionBox, option.ExitHint);
  SetChecked(ClipboardBox, option.CopyToClipboard);
  SetChecked(SavedTipBox, option.SavedTip);
  SetWindowTextW(NamePatternField, option.DefaultFormat.c_str());
  SendMessageW(ImageFormatList, CB_SETCURSEL, static_cast<WPARAM>(ImageFormatIndex(option.DefaultImage)), 0);
  SetWindowTextW(SaveFolderField, option.DefaultDir.c_str());
  lastKeys_ = {option.KeyScreen, option.KeyActiveWnd, option.KeyCustom};
  for (size_t i = 0; i < lastKeys_.size(); ++i) SetWindowTextW(HotKeyFields()[i], lastKeys_[i].c_str());
}

DefaultOptionRec TOptionsDialog::ControlsToRecord() const {
  DefaultOptionRec option;
  option.AutoRun = Checked(AutoRunBox);
  option.Minimize = Checked(MinimiseToTrayBox);
  option.AutoSave = Checked(AutoSaveBox);
  option.ExitHint = Checked(ExitQuestionBox);
  option.CopyToClipboard = Checked(ClipboardBox);
  option.SavedTip = Checked(SavedTipBox);
  option.DefaultFormat = WindowTextOf(NamePatternField);
  const LRESULT chosen = SendMessageW(ImageFormatList, CB_GETCURSEL, 0, 0);
  option.DefaultImage = chosen >= 0 && static_cast<size_t>(chosen) < kImageFormats.size()
                            ? kImageFormats[static_cast<size_t>(chosen)].Format
                            : static_cast<ImageFormat>(chosen & 0xFF);
  option.DefaultDir = WindowTextOf(SaveFolderField);
  while (!option.DefaultDir.empty() && option.DefaultDir.back() == L'\\') option.DefaultDir.pop_back();
  option.KeyScreen = HotKeyFieldText(0);
  option.KeyActiveWnd = HotKeyFieldText(1);
  option.KeyCustom = HotKeyFieldText(2);
  return option;
}

void TOptionsDialog::PageChosen() {
  TVITEMW item{};
  item.mask = TVIF_IMAGE | TVIF_PARAM;
  item.hItem = TreeView_GetSelection(PageTree);
  if (!item.hItem || !TreeView_GetItem(PageTree, &item)) return;
  DrawHeaderImage(item.iImage);
  // One page exists: page item.lParam is the one shown.
}

void TOptionsDialog::DrawHeaderImage(int imageIndex) {
  WindowDc screen(nullptr);
  const int size = Scale(25);
  UniqueBitmap image(CreateCompatibleBitmap(screen.get(), size, size));
  if (!image) throw Error(L"Cannot create the header picture");
  UniqueMemoryDc canvas(CreateCompatibleDC(screen.get()));
  {
    ScopedSelect keep(canvas.get(), image.get());
    RECT all{0, 0, size, size};
    FillRect(canvas.get(), &all, headerPanel_->Brush());
    if (DialogImages) ImageList_Draw(DialogImages->PageIcons, imageIndex, canvas.get(), 0, 0, ILD_NORMAL);
  }
  SetStaticBitmap(HeaderImage, std::move(image), headerImage_);
}

void TOptionsDialog::MinimiseToTrayClicked() { SetChecked(MinimiseToTrayBox, true); }

void TOptionsDialog::BrowseForFolder() {
  std::wstring folder = AbsoluteFolder(WindowTextOf(SaveFolderField), AppPath);
  if (SelectFolder(L"选择默认保存目录", L"", folder)) SetWindowTextW(SaveFolderField, folder.c_str());
}

int TOptionsDialog::HotKeyFieldIndex(HWND window) const {
  const std::array<HWND, 3> fields = HotKeyFields();
  const auto at = std::find(fields.begin(), fields.end(), window);
  return window && at != fields.end() ? static_cast<int>(at - fields.begin()) : -1;
}

// A field holding modifiers alone ("CTRL+SHIFT", a combination begun and never finished) stands for
// the last whole combination it showed; an empty field is a hot key taken away.
std::wstring TOptionsDialog::HotKeyFieldText(int index) const {
  const std::wstring text = WindowTextOf(HotKeyFields()[static_cast<size_t>(index)]);
  return text.empty() || TextToHotKey(text).Key != 0 ? text : lastKeys_[static_cast<size_t>(index)];
}

bool TOptionsDialog::PreTranslate(MSG& message) {
  // Hot-key fields show the keys pressed in them, Alt combinations included. Tab still moves on, and
  // Enter and Escape close the dialog: none of the three changes the field.
  const int field = HotKeyFieldIndex(message.hwnd);
  const bool passes = message.wParam == VK_TAB || message.wParam == VK_RETURN || message.wParam == VK_ESCAPE;
  if (field >= 0 && !passes) {
    if (message.message == WM_KEYDOWN || message.message == WM_SYSKEYDOWN) {
      ShowPressedKeys(message.hwnd, message.wParam);
      const std::wstring text = WindowTextOf(message.hwnd);
      if (text.empty() || TextToHotKey(text).Key != 0) lastKeys_[static_cast<size_t>(field)] = text;
    }
    if (message.message == WM_SYSKEYDOWN || message.message == WM_SYSCHAR) return true;  // no menu accelerators
  }
  return TModalDialog::PreTranslate(message);
}

LRESULT TOptionsDialog::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_COMMAND && HIWORD(wParam) == EN_KILLFOCUS) {
    const int field = HotKeyFieldIndex(reinterpret_cast<HWND>(lParam));
    if (field >= 0) SetWindowTextW(HotKeyFields()[static_cast<size_t>(field)], HotKeyFieldText(field).c_str());
  }
  if (message == WM_COMMAND && HIWORD(wParam) == BN_CLICKED) {
    switch (LOWORD(wParam)) {
      case IDOK: ModalResult = mrOk; return 0;
      case IDCANCEL: ModalResult = mrCancel; return 0;
      case ID_MINIMISE_TO_TRAY: MinimiseToTrayClicked(); return 0;
      case ID_BROWSE_FOLDER: BrowseForFolder(); return 0;
    }
  }
  if (message == WM_NOTIFY && reinterpret_cast<NMHDR*>(lParam)->code == TVN_SELCHANGEDW) {
    PageChosen();
    return 0;
  }
  return TModalDialog::HandleMessage(message, wParam, lParam);
}
