// The form toolkit under Wine: errors become the error box, modal forms, closing rules.
#include "toolkit/forms.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <thread>
#include <vector>

#include "support/windows.h"
#include "toolkit/controls.h"
#include "toolkit/error.h"

namespace {

constexpr UINT kThrow = WM_APP + 1;
constexpr UINT kThrowStd = WM_APP + 2;
constexpr UINT kAccept = WM_APP + 3;

class TestForm : public TForm {
 public:
  bool allowClose = true;
  int handled = 0;

 protected:
  const wchar_t* ClassName() const override { return L"CorvixTestForm"; }
  FormBounds Bounds() const override { return {300, 300, 200, 120}; }
  void FormCloseQuery(bool& canClose) override { canClose = allowClose; }
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
    switch (message) {
      case kThrow: throw Error(L"无法保存 \"x.jpg\"");
      case kThrowStd: throw std::runtime_error("plain failure");
      case kAccept: ModalResult = mrOk; return 0;
      case WM_APP: ++handled; return 0;
    }
    return TForm::HandleMessage(message, wParam, lParam);
  }
};

class FormsTest : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (!Application.Handle()) Application.Initialize(GetModuleHandleW(nullptr));
    Application.SetTitle(L"Corvix截屏助手");
  }
};

// Sends a message that throws and answers the error box from a helper thread.
testsupport::MessageBoxView SendAndReadError(HWND window, UINT message) {
  testsupport::MessageBoxView seen;
  std::thread helper([&] {
    seen = testsupport::WaitForMessageBox(GetCurrentProcessId());
    if (seen.Handle) testsupport::Answer(seen, IDOK);
  });
  SendMessageW(window, message, 0, 0);
  helper.join();
  return seen;
}

TEST_F(FormsTest, AnErrorLeavingAHandlerIsShownInTheErrorBoxAndTheFormGoesOn) {
  TestForm* form = Application.CreateForm<TestForm>();
  const testsupport::MessageBoxView own = SendAndReadError(form->Handle(), kThrow);
  ASSERT_NE(own.Handle, nullptr) << "no error box";
  EXPECT_EQ(own.Caption, L"Corvix截屏助手");
  EXPECT_EQ(own.Text, L"无法保存 \"x.jpg\"");
  EXPECT_TRUE(own.Ok);
  EXPECT_FALSE(own.Cancel);
  EXPECT_TRUE(own.Icon);

  const testsupport::MessageBoxView plain = SendAndReadError(form->Handle(), kThrowStd);
  ASSERT_NE(plain.Handle, nullptr);
  EXPECT_EQ(plain.Text, L"plain failure");

  SendMessageW(form->Handle(), WM_APP, 0, 0);
  EXPECT_EQ(form->handled, 1) << "the form no longer handles messages";
}

TEST_F(FormsTest, ShowModalDisablesTheOtherWindowsAndReturnsTheModalResult) {
  TestForm* owner = Application.CreateForm<TestForm>();
  owner->Show();
  TestForm* dialog = Application.CreateForm<TestForm>();

  bool ownerWasDisabled = false;
  std::thread helper([&] {
    testsupport::WaitFor([&] { return dialog->Visible(); });
    ownerWasDisabled = !IsWindowEnabled(owner->Handle());
    PostMessageW(dialog->Handle(), kAccept, 0, 0);
  });
  EXPECT_EQ(dialog->ShowModal(), mrOk);
  helper.join();
  EXPECT_TRUE(ownerWasDisabled);
  EXPECT_TRUE(IsWindowEnabled(owner->Handle()));
  EXPECT_FALSE(dialog->Visible());

  // A close request ends a modal form with mrCancel; a refused one does not end it.
  bool stayed = false;
  std::thread closer([&] {
    testsupport::WaitFor([&] { return dialog->Visible(); });
    dialog->allowClose = false;
    SendMessageW(dialog->Handle(), WM_CLOSE, 0, 0);
    stayed = dialog->Visible();
    dialog->allowClose = true;
    PostMessageW(dialog->Handle(), WM_CLOSE, 0, 0);
  });
  EXPECT_EQ(dialog->ShowModal(), mrCancel);
  closer.join();
  EXPECT_TRUE(stayed);
}

// A form whose Loaded fails, as a dialog does when a control or picture cannot be made.
class BrokenForm : public TestForm {
 protected:
  void Loaded() override { throw Error(L"Cannot create the header picture"); }
};

TEST_F(FormsTest, AFormThatCannotBeBuiltIsNeverShownAndItsErrorGoesToTheCaller) {
  auto form = std::make_unique<BrokenForm>();
  try {
    form->Create();
    ADD_FAILURE() << "no error";
  } catch (const Error& error) {
    EXPECT_EQ(error.Message(), L"Cannot create the header picture");
  }
  EXPECT_FALSE(form->Visible());
}

// A picture control hands back its own copy of a 32-bit picture with alpha: every bitmap it showed
// is freed once it shows none, and so is the last one given to it.
TEST_F(FormsTest, APictureControlKeepsNoBitmapItWasGiven) {
  HWND picture = CreateWindowExW(0, L"STATIC", L"", WS_POPUP | SS_BITMAP, 0, 0, 30, 30, nullptr, nullptr,
                                 GetModuleHandleW(nullptr), nullptr);
  const auto alphaBitmap = [] {
    BITMAPINFOHEADER header{sizeof header, 4, 4, 1, 32, BI_RGB};
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS, &bits, nullptr, 0);
    std::fill_n(static_cast<uint32_t*>(bits), 16, 0x80FF0000u);
    return UniqueBitmap(bitmap);
  };
  UniqueBitmap shown;
  std::vector<HGDIOBJ> seen;
  for (int i = 0; i < 3; ++i) {
    UniqueBitmap next = alphaBitmap();
    seen.push_back(next.get());
    SetStaticBitmap(picture, std::move(next), shown);
    seen.push_back(reinterpret_cast<HGDIOBJ>(SendMessageW(picture, STM_GETIMAGE, IMAGE_BITMAP, 0)));
  }
  SetStaticBitmap(picture, UniqueBitmap(), shown);
  for (HGDIOBJ bitmap : seen) EXPECT_EQ(GetObjectType(bitmap), 0u) << "a bitmap outlived the control's use of it";
  DestroyWindow(picture);
}

}  // namespace
