// A caller's session with the real thyre program, started as a BBS starts
// it (tests/door/harness), with what the caller sees rendered by a small
// terminal model, and the game folder the session plays in.
#pragma once
#include <string>

#include "tests/door/harness.h"
#include "tests/player/screen.h"
#include "tests/testutil.h"

// A started game in a scratch folder (the default settings: room for 12,
// the two computer houses Varro and Ostrel).
struct TGameFolder {
    TScratch S;
    explicit TGameFolder(unsigned seed = 5);
    // Loads THYRE.DAT into the process's game (asserting it loads); Save
    // writes it back.
    void Load() const;
    void Save() const;
    bool Locked() const;
};

struct TSession {
    TBbs Bbs;
    TScreen Screen;
    size_t Mark = 0;   // bytes of the caller's screen already looked at
    size_t Fed = 0;

    // thyre with DOOR32.SYS in the folder (comm type 2 on a socket, 0 else).
    bool Start(const TGameFolder& g, THarnessMode mode, const std::string& user = "Ann Caller");
    bool Start(const TLaunch& launch);
    // Waits for text to arrive after everything looked at so far, and
    // renders the screen up to there.
    bool Expect(const std::string& text, int ms = 8000);
    // Whether the bytes since the last Expect hold text (after waiting a little).
    bool Seen(const std::string& text, int ms = 300);
    void Key(const std::string& keys) { Bbs.Send(keys); }
    int Exit(int ms = 8000) { return Bbs.WaitExit(ms); }
    void Render();
};

TLaunch ThyreLaunch(const TGameFolder& g, THarnessMode mode, const std::string& user = "Ann Caller");
