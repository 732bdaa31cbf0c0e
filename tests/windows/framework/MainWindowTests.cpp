// The main window as a person meets it: its layout, the 200 ms button rule, splitting
// with the count box, the list's pop-up menu, merging through the save dialog and the
// error box of a file held open by another program.
#include <gtest/gtest.h>

#include <memory>

#include "Helpers.h"
#include "app/umain.h"

namespace {

class MainWindowTest : public ::testing::Test {
protected:
  void SetUp() override {
    EnsureApplication();
    window = std::make_unique<Tfrmmain>(Application);
    window->AfterConstruction();
    window->Show();
  }
  void TearDown() override { window.reset(); }

  int PieceCount(const TempFolder& folder, const std::wstring& name) {
    int n = 0;
    while (GetFileAttributesW(folder.File(name + L".sprt" + std::to_wstring(n + 1)).c_str()) != INVALID_FILE_ATTRIBUTES) ++n;
    return n;
  }
  void Click(TButton* button) { SendMessageW(button->Handle(), BM_CLICK, 0, 0); }

  std::unique_ptr<Tfrmmain> window;
};

TEST_F(MainWindowTest, LayoutHasEveryControlWithItsKindPlaceCaptionAndTabOrder) {
  EXPECT_EQ(WindowClassOf(window->Handle()), L"Tfrmmain");
  EXPECT_EQ(WindowTextOf(window->Handle()), L"Equidiv");
  RECT client;
  GetClientRect(window->Handle(), &client);
  EXPECT_EQ(client.right, 508);
  EXPECT_EQ(client.bottom, 231);
  EXPECT_FALSE(GetWindowLongPtrW(window->Handle(), GWL_STYLE) & WS_MAXIMIZEBOX);
  EXPECT_NE(SendMessageW(window->Handle(), WM_GETICON, ICON_BIG, 0), 0);

  const struct {
    const wchar_t* name;
    const wchar_t* kind;  // the window class, or the class of a non-windowed label
    const wchar_t* parent;
    RECT bounds;  // left, top, right, bottom
    const wchar_t* caption;
    int tabOrder;
  } table[] = {
      {L"sPageControl1", L"TsPageControl", L"frmmain", {0, 0, 508, 200}, L"", 0},
      {L"slbl2", L"TsLabel", L"sTabSheet1", {8, 112, 137, 125}, L"输入平均划分成的数目", -1},
      {L"slbl1", L"TsLabel", L"sTabSheet1", {104, 76, 521, 89}, L"", -1},
      {L"sbtn2", L"TsButton", L"sTabSheet1", {8, 8, 121, 33}, L"打开要均分的文件", 0},
      {L"sedt1", L"TsEdit", L"sTabSheet1", {8, 40, 489, 61}, L"", 1},
      {L"sedt2", L"TsEdit", L"sTabSheet1", {144, 106, 185, 127}, L"3", 2},
      {L"sbtn1", L"TsButton", L"sTabSheet1", {8, 72, 97, 97}, L"指定保存目录", 3},
      {L"sbtn3", L"TsButton", L"sTabSheet1", {9, 144, 97, 169}, L"开始分割", 4},
      {L"sbtn6", L"TsButton", L"sTabSheet2", {8, 144, 153, 169}, L"按顺序添加要合并的文件", 0},
      {L"sbtn7", L"TsButton", L"sTabSheet2", {169, 144, 257, 169}, L"开始合并", 2},
      {L"sPanel1", L"TsPanel", L"frmmain", {0, 200, 508, 231}, L"", 1},
      {L"sLabelFX1", L"TsLabelFX", L"sPanel1", {24, 8, 217, 25}, nullptr, -1},
      {L"sbtn4", L"TsButton", L"sPanel1", {404, 3, 501, 26}, L"退出", 0},
  };
  for (const auto& row : table) {
    SCOPED_TRACE(StringToUtf8(row.name));
    auto* control = dynamic_cast<TControl*>(window->FindComponent(row.name));
    ASSERT_NE(control, nullptr);
    ASSERT_NE(control->Parent(), nullptr);
    EXPECT_EQ(control->Parent()->Name(), row.parent);
    const RECT r = control->BoundsRect();
    EXPECT_EQ(r.left, row.bounds.left);
    EXPECT_EQ(r.top, row.bounds.top);
    EXPECT_EQ(r.right, row.bounds.right);
    EXPECT_EQ(r.bottom, row.bounds.bottom);
    if (row.caption) {
      EXPECT_EQ(control->Caption(), row.caption);
    }
    if (control->IsWindowed()) {
      auto* windowed = static_cast<TWinControl*>(control);
      EXPECT_EQ(WindowClassOf(windowed->Handle()), row.kind);
      EXPECT_EQ(windowed->TabOrder(), row.tabOrder);
      RECT w;  // where the platform put it
      GetWindowRect(windowed->Handle(), &w);
      MapWindowPoints(nullptr, windowed->Parent()->Handle(), reinterpret_cast<POINT*>(&w), 2);
      EXPECT_EQ(w.left, row.bounds.left);
      EXPECT_EQ(w.top, row.bounds.top);
    } else {
      EXPECT_STREQ(control->ClassName(), row.kind);
    }
  }
  // The pages fill the tab control's display area; the list fills the top of its page.
  const RECT display = window->sPageControl1->DisplayRect();
  RECT sheet = window->sTabSheet1->BoundsRect();
  EXPECT_TRUE(EqualRect(&display, &sheet));
  EXPECT_EQ(display.right - display.left, 500);
  window->sPageControl1->SetActivePage(window->sTabSheet2);
  EXPECT_FALSE(window->sTabSheet1->Visible());
  sheet = window->sTabSheet2->BoundsRect();
  EXPECT_TRUE(EqualRect(&display, &sheet));
  window->sPageControl1->SetActivePage(window->sTabSheet1);
  EXPECT_EQ(window->sTabSheet1->Caption(), L"文件分割");
  EXPECT_EQ(window->sTabSheet2->Caption(), L"文件合并");
  EXPECT_EQ(window->sPageControl1->ActivePage(), window->sTabSheet1);
  EXPECT_EQ(window->slst1->BoundsRect().top, 0);
  EXPECT_EQ(window->slst1->Width(), 500);
  EXPECT_EQ(window->slst1->Height(), 138);
  EXPECT_EQ(window->slst1->TabOrder(), 1);
  EXPECT_TRUE(GetWindowLongPtrW(window->slst1->Handle(), GWL_STYLE) & LBS_EXTENDEDSEL);
  EXPECT_TRUE(GetWindowLongPtrW(window->sedt1->Handle(), GWL_STYLE) & ES_READONLY);
  EXPECT_EQ(window->slbl1->Font().Color(), 5059883);
  for (int i = 0; i < window->ComponentCount(); ++i)  // every component saw Loaded
    EXPECT_FALSE(window->Components(i)->IsLoading()) << StringToUtf8(window->Components(i)->Name());
  EXPECT_FALSE(window->IsLoading());
  EXPECT_TRUE(window->sLabelFX1->Font().Style() & fsUnderline);
  EXPECT_EQ(window->sLabelFX1->Kind().KindType(), ktStandard);
  EXPECT_EQ(window->sLabelFX1->Color(), clRed);
  EXPECT_TRUE(window->sLabelFX1->Transparent());
}

TEST_F(MainWindowTest, TimerEnablesTheSplitButtonsOnlyWhileTheFileExists) {
  EXPECT_EQ(window->sedt1->Text(), L"");
  EXPECT_EQ(window->slst1->Count(), 0);
  auto bothDisabled = [&] { return !window->sbtn1->Enabled() && !window->sbtn3->Enabled(); };
  auto bothEnabled = [&] { return window->sbtn1->Enabled() && window->sbtn3->Enabled(); };
  ASSERT_TRUE(WaitUntil(bothDisabled, std::chrono::seconds(2)));
  EXPECT_FALSE(IsWindowEnabled(window->sbtn3->Handle()));

  TempFolder folder;
  const std::wstring file = folder.File(L"source.bin");
  WriteFileBytes(file, "0123456789");
  window->sedt1->SetText(file);
  EXPECT_TRUE(WaitUntil(bothEnabled, std::chrono::seconds(2)));
  DeleteFileW(file.c_str());
  EXPECT_TRUE(WaitUntil(bothDisabled, std::chrono::seconds(2)));
  WriteFileBytes(file, "0123456789");  // restored
  EXPECT_TRUE(WaitUntil(bothEnabled, std::chrono::seconds(2)));
  window->sedt1->SetText(folder.Path());  // a folder is not a file
  EXPECT_TRUE(WaitUntil(bothDisabled, std::chrono::seconds(2)));
}

TEST_F(MainWindowTest, SplitUsesTheCountBoxByTheFrameworkRuleAndConfirms) {
  TempFolder folder;
  const std::wstring file = folder.File(L"data.bin");
  std::string bytes(1000, '\0');
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 7);
  WriteFileBytes(file, bytes);
  window->sedt1->SetText(file);
  window->slbl1->SetCaption(ExtractFilePath(file));
  ASSERT_TRUE(WaitUntil([&] { return window->sbtn3->Enabled(); }, std::chrono::seconds(2)));

