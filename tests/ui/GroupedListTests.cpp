// The grouped list in this process: virtual items, what the mouse and the keyboard do, hints,
// drag and drop between two lists, and the messages that read it from outside.
#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "ui/components/GroupedList.h"
#include "ui/components/Window.h"
#include "ui/MessagePump.h"

namespace tw {
namespace {

using namespace std::chrono_literals;

LPARAM At(POINT p) { return MAKELPARAM(p.x, p.y); }
POINT Inside(const RECT& r, int dx = 2, int dy = 2) { return {r.left + dx, r.top + dy}; }

// A visible top-level window holding the lists under test.
class ListTest : public ::testing::Test {
 protected:
  void SetUp() override {
    static const bool registered = [] {
      WNDCLASSA wc{};
      wc.lpfnWndProc = ::DefWindowProcA;
      wc.hInstance = ::GetModuleHandleA(nullptr);
      wc.lpszClassName = "TwListTestParent";
      return ::RegisterClassA(&wc) != 0;
    }();
    ASSERT_TRUE(registered);
    parent_ = ::CreateWindowExA(0, "TwListTestParent", "", WS_POPUP | WS_VISIBLE, 0, 0, 1000, 600, nullptr,
                                nullptr, ::GetModuleHandleA(nullptr), nullptr);
    list_ = std::make_unique<TGroupedList>(parent_, 1);
    ::MoveWindow(list_->Handle(), 0, 0, 600, 500, TRUE);
    list_->OnItemCaption = [this](int g, int i) {
      ++captionCalls_;
      return "item " + std::to_string(g) + "." + std::to_string(i);
    };
    list_->OnItemDetail = [](int, int) { return std::string("detail"); };
  }
  void TearDown() override {
    list_.reset();
    ::DestroyWindow(parent_);
  }
  void Click(POINT p, WPARAM keys = 0) {
    ::SendMessageA(list_->Handle(), WM_LBUTTONDOWN, MK_LBUTTON | keys, At(p));
    ::SendMessageA(list_->Handle(), WM_LBUTTONUP, keys, At(p));
  }
  void Key(WPARAM key) { ::SendMessageA(list_->Handle(), WM_KEYDOWN, key, 0); }
  LRESULT State(int g, int i) { return ::SendMessageA(list_->Handle(), TGL_GETSTATE, g, i); }
  // The part of a group's header or of a tile under the point, as the list tells it.
  POINT FindPart(THitKind kind, const RECT& area) {
    for (int y = area.top; y < area.bottom; ++y)
      for (int x = area.left; x < area.right; ++x)
        if (list_->HitTest({x, y}).Kind == kind) return {x + 1, y + 1};
    ADD_FAILURE() << "no such part";
    return {0, 0};
  }

