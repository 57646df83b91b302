#include <cctype>
#include <cstring>
#include <gtest/gtest.h>

#include "core/gamefile.h"
#include "core/model.h"
#include "core/stores.h"
#include "tests/testutil.h"

static TRun Ydmaint(const std::vector<std::string>& args) { return RunProgram(YDMAINT_PATH, args); }

// A small strict JSON reader: true when text is one valid value.
struct TJsonCheck {
    const std::string& S;
    size_t P = 0;
    void Ws() { while (P < S.size() && (S[P] == ' ' || S[P] == '\n' || S[P] == '\r' || S[P] == '\t')) P++; }
    bool Lit(const char* w)
    {
        size_t n = strlen(w);
        if (S.compare(P, n, w) != 0) return false;
        P += n;
        return true;
    }
    bool Str()
    {
        if (S[P] != '"') return false;
        for (P++; P < S.size(); P++) {
            unsigned char c = (unsigned char)S[P];
            if (c < 32) return false;
            if (c == '\\') {
                if (++P >= S.size() || !strchr("\"\\/bfnrtu", S[P])) return false;
            } else if (c == '"') {
                P++;
                return true;
            }
        }
        return false;
    }
    bool Num()
    {
        size_t b = P;
        if (S[P] == '-') P++;
        while (P < S.size() && isdigit((unsigned char)S[P])) P++;
        return P > b && isdigit((unsigned char)S[P - 1]);
    }
    bool Value()
    {
        Ws();
        if (P >= S.size()) return false;
        char c = S[P];
        bool ok;
        if (c == '{' || c == '[') {
            char end = c == '{' ? '}' : ']';
            P++;
            Ws();
            if (S[P] == end) {
                P++;
                return true;
            }
            for (;;) {
                if (c == '{') {
                    Ws();
                    if (!Str()) return false;
                    Ws();
                    if (S[P++] != ':') return false;
                }
                if (!Value()) return false;
                Ws();
                if (S[P] == ',') {
                    P++;
                    continue;
                }
                if (S[P] != end) return false;
                P++;
                return true;
            }
        }
        if (c == '"') ok = Str();
        else if (c == 'n') ok = Lit("null");
        else ok = Num();
        return ok;
    }
    bool Whole() { return Value() && (Ws(), P == S.size()); }
};

static bool ValidJson(const std::string& s)
{
    TJsonCheck c{s};
    return c.Whole();
}

static void DumpGame(const TScratch& dir)
{
    BuildSmallGame();
    Game.Header.Day = 3;
    StrSet(HouseRec(1).Name, "The \"Vey\"\tHouse\\");
    HouseRec(1).Capital = 0;
    Chart(1, 0) = {3, 1};
    Chart(1, 2) = {1, 2};   // seen two days ago, owned then
    Chart(1, 3) = {1, 0};   // seen two days ago, nobody's then
    Game.Fleets[0].Dest = 1;
    ASSERT_TRUE(SaveGame(dir.Path("THYRE.DAT")));
    ASSERT_TRUE(SendMessage(dir.Dir, 2, 1, 3, {"hi"}));
}

