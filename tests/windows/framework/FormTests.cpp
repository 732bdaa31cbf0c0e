// Forms, the screen's list, modal showing, ShowMessage and the standard error box.
#include <gtest/gtest.h>

#include <memory>

#include "Helpers.h"
#include "framework/Dialogs.h"
#include "framework/StdCtrls.h"

namespace {

class FormTest : public ::testing::Test {
protected:
  void SetUp() override { EnsureApplication(); }
};

TEST_F(FormTest, FormsAreListedByTheScreenForAsLongAsTheyExist) {
  const int before = Screen->FormCount();
  auto form = std::make_unique<TForm>(nullptr);
  ASSERT_EQ(Screen->FormCount(), before + 1);
  EXPECT_EQ(Screen->Forms(before), form.get());
  form->Show();
  EXPECT_EQ(Screen->FormOfWindow(form->Handle()), form.get());
  EXPECT_EQ(WindowClassOf(form->Handle()), L"TForm");
  form.reset();
  EXPECT_EQ(Screen->FormCount(), before);
}

TEST_F(FormTest, SingleBorderFormHasTheAskedClientSizeAndOnlyTheAskedBoxes) {
  TForm form(nullptr);
  form.SetBorderStyle(bsSingle);
  form.SetBorderIcons(biSystemMenu | biMinimize);
  form.SetPosition(poScreenCenter);
  form.SetClientSize(508, 231);
  form.Show();
  RECT client;
  GetClientRect(form.Handle(), &client);
  EXPECT_EQ(client.right, 508);
  EXPECT_EQ(client.bottom, 231);
  const LONG_PTR style = GetWindowLongPtrW(form.Handle(), GWL_STYLE);
  EXPECT_TRUE(style & WS_SYSMENU);
  EXPECT_TRUE(style & WS_MINIMIZEBOX);
  EXPECT_FALSE(style & WS_MAXIMIZEBOX);
  EXPECT_FALSE(style & WS_THICKFRAME);
  RECT window;
  GetWindowRect(form.Handle(), &window);
  const int centre = (window.left + window.right) / 2;
  EXPECT_LE(std::abs(centre - GetSystemMetrics(SM_CXSCREEN) / 2), 1);
}

TEST_F(FormTest, FormsWithoutAnIconOfTheirOwnShowTheApplicationIcon) {
  if (Application->Icon().Empty()) Application->Icon().AddImage(16, std::vector<uint32_t>(16 * 16, 0xFF336699u));
  TForm plain(nullptr);
  plain.Show();
  EXPECT_EQ(reinterpret_cast<HICON>(SendMessageW(plain.Handle(), WM_GETICON, ICON_SMALL, 0)),
            Application->Icon().Handle(GetSystemMetrics(SM_CXSMICON)));
  TForm own(nullptr);
  own.Icon().AddImage(32, std::vector<uint32_t>(32 * 32, 0xFF993366u));
  own.Show();
  EXPECT_EQ(reinterpret_cast<HICON>(SendMessageW(own.Handle(), WM_GETICON, ICON_BIG, 0)), own.Icon().Handle(32));
}

TEST_F(FormTest, ShowModalRunsUntilAButtonSetsTheResult) {
  TForm form(nullptr);
  auto* ok = new TButton(&form);
  ok->SetParent(&form);
  ok->SetCaption(L"Done");
  ok->SetModalResult(mrOk);
  ModalAnswerer answer(L"TForm", L"Done");
  EXPECT_EQ(form.ShowModal(), mrOk);
  EXPECT_FALSE(IsWindowVisible(form.Handle()));
  ASSERT_EQ(answer.Answered().size(), 1u);
}

TEST_F(FormTest, ShowMessageIsAModalMessageFormWithTheTitleAndOneButton) {
  std::unique_ptr<TMessageForm> form(CreateMessageForm(L"文件分割完毕"));
  EXPECT_EQ(form->Caption(), L"Equidiv");
  EXPECT_EQ(form->Position(), poScreenCenter);
  int buttons = 0;
  for (int i = 0; i < form->ControlCount(); ++i)
    if (auto* b = dynamic_cast<TButton*>(form->Controls(i))) {
      ++buttons;
      EXPECT_EQ(b->Caption(), L"OK");
    }
  EXPECT_EQ(buttons, 1);
  form.reset();

  ModalAnswerer answer(L"TMessageForm");
  ShowMessage(L"文件合并完毕");
  ASSERT_EQ(answer.Answered().size(), 1u);
  EXPECT_EQ(answer.Answered()[0].caption, L"Equidiv");
  EXPECT_EQ(answer.Answered()[0].texts, (std::vector<std::wstring>{L"文件合并完毕"}));
}

TEST_F(FormTest, ReturnAndEscapeClickTheDefaultAndCancelButtons) {
  TForm form(nullptr);
  auto* edit = new TEdit(&form);
  edit->SetParent(&form);
  auto* yes = new TButton(&form);
  yes->SetParent(&form);
  yes->SetTop(40);
  yes->SetDefault(true);
  yes->SetModalResult(mrYes);
  auto* no = new TButton(&form);
  no->SetParent(&form);
  no->SetTop(80);
  no->SetCancel(true);
  no->SetModalResult(mrNo);
  form.SetActiveControl(edit);
  // The key goes to the focused edit once the form runs its modal loop.
  static WPARAM pending;
  for (const auto& [key, expected] : {std::pair<WPARAM, TModalResult>{VK_RETURN, mrYes}, {VK_ESCAPE, mrNo}}) {
    pending = key;
    SetTimer(nullptr, 0, 50, [](HWND, UINT, UINT_PTR id, DWORD) {
      KillTimer(nullptr, id);
      PostMessageW(GetFocus(), WM_KEYDOWN, pending, 0);
    });
    EXPECT_EQ(form.ShowModal(), expected);
  }
}

TEST_F(FormTest, AnErrorInAHandlerShowsTheStandardErrorBox) {
  TForm form(nullptr);
  auto* button = new TButton(&form);
  button->SetParent(&form);
  button->OnClick = [](TComponent*) { throw EFOpenError(L"Cannot open file \"x\". Access denied"); };
  form.Show();
  HWND buttonWindow = button->Handle();  // Handle() would make a new window if this one went
  ModalAnswerer answer(L"#32770");
  SendMessageW(buttonWindow, BM_CLICK, 0, 0);  // the box runs inside the click
  ASSERT_EQ(answer.Answered().size(), 1u);
  const auto& box = answer.Answered()[0];
  EXPECT_EQ(box.caption, L"Equidiv");
  EXPECT_EQ(box.texts, (std::vector<std::wstring>{L"Cannot open file \"x\". Access denied."}));
  EXPECT_TRUE(box.hasIcon);
  EXPECT_TRUE(IsWindow(buttonWindow));  // the window stays usable
  EXPECT_EQ(TWinControl::FromHandle(buttonWindow), button);

  String seen;
  TComponent* reportedBy = nullptr;
  Application->OnException = [&](TComponent* sender, const String& text) {
    reportedBy = sender;
    seen = text;
  };
  button->OnClick = [](TComponent*) { throw Exception(L"second"); };
  SendMessageW(buttonWindow, BM_CLICK, 0, 0);
  Application->OnException = nullptr;
  EXPECT_EQ(seen, L"second");
  EXPECT_EQ(reportedBy, &form);  // the window whose message the handler ran in
}

}  // namespace
