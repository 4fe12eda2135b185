// The driver's command in the host's menu: found under "&ТРК" only, added once
// per module load, set up as the host expects, and opening the window for the
// latest driver.
#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Menu.h"
#include "VM30.h"

namespace kavo5000::driver {
namespace {

// A host's menu item: children, caption, and what the driver set on it.
class FakeMenuItem final : public TMenuItem {
 public:
  explicit FakeMenuItem(std::string caption = "") : caption_(std::move(caption)) {}
  ~FakeMenuItem() = default;

  FakeMenuItem* Add(const std::string& caption) {
    children_.push_back(std::make_unique<FakeMenuItem>(caption));
    return children_.back().get();
  }
  std::size_t ChildCount() const { return children_.size(); }
  FakeMenuItem* Child(std::size_t i) const { return children_.at(i).get(); }

  std::int32_t KAVO5000_CALL Count() override {
    return static_cast<std::int32_t>(children_.size());
  }
  TMenuItem* KAVO5000_CALL Items(std::int32_t index) override {
    return children_.at(static_cast<std::size_t>(index)).get();
  }
  const char* KAVO5000_CALL Caption() override { return caption_.c_str(); }
  void KAVO5000_CALL SetCaption(const char* c) override {
    caption_ = c;
    trail += "caption;";
  }
  void KAVO5000_CALL SetHint(const char* h) override {
    hint = h;
    trail += "hint;";
  }
  void KAVO5000_CALL SetHelpContext(std::int32_t c) override {
    helpContext = c;
    trail += "help;";
  }
  void KAVO5000_CALL SetShortCut(std::uint16_t s) override {
    shortCut = s;
    trail += "shortcut;";
  }
  void KAVO5000_CALL SetOnClick(NotifyEvent e) override {
    onClick = e;
    trail += "click;";
  }

  std::string hint;
  std::int32_t helpContext = -1;
  std::uint16_t shortCut = 0xFFFF;
  NotifyEvent onClick{nullptr, nullptr};
  std::string trail;

 private:
  std::string caption_;
  std::vector<std::unique_ptr<FakeMenuItem>> children_;
};

std::vector<std::int32_t> factoryIndices;

TMenuItem* KAVO5000_CALL Factory(TMenuItem* parent, std::int32_t index) {
  factoryIndices.push_back(index);
  return static_cast<FakeMenuItem*>(parent)->Add("");
}

std::vector<VM30Driver*> windowsOpened;
void RecordWindow(VM30Driver* driver) {
  windowsOpened.push_back(driver);
}

class MenuTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetMenuPending();
    factoryIndices.clear();
    windowsOpened.clear();
    SetParamWindowLauncher(&RecordWindow);
  }
  void TearDown() override { SetParamWindowLauncher(nullptr); }

  FakeMenuItem mainMenu;
};

TEST_F(MenuTest, AddsTheCommandUnderTheDispenserMenu) {
  mainMenu.Add("&Файл");
  FakeMenuItem* dispensers = mainMenu.Add("&ТРК");
  VM30Driver driver(0, 0, nullptr);
  driver.AddDriverMenu(&mainMenu, &Factory);
  ASSERT_EQ(dispensers->ChildCount(), 1u);
  FakeMenuItem* item = dispensers->Child(0);
  EXPECT_STREQ(item->Caption(), "Программирование параметров (Каво 5000)");
  EXPECT_EQ(item->hint, "Программирование параметров (Каво 5000)");
  EXPECT_EQ(item->helpContext, 0);
  EXPECT_EQ(item->shortCut, 0);
  EXPECT_EQ(item->trail, "caption;hint;help;shortcut;click;");
  EXPECT_EQ(item->onClick.Self, &driver);
  EXPECT_EQ(factoryIndices, std::vector<std::int32_t>{-1});
  EXPECT_FALSE(MenuPending());
}

TEST_F(MenuTest, AddsOncePerModuleLoad) {
  FakeMenuItem* dispensers = mainMenu.Add("&ТРК");
  VM30Driver first(0, 0, nullptr);
  VM30Driver second(0, 0, nullptr);
  first.AddDriverMenu(&mainMenu, &Factory);
  first.AddDriverMenu(&mainMenu, &Factory);
  second.AddDriverMenu(&mainMenu, &Factory);
  EXPECT_EQ(dispensers->ChildCount(), 1u);
}

// A host whose factory calls back into a driver (another window's menu, say):
// the module holds no lock over the host's methods, so the call returns, and
// the command is still added once.
FakeMenuItem* reenteredMenu = nullptr;
TMenuItem* KAVO5000_CALL ReenteringFactory(TMenuItem* parent, std::int32_t index) {
  VM30Driver other(0, 0, nullptr);
  other.AddDriverMenu(reenteredMenu, &Factory);
  return Factory(parent, index);
}

TEST_F(MenuTest, AHostThatCallsBackFromItsFactoryIsServedOnce) {
  FakeMenuItem* dispensers = mainMenu.Add("&ТРК");
  reenteredMenu = &mainMenu;
  VM30Driver driver(0, 0, nullptr);
  driver.AddDriverMenu(&mainMenu, &ReenteringFactory);
  EXPECT_EQ(dispensers->ChildCount(), 1u);
  EXPECT_FALSE(MenuPending());
}