TEST(Dump, EveryKeyInOrder)
{
    TScratch dir;
    DumpGame(dir);
    TRun r = Ydmaint({"-d", dir.Dir, "dump", "1"});
    ASSERT_EQ(r.Exit, 0) << r.Out;
    std::string out = r.Out.substr(0, r.Out.size() - 1);
    EXPECT_EQ(r.Out.back(), '\n');
    EXPECT_TRUE(ValidJson(out)) << out;
    EXPECT_EQ(out.find(' '), out.find("The") + 3) << "no blanks but in names";
    const char* keys[] = {"\"day\":3,", "\"lastday\":60,", "\"ended\":0,", "\"house\":1,",
                          "\"name\":\"The \\\"Vey\\\"House\\\\\",", "\"status\":1,", "\"ore\":250,", "\"fuel\":40,",
                          "\"infl\":12,", "\"score\":", "\"restrack\":0,", "\"respoints\":0,", "\"res\":[1,0,2,0],",
                          "\"capital\":\"Arad\",", "\"exchange\":\"Corth\",", "\"exchange_known\":1,",
                          "\"price\":[100,120,300],", "\"worlds\":[{\"i\":0,", "\"fleets\":[{\"i\":0,",
                          "\"systems\":[{\"name\":\"Arad\"", "\"houses\":[{\"i\":2,", "\"builds\":[{\"world\":0,\"item\":0,\"count\":3}],",
                          "\"unread\":1}"};
    size_t at = 0;
    for (const char* k : keys) {
        size_t p = out.find(k, at);
        ASSERT_NE(p, std::string::npos) << k;
        at = p;
    }
    EXPECT_NE(out.find("{\"i\":0,\"name\":\"First\",\"loc\":\"Arad\",\"dest\":\"Belis\",\"order\":0,\"doctrine\":0,\"target\":-1,"
                       "\"troops\":0,\"speed\":1,\"power\":37,\"ships\":[0,2,1,0,0,0,0]}"),
              std::string::npos);
    // Stale systems: an owned one hides its worlds, an unowned one shows a placeholder.
    EXPECT_NE(out.find("{\"name\":\"Corth\",\"seen\":1,\"now\":0,\"owner\":2,\"hops\":1,\"x\":300,\"y\":300,\"nest\":0,"
                       "\"lanes\":[\"Belis\",\"Arad\"],\"worlds\":[{\"i\":4,\"n\":1,\"kind\":0,\"owner\":-1},"
                       "{\"i\":5,\"n\":2,\"kind\":4,\"owner\":-1}],\"enemy_power\":0}"),
              std::string::npos);
    EXPECT_NE(out.find("{\"i\":6,\"n\":1,\"kind\":1,\"owner\":0,\"guard\":-1,\"stale\":1}"), std::string::npos);
    EXPECT_NE(out.find("{\"i\":2,\"name\":\"House Mor\",\"status\":2,"), std::string::npos);
}

TEST(Dump, CapitalLostAndFailures)
{
    TScratch dir;
    EXPECT_EQ(Ydmaint({"-d", dir.Dir, "dump"}).Out, "ydmaint: dump needs a house number\n");
    EXPECT_EQ(Ydmaint({"-d", dir.Dir, "dump", "1"}).Out, "ydmaint: no game\n");
    DumpGame(dir);
    EXPECT_EQ(Ydmaint({"-d", dir.Dir, "dump", "26"}).Out, "ydmaint: no such house\n");
    EXPECT_EQ(Ydmaint({"-d", dir.Dir, "dump", "5"}).Out, "ydmaint: no such house\n");
    EXPECT_EQ(Ydmaint({"-d", dir.Dir, "dump", "x"}).Exit, 1);
    Game.Worlds[0].Owner = 2;   // the capital taken
    Game.Header.ExchangeSystem = -1;
    ASSERT_TRUE(SaveGame(dir.Path("THYRE.DAT")));
    std::string out = Ydmaint({"-d", dir.Dir, "dump", "1"}).Out;
    EXPECT_NE(out.find("\"capital\":null,\"exchange\":null,\"exchange_known\":0,"), std::string::npos);
    EXPECT_EQ(out.find("\"hops\":0"), std::string::npos);
    EXPECT_NE(out.find("\"hops\":-1"), std::string::npos);
    // Any ASCII name still gives valid JSON.
    std::string name;
    for (int c = 1; c < 128; c++) name += (char)c;
    StrSet(HouseRec(1).Name, name.substr(0, 23));
    StrSet(Game.Fleets[0].Name, name.substr(23, 15));
    StrSet(Game.Systems[1].Name, name.substr(80, 15));
    ASSERT_TRUE(SaveGame(dir.Path("THYRE.DAT")));
    out = Ydmaint({"-d", dir.Dir, "dump", "1"}).Out;
    EXPECT_TRUE(ValidJson(out.substr(0, out.size() - 1))) << out;
}
