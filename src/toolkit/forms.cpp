#include "toolkit/forms.h"

#include "toolkit/error.h"
#include "toolkit/scope_exit.h"

#include <utility>

TApplication Application;

namespace {

constexpr wchar_t kApplicationClass[] = L"TApplication";

std::wstring Widen(const char* text) {
  const int length = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
  std::wstring wide(length > 0 ? length : 1, L'\0');
  MultiByteToWideChar(CP_ACP, 0, text, -1, wide.data(), length);
  wide.resize(wcslen(wide.c_str()));
  return wide;
}

void RegisterOnce(const wchar_t* className, UINT style, const wchar_t* cursor, HBRUSH background,
                  WNDPROC procedure, HINSTANCE instance, HICON icon) {
  WNDCLASSEXW windowClass{sizeof windowClass};
  if (GetClassInfoExW(instance, className, &windowClass)) return;
  windowClass.style = style;
  windowClass.lpfnWndProc = procedure;
  windowClass.hInstance = instance;
  windowClass.hIcon = icon;
  windowClass.hCursor = LoadCursorW(nullptr, cursor);
  windowClass.hbrBackground = background;
  windowClass.lpszClassName = className;
  RegisterClassExW(&windowClass);
}

}  // namespace

// ---- TApplication

void TApplication::Initialize(HINSTANCE instance) {
  instance_ = instance;
  // The program's main icon is its icon resource 1.
  RegisterOnce(kApplicationClass, 0, IDC_ARROW, nullptr, WindowProc, instance,
               LoadIconW(instance, MAKEINTRESOURCEW(1)));
  // Never shown: a popup of no size that owns every form, so no form gets a taskbar button.
  handle_ = CreateWindowExW(0, kApplicationClass, L"", WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX,
                            0, 0, 0, 0, nullptr, nullptr, instance, nullptr);
  if (!handle_) throw Error(L"Cannot create the application window");
}

std::wstring WindowTextOf(HWND window) {
  std::wstring text(GetWindowTextLengthW(window) + 1, L'\0');
  text.resize(GetWindowTextW(window, text.data(), static_cast<int>(text.size())));
  return text;
}

std::wstring TApplication::Title() const { return WindowTextOf(handle_); }

void TApplication::SetTitle(const std::wstring& title) { SetWindowTextW(handle_, title.c_str()); }

void TApplication::Adopt(TForm* form) {
  if (!mainForm_) mainForm_ = form;
  try {
    form->Create();
  } catch (const std::exception& error) {
    // The main form goes on without what its creation could not do (a Run entry it could not
    // write, say); a form without a window cannot.
    if (form != mainForm_ || !form->Handle()) throw;
    HandleException(error);
  }
}

void TApplication::CloseRequest() {
  if (mainForm_ && mainForm_->Handle()) SendMessageW(mainForm_->Handle(), WM_CLOSE, 0, 0);
}

void TApplication::Run() {
  if (ShowMainForm && mainForm_) mainForm_->Show();
  MSG message;
  while (!terminated_ && GetMessageW(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  terminated_ = true;
}

void TApplication::ProcessMessages() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      terminated_ = true;
      PostQuitMessage(static_cast<int>(message.wParam));  // let the outer loop see it too
      return;
    }
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

void TApplication::Terminate() {
  if (terminated_) return;
  terminated_ = true;
  PostQuitMessage(0);
}

void TApplication::DestroyForms() {
  while (!forms_.empty()) {
    forms_.back()->Destroy();
    if (forms_.back().get() == mainForm_) mainForm_ = nullptr;
    forms_.pop_back();
  }
  if (handle_) DestroyWindow(std::exchange(handle_, nullptr));
}

void TApplication::HandleException(const std::exception& error) {
  const auto* own = dynamic_cast<const Error*>(&error);
  ShowError(own ? own->Message() : Widen(error.what()));
}

void TApplication::ShowError(const std::wstring& text) {
  MessageBoxW(nullptr, text.c_str(), Title().c_str(), MB_ICONERROR | MB_OK);
}

LRESULT CALLBACK TApplication::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_CLOSE) {  // never the default, which would destroy every form with it
    Application.CloseRequest();
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

// ---- DisabledThreadWindows

DisabledThreadWindows::DisabledThreadWindows(HWND keep) {
  EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND window, LPARAM list) -> BOOL {
        if (IsWindowVisible(window) && IsWindowEnabled(window))
          reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&disabled_));
  std::erase(disabled_, keep);
  for (HWND window : disabled_) EnableWindow(window, FALSE);
}