  HWND parent_ = nullptr;
  std::unique_ptr<TGroupedList> list_;
  int captionCalls_ = 0;
};

TEST_F(ListTest, AHundredThousandItemsCostOneByteEachAndOnlyShownTilesAreAskedFor) {
  const int g = list_->AddGroup("Findings");
  std::vector<int> expanding;
  list_->OnGroupExpanding = [&](int group) {
    expanding.push_back(group);
    // Items are made when the group first opens.
    if (list_->ItemCount(group) == 0) list_->SetItemCount(group, 100000);
  };
  list_->SetGroupExpanded(g, true);
  EXPECT_EQ(expanding, std::vector<int>{0});
  EXPECT_EQ(list_->ItemCount(g), 100000);
  ::UpdateWindow(list_->Handle());
  ::RedrawWindow(list_->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  // One paint asks for the captions of the tiles it shows, a few dozen, not for every item.
  EXPECT_GT(captionCalls_, 0);
  EXPECT_LT(captionCalls_, 200);
  // The end of the list is reachable, and so is every tile's place.
  list_->ScrollToBottom();
  const RECT last = list_->ItemRect(g, 99999);
  RECT client{};
  ::GetClientRect(list_->Handle(), &client);
  EXPECT_LE(last.bottom, client.bottom);
  EXPECT_GT(last.top, 0);
  EXPECT_EQ(list_->HitTest(Inside(last, 80, 10)).Item, 99999);
  // Ticks and removals work on the compact states.
  list_->SetItemsChecked(g, true);
  list_->DeleteItems(g, 10, 99980);
  EXPECT_EQ(list_->ItemCount(g), 20);
  EXPECT_TRUE(list_->ItemChecked(g, 19));
  EXPECT_THROW(list_->ItemChecked(g, 20), EListError);
}

TEST_F(ListTest, MouseTicksOpensAndClosesAsAWindowsUserExpects) {
  list_->SetCheckBoxes(TCheckBoxes::Shown);
  const int g = list_->AddGroup("Browsers");
  list_->SetItemCount(g, 3);
  list_->SetItemEnabled(g, 2, false);
  list_->SetGroupExpanded(g, true);
  std::vector<std::string> events;
  bool allow = false;
  list_->OnItemChecking = [&](int, int i, bool checked) {
    events.push_back("checking " + std::to_string(i) + (checked ? " on" : " off"));
    return allow;
  };
  list_->OnItemCheckChange = [&](int, int i) { events.push_back("checked " + std::to_string(i)); };
  list_->OnGroupCheckChange = [&](int) { events.push_back("group"); };
  list_->OnGroupExpandChange = [&](int, bool open) { events.push_back(open ? "opened" : "closed"); };
  list_->OnClick = [&](const TListHit& hit) { events.push_back("click " + std::to_string(hit.Item)); };

  const POINT check0 = FindPart(THitKind::ItemCheck, list_->ItemRect(g, 0));
  Click(check0);  // refused by the owner
  EXPECT_FALSE(list_->ItemChecked(g, 0));
  allow = true;
  Click(check0);
  EXPECT_TRUE(list_->ItemChecked(g, 0));
  Click(FindPart(THitKind::ItemCheck, list_->ItemRect(g, 2)));  // disabled: nobody is asked
  EXPECT_FALSE(list_->ItemChecked(g, 2));
  EXPECT_EQ(events, (std::vector<std::string>{"checking 0 on", "click 0", "checking 0 on", "checked 0", "click 0",
                                              "click 2"}));
  events.clear();

  // The group's box ticks every item with it.
  const RECT header = list_->GroupHeaderRect(g);
  Click(FindPart(THitKind::GroupCheck, header));
  EXPECT_TRUE(list_->GroupChecked(g));
  EXPECT_TRUE(list_->ItemChecked(g, 1) && list_->ItemChecked(g, 2));
  // The expand button closes it; a double click on the caption opens it again; a double click
  // on the expand button is two clicks.
  const POINT expand = FindPart(THitKind::GroupExpand, header);
  Click(expand);
  EXPECT_FALSE(list_->GroupExpanded(g));
  const POINT caption = FindPart(THitKind::GroupCaption, header);
  ::SendMessageA(list_->Handle(), WM_LBUTTONDBLCLK, MK_LBUTTON, At(caption));
  EXPECT_TRUE(list_->GroupExpanded(g));
  Click(expand);
  ::SendMessageA(list_->Handle(), WM_LBUTTONDBLCLK, MK_LBUTTON, At(expand));
  EXPECT_TRUE(list_->GroupExpanded(g));
  EXPECT_EQ(events, (std::vector<std::string>{"group", "click -1", "closed", "click -1", "opened", "closed", "click -1",
                                              "opened", "click -1"}));
  EXPECT_EQ(list_->LastMouseButton(), TListButton::Left);

  // The header band reports its clicks; the state is readable from outside.
  int headerClicks = 0;
  list_->OnHeaderClick = [&] { ++headerClicks; };
  Click({200, 5});
  EXPECT_EQ(headerClicks, 1);
  EXPECT_EQ(State(g, -1),
            TGL_STATE_CHECKED | TGL_STATE_EXPANDED | TGL_STATE_VISIBLE | TGL_STATE_BOLD | TGL_STATE_FOCUSED);
  EXPECT_EQ(State(g, 2), TGL_STATE_CHECKED | TGL_STATE_DISABLED | TGL_STATE_VISIBLE);
  EXPECT_EQ(State(g, 3), -1);
  EXPECT_EQ(::SendMessageA(list_->Handle(), TGL_GETVIEW, 0, 0), 42 | TGL_VIEW_CHECKBOXES);
}

TEST_F(ListTest, KeyboardMovesTheFocusTicksAndOpens) {
  list_->SetCheckBoxes(TCheckBoxes::Shown);
  for (int n : {5, 2}) {
    const int g = list_->AddGroup("group");
    list_->SetItemCount(g, n);
    list_->SetGroupExpanded(g, true);
  }
  int changes = 0;
  list_->OnItemCheckChange = [&](int, int) { ++changes; };
  ::SetFocus(list_->Handle());
  Key(VK_DOWN);  // the first header
  EXPECT_EQ(list_->Focused(), (TListPos{0, -1}));
  Key(VK_DOWN);
  Key(VK_RIGHT);
  EXPECT_EQ(list_->Focused(), (TListPos{0, 1}));
  EXPECT_TRUE(list_->ItemSelected(0, 1));
  Key(VK_SPACE);
  EXPECT_TRUE(list_->ItemChecked(0, 1));
  EXPECT_EQ(changes, 1);
  Key(VK_END);
  EXPECT_EQ(list_->Focused(), (TListPos{1, 1}));
  Key(VK_HOME);
  EXPECT_EQ(list_->Focused(), (TListPos{0, -1}));
  Key(VK_LEFT);  // on an open group's header: closes it
  EXPECT_FALSE(list_->GroupExpanded(0));
  Key(VK_DOWN);
  EXPECT_EQ(list_->Focused(), (TListPos{1, -1}));
  Key(VK_UP);
  Key(VK_RIGHT);  // on a closed group's header: opens it
  EXPECT_TRUE(list_->GroupExpanded(0));
  Key(VK_SPACE);  // on a header: the group's box
  EXPECT_TRUE(list_->GroupChecked(0));
  EXPECT_EQ(State(0, -1) & TGL_STATE_FOCUSED, TGL_STATE_FOCUSED);
}

TEST_F(ListTest, SelectionWheelAndContextMenu) {
  list_->MultiSelect = true;
  const int g = list_->AddGroup("many");
  list_->SetItemCount(g, 200);
  list_->SetGroupExpanded(g, true);
  Click(Inside(list_->ItemRect(g, 2), 120, 10));
  Click(Inside(list_->ItemRect(g, 5), 120, 10), MK_SHIFT);
  EXPECT_EQ(list_->SelectedItems().size(), 4u);
  Click(Inside(list_->ItemRect(g, 3), 120, 10), MK_CONTROL);
  EXPECT_FALSE(list_->ItemSelected(g, 3));
  EXPECT_EQ(list_->SelectedItems().size(), 3u);

  // The wheel scrolls; a notch moves by whole rows.
  EXPECT_EQ(list_->ScrollPos(), 0);
  ::SendMessageA(list_->Handle(), WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-WHEEL_DELTA)), 0);
  EXPECT_GT(list_->ScrollPos(), 0);
  const int after = list_->ScrollPos();
  ::SendMessageA(list_->Handle(), WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), 0);
  EXPECT_EQ(list_->ScrollPos(), 0);
  const RECT tile = list_->ItemRect(g, 0);
  EXPECT_EQ(after % (tile.bottom - tile.top), 0);

