// The controls' own behaviour: what they paint in their states (a few exact
// pixels), lists and combo boxes under mouse and keys, the memo's wrapping
// and scrolling, image placement, notebook pages.

#include "ui_fixture.h"

namespace uitest {
namespace {

// A shown borderless window of the given size to put controls on.
TForm* Surface(TApplication& app, int width, int height) {
  auto* f = NewForm<TForm>(&app);
  f->SetBorderStyle(bsNone);
  f->SetBounds(0, 0, width, height);
  f->Show();
  return f;
}

TEST_F(UiTest, ControlsPaintTheirStates) {
  TForm* f = Surface(App, 200, 120);
  auto* normal = new TButton(f);
  normal->SetParent(f);
  normal->SetBounds(0, 0, 75, 25);
  auto* def = new TButton(f);
  def->SetParent(f);
  def->SetBounds(100, 0, 75, 25);
  def->SetDefault(true);
  auto* check = new TCheckBox(f);
  check->SetParent(f);
  check->SetBounds(0, 40, 97, 17);
  check->SetChecked(true);
  auto* label = new TLabel(f);
  label->SetParent(f);
  label->SetBounds(100, 40, 60, 17);
  label->SetColor(clYellow);
  auto* bevel = new TBevel(f);
  bevel->SetParent(f);
  bevel->SetShape(bsTopLine);
  bevel->SetBounds(0, 80, 200, 2);

  const TBitmap image = f->PaintWindowImage();
  struct TPixelCase {
    int X, Y;
    TColor Color;
    const char* What;
  };
  const TPixelCase cases[] = {
      {0, 0, ColorToRGB(clBtnHighlight), "a button's outer edge: light above"},
      {74, 24, ColorToRGB(cl3DDkShadow), "and dark below"},
      {73, 23, ColorToRGB(clBtnShadow), "its inner edge"},
      {100, 0, ColorToRGB(clWindowFrame), "the default button's frame"},
      {101, 1, ColorToRGB(clBtnHighlight), "inside it, the usual edge"},
      {0, 42, ColorToRGB(clBtnShadow), "the check box's outer edge"},
      {3, 48, ColorToRGB(clWindowText), "its mark"},
      {9, 50, ColorToRGB(clWindow), "the box inside the mark"},
      {158, 55, clYellow, "an opaque label fills its colour"},
      {10, 80, ColorToRGB(clBtnShadow), "a bevel line: shadow"},
      {10, 81, ColorToRGB(clBtnHighlight), "then highlight"},
  };
  for (const TPixelCase& c : cases) EXPECT_EQ(image.Pixels(c.X, c.Y), c.Color) << c.What;

  label->SetTransparent(true);
  check->SetEnabled(false);
  const TBitmap after = f->PaintWindowImage();
  EXPECT_EQ(after.Pixels(158, 55), ColorToRGB(clBtnFace)) << "a transparent label lets its parent show";
  EXPECT_EQ(after.Pixels(3, 48), ColorToRGB(clBtnShadow)) << "a disabled check box's mark is grey";
  EXPECT_EQ(after.Pixels(9, 50), ColorToRGB(clBtnFace)) << "on the face colour";
}

TEST_F(UiTest, ListAndComboBoxesFollowMouseAndKeys) {
  TForm* f = Surface(App, 300, 200);
  auto* list = new TListBox(f);
  list->SetName("List");
  list->SetParent(f);
  list->SetBounds(10, 10, 120, 2 + 4 * 13 + 2);  // four rows show
  for (const char* s : {"Alfa", "Beta", "Gama", "Delta", "Epsilon", "Zeta"}) list->Items().Add(s);
  int clicks = 0;
  list->OnClick = [&](TObject*) { ++clicks; };
  Op.ClickAt(list->ClientToScreen({20, 2 + 13 + 5}));  // the second row
  EXPECT_EQ(list->ItemIndex(), 1);
  Op.Key("END");
  EXPECT_EQ(list->ItemIndex(), 5);
  EXPECT_EQ(list->TopIndex(), 2);  // scrolled to show it
  Op.Type("g");
  EXPECT_EQ(list->ItemIndex(), 2);
  EXPECT_EQ(clicks, 3);

  auto* combo = new TComboBox(f);
  combo->SetName("Combo");
  combo->SetParent(f);
  combo->SetStyle(csDropDownList);
  combo->SetBounds(150, 10, 120, 21);
  combo->Items().Assign({"A:", "C:", "D:"});
  combo->SetItemIndex(0);
  int changes = 0;
  combo->OnChange = [&](TObject*) { ++changes; };
  Op.Click("Combo");
  ASSERT_TRUE(combo->DroppedDown());
  Op.ClickAt(combo->ClientToScreen({20, 21 + 1 + 13 + 5}));  // "C:" in the list below
  EXPECT_FALSE(combo->DroppedDown());
  EXPECT_EQ(combo->Text(), "C:");
  Op.Key("ALT+DOWN");
  Op.Key("DOWN");
  Op.Key("ENTER");
  EXPECT_EQ(combo->Text(), "D:");
  Op.Click("Combo");
  Op.ClickAt({280, 180});  // a press outside closes the list and does nothing else
  EXPECT_FALSE(combo->DroppedDown());
  EXPECT_EQ(combo->ItemIndex(), 2);
  EXPECT_EQ(changes, 2);
}

TEST_F(UiTest, MemoWrapsAndScrolls) {
  TForm* f = Surface(App, 300, 200);
  auto* memo = new TMemo(f);
  memo->SetParent(f);
  memo->SetBounds(0, 0, 200, 4 + 1 + 5 * 13);  // five lines show
  memo->SetScrollBars(ssVertical);
  memo->SetReadOnly(true);
  memo->Lines().Add(AnsiString(60, 'x'));  // longer than a line: no blank to break at
  memo->Lines().Add("uma frase com palavras que passa da largura de uma linha do texto");
  for (int i = 0; i < 10; ++i) memo->Lines().Add("linha " + std::to_string(i));
  EXPECT_GT(memo->DisplayLineCount(), 12);
  memo->SetFocus();
  Op.Key("CTRL+END");
  EXPECT_EQ(memo->CaretPos().Y, 11);
  EXPECT_EQ(memo->TopLine(), memo->DisplayLineCount() - 5);
  Op.Key("CTRL+HOME");
  EXPECT_EQ(memo->TopLine(), 0);
  Op.ClickAt(memo->ClientToScreen({200 - 2 - 8, 4 + 1 + 5 * 13 - 2 - 8}));  // the down arrow
  EXPECT_EQ(memo->TopLine(), 1);
  Op.Type("abc");  // read-only
  EXPECT_EQ(memo->Lines()[0], AnsiString(60, 'x'));

  memo->SetReadOnly(false);
  memo->SetCaretPos({0, 2});
  Op.Type("1");
  Op.Key("ENTER");
  EXPECT_EQ(memo->Lines()[2], "1");
  EXPECT_EQ(memo->Lines()[3], "linha 0");
  Op.Key("BACKSPACE");
  EXPECT_EQ(memo->Lines()[2], "1linha 0");
}

TEST_F(UiTest, MemoSelectsByKeysAndMouseAndCopies) {
  TForm* f = Surface(App, 300, 200);
  auto* memo = new TMemo(f);
  memo->SetParent(f);
  memo->SetBounds(0, 0, 200, 4 + 1 + 5 * 13);
  memo->SetReadOnly(true);  // the licence: read-only, yet it can be copied
  memo->Lines().Assign({"primeira linha", "segunda", "terceira"});
  memo->SetFocus();

  Op.Key("RIGHT");
  for (int i = 0; i < 3; ++i) Op.Key("SHIFT+RIGHT");
  EXPECT_EQ(memo->SelText(), "rim");
  Op.Key("SHIFT+DOWN");  // across a line break, and back over it
  EXPECT_EQ(memo->SelText(), "rimeira linha\r\nsegu");
  Op.Key("LEFT");  // without Shift it collapses to its start
  EXPECT_EQ(memo->SelText(), "");
  EXPECT_EQ(memo->CaretPos(), Point(1, 0));

  Op.Key("CTRL+A");
  EXPECT_EQ(memo->SelText(), "primeira linha\r\nsegunda\r\nterceira");
  Op.Key("CTRL+C");
  EXPECT_EQ(App.Display().ClipboardText(), "primeira linha\r\nsegunda\r\nterceira");

  // Shown in the highlight colours while focused, and only then.
  auto highlighted = [&] {
    const TBitmap image = f->PaintWindowImage();
    int n = 0;
    for (int y = 0; y < memo->Height(); ++y)
      for (int x = 0; x < memo->Width(); ++x) n += image.Pixels(x, y) == ColorToRGB(clHighlight);
    return n;
  };
  EXPECT_GT(highlighted(), 3 * 13 * 20);
  auto* other = new TEdit(f);
  other->SetParent(f);
  other->SetBounds(0, 150, 100, 21);
  other->SetFocus();
  EXPECT_EQ(highlighted(), 0);

  // A drag selects from the press to the release; a plain click drops the selection.
  const int row = 1 + 13 / 2;
  const TPoint start = memo->ClientToScreen({2 + TextCaretPositions(memo->Font(), "primeira")[8] + 1, 2 + row});
  Op.Drag(start, memo->ClientToScreen({2 + memo->Font().TextWidth("seg"), 2 + 13 + row}));
  EXPECT_EQ(memo->SelText(), " linha\r\nseg");
  Op.ClickAt(memo->ClientToScreen({2 + memo->Font().TextWidth("segunda"), 2 + 13 + row}));
  EXPECT_EQ(memo->SelText(), "");
  Op.Key(VK_LEFT, ssShift);
  Op.Key(VK_LEFT, ssShift);
  EXPECT_EQ(memo->SelText(), "da");

  // Typing replaces the selection, Backspace removes it whole.
  memo->SetReadOnly(false);
  Op.Type("o");
  EXPECT_EQ(memo->Lines()[1], "seguno");
  Op.Key("CTRL+HOME");
  Op.Key("SHIFT+DOWN");
  Op.Key("BACKSPACE");
  EXPECT_EQ(memo->Lines().Count(), 2);
  EXPECT_EQ(memo->Lines()[0], "seguno");

  // Pasted line breaks make lines; a cut takes the selection out.
  App.Display().SetClipboardText("um\r\ndois\nt");
  Op.Key("CTRL+END");
  Op.Key("SHIFT+INSERT");
  ASSERT_EQ(memo->Lines().Count(), 4);
  EXPECT_EQ(memo->Lines()[1], "terceiraum");
  EXPECT_EQ(memo->Lines()[2], "dois");
  EXPECT_EQ(memo->Lines()[3], "t");
  EXPECT_EQ(memo->CaretPos(), Point(1, 3));
  Op.Key("SHIFT+UP");
  Op.Key("CTRL+X");
  EXPECT_EQ(App.Display().ClipboardText(), "ois\r\nt");
  EXPECT_EQ(memo->Lines()[2], "d");
  EXPECT_EQ(memo->Lines().Count(), 3);
}

TEST_F(UiTest, ImagePlacement) {
  TForm* f = Surface(App, 200, 200);
  auto* image = new TImage(f);
  image->SetParent(f);
  image->SetBounds(0, 0, 100, 50);
  TBitmap picture(40, 20);
  image->Picture().SetGraphic(&picture);
  struct TCase {
    bool Center, Stretch, Proportional;
    TRect Dest;
  };
  const TCase cases[] = {
      {false, false, false, Rect(0, 0, 40, 20)},
      {true, false, false, Rect(30, 15, 70, 35)},
      {false, true, false, Rect(0, 0, 100, 50)},
      {true, true, true, Rect(0, 0, 100, 50)},
  };
  for (const TCase& c : cases) {
    image->SetCenter(c.Center);
    image->SetStretch(c.Stretch);
    image->SetProportional(c.Proportional);
    EXPECT_EQ(image->DestRect(), c.Dest);
  }
  image->SetAutoSize(true);
  EXPECT_EQ(image->Width(), 40);
  EXPECT_EQ(image->Height(), 20);
}

TEST_F(UiTest, NotebookShowsOnePageAndMovesTheFocus) {
  TForm* f = Surface(App, 300, 200);
  auto* book = new TNotebook(f);
  book->SetParent(f);
  book->SetBounds(0, 0, 300, 200);
  book->SetPages({"Bem-vindo", "Contrato", "Resumo"});
  auto* first = new TEdit(f);
  first->SetParent(book->Page(0));
  auto* second = new TEdit(f);
  second->SetParent(book->Page(1));
  f->SelectFirst();
  EXPECT_EQ(f->ActiveControl(), first);
  book->SetPageIndex(1);
  EXPECT_EQ(book->ActivePage(), "Contrato");
  EXPECT_FALSE(first->Showing());
  EXPECT_EQ(f->ActiveControl(), second);
  book->SetPageIndex(7);  // out of range: nothing changes
  EXPECT_EQ(book->PageIndex(), 1);
}

}  // namespace
}  // namespace uitest
