// A small door built on the door layer, started by the test harness as a BBS
// starts a door.  It reads the drop file, opens the caller's connection,
// greets the caller and then echoes what it reads in a visible form:
//
//   door_probe <drop file or folder> keys    every key as <name>; q quits
//   door_probe <drop file or folder> line    every edited line as [text]; a line "q" quits
//   door_probe <drop file or folder> bytes   every received byte in hex; byte q quits
//
// A third argument "plain" tells the door layer its socket carries plain
// data (a BBS that speaks telnet to the caller itself).
//
// It keeps a small log beside the drop file (PROBE.LOG) with what it read.
// A hang-up ends it with exit code 3 and a note on standard error.
#include "core/osfs.h"
#include "core/replace.h"
#include "door/door.h"
#include "door/dropfile.h"
#include "door/keys.h"
#include <cstdio>
#include <fcntl.h>
#include <string>

static std::string ChannelName()
{
    switch (DoorChannel()) {
    case ChannelSocket: return "socket";
    case ChannelConsole: return "console";
    case ChannelHandles: return "handles";
    default: return "none";
    }
}

static std::string Hex(char c)
{
    char hex[4];
    snprintf(hex, sizeof hex, "%02x", (unsigned char)c);
    return hex;
}

static std::string KeyName(const std::string& key)
{
    if (key == "\r") return "CR";
    if (key == "\x1b") return "ESC";
    if (key.size() == 1 && ((unsigned char)key[0] < 32 || (unsigned char)key[0] > 126)) return Hex(key[0]);
    return key;
}

static void WriteLog(const std::string& dropPath)
{
    size_t cut = dropPath.find_last_of('/');
    std::string folder = cut == std::string::npos ? "" : dropPath.substr(0, cut + 1);
    std::string log = "drop file " + dropPath + "\r\n" + "user " + DoorInfo.UserName + "\r\n" + "alias " +
                      DoorInfo.Alias + "\r\n" + "node " + std::to_string(DoorInfo.Node) + "\r\n" + "seconds " +
                      std::to_string(DoorInfo.SecondsLeft) + "\r\n" + "channel " + ChannelName() + "\r\n";
    ReplaceFileSafely(folder + "PROBE.LOG", log);
}

static int Run(const std::string& mode)
{
    WriteColour("`FREADY " + ChannelName() + "`7\r\n");
    if (mode == "bytes") {
        DoorWrite("one\ntwo\r\n");
        DoorWrite(std::string("a\xff" "b\r\n"));
        for (;;) {
            DoorWaitInput(-1);
            std::string& in = DoorInputBuffer();
            std::string shown;
            bool quit = false;
            for (char c : in) {
                shown += Hex(c) + " ";
                quit = quit || c == 'q';
            }
            in.clear();
            DoorWrite(shown + "\r\n");
            if (quit) return 0;
        }
    }
    if (mode == "line") {
        for (;;) {
            std::string line = DoorInput(20, false);
            DoorWrite("[" + line + "]\r\n");
            if (line == "q") return 0;
        }
    }
    for (;;) {
        std::string key = DoorReadKey(-1);
        DoorWrite("<" + KeyName(key) + ">");
        if (key == "q") return 0;
    }
}

int main(int argc, char** argv)
{
    if (argc < 3) {
        fprintf(stderr, "usage: door_probe <drop file or folder> keys|line|bytes\n");
        return 2;
    }
    std::string path = argv[1];
    if (IsFolder(path)) path = FindDropFile(path, 1);
    std::optional<TDoorInfo> info = path.empty() ? std::nullopt : ReadDropFile(path);
    if (!info) {
        printf("Unable to read drop file %s\n", argv[1]);
        return 2;
    }
    DoorInfo = *info;
    if (argc > 3 && std::string(argv[3]) == "plain") DoorSetSocketTelnet(false);
    DoorOpen();
    WriteLog(path);
    int code;
    try {
        code = Run(argv[2]);
        DoorWrite("BYE\r\n");
    } catch (const EHangup& e) {
        fprintf(stderr, "probe: hang-up: %s\n", e.what());
        code = 3;
    }
    // The socket is the BBS's: it must still be open when we leave.
    if (DoorChannel() == ChannelSocket && fcntl((int)DoorInfo.SocketHandle, F_GETFD) == -1)
        fprintf(stderr, "probe: the socket was closed\n");
    DoorClose();
    return code;
}