  // The context menu is asked for where the mouse is, with what it hit.
  TListHit menuHit;
  list_->OnContextMenu = [&](const TListHit& hit, POINT) { menuHit = hit; };
  POINT screen = Inside(list_->ItemRect(g, 7), 120, 10);
  ::ClientToScreen(list_->Handle(), &screen);
  ::SendMessageA(list_->Handle(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(list_->Handle()), At(screen));
  EXPECT_EQ(menuHit.Item, 7);
  EXPECT_EQ(menuHit.Kind, THitKind::ItemText);
}

TEST_F(ListTest, HintsShowTheOwnersTextAndHideOnAClick) {
  const int g = list_->AddGroup("with hints");
  list_->SetItemCount(g, 2);
  list_->SetGroupExpanded(g, true);
  list_->HintPause = 50;
  list_->HintWidthShare = 0.25;
  list_->OnHint = [](const TListHit& hit) {
    TListHint hint;
    if (hit.Kind == THitKind::ItemText) hint.Text = std::string(400, 'w') + " end of item " + std::to_string(hit.Item);
    return hint;
  };
  auto hintWindow = [] { return ::FindWindowA("TwGroupedListHint", nullptr); };
  const POINT text = FindPart(THitKind::ItemText, list_->ItemRect(g, 1));
  ::SendMessageA(list_->Handle(), WM_MOUSEMOVE, 0, At(text));
  ASSERT_TRUE(PumpUntil([&] { return hintWindow() && ::IsWindowVisible(hintWindow()); }, 3s));
  RECT r{};
  ::GetWindowRect(hintWindow(), &r);
  EXPECT_LE(r.right - r.left, ::GetSystemMetrics(SM_CXSCREEN) / 4 + 1);
  EXPECT_GT(r.bottom - r.top, 40);  // the long text wraps
  ::SendMessageA(list_->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, At(text));
  ::SendMessageA(list_->Handle(), WM_LBUTTONUP, 0, At(text));
  EXPECT_FALSE(::IsWindowVisible(hintWindow()));
  // Over the tile's margin there is no hint.
  ::SendMessageA(list_->Handle(), WM_MOUSEMOVE, 0, At(Inside(list_->ItemRect(g, 0), 1, 1)));
  Application().ProcessMessages();
  ::Sleep(200);
  Application().ProcessMessages();
  EXPECT_FALSE(::IsWindowVisible(hintWindow()));
}

TEST_F(ListTest, ItemsAreDraggedToAListThatAcceptsThem) {
  TGroupedList target(parent_, 2);
  ::MoveWindow(target.Handle(), 620, 0, 300, 400, TRUE);
  target.AddGroup("kept");
  list_->AllowDrag = true;
  list_->MultiSelect = true;
  const int g = list_->AddGroup("found");
  list_->SetItemCount(g, 4);
  list_->SetGroupExpanded(g, true);
  bool accept = false;
  std::vector<TListPos> dropped;
  target.OnDragOver = [&](TGroupedList& source) { return accept && source.Dragging(); };
  target.OnDragDrop = [&](TGroupedList& source) { dropped = source.SelectedItems(); };
  ::UpdateWindow(parent_);

  const POINT from = Inside(list_->ItemRect(g, 1), 120, 10);
  const POINT over{700, 100};  // in the target, in the source's client coordinates
  for (bool accepting : {false, true}) {
    accept = accepting;
    ::SendMessageA(list_->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, At(from));
    ::SendMessageA(list_->Handle(), WM_MOUSEMOVE, MK_LBUTTON, At({from.x + 40, from.y}));
    EXPECT_TRUE(list_->Dragging());
    ::SendMessageA(list_->Handle(), WM_MOUSEMOVE, MK_LBUTTON, At(over));
    ::SendMessageA(list_->Handle(), WM_LBUTTONUP, 0, At(over));
    EXPECT_FALSE(list_->Dragging());
  }
  EXPECT_EQ(dropped, (std::vector<TListPos>{{0, 1}}));
  // A press without a move is no drag.
  ::SendMessageA(list_->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, At(from));
  EXPECT_FALSE(list_->Dragging());
  ::SendMessageA(list_->Handle(), WM_LBUTTONUP, 0, At(from));
}

}  // namespace
}  // namespace tw
