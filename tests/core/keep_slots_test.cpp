// A game started again the same way comes back to the slot it had, while the
// player asks for it; otherwise slots follow launch order.
#include "controller_fixture.h"

namespace corvane::testing {
namespace {

class KeepSlotsTest : public ControllerTest {
protected:
    /// A game launched at `launch` from `identity` (its prefix and command line).
    void launch(platform::Pid pid, double launch, std::string identity) {
        addGame(pid, launch);
        desk.app(pid).launchIdentity = std::move(identity);
    }
};

TEST_F(KeepSlotsTest, aRestartedGameTakesItsOldSlotBackAndTheMemoryOutlivesTheProgram) {
    launch(10, 1, "tank");
    launch(11, 2, "healer");
    launch(12, 3, "dps");
    start().setKeepSlots(true);
    desk.removeApp(11);
    tickOnce();
    ASSERT_EQ(clientPids(), (std::vector<platform::Pid>{10, 12}));

    launch(21, 9, "healer");
    tickOnce();
    EXPECT_EQ(clientPids(), (std::vector<platform::Pid>{10, 21, 12}));

    controller.reset();
    desk.removeApp(10);
    launch(30, 10, "tank");
    start();
    EXPECT_EQ(clientPids(), (std::vector<platform::Pid>{30, 21, 12}));
}

TEST_F(KeepSlotsTest, gamesOfOneLaunchAndNewOnesKeepLaunchOrderAmongThemselves) {
    launch(10, 1, "box");
    start().setKeepSlots(true);
    launch(5, 4, "box");
    launch(4, 5, "new");
    launch(3, 6, "box");
    tickOnce();
    EXPECT_EQ(clientPids(), (std::vector<platform::Pid>{10, 5, 3, 4}));
}

TEST_F(KeepSlotsTest, offNothingIsAskedOrStoredAndTurnedOffLaunchOrderComesBack) {
    launch(10, 1, "tank");
    launch(11, 2, "healer");
    start();
    desk.removeApp(10);
    tickOnce();
    launch(20, 3, "tank");
    tickOnce();
    EXPECT_EQ(clientPids(), (std::vector<platform::Pid>{11, 20}));
    EXPECT_TRUE(desk.calls().matching({"launchIdentity"}).empty());
    EXPECT_FALSE(desk.defaultsContents().contains("slotLaunches"));

    controller->setKeepSlots(true);
    desk.removeApp(11);
    tickOnce();
    launch(21, 4, "healer");
    tickOnce();
    ASSERT_EQ(clientPids(), (std::vector<platform::Pid>{21, 20}));
    controller->setKeepSlots(false);
    EXPECT_EQ(clientPids(), (std::vector<platform::Pid>{20, 21}));
    EXPECT_EQ(desk.defaultsContents().at("slotLaunches"), platform::DefaultsValue{platform::StringList{}});
}

}  // namespace
}  // namespace corvane::testing
