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

// A window's text, whole.
std::wstring WindowTextOf(HWND window);

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

  // What a close request from the system to any top-level window of the program means: the main
  // form's own close request (which this program's main form takes as "hide").
  void CloseRequest();

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

// While it lives, every other visible, enabled top-level window of this thread is disabled (the
// one given stays as it is): what a modal window needs from the windows under it.
class DisabledThreadWindows {
 public:
  explicit DisabledThreadWindows(HWND keep = nullptr);
  ~DisabledThreadWindows();
  DisabledThreadWindows(const DisabledThreadWindows&) = delete;
  DisabledThreadWindows& operator=(const DisabledThreadWindows&) = delete;

 private:
  std::vector<HWND> disabled_;
};

// Where and how big a window is made (pixels).
struct FormBounds {
  int Left = CW_USEDEFAULT, Top = CW_USEDEFAULT, Width = CW_USEDEFAULT, Height = CW_USEDEFAULT;
};

// Any window of ours: its class registered once, one window procedure that binds the object at
// WM_NCCREATE and lets it go at WM_NCDESTROY, and catches every exception a handler lets out to
// show it in the error box.
class TWinControl {
 public:
  virtual ~TWinControl();
  TWinControl(const TWinControl&) = delete;
  TWinControl& operator=(const TWinControl&) = delete;

  HWND Handle() const { return handle_; }

 protected:
  TWinControl() = default;

  struct WindowClass {
    const wchar_t* Name;
    UINT Style = 0;                    // CS_ flags
    const wchar_t* Cursor = IDC_ARROW;
    HBRUSH Background = nullptr;       // null: the window paints all of itself
  };
  void CreateHandle(const WindowClass& windowClass, DWORD exStyle, DWORD style, const std::wstring& caption,
                    const FormBounds& bounds, HWND parent);

  // Every message comes here; the default passes it to DefWindowProc.
  virtual LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT DefaultHandler(UINT message, WPARAM wParam, LPARAM lParam);

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  HWND handle_ = nullptr;
};

// A top-level window owned by the application window. Subclasses override the events and
// messages they need.
class TForm : public TWinControl {
 public:
  int Tag = 0;

  // Makes the window, then runs Loaded and FormCreate; an error in either goes to the caller, who
  // frees the half-made form. The application does this for forms it creates.
  void Create();

  void Show();
  void Hide();
  bool Visible() const { return Handle() && IsWindowVisible(Handle()); }
  // A modal form ends with mrCancel; otherwise FormCloseQuery decides, and then the main form ends
  // the application and any other form hides.
  void Close();
  // Runs the form modally until ModalResult is set and FormCloseQuery allows; an error from the
  // close query ends it too and goes on to the caller.
  int ShowModal();
  int ModalResult = mrNone;

  // Destroys the window after FormDestroy. Called by the application at exit or by the owner.
  void Destroy();

 protected:
  TForm() = default;

  // The window class, style and place; fixed per form.
  virtual const wchar_t* ClassName() const = 0;
  virtual WindowClass Class() const { return {ClassName(), 0, IDC_ARROW, GetSysColorBrush(COLOR_BTNFACE)}; }
  virtual std::wstring Caption() const { return ClassName(); }
  virtual DWORD Style() const { return WS_OVERLAPPEDWINDOW; }
  virtual DWORD ExStyle() const { return 0; }
  virtual FormBounds Bounds() const { return {}; }

  // The window exists and the form's components are to be set up; FormCreate follows.
  virtual void Loaded() {}

  // Events.
  virtual void FormCreate() {}
  virtual void FormDestroy() {}
  virtual void FormCloseQuery(bool& /*canClose*/) {}

  // The default handles closing and passes the rest on.
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  // A modal form's loop offers each message here first; true when it was handled.
  virtual bool PreTranslate(MSG& /*message*/) { return false; }

 private:
  bool modal_ = false;
  bool destroying_ = false;
};
