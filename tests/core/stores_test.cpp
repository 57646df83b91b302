#include <cstring>
#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>
#endif

#include "core/osfs.h"
#include "core/stores.h"
#include "tests/testutil.h"

static std::vector<TEventRec> Stored(const TScratch& dir)
{
    std::vector<TEventRec> all;
    EXPECT_TRUE(ReadEvents(dir.Dir, all));
    return all;
}

TEST(Events, LongTextsSplitAndNothingOutsideANight)
{
    TScratch dir;
    TEventWriter ev;
    ASSERT_TRUE(EventsBegin(ev, dir.Dir, 5));
    AddEvent(ev, 3, EventWorld, std::string(79, 'a') + std::string(79, 'b') + std::string(42, 'c'));
    AddNews(ev, "");
    EXPECT_EQ(ev.Written, 4);
    // Readers see the old store until the night is done.
    std::vector<TEventRec> none;
    EXPECT_FALSE(ReadEvents(dir.Dir, none));
    ASSERT_TRUE(EventsEnd(ev));
    std::vector<TEventRec> all = Stored(dir);
    ASSERT_EQ(all.size(), 4u);
    EXPECT_EQ(EventText(all[0]), std::string(79, 'a'));
    EXPECT_EQ(EventText(all[1]), std::string(79, 'b'));
    EXPECT_EQ(EventText(all[2]), std::string(42, 'c'));
    for (int i = 0; i < 3; i++) {
        EXPECT_EQ(+all[i].House, 3);
        EXPECT_EQ(+all[i].Day, 5);
        EXPECT_EQ(+all[i].Kind, EventWorld);
    }
    EXPECT_EQ(+all[3].House, 0);
    EXPECT_EQ(EventText(all[3]), "");
    // Bytes after a text are zero, and the record is 84 bytes.
    std::string raw = ReadFile(dir.Path("EVENTS.DAT"));
    ASSERT_EQ(raw.size(), 4u * 84);
    EXPECT_EQ(raw[84 * 2 + 5 + 42], 0);
    EXPECT_EQ(raw[84 * 2 + 1], 5);
    EXPECT_FALSE(PathExists(dir.Path("EVENTS.NEW")));

    // A line written when no night is open is lost, and that is an error,
    // not a silence: the writer's end reports it, and the store keeps what
    // it had.
    AddEvent(ev, 1, EventBattle, "after the night");
    EXPECT_FALSE(EventsEnd(ev));
    TEventWriter early;
    AddNews(early, "before the night");
    ASSERT_TRUE(EventsBegin(early, dir.Dir, 6));
    AddNews(early, "in the night");
    EXPECT_FALSE(EventsEnd(early));
    all = Stored(dir);
    ASSERT_EQ(all.size(), 5u);
    EXPECT_EQ(EventText(all[4]), "in the night");
}

TEST(Events, SevenDaysAreKept)
{
    TScratch dir;
    TEventWriter ev;
    for (int day = 1; day <= 10; day++) {
        ASSERT_TRUE(EventsBegin(ev, dir.Dir, day));
        AddEvent(ev, 1, EventMove, "day " + std::to_string(day));
        ASSERT_TRUE(EventsEnd(ev));
    }
    std::vector<TEventRec> all = Stored(dir);
    ASSERT_EQ(all.size(), 7u);
    EXPECT_EQ(+all.front().Day, 4);
    EXPECT_EQ(+all.back().Day, 10);
    TEventWriter keepAll;
    keepAll.KeepDays = 9999;
    ASSERT_TRUE(EventsBegin(keepAll, dir.Dir, 500));
    ASSERT_TRUE(EventsEnd(keepAll));
    EXPECT_EQ(Stored(dir).size(), 7u);
}