DisabledThreadWindows::~DisabledThreadWindows() {
  for (HWND window : disabled_)
    if (IsWindow(window)) EnableWindow(window, TRUE);
}

// ---- TWinControl

TWinControl::~TWinControl() {
  if (!handle_) return;
  // The subclass is gone already: its window gets no more messages through this object.
  SetWindowLongPtrW(handle_, GWLP_USERDATA, 0);
  DestroyWindow(handle_);
}

void TWinControl::CreateHandle(const WindowClass& windowClass, DWORD exStyle, DWORD style,
                               const std::wstring& caption, const FormBounds& bounds, HWND parent) {
  RegisterOnce(windowClass.Name, windowClass.Style, windowClass.Cursor, windowClass.Background, WindowProc,
               Application.Instance(), nullptr);
  CreateWindowExW(exStyle, windowClass.Name, caption.c_str(), style, bounds.Left, bounds.Top, bounds.Width,
                  bounds.Height, parent, nullptr, Application.Instance(), this);
  if (!handle_) throw Error(L"Cannot create the window " + caption);
}

LRESULT TWinControl::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  // A top-level window of ours is never destroyed by a close request from outside.
  if (message == WM_CLOSE && !(GetWindowLongW(handle_, GWL_STYLE) & WS_CHILD)) {
    Application.CloseRequest();
    return 0;
  }
  return DefaultHandler(message, wParam, lParam);
}

LRESULT TWinControl::DefaultHandler(UINT message, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcW(handle_, message, wParam, lParam);
}

LRESULT CALLBACK TWinControl::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* control = static_cast<TWinControl*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    control->handle_ = window;
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(control));
  }
  auto* control = reinterpret_cast<TWinControl*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (!control) return DefWindowProcW(window, message, wParam, lParam);
  if (message == WM_NCDESTROY) {
    SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    control->handle_ = nullptr;
    return DefWindowProcW(window, message, wParam, lParam);
  }
  try {
    return control->HandleMessage(message, wParam, lParam);
  } catch (const std::exception& error) {
    Application.HandleException(error);
  } catch (...) {
    Application.ShowError(L"Unexpected error");
  }
  return 0;
}

// ---- TForm

void TForm::Create() {
  CreateHandle(Class(), ExStyle(), Style(), Caption(), Bounds(), Application.Handle());
  Loaded();
  FormCreate();
}

void TForm::Show() {
  ShowWindow(Handle(), SW_SHOW);
  SetForegroundWindow(Handle());
}

void TForm::Hide() { ShowWindow(Handle(), SW_HIDE); }

void TForm::Close() {
  if (modal_) {
    ModalResult = mrCancel;  // the modal loop asks FormCloseQuery
    return;
  }
  bool canClose = true;
  FormCloseQuery(canClose);
  if (!canClose) return;
  if (this == Application.MainForm())
    Application.Terminate();
  else
    Hide();
}

int TForm::ShowModal() {
  // Every other window of this thread is disabled while the form is up; they come back, and then
  // the form hides, also when an error leaves the loop.
  const ScopeExit restore([this] {
    modal_ = false;
    Hide();
  });
  DisabledThreadWindows others(Handle());

  ModalResult = mrNone;
  modal_ = true;
  Show();
  MSG message;
  for (;;) {
    if (ModalResult != mrNone) {
      bool canClose = true;
      FormCloseQuery(canClose);
      if (canClose) break;
      ModalResult = mrNone;
    }
    if (GetMessageW(&message, nullptr, 0, 0) <= 0) {
      Application.Terminate();
      PostQuitMessage(0);  // the outer loop ends too
      if (ModalResult == mrNone) ModalResult = mrCancel;
      break;
    }
    if (PreTranslate(message)) continue;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return ModalResult;
}

void TForm::Destroy() {
  if (!Handle() || destroying_) return;
  destroying_ = true;
  try {
    FormDestroy();
  } catch (const std::exception& error) {
    Application.HandleException(error);
  }
  DestroyWindow(Handle());
}

LRESULT TForm::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_CLOSE) {
    Close();
    return 0;
  }
  return DefaultHandler(message, wParam, lParam);
}

