// Every save, store rewrite, night, game start and door change run with the
// n-th file operation failing, for every n until the work no longer reaches
// that far: afterwards the folder always loads a complete game (the old or
// the new), nothing is left locked or marked, and a failed night played
// again ends exactly as a night that never failed.
#include <gtest/gtest.h>

#include <functional>

#include "core/history.h"
#include "core/access.h"
#include "core/files.h"
#include "core/founding.h"
#include "core/gamefile.h"
#include "core/lock.h"
#include "core/model.h"
#include "core/orders.h"
#include "core/osfs.h"
#include "core/settings.h"
#include "core/startgame.h"
#include "core/chronicle.h"
#include "maint/maintcmd.h"
#include "maint/night.h"
#include "core/stores.h"
#include "tests/testutil.h"

namespace {

// A running game with a player's house, a night's events and a letter.
void Prepare(const TScratch& s)
{
    std::string summary;
    ASSERT_TRUE(StartGame(s.Dir, DefaultSettings(), 21, summary)) << summary;
    ASSERT_GT(FoundHouse("Astra", "Ann Caller", 0), 0);
    ASSERT_TRUE(SaveGame(s.Path(GameFileName)));
    TEventWriter ev;
    ASSERT_TRUE(EventsBegin(ev, s.Dir, 1));
    AddEvent(ev, 3, EventMove, "Scouts arrived at Kel.");
    AddNews(ev, "A quiet start.");
    ASSERT_TRUE(EventsEnd(ev));
    ASSERT_TRUE(SendMessage(s.Dir, 3, 0, 1, {"Hello all"}));
}

void NothingHeld(const TScratch& s, int n)
{
    EXPECT_FALSE(PathExists(LockFolderPath(s.Dir))) << "fault point " << n;
    EXPECT_FALSE(RunMarkerFresh(s.Dir)) << "fault point " << n;
    EXPECT_FALSE(GameLockHeld());
}

// Runs the work with each fault point in turn; check sees the folder after.
int EveryFaultPoint(const std::function<void(const TScratch&)>& work,
                    const std::function<void(const TScratch&, const std::string& before, int n)>& check)
{
    for (int n = 1;; n++) {
        TScratch s;
        Prepare(s);
        std::string before = ReadFile(s.Path(GameFileName));
        FaultAfter(n);
        work(s);
        bool hit = FaultHit();
        FaultAfter(0);
        GameRelease();
        check(s, before, n);
        if (!hit || n > 400) return n - 1;
    }
}

std::string NightOnce(const TScratch& s)
{
    GameFolder = s.Dir;
    std::string message;
    RunNight(message);
    return message;
}

} // namespace

TEST(Faults, EverySaveStoreNightStartAndChange)
{
    int points = 0;
    // A save: the old game or the new one, whole.
    points += EveryFaultPoint(
        [](const TScratch& s) {
            ASSERT_TRUE(LoadGame(s.Path(GameFileName)));
            Game.Header.Day = 9;
            SaveGame(s.Path(GameFileName));
        },
        [](const TScratch& s, const std::string& before, int n) {
            ASSERT_TRUE(LoadGame(s.Path(GameFileName))) << n;
            EXPECT_TRUE(Game.Header.Day == 9 || ReadFile(s.Path(GameFileName)) == before) << n;
        });
    // The stores rewritten: the old records or the new, never a part.
    points += EveryFaultPoint(
        [](const TScratch& s) {
            TrimMessages(s.Dir, 40);
            TEventWriter ev;
            if (EventsBegin(ev, s.Dir, 2)) {
                AddEvent(ev, 3, EventBattle, "Battle at Kel.");
                EventsEnd(ev);
            }
        },
        [](const TScratch& s, const std::string&, int n) {
            std::vector<TEventRec> events;
            ASSERT_TRUE(ReadEvents(s.Dir, events)) << n;
            EXPECT_TRUE(events.size() == 2 || events.size() == 3) << n;
            int64_t msgs = FileSize(s.Path(MessagesFileName));
            EXPECT_TRUE(msgs == 0 || msgs == (int64_t)sizeof(TMessageRec)) << n;
        });
    // A door's change: whole, and the lock let go.
    points += EveryFaultPoint(
        [](const TScratch& s) {
            if (GameOpen(s.Dir, 1, 20, true) != AccessOk) return;
            SetFocus(3, HouseRec(3).HomeWorld, FocusGrowth);
            GameSave();
            GameRelease();
        },
        [](const TScratch& s, const std::string& before, int n) {
            ASSERT_TRUE(LoadGame(s.Path(GameFileName))) << n;
            EXPECT_TRUE(Game.Worlds[HouseRec(3).HomeWorld].Focus == FocusGrowth ||
                        ReadFile(s.Path(GameFileName)) == before)
                << n;
            NothingHeld(s, n);
        });
    // Starting a game over the running one: the old game goes on, or the
    // new one has begun.
    points += EveryFaultPoint(
        [](const TScratch& s) {
            if (!MaintenanceBegin(s.Dir, 1, 1800)) return;
            std::string summary;
            StartGame(s.Dir, DefaultSettings(), 99, summary);
            GameRelease();
        },
        [](const TScratch& s, const std::string& before, int n) {
            ASSERT_TRUE(LoadGame(s.Path(GameFileName))) << n;
            bool fresh = FindHouseByPlayer("Ann Caller") < 0 && Game.Header.Day == 1;
            EXPECT_TRUE(fresh || ReadFile(s.Path(GameFileName)) == before) << n;
            if (!fresh) {
                std::vector<TEventRec> events;
                EXPECT_TRUE(ReadEvents(s.Dir, events)) << "the old game lost its events at " << n;
            }
            NothingHeld(s, n);
        });
    // A night: when it failed, the night played again ends exactly as a
    // night that never failed (no line stored twice).
    TScratch reference;
    Prepare(reference);
    NightOnce(reference);
    std::string refGame = ReadFile(reference.Path(GameFileName)), refEvents = ReadFile(reference.Path(EventsFileName));
    std::string refScores = ReadFile(reference.Path(ScoresFileName));
    EXPECT_EQ(refScores.size(), sizeof(TScoreRec));
    points += EveryFaultPoint([](const TScratch& s) { NightOnce(s); },
                              [&](const TScratch& s, const std::string& before, int n) {
                                  ASSERT_TRUE(LoadGame(s.Path(GameFileName))) << n;
                                  NothingHeld(s, n);
                                  if (ReadFile(s.Path(GameFileName)) == before) NightOnce(s);
                                  EXPECT_EQ(ReadFile(s.Path(GameFileName)), refGame) << n;
                                  EXPECT_EQ(ReadFile(s.Path(EventsFileName)), refEvents) << n;
                                  EXPECT_TRUE(ReadFile(s.Path(ScoresFileName)) == refScores) << n;
                              });
    std::printf("[ figures  ] %d fault points tried\n", points);
    EXPECT_GT(points, 30);
}