TEST(Messages, SendReadMarkAndTrim)
{
    TScratch dir;
    EXPECT_EQ(CountUnread(dir.Dir, 2), 0);
    ASSERT_TRUE(SendMessage(dir.Dir, 1, 2, 3, {"hello", std::string(100, 'x')}));
    ASSERT_TRUE(SendMessage(dir.Dir, 0, 0, 4, {"bulletin"}));
    ASSERT_TRUE(SendMessage(dir.Dir, 3, 2, 5, {"newest to 2"}));
    ASSERT_TRUE(SendMessage(dir.Dir, 2, 1, 6, {"to 1"}));
    EXPECT_EQ(ReadFile(dir.Path("MSGS.DAT")).size(), 4u * 298);
    EXPECT_EQ(CountUnread(dir.Dir, 2), 2);
    TMessageRec m;
    ASSERT_TRUE(GetMessage(dir.Dir, 2, 0, m));
    EXPECT_EQ(MessageLine(m, 0), "newest to 2");
    ASSERT_TRUE(GetMessage(dir.Dir, 2, 1, m));
    EXPECT_EQ(MessageLine(m, 0), "hello");
    EXPECT_EQ(MessageLine(m, 1), std::string(72, 'x'));
    EXPECT_EQ(MessageLine(m, 2), "");
    EXPECT_EQ(MessageLine(m, 3), "");
    EXPECT_EQ(+m.From, 1);
    EXPECT_EQ(+m.Day, 3);
    EXPECT_FALSE(GetMessage(dir.Dir, 2, 2, m));
    ASSERT_TRUE(GetMessage(dir.Dir, 0, 0, m));
    EXPECT_EQ(MessageLine(m, 0), "bulletin");

    MarkAllRead(dir.Dir, 2);
    MarkAllRead(dir.Dir, 0);
    EXPECT_EQ(CountUnread(dir.Dir, 2), 0);
    EXPECT_EQ(CountUnread(dir.Dir, 1), 1);
    EXPECT_EQ(CountUnread(dir.Dir, 0), 1);   // bulletins are never marked read

    ASSERT_TRUE(TrimMessages(dir.Dir, 16));
    EXPECT_TRUE(GetMessage(dir.Dir, 2, 1, m));   // day 3 lives to day 16
    ASSERT_TRUE(TrimMessages(dir.Dir, 17));
    EXPECT_FALSE(GetMessage(dir.Dir, 2, 1, m));
    EXPECT_TRUE(GetMessage(dir.Dir, 2, 0, m));
    EXPECT_EQ(ReadFile(dir.Path("MSGS.DAT")).size(), 3u * 298);
    EXPECT_FALSE(PathExists(dir.Path("MSGS.NEW")));
}

#ifndef _WIN32
// Two doors writing at once both keep every letter.
TEST(Messages, ConcurrentSendersKeepEverything)
{
    TScratch dir;
    pid_t kids[2];
    for (int k = 0; k < 2; k++) {
        kids[k] = fork();
        if (kids[k] == 0) {
            for (int i = 0; i < 300; i++)
                if (!SendMessage(dir.Dir, k + 1, 3, i, {"from " + std::to_string(k)})) _exit(1);
            _exit(0);
        }
    }
    for (pid_t pid : kids) {
        int status = 0;
        waitpid(pid, &status, 0);
        EXPECT_EQ(WEXITSTATUS(status), 0);
    }
    std::string raw = ReadFile(dir.Path("MSGS.DAT"));
    ASSERT_EQ(raw.size(), 600u * 298);
    int from[3] = {0, 0, 0};
    for (size_t i = 0; i < 600; i++) {
        TMessageRec m;
        std::memcpy(&m, raw.data() + i * 298, 298);
        ASSERT_TRUE(m.From == 1 || m.From == 2);
        EXPECT_EQ(MessageLine(m, 0), "from " + std::to_string(m.From - 1));
        from[m.From]++;
    }
    EXPECT_EQ(from[1], 300);
    EXPECT_EQ(from[2], 300);
}
#endif

TEST(Messages, OnlyTheLettersShownAreMarkedRead)
{
    TScratch dir;
    ASSERT_TRUE(SendMessage(dir.Dir, 2, 1, 3, {"first"}));
    ASSERT_TRUE(SendMessage(dir.Dir, 0, 1, 3, {"a notice"}));
    ASSERT_TRUE(SendMessage(dir.Dir, 2, 0, 3, {"a bulletin"}));
    std::vector<TMessageRec> shown;
    ASSERT_TRUE(ReadMailbox(dir.Dir, 1, shown));
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(MessageLine(shown[0], 0), "a notice");   // newest first
    // A letter with the same words arrives from another node meanwhile.
    ASSERT_TRUE(SendMessage(dir.Dir, 2, 1, 4, {"first"}));
    MarkShownRead(dir.Dir, 1, shown);
    EXPECT_EQ(CountUnread(dir.Dir, 1), 1);
    TMessageRec newest;
    ASSERT_TRUE(GetMessage(dir.Dir, 1, 0, newest));
    EXPECT_EQ((int)newest.Day, 4);
    EXPECT_EQ((int)newest.Read, 0);
    std::vector<TMessageRec> board;
    ASSERT_TRUE(ReadMailbox(dir.Dir, 0, board));
    ASSERT_EQ(board.size(), 1u);
    MarkShownRead(dir.Dir, 0, board);   // the board is nobody's to mark
    ASSERT_TRUE(ReadMailbox(dir.Dir, 0, board));
    EXPECT_EQ((int)board[0].Read, 0);
}