  const struct {
    const wchar_t* count;
    int pieces;
  } cases[] = {{L"abc", 3}, {L"", 3}, {L"4 ", 3}, {L" 4", 4}, {L"$A", 10}, {L"0", 0}, {L"-2", 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(StringToUtf8(c.count));
    window->sedt2->SetText(c.count);
    ModalAnswerer confirm(L"TMessageForm");
    Click(window->sbtn3);
    ASSERT_EQ(confirm.Answered().size(), 1u);
    EXPECT_EQ(confirm.Answered()[0].texts, (std::vector<std::wstring>{L"文件分割完毕"}));
    EXPECT_EQ(PieceCount(folder, L"data.bin"), c.pieces);
    std::string joined;
    for (int k = 1; k <= c.pieces; ++k) {
      const std::wstring piece = folder.File(L"data.bin.sprt" + std::to_wstring(k));
      joined += ReadFileBytes(piece);
      DeleteFileW(piece.c_str());
    }
    if (c.pieces > 0) {
      EXPECT_EQ(joined, bytes);
    }
  }
}

TEST_F(MainWindowTest, AFileHeldOpenElsewhereGivesTheErrorBoxAndNoConfirmation) {
  TempFolder folder;
  const std::wstring file = folder.File(L"held.bin");
  WriteFileBytes(file, "some bytes");
  window->sedt1->SetText(file);
  ASSERT_TRUE(WaitUntil([&] { return window->sbtn3->Enabled(); }, std::chrono::seconds(2)));
  HANDLE other = CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(other, INVALID_HANDLE_VALUE);

  ModalAnswerer errorBox(L"#32770"), confirm(L"TMessageForm");
  Click(window->sbtn3);
  CloseHandle(other);
  ASSERT_EQ(errorBox.Answered().size(), 1u);
  EXPECT_EQ(errorBox.Answered()[0].caption, L"Equidiv");
  ASSERT_EQ(errorBox.Answered()[0].texts.size(), 1u);
  const std::wstring text = errorBox.Answered()[0].texts[0];
  EXPECT_EQ(text.rfind(L"Cannot open file \"" + file + L"\".", 0), 0u) << StringToUtf8(text);
  EXPECT_EQ(text.back(), L'.');
  EXPECT_TRUE(confirm.Answered().empty());
  EXPECT_EQ(PieceCount(folder, L"held.bin"), 0);
}

TEST_F(MainWindowTest, PopupMenuSelectsAndDeletesListEntries) {
  window->sPageControl1->SetActivePage(window->sTabSheet2);
  TsListBox* list = window->slst1;
  list->Items().AddStrings({L"a", L"b", L"a"});  // the same file may appear twice
  ASSERT_EQ(window->pm1->Items().Count(), 8);
  EXPECT_TRUE(window->N2->IsLine());
  EXPECT_TRUE(window->N5->IsLine());
  EXPECT_EQ(window->N1->ShortCutText(), L"Ctrl+A");
  EXPECT_EQ(window->N3->ShortCutText(), L"Del");

  // Open the real menu from the list and pick an item with the keyboard.
  auto pick = [&](int downs) {
    static int pendingDowns;
    pendingDowns = downs;
    SetTimer(nullptr, 0, 50, [](HWND, UINT, UINT_PTR id, DWORD) {
      HWND menu = FindWindowW(L"#32768", nullptr);
      if (!menu || !IsWindowVisible(menu)) return;
      KillTimer(nullptr, id);
      for (int i = 0; i < pendingDowns; ++i) PostMessageW(menu, WM_KEYDOWN, VK_DOWN, 0);
      PostMessageW(menu, WM_KEYDOWN, VK_RETURN, 0);
    });
    POINT p = list->ClientToScreen(POINT{20, 20});
    SendMessageW(list->Handle(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(list->Handle()), MAKELPARAM(p.x, p.y));
  };
  pick(1);  // 全选
  EXPECT_EQ(list->SelCount(), 3);
  EXPECT_EQ(GetMenuItemCount(window->pm1->Handle()), 8);
  pick(2);  // the separator is skipped: 删除选中
  EXPECT_EQ(list->Count(), 0);

  list->Items().AddStrings({L"x", L"y"});
  list->SetSelected(0, true);
  window->N3->Click();
  EXPECT_EQ(list->Items().ToVector(), (std::vector<String>{L"y"}));
  window->N4->Click();  // 全部删除
  EXPECT_EQ(list->Count(), 0);
}

TEST_F(MainWindowTest, MergeProposesTheNameAndJoinsTheListInOrder) {
  TempFolder folder;
  const std::wstring file = folder.File(L"whole.dat");
  const std::string bytes = "The quick brown fox jumps over the lazy dog, twice over.";
  WriteFileBytes(file, bytes);
  window->sedt1->SetText(file);
  window->slbl1->SetCaption(folder.Path());
  window->sedt2->SetText(L"3");
  {
    ModalAnswerer confirm(L"TMessageForm");
    window->sbtn3Click(window->sbtn3);
    ASSERT_EQ(confirm.Answered().size(), 1u);
  }
  DeleteFileW(file.c_str());

  // A first entry without the marker: nothing happens at all.
  {
    ModalAnswerer anyDialog(L"#32770");
    window->slst1->Items().Add(folder.File(L"plain.txt"));
    Click(window->sbtn7);
    EXPECT_TRUE(anyDialog.Answered().empty());
    window->slst1->Clear();
  }
  for (int k = 1; k <= 3; ++k) window->slst1->Items().Add(folder.File(L"whole.dat.sprt" + std::to_wstring(k)));
  ModalAnswerer saveDialog(L"#32770", L""), confirm(L"TMessageForm");
  Click(window->sbtn7);
  ASSERT_EQ(saveDialog.Answered().size(), 1u);
  EXPECT_EQ(window->ssdlg1->FileName(), file);
  ASSERT_EQ(confirm.Answered().size(), 1u);
  EXPECT_EQ(confirm.Answered()[0].texts, (std::vector<std::wstring>{L"文件合并完毕"}));
  EXPECT_EQ(ReadFileBytes(file), bytes);
}

TEST_F(MainWindowTest, AJoinOrderQuestionAnsweredCancelOrNoMergesNothing) {
  TempFolder folder;
  for (int k = 1; k <= 5; ++k) WriteFileBytes(folder.File(L"p.bin.sprt" + std::to_wstring(k)), std::string(3, 'a'));
  const auto piece = [&](int k) { return folder.File(L"p.bin.sprt" + std::to_wstring(k)); };
  struct Case {
    std::vector<int> numbers;
    const wchar_t* button;
    const wchar_t* text;
  };
  const Case cases[] = {
      {{2, 1, 3}, L"Cancel", L"列表中的分块没有按编号排列（当前顺序：2, 1, 3）。按编号排序后再合并吗？"},
      {{1, 2, 4, 5}, L"&No", L"缺少第 3 块，合并出的文件将不完整。仍要合并吗？"},
      {{1, 2, 2, 3}, L"&No", L"第 2 块列出了两次，合并出的文件将不完整。仍要合并吗？"},
  };
  for (const Case& c : cases) {
    window->slst1->Clear();
    for (int k : c.numbers) window->slst1->Items().Add(piece(k));
    const std::vector<String> listed = window->slst1->Items().ToVector();
    ModalAnswerer question(L"#32770", c.button);
    Click(window->sbtn7);
    ASSERT_EQ(question.Answered().size(), 1u) << "one question and no save dialog";
    EXPECT_EQ(question.Answered()[0].caption, L"Equidiv");
    EXPECT_EQ(question.Answered()[0].texts, (std::vector<std::wstring>{c.text}));
    EXPECT_EQ(window->slst1->Items().ToVector(), listed) << "the list is left as it was";
    EXPECT_FALSE(FileExists(folder.File(L"p.bin")));
  }
}

TEST_F(MainWindowTest, OpenDialogFillsTheFileBoxAndTheFolderLabel) {
  TempFolder folder;
  const std::wstring file = folder.File(L"pick.me");
  WriteFileBytes(file, "x");
  ModalAnswerer openDialog(L"#32770", L"");
  openDialog.SetFileName(file);
  Click(window->sbtn2);
  ASSERT_EQ(openDialog.Answered().size(), 1u);
  EXPECT_EQ(window->sedt1->Text(), file);
  EXPECT_EQ(window->slbl1->Caption(), folder.Path() + L"\\");
  EXPECT_EQ(window->sod1->Filter(), L"所有文件|*.*");
}

}  // namespace
