#include "tests/player/door_session.h"

#include <gtest/gtest.h>

#include "core/gamefile.h"
#include "core/lock.h"
#include "core/model.h"
#include "core/osfs.h"
#include "core/settings.h"
#include "core/startgame.h"

TGameFolder::TGameFolder(unsigned seed)
{
    std::string summary;
    EXPECT_TRUE(StartGame(S.Dir, DefaultSettings(), seed, summary)) << summary;
}

void TGameFolder::Load() const { ASSERT_TRUE(LoadGame(S.Path("THYRE.DAT"))); }

void TGameFolder::Save() const { ASSERT_TRUE(SaveGame(S.Path("THYRE.DAT"))); }

bool TGameFolder::Locked() const { return PathExists(LockFolderPath(S.Dir)); }

TLaunch ThyreLaunch(const TGameFolder& g, THarnessMode mode, const std::string& user)
{
    TLaunch l;
    l.Mode = mode;
    l.Program = THYRE_PATH;
    l.Folder = g.S.Dir;
    l.Args = {"-d", g.S.Path("DOOR32.SYS"), "-g", g.S.Dir};
    l.UserName = user;
    if (!OnSocket(mode)) {
        l.CommType = "0";
        l.Handle = "0";
    }
    return l;
}

bool TSession::Start(const TGameFolder& g, THarnessMode mode, const std::string& user)
{
    return Start(ThyreLaunch(g, mode, user));
}

bool TSession::Start(const TLaunch& launch) { return Bbs.Start(launch); }

void TSession::Render()
{
    Screen.Feed(Bbs.Screen.substr(Fed));
    Fed = Bbs.Screen.size();
}

bool TSession::Expect(const std::string& text, int ms)
{
    int64_t end = MonotonicMs() + ms;
    for (;;) {
        size_t at = Bbs.Screen.find(text, Mark);
        if (at != std::string::npos) {
            Mark = at + text.size();
            Bbs.Pump(30);   // the rest of what was sent with it
            Render();
            return true;
        }
        if (MonotonicMs() >= end || Bbs.ExitCode >= 0) {
            Render();
            return false;
        }
        if (!Bbs.WaitFor(text + "\x01never", 50) && Bbs.ExitCode >= 0) {
            Render();
            return Bbs.Screen.find(text, Mark) != std::string::npos;
        }
    }
}

bool TSession::Seen(const std::string& text, int ms)
{
    Bbs.Pump(ms);
    Render();
    return Bbs.Screen.find(text, Mark) != std::string::npos;
}
