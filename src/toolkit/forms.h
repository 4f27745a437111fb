// The window toolkit: the application object and the form base class.
#pragma once

#include <windows.h>

#include <exception>
#include <memory>
#include <string>
#include <vector>

// Modal results.
inline constexpr int mrNone = 0;
inline constexpr int mrOk = 1;
inline constexpr int mrCancel = 2;

class TForm;

// The application: its hidden top-level window (which owns the taskbar button and is the owner of
// every form), its title, its forms and the message loop.
class TApplication {
 public:
  void Initialize(HINSTANCE instance);
  HINSTANCE Instance() const { return instance_; }
  HWND Handle() const { return handle_; }

  std::wstring Title() const;
  void SetTitle(const std::wstring& title);

  // Creates a form: its window, then its FormCreate. The first form becomes the main form.
  template <typename Form>
  Form* CreateForm() {
    auto form = std::make_unique<Form>();
    Form* result = form.get();
    forms_.push_back(std::move(form));
    Adopt(result);
    return result;
  }
  TForm* MainForm() const { return mainForm_; }

  bool ShowMainForm = true;  // show the main form when Run starts

  // Runs the message loop until the main form has closed.
  void Run();
  // Handles every message waiting now, then returns.
  void ProcessMessages();
  void Terminate();
  bool Terminated() const { return terminated_; }
  // Destroys the forms, newest first; each runs its FormDestroy while the window still exists.
  void DestroyForms();

  // The error box: the error text, the title as caption, an error icon, OK.
  void HandleException(const std::exception& error);
  void ShowError(const std::wstring& text);

 private:
  void Adopt(TForm* form);
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  HINSTANCE instance_ = nullptr;
  HWND handle_ = nullptr;
  std::vector<std::unique_ptr<TForm>> forms_;
  TForm* mainForm_ = nullptr;
  bool terminated_ = false;
};

extern TApplication Application;

// Where and how big a form's window is made (pixels).
struct FormBounds {
  int Left = CW_USEDEFAULT, Top = CW_USEDEFAULT, Width = CW_USEDEFAULT, Height = CW_USEDEFAULT;
};

// A top-level window with a class of its own. Subclasses override the handlers they need; the one
// window procedure catches every exception a handler lets out and shows it in the error box.
class TForm {
 public:
  virtual ~TForm();
  TForm(const TForm&) = delete;
  TForm& operator=(const TForm&) = delete;

  HWND Handle() const { return handle_; }
  int Tag = 0;

  void Show();
  void Hide();
  bool Visible() const { return handle_ && IsWindowVisible(handle_); }
  // Asks FormCloseQuery; when it allows, a modal form ends with mrCancel, the main form ends the
  // application and any other form hides.
  void Close();
  int ShowModal();
  int ModalResult = mrNone;

  // Destroys the window after FormDestroy. Called by the application at exit or by the owner.
  void Destroy();

 protected:
  TForm() = default;

  // The window class, style and place; fixed per form.
  virtual const wchar_t* ClassName() const = 0;
  virtual std::wstring Caption() const { return ClassName(); }
  virtual DWORD Style() const { return WS_OVERLAPPEDWINDOW; }
  virtual DWORD ExStyle() const { return 0; }
  virtual FormBounds Bounds() const { return {}; }

  // Events.
  virtual void FormCreate() {}
  virtual void FormDestroy() {}
  virtual void FormCloseQuery(bool& /*canClose*/) {}

  // Every message comes here first; the default handles closing and passes the rest on.
  virtual LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT DefaultHandler(UINT message, WPARAM wParam, LPARAM lParam);

 private:
  friend class TApplication;
  void CreateHandle();
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  HWND handle_ = nullptr;
  bool modal_ = false;
  bool destroying_ = false;
};