TEST_F(MenuTest, AMenuWithoutTheDispenserMenuEndsTheChance) {
  mainMenu.Add("&Файл");
  VM30Driver driver(0, 0, nullptr);
  driver.AddDriverMenu(&mainMenu, &Factory);
  FakeMenuItem* dispensers = mainMenu.Add("&ТРК");
  driver.AddDriverMenu(&mainMenu, &Factory);
  EXPECT_EQ(dispensers->ChildCount(), 0u);
  EXPECT_TRUE(factoryIndices.empty());
}

TEST_F(MenuTest, MatchesTheCaptionExactlyAndTakesTheFirst) {
  FakeMenuItem* lower = mainMenu.Add("&трк");
  FakeMenuItem* plain = mainMenu.Add("ТРК");
  FakeMenuItem* first = mainMenu.Add("&ТРК");
  FakeMenuItem* second = mainMenu.Add("&ТРК");
  VM30Driver driver(0, 0, nullptr);
  driver.AddDriverMenu(&mainMenu, &Factory);
  EXPECT_EQ(lower->ChildCount(), 0u);
  EXPECT_EQ(plain->ChildCount(), 0u);
  EXPECT_EQ(first->ChildCount(), 1u);
  EXPECT_EQ(second->ChildCount(), 0u);
}

TEST(HostMenuEncodingTest, FindsTheDispenserMenuInTheEncodingsTheHostsUse) {
  const std::string cp1251 = detail::Utf8ToCp1251("&ТРК");
  ASSERT_EQ(cp1251, "&\xD2\xD0\xCA");
  const struct {
    std::string caption;
    bool acceptCp1251;
    std::optional<CaptionEncoding> found;
  } cases[] = {
      {"&ТРК", false, CaptionEncoding::kUtf8},
      {"&ТРК", true, CaptionEncoding::kUtf8},
      {cp1251, true, CaptionEncoding::kCp1251},
      {cp1251, false, std::nullopt},
      {detail::Utf8ToCp1251("&трк"), true, std::nullopt},
      {"ТРК", true, std::nullopt},
  };
  for (const auto& c : cases)
    EXPECT_EQ(HostMenuEncoding(c.caption.c_str(), c.acceptCp1251), c.found)
        << c.caption << " " << c.acceptCp1251;
  EXPECT_EQ(HostMenuEncoding(nullptr, true), std::nullopt);
}

// A Windows host spells "&ТРК" in Windows-1251 and gets its item in the same
// encoding; elsewhere such a caption is not the dispenser menu.
TEST_F(MenuTest, TheItemSpeaksTheEncodingOfTheHostsMenu) {
  FakeMenuItem* dispensers = mainMenu.Add(detail::Utf8ToCp1251("&ТРК"));
  VM30Driver driver(0, 0, nullptr);
  driver.AddDriverMenu(&mainMenu, &Factory);
  if (!kHostsUseCp1251) {
    EXPECT_EQ(dispensers->ChildCount(), 0u);
    return;
  }
  ASSERT_EQ(dispensers->ChildCount(), 1u);
  const std::string expected = detail::Utf8ToCp1251("Программирование параметров (Каво 5000)");
  EXPECT_EQ(dispensers->Child(0)->Caption(), expected);
  EXPECT_EQ(dispensers->Child(0)->hint, expected);
}

TEST_F(MenuTest, NoMenuOrNoFactoryAddsNothingAndDoesNotCrash) {
  VM30Driver driver(0, 0, nullptr);
  driver.AddDriverMenu(nullptr, &Factory);
  EXPECT_FALSE(MenuPending());
  ResetMenuPending();
  mainMenu.Add("&ТРК");
  driver.AddDriverMenu(&mainMenu, nullptr);
  EXPECT_TRUE(factoryIndices.empty());
}

TEST_F(MenuTest, WithoutAWindowNoCommandIsAddedAndTheChanceIsUsedUp) {
  SetParamWindowLauncher(nullptr);
  FakeMenuItem* dispensers = mainMenu.Add("&ТРК");
  VM30Driver driver(0, 0, nullptr);
  driver.AddDriverMenu(&mainMenu, &Factory);
  EXPECT_EQ(dispensers->ChildCount(), 0u);
  EXPECT_TRUE(factoryIndices.empty());
  EXPECT_FALSE(MenuPending());
}

TEST_F(MenuTest, TheCommandOpensTheWindowForTheLatestDriver) {
  FakeMenuItem* dispensers = mainMenu.Add("&ТРК");
  auto first = std::make_unique<VM30Driver>(0, 0, nullptr);
  first->AddDriverMenu(&mainMenu, &Factory);
  auto second = std::make_unique<VM30Driver>(0, 0, nullptr);
  const NotifyEvent click = dispensers->Child(0)->onClick;
  click.Code(click.Self, dispensers->Child(0));
  click.Code(click.Self, dispensers->Child(0));
  EXPECT_EQ(windowsOpened, (std::vector<VM30Driver*>{second.get(), second.get()}));
}

}  // namespace
}  // namespace kavo5000::driver
